// The two per-wheel trail stores of the race cars: tyre marks and wheel dust. Nothing
// of the race writes into them yet (their write positions stay at 0 and no dust lives),
// so their draws come out empty; they are here so that the draws and the cars' rows
// have what they read.
#pragma once

#include <cstdint>

#include "physics/ne.h"
#include "race/car.h"

constexpr int kTyreMarksPerWheel = 400;
constexpr int kDustPerWheel = 100;

// One tyre-mark quad: 47 floats.
struct TyreMark {
  float reserved[24];
  float corners[4][3];   // world space, in drawing order
  float normal[3];
  float unit2[3];        // sent as texture unit 2's coordinate
  float unit1[3];        // sent as texture unit 1's coordinate
  float startStrength;   // at the first two corners
  float endStrength;     // at the last two
};
static_assert(sizeof(TyreMark) == 47 * 4, "a tyre mark is 47 floats");

struct WheelDust {
  neVector3 position;    // where it was thrown up
  neVector3 velocity;    // drift per unit of age
  float reserved;
  float age;             // 0..1, four seconds of life
  uint8_t active;
};

// [car][wheel][record]; the rings' write positions are the cars' skidIndex.
extern TyreMark TyreMarks[kRaceCarCount][kCarWheels][kTyreMarksPerWheel];
extern WheelDust WheelDustStore[kRaceCarCount][kCarWheels][kDustPerWheel];

// The slot of the k-th newest mark of a ring whose write position is head.
int TyreMarkSlot(int head, int k);
