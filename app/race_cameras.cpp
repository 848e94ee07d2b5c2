#include "app/race_cameras.h"

#include <cmath>

#include "render/camera_state.h"

Frustum ViewFrustum;
SunCameraState SunCamera;

namespace {

constexpr float kBoxHalf = 10.0f;  // the culling box around a car


// Horizontal unit direction from a to b; keep the previous one when a camera looks
// straight down (no horizontal part), instead of dividing by zero.
Vector3 GroundDirection(const Vector3& from, const Vector3& to, Vector3* previous) {
  Vector3 d(to.x - from.x, 0.0f, to.z - from.z);
  const float len = std::sqrt(d.x * d.x + d.z * d.z);
  if (len > 1e-6f && std::isfinite(len)) {
    d.x /= len;
    d.z /= len;
    *previous = d;
  }
  return *previous;
}

Vector3 g_lastSunDirection(0.0f, 0.0f, 1.0f);
Vector3 g_lastOverviewDirection(0.0f, 0.0f, 1.0f);

// The last usable frustum of each camera: main, sun, the six slices, overview. A
// degenerate view (up parallel to the view direction, the eye on its target) or a NaN
// position gives NaN planes, which cull everything; the camera then keeps its last.
constexpr int kFrustumSlots = 9;
Frustum g_lastFrustum[kFrustumSlots];
bool g_haveFrustum[kFrustumSlots];

int FrustumSlot(int type, int slice) {
  switch (type) {
    case kCameraMain: return 0;
    case kCameraSun: return 1;
    case kCameraSlice: return 2 + (slice >= 0 && slice < 6 ? slice : 0);
    default: return 8;
  }
}

bool Finite(const Matrix4& m) {
  for (float v : m.m)
    if (!std::isfinite(v)) return false;
  return true;
}

bool Finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// An all-accepting frustum for a camera that has never had a usable view.
Frustum OpenFrustum() {
  Frustum f;
  for (auto& p : f.plane) {
    p[0] = p[1] = p[2] = 0.0f;
    p[3] = 1.0f;
  }
  return f;
}

}  // namespace

Frustum ExtractFrustum(const Matrix4& m) {
  Frustum f;
  auto row = [&m](int r, int c) { return m.m[4 * c + r]; };
  for (int p = 0; p < 6; ++p) {
    const int axis = p / 2;
    const float sign = (p % 2 == 0) ? -1.0f : 1.0f;  // fourth row minus, then plus
    float len2 = 0.0f;
    for (int c = 0; c < 4; ++c) {
      f.plane[p][c] = row(3, c) + sign * row(axis, c);
      if (c < 3) len2 += f.plane[p][c] * f.plane[p][c];
    }
    const float len = std::sqrt(len2);
    if (len > 0.0f)
      for (float& v : f.plane[p]) v /= len;
  }
  return f;
}

bool BoxInFrustum(const Frustum& f, const Vector3& p) {
  for (const auto& pl : f.plane) {
    bool allOutside = true;
    for (int corner = 0; corner < 8 && allOutside; ++corner) {
      const float x = p.x + ((corner & 1) ? kBoxHalf : -kBoxHalf);
      const float y = p.y + ((corner & 2) ? kBoxHalf : -kBoxHalf);
      const float z = p.z + ((corner & 4) ? kBoxHalf : -kBoxHalf);
      if (pl[0] * x + pl[1] * y + pl[2] * z + pl[3] > 0.0f) allOutside = false;
    }
    if (allOutside) return false;
  }
  return true;
}

int CarLevelOfDetail(float distance, bool inView) {
  if (!(distance < 300.0f) || !inView) return -1;
  if (distance < 20.0f) return 0;
  if (distance < 50.0f) return 1;
  return 2;
}

int SlicesPerFrame(int reflectionQuality) {
  switch (reflectionQuality) {
    case 0: return 6;
    case 1: return 3;
    case 2: return 6;
    default: return 1;
  }
}

void SetupCamera(int type, int slice, float aspect, float viewDistance) {
  Matrix4 projection, view;
  const CameraStateRecord& cam = CameraState;
  switch (type) {
    case kCameraMain:
      projection.SetProjection(65.0f + 10.0f * cam.speedFactor, aspect, 1.0f, viewDistance);
      view.SetView(cam.eye, cam.target, cam.up);
      break;
    case kCameraSun: {
      projection.SetProjection(1.2f, 1.0f, 3000.0f, 100000.0f);
      const Vector3 d = GroundDirection(cam.eye, cam.target, &g_lastSunDirection);
      const float s = 1.0f;
      const Vector3 point(cam.eye.x + d.x * 50.0f, cam.eye.y, cam.eye.z + d.z * 50.0f);
      const Vector3 position(point.x + 2500.0f * s, 3000.0f * s, point.z + 2500.0f * s);
      view.SetView(position, point, Vector3(0.0f, 1.0f, 0.0f));
      // The shadow pass and the lights read these: nothing NaN is published.
      if (Finite(point) && Finite(view)) {
        SunCamera.sunPoint = point;
        SunCamera.sunPosition = position;
        SunCamera.projection = projection;
        SunCamera.view = view;
      }
      break;
    }
    case kCameraSlice: {
      projection.SetProjection(90.0f, 1.0f, 0.05f, 55.0f);
      Matrix4 translate;
      translate.SetTranslation(cam.eye.Negated());
      // Each slice is culled with its own face: the face turned about the eye.
      view = MultiplyMatrices(CubeFaceRotation(slice), translate);
      break;
    }
    default: {
      projection.SetProjection(4.0f, 1.0f, 350.0f, 1000000.0f);
      const CameraStateRecord& r = RenderCamera;
      const Vector3 d = GroundDirection(r.eye, r.fourth, &g_lastOverviewDirection);
      const Vector3 point(r.eye.x + d.x * 27.5f, r.eye.y, r.eye.z + d.z * 27.5f);
      const Vector3 eye(point.x + 337.5f, 405.00003f, point.z + 337.5f);
      view.SetView(eye, point, Vector3(0.0f, 1.0f, 0.0f));
      if (Finite(eye) && Finite(view)) {
        SunCamera.sunPosition = eye;
        SunCamera.overviewProjection = projection;
        SunCamera.overviewView = view;
      }
      break;
    }
  }
  const int slot = FrustumSlot(type, slice);
  const Matrix4 combined = MultiplyMatrices(projection, view);
  if (Finite(combined)) {
    g_lastFrustum[slot] = ExtractFrustum(combined);
    g_haveFrustum[slot] = true;
  } else if (!g_haveFrustum[slot]) {
    g_lastFrustum[slot] = OpenFrustum();
  }
  ViewFrustum = g_lastFrustum[slot];
}
