// The HUD's cost per frame at 1024 x 768 on the driver at hand, with the time of each
// of its passes. A program of its own that CTest runs alone: beside other GL programs
// a software driver's times mean nothing.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "race/car.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "render/pass_control.h"
#include "render/race_hud.h"
#include "render/track_map.h"
#include "tests/render/hud_support.h"

namespace {

using RaceRenderHudBudget = hudtest::HudGlTest;

// The whole HUD at 1024 x 768 with a race's full path, the countdown showing and all
// four cars on the map: the median of 30 frames, each finished before the next.
TEST_F(RaceRenderHudBudget, AFullFrameAt1024x768) {
  if (!LoadRacePath(1)) GTEST_SKIP() << "base/world/races/1.ai not readable";
  RenderTrackMapTexture();
  const Waypoint& w = WaypointTable[20];
  hudtest::PlaceCar(0, w.x, w.y, w.z, 1.0f, 0.0f, 0.0f);
  for (int car = 1; car < kRaceCarCount; ++car)
    hudtest::PlaceCar(car, w.x + 20.0f * car, w.y, w.z + 5.0f, 1.0f, 0.0f, 0.0f);
  RenderCarRows[0].nextCheckpoint = 100;
  RaceStatus.CountdownRunning.store(1);
  gltest::ColourTarget target(hudtest::kScreenW, hudtest::kScreenH);
  target.Bind();
  std::vector<double> ms;
  for (int frame = 0; frame < 31; ++frame) {
    RaceStatus.CountdownValue.store(8.5f);
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    DrawRaceHud();
    glFinish();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (frame > 0) ms.push_back(took.count());  // the first pays for the driver's warm-up
  }
  std::sort(ms.begin(), ms.end());
  const double median = ms[ms.size() / 2];
  std::printf("HUD frame at 1024x768: median %.2f ms, fastest %.2f ms, slowest %.2f ms\n", median, ms.front(),
              ms.back());
  RecordProperty("median_ms", std::to_string(median));
  // Where the time goes, pass by pass, over ten more frames.
  PassControl.timing = true;
  for (int frame = 0; frame < 10; ++frame) {
    RaceStatus.CountdownValue.store(8.5f);
    DrawRaceHud();
  }
  for (int i = 0; i < PassControl.timedCount; ++i)
    std::printf("  %-10s %.2f ms\n", PassControl.timedName[i], PassControl.timedMs[i] / 10.0);
  PassControl.timing = false;
  // The budget is 8 ms on an idle 8-core llvmpipe. Other work on the machine can double
  // that, so only a frame several times over it fails here. A sanitizer build measures
  // its own checks, not the HUD: it only prints.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  std::printf("sanitizer build: the budget is not checked\n");
#else
  EXPECT_LT(median, 30.0);
#endif
}

}  // namespace
