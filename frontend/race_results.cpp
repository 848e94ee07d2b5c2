#include "frontend/race_results.h"

#include <cmath>
#include <limits>

#include "frontend/race_finish.h"
#include "race/car_setup.h"

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int kHundredthsPerSecond = 100;
constexpr int kSecondsPerMinute = 60;

float FiniteProgress(float p) { return std::isfinite(p) ? p : 0.0f; }

// Truncated like every float-to-int of the game, but the clock's own range: no value
// turns into INT_MIN on the table.
int32_t WholeHundredths(double h) {
  if (!(h > 0.0)) return 0;
  return h < 99.0 ? static_cast<int32_t>(h) : 99;
}

ShownTime Shown(const RaceClock& t) {
  ShownTime s;
  s.minutes = t.minutes;
  s.seconds = t.seconds;
  s.hundredths = WholeHundredths(t.hundredths);
  return s;
}

}  // namespace

int32_t AddedHundredths(float leader, float progress) {
  const float added = (leader - progress) * kHundredthsPerWaypoint;
  if (!(added > 0.0f)) return 0;
  return added < static_cast<float>(kMaxAddedHundredths) ? static_cast<int32_t>(added) : kMaxAddedHundredths;
}

ShownTime CarriedTime(const RaceClock& time, int32_t added) {
  // Carried by division, not one step at a time: a huge gap must not spin here.
  double h = (std::isfinite(time.hundredths) ? time.hundredths : 0.0f) + static_cast<double>(added);
  int64_t seconds = time.seconds;
  int64_t minutes = time.minutes;
  if (h >= kHundredthsPerSecond) {
    const double carry = std::floor(h / kHundredthsPerSecond);
    h -= carry * kHundredthsPerSecond;
    seconds += static_cast<int64_t>(carry);
  }
  if (seconds >= kSecondsPerMinute) {
    minutes += seconds / kSecondsPerMinute;
    seconds %= kSecondsPerMinute;
  }
  ShownTime s;
  s.minutes = static_cast<int32_t>(minutes < kInt32Max ? minutes : kInt32Max);
  s.seconds = static_cast<int32_t>(seconds);
  s.hundredths = WholeHundredths(h);
  return s;
}

RaceResults RankRaceResults(const ResultsCar (&cars)[kRaceCarCount], int32_t playerPlace) {
  float leader = 0.0f;
  for (const ResultsCar& c : cars) leader = std::fmax(leader, FiniteProgress(c.progress));
  RaceResults r;
  r.playerPlace = BookedPlace(playerPlace);
  for (int i = 0; i < kRaceCarCount; ++i) {
    const ResultsCar& c = cars[i];
    ResultsRow& row = r.rows[i];
    row.car = i;
    row.progress = FiniteProgress(c.progress);
    row.raceTime = CarriedTime(c.raceTime, AddedHundredths(leader, row.progress));
    row.bestLap = Shown(c.bestLap);
    row.modelIndex = c.modelIndex >= 0 && c.modelIndex < kCarModels ? c.modelIndex : -1;
  }
  // The exchange the table has always used; equal progress keeps no particular order.
  for (int i = 0; i < kRaceCarCount; ++i)
    for (int j = i + 1; j < kRaceCarCount; ++j)
      if (r.rows[j].progress > r.rows[i].progress) {
        const ResultsRow t = r.rows[i];
        r.rows[i] = r.rows[j];
        r.rows[j] = t;
      }
  return r;
}

RaceResults RankFinishedRace() {
  ResultsCar cars[kRaceCarCount];
  for (int i = 0; i < kRaceCarCount; ++i) {
    const CSampleCar& c = RaceCars[i];
    cars[i].progress = c.progress;
    cars[i].raceTime = c.raceTime;
    cars[i].bestLap = c.bestLap;
    cars[i].modelIndex = c.modelIndex;
  }
  return RankRaceResults(cars, RaceCars[0].place);
}

const char* PlaceText(int32_t place) {
  static const char* const kTexts[kRaceCarCount] = {"1 PLACE!", "2 PLACE!", "3 PLACE!", "4 PLACE!"};
  return kTexts[BookedPlace(place) - 1];
}
