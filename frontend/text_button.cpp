// The slanted corner button and what each one does on each screen. A button has no
// object: its whole state is its slot's hover byte and glow, and the action is chosen
// by the pair (current screen, id).
#include <GL/gl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "app/career.h"
#include "app/controls.h"
#include "app/frame.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/joystick.h"
#include "app/settings.h"
#include "app/sound.h"
#include "frontend/screen_blocks.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "frontend/widgets.h"
#include "gfx/text.h"
#include "platform/crt_rand.h"
#include "race/car_content.h"
#include "race/car_setup.h"

namespace {

constexpr int kWidgetSlots = 30;
constexpr int kLeftHandSlots = 2;  // slots 0 and 1 sit in the left corners

// The hit band follows the label, which climbs 0.41 units per unit along the button.
constexpr float kBandLength = 114.0f;
constexpr float kBandSlope = 0.41f;
constexpr float kBandRise = 2.0f;
constexpr float kLeftBandHeight = 18.0f;
constexpr float kRightBandHeight = 24.0f;

constexpr float kGlowDecay = 0.02f;  // per tick
constexpr float kSlideX = 200.0f;    // the button leaves toward its corner as the screen fades
constexpr float kSlideY = 82.0f;
constexpr float kLabelTurn = 22.5f;  // degrees
constexpr float kLabelSize = 0.65f;
constexpr float kIconCells = 5.0f;

constexpr int kQuickRaceTracks = 24;
constexpr int kQuickRaceNextTracks = 10;
constexpr int kTransmissionRow = 0;
constexpr int kTransmissionColumn = 1;

void GoTo(int screen) {
  TargetScreen.store(screen);
  PlayConfirmSounds();
}

void GoTo(int screen, int entry) {
  EntrySelection = entry;
  GoTo(screen);
}

void StartRace() {
  // A race the loader refuses goes back here, not to the race mode's menu.
  RaceChosenFrom = CurrentScreen.load();
  Handshake.LoaderStage.store(kStageLoadTrack);
  GoTo(kScreenRaceLoading, 0);
}

void NewQuickRace(int tracks) {
  Career.QuickRaceNumber = platform::Rand() % tracks + 1;
  Career.QuickRaceCar = platform::Rand() % kCarModels;
}

// Both device buttons unbind everything: the old codes mean nothing on the other device.
void SwitchControlDevice(int device) {
  Settings.controlDevice = device;
  std::fill(Settings.bindings.slot, Settings.bindings.slot + kBindingSlots, -1);
  std::fill(ShownBindings, ShownBindings + kBindingSlots, -1);
  BindingCaptureActive = 0;
  PlayConfirmSounds();
}

void RefuseDeviceSwitch() {
  BindingCaptureActive = 0;
  PlayMenuSound(MenuDenySound);
}

bool JoystickPresent() { return GameJoystick != nullptr && GameJoystick->present; }

// A selection read as a price row: outside the table the purchase is refused rather
// than read past it.
bool PriceOf(const int32_t* prices, int count, int index, float* price) {
  if (index < 0 || index >= count) return false;
  *price = static_cast<float>(prices[index]);
  return true;
}

int32_t CareerLevel(int field) {
  int32_t level = 0;
  std::memcpy(&level, Career.carSetup + sizeof(int32_t) * field, sizeof level);
  return level;
}

// The package bought is the one on show.
bool PackageOnShow(int package) {
  const CarSetup& live = LiveCarSetup;
  return live.engineLevel == package && live.suspensionLevel == package && live.turboLevel == package;
}

// Whether the career's car already carries the package in all three levels.
bool PackageOwned(int package) {
  const int first = static_cast<int>(offsetof(CarSetup, engineLevel) / sizeof(int32_t));
  for (int k = 0; k < 3; ++k)
    if (CareerLevel(first + k) != package) return false;
  return true;
}

// A paid package the car already carries is refused: buying it again would only
// take the cash. The free "NA" goes through whatever the car carries.
void BuyEnginePackage() {
  float price = 0.0f;
  if (!PriceOf(PackagePrices[0], 21, SelectedItem, &price) || Career.Cash < price ||
      !PackageOnShow(SelectedItem) || (price > 0.0f && PackageOwned(SelectedItem))) {
    PlayMenuSound(MenuDenySound);
    return;
  }
  TargetScreen.store(kScreenCareerHub);
  EntrySelection = 1;
  Career.Cash -= price;
  // The career copy takes the live set-up's package level with the rest of it, and the
  // file has it at once: a crash must not give the cash back or take the package.
  SaveCarSetupToCareer();
  SaveCareer();
  PlayMenuSound(MenuBuySound);
  PlayMenuSound(MenuChangeSound);
}

// The car shop refuses in silence. The car paid for is the car on show: while the
// browsed one is still being swapped in, BUY would pay for one car and keep another.
// The owned car is not sold again.
void BuyCar() {
  float cost = 0.0f;
  if (!PriceOf(CarPrices, kCarModels, SelectedItem, &cost) || Career.Cash < cost) return;
  if (CarReloadPending || !CarOnShowIs(SelectedItem) || SelectedItem == Career.CareerCar) return;
  TargetScreen.store(kScreenCareerHub);
  EntrySelection = 2;
  Career.Cash -= cost;
  SaveCarSetupToCareer();
  SaveCareer();
  PlayMenuSound(MenuBuySound);
  PlayMenuSound(MenuChangeSound);
}

void ResumeRace() {
  if (Settings.sound) ResumeAllSounds();
  TargetScreen.store(kScreenRace);
  if (Settings.music) MusicSource.Play();
  PlayConfirmSounds();
}

// NEXT leads where the pause's EXIT leads. Nothing in the game sets race mode 2 (a
// competition), so that mode, too, returns to the main menu: its start page is not
// built and would leave the player without a way out.
void ResultsNext() {
  TargetScreen.store(ScreenAfterRace());
  if (Career.RaceMode == 3) NewQuickRace(kQuickRaceNextTracks);
  EntrySelection = 0;
  PlayConfirmSounds();
}

void CompetitionStart() {
  const int region = Career.CompetitionRegion;
  if (region >= 0 && region < 3 && Career.CompetitionProgress[region] >= Career.CompetitionRace) {
    StartRace();
    return;
  }
  PlayMenuSound(MenuDenySound);
}

void ControlsChange() {
  if (OptionRow == kTransmissionRow && BindingColumn == kTransmissionColumn) {
    Settings.transmission = Settings.transmission ? 0 : 1;
  } else {
    BindingCaptureActive = 1;
    if (JoystickPresent()) GameJoystick->CaptureRestState();
  }
  PlayMenuSound(MenuClickSound);
}

// The rows of (screen, id); a pair without a row does nothing.
void RunButtonAction(int screen, int id) {
  switch (screen) {
    case kScreenMainMenu:
      if (id == 0) GoTo(kScreenQuitConfirm);
      break;
    case kScreenCompetitionStart:
      if (id == 0) GoTo(kScreenMainMenu, 2);
      if (id == 4) CompetitionStart();
      break;
    case kScreenQuickStart:
      if (id == 0) GoTo(kScreenMainMenu, 1);
      if (id == 1) {
        PlayMenuSound(MenuClickSound);
        NewQuickRace(kQuickRaceTracks);
      }
      if (id == 4) StartRace();
      break;
    case kScreenCareerMenu:
      if (id == 0) GoTo(kScreenMainMenu, 0);
      break;
    case kScreenNewCareer:
      if (id == 4) {
        ResetCareer();
        GoTo(kScreenEnterName, 0);
      }
      if (id == 0) GoTo(kScreenCareerMenu, 1);
      break;
    case kScreenEnterName:
      if (id == 4) {
        // The name is the career's from here on, even if the game never exits cleanly.
        SaveCareer();
        GoTo(kScreenCareerHub, 0);
      }
      break;
    case kScreenCareerHub:
      if (id == 0) GoTo(kScreenMainMenu, 0);
      break;
    case kScreenChampionship:
      if (id == 0) GoTo(kScreenCareerHub, 0);
      if (id == 4) GoTo(kScreenSelectRace, 0);
      break;
    case kScreenSelectRace:
      if (id == 0) GoTo(kScreenChampionship, 0);
      if (id == 4) StartRace();
      break;
    case kScreenResults:
      if (id == 4) ResultsNext();
      break;
    case kScreenPause:
      if (id == 0) ResumeRace();
      if (id == 1 || id == 2) {
        PlayMenuSound(MenuClickSound);
        Handshake.LoaderStage.store(id == 1 ? kStageLoadTrack : kStageUnloadTrack);
      }
      break;
    case kScreenEnginePackages:
      if (id == 0) {
        // Leaving without buying drops the package being looked at.
        LoadCarSetupFromCareer();
        GoTo(kScreenCareerHub, 1);
      }
      if (id == 4) BuyEnginePackage();
      break;
    case kScreenCarShop:
      if (id == 0) {
        LoadCarSetupFromCareer();
        GoTo(kScreenCareerHub, 2);
      }
      if (id == 4) BuyCar();
      break;
    case kScreenQuitConfirm:
      if (id == 4) Handshake.QuitRequest.store(1);
      if (id == 0) GoTo(kScreenMainMenu, 0);
      break;
    case kScreenOptions:
      if (id == 0) GoTo(kScreenMainMenu, 2);
      break;
    case kScreenGraphics:
      if (id == 0) GoTo(kScreenOptions, 0);
      if (id == 4) {
        if (GraphicsChanged) {
          PendingGraphics.apply = 1;
          AcceptPendingDisplayMode();
        }
        PlayMenuSound(MenuClickSound);
      }
      break;
    case kScreenAudio:
      if (id == 0) GoTo(kScreenOptions, 1);
      break;
    case kScreenControls:
      if (id == 0) {
        BindingCaptureActive = 0;
        GoTo(kScreenOptions, 2);
      }
      if (id == 1) {
        // A device value from the file that is neither is brought to the one asked for.
        if (Settings.controlDevice != kControlDeviceKeyboard && !BindingCaptureActive)
          SwitchControlDevice(kControlDeviceKeyboard);
        else
          RefuseDeviceSwitch();
      }
      if (id == 2) {
        if (JoystickPresent() && Settings.controlDevice != kControlDeviceJoystick && !BindingCaptureActive)
          SwitchControlDevice(kControlDeviceJoystick);
        else
          RefuseDeviceSwitch();
      }
      if (id == 4) ControlsChange();
      break;
    default: break;
  }
}

bool PointerOverButton(float x, float y, bool leftHand) {
  const float px = static_cast<float>(PointerX);
  const float py = static_cast<float>(PointerY);
  const float d = px - x;
  if (leftHand) {
    if (px < x || px >= x + kBandLength) return false;
    const float lo = y + kBandRise + kBandSlope * d;
    return py > lo && py < lo + kLeftBandHeight;
  }
  if (px < x - kBandLength || px > x) return false;
  const float lo = y + kBandRise - kBandSlope * d;
  return py > lo && py < lo + kRightBandHeight;
}

// The icon cell of the id, laid a quarter turn so that the strip's rows run upward.
void DrawIcon(float cx, float cy, int id) {
  const float cell = static_cast<float>(std::min(std::max(id, 0), 4));
  const float u0 = cell / kIconCells, u1 = (cell + 1.0f) / kIconCells;
  BindMenuTexture(kButtonIconTexture);
  glBegin(GL_QUADS);
  glTexCoord2f(u0, 0.0f);
  glVertex2f(cx + 16.0f, cy - 16.0f);
  glTexCoord2f(u1, 0.0f);
  glVertex2f(cx + 16.0f, cy + 16.0f);
  glTexCoord2f(u1, 1.0f);
  glVertex2f(cx - 16.0f, cy + 16.0f);
  glTexCoord2f(u0, 1.0f);
  glVertex2f(cx - 16.0f, cy - 16.0f);
  glEnd();
}

// Everything is drawn in the anchor's frame; the right-hand form is the mirror image,
// with the label ending at its place rather than starting there.
void DrawButton(float x, float y, const char* label, int id, bool leftHand, bool hovered) {
  const float side = leftHand ? 1.0f : -1.0f;
  const float slide = ScreenEases.slide;
  const WidgetDrawScope scope;
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glPushMatrix();
  glTranslatef(-side * kSlideX * slide, -kSlideY * slide, 0.0f);
  glTranslatef(x, y, 0.0f);

  BindMenuTexture(kButtonBackingTexture);
  TexturedBox(side * 45.5f, 26.3f, 140.0f, 140.0f, leftHand ? 0.0f : 1.0f, 0.0f, leftHand ? 1.0f : 0.0f, 1.0f);
  DrawIcon(side * 106.5f, 51.9f, id);

  // The plate goes under the label: our plate is opaque, and drawn last it hid the
  // dark label that is meant to be read on it.
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glPushMatrix();
  glTranslatef(side * 12.0f, 16.2f, 0.0f);
  glRotatef(side * kLabelTurn, 0.0f, 0.0f, 1.0f);
  BindMenuTexture(kLabelPlateTexture);
  TexturedBox(0.0f, 0.0f, 90.0f, 45.0f, leftHand ? 0.0f : 1.0f, 0.0f, leftHand ? 1.0f : 0.0f, 1.0f);
  glPopMatrix();

  ListTextAlpha = (1.0f - slide) * ScreenEases.show;
  ListTextColour = hovered ? 2 : 0;
  glPushMatrix();
  glTranslatef(side * 38.0f, 23.0f, 0.0f);
  glRotatef(side * kLabelTurn, 0.0f, 0.0f, 1.0f);
  PrintText(0.0f, 0.0f, ListTextColour, ListTextAlpha, 1, kLabelSize, false, leftHand ? 0 : 2, "%s",
            label ? label : "");
  glPopMatrix();

  glPopMatrix();
  ListTextAlpha = 0.0f;
  ListTextColour = 0;
  glDisable(GL_BLEND);
}

}  // namespace

void DrawMenuButton(float x, float y, float, const char* label, int id, int slot) {
  if (slot < 0 || slot >= kWidgetSlots) return;
  const bool leftHand = slot < kLeftHandSlots;

  bool hovered = false;
  if (ScreenSettled() && PointerOverButton(x, y, leftHand)) {
    if (!WidgetHover[slot]) PlayMenuSound(MenuHoverSound);
    WidgetHover[slot] = 1;
    hovered = true;
    Input.CameraFree = 0;
  } else {
    WidgetHover[slot] = 0;
  }

  const bool pressed = KeyDown(MenuButtonKey(id)) || (Input.MouseButtons[0] && hovered);
  if (ActivationAllowed() && pressed && !Input.KeyLatch) {
    Input.KeyLatch = 1;
    WidgetGlow[slot] = 1.0f;
    RunButtonAction(CurrentScreen.load(), id);
  }

  if (WidgetHover[slot])
    WidgetGlow[slot] = 1.0f;
  else
    WidgetGlow[slot] = std::max(0.0f, WidgetGlow[slot] - FrameTiming.FrameTicks * kGlowDecay);

  TextTraceOwner = kButtonTraceOwner + slot;
  DrawButton(x, y, label, id, leftHand, hovered);
  TextTraceOwner = 0;
}
