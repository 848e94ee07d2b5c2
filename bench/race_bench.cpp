// The race world's cost per frame: one 1/60 s race frame of race 1 with all four
// lorries driving at speed along the road (the physics step with every controller
// substep, and the render rows published). Run from build/, where base/ lies.
#include <benchmark/benchmark.h>

#include "app/controls.h"
#include "race/car.h"
#include "race/physics_world.h"
#include "race/race_status.h"
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

void RaceWorldFrame(benchmark::State& state) {
  RaceSessionOptions options;
  options.race = 1;
  if (!OpenRaceSession(options)) {
    state.SkipWithError("race 1 does not load (run from build/, where base/ lies)");
    return;
  }
  RunCountdown();
  // Eight seconds to get up to speed.
  for (int f = 0; f < 480; ++f) {
    DriveAll();
    StepRaceFrame();
  }
  float slowest = 1e9f;
  for (const CSampleCar& car : RaceCars) slowest = car.speed < slowest ? car.speed : slowest;
  for (auto _ : state) {
    DriveAll();
    StepRaceFrame();
  }
  state.counters["slowest_at_start"] = slowest;
  state.counters["substeps"] = SubstepCount;
  CloseRaceSession();
}
BENCHMARK(RaceWorldFrame)->Name("RaceWorldFrame/cars")->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
