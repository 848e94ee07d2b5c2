#include "race/scene_content.h"

#include <cstdio>
#include <cstring>

#include "gfx/renderer.h"

MilkshapeModel* GarageModels[kGarageModelCount] = {};
MilkshapeModel* CarPartModels[kCarPartLevels * kCarPartsPerLevel] = {};

namespace {

constexpr const char* kGarageFolder = "base/garage/";

struct GarageModelFile {
  const char* path;
  bool tangentFrames;
};
const GarageModelFile kGarageFiles[kGarageModelCount] = {
    {"base/garage/garage.sbm", false},
    {"base/garage/special.sbm", true},
    {"base/garage/ground.sbm", true},
    {"base/garage/transparency.sbm", false},
};

void Replace(MilkshapeModel** slot, MilkshapeModel* model) {
  delete *slot;
  *slot = model;
}

}  // namespace

void LoadGarageModels() {
  for (int i = 0; i < kGarageModelCount; ++i) {
    MilkshapeModel* m = new MilkshapeModel;
    m->Load(kGarageFiles[i].path);
    m->LoadMaterialTextures(kGarageFolder);
    if (kGarageFiles[i].tangentFrames) m->ComputeTangentFrames();
    Replace(&GarageModels[i], m);
  }
}

void LoadCarPartModels() {
  for (int level = 0; level < kCarPartLevels; ++level)
    for (int part = 0; part < kCarPartsPerLevel; ++part) {
      char path[64];
      std::snprintf(path, sizeof path, "base/cars/parts/lod%d_part%d.sbm", level, part);
      MilkshapeModel* m = new MilkshapeModel;
      m->Load(path);
      m->ComputeTangentFrames();
      Replace(&CarPartModels[level * kCarPartsPerLevel + part], m);
    }
}

void LoadGarageSceneTextures() {
  for (int i = 0; i < kSharedSceneTextureCount; ++i) {
    char path[64];
    std::snprintf(path, sizeof path, "base/garage/world%02d.tga", i);
    SharedSceneTextures[i].Release();
    SharedSceneTextures[i].LoadTGA(path, i == 1 ? kTextureCompressedWrapS : kTextureClampedMipmapped);
  }
}

void SetGarageLighting() {
  const float garage[14] = {0.83f, 0.000012f, 0.8f, 0.75f, 0.7f, 1.0f, 0.9f,
                            0.7f,  0.5f,      1.0f, 450.0f, 0.65f, 0.65f, 0.65f};
  static_assert(sizeof garage == sizeof(SceneLighting), "14 lighting values");
  std::memcpy(&Lighting, garage, sizeof garage);
}

void LoadGarageContent() {
  LoadCarPartModels();
  LoadGarageModels();
  LoadGarageSceneTextures();
  SetGarageLighting();
}

void FreeGarageModels() {
  for (MilkshapeModel*& m : GarageModels) Replace(&m, nullptr);
}
