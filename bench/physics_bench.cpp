// Cost of one sub-step: a settled pile of 200 boxes, and 1,000 resting boxes
// with 4 kept awake; of one race-like frame; and of building a large terrain.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "tools/physics_scene/scene_world.h"

namespace {

constexpr float kSubStep = 1.0f / 240.0f;

// A world of unit cubes (the engine's own inertia) on a 200 x 1 x 200 floor.
neSimulation* MakeWorld(int boxes) {
  neSimulation* sim = MakeSimulation(SceneSizes(boxes, 1, boxes * 8));
  AddStaticBox(sim, neV3(200.0f, 1.0f, 200.0f), neV3(0.0f, -0.5f, 0.0f));
  return sim;
}

// A unit cube of unit mass.
neRigidBody* AddBox(neSimulation* sim, const neVector3& at) {
  return AddSceneBox(sim, neV3(1, 1, 1), 1.0f, at, 0, BoxInertia::kEngine);
}

// state.range(0) = 1 keeps every box awake (woken before each sub-step): the
// cost of a pile that is still being disturbed.
void PileOf200(benchmark::State& state) {
  neSimulation* sim = MakeWorld(200);
  std::vector<neRigidBody*> boxes;
  for (int i = 0; i < 200; ++i) {
    // A 5 x 5 footprint, eight layers, staggered so the heap shifts as it lands.
    const int layer = i / 25, cell = i % 25;
    boxes.push_back(AddBox(sim, neV3((cell % 5) * 1.05f + 0.1f * (layer % 2),
                                     0.6f + 1.2f * layer, (cell / 5) * 1.05f)));
  }
  RunSubSteps(sim, 240, kSubStep);  // a second of settling
  const bool keepAwake = state.range(0) != 0;
  for (auto _ : state) {
    if (keepAwake) {
      for (neRigidBody* b : boxes) b->SetVelocity(b->GetVelocity());
    }
    sim->Step(kSubStep, 1);
  }
  state.counters["resting"] = CountIdle(boxes);
  neSimulation::Destroy(sim);
}
BENCHMARK(PileOf200)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void ThousandSleepingFourAwake(benchmark::State& state) {
  neSimulation* sim = MakeWorld(1000);
  std::vector<neRigidBody*> boxes;
  for (int i = 0; i < 1000; ++i) {
    boxes.push_back(AddBox(sim, neV3((i % 40) * 2.0f, 0.5f, (i / 40) * 2.0f)));
  }
  for (int i = 0; i < 2400 && !boxes.back()->IsIdle(); ++i) sim->Step(kSubStep, 1);
  const int idle = CountIdle(boxes);
  for (auto _ : state) {
    for (int k = 0; k < 4; ++k) boxes[k * 250]->SetVelocity(neV3(0.5f, 0.0f, 0.0f));
    sim->Step(kSubStep, 1);
  }
  state.counters["resting"] = idle;
  neSimulation::Destroy(sim);
}
BENCHMARK(ThousandSleepingFourAwake)->Unit(benchmark::kMicrosecond);

// One race-like frame of 4 game sub-steps: 4 car boxes with 4 downward wheel
// sensors each driven at 20 m/s on a 30,258-triangle terrain, 100 roadside
// boxes kept awake and 1,000 resting ones.
void RaceFrame(benchmark::State& state) {
  constexpr int kCars = 4, kAwake = 100, kResting = 1000;
  constexpr int kBodies = kCars + kAwake + kResting;
  neSimulationSizes s = SceneSizes(kBodies, 0, kBodies * 8);
  s.sensorsCount = kCars * 4;
  neSimulation* sim = MakeSimulation(s);
  // Hilly ground: the triangles lie within a few centimetres of HillHeight at
  // this cell size, so the bodies are placed on HillHeight.
  SceneTerrain grid;
  grid.Build(320.0f, 123, HillHeight);
  grid.Apply(sim);

  std::vector<neRigidBody*> cars, awake, roadside;
  for (int c = 0; c < kCars; ++c) {
    const float z = -30.0f + 20.0f * static_cast<float>(c);
    const neVector3 at = neV3(-200.0f, HillHeight(-200.0f, z) + 1.4f, z);
    neRigidBody* car =
        AddSceneBox(sim, neV3(7.5f, 2.2f, 3.2f), 100.0f, at, 0, BoxInertia::kEngine);
    for (int k = 0; k < 4; ++k) {
      car->AddSensor()->SetLine(neV3(k < 2 ? 3.0f : -3.0f, 0.0f, (k % 2) ? -1.4f : 1.4f),
                                neV3(0.0f, -2.0f, 0.0f));
    }
    car->SetVelocity(neV3(20.0f, 0.0f, 0.0f));
    cars.push_back(car);
  }
  // Roadside boxes in rows beside the lanes, 3 m apart.
  for (int i = 0; i < kAwake + kResting; ++i) {
    const float x = -280.0f + 3.0f * static_cast<float>(i % 180);
    const float side = (i / 180) % 2 ? 1.0f : -1.0f;
    const float z = side * (45.0f + 3.0f * static_cast<float>(i / 360));
    neRigidBody* b = AddSceneBox(sim, neV3(1, 1, 1), 10.0f, neV3(x, HillHeight(x, z) + 0.6f, z), 0,
                                 BoxInertia::kEngine);
    roadside.push_back(b);
    if (i % 11 == 0 && static_cast<int>(awake.size()) < kAwake) awake.push_back(b);
  }
  auto drive = [&]() {
    for (neRigidBody* car : cars) {
      const float x = car->GetPosition().x, vx = car->GetVelocity().x;
      // Back and forth along the lanes at 20 m/s, at most 1 g of push.
      float target = vx >= 0.0f ? 20.0f : -20.0f;
      if (x > 250.0f) target = -20.0f;
      if (x < -250.0f) target = 20.0f;
      const float push = std::fmax(-1.0f, std::fmin(1.0f, (target - vx) * 0.5f));
      car->SetForce(neV3(push * 100.0f * kSceneGravity, 0.0f, 0.0f));
    }
    for (neRigidBody* b : awake) b->SetVelocity(b->GetVelocity());
  };
  for (int f = 0; f < 200; ++f) {  // let the roadside boxes settle
    drive();
    sim->Step(4.0f * kGameSubStep, 4);
  }
  for (auto _ : state) {
    drive();
    sim->Step(4.0f * kGameSubStep, 4);
  }
  state.counters["triangles"] = grid.TriangleCount();
  state.counters["resting"] = CountIdle(roadside);
  neSimulation::Destroy(sim);
}
BENCHMARK(RaceFrame)->Unit(benchmark::kMicrosecond);

// Building the terrain tree of a 301,088-triangle mesh (SetTerrain replaces
// the previous one each time).
void BuildLargeTerrain(benchmark::State& state) {
  neSimulation* sim = MakeSimulation(SceneSizes(1, 0, 1), false);
  SceneTerrain grid;
  grid.Build(1200.0f, 388, HillHeight);
  const neTerrainMesh mesh = grid.Mesh();
  for (auto _ : state) sim->SetTerrain(&mesh);
  state.counters["triangles"] = grid.TriangleCount();
  neSimulation::Destroy(sim);
}
BENCHMARK(BuildLargeTerrain)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
