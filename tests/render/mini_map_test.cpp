// The mini-map: its heading (ahead is always up, whatever the lorry's pitch, and an
// upright lorry gives no non-number), the markers' fade towards 260 units, the next
// checkpoint's marker only for a waypoint of the path, and the disc's need for a
// second texture unit.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "gfx/gl_ext.h"
#include "race/car.h"
#include "race/waypoints.h"
#include "render/mini_map.h"
#include "tests/render/hud_support.h"

namespace {

using hudtest::DifferingPixels;
using hudtest::DrawHudFrame;
using hudtest::HudGlTest;
using hudtest::Image;

constexpr float kDiscX = -285.0f, kDiscY = -150.0f, kDiscHalf = 100.0f;
// Pixels per virtual unit at 1024 wide.
constexpr float kPixelsPerUnit = 1024.0f / 800.0f;
constexpr float kDegree = 3.14159265f / 180.0f;

Matrix4 FacingAlong(float ax, float ay, float az) {
  hudtest::PlaceCar(0, 0.0f, 0.0f, 0.0f, ax, ay, az);
  return RenderCarRows[0].matrix;
}

TEST(RaceRenderMiniMapMath, TheHeadingTurnsWithTheLorryOnTheGroundOnly) {
  EXPECT_NEAR(MiniMapHeading(FacingAlong(1, 0, 0)), 0.0f, 1e-4f);
  EXPECT_NEAR(MiniMapHeading(FacingAlong(0, 0, -1)), -90.0f, 0.01f);
  EXPECT_NEAR(MiniMapHeading(FacingAlong(0, 0, 1)), 90.0f, 0.01f);
  EXPECT_NEAR(std::fabs(MiniMapHeading(FacingAlong(-1, 0, 0))), 180.0f, 0.02f) << "57.3 degrees to the radian";
  // Climbing or diving 30 degrees changes nothing on the map.
  EXPECT_NEAR(MiniMapHeading(FacingAlong(std::cos(30 * kDegree), std::sin(30 * kDegree), 0)), 0.0f, 1e-3f);
  EXPECT_NEAR(MiniMapHeading(FacingAlong(0, -std::sin(30 * kDegree), -std::cos(30 * kDegree))), -90.0f, 0.01f);
}

TEST(RaceRenderMiniMapMath, AnUprightOrBrokenLorryHasHeadingZero) {
  EXPECT_EQ(MiniMapHeading(FacingAlong(0, -1, 0)), 0.0f) << "standing on its nose";
  EXPECT_EQ(MiniMapHeading(FacingAlong(0, 1, 0)), 0.0f) << "standing on its tail";
  Matrix4 broken;
  broken.m[0] = broken.m[2] = std::nanf("");
  EXPECT_EQ(MiniMapHeading(broken), 0.0f);
}

TEST(RaceRenderMiniMapMath, MarkersFadeOutBetween240And260Units) {
  EXPECT_EQ(MiniMapMarkerAlpha(0.0f, 1.0f), 1.0f);
  EXPECT_EQ(MiniMapMarkerAlpha(240.0f, 0.8f), 0.8f);
  EXPECT_NEAR(MiniMapMarkerAlpha(250.0f, 1.0f), 0.5f, 1e-6f);
  EXPECT_NEAR(MiniMapMarkerAlpha(255.0f, 0.5f), 0.125f, 1e-6f);
  EXPECT_EQ(MiniMapMarkerAlpha(260.0f, 1.0f), 0.0f);
  EXPECT_EQ(MiniMapMarkerAlpha(300.0f, 1.0f), 0.0f);
  EXPECT_EQ(MiniMapMarkerAlpha(std::nanf(""), 1.0f), 0.0f);
}

using RaceRenderMiniMap = HudGlTest;

// Where opponent 1's marker lands, in pixels from the disc's centre, with the player
// at the origin facing along `axis` and the opponent at `offset` from it.
bool OpponentMarker(const float axis[3], const float offset[3], float* dx, float* dy) {
  hudtest::PlaceCar(0, 0.0f, 0.0f, 0.0f, axis[0], axis[1], axis[2]);
  const Image without = DrawHudFrame();
  hudtest::PlaceCar(1, offset[0], offset[1], offset[2], 1.0f, 0.0f, 0.0f);
  const Image with = DrawHudFrame();
  hudtest::PlaceCar(1, 10000.0f, 0.0f, 10000.0f, 1.0f, 0.0f, 0.0f);
  return hudtest::DifferenceCentroid(without, with, kDiscX, kDiscY, kDiscHalf, kDiscHalf, dx, dy);
}

TEST_F(RaceRenderMiniMap, WhatLiesAheadIsUpWhicheverWayTheLorryFacesOrPitches) {
  const float s30 = std::sin(30 * kDegree), c30 = std::cos(30 * kDegree);
  struct Case {
    const char* what;
    float axis[3];
    float ahead[3];  // 100 units along the heading on the ground
  };
  const Case cases[] = {
      {"east", {1, 0, 0}, {100, 0, 0}},
      {"north (-z)", {0, 0, -1}, {0, 0, -100}},
      {"south (+z)", {0, 0, 1}, {0, 0, 100}},
      {"west", {-1, 0, 0}, {-100, 0, 0}},
      {"north-east", {0.70710678f, 0, -0.70710678f}, {70.710678f, 0, -70.710678f}},
      {"climbing east", {c30, s30, 0}, {100, 0, 0}},
      {"diving south", {0, -s30, c30}, {0, 0, 100}},
      {"on its nose: no heading, drawn as facing east", {0, -1, 0}, {100, 0, 0}},
  };
  // 100 units are 35.2 disc units, 45 pixels.
  const float expectedUp = 100.0f * 0.3515625f * kPixelsPerUnit;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    float dx = 0.0f, dy = 0.0f;
    ASSERT_TRUE(OpponentMarker(c.axis, c.ahead, &dx, &dy)) << "no marker";
    EXPECT_NEAR(dx, 0.0f, 2.5f);
    EXPECT_NEAR(dy, expectedUp, 2.5f);
  }
  // And to the right is right.
  float dx = 0.0f, dy = 0.0f;
  const float east[3] = {1, 0, 0}, south[3] = {0, 0, 100};
  ASSERT_TRUE(OpponentMarker(east, south, &dx, &dy));
  EXPECT_NEAR(dx, expectedUp, 2.5f);
  EXPECT_NEAR(dy, 0.0f, 2.5f);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RaceRenderMiniMap, MarkersBeyond260UnitsAreInvisible) {
  const Image empty = DrawHudFrame();
  auto markerPixels = [&empty](float distance) {
    hudtest::PlaceCar(2, 0.0f, 0.0f, -distance, 1.0f, 0.0f, 0.0f);  // to the player's left
    const Image shown = DrawHudFrame();
    hudtest::PlaceCar(2, 10000.0f, 0.0f, 10000.0f, 1.0f, 0.0f, 0.0f);
    return DifferingPixels(empty, shown, kDiscX, kDiscY, kDiscHalf, kDiscHalf, 8);
  };
  const int near = markerPixels(150.0f);
  const int fading = markerPixels(250.0f);
  EXPECT_GT(near, 60);
  EXPECT_GT(fading, 10);
  EXPECT_LT(fading, near) << "half faded at 250";
  EXPECT_EQ(markerPixels(260.5f), 0);
  EXPECT_EQ(markerPixels(400.0f), 0);
  // The player's own marker is always there, a green arrow at the centre.
  const uint8_t* centre = empty.At(hudtest::PixelX(kDiscX), hudtest::PixelY(kDiscY));
  EXPECT_GT(centre[1], 150);
  EXPECT_GT(centre[1], centre[0] + 60);
}

TEST_F(RaceRenderMiniMap, TheCheckpointMarkerOnlyForAWaypointOfThePath) {
  hudtest::SetPath({{-300, 0, 0, 0}, {0, 0, -120, 1}, {300, 0, 0, 0}});
  RenderCarRows[0].nextCheckpoint = -1;
  const Image none = DrawHudFrame();
  auto withNext = [&none](int32_t next) {
    RenderCarRows[0].nextCheckpoint = next;
    return DifferingPixels(none, DrawHudFrame(), kDiscX, kDiscY, kDiscHalf, kDiscHalf);
  };
  EXPECT_GT(withNext(1), 80);
  hudtest::PlaceCar(1, 60.0f, 0.0f, -20.0f, 1.0f, 0.0f, 0.0f);
  hudtest::SaveShot(DrawHudFrame(), "minimap_checkpoint");
  hudtest::PlaceCar(1, 10000.0f, 0.0f, 10000.0f, 1.0f, 0.0f, 0.0f);
  EXPECT_EQ(withNext(3), 0) << "one past the last waypoint";
  EXPECT_EQ(withNext(1200), 0);
  EXPECT_EQ(withNext(-5), 0);
  EXPECT_EQ(withNext(std::numeric_limits<int32_t>::max()), 0);
}

TEST_F(RaceRenderMiniMap, TheDiscShowsThePathUnderItsMaskOnlyWithASecondTextureUnit) {
  const Image empty = DrawHudFrame();
  std::vector<Waypoint> path;
  for (int i = 0; i < 60; ++i) path.push_back({-300.0f + 10.0f * i, 0.0f, 30.0f, 0});
  hudtest::SetPath(path);
  const Image withPath = DrawHudFrame();
  // The path crosses the disc 30 units right of the player, and stops at its rim.
  EXPECT_GT(DifferingPixels(empty, withPath, kDiscX + 10.5f, kDiscY, 4.0f, 80.0f, 20), 200);
  EXPECT_EQ(DifferingPixels(empty, withPath, kDiscX + 10.5f, kDiscY + 120.0f, 4.0f, 15.0f, 20), 0);

  const int units = MaxTextureUnits;
  MaxTextureUnits = 1;
  const Image oneUnit = DrawHudFrame();
  MaxTextureUnits = units;
  EXPECT_EQ(DifferingPixels(empty, oneUnit, kDiscX, kDiscY, kDiscHalf, kDiscHalf), 0)
      << "no mask unit: no disc, the markers alone";
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
