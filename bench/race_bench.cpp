// The race world's cost per frame: one 1/60 s race frame of race 1 with all four
// lorries driving at speed along the road (the physics step with every controller
// substep, the roadside objects' wake pass, and the render rows of the cars and
// objects published). "cars" runs the race as it ships; "objects1000" lines the whole
// road with a thousand roadside objects. Run from build/, where base/ lies.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "app/controls.h"
#include "gfx/milkshape.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/city_objects.h"
#include "race/physics_world.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "race/world_layers.h"
#include "tools/race_sim/race_session.h"
#include "tools/race_sim/scenarios.h"

namespace {

// The drivers' inputs for one frame: everyone full throttle along the path. The
// opponents' own driver is not built yet, so their wheels are set here.
void DriveAll() {
  RaceControls.accelerator = 1.0f;
  RaceControls.clutch = 1.0f;
  RaceControls.steer = FollowPathSteering();
  for (int i = 1; i < kRaceCarCount; ++i) {
    CSampleCar& car = RaceCars[i];
    car.throttle = 1.0f;
    car.brake = 0.0f;
    car.clutchTarget = 1.0f;
    car.steer = FollowPathAngle(i);
  }
}

// The highest point of the physics layer over (x, z); false off the mesh.
bool GroundHeight(const Model& m, float x, float z, float* y) {
  bool found = false;
  for (int i = 0; i < m.triangleCount; ++i) {
    const ModelTriangle& t = m.triangles[i];
    const ModelVertex& a = m.vertices[t.vertexIndices[0]];
    const ModelVertex& b = m.vertices[t.vertexIndices[1]];
    const ModelVertex& c = m.vertices[t.vertexIndices[2]];
    const float d = (b.z - c.z) * (a.x - c.x) + (c.x - b.x) * (a.z - c.z);
    if (std::fabs(d) < 1e-9f) continue;
    const float u = ((b.z - c.z) * (x - c.x) + (c.x - b.x) * (z - c.z)) / d;
    const float v = ((c.z - a.z) * (x - c.x) + (a.x - c.x) * (z - c.z)) / d;
    if (u < 0.0f || v < 0.0f || u + v > 1.0f) continue;
    const float h = u * a.y + v * b.y + (1.0f - u - v) * c.y;
    if (!found || h > *y) *y = h;
    found = true;
  }
  return found;
}

constexpr int kLinedObjects = 1000;
constexpr float kLinedSpacing = 3.7f;  // race 1's path is 3700 units round
constexpr float kLinedSide = 11.0f;

// A thousand markers every 3.7 units along the path, alternating sides 11 units out,
// standing on the ground and facing along the road, their types taken in turn; built
// into the roadside objects in place of the race's own.
void LineTheRoad() {
  std::vector<float> corners[kObjectTypes];  // per type: a, b, c of each marker
  LoadPhysicsLayer(WorldIndex);
  const int n = WaypointLastIndex + 1;
  int segment = 0;
  float along = 0.0f;  // distance into the current segment
  for (int k = 0; k < kLinedObjects; ++k) {
    const Waypoint& p = WaypointTable[segment];
    const Waypoint& q = WaypointTable[(segment + 1) % n];
    float dx = q.x - p.x, dz = q.z - p.z;
    const float length = std::fmax(std::sqrt(dx * dx + dz * dz), 1e-6f);
    dx /= length;
    dz /= length;
    const float side = (k % 2 == 0) ? kLinedSide : -kLinedSide;
    const float x = p.x + dx * along + dz * side, z = p.z + dz * along - dx * side;
    float y = p.y;
    if (WorldLayers.physic) GroundHeight(*WorldLayers.physic, x, z, &y);
    const float marker[9] = {x + dx, y, z + dz, x, y, z, x, y + 1.0f, z};
    corners[k % kObjectTypes].insert(corners[k % kObjectTypes].end(), marker, marker + 9);
    along += kLinedSpacing;
    while (segment < n - 1) {
      const Waypoint& a = WaypointTable[segment];
      const Waypoint& b = WaypointTable[segment + 1];
      const float l = std::hypot(b.x - a.x, b.z - a.z);
      if (along < l) break;
      along -= l;
      ++segment;
    }
  }
  MilkshapeModel model;
  model.groupCount = kObjectTypes;
  model.groups = new ModelGroup[kObjectTypes];
  model.triangleCount = kLinedObjects;
  model.triangles = new ModelTriangle[kLinedObjects];
  model.vertexCount = 3 * kLinedObjects;
  model.vertices = new ModelVertex[3 * kLinedObjects];
  int t = 0;
  for (int g = 0; g < kObjectTypes; ++g) {
    const int count = static_cast<int>(corners[g].size() / 9);
    model.groups[g].triangleCount = count;
    model.groups[g].triangleIndices = new int[count > 0 ? count : 1];
    for (int i = 0; i < count; ++i, ++t) {
      model.groups[g].triangleIndices[i] = t;
      for (int c = 0; c < 3; ++c) {
        ModelVertex& v = model.vertices[3 * t + c];
        v.x = corners[g][9 * i + 3 * c];
        v.y = corners[g][9 * i + 3 * c + 1];
        v.z = corners[g][9 * i + 3 * c + 2];
        model.triangles[t].vertexIndices[c] = 3 * t + c;
      }
    }
  }
  BuildCityObjects(model);
}

void RaceWorldFrame(benchmark::State& state, bool lined) {
  RaceSessionOptions options;
  options.race = 1;
  if (!OpenRaceSession(options)) {
    state.SkipWithError("race 1 does not load (run from build/, where base/ lies)");
    return;
  }
  if (lined) {
    LineTheRoad();
    // The world again, with the thousand objects in place of the race's own.
    if (CityObjectCount != kLinedObjects || !InitPhysicsWorld()) {
      state.SkipWithError("the lined road did not build");
      return;
    }
  }
  RunCountdown();
  // Eight seconds to get up to speed.
  for (int f = 0; f < 480; ++f) {
    DriveAll();
    StepRaceFrame();
  }
  float slowest = 1e9f;
  for (const CSampleCar& car : RaceCars) slowest = car.speed < slowest ? car.speed : slowest;
  int64_t liveObjects = 0, frames = 0;
  for (auto _ : state) {
    DriveAll();
    StepRaceFrame();
    for (int k = 0; k < CityObjectCount; ++k) liveObjects += CityObjects[k].active;
    ++frames;
  }
  state.counters["slowest_at_start"] = slowest;
  state.counters["substeps"] = SubstepCount;
  state.counters["objects"] = CityObjectCount;
  state.counters["live_objects"] =
      frames ? static_cast<double>(liveObjects) / static_cast<double>(frames) : 0.0;
  CloseRaceSession();
}
BENCHMARK_CAPTURE(RaceWorldFrame, cars, false)
    ->Name("RaceWorldFrame/cars")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(RaceWorldFrame, objects1000, true)
    ->Name("RaceWorldFrame/objects1000")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
