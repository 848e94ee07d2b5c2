#include "race/world_layers.h"

#include <cstdio>
#include <cstring>

#include "gfx/milkshape.h"
#include "gfx/renderer.h"
#include "gfx/texture.h"
#include "race/scene_content.h"

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

namespace {

// File names of the render layers, in the quadtree's order.
const char* const kRenderLayerNames[kRenderLayerCount] = {
    "main_road", "main_landscape", "main_map", "main_transparency", "add_map",
    "add_map2",  "add_transparency", "add_transparency2", "shadows", "reflections"};

constexpr int kLandscapeMaps = 5;  // landscape00-04, each with its _n normal map

// The light and fog values of each world, in the record's order.
constexpr float kWorldLighting[kWorldCount][14] = {
    {0.75f, 1.3e-5f, 0.75f, 0.75f, 0.75f, 1.0f, 0.6f, 0.6f, 0.6f, 1.0f, 350.0f, 0.6f, 0.6f, 0.6f},
    {0.83f, 1.2e-5f, 0.8f, 0.75f, 0.7f, 1.0f, 0.9f, 0.7f, 0.5f, 1.0f, 450.0f, 0.65f, 0.65f, 0.65f},
    {0.88f, 8e-6f, 0.65f, 0.65f, 0.65f, 1.0f, 0.8f, 0.65f, 0.5f, 1.0f, 500.0f, 0.65f, 0.65f, 0.65f}};

void ModelPath(int world, const char* name, char* out, size_t size) {
  std::snprintf(out, size, "base/world/%d/models/%s.sbm", world, name);
}

void TextureFolder(int world, char* out, size_t size) {
  std::snprintf(out, size, "base/world/%d/textures/", world);
}

MilkshapeModel* LoadLayer(int world, const char* name) {
  char path[96];
  ModelPath(world, name, path, sizeof path);
  MilkshapeModel* m = new MilkshapeModel;
  // A layer that does not load stays empty: it draws nothing.
  m->Load(path);
  return m;
}

void Replace(MilkshapeModel** slot, MilkshapeModel* model) {
  delete *slot;
  *slot = model;
}

// The road and the landscape: textures, tangent frames, the second texture set from
// the "_linear" companion (held only while copying) and its frames.
MilkshapeModel* LoadSurfaceLayer(int world, const char* name, const char* folder) {
  MilkshapeModel* m = LoadLayer(world, name);
  m->LoadMaterialTextures(folder);
  m->ComputeTangentFrames();
  char linearName[64];
  std::snprintf(linearName, sizeof linearName, "%s_linear", name);
  MilkshapeModel* linear = LoadLayer(world, linearName);
  m->CopyLinearTexCoords(*linear);
  delete linear;
  m->ComputeTangentFramesUV2();
  return m;
}

}  // namespace

void LoadRenderLayers(int world) {
  char folder[64];
  TextureFolder(world, folder, sizeof folder);
  MilkshapeModel** render = WorldLayers.render;
  Replace(&render[kLayerMainRoad], LoadSurfaceLayer(world, kRenderLayerNames[kLayerMainRoad], folder));
  Replace(&render[kLayerMainLandscape], LoadSurfaceLayer(world, kRenderLayerNames[kLayerMainLandscape], folder));
  for (int k : {kLayerMainMap, kLayerMainTransparency}) {
    MilkshapeModel* m = LoadLayer(world, kRenderLayerNames[k]);
    m->LoadMaterialTextures(folder);
    Replace(&render[k], m);
  }
  for (int k = kLayerAddMap; k < kRenderLayerCount; ++k) Replace(&render[k], LoadLayer(world, kRenderLayerNames[k]));
}

void LoadVegetationAndWater(int world) {
  char folder[64];
  TextureFolder(world, folder, sizeof folder);
  Replace(&WorldLayers.grass, LoadLayer(world, "grass"));
  Replace(&WorldLayers.trees, LoadLayer(world, "trees"));
  MilkshapeModel* water = LoadLayer(world, "water");
  water->LoadMaterialTextures(folder);
  Replace(&WorldLayers.water, water);
}

void ReleaseWorldLayers() {
  ReleasePhysicsLayer();
  ReleaseObjectsLayer();
  for (MilkshapeModel*& m : WorldLayers.render) Replace(&m, nullptr);
  Replace(&WorldLayers.grass, nullptr);
  Replace(&WorldLayers.trees, nullptr);
  Replace(&WorldLayers.water, nullptr);
}

QuadTreeModels WorldQuadTreeModels() {
  QuadTreeModels models;
  for (int k = 0; k < kRenderLayerCount; ++k) models.layers[k] = WorldLayers.render[k];
  models.objects = WorldLayers.objects;
  return models;
}

void LoadWorldTextures(int world) {
  char folder[64];
  TextureFolder(world, folder, sizeof folder);
  char path[128];
  for (int i = 0; i < kLandscapeMaps; ++i) {
    std::snprintf(path, sizeof path, "%slandscape%02d.tga", folder, i);
    LandscapeTextures[i].LoadTGA(path, kTextureAnisotropic);
    std::snprintf(path, sizeof path, "%slandscape%02d_n.tga", folder, i);
    LandscapeTextures[kLandscapeMaps + i].LoadTGA(path, kTextureAnisotropic);
  }
  for (Texture& t : SharedSceneTextures) t.Release();
  for (int i = 0; i < kSharedSceneTextureCount; ++i) {
    std::snprintf(path, sizeof path, "%sworld%02d.tga", folder, i);
    SharedSceneTextures[i].LoadTGA(path, i == 1 ? kTextureCompressedWrapS : kTextureClampedMipmapped);
  }
}

void SetWorldLighting(int world) {
  if (world < 0 || world >= kWorldCount) return;
  static_assert(sizeof kWorldLighting[0] == sizeof(SceneLighting), "14 lighting values");
  std::memcpy(&Lighting, kWorldLighting[world], sizeof Lighting);
}

void ReleaseWorldTextures() {
  for (Texture& t : LandscapeTextures) t.Release();
  for (Texture& t : SharedSceneTextures) t.Release();
}
