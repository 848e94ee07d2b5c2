// The test switches: read once from the environment, the race switch fixes the race
// frame's time and shortens the race to one lap (the menus keep their measured frames);
// the pose switch prints the player's lorry each race update for a script at the keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/controls.h"
#include "app/frame.h"
#include "app/test_race.h"
#include "platform/timer.h"
#include "race/car.h"
#include "race/race_status.h"

namespace {

class TestRaceSwitch : public ::testing::Test {
 protected:
  void TearDown() override {
    unsetenv("KELVAMOR_TEST_RACE");
    unsetenv("KELVAMOR_TEST_POSE");
    SetTestRace(false);
    SetTestPose(false);
    RaceStatus.RaceLaps = kRaceLaps;
  }
};

TEST_F(TestRaceSwitch, OnlyTheValueOneTurnsItOn) {
  unsetenv("KELVAMOR_TEST_RACE");
  EXPECT_FALSE(ReadTestRaceSwitch());
  EXPECT_EQ(FixedRaceFrameSeconds, 0.0f);
  for (const char* off : {"", "0", "yes", "11"}) {
    setenv("KELVAMOR_TEST_RACE", off, 1);
    EXPECT_FALSE(ReadTestRaceSwitch()) << "'" << off << "'";
  }
  setenv("KELVAMOR_TEST_RACE", "1", 1);
  EXPECT_TRUE(ReadTestRaceSwitch());
  EXPECT_TRUE(TestRaceOn());
  EXPECT_FLOAT_EQ(FixedRaceFrameSeconds, 1.0f / 30.0f);
}

TEST_F(TestRaceSwitch, RaceFramesCountTheFixedTimeWhateverTheyTookMenuFramesTheirOwn) {
  SetTestRace(true);
  MeasureFrame();
  platform::SleepMs(250);  // a frame long enough to count for nothing when measured
  MeasureRaceFrame();
  EXPECT_NEAR(FrameTiming.FrameTicks, 100.0f / 30.0f, 1e-4f);
  EXPECT_NEAR(FrameTiming.PhysicsDt, 1.0f / 30.0f, 1e-6f);
  EXPECT_NEAR(FrameTiming.FrameDt, 1.0f / 30.0f, 1e-6f);

  platform::SleepMs(250);
  MeasureFrame();
  EXPECT_EQ(FrameTiming.FrameTicks, 0.0f) << "a menu frame over 0.2 s still advances nothing";

  SetTestRace(false);
  platform::SleepMs(250);
  MeasureRaceFrame();
  EXPECT_EQ(FrameTiming.FrameTicks, 0.0f) << "without the switch a race frame is measured";
}

TEST_F(TestRaceSwitch, EveryRaceUpdateIsOneLapAndWithoutABodyTheControlsStay) {
  RaceStatus.RaceLaps = kRaceLaps;
  RaceControls.steer = 0.25f;
  RaceControls.accelerator = 0.5f;
  ApplyTestRace(3.3f);
  EXPECT_EQ(RaceStatus.RaceLaps, kRaceLaps) << "switch off: the race keeps its laps";

  SetTestRace(true);
  ASSERT_EQ(RaceCars[0].body, nullptr);
  ApplyTestRace(3.3f);
  EXPECT_EQ(RaceStatus.RaceLaps, 1);
  EXPECT_EQ(RaceControls.steer, 0.25f) << "no lorry to drive: the player's controls stand";
  EXPECT_EQ(RaceControls.accelerator, 0.5f);
  // The HUD reads the count on the main thread while the updates run: the hook writes
  // it in a race's first update only, not in every one.
  RaceStatus.RaceLaps = 7;
  ApplyTestRace(3.3f);
  EXPECT_EQ(RaceStatus.RaceLaps, 7) << "the same race load: the count is not written again";
  ResetRaceStatus();  // a new load resets it
  RaceStatus.RaceLoadCount.fetch_add(1);
  ApplyTestRace(3.3f);
  EXPECT_EQ(RaceStatus.RaceLaps, 1);
}

}  // namespace

// The pose line is what a script steering the game at its keys reads: what the game
// writes, the reader gets back whole, and a cut or foreign line is no pose.
TEST_F(TestRaceSwitch, ThePoseLineReadsBackAsWrittenAndACutLineIsNoPose) {
  TestPose p;
  p.race = 17, p.car = 12, p.countdown = 0, p.finished = 1;
  p.x = -529.193f, p.y = 9.034f, p.z = -63.204f;
  p.hx = -0.179f, p.hz = 0.9839f, p.vx = -6.189f, p.vz = 30.385f;
  p.speed = 31.011f, p.steer = -0.5865f, p.wheelbase = 5.3f;
  p.lap = 4, p.best = 56.66f, p.aiBest = 64.64f, p.recoveries = 2;
  char line[512];
  const int n = FormatTestPose(p, line, sizeof line);
  ASSERT_GT(n, 0);
  ASSERT_LT(n, static_cast<int>(sizeof line));
  EXPECT_EQ(line[n - 1], '\n') << "one line a pose";
  TestPose q;
  ASSERT_TRUE(ParseTestPose(line, &q)) << line;
  EXPECT_EQ(q.race, 17);
  EXPECT_EQ(q.car, 12);
  EXPECT_EQ(q.finished, 1);
  EXPECT_EQ(q.lap, 4);
  EXPECT_EQ(q.recoveries, 2);
  EXPECT_NEAR(q.x, p.x, 1e-3f);
  EXPECT_NEAR(q.hz, p.hz, 1e-4f);
  EXPECT_NEAR(q.steer, p.steer, 1e-4f);
  EXPECT_NEAR(q.aiBest, p.aiBest, 1e-2f);

  // Cut anywhere before its last field, the line is not taken (the reader then waits
  // for the rest), and the game's other lines are never poses.
  const std::string whole(line);
  const size_t last = whole.rfind('=');
  for (size_t cut : {size_t{5}, whole.size() / 2, last}) {
    TestPose r = q;
    EXPECT_FALSE(ParseTestPose(whole.substr(0, cut).c_str(), &r)) << whole.substr(0, cut);
    EXPECT_EQ(r.race, q.race) << "a refused line leaves the pose as it was";
  }
  EXPECT_FALSE(ParseTestPose("screen 0", &q));
}

// Without the switch no race update prints; with it, one whole line each.
TEST_F(TestRaceSwitch, OnlyThePoseSwitchPrintsAndThenEveryUpdateOneLine) {
  unsetenv("KELVAMOR_TEST_POSE");
  ReadTestRaceSwitch();
  testing::internal::CaptureStdout();
  PrintTestPose();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  setenv("KELVAMOR_TEST_POSE", "1", 1);
  ReadTestRaceSwitch();
  EXPECT_FALSE(TestRaceOn()) << "the pose switch alone leaves the race to the player";
  testing::internal::CaptureStdout();
  PrintTestPose();
  PrintTestPose();
  const std::string out = testing::internal::GetCapturedStdout();
  TestPose p;
  ASSERT_TRUE(ParseTestPose(out.c_str(), &p)) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2);
}
