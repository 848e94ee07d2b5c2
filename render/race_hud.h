// The race HUD, the last step of every race frame on the main thread: the processed
// race picture on the screen with its glow and darkened edges, then, while the player
// races, the dial with its two needles, gear and speed, the place, lap and time
// readouts and the mini-map; then the start countdown, or after the player's finish
// the race-finish bookkeeping.
#pragma once

#include "race/car.h"

// The readouts of one frame, formatted from the player's render row.
struct HudTexts {
  char gear[2];        // "R", "N", "1".."6"; empty for any other gear value
  char speed[16];      // at least three digits
  char place[16];      // " 3/4"
  char lap[16];        // lap 0 (before the lap line) shows as lap 1
  char raceTime[32];   // " 1:07.45": minutes, seconds, whole hundredths
  char lapTime[32];
  char bestLap[32];
};
void FormatHudTexts(const CarRow& row, HudTexts* out);

// What the HUD calls every frame once the player has finished: FinishRace. The race
// tools and tests may point it elsewhere to watch the calls; never null.
extern void (*HudFinishRace)();

// Draws into the framebuffer bound by the post passes, over a viewport of the screen
// size. The first frame of each race load also draws the race's track map.
void DrawRaceHud();
