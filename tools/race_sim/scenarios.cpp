#include "tools/race_sim/scenarios.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "app/controls.h"
#include "race/car.h"
#include "race/car_control.h"
#include "race/physics_world.h"
#include "race/race_status.h"
#include "race/tyre_curves.h"
#include "race/waypoints.h"

namespace {

constexpr float kParkDistance = 40.0f;
constexpr int kLookAhead = 3;  // waypoints (7 units apart) ahead of the nearest

int FramesFor(const RaceSessionOptions& o, float seconds) {
  return static_cast<int>(seconds / o.frameSeconds + 0.5f);
}

CSampleCar& Player() { return RaceCars[0]; }

float Heading(const CSampleCar& car) {
  const neVector3 x = car.body->GetRotationMatrix().col[0];
  return std::atan2(-x.z, x.x);  // from +X toward -Z, as the game measures angles
}

float WrapAngle(float a) {
  while (a > 3.14159265f) a -= 6.2831853f;
  while (a < -3.14159265f) a += 6.2831853f;
  return a;
}

float ForwardSpeed(const CSampleCar& car) {
  return car.body->GetVelocity().Dot(car.body->GetRotationMatrix().col[0]);
}

// Cars 1-3 out of the way for a scenario about the player alone: 40 units to their
// side of the road, taken out of the simulation.
void ParkOpponents() {
  const neVector3 d = StartDirection();
  const neVector3 s = neV3(d.z, 0.0f, -d.x);
  for (int i = 1; i < kRaceCarCount; ++i) {
    neRigidBody* b = RaceCars[i].body;
    if (!b) continue;
    const float side = (i % 2 == 0) ? 1.0f : -1.0f;
    b->SetPosition(b->GetPosition() + s.Scaled(side * kParkDistance));
    b->SetActive(false);
  }
}


void Drive(float throttle, float brake, float steer) {
  RaceControls.accelerator = throttle;
  RaceControls.brake = brake;
  RaceControls.steer = steer;
}

// Full throttle along the path until the player's lorry runs at speed; false when it
// does not within the given seconds.
bool DriveUpTo(const RaceSessionOptions& o, float speed, float seconds) {
  for (int f = FramesFor(o, seconds); f > 0; --f) {
    if (Player().speed >= speed) return true;
    Drive(1.0f, 0.0f, FollowPathSteering());
    StepRaceFrame();
  }
  return Player().speed >= speed;
}

ScenarioResult Failed(const char* why) { return ScenarioResult{false, why}; }

// Every car where the grid puts it, facing the road, and no two boxes overlapping.
ScenarioResult Grid(const RaceSessionOptions& o) {
  if (!OpenRaceSession(o)) return Failed("load refused");
  const neVector3 d = StartDirection();
  float worstOffset = 0.0f, worstFacing = 1.0f;
  bool disjoint = true;
  for (int i = 0; i < kRaceCarCount; ++i) {
    const CSampleCar& car = RaceCars[i];
    if (!car.body) return Failed("a car has no body");
    const neVector3 p = car.body->GetPosition();
    const neVector3 want = GridPosition(i, d);
    worstOffset = std::fmax(worstOffset, (p - want).Length());
    worstFacing = std::fmin(worstFacing, car.body->GetRotationMatrix().col[0].Dot(d));
    // All cars share one orientation on the grid, so box overlap is a per-axis test
    // in the car's frame.
    for (int j = i + 1; j < kRaceCarCount; ++j) {
      const neVector3 rel = car.body->GetRotationMatrix().TransposeMultiply(RaceCars[j].Position() - p);
      const bool apart = std::fabs(rel.x) >= kCarBoxSize.x || std::fabs(rel.y) >= kCarBoxSize.y ||
                         std::fabs(rel.z) >= kCarBoxSize.z;
      disjoint = disjoint && apart;
    }
  }
  ScenarioResult r;
  r.pass = worstOffset <= 1e-3f && worstFacing >= 0.9999f && disjoint;
  r.figures = FormatFigures("offset=%.5f facing=%.6f disjoint=%d", worstOffset, worstFacing, disjoint ? 1 : 0);
  return r;
}

// The countdown held three seconds past its end, so that nobody drives: every wheel
// on its spring's rest, every car still and upright (the opponents rev on the brake).
ScenarioResult Settle(const RaceSessionOptions& o) {
  if (!OpenRaceSession(o)) return Failed("load refused");
  for (int f = FramesFor(o, kCountdownRelease - kCountdownStart + 3.0f); f > 0; --f) {
    StepRaceFrame();
    RaceStatus.CountdownRunning.store(1);
  }
  float dropLow = 10.0f, dropHigh = -10.0f, fastest = 0.0f, lowestUp = 1.0f;
  for (const CSampleCar& car : RaceCars) {
    if (!car.body) return Failed("a car has no body");
    for (float drop : car.wheelDrop) {
      dropLow = std::fmin(dropLow, drop);
      dropHigh = std::fmax(dropHigh, drop);
    }
    fastest = std::fmax(fastest, car.body->GetVelocity().Length());
    lowestUp = std::fmin(lowestUp, car.body->GetRotationMatrix().col[1].y);
  }
  ScenarioResult r;
  r.pass = dropLow >= 0.95f && dropHigh <= 1.05f && fastest < 0.05f && lowestUp > 0.995f;
  r.figures = FormatFigures("drop=%.4f..%.4f speed=%.4f up_y=%.5f", dropLow, dropHigh, fastest, lowestUp);
  return r;
}

// Full throttle along the road: the automatic gearbox climbs to fourth and beyond,
// the wheels roll with the ground, the drag wall caps the speed and the engine rpm.
ScenarioResult Straight(const RaceSessionOptions& o) {
  if (!OpenParked(o)) return Failed("load refused");
  double reached = -1.0;
  float top = 0.0f, topRpm = 0.0f, rollError = 0.0f;
  int gearAtReach = 0;
  const int frames = FramesFor(o, 30.0f);
  for (int f = 0; f < frames; ++f) {
    Drive(1.0f, 0.0f, FollowPathSteering());
    StepRaceFrame();
    const CSampleCar& car = Player();
    top = std::fmax(top, car.speed);
    topRpm = std::fmax(topRpm, car.rpm);
    if (reached < 0.0 && car.speed > 25.0f && car.gear >= 4) {
      reached = RaceSession.raceSeconds;
      gearAtReach = car.gear;
      const float rolling = kWheelRadius * 0.5f * (car.wheelSpin[0] + car.wheelSpin[1]);
      rollError = std::fabs(rolling - car.speed) / car.speed;
    }
  }
  ScenarioResult r;
  r.pass = reached >= 0.0 && reached <= 20.0 && top < 45.0f && topRpm <= 4987.0f && rollError < 0.1f;
  r.figures = FormatFigures("reach25_s=%.2f gear=%d top=%.2f rpm_max=%.0f front_roll_err=%.4f", reached,
                     gearAtReach, top, topRpm, rollError);
  return r;
}

// Up to 10 units a second, then full lock one way for a second: the lorry turns that
// way, the inside front wheel further than the outside one.
ScenarioResult TurnOnce(const RaceSessionOptions& o, float lock, float* turned, float* inner, float* outer) {
  if (!OpenParked(o)) return Failed("load refused");
  CSampleCar& car = Player();
  if (!DriveUpTo(o, 10.0f, 20.0f)) return Failed("never reached 10 units a second");
  const float start = Heading(car);
  for (int k = FramesFor(o, 1.0f); k > 0; --k) {
    Drive(car.speed < 10.0f ? 1.0f : 0.0f, 0.0f, lock);
    StepRaceFrame();
  }
  *turned = WrapAngle(Heading(car) - start);
  // Wheel 1 is on the left (-Z) side, the inside of a left turn.
  *inner = std::fabs(lock > 0.0f ? car.steerAngle[1] : car.steerAngle[0]);
  *outer = std::fabs(lock > 0.0f ? car.steerAngle[0] : car.steerAngle[1]);
  return ScenarioResult{true, ""};
}

ScenarioResult Turn(const RaceSessionOptions& o) {
  float left = 0, right = 0, innerL = 0, outerL = 0, innerR = 0, outerR = 0;
  ScenarioResult a = TurnOnce(o, 1.0f, &left, &innerL, &outerL);
  if (!a.pass) return a;
  ScenarioResult b = TurnOnce(o, -1.0f, &right, &innerR, &outerR);
  if (!b.pass) return b;
  ScenarioResult r;
  r.pass = left >= 0.3f && right <= -0.3f && innerL > outerL && innerR > outerR;
  r.figures = FormatFigures("left_rad=%.3f right_rad=%.3f left_wheels=%.3f/%.3f right_wheels=%.3f/%.3f", left,
                     right, innerL, outerL, innerR, outerR);
  return r;
}

// A second of throttle, then the brake held: the lorry stops, the gearbox takes
// reverse and the brake pedal backs it up at 6-9 units a second.
ScenarioResult Reverse(const RaceSessionOptions& o) {
  if (!OpenParked(o)) return Failed("load refused");
  CSampleCar& car = Player();
  for (int f = FramesFor(o, 1.0f); f > 0; --f) {
    Drive(1.0f, 0.0f, FollowPathSteering());
    StepRaceFrame();
  }
  double backing = -1.0;
  float lamp = 0.0f, backSpeed = 0.0f;
  const double start = RaceSession.raceSeconds;
  for (int f = FramesFor(o, 10.0f); f > 0 && backing < 0.0; --f) {
    Drive(0.0f, 1.0f, 0.0f);
    StepRaceFrame();
    const float along = ForwardSpeed(car);
    if (car.gear == -1 && along <= -6.0f && along >= -9.0f) {
      backing = RaceSession.raceSeconds - start;
      lamp = car.reverseLamp;
      backSpeed = -along;
    }
  }
  ScenarioResult r;
  r.pass = backing >= 0.0 && lamp == 1.0f;
  r.figures = FormatFigures("backing_s=%.2f speed=%.2f gear=%d reverse_lamp=%.0f", backing, backSpeed, car.gear, lamp);
  return r;
}

// From 25 units a second, the brake held: stopped within 120 units and 6 seconds.
ScenarioResult Brake(const RaceSessionOptions& o) {
  if (!OpenParked(o)) return Failed("load refused");
  CSampleCar& car = Player();
  if (!DriveUpTo(o, 25.0f, 30.0f)) return Failed("never reached 25 units a second");
  const neVector3 from = car.Position();
  const double start = RaceSession.raceSeconds;
  double stopped = -1.0;
  float distance = 0.0f, lamp = 1.0f;
  for (int k = FramesFor(o, 8.0f); k > 0 && stopped < 0.0; --k) {
    Drive(0.0f, 1.0f, FollowPathSteering());
    StepRaceFrame();
    lamp = std::fmin(lamp, car.speed > 0.5f ? car.brakeLamp : 1.0f);
    if (car.speed < 0.5f) {
      stopped = RaceSession.raceSeconds - start;
      distance = (car.Position() - from).Length();
    }
  }
  ScenarioResult r;
  r.pass = stopped >= 0.0 && stopped <= 6.0 && distance <= 120.0f && lamp == 1.0f;
  r.figures = FormatFigures("stop_s=%.2f stop_units=%.1f brake_lamp=%.0f", stopped, distance, lamp);
  return r;
}

}  // namespace

bool OpenParked(const RaceSessionOptions& o) {
  if (!OpenRaceSession(o)) return false;
  ParkOpponents();
  RunCountdown();
  return true;
}

float FollowPathAngle(int index) {
  const CSampleCar& car = RaceCars[index];
  if (!car.body || WaypointLastIndex < 1) return 0.0f;
  const neVector3 p = car.Position();
  int nearest = 0;
  float best = 1e30f;
  for (int i = 0; i <= WaypointLastIndex; ++i) {
    const float dx = WaypointTable[i].x - p.x, dz = WaypointTable[i].z - p.z;
    const float d2 = dx * dx + dz * dz;
    if (d2 < best) {
      best = d2;
      nearest = i;
    }
  }
  const Waypoint& t = WaypointTable[(nearest + kLookAhead) % (WaypointLastIndex + 1)];
  const neVector3 toTarget = neV3(t.x - p.x, 0.0f, t.z - p.z);
  const float aim = WrapAngle(std::atan2(-toTarget.z, toTarget.x) - Heading(car));
  return ClampFloat(1.2f * aim, -0.55f, 0.55f);
}

float FollowPathSteering() {
  // Back through the player's steering shape |s|^1.5.
  const float a = FollowPathAngle(0);
  return (a >= 0.0f ? 1.0f : -1.0f) * std::pow(std::fabs(a) / 0.55f, 2.0f / 3.0f);
}

const Scenario kScenarios[] = {
    {"grid", Grid},       {"settle", Settle},   {"straight", Straight},
    {"turn", Turn},       {"reverse", Reverse}, {"brake", Brake},
    {"objects", ObjectsScenario},
};
const int kScenarioCount = static_cast<int>(sizeof kScenarios / sizeof kScenarios[0]);
