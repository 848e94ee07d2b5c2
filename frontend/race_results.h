// The results table's arithmetic: the four cars ranked by race progress alone, each
// race time lengthened by how far the car was behind the leader when the player
// finished. The results screen draws the rows it returns.
#pragma once

#include <cstdint>

#include "race/car.h"

// A car behind the leader has 25 hundredths added per waypoint of difference.
constexpr float kHundredthsPerWaypoint = 25.0f;
// At most a little under 28 hours: no progress gap, however corrupt, makes more.
constexpr int32_t kMaxAddedHundredths = 10000000;

// A time as the table prints it ("%2i:%02i.%02i"): hundredths whole, 0-99.
struct ShownTime {
  int32_t minutes = 0;
  int32_t seconds = 0;
  int32_t hundredths = 0;
};

// What the results read of one car at the end of the race.
struct ResultsCar {
  float progress = 0.0f;  // the race progress measure, frozen at the player's finish
  RaceClock raceTime;
  RaceClock bestLap;
  int32_t modelIndex = -1;
};

struct ResultsRow {
  int32_t car = 0;         // index into RaceCars: 0 the player, 1-3 the opponents
  float progress = 0.0f;   // a value that is no number counts as 0
  ShownTime raceTime;      // with the hundredths for the gap to the leader carried in
  ShownTime bestLap;
  int32_t modelIndex = -1;  // 0-17 names the car; -1 for a car with no model
};

struct RaceResults {
  ResultsRow rows[kRaceCarCount];  // highest progress first
  int32_t playerPlace = 4;         // 1-4, for the place line
};

// The hundredths a car at `progress` gets behind the leader at `leader`: the gap x 25,
// truncated, within 0..kMaxAddedHundredths.
int32_t AddedHundredths(float leader, float progress);

// The race time with `added` hundredths carried into seconds and minutes (seconds stay
// below 60; minutes stop at INT32_MAX). Hundredths that are no number count as 0.
ShownTime CarriedTime(const RaceClock& time, int32_t added);

// The four rows: L is the highest progress (at least 0), every car below it has
// AddedHundredths(L, progress) carried into its time, then the rows are ordered by
// progress, highest first, by the exchange of each pair i < j when row j's progress
// is greater. The places worked out during the race play no part. A player's place
// outside 1-4 shows as 4.
RaceResults RankRaceResults(const ResultsCar (&cars)[kRaceCarCount], int32_t playerPlace);

// RankRaceResults of RaceCars and the player's place. Only once the race is unloaded:
// the worker no longer writes the cars then.
RaceResults RankFinishedRace();

// "1 PLACE!" to "4 PLACE!"; any other place as the 4th.
const char* PlaceText(int32_t place);
