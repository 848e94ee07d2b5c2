// The page cursors: their limits, one move per press, the gates, the bracket's locks
// and slots, the selections they write into the career, and the loading box's bar.
#include <gtest/gtest.h>

#include <cmath>

#include "app/career.h"
#include "app/frame.h"
#include "app/input.h"
#include "app/sound.h"
#include "frontend/screens.h"
#include "frontend/widgets.h"
#include "platform/vk.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;

constexpr int kUp = platform::kVkUp;
constexpr int kDown = platform::kVkDown;
constexpr int kLeft = platform::kVkLeft;
constexpr int kRight = platform::kVkRight;

// One press and release of a key with the cursor drawn in between.
void Tap(int vk, void (*cursor)()) {
  Press(vk);
  cursor();
  Release(vk);
  ReleaseLatchWhenIdle();
}

using PageCursorsRows = FrontendGlTest;

TEST_F(PageCursorsRows, TheRowCursorStaysWithinItsPagesRows) {
  SettleOn(kScreenGraphics);
  for (int i = 0; i < 7; ++i) Tap(kDown, DrawRowCursor);
  EXPECT_EQ(OptionRow, 4);
  SettleOn(kScreenAudio);
  OptionRow = 0;
  for (int i = 0; i < 5; ++i) Tap(kDown, DrawRowCursor);
  EXPECT_EQ(OptionRow, 2);
  for (int i = 0; i < 5; ++i) Tap(kUp, DrawRowCursor);
  EXPECT_EQ(OptionRow, 0);
  EXPECT_EQ(Plays(MenuStepSound), 17u);
  // A row another page left behind is brought onto this one.
  OptionRow = 9;
  DrawRowCursor();
  EXPECT_EQ(OptionRow, 2);
}

TEST_F(PageCursorsRows, TheRowCursorLeavesLeftAndRightToTheValueArrows) {
  SettleOn(kScreenGraphics);
  Press(kRight);
  DrawRowCursor();
  EXPECT_EQ(Input.KeyLatch, 0);
  EXPECT_EQ(Plays(MenuStepSound), 0u);
}

TEST_F(PageCursorsRows, HoldingDownOnTheControlsGridMovesOneRowPerPress) {
  SettleOn(kScreenControls);
  Press(kDown);
  for (int frame = 0; frame < 30; ++frame) {
    DrawBindingGrid();
    ReleaseLatchWhenIdle();
  }
  EXPECT_EQ(OptionRow, 1);
  Release(kDown);
  ReleaseLatchWhenIdle();
  for (int i = 0; i < 12; ++i) Tap(kDown, DrawBindingGrid);
  EXPECT_EQ(OptionRow, 9);
  Tap(kRight, DrawBindingGrid);
  Tap(kRight, DrawBindingGrid);
  EXPECT_EQ(BindingColumn, 1);
  Tap(kLeft, DrawBindingGrid);
  Tap(kLeft, DrawBindingGrid);
  EXPECT_EQ(BindingColumn, 0);
}

TEST_F(PageCursorsRows, NoCursorMovesDuringACaptureAFadeOrWithTheLatchHeld) {
  SettleOn(kScreenControls);
  BindingCaptureActive = 1;
  Tap(kDown, DrawBindingGrid);
  BindingCaptureActive = 0;
  SetFade(0.9f);
  Tap(kDown, DrawBindingGrid);
  SetFade(1.0f);
  Input.KeyLatch = 1;
  Press(kDown);
  DrawBindingGrid();
  EXPECT_EQ(OptionRow, 0);
  EXPECT_EQ(Plays(MenuStepSound), 0u);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

using PageCursorsBracket = FrontendGlTest;

TEST_F(PageCursorsBracket, WithNothingUnlockedUpFlashesTheLockAndStaysInTheQuarterFinals) {
  SettleOn(kScreenChampionship);
  Career.BracketUnlocked = 0;
  BindingColumn = 2;
  BracketCursorFade = 1.0f;
  Tap(kUp, DrawBracketCursor);
  EXPECT_EQ(OptionRow, 0);
  EXPECT_EQ(BindingColumn, 2);
  EXPECT_NEAR(LockPulse, 0.5f, 1e-6f);
  EXPECT_EQ(BracketCursorFade, 0.0f);
  EXPECT_EQ(Career.BracketPosition, 2);
  EXPECT_EQ(Plays(MenuStepSound), 1u);
  // The flash and the fade-in run on the ticks.
  FrameTiming.FrameTicks = 10.0f;
  DrawBracketCursor();
  EXPECT_NEAR(LockPulse, 0.4f, 1e-6f);
  EXPECT_NEAR(BracketCursorFade, 0.2f, 1e-6f);
}

TEST_F(PageCursorsBracket, TheSemiFinalsOpenAtFourAndTheFinalAtFive) {
  SettleOn(kScreenChampionship);
  Career.BracketUnlocked = 4;
  BindingColumn = 2;
  Tap(kUp, DrawBracketCursor);
  EXPECT_EQ(OptionRow, 1);
  EXPECT_EQ(BindingColumn, 1) << "the semi-finals have two slots";
  EXPECT_EQ(Career.BracketPosition, 4);
  LockPulse = 0.0f;
  Tap(kUp, DrawBracketCursor);
  EXPECT_EQ(OptionRow, 1);
  EXPECT_GT(LockPulse, 0.0f);

  Career.BracketUnlocked = 5;
  Tap(kUp, DrawBracketCursor);
  EXPECT_EQ(OptionRow, 2);
  EXPECT_EQ(BindingColumn, 0);
  EXPECT_EQ(Career.BracketPosition, 5);
  Tap(kRight, DrawBracketCursor);
  EXPECT_EQ(BindingColumn, 0) << "the final has one slot";
}

TEST_F(PageCursorsBracket, DownFromTheFinalLandsOnTheFirstSemiFinalAndFromASemiFinalKeepsItsSlot) {
  SettleOn(kScreenChampionship);
  Career.BracketUnlocked = 5;
  OptionRow = 2;
  Tap(kDown, DrawBracketCursor);
  EXPECT_EQ(OptionRow, 1);
  EXPECT_EQ(BindingColumn, 0);
  EXPECT_EQ(Career.BracketPosition, 3);
  Tap(kRight, DrawBracketCursor);
  EXPECT_EQ(Career.BracketPosition, 4);
  Tap(kDown, DrawBracketCursor);
  EXPECT_EQ(OptionRow, 0);
  EXPECT_EQ(BindingColumn, 1);
  EXPECT_EQ(Career.BracketPosition, 1);
  Tap(kRight, DrawBracketCursor);
  Tap(kRight, DrawBracketCursor);
  EXPECT_EQ(Career.BracketPosition, 2);
}

TEST_F(PageCursorsBracket, ARowAndColumnLeftByTheControlsPageNameNoRaceOutsideTheBracket) {
  SettleOn(kScreenChampionship);
  OptionRow = 9;
  BindingColumn = 1;
  DrawBracketCursor();
  EXPECT_EQ(Career.BracketPosition, 5);
  OptionRow = -3;
  BindingColumn = 7;
  DrawBracketCursor();
  EXPECT_EQ(Career.BracketPosition, 2);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

using PageCursorsRaces = FrontendGlTest;

TEST_F(PageCursorsRaces, TheRaceCursorPicksOneOfFourRaces) {
  SettleOn(kScreenSelectRace);
  DrawRaceCursor();
  EXPECT_EQ(Career.ChampionshipRace, 1);
  Tap(kRight, DrawRaceCursor);
  EXPECT_EQ(Career.ChampionshipRace, 2);
  Tap(kUp, DrawRaceCursor);
  EXPECT_EQ(Career.ChampionshipRace, 4);
  Tap(kUp, DrawRaceCursor);
  Tap(kRight, DrawRaceCursor);
  EXPECT_EQ(Career.ChampionshipRace, 4);
  Tap(kLeft, DrawRaceCursor);
  EXPECT_EQ(Career.ChampionshipRace, 3);
  Tap(kDown, DrawRaceCursor);
  Tap(kDown, DrawRaceCursor);
  EXPECT_EQ(Career.ChampionshipRace, 1);
  EXPECT_EQ(RaceCursorFade, 0.0f);
  EXPECT_EQ(Plays(MenuStepSound), 7u);
  OptionRow = 6;
  BindingColumn = 3;
  DrawRaceCursor();
  EXPECT_EQ(Career.ChampionshipRace, 4);
}

using PageCursorsLoading = FrontendGlTest;

TEST_F(PageCursorsLoading, TheBarFillsByTheTicksRestartsPastFullAndALongFrameFreezesIt) {
  LoadingPhase = 0.0f;
  FrameTiming.FrameTicks = 10.0f;
  DrawLoading(0.0f, 0.0f, 0.0f, 1.0f);
  EXPECT_NEAR(LoadingPhase, 0.05f, 1e-6f);
  FrameTiming.FrameTicks = 0.0f;
  for (int i = 0; i < 5; ++i) DrawLoading(0.0f, 0.0f, 0.0f, 1.0f);
  EXPECT_NEAR(LoadingPhase, 0.05f, 1e-6f);
  LoadingPhase = 0.999f;
  FrameTiming.FrameTicks = 1.0f;
  DrawLoading(0.0f, 0.0f, 0.0f, 1.0f);
  EXPECT_EQ(LoadingPhase, 0.0f);
}

TEST_F(PageCursorsLoading, TheWordSitsCentredInTheBoxAtTheCallersAlpha) {
  DrawLoading(300.0f, -250.0f, 0.0f, 0.6f);
  const TracedText* word = FindText("LOADING");
  ASSERT_NE(word, nullptr);
  EXPECT_NEAR(word->x, 300.0f, 1e-4f);
  EXPECT_NEAR(word->y, -251.25f, 1e-4f);
  EXPECT_EQ(word->colour, 2);
  EXPECT_EQ(word->align, 1);
  EXPECT_EQ(word->size, 0.5f);
  EXPECT_EQ(word->alpha, 0.6f);
}

void LoadingHalfFull() {
  LoadingPhase = 0.5f - 0.0025f;  // one tick short of half
  DrawLoading(0.0f, 0.0f, 0.0f, 1.0f);
}

TEST_F(PageCursorsLoading, TheDarkBarCoversItsShareOfTheLightBox) {
  const Picture p = DrawPicture(LoadingHalfFull);
  // Row 5 lies inside the box but clear of the text: light up to the bar's end, dark to x = 0.
  const uint8_t* inBar = p.At(-20, 5);
  const uint8_t* pastBar = p.At(20, 5);
  const uint8_t* outside = p.At(45, 5);
  EXPECT_LT(inBar[0], 30);
  EXPECT_GT(pastBar[0], 200);
  EXPECT_LT(outside[0], 10);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

void LoadingEmpty() {
  LoadingPhase = 0.0f;
  FrameTiming.FrameTicks = 0.0f;
  DrawLoading(0.0f, 0.0f, 0.0f, 1.0f);
}

TEST_F(PageCursorsLoading, TheGreyWordReadsOnADarkWindowAndTheBoxStaysLightBesideIt) {
  const Picture p = DrawPicture(LoadingEmpty);
  // Above the word, along its length: the window under the mid-grey (0.5) word must
  // stand out from it 4.5 : 1, which only a colour below about 0.09 does.
  auto linear = [](float c) { return c <= 0.03928f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f); };
  const float grey = linear(0.5f);
  for (int x : {-15, 0, 15}) {
    const float window = linear(p.At(x, 6)[0] / 255.0f);
    EXPECT_GE((grey + 0.05f) / (window + 0.05f), 4.5f) << "at x = " << x;
  }
  // Beside the window the box keeps its light tone, where the bar's progress shows.
  EXPECT_GT(p.At(30, 0)[0], 200);
  EXPECT_GT(p.At(-30, 0)[0], 200);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
