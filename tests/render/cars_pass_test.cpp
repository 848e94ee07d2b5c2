// The lorries in the three car passes and the shadow casters, drawn for real into a
// colour target from lorries built of small boxes: what a hidden lorry leaves out, the
// axle of a lorry without a track, the beacon flares a points model asks for, the
// beacons' clock, the skins the passes take and the state the passes leave behind.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "app/frame.h"
#include "app/race_snapshot.h"
#include "gfx/renderer.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/scene_content.h"
#include "render/camera_state.h"
#include "render/car_assembly.h"
#include "render/car_skins.h"
#include "render/cars_pass.h"
#include "render/pass_control.h"
#include "render/shadow_view.h"
#include "tests/render/render_gl.h"

namespace {

using rendertest::BoxMesh;
using rendertest::MakeModel;
using rendertest::SamplesPassed;

constexpr int kTargetSize = 256;
constexpr float kCarSpacing = 10.0f;

// Top-down orthographic view of the square (cx +- half, cz +- half), x to the right.
void LookDown(float cx, float cz, float half) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-half, half, -half, half, 1.0, 200.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(cx, 100.0, cz, cx, 0.0, cz, 0.0, 0.0, -1.0);
  CaptureViewMatrices();
}

// Every vertex the pass sends, as GL transformed it (feedback mode: nothing is drawn).
std::vector<GLfloat> FeedbackVertices(int pass) {
  std::vector<GLfloat> buffer(1 << 16);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  glDisable(GL_CULL_FACE);
  if (pass < 3)
    DrawCars(pass);
  else
    DrawCarShadowCasters();
  const int n = glRenderMode(GL_RENDER);
  std::vector<GLfloat> vertices;
  for (int i = 0; i < n;) {
    if (buffer[i] != GL_POLYGON_TOKEN) break;
    const int corners = static_cast<int>(buffer[i + 1]);
    vertices.insert(vertices.end(), buffer.begin() + i + 2, buffer.begin() + i + 2 + 3 * corners);
    i += 2 + 3 * corners;
  }
  return vertices;
}

class RaceRenderCars : public rendertest::RenderGlTest {
 protected:
  void SetUp() override {
    rendertest::RenderGlTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    target_ = std::make_unique<gltest::ColourTarget>(kTargetSize, kTargetSize);
    ASSERT_TRUE(target_->complete());
    body_ = MakeModel(BoxMesh(0.0f, 1.2f, 0.0f, 3.5f, 1.0f, 1.2f, 5));
    glass_ = MakeModel(BoxMesh(2.5f, 2.0f, 0.0f, 0.4f, 0.4f, 1.0f));
    wheel_ = MakeModel(BoxMesh(0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.2f));
    beam_ = MakeModel(BoxMesh(0.0f, 0.0f, 0.0f, 0.15f, 0.15f, 1.0f));
    hub_ = MakeModel(BoxMesh(0.0f, 0.0f, 0.0f, 0.1f, 0.1f, 0.1f));
    UsePoints(2);
    ASSERT_TRUE(body_ && glass_ && wheel_ && beam_ && hub_);
    for (int lod = 0; lod < kCarLods; ++lod) {
      CarPartModels[lod * kCarPartsPerLevel + 0] = beam_.get();
      CarPartModels[lod * kCarPartsPerLevel + 1] = beam_.get();
      CarPartModels[lod * kCarPartsPerLevel + 2] = hub_.get();
    }
    for (int i = 0; i < kRaceCarCount; ++i) {
      CarSlotAssets& s = CarSlots[i];
      for (int lod = 0; lod < kCarLods; ++lod) {
        s.body[lod] = body_.get();
        s.shadow[lod] = body_.get();
        s.glass[lod] = glass_.get();
        s.frontWheel[lod] = wheel_.get();
        s.rearWheel[lod] = wheel_.get();
      }
      RenderCarRows[i] = CarRow();
      RenderCarRows[i].matrix.m[12] = kCarSpacing * static_cast<float>(i);
      for (float& drop : RenderCarRows[i].wheelDrop) drop = 0.3f;
      RenderSnapshot.levelOfDetail[i] = 0;
    }
    RenderCamera.eye = Vector3(15.0f, 50.0f, 0.0f);
    // The smoke is the emitters' and does not follow the lorries' detail.
    PassControl = PassControlState();
    std::snprintf(PassControl.skip[0], sizeof PassControl.skip[0], "smoke");
    FrameTiming.RenderTicks = 0.0f;
    target_->Clear(0.0f, 0.0f, 0.0f, 0.0f);
    LookDown(15.0f, 0.0f, 25.0f);
  }
  void TearDown() override {
    for (CarSlotAssets& s : CarSlots) s = CarSlotAssets();
    for (MilkshapeModel*& m : CarPartModels) m = nullptr;
    for (int& lod : RenderSnapshot.levelOfDetail) lod = -1;
    PassControl = PassControlState();
    gltest::BindWindowFramebuffer();
  }

  // Every slot's points model: group 2 with that many beacons (-1: no group 2).
  void UsePoints(int beacons) {
    const float wheel[3] = {2.0f, 0.0f, 1.0f};
    const float exhaust[3] = {-3.0f, 2.5f, 1.0f};
    const float firstBeacon[3] = {-8.0f, 3.0f, 0.0f};
    points_ = MakeModel(rendertest::PointsMesh(wheel, exhaust, beacons, firstBeacon));
    for (int i = 0; i < kRaceCarCount; ++i) {
      CarSlots[i].points = points_.get();
      for (Matrix4& f : RaceCars[i].attachmentFrames) f = Matrix4();
      ReadCarPoints(*points_, &RaceCars[i]);
    }
  }

  // Fragments of one pass (3: the shadow casters), every fragment counted: no depth
  // test, no culling.
  GLuint Samples(int pass) {
    return SamplesPassed([pass] {
      glDisable(GL_DEPTH_TEST);
      glDisable(GL_CULL_FACE);
      if (pass < 3)
        DrawCars(pass);
      else
        DrawCarShadowCasters();
      glEnable(GL_DEPTH_TEST);
    });
  }

  void ShowOnly(int car) {
    for (int i = 0; i < kRaceCarCount; ++i) RenderSnapshot.levelOfDetail[i] = i == car ? 0 : -1;
  }

  std::unique_ptr<gltest::ColourTarget> target_;
  std::unique_ptr<MilkshapeModel> body_, glass_, wheel_, beam_, hub_, points_;
};

TEST_F(RaceRenderCars, AHiddenLorryIsAbsentFromEveryPassAndTheShadowCasters) {
  for (int pass = 0; pass <= 3; ++pass) {
    SCOPED_TRACE("pass " + std::to_string(pass));
    for (int& lod : RenderSnapshot.levelOfDetail) lod = -1;
    EXPECT_EQ(Samples(pass), 0u) << "all four hidden";
    ShowOnly(2);
    const GLuint alone = Samples(pass);
    EXPECT_GT(alone, 0u) << "lorry 2 drawn alone";
    for (int& lod : RenderSnapshot.levelOfDetail) lod = 0;
    const GLuint all = Samples(pass);
    RenderSnapshot.levelOfDetail[2] = -1;
    // The lorries stand apart and nothing is depth-tested: fragments add up.
    EXPECT_EQ(Samples(pass), all - alone) << "the other three without lorry 2";
    // A level outside 0-2 is no level: hidden too.
    RenderSnapshot.levelOfDetail[2] = 3;
    EXPECT_EQ(Samples(pass), all - alone) << "level 3";
  }
}

TEST_F(RaceRenderCars, EachLevelOfDetailDrawsItsOwnModels) {
  ShowOnly(1);
  const GLuint full = Samples(0);
  // Level 2 without a body: the running gear alone.
  for (int i = 0; i < kRaceCarCount; ++i) CarSlots[i].body[2] = nullptr;
  RenderSnapshot.levelOfDetail[1] = 2;
  const GLuint bare = Samples(0);
  EXPECT_GT(bare, 0u);
  EXPECT_LT(bare, full);
  EXPECT_EQ(CurrentCarLod, 2);
}

TEST_F(RaceRenderCars, ShadowCastersStopAtOneHundredAndTwentyUnits) {
  ShowOnly(0);
  RenderCamera.eye = Vector3(0.0f, 0.0f, 119.9f);
  EXPECT_GT(Samples(3), 0u);
  RenderCamera.eye = Vector3(0.0f, 0.0f, 120.0f);
  EXPECT_EQ(Samples(3), 0u) << "exactly 120 casts nothing";
  RenderCamera.eye = Vector3(NAN, 0.0f, 0.0f);
  EXPECT_EQ(Samples(3), 0u) << "a broken camera casts nothing";
}

TEST_F(RaceRenderCars, AxleRollIsLevelWithoutATrackOrANumber) {
  EXPECT_FLOAT_EQ(AxleRollDegrees(1.0f, 0.0f), 0.0f);
  EXPECT_NEAR(AxleRollDegrees(0.5f, 1.0f), 45.0f, 1e-3f);
  EXPECT_NEAR(AxleRollDegrees(0.5f, -1.0f), -45.0f, 1e-3f);
  // No track at all: the length is 0 and asin(0/0) would be a non-number.
  EXPECT_FLOAT_EQ(AxleRollDegrees(0.0f, 0.0f), 0.0f);
  EXPECT_FLOAT_EQ(AxleRollDegrees(0.0f, NAN), 0.0f);
  EXPECT_FLOAT_EQ(AxleRollDegrees(INFINITY, 0.0f), 0.0f);
  EXPECT_FLOAT_EQ(AxleRollDegrees(1.0f, INFINITY), 0.0f);
  // A drop with no track is a full quarter turn, still a number.
  EXPECT_NEAR(AxleRollDegrees(0.0f, 0.5f), 90.0f, 1e-3f);
}

TEST_F(RaceRenderCars, ALorryWithoutATrackStillDrawsItsAxlesWithAFiniteModelview) {
  ShowOnly(0);
  // Only the beams: body, glass, wheels and hubs out of the way.
  for (CarSlotAssets& slot : CarSlots) slot = CarSlotAssets();
  for (int lod = 0; lod < kCarLods; ++lod) CarPartModels[lod * kCarPartsPerLevel + 2] = nullptr;
  for (float& drop : RenderCarRows[0].wheelDrop) drop = 0.3f;
  RaceCars[0].wheelOffset[0] = RaceCars[0].wheelOffset[1] = 2.0f;
  RaceCars[0].wheelOffset[2] = RaceCars[0].wheelOffset[3] = 1.0f;
  for (int pass : {0, 3}) {
    SCOPED_TRACE(pass == 0 ? "first pass" : "shadow casters");
    const std::vector<GLfloat> withTrack = FeedbackVertices(pass);
    ASSERT_EQ(withTrack.size(), 2u * 12u * 3u * 3u) << "two beams of 12 triangles";
    // As a car whose points model has no wheel markers: half track 0, level wheels.
    RaceCars[0].wheelOffset[2] = RaceCars[0].wheelOffset[3] = 0.0f;
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    const std::vector<GLfloat> noTrack = FeedbackVertices(pass);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    ASSERT_EQ(noTrack.size(), withTrack.size());
    // Level beams both times: the track only tilts a beam whose wheels differ.
    for (size_t i = 0; i < noTrack.size(); ++i) {
      ASSERT_TRUE(std::isfinite(noTrack[i])) << "vertex value " << i;
      EXPECT_NEAR(noTrack[i], withTrack[i], 1e-3f) << "vertex value " << i;
    }
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]) << "the car's matrices all popped, element " << i;
    RaceCars[0].wheelOffset[2] = RaceCars[0].wheelOffset[3] = 1.0f;
  }
}

TEST_F(RaceRenderCars, BeaconsComeOnlyFromGroupTwoAndAtMostTen) {
  ShowOnly(0);
  // Unturned flares 3 units apart, 8 pixels to the unit: each covers the same pixels.
  BeaconAngle = 0.0f;
  LookDown(5.5f, 0.0f, 16.0f);
  EXPECT_EQ(BeaconCount(nullptr), 0);
  UsePoints(-1);
  EXPECT_EQ(BeaconCount(points_.get()), 0);
  EXPECT_EQ(Samples(2), 0u) << "a points model without group 2 has no flares";
  UsePoints(0);
  EXPECT_EQ(Samples(2), 0u) << "an empty group 2";
  UsePoints(1);
  const double one = Samples(2);
  ASSERT_GT(one, 0.0);
  UsePoints(3);
  EXPECT_NEAR(Samples(2) / one, 3.0, 0.1);
  UsePoints(12);
  EXPECT_EQ(BeaconCount(points_.get()), kCarAttachmentFrames);
  EXPECT_NEAR(Samples(2) / one, 10.0, 0.1) << "twelve markers, ten frames";
  ShowOnly(-1);
  EXPECT_EQ(Samples(2), 0u) << "a hidden lorry's beacons too";
}

TEST_F(RaceRenderCars, BeaconsTurnByTheRenderedFramesTicks) {
  FrameTiming.SceneClock = 0.0f;
  FrameTiming.FrameTicks = 50.0f;  // the worker's frame: none of the render's business
  FrameTiming.RenderTicks = 0.0f;
  const float start = BeaconAngle;
  Samples(0);
  EXPECT_EQ(BeaconAngle, start);
  FrameTiming.RenderTicks = 2.0f;
  Samples(0);
  // sin(0) + 8 degrees per tick.
  EXPECT_FLOAT_EQ(BeaconAngle, start + 16.0f);
  Samples(1);
  Samples(2);
  EXPECT_FLOAT_EQ(BeaconAngle, start + 16.0f) << "only the first pass turns them";
  FrameTiming.RenderTicks = 0.0f;
}

TEST_F(RaceRenderCars, SkinsStandInForTheDirtSkinsUntilThePainterRestartsThem) {
  const int own = CarColourTextures[1].name, ownNormal = CarNormalTextures[1].name;
  CarDirt[1].resetFlag = 1;
  EXPECT_EQ(CarSkinTexture(1, kColourSkin), own);
  EXPECT_EQ(CarSkinTexture(1, kNormalSkin), ownNormal);
  CarDirt[1].resetFlag = 0;
  ColourSkinIndex[1] = 1;
  NormalSkinIndex[1] = 0;
  const RenderTargets& t = Renderer.targets;
  ASSERT_NE(t.DirtTextures[1][0][1], 0u);
  EXPECT_EQ(CarSkinTexture(1, kColourSkin), static_cast<int>(t.DirtTextures[1][0][1]));
  EXPECT_EQ(CarSkinTexture(1, kNormalSkin), static_cast<int>(t.DirtTextures[1][1][0]));
  ColourSkinIndex[1] = 0;
  EXPECT_EQ(CarSkinTexture(1, kColourSkin), static_cast<int>(t.DirtTextures[1][0][0]));
  EXPECT_EQ(CarSkinTexture(kRaceCarCount, kColourSkin), 0);
  CarDirt[1].resetFlag = 1;
}

TEST_F(RaceRenderCars, EveryPassLeavesTheUnitsProgramsAndSwitchesAsItFoundThem) {
  PassControl = PassControlState();  // the smoke too
  FrameTiming.RenderTicks = 1.0f;
  for (int pass = 0; pass <= 3; ++pass) {
    SCOPED_TRACE("pass " + std::to_string(pass));
    glEnable(GL_CULL_FACE);
    if (pass < 3)
      DrawCars(pass);
    else
      DrawCarShadowCasters();
    EXPECT_EQ(rendertest::LeftoverState(), "");
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
  }
  FrameTiming.RenderTicks = 0.0f;
}

TEST_F(RaceRenderCars, SmokeBlowsBackAlongTheLengthAtMostTwiceAsHard) {
  Matrix4 m;
  m.m[0] = 0.0f, m.m[1] = 0.0f, m.m[2] = 2.0f;  // length axis along +z, not unit
  Vector3 v = SmokeVelocity(m, 0.7f);
  EXPECT_FLOAT_EQ(v.x, 0.0f);
  EXPECT_FLOAT_EQ(v.z, -84.0f);
  v = SmokeVelocity(m, 5.0f);
  EXPECT_FLOAT_EQ(v.z, -240.0f) << "capped at 2";
  m.m[2] = 0.0f;
  v = SmokeVelocity(m, 0.7f);
  EXPECT_EQ(v.x, 0.0f);
  EXPECT_EQ(v.y, 0.0f);
  EXPECT_EQ(v.z, 0.0f) << "no length axis, no smoke velocity";
  m.m[0] = NAN;
  v = SmokeVelocity(m, 0.7f);
  EXPECT_EQ(v.x, 0.0f);
  m.m[0] = 1.0f;
  EXPECT_EQ(SmokeVelocity(m, NAN).x, 0.0f);
}

}  // namespace
