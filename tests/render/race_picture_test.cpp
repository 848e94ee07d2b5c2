// The four lorries of a real race on the start grid, drawn by the three car passes
// from a camera behind them into a 1024 x 768 target, as the race frame draws them:
// a picture for a person to look at (KELVAMOR_RENDER_SHOTS names a folder to keep it
// in) and the passes' times. The race is loaded as the loader thread loads it, with a
// helper thread answering the world hand-over as the main thread would.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/frame.h"
#include "app/handshake.h"
#include "app/loader.h"
#include "app/race_snapshot.h"
#include "app/race_cameras.h"
#include "app/race_update.h"
#include "app/settings.h"
#include "frontend/screens.h"
#include "gfx/gl_ext.h"
#include "gfx/lights.h"
#include "gfx/renderer.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "race/city_objects.h"
#include "race/physics_world.h"
#include "race/track_loader.h"
#include "render/camera_state.h"
#include "render/cars_pass.h"
#include "render/pass_control.h"
#include "render/shadow_view.h"
#include "tests/race/handover_answer.h"
#include "tests/render/render_gl.h"
#include "tests/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 1024, kHeight = 768;
constexpr int kPlayerModel = 5;
constexpr int kRace = 1;
constexpr int kWarmUpFrames = 3;
constexpr int kTimedFrames = 10;

bool HaveBase() {
  return fs::exists("base/world/0/models/qt.qt") && fs::exists("base/garage/garage.sbm") &&
         fs::exists("base/cars/5/points.sbm");
}

// What RenderRaceFrame copies before it draws.
void TakeFrameForRender() {
  RenderSnapshot = PublishedResults;
  RenderCamera = RenderSnapshot.camera;
  TakeCarRowsForRender();
  TakeCityObjectsForRender();
  FrameTiming.RenderTicks = RenderSnapshot.ticks;
}

Vector3 CarPosition(int car) {
  const float* m = RenderCarRows[car].matrix.m;
  return Vector3(m[12], m[13], m[14]);
}

// The sun's map holds nothing yet in this test: cleared to the far plane, it shadows
// nothing.
void ClearShadowDepth() {
  const RenderTargets& t = Renderer.targets;
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.ShadowFramebuffer);
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D, t.ShadowDepthTexture, 0);
  glDrawBuffer(GL_NONE);
  glReadBuffer(GL_NONE);
  glClear(GL_DEPTH_BUFFER_BIT);
  glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
  glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
}

class RaceRenderRace : public rendertest::RenderGlTest {
 protected:
  void SetUp() override {
    rendertest::RenderGlTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (!HaveBase()) GTEST_SKIP() << "base/ not generated in the working folder (build the base target)";
    Handshake.AppDone.store(0);
    Handshake.WorldHandover.store(0);
    TargetScreen.store(kScreenMainMenu);
    Settings = DefaultSettings();
    Settings.sound = 0;
    Settings.music = 0;
    Settings.screenWidth = kWidth;
    Settings.screenHeight = kHeight;
    LoadMenuContent();
    ApplyCarPreset(kPlayerModel);
    LoadCar(0);
    HandoverAnswer answer;
    ASSERT_TRUE(LoadWorld(kRace));
  }
  void TearDown() override {
    if (RaceSimulator) LoadGarage();
    PassControl = PassControlState();
    gltest::BindWindowFramebuffer();
  }
};

TEST_F(RaceRenderRace, FourLorriesOnTheGridWithTheirWheelsUnderThem) {
  for (int i = 0; i < kWarmUpFrames; ++i) UpdateRaceFrame();
  TakeFrameForRender();
  // The countdown's camera may be anywhere on its flyover; this one stands behind the
  // grid, and every lorry is drawn at full detail.
  Vector3 centre;
  for (int i = 0; i < kRaceCarCount; ++i) {
    const Vector3 p = CarPosition(i);
    centre.Set(centre.x + p.x / 4, centre.y + p.y / 4, centre.z + p.z / 4);
    RenderSnapshot.levelOfDetail[i] = 0;
  }
  const float* m = RenderCarRows[0].matrix.m;
  const Vector3 forward(m[0], m[1], m[2]);
  const Vector3 eye(centre.x - 16.0f * forward.x, centre.y + 5.0f, centre.z - 16.0f * forward.z);
  RenderCamera.eye = eye;

  gltest::ColourTarget target(kWidth, kHeight);
  ASSERT_TRUE(target.complete());
  ClearShadowDepth();
  const float sky[4] = {0.45f, 0.6f, 0.8f, 0.0f};
  target.Clear(sky[0], sky[1], sky[2], sky[3]);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60.0, static_cast<double>(kWidth) / kHeight, 0.5, 600.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(eye.x, eye.y, eye.z, centre.x + 4.0f * forward.x, centre.y + 1.0f, centre.z + 4.0f * forward.z, 0, 1, 0);
  CaptureViewMatrices();
  PlaceLights();
  gltest::TakeGlError();

  DrawCars(0);
  DrawCars(1);
  DrawCars(2);
  EXPECT_EQ(rendertest::LeftoverState(), "");
  const std::vector<uint8_t> frame = target.Read();

  // Each lorry's centre, projected, is covered by something drawn.
  GLdouble model[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  for (int i = 0; i < kRaceCarCount; ++i) {
    const Vector3 p = CarPosition(i);
    GLdouble wx, wy, wz;
    ASSERT_TRUE(gluProject(p.x, p.y + 0.8, p.z, model, projection, viewport, &wx, &wy, &wz));
    const int x = static_cast<int>(wx), y = static_cast<int>(wy);
    ASSERT_TRUE(x >= 0 && x < kWidth && y >= 0 && y < kHeight) << "lorry " << i << " in view";
    const uint8_t* px = &frame[(static_cast<size_t>(y) * kWidth + x) * 4];
    EXPECT_GT(px[3], 200) << "lorry " << i << " drawn opaque at its centre";
  }
  int drawn = 0;
  for (size_t i = 3; i < frame.size(); i += 4) drawn += frame[i] > 0 ? 1 : 0;
  EXPECT_GT(drawn, kWidth * kHeight / 50) << "the lorries fill a good part of the frame";

  const char* shots = std::getenv("KELVAMOR_RENDER_SHOTS");
  testscratch::ScratchFolder scratch;
  const std::string folder = shots ? std::string(shots) + "/" : scratch.path();
  EXPECT_TRUE(rendertest::WritePng(folder + "grid_lorries.png", frame, kWidth, kHeight));

  // The player's lorry from its side at wheel height: wheels on their axles, under the
  // body, on the ground line.
  const Vector3 player = CarPosition(0);
  const Vector3 side(-forward.z, 0.0f, forward.x);
  target.Clear(sky[0], sky[1], sky[2], sky[3]);
  glLoadIdentity();
  gluLookAt(player.x + 12.0f * side.x, player.y + 1.0f, player.z + 12.0f * side.z, player.x, player.y + 0.5f, player.z,
            0, 1, 0);
  CaptureViewMatrices();
  RenderCamera.eye = Vector3(player.x + 12.0f * side.x, player.y + 1.0f, player.z + 12.0f * side.z);
  for (int i = 0; i < kRaceCarCount; ++i) RenderSnapshot.levelOfDetail[i] = i == 0 ? 0 : -1;
  DrawCars(0);
  DrawCars(1);
  DrawCars(2);
  EXPECT_TRUE(rendertest::WritePng(folder + "player_side.png", target.Read(), kWidth, kHeight));

  // The passes' times over a few frames at this size from the first chase camera behind
  // the player's lorry, as a race mostly sees them.
  const ChaseCamera& chase = kChaseCameras[0];
  RenderCamera.eye = Vector3(player.x - chase.back * forward.x, player.y + chase.eyeHeight, player.z - chase.back * forward.z);
  glLoadIdentity();
  gluLookAt(RenderCamera.eye.x, RenderCamera.eye.y, RenderCamera.eye.z, player.x + 5.0f * forward.x,
            player.y + chase.targetHeight, player.z + 5.0f * forward.z, 0, 1, 0);
  CaptureViewMatrices();
  // Each lorry at the level of detail the race update gives it from there.
  for (int i = 0; i < kRaceCarCount; ++i)
    RenderSnapshot.levelOfDetail[i] = CarLevelOfDetail(CarPosition(i).Difference(RenderCamera.eye).Length(), true);
  PassControl = PassControlState();
  PassControl.timing = true;
  double total = 0.0;
  for (int f = 0; f < kTimedFrames; ++f) {
    FrameTiming.RenderTicks = 1.6f;
    target.Clear(sky[0], sky[1], sky[2], sky[3]);
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    DrawCars(0);
    DrawCars(1);
    DrawCars(2);
    glFinish();
    total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  std::string times;
  for (int i = 0; i < PassControl.timedCount; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, " %s %.2f", PassControl.timedName[i], PassControl.timedMs[i] / kTimedFrames);
    times += line;
  }
  std::printf("cars passes at %dx%d, levels %d %d %d %d: %.2f ms a frame;%s ms\n", kWidth, kHeight,
              RenderSnapshot.levelOfDetail[0], RenderSnapshot.levelOfDetail[1], RenderSnapshot.levelOfDetail[2],
              RenderSnapshot.levelOfDetail[3], total / kTimedFrames, times.c_str());
  RecordProperty("cars_passes_ms", std::to_string(total / kTimedFrames));
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // Every load and store of ours is instrumented: the time is the sanitizer's, not the
  // passes'. The pictures above were judged all the same.
  GTEST_SKIP() << "frame time not judged under a sanitizer (" << total / kTimedFrames << " ms)";
#endif
  // The target is 10 ms on an idle machine; under a full parallel test run the bound
  // only catches a pass gone badly wrong.
  EXPECT_LT(total / kTimedFrames, 100.0);
}

}  // namespace
