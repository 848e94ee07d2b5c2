// The front end's immediate-mode widgets: one call per widget per frame draws it,
// tests the pointer and its keys against it and performs its action. Every position is
// in VirtualScreen units; the per-slot state (WidgetHover, WidgetGlow) is shared.
#pragma once

// The slanted corner button. slot 0 and 1 give the left-hand form, 2 and above the
// mirrored right-hand one; id picks the key (0 Esc, 1 "1", 2 "2", 3 "3", 4 Enter) and
// the action for the current screen. spare is accepted and unused.
void DrawMenuButton(float x, float y, float spare, const char* label, int id, int slot);

// The value arrows of the option rows: side 0 left (Left key), 1 right (Right key).
void DrawArrowButton(float x, float y, int slot, int side);
// The item bar's end arrows, drawn at the current translation.
void DrawScrollArrow(bool hovered, int slot, int side);
// The two-stage emblem from the stamp sheet; t in 0..1 drives it.
void DrawStamp(float x, float y, int col1, int row1, int col2, int row2, float t);
// The stamp's two cells at t: scale about the centre and alpha of each.
struct StampFrame {
  float firstScale = 1.0f;
  float firstAlpha = 1.0f;
  float secondScale = 1.0f;
  float secondAlpha = 1.0f;
};
StampFrame StampFrameAt(float t);

// The item carousel at the top of the menu screens; acts on Left, Right and Enter.
void DrawScreenTitles(int count, int spare);
// Items of the bar drawn last: the right scroll arrow dims on the last of them.
extern int BarItemCount;
// The label of item i on a screen's bar, and the text its spacing is measured from
// (the label itself but for the main menu's QUICK START, spaced as "QUICK STRT"); null
// outside the screen's table.
const char* BarItemLabel(int screen, int item);
const char* BarItemMeasure(int screen, int item);
// How many items a screen's bar holds at most (0 for screens without a bar).
int BarItemCapacity(int screen);

// The keyboard cursors of the grid-like pages.
void DrawRowCursor();
void DrawBindingGrid();
void DrawBracketCursor();
void DrawRaceCursor();
// The small "LOADING" box with its running bar.
void DrawLoading(float x, float y, float spare, float alpha);

// Bars whose shown value glides toward the target: car rating k (0-2) and the career's
// progress toward the next rating step.
void DrawRatingBar(float target, int k);
void DrawPointsBar(float target);

// The widgets' shared shown values (kept across screens).
extern float ShownRating[3];
extern float ShownPoints;
extern float BracketCursorFade;
extern float RaceCursorFade;
extern float LockPulse;
extern float LoadingPhase;
