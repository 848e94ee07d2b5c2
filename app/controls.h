// The driver's controls, made once per main-loop pass from the keyboard or the
// joystick through the binding slots, and the binding capture of the controls page.
//
// The main loop, each pass without a message, after the frame:
//   CaptureBinding();   // does something only while TargetScreen is the controls page
//                       // and BindingCaptureActive is set
//   ...F1, latch release, joystick Poll...
//   MapDriverInput();   // last: the controls for the next race update
// The front end calls ClearKeyStates() on every screen change.
//
// Binding slots (GameSettings::bindings, slot = row + 10 x column):
//   0 steer left, 1 steer right (an axis here steers), 2 accelerate, 3 brake/reverse,
//   4 clutch, 5 handbrake              ramps, or axes on a joystick (slots 1-5)
//   6 change camera, 7 look back, 8 look left, 9 look right   one action per press
//   10 transmission cell (no action), 11 gear up, 12 gear down, 13-18 gears 1-6,
//   19 reverse gear                     one action per press
//   20-29 saved, never read
#pragma once

#include <cstdint>

#include "app/joystick.h"
#include "app/settings.h"

struct DriverControlState {
  float steer;        // -1..1, +1 full left
  float accelerator;  // 0..1
  float brake;        // 0..1
  float handbrake;    // 0..1
  float clutch;       // 0..1, stored as 1 - pedal (1 = engaged)
  int look;           // 0 ahead, 1 back, 2 left, 3 right; stays until "Change camera"
  int cameraMode;     // 0..3
  int gearRequest;    // -1..6; counts only with the manual gearbox
};

// Written here on the main thread, once per pass. The worker never reads it: it takes
// the copy PublishDriverControls leaves, once per race update, into RaceControls.
extern DriverControlState DriverControls;
// The worker's copy for the update in progress (the race code and the camera read it).
extern DriverControlState RaceControls;
// Main thread: hands the current controls over. Several publishes may come during one
// update (the lock-step does not hold the main loop's passes back); the latest wins.
void PublishDriverControls();
// Worker: takes the latest published controls into RaceControls (the same ones again
// when nothing was published since the last take).
void TakeDriverControls();

// One byte per press slot (6-19, indexed by slot): set when its action fires, cleared
// once its key or button is up, so holding a key acts once.
extern uint8_t PressLatches[kBindingSlots];

// The front end's per-widget hover flags, zeroed with the click latch by ClearKeyStates.
extern uint8_t WidgetHover[30];

constexpr int kControlDeviceKeyboard = 0;
constexpr int kControlDeviceJoystick = 1;

// Ramp rates per 10-millisecond tick.
constexpr float kSteerRate = 0.02f;
constexpr float kSteerCentring = 0.05f;  // share of the angle given back per tick
constexpr float kPedalRate = 0.05f;

// One mapping pass from the settings' bindings and device, the keyboard state, the
// joystick (when present) and RenderTicks; publishes the result for the worker. When
// the driving controls cannot be read (CheckDrivingBindings), the keyboard's shipped
// keys drive instead, and the pass that starts that says so in one line.
void MapDriverInput();

// The mapping itself, with every input named: joystick is null when there is none (the
// joystick device then falls back to the keyboard). Codes outside 0..255 never read the
// key array; codes that are no joystick code never read the joystick state.
void MapDriverControls(const ControlBindings& bindings, int device, const uint8_t keys[256],
                       const JoyState* joystick, float ticks, DriverControlState* controls,
                       uint8_t latches[kBindingSlots]);

// The four controls a race cannot be driven without: steer left, steer right,
// accelerate and brake, slots 0-3.
constexpr int kDrivingSlots = 4;

// Whether the device in use reads the four driving controls. The device in use is the
// keyboard when the joypad is chosen and no joystick answers (its bindings are then
// read as keys). The keyboard reads key codes; the joystick reads buttons and hat
// directions in every slot and axes in slots 1-3, slot 1's axis steering both ways
// (so it serves steer left too; an axis in slot 0 is never read).
struct DrivingCheck {
  bool joystickMissing;  // the joypad is chosen and no joystick answers
  uint8_t unbound;       // bit s: slot s holds nothing the device in use reads
  uint8_t shared;        // bit s: slot s is read from the same control as another of the four
  uint8_t sharedControls;  // how many keys or controls those slots share (0-2)
  bool Drivable() const { return unbound == 0 && shared == 0; }
};
// joystickAnswers: a joystick is present and what it reads is current.
DrivingCheck CheckDrivingBindings(const ControlBindings& bindings, int device, bool joystickAnswers);

// A race starts: the driving controls are checked at once, and when the shipped keys
// drive, the line says so again (the player may have unbound a control or pulled the
// joystick out since the last line). The main thread only, like MapDriverInput.
void CheckDrivingControlsAtRaceStart();

// Binding capture, one main-loop step: while TargetScreen is the controls page and
// BindingCaptureActive is set, the first accepted key (or, on the joystick device, the first
// control that left its rest state and that the slot accepts) goes into the selected
// slot of the settings and of ShownBindings, the capture ends and "menu4" plays when
// Sound is on. A key capture also sets the key latch.
void CaptureBinding();

// The lowest virtual-key code that is down and that the controls page can name (A-Z,
// Shift, Ctrl, Space, , . / ; ' [ ] and the four arrows); -1 when none.
int FirstCapturableKey(const uint8_t keys[256]);
// Slots 0-5 take any joystick code, the others only buttons.
bool SlotAcceptsJoystickCode(int slot, int code);

// Zeroes WidgetHover and the click latch.
void ClearKeyStates();
