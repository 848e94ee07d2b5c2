#include "race/ai_driver.h"

#include <cmath>

#include "gfx/math3d.h"
#include "race/race_rules.h"
#include "race/race_status.h"
#include "race/tyre_curves.h"
#include "race/waypoints.h"

float WeavePhase = 0.0f;

namespace {

constexpr float kLookAheadPerSpeed = 0.35f;
constexpr float kWeaveRate = 0.003f;
constexpr float kWeaveRatePerIndex = 0.0003f;
constexpr float kWeaveIndexPhase = 30.0f;
constexpr float kRubberBase = 1.26f;
constexpr float kRubberPerWaypoint = 0.1f;
constexpr float kRubberGapLimit = 10.0f;
constexpr float kRubberLead = 10.0f;
constexpr float kRubberLow = 0.26f;
constexpr float kRubberHigh = 2.25f;

neVector3 WaypointAt(int32_t i) {
  const Waypoint& w = WaypointTable[i];
  return neV3(w.x, w.y, w.z);
}

// The horizontal unit direction from a to b; zero when they stand on one spot.
neVector3 FlatDirection(const neVector3& a, const neVector3& b) {
  neVector3 d = neV3(b.x - a.x, 0.0f, b.z - a.z);
  d.Normalize();
  return d;
}

bool Running() {
  return !RaceStatus.CountdownRunning.load(std::memory_order_relaxed) &&
         !RaceStatus.PlayerFinished.load(std::memory_order_relaxed);
}

}  // namespace

float RubberBandThrottle(float playerProgress, float ownProgress) {
  const float gap = ClampFloat(playerProgress + kRubberLead - ownProgress, -kRubberGapLimit, kRubberGapLimit);
  return ClampFloat(kRubberBase + kRubberPerWaypoint * gap, kRubberLow, kRubberHigh);
}

float BendSpeed(float angle) {
  const float a = std::fabs(angle);
  if (!(a > kBendAngle)) return kTopBendSpeed;
  const float v = kTopBendSpeed * (1.0f - std::fmin(a - kBendAngle, kBendSlowdownCap));
  return v < kLowestBendSpeed ? kLowestBendSpeed : v;
}

void AdvanceTarget(const neVector3& position, float speed, DriverLawState* s) {
  const int32_t last = WaypointLastIndex;
  if (last < 0) return;
  if (s->targetWaypoint < 0 || s->targetWaypoint > last) s->targetWaypoint = 0;
  if (VectorDistance(position, WaypointAt(s->targetWaypoint)) >= kWaypointReach) return;
  ++s->targetWaypoint;
  if (s->targetWaypoint > last) s->targetWaypoint = 0;
  // A wild speed must not turn into a wild index: a lap ahead is as far as one looks.
  const float ahead = std::isfinite(speed) ? std::fmin(std::fmax(speed, 0.0f) * kLookAheadPerSpeed + 1.0f,
                                                       static_cast<float>(last + 1))
                                           : 1.0f;
  const int32_t t = s->targetWaypoint + static_cast<int32_t>(ahead);
  if (s->lookAheadWaypoint < t) {
    s->lookAheadWaypoint = t;
    if (s->lookAheadWaypoint > last) s->lookAheadWaypoint %= last + 1;
  }
}

void SteerAndPace(const neVector3& position, const neVector3& heading, float speed, int index,
                  float throttle, float ticks, DriverLawState* s, float* weavePhase,
                  DriverLawOutput* out) {
  out->throttle = throttle;
  out->brake = 0.0f;
  out->steer = 0.0f;
  const int32_t last = WaypointLastIndex;
  if (last < 0) return;
  if (s->lookAheadWaypoint < 0 || s->lookAheadWaypoint > last) s->lookAheadWaypoint = 0;

  // Aim at the target, offset sideways by the weave across the path's direction there.
  const neVector3 target = WaypointAt(s->targetWaypoint);
  const neVector3 beyond = WaypointAt(s->targetWaypoint == last ? 0 : s->targetWaypoint + 1);
  *weavePhase += (kWeaveRate + kWeaveRatePerIndex * static_cast<float>(index)) * ticks;
  *weavePhase = std::fmod(*weavePhase, kTwoPi);
  const float weave = std::sin(kWeaveIndexPhase * static_cast<float>(index) + *weavePhase);
  const neVector3 along = FlatDirection(target, beyond);
  const neVector3 across = neV3(along.z, 0.0f, -along.x);  // up x along
  neVector3 aimAt = FlatDirection(position, target) + across.Scaled(kWeaveAmplitude * weave);
  aimAt.Normalize();
  const float aim = SignedAngleXZChecked(heading, aimAt);

  const float bend = SignedAngleXZChecked(heading, FlatDirection(position, WaypointAt(s->lookAheadWaypoint)));
  const float vmax = BendSpeed(bend);
  if (!s->reversing) {
    if (speed < vmax) out->brake = 0.0f;
    if (speed > vmax) {
      out->throttle = 0.0f;
      out->brake = 1.0f;
    }
  }
  out->steer = ClampFloat(kSteerGain * aim, -kAiSteerLimit, kAiSteerLimit);

  // Wedged: nearly stopped for three seconds while the race runs, back out for a bit.
  const bool running = Running();
  if (speed < kStuckSpeed && !s->reversing && running) {
    s->stuckTime += ticks * 0.01f;
    if (s->stuckTime > kStuckSeconds) {
      s->reversing = 1;
      s->stuckTime = 0.0f;
    }
  }
  if (speed >= kStuckSpeed && !s->reversing) s->stuckTime = 0.0f;
  if (s->reversing && running && speed < vmax) {
    s->reverseTime += ticks * 0.01f;
    if (s->reverseTime > kReverseSeconds) {
      s->reversing = 0;
      s->reverseTime = 0.0f;
    }
  }
  if (s->reversing) {
    // The automatic gearbox takes reverse on the brake at a standstill and then backs
    // up on it; the wheel turned the other way.
    out->throttle = 1.0f;
    out->brake = 1.0f;
    out->steer = -out->steer;
  }
}
