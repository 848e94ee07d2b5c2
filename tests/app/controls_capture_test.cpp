// The controls page's binding capture: which keys are taken, where they go, when the
// capture runs at all, and the joystick's acceptance rules (on SDL's virtual joystick).
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <AL/al.h>

#include <cstring>

#include "app/controls.h"
#include "app/input.h"
#include "app/sound.h"
#include "frontend/screens.h"
#include "platform/vk.h"
#include "tests/app/sound_test_support.h"

namespace {

using platform::VkLetter;

class Capture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(Input.KeyStates, 0, sizeof Input.KeyStates);
    Input.KeyLatch = 0;
    for (int32_t& s : Settings.bindings.slot) s = -1;
    for (int32_t& s : ShownBindings) s = -1;
    Settings.controlDevice = kControlDeviceKeyboard;
    Settings.sound = 0;
    TargetScreen = kScreenControls;
    BindingCaptureActive = 1;
    OptionRow = 3;
    BindingColumn = 1;
    GameJoystick = nullptr;
  }
};

TEST_F(Capture, OnlyKeysThePageCanNameAreTaken) {
  uint8_t keys[256] = {};
  for (int vk : {13, 27, 48, 57, 0x70, 0x60, 0xBB, 0xBD, 0xC0, 0xDC, 0x12, 9, 8, 255})
    keys[vk] = 1;  // Enter, Escape, digits, F1, keypad, = - ` \ Alt, Tab, Backspace
  EXPECT_EQ(FirstCapturableKey(keys), -1);
  const int accepted[] = {16, 17, 32, 37, 38, 39, 40, 65, 77, 90, 186, 188, 190, 191, 219, 221, 222};
  for (int vk : accepted) {
    uint8_t one[256] = {};
    one[vk] = 1;
    EXPECT_EQ(FirstCapturableKey(one), vk);
  }
  keys[VkLetter('Z')] = keys[platform::kVkOem7] = keys[platform::kVkSpace] = 1;
  EXPECT_EQ(FirstCapturableKey(keys), platform::kVkSpace) << "the lowest code wins";
}

TEST_F(Capture, AKeyGoesIntoTheSelectedSlotAndEndsTheCapture) {
  Input.KeyStates[platform::kVkReturn] = 1;  // ignored: the page keeps waiting
  CaptureBinding();
  EXPECT_EQ(BindingCaptureActive, 1);
  EXPECT_EQ(Settings.bindings.slot[13], -1);

  Input.KeyStates[VkLetter('G')] = 1;
  CaptureBinding();
  EXPECT_EQ(BindingCaptureActive, 0);
  EXPECT_EQ(Settings.bindings.slot[13], VkLetter('G'));  // row 3 + 10 x column 1
  EXPECT_EQ(ShownBindings[13], VkLetter('G'));
  EXPECT_EQ(Input.KeyLatch, 1);
  for (int s = 0; s < kBindingSlots; ++s) {
    if (s == 13) continue;
    EXPECT_EQ(Settings.bindings.slot[s], -1) << s;
  }

  // Not waiting, another page, or a selection off the grid: nothing is stored.
  Input.KeyStates[VkLetter('G')] = 0;
  Input.KeyStates[VkLetter('H')] = 1;
  CaptureBinding();
  EXPECT_EQ(Settings.bindings.slot[13], VkLetter('G'));
  BindingCaptureActive = 1;
  TargetScreen = kScreenMainMenu;
  CaptureBinding();
  EXPECT_EQ(BindingCaptureActive, 1);
  TargetScreen = kScreenControls;
  OptionRow = 10;
  CaptureBinding();
  OptionRow = -1;
  CaptureBinding();
  BindingColumn = 2;
  OptionRow = 9;
  CaptureBinding();
  EXPECT_EQ(BindingCaptureActive, 1);
  for (int s = 0; s < kBindingSlots; ++s) {
    if (s == 13) continue;
    EXPECT_EQ(ShownBindings[s], -1) << s;
  }
}

TEST_F(Capture, ACapturedBindingPlaysMenu4WhenSoundIsOn) {
  UseNullAudioOutput();
  if (!OpenSoundDevice()) GTEST_SKIP() << "no OpenAL device, not even the null output";
  GameSounds.menu[3].Load("base/sound/menu4.wav", false);
  GameSounds.menu[0].Load("base/sound/menu1.wav", false);
  Input.KeyStates[VkLetter('K')] = 1;
  CaptureBinding();
  EXPECT_EQ(GameSounds.menu[3].State(), AL_INITIAL) << "Sound is off";
  Settings.sound = 1;
  BindingCaptureActive = 1;
  CaptureBinding();
  EXPECT_EQ(GameSounds.menu[3].State(), AL_PLAYING);
  EXPECT_EQ(GameSounds.menu[0].State(), AL_INITIAL);
  GameSounds.menu[3].Release();
  GameSounds.menu[0].Release();
  CloseSoundDevice();
}

// One attached virtual controller with six axes, two hats and twelve buttons.
class JoystickCapture : public Capture {
 protected:
  void SetUp() override {
    Capture::SetUp();
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) GTEST_SKIP() << SDL_GetError();
    index_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 12, 2);
    if (index_ < 0) GTEST_SKIP() << "no virtual joystick: " << SDL_GetError();
    handle_ = SDL_JoystickOpen(index_);
    ASSERT_NE(handle_, nullptr);
    for (int a = 0; a < 6; ++a) SDL_JoystickSetVirtualAxis(handle_, a, 0);
    SDL_JoystickSetVirtualAxis(handle_, 2, -32768);  // a pedal resting at one end
    ASSERT_TRUE(joy_.Init());
    joy_.present = 1;
    GameJoystick = &joy_;
    Settings.controlDevice = kControlDeviceJoystick;
    joy_.CaptureRestState();
  }
  void TearDown() override {
    GameJoystick = nullptr;
    joy_.Release();
    if (handle_) SDL_JoystickClose(handle_);
    if (index_ >= 0) SDL_JoystickDetachVirtual(index_);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }
  Joystick joy_;
  SDL_Joystick* handle_ = nullptr;
  int index_ = -1;
};

TEST_F(JoystickCapture, AxesOnlyForTheFirstSixSlotsButtonsAnywhere) {
  // A press slot (row 3, column 1 = "Gear 1") refuses an axis and keeps waiting.
  SDL_JoystickSetVirtualAxis(handle_, 2, 32767);  // the pedal pressed
  CaptureBinding();
  EXPECT_EQ(BindingCaptureActive, 1);
  EXPECT_EQ(Settings.bindings.slot[13], -1);
  // A hat is refused there too.
  SDL_JoystickSetVirtualAxis(handle_, 2, -32768);
  SDL_JoystickSetVirtualHat(handle_, 1, SDL_HAT_DOWN);
  CaptureBinding();
  EXPECT_EQ(BindingCaptureActive, 1);
  SDL_JoystickSetVirtualHat(handle_, 1, SDL_HAT_CENTERED);
  // A button is taken; the key latch is left alone.
  SDL_JoystickSetVirtualButton(handle_, 7, 1);
  CaptureBinding();
  EXPECT_EQ(BindingCaptureActive, 0);
  EXPECT_EQ(Settings.bindings.slot[13], 1012 + 7);
  EXPECT_EQ(ShownBindings[13], 1012 + 7);
  EXPECT_EQ(Input.KeyLatch, 0);
  SDL_JoystickSetVirtualButton(handle_, 7, 0);

  // "Accelerate" (row 2, column 0) takes the pedal's axis, or a hat direction.
  OptionRow = 2;
  BindingColumn = 0;
  BindingCaptureActive = 1;
  joy_.CaptureRestState();
  SDL_JoystickSetVirtualAxis(handle_, 2, 32767);
  CaptureBinding();
  EXPECT_EQ(Settings.bindings.slot[2], 1000 + 2);
  SDL_JoystickSetVirtualAxis(handle_, 2, -32768);
  OptionRow = 0;
  BindingCaptureActive = 1;
  joy_.CaptureRestState();
  SDL_JoystickSetVirtualHat(handle_, 0, SDL_HAT_LEFT);
  CaptureBinding();
  EXPECT_EQ(Settings.bindings.slot[0], 1308);

  // Keys do nothing on the joystick device.
  OptionRow = 5;
  BindingCaptureActive = 1;
  joy_.CaptureRestState();
  Input.KeyStates[VkLetter('A')] = 1;
  CaptureBinding();
  EXPECT_EQ(BindingCaptureActive, 1);
  EXPECT_EQ(Settings.bindings.slot[5], -1);
}

TEST_F(Capture, JoystickDeviceWithoutAJoystickCapturesKeys) {
  Settings.controlDevice = kControlDeviceJoystick;
  Input.KeyStates[VkLetter('J')] = 1;
  CaptureBinding();
  EXPECT_EQ(BindingCaptureActive, 0);
  EXPECT_EQ(Settings.bindings.slot[13], VkLetter('J'));
}

TEST(KeyLatches, ClearKeyStatesZeroesHoverFlagsAndTheClick) {
  std::memset(WidgetHover, 1, sizeof WidgetHover);
  Input.ClickLatch = 1;
  Input.KeyLatch = 1;
  ClearKeyStates();
  for (uint8_t h : WidgetHover) EXPECT_EQ(h, 0);
  EXPECT_EQ(Input.ClickLatch, 0);
  EXPECT_EQ(Input.KeyLatch, 1) << "the key latch is the main loop's";
}

}  // namespace
