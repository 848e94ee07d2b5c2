// The one game controller as the game sees it: the state read each main-loop pass, a
// rest state taken when a binding capture starts, and the joystick codes that the
// bindings store.
//
//   GameJoystick = new Joystick; GameJoystick->present = GameJoystick->Init();
//   every pass, when present:  GameJoystick->Poll();
//   window activation:         GameJoystick->Acquire();
//   controls page, capture:    CaptureRestState() at the start, DetectControl() each pass
//   shutdown:                  Release() when present; delete; GameJoystick = nullptr
//
// Joystick codes (ControlBindings values of 1000 and above):
//   1000 + k   axis k (0 X, 1 Y, 2 Z, 3 X rot, 4 Y rot, 5 Z rot, 6 slider 0, 7 slider 1)
//              moved up from a rest near 0
//   1100 + k   axis k moved down from a rest near 65535
//   1200 + k   axis k moved up from a rest near the centre
//   1300 + k   axis k moved down from a rest near the centre
//   1008 + p, 1108 + p, 1208 + p, 1308 + p   hat p (0..3) pushed up, right, down, left
//   1012 + b   button b (0..31)
// Every other value, -1 included, binds nothing.
#pragma once

#include <cstdint>

#include "platform/joystick_device.h"

// The device state record: 8 axes 0..65535, 4 hats (-1 centred), 32 button bytes.
using JoyState = platform::JoystickReading;

constexpr int kJoyCodeAxisUp = 1000;
constexpr int kJoyCodeAxisDown = 1100;
constexpr int kJoyCodeAxisCentreUp = 1200;
constexpr int kJoyCodeAxisCentreDown = 1300;
constexpr int kJoyCodeHat = 1008;     // + p, and the same offsets of 100 per direction
constexpr int kJoyCodeButton = 1012;  // + b
constexpr int kJoyCodeLastButton = kJoyCodeButton + platform::kJoystickButtons - 1;  // 1043
constexpr int kJoyCodeNone = -1;

// Capture thresholds: "near" a rest position and "moved" away from it.
constexpr int kJoyRestTolerance = 7500;
constexpr int kJoyMoveThreshold = 15000;

// What a code names. Axis: kind 0..3 (up, down, centre up, centre down) and axis 0..7.
bool JoyCodeIsAxis(int code, int* kind = nullptr, int* axis = nullptr);
// Hat: p 0..3 and the direction angle 0, 9000, 18000 or 27000.
bool JoyCodeIsHat(int code, int* hat = nullptr, int* angle = nullptr);
bool JoyCodeIsButton(int code, int* button = nullptr);
// A button or a hat direction: a control that is either down or up.
bool JoyCodeIsDigital(int code);
// Down state of a digital code; false for every other code.
bool JoyDigitalDown(const JoyState& state, int code);
// The axis reading of an axis code mapped as the driving controls take it:
// v/65535, 1 - v/65535, (v - 32547)/32547 or 1 - v/32547; 0 for other codes.
float JoyAxisValue(const JoyState& state, int code);

// The code of the control that differs from the rest state, first match in the order
// axes 0..7 (each: up from 0, down from 65535, up from centre, down from centre), hats
// 0..3 (up, right, down, left), buttons 0..31; kJoyCodeNone when nothing moved.
int DetectJoyCode(const JoyState& current, const JoyState& rest);

class Joystick {
 public:
  Joystick();
  // Resets the fields; it does not close the device (Release comes first).
  virtual ~Joystick();

  // Opens the first attached controller that opens. True when one was opened; the
  // caller stores the result in present.
  bool Init();
  // Refreshes state. False when the device is lost (the state of this pass is not
  // read and stateCurrent is cleared; the device is opened again once it is back) or
  // there is none.
  bool Poll();
  // Re-opens a lost device (the window's activation).
  void Acquire();
  // Reads the device into the rest state.
  void CaptureRestState();
  // Poll, then DetectJoyCode against the rest state.
  int DetectControl();
  void Release();

  platform::JoystickDevice* device;  // null until Init opens one, and after Release
  char name[260];                    // product name; 259 blanks until a device is found
  uint8_t present;                   // 1 when Init succeeded; tested before every use
  // The game never plays a force effect; none is made, so this is cleared by Init.
  uint8_t forceFeedbackAvailable;
  int effectAxisCount;
  uint8_t filterXInputPads;          // never set
  JoyState state;                    // read by Poll
  // 1 while state is what the device reads now; 0 once a Poll found the device gone
  // (state then still holds the last reading, which must not drive the car).
  uint8_t stateCurrent;
  JoyState rest;                     // read by CaptureRestState
};

// The one joystick object, created after the window and deleted at shutdown; null
// before and after.
extern Joystick* GameJoystick;
