#include "app/joystick.h"

#include <cstdlib>
#include <cstring>

Joystick* GameJoystick = nullptr;

namespace {

constexpr int kHatAngles[4] = {0, 9000, 18000, 27000};  // up, right, down, left

void ClearState(JoyState* s) {
  for (int32_t& a : s->axes) a = 0;
  for (int32_t& h : s->hats) h = -1;
  std::memset(s->buttons, 0, sizeof s->buttons);
}

}  // namespace

bool JoyCodeIsAxis(int code, int* kind, int* axis) {
  if (code < kJoyCodeAxisUp || code > kJoyCodeAxisCentreDown + 99) return false;
  const int k = (code - kJoyCodeAxisUp) / 100;
  const int a = (code - kJoyCodeAxisUp) % 100;
  if (a >= platform::kJoystickAxes) return false;
  if (kind) *kind = k;
  if (axis) *axis = a;
  return true;
}

bool JoyCodeIsHat(int code, int* hat, int* angle) {
  if (code < kJoyCodeAxisUp || code > kJoyCodeAxisCentreDown + 99) return false;
  const int d = (code - kJoyCodeAxisUp) / 100;
  const int p = (code - kJoyCodeAxisUp) % 100 - platform::kJoystickAxes;
  if (p < 0 || p >= platform::kJoystickHats) return false;
  if (hat) *hat = p;
  if (angle) *angle = kHatAngles[d];
  return true;
}

bool JoyCodeIsButton(int code, int* button) {
  if (code < kJoyCodeButton || code > kJoyCodeLastButton) return false;
  if (button) *button = code - kJoyCodeButton;
  return true;
}

bool JoyCodeIsDigital(int code) { return JoyCodeIsButton(code) || JoyCodeIsHat(code); }

bool JoyDigitalDown(const JoyState& state, int code) {
  int index, angle;
  if (JoyCodeIsButton(code, &index)) return state.buttons[index] != 0;
  if (JoyCodeIsHat(code, &index, &angle)) return state.hats[index] == angle;
  return false;
}

float JoyAxisValue(const JoyState& state, int code) {
  int kind, axis;
  if (!JoyCodeIsAxis(code, &kind, &axis)) return 0.0f;
  const float v = static_cast<float>(state.axes[axis]);
  switch (kind) {
    case 0: return v / 65535.0f;
    case 1: return 1.0f - v / 65535.0f;
    // The half-axis codes take 32547 as the centre, a little below the true 32767, so
    // a centred stick already reads a hair above zero.
    case 2: return (v - 32547.0f) / 32547.0f;
    default: return 1.0f - v / 32547.0f;
  }
}

int DetectJoyCode(const JoyState& current, const JoyState& rest) {
  for (int k = 0; k < platform::kJoystickAxes; ++k) {
    const int r = rest.axes[k];
    const int moved = current.axes[k] - r;
    if (std::abs(r) < kJoyRestTolerance && moved > kJoyMoveThreshold) return kJoyCodeAxisUp + k;
    if (std::abs(r - 65535) < kJoyRestTolerance && -moved > kJoyMoveThreshold)
      return kJoyCodeAxisDown + k;
    if (std::abs(r - 32767) < kJoyRestTolerance) {
      if (moved > kJoyMoveThreshold) return kJoyCodeAxisCentreUp + k;
      if (-moved > kJoyMoveThreshold) return kJoyCodeAxisCentreDown + k;
    }
  }
  for (int p = 0; p < platform::kJoystickHats; ++p)
    for (int d = 0; d < 4; ++d)
      if (current.hats[p] == kHatAngles[d] && current.hats[p] != rest.hats[p])
        return kJoyCodeHat + 100 * d + p;
  for (int b = 0; b < platform::kJoystickButtons; ++b)
    if (current.buttons[b] != rest.buttons[b]) return kJoyCodeButton + b;
  return kJoyCodeNone;
}

Joystick::Joystick()
    : device(nullptr),
      present(0),
      forceFeedbackAvailable(1),
      effectAxisCount(1),
      filterXInputPads(0),
      stateCurrent(0) {
  std::memset(name, ' ', sizeof name - 1);
  name[sizeof name - 1] = '\0';
  ClearState(&state);
  ClearState(&rest);
}

Joystick::~Joystick() {
  device = nullptr;
  std::memset(name, ' ', sizeof name - 1);
  name[sizeof name - 1] = '\0';
  present = 0;
  forceFeedbackAvailable = 1;
  effectAxisCount = 1;
  filterXInputPads = 0;
  stateCurrent = 0;
}

bool Joystick::Init() {
  if (device) return true;
  device = platform::OpenJoystick(name, sizeof name);
  if (!device) return false;
  forceFeedbackAvailable = 0;
  effectAxisCount = 1;
  std::memset(state.buttons, 0, sizeof state.buttons);
  // Reading once makes an untouched device's centred axes and hats the state from the
  // start, not zeros that would look like a full deflection to the mapping.
  stateCurrent = platform::ReadJoystick(device, &state) ? 1 : 0;
  rest = state;
  return true;
}

bool Joystick::Poll() {
  if (!device) return false;
  if (!platform::ReadJoystick(device, &state)) {
    stateCurrent = 0;
    platform::ReacquireJoystick(device);
    return false;
  }
  stateCurrent = 1;
  return true;
}

void Joystick::Acquire() {
  if (device) platform::ReacquireJoystick(device);
}

void Joystick::CaptureRestState() {
  if (!device) return;
  if (!platform::ReadJoystick(device, &rest)) platform::ReacquireJoystick(device);
}

int Joystick::DetectControl() {
  Poll();
  return DetectJoyCode(state, rest);
}

void Joystick::Release() {
  if (device) {
    platform::CloseJoystick(device);
    device = nullptr;
  }
  stateCurrent = 0;
}
