// The loaded track: which of the three landscapes, and its model layers. The layers
// live from a track load to the garage load that releases them.
#pragma once

class MilkshapeModel;

constexpr int kWorldCount = 3;

struct WorldLayerSet {
  // physic.sbm: the terrain mesh of the race physics world, released once it is built.
  MilkshapeModel* physic = nullptr;
  // objectsK.sbm: the race's roadside-object markers, one triangle per object, typed
  // by group. Kept after the objects are built: the quadtree files them by leaf.
  MilkshapeModel* objects = nullptr;
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
// A fresh WorldLayers.objects, filled from "base/world/<w>/models/objects<K>.sbm" for
// races 1..30 and left empty for any other number or a file that does not load (a
// race without roadside objects). Never fails. GL-free: no textures.
void LoadObjectsLayer(int world, int raceNumber);
void ReleaseObjectsLayer();
