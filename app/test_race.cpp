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

TestPose CurrentTestPose() {
  const CSampleCar& car = RaceCars[0];
  const neVector3 p = car.Position();
  TestPose t;
  t.race = CurrentRaceNumber();
  t.car = car.modelIndex;
  t.countdown = RaceStatus.CountdownRunning.load() ? 1 : 0;
  t.finished = RaceStatus.PlayerFinished.load() ? 1 : 0;
  t.x = p.x, t.y = p.y, t.z = p.z;
  t.hx = car.heading.x, t.hz = car.heading.z;
  t.vx = car.velocity.x, t.vz = car.velocity.z;
  t.speed = car.speed;
  t.steer = RaceControls.steer;
  t.wheelbase = 2.0f * car.WheelOffsetX();
  t.lap = car.lap;
  t.best = ClockSeconds(car.bestLap);
  for (int i = 1; i < kRaceCarCount; ++i) {
    const float b = ClockSeconds(RaceCars[i].bestLap);
    if (b > 0.0f && (t.aiBest == 0.0f || b < t.aiBest)) t.aiBest = b;
  }
  t.recoveries = RaceStatus.PlayerRecoveries;
  return t;
}

namespace {

// One pattern for the writer and the reader: the closing newline reads as any blank.
constexpr const char* kPoseFormat =
    "pose race=%d car=%d countdown=%d finished=%d x=%f y=%f z=%f hx=%f hz=%f vx=%f vz=%f speed=%f steer=%f "
    "wheelbase=%f lap=%d best=%f ai_best=%f recoveries=%d\n";

}  // namespace

int FormatTestPose(const TestPose& t, char* out, size_t size) {
  return std::snprintf(out, size, kPoseFormat, t.race, t.car, t.countdown, t.finished, t.x, t.y, t.z, t.hx, t.hz, t.vx,
                       t.vz, t.speed, t.steer, t.wheelbase, t.lap, t.best, t.aiBest, t.recoveries);
}

bool ParseTestPose(const char* line, TestPose* t) {
  TestPose r;
  const int n = std::sscanf(line, kPoseFormat, &r.race, &r.car, &r.countdown, &r.finished, &r.x, &r.y, &r.z, &r.hx,
                            &r.hz, &r.vx, &r.vz, &r.speed, &r.steer, &r.wheelbase, &r.lap, &r.best, &r.aiBest,
                            &r.recoveries);
  if (n != 18) return false;
  *t = r;
  return true;
}

void PrintTestPose() {
  if (!g_pose) return;
  char line[512];
  const int n = FormatTestPose(CurrentTestPose(), line, sizeof line);
  if (n <= 0 || n >= static_cast<int>(sizeof line)) return;
  std::fputs(line, stdout);
  std::fflush(stdout);
}
