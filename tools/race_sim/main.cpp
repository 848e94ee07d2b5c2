// Runs driving scenarios on a race without a window or sound: one line of figures
// per scenario ending PASS or FAIL. Exit 0 only when every scenario passes, 2 for a
// bad argument. Run from the folder that holds base/.
//
//   race_sim [--race K] [--car M] [--seed S] [--dt SECONDS] [--scenario NAME|all|upright|keys]
//   race_sim [--race K] [--car M] [--seed S] [--dt SECONDS] --autopilot
//   race_sim [--race K] [--car M] [--seed S] [--dt SECONDS] --keyboard
//
// --autopilot races four laps with the player's car driven by the opponents' law and
// checks the race rules on every car every frame. --keyboard races four laps with the
// player's lorry driven on the four arrow keys by a player's eyes and reactions.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/frame.h"
#include "race/world_layers.h"
#include "tools/race_sim/autopilot.h"
#include "tools/race_sim/keyboard_driver.h"
#include "tools/race_sim/scenarios.h"

namespace {

// The slowest steady frame rate the tool races at. Frames over 0.2 s count only at a
// steady rate as slow as theirs, and the tool's frames are steady: at up to 0.3 s
// (3.3 frames a second) the race runs at the world's longest step.
constexpr float kSlowestFrameSeconds = 0.3f;

int Usage() {
  std::fprintf(stderr, "usage: race_sim [--race 1-24] [--car 0-17] [--seed S] [--dt SECONDS] "
                       "[--scenario NAME|all|upright|keys | --autopilot | --keyboard]\nscenarios:");
  for (int i = 0; i < kScenarioCount; ++i) std::fprintf(stderr, " %s", kScenarios[i].name);
  std::fprintf(stderr, "\nupright:");
  for (int i = 0; i < kUprightScenarioCount; ++i) std::fprintf(stderr, " %s", kUprightScenarios[i].name);
  std::fprintf(stderr, "\nkeys:");
  for (int i = 0; i < kKeyScenarioCount; ++i) std::fprintf(stderr, " %s", kKeyScenarios[i].name);
  std::fprintf(stderr, "\n");
  return 2;
}

bool ParseInt(const char* text, long lo, long hi, long* out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  RaceSessionOptions options;
  std::string wanted = "all";
  bool autopilot = false;
  bool keyboard = false;
  KeyboardStyle style;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!std::strcmp(arg, "--autopilot")) {
      autopilot = true;
      continue;
    }
    if (!std::strcmp(arg, "--keyboard")) {
      keyboard = true;
      continue;
    }
    // Measures of how forgiving the lorry is: a player who does not foresee, and one
    // who decides every 0.15 s and acts 0.25 s later.
    if (!std::strcmp(arg, "--keyboard-naive") || !std::strcmp(arg, "--keyboard-slow")) {
      keyboard = true;
      if (arg[11] == 'n') style.foresight = false;
      else style.decisionSeconds = 0.15f, style.reactionSeconds = 0.25f;
      continue;
    }
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    long n = 0;
    if (!value) return Usage();
    if (!std::strcmp(arg, "--race") && ParseInt(value, 1, 30, &n)) {
      // Races 25-30 have paths, but the game starts none of them and keeps whatever
      // world the last race loaded for such a number: here that would be world 0,
      // where most of their paths do not lie.
      if (WorldForRace(static_cast<int>(n), -1) < 0) {
        std::fprintf(stderr, "race_sim: race %ld has no world of its own; the game starts races 1-24\n", n);
        return 2;
      }
      options.race = static_cast<int>(n);
    } else if (!std::strcmp(arg, "--car") && ParseInt(value, 0, 17, &n)) {
      options.car = static_cast<int>(n);
    } else if (!std::strcmp(arg, "--seed") && ParseInt(value, 0, 0xFFFFFFFFL, &n)) {
      options.seed = static_cast<uint32_t>(n);
    } else if (!std::strcmp(arg, "--dt")) {
      char* end = nullptr;
      const float dt = std::strtof(value, &end);
      // A frame over 0.1 s runs the race as a step of 0.1 s, slower than real time.
      if (end == value || *end != '\0' || !(dt > 0.0f && dt <= kSlowestFrameSeconds)) return Usage();
      options.frameSeconds = dt;
    } else if (!std::strcmp(arg, "--scenario")) {
      wanted = value;
    } else {
      return Usage();
    }
    ++i;
  }
  if (autopilot && keyboard) return Usage();
  if (keyboard) {
    const KeyboardRaceResult r = RunKeyboardRace(options, style);
    std::printf("keyboard race=%d car=%d seed=%u dt=%.4f %s %s%s\n", options.race, options.car, options.seed,
                options.frameSeconds, r.figures.c_str(), r.pass ? "PASS" : "FAIL ", r.why.c_str());
    return r.pass ? 0 : 1;
  }
  if (autopilot) {
    const AutopilotResult r = RunAutopilotRace(options);
    std::printf("autopilot race=%d car=%d seed=%u dt=%.4f %s %s\n", options.race, options.car, options.seed,
                options.frameSeconds, r.figures.c_str(), r.pass ? "PASS" : "FAIL");
    return r.pass ? 0 : 1;
  }
  // "all" is the first table, "upright" the second, "keys" the third; a name picks
  // from any.
  struct Table {
    const Scenario* list;
    int count;
    const char* group;
  };
  const Table tables[3] = {{kScenarios, kScenarioCount, "all"},
                           {kUprightScenarios, kUprightScenarioCount, "upright"},
                           {kKeyScenarios, kKeyScenarioCount, "keys"}};
  bool known = false;
  for (const Table& t : tables) {
    known = known || wanted == t.group;
    for (int i = 0; i < t.count; ++i) known = known || wanted == t.list[i].name;
  }
  if (!known) return Usage();

  int failed = 0;
  for (const Table& t : tables) {
    for (int i = 0; i < t.count; ++i) {
      const Scenario& s = t.list[i];
      if (wanted != t.group && wanted != s.name) continue;
      const ScenarioResult r = s.run(options);
      CloseRaceSession();
      std::printf("%-11s race=%d car=%d seed=%u dt=%.4f %s %s\n", s.name, options.race, options.car,
                  options.seed, options.frameSeconds, r.figures.c_str(), r.pass ? "PASS" : "FAIL");
      std::fflush(stdout);
      if (!r.pass) ++failed;
    }
  }
  return failed ? 1 : 0;
}
