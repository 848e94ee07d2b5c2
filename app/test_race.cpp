#include "app/test_race.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/controls.h"
#include "app/frame.h"
#include "app/loader.h"
#include "race/autopilot.h"
#include "race/car.h"
#include "race/race_status.h"

namespace {

bool g_on = false;
bool g_pose = false;
Autopilot g_pilot;
int32_t g_pilotRace = -1;  // the race load the autopilot's state belongs to

}  // namespace

bool ReadTestRaceSwitch() {
  const char* v = std::getenv("KELVAMOR_TEST_RACE");
  SetTestRace(v != nullptr && std::strcmp(v, "1") == 0);
  const char* pose = std::getenv("KELVAMOR_TEST_POSE");
  SetTestPose(pose != nullptr && std::strcmp(pose, "1") == 0);
  return g_on;
}

bool TestRaceOn() { return g_on; }

void SetTestRace(bool on) {
  g_on = on;
  FixedRaceFrameSeconds = on ? kTestRaceFrameSeconds : 0.0f;
  g_pilotRace = -1;
}

void ApplyTestRace(float ticks) {
  if (!g_on) return;
  const int32_t race = RaceStatus.RaceLoadCount.load();
  if (race != g_pilotRace) {
    // Once per load, in the race's first update: every load restores the full race
    // length, and the HUD reads the count while later updates run. The rules of this
    // very update read it already.
    RaceStatus.RaceLaps.store(kTestRaceLaps);
    g_pilot.Reset();
    g_pilotRace = race;
  }
  g_pilot.Drive(ticks, &RaceControls);
}

void SetTestPose(bool on) { g_pose = on; }

namespace {

float LapSeconds(const RaceClock& c) {
  return static_cast<float>(c.minutes) * 60.0f + static_cast<float>(c.seconds) + c.hundredths * 0.01f;
}

}  // namespace

void PrintTestPose() {
  if (!g_pose) return;
  const CSampleCar& car = RaceCars[0];
  const neVector3 p = car.Position();
  float aiBest = 0.0f;
  for (int i = 1; i < kRaceCarCount; ++i) {
    const float b = LapSeconds(RaceCars[i].bestLap);
    if (b > 0.0f && (aiBest == 0.0f || b < aiBest)) aiBest = b;
  }
  std::printf("pose race=%d car=%d countdown=%d finished=%d x=%.3f y=%.3f z=%.3f hx=%.4f hz=%.4f vx=%.3f vz=%.3f "
              "speed=%.3f steer=%.4f wheelbase=%.3f lap=%d best=%.2f ai_best=%.2f recoveries=%d\n",
              CurrentRaceNumber(), car.modelIndex, RaceStatus.CountdownRunning.load() ? 1 : 0,
              RaceStatus.PlayerFinished.load() ? 1 : 0, p.x, p.y, p.z, car.heading.x, car.heading.z, car.velocity.x,
              car.velocity.z, car.speed, RaceControls.steer, 2.0f * car.WheelOffsetX(), car.lap,
              LapSeconds(car.bestLap), aiBest, RaceStatus.PlayerRecoveries);
  std::fflush(stdout);
}
