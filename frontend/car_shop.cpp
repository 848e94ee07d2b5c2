// Where a career spends its cash: the tuning packages (12) and the car shop (15). Both
// preview on the live set-up and commit it to the career only on BUY (the buttons'
// actions); BACK puts the career's own car back. The other tuning pages (11, 13, 14)
// and the part and paint pages (16-24) are never led to and are not built.
#include <GL/gl.h>

#include <cmath>

#include "app/career.h"
#include "app/handshake.h"
#include "frontend/screen_blocks.h"
#include "frontend/screens.h"
#include "frontend/widgets.h"
#include "gfx/text.h"
#include "race/car_content.h"
#include "race/car_setup.h"

namespace {

constexpr int kPackages = 6;  // none and five packages
constexpr float kCarSwapFade = 0.999f;
constexpr float kProfileX = -280.0f, kProfileY = 80.0f;

bool Settled() { return CurrentScreen.load() == TargetScreen.load(); }

// A price row read only inside its table: a selection outside shows no price.
bool PriceAt(const int32_t* prices, int count, int index, int* price) {
  if (index < 0 || index >= count) return false;
  *price = prices[index];
  return true;
}

void DrawCost(float x, const char* label, const int32_t* prices, int count) {
  // The buttons drawn before leave the text alpha at 0: the page's own texts show with
  // the screen.
  ListTextAlpha = ScreenEases.show;
  TextBackdrop = true;
  PrintText(x, 152.4f, 1, ListTextAlpha, 2, 2.0f, false, 1, "%s", label);
  int price = 0;
  if (PriceAt(prices, count, SelectedItem, &price))
    PrintText(x, 110.0f, 0, ListTextAlpha, 1, 2.0f, false, 1, "%2i", price);
  TextBackdrop = false;
}

int ShopItems() {
  const int limit = Career.ShopCarLimit;
  return (limit < 0 ? 0 : (limit >= kCarModels ? kCarModels - 1 : limit)) + 1;
}

}  // namespace

// The buttons come before the bar: the bar takes Enter for itself, and on these pages
// Enter is BUY.
void EnginePackagesScreen() {
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "BACK", 0, 0);
  DrawMenuButton(400.0f, -225.0f, 0.0f, "BUY", 4, 2);
  DrawScreenTitles(kPackages, 0);
  // The package looked at is shown on the car: all three levels at once, which is
  // also what BUY keeps.
  if (Settled() && SelectedItem >= 0 && SelectedItem < kPackages)
    LiveCarSetup.engineLevel = LiveCarSetup.suspensionLevel = LiveCarSetup.turboLevel = SelectedItem;
  DrawCost(280.0f, "Package cost", PackagePrices[0], kPackages);
  DrawProfileBlock(kProfileX, kProfileY, Career.CareerCar);
}

void CarShopScreen() {
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "BACK", 0, 0);
  DrawMenuButton(400.0f, -225.0f, 0.0f, "BUY", 4, 2);
  DrawScreenTitles(ShopItems(), 0);
  DrawCost(250.0f, "Car cost", CarPrices, kCarModels);
  DrawProfileBlock(kProfileX, kProfileY, LiveCarSetup.modelIndex);

  // The car browsed to replaces the one on show once the bar has stopped on it.
  const bool barStopped = std::fabs(BarScroll - BarTarget) < 1.0f;
  if (barStopped && ScreenFade >= kCarSwapFade && Settled() && !CarReloadPending &&
      Handshake.LoaderStage.load() == kStageMenuLoaded && LiveCarSetup.modelIndex != SelectedItem &&
      SelectedItem >= 0 && SelectedItem < kCarModels)
    ApplyCarPreset(SelectedItem);
  LoadingBoxAlpha = StepLoadingAlpha(LoadingBoxAlpha, Handshake.LoaderStage.load() == kStageNothing);
  DrawLoading(0.0f, 35.0f, 0.0f, LoadingBoxAlpha);
}
