// What tipped lorries over for players: braking hard on a grass slope, in a straight
// line or at full lock, brushing through a group of barrels or a stack of crates at
// town speed, and running off the road's edge and back. Each run must keep the lorry on its wheels: its up axis within
// 45 degrees of the world's up at every frame.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/settings.h"
#include "gfx/milkshape.h"
#include "race/car.h"
#include "race/car_control.h"
#include "race/city_objects.h"
#include "race/physics_world.h"
#include "race/tyre_curves.h"
#include "race/waypoints.h"
#include "race/world_layers.h"
#include "tools/race_sim/scenarios.h"

namespace {

neVector3 Unit(neVector3 v) {
  v.Normalize();
  return v;
}

constexpr float kUprightY = 0.70710678f;  // cos 45 degrees
constexpr float kKmh = 1.0f / 3.6f;       // units a second per km/h
constexpr int kGrassGroup = 1;            // the physics layer's grass surface
constexpr float kWaypointLift = 1.0f;     // waypoints stand this far above the road
constexpr float kRideHeight = 1.0f;       // body centre above the ground on its springs

ScenarioResult Failed(const std::string& why) { return ScenarioResult{false, why}; }

int FramesFor(const RaceSessionOptions& o, float seconds) {
  return static_cast<int>(seconds / o.frameSeconds + 0.5f);
}

CSampleCar& Player() { return RaceCars[0]; }

float UpY() { return Player().body->GetRotationMatrix().col[1].y; }

void Controls(float throttle, float brake, float steer, float handbrake = 0.0f) {
  RaceControls.accelerator = throttle;
  RaceControls.brake = brake;
  RaceControls.steer = steer;
  RaceControls.handbrake = handbrake;
}

// Throttle and brake that hold the player's lorry near a speed.
void HoldSpeed(float speed, float steer) {
  const float v = Player().speed;
  Controls(ClampFloat((speed + 0.3f - v) * 0.5f, 0.0f, 1.0f), v > speed + 1.0f ? 0.3f : 0.0f, steer);
}

// The physics layer of the race's world as a height field: the top triangle under a
// point, with its surface group.
class GroundQuery {
 public:
  bool Load(int world) {
    char path[64];
    std::snprintf(path, sizeof path, "base/world/%d/models/physic.sbm", world);
    if (model_.LoadFile(path) != SbmResult::kOk) return false;
    model_.AssignTriangleGroups();
    cells_.assign(static_cast<size_t>(kCells * kCells), {});
    for (int t = 0; t < model_.triangleCount; ++t) {
      float x0 = 1e9f, x1 = -1e9f, z0 = 1e9f, z1 = -1e9f;
      for (int c = 0; c < 3; ++c) {
        const ModelVertex& v = model_.vertices[model_.triangles[t].vertexIndices[c]];
        x0 = std::fmin(x0, v.x), x1 = std::fmax(x1, v.x), z0 = std::fmin(z0, v.z), z1 = std::fmax(z1, v.z);
      }
      for (int i = Cell(x0); i <= Cell(x1); ++i)
        for (int j = Cell(z0); j <= Cell(z1); ++j) cells_[static_cast<size_t>(i * kCells + j)].push_back(t);
    }
    return true;
  }

  // Height and group of the top surface at (x, z); false off the mesh.
  bool At(float x, float z, float* height, int* group) const {
    bool found = false;
    for (int t : cells_[static_cast<size_t>(Cell(x) * kCells + Cell(z))]) {
      const ModelTriangle& tri = model_.triangles[t];
      const ModelVertex& a = model_.vertices[tri.vertexIndices[0]];
      const ModelVertex& b = model_.vertices[tri.vertexIndices[1]];
      const ModelVertex& c = model_.vertices[tri.vertexIndices[2]];
      const float d = (b.z - c.z) * (a.x - c.x) + (c.x - b.x) * (a.z - c.z);
      if (std::fabs(d) < 1e-9f) continue;
      const float u = ((b.z - c.z) * (x - c.x) + (c.x - b.x) * (z - c.z)) / d;
      const float v = ((c.z - a.z) * (x - c.x) + (a.x - c.x) * (z - c.z)) / d;
      if (u < -1e-5f || v < -1e-5f || u + v > 1.0f + 1e-5f) continue;
      const float y = u * a.y + v * b.y + (1.0f - u - v) * c.y;
      if (!found || y > *height) {
        *height = y;
        *group = tri.groupIndex;
        found = true;
      }
    }
    return found;
  }

 private:
  static constexpr int kCells = 128;
  static constexpr float kExtent = 1600.0f;
  static int Cell(float v) {
    const int i = static_cast<int>((v + kExtent) / (2.0f * kExtent) * kCells);
    return i < 0 ? 0 : (i >= kCells ? kCells - 1 : i);
  }
  MilkshapeModel model_;
  std::vector<std::vector<int>> cells_;
};

int NearestWaypoint(float x, float z, float* distance) {
  float best = 1e30f;
  int nearest = 0;
  for (int i = 0; i <= WaypointLastIndex; ++i) {
    const float dx = WaypointTable[i].x - x, dz = WaypointTable[i].z - z;
    if (dx * dx + dz * dz < best) best = dx * dx + dz * dz, nearest = i;
  }
  *distance = std::sqrt(best);
  return nearest;
}

float RoadDistance(float x, float z) {
  float d = 0.0f;
  NearestWaypoint(x, z, &d);
  return d;
}

struct Slope {
  float x = 0, z = 0;
  float gx = 0, gz = 0;  // horizontal unit direction down the slope
  float degrees = 0;
};

// The steepest stretch of natural grass a lorry can reach in a race: beyond the
// banks where the road's corridor is blended into the land (70 units from the path)
// and short of where the race puts a lost player back on the road (100), measured
// over a lorry's length, grass all over a 30-unit square so a braking lorry stays
// on it.
bool SteepestGrass(const GroundQuery& g, Slope* out) {
  constexpr float kStep = 10.0f, kHalf = 6.0f, kPatch = 15.0f;
  bool found = false;
  for (float x = -1400.0f; x <= 1400.0f; x += kStep) {
    for (float z = -1400.0f; z <= 1400.0f; z += kStep) {
      const float road = RoadDistance(x, z);
      if (road < 70.0f || road > 90.0f) continue;
      float h[4];
      int group = 0;
      const float px[4] = {x + kHalf, x - kHalf, x, x}, pz[4] = {z, z, z + kHalf, z - kHalf};
      bool ok = true;
      for (int k = 0; k < 4 && ok; ++k) ok = g.At(px[k], pz[k], &h[k], &group) && group == kGrassGroup;
      if (!ok) continue;
      const float dx = (h[0] - h[1]) / (2.0f * kHalf), dz = (h[2] - h[3]) / (2.0f * kHalf);
      const float grade = std::sqrt(dx * dx + dz * dz);
      const float degrees = std::atan(grade) * 57.29578f;
      if (grade < 1e-4f || (found && degrees <= out->degrees)) continue;
      for (float ax = -kPatch; ax <= kPatch && ok; ax += kPatch / 2)
        for (float az = -kPatch; az <= kPatch && ok; az += kPatch / 2) {
          float y = 0.0f;
          ok = g.At(x + ax, z + az, &y, &group) && group == kGrassGroup;
        }
      if (!ok) continue;
      *out = Slope{x, z, -dx / grade, -dz / grade, degrees};
      found = true;
    }
  }
  return found;
}

// The player's lorry put down on the ground at (x, z) facing (dx, dz), its body turned
// to the ground's plane, rolling at speed in the gear the automatic box would hold.
void PlaceRolling(const GroundQuery& g, float x, float z, float dx, float dz, float speed) {
  float h[4];
  int group = 0;
  const float e = 2.0f;
  g.At(x + e, z, &h[0], &group);
  g.At(x - e, z, &h[1], &group);
  g.At(x, z + e, &h[2], &group);
  g.At(x, z - e, &h[3], &group);
  float y = 0.0f;
  g.At(x, z, &y, &group);
  const neVector3 up = Unit(neV3(-(h[0] - h[1]) / (2 * e), 1.0f, -(h[2] - h[3]) / (2 * e)));
  neVector3 forward = neV3(dx, 0.0f, dz);
  forward = Unit(forward - up.Scaled(forward.Dot(up)));
  neMatrix3x3 m;
  m.SetColumns(forward, up, forward.Cross(up));
  m.col[0].w = m.col[1].w = m.col[2].w = 0.0f;
  CSampleCar& car = Player();
  car.body->SetRotation(m);
  car.body->SetPosition(neV3(x, y, z) + up.Scaled(kRideHeight));
  car.body->SetVelocity(forward.Scaled(speed));
  car.body->SetAngularMomentum(neV3(0.0f, 0.0f, 0.0f));
  for (float& spin : car.wheelSpin) spin = speed / kWheelRadius;
  car.gear = speed >= 16.5f ? 3 : (speed >= 10.0f ? 2 : 1);
  car.engineSpeed = car.wheelEngineSpeed =
      ClampFloat(GearRatio(car.gear) * kFinalDrive * speed / kWheelRadius, 125.0f, 831.165f);
  car.clutch = 1.0f;
  car.shiftTimer = 0.0f;
  car.speed = speed;
  car.velocity = car.body->GetVelocity();
  // Its race progress where it now is, or the race takes it for lost and puts it back.
  float away = 0.0f;
  car.progressWaypoint = car.reachedWaypoint = NearestWaypoint(x, z, &away);
}

bool OpenForPlayer(const RaceSessionOptions& o, GroundQuery* g) {
  if (!OpenParked(o)) return false;
  return !g || g->Load(WorldIndex);
}

// Full brake from 40 and 60 km/h down the steepest grass slope and across it both
// ways, held until the lorry stands, then the handbrake for two seconds.
ScenarioResult SlopeBrake(const RaceSessionOptions& o) {
  static GroundQuery ground;  // a world's worth of triangle lists: not on the stack
  if (!OpenForPlayer(o, &ground)) return Failed("load refused");
  Slope s;
  if (!SteepestGrass(ground, &s)) return Failed("no grass slope found");
  float lowestUp = 1.0f, longestStop = 0.0f;
  int runs = 0, stopped = 0;
  for (float kmh : {40.0f, 60.0f}) {
    const float across[2] = {s.gz, -s.gx};
    const float dirs[3][2] = {{s.gx, s.gz}, {across[0], across[1]}, {-across[0], -across[1]}};
    for (const auto& d : dirs) {
      if (runs > 0 && !OpenForPlayer(o, nullptr)) return Failed("load refused");
      ++runs;
      // Half a second of rolling before the brake point at the slope's steepest place.
      const float v = kmh * kKmh;
      PlaceRolling(ground, s.x - d[0] * v * 0.5f, s.z - d[1] * v * 0.5f, d[0], d[1], v);
      bool halted = false;
      double brakeAt = -1.0;
      for (int f = FramesFor(o, 0.5f + 8.0f); f > 0; --f) {
        const bool braking = f <= FramesFor(o, 8.0f);
        if (braking && brakeAt < 0.0) brakeAt = RaceSession.raceSeconds;
        if (!braking) HoldSpeed(v, 0.0f);
        else if (!halted) Controls(0.0f, 1.0f, 0.0f);
        else Controls(0.0f, 0.0f, 0.0f, 1.0f);
        StepRaceFrame();
        lowestUp = std::fmin(lowestUp, UpY());
        if (braking && !halted && Player().speed < 0.5f) {
          halted = true;
          longestStop = std::fmax(longestStop, static_cast<float>(RaceSession.raceSeconds - brakeAt));
        }
      }
      if (halted) ++stopped;
    }
  }
  ScenarioResult r;
  r.pass = lowestUp >= kUprightY && stopped == runs;
  r.figures = FormatFigures("slope_deg=%.1f at=(%.0f,%.0f) runs=%d stopped=%d stop_s=%.2f lowest_up_y=%.3f",
                            s.degrees, s.x, s.z, runs, stopped, longestStop, lowestUp);
  return r;
}

// The keys a player brakes and steers with, through the default bindings and the
// keyboard's ramps: slot 0 steers left, 1 right, 3 brakes.
constexpr int kKeySteerLeft = 0;
constexpr int kKeySteerRight = 1;
constexpr int kKeyBrake = 3;
// The dial reads the body speed to the power 1.4: 40 on it is a speed of 40^(1/1.4).
constexpr float kDialPower = 1.4f;
// On its side: the up axis more than 60 degrees from the world's up.
constexpr float kOnSideY = 0.5f;

// Full brake and full lock together from 40 and 55 on the dial, as a player does it
// with the keys (the lock ramps in from the centre as the key is held): down and up the
// steepest grass slope and across it both ways, turning left and right. Both keys are
// held until the lorry stands (held on, the brake key would back it away), then let go,
// six seconds in all.
ScenarioResult SlopeBrakeSteer(const RaceSessionOptions& o) {
  static GroundQuery ground;
  if (!OpenForPlayer(o, &ground)) return Failed("load refused");
  Slope s;
  if (!SteepestGrass(ground, &s)) return Failed("no grass slope found");
  const char* const dirNames[4] = {"down", "up", "across", "across_back"};
  const float ticks = RaceStepTicks(o.frameSeconds * 100.0f);
  float lowestUp = 1.0f, peakRoll = 0.0f, longestSide = 0.0f, longestStop = 0.0f, leastTurn = 180.0f;
  int runs = 0, stopped = 0, over = 0;
  std::string worst = "none", fails;
  for (float dial : {40.0f, 55.0f}) {
    const float v = std::pow(dial, 1.0f / kDialPower);
    const float across[2] = {s.gz, -s.gx};
    const float dirs[4][2] = {{s.gx, s.gz}, {-s.gx, -s.gz}, {across[0], across[1]}, {-across[0], -across[1]}};
    for (int di = 0; di < 4; ++di) {
      const float* d = dirs[di];
      for (int steerKey : {kKeySteerLeft, kKeySteerRight}) {
        if (runs > 0 && !OpenForPlayer(o, nullptr)) return Failed("load refused");
        ++runs;
        const char* const turnName = steerKey == kKeySteerLeft ? "left" : "right";
        // Half a second of rolling before the keys go down at the slope's steepest place.
        PlaceRolling(ground, s.x - d[0] * v * 0.5f, s.z - d[1] * v * 0.5f, d[0], d[1], v);
        uint8_t keys[256] = {};
        uint8_t latches[kBindingSlots] = {};
        const uint8_t brakeKey = static_cast<uint8_t>(Settings.bindings.slot[kKeyBrake]);
        const uint8_t turnKey = static_cast<uint8_t>(Settings.bindings.slot[steerKey]);
        float runLowest = 1.0f, runRoll = 0.0f, side = 0.0f, runSide = 0.0f, braked = 0.0f, turned = 0.0f;
        bool halted = false;
        for (int f = FramesFor(o, 0.5f + 6.0f); f > 0; --f) {
          if (f > FramesFor(o, 6.0f)) {
            HoldSpeed(v, 0.0f);
          } else {
            keys[brakeKey] = keys[turnKey] = halted ? 0 : 1;
            MapDriverControls(Settings.bindings, kControlDeviceKeyboard, keys, nullptr, ticks, &RaceControls,
                              latches);
          }
          StepRaceFrame();
          const neMatrix3x3 m = Player().body->GetRotationMatrix();
          runLowest = std::fmin(runLowest, m.col[1].y);
          runRoll = std::fmax(runRoll, std::asin(ClampFloat(std::fabs(m.col[2].y), 0.0f, 1.0f)) * 57.29578f);
          side = m.col[1].y < kOnSideY ? side + o.frameSeconds : 0.0f;
          runSide = std::fmax(runSide, side);
          if (f <= FramesFor(o, 6.0f) && !halted) {
            braked += o.frameSeconds;
            if (Player().speed < 0.5f) {
              halted = true;
              const float c = ClampFloat(m.col[0].x * d[0] + m.col[0].z * d[1], -1.0f, 1.0f);
              turned = std::acos(c) * 57.29578f;
            }
          }
        }
        if (halted) {
          ++stopped;
          longestStop = std::fmax(longestStop, braked);
          leastTurn = std::fmin(leastTurn, turned);
        }
        if (runLowest < kUprightY) {
          ++over;
          fails += FormatFigures(" %.0f/%s/%s:roll=%.0f,side_s=%.1f", dial, dirNames[di], turnName, runRoll, runSide);
        }
        if (runLowest < lowestUp) worst = FormatFigures("%.0f/%s/%s", dial, dirNames[di], turnName);
        lowestUp = std::fmin(lowestUp, runLowest);
        peakRoll = std::fmax(peakRoll, runRoll);
        longestSide = std::fmax(longestSide, runSide);
      }
    }
  }
  ScenarioResult r;
  r.pass = lowestUp >= kUprightY && stopped == runs;
  r.figures = FormatFigures("slope_deg=%.1f at=(%.0f,%.0f) runs=%d stopped=%d stop_s=%.2f least_turn_deg=%.0f "
                            "over=%d lowest_up_y=%.3f peak_roll_deg=%.0f on_side_s=%.1f worst=%s",
                            s.degrees, s.x, s.z, runs, stopped, longestStop, leastTurn, over, lowestUp, peakRoll,
                            longestSide, worst.c_str());
  if (!fails.empty()) r.figures += " over_runs:" + fails;
  return r;
}

bool IsBarrel(int type) { return type <= 2 || type == 14; }
bool IsCrate(int type) { return type == 16; }

// Gathers `count` objects of a kind onto the start straight, `along` units past
// waypoint 0, at the places `offsets` (along, across, up) give, each object's parts
// at their rest places there. False when the race has too few of the kind.
bool GatherObjects(bool (*kind)(int), int count, const float offsets[][3], float along) {
  const neVector3 d = StartDirection();
  const neVector3 side = neV3(d.z, 0.0f, -d.x);
  const Waypoint& w = WaypointTable[0];
  const neVector3 base = neV3(w.x, w.y - kWaypointLift, w.z) + d.Scaled(along);
  int placed = 0;
  for (int k = 0; k < CityObjectCount && placed < count; ++k) {
    CityObject& obj = CityObjects[k];
    if (!kind(obj.type) || obj.bodyCount == 0 || obj.active) continue;
    const float* off = offsets[placed++];
    obj.position = base + d.Scaled(off[0]) + side.Scaled(off[1]) + neV3(0.0f, off[2], 0.0f);
    for (int j = 0; j < obj.bodyCount; ++j)
      if (obj.bodies[j]) obj.bodies[j]->SetPosition(obj.RestPosition(j));
  }
  return placed == count;
}

// From the grid at 25 km/h along the road, straight through the gathered objects
// and 40 units on.
ScenarioResult PassThrough(const RaceSessionOptions& o, bool (*kind)(int), const float offsets[][3], int count,
                           const char* what) {
  if (!OpenForPlayer(o, nullptr)) return Failed("load refused");
  if (!GatherObjects(kind, count, offsets, 40.0f))
    return Failed(FormatFigures("the race has fewer than %d %s", count, what));
  const float v = 25.0f * kKmh;
  const neVector3 start = Player().Position();
  float lowestUp = 1.0f, fastestObject = 0.0f;
  int moved = 0;
  for (int f = FramesFor(o, 30.0f); f > 0; --f) {
    HoldSpeed(v, FollowPathSteering());
    StepRaceFrame();
    lowestUp = std::fmin(lowestUp, UpY());
    for (int k = 0; k < CityObjectCount; ++k)
      for (int j = 0; j < CityObjects[k].bodyCount; ++j)
        if (CityObjects[k].active && CityObjects[k].bodies[j])
          fastestObject = std::fmax(fastestObject, CityObjects[k].bodies[j]->GetVelocity().Length());
    if ((Player().Position() - start).Length() > 40.0f + 10.0f + 40.0f) break;
  }
  for (int k = 0; k < CityObjectCount; ++k)
    for (int j = 0; j < CityObjects[k].bodyCount; ++j) moved += CityObjects[k].moved[j];
  ScenarioResult r;
  // The lorry must have gone through them (they moved) and stayed on its wheels.
  r.pass = lowestUp >= kUprightY && moved >= 2;
  r.figures = FormatFigures("moved=%d fastest_object=%.2f lowest_up_y=%.3f", moved, fastestObject, lowestUp);
  return r;
}

ScenarioResult Barrels(const RaceSessionOptions& o) {
  // Two staggered rows of three across the lorry's path.
  const float group[6][3] = {{0.0f, -1.2f, 0.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.2f, 0.0f},
                             {1.4f, -0.6f, 0.0f}, {1.4f, 0.6f, 0.0f}, {1.4f, 1.8f, 0.0f}};
  return PassThrough(o, IsBarrel, group, 6, "barrels");
}

ScenarioResult Crates(const RaceSessionOptions& o) {
  // Three crates side by side, two on top of them and one on top of those.
  const float h = 1.64f;
  const float stack[6][3] = {{0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f},
                             {0.0f, -0.5f, h},    {0.0f, 0.5f, h},    {0.0f, 0.0f, 2.0f * h}};
  return PassThrough(o, IsCrate, stack, 6, "crates");
}

// The roadside objects moved far out of the world, asleep: a run about the ground
// alone (the objects stand 10-13.5 units out, where a lorry leaving the road goes).
void ClearRoadside() {
  for (int k = 0; k < CityObjectCount; ++k)
    if (!CityObjects[k].active) CityObjects[k].position.x += 1.0e5f;
}

// Off the road's edge at 40 km/h and back, on either side, at five places round the
// lap: three seconds aiming 16 units out (past the edge and its shoulder), then four
// seconds back to the middle.
ScenarioResult RoadEdge(const RaceSessionOptions& o) {
  static GroundQuery ground;
  if (!OpenForPlayer(o, &ground)) return Failed("load refused");
  const float v = 40.0f * kKmh;
  float lowestUp = 1.0f, farthest = 0.0f;
  int runs = 0, worstRun = 0;
  const int n = WaypointLastIndex + 1;
  for (int place = 1; place <= 5; ++place) {
    for (float sideSign : {1.0f, -1.0f}) {
      if (runs > 0 && !OpenForPlayer(o, nullptr)) return Failed("load refused");
      ClearRoadside();
      ++runs;
      int at = place * n / 6;
      const Waypoint& a = WaypointTable[at];
      const Waypoint& b = WaypointTable[(at + 1) % n];
      PlaceRolling(ground, a.x, a.z, b.x - a.x, b.z - a.z, v);
      for (int f = 0; f < FramesFor(o, 7.0f); ++f) {
        const float out = f < FramesFor(o, 3.0f) ? 16.0f * sideSign : 0.0f;
        // Aim at the path 6 waypoints on, moved out sideways.
        int nearest = 0;
        float best = 1e30f;
        const neVector3 p = Player().Position();
        for (int i = 0; i < n; ++i) {
          const float dx = WaypointTable[i].x - p.x, dz = WaypointTable[i].z - p.z;
          if (dx * dx + dz * dz < best) best = dx * dx + dz * dz, nearest = i;
        }
        const Waypoint& t0 = WaypointTable[(nearest + 6) % n];
        const Waypoint& t1 = WaypointTable[(nearest + 7) % n];
        const neVector3 e = Unit(neV3(t1.x - t0.x, 0.0f, t1.z - t0.z));
        const neVector3 target = neV3(t0.x + e.z * out, 0.0f, t0.z - e.x * out);
        HoldSpeed(v, SteerAt(target));
        StepRaceFrame();
        if (UpY() < lowestUp) worstRun = runs;
        lowestUp = std::fmin(lowestUp, UpY());
        farthest = std::fmax(farthest, std::sqrt(best));
      }
    }
  }
  ScenarioResult r;
  // The lorry must really have left the road (7 units either side of the path).
  r.pass = lowestUp >= kUprightY && farthest > 9.0f;
  r.figures = FormatFigures("runs=%d farthest=%.1f lowest_up_y=%.3f (run %d)", runs, farthest, lowestUp, worstRun);
  return r;
}

}  // namespace

const Scenario kUprightScenarios[] = {
    {"slope_brake", SlopeBrake},
    {"brake_steer", SlopeBrakeSteer},
    {"barrels", Barrels},
    {"crates", Crates},
    {"road_edge", RoadEdge},
};
const int kUprightScenarioCount = static_cast<int>(sizeof kUprightScenarios / sizeof kUprightScenarios[0]);
