// The roadside objects of a race, seen through the race frames: nothing stirs before
// a lorry comes near, a hard hit knocks an object over and scores once, and objects
// left behind go back to sleep at their rest poses, however often the player comes
// and goes.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "app/controls.h"
#include "race/car.h"
#include "race/car_control.h"
#include "race/city_objects.h"
#include "race/physics_world.h"
#include "race/race_status.h"
#include "race/tyre_curves.h"
#include "race/waypoints.h"
#include "tools/race_sim/scenarios.h"

namespace {

constexpr float kRestTolerance = 1e-3f;
// A lorry this close (squared horizontal units) may have woken an object or be
// about to: from then on the object may leave its rest pose.
constexpr float kWatchDistanceSq = 225.0f;
// The opponents wait this far to the side of the grid, out of the player's way; where
// that is near objects, the watch counts them like any lorry.
constexpr float kParkDistance = 40.0f;
constexpr float kHitSpeed = 15.0f;
constexpr float kScoringSpeed = 12.0f;  // a hit must be faster than this to score
// The target is the first object at least this many waypoints (7 units each) ahead
// of the player, so the lorry is up to speed when it gets there.
constexpr int kRunUpWaypoints = 12;
// Closer than this (units) the lorry leaves the road and aims at the object.
constexpr float kAimDistance = 40.0f;
constexpr float kDriveSeconds = 40.0f;
// The bonus cool-down must have passed before the second hit, or it proves nothing.
constexpr float kSecondHitDelay = 6.0f;
constexpr float kSettleSeconds = 0.5f;
// Waypoints back from the knocked part: close enough that the player never leaves
// 50 units of it (the object stays live), far enough to line up.
constexpr int kSecondHitBack = 6;
// The near place of the player's visits: inside the 10-unit wake distance.
constexpr int kCycles = 1000;
constexpr float kNearOffset = 6.0f;
// "Far" is on the road this many waypoints (7 units each) past the object, beyond 50
// units of every knocked part.
constexpr int kFarWaypoints = 20;

ScenarioResult Failed(const std::string& why) { return ScenarioResult{false, why}; }

float HorizontalDistanceSq(const neVector3& a, const neVector3& b) {
  const float dx = a.x - b.x, dz = a.z - b.z;
  return dx * dx + dz * dz;
}

float WrapAngle(float a) {
  while (a > 3.14159265f) a -= 6.2831853f;
  while (a < -3.14159265f) a += 6.2831853f;
  return a;
}

// Throttle and brake that hold the player's lorry near a speed.
void HoldSpeed(float steer) {
  const float v = RaceCars[0].speed;
  RaceControls.accelerator = ClampFloat((kHitSpeed + 0.5f - v) * 0.5f, 0.0f, 1.0f);
  RaceControls.brake = v > kHitSpeed + 1.5f ? 0.3f : 0.0f;
  RaceControls.steer = steer;
}

void ParkOpponents() {
  const neVector3 d = StartDirection();
  const neVector3 s = neV3(d.z, 0.0f, -d.x);
  for (int i = 1; i < kRaceCarCount; ++i) {
    neRigidBody* b = RaceCars[i].body;
    if (!b) continue;
    b->SetPosition(b->GetPosition() + s * ((i % 2 == 0 ? 1.0f : -1.0f) * kParkDistance));
    b->SetActive(false);
  }
}

float RotationError(const neMatrix3x3& a, const neMatrix3x3& b) {
  float worst = 0.0f;
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) worst = std::fmax(worst, std::fabs(a.col[c][r] - b.col[c][r]));
  return worst;
}

// How far object k's bodies are from its rest pose (position or rotation, whichever
// is worse); 1e9 when it or a body is live.
float RestError(const CityObject& o) {
  if (o.active) return 1e9f;
  float worst = 0.0f;
  for (int j = 0; j < o.bodyCount; ++j) {
    const neRigidBody* b = o.bodies[j];
    if (!b) continue;
    if (b->Active()) return 1e9f;
    worst = std::fmax(worst, (b->GetPosition() - o.RestPosition(j)).Length());
    worst = std::fmax(worst, RotationError(b->GetRotationMatrix(), o.rotation));
  }
  return worst;
}

// Watches every object until a lorry first comes within 15 units of it.
struct RestWatch {
  std::vector<uint8_t> near;
  float worst = 0.0f;

  void Look() {
    near.resize(static_cast<size_t>(CityObjectCount), 0);
    for (int k = 0; k < CityObjectCount; ++k) {
      if (near[static_cast<size_t>(k)]) continue;
      const neVector3 at = CityObjects[k].position;
      for (const CSampleCar& car : RaceCars)
        if (car.body && HorizontalDistanceSq(car.body->GetPosition(), at) < kWatchDistanceSq)
          near[static_cast<size_t>(k)] = 1;
      if (!near[static_cast<size_t>(k)]) worst = std::fmax(worst, RestError(CityObjects[k]));
    }
  }
  void Step() {
    StepRaceFrame();
    Look();
  }
  int Reached() const {
    int n = 0;
    for (uint8_t v : near) n += v;
    return n;
  }
};

int NearestWaypoint(const neVector3& p) {
  int nearest = 0;
  float best = 1e30f;
  for (int i = 0; i <= WaypointLastIndex; ++i) {
    const float d = HorizontalDistanceSq(p, neV3(WaypointTable[i].x, 0.0f, WaypointTable[i].z));
    if (d < best) {
      best = d;
      nearest = i;
    }
  }
  return nearest;
}

// The first object with bodies whose nearest waypoint lies the run-up or more ahead.
int PickTarget() {
  const int n = WaypointLastIndex + 1;
  const int from = NearestWaypoint(RaceCars[0].Position());
  int best = -1, bestAhead = n;
  for (int k = 0; k < CityObjectCount; ++k) {
    if (CityObjects[k].bodyCount == 0) continue;
    const int ahead = (NearestWaypoint(CityObjects[k].position) - from + n) % n;
    if (ahead >= kRunUpWaypoints && ahead < bestAhead) {
      best = k;
      bestAhead = ahead;
    }
  }
  return best;
}

int QueuedObjectBonuses() {
  int n = 0;
  for (int i = 0; i <= BonusQueue.head; ++i) n += BonusQueue.kind[i] == kBonusObjectHit;
  return n;
}

bool AllMovedWithGravity(const CityObject& o) {
  for (int j = 0; j < o.bodyCount; ++j)
    if (o.bodies[j] && (!o.moved[j] || !o.bodies[j]->GetGravityEnabled())) return false;
  return true;
}

// The player's lorry put somewhere, upright along its start heading and still.
// A visit, as if the lorry had driven there: its progress follows it, or the race rules
// would put a lorry this far from its progress back on the path.
void PutPlayer(const neVector3& at) {
  RaceCars[0].progressWaypoint = NearestWaypoint(at);
  neRigidBody* b = RaceCars[0].body;
  b->SetPosition(at);
  b->SetRotation(RaceCars[0].startRotation);
  b->SetVelocity(neV3(0.0f, 0.0f, 0.0f));
  b->SetAngularMomentum(neV3(0.0f, 0.0f, 0.0f));
}

int BodiesInUse() {
  neSimulationSizes s;
  RaceSimulator->GetSizesInUse(s);
  return s.rigidBodiesCount;
}

// Bodies whose activity differs from their object's flag.
int ActivityMismatches() {
  int n = 0;
  for (int k = 0; k < CityObjectCount; ++k) {
    const CityObject& o = CityObjects[k];
    for (int j = 0; j < o.bodyCount; ++j)
      if (o.bodies[j] && o.bodies[j]->Active() != (o.active != 0)) ++n;
  }
  return n;
}

}  // namespace

// Steering control (-1..1) that turns the player's lorry toward a point, by the same
// law the path follower uses.
float SteerAt(const neVector3& target) {
  const neRigidBody* b = RaceCars[0].body;
  const neVector3 p = b->GetPosition();
  const neVector3 x = b->GetRotationMatrix().col[0];
  const float aim = WrapAngle(std::atan2(-(target.z - p.z), target.x - p.x) - std::atan2(-x.z, x.x));
  const float a = ClampFloat(1.2f * aim, -0.55f, 0.55f);
  return (a >= 0.0f ? 1.0f : -1.0f) * std::pow(std::fabs(a) / 0.55f, 2.0f / 3.0f);
}


ScenarioResult ObjectsScenario(const RaceSessionOptions& o) {
  if (!OpenRaceSession(o)) return Failed("load refused");
  if (CityObjectCount == 0) return Failed("the race has no roadside objects");
  ParkOpponents();
  RestWatch watch;
  watch.Look();
  const int countdownFrames = static_cast<int>(kCountdownEnd / o.frameSeconds);
  for (int f = countdownFrames; f > 0 && RaceStatus.CountdownRunning.load(); --f) watch.Step();
  // How high the lorry's body rides over the road it stands on.
  const neVector3 grid = RaceCars[0].Position();
  const float rideHeight = grid.y - WaypointTable[NearestWaypoint(grid)].y;

  // Along the road, then at the target.
  const int target = PickTarget();
  if (target < 0) return Failed("no object ahead of the grid");
  CityObject& t = CityObjects[target];
  const float bonusBefore = RaceBonusTotals[0];
  const int queuedBefore = QueuedObjectBonuses();
  float hitSpeed = -1.0f;
  int queuedAtHit = 0;
  for (int f = static_cast<int>(kDriveSeconds / o.frameSeconds); f > 0 && !t.hit; --f) {
    const float d2 = HorizontalDistanceSq(RaceCars[0].Position(), t.position);
    const bool aiming = d2 < kAimDistance * kAimDistance;
    HoldSpeed(aiming ? SteerAt(t.RestPosition(0)) : FollowPathSteering());
    const float speed = RaceCars[0].speed;
    watch.Step();
    if (t.hit) {
      hitSpeed = speed;
      queuedAtHit = QueuedObjectBonuses() - queuedBefore;
    }
  }
  if (!t.hit) return Failed(FormatFigures("never hit object %d (type %d)", target, t.type));
  // Off the pedals and on the handbrake (the brake pedal would back the lorry away);
  // the knocked parts get a moment to leave their places.
  RaceControls = DriverControlState{};
  RaceControls.clutch = 1.0f;
  RaceControls.handbrake = 1.0f;
  bool slept = false;
  for (int f = static_cast<int>(kSettleSeconds / o.frameSeconds); f > 0; --f) {
    watch.Step();
    slept = slept || !t.active;
  }
  const bool knocked = !slept && AllMovedWithGravity(t);
  const float firstBonus = RaceBonusTotals[0] - bonusBefore;

  // A second hit after the bonus cool-down, the object live all the while: nothing
  // more.
  for (int f = static_cast<int>((kSecondHitDelay - kSettleSeconds) / o.frameSeconds); f > 0; --f) {
    watch.Step();
    slept = slept || !t.active;
  }
  // The lorry put back on the road a few waypoints before the knocked part, rolling
  // at the hit speed (its wheels too, or the tyres would scrub the speed away), and
  // driven into the part again.
  const neVector3 part = t.bodies[0]->GetPosition();
  const int n = WaypointLastIndex + 1;
  const Waypoint& w = WaypointTable[(NearestWaypoint(part) - kSecondHitBack + n) % n];
  const Waypoint& next = WaypointTable[(NearestWaypoint(part) - kSecondHitBack + 1 + n) % n];
  // Facing the part, not the road: the tyres slide before they hold a lorry in a
  // sharp turn, and swinging off the road's line toward the part would scrub the hit
  // speed below what scores.
  neVector3 along = neV3(part.x - w.x, 0.0f, part.z - w.z);
  if (along.Length() < 1e-3f) along = neV3(next.x - w.x, 0.0f, next.z - w.z);
  along = along * (1.0f / std::fmax(along.Length(), 1e-3f));
  PutPlayer(neV3(w.x, w.y + rideHeight, w.z));
  RaceCars[0].body->SetRotation(FacingRotation(along));
  RaceCars[0].body->SetVelocity(along * kHitSpeed);
  for (float& spin : RaceCars[0].wheelSpin) spin = kHitSpeed / kWheelRadius;
  RaceControls.handbrake = 0.0f;
  const float timerBefore = t.crashSoundTimer;
  bool secondContact = false;
  float againSpeed = -1.0f;
  for (int f = static_cast<int>(kDriveSeconds / o.frameSeconds); f > 0 && !secondContact; --f) {
    HoldSpeed(SteerAt(t.bodies[0]->GetPosition()));
    const float speed = RaceCars[0].speed;
    watch.Step();
    slept = slept || !t.active;
    // Only a crash sets the timer back while the object stays live: the lorry has
    // touched it.
    secondContact = t.crashSoundTimer < timerBefore;
    if (secondContact) againSpeed = speed;
  }
  const float extraBonus = RaceBonusTotals[0] - bonusBefore - firstBonus;

  // Near and far, a thousand times over.
  neVector3 out = t.position - neV3(WaypointTable[NearestWaypoint(t.position)].x, 0.0f,
                                    WaypointTable[NearestWaypoint(t.position)].z);
  out.y = 0.0f;
  out = out * (1.0f / std::fmax(out.Length(), 1e-3f));
  const neVector3 nearAt = t.position + out * -kNearOffset + neV3(0.0f, rideHeight, 0.0f);
  const Waypoint& ahead = WaypointTable[(NearestWaypoint(t.position) + kFarWaypoints) % (WaypointLastIndex + 1)];
  const neVector3 farAt = neV3(ahead.x, ahead.y + rideHeight, ahead.z);
  RaceControls = DriverControlState{};
  RaceControls.clutch = 1.0f;
  RaceControls.handbrake = 1.0f;
  const int bodies = BodiesInUse();
  int bodyChanges = 0, mismatches = 0, missedWakes = 0, lateResets = 0;
  float resetError = 0.0f;
  for (int c = 0; c < kCycles; ++c) {
    PutPlayer(nearAt);
    for (int f = 0; f < 2; ++f) {
      watch.Step();
      mismatches += ActivityMismatches();
      bodyChanges += BodiesInUse() != bodies;
    }
    missedWakes += !t.active;  // six units away
    PutPlayer(farAt);
    for (int f = 0; f < 2; ++f) {
      watch.Step();
      mismatches += ActivityMismatches();
      bodyChanges += BodiesInUse() != bodies;
    }
    const float e = RestError(t);
    if (e > kRestTolerance) ++lateResets;
    else resetError = std::fmax(resetError, e);
  }

  ScenarioResult r;
  // Both hits hard enough to score: the second scores nothing only by the hit flag.
  r.pass = watch.worst <= kRestTolerance && knocked && hitSpeed > kScoringSpeed &&
           firstBonus == kObjectHitBonus && queuedAtHit == 1 && secondContact && !slept &&
           againSpeed > kScoringSpeed && extraBonus == 0.0f && bodyChanges == 0 && mismatches == 0 &&
           missedWakes == 0 && lateResets == 0;
  r.figures = FormatFigures("objects=%d rest_err=%.5f near=%d target=%d/%d hit_v=%.2f bonus=%.0f queued=%d "
                     "knocked=%d again_v=%.2f slept=%d extra=%.0f cycles=%d bodies=%d changes=%d "
                     "mismatch=%d unwoken=%d late=%d reset_err=%.5f",
                     CityObjectCount, watch.worst, watch.Reached(), target, t.type, hitSpeed, firstBonus,
                     queuedAtHit, knocked ? 1 : 0, againSpeed, slept ? 1 : 0, extraBonus, kCycles, bodies,
                     bodyChanges, mismatches, missedWakes, lateResets, resetError);
  return r;
}
