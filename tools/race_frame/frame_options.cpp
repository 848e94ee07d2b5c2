#include "tools/race_frame/frame_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "render/pass_control.h"

namespace {

// The window's side: the settings reader's smallest, and a bound past any screen the
// tool is run on (every screen-size texture is made at it).
constexpr int kMinSide = 200;
constexpr int kMaxSide = 8192;
constexpr int kMaxSamples = 16;

bool ParseInt(const char* text, int* out) {
  if (!text || !*text) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < -1000000 || v > 1000000) return false;
  *out = static_cast<int>(v);
  return true;
}

bool ParseSize(const char* text, int* w, int* h) {
  const char* x = text ? std::strchr(text, 'x') : nullptr;
  if (!x) return false;
  const std::string left(text, x);
  return ParseInt(left.c_str(), w) && ParseInt(x + 1, h);
}

bool Fail(std::string* error, const std::string& why) {
  *error = why;
  return false;
}

}  // namespace

const char* RaceFrameUsage() {
  return "usage: race_frame [--race N] [--size WxH] [--aa N] [--filter N] [--sight 300|450|600]\n"
         "                  [--shadows N] [--reflections N] [--post N] [--frames N]\n"
         "                  [--only LAYER] [--skip PASS]... [--shots DIR] [--check [--garage] | --bench]\n"
         "                  [--unpacked-ground]\n"
         "  --shots DIR alone writes garage.png and race_start.png (race 1, shadow detail 1,\n"
         "  sight 450) and race_water.png (race 2, shadow detail 2, reflections 1, sight 600);\n"
         "  with --frames N, the last frame\n"
         "  --unpacked-ground draws the road and the land from their maps unpacked, as a race\n"
         "  whose maps cannot be packed draws them\n";
}

bool ShotSetRun(const RaceFrameOptions& o) { return !o.shots.empty() && o.frames == 0 && !o.check && !o.bench; }

bool ParseRaceFrameArgs(int argc, const char* const* argv, RaceFrameOptions* o, std::string* error) {
  *o = RaceFrameOptions();
  bool raceGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--check") {
      o->check = true;
      continue;
    }
    if (flag == "--garage") {
      o->garage = true;
      continue;
    }
    if (flag == "--bench") {
      o->bench = true;
      continue;
    }
    if (flag == "--unpacked-ground") {
      o->unpackedGround = true;
      continue;
    }
    if (i + 1 >= argc) return Fail(error, flag + " needs a value");
    const char* value = argv[++i];
    int n = 0;
    auto number = [&](int lo, int hi, int* out) {
      if (!ParseInt(value, &n) || n < lo || n > hi) {
        char why[128];
        std::snprintf(why, sizeof why, "%s takes a number from %d to %d, not '%s'", flag.c_str(), lo, hi, value);
        *error = why;
        return false;
      }
      *out = n;
      return true;
    };
    if (flag == "--race") {
      if (!number(1, 30, &o->race)) return false;
      raceGiven = true;
    } else if (flag == "--size") {
      if (!ParseSize(value, &o->width, &o->height) || o->width < kMinSide || o->width > kMaxSide ||
          o->height < kMinSide || o->height > kMaxSide)
        return Fail(error, "--size takes WIDTHxHEIGHT, each from 200 to 8192, not '" + std::string(value) + "'");
    } else if (flag == "--aa") {
      if (!number(0, kMaxSamples, &o->antiAliasing)) return false;
    } else if (flag == "--filter") {
      if (!number(0, 1, &o->textureFiltering)) return false;
    } else if (flag == "--sight") {
      if (!ParseInt(value, &n) || (n != 300 && n != 450 && n != 600))
        return Fail(error, "--sight takes one of the game's ranges 300, 450 or 600, not '" + std::string(value) + "'");
      o->sight = n;
    } else if (flag == "--shadows") {
      if (!number(0, 3, &o->shadows)) return false;
    } else if (flag == "--reflections") {
      if (!number(0, 2, &o->reflections)) return false;
    } else if (flag == "--post") {
      if (!number(0, 1, &o->postEffect)) return false;
    } else if (flag == "--frames") {
      if (!number(1, 1000000, &o->frames)) return false;
    } else if (flag == "--only") {
      if (!IsWorldLayer(value))
        return Fail(error, "--only takes a world layer's name, not '" + std::string(value) + "'");
      o->only = value;
    } else if (flag == "--skip") {
      if (!IsPassName(value)) return Fail(error, "--skip takes a pass's name, not '" + std::string(value) + "'");
      if (static_cast<int>(o->skip.size()) >= kMaxSkippedPasses)
        return Fail(error, "at most 8 passes can be skipped");
      o->skip.push_back(value);
    } else if (flag == "--shots") {
      if (!*value) return Fail(error, "--shots needs a folder");
      o->shots = value;
    } else {
      return Fail(error, "unknown flag " + flag);
    }
  }
  if (o->check && o->bench) return Fail(error, "--check and --bench are two runs");
  if (o->garage && !o->check) return Fail(error, "--garage is part of --check");
  // The set's pictures are made at settings of their own: a race or shadow setting
  // given here would be silently dropped.
  if (ShotSetRun(*o) && (raceGiven || o->shadows >= 0 || o->reflections >= 0 || o->sight >= 0))
    return Fail(error, "--shots alone chooses the races, shadows, reflections and sight; add --frames N for one race");
  return true;
}
