// The player's whole career, one 1080-byte record saved raw as career.inf beside
// menu.inf. The front end and the race code read and write its fields directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kCareerFileSize = 1080;
constexpr int kCareerRaces = 30;
constexpr int kCareerNameBytes = 9;  // at most 7 characters and a NUL, one spare byte
constexpr int kCareerMaxNameLength = 7;

struct CareerRecord {
  // 0: the player's CarSetup, fields 0-38 at their own positions; field 39 (the model
  // index) is not kept here but in CareerCar.
  uint8_t carSetup[160];
  char PlayerName[kCareerNameBytes];       // 160: NUL-terminated
  uint8_t pad169[3];                       // 169
  int32_t PlayerNameLength;                // 172
  float Cash;                              // 176
  float Points;                            // 180: toward the next rating step (every 10000)
  int32_t Rating;                          // 184
  float BonusTotals[10];                   // 188: per-category prize buckets
  int32_t field228;                        // 228
  int32_t field232;                        // 232
  int32_t CareerCar;                       // 236: the owned car model, 0..17
  int32_t ShopCarLimit;                    // 240: at most 17
  int32_t ChampionshipRace;                // 244: base race 1..4
  int32_t BracketPosition;                 // 248: 0-2 quarter-finals, 3-4 semi-finals, 5 final
  int32_t BracketUnlocked;                 // 252: 0, 4 or 5
  int32_t RaceBestPlace[kCareerRaces];     // 256: 5 = never placed
  int32_t RaceWins[kCareerRaces];          // 376
  int32_t RaceAttempts[kCareerRaces];      // 496
  int32_t RaceBestLapMinutes[kCareerRaces];     // 616
  int32_t RaceBestLapSeconds[kCareerRaces];     // 736
  int32_t RaceBestLapHundredths[kCareerRaces];  // 856
  int32_t CompetitionRegion;               // 976: 0..2
  int32_t CompetitionRace;                 // 980: base race 1..4
  int32_t CompetitionProgress[3];          // 984
  int32_t field996;                        // 996
  int32_t CompetitionBestPlace[15];        // 1000
  int32_t QuickRaceNumber;                 // 1060: 1..24
  int32_t QuickRaceCar;                    // 1064: 0..17
  int32_t RaceMode;                        // 1068: 1 championship, 2 competition, 3 quick race
  uint8_t field1072[4];                    // 1072
  uint8_t FirstCareerFlag;                 // 1076: the career menu goes to name entry and clears it
  uint8_t pad1077[3];                      // 1077
};
static_assert(sizeof(CareerRecord) == kCareerFileSize, "career.inf is read as one block");
static_assert(offsetof(CareerRecord, CompetitionRegion) == 976, "career layout");
static_assert(offsetof(CareerRecord, FirstCareerFlag) == 1076, "career layout");

extern CareerRecord Career;

// A record with more separate damaged values than this is no longer the player's
// career with a few damaged bytes but something else in its place. One damaged value
// is one cause however many fields follow from it; a file of zeros, the mildest of
// the wholesale damages, shows 54 causes, 0xFF 201 and noise 150 or more, so eight
// leaves a wide margin on both sides.
constexpr int kMostRepairedCareerValues = 8;

// Holds every field against what playing the game can write into it (the name entry,
// the shops, the bracket and race pages, the race-finish bookkeeping) and the links the
// bookkeeping keeps between fields. Counts damage by cause: where fields are linked it
// changes the fewest that make the record hold together (a field that follows from
// others is kept and the damaged one worked out from it), and every field within range
// and consistent is left as it is. A value brought back is the one a single flipped bit
// came from where there is one, else the nearest the game could have written. Returns
// how many separate damaged values it found; their names, comma-separated, go to
// `names` when given.
int RepairCareer(CareerRecord* c, std::string* names);
// RepairCareer without the names: true when anything changed.
bool SanitizeCareer(CareerRecord* c);

// Reads the user's career.inf (else "./base/career.inf", else a new career), writes it
// back at once; returns what SaveCareer returns. A file of the wrong size, or with any
// field the game could not have written, is kept beside as career.inf.damaged with a
// line naming it and the fields; a career with at most kMostRepairedCareerValues
// separate damaged values keeps the rest and has those repaired, a record that is no
// career as a whole (noise, zeros, 0xFF) starts from the shipped copy.
bool LoadCareer();
bool SaveCareer();
// Starts a new career and saves it.
void ResetCareer();
// ResetCareer's field values in Career, without saving (the content generator uses it
// to write the shipped copy).
void ResetCareerFields();
