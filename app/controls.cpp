#include "app/controls.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "app/frame.h"
#include "app/input.h"
#include "app/sound.h"
#include "frontend/screens.h"
#include "platform/vk.h"

DriverControlState DriverControls;
DriverControlState RaceControls;
uint8_t PressLatches[kBindingSlots];
uint8_t WidgetHover[30];

namespace {

// The hand-over of the controls to the worker: three slots, one the main thread
// writes, one the worker reads and one in between. Each side only ever touches its own
// slot and swaps it with the one in between, so a publish never overwrites a copy the
// worker is still making, however many publishes come during it. The worker's swap is
// its acknowledgement: only then may the slot it gave up be written again.
DriverControlState g_controlSlots[3];
int g_writeSlot = 0;  // main thread only
int g_readSlot = 1;   // worker only
constexpr int kFreshControls = 4;  // the slot in between holds controls not yet taken
std::atomic<int> g_handoverSlot{2};

constexpr int kSlotSteerLeft = 0;
constexpr int kSlotSteerRight = 1;
constexpr int kSlotFirstPedal = 2;   // accelerate, brake, clutch, handbrake
constexpr int kSlotClutch = 4;
constexpr int kSlotLastPedal = 5;
constexpr int kSlotFirstPress = 6;
constexpr int kSlotLastPress = 19;
constexpr int kSlotFirstGear = 13;   // "1 Gear" .. "6 Gear" are 13..18
constexpr int kSlotReverseGear = 19;

bool KeyCodeDown(const uint8_t keys[256], int code) {
  return code >= 0 && code < 256 && keys[code] != 0;
}

float* PedalOf(DriverControlState* c, int slot) {
  switch (slot) {
    case 2: return &c->accelerator;
    case 3: return &c->brake;
    case 4: return &c->clutch;
    default: return &c->handbrake;
  }
}

// One pedal ramp: toward 1 while down, toward 0 while up. The clutch is kept as
// 1 - pedal, so it ramps in pedal terms and is stored back inverted.
void RampPedal(DriverControlState* c, int slot, bool down, float t) {
  float* stored = PedalOf(c, slot);
  float pedal = slot == kSlotClutch ? 1.0f - *stored : *stored;
  pedal += down ? kPedalRate * t : -kPedalRate * t;
  pedal = std::clamp(pedal, 0.0f, 1.0f);
  *stored = slot == kSlotClutch ? 1.0f - pedal : pedal;
}

void RunPressAction(DriverControlState* c, int slot) {
  switch (slot) {
    case 6:
      if (c->look != 0) c->look = 0;
      else c->cameraMode = c->cameraMode >= 3 ? 0 : c->cameraMode + 1;
      break;
    case 7: c->look = 1; break;
    case 8: c->look = 2; break;
    case 9: c->look = 3; break;
    case 10: break;  // the Transmission cell: a key here does nothing
    case 11: c->gearRequest += 1; break;
    case 12: c->gearRequest -= 1; break;
    case kSlotReverseGear: c->gearRequest = -1; break;
    default: c->gearRequest = slot - kSlotFirstGear + 1; break;  // 13..18
  }
  c->gearRequest = std::clamp(c->gearRequest, -1, 6);
}

void RunPressSlots(DriverControlState* c, uint8_t latches[], const bool down[]) {
  for (int slot = kSlotFirstPress; slot <= kSlotLastPress; ++slot) {
    if (!down[slot]) {
      latches[slot] = 0;
    } else if (!latches[slot]) {
      latches[slot] = 1;
      RunPressAction(c, slot);
    }
  }
}

void MapKeyboard(const ControlBindings& b, const uint8_t keys[256], float t,
                 DriverControlState* c, uint8_t latches[]) {
  const bool left = KeyCodeDown(keys, b.slot[kSlotSteerLeft]);
  const bool right = KeyCodeDown(keys, b.slot[kSlotSteerRight]);
  if (left) c->steer = std::min(c->steer + kSteerRate * t, 1.0f);
  if (right) c->steer = std::max(c->steer - kSteerRate * t, -1.0f);
  if (!left && !right) c->steer -= c->steer * kSteerCentring * t;

  for (int slot = kSlotFirstPedal; slot <= kSlotLastPedal; ++slot)
    RampPedal(c, slot, KeyCodeDown(keys, b.slot[slot]), t);

  bool down[kBindingSlots] = {};
  for (int slot = kSlotFirstPress; slot <= kSlotLastPress; ++slot)
    down[slot] = KeyCodeDown(keys, b.slot[slot]);
  RunPressSlots(c, latches, down);
}

void MapJoystick(const ControlBindings& b, const JoyState& joy, float t, DriverControlState* c,
                 uint8_t latches[]) {
  // Axes. Slot 0 is never read as an axis: the steering axis belongs in slot 1.
  for (int slot = kSlotSteerRight; slot <= kSlotLastPedal; ++slot) {
    const int code = b.slot[slot];
    if (!JoyCodeIsAxis(code)) continue;
    const float a = JoyAxisValue(joy, code);
    if (slot == kSlotSteerRight) {
      c->steer = -a;
    } else {
      const float pedal = std::clamp(a, 0.0f, 1.0f);
      *PedalOf(c, slot) = slot == kSlotClutch ? 1.0f - pedal : pedal;
    }
  }

  // Steering on buttons or hat directions.
  const int leftCode = b.slot[kSlotSteerLeft];
  const int rightCode = b.slot[kSlotSteerRight];
  const bool left = JoyDigitalDown(joy, leftCode);
  const bool right = JoyDigitalDown(joy, rightCode);
  if (left) c->steer = std::min(c->steer + kSteerRate * t, 1.0f);
  if (right) c->steer = std::max(c->steer - kSteerRate * t, -1.0f);
  if (JoyCodeIsDigital(leftCode) && JoyCodeIsDigital(rightCode) && !left && !right)
    c->steer -= c->steer * kSteerCentring * t;

  for (int slot = kSlotFirstPedal; slot <= kSlotLastPedal; ++slot)
    if (JoyCodeIsDigital(b.slot[slot])) RampPedal(c, slot, JoyDigitalDown(joy, b.slot[slot]), t);

  bool down[kBindingSlots] = {};
  for (int slot = kSlotFirstPress; slot <= kSlotLastPress; ++slot)
    down[slot] = JoyDigitalDown(joy, b.slot[slot]);
  // The gear buttons are a gate: letting go of the last one held is neutral. Only the
  // release counts, not every pass without a gear button down, or a "Gear Up" or
  // "Gear Down" press would be undone in the very pass that made it. The latches say
  // which gear buttons were held in the last pass.
  bool wasInGate = false, inGate = false;
  for (int slot = kSlotFirstGear; slot <= kSlotReverseGear; ++slot) {
    wasInGate |= latches[slot] != 0;
    inGate |= down[slot];
  }
  RunPressSlots(c, latches, down);
  if (wasInGate && !inGate) c->gearRequest = 0;
}

// Whether the device in use reads `code` in driving slot `slot` (see DrivingCheck).
bool DrivingCodeRead(int device, int slot, int32_t code) {
  if (device == kControlDeviceKeyboard) return code >= 0 && code <= 255;
  if (JoyCodeIsDigital(code)) return true;
  return slot != kSlotSteerLeft && JoyCodeIsAxis(code);
}

// "a", "a and b", "a, b and c" of the driving slots whose bit is set.
void ListSlots(uint8_t bits, char* out, size_t size) {
  static const char* const kNames[kDrivingSlots] = {"steer left", "steer right", "accelerate", "brake"};
  int count = 0;
  for (int slot = 0; slot < kDrivingSlots; ++slot) count += (bits >> slot) & 1;
  out[0] = '\0';
  int listed = 0;
  for (int slot = 0; slot < kDrivingSlots; ++slot) {
    if (!((bits >> slot) & 1)) continue;
    const char* joint = listed == 0 ? "" : listed == count - 1 ? " and " : ", ";
    const size_t used = std::strlen(out);
    std::snprintf(out + used, size - used, "%s%s", joint, kNames[slot]);
    ++listed;
  }
}

// The keyboard's shipped bindings (those of DefaultSettings): they drive whenever the
// player's cannot, without replacing the player's in the settings.
const ControlBindings& ShippedKeyBindings() {
  static const ControlBindings shipped = DefaultSettings().bindings;
  return shipped;
}

// The line said when the shipped keys take over: "controls: <why>; the keyboard's
// shipped keys drive...", without the newline.
void DescribeShippedKeysFallback(const DrivingCheck& check, int device, char* out, size_t size) {
  if (check.joystickMissing) {
    std::snprintf(out, size,
                  "controls: the joypad is chosen and no joystick answers; the keyboard's shipped keys drive "
                  "while none does, and the joypad's bindings are kept");
    return;
  }
  char unbound[64], shared[64], why[192];
  ListSlots(check.unbound, unbound, sizeof unbound);
  ListSlots(check.shared, shared, sizeof shared);
  const bool several = (check.unbound & (check.unbound - 1)) != 0;
  const bool joypad = device == kControlDeviceJoystick;
  const char* control = check.sharedControls > 1 ? (joypad ? "two controls" : "two keys") : (joypad ? "a control" : "a key");
  if (check.unbound && check.shared)
    std::snprintf(why, sizeof why, "%s %s unbound and %s share %s", unbound, several ? "are" : "is", shared, control);
  else if (check.unbound)
    std::snprintf(why, sizeof why, "%s %s unbound", unbound, several ? "are" : "is");
  else
    std::snprintf(why, sizeof why, "%s share %s", shared, control);
  std::snprintf(out, size, "controls: on the %s %s; the keyboard's shipped keys drive", joypad ? "joypad" : "keyboard",
                why);
}

// Whether the line for the shipped keys has been said since they last took over: one
// line each time they start driving, not one a pass.
bool g_shippedKeysSaid = false;

void SayShippedKeysFallback(const DrivingCheck& check, int device) {
  char line[320];
  DescribeShippedKeysFallback(check, device, line, sizeof line);
  std::printf("%s\n", line);
  std::fflush(stdout);
  g_shippedKeysSaid = true;
}

// The joystick's state when it drives: a controller pulled out keeps its last reading,
// and driving on that would hold the throttle or the lock until it is back.
const JoyState* AnsweringJoystick() {
  const Joystick* joy = GameJoystick;
  return (joy && joy->present && joy->stateCurrent) ? &joy->state : nullptr;
}

void StoreCapturedCode(int slot, int code) {
  Settings.bindings.slot[slot] = code;
  ShownBindings[slot] = code;
  BindingCaptureActive = 0;
  if (Settings.sound) MenuBuySound.Play();
}

}  // namespace

void MapDriverControls(const ControlBindings& bindings, int device, const uint8_t keys[256],
                       const JoyState* joystick, float ticks, DriverControlState* controls,
                       uint8_t latches[kBindingSlots]) {
  if (device == kControlDeviceJoystick && joystick)
    MapJoystick(bindings, *joystick, ticks, controls, latches);
  else
    MapKeyboard(bindings, keys, ticks, controls, latches);
}

DrivingCheck CheckDrivingBindings(const ControlBindings& bindings, int device, bool joystickAnswers) {
  DrivingCheck check{};
  check.joystickMissing = device == kControlDeviceJoystick && !joystickAnswers;
  const int read = device == kControlDeviceJoystick && joystickAnswers ? kControlDeviceJoystick
                                                                       : kControlDeviceKeyboard;
  bool isRead[kDrivingSlots];
  for (int slot = 0; slot < kDrivingSlots; ++slot) isRead[slot] = DrivingCodeRead(read, slot, bindings.slot[slot]);
  for (int slot = 0; slot < kDrivingSlots; ++slot) {
    const bool steersBySlot1 =
        slot == kSlotSteerLeft && read == kControlDeviceJoystick && isRead[kSlotSteerRight] &&
        JoyCodeIsAxis(bindings.slot[kSlotSteerRight]);
    if (!isRead[slot] && !steersBySlot1) check.unbound |= static_cast<uint8_t>(1 << slot);
    // Two of the four on one key or control: both steering ways at once cancel, and
    // throttle and brake fight. A slot already marked shares an earlier one's control.
    if (!isRead[slot] || ((check.shared >> slot) & 1)) continue;
    bool shares = false;
    for (int other = slot + 1; other < kDrivingSlots; ++other) {
      if (!isRead[other] || bindings.slot[slot] != bindings.slot[other]) continue;
      check.shared |= static_cast<uint8_t>(1 << slot | 1 << other);
      shares = true;
    }
    if (shares) ++check.sharedControls;
  }
  return check;
}

void MapDriverInput() {
  const JoyState* state = AnsweringJoystick();
  const DrivingCheck check = CheckDrivingBindings(Settings.bindings, Settings.controlDevice, state != nullptr);
  if (check.Drivable()) {
    g_shippedKeysSaid = false;
    MapDriverControls(Settings.bindings, Settings.controlDevice, Input.KeyStates, state,
                      FrameTiming.RenderTicks, &DriverControls, PressLatches);
  } else {
    // The player's bindings stay in the settings as they are, for the controls page to
    // show and for a joystick that is only out for a while; the shipped keys drive.
    if (!g_shippedKeysSaid) SayShippedKeysFallback(check, Settings.controlDevice);
    MapDriverControls(ShippedKeyBindings(), kControlDeviceKeyboard, Input.KeyStates, nullptr,
                      FrameTiming.RenderTicks, &DriverControls, PressLatches);
  }
  PublishDriverControls();
}

void CheckDrivingControlsAtRaceStart() {
  const DrivingCheck check =
      CheckDrivingBindings(Settings.bindings, Settings.controlDevice, AnsweringJoystick() != nullptr);
  g_shippedKeysSaid = false;
  if (!check.Drivable()) SayShippedKeysFallback(check, Settings.controlDevice);
}

void PublishDriverControls() {
  g_controlSlots[g_writeSlot] = DriverControls;
  const int previous = g_handoverSlot.exchange(g_writeSlot | kFreshControls, std::memory_order_acq_rel);
  g_writeSlot = previous & ~kFreshControls;
}

void TakeDriverControls() {
  if (g_handoverSlot.load(std::memory_order_acquire) & kFreshControls) {
    const int previous = g_handoverSlot.exchange(g_readSlot, std::memory_order_acq_rel);
    g_readSlot = previous & ~kFreshControls;
  }
  // No publish since the last take: the last controls stand.
  RaceControls = g_controlSlots[g_readSlot];
}

int FirstCapturableKey(const uint8_t keys[256]) {
  using namespace platform;
  for (int vk = 0; vk < 256; ++vk) {
    if (!keys[vk]) continue;
    const bool letter = vk >= VkLetter('A') && vk <= VkLetter('Z');
    switch (vk) {
      case kVkShift: case kVkControl: case kVkSpace:
      case kVkOemComma: case kVkOemPeriod: case kVkOem2: case kVkOem1: case kVkOem7:
      case kVkOem4: case kVkOem6:
      case kVkUp: case kVkDown: case kVkLeft: case kVkRight:
        return vk;
      default:
        if (letter) return vk;
    }
  }
  return -1;
}

bool SlotAcceptsJoystickCode(int slot, int code) {
  if (slot >= 0 && slot <= kSlotLastPedal)
    return JoyCodeIsAxis(code) || JoyCodeIsDigital(code);
  return JoyCodeIsButton(code);
}

void CaptureBinding() {
  if (TargetScreen.load() != kScreenControls || !BindingCaptureActive) return;
  if (OptionRow < 0 || OptionRow > 9 || BindingColumn < 0 || BindingColumn > 1) return;
  const int slot = OptionRow + 10 * BindingColumn;
  Joystick* joy = GameJoystick;
  if (Settings.controlDevice == kControlDeviceJoystick && joy && joy->present) {
    const int code = joy->DetectControl();
    if (code >= 1000 && SlotAcceptsJoystickCode(slot, code)) StoreCapturedCode(slot, code);
    return;
  }
  const int vk = FirstCapturableKey(Input.KeyStates);
  if (vk < 0) return;
  StoreCapturedCode(slot, vk);
  Input.KeyLatch = 1;
}

void ClearKeyStates() {
  std::memset(WidgetHover, 0, sizeof WidgetHover);
  Input.ClickLatch = 0;
}
