// What several screens share: the car names, the live car's ratings, the return from a
// race, the loading box's alpha and the withheld activation.
#include <algorithm>

#include "app/career.h"
#include "app/controls.h"
#include "app/frame.h"
#include "app/handshake.h"
#include "app/input.h"
#include "frontend/screen_blocks.h"
#include "frontend/screens.h"
#include "frontend/widgets.h"
#include "platform/vk.h"
#include "race/car_setup.h"

namespace {

constexpr float kPackageRating = 0.05f;  // per bought package level
constexpr float kLoadingAlphaRate = 0.02f;

float Rating(float base, int32_t level) {
  return std::min(1.0f, base + kPackageRating * static_cast<float>(level));
}

}  // namespace

// The car shop's items are the car names: one list for every screen that names a car.
const char* CarName(int car) {
  const char* name = BarItemLabel(kScreenCarShop, car);
  return name ? name : "";
}

float LivePowerRating() { return Rating(LiveCarSetup.rating1, LiveCarSetup.engineLevel); }
float LiveSpeedRating() { return Rating(LiveCarSetup.rating2, LiveCarSetup.suspensionLevel); }
float LiveHandlingRating() { return Rating(LiveCarSetup.rating3, LiveCarSetup.turboLevel); }

int ScreenAfterRace() {
  switch (Career.RaceMode) {
    case 1: return kScreenCareerHub;
    case 3: return kScreenQuickStart;
    default: return kScreenMainMenu;
  }
}

namespace {

void ReturnTo(int screen) {
  Handshake.LoaderStage.store(kStageMenuLoaded);
  TargetScreen.store(screen);
  ScreenFade = -1.0f;
  EntrySelection = 0;
  Input.ClickLatch = 0;
}

}  // namespace

int RaceChosenFrom = -1;

void ReturnFromRace() { ReturnTo(ScreenAfterRace()); }

void ReturnFromRefusedRace() {
  const bool known = RaceChosenFrom == kScreenQuickStart || RaceChosenFrom == kScreenSelectRace;
  ReturnTo(known ? RaceChosenFrom : ScreenAfterRace());
}

float StepLoadingAlpha(float alpha, bool rising) {
  const float step = kLoadingAlphaRate * FrameTiming.FrameTicks;
  return std::min(1.0f, std::max(0.0f, rising ? alpha + step : alpha - step));
}

WithheldActivation::WithheldActivation(bool withhold) : withheld_(withhold) {
  if (!withheld_) return;
  enter_ = Input.KeyStates[platform::kVkReturn];
  mouse_ = Input.MouseButtons[0];
  Input.KeyStates[platform::kVkReturn] = 0;
  Input.MouseButtons[0] = 0;
}

WithheldActivation::~WithheldActivation() {
  if (!withheld_) return;
  Input.KeyStates[platform::kVkReturn] = enter_;
  Input.MouseButtons[0] = mouse_;
}
