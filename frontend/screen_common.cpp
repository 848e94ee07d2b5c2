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
#include "platform/vk.h"
#include "race/car_setup.h"

namespace {

constexpr float kPackageRating = 0.05f;  // per bought package level
constexpr float kLoadingAlphaRate = 0.02f;

// "\xB9" is code page 1251's numero sign.
const char* const kCarNames[kCarModels] = {
    "Truck-130 \xB9" "1",    "Truck-130 \xB9" "2",    "Truck-130 \xB9" "3",    "Truck-130 \xB9" "4",
    "Truck-130 \xB9" "5",    "Truck-130 \xB9" "6",    "Truck-164 \xB9" "1",    "Truck-164 \xB9" "2",
    "Truck-164 \xB9" "3",    "Truck-164 \xB9" "4",    "Truck-164 \xB9" "5",    "Truck-164 \xB9" "6",
    "Truck-433360 \xB9" "1", "Truck-433360 \xB9" "2", "Truck-433360 \xB9" "3", "Truck-433360 \xB9" "4",
    "Truck-433360 \xB9" "5", "Truck-433360 \xB9" "6"};

float Rating(float base, int32_t level) {
  return std::min(1.0f, base + kPackageRating * static_cast<float>(level));
}

}  // namespace

const char* CarName(int car) { return car >= 0 && car < kCarModels ? kCarNames[car] : ""; }

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

void ReturnFromRace() {
  Handshake.LoaderStage.store(kStageMenuLoaded);
  TargetScreen.store(ScreenAfterRace());
  ScreenFade = -1.0f;
  EntrySelection = 0;
  Input.ClickLatch = 0;
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
