// Every field of a career record held against what a played career can hold: the
// values each field takes when the game writes it (the new career, the name entry, the
// shops, the bracket and race pages, the race-finish bookkeeping), and the links the
// bookkeeping keeps between them.
//
// Damage is counted by cause, not by consequence. Where fields are linked (a race's
// place, wins, runs and lap; the bracket stages open and the places that opened them)
// the repair changes the fewest fields that make the record hold together again, and
// only those count: a won race whose place was damaged gets its place back from its
// win count and keeps its win and the stage it opened. A value brought back is the one
// a single flipped bit of it came from when there is one (the nearest when several
// could be), else the nearest value the game could have written.
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
constexpr float kNewCareerCash = 10000.0f;

// The damage found: how many separate causes, and their names.
struct Findings {
  int count = 0;
  std::string* names = nullptr;
  void Add(const std::string& name, int causes = 1) {
    if (causes <= 0) return;
    if (names) *names += (count ? ", " : "") + name;
    count += causes;
  }
};

// A table's entries that were wrong, named by race number; each is a cause of its own.
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
    f->Add(s + ")", n_);
  }

 private:
  static constexpr int kShown = 3;
  int shown_[kShown] = {};
  int n_ = 0;
};

bool Within(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

int32_t Clamped(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

template <typename T>
uint32_t BitsOf(T v) {
  static_assert(sizeof(T) == 4, "career values are 4 bytes");
  uint32_t u;
  std::memcpy(&u, &v, 4);
  return u;
}

// Whether `now` differs from `was` in exactly one bit: a repair that undoes one flip.
template <typename T>
bool OneBitApart(T was, T now) {
  const uint32_t d = BitsOf(was) ^ BitsOf(now);
  return d != 0 && (d & (d - 1)) == 0;
}

// The value `valid` takes that differs from `stored` in one bit, the nearest to it when
// several do (the largest when `stored` is no number); false when none does.
template <typename T, typename Valid>
bool OneBitBack(T stored, Valid valid, T* out) {
  const uint32_t bits = BitsOf(stored);
  const double from = static_cast<double>(stored);
  bool found = false;
  double best = 0.0;
  for (int b = 0; b < 32; ++b) {
    const uint32_t flipped = bits ^ (uint32_t{1} << b);
    T v;
    std::memcpy(&v, &flipped, 4);
    if (!valid(v)) continue;
    const double d = std::isfinite(from) ? std::fabs(static_cast<double>(v) - from) : -static_cast<double>(v);
    if (!found || d < best) {
      found = true;
      best = d;
      *out = v;
    }
  }
  return found;
}

// A value outside `valid` brought back by one bit when it can be, else to `fallback`.
// True when it was outside.
template <typename T, typename Valid, typename Fallback>
bool Restore(T* v, Valid valid, Fallback fallback) {
  if (valid(*v)) return false;
  T back{};
  *v = OneBitBack(*v, valid, &back) ? back : fallback(*v);
  return true;
}

bool RestoreRange(int32_t* v, int32_t lo, int32_t hi) {
  return Restore(
      v, [lo, hi](int32_t x) { return Within(x, lo, hi); }, [lo, hi](int32_t x) { return Clamped(x, lo, hi); });
}

void RangeField(int32_t* v, int32_t lo, int32_t hi, const char* name, Findings* f) {
  if (RestoreRange(v, lo, hi)) f->Add(name);
}

template <typename T>
T SetupValue(const CareerRecord& c, int field) {
  T v;
  std::memcpy(&v, c.carSetup + 4 * field, 4);
  return v;
}
template <typename T>
void SetSetupValue(CareerRecord* c, int field, T v) {
  std::memcpy(c->carSetup + 4 * field, &v, 4);
}

bool NameLetter(uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b >= 192; }

// The name entry types letters into bytes 0-6 and counts them; bytes 7 and 8 stay the
// terminators a new career cleared. A new career shows "Player" with nothing counted.
void CheckName(CareerRecord* c, Findings* f) {
  int shown = 0;
  while (shown < kCareerMaxNameLength && c->PlayerName[shown] != '\0') ++shown;
  bool letters = true, changed = false;
  // Where the name ends by its count (a new career's "Player" counts nothing).
  const int32_t end = c->PlayerNameLength > 0 ? c->PlayerNameLength
                                              : (std::strncmp(c->PlayerName, "Player", 6) == 0 ? 6 : -1);
  for (int i = 0; i < shown; ++i) {
    uint8_t b = static_cast<uint8_t>(c->PlayerName[i]);
    if (NameLetter(b)) continue;
    if (i == end && (b & (b - 1)) == 0) {
      // The terminator with a bit set: the name ends here as counted.
      c->PlayerName[i] = '\0';
      shown = i;
      changed = true;
      break;
    }
    // A letter one bit away is the letter typed; with none the name is not the player's.
    uint8_t back = 0;
    for (int bit = 0; bit < 8 && back == 0; ++bit)
      if (NameLetter(static_cast<uint8_t>(b ^ (1u << bit)))) back = static_cast<uint8_t>(b ^ (1u << bit));
    if (back == 0) {
      letters = false;
      break;
    }
    c->PlayerName[i] = static_cast<char>(back);
    changed = true;
  }
  if (!letters) {
    std::memset(c->PlayerName, 0, sizeof c->PlayerName);
    std::strcpy(c->PlayerName, "Player");
    c->PlayerNameLength = 0;
    f->Add("name");
    return;
  }
  if (c->PlayerName[kCareerMaxNameLength] != '\0' || c->PlayerName[kCareerNameBytes - 1] != '\0') {
    c->PlayerName[kCareerMaxNameLength] = c->PlayerName[kCareerNameBytes - 1] = '\0';
    changed = true;
  }
  if (c->PlayerNameLength != 0 && c->PlayerNameLength != shown) {
    c->PlayerNameLength = shown;
    changed = true;
  }
  if (changed) f->Add("name");
}

// The set-up is a preset as the car shop copied it, with the package bought; every
// value is its own cause.
void CheckSetup(CareerRecord* c, Findings* f) {
  int ratings = 0, parts = 0, paint = 0, levels = 0;
  for (int i = 0; i < 3; ++i) {
    const float r = SetupValue<float>(*c, i);
    if (r >= 0.0f && r <= 1.0f) continue;
    // The shop copies the preset's ratings whole: the car's own are the ones it had.
    SetSetupValue(c, i, CarPresetRatings[c->CareerCar][i]);
    ++ratings;
  }
  for (int field : kPartChoiceField) {
    int32_t v = SetupValue<int32_t>(*c, field);
    if (!Restore(&v, PartChoiceInRange, [](int32_t x) { return Clamped(x, 0, kMostPartChoice); })) continue;
    SetSetupValue(c, field, v);
    ++parts;
  }
  for (int i = 0; i < kPaintValues; ++i) {
    float v = SetupValue<float>(*c, kFirstPaintField + i);
    if (!Restore(&v, PaintValueInRange, [](float x) { return x > 1.0f ? 1.0f : 0.0f; })) continue;
    SetSetupValue(c, kFirstPaintField + i, v);
    ++paint;
  }
  for (int i = 0; i < 3; ++i) {
    int32_t v = SetupValue<int32_t>(*c, kPackageField + i);
    if (!RestoreRange(&v, 0, kMostPackageLevel)) continue;
    SetSetupValue(c, kPackageField + i, v);
    ++levels;
  }
  f->Add("set-up ratings", ratings);
  f->Add("part choices", parts);
  f->Add("paint", paint);
  f->Add("package levels", levels);
}

// ---- What the runs can have paid. ----

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

// The most cash, points toward the next step and rating `runs` counted runs can have
// brought.
double MostCash(double runs) { return WithRoundingSlack(kNewCareerCash + kPrizeCash[0] * runs, runs); }
double MostPoints(double runs) {
  const double step = kPrizePoints[2];
  return std::fmin(kPointsPerRating - step, std::floor(kPrizePoints[0] * runs / step) * step);
}
// 0 when not even the first step is paid for (runs read from a damaged table can be
// fewer than none).
int32_t MostRating(double runs, float points) {
  const double most = std::floor((kPrizePoints[0] * runs - points) / kPointsPerRating) + 1.0;
  return most >= kInt32Max ? kInt32Max : most <= 0.0 ? 0 : static_cast<int32_t>(most);
}

// The three values the runs pay for.
struct Earnings {
  float cash, points;
  int32_t rating;
};

// Money and points come only from podium places, one per counted run: cash starts at
// 10000 and moves by whole prizes and prices (never below 0, BUY wants the price in
// hand); points come in thousands and leave below 10000, each 10000 a rating step.
// Each of the three past what `runs` runs can have paid is one damaged value.
void CheckEarnings(Earnings* e, double runs, Findings* f) {
  const double mostCash = MostCash(runs);
  const float mostCashFloat = std::trunc(FloatAtMost(mostCash));
  auto cashHeld = [mostCash](float v) { return v >= 0.0f && v <= mostCash && std::trunc(v) == v; };
  // Cash that is no number keeps the most the runs could have paid: the player had at
  // most that, and a new career's 10000 would take a played career's savings.
  if (Restore(&e->cash, cashHeld, [mostCashFloat](float v) {
        if (!std::isfinite(v) || v > mostCashFloat) return mostCashFloat;
        return v < 0.0f ? 0.0f : std::trunc(v);
      }))
    f->Add("cash");

  const double step = kPrizePoints[2];
  const double mostPoints = MostPoints(runs);
  auto pointsHeld = [mostPoints, step](float v) { return v >= 0.0f && v <= mostPoints && std::fmod(v, step) == 0.0; };
  if (Restore(&e->points, pointsHeld, [mostPoints, step](float v) {
        const double kept = std::isfinite(v) && v > 0.0f ? std::fmin(v, mostPoints) : 0.0;
        return static_cast<float>(std::floor(kept / step) * step);
      }))
    f->Add("points");

  RangeField(&e->rating, 1, MostRating(runs, e->points), "rating", f);
}

// How many of cash, points and rating `stored` holds that `runs` runs leave damaged.
int EarningsDamaged(Earnings stored, double runs) {
  Findings f;
  CheckEarnings(&stored, runs, &f);
  return f.count;
}

// ---- The championship: per-race tables and the bracket, repaired together. ----

// One race's entries of the six tables.
struct RaceEntry {
  int32_t place, wins, runs, lap[3];
};

enum EntryField { kPlace = 1, kWins = 2, kRuns = 4, kLap = 8 };

RaceEntry EntryOf(const CareerRecord& c, int k) {
  return {c.RaceBestPlace[k],
          c.RaceWins[k],
          c.RaceAttempts[k],
          {c.RaceBestLapMinutes[k], c.RaceBestLapSeconds[k], c.RaceBestLapHundredths[k]}};
}

void StoreEntry(CareerRecord* c, int k, const RaceEntry& e) {
  c->RaceBestPlace[k] = e.place;
  c->RaceWins[k] = e.wins;
  c->RaceAttempts[k] = e.runs;
  c->RaceBestLapMinutes[k] = e.lap[0];
  c->RaceBestLapSeconds[k] = e.lap[1];
  c->RaceBestLapHundredths[k] = e.lap[2];
}

bool NoLap(const RaceEntry& e) { return e.lap[0] == 0 && e.lap[1] == 0 && e.lap[2] == 0; }
bool LapShown(const RaceEntry& e) {
  return e.lap[0] >= 0 && Within(e.lap[1], 0, kMostLapSeconds) && Within(e.lap[2], 0, kMostLapHundredths);
}
bool PlaceStored(int32_t p) { return Within(p, 1, 3) || p == kNoPodium; }

// The entry as the bookkeeping fills it: a podium place or none, a run counted for
// every place stored, a win for a first place and only then, a lap as the race clock
// shows one (or none before the first run).
bool EntryHolds(const RaceEntry& e) {
  if (!PlaceStored(e.place) || e.runs < (e.place == kNoPodium ? 0 : 1)) return false;
  if (e.place == 1 ? !Within(e.wins, 1, e.runs) : e.wins != 0) return false;
  return e.runs > 0 ? LapShown(e) : NoLap(e);
}

// What one way of repairing an entry costs: fields changed, then how many of those do
// not come back by undoing a single bit, then the order fields are suspected in (ties
// keep the win count: it is the place that is changed).
struct Cost {
  int fields = 0, guessed = 0, rank = 0;
  Cost operator+(const Cost& o) const { return {fields + o.fields, guessed + o.guessed, 0}; }
  Cost operator-(const Cost& o) const { return {fields - o.fields, guessed - o.guessed, 0}; }
  bool operator<(const Cost& o) const {
    if (fields != o.fields) return fields < o.fields;
    if (guessed != o.guessed) return guessed < o.guessed;
    return rank < o.rank;
  }
};

struct EntryRepair {
  Cost cost;
  RaceEntry entry;
  int changed = 0;  // EntryField bits
};

// Rebuilds the fields in `mask` so that the entry holds and is won (or not); false when
// those fields alone cannot do it.
bool Rebuild(const RaceEntry& was, int mask, bool won, RaceEntry* out) {
  RaceEntry e = was;
  const bool runsFree = mask & kRuns;
  if (mask & kPlace) {
    if (won) {
      e.place = 1;
    } else {
      auto ok = [&](int32_t p) {
        return (p == 2 || p == 3 || p == kNoPodium) && (runsFree || e.runs >= 1 || p == kNoPodium);
      };
      if (!OneBitBack(was.place, ok, &e.place)) e.place = kNoPodium;
    }
  }
  if ((e.place == 1) != won) return false;
  if (mask & kWins) {
    if (won) {
      auto ok = [&](int32_t w) { return w >= 1 && (runsFree || w <= e.runs); };
      if (!OneBitBack(was.wins, ok, &e.wins)) e.wins = runsFree ? 1 : Clamped(was.wins, 1, e.runs);
    } else {
      e.wins = 0;
    }
  }
  if (mask & kRuns) {
    int32_t need = e.wins > 0 ? e.wins : 0;
    if (e.place != kNoPodium && need < 1) need = 1;
    if (!(mask & kLap) && !NoLap(e) && need < 1) need = 1;
    if (!OneBitBack(was.runs, [need](int32_t r) { return r >= need; }, &e.runs)) e.runs = need;
  }
  if (mask & kLap) {
    if (e.runs == 0) {
      e.lap[0] = e.lap[1] = e.lap[2] = 0;
    } else {
      RestoreRange(&e.lap[0], 0, kInt32Max);
      RestoreRange(&e.lap[1], 0, kMostLapSeconds);
      RestoreRange(&e.lap[2], 0, kMostLapHundredths);
    }
  }
  if (!EntryHolds(e)) return false;
  *out = e;
  return true;
}

// The order in which single fields are suspected: the place first (the win count says
// whether the race was won), then the lap (most entries were never raced), the wins,
// the runs (a win count past the runs is far more often a win count with a high bit
// set than runs that lost one).
int SuspicionRank(int mask) {
  switch (mask) {
    case kPlace: return 1;
    case kLap: return 2;
    case kWins: return 3;
    case kRuns: return 4;
    default: return 16 + mask;
  }
}

// What repairing `was` into `e` by the fields in `mask` costs.
Cost RepairCost(const RaceEntry& was, const RaceEntry& e, int mask) {
  Cost cost;
  cost.rank = SuspicionRank(mask);
  for (int bit : {kPlace, kWins, kRuns, kLap}) {
    if (!(mask & bit)) continue;
    ++cost.fields;
    bool undone;
    if (bit == kPlace) undone = OneBitApart(was.place, e.place);
    else if (bit == kWins) undone = OneBitApart(was.wins, e.wins);
    else if (bit == kRuns) undone = OneBitApart(was.runs, e.runs);
    else undone = __builtin_popcount(BitsOf(was.lap[0]) ^ BitsOf(e.lap[0])) +
                      __builtin_popcount(BitsOf(was.lap[1]) ^ BitsOf(e.lap[1])) +
                      __builtin_popcount(BitsOf(was.lap[2]) ^ BitsOf(e.lap[2])) == 1;
    if (!undone) ++cost.guessed;
  }
  return cost;
}

// The sets of fields an entry's repair may change, fewest first.
constexpr int kMasksByFields[16] = {0, kPlace, kWins, kRuns, kLap, 3, 5, 6, 9, 10, 12, 7, 11, 13, 14, 15};

// Calls `visit` with every repair of an entry that leaves it won (or not), one per set
// of fields changed, fewest fields first, until it returns false.
template <typename Visit>
void EachRepair(const RaceEntry& was, bool won, Visit visit) {
  for (int mask : kMasksByFields) {
    RaceEntry e{};
    if (Rebuild(was, mask, won, &e) && !visit(EntryRepair{RepairCost(was, e, mask), e, mask})) return;
  }
}

// The cheapest repair of an entry that leaves it won (or not).
EntryRepair CheapestRepair(const RaceEntry& was, bool won) {
  // Most entries hold as they are, and nothing changed is cheaper than any change.
  if ((was.place == 1) == won && EntryHolds(was)) return EntryRepair{RepairCost(was, was, 0), was, 0};
  EntryRepair best;
  best.cost = {99, 99, 99};
  EachRepair(was, won, [&best](const EntryRepair& r) {
    if (r.cost < best.cost) best = r;
    // Past the fields of the best so far nothing can be cheaper.
    return __builtin_popcount(r.changed) <= best.cost.fields;
  });
  return best;
}

// Won or not for every raced entry, and what the repairs that make them so cost.
struct StageChoice {
  Cost cost;
  bool won[kChampionshipRaces] = {};
};

// Chooses, for every raced entry, won or not so that the stages open come out as
// `opened`, at the least cost.
void ChooseForStages(const EntryRepair (&won)[kChampionshipRaces], const EntryRepair (&lost)[kChampionshipRaces],
                     int32_t opened, StageChoice* out) {
  out->cost = {};
  for (int k = 0; k < kChampionshipRaces; ++k) {
    out->won[k] = won[k].cost < lost[k].cost;
    out->cost = out->cost + (out->won[k] ? won[k].cost : lost[k].cost);
  }
  // Each stage's entries must all be won (wantAll) or must not all be (one lost at the
  // least extra cost).
  auto hold = [&](const int (&entries)[2], bool wantAll) {
    if (wantAll) {
      for (int k = entries[0]; k <= entries[1]; ++k) {
        if (out->won[k]) continue;
        out->cost = out->cost - lost[k].cost + won[k].cost;
        out->won[k] = true;
      }
      return;
    }
    int cheapest = -1;
    Cost extra;
    for (int k = entries[0]; k <= entries[1]; ++k) {
      if (!out->won[k]) return;
      const Cost d = lost[k].cost - won[k].cost;
      if (cheapest < 0 || d < extra) {
        cheapest = k;
        extra = d;
      }
    }
    out->won[cheapest] = false;
    out->cost = out->cost + extra;
  };
  if (opened == 0) {
    hold(kQuarterFinalEntries, false);
  } else {
    hold(kQuarterFinalEntries, true);
    hold(kSemiFinalEntries, opened == kFinalOpen);
  }
}

// Cash, points and rating past what the repaired runs can have paid are one damaged
// value each (CheckEarnings), however many races' runs would have to change to pay for
// them. Only where one entry repaired another way (its runs given back the bit they
// lost, most often) explains them with fewer fields changed in all is that entry
// repaired so; a tie leaves the entries as they are and repairs the sums.
void KeepEarningsPaid(const CareerRecord& c, EntryRepair (&chosen)[kChampionshipRaces]) {
  double runs = 0.0;
  for (const EntryRepair& r : chosen) runs += r.entry.runs;
  // Costs counted from the chosen entries: the fields one entry changes more or less,
  // plus the earnings left damaged.
  const Earnings stored{c.Cash, c.Points, c.Rating};
  auto damaged = [&stored](double total) { return EarningsDamaged(stored, total); };
  Cost best{damaged(runs), 0, 0};
  if (best.fields == 0) return;
  int bestRace = -1;
  EntryRepair bestRepair;
  for (int k = 0; k < kChampionshipRaces; ++k) {
    const RaceEntry was = EntryOf(c, k);
    const EntryRepair& now = chosen[k];
    auto consider = [&](const EntryRepair& r) {
      const Cost cost{r.cost.fields - now.cost.fields + damaged(runs - now.entry.runs + r.entry.runs),
                      r.cost.guessed, r.cost.rank};
      if (cost < best) {
        best = cost;
        bestRace = k;
        bestRepair = r;
      }
    };
    // Only the repairs that change no more fields than the best in all can win.
    auto mayWin = [&](int mask) { return __builtin_popcount(mask) - now.cost.fields <= best.fields; };
    EachRepair(was, now.entry.place == 1, [&](const EntryRepair& r) {
      if (!mayWin(r.changed)) return false;  // fewest fields first: none after can either
      consider(r);
      if (!mayWin(r.changed | kRuns)) return true;
      // The rebuild takes the fewest runs that hold; the earnings may want more, by
      // another bit of the stored runs (lower bits first: the smaller raise wins a tie).
      for (int bit = 0; bit < 32; ++bit) {
        RaceEntry e = r.entry;
        e.runs = static_cast<int32_t>(static_cast<uint32_t>(was.runs) ^ (uint32_t{1} << bit));
        if (e.runs <= r.entry.runs || !EntryHolds(e)) continue;
        const int mask = r.changed | kRuns;
        consider(EntryRepair{RepairCost(was, e, mask), e, mask});
      }
      return true;
    });
  }
  if (bestRace >= 0) chosen[bestRace] = bestRepair;
}

// The per-race tables and the bracket they open, repaired together at the least cost:
// a damaged place, win count or run count is brought back from the fields linked to
// it, and the stages open are kept whenever the wins support them.
void CheckChampionship(CareerRecord* c, Findings* f) {
  EntryRepair won[kChampionshipRaces], lost[kChampionshipRaces];
  for (int k = 0; k < kChampionshipRaces; ++k) {
    won[k] = CheapestRepair(EntryOf(*c, k), true);
    lost[k] = CheapestRepair(EntryOf(*c, k), false);
  }
  StageChoice best;
  int32_t opened = 0;
  bool any = false;
  for (int32_t stages : {int32_t{0}, kSemiFinalsOpen, kFinalOpen}) {
    StageChoice choice;
    ChooseForStages(won, lost, stages, &choice);
    const int lastPosition = stages == 0 ? kLastQuarterFinal : stages;
    // The stored stages and position count against every other choice.
    choice.cost.fields += (c->BracketUnlocked != stages) + !Within(c->BracketPosition, 0, lastPosition);
    choice.cost.rank = c->BracketUnlocked == stages ? 0 : 1;
    if (!any || choice.cost < best.cost) {
      best = choice;
      opened = stages;
      any = true;
    }
  }

  EntryRepair chosen[kChampionshipRaces];
  for (int k = 0; k < kChampionshipRaces; ++k) chosen[k] = best.won[k] ? won[k] : lost[k];
  KeepEarningsPaid(*c, chosen);

  RaceList places, attempts, wins, laps;
  for (int k = 0; k < kCareerRaces; ++k) {
    RaceEntry e = EntryOf(*c, k);
    int changed;
    if (k < kChampionshipRaces) {
      e = chosen[k].entry;
      changed = chosen[k].changed;
    } else {
      // Never written: as a new career left them, each field its own cause.
      changed = (e.place != kNoPodium ? kPlace : 0) | (e.wins != 0 ? kWins : 0) | (e.runs != 0 ? kRuns : 0) |
                (NoLap(e) ? 0 : kLap);
      e = {kNoPodium, 0, 0, {0, 0, 0}};
    }
    StoreEntry(c, k, e);
    if (changed & kPlace) places.Add(k + 1);
    if (changed & kRuns) attempts.Add(k + 1);
    if (changed & kWins) wins.Add(k + 1);
    if (changed & kLap) laps.Add(k + 1);
  }
  places.Report("best places", f);
  attempts.Report("attempts", f);
  wins.Report("wins", f);
  laps.Report("best laps", f);

  if (c->BracketUnlocked != opened) {
    c->BracketUnlocked = opened;
    f->Add("bracket stages open");
  }
  RangeField(&c->BracketPosition, 0, opened == 0 ? kLastQuarterFinal : opened, "bracket position", f);
  RangeField(&c->ChampionshipRace, 1, kRacesPerStage, "championship race", f);
}

// The prize buckets only ever grow from 0.
void CheckBuckets(CareerRecord* c, Findings* f) {
  int buckets = 0;
  for (float& b : c->BonusTotals)
    if (Restore(&b, [](float v) { return v >= 0.0f && std::isfinite(v); }, [](float) { return 0.0f; })) ++buckets;
  f->Add("prize buckets", buckets);
}

// A region's progress passes each race run in it; an unraced entry holds 4.
void CheckCompetitions(CareerRecord* c, Findings* f) {
  RangeField(&c->CompetitionRegion, 0, 2, "competition region", f);
  RangeField(&c->CompetitionRace, 1, kRacesPerStage, "competition race", f);
  RaceList places;
  for (int e = 0; e < kCompetitionEntries; ++e) {
    int32_t& p = c->CompetitionBestPlace[e];
    if (e >= kCompetitionRaces) {
      if (p != kUnracedCompetition) places.Add(e + 1);
      p = kUnracedCompetition;
      continue;
    }
    // A damaged place comes back as one the region's progress allows where it can: a
    // raced entry the progress has not passed would be a second finding.
    const int32_t progress = c->CompetitionProgress[e / kRacesPerStage];
    const int32_t race = e % kRacesPerStage + 1;
    auto fits = [progress, race](int32_t v) {
      return Within(v, 1, kUnracedCompetition) &&
             (v == kUnracedCompetition || !Within(progress, 1, kRacesPerStage) ||
              progress >= (race < kRacesPerStage ? race + 1 : race));
    };
    if (Within(p, 1, kUnracedCompetition)) continue;
    if (!OneBitBack(p, fits, &p)) RestoreRange(&p, 1, kUnracedCompetition);
    places.Add(e + 1);
  }
  places.Report("competition best places", f);
  int progress = 0;
  for (int region = 0; region < 3; ++region) {
    int32_t fewest = 1;
    for (int race = 1; race <= kRacesPerStage; ++race)
      if (c->CompetitionBestPlace[kRacesPerStage * region + race - 1] < kUnracedCompetition)
        fewest = race < kRacesPerStage ? race + 1 : race;
    if (RestoreRange(&c->CompetitionProgress[region], fewest, kRacesPerStage)) ++progress;
  }
  f->Add("competition progress", progress);
}

}  // namespace

int RepairCareer(CareerRecord* c, std::string* names) {
  Findings f;
  f.names = names;
  if (names) names->clear();
  CheckName(c, &f);
  RangeField(&c->CareerCar, 0, kLastCar, "car", &f);
  CheckSetup(c, &f);
  // Only ever the number of cars less one: a stage opening keeps it at most that.
  if (c->ShopCarLimit != kLastCar) {
    c->ShopCarLimit = kLastCar;
    f.Add("cars on sale");
  }
  CheckChampionship(c, &f);
  // Only now: the earnings are held against the runs as repaired.
  double runs = 0.0;
  for (int k = 0; k < kChampionshipRaces; ++k) runs += c->RaceAttempts[k];
  Earnings earnings{c->Cash, c->Points, c->Rating};
  CheckEarnings(&earnings, runs, &f);
  c->Cash = earnings.cash;
  c->Points = earnings.points;
  c->Rating = earnings.rating;
  CheckBuckets(c, &f);
  const int offsets = (c->field228 != 0) + (c->field232 != 0);
  c->field228 = c->field232 = 0;
  f.Add("offsets 228-235", offsets);
  CheckCompetitions(c, &f);
  RangeField(&c->QuickRaceNumber, 1, kQuickRaces, "quick race", &f);
  RangeField(&c->QuickRaceCar, 0, kLastCar, "quick race car", &f);
  RangeField(&c->RaceMode, 1, 3, "race mode", &f);
  if (c->FirstCareerFlag > 1) {
    // A lone bit was a cleared flag; anything else goes to the name entry once more.
    const uint8_t v = c->FirstCareerFlag;
    c->FirstCareerFlag = (v & (v - 1)) == 0 ? 0 : 1;
    f.Add("first-career flag");
  }
  return f.count;
}

bool SanitizeCareer(CareerRecord* c) { return RepairCareer(c, nullptr) > 0; }
