// A whole race with the player's car driven by the opponents' law: a test-only driver
// writes the controls as a player would, while the player's race rules stay the
// game's. Every frame checks the rules' invariants on every car.
#pragma once

#include <string>

#include "race/autopilot.h"
#include "tools/race_sim/race_session.h"

struct AutopilotResult {
  bool pass = false;
  std::string figures;
  float bestLap = 0.0f;  // the player's best lap, seconds of race clock; 0 without one
};

AutopilotResult RunAutopilotRace(const RaceSessionOptions& options);
