// The race HUD over a flat picture at 1024 x 768: the readouts' texts, the picture with
// its glow and darkened edges, the gauges and the mini-map only while the player
// races, the finish bookkeeping every frame after the finish, the countdown's call,
// and the GL state the HUD leaves.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "gfx/virtual_screen.h"
#include "race/car.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "render/race_hud.h"
#include "render/track_map.h"
#include "tests/render/hud_support.h"

namespace {

using hudtest::DifferingPixels;
using hudtest::DrawHudFrame;
using hudtest::HudGlTest;
using hudtest::Image;

// Where things sit in the 800-unit virtual screen (4:3: bottom -300).
constexpr float kDialX = 260.0f, kDialY = -210.0f;
constexpr float kGearX = kDialX + 33.0f, kGearY = kDialY - 37.0f;
constexpr float kSpeedX = kDialX + 72.2f, kSpeedY = kDialY - 19.1f;
constexpr float kRevX = kDialX + 34.56f, kRevY = kDialY + 1.12f;
constexpr float kLoadX = kDialX - 67.54f, kLoadY = kDialY - 24.49f;
constexpr float kDiscX = -285.0f, kDiscY = -150.0f;

HudTexts TextsOf(const CarRow& row) {
  HudTexts t;
  FormatHudTexts(row, &t);
  return t;
}

// ---- the texts ----

TEST(RaceRenderHudTexts, LapZeroShowsAsLapOneAndBothCountersCountToFour) {
  CarRow row;
  row.lap = 0;
  row.place = 2;
  EXPECT_STREQ(TextsOf(row).lap, " 1/4");
  EXPECT_STREQ(TextsOf(row).place, " 2/4");
  row.lap = 1;
  EXPECT_STREQ(TextsOf(row).lap, " 1/4");
  row.lap = 3;
  EXPECT_STREQ(TextsOf(row).lap, " 3/4");
}

TEST(RaceRenderHudTexts, OnlyReverseNeutralAndOneToSixHaveAGearLetter) {
  const char* const expected[] = {"R", "N", "1", "2", "3", "4", "5", "6"};
  CarRow row;
  for (int gear = -1; gear <= 6; ++gear) {
    row.gear = gear;
    EXPECT_STREQ(TextsOf(row).gear, expected[gear + 1]) << gear;
  }
  for (int gear : {-2, 7, 100, std::numeric_limits<int>::min()}) {
    row.gear = gear;
    EXPECT_STREQ(TextsOf(row).gear, "") << gear;
  }
}

TEST(RaceRenderHudTexts, SpeedReadsThreeDigitsOfTheSpeedToThePowerOnePointFour) {
  CarRow row;
  row.speed = 0.0f;
  EXPECT_STREQ(TextsOf(row).speed, "000");
  row.speed = 10.0f;  // 25.12
  EXPECT_STREQ(TextsOf(row).speed, "025");
  row.speed = 30.0f;  // 116.97
  EXPECT_STREQ(TextsOf(row).speed, "116");
  row.speed = 200.0f;  // 1665.3
  EXPECT_STREQ(TextsOf(row).speed, "1665");
  row.speed = std::nanf("");
  EXPECT_STREQ(TextsOf(row).speed, "000");
  row.speed = -3.0f;
  EXPECT_STREQ(TextsOf(row).speed, "000");
}

TEST(RaceRenderHudTexts, TimesShowMinutesSecondsAndWholeHundredths) {
  CarRow row;
  row.raceTime = {1, 7, 45.99f};
  row.lapTime = {0, 59, 0.5f};
  row.bestLap = {12, 0, 99.0f};
  const HudTexts t = TextsOf(row);
  EXPECT_STREQ(t.raceTime, " 1:07.45");
  EXPECT_STREQ(t.lapTime, " 0:59.00");
  EXPECT_STREQ(t.bestLap, "12:00.99");
}

// ---- the picture and the gauges ----

using RaceRenderHud = HudGlTest;

// A path running through the player's position along +x, so the mini-map shows it.
std::vector<Waypoint> StraightPath() {
  std::vector<Waypoint> path;
  for (int i = 0; i < 40; ++i) path.push_back({-400.0f + 20.0f * i, 0.0f, 0.0f, 0});
  return path;
}

TEST_F(RaceRenderHud, AfterTheFinishOnlyThePictureGlowAndEdgesShowAndTheBookkeepingRunsEachFrame) {
  hudtest::SetPath(StraightPath());
  RenderCarRows[0].gear = 3;
  RenderCarRows[0].rpm = 3000.0f;
  const Image racing = DrawHudFrame();
  EXPECT_EQ(hudtest::FinishRaceCalls, 0);

  RaceStatus.PlayerFinished.store(1);
  hudtest::FillRectTexture(::Renderer.targets.PostTextures[0], RenderSetup.postWidth, RenderSetup.postHeight, 40, 40,
                           40, 255);
  Image finished;
  for (int frame = 0; frame < 3; ++frame) finished = DrawHudFrame();
  EXPECT_EQ(hudtest::FinishRaceCalls, 3);

  // The picture (grey 100) with 0.85 of the glow (40) added.
  const uint8_t* centre = finished.At(hudtest::PixelX(0), hudtest::PixelY(0));
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(centre[c], 134, 2) << "channel " << c;
  // The edges darkened alike on both sides, the outermost column the most.
  const uint8_t* left = finished.At(hudtest::PixelX(-399), hudtest::PixelY(0));
  const uint8_t* right = finished.At(hudtest::PixelX(399) - 1, hudtest::PixelY(0));
  EXPECT_LT(left[0], 80);
  EXPECT_NEAR(left[0], right[0], 3);
  const uint8_t* inner = finished.At(hudtest::PixelX(-280), hudtest::PixelY(0));
  EXPECT_GT(inner[0], left[0]);

  // No dial, no mini-map, no readouts: with a flat glow nothing but the flat picture
  // and the shades, so every pixel of a row matches its mirror image.
  for (float y : {kDialY, kDiscY, 175.0f}) {
    const int py = hudtest::PixelY(y);
    int asymmetric = 0;
    for (int x = 0; x < hudtest::kScreenW / 2; ++x)
      asymmetric += std::abs(finished.At(x, py)[0] - finished.At(hudtest::kScreenW - 1 - x, py)[0]) > 3 ? 1 : 0;
    EXPECT_LT(asymmetric, 3) << "row at y " << y;
  }
  // ... while racing, the dial, the disc and the readouts were there.
  EXPECT_GT(DifferingPixels(racing, finished, kDialX, kDialY, 100.0f, 65.0f, 40), 8000);
  EXPECT_GT(DifferingPixels(racing, finished, kDiscX, kDiscY, 95.0f, 95.0f, 40), 300);
  EXPECT_GT(DifferingPixels(racing, finished, 310.0f, 178.0f, 30.0f, 15.0f, 40), 300);
  EXPECT_GT(DifferingPixels(racing, finished, -265.0f, 178.0f, 30.0f, 15.0f, 40), 300);
}

TEST_F(RaceRenderHud, TheSoftFocusPictureShowsWithThePostEffect) {
  RaceStatus.PlayerFinished.store(1);
  hudtest::FillRectTexture(::Renderer.targets.SceneTextures[1], hudtest::kScreenW, hudtest::kScreenH, 200, 60, 20,
                           255);
  Settings.postEffect = 1;
  const Image soft = DrawHudFrame();
  const uint8_t* p = soft.At(hudtest::PixelX(0), hudtest::PixelY(0));
  EXPECT_NEAR(p[0], 200, 2);
  EXPECT_NEAR(p[1], 60, 2);
  EXPECT_NEAR(p[2], 20, 2);
  Settings.postEffect = 0;
  const Image sharp = DrawHudFrame();
  EXPECT_NEAR(sharp.At(hudtest::PixelX(0), hudtest::PixelY(0))[0], 100, 2);
}

// The picture and its glow in one pass with a second texture unit, in two without:
// the same pixels either way, also on a screen taller than the edge shades.
TEST_F(RaceRenderHud, PictureGlowAndShadesComeOutAlikeWithOneTextureUnitOrMore) {
  RaceStatus.PlayerFinished.store(1);
  hudtest::FillRacePicture(::Renderer.targets.SceneTextures[0], hudtest::kScreenW, hudtest::kScreenH);
  hudtest::FillRectTexture(::Renderer.targets.PostTextures[0], RenderSetup.postWidth, RenderSetup.postHeight, 90,
                           60, 30, 255);
  ASSERT_GE(MaxTextureUnits, 2) << "the driver offers the one-pass way";
  const int units = MaxTextureUnits;
  auto drawnWith = [units](int available) {
    MaxTextureUnits = available;
    const Image image = DrawHudFrame();
    MaxTextureUnits = units;
    return image;
  };
  const Image four = drawnWith(units);
  EXPECT_EQ(DifferingPixels(four, drawnWith(1), 0.0f, 0.0f, 400.0f, 300.0f, 2), 0);
  // Grass (108, 127, 60 at 0.3 of the height) plus 0.85 of the glow (76.5, 51, 25.5),
  // and the sky's blue (235) clamped.
  const uint8_t* grass = four.At(hudtest::PixelX(-200.0f), hudtest::PixelY(0.3f * 600.0f - 300.0f));
  EXPECT_NEAR(grass[0], 108 + 76, 3);
  EXPECT_NEAR(grass[1], 127 + 51, 3);
  EXPECT_NEAR(grass[2], 60 + 25, 3);
  EXPECT_EQ(four.At(hudtest::PixelX(0.0f), hudtest::PixelY(200.0f))[2], 255);

  // A square screen's virtual frame runs 400 units up and down, past the shades' 320.
  VirtualScreen.bottom = -400;
  VirtualScreen.top = 400;
  const Image tallFour = drawnWith(units);
  const Image tallOne = drawnWith(1);
  EXPECT_EQ(DifferingPixels(tallFour, tallOne, 0.0f, 0.0f, 400.0f, 300.0f, 2), 0);
  // Above the shades' top end the edge is the picture's own.
  const int row = static_cast<int>(hudtest::kScreenH * (360.0f + 400.0f) / 800.0f);
  // Sky red 120 there, plus 76 of glow: no shade beyond the shades' quads.
  EXPECT_NEAR(tallFour.At(0, row)[0], 196, 3);
}

TEST_F(RaceRenderHud, GearsOutsideReverseToSixPrintNothingAndLapZeroPrintsAsOne) {
  auto frameWith = [](int gear, int lap, float speed) {
    RenderCarRows[0].gear = gear;
    RenderCarRows[0].lap = lap;
    RenderCarRows[0].speed = speed;
    return DrawHudFrame();
  };
  const Image none = frameWith(7, 0, 0.0f);
  EXPECT_EQ(DifferingPixels(none, frameWith(-2, 0, 0.0f), kGearX, kGearY, 14.0f, 14.0f), 0);
  EXPECT_EQ(DifferingPixels(none, frameWith(1000, 0, 0.0f), kGearX, kGearY, 14.0f, 14.0f), 0);
  EXPECT_GT(DifferingPixels(none, frameWith(3, 0, 0.0f), kGearX, kGearY, 14.0f, 14.0f), 20);
  EXPECT_GT(DifferingPixels(none, frameWith(-1, 0, 0.0f), kGearX, kGearY, 14.0f, 14.0f), 20);

  const Image lapOne = frameWith(7, 1, 0.0f);
  EXPECT_EQ(DifferingPixels(none, lapOne, -265.0f, 178.0f, 40.0f, 20.0f), 0) << "lap 0 reads as lap 1";
  EXPECT_GT(DifferingPixels(none, frameWith(7, 2, 0.0f), -265.0f, 178.0f, 40.0f, 20.0f), 20);

  // "000" at a standstill; the gear and lap readouts do not move with the speed.
  const Image moving = frameWith(7, 0, 30.0f);
  EXPECT_GT(DifferingPixels(none, moving, kSpeedX, kSpeedY, 20.0f, 10.0f), 20);
  EXPECT_EQ(DifferingPixels(none, moving, kGearX, kGearY, 12.0f, 12.0f), 0);
}

TEST_F(RaceRenderHud, TheNeedlesTurnWithRevsAndLoadAndANonNumberSpoilsOnlyItsNeedle) {
  auto frameWith = [](float rpm, float load) {
    RenderCarRows[0].rpm = rpm;
    RenderCarRows[0].engineLoad = load;
    RenderCarRows[0].gear = 2;
    return DrawHudFrame();
  };
  const Image idle = frameWith(750.0f, -1.0f);
  const Image revving = frameWith(4000.0f, -1.0f);
  EXPECT_GT(DifferingPixels(idle, revving, kRevX, kRevY, 60.0f, 60.0f), 200);
  EXPECT_EQ(DifferingPixels(idle, revving, kLoadX, kLoadY - 10.0f, 30.0f, 20.0f), 0);
  const Image pulling = frameWith(750.0f, 1.0f);
  EXPECT_GT(DifferingPixels(idle, pulling, kLoadX, kLoadY, 35.0f, 35.0f), 100);

  const Image broken = frameWith(std::nanf(""), -1.0f);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(DifferingPixels(idle, broken, kGearX, kGearY, 12.0f, 12.0f), 0) << "the gear after the needle";
  EXPECT_EQ(DifferingPixels(idle, broken, 0.0f, 160.0f, 400.0f, 30.0f), 0) << "the readouts after the dial";
  EXPECT_EQ(DifferingPixels(idle, broken, kDiscX, kDiscY, 100.0f, 100.0f), 0) << "the mini-map after the dial";
}

TEST_F(RaceRenderHud, TheCountdownRunsWhileItsClockDoesAndNeverAfterTheFinish) {
  FrameTiming.RenderTicks = 2.0f;
  const Image quiet = DrawHudFrame();
  EXPECT_EQ(RaceStatus.CountdownValue.load(), 0.0f) << "a clock at rest is not stepped";

  RaceStatus.CountdownRunning.store(1);
  RaceStatus.CountdownValue.store(8.5f);
  const Image three = DrawHudFrame();
  EXPECT_NEAR(RaceStatus.CountdownValue.load(), 8.52f, 1e-5f);
  EXPECT_GT(DifferingPixels(quiet, three, 0.0f, 100.0f, 100.0f, 80.0f), 3000);

  // Released but still showing START: stepped on to its rest.
  RaceStatus.CountdownRunning.store(0);
  RaceStatus.CountdownValue.store(12.0f);
  DrawHudFrame();
  EXPECT_NEAR(RaceStatus.CountdownValue.load(), 12.02f, 1e-5f);

  RaceStatus.CountdownRunning.store(1);
  RaceStatus.CountdownValue.store(8.5f);
  RaceStatus.PlayerFinished.store(1);
  DrawHudFrame();
  EXPECT_FLOAT_EQ(RaceStatus.CountdownValue.load(), 8.5f) << "the finish timer is the bookkeeping's";
}

TEST_F(RaceRenderHud, LeavesUnitZeroActiveWithPlainTexturingAndTheMatricesAsFound) {
  hudtest::SetPath(StraightPath());
  GLint depthBefore = 0, projectionDepthBefore = 0;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepthBefore);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
  DrawHudFrame();
  GLint active = 0, mode = 0, depthAfter = 0, projectionDepthAfter = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepthAfter);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
  EXPECT_EQ(active, GL_TEXTURE0_ARB);
  EXPECT_EQ(mode, GL_MODELVIEW);
  EXPECT_EQ(projectionDepthAfter, projectionDepthBefore);
  EXPECT_EQ(depthAfter, depthBefore);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_RECTANGLE_ARB));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  GLfloat textureMatrix[16];
  glMatrixMode(GL_TEXTURE);
  glGetFloatv(GL_TEXTURE_MATRIX, textureMatrix);
  glMatrixMode(GL_MODELVIEW);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(textureMatrix[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
  GLint env = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  EXPECT_EQ(env, GL_MODULATE);
  GlExt.glActiveTextureARB(GL_TEXTURE1_ARB);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "the mask unit is switched off again";
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  EXPECT_EQ(env, GL_MODULATE);
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
}

// A HUD over a race picture for a person to look at (KELVAMOR_HUD_SHOTS names the
// folder): race 1's path, the player racing on it among the opponents.
TEST_F(RaceRenderHud, AHudOverARacePictureShowsTheRacesPathAroundThePlayer) {
  if (!LoadRacePath(1)) GTEST_SKIP() << "base/world/races/1.ai not readable";
  hudtest::FillRacePicture(::Renderer.targets.SceneTextures[0], hudtest::kScreenW, hudtest::kScreenH);
  hudtest::FillRectTexture(::Renderer.targets.PostTextures[0], RenderSetup.postWidth, RenderSetup.postHeight, 12,
                           10, 6, 255);
  auto onPath = [](int car, int index) {
    const Waypoint& w = WaypointTable[index];
    const Waypoint& n = WaypointTable[index + 1];
    const float dx = n.x - w.x, dz = n.z - w.z, l = std::sqrt(dx * dx + dz * dz);
    hudtest::PlaceCar(car, w.x, w.y, w.z, dx / l, 0.0f, dz / l);
  };
  const int at = 30;
  ASSERT_GT(WaypointLastIndex, at + 20);
  CarRow& p = RenderCarRows[0];
  p.nextCheckpoint = at;
  while (p.nextCheckpoint <= WaypointLastIndex && !IsCheckpoint(WaypointTable[p.nextCheckpoint].kind)) ++p.nextCheckpoint;
  if (p.nextCheckpoint > WaypointLastIndex) p.nextCheckpoint = 0;
  onPath(0, at);
  onPath(1, at + 4);
  onPath(2, at - 3);
  onPath(3, at + 12);
  p.gear = 3;
  p.rpm = 2900.0f;
  p.engineLoad = 0.6f;
  p.speed = 21.0f;
  p.lap = 2;
  p.place = 2;
  p.raceTime = {1, 42, 17.0f};
  p.lapTime = {0, 38, 5.0f};
  p.bestLap = {0, 59, 81.0f};
  // A new race load: its first frame draws the race's path into the map.
  RaceStatus.RaceLoadCount.fetch_add(1);
  const Image racing = DrawHudFrame();
  hudtest::SaveShot(racing, "hud_race");
  hudtest::SaveShot(hudtest::MapTextureImage(), "track_map");
  RaceStatus.CountdownRunning.store(1);
  RaceStatus.CountdownValue.store(9.35f);
  hudtest::SaveShot(DrawHudFrame(), "hud_countdown");
  RaceStatus.CountdownRunning.store(0);
  RaceStatus.CountdownValue.store(0.0f);
  // The same frame over an empty map.
  const int32_t last = WaypointLastIndex;
  WaypointLastIndex = -1;
  RenderTrackMapTexture();
  WaypointLastIndex = last;
  const Image noPath = DrawHudFrame();
  EXPECT_GT(DifferingPixels(noPath, racing, kDiscX, kDiscY, 90.0f, 90.0f, 30), 500) << "the path on the disc";
  EXPECT_EQ(DifferingPixels(noPath, racing, 0.0f, 0.0f, 200.0f, 200.0f), 0);
}

}  // namespace
