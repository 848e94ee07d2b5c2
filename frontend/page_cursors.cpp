// The keyboard cursors of the grid-like pages and the loading box. The cursors answer
// the arrow keys only, one move per press, and write their selection where the rest of
// the front end reads it.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "app/career.h"
#include "app/frame.h"
#include "app/input.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "frontend/widgets.h"
#include "gfx/text.h"
#include "race/car_content.h"
#include "platform/vk.h"

float BracketCursorFade = 0.0f;
float RaceCursorFade = 0.0f;
float LockPulse = 0.0f;
float LoadingPhase = 0.0f;

namespace {

constexpr float kCursorFadeRate = 0.02f;  // per tick
constexpr float kLockPulseDecay = 0.01f;
constexpr float kLockPulse = 0.5f;
constexpr float kLoadingRate = 0.005f;
constexpr int kGridRows = 10;
constexpr int kGridColumns = 2;
constexpr int kFinalStage = 2;
// Bracket positions 0-2 are the quarter-finals, 3-4 the semi-finals, 5 the final.
constexpr int kSemiFinalBase = 3;
constexpr int kFinalPosition = 5;

enum Move { kNoMove, kUp, kDown, kLeft, kRight };

// The arrow key pressed this frame, when a cursor may move at all; a move takes the latch
// so that a held key moves once per press. A cursor of rows alone leaves Left and Right
// to the value arrows of its page.
Move TakeMove(bool columns) {
  if (!ScreenSettled() || Input.KeyLatch || BindingCaptureActive) return kNoMove;
  Move m = kNoMove;
  if (KeyDown(platform::kVkUp))
    m = kUp;
  else if (KeyDown(platform::kVkDown))
    m = kDown;
  else if (columns && KeyDown(platform::kVkLeft))
    m = kLeft;
  else if (columns && KeyDown(platform::kVkRight))
    m = kRight;
  if (m != kNoMove) {
    Input.KeyLatch = 1;
    PlayMenuSound(MenuStepSound);
  }
  return m;
}

int Clamp(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

void Rise(float* fade) { *fade = std::min(1.0f, *fade + FrameTiming.FrameTicks * kCursorFadeRate); }

// The pulsing highlight of a bracket or race cell.
void CellHighlight(float cx, float cy, float w, float h) {
  const float pulse = 0.95f + 0.05f * std::sin(10.0f * FrameTiming.SceneClock);
  const WidgetDrawScope scope;
  glColor4f(0.23f, 0.7f, 0.31f, 1.0f - ScreenEases.slide);
  BindMenuTexture(kCellHighlightTexture);
  glPushMatrix();
  glTranslatef(cx, cy, 0.0f);
  glScalef(pulse, pulse, 1.0f);
  TexturedBox(0.0f, 0.0f, w, h, 0.0f, 0.0f, 1.0f, 1.0f);
  glPopMatrix();
}

void RowHighlight(float cx, float cy, float w, float h) {
  const WidgetDrawScope scope;
  glColor4f(0.08f, 0.08f, 0.08f, 1.0f);
  BindMenuTexture(kRowHighlightTexture);
  TexturedBox(cx, cy, w, h, 0.0f, 0.0f, 1.0f, 1.0f);
}

int LastSlotOfStage(int stage) { return stage == 0 ? 2 : stage == 1 ? 1 : 0; }

}  // namespace

void DrawRowCursor() {
  const int lastRow = CurrentScreen.load() == kScreenAudio ? 2 : 4;
  const Move m = TakeMove(false);
  if (m == kUp) OptionRow -= 1;
  if (m == kDown) OptionRow += 1;
  // The row indexes the page's table: another page may have left it anywhere.
  OptionRow = Clamp(OptionRow, 0, lastRow);
  RowHighlight(-4.0f, 100.0f - 40.0f * OptionRow, 480.0f, 30.0f);
}

void DrawBindingGrid() {
  const Move m = TakeMove(true);
  if (m == kUp) OptionRow -= 1;
  if (m == kDown) OptionRow += 1;
  if (m == kLeft) BindingColumn -= 1;
  if (m == kRight) BindingColumn += 1;
  OptionRow = Clamp(OptionRow, 0, kGridRows - 1);
  BindingColumn = Clamp(BindingColumn, 0, kGridColumns - 1);
  RowHighlight(331.0f * BindingColumn - 153.0f, 109.5f - 25.0f * OptionRow, 220.0f, 22.0f);
}

void DrawBracketCursor() {
  Rise(&BracketCursorFade);
  LockPulse = std::max(0.0f, LockPulse - FrameTiming.FrameTicks * kLockPulseDecay);

  // Stage and slot come from rows and columns other pages share: bring them into the
  // bracket before they name a race.
  int& stage = OptionRow;
  int& slot = BindingColumn;
  stage = Clamp(stage, 0, kFinalStage);
  slot = Clamp(slot, 0, LastSlotOfStage(stage));

  const Move m = TakeMove(true);
  if (m != kNoMove) BracketCursorFade = 0.0f;
  if (m == kUp) {
    stage = std::min(stage + 1, kFinalStage);
    const int unlocked = Career.BracketUnlocked;
    if (unlocked <= 2 && stage > 0) {
      stage = 0;
      LockPulse = kLockPulse;
    } else if (unlocked <= 4 && stage > 0) {
      // The semi-finals flash too: the final beyond them is still closed.
      stage = 1;
      LockPulse = kLockPulse;
    }
    slot = std::min(slot, LastSlotOfStage(stage));
  } else if (m == kDown) {
    const int from = stage;
    stage = std::max(stage - 1, 0);
    if (stage == 1 && from == 2) slot = 0;
  } else if (m == kLeft) {
    slot = std::max(slot - 1, 0);
  } else if (m == kRight) {
    slot = std::min(slot + 1, LastSlotOfStage(stage));
  }

  Career.BracketPosition = stage == 0 ? slot : stage == 1 ? slot + kSemiFinalBase : kFinalPosition;

  glPushMatrix();
  glTranslatef(-295.0f, -238.0f, 0.0f);
  glScalef(0.75f, 0.75f, 1.0f);
  CellHighlight(150.0f + 248.0f * slot + 124.0f * stage, 156.0f + 150.5f * stage, 280.0f, 140.0f);
  glPopMatrix();
}

void DrawRaceCursor() {
  Rise(&RaceCursorFade);
  int& row = OptionRow;
  int& column = BindingColumn;
  row = Clamp(row, 0, 1);
  column = Clamp(column, 0, 1);

  const Move m = TakeMove(true);
  if (m != kNoMove) RaceCursorFade = 0.0f;
  if (m == kUp) row = std::min(row + 1, 1);
  if (m == kDown) row = std::max(row - 1, 0);
  if (m == kLeft) column = std::max(column - 1, 0);
  if (m == kRight) column = std::min(column + 1, 1);

  Career.ChampionshipRace = column + 2 * row + 1;
  CellHighlight(420.0f + 248.0f * column, 221.0f + 150.5f * row, 240.0f, 120.0f);
}

void DrawLoading(float x, float y, float, float alpha) {
  LoadingPhase += FrameTiming.FrameTicks * kLoadingRate;
  if (LoadingPhase > 1.0f) LoadingPhase = 0.0f;

  const WidgetDrawScope scope;
  glPushMatrix();
  glTranslatef(x, y, 0.0f);
  glColor4f(0.94f, 0.92f, 0.88f, alpha);
  // The box's art in its light tone: the mid-grey word reads on its dark window. On
  // the intro the loader is still bringing that picture: until it is in, the plain box
  // (what an unloaded picture binds anyway), never a name the loader is writing.
  BindMenuTexture(TableTexturesLoaded.load(std::memory_order_acquire) ? kLoadingBoxTexture : -1);
  TexturedBox(0.0f, 0.0f, 80.0f, 18.0f, 0.0f, 0.0f, 1.0f, 1.0f);
  glColor4f(0.0f, 0.0f, 0.0f, alpha);
  FlatBox(-38.0f, -7.0f, -38.0f + 76.0f * LoadingPhase, 7.0f);
  PrintText(0.0f, -1.25f, 2, alpha, 1, 0.5f, false, 1, "%s", "LOADING");
  glPopMatrix();
}
