#include "race/tyre_curves.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <string>

#include "gfx/data_files.h"

float DriveGripTable[kGripCurvePoints];
float LateralGripTable[kGripCurvePoints];
// Two peaks of full torque at 6/16 and 10/16 of the engine's speed range.
const float kEngineTorqueTable[kTorqueCurvePoints] = {0.55f, 0.66f, 0.77f, 0.86f, 0.93f, 0.98f,
                                                      1.0f,  0.99f, 0.98f, 0.99f, 1.0f,  0.97f,
                                                      0.93f, 0.88f, 0.84f, 0.74f, 0.65f};

namespace {

// Only the first 3000 bytes of fpoints.ini are scanned.
constexpr size_t kFPointsScanLimit = 3000;
constexpr size_t kFPointsNumberWidth = 7;
constexpr double kFPointsLimit = 10.0;

float Lookup(const float* table, int intervals, float x) {
  const float scaled = static_cast<float>(intervals) * x;
  int i = static_cast<int>(scaled);
  const float f = scaled - static_cast<float>(i);
  int j = i + 1;
  if (i < 0) i = 0;
  if (j > intervals) j = intervals;
  // Only the torque curve takes an unclamped input; keep even a wild one in the table.
  if (i > intervals) i = intervals;
  if (j < 0) j = 0;
  return table[i] + (table[j] - table[i]) * f;
}

}  // namespace

float ClampFloat(float x, float lo, float hi) {
  if (x < lo) x = lo;
  if (x > hi) x = hi;
  return x;
}

float DriveGripCurve(float x) {
  return Lookup(DriveGripTable, kGripCurvePoints - 1, ClampFloat(x, 0.0f, 1.0f));
}

float LateralGripCurve(float x) {
  return Lookup(LateralGripTable, kGripCurvePoints - 1, ClampFloat(x, 0.0f, 1.0f));
}

float EngineTorqueCurve(float x) { return Lookup(kEngineTorqueTable, kTorqueCurvePoints - 1, x); }

int DecodeFPoints(const char* text, size_t size, float drive[kGripCurvePoints],
                  float lateral[kGripCurvePoints]) {
  if (!text) return 0;
  const size_t limit = size < kFPointsScanLimit ? size : kFPointsScanLimit;
  int found = 0;
  for (size_t i = 1; i < limit; ++i) {
    if (text[i] != '.') continue;
    // A point in the first byte has no digit before it, and a number near the end of
    // the text is cut short there: the copy is always terminated.
    char number[kFPointsNumberWidth + 1] = {};
    for (size_t k = 0; k < kFPointsNumberWidth && i - 1 + k < size; ++k) number[k] = text[i - 1 + k];
    // One digit before the point keeps a number of the format below 10 either way;
    // only an exponent ("9.e9999", "3.e38") goes further, to infinite grip or to two
    // neighbours whose difference the lookup cannot hold. Such a number reads as 0,
    // as text that is no number does.
    const double d = std::atof(number);
    const float v = std::fabs(d) < kFPointsLimit ? static_cast<float>(d) : 0.0f;
    if (found < kGripCurvePoints) drive[found] = v;
    else if (found < 2 * kGripCurvePoints) lateral[found - kGripCurvePoints] = v;
    ++found;
  }
  return found;
}

void LoadFPoints(const char* path) {
  FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (!f) {
    ReportUnusableFile(path, OpenFailureReason(), true);
    return;
  }
  std::vector<char> text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.insert(text.end(), buffer, buffer + n);
  std::fclose(f);
  const int found = DecodeFPoints(text.data(), text.size(), DriveGripTable, LateralGripTable);
  if (found < 2 * kGripCurvePoints) {
    const std::string why = "holds " + std::to_string(found) + " of the " + std::to_string(2 * kGripCurvePoints) +
                            " grip curve points";
    ReportUnusableFile(path, why.c_str(), true);
  }
}
