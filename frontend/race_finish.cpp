#include "frontend/race_finish.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "app/frame.h"
#include "frontend/screens.h"
#include "gfx/text.h"
#include "race/race_rules.h"
#include "race/race_status.h"

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int kRacesPerStage = 4;
constexpr int32_t kLastQuarterFinal = 2;
constexpr int32_t kFirstSemiFinal = 3, kLastSemiFinal = 4;
constexpr int32_t kFinal = 5;
// BracketUnlocked's stages: the quarter-finals open from the start, then these.
constexpr int32_t kSemiFinalsOpen = 4;
// Not yet opened past the quarter-finals (0 in any career the game wrote).
constexpr int32_t kBeforeSemiFinals = 2;
constexpr int32_t kFinalOpen = 5;
// Entries of the races whose wins open the next stage: 1-12 the semi-finals, 13-20
// the final.
constexpr int kQuarterFinalEntries[2] = {0, 11};
constexpr int kSemiFinalEntries[2] = {12, 19};
// A stage opening never lets the shop offer more than the cars there are.
constexpr int32_t kLastShopCar = 17;
constexpr int32_t kLastCompetitionRace = 4;
constexpr int64_t kCompetitionRegions = sizeof CareerRecord::CompetitionProgress / sizeof(int32_t);
constexpr int64_t kCompetitionPlaces = sizeof CareerRecord::CompetitionBestPlace / sizeof(int32_t);

// A tampered count at INT32_MAX stays there: a wrap would be undefined and negative.
void CountOne(int32_t* v) {
  if (*v < kInt32Max) ++*v;
}

int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }

bool AllWon(const int32_t* bestPlace, const int (&entries)[2]) {
  for (int k = entries[0]; k <= entries[1]; ++k)
    if (bestPlace[k] != 1) return false;
  return true;
}

// The stored hundredths are whole ones 0-99: the clock never shows more, and a value
// that is no number must not be stored as INT_MIN.
int32_t WholeHundredths(float h) {
  if (!(h > 0.0f)) return 0;
  return h < 99.0f ? static_cast<int32_t>(h) : 99;
}

// Laps are ordered in double: a stored lap of thousands of minutes (a tampered file)
// is past where a float still tells hundredths apart.
double LapKey(int32_t minutes, int32_t seconds, double hundredths) {
  return static_cast<double>(minutes) * 10000.0 + static_cast<double>(seconds) * 100.0 + hundredths;
}

double StoredLapKey(const CareerRecord& c, int k) {
  return LapKey(c.RaceBestLapMinutes[k], c.RaceBestLapSeconds[k], c.RaceBestLapHundredths[k]);
}

double RunLapKey(const RaceClock& lap) { return LapKey(lap.minutes, lap.seconds, lap.hundredths); }

void BookChampionship(CareerRecord* c, const FinishedRun& run) {
  // Widened: tampered fields must not overflow before the range test.
  const int64_t k = int64_t{c->ChampionshipRace} + kRacesPerStage * int64_t{c->BracketPosition} - 1;
  if (k < 0 || k >= kCareerRaces) return;
  const int32_t place = BookedPlace(run.place);
  if (place == 1) CountOne(&c->RaceWins[k]);
  CountOne(&c->RaceAttempts[k]);
  // A race never on the podium takes any run's lap, even a slower one.
  if (RunLapKey(run.bestLap) < StoredLapKey(*c, k) || c->RaceBestPlace[k] == kNoPodium) {
    c->RaceBestLapMinutes[k] = run.bestLap.minutes;
    c->RaceBestLapSeconds[k] = run.bestLap.seconds;
    c->RaceBestLapHundredths[k] = WholeHundredths(run.bestLap.hundredths);
  }
  if (place > 3) return;
  c->Cash += kPrizeCash[place - 1];
  c->Points += kPrizePoints[place - 1];
  ConvertPointsToRating(c);
  c->RaceBestPlace[k] = Min(c->RaceBestPlace[k], place);
  // The final first: once it has moved the position to 5 the semi-final test below
  // cannot fire in the same booking.
  if ((c->BracketPosition == kFirstSemiFinal || c->BracketPosition == kLastSemiFinal) &&
      AllWon(c->RaceBestPlace, kSemiFinalEntries) && c->BracketUnlocked <= kSemiFinalsOpen) {
    c->BracketUnlocked = kFinalOpen;
    c->BracketPosition = kFinal;
    c->ShopCarLimit = Min(c->ShopCarLimit, kLastShopCar);
  }
  if (c->BracketPosition >= 0 && c->BracketPosition <= kLastQuarterFinal &&
      AllWon(c->RaceBestPlace, kQuarterFinalEntries) && c->BracketUnlocked <= kBeforeSemiFinals) {
    c->BracketUnlocked = kSemiFinalsOpen;
    c->BracketPosition = kFirstSemiFinal;
    c->ShopCarLimit = Min(c->ShopCarLimit, kLastShopCar);
  }
}

void BookCompetition(CareerRecord* c, const FinishedRun& run) {
  const int32_t region = c->CompetitionRegion;
  if (region < 0 || region >= kCompetitionRegions) return;
  int32_t& progress = c->CompetitionProgress[region];
  // Any finishing place opens the region's next race.
  if (progress < kLastCompetitionRace && progress == c->CompetitionRace) ++progress;
  const int64_t entry = int64_t{c->CompetitionRace} + kRacesPerStage * int64_t{region} - 1;
  if (entry < 0 || entry >= kCompetitionPlaces) return;
  c->CompetitionBestPlace[entry] = Min(c->CompetitionBestPlace[entry], BookedPlace(run.place));
}

}  // namespace

int32_t BookedPlace(int32_t place) { return place >= 1 && place <= kRaceCarCount ? place : kRaceCarCount; }

void ConvertPointsToRating(CareerRecord* c) {
  if (!std::isfinite(c->Points)) {
    c->Points = 0.0f;
    return;
  }
  if (c->Points < kPointsPerRating) return;
  // Whole steps at once: stepping 10000 at a time never ends for a tampered 1e30,
  // where subtracting 10000 leaves the float unchanged.
  const double rating =
      static_cast<double>(c->Rating) + std::trunc(static_cast<double>(c->Points) / kPointsPerRating);
  c->Rating = rating >= kInt32Max ? kInt32Max : static_cast<int32_t>(rating);
  c->Points = std::fmod(c->Points, kPointsPerRating);
}

bool BookFinishedRun(CareerRecord* career, const FinishedRun& run) {
  switch (career->RaceMode) {
    case 1:
      BookChampionship(career, run);
      return true;
    case 2:
      BookCompetition(career, run);
      return true;
    default:
      return false;
  }
}

void FinishRace() {
  float clock = RaceStatus.CountdownValue.load();
  // Not in the frame that saw the finish: the clock was reset to 0 there.
  if (clock > 0.0f) {
    const int32_t mode = Career.RaceMode;
    if ((mode == 1 || mode == 2) && RaceStatus.FinishLatch.exchange(1) == 0) {
      // The render row, not the worker's car: the update running beside this frame owns
      // RaceCars. The place and best lap are frozen from the finish on.
      FinishedRun run;
      run.place = RenderCarRows[0].place;
      run.bestLap = RenderCarRows[0].bestLap;
      if (BookFinishedRun(&Career, run) && !SaveCareer())
        std::fprintf(stderr, "career.inf: the finished race could not be saved\n");
    }
    ListTextColour = 0;
    ListTextAlpha = 1.0f;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  }
  // The drawn update's ticks: the race is timed by the loader, not by this thread. A
  // frame over 0.2 s has none, so the switch waits.
  clock += FrameTiming.RenderTicks * 0.01f;
  RaceStatus.CountdownValue.store(clock);
  if (clock > kFinishScreenDelay) {
    FrameTiming.SceneClock = clock;
    // No fade-out: the finish screen fades in over the race's last picture.
    ScreenFade = 0.0f;
    TargetScreen.store(kScreenFinish);
    CurrentScreen.store(kScreenFinish);
    EntrySelection = 0;
  }
}
