// The keyboard driver keeps to a person's limits however it is asked to drive. Watched
// from outside, on the views of a real race with one frame's view changed at a time:
// the frames whose view moves a key lie no closer than 0.1 s apart (it decides no
// oftener), the first key such a view moves moves no sooner than 0.15 s after it was
// seen, and nothing of the opponents moves a key at all. The watch itself is shown to
// catch a driver that presses at once on every frame's view.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "app/input.h"
#include "gfx/math3d.h"
#include "platform/vk.h"
#include "race/car.h"
#include "race/physics_world.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "tools/race_sim/autopilot.h"
#include "tools/race_sim/keyboard_driver.h"
#include "tools/race_sim/race_session.h"

namespace {

constexpr double kRaceSeconds = 60.0;   // of racing watched, after the start lights
constexpr float kFlashTurn = 1.2f;      // radians a changed view turns the lorry
constexpr double kFollowSeconds = 0.6;  // how long the keys are watched after it
// A person at the keys: decides no oftener than every 0.1 s and acts no sooner than
// 0.15 s after what a decision was made from.
constexpr double kPersonDecides = 0.1;
constexpr double kPersonReacts = 0.15;
constexpr double kClockSlack = 1e-5;

struct Seen {
  double at;
  PlayerView view;
};

// The views the driver saw on the way round race 1 in a lorry of its own at the keys,
// from the load through kRaceSeconds of racing. The session stays open.
std::vector<Seen> RecordRace(float frameSeconds) {
  std::vector<Seen> seen;
  RaceSessionOptions o;
  o.frameSeconds = frameSeconds;
  KeyboardDriver driver;
  if (!StartKeyboardRace(o, KeyboardStyle(), &driver)) return seen;
  const int64_t frames = static_cast<int64_t>((kRaceSeconds + 20.0) / frameSeconds);
  for (int64_t f = 0; f < frames && RaceSession.raceSeconds < kRaceSeconds; ++f) {
    const double now = static_cast<double>(f) * frameSeconds;
    seen.push_back({now, SeePlayerLorry()});
    DriveKeyboardFrame(&driver, now, seen.back().view);
  }
  return seen;
}

uint8_t Arrows(const uint8_t keys[256]) {
  return static_cast<uint8_t>((keys[platform::kVkUp] ? 1 : 0) | (keys[platform::kVkDown] ? 2 : 0) |
                              (keys[platform::kVkLeft] ? 4 : 0) | (keys[platform::kVkRight] ? 8 : 0));
}

PlayerView Turned(PlayerView v, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  v.heading = neV3(c * v.heading.x - s * v.heading.z, 0.0f, s * v.heading.x + c * v.heading.z);
  v.velocity = neV3(c * v.velocity.x - s * v.velocity.z, v.velocity.y, s * v.velocity.x + c * v.velocity.z);
  return v;
}

struct Limits {
  int looked = 0;               // frames whose view moved a key
  double shortestGap = 1e9;     // between two such frames: how often the driver looks
  double earliestAnswer = 1e9;  // from such a frame to the first key its view moved
};

// Runs `driver` over the views as they were, then, for every frame of the race, again
// with that one frame's view turned by kFlashTurn (either way by turns): a frame whose
// view moves a key is one the driver looked at, and the first key it moves is its
// answer to what was seen then.
template <class Driver>
Limits Watch(const Driver& driver, const std::vector<Seen>& seen) {
  std::vector<uint8_t> arrows(seen.size());
  uint8_t keys[256] = {};
  Driver d = driver;
  for (size_t f = 0; f < seen.size(); ++f) {
    d.Frame(seen[f].at, seen[f].view, keys);
    arrows[f] = Arrows(keys);
  }
  Limits l;
  double lastLooked = -1.0;
  d = driver;
  for (size_t from = 0; from < seen.size(); ++from) {
    if (!seen[from].view.countdown) {
      Driver flashed = d;
      uint8_t k[256] = {};
      const float turn = from % 2 ? kFlashTurn : -kFlashTurn;
      for (size_t f = from; f < seen.size() && seen[f].at < seen[from].at + kFollowSeconds; ++f) {
        flashed.Frame(seen[f].at, f == from ? Turned(seen[f].view, turn) : seen[f].view, k);
        if (Arrows(k) == arrows[f]) continue;
        ++l.looked;
        l.earliestAnswer = std::fmin(l.earliestAnswer, seen[f].at - seen[from].at);
        if (lastLooked >= 0.0) l.shortestGap = std::fmin(l.shortestGap, seen[from].at - lastLooked);
        lastLooked = seen[from].at;
        break;
      }
    }
    d.Frame(seen[from].at, seen[from].view, keys);
  }
  return l;
}

// A driver with no person's limits: every frame it looks at the road ahead and at
// once presses the wheel toward where the road asks for it, Up below a steady speed.
struct Twitch {
  void Frame(double, const PlayerView& v, uint8_t keys[256]) {
    int32_t along = 0;
    float best = 1e30f;
    for (int32_t i = 0; i <= WaypointLastIndex; ++i) {
      const Waypoint& w = WaypointTable[i];
      const float d = (w.x - v.position.x) * (w.x - v.position.x) + (w.z - v.position.z) * (w.z - v.position.z);
      if (d < best) best = d, along = i;
    }
    const Waypoint& aim = WaypointTable[(along + 4) % (WaypointLastIndex + 1)];
    neVector3 to = neV3(aim.x - v.position.x, 0.0f, aim.z - v.position.z);
    to.Normalize();
    const float wanted = 2.0f * SignedAngleXZChecked(v.heading, to);
    keys[platform::kVkUp] = v.speed < 15.0f;
    keys[platform::kVkDown] = 0;
    keys[platform::kVkLeft] = v.steer < wanted;
    keys[platform::kVkRight] = v.steer >= wanted;
  }
};

class KeyboardLimits : public ::testing::TestWithParam<float> {
 protected:
  static void TearDownTestSuite() { CloseRaceSession(); }
  // One recording per frame time: the race is the slow part.
  const std::vector<Seen>& Race() {
    static std::vector<Seen> seen[2];
    std::vector<Seen>& mine = seen[GetParam() < 0.02f ? 0 : 1];
    if (mine.empty()) mine = RecordRace(GetParam());
    return mine;
  }
  KeyboardDriver Started(const KeyboardStyle& style) {
    KeyboardDriver d;
    d.Start(GetParam(), style);
    return d;
  }
};

TEST_P(KeyboardLimits, ThePlayerAndOneAskedToBeQuickerKeepToAPersonsLimits) {
  const std::vector<Seen>& seen = Race();
  ASSERT_GT(seen.size(), 100u) << "race 1 did not load from base/";
  KeyboardStyle everyFrame, atOnce, lagged;
  everyFrame.decisionSeconds = GetParam();
  atOnce.reactionSeconds = 0.0f;
  lagged.lagSeconds = 0.3f;  // presses sooner for the lag, but never sooner than a person
  const struct {
    const char* name;
    KeyboardStyle style;
  } drivers[] = {{"the player", KeyboardStyle()},
                 {"deciding every frame", everyFrame},
                 {"acting at once", atOnce},
                 {"feeling a lag", lagged}};
  for (const auto& d : drivers) {
    const Limits l = Watch(Started(d.style), seen);
    EXPECT_GE(l.shortestGap, kPersonDecides - kClockSlack) << d.name;
    EXPECT_GE(l.earliestAnswer, kPersonReacts - kClockSlack) << d.name;
    // The watch saw the driver look: at least once every 0.3 s of the race.
    EXPECT_GE(0.3 * l.looked, kRaceSeconds) << d.name << ": " << l.looked << " looks";
  }
}

TEST_P(KeyboardLimits, TheWatchCatchesADriverThatPressesAtOnceEveryFrame) {
  const std::vector<Seen>& seen = Race();
  ASSERT_GT(seen.size(), 100u);
  const Limits l = Watch(Twitch(), seen);
  EXPECT_LT(l.shortestGap, kPersonDecides - kClockSlack);
  EXPECT_LT(l.earliestAnswer, kPersonReacts - kClockSlack);
}

// The keys over the views with the opponents parked far off the road, and with them
// put on the road just ahead of the player's lorry frame by frame, at its speed and
// ahead of it in the race: the same.
TEST_P(KeyboardLimits, NothingOfTheOpponentsMovesAKey) {
  const std::vector<Seen>& seen = Race();
  ASSERT_GT(seen.size(), 100u);
  std::vector<uint8_t> arrows[2];
  for (int crowded = 0; crowded < 2; ++crowded) {
    KeyboardDriver d = Started(KeyboardStyle());
    uint8_t keys[256] = {};
    for (const Seen& s : seen) {
      const PlayerView& v = s.view;
      for (int i = 1; i < kRaceCarCount; ++i) {
        CSampleCar& car = RaceCars[i];
        const float ahead = crowded ? 6.0f + 4.0f * static_cast<float>(i) : 0.0f;
        const neVector3 at = crowded ? neV3(v.position.x + ahead * v.heading.x, v.position.y,
                                            v.position.z + ahead * v.heading.z)
                                     : neV3(5000.0f * static_cast<float>(i), 0.0f, 5000.0f);
        car.body->SetPosition(at);
        car.body->SetVelocity(crowded ? v.velocity : neV3(0.0f, 0.0f, 0.0f));
        car.heading = v.heading;
        car.velocity = crowded ? v.velocity : neV3(0.0f, 0.0f, 0.0f);
        car.speed = crowded ? v.speed : 0.0f;
        car.progress = crowded ? RaceCars[0].progress + 0.1f * static_cast<float>(i) : 0.0f;
        car.place = crowded ? i : 4;
      }
      d.Frame(s.at, v, keys);
      arrows[crowded].push_back(Arrows(keys));
    }
  }
  size_t differ = 0;
  for (size_t f = 0; f < seen.size(); ++f) differ += arrows[0][f] != arrows[1][f];
  EXPECT_EQ(differ, 0u) << "of " << seen.size() << " frames";
}

// A loaded machine's game at 7.5 frames a second: the race takes a key up two frames
// after the fingers press it. A player who feels that lag laps within the race tools'
// 20 % of the autopilot; one who does not presses too late, weaves and falls far behind.
TEST(KeyboardLag, APlayerWhoFeelsTheRacesLagStillLapsNearTheAutopilot) {
  constexpr int kLagFrames = 2;
  constexpr double kClockLimit = 900.0;
  RaceSessionOptions o;
  o.frameSeconds = 0.133f;
  const float mark = RunAutopilotRace(o).bestLap;  // first, as the race tools race it
  ASSERT_GT(mark, 0.0f) << "race 1 did not load from base/";
  float best[2] = {};
  int laps[2] = {};
  for (int feels = 1; feels >= 0; --feels) {
    KeyboardStyle style;
    style.lagSeconds = feels ? kLagFrames * o.frameSeconds : 0.0f;
    static KeyboardDriver driver;
    ASSERT_TRUE(StartKeyboardRace(o, style, &driver));
    uint8_t pressed[kLagFrames + 1][256] = {};
    for (int64_t f = 0; !RaceStatus.PlayerFinished.load() && RaceSession.raceSeconds < kClockLimit; ++f) {
      driver.Frame(static_cast<double>(f) * o.frameSeconds, SeePlayerLorry(), pressed[f % (kLagFrames + 1)]);
      std::memcpy(Input.KeyStates, pressed[(f + 1) % (kLagFrames + 1)], sizeof Input.KeyStates);
      StepKeyboardFrame();
    }
    best[feels] = ClockSeconds(RaceCars[0].bestLap);
    laps[feels] = RaceCars[0].lap;
    if (feels) {
      EXPECT_EQ(RaceStatus.PlayerRecoveries, 0) << "put back on the road";
    }
    CloseRaceSession();
  }
  EXPECT_EQ(laps[1], kRaceLaps) << "finished";
  EXPECT_LE(best[1], 1.2f * mark) << "against the autopilot's " << mark;
  EXPECT_GT(best[0], 1.2f * mark) << "not feeling the lag, against the autopilot's " << mark;
}

INSTANTIATE_TEST_SUITE_P(FrameTimes, KeyboardLimits, ::testing::Values(1.0f / 60.0f, 1.0f / 15.0f),
                         [](const ::testing::TestParamInfo<float>& i) {
                           return i.param < 0.02f ? std::string("Fps60") : std::string("Fps15");
                         });

}  // namespace
