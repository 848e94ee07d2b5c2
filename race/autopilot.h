// The test-only driver of the player's lorry: the opponents' driving law giving the
// pedals and the wheel a player would, while the player's race rules stay the game's.
// The race tools race with it, and the game does under its test switch.
#pragma once

#include "app/controls.h"
#include "race/car.h"

struct Autopilot {
  DriverLawState state;
  float weavePhase = 0.0f;

  // Back to the grid's state: a new race starts from waypoint 0, not backing out.
  void Reset() { *this = Autopilot(); }
  // One frame of ticks for car 0 where it stands: the pedals and the wheel into
  // *controls (the camera and look left alone). Reads the player's car, so it runs
  // while nothing steps the race; a car without a body is left alone.
  void Drive(float ticks, DriverControlState* controls);
};
