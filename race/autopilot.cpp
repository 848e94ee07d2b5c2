#include "race/autopilot.h"

#include <cmath>

#include "race/ai_driver.h"

void Autopilot::Drive(float ticks, DriverControlState* controls) {
  const CSampleCar& car = RaceCars[0];
  if (!car.body) return;
  const neVector3 p = car.Position();
  AdvanceTarget(p, car.speed, &state);
  DriverLawOutput out;
  // Index 0 and full throttle: the player's own weave and no rubber band.
  SteerAndPace(p, car.heading, car.speed, 0, 1.0f, ticks, &state, &weavePhase, &out);
  controls->accelerator = std::fmin(out.throttle, 1.0f);
  controls->brake = out.brake;
  controls->clutch = 1.0f;
  // Back through the player's steering shape |s|^1.5 to the same wheel angle.
  const float a = out.steer;
  controls->steer = (a >= 0.0f ? 1.0f : -1.0f) * std::pow(std::fabs(a) / kAiSteerLimit, 2.0f / 3.0f);
}
