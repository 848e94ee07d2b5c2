#include "app/career.h"

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

bool ReadBaseCareer(CareerRecord* c) {
  std::string bytes;
  if (platform::ReadWholeFile(kBaseCopy, sizeof *c, &bytes, nullptr) != platform::FileRead::kRead ||
      bytes.size() != sizeof *c)
    return false;
  std::memcpy(c, bytes.data(), sizeof *c);
  return true;
}

}  // namespace

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
  std::string fields;
  if (read) {
    std::memcpy(&c, bytes.data(), sizeof c);
    CareerRecord repaired = c;
    const int wrong = RepairCareer(&repaired, &fields);
    if (wrong > 0) {
      // Either way the old bytes stay beside: a repair guesses, and the player may know
      // better.
      const bool repair = wrong <= kMostRepairedCareerValues;
      SetAsideDamaged(kFileName, user, "holds values the game never writes (" + fields + ")",
                      repair ? "the rest of the career is kept and these fields repaired"
                             : "a new career starts from the shipped copy");
      if (repair) c = repaired;
      read = repair;
    }
  }
  if (!read && ReadBaseCareer(&c)) {
    // The shipped copy is not the player's to set aside; it is only brought into range.
    if (RepairCareer(&c, &fields) > 0)
      std::printf("career.inf: %s holds values the game never writes (%s); they are repaired\n", kBaseCopy,
                  fields.c_str());
  } else if (!read) {
    std::printf("career.inf: %s is missing or damaged too; starting a new career\n", kBaseCopy);
    std::memset(&Career, 0, sizeof Career);
    Career.FirstCareerFlag = 1;
    ResetCareerFields();
    c = Career;
  }
  std::fflush(stdout);
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
