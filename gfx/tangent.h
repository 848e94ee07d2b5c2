// Per-corner tangent frames for the normal-mapped draws: the two helpers that square a
// frame against the corner's normal. The frames themselves are made by
// MilkshapeModel::ComputeTangentFrames and ComputeTangentFramesUV2 (gfx/milkshape.h).
#pragma once

#include "gfx/math3d.h"

// v with its component along the normal removed, normalised. For a zero normal, or a
// v that lies along the normal, the result is the fallback of AnyPerpendicular.
Vector3 OrthogonalizeToNormal(const Vector3& n, const Vector3& v);

// The point of the segment a-b nearest to p; a when the segment has no length.
Vector3 ClosestPointOnSegment(const Vector3& a, const Vector3& b, const Vector3& p);

// Some unit vector perpendicular to n; (1, 0, 0) when n has no direction.
Vector3 AnyPerpendicular(const Vector3& n);
