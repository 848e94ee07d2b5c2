// The start countdown: what shows at each clock value, the clock's step by the
// frame's render ticks (a long frame's step bounded), the race's release past 11 and the rest at
// 0 past 13, the beep stages, and the captions as pixels on the screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frame.h"
#include "race/race_status.h"
#include "render/countdown.h"
#include "tests/render/hud_support.h"

namespace {

using hudtest::HudGlTest;

std::string TextAt(float c) {
  const CountdownCaption caption = CountdownCaptionAt(c);
  return caption.text ? caption.text : "";
}

// One countdown frame at clock c with the given render ticks.
void Frame(float c, float ticks) {
  RaceStatus.CountdownValue.store(c);
  FrameTiming.RenderTicks = ticks;
  hudtest::DrawCountdownFrame();
}

TEST(RaceRenderCountdownCaptions, DigitsThenStartEachInItsOpenWindow) {
  for (float c : {0.0f, 7.0f, 7.5f, 7.999f, 8.0f, 9.0f, 10.0f, 11.0f, 13.0f, 13.5f})
    EXPECT_EQ(TextAt(c), "") << "at " << c;
  EXPECT_EQ(TextAt(8.001f), "3");
  EXPECT_EQ(TextAt(8.999f), "3");
  EXPECT_EQ(TextAt(9.001f), "2");
  EXPECT_EQ(TextAt(9.999f), "2");
  EXPECT_EQ(TextAt(10.001f), "1");
  EXPECT_EQ(TextAt(10.999f), "1");
  EXPECT_EQ(TextAt(11.001f), "START");
  EXPECT_EQ(TextAt(12.999f), "START");
}

TEST(RaceRenderCountdownCaptions, ADigitGrowsAndFadesOverItsSecond) {
  const CountdownCaption start = CountdownCaptionAt(9.0001f);
  EXPECT_NEAR(start.size, 2.0f, 1e-3f);
  EXPECT_NEAR(start.alpha, 2.0f, 1e-3f);
  const CountdownCaption middle = CountdownCaptionAt(9.5f);
  EXPECT_NEAR(middle.size, 4.5f, 1e-5f);
  EXPECT_NEAR(middle.alpha, 1.0f, 1e-5f);
  const CountdownCaption end = CountdownCaptionAt(9.9999f);
  EXPECT_NEAR(end.size, 7.0f, 1e-3f);
  EXPECT_NEAR(end.alpha, 0.0f, 1e-3f);
  EXPECT_EQ(start.stage, 3);
  EXPECT_EQ(CountdownCaptionAt(8.5f).stage, 2);
  EXPECT_EQ(CountdownCaptionAt(10.5f).stage, 4);
}

TEST(RaceRenderCountdownCaptions, StartGrowsAndFadesByTwelveThenStaysInvisible) {
  const CountdownCaption early = CountdownCaptionAt(11.5f);
  EXPECT_NEAR(early.size, 4.0f, 1e-5f);
  EXPECT_NEAR(early.alpha, 1.0f, 1e-5f);
  EXPECT_EQ(early.stage, 5);
  for (float c : {12.0f, 12.5f, 12.99f}) {
    const CountdownCaption late = CountdownCaptionAt(c);
    EXPECT_STREQ(late.text, "START") << c;
    EXPECT_EQ(late.alpha, 0.0f) << c;
    EXPECT_EQ(late.size, 6.5f) << c;
  }
}

using RaceRenderCountdown = HudGlTest;

TEST_F(RaceRenderCountdown, TheClockStepsByRenderTicksAndALongFrameByABoundedStep) {
  RaceStatus.CountdownRunning.store(1);
  FrameTiming.FrameTicks = 3.0f;  // the loader's frame: not the countdown's business
  Frame(7.0f, 5.0f);
  EXPECT_NEAR(RaceStatus.CountdownValue.load(), 7.05f, 1e-5f);
  Frame(8.5f, 9.3f);
  EXPECT_NEAR(RaceStatus.CountdownValue.load(), 8.593f, 1e-5f);
  // A long frame moves the clock by 9.4 ticks at most: no digit is skipped, and the
  // countdown still ends on a machine that never draws a frame shorter than that.
  for (float ticks : {9.4f, 9.5f, 12.5f, 20.0f, 40.0f}) {
    Frame(8.5f, ticks);
    EXPECT_NEAR(RaceStatus.CountdownValue.load(), 8.594f, 1e-5f) << ticks << " ticks";
  }
  FrameTiming.FrameTicks = 0.0f;
  Frame(8.5f, 2.0f);
  EXPECT_NEAR(RaceStatus.CountdownValue.load(), 8.52f, 1e-5f) << "ticks of the frame drawn, not the loader's";
  EXPECT_EQ(RaceStatus.CountdownRunning.load(), 1);
}

TEST_F(RaceRenderCountdown, ReleasedPastElevenAndAtRestPastThirteen) {
  RaceStatus.CountdownRunning.store(1);
  Frame(10.98f, 1.0f);
  EXPECT_EQ(RaceStatus.CountdownRunning.load(), 1) << "10.99 is still the countdown";
  Frame(10.995f, 1.0f);
  EXPECT_EQ(RaceStatus.CountdownRunning.load(), 0) << "11.005 releases the race";
  EXPECT_NEAR(RaceStatus.CountdownValue.load(), 11.005f, 1e-5f);
  Frame(12.98f, 1.0f);
  EXPECT_NEAR(RaceStatus.CountdownValue.load(), 12.99f, 1e-5f);
  Frame(12.995f, 1.0f);
  EXPECT_EQ(RaceStatus.CountdownValue.load(), 0.0f);
  EXPECT_EQ(RaceStatus.CountdownRunning.load(), 0);
}

// A whole countdown at 100 frames a second from the load's 7 s: the captions in order,
// each for about a second, the release as START first shows.
TEST_F(RaceRenderCountdown, ALoadedRaceCountsThreeTwoOneStartAndReleasesOnce) {
  RaceStatus.CountdownRunning.store(1);
  RaceStatus.CountdownValue.store(kCountdownStart);
  FrameTiming.RenderTicks = 1.0f;
  std::vector<std::string> order;
  std::vector<int> frames;
  int releasedAtFrame = -1, startFirstFrame = -1;
  for (int frame = 0; frame < 700 && (RaceStatus.CountdownValue.load() > 0.0f); ++frame) {
    const std::string text = TextAt(RaceStatus.CountdownValue.load());
    if (!text.empty() && (order.empty() || order.back() != text)) {
      order.push_back(text);
      frames.push_back(0);
    }
    if (!text.empty()) ++frames.back();
    if (text == "START" && startFirstFrame < 0) startFirstFrame = frame;
    hudtest::DrawCountdownFrame();
    if (releasedAtFrame < 0 && RaceStatus.CountdownRunning.load() == 0) releasedAtFrame = frame;
  }
  EXPECT_EQ(order, (std::vector<std::string>{"3", "2", "1", "START"}));
  ASSERT_EQ(frames.size(), 4u);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(frames[i], 99, 2) << order[i];
  EXPECT_NEAR(frames[3], 199, 2);
  // Released by the frame whose step passes 11: the one before START shows, or START's
  // own first frame when the clock stood a hair above 11 there.
  EXPECT_GE(releasedAtFrame, startFirstFrame - 1);
  EXPECT_LE(releasedAtFrame, startFirstFrame);
  EXPECT_EQ(RaceStatus.CountdownValue.load(), 0.0f);
  EXPECT_EQ(CountdownBeepStage, 0) << "a race as loaded starts at stage 0: no caption plays the signal";
}

// At 8 frames a second (12.5 ticks a frame, each counted as 9.4): the six seconds from
// the load's 7 to the rest past 13 take 600 / 9.4 = 63.8, so 64 frames, every caption
// shows in turn, and the race is released in frame 43 (400 / 9.4 = 42.6).
TEST_F(RaceRenderCountdown, AtEightFramesASecondItEndsInTheFramesItsDurationAllows) {
  RaceStatus.CountdownRunning.store(1);
  RaceStatus.CountdownValue.store(kCountdownStart);
  FrameTiming.RenderTicks = 12.5f;
  std::vector<std::string> order;
  int frames = 0, releasedAfter = -1;
  while (RaceStatus.CountdownValue.load() > 0.0f && frames < 1000) {
    const std::string text = TextAt(RaceStatus.CountdownValue.load());
    if (!text.empty() && (order.empty() || order.back() != text)) order.push_back(text);
    hudtest::DrawCountdownFrame();
    ++frames;
    if (releasedAfter < 0 && RaceStatus.CountdownRunning.load() == 0) releasedAfter = frames;
  }
  EXPECT_EQ(frames, 64);
  EXPECT_EQ(releasedAfter, 43);
  EXPECT_EQ(order, (std::vector<std::string>{"3", "2", "1", "START"}));
}

TEST_F(RaceRenderCountdown, EachCaptionAdvancesTheBeepStageOnlyFromItsOwn) {
  CountdownBeepStage = 2;
  Frame(8.5f, 0.0f);
  EXPECT_EQ(CountdownBeepStage, 3) << "\"3\" plays once";
  Frame(8.6f, 0.0f);
  EXPECT_EQ(CountdownBeepStage, 3);
  Frame(9.5f, 0.0f);
  EXPECT_EQ(CountdownBeepStage, 4);
  Frame(10.5f, 0.0f);
  EXPECT_EQ(CountdownBeepStage, 5);
  Frame(11.5f, 0.0f);
  EXPECT_EQ(CountdownBeepStage, 6);
  Frame(12.5f, 0.0f);
  EXPECT_EQ(CountdownBeepStage, 6);
  // A caption met at another stage leaves it alone.
  CountdownBeepStage = 4;
  Frame(8.5f, 0.0f);
  EXPECT_EQ(CountdownBeepStage, 4);
  CountdownBeepStage = 0;
  Frame(9.5f, 0.0f);
  EXPECT_EQ(CountdownBeepStage, 0);
}

TEST_F(RaceRenderCountdown, ACaptionShowsAboveTheCentreAndTheWindowEdgesShowNothing) {
  Frame(0.0f, 0.0f);
  RaceStatus.CountdownValue.store(0.0f);
  const hudtest::Image blank = hudtest::DrawCountdownFrame();
  auto shown = [&blank](float c) {
    RaceStatus.CountdownValue.store(c);
    FrameTiming.RenderTicks = 0.0f;
    return hudtest::DifferingPixels(blank, hudtest::DrawCountdownFrame(), 0.0f, 100.0f, 200.0f, 100.0f);
  };
  // "3" at size 4.5: its panel and digit cover thousands of pixels around (0, 100).
  EXPECT_GT(shown(8.5f), 3000);
  EXPECT_GT(shown(11.5f), 3000);
  for (float c : {7.5f, 9.0f, 10.0f, 11.0f, 12.5f}) EXPECT_EQ(shown(c), 0) << "at " << c;
  // The caption leaves nothing below the screen's middle.
  RaceStatus.CountdownValue.store(10.5f);
  EXPECT_EQ(hudtest::DifferingPixels(blank, hudtest::DrawCountdownFrame(), 0.0f, -200.0f, 400.0f, 90.0f), 0);
}

}  // namespace
