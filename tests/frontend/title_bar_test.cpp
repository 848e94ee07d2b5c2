// The item bar: its layout and texts, stepping (at the ends, held, gated), the scroll's
// glide at any frame length, the selection kept inside a shorter bar, and what Enter
// does on each screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/career.h"
#include "app/controls.h"
#include "app/frame.h"
#include "app/input.h"
#include "app/settings.h"
#include "app/sound.h"
#include "frontend/screens.h"
#include "frontend/widgets.h"
#include "gfx/text.h"
#include "platform/crt_rand.h"
#include "platform/vk.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;

constexpr int kRight = platform::kVkRight;
constexpr int kLeft = platform::kVkLeft;
constexpr int kEnter = platform::kVkReturn;

// The bar of the current screen with its whole table, drawn `frames` times.
void Bar(int frames = 1) {
  const int count = BarItemCapacity(CurrentScreen.load());
  for (int i = 0; i < frames; ++i) DrawScreenTitles(count, 0);
}

// The bar brought to rest on its selection.
void Rest() {
  const float ticks = FrameTiming.FrameTicks;
  FrameTiming.FrameTicks = 5.0f;
  Bar(4);
  FrameTiming.FrameTicks = ticks;
  ClearTexts();
}

// Scroll place of item i on a screen, from the measured widths.
float PlaceOf(int screen, int item) {
  float place = 0.0f;
  for (int i = 1; i <= item; ++i)
    place += (MeasureText(1, 1.0f, "%s", BarItemMeasure(screen, i - 1)) +
              MeasureText(1, 1.0f, "%s", BarItemMeasure(screen, i))) * 0.5f + 10.0f;
  return place;
}

// One Enter press on the bar of `screen` with `item` selected.
void Choose(int screen, int item) {
  SettleOn(screen);
  SelectedItem = item;
  Press(kEnter);
  Bar();
  Release(kEnter);
  ReleaseLatchWhenIdle();
}

using ItemBarLayout = FrontendGlTest;

TEST_F(ItemBarLayout, ItemsAreSpacedByHalfTheirWidthsAndTheSelectedOneIsBoxedAtTheCentre) {
  SelectedItem = 2;
  Rest();
  EXPECT_NEAR(BarTarget, PlaceOf(kScreenMainMenu, 2), 1e-3f);
  EXPECT_NEAR(BarScroll, BarTarget, 1e-3f);
  Bar();
  ASSERT_EQ(Texts().size(), 3u);
  const TracedText* options = FindText("OPTIONS");
  ASSERT_NE(options, nullptr);
  EXPECT_NEAR(options->x, 110.0f, 1e-3f);
  EXPECT_NEAR(options->y, 196.0f, 1e-3f);
  EXPECT_EQ(options->colour, 0);
  EXPECT_EQ(options->align, 1);
  EXPECT_EQ(options->font, 1);
  EXPECT_EQ(options->size, 1.0f);
  EXPECT_EQ(options->alpha, 1.0f);
  // QUICK START is drawn whole but spaced as "QUICK STRT": half of each width plus the
  // bar's 10 units from the item before and after it, the shorter text's widths.
  const TracedText* quick = FindText("QUICK START");
  ASSERT_NE(quick, nullptr);
  const TracedText* career = FindText("CAREER");
  ASSERT_NE(career, nullptr);
  const float measured = MeasureText(1, 1.0f, "QUICK STRT");
  EXPECT_LT(measured, MeasureText(1, 1.0f, "QUICK START"));
  EXPECT_NEAR(quick->x - career->x, 0.5f * (MeasureText(1, 1.0f, "CAREER") + measured) + 10.0f, 1e-3f);
  EXPECT_NEAR(options->x - quick->x, 0.5f * (measured + MeasureText(1, 1.0f, "OPTIONS")) + 10.0f, 1e-3f);
  // With the font's widths the drawn texts still stand clear of each other.
  EXPECT_GT(options->x - 0.5f * MeasureText(1, 1.0f, "OPTIONS") -
                (quick->x + 0.5f * MeasureText(1, 1.0f, "QUICK START")),
            0.0f);
  EXPECT_NEAR(quick->x, 110.0f - BarScroll + PlaceOf(kScreenMainMenu, 1), 1e-3f);
  EXPECT_EQ(quick->colour, 1);
  const float d = std::fabs(PlaceOf(kScreenMainMenu, 1) - BarScroll);
  EXPECT_NEAR(quick->alpha, std::min(1.0f, 1.5f - std::pow(d, 1.19f) * 0.0025f), 1e-5f);
  EXPECT_FALSE(TextBackdrop);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ItemBarLayout, OnlyThreeNeighboursEachSideAreDrawnAndTheNamesKeepTheirBytes) {
  SettleOn(kScreenCarShop);
  SelectedItem = 8;
  Rest();
  Bar();
  EXPECT_EQ(Texts().size(), 7u);
  EXPECT_NE(FindText("Truck-130 \xB9" "6"), nullptr);
  EXPECT_NE(FindText("Truck-164 \xB9" "6"), nullptr);
  EXPECT_EQ(FindText("Truck-130 \xB9" "5"), nullptr);
  EXPECT_EQ(FindText("Truck-4333 \xB9" "1"), nullptr);

  SettleOn(kScreenEnginePackages);
  SelectedItem = 0;
  ClearTexts();
  Bar();
  EXPECT_NE(FindText("NA"), nullptr);
  EXPECT_NE(FindText("PACK\xC0GE 3"), nullptr);
  EXPECT_EQ(FindText("PACK\xC0GE 4"), nullptr);
}

TEST_F(ItemBarLayout, AFadingBarSlidesOutToTheRight) {
  SelectedItem = 0;
  Rest();
  SetFade(0.25f);
  Bar();
  const TracedText* career = FindText("CAREER");
  ASSERT_NE(career, nullptr);
  EXPECT_NEAR(career->x, 110.0f + 700.0f * ScreenEases.slide, 1e-2f);
}

TEST_F(ItemBarLayout, ASelectionPastTheBarIsBroughtInsideIt) {
  SelectedItem = 7;  // left by a longer bar
  Bar();
  EXPECT_EQ(SelectedItem, 2);
  EXPECT_EQ(BarItemCount, 3);
  SelectedItem = -4;
  Bar();
  EXPECT_EQ(SelectedItem, 0);
  // More items asked for than the screen has: the table bounds the bar.
  SelectedItem = 5;
  DrawScreenTitles(30, 0);
  EXPECT_EQ(SelectedItem, 2);
  // A screen without a bar draws and changes nothing.
  SettleOn(kScreenGraphics);
  SelectedItem = 9;
  ClearTexts();
  DrawScreenTitles(3, 0);
  EXPECT_EQ(SelectedItem, 9);
  EXPECT_TRUE(Texts().empty());
}

TEST_F(ItemBarLayout, TheScrollGlidesWithoutOvershootingHoweverLongTheFrame) {
  SelectedItem = 2;
  const float target = PlaceOf(kScreenMainMenu, 2);
  BarScroll = 0.0f;
  FrameTiming.FrameTicks = 1.0f;
  Bar();
  EXPECT_NEAR(BarScroll, 0.2f * target, 1e-3f);
  // 0.2 x 15 of the gap would throw the bar three gaps past its target and on out.
  BarScroll = 0.0f;
  FrameTiming.FrameTicks = 15.0f;
  for (int frame = 0; frame < 10; ++frame) {
    Bar();
    EXPECT_NEAR(BarScroll, target, 1e-3f) << frame;
  }
  BarScroll = 2.0f * target;
  FrameTiming.FrameTicks = 20.0f;
  Bar();
  EXPECT_NEAR(BarScroll, target, 1e-3f);
}

TEST_F(ItemBarLayout, TheNudgeDecaysByAQuarterAtMostTwentyTwoAndAHalfPerTick) {
  BarNudge = 90.0f;
  Bar();
  EXPECT_NEAR(BarNudge, 67.5f, 1e-4f);
  BarNudge = -20.0f;
  Bar();
  EXPECT_NEAR(BarNudge, -15.0f, 1e-4f);
  BarNudge = 0.001f;  // the smallest step still passes zero: it stops there
  Bar();
  EXPECT_EQ(BarNudge, 0.0f);
}

TEST_F(ItemBarLayout, TheZonesFreeTheCameraAndLightTheirArrow) {
  Input.CameraFree = 1;
  PointAt(-169, 200);
  Bar();
  EXPECT_EQ(Input.CameraFree, 0);
  EXPECT_EQ(WidgetHover[4], 1);
  PointAt(-120, 200);
  Bar();
  EXPECT_EQ(WidgetHover[4], 0);
  PointAt(389, 212);
  Bar();
  EXPECT_EQ(WidgetHover[5], 1);
  PointAt(389, 213);
  Input.CameraFree = 1;
  Bar();
  EXPECT_EQ(WidgetHover[5], 0);
  EXPECT_EQ(Input.CameraFree, 1);
  PointAt(71, 187);
  Bar();
  EXPECT_EQ(Input.CameraFree, 0) << "the centre zone";
}

using ItemBarStepping = FrontendGlTest;

TEST_F(ItemBarStepping, LeftOnTheFirstItemAtRestOnlySoundsAndKicksTheArrow) {
  SelectedItem = 0;
  Rest();
  Press(kLeft);
  Bar();
  EXPECT_EQ(SelectedItem, 0);
  EXPECT_EQ(Plays(MenuHoverSound), 1u);
  EXPECT_EQ(Plays(MenuStepSound), 0u);
  EXPECT_NEAR(BarNudge, -67.5f, 1e-4f) << "-90, then one tick of decay";
  EXPECT_EQ(GarageYaw, 0.0f);

  // Still gliding: silent.
  Release(kLeft);
  ReleaseLatchWhenIdle();
  BarNudge = 0.0f;
  BarScroll = 40.0f;
  Press(kLeft);
  Bar();
  EXPECT_EQ(Plays(MenuHoverSound), 1u);
  EXPECT_EQ(BarNudge, 0.0f);
  EXPECT_EQ(Input.KeyLatch, 1);
}

TEST_F(ItemBarStepping, AStepMovesTheSelectionTurnsTheGarageAndKicks) {
  SelectedItem = 0;
  Press(kRight);
  Bar();
  EXPECT_EQ(SelectedItem, 1);
  EXPECT_EQ(GarageYaw, 90.0f);
  EXPECT_NEAR(BarNudge, 67.5f, 1e-4f);
  EXPECT_EQ(Plays(MenuStepSound), 1u);
  EXPECT_NEAR(BarTarget, PlaceOf(kScreenMainMenu, 1), 1e-3f) << "the glide heads for the new item at once";

  Release(kRight);
  ReleaseLatchWhenIdle();
  GarageYaw = -180.0f;
  Press(kLeft);
  Bar();
  EXPECT_EQ(SelectedItem, 0);
  EXPECT_EQ(GarageYaw, -180.0f) << "a turn past -180 gives one step back";
}

TEST_F(ItemBarStepping, HoldingRightStepsOnceThenAfterADelayThenFasterUpToTheEnd) {
  SettleOn(kScreenEnginePackages);
  SelectedItem = 0;
  Bar();  // a frame with nothing held starts the repeat afresh
  Press(kRight);
  std::vector<int> stepFrames;
  int last = SelectedItem;
  for (int frame = 1; frame <= 300; ++frame) {
    Bar();
    ReleaseLatchWhenIdle();  // the key is down: the latch stays
    if (SelectedItem != last) {
      stepFrames.push_back(frame);
      last = SelectedItem;
    }
  }
  ASSERT_EQ(stepFrames.size(), 5u);
  EXPECT_EQ(stepFrames[0], 1);
  EXPECT_GE(stepFrames[1], 36) << "not before 0.35 s";
  EXPECT_LE(stepFrames[1], 38);
  for (size_t i = 2; i < stepFrames.size(); ++i) {
    EXPECT_GE(stepFrames[i] - stepFrames[i - 1], 9) << i;
    EXPECT_LE(stepFrames[i] - stepFrames[i - 1], 11) << i;
  }
  EXPECT_EQ(SelectedItem, 5);
  EXPECT_EQ(Plays(MenuStepSound), 5u);
}

TEST_F(ItemBarStepping, TheMouseOverAnArrowZoneStepsLikeTheKey) {
  Bar();
  PointAt(360, 200);
  MouseDown();
  Bar();
  EXPECT_EQ(SelectedItem, 1);
  Bar(10);
  EXPECT_EQ(SelectedItem, 1);
  MouseUp();
  ReleaseLatchWhenIdle();
  PointAt(-150, 200);
  MouseDown();
  Bar();
  EXPECT_EQ(SelectedItem, 0);
}

TEST_F(ItemBarStepping, NoStepDuringTheFadeIn) {
  SetFade(0.9f);
  Press(kRight);
  Bar(50);
  EXPECT_EQ(SelectedItem, 0);
  EXPECT_EQ(Input.KeyLatch, 0);
  EXPECT_EQ(AllMenuPlays(), 0u);
}

using ItemBarActions = FrontendGlTest;

TEST_F(ItemBarActions, EnterDoesNothingWhileACarReloadsButLeftAndRightStillMove) {
  CarReloadPending = 1;
  Press(kEnter);
  Bar();
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu);
  EXPECT_EQ(AllMenuPlays(), 0u);
  Release(kEnter);
  Press(kRight);
  Bar();
  EXPECT_EQ(SelectedItem, 1);
  CarReloadPending = 0;
}

TEST_F(ItemBarActions, CareerGoesToNameEntryOnceThenToTheCareerMenu) {
  Career.FirstCareerFlag = 1;
  Career.RaceMode = 3;
  EntrySelection = 4;
  WidgetHover[12] = 1;
  Choose(kScreenMainMenu, 0);
  EXPECT_EQ(TargetScreen.load(), kScreenEnterName);
  EXPECT_EQ(Career.FirstCareerFlag, 0);
  EXPECT_EQ(Career.RaceMode, 1);
  EXPECT_EQ(EntrySelection, 0);
  EXPECT_EQ(WidgetHover[12], 0) << "the key states are cleared";
  EXPECT_EQ(Plays(MenuClickSound), 1u);
  EXPECT_EQ(Plays(MenuChangeSound), 1u);
  Choose(kScreenMainMenu, 0);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerMenu);
}

TEST_F(ItemBarActions, QuickStartDrawsATrackOfTheFirstTenAndACar) {
  platform::SeedRand(5);
  const int track = platform::Rand() % 10 + 1;
  const int car = platform::Rand() % 18;
  platform::SeedRand(5);
  Choose(kScreenMainMenu, 1);
  EXPECT_EQ(TargetScreen.load(), kScreenQuickStart);
  EXPECT_EQ(Career.RaceMode, 3);
  EXPECT_EQ(Career.QuickRaceNumber, track);
  EXPECT_EQ(Career.QuickRaceCar, car);
}

TEST_F(ItemBarActions, TheMenusOpenTheirScreensWithTheEntryTheyStartOn) {
  Choose(kScreenMainMenu, 2);
  EXPECT_EQ(TargetScreen.load(), kScreenOptions);
  EXPECT_EQ(EntrySelection, 0);
  Choose(kScreenCareerMenu, 0);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
  Choose(kScreenCareerMenu, 1);
  EXPECT_EQ(TargetScreen.load(), kScreenNewCareer);

  Career.BracketPosition = 3;
  OptionRow = 6;
  Choose(kScreenCareerHub, 0);
  EXPECT_EQ(TargetScreen.load(), kScreenChampionship);
  EXPECT_EQ(EntrySelection, 3);
  EXPECT_EQ(OptionRow, 0);

  LiveCarSetup.engineLevel = 4;
  Choose(kScreenCareerHub, 1);
  EXPECT_EQ(TargetScreen.load(), kScreenEnginePackages);
  EXPECT_EQ(EntrySelection, 4);

  // The shop starts on the player's own car, shown as the shop sells it.
  LiveCarSetup.modelIndex = 11;
  Choose(kScreenCareerHub, 2);
  EXPECT_EQ(TargetScreen.load(), kScreenCarShop);
  EXPECT_EQ(EntrySelection, 11);
  EXPECT_EQ(LiveCarSetup.engineLevel, 0);
  EXPECT_EQ(LiveCarSetup.rating1, CarPresets[11].rating1);
}

TEST_F(ItemBarActions, TheOptionsMenuOpensEachPageOnItsFirstRow) {
  OptionRow = 4;
  GraphicsChanged = 1;
  Settings.displayMode = 6;
  Choose(kScreenOptions, 0);
  EXPECT_EQ(TargetScreen.load(), kScreenGraphics);
  EXPECT_EQ(OptionRow, 0);
  EXPECT_EQ(GraphicsChanged, 0);
  EXPECT_EQ(PendingGraphics.displayMode, 6);

  OptionRow = 2;
  Choose(kScreenOptions, 1);
  EXPECT_EQ(TargetScreen.load(), kScreenAudio);
  EXPECT_EQ(OptionRow, 0);

  Settings.bindings.slot[7] = 1234;
  ShownBindings[7] = 0;
  Choose(kScreenOptions, 2);
  EXPECT_EQ(TargetScreen.load(), kScreenControls);
  EXPECT_TRUE(std::equal(ShownBindings, ShownBindings + 30, Settings.bindings.slot));
}

TEST_F(ItemBarActions, TheShopsItemsBuyNothingOnEnterAndAClickOnTheCentreActs) {
  Career.Cash = 1e6f;
  Choose(kScreenCarShop, 4);
  Choose(kScreenEnginePackages, 2);
  EXPECT_EQ(TargetScreen.load(), kScreenEnginePackages);
  EXPECT_EQ(Career.Cash, 1e6f);

  SettleOn(kScreenMainMenu);
  SelectedItem = 2;
  PointAt(110, 200);
  MouseDown();
  Bar();
  EXPECT_EQ(TargetScreen.load(), kScreenOptions);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
