// The test-only driver of the player's lorry: the opponents' driving law writing the
// controls a player would, while the player's race rules stay the game's. The race
// tools race with it, and the game does under its test switch.
#pragma once

#include "race/car.h"

struct Autopilot {
  DriverLawState state;
  float weavePhase = 0.0f;

  // Back to the grid's state: a new race starts from waypoint 0 and not backing out.
  void Reset() { *this = Autopilot(); }
  // RaceControls for car 0 from where it stands this frame; a car without a body is
  // left alone.
  void Drive(float ticks);
};
