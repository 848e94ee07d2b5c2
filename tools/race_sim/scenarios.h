// Driving scenarios over a race session: each loads the race afresh, drives the
// player's lorry (or just waits) and judges what happened against the figures a
// lorry of the game must reach. One line of figures each.
#pragma once

#include <string>

#include "physics/ne.h"
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
// The runs that keep a lorry on its wheels where players tipped it (scenario_upright.cpp);
// not part of "all", named one by one or as "upright".
extern const Scenario kUprightScenarios[];
extern const int kUprightScenarioCount;
// Short presses of the arrow keys through the game's key ramps (scenario_keys.cpp);
// not part of "all", named one by one or as "keys".
extern const Scenario kKeyScenarios[];
extern const int kKeyScenarioCount;

// The test-only path follower: the wheel angle (radians, -0.55..0.55) that steers a
// car along the race path from the waypoint it is nearest to, by the opponents' law.
float FollowPathAngle(int car);
// The same for the player's car as the steering control (-1..1) that the player's
// driver turns back into that angle.
float FollowPathSteering();
// Loads the race for the player alone: the opponents parked aside, the countdown run.
bool OpenParked(const RaceSessionOptions& o);
// Steering control (-1..1) turning the player's lorry toward a point by the path
// follower's law.
float SteerAt(const neVector3& target);

// The roadside objects: at rest until a lorry comes near, knocked and scored once,
// asleep again once left (scenario_objects.cpp).
ScenarioResult ObjectsScenario(const RaceSessionOptions& options);
