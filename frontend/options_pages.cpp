// The options branch: the options menu (3) and its pages for graphics (5), audio (6)
// and the control bindings (7). The pages edit the settings in place; menu.inf is
// written at exit, with the graphics values ACCEPT took when a restart is asked for.
// Screen 2, an empty page nothing leads to, is not built.
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/frame.h"
#include "app/joystick.h"
#include "app/settings.h"
#include "frontend/option_steps.h"
#include "frontend/screen_blocks.h"
#include "frontend/screen_draw.h"
#include "frontend/screens.h"
#include "frontend/widgets.h"
#include "gfx/text.h"

namespace {

constexpr int kOptionsItems = 3;
constexpr float kRowY[5] = {100.0f, 60.0f, 20.0f, -20.0f, -60.0f};
constexpr float kValueSize = 0.85f;
constexpr int kFirstArrowSlot = 5;
constexpr int kGridRows = 10;
constexpr float kGridSize = 0.75f;

const char* const kGraphicsLabels[5] = {"Display Resolution", "Anti-Aliasing", "Sight Range", "Shadow detail",
                                        "Texture filtering"};
const char* const kAudioLabels[3] = {"Sound", "Music", "EAX effects"};
const char* const kResolutionNames[kDisplayModeCount] = {"1024x768",  "1280x768",  "1280x960",  "1280x1024",
                                                         "1600x900",  "1600x1000", "1600x1200", "1680x1050",
                                                         "1920x1080", "1920x1200"};
const char* const kSightNames[3] = {"Min", "Normal", "Max"};
const char* const kShadowNames[4] = {"Off", "Normal", "Max", "Ultra HD"};
const char* const kFilterNames[2] = {"Trilinear", "Anisotropic"};
const char* const kBindingLabels[2][kGridRows] = {
    {"Steer Left", "Steer Right", "Accelerate", "Brake/Reverse", "Clutch", "Handbrake", "Change camera", "Look Back",
     "Look Left", "Look Right"},
    {"Transmission", "Gear Up", "Gear Down", "1 Gear", "2 Gear", "3 Gear", "4 Gear", "5 Gear", "6 Gear",
     "Reverse Gear"}};
// Joystick controls 0-11, each named four ways (codes 1000, 1100, 1200, 1300 + k).
const char* const kJoystickNames[12][4] = {
    {"X-axis", "Inv X-axis", "Pos X-axis", "Neg X-axis"},
    {"Y-axis", "Inv Y-axis", "Pos Y-axis", "Neg Y-axis"},
    {"Z-axis", "Inv Z-axis", "Pos Z-axis", "Neg Z-axis"},
    {"X-axis rotation", "Inv X-axis Rot", "Pos X-axis Rot", "Neg X-axis Rot"},
    {"Y-axis rotation", "Inv Y-axis Rot", "Pos Y-axis Rot", "Neg Y-axis Rot"},
    {"Z-axis rotation", "Inv Z-axis Rot", "Pos Z-axis Rot", "Neg Z-axis Rot"},
    {"axis Slider0", "Inv axis Slider0", "Pos axis Slider0", "Neg axis Slider0"},
    {"axis Slider1", "Inv axis Slider1", "Pos axis Slider1", "Neg axis Slider1"},
    {"DPad0 Up", "DPad0 Right", "DPad0 Down", "DPad0 Left"},
    {"DPad1 Up", "DPad1 Right", "DPad1 Down", "DPad1 Left"},
    {"DPad2 Up", "DPad2 Right", "DPad2 Down", "DPad2 Left"},
    {"DPad3 Up", "DPad3 Right", "DPad3 Down", "DPad3 Left"}};
constexpr int kFirstButtonCode = 1012;
constexpr int kLastButtonCode = 1043;

template <int N>
const char* Named(const char* const (&names)[N], int value) {
  return value >= 0 && value < N ? names[value] : "";
}

// Every level of zero or more is a sample count the renderer asks the driver for, so
// each shows as one, a 3 or a 64 from the file as much as the page's own steps.
const char* AntiAliasingName(int samples) {
  if (samples == 0) return "Off";
  if (samples < 0) return "";
  static char text[16];
  std::snprintf(text, sizeof text, "%dxAA", samples);
  return text;
}

const char* KeyName(int code) {
  if (code >= 'A' && code <= 'Z') return nullptr;  // the letter itself
  switch (code) {
    case -1: return "empty";
    case 16: return "shift";
    case 17: return "ctrl";
    case 32: return "space";
    case 188: return ",";
    case 190: return ".";
    case 191: return "/";
    case 186: return ";";
    case 222: return "'";
    case 219: return "[";
    case 221: return "]";
    case 38: return "up arrow";
    case 40: return "down arrow";
    case 37: return "left arrow";
    case 39: return "right arrow";
    default: return "";
  }
}

void DrawRow(int row, const char* label, const char* value) {
  const float y = kRowY[row];
  PrintText(-205.0f, y, 0, ListTextAlpha, 1, kValueSize, false, 0, "%s", label);
  PrintText(115.0f, y, 0, ListTextAlpha, 1, kValueSize, true, 1, "%s", value);
  DrawArrowButton(35.0f, y, kFirstArrowSlot + 2 * row, 0);
  DrawArrowButton(186.0f, y, kFirstArrowSlot + 2 * row + 1, 1);
}

void RestartNotice() {
  if (!PendingGraphics.apply) return;
  PrintText(0.0f, -182.0f, 1, 1.0f, 1, kValueSize, false, 1, "Changes will be applied after reload the game!");
}

const char* OnOff(uint8_t v) { return v ? "On" : "Off"; }

void DrawBindingCell(int row, int column) {
  const float y = 108.0f - 25.0f * static_cast<float>(row);
  PrintText(column == 0 ? -271.0f : 60.0f, y, 0, ListTextAlpha, 1, kGridSize, false, 0, "%s",
            kBindingLabels[column][row]);
  const float x = 331.0f * static_cast<float>(column) - 60.0f;
  if (column == 1 && row == 0) {
    PrintText(271.0f, y, 0, ListTextAlpha, 1, kGridSize, true, 2, "%s",
              Settings.transmission == 1 ? "Manual" : Settings.transmission == 0 ? "Automatic" : "");
    return;
  }
  if (BindingCaptureActive && OptionRow == row && BindingColumn == column) {
    const float pulse = ListTextAlpha * (std::sin(FrameTiming.SceneClock * 6.5f) + 1.0f);
    PrintText(x, y, 2, pulse, 1, kGridSize, true, 2, "Press key");
    return;
  }
  char text[32];
  BindingText(ShownBindings[row + kGridRows * column], text, sizeof text);
  PrintText(x, y, 0, ListTextAlpha, 1, kGridSize, true, 2, "%s", text);
}

}  // namespace

void BindingText(int code, char* out, size_t size) {
  if (size == 0) return;
  out[0] = '\0';
  if (code >= kFirstButtonCode && code <= kLastButtonCode) {
    std::snprintf(out, size, "Button%2i", code - kFirstButtonCode);
    return;
  }
  if (code >= 1000 && code < 1400 && code % 100 < 12) {
    std::snprintf(out, size, "%s", kJoystickNames[code % 100][(code - 1000) / 100]);
    return;
  }
  const char* name = KeyName(code);
  if (name)
    std::snprintf(out, size, "%s", name);
  else
    std::snprintf(out, size, "%c", static_cast<char>(code));
}

const char* OptionValueName(int screen, int row) {
  const GameSettings& s = Settings;
  if (screen == kScreenGraphics) {
    switch (row) {
      case 0: return Named(kResolutionNames, PendingGraphics.displayMode);
      case 1: return AntiAliasingName(PendingGraphics.antiAliasing);
      case 2: return Named(kSightNames, s.sightRange);
      case 3: return Named(kShadowNames, s.shadowDetail);
      case 4: return Named(kFilterNames, s.textureFiltering);
      default: return "";
    }
  }
  if (screen == kScreenAudio) {
    switch (row) {
      case 0: return OnOff(s.sound);
      case 1: return OnOff(s.music);
      case 2: return OnOff(s.eax);
      default: return "";
    }
  }
  return "";
}

void OptionsScreen() {
  DrawScreenTitles(kOptionsItems, 0);
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "BACK", 0, 0);
}

void GraphicsScreen() {
  BeginDialogPanel();
  DrawPanelTitle("GRAPHICS", -235.0f);
  DrawRowCursor();
  for (int row = 0; row < 5; ++row) DrawRow(row, kGraphicsLabels[row], OptionValueName(kScreenGraphics, row));
  RestartNotice();
  EndDialogPanel();
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "BACK", 0, 0);
  DrawMenuButton(400.0f, -225.0f, 0.0f, "ACCEPT", 4, 2);
  FadeTextsAfterButtons();
}

void AudioScreen() {
  BeginDialogPanel();
  DrawPanelTitle("AUDIO", -246.0f);
  DrawRowCursor();
  for (int row = 0; row < 3; ++row) DrawRow(row, kAudioLabels[row], OptionValueName(kScreenAudio, row));
  RestartNotice();
  EndDialogPanel();
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "BACK", 0, 0);
  FadeTextsAfterButtons();
}

void ControlsScreen() {
  BeginDialogPanel();
  DrawPanelTitle("CONTROLS", -220.0f);
  PrintText(140.0f, 146.0f, 0, ListTextAlpha, 2, 1.0f, false, 0, "Device:");
  const char* device = Settings.controlDevice == 0 ? "Keyboard" : "";
  if (Settings.controlDevice == 1 && GameJoystick) device = GameJoystick->name;
  PrintText(200.0f, 146.0f, 0, ListTextAlpha, 1, kGridSize, false, 0, "%.40s", device);
  DrawBindingGrid();
  for (int column = 0; column < 2; ++column)
    for (int row = 0; row < kGridRows; ++row) DrawBindingCell(row, column);
  EndDialogPanel();
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "Back", 0, 0);
  DrawMenuButton(-400.0f, -200.0f, 0.0f, "Change", 4, 1);
  DrawMenuButton(400.0f, -200.0f, 0.0f, "Keyboard", 1, 2);
  DrawMenuButton(400.0f, -225.0f, 0.0f, "Joypad", 2, 3);
  FadeTextsAfterButtons();
}
