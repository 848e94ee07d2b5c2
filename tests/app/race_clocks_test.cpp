// The race update's small clocks: the point sound's gain ramp, the camera's speed
// factor and the bonus queue.
#include <gtest/gtest.h>

#include <cmath>

#include "app/frame.h"
#include "app/race_snapshot.h"
#include "app/race_update.h"
#include "race/race_status.h"
#include "frontend/screens.h"
#include "platform/timer.h"
#include "render/camera_state.h"

namespace {

TEST(PointGain, SilentForThreeHundredSeventyFiveTicksThenFullAfterTwoHundredFifty) {
  RaceClocks.pointGainLevel = -1.5f;
  float gain = 0.0f;
  for (int t = 0; t < 374; ++t) gain = RampPointGain(1.0f);
  EXPECT_EQ(gain, 0.0f);
  gain = RampPointGain(126.0f);  // 500 ticks: half way up
  EXPECT_NEAR(gain, 0.5f, 1e-3f);
  gain = RampPointGain(125.0f);
  EXPECT_NEAR(gain, 1.0f, 1e-4f);
  for (int t = 0; t < 100000; ++t) gain = RampPointGain(10.0f);
  EXPECT_EQ(gain, 1.0f);
  EXPECT_TRUE(std::isfinite(RaceClocks.pointGainLevel)) << "the level never runs away";
  EXPECT_EQ(RampPointGain(0.0f), 1.0f) << "a long frame gives 0 ticks: nothing moves";
}

TEST(SpeedFactor, EasesTowardTheTargetByTicksAndNeverPassesOne) {
  // No player car yet: the target is 0, so the factor eases down to it.
  CameraState.speedFactor = 1.0f;
  EaseSpeedFactor(100.0f);
  EXPECT_NEAR(CameraState.speedFactor, 0.5f, 1e-5f);
  EaseSpeedFactor(0.0f);
  EXPECT_NEAR(CameraState.speedFactor, 0.5f, 1e-5f);
  CameraState.speedFactor = 1.5f;
  EaseSpeedFactor(0.0f);
  EXPECT_EQ(CameraState.speedFactor, 1.0f);
  // A long frame's step stops at the target instead of passing it.
  CameraState.speedFactor = 0.02f;
  EaseSpeedFactor(10.0f);
  EXPECT_EQ(CameraState.speedFactor, 0.0f);
}

TEST(BonusQueue, ShownEntryCountsDownThenTheQueueMovesOnAndFreesTheTenthSlot) {
  BonusQueueState& q = BonusQueue;
  q = BonusQueueState{{}, 0.0f, {}, {}, {}, -1, 0.0f};
  for (int i = 0; i < 10; ++i) {
    q.kind[i] = i + 1;
    q.amount[i] = 100.0f * (i + 1);
  }
  q.head = 9;
  q.headTime = 2.0f;
  AdvanceBonusClocks(150.0f);  // 1.5 s
  EXPECT_EQ(q.head, 9);
  EXPECT_NEAR(q.headTime, 0.5f, 1e-5f);
  EXPECT_NEAR(q.cooldown[5], 1.5f, 1e-5f);
  EXPECT_EQ(q.speedClock, 0.0f) << "only while the player is faster than 10";
  AdvanceBonusClocks(100.0f);
  EXPECT_EQ(q.head, 8);
  EXPECT_FLOAT_EQ(q.headTime, 2.0f);
  EXPECT_EQ(q.kind[0], 2);
  EXPECT_EQ(q.kind[8], 10);
  EXPECT_EQ(q.kind[9], 0);
  EXPECT_EQ(q.amount[9], 0.0f);
  EXPECT_EQ(WorkingResults.bonusHeadKind, 2);
  EXPECT_FLOAT_EQ(WorkingResults.bonusHeadTime, 2.0f);
  // With nothing shown the queue stands still.
  q.head = -1;
  q.headTime = 0.25f;
  AdvanceBonusClocks(100.0f);
  EXPECT_EQ(q.head, -1);
  EXPECT_FLOAT_EQ(q.headTime, 0.25f);
}

// A fast machine draws its menus quicker than the millisecond timer counts: those
// frames read 0 s. A hitch after them is still a hitch, and frames of a steady 0.25 s
// count once the smoothed time has followed them past 0.2 s.
TEST(FrameTimer, FramesQuickerThanTheTimerStillTellAHitchFromASlowMachine) {
  FrameTiming.SmoothedDt = 0.0f;
  for (int frame = 0; frame < 1000; ++frame) CountFrame(0.0f);
  CountFrame(0.25f);
  EXPECT_EQ(FrameTiming.FrameTicks, 0.0f);
  EXPECT_EQ(FrameTiming.PhysicsDt, 0.0f);
  int uncounted = 1;
  while (FrameTiming.FrameTicks == 0.0f && uncounted < 100) {
    CountFrame(0.25f);
    if (FrameTiming.FrameTicks == 0.0f) ++uncounted;
  }
  EXPECT_LT(uncounted, 40) << "a steady 0.25 s never counted";
  EXPECT_GT(FrameTiming.FrameTicks, 20.0f);
  EXPECT_LE(FrameTiming.FrameTicks, 25.0f);
}

// The front end's wave runs for as long as the menus are open: its phase is kept within
// one turn, or after days a float phase could no longer advance by one frame's step
// and the wave would stand still.
TEST(FrontEndWave, KeepsMovingHoweverLongTheMenusRun) {
  TargetScreen.store(kScreenMainMenu);
  CurrentScreen.store(kScreenMainMenu);
  FrameTiming.WavePhase = 1.0e8f;  // about 230 days of menus at 5 radians a second
  DrawFrame();
  float last = FrameTiming.WaveSine;
  int moved = 0;
  for (int frame = 0; frame < 5; ++frame) {
    platform::SleepMs(25);
    DrawFrame();
    EXPECT_GE(FrameTiming.WavePhase, 0.0f);
    EXPECT_LT(FrameTiming.WavePhase, 6.2832f);
    EXPECT_FLOAT_EQ(FrameTiming.WaveSine, std::sin(FrameTiming.WavePhase));
    if (FrameTiming.FrameTicks > 0.0f && FrameTiming.WaveSine != last) ++moved;
    last = FrameTiming.WaveSine;
  }
  EXPECT_GE(moved, 3) << "the wave stood still";
}

}  // namespace
