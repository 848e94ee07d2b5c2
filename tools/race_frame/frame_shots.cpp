// The picture set: what a person sees of the game before playing it. The garage behind
// the main menu as the front end draws it once the intro is passed, race 1's grid with
// the countdown's "3" over it, and race 2 (the only race with water) from above its
// grid toward the nearest lake, the lorries casting shadows. A window, its contexts and
// the loader open once in a process, so each race is a child process of its own; the
// parent opens no window and only waits.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "frontend/screens.h"
#include "race/race_status.h"
#include "tools/race_frame/frame_modes.h"
#include "tools/race_frame/picture_checks.h"
#include "tools/race_frame/png_file.h"
#include "tools/race_frame/race_poses.h"
#include "tools/race_frame/race_run.h"

namespace {

// The main menu fades in over 40 frames at a sixtieth of a second; the rest let the
// lorry's lamps and the camera's sway move on from their first values.
constexpr int kGarageFrames = 120;
// The countdown's clock stands here halfway through the "3": the digit at its middle
// size, opaque. The race is released at 11, some 240 frames in, and the grid is left
// by then.
constexpr float kDigitClock = 8.5f;
constexpr int kMaxGridFrames = 240;
// Frames on race 2's grid before the pose: the cube map's faces (three a frame at
// reflection quality 1) and the water's reflection are all drawn by then.
constexpr int kWaterGridFrames = 30;
// The garage and the grid show the look a graphics card affords: the shipped settings
// are chosen for a machine without one (no shadows, sight 300).
constexpr int kStartShadows = 1;
constexpr int kStartSight = 450;
constexpr int kWaterShadows = 2;
constexpr int kWaterReflections = 1;
// The lake nearest race 2's grid lies some 360 units off: at the two nearer sights it
// is lost in the fog.
constexpr int kWaterSight = 600;
// The check's own bound for a picture that shows anything at all.
constexpr double kMinSpread = 10.0;

std::string g_folder;
bool g_garageWritten = false;

// Written whatever it shows, for a person to look at; a picture of one flat colour (a
// frame the driver never drew) fails the run.
bool Save(const char* name, const Picture& p) {
  const std::string path = g_folder + "/" + name;
  const double spread = LuminanceSpread(p);
  if (!WritePng(path, p)) {
    std::fprintf(stderr, "race_frame: cannot write %s\n", path.c_str());
    return false;
  }
  if (!(spread > kMinSpread)) {
    std::fprintf(stderr, "race_frame: %s is flat (luminance spread %.1f)\n", path.c_str(), spread);
    return false;
  }
  std::printf("%s written\n", path.c_str());
  return true;
}

// The race run's hook once the menu content is in: the intro's way into the main menu,
// the menu's own frames, then the fade and age put back for the loading screen, which
// the race run opens next as it does in every other run.
void GarageFrames() {
  const float fade = ScreenFade, age = ScreenAge;
  TargetScreen.store(kScreenMainMenu);
  CurrentScreen.store(kScreenMainMenu);
  ScreenFade = 0.0f;
  for (int f = 1; f <= kGarageFrames; ++f) {
    DrawRaceFrame();
    if (f == kGarageFrames) g_garageWritten = Save("garage.png", ReadScreen());
    ShowRaceFrame();
  }
  ScreenFade = fade;
  ScreenAge = age;
}

int GarageAndStart(RaceFrameOptions o) {
  o.race = 1;
  o.shadows = kStartShadows;
  o.sight = kStartSight;
  SetBeforeRaceHook(GarageFrames);
  std::string why;
  const bool open = OpenRaceRun(o, &why);
  SetBeforeRaceHook(nullptr);
  if (!open) {
    std::fprintf(stderr, "race_frame: %s\n", why.c_str());
    CloseRaceRun();
    return 1;
  }
  bool taken = false, written = false;
  for (int f = 1; f <= kMaxGridFrames && !taken; ++f) {
    WaitForRaceUpdate();
    // The clock the frame's countdown draws from, before the frame steps it.
    const float clock = RaceStatus.CountdownValue.load();
    DrawRaceFrame();
    if (clock >= kDigitClock - 0.5f * kRaceFrameSeconds) {
      taken = true;
      written = Save("race_start.png", ReadScreen());
    }
    ShowRaceFrame();
  }
  if (!taken) std::fprintf(stderr, "race_frame: race 1's countdown never showed its \"3\"\n");
  CloseRaceRun();
  return g_garageWritten && written ? 0 : 1;
}

int Water(RaceFrameOptions o) {
  o.race = 2;
  o.shadows = kWaterShadows;
  o.reflections = kWaterReflections;
  o.sight = kWaterSight;
  std::string why;
  if (!OpenRaceRun(o, &why)) {
    std::fprintf(stderr, "race_frame: %s\n", why.c_str());
    CloseRaceRun();
    return 1;
  }
  for (int f = 1; f <= kWaterGridFrames; ++f) {
    WaitForRaceUpdate();
    DrawRaceFrame();
    ShowRaceFrame();
  }
  Vector3 eye, target;
  bool written = false;
  if (!GridTowardLakePose(&eye, &target)) {
    std::fprintf(stderr, "race_frame: race 2's world holds no lake\n");
  } else {
    DrawPoseFrame(eye, target);
    written = Save("race_water.png", ReadScreen());
    ShowRaceFrame();
  }
  CloseRaceRun();
  return written ? 0 : 1;
}

// One part of the set in a child; its exit code, or 1 when it could not run or died.
int InChild(int (*part)(RaceFrameOptions), const RaceFrameOptions& o) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    std::fprintf(stderr, "race_frame: cannot start a child run\n");
    return 1;
  }
  if (child == 0) {
    const int code = part(o);
    std::fflush(nullptr);
    _exit(code);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return 1;
  return WEXITSTATUS(status);
}

}  // namespace

int RunShotSet(const RaceFrameOptions& options) {
  g_folder = options.shots;
  if (mkdir(g_folder.c_str(), 0755) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "race_frame: cannot make %s\n", g_folder.c_str());
    return 1;
  }
  const int start = InChild(GarageAndStart, options);
  const int water = InChild(Water, options);
  return start != 0 || water != 0 ? 1 : 0;
}
