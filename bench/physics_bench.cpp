// Cost of one sub-step: a settled pile of 200 boxes, and 1,000 resting boxes
// with 4 kept awake.
#include <benchmark/benchmark.h>

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

}  // namespace

BENCHMARK_MAIN();
