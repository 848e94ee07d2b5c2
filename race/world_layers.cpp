#include "race/world_layers.h"

#include <cstdio>

#include "gfx/milkshape.h"

WorldLayerSet WorldLayers;
int WorldIndex = 0;

namespace {
// Races beyond the three worlds' rotation keep the world they find.
constexpr int kLastRotatedRace = 24;
}  // namespace

int WorldForRace(int raceNumber, int current) {
  if (raceNumber < 1 || raceNumber > kLastRotatedRace) return current;
  return (raceNumber - 1) % kWorldCount;
}

bool LoadPhysicsLayer(int world) {
  ReleasePhysicsLayer();
  char path[64];
  std::snprintf(path, sizeof path, "base/world/%d/models/physic.sbm", world);
  MilkshapeModel* model = new MilkshapeModel;
  if (!model->Load(path) || model->triangleCount <= 0) {
    delete model;
    return false;
  }
  WorldLayers.physic = model;
  return true;
}

void ReleasePhysicsLayer() {
  delete WorldLayers.physic;
  WorldLayers.physic = nullptr;
}
