// Every field of a career record held against what a played career can hold: the
// values each field takes when the game writes it (the new career, the name entry, the
// shops, the bracket and race pages, the race-finish bookkeeping), and the links the
// bookkeeping keeps between them. A field outside is brought back to the nearest value
// the game could have written, or to its new-career value when there is no nearest.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "app/career.h"
#include "frontend/race_finish.h"
#include "race/car_setup.h"

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t kLastCar = kCarModels - 1;
constexpr float kNewCareerCash = 10000.0f;
// Championship races are 1-24 (entries 0-23); the entries past them are never written.
constexpr int kChampionshipRaces = 24;
// Wins of races 1-12 open the semi-finals, wins of races 13-20 the final.
constexpr int kQuarterFinalEntries[2] = {0, 11};
constexpr int kSemiFinalEntries[2] = {12, 19};
constexpr int32_t kSemiFinalsOpen = 4, kFinalOpen = 5;
constexpr int32_t kLastQuarterFinal = 2;
constexpr int32_t kRacesPerStage = 4;
// Competitions are 1-12 (entries 0-11 of the 15); a region's progress is its highest
// race that may be started; an unraced entry holds 4.
constexpr int kCompetitionRaces = 12;
constexpr int kCompetitionEntries = sizeof CareerRecord::CompetitionBestPlace / sizeof(int32_t);
constexpr int32_t kUnracedCompetition = 4;
constexpr int32_t kQuickRaces = 24;
// The TUNING page sells packages 0-5 and writes the one bought into all three levels.
constexpr int32_t kMostPackageLevel = 5;
constexpr int kPackageField = 36;
constexpr int32_t kMostLapSeconds = 59, kMostLapHundredths = 99;

// The fields found wrong, by name, and how many.
struct Findings {
  int count = 0;
  std::string* names = nullptr;
  void Add(const std::string& name) {
    if (names) *names += (count ? ", " : "") + name;
    ++count;
  }
};

// A table's entries that were wrong, named by race number.
class RaceList {
 public:
  void Add(int race) {
    if (n_ < kShown) shown_[n_] = race;
    ++n_;
  }
  void Report(const char* name, Findings* f) const {
    if (n_ == 0) return;
    std::string s = std::string(name) + (n_ == 1 ? " (race " : " (races ");
    for (int i = 0; i < n_ && i < kShown; ++i) s += (i ? ", " : "") + std::to_string(shown_[i]);
    if (n_ > kShown) s += " and " + std::to_string(n_ - kShown) + " more";
    f->Add(s + ")");
  }

 private:
  static constexpr int kShown = 3;
  int shown_[kShown] = {};
  int n_ = 0;
};

bool Within(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

int32_t Clamped(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

void ClampField(int32_t* v, int32_t lo, int32_t hi, const char* name, Findings* f) {
  if (Within(*v, lo, hi)) return;
  *v = Clamped(*v, lo, hi);
  f->Add(name);
}

int32_t SetupInt(const CareerRecord& c, int field) {
  int32_t v;
  std::memcpy(&v, c.carSetup + 4 * field, 4);
  return v;
}
void SetSetupInt(CareerRecord* c, int field, int32_t v) { std::memcpy(c->carSetup + 4 * field, &v, 4); }
float SetupFloat(const CareerRecord& c, int field) {
  float v;
  std::memcpy(&v, c.carSetup + 4 * field, 4);
  return v;
}
void SetSetupFloat(CareerRecord* c, int field, float v) { std::memcpy(c->carSetup + 4 * field, &v, 4); }

bool NameLetter(uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b >= 192; }

// The name entry types letters into bytes 0-6 and counts them; bytes 7 and 8 stay the
// terminators a new career cleared. A new career shows "Player" with nothing counted.
void CheckName(CareerRecord* c, Findings* f) {
  int shown = 0;
  while (shown < kCareerMaxNameLength && c->PlayerName[shown] != '\0') ++shown;
  bool letters = true;
  for (int i = 0; i < shown; ++i) letters = letters && NameLetter(static_cast<uint8_t>(c->PlayerName[i]));
  const bool ended =
      c->PlayerName[kCareerMaxNameLength] == '\0' && c->PlayerName[kCareerNameBytes - 1] == '\0';
  const bool counted = c->PlayerNameLength == 0 || c->PlayerNameLength == shown;
  if (letters && ended && counted) return;
  f->Add("name");
  if (!letters) {
    std::memset(c->PlayerName, 0, sizeof c->PlayerName);
    std::strcpy(c->PlayerName, "Player");
    c->PlayerNameLength = 0;
    return;
  }
  c->PlayerName[kCareerMaxNameLength] = c->PlayerName[kCareerNameBytes - 1] = '\0';
  if (!counted) c->PlayerNameLength = shown;
}

// The set-up is a preset as the car shop copied it, with the package bought.
void CheckSetup(CareerRecord* c, Findings* f) {
  bool ratings = true;
  for (int i = 0; i < 3; ++i) {
    const float r = SetupFloat(*c, i);
    ratings = ratings && r >= 0.0f && r <= 1.0f;
  }
  if (!ratings) {
    for (int i = 0; i < 3; ++i) SetSetupFloat(c, i, CarPresetRatings[c->CareerCar][i]);
    f->Add("set-up ratings");
  }
  bool parts = true;
  for (int field : kPartChoiceField) {
    const int32_t v = SetupInt(*c, field);
    if (PartChoiceInRange(v)) continue;
    SetSetupInt(c, field, Clamped(v, 0, kMostPartChoice));
    parts = false;
  }
  if (!parts) f->Add("part choices");
  bool paint = true;
  for (int i = 0; i < kPaintValues; ++i) {
    const float v = SetupFloat(*c, kFirstPaintField + i);
    if (PaintValueInRange(v)) continue;
    SetSetupFloat(c, kFirstPaintField + i, v > 1.0f ? 1.0f : 0.0f);  // no number at all: 0
    paint = false;
  }
  if (!paint) f->Add("paint");
  bool levels = true;
  for (int i = 0; i < 3; ++i) {
    const int32_t v = SetupInt(*c, kPackageField + i);
    if (Within(v, 0, kMostPackageLevel)) continue;
    SetSetupInt(c, kPackageField + i, Clamped(v, 0, kMostPackageLevel));
    levels = false;
  }
  if (!levels) f->Add("package levels");
}

bool AllWon(const CareerRecord& c, const int (&entries)[2]) {
  for (int k = entries[0]; k <= entries[1]; ++k)
    if (c.RaceBestPlace[k] != 1) return false;
  return true;
}

// The per-race tables as the bookkeeping fills them: a podium place or none, a run
// counted for every place stored, a win for a first place and only then, a lap as the
// race clock shows one (or none before the first run). Entries past the championship's
// races stay as a new career left them.
void CheckRaceTables(CareerRecord* c, Findings* f) {
  RaceList places, attempts, wins, laps;
  for (int k = 0; k < kCareerRaces; ++k) {
    const bool raced = k < kChampionshipRaces;
    int32_t& place = c->RaceBestPlace[k];
    if (!(raced ? (Within(place, 1, 3) || place == kNoPodium) : place == kNoPodium)) {
      place = kNoPodium;
      places.Add(k + 1);
    }
    int32_t& runs = c->RaceAttempts[k];
    const int32_t fewestRuns = place == kNoPodium ? 0 : 1;
    if (!(raced ? runs >= fewestRuns : runs == 0)) {
      runs = raced ? (runs < fewestRuns ? fewestRuns : runs) : 0;
      attempts.Add(k + 1);
    }
    int32_t& won = c->RaceWins[k];
    const int32_t fewestWins = place == 1 ? 1 : 0, mostWins = place == 1 ? runs : 0;
    if (!Within(won, fewestWins, mostWins)) {
      won = Clamped(won, fewestWins, mostWins);
      wins.Add(k + 1);
    }
    int32_t& m = c->RaceBestLapMinutes[k];
    int32_t& s = c->RaceBestLapSeconds[k];
    int32_t& h = c->RaceBestLapHundredths[k];
    const bool lap = runs > 0 ? m >= 0 && Within(s, 0, kMostLapSeconds) && Within(h, 0, kMostLapHundredths)
                              : m == 0 && s == 0 && h == 0;
    if (!lap) {
      m = s = h = 0;
      laps.Add(k + 1);
    }
  }
  places.Report("best places", f);
  attempts.Report("attempts", f);
  wins.Report("wins", f);
  laps.Report("best laps", f);
}

// The bracket opens a stage when every race before it is won, and only then; the
// bracket page moves within the stages open.
void CheckBracket(CareerRecord* c, Findings* f) {
  const int32_t opened =
      AllWon(*c, kQuarterFinalEntries) ? (AllWon(*c, kSemiFinalEntries) ? kFinalOpen : kSemiFinalsOpen) : 0;
  if (c->BracketUnlocked != opened) {
    c->BracketUnlocked = opened;
    f->Add("bracket stages open");
  }
  ClampField(&c->BracketPosition, 0, opened == 0 ? kLastQuarterFinal : opened, "bracket position", f);
  ClampField(&c->ChampionshipRace, 1, kRacesPerStage, "championship race", f);
}

// Past 2^24 a float sum rounds each prize and each price paid by up to half a step.
// There are at most 2 x prizes + 4 prices paid (the cheapest is half a win's cash and
// cash never goes below 0); the slack covers them all.
double WithRoundingSlack(double most, double prizes) {
  return most * (1.0 + (3.0 * prizes + 4.0) / 16777216.0);
}

// The largest float not above v.
float FloatAtMost(double v) {
  float x = static_cast<float>(v);
  if (static_cast<double>(x) > v) x = std::nextafter(x, -std::numeric_limits<float>::infinity());
  return x;
}

// Money and points come only from podium places, one per counted run: cash starts at
// 10000 and moves by whole prizes and prices (never below 0, BUY wants the price in
// hand); points come in thousands and leave below 10000, each 10000 a rating step.
void CheckEconomy(CareerRecord* c, Findings* f) {
  double runs = 0.0;
  for (int k = 0; k < kChampionshipRaces; ++k) runs += c->RaceAttempts[k];

  const double mostCash = WithRoundingSlack(kNewCareerCash + kPrizeCash[0] * runs, runs);
  const float cash = c->Cash;
  if (!(cash >= 0.0f && cash <= mostCash && std::trunc(cash) == cash)) {
    if (!std::isfinite(cash))
      c->Cash = kNewCareerCash;
    else
      c->Cash = cash < 0.0f ? 0.0f : std::trunc(FloatAtMost(std::fmin(cash, mostCash)));
    f->Add("cash");
  }

  const double earned = kPrizePoints[0] * runs;
  const double step = kPrizePoints[2];
  const double mostPoints = std::fmin(kPointsPerRating - step, std::floor(earned / step) * step);
  const float points = c->Points;
  if (!(points >= 0.0f && points <= mostPoints && std::fmod(points, step) == 0.0)) {
    const double kept = std::isfinite(points) && points > 0.0f ? std::fmin(points, mostPoints) : 0.0;
    c->Points = static_cast<float>(std::floor(kept / step) * step);
    f->Add("points");
  }

  const double steps = std::floor((earned - c->Points) / kPointsPerRating);
  const int32_t mostRating = steps + 1.0 >= kInt32Max ? kInt32Max : static_cast<int32_t>(steps) + 1;
  ClampField(&c->Rating, 1, mostRating, "rating", f);

  bool buckets = true;
  for (float& b : c->BonusTotals) {
    if (b >= 0.0f && std::isfinite(b)) continue;
    b = 0.0f;
    buckets = false;
  }
  if (!buckets) f->Add("prize buckets");
}

// A region's progress passes each race run in it; an unraced entry holds 4.
void CheckCompetitions(CareerRecord* c, Findings* f) {
  ClampField(&c->CompetitionRegion, 0, 2, "competition region", f);
  ClampField(&c->CompetitionRace, 1, kRacesPerStage, "competition race", f);
  RaceList places;
  for (int e = 0; e < kCompetitionEntries; ++e) {
    int32_t& p = c->CompetitionBestPlace[e];
    if (e < kCompetitionRaces ? Within(p, 1, kUnracedCompetition) : p == kUnracedCompetition) continue;
    p = e < kCompetitionRaces ? Clamped(p, 1, kUnracedCompetition) : kUnracedCompetition;
    places.Add(e + 1);
  }
  places.Report("competition best places", f);
  bool progress = true;
  for (int region = 0; region < 3; ++region) {
    int32_t& p = c->CompetitionProgress[region];
    int32_t fewest = 1;
    for (int race = 1; race <= kRacesPerStage; ++race)
      if (c->CompetitionBestPlace[kRacesPerStage * region + race - 1] < kUnracedCompetition)
        fewest = race < kRacesPerStage ? race + 1 : race;
    if (Within(p, fewest, kRacesPerStage)) continue;
    p = Clamped(p, fewest, kRacesPerStage);
    progress = false;
  }
  if (!progress) f->Add("competition progress");
}

}  // namespace

int RepairCareer(CareerRecord* c, std::string* names) {
  Findings f;
  f.names = names;
  if (names) names->clear();
  CheckName(c, &f);
  ClampField(&c->CareerCar, 0, kLastCar, "car", &f);
  CheckSetup(c, &f);
  // Only ever the number of cars less one: a stage opening keeps it at most that.
  if (c->ShopCarLimit != kLastCar) {
    c->ShopCarLimit = kLastCar;
    f.Add("cars on sale");
  }
  CheckRaceTables(c, &f);
  CheckBracket(c, &f);
  CheckEconomy(c, &f);
  if (c->field228 != 0 || c->field232 != 0) {
    c->field228 = c->field232 = 0;
    f.Add("offsets 228-235");
  }
  CheckCompetitions(c, &f);
  ClampField(&c->QuickRaceNumber, 1, kQuickRaces, "quick race", &f);
  ClampField(&c->QuickRaceCar, 0, kLastCar, "quick race car", &f);
  ClampField(&c->RaceMode, 1, 3, "race mode", &f);
  if (c->FirstCareerFlag > 1) {
    c->FirstCareerFlag = 1;
    f.Add("first-career flag");
  }
  return f.count;
}

bool SanitizeCareer(CareerRecord* c) { return RepairCareer(c, nullptr) > 0; }
