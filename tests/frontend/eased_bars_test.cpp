// The rating and points bars: the glide's rate, their floors and ceilings, which of
// them waits for the fade, and how much of the bar each value fills on screen.
#include <gtest/gtest.h>

#include <cmath>

#include "app/frame.h"
#include "frontend/screens.h"
#include "frontend/widgets.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;

using EasedBarsGlide = FrontendGlTest;

TEST_F(EasedBarsGlide, OneTickCoversThreeAndAHalfPercentOfTheGap) {
  ShownPoints = 0.0f;
  DrawPointsBar(1.0f);
  EXPECT_NEAR(ShownPoints, 0.035f, 1e-6f);
  ShownRating[0] = 0.5f;
  DrawRatingBar(1.0f, 0);
  EXPECT_NEAR(ShownRating[0], 0.5175f, 1e-6f);
  ShownRating[1] = 1.0f;
  FrameTiming.FrameTicks = 10.0f;
  DrawRatingBar(0.6f, 1);
  EXPECT_NEAR(ShownRating[1], 0.86f, 1e-6f);
}

TEST_F(EasedBarsGlide, ARatingBelowTheFloorShowsAsHalfAndAboveOneAsOne) {
  ShownRating[2] = 0.7f;
  FrameTiming.FrameTicks = 20.0f;
  for (int frame = 0; frame < 50; ++frame) DrawRatingBar(0.3f, 2);
  EXPECT_EQ(ShownRating[2], 0.5f);
  for (int frame = 0; frame < 50; ++frame) DrawRatingBar(1.4f, 2);
  EXPECT_EQ(ShownRating[2], 1.0f);
  ShownPoints = 0.5f;
  for (int frame = 0; frame < 50; ++frame) DrawPointsBar(-2.0f);
  EXPECT_EQ(ShownPoints, 0.0f);
}

TEST_F(EasedBarsGlide, DuringAFadeTheRatingsHoldAndThePointsKeepGliding) {
  SetFade(0.5f);
  ShownRating[0] = 0.6f;
  ShownPoints = 0.2f;
  DrawRatingBar(1.0f, 0);
  DrawPointsBar(1.0f);
  EXPECT_EQ(ShownRating[0], 0.6f);
  EXPECT_GT(ShownPoints, 0.2f);
  // Once the screen is leaving, the points hold too.
  TargetScreen.store(kScreenOptions);
  const float held = ShownPoints;
  DrawPointsBar(1.0f);
  EXPECT_EQ(ShownPoints, held);
  // Outside the fade gate a rating still keeps to its floor.
  ShownRating[1] = 0.1f;
  DrawRatingBar(0.8f, 1);
  EXPECT_EQ(ShownRating[1], 0.5f);
}

TEST_F(EasedBarsGlide, ALongFrameLandsOnTheTargetAndABadTargetOrIndexChangesNothing) {
  ShownPoints = 0.0f;
  FrameTiming.FrameTicks = 40.0f;  // more than the gap per tick allows
  DrawPointsBar(0.5f);
  EXPECT_NEAR(ShownPoints, 0.5f, 1e-6f);
  DrawPointsBar(std::nanf(""));
  EXPECT_NEAR(ShownPoints, 0.5f, 1e-6f);
  const float before[3] = {ShownRating[0], ShownRating[1], ShownRating[2]};
  DrawRatingBar(1.0f, 3);
  DrawRatingBar(1.0f, -1);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(ShownRating[k], before[k]);
}

using EasedBarsDrawing = FrontendGlTest;

int WhiteInRow(const Picture& p, int y) {
  int n = 0;
  for (int x = -10; x <= 200; ++x) {
    const uint8_t* px = p.At(x, y);
    if (px[0] > 240 && px[1] > 240 && px[2] > 240) ++n;
  }
  return n;
}

int GreenInRow(const Picture& p, int y) {
  int n = 0;
  for (int x = -10; x <= 200; ++x) {
    const uint8_t* px = p.At(x, y);
    if (px[1] > px[0] + 40 && px[1] > px[2] + 40) ++n;
  }
  return n;
}

void RatingAtFloor() {
  ShownRating[0] = 0.5f;
  FrameTiming.FrameTicks = 0.0f;
  DrawRatingBar(0.5f, 0);
}

void RatingFull() {
  ShownRating[0] = 1.0f;
  FrameTiming.FrameTicks = 0.0f;
  DrawRatingBar(1.0f, 0);
}

void PointsQuarter() {
  ShownPoints = 0.25f;
  FrameTiming.FrameTicks = 0.0f;
  DrawPointsBar(0.25f);
}

TEST_F(EasedBarsDrawing, TheFloorFillsTwentySevenUnitsAndAFullRatingTheWholeBar) {
  const Picture floor = DrawPicture(RatingAtFloor);
  EXPECT_NEAR(WhiteInRow(floor, 1), 162 - 27, 2);
  EXPECT_EQ(WhiteInRow(floor, 10), 0) << "the bar is 9 units high";
  const Picture full = DrawPicture(RatingFull);
  EXPECT_LE(WhiteInRow(full, 1), 1);
  EXPECT_NEAR(GreenInRow(full, 1), 162, 2);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(EasedBarsDrawing, ThePointsBarFillsItsShareAboveTheRatings) {
  const Picture p = DrawPicture(PointsQuarter);
  EXPECT_NEAR(GreenInRow(p, 13), 40, 2);
  EXPECT_NEAR(WhiteInRow(p, 13), 162 - 40, 2);
  EXPECT_EQ(WhiteInRow(p, 3), 0);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
