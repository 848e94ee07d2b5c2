#include "race/lamp_table.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "gfx/data_files.h"

float LampTable[kLampSets][kLampsPerSet][kLampCorners][3];

namespace {

constexpr const char* kOpticaPath = "base/optica.ini";
constexpr int kLampFloats = kLampSets * kLampsPerSet * kLampCorners * 3;
// Only the debug outline draw reads the table: a race never needs it, so a bad file is
// named but refuses nothing.
constexpr const char* kRunsOn = "; no race uses the lamp table, the game runs on without it";

}  // namespace

void EncodeOpticaTable(const float table[kLampSets][kLampsPerSet][kLampCorners][3],
                       uint8_t out[kOpticaFileSize]) {
  const float* v = &table[0][0][0][0];
  for (int i = 0; i < kLampFloats; ++i) {
    uint32_t u;
    std::memcpy(&u, &v[i], 4);
    for (int b = 0; b < 4; ++b) out[4 * i + b] = static_cast<uint8_t>(u >> (8 * b));
  }
}

bool DecodeOpticaTable(const uint8_t* data, size_t size,
                       float table[kLampSets][kLampsPerSet][kLampCorners][3]) {
  if (!data || size < kOpticaFileSize) return false;
  float* v = &table[0][0][0][0];
  for (int i = 0; i < kLampFloats; ++i) {
    const uint8_t* p = data + 4 * i;
    const uint32_t u = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                       static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    std::memcpy(&v[i], &u, 4);
  }
  return true;
}

void LoadOpticaTable() {
  FILE* f = std::fopen(kOpticaPath, "rb");
  if (!f) {
    const std::string why = std::string(OpenFailureReason()) + kRunsOn;
    ReportUnusableFile(kOpticaPath, why.c_str());
    return;
  }
  uint8_t bytes[kOpticaFileSize + 1];
  const size_t n = std::fread(bytes, 1, sizeof bytes, f);
  std::fclose(f);
  // A short file would leave the table half old, half new: keep it whole instead.
  float table[kLampSets][kLampsPerSet][kLampCorners][3];
  bool plausible = n == kOpticaFileSize && DecodeOpticaTable(bytes, n, table);
  // Lamp corners lie on a lorry: a few units from its centre, never a wild number.
  const float* v = &table[0][0][0][0];
  for (int i = 0; plausible && i < kLampFloats; ++i) plausible = std::isfinite(v[i]) && std::fabs(v[i]) < 1000.0f;
  if (!plausible) {
    const std::string why = std::string("is not a lamp table: wrong size or values no lorry has") + kRunsOn;
    ReportUnusableFile(kOpticaPath, why.c_str());
    return;
  }
  std::memcpy(LampTable, table, sizeof table);
}

bool SaveOpticaTable() {
  uint8_t bytes[kOpticaFileSize];
  EncodeOpticaTable(LampTable, bytes);
  FILE* f = std::fopen(kOpticaPath, "wb");
  if (!f) return false;
  const bool written = std::fwrite(bytes, sizeof bytes, 1, f) == 1;
  return std::fclose(f) == 0 && written;
}
