// The per-frame drivers of the cars: the player's from the controls, the opponents'
// from the race path, both under the race rules. Worker thread, before the simulator
// advances.
#include <cmath>

#include "app/controls.h"
#include "app/frame.h"
#include "app/settings.h"
#include "app/sound.h"
#include "race/ai_driver.h"
#include "race/engine_sound.h"
#include "race/race_rules.h"
#include "race/race_status.h"
#include "race/tyre_curves.h"
#include "race/waypoints.h"

namespace {

constexpr float kSteerLimit = 0.55f;  // radians at the front wheels
// The countdown's revving: a rhythm per opponent.
constexpr float kRevBase = 0.75f;
constexpr float kRevSwing = 0.25f;
constexpr float kRevRhythmPerIndex = 0.35f;
// Wind rises from speed 10, the ambient fades out by speed 6.7.
constexpr float kWindPerSpeed = 0.05f;
constexpr float kWindOffset = 0.5f;
constexpr float kAmbientPerSpeed = 0.15f;

// A value that is not a number drives nothing.
float Finite(float v) { return std::isfinite(v) ? v : 0.0f; }

float DistanceToWaypoint(const neVector3& p, int32_t i) {
  const Waypoint& w = WaypointTable[i];
  const float dx = p.x - w.x, dy = p.y - w.y, dz = p.z - w.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

bool ValidWaypoint(int32_t i) { return i >= 0 && i <= WaypointLastIndex; }

void Sanitise(CSampleCar* car) {
  car->throttle = Finite(car->throttle);
  car->brake = Finite(car->brake);
  car->handbrake = Finite(car->handbrake);
  car->clutchTarget = Finite(car->clutchTarget);
  car->steer = Finite(car->steer);
}

void SetLoopGain(SoundSource& s, float gain) {
  if (Settings.sound && s.IsPlaying()) s.SetGain(gain);
}

// The player lost (far from its progress or on its roof): back on the path behind the
// progress, facing along it, at rest.
void Recover(CSampleCar* car) {
  const int32_t a = RecoveryWaypoint(car->progressWaypoint);
  const int32_t next = a + 1 > WaypointLastIndex ? 0 : a + 1;
  const Waypoint& wa = WaypointTable[a];
  const Waypoint& wb = WaypointTable[next];
  neVector3 d = neV3(wb.x - wa.x, 0.0f, wb.z - wa.z);
  d.Normalize();
  // Two waypoints on one spot give no direction: keep the lorry's own heading.
  if (d.x == 0.0f && d.z == 0.0f) d = car->heading;
  if (d.x == 0.0f && d.z == 0.0f) d = neV3(1.0f, 0.0f, 0.0f);
  neRigidBody* b = car->body;
  b->SetVelocity(neV3(0.0f, 0.0f, 0.0f));
  b->SetAngularMomentum(neV3(0.0f, 0.0f, 0.0f));
  b->SetRotation(FacingRotation(d));
  b->SetPosition(neV3(wa.x, wa.y + kRecoveryLift, wa.z));
  RaceStatus.UpsideDownTime = 0.0f;
  ++RaceStatus.PlayerRecoveries;
}

}  // namespace

void CSampleCar::UpdatePlayerCar(float) {
  if (!body || WaypointLastIndex < 0) return;
  const float ticks = FrameTiming.FrameTicks;
  const bool finished = RaceStatus.PlayerFinished.load(std::memory_order_relaxed) != 0;
  const bool countdown = RaceStatus.CountdownRunning.load(std::memory_order_relaxed) != 0;

  if (RaceClocksRun(lap)) {
    AdvanceRaceClock(&raceTime, ticks);
    AdvanceRaceClock(&lapTime, ticks);
  }
  velocity = body->GetVelocity();
  speed = velocity.Length();
  const neVector3 p = body->GetPosition();

  if (!ValidWaypoint(nextCheckpoint)) nextCheckpoint = 0;
  SightProgress(p, nextCheckpoint, &reachedWaypoint, &progressFraction);
  if (!finished) {
    const float candidate = ProgressMeasure(reachedWaypoint, progressFraction, lap);
    if (progress < candidate) {
      progress = candidate;
      progressWaypoint = reachedWaypoint;
    }
    const float others[3] = {RaceCars[1].progress, RaceCars[2].progress, RaceCars[3].progress};
    place = PlayerPlace(progress, others);
  }

  if (body->GetRotationMatrix().col[1].y < kRoofUpY) RaceStatus.UpsideDownTime += ticks * 0.01f;
  else RaceStatus.UpsideDownTime = 0.0f;
  if (!ValidWaypoint(progressWaypoint)) progressWaypoint = 0;
  if (DistanceToWaypoint(p, progressWaypoint) > kLostDistance || RaceStatus.UpsideDownTime > kRoofSeconds)
    Recover(this);

  const DriverControlState& c = RaceControls;
  throttle = c.accelerator;
  brake = c.brake;
  clutchTarget = c.clutch;
  manualGearbox = Settings.transmission;
  handbrake = c.handbrake;
  // The pad's travel is shaped so small movements steer gently: |s|^1.5.
  const float s = Finite(c.steer);
  const float shaped = (s >= 0.0f ? 1.0f : -1.0f) * std::pow(std::fabs(s), 1.5f) * kSteerLimit;
  steer = ClampFloat(shaped, -kSteerLimit, kSteerLimit);
  if (manualGearbox == 1) gear = c.gearRequest;
  UpdateEngineSound(rpm, 0.5f + 0.5f * engineLoad, gear);

  SetLoopGain(GameSounds.wind, ClampFloat(speed * kWindPerSpeed - kWindOffset, 0.0f, 1.0f));
  SetLoopGain(GameSounds.ambient, ClampFloat(1.0f - speed * kAmbientPerSpeed, 0.0f, 1.0f));

  if (countdown) {
    // Held on the grid whatever the pedals say.
    steer = 0.0f;
    body->SetVelocity(neV3(0.0f, 0.0f, 0.0f));
    body->SetAngularMomentum(neV3(0.0f, 0.0f, 0.0f));
  }
  if (finished) steer = 0.0f;
  Sanitise(this);

  // The lap line and the checkpoints. After the finish nothing here may change: a pass
  // would reset the best lap and restart the finish timer.
  if (finished || DistanceToWaypoint(body->GetPosition(), nextCheckpoint) >= kWaypointReach) return;
  const neVector3 at = body->GetPosition();
  GameSounds.point.SetPosition(at.x, at.y, at.z, velocity.x, velocity.y, velocity.z);
  if (nextCheckpoint == 0) {
    if (Settings.sound) GameSounds.point.Play();
    CountLap(this);
    if (lap > RaceStatus.RaceLaps.load()) {
      lap = RaceStatus.RaceLaps.load();
      // The finish timer starts at 0 before anyone can see the finish.
      RaceStatus.CountdownValue.store(0.0f);
      RaceStatus.PlayerFinished.store(1);
    }
  }
  nextCheckpoint = NextCheckpointAfter(nextCheckpoint);
}

void CSampleCar::UpdateAICar(float) {
  if (!body || WaypointLastIndex < 0) return;
  const float ticks = FrameTiming.FrameTicks;
  velocity = body->GetVelocity();
  speed = velocity.Length();
  clutchTarget = 1.0f;
  throttle = 1.0f;
  brake = 0.0f;
  manualGearbox = 0;
  UpdateOpponentEngineSound(carIndex - 1, rpm, 0.5f + 0.5f * engineLoad, gear);
  if (RaceClocksRun(lap)) {
    AdvanceRaceClock(&raceTime, ticks);
    AdvanceRaceClock(&lapTime, ticks);
  }

  const neVector3 p = body->GetPosition();
  AdvanceTarget(p, speed, &ai);
  const int32_t previous = ai.targetWaypoint - 1 < 0 ? 0 : ai.targetWaypoint - 1;
  progressFraction = ProgressFraction(DistanceToWaypoint(p, previous));
  if (!RaceStatus.PlayerFinished.load(std::memory_order_relaxed)) {
    const float candidate = ProgressMeasure(previous, progressFraction, lap);
    if (progress < candidate) progress = candidate;
  }

  DriverLawOutput law;
  SteerAndPace(p, heading, speed, carIndex, RubberBandThrottle(RaceCars[0].progress, progress), ticks, &ai,
               &WeavePhase, &law);
  throttle = law.throttle;
  brake = law.brake;
  steer = law.steer;

  if (RaceStatus.CountdownRunning.load(std::memory_order_relaxed)) {
    // Revving on the spot, each to its own rhythm.
    const float rhythm = 1.0f + kRevRhythmPerIndex * static_cast<float>(carIndex);
    throttle = kRevBase + kRevSwing * std::sin(RaceStatus.CountdownValue.load() * rhythm);
    clutch = 0.0f;
    brake = 1.0f;
    steer = 0.0f;
  }
  Sanitise(this);

  if (!ValidWaypoint(nextCheckpoint)) nextCheckpoint = 0;
  if (DistanceToWaypoint(p, nextCheckpoint) >= kWaypointReach) return;
  if (nextCheckpoint == 0) CountLap(this);
  nextCheckpoint = NextCheckpointAfter(nextCheckpoint);
}
