#include "tools/race_sim/race_session.h"

#include <cstdarg>
#include <cstdio>

#include "app/controls.h"
#include "app/frame.h"
#include "app/race_update.h"
#include "app/settings.h"
#include "platform/crt_rand.h"
#include "race/car.h"
#include "race/car_setup.h"
#include "race/city_objects.h"
#include "race/physics_world.h"
#include "race/race_load.h"
#include "race/race_status.h"
#include "race/tyre_curves.h"

RaceSessionState RaceSession;

bool OpenRaceSession(const RaceSessionOptions& options) {
  CloseRaceSession();
  RaceSession = RaceSessionState{};
  RaceSession.options = options;
  Settings = DefaultSettings();
  Settings.sound = 0;
  Settings.music = 0;
  Settings.transmission = 0;
  TrafficCarCount = 0;
  PreviousStepDt = 0.0f;
  RaceControls = DriverControlState{};
  RaceControls.clutch = 1.0f;  // pedal up
  LoadFPoints("base/fpoints.ini");
  InitCarSetupDefaults();
  LoadCarsTable();
  platform::SeedRand(options.seed);
  RaceCars[0].modelIndex = options.car;
  ChooseOpponentModels();
  if (!LoadRacePhysics(options.race)) return false;
  PublishCarRows();
  PublishCityObjects();
  RaceSession.loaded = true;
  return true;
}

void StepRaceFrame() {
  // Timed as the game's worker times a frame of that length.
  CountFrame(RaceSession.options.frameSeconds);
  const bool running = RaceStatus.CountdownRunning.load() == 0;
  StepSimulation();
  WakeDisturbedObjects();
  AdvanceCountdownClock(FrameTiming.FrameTicks);
  AdvanceBonusClocks(FrameTiming.FrameTicks);
  PublishCarRows();
  PublishCityObjects();
  ++RaceSession.frames;
  if (running && !RaceStatus.PlayerFinished.load()) RaceSession.raceSeconds += RaceSession.options.frameSeconds;
}

void RunCountdown() {
  const int64_t limit = static_cast<int64_t>(10.0f / RaceSession.options.frameSeconds);
  for (int64_t i = 0; i < limit && RaceStatus.CountdownRunning.load(); ++i) StepRaceFrame();
}

void CloseRaceSession() {
  DestroyPhysicsWorld();
  RaceSession.loaded = false;
}

std::string FormatFigures(const char* fmt, ...) {
  char buffer[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}
