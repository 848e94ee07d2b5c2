#include "race/track_loader.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "app/handshake.h"
#include "app/settings.h"
#include "app/sound.h"
#include "frontend/screens.h"
#include "gfx/data_files.h"
#include "gfx/particles.h"
#include "platform/crt_rand.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "race/city_objects.h"
#include "race/physics_world.h"
#include "race/race_load.h"
#include "race/race_status.h"
#include "race/scene_content.h"
#include "race/world_layers.h"
#include "race/world_quadtree.h"
#include "render/camera_state.h"
#include "render/countdown.h"
#include "render/cube_map.h"
#include "render/ground_maps.h"

int RaceMusicTrack = 1;
unsigned FixedTrackSeed = 0;

namespace {

constexpr int kHandoverWaiting = 100;
constexpr int kRaceMusicTracks = 4;
constexpr int kFlyoverVariants = 3;

void DropMusic() {
  if (Settings.music) MusicSource.Stop();
  MusicSource.Release();
}

// The main thread paints the cars' dirt meanwhile, on the shared context; it answers
// with any other value. A program that ends meanwhile must not leave this thread
// spinning.
void HandOver() {
  Handshake.WorldHandover.store(kHandoverWaiting);
  while (Handshake.WorldHandover.load() == kHandoverWaiting && !Handshake.AppDone.load()) {
  }
}

void ResetRaceViews() {
  CubeMapRefresh = 1;
  CameraState.up = Vector3(0.0f, 1.0f, 0.0f);
  RenderCamera.up = Vector3(0.0f, 1.0f, 0.0f);
  RenderCamera.speedFactor = 0.0f;
  CameraState.flyoverVariant = platform::Rand() % kFlyoverVariants;
  CountdownBeepStage = 0;
}

}  // namespace

namespace {

// Back to the menus, as a race without a usable path is: the menus' garage returns.
bool RefuseRace(int raceNumber, const std::string& file) {
  std::fprintf(stderr, "race %d: refused: %s cannot be used\n", raceNumber, file.c_str());
  LoadGarage();
  return false;
}

}  // namespace

bool LoadWorld(int raceNumber) {
  const int world = WorldForRace(raceNumber, WorldIndex);
  WorldIndex = world;
  platform::SeedRand(FixedTrackSeed != 0 ? FixedTrackSeed : static_cast<unsigned>(std::time(nullptr)));
  // A race the rules cannot run is refused before anything of the menus is let go.
  if (!LoadCheckedRacePath(raceNumber)) return false;
  DropMusic();
  FreeGarageModels();

  if (!LoadPhysicsLayer(world)) {
    std::fprintf(stderr, "race %d: world %d has no physics layer\n", raceNumber, world);
    LoadGarage();
    return false;
  }
  const uint32_t faultsBefore = UnusableFileCount();
  LoadRenderLayers(world);
  LoadObjectsLayer(world, raceNumber);
  BuildCityObjects(*WorldLayers.objects);
  LoadVegetationAndWater(world);
  // A layer that did not read would leave the quadtree without its triangles: the file
  // is named, not the quadtree that no longer matches it.
  if (UnusableFileCount() != faultsBefore) return RefuseRace(raceNumber, LastUnusableFile());
  const std::string table = LastingUnusableFile();
  if (!table.empty()) return RefuseRace(raceNumber, table);
  if (!BuildWorldQuadTree(world, WorldQuadTreeModels())) {
    std::fprintf(stderr, "race %d: base/world/%d/qt.qt does not match the world's layers\n", raceNumber, world);
    LoadGarage();
    return false;
  }
  DropUnbuiltObjects(CityObjectCount);
  const uint32_t texturesBefore = UnusableFileCount();
  LoadWorldTextures(world);
  if (UnusableFileCount() != texturesBefore) return RefuseRace(raceNumber, LastUnusableFile());
  SetWorldLighting(world);
  // The ground programs' packs are made here, not in the race's first frame.
  BuildGroundMaps();

  RaceCars[0].modelIndex = LiveCarSetup.modelIndex;
  ChooseOpponentModels();
  for (int s = 1; s < kRaceCarCount; ++s) LoadCar(s);
  // A lorry without its body (or wheels, or glass) would race as a shadow.
  for (int s = 0; s < kRaceCarCount; ++s) {
    const std::string broken = CarSlotFault(s);
    if (!broken.empty()) return RefuseRace(raceNumber, broken);
  }

  HandOver();

  ResetRaceViews();
  ResetRaceStatus();
  // The player's exhaust smokes from the start; set here once, not every frame from
  // the worker while the main thread draws it.
  SmokePipeEmitters[0].startLife.store(1.0f);
  SmokePipeEmitters[0].emitting.store(true);
  if (!InitPhysicsWorld()) {
    std::fprintf(stderr, "race %d: no physics world\n", raceNumber);
    LoadGarage();
    return false;
  }
  for (auto& set : CrashSoundSlots)
    for (CrashSoundSlot& slot : set) slot = CrashSoundSlot{};

  RaceMusicTrack = platform::Rand() % kRaceMusicTracks + 1;
  char music[32];
  std::snprintf(music, sizeof music, "base/music/%d.wav", RaceMusicTrack);
  MusicSource.Load(music, true);
  if (Settings.music) MusicSource.Play();
  ResetBonusQueue();
  RaceStatus.RaceLoadCount.fetch_add(1);
  return true;
}

void LoadGarage() {
  StopAllSounds();
  DropMusic();
  DestroyPhysicsWorld();
  ReleaseWorldLayers();
  FreeWorldQuadTree();
  ForgetGroundMaps();
  ReleaseWorldTextures();
  LoadGarageSceneTextures();
  SetGarageLighting();
  RaceStatus.CountdownValue.store(0.0f);
  RaceStatus.CountdownRunning.store(1);
  RaceStatus.PlayerFinished.store(0);
  LoadGarageModels();
  MusicSource.Load("base/music/menu.wav", true);
  if (Settings.music && TargetScreen.load() != kScreenRace) MusicSource.Play();
}
