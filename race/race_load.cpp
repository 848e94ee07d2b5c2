#include "race/race_load.h"

#include <cstdio>

#include "platform/crt_rand.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "race/city_objects.h"
#include "race/physics_world.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "race/world_layers.h"

void ChooseOpponentModels() {
  for (int s = 1; s < kRaceCarCount; ++s) {
    int r;
    bool taken;
    do {
      r = platform::Rand() % kCarModels;
      taken = false;
      for (int below = 0; below < s; ++below) taken = taken || RaceCars[below].modelIndex == r;
    } while (taken);
    RaceCars[s].modelIndex = r;
  }
}

bool LoadCheckedRacePath(int raceNumber) {
  const char* reason = nullptr;
  char path[64];
  RacePathFile(raceNumber, path, sizeof path);
  if (!LoadRacePath(raceNumber)) {
    std::fprintf(stderr, "race %d: no readable path in %s\n", raceNumber, *path ? path : "(no path file for it)");
    return false;
  }
  if (!RacePathUsable(WaypointTable, WaypointLastIndex, &reason)) {
    std::fprintf(stderr, "race %d: %s: %s\n", raceNumber, path, reason);
    return false;
  }
  return true;
}

bool LoadRacePhysics(int raceNumber) {
  DestroyPhysicsWorld();
  WorldIndex = WorldForRace(raceNumber, WorldIndex);
  if (!LoadCheckedRacePath(raceNumber)) return false;
  if (!LoadPhysicsLayer(WorldIndex)) {
    std::fprintf(stderr, "race %d: world %d has no physics layer\n", raceNumber, WorldIndex);
    return false;
  }
  LoadObjectsLayer(WorldIndex, raceNumber);
  BuildCityObjects(*WorldLayers.objects);
  // A lorry whose points do not read, or mark no wheel, would race without wheels.
  for (CSampleCar& car : RaceCars)
    if (!ReadCarPointsFile(car.modelIndex, &car)) {
      char points[64];
      std::snprintf(points, sizeof points, "base/cars/%d/points.sbm", car.modelIndex);
      std::fprintf(stderr, "race %d: refused: %s cannot be used\n", raceNumber,
                   car.modelIndex >= 0 && car.modelIndex < kCarModels ? points : "a lorry of no model");
      return false;
    }
  ResetRaceStatus();
  ResetBonusQueue();
  return InitPhysicsWorld();
}
