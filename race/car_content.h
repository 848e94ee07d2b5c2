// Content that outlives a race: the models and textures of the car in each of the
// four car slots, the part models of the 18 roadside object types and the numbered
// textures. All loaders run on the loader thread with its GL context current, except
// RequestCarReload (main thread) and the GL-free points readers.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "gfx/milkshape.h"
#include "race/car.h"

constexpr int kCarLods = 3;
constexpr int kObjectTypes = 18;
constexpr int kMaxObjectParts = 10;
// Parts of each roadside object type: 0-2 one, 3-6 two, 7-13 one, 14-16 three, 17 one.
extern const int kObjectPartCounts[kObjectTypes];

// The models of one car slot, owned by the slot; null before its first load. The
// slot's three textures are CarColourTextures, CarNormalTextures and
// CarDirtMaskTextures (race/scene_content.h).
struct CarSlotAssets {
  MilkshapeModel* body[kCarLods] = {};
  MilkshapeModel* shadow[kCarLods] = {};
  MilkshapeModel* glass[kCarLods] = {};
  MilkshapeModel* frontWheel[kCarLods] = {};
  MilkshapeModel* rearWheel[kCarLods] = {};
  MilkshapeModel* points = nullptr;
};
extern CarSlotAssets CarSlots[kRaceCarCount];

// The car model loaded in each slot, -1 for none. Written on the loader thread before
// it reports the stage; read by RequestCarReload on the main thread.
extern std::atomic<int> LoadedCarType[kRaceCarCount];
void ResetLoadedCarTypes();  // all four to -1 (renderer start-up)
// The first model or skin of the slot's car that did not load ("" when all did). Set
// by LoadCar on the loader thread, which alone reads it.
std::string CarSlotFault(int slot);

// Dirt painting state per slot, raised by the car loader for the painter.
struct CarDirtState {
  uint8_t paintFlag = 1;   // 1 paint dirt, 0 wash
  float amount = 0.0f;     // splash strength
  uint8_t resetFlag = 1;   // start the skins again from the car's own textures
};
extern CarDirtState CarDirt[kRaceCarCount];
extern int DirtPaintCounter;  // the painter's step counter, -1 before the first step
extern int DirtSplashCount;   // splashes of the last colour step

// Loads the car model the slot wants (slot 0: the live set-up's model; slots 1-3: the
// model index stored in RaceCars[slot]) unless the slot already holds it.
void LoadCar(int slot);
// Reads a points model's marker triangles into a race car: group 0 the wheel offsets
// (last triangle wins, 0.125 added to z), group 1 the exhaust point, group 2 up to ten
// attachment frames. An empty model changes nothing. True when a wheel marker was
// read and its wheels stand under the car's body box, towards its corners (within its
// footprint, at least half way out from the middle): otherwise the car has no wheel
// offsets of its own, keeps the ones it had, and `why` (may be null) says which. GL-free.
bool ReadCarPoints(const Model& points, CSampleCar* car, std::string* why = nullptr);
// "base/cars/<model>/points.sbm" read into the car; false when the model index is
// outside 0..17, the file does not load or it marks no wheel the body can stand on
// (named in a line, as a file that does not load is). GL-free: the race simulation
// tools use it.
bool ReadCarPointsFile(int model, CSampleCar* car);

// Main thread, once per front-end frame: when the player picked another car and the
// menu content is loaded, drops the loader stage to 0 so the loader reloads slot 0.
void RequestCarReload();
extern float CarSwapFade;         // 1 at a reload request; the screens fade it out
extern uint8_t CarReloadPending;  // menu input is ignored while set

// The roadside object part models, [type][part], prepared with tangent frames.
extern MilkshapeModel* ObjectPartModels[kObjectTypes][kMaxObjectParts];
void LoadObjects();
// TextureTable entries 9-70 from base/textures/texNN.tga.
void LoadTextures();
// Set by the loader once LoadTextures has filled the table, cleared by FreeTextures:
// the intro draws its loading box while the loader brings these pictures, and may
// read a texture's name only after this says the write is done.
extern std::atomic<bool> TableTexturesLoaded;
// Shutdown: the 71 numbered textures and the ten shared scene textures.
void FreeTextures();
