// The test-race switch: read once from the environment, it fixes the race frame's time
// and shortens the race to one lap; the menus keep their measured frames.
#include <gtest/gtest.h>

#include <cstdlib>

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
    SetTestRace(false);
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
