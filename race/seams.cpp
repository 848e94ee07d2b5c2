// SEAM: stand-ins until the race world is built (see race/seams.h).
#include "race/seams.h"

#include "app/handshake.h"
#include "gfx/math3d.h"

int LoadedCarType[4] = {-1, -1, -1, -1};
std::atomic<uint8_t> PlayerFinished{0};
int CityCarCount = 2;
uint8_t CubeMapEnabled = 0;

void LoadOpticaTable() {}
void LoadTextures() {}
void LoadObjects() {}
void LoadCar(int slot) {
  if (slot >= 0 && slot < 4) LoadedCarType[slot] = 0;
}
void RequestCarReload() {}
void LoadWorld(int) {}
void LoadGarage() {}
void FreeTextures() {}
void LoadFPoints(const char*) {}
void StepSimulation() {}
void WakeDisturbedObjects() {}

BonusQueueState BonusQueue = {{}, 0.0f, {}, {}, {}, -1, 0.0f};

float PlayerCarSpeed() { return 0.0f; }
// No cars yet: far beyond every level of detail.
Vector3 RaceCarPosition(int) { return Vector3(1.0e6f, 0.0f, 1.0e6f); }
void RaceCarDrawMatrix(int, Matrix4* out) { out->SetIdentity(); }
void CityCarDrawMatrix(int, Matrix4* out) { out->SetIdentity(); }
void PublishCarRows() {}
void TakeCarRowsForRender() {}
void CollectVisibleLeaves(const Frustum&, int*, int*, int) {}
void CollectShadowVisibleLeaves(const Frustum&, int*, int*, int) {}
void StoreLeafDistance(int, const Vector3&) {}
