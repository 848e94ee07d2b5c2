// A lorry as the player owns it: model, rating bars, bought packages, paint and part
// choices. One live copy, one inside the career record, 18 presets from cars.ini.
#pragma once

#include <cstdint>

constexpr int kCarModels = 18;
constexpr int kCarsIniRecordWords = 32;  // stored words per preset in cars.ini

// 40 little-endian 4-byte values, 160 bytes, in this order.
struct CarSetup {
  float rating1;          // 0: "Power" bar before the package bonus, 0..1
  float rating2;          // 1: "Speed"
  float rating3;          // 2: "Handling"
  int32_t partChoiceA[7]; // 3-9: part choice indices 0-6
  int32_t reserved10;     // 10: never read or written
  int32_t partChoiceB[2]; // 11-12: part choice indices 7-8
  float paint[7][3];      // 13-33: paint zones, r g b 0..1
  int32_t extra[2];       // 34-35: carried from cars.ini, never interpreted
  int32_t engineLevel;    // 36: bought engine package 0..5
  int32_t suspensionLevel;// 37: 0..3
  int32_t turboLevel;     // 38: 0..3
  int32_t modelIndex;     // 39: car model 0..17
};
static_assert(sizeof(CarSetup) == 160, "CarSetup is stored as 160 bytes");

// What the shop can give a set-up, the one bound the cars.ini reader and the career
// check both hold: the part pages pick an item of a price row of 21, and a paint value
// is a colour component.
constexpr int32_t kMostPartChoice = 20;
constexpr int kPartChoiceFields = 9;
// CarSetup field numbers of the part choices, in order, and of the first paint value.
constexpr int kPartChoiceField[kPartChoiceFields] = {3, 4, 5, 6, 7, 8, 9, 11, 12};
constexpr int kFirstPaintField = 13, kPaintValues = 21;
constexpr bool PartChoiceInRange(int32_t v) { return v >= 0 && v <= kMostPartChoice; }
// False for a value that is no number at all.
constexpr bool PaintValueInRange(float v) { return v >= 0.0f && v <= 1.0f; }

extern CarSetup LiveCarSetup;
extern CarSetup CarPresets[kCarModels];
extern int32_t CarPrices[kCarModels];
extern int32_t PackagePrices[10][21];
// Each model's three ratings as its preset has them: the only ratings a set-up takes.
extern const float CarPresetRatings[kCarModels][3];

// Prices and preset ratings (the tables the career economy reads).
void InitCarSetupDefaults();
// Reads "base/cars.ini" into the presets; a missing or short file, or a record of noise
// and those after it, leaves the presets' stored fields as they are (the model indices
// are set either way). A record with a part choice or paint value the shop cannot give
// is refused alone, with a line naming the file, the car and the value.
void LoadCarsTable();
// Live set-up := preset k (ratings, parts, paint, extras), packages cleared, model k.
void ApplyCarPreset(int k);
// Career copy := live set-up (fields 0-9, 11-38); the career's car := live model.
void SaveCarSetupToCareer();
// The reverse of SaveCarSetupToCareer.
void LoadCarSetupFromCareer();

// One preset's cars.ini record in its stored field order, and back.
void EncodeCarsIniRecord(const CarSetup& s, uint8_t out[kCarsIniRecordWords * 4]);
void DecodeCarsIniRecord(const uint8_t in[kCarsIniRecordWords * 4], CarSetup* s);
