// key_player: plays the running game at its keyboard. It follows the game's output
// (started with KELVAMOR_TEST_POSE=1), sees the player's lorry in each "pose" line,
// decides as the race tools' keyboard driver does (every 0.1 s, acted 0.15 s later, on
// the path of the race it reads) and holds the arrow keys down and up through xdotool,
// so the keys reach the game the way a person's do: through the X server, the
// platform's key states and the bindings. Like a player it goes by the newest picture,
// by the game's frame time as it is lately, and by the lag it sees between a press and
// the wheel. It stops a few seconds after the finish, or when the game's output stops,
// then races the autopilot on the same race, lorry and the race's frame time without a
// window (the mark a keyboard race's best lap is judged by, as race_sim --keyboard
// judges it), and prints one line of what it saw.
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

// More lag than this is no race at the keys: the driver's pending presses stop there.
constexpr float kMostLag = 1.0f;

// How many frames after a press of Left or Right the race takes it up, read from the
// wheel in the pose lines: the first frame whose wheel turns the pressed way. Only a
// press from a wheel standing or turning the other way is timed, and none at full lock,
// where the wheel cannot show it.
class LagGauge {
 public:
  // Each pose line read, the n-th.
  void Pose(int n, float steer) {
    const float turn = steer - lastSteer_;
    if (way_ != 0 && way_ * turn > kTurning) {
      Add(static_cast<float>(n - sentAfter_ - 1));
      way_ = 0;
    } else if (way_ != 0 && n - sentAfter_ > kGiveUpFrames) {
      way_ = 0;
    }
    lastSteer_ = steer, lastTurn_ = turn;
  }
  // The keys changed from `was` to `now` (Up, Down, Left, Right) after the n-th pose.
  void Sent(int n, const bool was[4], const bool now[4]) {
    if ((way_ > 0 && !now[2]) || (way_ < 0 && !now[3])) way_ = 0;  // let go before taken up
    const int way = now[2] && !was[2] && !now[3] ? 1 : now[3] && !was[3] && !now[2] ? -1 : 0;
    if (way_ == 0 && way != 0 && way * lastTurn_ <= kTurning && way * lastSteer_ < kFullLock)
      way_ = way, sentAfter_ = n;
  }
  // Frames of lag over the last presses timed; 0 before any.
  float Frames() const {
    float sum = 0.0f;
    for (int i = 0; i < count_; ++i) sum += frames_[i];
    return count_ ? sum / static_cast<float>(count_) : 0.0f;
  }
  int Presses() const { return presses_; }
  float AllFrames() const { return presses_ ? allFrames_ / static_cast<float>(presses_) : 0.0f; }

 private:
  static constexpr float kTurning = 1e-4f;
  static constexpr float kFullLock = 0.98f;
  static constexpr int kGiveUpFrames = 12;
  static constexpr int kKept = 8;
  void Add(float f) {
    frames_[next_] = f;
    next_ = (next_ + 1) % kKept;
    if (count_ < kKept) ++count_;
    allFrames_ += f, ++presses_;
  }
  int way_ = 0, sentAfter_ = 0;
  float lastSteer_ = 0.0f, lastTurn_ = 0.0f;
  float frames_[kKept] = {};
  int count_ = 0, next_ = 0, presses_ = 0;
  float allFrames_ = 0.0f;
};

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
  double intervals = 0.0, raceIntervals = 0.0;
  int intervalCount = 0, raceIntervalCount = 0, race = 0, poses = 0, maxRecoveries = 0;
  // Lines read but never driven on: a loaded machine can take longer to start one
  // xdotool than the game takes for a frame, and a player looks at the screen as it
  // is now, never at the frames it missed.
  int passedOver = 0, mostPassedOver = 0, behind = 0;
  bool driving = false, unseen = false;
  // The race takes a key up in a frame of its own, some frames after the press: the
  // driver is told what the wheel shows of that, as a player feels it.
  LagGauge lag;
  double frameNow = 1.0 / 30.0;  // the frame time lately, s
  // The player's clock runs by the game's frames, each as long as they are lately: when
  // a line is read, and how long an xdotool takes, shakes the wall clock by a good part
  // of a frame, and the game shows one picture a frame whenever it is looked at.
  double playerClock = 0.0;
  TestPose pose;
  std::string line;
  char chunk[512];
  while (Now() - started < limit) {
    if (!std::fgets(chunk, sizeof chunk, in)) {
      std::clearerr(in);
      if (unseen) {
        // Everything the game has written is read: the newest pose is the screen now.
        unseen = false;
        passedOver += behind;
        mostPassedOver = std::max(mostPassedOver, behind);
        behind = 0;
        const double now = Now();
        if (pose.finished) {
          std::memset(keys, 0, sizeof keys);
        } else {
          PlayerView view;
          view.position = neV3(pose.x, pose.y, pose.z);
          view.heading = neV3(pose.hx, 0.0f, pose.hz);
          view.velocity = neV3(pose.vx, 0.0f, pose.vz);
          view.speed = pose.speed;
          view.steer = pose.steer;
          view.wheelbase = pose.wheelbase;
          view.countdown = pose.countdown != 0;
          driver.Frame(playerClock, view, keys);
        }
        const bool want[4] = {keys[platform::kVkUp] != 0, keys[platform::kVkDown] != 0,
                              keys[platform::kVkLeft] != 0, keys[platform::kVkRight] != 0};
        if (!SendKeys(sent, want)) return 1;
        lag.Sent(poses, sent, want);
        std::memcpy(sent, want, sizeof sent);
        if (finishedAt >= 0.0 && now - finishedAt > 3.0) break;
        continue;
      }
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
    if (!p.countdown && !p.finished && releasedAt >= 0.0) raceIntervals += now - lastPose, ++raceIntervalCount;
    if (lastPose >= 0.0) frameNow += 0.05 * (now - lastPose - frameNow);
    playerClock += frameNow;
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
    // The frames of a race sharing its machine are not the countdown's: the other
    // programs start and end.
    if (releasedAt >= 0.0) driver.FeelFrame(static_cast<float>(frameNow));
    // Past the line the keys are let go and the lorry rolls where it will: the game may
    // put it back then, and that is not the player's.
    if (!p.finished && p.recoveries > maxRecoveries) maxRecoveries = p.recoveries;
    const int timed = lag.Presses();
    lag.Pose(poses, p.steer);
    if (lag.Presses() != timed) driver.FeelLag(std::min(lag.Frames() * static_cast<float>(frameNow), kMostLag));
    if (p.finished && finishedAt < 0.0) finishedAt = now;
    if (unseen) ++behind;
    pose = p;
    unseen = true;
  }
  const bool none[4] = {};
  SendKeys(sent, none);
  const double frame = raceIntervalCount > 0 ? raceIntervals / raceIntervalCount
                       : intervalCount > 0      ? intervals / intervalCount
                                                : 0.0;
  // The opponents' best lap is a figure only: their law eases off and closes up with
  // the gap to the player. The mark is the autopilot's, at the frame time the game ran
  // the race at.
  float autopilotBest = 0.0f;
  if (race > 0 && frame > 0.0) {
    RaceSessionOptions o;
    o.race = race;
    o.car = pose.car;
    o.frameSeconds = std::min(static_cast<float>(frame), kLongFrameSeconds);
    autopilotBest = RunAutopilotRace(o).bestLap;
  }
  std::printf("key_player race=%d car=%d finished=%d laps=%d best_lap=%.2f autopilot_best_lap=%.2f ai_best_lap=%.2f "
              "recoveries=%d frame_ms=%.1f poses=%d passed_over=%d most_passed_over=%d lag_frames=%.2f lag_presses=%d\n",
              race, pose.car, finishedAt >= 0.0 ? 1 : 0, pose.lap, pose.best, autopilotBest, pose.aiBest,
              maxRecoveries, 1000.0 * frame, poses, passedOver, mostPassedOver, lag.AllFrames(), lag.Presses());
  return finishedAt >= 0.0 ? 0 : 1;
}
