// The race rules every car runs by: its clocks, checkpoints and laps along the race
// path, the progress measure that ranks the places, and the player's recovery when
// lost or on the roof. The player's update (race/car_driver.cpp) and the opponents'
// share them.
#pragma once

#include <cstdint>

#include "physics/ne.h"
#include "race/car.h"

// A waypoint counts as reached within this distance; the progress fraction is 1
// within kWaypointNear and falls to 0 at the reach.
constexpr float kWaypointReach = 22.5f;
constexpr float kWaypointNear = 15.0f;
// The player is put back on the road this far from the progress waypoint, or after
// lying tilted this long.
constexpr float kLostDistance = 100.0f;
constexpr float kRoofSeconds = 2.0f;
constexpr float kRoofUpY = 0.3f;
// The recovery places the car this many waypoints behind its progress, one unit up.
constexpr int32_t kRecoveryBack = 4;
constexpr float kRecoveryLift = 1.0f;

// Hundredths += ticks; at 100 or more they restart at 0 (the excess is dropped, not
// carried) and a second is added; 60 seconds make a minute.
void AdvanceRaceClock(RaceClock* clock, float ticks);
// minutes x 10000 + seconds x 100 + hundredths: the order of two times.
float RaceClockKey(const RaceClock& clock);
// Whether a car's clocks run: the countdown is over, the player has not finished and
// the car is within the race's laps.
bool RaceClocksRun(int32_t lap);

// 1 within 15 units of a waypoint, falling to 0 at 22.5.
float ProgressFraction(float distance);
// The progress sighting: from the next checkpoint backwards, stopping before the
// previous checkpoint and after at most one walk round the path, the first waypoint
// within reach. False (nothing written) when none is.
bool SightProgress(const neVector3& position, int32_t nextCheckpoint, int32_t* reached,
                   float* fraction);
// The checkpoint after `current`: the next waypoint of a checkpoint kind, or 0 (the
// lap line) past the path's end.
int32_t NextCheckpointAfter(int32_t current);
// reached + fraction + L x max(lap - 1, 0); the multiplier is the last index L.
float ProgressMeasure(int32_t waypoint, float fraction, int32_t lap);
// 1 + the number of opponents with strictly more progress: a tie goes to the player.
int32_t PlayerPlace(float playerProgress, const float opponentProgress[3]);
// Where a lost player is put back: four waypoints behind its progress waypoint,
// wrapping round the path even on a path of fewer than five points.
int32_t RecoveryWaypoint(int32_t progressWaypoint);
// The lap line: lap + 1, the best lap taken when it is no slower or when the first
// lap has just been completed, the lap clock restarted.
void CountLap(CSampleCar* car);
