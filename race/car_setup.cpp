#include "race/car_setup.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/career.h"
#include "gfx/data_files.h"

CarSetup LiveCarSetup;
CarSetup CarPresets[kCarModels];
int32_t CarPrices[kCarModels];
int32_t PackagePrices[10][21];

namespace {

constexpr const char* kCarsIniPath = "base/cars.ini";

// The stored order of one cars.ini record as CarSetup field numbers: field 5 comes
// seventh, after field 9.
constexpr int kStoredFields[kCarsIniRecordWords] = {
    3, 4, 6, 7, 8, 9, 5, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,
    24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35};

uint8_t* FieldBytes(CarSetup* s, int field) { return reinterpret_cast<uint8_t*>(s) + 4 * field; }
const uint8_t* FieldBytes(const CarSetup* s, int field) {
  return reinterpret_cast<const uint8_t*>(s) + 4 * field;
}

// Copies fields [from, to] of one set-up into another, as raw 4-byte values.
void CopyFields(const void* src, void* dst, int from, int to) {
  std::memcpy(static_cast<uint8_t*>(dst) + 4 * from, static_cast<const uint8_t*>(src) + 4 * from,
              4 * (to - from + 1));
}

}  // namespace

const float CarPresetRatings[kCarModels][3] = {
    {0.6f, 0.5f, 0.55f},  {0.5f, 0.55f, 0.6f},  {0.5f, 0.6f, 0.5f},   {0.6f, 0.55f, 0.55f},
    {0.55f, 0.6f, 0.65f}, {0.65f, 0.65f, 0.55f}, {0.65f, 0.6f, 0.65f}, {0.58f, 0.68f, 0.68f},
    {0.7f, 0.58f, 0.65f}, {0.65f, 0.7f, 0.68f},  {0.72f, 0.68f, 0.6f}, {0.68f, 0.7f, 0.75f},
    {0.7f, 0.7f, 0.6f},   {0.72f, 0.68f, 0.65f}, {0.65f, 0.75f, 0.7f}, {0.68f, 0.73f, 0.75f},
    {0.75f, 0.7f, 0.73f}, {0.7f, 0.75f, 0.75f}};

void InitCarSetupDefaults() {
  for (int k = 0; k < kCarModels; ++k) {
    CarPrices[k] = k < 10 ? 7500 + 2500 * k : 35000 + 5000 * (k - 10);
    CarPresets[k].rating1 = CarPresetRatings[k][0];
    CarPresets[k].rating2 = CarPresetRatings[k][1];
    CarPresets[k].rating3 = CarPresetRatings[k][2];
  }
  std::memset(PackagePrices, 0, sizeof PackagePrices);
  const int32_t rows[][10] = {
      {0, 2500, 5000, 10000, 12000, 15000},
      {0, 2000, 4000, 8000},
      {0, 3500, 5000, 8000},
      {0, 2500, 3500, 4500, 5500, 6500},
      {1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000},
      {0, 5000, 8000, 12000, 15000, 20000},
  };
  for (int r = 0; r < 6; ++r) std::memcpy(PackagePrices[r], rows[r], sizeof rows[r]);
  const int32_t row9[10] = {1500, 1500, 2000, 2000, 2500, 2500, 3000, 3000, 3500, 3500};
  std::memcpy(PackagePrices[9], row9, sizeof row9);
}

void EncodeCarsIniRecord(const CarSetup& s, uint8_t out[kCarsIniRecordWords * 4]) {
  for (int i = 0; i < kCarsIniRecordWords; ++i) std::memcpy(out + 4 * i, FieldBytes(&s, kStoredFields[i]), 4);
}

void DecodeCarsIniRecord(const uint8_t in[kCarsIniRecordWords * 4], CarSetup* s) {
  for (int i = 0; i < kCarsIniRecordWords; ++i) std::memcpy(FieldBytes(s, kStoredFields[i]), in + 4 * i, 4);
}

namespace {

// A word of the table as it could stand in a real lorry's record: a small whole number
// or a finite float of a lorry's scale. Noise gives words that are neither.
bool PlausibleWord(const uint8_t* p) {
  uint32_t u;
  std::memcpy(&u, p, 4);
  const int32_t i = static_cast<int32_t>(u);
  float f;
  std::memcpy(&f, &u, 4);
  return (i >= -1000000 && i <= 1000000) || (std::isfinite(f) && std::fabs(f) < 1e7f);
}

// Why a preset's record holds a part choice or a paint value the shop cannot give (a
// new career made from it would be refused at the next start); empty when it holds none.
std::string OutsideShopRange(const CarSetup& s) {
  for (int field : kPartChoiceField) {
    int32_t v;
    std::memcpy(&v, FieldBytes(&s, field), 4);
    if (!PartChoiceInRange(v))
      return "part choice " + std::to_string(v) + " (the shop offers 0-" + std::to_string(kMostPartChoice) + ")";
  }
  for (int i = 0; i < kPaintValues; ++i) {
    float v;
    std::memcpy(&v, FieldBytes(&s, kFirstPaintField + i), 4);
    if (!PaintValueInRange(v)) {
      char text[64];
      std::snprintf(text, sizeof text, "paint value %g (a colour is 0-1)", static_cast<double>(v));
      return text;
    }
  }
  return "";
}

}  // namespace

void LoadCarsTable() {
  FILE* f = std::fopen(kCarsIniPath, "rb");
  if (!f) ReportUnusableFile(kCarsIniPath, OpenFailureReason(), true);
  int read = 0;
  bool noisy = false;
  for (int k = 0; k < kCarModels; ++k) {
    uint8_t record[kCarsIniRecordWords * 4];
    // A short file leaves the remaining presets as they were rather than half-read.
    if (f && !noisy && read == k && std::fread(record, sizeof record, 1, f) == 1) {
      ++read;
      bool plausible = true;
      for (size_t w = 0; w < sizeof record; w += 4) plausible = plausible && PlausibleWord(record + w);
      CarSetup stored = CarPresets[k];
      DecodeCarsIniRecord(record, &stored);
      const std::string outside = plausible ? OutsideShopRange(stored) : "";
      if (!plausible) {
        // The rest of the file is not read after noise: its records keep their values.
        noisy = true;
        const std::string why = "car " + std::to_string(k) + " holds values no lorry has";
        ReportUnusableFile(kCarsIniPath, why.c_str(), true);
      } else if (!outside.empty()) {
        // This record alone is refused: the records around it stand at their own places.
        const std::string why = "car " + std::to_string(k) + " holds " + outside;
        ReportUnusableFile(kCarsIniPath, why.c_str(), true);
      } else {
        CarPresets[k] = stored;
      }
    }
    // Preset k is lorry k whatever the file held: the shop and the garage pick the
    // model by it.
    CarPresets[k].modelIndex = k;
  }
  if (f) {
    if (read < kCarModels && !noisy) {
      const std::string why = "holds " + std::to_string(read) + " of the " + std::to_string(kCarModels) + " cars";
      ReportUnusableFile(kCarsIniPath, why.c_str(), true);
    } else if (!noisy && std::fgetc(f) != EOF) {
      ReportUnusableFile(kCarsIniPath, "is longer than a table of 18 cars", true);
    }
    std::fclose(f);
  }
}

void ApplyCarPreset(int k) {
  if (k < 0 || k >= kCarModels) return;
  const CarSetup& p = CarPresets[k];
  CopyFields(&p, &LiveCarSetup, 0, 9);
  CopyFields(&p, &LiveCarSetup, 11, 35);
  LiveCarSetup.engineLevel = LiveCarSetup.suspensionLevel = LiveCarSetup.turboLevel = 0;
  LiveCarSetup.modelIndex = k;
}

void SaveCarSetupToCareer() {
  CopyFields(&LiveCarSetup, Career.carSetup, 0, 9);
  CopyFields(&LiveCarSetup, Career.carSetup, 11, 38);
  Career.CareerCar = LiveCarSetup.modelIndex;
}

void LoadCarSetupFromCareer() {
  CopyFields(Career.carSetup, &LiveCarSetup, 0, 9);
  CopyFields(Career.carSetup, &LiveCarSetup, 11, 38);
  const int32_t model = Career.CareerCar;
  LiveCarSetup.modelIndex = model >= 0 && model < kCarModels ? model : 0;
}
