// The race-finish bookkeeping: the player's finished race turned into career progress
// (statistics, prize money and points, the rating, the bracket unlocks, the
// competition progress), then the hand-over to the finish screen two seconds later.
// Main thread, called by the race HUD every frame after the player's finish.
#pragma once

#include <cstdint>

#include "app/career.h"
#include "race/car.h"

// Prize by finishing place; a fourth place is paid nothing.
constexpr float kPrizeCash[3] = {5000.0f, 3000.0f, 1000.0f};
constexpr float kPrizePoints[3] = {3000.0f, 2000.0f, 1000.0f};
// Every this many points is one rating step.
constexpr float kPointsPerRating = 10000.0f;
// The stored best place of a race not yet on the podium.
constexpr int32_t kNoPodium = 5;
// The finish screen takes over this long after the finish.
constexpr float kFinishScreenDelay = 2.0f;

// What the bookkeeping reads of the player's finished run.
struct FinishedRun {
  int32_t place = 4;  // 1-4; anything else books as a fourth place
  RaceClock bestLap;
};

// A place the tables can take: 1-4 as it is, anything else (a car that never had its
// place worked out, a tampered value) as the 4th, which pays and records nothing.
int32_t BookedPlace(int32_t place);

// Every whole 10000 of Points become rating steps, the rest stays: Points ends below
// 10000 however many steps that is, and Rating stops at INT32_MAX rather than wrapping.
// Non-finite points are none.
void ConvertPointsToRating(CareerRecord* career);

// Books one run into the career by its RaceMode: championship (1) and competition (2)
// races; a quick race (3) or an unknown mode books nothing. A race number or region
// that names no entry of the career's tables books nothing into them. True when a
// championship or competition run was booked (and the career wants saving).
bool BookFinishedRun(CareerRecord* career, const FinishedRun& run);

// One frame after the player's finish: books the race once per race load (the
// FinishLatch) and saves the career at once, so a crash after the race cannot lose
// it; advances the finish timer (RaceStatus.CountdownValue) by the drawn frame's
// ticks and past 2 s switches straight to the finish screen. Draws nothing.
void FinishRace();
