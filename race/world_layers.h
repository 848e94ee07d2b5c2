// The loaded track: which of the three landscapes, and its model layers. The layers
// live from a track load to the garage load that releases them.
#pragma once

class MilkshapeModel;

constexpr int kWorldCount = 3;

struct WorldLayerSet {
  // physic.sbm: the terrain mesh of the race physics world, released once it is built.
  MilkshapeModel* physic = nullptr;
};
extern WorldLayerSet WorldLayers;
// The landscape of the loaded (or last loaded) track, 0 at start.
extern int WorldIndex;

// The world of race K: races 1, 4, 7 ... 22 world 0, 2, 5 ... 23 world 1, 3, 6 ... 24
// world 2; any other number keeps current.
int WorldForRace(int raceNumber, int current);
// "base/world/<w>/models/physic.sbm" into WorldLayers.physic (replacing any loaded
// one); false, and no layer, when the file gives no triangles. GL-free.
bool LoadPhysicsLayer(int world);
void ReleasePhysicsLayer();
