// The item carousel of the menu screens: the selected item centred and boxed, its
// neighbours fading with distance, Left/Right stepping and Enter acting on the item.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "app/career.h"
#include "app/controls.h"
#include "app/frame.h"
#include "app/input.h"
#include "app/settings.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "frontend/widgets.h"
#include "gfx/text.h"
#include "platform/crt_rand.h"
#include "platform/vk.h"
#include "race/car_setup.h"

int BarItemCount = 0;

namespace {

constexpr int kMostItems = 18;
constexpr int kLeftArrowSlot = 4;
constexpr int kRightArrowSlot = 5;

constexpr float kItemSpacing = 10.0f;
constexpr float kStepTurn = 90.0f;  // garage turn per step, degrees
constexpr float kNudge = 90.0f;
constexpr float kNudgeDecay = 0.25f;
constexpr float kNudgeSlowest = 0.002f;
constexpr float kNudgeFastest = 22.5f;
// Share of the remaining scroll covered per tick; a long frame covers the whole gap
// rather than overshooting it.
constexpr float kScrollRate = 0.2f;
constexpr float kRepeatDelay = 0.35f;  // seconds before a held key steps again
constexpr float kRepeatRestart = 0.26f;  // ...and then every 0.09 s
constexpr int kShownNeighbours = 3;
constexpr float kSlideOut = 700.0f;

// The zones of the bar, in VirtualScreen units.
constexpr float kZoneBottom = 186.0f, kZoneTop = 213.0f;
constexpr float kCentreLeft = 70.0f, kCentreRight = 150.0f;
constexpr float kLeftZoneLeft = -169.0f, kLeftZoneRight = -120.0f;
constexpr float kRightZoneLeft = 340.0f, kRightZoneRight = 390.0f;

constexpr float kItemX = 110.0f, kItemY = 196.0f;

const char* const kMainMenuItems[] = {"CAREER", "QUICK START", "OPTIONS"};
const char* const kOptionsItems[] = {"GRAPHICS", "AUDIO", "CONTROLS"};
const char* const kCareerMenuItems[] = {"CONTINUE", "NEW CAREER"};
const char* const kCareerHubItems[] = {"COMPETITIONS", "TUNING", "CAR SHOP"};
// The package titles' fifth byte is code-page-1251's capital A, as the game always had it.
const char* const kPackageItems[] = {"NA", "PACK\xC0GE 1", "PACK\xC0GE 2", "PACK\xC0GE 3", "PACK\xC0GE 4",
                                     "PACK\xC0GE 5"};
// "\xB9" is code-page-1251's numero sign. The longest name, number and all, must end a
// word space clear of the results table's race time: 187 units at size 1.25 from the
// name's column to the time's, so the cab-over family goes by a four-digit number.
const char* const kCarItems[] = {
    "Truck-130 \xB9" "1",  "Truck-130 \xB9" "2",  "Truck-130 \xB9" "3",  "Truck-130 \xB9" "4",
    "Truck-130 \xB9" "5",  "Truck-130 \xB9" "6",  "Truck-164 \xB9" "1",  "Truck-164 \xB9" "2",
    "Truck-164 \xB9" "3",  "Truck-164 \xB9" "4",  "Truck-164 \xB9" "5",  "Truck-164 \xB9" "6",
    "Truck-4333 \xB9" "1", "Truck-4333 \xB9" "2", "Truck-4333 \xB9" "3", "Truck-4333 \xB9" "4",
    "Truck-4333 \xB9" "5", "Truck-4333 \xB9" "6"};

struct ItemTable {
  const char* const* items;
  int count;
};

template <int N>
ItemTable Table(const char* const (&items)[N]) {
  return {items, N};
}

ItemTable TableOf(int screen) {
  switch (screen) {
    case kScreenMainMenu: return Table(kMainMenuItems);
    case kScreenOptions: return Table(kOptionsItems);
    case kScreenCareerMenu: return Table(kCareerMenuItems);
    case kScreenCareerHub: return Table(kCareerHubItems);
    case kScreenEnginePackages: return Table(kPackageItems);
    case kScreenCarShop: return Table(kCarItems);
    default: return {nullptr, 0};
  }
}

float RepeatTimer = 0.0f;

bool InZone(float left, float right, bool leftInclusive) {
  const float x = static_cast<float>(PointerX), y = static_cast<float>(PointerY);
  const bool inX = (leftInclusive ? x >= left : x > left) && x < right;
  return inX && y > kZoneBottom && y < kZoneTop;
}

void TurnGarage(float turn) {
  GarageYaw += turn;
  // The garage holds its yaw within -180..0; a step past the end gives one step back.
  if (GarageYaw < -180.0f) GarageYaw += kStepTurn;
  if (GarageYaw > 180.0f) GarageYaw -= kStepTurn;
}

void Nudge(float by) { BarNudge = std::min(kNudge, std::max(-kNudge, BarNudge + by)); }

// One step of the selection; at an end only a settled bar answers, with the hover sound
// and the arrow's kick.
void Step(int direction, int count) {
  Input.KeyLatch = 1;
  const int next = SelectedItem + direction;
  if (next >= 0 && next < count) {
    SelectedItem = next;
    TurnGarage(direction * kStepTurn);
    Nudge(direction * kNudge);
    PlayMenuSound(MenuStepSound);
  } else if (std::fabs(BarScroll - BarTarget) < 1.0f) {
    PlayMenuSound(MenuHoverSound);
    Nudge(direction * kNudge);
  }
}

void ActOnItem(int screen, int item) {
  switch (screen) {
    case kScreenMainMenu:
      if (item == 0) {
        Career.RaceMode = 1;
        if (Career.FirstCareerFlag) {
          Career.FirstCareerFlag = 0;
          TargetScreen.store(kScreenEnterName);
        } else {
          TargetScreen.store(kScreenCareerMenu);
        }
        EntrySelection = 0;
      } else if (item == 1) {
        TargetScreen.store(kScreenQuickStart);
        Career.RaceMode = 3;
        Career.QuickRaceNumber = platform::Rand() % 10 + 1;
        Career.QuickRaceCar = platform::Rand() % kCarModels;
      } else if (item == 2) {
        TargetScreen.store(kScreenOptions);
        EntrySelection = 0;
      }
      break;
    case kScreenCareerMenu:
      if (item == 0) {
        TargetScreen.store(kScreenCareerHub);
        EntrySelection = 0;
      } else if (item == 1) {
        TargetScreen.store(kScreenNewCareer);
      }
      break;
    case kScreenCareerHub:
      if (item == 0) {
        TargetScreen.store(kScreenChampionship);
        EntrySelection = Career.BracketPosition;
        OptionRow = 0;
      } else if (item == 1) {
        TargetScreen.store(kScreenEnginePackages);
        EntrySelection = LiveCarSetup.engineLevel;
      } else if (item == 2) {
        TargetScreen.store(kScreenCarShop);
        EntrySelection = LiveCarSetup.modelIndex;
        ApplyCarPreset(LiveCarSetup.modelIndex);
      }
      break;
    case kScreenOptions:
      OptionRow = 0;
      if (item == 0) {
        TargetScreen.store(kScreenGraphics);
        GraphicsChanged = 0;
        // The mode and its size go back together: a size browsed on an earlier visit
        // must not ride along with the saved mode when ACCEPT takes them.
        PendingGraphics.displayMode = Settings.displayMode;
        PendingGraphics.width = Settings.screenWidth;
        PendingGraphics.height = Settings.screenHeight;
      } else if (item == 1) {
        TargetScreen.store(kScreenAudio);
      } else if (item == 2) {
        TargetScreen.store(kScreenControls);
        std::copy(Settings.bindings.slot, Settings.bindings.slot + kBindingSlots, ShownBindings);
      }
      break;
    default: break;  // the packages and the car shop buy with their BUY button
  }
}

void DrawBar(const float* place, int count) {
  const WidgetDrawScope scope;
  glPushMatrix();
  glTranslatef(ScreenEases.slide * kSlideOut, 0.0f, 0.0f);

  glColor4f(0.08f, 0.08f, 0.08f, 0.8f);
  FlatBox(-195.0f, 185.0f, 400.0f, 213.0f);

  const ItemTable table = TableOf(CurrentScreen.load());
  const float originX = kItemX - BarScroll;
  for (int i = 0; i < count; ++i) {
    if (std::abs(i - SelectedItem) > kShownNeighbours) continue;
    const float d = std::fabs(place[i] - BarScroll);
    const float alpha = std::max(0.0f, std::min(1.0f, 1.5f - std::pow(d, 1.19f) * 0.0025f));
    const bool selected = i == SelectedItem;
    TextBackdrop = selected;
    PrintText(originX + place[i], kItemY, selected ? 0 : 1, alpha, 1, 1.0f, false, 1, "%s", table.items[i]);
    TextBackdrop = false;
  }

  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  BindMenuTexture(kBarCapTexture);
  TexturedBox(-115.0f, 197.0f, 180.0f, 90.0f, 0.0f, 0.0f, 1.0f, 1.0f);
  TexturedBox(325.0f, 201.0f, 180.0f, 90.0f, 0.0f, 0.0f, 1.0f, 1.0f);
  BindMenuTexture(kStampSheetTexture);
  TexturedBox(-210.0f, 201.0f, 80.0f, 40.0f, 0.0f, 0.0f, 1.0f, 1.0f);

  glPushMatrix();
  glTranslatef(-140.0f, 199.0f, 0.0f);
  DrawScrollArrow(WidgetHover[kLeftArrowSlot] != 0, kLeftArrowSlot, 0);
  glPopMatrix();
  glPushMatrix();
  glTranslatef(360.0f, 199.0f, 0.0f);
  DrawScrollArrow(WidgetHover[kRightArrowSlot] != 0, kRightArrowSlot, 1);
  glPopMatrix();

  glPopMatrix();
}

}  // namespace

const char* BarItemLabel(int screen, int item) {
  const ItemTable t = TableOf(screen);
  return item >= 0 && item < t.count ? t.items[item] : nullptr;
}

const char* BarItemMeasure(int screen, int item) {
  // The main menu keeps the spacing it has always had: QUICK START takes the room of
  // the shorter text, which still leaves OPTIONS clear of it.
  if (screen == kScreenMainMenu && item == 1) return "QUICK STRT";
  return BarItemLabel(screen, item);
}

int BarItemCapacity(int screen) { return TableOf(screen).count; }

void DrawScreenTitles(int count, int) {
  const int screen = CurrentScreen.load();
  const int n = std::min(count, BarItemCapacity(screen));
  if (n < 1) return;
  BarItemCount = n;
  // An entry selection made for another bar (or a shorter list) must not index past this one.
  SelectedItem = std::min(std::max(SelectedItem, 0), n - 1);

  // Each item sits half its own and half its neighbour's width plus a space from the last.
  float place[kMostItems];
  float previousWidth = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float w = MeasureText(1, 1.0f, "%s", BarItemMeasure(screen, i));
    place[i] = i == 0 ? 0.0f : place[i - 1] + (previousWidth + w) * 0.5f + kItemSpacing;
    previousWidth = w;
  }
  BarTarget = place[SelectedItem];

  const bool overCentre = InZone(kCentreLeft, kCentreRight, false);
  const bool overLeft = InZone(kLeftZoneLeft, kLeftZoneRight, true);
  const bool overRight = InZone(kRightZoneLeft, kRightZoneRight, false);
  if (overCentre || overLeft || overRight) Input.CameraFree = 0;
  WidgetHover[kLeftArrowSlot] = overLeft ? 1 : 0;
  WidgetHover[kRightArrowSlot] = overRight ? 1 : 0;

  const bool mouse = Input.MouseButtons[0] != 0;
  const bool leftHeld = KeyDown(platform::kVkLeft) || (mouse && overLeft);
  const bool rightHeld = KeyDown(platform::kVkRight) || (mouse && overRight);
  const bool settled = ScreenSettled();
  if (settled && !Input.KeyLatch && leftHeld) Step(-1, n);
  if (settled && !Input.KeyLatch && rightHeld) Step(1, n);

  // A held step repeats: the latch is given back after a delay, then more often.
  if (settled && (leftHeld || rightHeld)) {
    RepeatTimer += FrameTiming.FrameTicks * 0.01f;
    if (RepeatTimer > kRepeatDelay) {
      RepeatTimer = kRepeatRestart;
      Input.KeyLatch = 0;
    }
  } else {
    RepeatTimer = 0.0f;
  }

  if (ActivationAllowed() && !Input.KeyLatch && (KeyDown(platform::kVkReturn) || (mouse && overCentre))) {
    Input.KeyLatch = 1;
    ClearKeyStates();
    PlayConfirmSounds();
    ActOnItem(screen, SelectedItem);
  }

  BarTarget = place[SelectedItem];
  const float share = std::min(1.0f, kScrollRate * FrameTiming.FrameTicks);
  BarScroll += (BarTarget - BarScroll) * share;

  const float nudgeStep =
      std::min(std::max(std::fabs(BarNudge) * kNudgeDecay, kNudgeSlowest), kNudgeFastest) * FrameTiming.FrameTicks;
  if (BarNudge > 0.0f)
    BarNudge = std::max(0.0f, BarNudge - nudgeStep);
  else if (BarNudge < 0.0f)
    BarNudge = std::min(0.0f, BarNudge + nudgeStep);

  DrawBar(place, n);
}
