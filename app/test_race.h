// A test switch, not a feature of the game: KELVAMOR_TEST_RACE=1 in the environment at
// start makes every race one lap long with the player's lorry on the autopilot, and
// counts each race frame as 1/30 s (FixedRaceFrameSeconds), so that a script can play a
// whole race by keys on a slow software renderer.
#pragma once

#include <cstddef>

constexpr float kTestRaceFrameSeconds = 1.0f / 30.0f;
constexpr int kTestRaceLaps = 1;

// KELVAMOR_TEST_POSE=1 beside it (or alone) makes every race update print the player's
// lorry as that frame shows it, one flushed "pose ..." line, so that a script can steer
// the real game by its arrow keys.

// Start-up: reads the environment once; true when the race switch is on.
bool ReadTestRaceSwitch();
bool TestRaceOn();
// Tests set it directly.
void SetTestRace(bool on);

// The worker, each race update after taking the player's controls: under the switch,
// one lap and the autopilot's controls in place of the player's (its state starts
// again with every race load).
void ApplyTestRace(float ticks);

// What the pose line tells: the race and the player's lorry, in the world's units.
struct TestPose {
  int race = 0, car = 0, countdown = 0, finished = 0;
  float x = 0.0f, y = 0.0f, z = 0.0f;
  float hx = 1.0f, hz = 0.0f;  // the way it faces, flattened
  float vx = 0.0f, vz = 0.0f;
  float speed = 0.0f, steer = 0.0f, wheelbase = 0.0f;
  int lap = 0;
  float best = 0.0f, aiBest = 0.0f;  // the player's best lap and the opponents' best, s
  int recoveries = 0;
};
// The race world's pose now (the worker's).
TestPose CurrentTestPose();
// "pose race=... recoveries=...\n" into `out`; its length, as snprintf counts it.
int FormatTestPose(const TestPose& pose, char* out, size_t size);
// The reader's side: true when `line` is a whole pose line.
bool ParseTestPose(const char* line, TestPose* pose);

// The worker, each race update after the step: the pose line, under its switch.
void PrintTestPose();
// Tests set it directly.
void SetTestPose(bool on);
