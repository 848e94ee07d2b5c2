// The options pages: what each row shows (nothing for a settings value out of its
// range, the samples of any anti-aliasing level), the resolution search's bounds,
// ACCEPT taking the browsed mode, and the controls page's names of keys and joystick
// controls.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/input.h"
#include "app/settings.h"
#include "frontend/option_steps.h"
#include "frontend/screen_blocks.h"
#include "frontend/screens.h"
#include "gfx/gl_ext.h"
#include "platform/vk.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;
using platform::kVkLeft;
using platform::kVkRight;

class OptionsPages : public FrontendGlTest {
 protected:
  void Tap(int vk) {
    Press(vk);
    Frame();
    Release(vk);
    ReleaseLatchWhenIdle();
  }
  void ShowPage(int page) {
    SettleOn(page);
    Frames(70);
    ClearTexts();
    Frame();
  }
  std::string Binding(int code) {
    char text[32];
    BindingText(code, text, sizeof text);
    return text;
  }
};

int g_asked = 0;
bool CountingNoMode(int, int) {
  ++g_asked;
  return false;
}
bool OnlyFirstAndFullHd(int w, int h) { return (w == 1024 && h == 768) || (w == 1920 && h == 1080); }

TEST_F(OptionsPages, TheResolutionSearchAsksAtMostTenModesAndKeepsTheChoiceWhenNoneIsOffered) {
  for (int from : {0, 5, 9, 123, -7}) {
    g_asked = 0;
    EXPECT_EQ(NextDisplayMode(from, 1, CountingNoMode), from);
    EXPECT_LE(g_asked, 10);
    g_asked = 0;
    EXPECT_EQ(NextDisplayMode(from, -1, CountingNoMode), from);
    EXPECT_LE(g_asked, 10);
  }
  EXPECT_EQ(NextDisplayMode(0, 1, OnlyFirstAndFullHd), 8);
  EXPECT_EQ(NextDisplayMode(8, 1, OnlyFirstAndFullHd), 0);
  // This display offers 1024 x 768 alone: the page's right arrow keeps it.
  PendingGraphics.displayMode = 0;
  GraphicsChanged = 0;
  ShowPage(kScreenGraphics);
  ASSERT_EQ(OptionRow, 0);
  Tap(kVkRight);
  EXPECT_EQ(PendingGraphics.displayMode, 0);
  EXPECT_NE(FindLastText("1024x768"), nullptr);
}

TEST_F(OptionsPages, TheGraphicsPageShowsItsRowsAndAcceptTakesTheBrowsedMode) {
  Settings.shadowDetail = 3;
  PendingGraphics.antiAliasing = 4;
  ShowPage(kScreenGraphics);
  for (const char* text : {"GRAPHICS", "Display Resolution", "1024x768", "Anti-Aliasing", "4xAA", "Sight Range",
                           "Shadow detail", "Ultra HD", "Texture filtering", "BACK", "ACCEPT"})
    EXPECT_NE(FindLastText(text), nullptr) << text;
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));

  OptionRow = 3;
  Tap(kVkRight);
  ClearTexts();
  Frame();
  EXPECT_NE(FindLastText("Off"), nullptr) << "Ultra HD steps right to Off";
  EXPECT_EQ(GraphicsChanged, 1);

  // A browsed mode is taken only by ACCEPT.
  PendingGraphics.displayMode = 8;
  PendingGraphics.width = 1920;
  PendingGraphics.height = 1080;
  EXPECT_EQ(PendingGraphics.acceptedMode, Settings.displayMode);
  Tap(platform::kVkReturn);
  EXPECT_EQ(PendingGraphics.apply, 1);
  EXPECT_EQ(PendingGraphics.acceptedMode, 8);
  EXPECT_EQ(PendingGraphics.acceptedWidth, 1920);
  EXPECT_EQ(PendingGraphics.acceptedHeight, 1080);
  ClearTexts();
  Frame();
  EXPECT_NE(FindLastText("Changes will be applied after reload the game!"), nullptr);
}

TEST_F(OptionsPages, ValuesFromTheFileOutsideTheirNamesShowNothingAndAnArrowBringsThemIn) {
  PendingGraphics.displayMode = 12;
  Settings.sightRange = -4;
  Settings.shadowDetail = -5;
  Settings.textureFiltering = 9;
  for (int row : {0, 2, 3, 4}) EXPECT_STREQ(OptionValueName(kScreenGraphics, row), "") << row;
  ShowPage(kScreenGraphics);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
  OptionRow = 2;
  Tap(kVkRight);
  EXPECT_EQ(Settings.sightRange, 1);
  OptionRow = 3;
  Tap(kVkRight);
  EXPECT_EQ(Settings.shadowDetail, 1);
  OptionRow = 4;
  Tap(kVkRight);
  EXPECT_EQ(Settings.textureFiltering, 0);
}

// Any level of samples is what the renderer asks the driver for, so the row names each
// one; its arrows move only the page's own steps, never past what the driver offers.
TEST_F(OptionsPages, EveryAntiAliasingLevelShowsItsSamplesAndTheArrowsMoveOnlyThePageSteps) {
  const int driverMost = MaxSamples;
  MaxSamples = 8;
  PendingGraphics.antiAliasing = 3;
  ShowPage(kScreenGraphics);
  EXPECT_NE(FindLastText("3xAA"), nullptr);
  PendingGraphics.antiAliasing = 64;
  ClearTexts();
  Frame();
  EXPECT_NE(FindLastText("64xAA"), nullptr);
  EXPECT_STREQ(OptionValueName(kScreenGraphics, 1), "64xAA");

  OptionRow = 1;
  struct Step {
    int from;
    int vk;
    int to;
  } steps[] = {{0, kVkRight, 2},  {2, kVkRight, 4},  {4, kVkRight, 8},   {8, kVkRight, 8},
               {8, kVkLeft, 4},   {2, kVkLeft, 0},   {0, kVkLeft, 0},    {3, kVkLeft, 3},
               {3, kVkRight, 3},  {64, kVkLeft, 64}, {16, kVkRight, 16}, {32, kVkLeft, 32}};
  for (const Step& s : steps) {
    PendingGraphics.antiAliasing = s.from;
    PendingGraphics.apply = 0;
    Tap(s.vk);
    EXPECT_EQ(PendingGraphics.antiAliasing, s.to) << s.from << (s.vk == kVkRight ? " right" : " left");
    EXPECT_EQ(PendingGraphics.apply, 1);
  }
  // Never past what the driver offers.
  MaxSamples = 2;
  PendingGraphics.antiAliasing = 2;
  Tap(kVkRight);
  EXPECT_EQ(PendingGraphics.antiAliasing, 2);
  MaxSamples = driverMost;
}

TEST_F(OptionsPages, TheAudioPageShowsItsSwitches) {
  Settings.sound = 1;
  Settings.music = 0;
  Settings.eax = 1;
  ShowPage(kScreenAudio);
  for (const char* text : {"AUDIO", "Sound", "Music", "EAX effects", "On", "Off"})
    EXPECT_NE(FindLastText(text), nullptr) << text;
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(OptionsPages, TheControlsPageNamesKeysAndJoystickControls) {
  EXPECT_EQ(Binding(1005), "Z-axis rotation");
  EXPECT_EQ(Binding(1305), "Neg Z-axis Rot");
  EXPECT_EQ(Binding(1308), "DPad0 Left");
  EXPECT_EQ(Binding(1015), "Button 3");
  EXPECT_EQ(Binding(1043), "Button31");
  EXPECT_EQ(Binding(-1), "empty");
  EXPECT_EQ(Binding('Q'), "Q");
  EXPECT_EQ(Binding(38), "up arrow");
  EXPECT_EQ(Binding(222), "'");
  for (int code : {1, 48, 255, 1012 + 32, 1050, 1412, 99999, -2}) EXPECT_EQ(Binding(code), "") << code;

  for (int32_t& b : ShownBindings) b = -1;
  ShownBindings[0] = 37;
  ShownBindings[13] = 1015;
  Settings.transmission = 0;
  ShowPage(kScreenControls);
  const DrawnText* left = FindLastText("left arrow");
  ASSERT_NE(left, nullptr);
  EXPECT_NEAR(left->x, -60.0f, 0.01f);
  EXPECT_NEAR(left->y, 108.0f, 0.01f);
  const DrawnText* button = FindLastText("Button 3");
  ASSERT_NE(button, nullptr);
  EXPECT_NEAR(button->x, 271.0f, 0.01f);
  EXPECT_NEAR(button->y, 108.0f - 75.0f, 0.01f);
  for (const char* text : {"CONTROLS", "Device:", "Keyboard", "Steer Left", "Reverse Gear", "Automatic"})
    EXPECT_NE(FindLastText(text), nullptr) << text;
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));

  // Change on the Transmission cell toggles it and starts no capture.
  OptionRow = 0;
  BindingColumn = 1;
  Tap(platform::kVkReturn);
  EXPECT_EQ(BindingCaptureActive, 0);
  ClearTexts();
  Frame();
  EXPECT_NE(FindLastText("Manual"), nullptr);
}

TEST_F(OptionsPages, ADeviceValueFromTheFileThatIsNeitherCanBeSetToTheKeyboard) {
  const auto keyboards = [] {
    int n = 0;
    for (const DrawnText& t : Texts()) n += t.text == "Keyboard";
    return n;
  };
  Settings.controlDevice = 7;
  ShowPage(kScreenControls);
  EXPECT_EQ(keyboards(), 1) << "the button's label alone: 7 names no device";
  Tap('1');
  EXPECT_EQ(Settings.controlDevice, 0);
  ClearTexts();
  Frame();
  EXPECT_EQ(keyboards(), 2);
}

TEST_F(OptionsPages, TheOptionsMenuOpensTheGraphicsPageOnTheSavedMode) {
  Settings.displayMode = 0;
  PendingGraphics.displayMode = 5;
  SettleOn(kScreenOptions);
  Frame();
  EXPECT_NE(FindLastText("GRAPHICS"), nullptr);
  Tap(platform::kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenGraphics);
  EXPECT_EQ(PendingGraphics.displayMode, 0);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

// A size browsed on one visit and left with BACK does not come back with the saved
// mode on the next: a later ACCEPT of another row writes a mode and a size that agree.
TEST_F(OptionsPages, ASizeBrowsedOnAnEarlierVisitIsNotSavedWithTheSavedMode) {
  Settings.displayMode = 0;
  Settings.screenWidth = 1024;
  Settings.screenHeight = 768;
  Settings.shadowDetail = 1;
  // What the resolution arrow left on the earlier visit: full HD browsed, not accepted.
  PendingGraphics.displayMode = 8;
  PendingGraphics.width = 1920;
  PendingGraphics.height = 1080;
  GraphicsChanged = 1;
  SettleOn(kScreenOptions);
  Frame();
  SelectedItem = 0;
  Tap(platform::kVkReturn);
  ASSERT_TRUE(FramesUntilCurrent(kScreenGraphics));
  Frames(70);
  EXPECT_EQ(GraphicsChanged, 0);
  OptionRow = 3;
  Tap(kVkRight);
  EXPECT_EQ(Settings.shadowDetail, 2);
  Tap(platform::kVkReturn);
  ASSERT_EQ(PendingGraphics.apply, 1);
  ASSERT_TRUE(SaveSettings());

  std::FILE* f = std::fopen(UserFilePath("menu.inf", false).c_str(), "rb");
  ASSERT_NE(f, nullptr);
  uint8_t bytes[kSettingsFileSize];
  const size_t n = std::fread(bytes, 1, sizeof bytes, f);
  std::fclose(f);
  GameSettings saved{};
  ASSERT_TRUE(DecodeSettings(bytes, n, &saved));
  EXPECT_EQ(saved.displayMode, 0);
  EXPECT_EQ(saved.screenWidth, 1024);
  EXPECT_EQ(saved.screenHeight, 768);
  EXPECT_EQ(saved.shadowDetail, 2);
}

}  // namespace
