// key_player: plays the running game at its keyboard. It follows the game's output
// (started with KELVAMOR_TEST_POSE=1), sees the player's lorry in each "pose" line,
// decides as the race tools' keyboard driver does (every 0.1 s, acted 0.15 s later, on
// the path of the race it reads) and holds the arrow keys down and up through xdotool,
// so the keys reach the game the way a person's do: through the X server, the
// platform's key states and the bindings. It stops a few seconds after the finish, or
// when the game's output stops, then races the autopilot on the same race, lorry and
// frame time without a window (the mark a keyboard race's best lap is judged by, as
// race_sim --keyboard judges it), and prints one line of what it saw.
//
//   key_player --follow FILE [--limit SECONDS]
//
// From the build folder (the race paths under base/).
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/frame.h"
#include "app/test_race.h"
#include "platform/vk.h"
#include "race/waypoints.h"
#include "tools/race_sim/autopilot.h"
#include "tools/race_sim/keyboard_driver.h"

extern char** environ;

namespace {

double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// One xdotool for every key that changes, releases first: two keys never change in
// separate processes a frame apart.
bool SendKeys(const bool was[4], const bool now[4]) {
  static const char* const kNames[4] = {"Up", "Down", "Left", "Right"};
  const char* argv[12];
  int n = 0;
  argv[n++] = "xdotool";
  for (int pass = 0; pass < 2; ++pass)
    for (int k = 0; k < 4; ++k)
      if (was[k] != now[k] && now[k] == (pass == 1)) {
        argv[n++] = now[k] ? "keydown" : "keyup";
        argv[n++] = kNames[k];
      }
  if (n == 1) return true;
  argv[n] = nullptr;
  pid_t pid;
  if (posix_spawnp(&pid, "xdotool", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
    std::perror("key_player: xdotool");
    return false;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* follow = nullptr;
  double limit = 1200.0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--follow") == 0) follow = argv[i + 1];
    else if (std::strcmp(argv[i], "--limit") == 0) limit = std::atof(argv[i + 1]);
  }
  if (!follow) {
    std::fprintf(stderr, "usage: key_player --follow FILE [--limit SECONDS]\n");
    return 2;
  }
  FILE* in = std::fopen(follow, "r");
  if (!in) {
    std::fprintf(stderr, "key_player: %s cannot be read: %s\n", follow, std::strerror(errno));
    return 2;
  }
  static KeyboardDriver driver;
  uint8_t keys[256] = {};
  bool sent[4] = {};
  const double started = Now();
  double lastLine = started, releasedAt = -1.0, finishedAt = -1.0, lastPose = -1.0;
  double intervals = 0.0;
  int intervalCount = 0, race = 0, poses = 0, maxRecoveries = 0;
  bool driving = false;
  TestPose pose;
  std::string line;
  char chunk[512];
  while (Now() - started < limit) {
    if (!std::fgets(chunk, sizeof chunk, in)) {
      std::clearerr(in);
      if (Now() - lastLine > 20.0) break;  // the game is gone or stands still
      usleep(2000);
      continue;
    }
    line += chunk;
    if (line.empty() || line.back() != '\n') continue;  // the rest of the line is still coming
    lastLine = Now();
    TestPose p;
    const bool isPose = ParseTestPose(line.c_str(), &p);
    line.clear();
    if (!isPose) continue;
    const double now = Now();
    ++poses;
    if (p.race != race) {
      // A race of its own path: the driver learns it and starts with no key down.
      race = p.race;
      if (!LoadRacePath(race)) {
        std::fprintf(stderr, "key_player: race %d has no readable path under base/\n", race);
        return 1;
      }
      driving = false;
    }
    if (p.countdown && lastPose >= 0.0) intervals += now - lastPose, ++intervalCount;
    lastPose = now;
    if (!driving) {
      // The countdown's frames tell how fast this machine runs the race.
      const float frame = intervalCount > 10 ? static_cast<float>(intervals / intervalCount) : 1.0f / 30.0f;
      driver.Start(frame);
      driving = true;
    }
    if (!p.countdown && releasedAt < 0.0) {
      releasedAt = now;
      const float frame = intervalCount > 0 ? static_cast<float>(intervals / intervalCount) : 1.0f / 30.0f;
      driver.Start(frame);
    }
    // Past the line the keys are let go and the lorry rolls where it will: the game may
    // put it back then, and that is not the player's.
    if (!p.finished && p.recoveries > maxRecoveries) maxRecoveries = p.recoveries;
    pose = p;
    if (p.finished) {
      if (finishedAt < 0.0) finishedAt = now;
      std::memset(keys, 0, sizeof keys);
    } else {
      PlayerView view;
      view.position = neV3(p.x, p.y, p.z);
      view.heading = neV3(p.hx, 0.0f, p.hz);
      view.velocity = neV3(p.vx, 0.0f, p.vz);
      view.speed = p.speed;
      view.steer = p.steer;
      view.wheelbase = p.wheelbase;
      view.countdown = p.countdown != 0;
      driver.Frame(now, view, keys);
    }
    const bool want[4] = {keys[platform::kVkUp] != 0, keys[platform::kVkDown] != 0, keys[platform::kVkLeft] != 0,
                          keys[platform::kVkRight] != 0};
    if (!SendKeys(sent, want)) return 1;
    std::memcpy(sent, want, sizeof sent);
    if (finishedAt >= 0.0 && now - finishedAt > 3.0) break;
  }
  const bool none[4] = {};
  SendKeys(sent, none);
  const double frame = intervalCount > 0 ? intervals / intervalCount : 0.0;
  // The opponents' best lap is a figure only: their law eases off and closes up with
  // the gap to the player. The mark is the autopilot's, at the frame time the game ran.
  float autopilotBest = 0.0f;
  if (race > 0 && frame > 0.0) {
    RaceSessionOptions o;
    o.race = race;
    o.car = pose.car;
    o.frameSeconds = std::min(static_cast<float>(frame), kLongFrameSeconds);
    autopilotBest = RunAutopilotRace(o).bestLap;
  }
  std::printf("key_player race=%d car=%d finished=%d laps=%d best_lap=%.2f autopilot_best_lap=%.2f ai_best_lap=%.2f "
              "recoveries=%d frame_ms=%.1f poses=%d\n",
              race, pose.car, finishedAt >= 0.0 ? 1 : 0, pose.lap, pose.best, autopilotBest, pose.aiBest,
              maxRecoveries, 1000.0 * frame, poses);
  return finishedAt >= 0.0 ? 0 : 1;
}
