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

// The next race frame drawn with the driver idle before and after it: wall-clock
// milliseconds, and the drawing thread's processor milliseconds in *cpuMs.
double DrawTimedFrame(double* cpuMs) {
  WaitForRaceUpdate();
  glFinish();
  const double cpuStart = ThreadCpuMilliseconds();
  const auto start = std::chrono::steady_clock::now();
  DrawRaceFrame();
  glFinish();
  *cpuMs = ThreadCpuMilliseconds() - cpuStart;
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
  // The race's first frame alone: whatever the load left to the frame is paid here.
  double firstCpuMs = 0.0;
  const double firstMs = DrawTimedFrame(&firstCpuMs);
  ShowRaceFrame();
  for (int f = 1; f < kWarmUpFrames; ++f) {
    WaitForRaceUpdate();
    DrawRaceFrame();
    ShowRaceFrame();
  }
  const int timed = options.frames > 0 ? options.frames : kTimedFrames;
  // The whole frame is timed on its own: a glFinish after every pass keeps the driver
  // from drawing one pass while the next is sent, which the game never does.
  std::vector<double> frameMs, frameCpuMs;
  frameMs.reserve(timed);
  frameCpuMs.reserve(timed);
  for (int f = 0; f < timed; ++f) {
    double cpuMs = 0.0;
    frameMs.push_back(DrawTimedFrame(&cpuMs));
    frameCpuMs.push_back(cpuMs);
    ShowRaceFrame();
  }
  PassControl.timing = true;
  PassControl.timedCount = 0;
  // Per pass, one figure per frame; a pass a frame leaves out counts 0 there.
  std::vector<std::vector<double>> passMs(kMaxTimedPasses), passCpuMs(kMaxTimedPasses);
  for (auto& v : passMs) v.reserve(timed);
  for (auto& v : passCpuMs) v.reserve(timed);
  std::vector<double> timedFrameMs;
  timedFrameMs.reserve(timed);
  for (int f = 0; f < timed; ++f) {
    ResetPassTimes();
    double cpuMs = 0.0;
    timedFrameMs.push_back(DrawTimedFrame(&cpuMs));
    for (int i = 0; i < PassControl.timedCount; ++i) {
      passMs[i].push_back(PassControl.timedMs[i]);
      passCpuMs[i].push_back(PassControl.timedCpuMs[i]);
    }
    ShowRaceFrame();
  }
  PassControl.timing = false;
  std::printf("race %d at %dx%d, %d frames after %d warm-up frames (timed passes end with glFinish)\n", options.race,
              options.width, options.height, timed, kWarmUpFrames);
  // The figures mean little without the driver that drew them.
  std::printf("GL %s, %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
              reinterpret_cast<const char*>(glGetString(GL_VERSION)));
  // The second column is the drawing thread's processor time: with LP_NUM_THREADS=0 the
  // rasteriser draws on that thread, and the figure is the pass's whole cost.
  for (int i = 0; i < PassControl.timedCount; ++i) {
    // A pass first seen after frame 0 has fewer figures: the frames before it drew none.
    std::vector<double> v = passMs[i], c = passCpuMs[i];
    v.insert(v.begin(), timed - v.size(), 0.0);
    c.insert(c.begin(), timed - c.size(), 0.0);
    std::printf("PASS %-18s %8.2f ms %8.2f ms on the drawing thread\n", PassControl.timedName[i], Median(v),
                Median(c));
  }
  std::printf("FRAME %.2f ms (%.2f with every pass timed; %.2f ms on the drawing thread)\n", Median(frameMs),
              Median(timedFrameMs), Median(frameCpuMs));
  std::printf("LOAD race_%d %.0f ms\n", options.race, RaceLoadMilliseconds());
  std::printf("FIRST frame %.2f ms (%.2f ms on the drawing thread)\n", firstMs, firstCpuMs);
  BenchDirtSteps();
  CloseRaceRun();
  return 0;
}
