#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/race_frame/frame_modes.h"
#include "tools/race_frame/picture_checks.h"
#include "tools/race_frame/png_file.h"
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

bool RunPlainSecond(const RaceFrameOptions& o, const std::vector<std::string>& extra, int frames,
                    const std::string& folder, Picture* out, std::string* why) {
  std::vector<std::string> args = {"race_frame", "--race", std::to_string(o.race), "--size",
                                   std::to_string(o.width) + "x" + std::to_string(o.height)};
  auto add = [&args](const char* flag, int v) {
    if (v >= 0) args.insert(args.end(), {flag, std::to_string(v)});
  };
  add("--aa", o.antiAliasing);
  add("--filter", o.textureFiltering);
  add("--sight", o.sight);
  add("--shadows", o.shadows);
  add("--reflections", o.reflections);
  add("--post", o.postEffect);
  if (!o.only.empty()) args.insert(args.end(), {"--only", o.only});
  for (const std::string& s : o.skip) args.insert(args.end(), {"--skip", s});
  args.insert(args.end(), extra.begin(), extra.end());
  args.insert(args.end(), {"--frames", std::to_string(frames), "--shots", folder});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  std::fflush(stdout);
  const pid_t child = fork();
  if (child < 0) {
    *why = "cannot start the second run";
    return false;
  }
  if (child == 0) {
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) dup2(quiet, STDOUT_FILENO);
    execv("/proc/self/exe", argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    *why = "the second run failed";
    return false;
  }
  return ReadPng(PlainShotPath(folder, frames), out, why);
}
