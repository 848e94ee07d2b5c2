// A whole race with the player's car driven by the opponents' law: a test-only driver
// writes the controls as a player would, while the player's race rules stay the
// game's. Every frame checks the rules' invariants on every car.
#pragma once

#include <string>

#include "app/controls.h"
#include "race/ai_driver.h"
#include "tools/race_sim/race_session.h"

// The player's own law: its target and weave, never the opponents'. Reads the player's
// car, so it runs while nothing steps the race.
struct Autopilot {
  DriverLawState state;
  float weavePhase = 0.0f;

  // One frame of ticks: the pedals and the wheel a player would give for the lorry's
  // position, heading and speed. Leaves the camera and look alone.
  void Drive(float ticks, DriverControlState* controls);
};

struct AutopilotResult {
  bool pass = false;
  std::string figures;
};

AutopilotResult RunAutopilotRace(const RaceSessionOptions& options);
