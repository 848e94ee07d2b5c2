#include <cstdio>
#include <string>

#include "tools/race_frame/frame_modes.h"
#include "tools/race_frame/race_run.h"

namespace {
constexpr int kPlainFrames = 60;
}  // namespace

std::string PlainShotPath(const std::string& folder, int frames) {
  char name[32];
  std::snprintf(name, sizeof name, "/frame_%04d.png", frames);
  return folder + name;
}

int RunPlainFrames(const RaceFrameOptions& options, const char*) {
  std::string why;
  if (!OpenRaceRun(options, &why)) {
    std::fprintf(stderr, "race_frame: %s\n", why.c_str());
    CloseRaceRun();
    return 1;
  }
  const int frames = options.frames > 0 ? options.frames : kPlainFrames;
  int status = 0;
  for (int f = 1; f <= frames; ++f) {
    WaitForRaceUpdate();
    DrawRaceFrame();
    if (f == frames && !options.shots.empty()) {
      const std::string path = PlainShotPath(options.shots, f);
      if (WritePng(path, ReadScreen())) {
        std::printf("frame %d written to %s\n", f, path.c_str());
      } else {
        std::fprintf(stderr, "race_frame: cannot write %s\n", path.c_str());
        status = 1;
      }
    }
    ShowRaceFrame();
  }
  std::printf("race %d: %d frames at %dx%d\n", options.race, frames, options.width, options.height);
  CloseRaceRun();
  return status;
}
