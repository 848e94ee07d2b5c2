// The loaded track: which of the three landscapes, and its model layers. The layers
// live from a track load to the garage load that releases them.
#pragma once

#include "race/world_quadtree_file.h"

class MilkshapeModel;

constexpr int kWorldCount = 3;

struct WorldLayerSet {
  // physic.sbm: the terrain mesh of the race physics world, released once it is built.
  MilkshapeModel* physic = nullptr;
  // The ten render layers in the quadtree's order (main_road, main_landscape,
  // main_map, main_transparency, add_map, add_map2, add_transparency,
  // add_transparency2, shadows, reflections); the draws read them through the leaves.
  MilkshapeModel* render[kRenderLayerCount] = {};
  MilkshapeModel* grass = nullptr;
  MilkshapeModel* trees = nullptr;
  MilkshapeModel* water = nullptr;
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

// The render layers, grass, trees and water of world w with their preparation (the
// road's and the landscape's tangent frames and second texture set from their
// "_linear" companions, material textures where the draws need them). GL: loader
// thread, its context current. Any layer already loaded is replaced.
void LoadRenderLayers(int world);
// grass.sbm, trees.sbm and water.sbm (the water with its textures). GL as above.
void LoadVegetationAndWater(int world);
// Every layer, the physics and objects layers included.
void ReleaseWorldLayers();
// The layers as the world quadtree reads them.
QuadTreeModels WorldQuadTreeModels();
// The world's ten landscape textures (colour and normal maps) and its ten scene
// textures in place of the garage's; the world's light and fog values.
void LoadWorldTextures(int world);
void SetWorldLighting(int world);
// Releases the landscape textures and the scene textures (the garage load puts its own
// scene textures back).
void ReleaseWorldTextures();
