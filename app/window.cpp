#include "app/window.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/input.h"
#include "app/joystick.h"
#include "app/settings.h"
#include "app/sound.h"
#include "frontend/option_steps.h"
#include "frontend/screens.h"
#include "gfx/font.h"
#include "gfx/projection.h"
#include "gfx/renderer.h"
#include "gfx/virtual_screen.h"
#include "platform/msgbox.h"
#include "platform/window.h"
#include "race/car_content.h"

uint8_t WindowActive = 1;

namespace {

using platform::MessageIcon;
using platform::MessageKind;

bool g_fullscreen = true;

bool Fail(const char* text, MessageIcon icon = MessageIcon::kWarning) {
  platform::ShowMessageBox(text, "ERROR", icon);
  return false;
}

bool FailAfterWindow(const char* text) {
  DestroyMainWindow();
  return Fail(text);
}

// The VirtualScreen position of the cursor, as the front end reads the press copies.
void CopyPressPosition() {
  int w, h;
  platform::GetWindowSize(&w, &h);
  if (w <= 0 || h <= 0) return;
  const ScreenPoint& c = Input.CursorPoint;
  ScreenPoint p;
  p.x = static_cast<int>(VirtualScreen.left + (VirtualScreen.right - VirtualScreen.left) * c.x / static_cast<float>(w));
  p.y = static_cast<int>(VirtualScreen.top - (VirtualScreen.top - VirtualScreen.bottom) * c.y / static_cast<float>(h));
  Input.PressPoint[0] = Input.PressPoint[1] = p;
}

void OnActivate(bool active, bool minimised) {
  if (active && !minimised) {
    WindowActive = 1;
    if (Settings.music) MusicSource.Play();
    if (Settings.sound && TargetScreen.load() == kScreenRace) GameSounds.ambient.Play();
    platform::ChangeDisplayMode(Settings.screenWidth, Settings.screenHeight, Settings.colourBits);
  } else {
    WindowActive = 0;
    if (Settings.music) MusicSource.Pause();
    if (Settings.sound) GameSounds.ambient.Pause();
    platform::RestoreDesktopMode();
    // A key held while focus leaves never gets its key-up.
    ClearKeyAndButtonStates();
  }
  if (active && GameJoystick) GameJoystick->Acquire();
}

}  // namespace

bool CreateMainWindow(const char* title, int width, int height, int colourBits, bool fullscreen,
                      int /*depth: always 24*/) {
  g_fullscreen = fullscreen;
  if (!platform::InitVideo()) {
    std::printf("window: no display could be opened: %s\n", platform::VideoError());
    return Fail("Failed To Register The Window Class.");
  }
  if (fullscreen && !platform::ChangeDisplayMode(width, height, colourBits)) {
    const char* driver = platform::VideoDriverName();
    // With no X server or compositor to reach, SDL may still start a driver that draws
    // nowhere; that is no display either.
    const bool nowhere = std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
    const char* display = std::getenv("DISPLAY");
    if (nowhere || platform::DisplayModeCount() == 0)
      std::printf("window: no display could be opened (DISPLAY=%s): only the video driver %s started\n",
                  display ? display : "", driver);
    else
      std::printf("window: the display cannot be switched to %d x %d: %s (video driver %s)\n", width, height,
                  IsDisplayModeAvailable(width, height) ? platform::VideoError() : "it offers no such mode", driver);
    std::fflush(stdout);
    return Fail("Program Will Now Close.", MessageIcon::kStop);
  }
  platform::ShowCursor(false);
  if (!platform::CreateWindow(title, width, height, fullscreen)) return FailAfterWindow("Window Creation Error.");
  if (!platform::CreateMainContext()) return FailAfterWindow("Can't Create A GL Rendering Context.");
  // GLX shares objects only at creation, so the loader's context is made here too.
  if (!platform::CreateWorkerContext()) return FailAfterWindow("Can't Create A GL Device Context2.");
  if (!platform::MakeMainContextCurrent()) return FailAfterWindow("Can't Activate The GL Rendering Context.");
  platform::ShowWindow();
  SetPerspective(width, height);
  return true;
}

void DestroyMainWindow() {
  if (platform::MainContextCurrent()) {
    ReleaseRenderer();
    DeleteFontLists1();
    DeleteFontLists2();
    FreeTextures();
  }
  if (platform::AnyContextCurrent()) platform::ReleaseCurrentContext();
  platform::DestroyWorkerContext();
  platform::DestroyMainContext();
  platform::RestoreDesktopMode();
  platform::ShowCursor(true);
  platform::DestroyWindow();
}

void FitScreenModeToDisplay() {
  // Without a display CreateMainWindow names the failure.
  if (!platform::InitVideo()) return;
  const int w = Settings.screenWidth, h = Settings.screenHeight;
  if (IsDisplayModeAvailable(w, h)) return;
  int dw = 0, dh = 0;
  // Without a desktop mode to fall back on, the switch is tried as it stands and its
  // failure names the mode.
  if (!platform::GetDesktopMode(&dw, &dh) || !IsDisplayModeAvailable(dw, dh)) return;
  KeepPlayerScreenMode(dw, dh);
  int mode = Settings.displayMode;
  for (int i = 0; i < kDisplayModeCount; ++i)
    if (kDisplayModes[i].width == dw && kDisplayModes[i].height == dh) mode = i;
  Settings.displayMode = mode;
  Settings.screenWidth = dw;
  Settings.screenHeight = dh;
  ApplyDerivedValues(Settings);
  std::printf("menu.inf: the display does not offer %d x %d; this start uses the desktop's %d x %d, and "
              "menu.inf keeps %d x %d until another resolution is accepted\n", w, h, dw, dh, w, h);
  std::fflush(stdout);
}

bool IsDisplayModeAvailable(int width, int height) {
  const int n = platform::DisplayModeCount();
  for (int i = 0; i < n; ++i) {
    int w, h;
    if (platform::GetDisplayMode(i, &w, &h) && w == width && h == height) return true;
  }
  return false;
}

int MainWindowProc(const platform::Message& m) {
  Input.PendingChar = 0;
  switch (m.kind) {
    case MessageKind::kActivate: OnActivate(m.a != 0, m.b != 0); break;
    case MessageKind::kClose: platform::PostQuitMessage(0); break;
    case MessageKind::kKeyDown:
      if (m.a >= 0 && m.a < 256) Input.KeyStates[m.a] = 1;
      break;
    case MessageKind::kKeyUp:
    // A key let go while Alt is held arrives as a system key; the key is up all the
    // same, and a stuck accelerator would drive on until it is pressed again. (A system
    // key-down still presses nothing.)
    case MessageKind::kSysKeyUp:
      if (m.a >= 0 && m.a < 256) Input.KeyStates[m.a] = 0;
      break;
    case MessageKind::kChar:
      Input.PendingChar = 1;
      Input.TypedChar = static_cast<uint16_t>(m.a & 0xFF);
      break;
    case MessageKind::kSize: SetPerspective(m.a, m.b); break;
    case MessageKind::kMouseMove:
      Input.MouseMoved = 1;
      platform::GetCursorPos(&Input.CursorPoint.x, &Input.CursorPoint.y);
      break;
    case MessageKind::kLButtonDown:
      Input.MouseButtons[0] = 1;
      Input.ClickLatch = 1;
      CopyPressPosition();
      break;
    case MessageKind::kLButtonUp:
      Input.MouseButtons[0] = 0;
      CopyPressPosition();
      break;
    case MessageKind::kRButtonDown:
      Input.MouseButtons[1] = 1;
      Input.ClickLatch = 1;
      CopyPressPosition();
      break;
    case MessageKind::kRButtonUp:
      Input.MouseButtons[1] = 0;
      CopyPressPosition();
      break;
    default: break;  // system key-downs and the rest change nothing
  }
  return 0;
}
