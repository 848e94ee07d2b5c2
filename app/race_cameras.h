// The race update's cameras: projection and view of the main, sun, slice and overview
// cameras, the six frustum planes they leave behind, and the box test and levels of
// detail that read them.
#pragma once

#include "gfx/math3d.h"

// A point (x, y, z) is inside a plane when a x + b y + c z + d > 0; each plane is
// normalised by the length of (a, b, c).
struct Frustum {
  float plane[6][4];
};

enum CameraType : int { kCameraMain = 0, kCameraSun = 1, kCameraSlice = 2, kCameraOverview = 3 };

struct SunCameraState {
  Vector3 sunPoint;     // 50 units ahead of the eye on the ground plane
  Vector3 sunPosition;  // where the shadow camera stands
  Matrix4 projection;   // the sun camera's two matrices, published for the shadow pass
  Matrix4 view;
  Matrix4 overviewProjection;  // the overview camera's pair
  Matrix4 overviewView;
};

extern Frustum ViewFrustum;  // the last SetupCamera's planes
extern SunCameraState SunCamera;

// The six planes of a combined projection x view matrix: its fourth row minus and plus
// each of the other three.
Frustum ExtractFrustum(const Matrix4& combined);
// The box of +-10 around p is outside when all eight corners lie behind one plane.
bool BoxInFrustum(const Frustum& f, const Vector3& p);
// -1 hidden, else 2, 1 or 0 for distances below 300, 50 and 20 (in view only).
int CarLevelOfDetail(float distance, bool inView);
// Slices culled per frame for the reflection-quality setting.
int SlicesPerFrame(int reflectionQuality);

// Builds the camera's matrices into ViewFrustum (and SunCamera for types 1 and 3). The
// eye, target and up come from CameraState; the overview camera reads RenderCamera.
// aspect is the screen's width / height.
void SetupCamera(int type, int slice, float aspect, float viewDistance);
