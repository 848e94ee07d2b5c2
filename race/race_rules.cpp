#include "race/race_rules.h"

#include <cmath>

#include "race/race_status.h"
#include "race/tyre_curves.h"
#include "race/waypoints.h"

namespace {

float DistanceTo(const neVector3& p, int32_t waypoint) {
  const Waypoint& w = WaypointTable[waypoint];
  const float dx = p.x - w.x, dy = p.y - w.y, dz = p.z - w.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Index i of the backward walk, wrapped once below 0 as the rules count it.
int32_t Wrapped(int32_t i) { return i < 0 ? WaypointLastIndex + i + 1 : i; }

}  // namespace

void AdvanceRaceClock(RaceClock* clock, float ticks) {
  clock->hundredths += ticks;
  if (clock->hundredths >= 100.0f) {
    clock->hundredths = 0.0f;
    ++clock->seconds;
  }
  if (clock->seconds >= 60) {
    clock->seconds = 0;
    ++clock->minutes;
  }
}

float RaceClockKey(const RaceClock& clock) {
  return static_cast<float>(clock.minutes) * 10000.0f + static_cast<float>(clock.seconds) * 100.0f +
         clock.hundredths;
}

bool RaceClocksRun(int32_t lap) {
  return !RaceStatus.CountdownRunning.load(std::memory_order_relaxed) &&
         !RaceStatus.PlayerFinished.load(std::memory_order_relaxed) && lap <= RaceStatus.RaceLaps.load();
}

float ProgressFraction(float distance) {
  return ClampFloat(1.0f - (distance - kWaypointNear) / (kWaypointReach - kWaypointNear), 0.0f, 1.0f);
}

bool SightProgress(const neVector3& position, int32_t nextCheckpoint, int32_t* reached,
                   float* fraction) {
  const int32_t last = WaypointLastIndex;
  if (last < 0 || nextCheckpoint < 0 || nextCheckpoint > last) return false;
  int32_t i = nextCheckpoint;
  // A path without checkpoints would let the walk run on below -L; one round is all
  // there is to look at.
  for (int32_t steps = 0; steps <= last; ++steps) {
    const int32_t w = Wrapped(i);
    const float d = DistanceTo(position, w);
    if (d < kWaypointReach) {
      *reached = w;
      *fraction = ProgressFraction(d);
      return true;
    }
    --i;
    if (steps == last || IsCheckpoint(WaypointTable[Wrapped(i)].kind)) break;
  }
  return false;
}

int32_t NextCheckpointAfter(int32_t current) {
  const int32_t last = WaypointLastIndex;
  for (int32_t j = current + 1; j <= current + last; ++j) {
    if (j > last) return 0;
    if (IsCheckpoint(WaypointTable[j].kind)) return j;
  }
  return 0;
}

float ProgressMeasure(int32_t waypoint, float fraction, int32_t lap) {
  const int32_t laps = lap - 1 > 0 ? lap - 1 : 0;
  return static_cast<float>(waypoint) + fraction + static_cast<float>(WaypointLastIndex) * static_cast<float>(laps);
}

int32_t PlayerPlace(float playerProgress, const float opponentProgress[3]) {
  int32_t place = 1;
  for (int i = 0; i < 3; ++i)
    if (opponentProgress[i] > playerProgress) ++place;
  return place;
}

int32_t RecoveryWaypoint(int32_t progressWaypoint) {
  const int32_t count = WaypointLastIndex + 1;
  int32_t a = progressWaypoint - kRecoveryBack;
  if (a < 0) a += WaypointLastIndex;
  // On a path of fewer than five points that is still negative.
  if (a < 0) a = ((a % count) + count) % count;
  return a;
}

void CountLap(CSampleCar* car) {
  ++car->lap;
  if (RaceClockKey(car->bestLap) >= RaceClockKey(car->lapTime) || car->lap == 2) car->bestLap = car->lapTime;
  car->lapTime = RaceClock{};
}
