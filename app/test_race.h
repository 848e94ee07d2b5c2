// A test switch, not a feature of the game: KELVAMOR_TEST_RACE=1 in the environment at
// start makes every race one lap long with the player's lorry on the autopilot, and
// counts each race frame as 1/30 s (FixedRaceFrameSeconds), so that a script can play a
// whole race by keys on a slow software renderer.
#pragma once

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

// The worker, each race update after the step: the pose line, under its switch.
void PrintTestPose();
// Tests set it directly.
void SetTestPose(bool on);
