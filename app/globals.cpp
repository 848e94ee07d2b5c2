// The game's global objects with constructors, all in this one file so they are built
// in this order before main and destroyed in the reverse order after it (the texture
// tables last, long after the window and its GL context are gone; releasing a texture
// is harmless then). Every other game global is zero-initialised or constant.
//
// The race world's objects follow the emitters and the race frame records: the car
// controller callback, the four race cars and the 1000 roadside objects (the city cars
// join them when those are built).
#include "app/race_snapshot.h"
#include "gfx/particles.h"
#include "gfx/texture.h"
#include "race/car.h"
#include "race/city_car.h"
#include "race/city_objects.h"
#include "race/scene_content.h"

// The numbered textures tex00-tex70.
Texture TextureTable[kTextureTableSize];
// Per car slot: body colour, normal map, dirt mask.
Texture CarColourTextures[kCarSlots];
Texture CarNormalTextures[kCarSlots];
Texture CarDirtMaskTextures[kCarSlots];
// The garage's world00-09, replaced by a track's own scene textures while it is loaded.
Texture SharedSceneTextures[kSharedSceneTextureCount];
// The track's landscape textures.
Texture LandscapeTextures[kLandscapeTextureCount];

ParticleEmitter FirePipeEmitters[kCarEmitters];
ParticleEmitter SmokePipeEmitters[kCarEmitters];
ParticleEmitter DustEmitters[kDustEmitters];
ParticleEmitter CheckpointLightEmitter;

// The race update's results: the draw matrices of the race cars and city cars live in
// these, worker copy, published copy and render copy.
RaceFrameResults WorkingResults;
RaceFrameResults PublishedResults;
RaceFrameResults RenderSnapshot;

// The engine calls the cars' dynamics through this one callback object.
CControllerCB CarController;
CSampleCar RaceCars[kRaceCarCount];
CityObject CityObjects[kMaxCityObjects];
CityCar CityCars[kCityCarCount];
