// SEAM: being written (the car and content loaders); the least the shell needs.
#include "race/car_content.h"

#include "race/car_setup.h"

std::atomic<int> LoadedCarType[kRaceCarCount] = {{-1}, {-1}, {-1}, {-1}};
CarSlotAssets CarSlots[kRaceCarCount];
CarDirtState CarDirt[kRaceCarCount];
int DirtPaintCounter = -1;
int DirtSplashCount = 0;
float CarSwapFade = 0.0f;
uint8_t CarReloadPending = 0;
MilkshapeModel* ObjectPartModels[kObjectTypes][kMaxObjectParts] = {};
const int kObjectPartCounts[kObjectTypes] = {1, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 3, 3, 3, 1};

void ResetLoadedCarTypes() {
  for (std::atomic<int>& t : LoadedCarType) t.store(-1);
}
void LoadCar(int slot) {
  if (slot >= 0 && slot < kRaceCarCount) LoadedCarType[slot].store(slot == 0 ? LiveCarSetup.modelIndex : RaceCars[slot].modelIndex);
}
void ReadCarPoints(const Model&, CSampleCar*) {}
bool ReadCarPointsFile(int, CSampleCar*) { return false; }
void RequestCarReload() {}
void LoadObjects() {}
void LoadTextures() {}
void FreeTextures() {}
