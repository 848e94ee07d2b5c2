// Lamp outlines from base/optica.ini: six sets of four lamps of four corner points.
// Only a debug outline draw reads it; the game loads it once at start-up.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kLampSets = 6;
constexpr int kLampsPerSet = 4;
constexpr int kLampCorners = 4;
constexpr size_t kOpticaFileSize = kLampSets * kLampsPerSet * kLampCorners * 3 * 4;  // 1152

// [set][lamp][corner][x, y, z]; all 0 at start.
extern float LampTable[kLampSets][kLampsPerSet][kLampCorners][3];

// The 1152 bytes: 288 little-endian floats, coordinate fastest, then corner, lamp, set.
void EncodeOpticaTable(const float table[kLampSets][kLampsPerSet][kLampCorners][3],
                       uint8_t out[kOpticaFileSize]);
// False, table untouched, for fewer than 1152 bytes.
bool DecodeOpticaTable(const uint8_t* data, size_t size,
                       float table[kLampSets][kLampsPerSet][kLampCorners][3]);

// Reads "base/optica.ini"; a missing file, or one that is not a whole table of
// lorry-sized values, is named and leaves the table as it is. No race needs the table,
// so such a file is not one that refuses races (gfx/data_files.h).
void LoadOpticaTable();
// Writes the table back to "base/optica.ini"; false when it cannot be written.
bool SaveOpticaTable();
