// The per-frame drivers of the cars: the player's from the controls, the opponents'
// from the race path. Worker thread, before the simulator advances.
#include <cmath>

#include "app/controls.h"
#include "app/settings.h"
#include "race/car.h"
#include "race/race_status.h"
#include "race/tyre_curves.h"

namespace {

constexpr float kSteerLimit = 0.55f;  // radians at the front wheels

// A control value that is not a number drives nothing.
float Finite(float v) { return std::isfinite(v) ? v : 0.0f; }

}  // namespace

void CSampleCar::UpdatePlayerCar(float) {
  if (!body) return;
  velocity = body->GetVelocity();
  speed = velocity.Length();

  const DriverControlState& c = RaceControls;
  throttle = Finite(c.accelerator);
  brake = Finite(c.brake);
  clutchTarget = Finite(c.clutch);
  manualGearbox = Settings.transmission;
  handbrake = Finite(c.handbrake);
  // The pad's travel is shaped so small movements steer gently: |s|^1.5.
  const float s = Finite(c.steer);
  const float shaped = (s >= 0.0f ? 1.0f : -1.0f) * std::pow(std::fabs(s), 1.5f) * kSteerLimit;
  steer = ClampFloat(shaped, -kSteerLimit, kSteerLimit);
  if (manualGearbox == 1) gear = c.gearRequest;

  if (RaceStatus.CountdownRunning.load()) {
    // Held on the grid whatever the pedals say.
    steer = 0.0f;
    body->SetVelocity(neV3(0.0f, 0.0f, 0.0f));
    body->SetAngularMomentum(neV3(0.0f, 0.0f, 0.0f));
  }
  if (RaceStatus.PlayerFinished.load()) steer = 0.0f;
}

void CSampleCar::UpdateAICar(float) {
  if (!body) return;
  velocity = body->GetVelocity();
  speed = velocity.Length();
}
