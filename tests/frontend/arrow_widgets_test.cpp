// The value arrows (hit box, clicks, one change per press on the selected row only,
// scale), what their presses change on the graphics and audio pages, the item bar's
// end arrows (dimming, kick) and the stamp's two cells over its clock.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "app/controls.h"
#include "app/frame.h"
#include "app/input.h"
#include "app/settings.h"
#include "app/sound.h"
#include "frontend/option_steps.h"
#include "frontend/screens.h"
#include "frontend/widgets.h"
#include "gfx/gl_ext.h"
#include "platform/vk.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;

constexpr int kRight = platform::kVkRight;
constexpr int kLeft = platform::kVkLeft;

// The arrows as the graphics and audio pages draw them: rows at y = 100, 60, ... with
// the left arrow at x = 35 and the right at 186, slots 5/6 for row 0 and so on.
void DrawPageArrows(int rows) {
  for (int r = 0; r < rows; ++r) {
    const float y = 100.0f - 40.0f * r;
    DrawArrowButton(35.0f, y, 5 + 2 * r, 0);
    DrawArrowButton(186.0f, y, 6 + 2 * r, 1);
  }
}

bool ArrowHovers(int x, int y) {
  PointAt(x, y);
  DrawArrowButton(35.0f, 100.0f, 5, 0);
  return WidgetHover[5] != 0;
}

using ArrowWidgetsButton = FrontendGlTest;

TEST_F(ArrowWidgetsButton, TheHitBoxIsOpenOnEverySide) {
  SettleOn(kScreenGraphics);
  EXPECT_FALSE(ArrowHovers(19, 100));
  EXPECT_TRUE(ArrowHovers(20, 100));
  EXPECT_TRUE(ArrowHovers(50, 100));
  EXPECT_FALSE(ArrowHovers(51, 100));
  EXPECT_FALSE(ArrowHovers(35, 85));
  EXPECT_TRUE(ArrowHovers(35, 86));
  EXPECT_TRUE(ArrowHovers(35, 116));
  EXPECT_FALSE(ArrowHovers(35, 117));
  EXPECT_EQ(Plays(MenuHoverSound), 2u) << "one per entry";
}

TEST_F(ArrowWidgetsButton, HoldingTheMouseOnAnUnselectedRowClicksEveryFrameAndChangesNothing) {
  SettleOn(kScreenGraphics);
  OptionRow = 2;
  Settings.sightRange = 1;
  PointAt(186, 60);  // row 1's right arrow
  MouseDown();
  for (int frame = 0; frame < 3; ++frame) {
    DrawPageArrows(5);
    ReleaseLatchWhenIdle();
  }
  EXPECT_EQ(Plays(MenuClickSound), 3u);
  EXPECT_EQ(PendingGraphics.antiAliasing, 0);
  EXPECT_EQ(PendingGraphics.apply, 0);
  EXPECT_EQ(Settings.sightRange, 1);
  EXPECT_EQ(Input.KeyLatch, 0);
  EXPECT_EQ(Input.MouseButtons[0], 1);
}

TEST_F(ArrowWidgetsButton, TheRightKeyChangesTheSelectedRowOncePerPress) {
  SettleOn(kScreenGraphics);
  OptionRow = 2;
  Settings.sightRange = 1;
  Press(kRight);
  for (int frame = 0; frame < 4; ++frame) {
    DrawPageArrows(5);
    ReleaseLatchWhenIdle();
  }
  EXPECT_EQ(Settings.sightRange, 2);
  EXPECT_EQ(ViewDistance, 600.0f);
  // The right arrows of rows 0, 1 and 2 heard the key before row 2 took it.
  EXPECT_EQ(Plays(MenuClickSound), 3u);
  Release(kRight);
  ReleaseLatchWhenIdle();
  Press(kRight);
  DrawPageArrows(5);
  EXPECT_EQ(Settings.sightRange, 0) << "the range wraps";
  EXPECT_EQ(ViewDistance, 300.0f);
}

TEST_F(ArrowWidgetsButton, AMousePressChangesTheValueOnceThoughTheButtonStaysDown) {
  SettleOn(kScreenAudio);
  OptionRow = 1;
  Settings.music = 0;
  PointAt(186, 60);
  MouseDown();
  DrawPageArrows(3);
  EXPECT_EQ(Settings.music, 1);
  EXPECT_EQ(Plays(MusicSource), 1u);
  EXPECT_EQ(Input.MouseButtons[0], 0) << "the press is used up";
  Input.KeyLatch = 0;  // even with the latch given back
  DrawPageArrows(3);
  EXPECT_EQ(Settings.music, 1);
}

TEST_F(ArrowWidgetsButton, OnTheWayToAnotherScreenTheClickPlaysButNothingChanges) {
  SettleOn(kScreenAudio);
  TargetScreen.store(kScreenOptions);
  OptionRow = 0;
  Press(kLeft);
  DrawPageArrows(3);
  EXPECT_EQ(Settings.sound, 1);
  EXPECT_EQ(Input.KeyLatch, 0);
  EXPECT_EQ(Plays(MenuClickSound), 3u);
}

TEST_F(ArrowWidgetsButton, AHoveredArrowGrowsToItsLimitAndShrinksBackToOne) {
  SettleOn(kScreenGraphics);
  PointAt(35, 100);
  FrameTiming.FrameTicks = 10.0f;
  DrawArrowButton(35.0f, 100.0f, 5, 0);
  EXPECT_NEAR(WidgetGlow[5], 1.15f, 1e-5f);
  DrawArrowButton(35.0f, 100.0f, 5, 0);
  EXPECT_NEAR(WidgetGlow[5], 1.2f, 1e-5f);
  PointAt(0, 0);
  DrawArrowButton(35.0f, 100.0f, 5, 0);
  EXPECT_NEAR(WidgetGlow[5], 1.13f, 1e-5f);
  FrameTiming.FrameTicks = 100.0f;
  DrawArrowButton(35.0f, 100.0f, 5, 0);
  EXPECT_EQ(WidgetGlow[5], 1.0f);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

using ArrowWidgetsOptionSteps = FrontendGlTest;

bool OnlyFirstAndFullHd(int w, int h) { return (w == 1024 && h == 768) || (w == 1920 && h == 1080); }
bool OnlyFirst(int w, int h) { return w == 1024 && h == 768; }
bool NoMode(int, int) { return false; }

TEST_F(ArrowWidgetsOptionSteps, TheResolutionStepsPastModesTheDisplayLacksAndWraps) {
  EXPECT_EQ(NextDisplayMode(0, 1, OnlyFirstAndFullHd), 8);
  EXPECT_EQ(NextDisplayMode(8, 1, OnlyFirstAndFullHd), 0);
  EXPECT_EQ(NextDisplayMode(0, -1, OnlyFirstAndFullHd), 8);
  EXPECT_EQ(NextDisplayMode(8, -1, OnlyFirstAndFullHd), 0);
  EXPECT_EQ(NextDisplayMode(3, 1, OnlyFirstAndFullHd), 8);
  // With nothing else to go to the choice stays.
  EXPECT_EQ(NextDisplayMode(0, 1, OnlyFirst), 0);
  EXPECT_EQ(NextDisplayMode(4, -1, NoMode), 4);
}

TEST_F(ArrowWidgetsOptionSteps, AResolutionStepStoresTheModesSizeAndMarksTheChange) {
  PendingGraphics.displayMode = 0;
  StepOptionRow(kScreenGraphics, 0, 1);
  const int mode = PendingGraphics.displayMode;
  if (mode == 0) {
    EXPECT_EQ(GraphicsChanged, 0) << "the display offers no other mode";
  } else {
    EXPECT_EQ(PendingGraphics.width, kDisplayModes[mode].width);
    EXPECT_EQ(PendingGraphics.height, kDisplayModes[mode].height);
    EXPECT_EQ(GraphicsChanged, 1);
  }
}

TEST_F(ArrowWidgetsOptionSteps, AntiAliasingStepsWithinWhatTheDeviceOffers) {
  const int saved = MaxSamples;
  MaxSamples = 4;
  auto step = [](int from, int side) {
    PendingGraphics.antiAliasing = from;
    PendingGraphics.apply = 0;
    StepOptionRow(kScreenGraphics, 1, side);
    EXPECT_EQ(PendingGraphics.apply, 1) << "every press";
    return PendingGraphics.antiAliasing;
  };
  EXPECT_EQ(step(4, 1), 4);
  EXPECT_EQ(step(0, 1), 2);
  EXPECT_EQ(step(2, 1), 4);
  EXPECT_EQ(step(8, 0), 4);
  EXPECT_EQ(step(4, 0), 2);
  EXPECT_EQ(step(2, 0), 0);
  EXPECT_EQ(step(0, 0), 0);
  EXPECT_EQ(step(16, 1), 16);
  MaxSamples = 0;
  EXPECT_EQ(step(0, 1), 0);
  MaxSamples = saved;
}

TEST_F(ArrowWidgetsOptionSteps, ShadowDetailCyclesThreeStepsAndLeavesUltraAtItsFirstStep) {
  Settings.shadowDetail = 3;
  StepOptionRow(kScreenGraphics, 3, 1);
  EXPECT_EQ(Settings.shadowDetail, 0);
  EXPECT_EQ(GraphicsChanged, 1);
  Settings.shadowDetail = 3;
  StepOptionRow(kScreenGraphics, 3, 0);
  EXPECT_EQ(Settings.shadowDetail, 2);
  StepOptionRow(kScreenGraphics, 3, 1);
  EXPECT_EQ(Settings.shadowDetail, 0);
  StepOptionRow(kScreenGraphics, 3, 0);
  EXPECT_EQ(Settings.shadowDetail, 2);
}

TEST_F(ArrowWidgetsOptionSteps, SightRangeWrapsBothWaysAndSetsTheViewDistanceAtOnce) {
  Settings.sightRange = 0;
  StepOptionRow(kScreenGraphics, 2, 0);
  EXPECT_EQ(Settings.sightRange, 2);
  EXPECT_EQ(ViewDistance, 600.0f);
  StepOptionRow(kScreenGraphics, 2, 0);
  EXPECT_EQ(Settings.sightRange, 1);
  EXPECT_EQ(ViewDistance, 450.0f);
  Settings.sightRange = 9;  // from a damaged file
  StepOptionRow(kScreenGraphics, 2, 1);
  EXPECT_EQ(Settings.sightRange, 0);
}

TEST_F(ArrowWidgetsOptionSteps, TextureFilteringSetsTheBoundTexturesAnisotropyWithoutAGlError) {
  GLuint tex = gltest::SolidTexture(255, 255, 255, 255);
  Settings.textureFiltering = 0;
  StepOptionRow(kScreenGraphics, 4, 1);
  EXPECT_EQ(Settings.textureFiltering, 1);
  if (MaxAnisotropy > 0) {
    GLfloat a = 0.0f;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &a);
    EXPECT_EQ(a, static_cast<float>(AnisotropyBelowMaximum(MaxAnisotropy)));
  }
  StepOptionRow(kScreenGraphics, 4, 0);
  EXPECT_EQ(Settings.textureFiltering, 0);
  if (MaxAnisotropy > 0) {
    GLfloat a = 0.0f;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &a);
    EXPECT_EQ(a, 1.0f);
  }
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
  glDeleteTextures(1, &tex);
}

TEST_F(ArrowWidgetsOptionSteps, TheAudioRowsToggleTheirSwitchesAndEaxWaitsForARestart) {
  Settings.music = 1;
  StepOptionRow(kScreenAudio, 1, 0);
  EXPECT_EQ(Settings.music, 0);
  EXPECT_EQ(Plays(MusicSource), 0u);
  StepOptionRow(kScreenAudio, 1, 1);
  EXPECT_EQ(Plays(MusicSource), 1u);
  StepOptionRow(kScreenAudio, 0, 0);
  EXPECT_EQ(Settings.sound, 0);
  Settings.eax = 0;
  StepOptionRow(kScreenAudio, 2, 1);
  EXPECT_EQ(Settings.eax, 1);
  EXPECT_EQ(PendingGraphics.apply, 1);
  // Rows the page does not have change nothing.
  const GameSettings before = Settings;
  StepOptionRow(kScreenAudio, 3, 1);
  StepOptionRow(kScreenMainMenu, 0, 1);
  EXPECT_EQ(Settings.sound, before.sound);
  EXPECT_EQ(Settings.sightRange, before.sightRange);
}

using ArrowWidgetsScroll = FrontendGlTest;

TEST_F(ArrowWidgetsScroll, AnArrowAtTheEndOfTheBarDimsToAboutAFifthNotToNothing) {
  BarItemCount = 3;
  SelectedItem = 0;
  ScrollArrowAlpha[0] = 1.0f;
  ScrollArrowAlpha[1] = 0.0f;
  for (int frame = 0; frame < 200; ++frame) {
    DrawScrollArrow(false, 4, 0);
    DrawScrollArrow(false, 5, 1);
  }
  EXPECT_LE(ScrollArrowAlpha[0], 0.2f);
  EXPECT_GT(ScrollArrowAlpha[0], 0.18f);
  EXPECT_EQ(ScrollArrowAlpha[1], 1.0f);

  SelectedItem = 2;
  FrameTiming.FrameTicks = 10.0f;
  DrawScrollArrow(false, 4, 0);
  DrawScrollArrow(false, 5, 1);
  EXPECT_NEAR(ScrollArrowAlpha[1], 0.85f, 1e-5f);
  EXPECT_GT(ScrollArrowAlpha[0], 0.3f);
}

TEST_F(ArrowWidgetsScroll, HoveringGrowsTheArrowALittleAndLeavingShrinksItToOne) {
  FrameTiming.FrameTicks = 5.0f;
  DrawScrollArrow(true, 5, 1);
  EXPECT_NEAR(WidgetGlow[5], 1.05f, 1e-5f);
  DrawScrollArrow(true, 5, 1);
  EXPECT_NEAR(WidgetGlow[5], 1.08f, 1e-5f);
  DrawScrollArrow(false, 5, 1);
  EXPECT_NEAR(WidgetGlow[5], 1.065f, 1e-5f);
}

float LitCentroidX(const Picture& p) {
  double sum = 0.0;
  int n = 0;
  for (int y = -40; y <= 40; ++y)
    for (int x = -100; x <= 100; ++x) {
      const uint8_t* px = p.At(x, y);
      if (px[0] > 8 || px[1] > 8 || px[2] > 8) {
        sum += x;
        ++n;
      }
    }
  return n ? static_cast<float>(sum / n) : 0.0f;
}

void RightArrowAtOrigin() { DrawScrollArrow(false, 5, 1); }
void LeftArrowAtOrigin() { DrawScrollArrow(false, 4, 0); }

TEST_F(ArrowWidgetsScroll, ANudgeKicksOnlyTheArrowOfItsDirection) {
  BarItemCount = 3;
  SelectedItem = 1;
  ScrollArrowAlpha[0] = ScrollArrowAlpha[1] = 1.0f;
  FrameTiming.FrameTicks = 0.0f;
  BarNudge = 0.0f;
  const Picture rest = DrawPicture(RightArrowAtOrigin);
  BarNudge = 45.0f;  // the kick's peak
  const Picture kicked = DrawPicture(RightArrowAtOrigin);
  const Picture leftAtRest = DrawPicture(LeftArrowAtOrigin);
  BarNudge = 0.0f;
  const Picture leftUnkicked = DrawPicture(LeftArrowAtOrigin);
  const float moved = LitCentroidX(kicked) - LitCentroidX(rest);
  // The arrow moves 1.25 x 25 units, its backing 0.3 x 25: together between the two.
  EXPECT_GT(moved, 7.6f);
  EXPECT_LT(moved, 31.5f);
  EXPECT_NEAR(LitCentroidX(leftAtRest), LitCentroidX(leftUnkicked), 0.01f) << "a rightward nudge leaves the left arrow";
}

using ArrowWidgetsStamp = FrontendGlTest;

TEST_F(ArrowWidgetsStamp, TheFirstCellDropsInFromTwoAndAHalfTimesItsSize) {
  const StampFrame start = StampFrameAt(0.0f);
  EXPECT_FLOAT_EQ(start.firstScale, 2.5f);
  EXPECT_FLOAT_EQ(start.firstAlpha, 0.0f);
  EXPECT_FLOAT_EQ(start.secondAlpha, 0.0f);
  const StampFrame quarter = StampFrameAt(0.25f);
  EXPECT_NEAR(quarter.firstScale, 2.5f - 1.5f * std::sqrt(0.5f), 1e-5f);
  EXPECT_NEAR(quarter.firstAlpha, std::sqrt(0.5f), 1e-5f);
  for (float t : {0.5f, 0.9f, 1.5f}) {
    EXPECT_FLOAT_EQ(StampFrameAt(t).firstScale, 1.0f) << t;
    EXPECT_FLOAT_EQ(StampFrameAt(t).firstAlpha, 1.0f) << t;
  }
}

TEST_F(ArrowWidgetsStamp, TheSecondCellPulsesInDuringTheSecondHalf) {
  EXPECT_FLOAT_EQ(StampFrameAt(0.49f).secondAlpha, 0.0f);
  EXPECT_NEAR(StampFrameAt(0.5f).secondAlpha, 0.0f, 1e-6f);
  const StampFrame mid = StampFrameAt(0.75f);
  EXPECT_NEAR(mid.secondAlpha, std::sqrt(0.5f), 1e-5f);
  EXPECT_NEAR(mid.secondScale, 1.15f, 1e-5f);
  EXPECT_NEAR(StampFrameAt(1.0f).secondAlpha, 1.0f, 1e-5f);
  EXPECT_FLOAT_EQ(StampFrameAt(1.2f).secondAlpha, 1.0f);
  EXPECT_FLOAT_EQ(StampFrameAt(1.2f).secondScale, 1.0f);
}

void StampAtOne() { DrawStamp(0.0f, 0.0f, 0, 0, 1, 1, 1.0f); }
void StampAtStart() { DrawStamp(0.0f, 0.0f, 0, 0, 1, 1, 0.0f); }

TEST_F(ArrowWidgetsStamp, ASettledStampShowsItsCellsAndTheFirstFrameNothing) {
  const Picture shown = DrawPicture(StampAtOne);
  EXPECT_GT(shown.LitInRow(0, -160, 160), 100);
  EXPECT_EQ(shown.LitInRow(0, -300, -170), 0) << "a 320-wide cell";
  const Picture start = DrawPicture(StampAtStart);
  EXPECT_EQ(start.LitInRow(0, -300, 300), 0);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
