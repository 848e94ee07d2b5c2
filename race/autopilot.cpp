#include "race/autopilot.h"

#include <cmath>

#include "app/controls.h"
#include "race/ai_driver.h"

void Autopilot::Drive(float ticks) {
  const CSampleCar& car = RaceCars[0];
  if (!car.body) return;
  const neVector3 p = car.Position();
  AdvanceTarget(p, car.speed, &state);
  DriverLawOutput out;
  // Index 0 and full throttle: the player's own weave and no rubber band.
  SteerAndPace(p, car.heading, car.speed, 0, 1.0f, ticks, &state, &weavePhase, &out);
  RaceControls.accelerator = std::fmin(out.throttle, 1.0f);
  RaceControls.brake = out.brake;
  RaceControls.clutch = 1.0f;
  // Back through the player's steering shape |s|^1.5 to the same wheel angle.
  const float a = out.steer;
  RaceControls.steer = (a >= 0.0f ? 1.0f : -1.0f) * std::pow(std::fabs(a) / kAiSteerLimit, 2.0f / 3.0f);
}
