// race_frame: the race drawn headless by the game's own path, for a person to look at
// (--shots), to check (--check) or to time (--bench). Runs from build/, where base/ is.
#include <cstdio>
#include <string>

#include "tools/race_frame/frame_modes.h"
#include "tools/race_frame/frame_options.h"

int main(int argc, char** argv) {
  RaceFrameOptions options;
  std::string error;
  if (!ParseRaceFrameArgs(argc, argv, &options, &error)) {
    std::fprintf(stderr, "race_frame: %s\n%s", error.c_str(), RaceFrameUsage());
    return 2;
  }
  if (options.check) return RunFrameCheck(options, argv[0]);
  if (options.bench) return RunFrameBench(options);
  if (ShotSetRun(options)) return RunShotSet(options);
  return RunPlainFrames(options, argv[0]);
}
