// The front end's cost per frame at 1024 x 768, the buffer swap included: one whole
// UpdateScreens frame of the main menu, the quick race page, the results, the pause,
// the career hub, the car shop, the bracket, the race selection and the controls page,
// each settled, with the shipped settings and the garage and its lorry drawn behind the
// menus (the pause shows the race picture instead), after a few untimed frames. Run
// from build/ (where base/ lies) under a 1024 x 768 X server:
//   xvfb-run -a -s "-screen 0 1024x768x24" bench/frontend_bench
// With --shots DIR it times nothing and writes each screen's picture as DIR/NAME.ppm,
// drawn from the same start each time (camera sway, lamps and beacons included), so
// that two builds' pictures of the lorry in the garage can be compared pixel by pixel.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/career.h"
#include "app/frame.h"
#include "app/game.h"
#include "app/handshake.h"
#include "app/settings.h"
#include "frontend/menu_start.h"
#include "frontend/garage_scene.h"
#include "frontend/screen_machine.h"
#include "frontend/screens.h"
#include "gfx/gl_ext.h"
#include "gfx/virtual_screen.h"
#include "platform/msgbox.h"
#include "platform/window.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "race/scene_content.h"
#include "render/cars_pass.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

bool OpenGame() {
  platform::SetDialogsEnabled(false);
  if (!platform::InitVideo() || !platform::CreateWindow("Kelvamor bench", kWidth, kHeight, false) ||
      !platform::CreateMainContext() || !platform::CreateWorkerContext() || !platform::MakeMainContextCurrent())
    return false;
  platform::SetSwapInterval(0);
  MenuStart start;
  start.width = kWidth;
  start.height = kHeight;
  start.shippedSettings = true;
  start.garage = true;
  std::string why;
  if (!StartMenuRenderer(start, &why)) {
    std::fprintf(stderr, "frontend_bench: %s\n", why.c_str());
    return false;
  }
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  LoadCarSetupFromCareer();
  Handshake.LoaderStage.store(kStageMenuLoaded);
  for (int i = 0; i < kRaceCarCount; ++i) {
    RaceCars[i].progress = 100.0f - 3.0f * static_cast<float>(i);
    RaceCars[i].modelIndex = i;
  }
  return true;
}

// The page of `screen` settled, with its car live and loaded into slot 0 (no car swap
// runs).
void SettleOn(int screen) {
  if (screen == kScreenQuickStart) {
    Career.RaceMode = 3;
    Career.QuickRaceNumber = 1;
    Career.QuickRaceCar = 5;
    ApplyCarPreset(5);
  } else {
    LoadCarSetupFromCareer();
  }
  LoadCar(0);
  // The shop's bar on the car on show: no swap starts during the run.
  SelectedItem = screen == kScreenCarShop ? LiveCarSetup.modelIndex : 0;
  TargetScreen.store(screen);
  CurrentScreen.store(screen);
  ScreenFade = 1.0f;
}

void OneFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  UpdateScreens();
  platform::SwapMainBuffers();
}

// The timed frames apart from the warm-up ones, by name, so that an instruction count
// can take them alone:
//   LP_NUM_THREADS=0 valgrind --tool=callgrind --collect-atstart=no
//     --toggle-collect='*TimedFrame*' bench/frontend_bench --benchmark_min_time=0
//     --benchmark_filter=MainMenu
// (one timed frame; llvmpipe on one thread draws inside the calls that flush).
__attribute__((noinline)) void TimedFrame() { OneFrame(); }

// A software driver compiles each program and state combination at its first draw
// (Mesa keeps them in its shader cache on disk). With a cold cache the first garage
// frame takes seconds; timed with the others it made the first screens read 0.6 and
// 5 fps. The frames before the timing take that cost; the first of them is reported on
// its own ("first_ms"), since a player meets it once after an install or a driver
// update.
constexpr int kWarmUpFrames = 5;

void ScreenFrames(benchmark::State& state, int screen) {
  SettleOn(screen);
  FrameTiming.FrameTicks = 1.0f;
  glFinish();
  const auto start = std::chrono::steady_clock::now();
  OneFrame();
  glFinish();
  // Google Benchmark runs this more than once; the first run's first frame is the one.
  static std::map<int, double> firstFrameMs;
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const double firstMs = firstFrameMs.emplace(screen, ms).first->second;
  for (int i = 1; i < kWarmUpFrames; ++i) OneFrame();
  glFinish();
  for (auto _ : state) TimedFrame();
  glFinish();
  if (CurrentScreen.load() != screen) state.SkipWithError("the screen changed during the run");
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["first_ms"] = firstMs;
}

void BM_MainMenu(benchmark::State& s) { ScreenFrames(s, kScreenMainMenu); }
void BM_CareerHub(benchmark::State& s) { ScreenFrames(s, kScreenCareerHub); }
void BM_CarShop(benchmark::State& s) { ScreenFrames(s, kScreenCarShop); }
void BM_Bracket(benchmark::State& s) { ScreenFrames(s, kScreenChampionship); }
void BM_RaceSelection(benchmark::State& s) { ScreenFrames(s, kScreenSelectRace); }
void BM_Controls(benchmark::State& s) { ScreenFrames(s, kScreenControls); }
void BM_QuickStart(benchmark::State& s) { ScreenFrames(s, kScreenQuickStart); }
void BM_Results(benchmark::State& s) { ScreenFrames(s, kScreenResults); }
void BM_Pause(benchmark::State& s) { ScreenFrames(s, kScreenPause); }

struct ShotScreen {
  const char* name;
  int screen;
};
const ShotScreen kShotScreens[] = {
    {"main_menu", kScreenMainMenu},     {"quick_start", kScreenQuickStart}, {"results", kScreenResults},
    {"pause", kScreenPause},            {"career_hub", kScreenCareerHub},   {"car_shop", kScreenCarShop},
    {"bracket", kScreenChampionship},   {"race_selection", kScreenSelectRace}, {"controls", kScreenControls},
};

bool WriteShot(const std::string& path) {
  std::vector<unsigned char> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "frontend_bench: cannot write %s\n", path.c_str());
    return false;
  }
  std::fprintf(f, "P6\n%d %d\n255\n", kWidth, kHeight);
  // Rows from the top, as the picture is seen.
  bool ok = true;
  for (int y = kHeight - 1; y >= 0 && ok; --y)
    ok = std::fwrite(&rgb[static_cast<size_t>(y) * kWidth * 3], 1, static_cast<size_t>(kWidth) * 3, f) ==
         static_cast<size_t>(kWidth) * 3;
  ok = std::fclose(f) == 0 && ok;
  if (!ok) std::fprintf(stderr, "frontend_bench: cannot write %s\n", path.c_str());
  return ok;
}

int WriteShots(const std::string& dir) {
  int failures = 0;
  for (const ShotScreen& s : kShotScreens) {
    SettleOn(s.screen);
    FrameTiming.FrameTicks = 1.0f;
    FrameTiming.SceneClock = 0.0f;
    GarageIdlePhase = 0.0f;
    GarageLampPhase = 1.0f;  // a lamp lit
    BeaconAngle = 0.0f;
    for (int i = 1; i < kWarmUpFrames; ++i) OneFrame();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    UpdateScreens();
    glFinish();
    if (!WriteShot(dir + "/" + s.name + ".ppm")) ++failures;
    platform::SwapMainBuffers();
  }
  return failures == 0 ? 0 : 1;
}

BENCHMARK(BM_MainMenu)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QuickStart)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Results)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Pause)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CareerHub)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CarShop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Bracket)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RaceSelection)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Controls)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  std::string shots;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--shots") == 0) shots = argv[i + 1];
  if (shots.empty()) benchmark::Initialize(&argc, argv);
  if (!OpenGame()) {
    std::fprintf(stderr, "frontend_bench: no 1024 x 768 GL window with base/ (run from build/ under xvfb-run)\n");
    return 1;
  }
  if (!shots.empty()) return WriteShots(shots);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
