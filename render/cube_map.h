// The environment cube map the lorries' paint and glass reflect: 128 x 128 faces of the
// near surroundings, a few faces per call in a rotating order so that the cost spreads
// over frames. The race frame calls it while CubeMapRefresh is set; the garage every
// frame with its own camera.
#pragma once

#include <cstdint>

#include "gfx/math3d.h"

// The face rendered last (0-5, +X -X +Y -Y +Z -Z); never reset, so a new race or the
// garage carries on where the last one stopped.
extern int CubeMapFace;
// Set by the track loader; the race frame renders faces only while it is 1. Quality 0
// clears it once all six faces are drawn.
extern uint8_t CubeMapRefresh;

// Faces one call renders: in the race (flag 1) 6, 3 or 6 by reflection quality 0, 1,
// 2; in the garage (flag 0) 1, 1 or 2. A quality outside 0..2 counts as 0.
int CubeFacesPerCall(int raceFlag, int reflectionQuality);
// The face after `face`, wrapping from 5 to 0.
int NextCubeFace(int face);
// The garage's up: `rawUp` unless it is zero, not finite or parallel to the view
// direction, where a look-at would divide by zero; then (0, 1, 0), or (0, 0, 1) when the
// view itself runs along y.
Vector3 GarageCubeUp(const Vector3& viewDirection, const Vector3& rawUp);

// Renders the faces of one call into the environment cube map (flag 1 race, 0 garage)
// and binds the default framebuffer. Reads the render snapshot only: car 0's render
// row and the face lists in the race, the render camera's view vectors in the garage.
void RenderCubeMap(int flag);
