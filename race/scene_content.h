// Content that stays loaded between races: the garage scene the menus show the lorry
// in, the shared car running gear, and the ten shared scene textures (the garage's
// world00-09, replaced by a track's own while it is loaded).
#pragma once

#include "gfx/milkshape.h"
#include "gfx/texture.h"

enum GarageModelId : int { kGarageMain = 0, kGarageSpecial = 1, kGarageGround = 2, kGarageTransparency = 3 };
constexpr int kGarageModelCount = 4;
constexpr int kCarPartLevels = 3;
constexpr int kCarPartsPerLevel = 5;
constexpr int kSharedSceneTextureCount = 10;
constexpr int kLandscapeTextureCount = 10;
constexpr int kCarSlots = 4;

// Owned here; null until loaded. The world loader frees the garage models.
extern MilkshapeModel* GarageModels[kGarageModelCount];
extern MilkshapeModel* CarPartModels[kCarPartLevels * kCarPartsPerLevel];
extern Texture SharedSceneTextures[kSharedSceneTextureCount];
extern Texture LandscapeTextures[kLandscapeTextureCount];
// LandscapeTextures: landscape00-04, then their normal maps.
constexpr int kLandscapeNormalOffset = 5;
// The landscape maps whose luminance the land's detail reads.
constexpr int kLandDetail0Map = 3;
constexpr int kLandDetail1Map = 4;
// Per car slot: body colour, normal map, dirt mask.
extern Texture CarColourTextures[kCarSlots];
extern Texture CarNormalTextures[kCarSlots];
extern Texture CarDirtMaskTextures[kCarSlots];

// The garage's four models with their preparation, replacing any loaded ones.
void LoadGarageModels();
// The 15 running-gear models "base/cars/parts/lod<L>_part<P>.sbm", with tangent frames.
void LoadCarPartModels();
// world00-09 of the garage into SharedSceneTextures (mode 4 for world01, else mode 3).
void LoadGarageSceneTextures();
// The garage's light and fog values.
void SetGarageLighting();
// Everything the garage behind the menus draws: the running gear, the garage's models,
// textures and light, in the order the menus' start needs them.
void LoadGarageContent();
void FreeGarageModels();
