// The opponents' driving law: follow the race path waypoint by waypoint, slow for the
// bends seen ahead, weave a little so three lorries do not drive in one line, and back
// out when wedged. The opponents run it in their update; a test-only autopilot drives
// the player's car by the same law.
#pragma once

#include <cstdint>

#include "race/car.h"

constexpr float kTopBendSpeed = 32.0f;
constexpr float kLowestBendSpeed = 10.0f;
constexpr float kBendAngle = 0.2f;          // radians of look-ahead angle before slowing
constexpr float kBendSlowdownCap = 0.9f;
constexpr float kSteerGain = 1.2f;
constexpr float kAiSteerLimit = 0.55f;
constexpr float kWeaveAmplitude = 0.2f;
constexpr float kStuckSpeed = 1.5f;
constexpr float kStuckSeconds = 3.0f;
constexpr float kReverseSeconds = 1.25f;
constexpr float kTwoPi = 6.2831853f;

// The weave's phase, shared by the three opponents; wrapped at 2 pi so its steps never
// round away.
extern float WeavePhase;

// What the law asks of the pedals and the wheel this frame.
struct DriverLawOutput {
  float throttle = 0.0f;  // may exceed 1 (the rubber band's boost)
  float brake = 0.0f;
  float steer = 0.0f;     // radians, -0.55..0.55
};

// The waypoint advance: within reach of the target the next one becomes the target,
// and the look-ahead moves out to trunc(0.35 x speed + 1) waypoints beyond it,
// wrapping round the path.
void AdvanceTarget(const neVector3& position, float speed, DriverLawState* state);

// The law's steps after the throttle is chosen: the weave and aim, the bend speed,
// speed control, steering, stuck detection and backing out. `index` is the car's index
// (1-3 for the opponents) that sets its weave; `speed` and `heading` come from the
// car; `throttle` is the throttle it wants before the bend rule. A heading with no
// horizontal part steers straight on.
void SteerAndPace(const neVector3& position, const neVector3& heading, float speed, int index,
                  float throttle, float ticks, DriverLawState* state, float* weavePhase,
                  DriverLawOutput* out);

// The rubber band: an opponent level with or behind the player takes 2.25, each
// waypoint of lead 0.1 less, down to 0.26.
float RubberBandThrottle(float playerProgress, float ownProgress);
// The bend speed for a look-ahead angle: 32 up to 0.2 rad, then falling, never below 10.
float BendSpeed(float angle);
