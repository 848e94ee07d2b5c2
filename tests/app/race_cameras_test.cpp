// Frustum planes, the box test and the levels of detail the race update hands out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "app/race_cameras.h"
#include "render/camera_state.h"

namespace {

void LookFrom(Vector3 eye, Vector3 target) {
  CameraState.eye = eye;
  CameraState.target = target;
  CameraState.up = Vector3(0.0f, 1.0f, 0.0f);
  CameraState.speedFactor = 0.0f;
}

TEST(LevelsOfDetail, DistanceBandsAndTheView) {
  EXPECT_EQ(CarLevelOfDetail(0.0f, true), 0);
  EXPECT_EQ(CarLevelOfDetail(19.99f, true), 0);
  EXPECT_EQ(CarLevelOfDetail(20.0f, true), 1);
  EXPECT_EQ(CarLevelOfDetail(49.99f, true), 1);
  EXPECT_EQ(CarLevelOfDetail(50.0f, true), 2);
  EXPECT_EQ(CarLevelOfDetail(299.99f, true), 2);
  EXPECT_EQ(CarLevelOfDetail(300.0f, true), -1);
  EXPECT_EQ(CarLevelOfDetail(10.0f, false), -1);
  EXPECT_EQ(CarLevelOfDetail(NAN, true), -1);
}

TEST(SliceCounts, ReflectionQualityPicksSlicesPerFrame) {
  EXPECT_EQ(SlicesPerFrame(0), 6);
  EXPECT_EQ(SlicesPerFrame(1), 3);
  EXPECT_EQ(SlicesPerFrame(2), 6);
  EXPECT_EQ(SlicesPerFrame(7), 1);
  EXPECT_EQ(SlicesPerFrame(-1), 1);
}

TEST(MainCamera, BoxesAheadAreInsideAndBehindOrBeyondAreOutside) {
  LookFrom(Vector3(0, 2, 0), Vector3(0, 2, -10));
  SetupCamera(kCameraMain, 0, 4.0f / 3.0f, 300.0f);
  for (const auto& p : ViewFrustum.plane) {
    const float len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    EXPECT_NEAR(len, 1.0f, 1e-4f);
  }
  EXPECT_TRUE(BoxInFrustum(ViewFrustum, Vector3(0, 2, -50)));
  EXPECT_TRUE(BoxInFrustum(ViewFrustum, Vector3(0, 2, -295)));  // the box reaches inside the far plane
  EXPECT_FALSE(BoxInFrustum(ViewFrustum, Vector3(0, 2, 40))) << "a car behind the camera";
  EXPECT_FALSE(BoxInFrustum(ViewFrustum, Vector3(0, 2, -400))) << "beyond the far plane";
  EXPECT_FALSE(BoxInFrustum(ViewFrustum, Vector3(500, 2, -50))) << "far off to the side";
  // The box of +-10 straddling the eye is in view.
  EXPECT_TRUE(BoxInFrustum(ViewFrustum, Vector3(0, 2, 5)));
}

TEST(MainCamera, SpeedFactorWidensTheView) {
  LookFrom(Vector3(0, 0, 0), Vector3(0, 0, -1));
  const Vector3 side(60.0f, 0.0f, -100.0f);  // about 31 degrees off axis, half-width
  SetupCamera(kCameraMain, 0, 1.0f, 300.0f);
  const bool narrow = BoxInFrustum(ViewFrustum, side);
  CameraState.speedFactor = 1.0f;
  SetupCamera(kCameraMain, 0, 1.0f, 300.0f);
  const bool wide = BoxInFrustum(ViewFrustum, side);
  EXPECT_TRUE(narrow);
  EXPECT_TRUE(wide);
  CameraState.speedFactor = 0.0f;
  SetupCamera(kCameraMain, 0, 1.0f, 300.0f);
  EXPECT_FALSE(BoxInFrustum(ViewFrustum, Vector3(90.0f, 0.0f, -100.0f)));
  CameraState.speedFactor = 1.0f;
  SetupCamera(kCameraMain, 0, 1.0f, 300.0f);
  EXPECT_TRUE(BoxInFrustum(ViewFrustum, Vector3(90.0f, 0.0f, -100.0f))) << "75 degrees reach the near corner";
  EXPECT_FALSE(BoxInFrustum(ViewFrustum, Vector3(100.0f, 0.0f, -100.0f)));
}

bool AllFinite(const Frustum& f) {
  for (const auto& p : f.plane)
    for (float v : p)
      if (!std::isfinite(v)) return false;
  return true;
}

// A chase camera that ends up straight above the car (up parallel to the view), one
// placed on its own target, or a NaN eye from the race code: none of them may hand NaN
// planes to the culls (every car would vanish); the last usable frustum stands.
TEST(MainCamera, DegenerateOrNonFiniteViewsKeepTheLastFrustum) {
  LookFrom(Vector3(0, 2, 0), Vector3(0, 2, -10));
  SetupCamera(kCameraMain, 0, 4.0f / 3.0f, 300.0f);
  const Frustum good = ViewFrustum;
  const Vector3 ahead(0, 2, -50);
  ASSERT_TRUE(BoxInFrustum(good, ahead));

  const Vector3 eyes[3] = {Vector3(0, 30, -50), Vector3(5, 5, 5), Vector3(NAN, 2, 0)};
  const Vector3 targets[3] = {Vector3(0, 0, -50), Vector3(5, 5, 5), Vector3(0, 2, -10)};
  for (int i = 0; i < 3; ++i) {
    LookFrom(eyes[i], targets[i]);
    SetupCamera(kCameraMain, 0, 4.0f / 3.0f, 300.0f);
    ASSERT_TRUE(AllFinite(ViewFrustum)) << "case " << i;
    EXPECT_EQ(std::memcmp(&ViewFrustum, &good, sizeof good), 0) << "case " << i;
    EXPECT_TRUE(BoxInFrustum(ViewFrustum, ahead)) << "case " << i;
  }
  // The slices and the sun keep theirs too, and the sun publishes no NaN matrices.
  LookFrom(Vector3(NAN, 0, 0), Vector3(0, 0, -1));
  SetupCamera(kCameraSlice, 2, 1.0f, 300.0f);
  EXPECT_TRUE(AllFinite(ViewFrustum));
  SetupCamera(kCameraSun, 0, 1.0f, 300.0f);
  EXPECT_TRUE(AllFinite(ViewFrustum));
  for (float v : SunCamera.view.m) EXPECT_TRUE(std::isfinite(v));
  EXPECT_TRUE(std::isfinite(SunCamera.sunPoint.x));
  EXPECT_TRUE(std::isfinite(SunCamera.sunPosition.x));

  // A usable view afterwards is taken as it comes.
  LookFrom(Vector3(0, 2, 0), Vector3(0, 2, 10));
  SetupCamera(kCameraMain, 0, 4.0f / 3.0f, 300.0f);
  EXPECT_FALSE(BoxInFrustum(ViewFrustum, ahead));
  EXPECT_TRUE(BoxInFrustum(ViewFrustum, Vector3(0, 2, 50)));
}

TEST(SunCamera, LooksAtAPointAheadAndSurvivesAStraightDownCamera) {
  LookFrom(Vector3(100, 10, 100), Vector3(100, 10, 90));
  SetupCamera(kCameraSun, 0, 1.0f, 300.0f);
  EXPECT_NEAR(SunCamera.sunPoint.x, 100.0f, 1e-4f);
  EXPECT_NEAR(SunCamera.sunPoint.z, 50.0f, 1e-4f);
  EXPECT_NEAR(SunCamera.sunPosition.x, 2600.0f, 1e-3f);
  EXPECT_NEAR(SunCamera.sunPosition.y, 3000.0f, 1e-3f);
  EXPECT_NEAR(SunCamera.sunPosition.z, 2550.0f, 1e-3f);
  EXPECT_TRUE(BoxInFrustum(ViewFrustum, SunCamera.sunPoint));
  // Straight down: no horizontal direction; the last one is kept, nothing is NaN.
  LookFrom(Vector3(100, 50, 100), Vector3(100, 0, 100));
  SetupCamera(kCameraSun, 0, 1.0f, 300.0f);
  EXPECT_NEAR(SunCamera.sunPoint.z, 50.0f, 1e-4f);
  for (const auto& p : ViewFrustum.plane)
    for (float v : p) EXPECT_TRUE(std::isfinite(v));
}

TEST(SliceCameras, EachFaceCullsItsOwnDirection) {
  LookFrom(Vector3(0, 0, 0), Vector3(0, 0, -1));
  int insideCount[6] = {};
  const Vector3 probes[6] = {Vector3(40, 0, 0), Vector3(-40, 0, 0), Vector3(0, 40, 0),
                             Vector3(0, -40, 0), Vector3(0, 0, 40), Vector3(0, 0, -40)};
  for (int slice = 0; slice < 6; ++slice) {
    SetupCamera(kCameraSlice, slice, 1.0f, 300.0f);
    for (int p = 0; p < 6; ++p) insideCount[p] += BoxInFrustum(ViewFrustum, probes[p]) ? 1 : 0;
    int seen = 0;
    for (const Vector3& p : probes) seen += BoxInFrustum(ViewFrustum, p) ? 1 : 0;
    EXPECT_EQ(seen, 1) << "slice " << slice << " sees exactly one of the six directions";
  }
  for (int p = 0; p < 6; ++p) EXPECT_EQ(insideCount[p], 1) << "direction " << p << " belongs to one face";
}

}  // namespace
