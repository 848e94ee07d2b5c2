// The bench: warm-up frames first (a software driver compiles each shader at its first
// use), then timed frames with the passes timed one by one, medians printed.
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "render/pass_control.h"
#include "tools/race_frame/frame_modes.h"
#include "tools/race_frame/post_dirt_checks.h"
#include "tools/race_frame/race_run.h"

namespace {

constexpr int kWarmUpFrames = 30;
constexpr int kTimedFrames = 200;

double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// The next race frame drawn with the driver idle before and after it: milliseconds.
double DrawTimedFrame() {
  WaitForRaceUpdate();
  glFinish();
  const auto start = std::chrono::steady_clock::now();
  DrawRaceFrame();
  glFinish();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int RunFrameBench(const RaceFrameOptions& options) {
  std::string why;
  if (!OpenRaceRun(options, &why)) {
    std::fprintf(stderr, "race_frame: %s\n", why.c_str());
    CloseRaceRun();
    return 1;
  }
  for (int f = 0; f < kWarmUpFrames; ++f) {
    WaitForRaceUpdate();
    DrawRaceFrame();
    ShowRaceFrame();
  }
  const int timed = options.frames > 0 ? options.frames : kTimedFrames;
  // The whole frame is timed on its own: a glFinish after every pass keeps the driver
  // from drawing one pass while the next is sent, which the game never does.
  std::vector<double> frameMs;
  frameMs.reserve(timed);
  for (int f = 0; f < timed; ++f) {
    frameMs.push_back(DrawTimedFrame());
    ShowRaceFrame();
  }
  PassControl.timing = true;
  PassControl.timedCount = 0;
  // Per pass, one figure per frame; a pass a frame leaves out counts 0 there.
  std::vector<std::vector<double>> passMs(kMaxTimedPasses);
  for (auto& v : passMs) v.reserve(timed);
  std::vector<double> timedFrameMs;
  timedFrameMs.reserve(timed);
  for (int f = 0; f < timed; ++f) {
    ResetPassTimes();
    timedFrameMs.push_back(DrawTimedFrame());
    for (int i = 0; i < PassControl.timedCount; ++i) passMs[i].push_back(PassControl.timedMs[i]);
    ShowRaceFrame();
  }
  PassControl.timing = false;
  std::printf("race %d at %dx%d, %d frames after %d warm-up frames (timed passes end with glFinish)\n", options.race,
              options.width, options.height, timed, kWarmUpFrames);
  // The figures mean little without the driver that drew them.
  std::printf("GL %s, %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
              reinterpret_cast<const char*>(glGetString(GL_VERSION)));
  for (int i = 0; i < PassControl.timedCount; ++i) {
    // A pass first seen after frame 0 has fewer figures: the frames before it drew none.
    std::vector<double> v = passMs[i];
    v.insert(v.begin(), timed - v.size(), 0.0);
    std::printf("PASS %-18s %8.2f ms\n", PassControl.timedName[i], Median(v));
  }
  std::printf("FRAME %.2f ms (%.2f with every pass timed)\n", Median(frameMs), Median(timedFrameMs));
  std::printf("LOAD race_%d %.0f ms\n", options.race, RaceLoadMilliseconds());
  BenchDirtSteps();
  CloseRaceRun();
  return 0;
}
