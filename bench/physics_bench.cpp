// Cost of one sub-step: a settled pile of 200 boxes, and 1,000 resting boxes
// with 4 kept awake; of one race-like frame; and of building a large terrain.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "physics/ne.h"

namespace {

constexpr float kSubStep = 1.0f / 240.0f;

neSimulation* MakeWorld(int boxes) {
  neSimulationSizes s;
  s.rigidBodiesCount = boxes;
  s.animatedBodiesCount = 1;
  s.rigidParticleCount = 0;
  s.geometriesCount = boxes + 1;
  s.overlapPairsCount = boxes * 8;
  const neVector3 g = neV3(0.0f, -9.8f, 0.0f);
  neSimulation* sim = neSimulation::Create(&s, nullptr, &g);
  neAnimatedBody* floor = sim->CreateAnimatedBody();
  floor->AddGeometry()->SetBoxSize(200.0f, 1.0f, 200.0f);
  floor->UpdateBoundingInfo();
  floor->SetPosition(neV3(0.0f, -0.5f, 0.0f));
  return sim;
}

neRigidBody* AddBox(neSimulation* sim, const neVector3& at) {
  neRigidBody* b = sim->CreateRigidBody();
  b->AddGeometry()->SetBoxSize(1.0f, 1.0f, 1.0f);
  b->SetMass(1.0f);
  b->SetInertiaTensor(neComputeBoxInertia(neV3(1, 1, 1), 1.0f));
  b->UpdateBoundingInfo();
  b->SetPosition(at);
  return b;
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
  for (int i = 0; i < 240; ++i) sim->Step(kSubStep, 1);  // a second of settling
  const bool keepAwake = state.range(0) != 0;
  for (auto _ : state) {
    if (keepAwake) {
      for (neRigidBody* b : boxes) b->SetVelocity(b->GetVelocity());
    }
    sim->Step(kSubStep, 1);
  }
  int idle = 0;
  for (neRigidBody* b : boxes) idle += b->IsIdle() ? 1 : 0;
  state.counters["resting"] = idle;
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
  int idle = 0;
  for (neRigidBody* b : boxes) idle += b->IsIdle() ? 1 : 0;
  for (auto _ : state) {
    for (int k = 0; k < 4; ++k) boxes[k * 250]->SetVelocity(neV3(0.5f, 0.0f, 0.0f));
    sim->Step(kSubStep, 1);
  }
  state.counters["resting"] = idle;
  neSimulation::Destroy(sim);
}
BENCHMARK(ThousandSleepingFourAwake)->Unit(benchmark::kMicrosecond);

// The game's sub-step: 2.1 x a 60 Hz frame in 4 sub-steps.
constexpr float kGameSubStep = 2.1f / 60.0f / 4.0f;

// A hilly square grid of 2 x cells x cells two-sided triangles, side 2 x half.
struct Grid {
  std::vector<neVector3> vertices;
  std::vector<neTerrainTriangle> triangles;
  float half = 0.0f;
  int cells = 0;

  Grid(float h, int n) : half(h), cells(n) {
    const float step = 2.0f * half / static_cast<float>(cells);
    for (int j = 0; j <= cells; ++j) {
      for (int i = 0; i <= cells; ++i) {
        const float x = -half + step * static_cast<float>(i);
        const float z = -half + step * static_cast<float>(j);
        vertices.push_back(neV3(x, Height(x, z), z));
      }
    }
    const int row = cells + 1;
    for (int j = 0; j < cells; ++j) {
      for (int i = 0; i < cells; ++i) {
        const int a = j * row + i, b = a + 1, c = a + row, d = c + 1;
        neTerrainTriangle t1, t2;
        t1.indices[0] = a;
        t1.indices[1] = c;
        t1.indices[2] = b;
        t2.indices[0] = b;
        t2.indices[1] = c;
        t2.indices[2] = d;
        triangles.push_back(t1);
        triangles.push_back(t2);
      }
    }
  }
  // The smooth surface the grid samples (the triangles lie within a few
  // centimetres of it at these cell sizes).
  static float Height(float x, float z) {
    return 1.5f * std::sin(0.05f * x) * std::cos(0.07f * z);
  }
  neTerrainMesh Mesh() {
    neTerrainMesh m;
    m.vertices = vertices.data();
    m.vertexCount = static_cast<int32_t>(vertices.size());
    m.triangles = triangles.data();
    m.triangleCount = static_cast<int32_t>(triangles.size());
    return m;
  }
};

neRigidBody* AddSizedBox(neSimulation* sim, const neVector3& size, float mass,
                         const neVector3& at) {
  neRigidBody* b = sim->CreateRigidBody();
  b->AddGeometry()->SetBoxSize(size);
  b->SetMass(mass);
  b->SetInertiaTensor(neComputeBoxInertia(size, mass));
  b->UpdateBoundingInfo();
  b->SetPosition(at);
  return b;
}

// One race-like frame of 4 game sub-steps: 4 car boxes with 4 downward wheel
// sensors each driven at 20 m/s on a 30,258-triangle terrain, 100 roadside
// boxes kept awake and 1,000 resting ones.
void RaceFrame(benchmark::State& state) {
  constexpr int kCars = 4, kAwake = 100, kResting = 1000;
  constexpr int kBodies = kCars + kAwake + kResting;
  neSimulationSizes s;
  s.rigidBodiesCount = kBodies;
  s.geometriesCount = kBodies;
  s.animatedBodiesCount = 0;
  s.rigidParticleCount = 0;
  s.overlapPairsCount = kBodies * 8;
  s.sensorsCount = kCars * 4;
  const neVector3 g = neV3(0.0f, -9.8f, 0.0f);
  neSimulation* sim = neSimulation::Create(&s, nullptr, &g);
  Grid grid(320.0f, 123);
  neTerrainMesh mesh = grid.Mesh();
  sim->SetTerrain(&mesh);

  std::vector<neRigidBody*> cars, awake, roadside;
  for (int c = 0; c < kCars; ++c) {
    const float z = -30.0f + 20.0f * static_cast<float>(c);
    const neVector3 at = neV3(-200.0f, Grid::Height(-200.0f, z) + 1.4f, z);
    neRigidBody* car = AddSizedBox(sim, neV3(7.5f, 2.2f, 3.2f), 100.0f, at);
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
    neRigidBody* b = AddSizedBox(sim, neV3(1, 1, 1), 10.0f, neV3(x, Grid::Height(x, z) + 0.6f, z));
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
      car->SetForce(neV3(push * 100.0f * 9.8f, 0.0f, 0.0f));
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
  int idle = 0;
  for (neRigidBody* b : roadside) idle += b->IsIdle() ? 1 : 0;
  state.counters["triangles"] = static_cast<double>(grid.triangles.size());
  state.counters["resting"] = idle;
  neSimulation::Destroy(sim);
}
BENCHMARK(RaceFrame)->Unit(benchmark::kMicrosecond);

// Building the terrain tree of a 301,088-triangle mesh (SetTerrain replaces
// the previous one each time).
void BuildLargeTerrain(benchmark::State& state) {
  neSimulationSizes s;
  s.rigidBodiesCount = 1;
  s.geometriesCount = 1;
  s.animatedBodiesCount = 0;
  s.rigidParticleCount = 0;
  s.overlapPairsCount = 1;
  neSimulation* sim = neSimulation::Create(&s, nullptr, nullptr);
  Grid grid(1200.0f, 388);
  neTerrainMesh mesh = grid.Mesh();
  for (auto _ : state) sim->SetTerrain(&mesh);
  state.counters["triangles"] = static_cast<double>(grid.triangles.size());
  neSimulation::Destroy(sim);
}
BENCHMARK(BuildLargeTerrain)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
