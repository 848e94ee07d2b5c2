// Keys and joystick into the driver's controls: ramps scaled by ticks, one action per
// press, the axis formulas, the gear gate, bindings that name nothing readable, and the
// shipped keys driving whenever the player's bindings cannot.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/frame.h"
#include "app/input.h"
#include "platform/vk.h"

namespace {

using platform::VkLetter;

class Mapping : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int32_t& s : bind_.slot) s = -1;
    std::memset(keys_, 0, sizeof keys_);
    std::memset(latches_, 0, sizeof latches_);
    c_ = DriverControlState{};
    c_.clutch = 1.0f;  // pedal up
    std::memset(&joy_, 0, sizeof joy_);
    for (int32_t& h : joy_.hats) h = -1;
  }
  void Keys(float ticks, int passes = 1) {
    for (int i = 0; i < passes; ++i)
      MapDriverControls(bind_, kControlDeviceKeyboard, keys_, &joy_, ticks, &c_, latches_);
  }
  void Joy(float ticks, int passes = 1) {
    for (int i = 0; i < passes; ++i)
      MapDriverControls(bind_, kControlDeviceJoystick, keys_, &joy_, ticks, &c_, latches_);
  }
  void Press(int slot, int code) {
    bind_.slot[slot] = code;
    keys_[code] = 1;
    Keys(1.0f);
    keys_[code] = 0;
    Keys(1.0f);
  }
  ControlBindings bind_;
  uint8_t keys_[256];
  uint8_t latches_[kBindingSlots];
  DriverControlState c_;
  JoyState joy_;
};

TEST_F(Mapping, KeyboardSteeringRampsAndCentresByTicks) {
  bind_.slot[0] = VkLetter('A');
  bind_.slot[1] = VkLetter('D');
  keys_[VkLetter('A')] = 1;
  Keys(1.0f, 49);
  EXPECT_NEAR(c_.steer, 0.98f, 1e-5f);
  Keys(1.0f);
  EXPECT_NEAR(c_.steer, 1.0f, 1e-5f);  // 50 passes of one tick
  Keys(1.0f, 10);
  EXPECT_EQ(c_.steer, 1.0f) << "held past full lock";

  // Released: 5 % of the angle back per tick, never quite reaching the centre.
  keys_[VkLetter('A')] = 0;
  Keys(1.0f);
  EXPECT_FLOAT_EQ(c_.steer, 0.95f);
  Keys(4.0f);
  EXPECT_FLOAT_EQ(c_.steer, 0.95f * 0.8f);
  Keys(1.0f, 400);
  EXPECT_GT(c_.steer, 0.0f);
  EXPECT_LT(c_.steer, 1e-6f);

  // Ticks scale the ramp: 25 passes of 2 ticks reach full right lock from the centre.
  c_.steer = 0.0f;
  keys_[VkLetter('D')] = 1;
  Keys(2.0f, 25);
  EXPECT_NEAR(c_.steer, -1.0f, 1e-5f);

  // Both keys: the ramps cancel and nothing centres.
  c_.steer = 0.3f;
  keys_[VkLetter('A')] = 1;
  Keys(1.0f, 10);
  EXPECT_NEAR(c_.steer, 0.3f, 1e-5f);

  // A frame that advances nothing (0 ticks) moves nothing.
  keys_[VkLetter('A')] = keys_[VkLetter('D')] = 0;
  Keys(0.0f, 10);
  EXPECT_NEAR(c_.steer, 0.3f, 1e-5f);
}

TEST_F(Mapping, KeyboardPedalsRampAndTheClutchIsStoredInverted) {
  bind_.slot[2] = VkLetter('W');
  bind_.slot[3] = VkLetter('S');
  bind_.slot[4] = VkLetter('C');
  bind_.slot[5] = platform::kVkSpace;
  keys_[VkLetter('W')] = keys_[VkLetter('C')] = keys_[platform::kVkSpace] = 1;
  Keys(2.0f, 5);
  EXPECT_FLOAT_EQ(c_.accelerator, 0.5f);
  EXPECT_FLOAT_EQ(c_.clutch, 0.5f);
  EXPECT_FLOAT_EQ(c_.handbrake, 0.5f);
  EXPECT_FLOAT_EQ(c_.brake, 0.0f);
  Keys(1.0f, 30);
  EXPECT_FLOAT_EQ(c_.accelerator, 1.0f);
  EXPECT_FLOAT_EQ(c_.clutch, 0.0f) << "pedal down = clutch open";
  keys_[VkLetter('W')] = keys_[VkLetter('C')] = 0;
  Keys(1.0f, 4);
  EXPECT_FLOAT_EQ(c_.accelerator, 0.8f);
  EXPECT_FLOAT_EQ(c_.clutch, 0.2f);
  Keys(1.0f, 100);
  EXPECT_FLOAT_EQ(c_.accelerator, 0.0f);
  EXPECT_FLOAT_EQ(c_.clutch, 1.0f);
}

TEST_F(Mapping, PressSlotsActOncePerPress) {
  bind_.slot[11] = VkLetter('E');
  keys_[VkLetter('E')] = 1;
  Keys(1.0f, 20);
  EXPECT_EQ(c_.gearRequest, 1) << "held: one gear, not one per frame";
  for (int i = 0; i < 8; ++i) Press(11, VkLetter('E'));
  EXPECT_EQ(c_.gearRequest, 6) << "clamped at sixth";
  Press(12, VkLetter('Q'));
  EXPECT_EQ(c_.gearRequest, 5);
  Press(19, VkLetter('R'));
  EXPECT_EQ(c_.gearRequest, -1);
  Press(12, VkLetter('Q'));
  EXPECT_EQ(c_.gearRequest, -1) << "clamped at reverse";
  Press(15, VkLetter('3'));
  EXPECT_EQ(c_.gearRequest, 3);
  Press(18, VkLetter('6'));
  EXPECT_EQ(c_.gearRequest, 6);

  // Camera and look: "Change camera" while looking back only ends the look.
  Press(6, VkLetter('V'));
  EXPECT_EQ(c_.cameraMode, 1);
  Press(7, VkLetter('B'));
  EXPECT_EQ(c_.look, 1);
  Press(6, VkLetter('V'));
  EXPECT_EQ(c_.look, 0);
  EXPECT_EQ(c_.cameraMode, 1);
  Press(9, VkLetter('L'));
  EXPECT_EQ(c_.look, 3);
  Press(8, VkLetter('K'));
  EXPECT_EQ(c_.look, 2);
  c_.look = 0;
  c_.cameraMode = 3;
  Press(6, VkLetter('V'));
  EXPECT_EQ(c_.cameraMode, 0) << "wraps after 3";
  // The Transmission cell does nothing.
  const DriverControlState before = c_;
  Press(10, VkLetter('T'));
  EXPECT_EQ(std::memcmp(&before, &c_, sizeof c_), 0);
}

TEST_F(Mapping, BindingsOutsideTheKeyArrayCountAsUp) {
  // Unbound (-1), joystick codes and nonsense: never read past KeyStates, never down.
  for (int code : {-1, -200, INT_MIN, 256, 999, 1012, 1200, 100000, INT_MAX}) {
    SCOPED_TRACE(code);
    SetUp();
    for (int32_t& s : bind_.slot) s = code;
    std::memset(keys_, 1, sizeof keys_);  // every real key down
    Keys(1.0f, 5);
    EXPECT_FLOAT_EQ(c_.steer, 0.0f);
    EXPECT_FLOAT_EQ(c_.accelerator, 0.0f);
    EXPECT_FLOAT_EQ(c_.clutch, 1.0f);
    EXPECT_EQ(c_.gearRequest, 0);
    EXPECT_EQ(c_.cameraMode, 0);
  }
}

TEST_F(Mapping, JoystickAxisFormulas) {
  // Slot 1 steers by -a, unclamped; slots 2-5 take a clamped to 0..1.
  struct Case {
    int code;
    int v;
    float a;
  } cases[] = {
      {1000, 0, 0.0f},       {1000, 65535, 1.0f},     {1003, 13107, 0.2f},
      {1100, 0, 1.0f},       {1107, 65535, 0.0f},     {1105, 52428, 0.2f},
      {1200, 32547, 0.0f},   {1201, 65094, 1.0f},     {1206, 0, -1.0f},
      {1300, 32547, 0.0f},   {1304, 0, 1.0f},         {1307, 65535, 1.0f - 65535.0f / 32547.0f},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.code);
    SetUp();
    const int axis = k.code % 100;
    joy_.axes[axis] = k.v;
    bind_.slot[1] = k.code;
    bind_.slot[2] = k.code;
    bind_.slot[4] = k.code;
    Joy(1.0f);
    EXPECT_NEAR(c_.steer, -k.a, 1e-5f);
    EXPECT_NEAR(c_.accelerator, std::min(1.0f, std::max(0.0f, k.a)), 1e-5f);
    EXPECT_NEAR(c_.clutch, 1.0f - std::min(1.0f, std::max(0.0f, k.a)), 1e-5f);
  }
  // The centre of the half-axis codes is 32547: a truly centred stick reads a hair off.
  SetUp();
  joy_.axes[0] = 32767;
  bind_.slot[1] = 1200;
  Joy(1.0f);
  EXPECT_NEAR(c_.steer, -(32767.0f - 32547.0f) / 32547.0f, 1e-6f);
  // An axis in slot 0 does nothing; axes are never ramped by ticks.
  SetUp();
  joy_.axes[0] = 65535;
  bind_.slot[0] = 1000;
  Joy(1.0f, 10);
  EXPECT_FLOAT_EQ(c_.steer, 0.0f);
}

TEST_F(Mapping, JoystickButtonsAndHatsAreDigitalPresses) {
  bind_.slot[0] = 1012 + 4;     // button 4
  bind_.slot[1] = 1308;         // hat 0 pushed left
  bind_.slot[2] = 1012 + 31;    // button 31
  bind_.slot[11] = 1108 + 1;    // hat 1 pushed right
  joy_.buttons[4] = 0x80;
  joy_.buttons[31] = 0x80;
  Joy(1.0f, 10);
  EXPECT_NEAR(c_.steer, 0.2f, 1e-5f);
  EXPECT_NEAR(c_.accelerator, 0.5f, 1e-5f);
  joy_.buttons[4] = 0;
  joy_.hats[0] = 27000;
  Joy(1.0f, 30);
  EXPECT_NEAR(c_.steer, -0.4f, 1e-5f);
  // Both steering controls digital and up: the wheel centres.
  joy_.hats[0] = -1;
  Joy(1.0f);
  EXPECT_NEAR(c_.steer, -0.38f, 1e-5f);
  // A diagonal is not the bound direction.
  joy_.hats[0] = 22500;
  Joy(1.0f);
  EXPECT_NEAR(c_.steer, -0.361f, 1e-5f);

  joy_.hats[1] = 9000;
  Joy(1.0f, 5);
  EXPECT_EQ(c_.gearRequest, 1) << "gear up on a hat, once per press";
  joy_.hats[1] = -1;
  Joy(1.0f);
  joy_.hats[1] = 9000;
  Joy(1.0f);
  EXPECT_EQ(c_.gearRequest, 2) << "gear up again: no gear button was held, so none was let go";
}

// A gear slot on a joystick button or hat holds its gear while held; letting go of the
// last gear control held is neutral. Reverse is one of the gear slots.
TEST_F(Mapping, HeldGearButtonsHoldTheirGearAndLettingGoOfTheLastIsNeutral) {
  for (int g = 0; g < 6; ++g) bind_.slot[13 + g] = 1012 + g;  // gears 1-6 on buttons 0-5
  bind_.slot[19] = 1012 + 6;
  bind_.slot[11] = 1012 + 10;
  joy_.buttons[2] = 0x80;  // third gear's button
  Joy(1.0f);
  EXPECT_EQ(c_.gearRequest, 3);
  Joy(1.0f, 3);
  EXPECT_EQ(c_.gearRequest, 3) << "held in the gate";
  joy_.buttons[2] = 0;
  Joy(1.0f);
  EXPECT_EQ(c_.gearRequest, 0) << "out of the gate is neutral";
  joy_.buttons[6] = 0x80;
  Joy(1.0f);
  EXPECT_EQ(c_.gearRequest, -1) << "reverse's button holds reverse";
  joy_.buttons[6] = 0;
  Joy(1.0f);
  EXPECT_EQ(c_.gearRequest, 0) << "reverse is in the gate too";

  // Gear up with no gear button held: there is none to let go of, so the step stays,
  // however many of the gear slots are bound (here five of the six).
  SetUp();
  for (int g = 0; g < 5; ++g) bind_.slot[13 + g] = 1012 + g;
  bind_.slot[11] = 1012 + 10;
  joy_.buttons[10] = 0x80;
  Joy(1.0f);
  joy_.buttons[10] = 0;
  Joy(1.0f, 3);
  EXPECT_EQ(c_.gearRequest, 1);
}

// One gear on a button is enough for the gate: letting go of it is neutral, while
// "Gear Up" and "Gear Down" on buttons beside it count and stay until a gear button
// is let go again.
TEST_F(Mapping, ReleasingAGearButtonIsNeutralAndGearUpDownStay) {
  bind_.slot[15] = 1012 + 5;  // "3 Gear" on button 5 alone
  bind_.slot[11] = 1012 + 10;
  bind_.slot[12] = 1012 + 11;
  joy_.buttons[5] = 0x80;
  Joy(1.0f, 2);
  EXPECT_EQ(c_.gearRequest, 3);
  joy_.buttons[5] = 0;
  Joy(1.0f);
  EXPECT_EQ(c_.gearRequest, 0) << "out of the gate is neutral";

  for (int press = 0; press < 2; ++press) {
    joy_.buttons[10] = 0x80;
    Joy(1.0f);
    EXPECT_EQ(c_.gearRequest, press + 1) << "gear up counts in the pass it is pressed";
    joy_.buttons[10] = 0;
    Joy(1.0f, 3);
    EXPECT_EQ(c_.gearRequest, press + 1) << "and stays after its button is let go";
  }
  joy_.buttons[11] = 0x80;
  Joy(1.0f);
  joy_.buttons[11] = 0;
  Joy(1.0f, 3);
  EXPECT_EQ(c_.gearRequest, 1);

  // Gear up while the gear button is held shifts on from that gear; letting go of
  // the gear button is still neutral.
  joy_.buttons[5] = 0x80;
  Joy(1.0f);
  joy_.buttons[10] = 0x80;
  Joy(1.0f);
  EXPECT_EQ(c_.gearRequest, 4);
  joy_.buttons[10] = 0;
  joy_.buttons[5] = 0;
  Joy(1.0f);
  EXPECT_EQ(c_.gearRequest, 0);

  // The same gear slots on keys of a keyboard are no gate.
  bind_.slot[15] = VkLetter('G');
  keys_[VkLetter('G')] = 1;
  Keys(1.0f);
  keys_[VkLetter('G')] = 0;
  Keys(1.0f, 2);
  EXPECT_EQ(c_.gearRequest, 3);
}

TEST_F(Mapping, JoystickCodesThatNameNothingAreUnbound) {
  // Past the eight axes, between the families, or past the last hat: nothing is read.
  std::memset(joy_.buttons, 0x80, sizeof joy_.buttons);
  for (int32_t& a : joy_.axes) a = 65535;
  for (int32_t& h : joy_.hats) h = 0;
  for (int code : {999, 1044, 1050, 1099, 1112, 1150, 1199, 1212, 1299, 1312, 1399, 1400,
                   5000, 88, -1, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(code);
    c_ = DriverControlState{};
    c_.clutch = 1.0f;
    std::memset(latches_, 0, sizeof latches_);
    for (int32_t& s : bind_.slot) s = code;
    Joy(1.0f, 3);
    EXPECT_FLOAT_EQ(c_.steer, 0.0f);
    EXPECT_FLOAT_EQ(c_.accelerator, 0.0f);
    EXPECT_FLOAT_EQ(c_.brake, 0.0f);
    EXPECT_FLOAT_EQ(c_.clutch, 1.0f);
    EXPECT_EQ(c_.gearRequest, 0);
    EXPECT_EQ(c_.look, 0);
  }
}

TEST_F(Mapping, JoystickDeviceWithoutAJoystickUsesTheKeyboard) {
  bind_.slot[2] = VkLetter('W');
  keys_[VkLetter('W')] = 1;
  MapDriverControls(bind_, kControlDeviceJoystick, keys_, nullptr, 2.0f, &c_, latches_);
  EXPECT_FLOAT_EQ(c_.accelerator, 0.1f);

  // The shell's own pass reads the settings, the key states, the joystick and RenderTicks:
  // keys bound on the joypad device drive while no joystick is there.
  GameJoystick = nullptr;
  Settings.controlDevice = kControlDeviceJoystick;
  for (int32_t& s : Settings.bindings.slot) s = -1;
  Settings.bindings.slot[0] = VkLetter('A');
  Settings.bindings.slot[1] = VkLetter('D');
  Settings.bindings.slot[2] = VkLetter('W');
  Settings.bindings.slot[3] = VkLetter('S');
  std::memset(Input.KeyStates, 0, sizeof Input.KeyStates);
  Input.KeyStates[VkLetter('A')] = 1;
  DriverControls = DriverControlState{};
  FrameTiming.RenderTicks = 5.0f;
  testing::internal::CaptureStdout();
  MapDriverInput();
  EXPECT_FLOAT_EQ(DriverControls.steer, 0.1f);
  Joystick absent;  // constructed, never initialised: not present
  GameJoystick = &absent;
  MapDriverInput();
  EXPECT_FLOAT_EQ(DriverControls.steer, 0.2f);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "the player's keys drive: no line";
  GameJoystick = nullptr;
}

// The shell's mapping pass with bindings the lorry cannot be driven by: the keyboard's
// shipped keys drive, one line says why when they take over, and the settings keep the
// player's bindings for the controls page and the file.
class ShippedKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    GameJoystick = nullptr;
    Settings = DefaultSettings();
    Release();
    std::memset(PressLatches, 0, sizeof PressLatches);
    FrameTiming.RenderTicks = 1.0f;
    MapDriverInput();  // drivable: whatever an earlier test left said is forgotten
    DriverControls = DriverControlState{};
    DriverControls.clutch = 1.0f;
  }
  void TearDown() override { GameJoystick = nullptr; }
  static void Release() { std::memset(Input.KeyStates, 0, sizeof Input.KeyStates); }
  // `passes` main-loop passes of one tick with `vk` held (0: nothing held).
  static void Hold(int vk, int passes) {
    Release();
    if (vk) Input.KeyStates[vk] = 1;
    for (int i = 0; i < passes; ++i) {
      if (GameJoystick && GameJoystick->present) GameJoystick->Poll();
      MapDriverInput();
    }
    Release();
  }
  // The bindings and the device as the controls page shows them and menu.inf saves them.
  static void ExpectPlayersBindings(const GameSettings& before) {
    EXPECT_EQ(std::memcmp(before.bindings.slot, Settings.bindings.slot, sizeof before.bindings.slot), 0)
        << "the player's bindings stay";
    EXPECT_EQ(before.controlDevice, Settings.controlDevice);
  }
  // The lines of `log` that come from the controls.
  static std::vector<std::string> ControlsLines(const std::string& log) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < log.size()) {
      const size_t end = std::min(log.find('\n', at), log.size());
      if (log.compare(at, 10, "controls: ") == 0) lines.push_back(log.substr(at, end - at));
      at = end + 1;
    }
    return lines;
  }
  // What the controls read after each of the arrows a player at the shipped keys tries.
  struct ArrowReadings {
    float upThrottle, upBrake, upSteer;  // six seconds of Up
    float leftSteer;                     // a quarter second of Left
    float rightSteer;                    // then half a second of Right
    float downBrake, downThrottle;       // then Down
  };
  // Read while the log is captured; checked once it is not, so that a failure shows.
  static ArrowReadings DriveByTheArrows() {
    using namespace platform;
    ArrowReadings r;
    Hold(kVkUp, 600);
    r.upThrottle = DriverControls.accelerator;
    r.upBrake = DriverControls.brake;
    r.upSteer = DriverControls.steer;
    Hold(kVkLeft, 25);
    r.leftSteer = DriverControls.steer;
    Hold(kVkRight, 50);
    r.rightSteer = DriverControls.steer;
    Hold(kVkDown, 30);
    r.downBrake = DriverControls.brake;
    r.downThrottle = DriverControls.accelerator;
    return r;
  }
  static void ExpectDrivenByTheArrows(const ArrowReadings& r) {
    EXPECT_FLOAT_EQ(r.upThrottle, 1.0f) << "Up is the throttle";
    EXPECT_FLOAT_EQ(r.upBrake, 0.0f) << "and no brake";
    EXPECT_NEAR(r.upSteer, 0.0f, 1e-5f) << "and no steering";
    EXPECT_NEAR(r.leftSteer, 0.5f, 1e-4f) << "Left steers left";
    EXPECT_LT(r.rightSteer, -0.4f) << "Right steers right";
    EXPECT_FLOAT_EQ(r.downBrake, 1.0f) << "Down brakes";
    EXPECT_FLOAT_EQ(r.downThrottle, 0.0f);
  }
};

constexpr const char* kShippedKeysDrive = "; the keyboard's shipped keys drive";

TEST_F(ShippedKeys, BindingsNoDeviceReadsDriveByTheShippedKeysAndStayTheSettings) {
  using namespace platform;
  struct Case {
    const char* what;
    int32_t device;
    bool clearAll;       // every slot -1 first, as the controls page's device switch leaves them
    int32_t slots[4];    // steer left, steer right, accelerate, brake
    bool absentObject;   // a joystick object that never opened, beside none at all
    const char* line;
  } cases[] = {
      {"keyboard, every binding cleared", 0, true, {-1, -1, -1, -1}, false,
       "controls: on the keyboard steer left, steer right, accelerate and brake are unbound"},
      {"joypad codes, no joystick", 1, true, {1300, 1200, 1201, 1301}, false,
       "controls: the joypad is chosen and no joystick answers; the keyboard's shipped keys drive while none does, "
       "and the joypad's bindings are kept"},
      {"joypad codes, a joystick that never opened", 1, false, {-1, 1200, 1012, 1013}, true,
       "controls: the joypad is chosen and no joystick answers"},
      {"one key in all four", 0, false, {kVkUp, kVkUp, kVkUp, kVkUp}, false,
       "controls: on the keyboard steer left, steer right, accelerate and brake share a key"},
      {"two keys for the four", 0, false, {'A', 'A', 'W', 'W'}, false,
       "controls: on the keyboard steer left, steer right, accelerate and brake share two keys"},
      {"one unbound, two on one key", 0, false, {-1, kVkRight, kVkDown, kVkDown}, false,
       "controls: on the keyboard steer left is unbound and accelerate and brake share a key"},
      {"a joystick code on the keyboard", 0, false, {kVkLeft, kVkRight, kVkUp, 1013}, false,
       "controls: on the keyboard brake is unbound"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    Settings.controlDevice = c.device;
    if (c.clearAll) std::fill(Settings.bindings.slot, Settings.bindings.slot + kBindingSlots, -1);
    std::copy(c.slots, c.slots + 4, Settings.bindings.slot);
    Joystick absent;
    if (c.absentObject) GameJoystick = &absent;
    const GameSettings before = Settings;
    testing::internal::CaptureStdout();
    const ArrowReadings arrows = DriveByTheArrows();
    const std::vector<std::string> lines = ControlsLines(testing::internal::GetCapturedStdout());
    ExpectDrivenByTheArrows(arrows);
    ASSERT_EQ(lines.size(), 1u) << "one line when the shipped keys take over, not one a pass";
    EXPECT_EQ(lines[0].rfind(c.line, 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(kShippedKeysDrive), std::string::npos) << lines[0];
    ExpectPlayersBindings(before);
  }

  // Bindings the device reads drive as they are: the shipped keys do not, nothing is said.
  SetUp();
  Settings.bindings.slot[0] = 'A';
  Settings.bindings.slot[1] = 'D';
  Settings.bindings.slot[2] = 'W';
  Settings.bindings.slot[3] = 'S';
  testing::internal::CaptureStdout();
  Hold(kVkUp, 40);
  const float upThrottle = DriverControls.accelerator;
  Hold('W', 40);
  const float wThrottle = DriverControls.accelerator;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_FLOAT_EQ(upThrottle, 0.0f);
  EXPECT_FLOAT_EQ(wThrottle, 1.0f);
}

TEST_F(ShippedKeys, TheLineComesEachTimeTheyTakeOverAndAtEveryRaceStart) {
  std::fill(Settings.bindings.slot, Settings.bindings.slot + kBindingSlots, -1);
  testing::internal::CaptureStdout();
  Hold(0, 100);
  CheckDrivingControlsAtRaceStart();  // the player left the page unbound and starts a race
  Hold(0, 100);
  CheckDrivingControlsAtRaceStart();  // and restarts it
  std::vector<std::string> lines = ControlsLines(testing::internal::GetCapturedStdout());
  ASSERT_EQ(lines.size(), 3u);
  for (const std::string& line : lines)
    EXPECT_EQ(line, std::string("controls: on the keyboard steer left, steer right, accelerate and brake are unbound") +
                        kShippedKeysDrive);

  // Bound again, the race start says nothing; unbinding one control takes the shipped
  // keys back, with a line naming it.
  const ControlBindings shipped = DefaultSettings().bindings;
  std::copy(shipped.slot, shipped.slot + 4, Settings.bindings.slot);
  testing::internal::CaptureStdout();
  Hold(0, 10);
  CheckDrivingControlsAtRaceStart();
  Settings.bindings.slot[3] = -1;
  Hold(0, 10);
  lines = ControlsLines(testing::internal::GetCapturedStdout());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], std::string("controls: on the keyboard brake is unbound") + kShippedKeysDrive);
}

// One attached virtual controller: X steers, the Z pedal accelerates, button 0 brakes.
class ShippedKeysJoystick : public ShippedKeys {
 protected:
  void SetUp() override {
    ShippedKeys::SetUp();
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) GTEST_SKIP() << SDL_GetError();
    Attach();
    if (index_ < 0) GTEST_SKIP() << "no virtual joystick: " << SDL_GetError();
    ASSERT_TRUE(joy_.Init());
    joy_.present = 1;
    GameJoystick = &joy_;
    Settings.controlDevice = kControlDeviceJoystick;
    std::fill(Settings.bindings.slot, Settings.bindings.slot + kBindingSlots, -1);
    Settings.bindings.slot[1] = kJoyCodeAxisCentreUp + 0;
    Settings.bindings.slot[2] = kJoyCodeAxisUp + 2;
    Settings.bindings.slot[3] = kJoyCodeButton + 0;
  }
  void TearDown() override {
    GameJoystick = nullptr;
    joy_.Release();
    Detach();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }
  void Attach() {
    index_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 12, 2);
    if (index_ < 0) return;
    handle_ = SDL_JoystickOpen(index_);
    for (int a = 0; a < 6; ++a) SDL_JoystickSetVirtualAxis(handle_, a, 0);
    SDL_JoystickSetVirtualAxis(handle_, 2, -32768);  // the pedal up
  }
  void Detach() {
    if (handle_) SDL_JoystickClose(handle_);
    handle_ = nullptr;
    if (index_ >= 0) SDL_JoystickDetachVirtual(index_);
    index_ = -1;
  }
  Joystick joy_;
  SDL_Joystick* handle_ = nullptr;
  int index_ = -1;
};

TEST_F(ShippedKeysJoystick, AJoystickPulledOutHandsTheLorryToTheShippedKeysAndGetsItBack) {
  using namespace platform;
  const GameSettings before = Settings;
  testing::internal::CaptureStdout();
  SDL_JoystickSetVirtualAxis(handle_, 2, 32767);
  Hold(kVkUp, 5);
  const float pedalThrottle = DriverControls.accelerator;
  SDL_JoystickSetVirtualAxis(handle_, 2, -32768);
  Hold(kVkUp, 5);
  const float upThrottle = DriverControls.accelerator;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_FLOAT_EQ(pedalThrottle, 1.0f) << "the pedal drives";
  EXPECT_LT(upThrottle, 0.01f) << "Up does not";

  // Pulled out mid-race: the arrows drive.
  Detach();
  testing::internal::CaptureStdout();
  ArrowReadings arrows = DriveByTheArrows();
  std::vector<std::string> lines = ControlsLines(testing::internal::GetCapturedStdout());
  ExpectDrivenByTheArrows(arrows);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("controls: the joypad is chosen and no joystick answers", 0), 0u) << lines[0];
  ExpectPlayersBindings(before);

  // Plugged in again: the joypad's own bindings drive once more, silently.
  Attach();
  ASSERT_GE(index_, 0);
  testing::internal::CaptureStdout();
  Hold(0, 40);
  SDL_JoystickSetVirtualAxis(handle_, 2, 32767);
  Hold(kVkDown, 3);
  const float backThrottle = DriverControls.accelerator, backBrake = DriverControls.brake;
  EXPECT_EQ(ControlsLines(testing::internal::GetCapturedStdout()).size(), 0u);
  EXPECT_FLOAT_EQ(backThrottle, 1.0f) << "the pedal drives again";
  EXPECT_FLOAT_EQ(backBrake, 0.0f) << "Down is no joypad binding";

  // The device switch clears the joypad's bindings: with the joystick there, the arrows
  // drive until the four are bound again.
  SDL_JoystickSetVirtualAxis(handle_, 2, -32768);
  std::fill(Settings.bindings.slot, Settings.bindings.slot + kBindingSlots, -1);
  testing::internal::CaptureStdout();
  arrows = DriveByTheArrows();
  lines = ControlsLines(testing::internal::GetCapturedStdout());
  ExpectDrivenByTheArrows(arrows);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], std::string("controls: on the joypad steer left, steer right, accelerate and brake are unbound") +
                          kShippedKeysDrive);
}

}  // namespace
