#include "race/wheel_trails.h"

TyreMark TyreMarks[kRaceCarCount][kCarWheels][kTyreMarksPerWheel];
WheelDust WheelDustStore[kRaceCarCount][kCarWheels][kDustPerWheel];

int TyreMarkSlot(int head, int k) {
  int slot = (head - 1 - k) % kTyreMarksPerWheel;
  if (slot < 0) slot += kTyreMarksPerWheel;
  return slot;
}
