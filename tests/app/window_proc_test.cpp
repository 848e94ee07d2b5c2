// The window procedure's input state: keys as virtual-key codes, system keys, typed
// characters, mouse buttons, and what a loss of focus clears.
#include <gtest/gtest.h>

#include <cstring>

#include "app/input.h"
#include "app/window.h"
#include "platform/messages.h"
#include "platform/vk.h"

namespace {

using platform::Message;
using platform::MessageKind;

void Send(MessageKind kind, int a = 0, int b = 0) {
  Message m;
  m.kind = kind;
  m.a = a;
  m.b = b;
  MainWindowProc(m);
}

class WindowProc : public ::testing::Test {
 protected:
  void SetUp() override { Input = InputState{}; }
  void TearDown() override { Input = InputState{}; }
};

TEST_F(WindowProc, KeysAreDownUntilTheirKeyUpWhateverElseIsHeld) {
  const int up = platform::kVkUp;
  Send(MessageKind::kKeyDown, up);
  Send(MessageKind::kKeyDown, up);  // auto-repeat
  EXPECT_EQ(Input.KeyStates[up], 1);
  Send(MessageKind::kKeyUp, up);
  EXPECT_EQ(Input.KeyStates[up], 0);

  // Alt combinations and F10 press nothing...
  Send(MessageKind::kSysKeyDown, platform::VkLetter('X'));
  Send(MessageKind::kSysKeyDown, platform::kVkF10);
  EXPECT_EQ(Input.KeyStates[platform::VkLetter('X')], 0);
  EXPECT_EQ(Input.KeyStates[platform::kVkF10], 0);
  // ...but a key held before Alt and let go while Alt is down is up.
  Send(MessageKind::kKeyDown, up);
  Send(MessageKind::kSysKeyUp, up);
  EXPECT_EQ(Input.KeyStates[up], 0) << "the accelerator stayed down";

  // Codes outside the table change nothing and write nowhere.
  const InputState before = Input;
  for (int code : {-1, 256, 100000, -100000}) {
    Send(MessageKind::kKeyDown, code);
    Send(MessageKind::kSysKeyUp, code);
  }
  EXPECT_EQ(std::memcmp(&before, &Input, sizeof Input), 0);
}

TEST_F(WindowProc, TypedCharacterLastsUntilTheNextMessage) {
  Send(MessageKind::kChar, 0xC0);
  EXPECT_EQ(Input.PendingChar, 1);
  EXPECT_EQ(Input.TypedChar, 0xC0);
  Send(MessageKind::kMouseMove, 5, 5);
  EXPECT_EQ(Input.PendingChar, 0);
  EXPECT_EQ(Input.MouseMoved, 1);
  EXPECT_EQ(Input.TypedChar, 0xC0);
}

TEST_F(WindowProc, LosingFocusReleasesKeysAndButtons) {
  Send(MessageKind::kKeyDown, platform::kVkUp);
  Send(MessageKind::kKeyDown, platform::kVkShift);
  Send(MessageKind::kLButtonDown, 10, 10);
  Send(MessageKind::kRButtonDown, 10, 10);
  EXPECT_EQ(Input.MouseButtons[0], 1);
  EXPECT_EQ(Input.ClickLatch, 1);
  Send(MessageKind::kActivate, 0, 0);
  EXPECT_EQ(WindowActive, 0);
  for (int vk = 0; vk < 256; ++vk) ASSERT_EQ(Input.KeyStates[vk], 0) << vk;
  EXPECT_EQ(Input.MouseButtons[0], 0);
  EXPECT_EQ(Input.MouseButtons[1], 0);
  Send(MessageKind::kActivate, 1, 0);
  EXPECT_EQ(WindowActive, 1);
}

}  // namespace
