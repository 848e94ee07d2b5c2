// What the value arrows of the graphics and audio pages change, one press at a time.
// The pages show the same tables.
#pragma once

struct DisplayModeSize {
  int width;
  int height;
};
constexpr int kDisplayModeCount = 10;
// The resolutions the graphics page offers, by PendingGraphics.displayMode.
extern const DisplayModeSize kDisplayModes[kDisplayModeCount];

// The mode after `from` in the direction of step (+1 or -1), wrapping round the list and
// passing over every size that available refuses; `from` itself when the display offers
// none of the others.
int NextDisplayMode(int from, int step, bool (*available)(int width, int height));

// One press of an arrow on row `row` of the graphics (5) or audio (6) page: side 0 the
// previous value, 1 the next. Other screens and rows change nothing.
void StepOptionRow(int screen, int row, int side);
