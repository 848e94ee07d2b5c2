// The Joystick on SDL's virtual joystick: reading axes, hats and buttons into the game's
// ranges, the codes DetectControl reports against a rest state, and a device that goes
// away and comes back.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstring>

#include "app/controls.h"
#include "app/frame.h"
#include "app/joystick.h"
#include "app/settings.h"

namespace {

class VirtualJoystick : public ::testing::Test {
 protected:
  void SetUp() override {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) GTEST_SKIP() << SDL_GetError();
    Attach();
  }
  void Attach() {
    index_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_WHEEL, 5, 20, 3);
    if (index_ < 0) GTEST_SKIP() << "no virtual joystick: " << SDL_GetError();
    handle_ = SDL_JoystickOpen(index_);
    ASSERT_NE(handle_, nullptr);
  }
  void Detach() {
    if (handle_) SDL_JoystickClose(handle_);
    if (index_ >= 0) SDL_JoystickDetachVirtual(index_);
    handle_ = nullptr;
    index_ = -1;
  }
  void TearDown() override {
    joy_.Release();
    Detach();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }
  void Axis(int a, int v) { SDL_JoystickSetVirtualAxis(handle_, a, static_cast<Sint16>(v)); }
  Joystick joy_;
  SDL_Joystick* handle_ = nullptr;
  int index_ = -1;
};

TEST_F(VirtualJoystick, StateComesInTheGamesRanges) {
  EXPECT_EQ(joy_.present, 0);
  EXPECT_EQ(joy_.name[0], ' ');
  EXPECT_EQ(std::strlen(joy_.name), 259u);
  ASSERT_TRUE(joy_.Init());
  EXPECT_STRNE(joy_.name, "");
  EXPECT_NE(joy_.name[0], ' ');

  Axis(0, -32768);
  Axis(1, 32767);
  Axis(2, 0);
  Axis(3, -1);
  Axis(4, 16384);
  SDL_JoystickSetVirtualHat(handle_, 0, SDL_HAT_RIGHT);
  SDL_JoystickSetVirtualHat(handle_, 1, SDL_HAT_LEFTUP);
  SDL_JoystickSetVirtualHat(handle_, 2, SDL_HAT_CENTERED);
  SDL_JoystickSetVirtualButton(handle_, 0, 1);
  SDL_JoystickSetVirtualButton(handle_, 19, 1);
  ASSERT_TRUE(joy_.Poll());
  EXPECT_EQ(joy_.state.axes[0], 0);
  EXPECT_EQ(joy_.state.axes[1], 65535);
  EXPECT_EQ(joy_.state.axes[2], 32768);
  EXPECT_EQ(joy_.state.axes[3], 32767);
  EXPECT_EQ(joy_.state.axes[4], 49152);
  EXPECT_EQ(joy_.state.axes[5], 0) << "an axis the device lacks";
  EXPECT_EQ(joy_.state.axes[7], 0);
  EXPECT_EQ(joy_.state.hats[0], 9000);
  EXPECT_EQ(joy_.state.hats[1], 31500);
  EXPECT_EQ(joy_.state.hats[2], -1);
  EXPECT_EQ(joy_.state.hats[3], -1) << "a hat the device lacks";
  EXPECT_NE(joy_.state.buttons[0], 0);
  EXPECT_NE(joy_.state.buttons[19], 0);
  EXPECT_EQ(joy_.state.buttons[1], 0);
  EXPECT_EQ(joy_.state.buttons[20], 0) << "a button the device lacks";
  for (unsigned bits : {SDL_HAT_UP, SDL_HAT_RIGHTUP, SDL_HAT_RIGHTDOWN, SDL_HAT_DOWN,
                        SDL_HAT_LEFTDOWN, SDL_HAT_LEFT})
    EXPECT_EQ(platform::HatAngleFromBits(bits) % 4500, 0);
  EXPECT_EQ(platform::HatAngleFromBits(SDL_HAT_LEFTDOWN), 22500);
}

TEST_F(VirtualJoystick, DetectControlReportsWhatLeftItsRest) {
  ASSERT_TRUE(joy_.Init());
  // Rest: a pedal at each end, a centred stick, one axis parked far from every rest.
  Axis(0, -32768);  // 0
  Axis(1, 32767);   // 65535
  Axis(2, 0);       // centre
  Axis(3, -12768);  // 20000: near nothing
  Axis(4, 0);
  joy_.CaptureRestState();
  EXPECT_EQ(joy_.DetectControl(), kJoyCodeNone);

  struct Move {
    int axis, value, code;
  } moves[] = {
      {0, -32768 + 15001, 1000},  // up by more than 15000 from 0
      {1, 32767 - 15001, 1101},   // down from 65535
      {2, 15001, 1202},           // up from the centre
      {2, -15002, 1302},          // down from the centre
      {4, -32768, 1304},
  };
  for (const Move& m : moves) {
    SCOPED_TRACE(m.code);
    joy_.CaptureRestState();
    Axis(m.axis, m.value);
    EXPECT_EQ(joy_.DetectControl(), m.code);
    Axis(0, -32768);
    Axis(1, 32767);
    Axis(2, 0);
    Axis(4, 0);
  }
  // A wobble of 15000 or less is nothing; neither is any move of the parked axis.
  joy_.CaptureRestState();
  Axis(0, -32768 + 15000);
  Axis(2, -15000);
  EXPECT_EQ(joy_.DetectControl(), kJoyCodeNone);
  Axis(0, -32768);
  Axis(2, 0);
  for (int v : {-32768, 32767, 20000, -30000}) {
    Axis(3, v);
    EXPECT_EQ(joy_.DetectControl(), kJoyCodeNone) << v;
  }
  Axis(3, -12768);

  // Hats: the four directions, never a diagonal; then buttons.
  joy_.CaptureRestState();
  SDL_JoystickSetVirtualHat(handle_, 2, SDL_HAT_RIGHTUP);
  EXPECT_EQ(joy_.DetectControl(), kJoyCodeNone) << "45 degrees is not reported";
  SDL_JoystickSetVirtualHat(handle_, 2, SDL_HAT_UP);
  EXPECT_EQ(joy_.DetectControl(), 1010);
  SDL_JoystickSetVirtualHat(handle_, 2, SDL_HAT_LEFT);
  EXPECT_EQ(joy_.DetectControl(), 1310);
  SDL_JoystickSetVirtualHat(handle_, 0, SDL_HAT_DOWN);
  EXPECT_EQ(joy_.DetectControl(), 1208) << "hat 0 before hat 2";
  SDL_JoystickSetVirtualHat(handle_, 0, SDL_HAT_CENTERED);
  SDL_JoystickSetVirtualHat(handle_, 2, SDL_HAT_CENTERED);
  SDL_JoystickSetVirtualButton(handle_, 17, 1);
  EXPECT_EQ(joy_.DetectControl(), 1012 + 17);
  SDL_JoystickSetVirtualButton(handle_, 3, 1);
  EXPECT_EQ(joy_.DetectControl(), 1012 + 3) << "the lowest button first";
  Axis(4, 32767);
  EXPECT_EQ(joy_.DetectControl(), 1204) << "axes before buttons";

  // A button held at the rest reads as moved once it is let go.
  Axis(4, 0);
  joy_.CaptureRestState();
  SDL_JoystickSetVirtualButton(handle_, 3, 0);
  SDL_JoystickSetVirtualButton(handle_, 17, 0);
  EXPECT_EQ(joy_.DetectControl(), 1012 + 3);
}

TEST_F(VirtualJoystick, ALostDeviceIsNotReadAndComesBack) {
  ASSERT_TRUE(joy_.Init());
  SDL_JoystickSetVirtualButton(handle_, 5, 1);
  ASSERT_TRUE(joy_.Poll());
  ASSERT_NE(joy_.state.buttons[5], 0);

  Detach();
  EXPECT_FALSE(joy_.Poll()) << "the state of that pass is not read";
  EXPECT_NE(joy_.state.buttons[5], 0) << "the last state stays";
  EXPECT_FALSE(joy_.Poll());
  // Detection works on the last state read (button 5 down against a rest without it).
  EXPECT_EQ(joy_.DetectControl(), 1012 + 5);
  Attach();
  joy_.Acquire();
  SDL_JoystickSetVirtualButton(handle_, 5, 0);
  SDL_JoystickSetVirtualButton(handle_, 6, 1);
  EXPECT_TRUE(joy_.Poll());
  EXPECT_EQ(joy_.state.buttons[5], 0);
  EXPECT_NE(joy_.state.buttons[6], 0);
}

// The cable comes out with the throttle held and the wheel turned: the last reading
// must not keep driving the car. The pedals and the steering go back to rest at their
// ramp rates, and the controller drives again once it is back.
TEST_F(VirtualJoystick, APulledControllerStopsDrivingTheCar) {
  ASSERT_TRUE(joy_.Init());
  joy_.present = 1;
  GameJoystick = &joy_;
  for (int32_t& s : Settings.bindings.slot) s = -1;
  Settings.bindings.slot[1] = 1200 + 0;  // steering on axis X from its centre
  Settings.bindings.slot[2] = 1000 + 2;  // throttle pedal on axis Z, resting at 0
  Settings.bindings.slot[3] = 1012 + 5;  // brake on button 5
  Settings.controlDevice = kControlDeviceJoystick;
  FrameTiming.RenderTicks = 1.0f;
  DriverControls = DriverControlState{};
  DriverControls.clutch = 1.0f;

  Axis(0, -32768);  // full lock one way
  Axis(2, 32767);   // throttle floored
  SDL_JoystickSetVirtualButton(handle_, 5, 1);
  ASSERT_TRUE(joy_.Poll());
  for (int i = 0; i < 30; ++i) MapDriverInput();
  EXPECT_NEAR(DriverControls.accelerator, 1.0f, 1e-4f);
  EXPECT_NEAR(DriverControls.brake, 1.0f, 1e-4f);
  EXPECT_GT(DriverControls.steer, 0.99f);

  Detach();
  for (int pass = 0; pass < 40; ++pass) {
    joy_.Poll();
    MapDriverInput();
  }
  EXPECT_EQ(joy_.stateCurrent, 0);
  EXPECT_FLOAT_EQ(DriverControls.accelerator, 0.0f) << "no throttle held by a gone controller";
  EXPECT_FLOAT_EQ(DriverControls.brake, 0.0f);
  EXPECT_LT(DriverControls.steer, 0.2f) << "the wheel centres";

  Attach();
  joy_.Acquire();
  Axis(0, 0);
  Axis(2, 32767);
  ASSERT_TRUE(joy_.Poll());
  EXPECT_EQ(joy_.stateCurrent, 1);
  MapDriverInput();
  EXPECT_NEAR(DriverControls.accelerator, 1.0f, 1e-4f) << "the controller drives again";

  GameJoystick = nullptr;
  Settings.controlDevice = kControlDeviceKeyboard;
}

// The driver hands SDL the press and the release of a quick tap in one go, between two
// polls: the state of the next poll must still show the button down, or the tap is lost.
TEST_F(VirtualJoystick, AButtonTappedBetweenTwoPollsReadsDownOnceAndActsOnce) {
  ASSERT_TRUE(joy_.Init());
  joy_.present = 1;
  GameJoystick = &joy_;
  for (int32_t& s : Settings.bindings.slot) s = -1;
  Settings.bindings.slot[1] = 1200 + 0;  // a joypad the lorry can be driven by
  Settings.bindings.slot[2] = 1000 + 2;
  Settings.bindings.slot[3] = 1012 + 5;
  Settings.bindings.slot[6] = 1012 + 4;  // "Change camera" on button 4
  Settings.controlDevice = kControlDeviceJoystick;
  FrameTiming.RenderTicks = 1.0f;
  DriverControls = DriverControlState{};
  std::memset(PressLatches, 0, sizeof PressLatches);

  SDL_JoystickSetVirtualButton(handle_, 4, 1);
  SDL_JoystickUpdate();  // the press comes in (the loop's message pump reads the devices)
  SDL_JoystickSetVirtualButton(handle_, 4, 0);
  ASSERT_TRUE(joy_.Poll());
  EXPECT_NE(joy_.state.buttons[4], 0) << "the tap was lost";
  MapDriverInput();
  EXPECT_EQ(DriverControls.cameraMode, 1);
  ASSERT_TRUE(joy_.Poll());
  EXPECT_EQ(joy_.state.buttons[4], 0) << "a tap reads down for one poll only";
  MapDriverInput();
  EXPECT_EQ(DriverControls.cameraMode, 1);

  // Held over several polls it is still one press; let go, it is up at the next poll.
  SDL_JoystickSetVirtualButton(handle_, 4, 1);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(joy_.Poll());
    EXPECT_NE(joy_.state.buttons[4], 0);
    MapDriverInput();
  }
  EXPECT_EQ(DriverControls.cameraMode, 2);
  SDL_JoystickSetVirtualButton(handle_, 4, 0);
  ASSERT_TRUE(joy_.Poll());
  EXPECT_EQ(joy_.state.buttons[4], 0);

  GameJoystick = nullptr;
  Settings.controlDevice = kControlDeviceKeyboard;
}

TEST(JoystickCodes, EveryCodeNamesOneControlOrNothing) {
  int kind, axis, hat, angle, button;
  int axes = 0, hats = 0, buttons = 0;
  for (int code = -5; code < 2000; ++code) {
    const bool a = JoyCodeIsAxis(code, &kind, &axis);
    const bool h = JoyCodeIsHat(code, &hat, &angle);
    const bool b = JoyCodeIsButton(code, &button);
    EXPECT_LE(a + h + b, 1) << code;
    if (a) {
      ++axes;
      EXPECT_EQ(code, 1000 + 100 * kind + axis);
      EXPECT_LT(axis, 8);
    }
    if (h) {
      ++hats;
      EXPECT_LT(hat, 4);
      EXPECT_EQ(angle % 9000, 0);
    }
    if (b) {
      ++buttons;
      EXPECT_LT(button, 32);
    }
    EXPECT_EQ(JoyCodeIsDigital(code), h || b);
  }
  EXPECT_EQ(axes, 32);
  EXPECT_EQ(hats, 16);
  EXPECT_EQ(buttons, 32);
  JoyCodeIsHat(1208 + 3, &hat, &angle);
  EXPECT_EQ(hat, 3);
  EXPECT_EQ(angle, 18000);

  // Without any controller, Init fails and the object stays as built.
  Joystick j;
  EXPECT_EQ(j.forceFeedbackAvailable, 1);
  EXPECT_EQ(j.filterXInputPads, 0);
  EXPECT_FALSE(j.Poll());
  EXPECT_EQ(j.DetectControl(), kJoyCodeNone);
  j.CaptureRestState();
  j.Release();
}

}  // namespace
