// The start countdown: "3", "2", "1" and "START" over the race picture while the
// countdown clock (RaceStatus.CountdownValue, 7 at a race load) runs from 8 to 13 s,
// the race released past 11. Main thread, called by the race HUD.
#pragma once

// Which caption last played the start signal: each caption plays it once, when the
// stage equals its own. 0 at every race load; only the start flyover, which no race
// runs, raises it to 2.
extern int CountdownBeepStage;

// What the countdown shows at one clock value.
struct CountdownCaption {
  const char* text = nullptr;  // null: nothing shows
  float alpha = 0.0f;          // 2 at a caption's start, drawn opaque until it falls below 1
  float size = 0.0f;
  int stage = -1;              // the beep stage this caption plays at
};

// The caption of clock value c: a digit grows from size 2 to 7 and fades during its
// second (8-9 "3", 9-10 "2", 10-11 "1"); "START" grows from 1.5 to 6.5 and fades by
// 12, then shows at alpha 0 until 13. Every window is open at both ends.
CountdownCaption CountdownCaptionAt(float c);

// One frame: the caption of the current clock value (playing the start signal once
// per caption when the stage allows), then the clock's step by the frame's
// RenderTicks, which releases the race past 11 and rests the clock at 0 past 13.
void DrawCountdown();
