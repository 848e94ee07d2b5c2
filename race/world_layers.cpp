#include "race/world_layers.h"

#include <cstdio>

#include "gfx/milkshape.h"

WorldLayerSet WorldLayers;
int WorldIndex = 0;

namespace {
// Races beyond the three worlds' rotation keep the world they find.
constexpr int kLastRotatedRace = 24;
// Every race number up to this one has its own objects layer.
constexpr int kLastObjectsRace = 30;
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

void LoadObjectsLayer(int world, int raceNumber) {
  ReleaseObjectsLayer();
  WorldLayers.objects = new MilkshapeModel;
  if (raceNumber < 1 || raceNumber > kLastObjectsRace) return;
  char path[64];
  std::snprintf(path, sizeof path, "base/world/%d/models/objects%d.sbm", world, raceNumber);
  // A failed read leaves the model empty: the race simply has no objects.
  WorldLayers.objects->Load(path);
}

void ReleaseObjectsLayer() {
  delete WorldLayers.objects;
  WorldLayers.objects = nullptr;
}
