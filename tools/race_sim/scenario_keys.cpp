// The lorry's answer to short presses of the arrow keys, as a player at a keyboard
// feels it: the keys go through the settings' bindings and the game's key ramps, with
// Up held throughout. A tap must turn the lorry by about what the wheel it made asks
// for, and the turn must end soon after the key is let go.
#include <cmath>
#include <cstring>

#include "app/controls.h"
#include "app/frame.h"
#include "app/input.h"
#include "app/settings.h"
#include "platform/vk.h"
#include "race/car.h"
#include "race/race_status.h"
#include "tools/race_sim/scenarios.h"

namespace {

constexpr float kDegrees = 57.29578f;

float Heading(const CSampleCar& car) {
  const neVector3 x = car.body->GetRotationMatrix().col[0];
  return std::atan2(-x.z, x.x);
}

float Wrap(float a) {
  while (a > 3.14159265f) a -= 6.2831853f;
  while (a < -3.14159265f) a += 6.2831853f;
  return a;
}

// One frame with these arrows down, through the mapping as the main loop runs it.
void KeyFrame(bool up, bool left, bool right) {
  std::memset(Input.KeyStates, 0, sizeof Input.KeyStates);
  Input.KeyStates[platform::kVkUp] = up;
  Input.KeyStates[platform::kVkLeft] = left;
  Input.KeyStates[platform::kVkRight] = right;
  FrameTiming.RenderTicks = RaceSession.options.frameSeconds * 100.0f;
  MapDriverInput();
  TakeDriverControls();
  StepRaceFrame();
}

struct TapFigures {
  bool reached = false;
  float startSpeed = 0.0f;
  float turned = 0.0f;     // degrees from the first press to the end
  float afterLast = 0.0f;  // degrees in the last second (the turn should be over)
  bool upright = true;
};

// Up held along the path to `speed` (with the path follower's steering feeding the
// wheel directly, as a settled start), then the keys alone: `taps` presses of Right
// of `tapSeconds` each, `gapSeconds` apart, and `settleSeconds` with only Up down.
TapFigures Taps(const RaceSessionOptions& o, float speed, int taps, float tapSeconds, float gapSeconds,
                float settleSeconds) {
  TapFigures t;
  if (!OpenParked(o)) return t;
  Settings.controlDevice = kControlDeviceKeyboard;
  std::memset(PressLatches, 0, sizeof PressLatches);
  CSampleCar& car = RaceCars[0];
  const float dt = o.frameSeconds;
  for (int f = static_cast<int>(20.0f / dt); f > 0 && car.speed < speed; --f) {
    DriverControls = DriverControlState{};
    DriverControls.clutch = 1.0f;
    DriverControls.accelerator = 1.0f;
    DriverControls.steer = FollowPathSteering();
    KeyFrame(true, false, false);
  }
  // The straight-ahead wheel, the pedal down: the keys take over from here.
  DriverControls.steer = 0.0f;
  for (int f = static_cast<int>(0.3f / dt); f > 0; --f) KeyFrame(true, false, false);
  t.reached = car.speed >= speed * 0.9f;
  t.startSpeed = car.speed;
  const float start = Heading(car);
  for (int k = 0; k < taps; ++k) {
    for (float s = 0.0f; s < tapSeconds - 1e-4f; s += dt) KeyFrame(true, false, true);
    if (k + 1 < taps)
      for (float s = 0.0f; s < gapSeconds - 1e-4f; s += dt) KeyFrame(true, false, false);
  }
  float lastSecond = start;
  for (float s = 0.0f; s < settleSeconds - 1e-4f; s += dt) {
    if (s >= settleSeconds - 1.0f - 1e-4f && s < settleSeconds - 1.0f + dt - 1e-4f) lastSecond = Heading(car);
    KeyFrame(true, false, false);
    t.upright = t.upright && car.body->GetRotationMatrix().col[1].y > 0.5f;
  }
  t.turned = std::fabs(Wrap(Heading(car) - start)) * kDegrees;
  t.afterLast = std::fabs(Wrap(Heading(car) - lastSecond)) * kDegrees;
  return t;
}

ScenarioResult Judge(const TapFigures& t, float most, float settledWithin) {
  ScenarioResult r;
  r.pass = t.reached && t.upright && t.turned <= most && t.afterLast <= settledWithin;
  r.figures = FormatFigures("speed=%.1f turned_deg=%.1f last_second_deg=%.2f upright=%d", t.startSpeed, t.turned,
                            t.afterLast, t.upright ? 1 : 0);
  if (!t.reached) r.figures += " never reached the speed";
  return r;
}

// A 0.2 s tap of Right at about 45 on the dial (speed 15): the wheel it makes turns a
// rolling lorry by about 11 degrees with the ramp's return to centre; by two seconds
// after the press the turn has ended.
ScenarioResult TapAt45(const RaceSessionOptions& o) { return Judge(Taps(o, 15.0f, 1, 0.2f, 0.0f, 2.0f), 20.0f, 1.5f); }

// Three taps of 0.2 s, 0.3 s apart, at about 20 on the dial (speed 8.5): together
// about 20 degrees for the wheel they make, well short of turning the lorry round.
ScenarioResult TapsAt20(const RaceSessionOptions& o) {
  return Judge(Taps(o, 8.5f, 3, 0.2f, 0.3f, 2.0f), 45.0f, 2.0f);
}

// Flat out with the wheel straight: the lorry runs on straight (no yaw of its own
// growing out of the road's small bumps).
ScenarioResult Flatout(const RaceSessionOptions& o) { return Judge(Taps(o, 28.0f, 0, 0.0f, 0.0f, 3.0f), 8.0f, 3.0f); }

}  // namespace

const Scenario kKeyScenarios[] = {{"tap45", TapAt45}, {"taps20", TapsAt20}, {"flatout", Flatout}};
const int kKeyScenarioCount = static_cast<int>(sizeof kKeyScenarios / sizeof kKeyScenarios[0]);
