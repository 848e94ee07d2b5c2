#include "app/career.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/player_files.h"
#include "app/settings.h"
#include "platform/files.h"
#include "race/car_setup.h"

CareerRecord Career;

namespace {

constexpr const char* kFileName = "career.inf";
constexpr const char* kBaseCopy = "./base/career.inf";

constexpr int32_t kCarCount = 18;
constexpr int kPackageField = 36;  // CarSetup field of the engine package level
constexpr int32_t kLastBracket = 5;
constexpr int32_t kMaxPackageLevel = 5;
// Base races advance by four per bracket or region: a base above 4 would name a race
// past the last one.
constexpr int32_t kMaxBaseRace = 4;
// The quick start's CHANGE draws any of the championship's races.
constexpr int32_t kQuickRaceNumbers = 24;

bool Clamp(int32_t* v, int32_t lo, int32_t hi) {
  const int32_t old = *v;
  *v = *v < lo ? lo : (*v > hi ? hi : *v);
  return *v != old;
}

bool Finite(float* v, float fallback) {
  if (std::isfinite(*v)) return false;
  *v = fallback;
  return true;
}

bool ReadBaseCareer(CareerRecord* c) {
  std::string bytes;
  if (platform::ReadWholeFile(kBaseCopy, sizeof *c, &bytes, nullptr) != platform::FileRead::kRead ||
      bytes.size() != sizeof *c)
    return false;
  std::memcpy(c, bytes.data(), sizeof *c);
  return true;
}

}  // namespace

bool SanitizeCareer(CareerRecord* c) {
  bool changed = false;
  changed |= Clamp(&c->PlayerNameLength, 0, kCareerMaxNameLength);
  if (c->PlayerName[kCareerNameBytes - 1] != '\0') changed = true;
  // The name entry writes at most seven characters; the last byte stays a terminator.
  c->PlayerName[kCareerNameBytes - 1] = '\0';
  changed |= Clamp(&c->CareerCar, 0, kCarCount - 1);
  changed |= Clamp(&c->QuickRaceCar, 0, kCarCount - 1);
  changed |= Clamp(&c->ShopCarLimit, 0, kCarCount - 1);
  changed |= Clamp(&c->BracketPosition, 0, kLastBracket);
  changed |= Clamp(&c->ChampionshipRace, 1, kMaxBaseRace);
  changed |= Clamp(&c->CompetitionRegion, 0, 2);
  changed |= Clamp(&c->CompetitionRace, 1, kMaxBaseRace);
  changed |= Clamp(&c->QuickRaceNumber, 1, kQuickRaceNumbers);
  changed |= Clamp(&c->RaceMode, 1, 3);
  // Bought package levels, 0..5 each: TUNING writes the package bought into all three.
  for (int i = 0; i < 3; ++i) {
    int32_t level;
    std::memcpy(&level, c->carSetup + 4 * (kPackageField + i), 4);
    if (Clamp(&level, 0, kMaxPackageLevel)) {
      std::memcpy(c->carSetup + 4 * (kPackageField + i), &level, 4);
      changed = true;
    }
  }
  changed |= Finite(&c->Cash, 10000.0f);
  changed |= Finite(&c->Points, 0.0f);
  for (float& p : c->BonusTotals) changed |= Finite(&p, 0.0f);
  return changed;
}

bool SaveCareer() { return SavePlayerFile(kFileName, &Career, sizeof Career); }

bool LoadCareer() {
  CareerRecord c;
  std::memset(&c, 0, sizeof c);
  const std::string user = UserFilePath(kFileName, false);
  std::string bytes;
  bool read = !user.empty() && ReadPlayerFile(kFileName, user, sizeof c, &bytes);
  if (read && bytes.size() != sizeof c) {
    // A shorter or longer file is not a career: the whole of it is kept for the player.
    SetAsideDamaged(kFileName, user, WrongSizeReason(bytes.size(), sizeof c, "a career file"),
                    "a new career starts from the shipped copy");
    read = false;
  }
  if (read) std::memcpy(&c, bytes.data(), sizeof c);
  if (!read && !ReadBaseCareer(&c)) {
    std::printf("career.inf: %s is missing or damaged too; starting a new career\n", kBaseCopy);
    std::memset(&Career, 0, sizeof Career);
    Career.FirstCareerFlag = 1;
    ResetCareerFields();
    c = Career;
  }
  if (SanitizeCareer(&c)) std::fprintf(stderr, "career.inf: out-of-range fields repaired\n");
  Career = c;
  return SaveCareer();
}

void ResetCareerFields() {
  CareerRecord* c = &Career;
  c->PlayerNameLength = 0;
  std::memset(c->PlayerName, 0, sizeof c->PlayerName);
  std::strcpy(c->PlayerName, "Player");
  c->Cash = 10000.0f;
  c->Points = 0.0f;
  c->Rating = 1;
  for (float& p : c->BonusTotals) p = 0.0f;
  c->field228 = 0;
  c->field232 = 0;
  c->BracketPosition = 0;
  c->ChampionshipRace = 1;
  c->BracketUnlocked = 0;
  for (int r = 0; r < kCareerRaces; ++r) {
    c->RaceBestPlace[r] = 5;
    c->RaceWins[r] = c->RaceAttempts[r] = 0;
    c->RaceBestLapMinutes[r] = c->RaceBestLapSeconds[r] = c->RaceBestLapHundredths[r] = 0;
  }
  c->CareerCar = 0;
  c->ShopCarLimit = 17;
  ApplyCarPreset(0);
  SaveCarSetupToCareer();
  c->RaceMode = 1;
  c->CompetitionRegion = 0;
  c->CompetitionRace = 1;
  for (int32_t& p : c->CompetitionProgress) p = 1;
  for (int32_t& v : c->CompetitionBestPlace) v = 4;
  c->QuickRaceNumber = 1;
}

void ResetCareer() {
  ResetCareerFields();
  SaveCareer();
}
