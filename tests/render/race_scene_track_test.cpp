// The main race pass on a real loaded race: race 1 from the generated base/, the
// camera behind the grid looking along the road, one whole race frame drawn at
// 1024 x 768 and the frame texture read back. Sky above, road and landscape below; the
// picture is written as a PNG, and the pass is timed.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/frame.h"
#include "app/handshake.h"
#include "app/loader.h"
#include "app/race_cameras.h"
#include "app/race_snapshot.h"
#include "app/race_update.h"
#include "app/settings.h"
#include "frontend/screens.h"
#include "gfx/renderer.h"
#include "race/race_status.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "race/physics_world.h"
#include "race/track_loader.h"
#include "race/world_quadtree.h"
#include "render/camera_state.h"
#include "render/pass_control.h"
#include "render/race_scene.h"
#include "tests/race/handover_answer.h"
#include "tests/render/race_render_support.h"

namespace {

using racerender::Rgb;

constexpr int kW = 1024;
constexpr int kH = 768;
constexpr int kPlayerModel = 5;
constexpr int kTimedFrames = 5;

class RaceRenderTrack : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    if (IsSkipped()) return;
    std::string why;
    if (!racerender::StartRenderer(kW, kH, &why)) GTEST_SKIP() << why;
    if (!LoadRace()) GTEST_SKIP() << "race 1 did not load from base/";
    racerender::PlaceCameraOnTheGrid(static_cast<float>(kW) / kH);
  }

  // Once per program: the menu content, then race 1.
  static bool LoadRace() {
    static int loaded = -1;
    if (loaded < 0) {
      Handshake.AppDone.store(0);
      TargetScreen.store(kScreenMainMenu);
      LoadMenuContent();
      ApplyCarPreset(kPlayerModel);
      LoadCar(0);
      HandoverAnswer answer;
      const int32_t before = RaceStatus.RaceLoadCount.load();
      loaded = LoadWorld(1) ? 1 : 0;
      serialStep_ = RaceStatus.RaceLoadCount.load() - before;
      ViewDistance = 450.0f;  // the default "Sight Range"
    }
    return loaded == 1 && WorldRoot != nullptr;
  }

  // How far one race load moved the load count that starts a race's targets clean.
  static inline int32_t serialStep_ = 0;

  static double CpuMs() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(r.ru_utime) + ms(r.ru_stime);
  }

  static std::vector<uint8_t> Frame() {
    return racerender::ReadRectangle(Renderer.targets.SceneTextures[0], kW, kH);
  }
};

TEST_F(RaceRenderTrack, GridViewShowsSkyAboveRoadAndLandscapeBelow) {
  ASSERT_GT(PublishedResults.mainLeaves.count, 0) << "the grid sees some of the world";
  EXPECT_EQ(serialStep_, 1) << "a race load counts once, so its first frame clears the shadow map";
  // The scene alone: the HUD's edge shades darken the sky's corners by design.
  PassControl = PassControlState();
  const char* const kHud[] = {"hud", "gauges", "minimap", "countdown"};
  for (int i = 0; i < 4; ++i) std::strcpy(PassControl.skip[i], kHud[i]);
  RenderRaceFrame();
  PassControl = PassControlState();
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  const std::vector<uint8_t> px = Frame();
  const std::string png = racerender::SavePng("race_scene_grid", kW, kH, px);
  std::printf("race frame written to %s\n", png.c_str());

  // Top rows: sky, bright and blue.
  for (int x0 = 0; x0 < kW; x0 += kW / 8) {
    const Rgb top = racerender::MeanColour(px, kW, x0, kH - 40, x0 + kW / 8, kH - 8);
    EXPECT_GT(top.Brightness(), 120) << "top band at x " << x0;
    EXPECT_GT(top.b, top.r + 25) << "top band at x " << x0 << ": (" << top.r << ", " << top.g << ", " << top.b << ")";
  }
  // Lower rows: road and landscape, not sky: darker or not blue-dominated.
  for (int x0 = 0; x0 < kW; x0 += kW / 8) {
    const Rgb low = racerender::MeanColour(px, kW, x0, 8, x0 + kW / 8, 120);
    const bool skyLike = low.Brightness() > 120 && low.b > low.r + 25;
    EXPECT_FALSE(skyLike) << "bottom band at x " << x0 << ": (" << low.r << ", " << low.g << ", " << low.b << ")";
    EXPECT_GT(low.Brightness(), 20) << "bottom band at x " << x0 << " is drawn, not black";
  }
  // The road runs ahead of the lorry: the bottom centre is the road's grey, which is
  // neither the landscape's green nor the sky.
  const Rgb road = racerender::MeanColour(px, kW, kW / 2 - 40, 20, kW / 2 + 40, 60);
  EXPECT_LT(std::abs(road.r - road.b), 40) << "(" << road.r << ", " << road.g << ", " << road.b << ")";
}

// The figures a person reads (world layers, sky and composite, the whole frame) and
// the process's CPU time per frame, which a busy machine stretches less than the wall
// clock: the rasteriser's threads share the cores with whatever else runs.
TEST_F(RaceRenderTrack, EveryPassIsTimedUnderItsName) {
  RenderRaceFrame();  // warm-up: programs and textures reach the driver
  PassControl.timing = true;
  PassControl.timedCount = 0;
  ResetPassTimes();
  double wholeMs = 0.0;
  const double cpuBefore = CpuMs();
  for (int i = 0; i < kTimedFrames; ++i) {
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    RenderRaceFrame();
    glFinish();
    wholeMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  const double cpuMs = (CpuMs() - cpuBefore) / kTimedFrames;
  PassControl.timing = false;

  const char* const kWorld[] = {"main_road",         "main_landscape",   "main_map",         "add_map",
                                "main_transparency", "add_transparency", "add_transparency2"};
  double worldMs = 0.0, skyAndCompositeMs = 0.0;
  int worldTimed = 0;
  bool skyTimed = false, compositeTimed = false;
  for (int i = 0; i < PassControl.timedCount; ++i) {
    const double ms = PassControl.timedMs[i] / kTimedFrames;
    const char* name = PassControl.timedName[i];
    std::printf("  %-18s %7.2f ms\n", name, ms);
    for (const char* w : kWorld)
      if (std::strcmp(w, name) == 0) {
        worldMs += ms;
        ++worldTimed;
      }
    skyTimed |= std::strcmp(name, "sky") == 0;
    compositeTimed |= std::strcmp(name, "composite") == 0;
    if (std::strcmp(name, "sky") == 0 || std::strcmp(name, "composite") == 0) skyAndCompositeMs += ms;
  }
  std::printf("world layers %.2f ms, sky and composite %.2f ms, whole race frame %.2f ms, CPU %.1f ms per frame "
              "(%d x %d, %d leaves)\n",
              worldMs, skyAndCompositeMs, wholeMs / kTimedFrames, cpuMs, kW, kH, PublishedResults.mainLeaves.count);
  RecordProperty("world_layers_ms", std::to_string(worldMs));
  RecordProperty("sky_composite_ms", std::to_string(skyAndCompositeMs));
  EXPECT_EQ(worldTimed, 7) << "each world layer under its file name";
  EXPECT_TRUE(skyTimed);
  EXPECT_TRUE(compositeTimed);
  EXPECT_GT(worldMs, 0.0);
}

}  // namespace
