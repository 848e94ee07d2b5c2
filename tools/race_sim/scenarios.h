// Driving scenarios over a race session: each loads the race afresh, drives the
// player's lorry (or just waits) and judges what happened against the figures a
// lorry of the game must reach. One line of figures each.
#pragma once

#include <string>

#include "tools/race_sim/race_session.h"

struct ScenarioResult {
  bool pass = false;
  std::string figures;
};

struct Scenario {
  const char* name;
  ScenarioResult (*run)(const RaceSessionOptions& options);
};

extern const Scenario kScenarios[];
extern const int kScenarioCount;

// The test-only path follower: steers the player's car along the race path from the
// waypoint it is nearest to, writing the steering control (-1..1) the player's
// driver turns into the wheel angle the opponents' law would choose.
float FollowPathSteering();
