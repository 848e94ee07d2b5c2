// The car shop and the tuning packages: a purchase pays for what is on show and is
// saved at once; paying again for what the car has, or for a car still being swapped
// in, is refused, while the free NA always goes through; BACK puts the owned car back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/career.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/settings.h"
#include "frontend/screen_blocks.h"
#include "frontend/screens.h"
#include "platform/vk.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;
using platform::kVkEscape;
using platform::kVkReturn;
using platform::kVkRight;

int32_t CareerLevel(const CareerRecord& c, int k) {
  int32_t v = 0;
  std::memcpy(&v, c.carSetup + 144 + 4 * k, 4);
  return v;
}

std::vector<unsigned char> SavedCareer() {
  std::vector<unsigned char> bytes(kCareerFileSize);
  FILE* f = std::fopen(UserFilePath("career.inf", false).c_str(), "rb");
  if (!f) return {};
  const size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  if (n != bytes.size()) return {};
  return bytes;
}

int32_t SavedInt(const std::vector<unsigned char>& b, size_t at) {
  int32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

float SavedFloat(const std::vector<unsigned char>& b, size_t at) {
  float v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

class Shop : public FrontendGlTest {
 protected:
  void Tap(int vk) {
    Press(vk);
    Frame();
    Release(vk);
    ReleaseLatchWhenIdle();
  }
  // The hub's item opens the page, as the player does.
  void Open(int item, int page) {
    SettleOn(kScreenCareerHub);
    SelectedItem = item;
    Tap(kVkReturn);
    ASSERT_TRUE(FramesUntilCurrent(page));
    Frames(70);
  }
  // The browsed car goes live once the bar stops; the loader then loads it.
  void ShowBrowsedCar() {
    Frames(40);
    LoaderLoadsLiveCar();
    Frames(102);
  }
};

TEST_F(Shop, BrowsingSwapsTheCarOnlyOnceTheBarHasStoppedAndBuyingSavesItAtOnce) {
  Career.Cash = 10000.0f;
  Open(2, kScreenCarShop);
  EXPECT_EQ(SelectedItem, 0);
  Tap(kVkRight);
  EXPECT_EQ(SelectedItem, 1);
  EXPECT_EQ(LiveCarSetup.modelIndex, 0) << "the bar is still scrolling";
  ShowBrowsedCar();
  EXPECT_EQ(LiveCarSetup.modelIndex, 1);
  ASSERT_TRUE(CarOnShowIs(1));
  ClearTexts();
  Frame();
  EXPECT_NE(FindLastText("10000"), nullptr) << "car 1 costs 10000";
  const DrawnText* label = FindLastText("Car cost");
  ASSERT_NE(label, nullptr);
  EXPECT_FLOAT_EQ(label->alpha, 1.0f) << "shown, though the buttons are drawn before it";
  EXPECT_NE(FindLastText("Truck-130 \xB9" "2"), nullptr);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));

  Tap(kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
  EXPECT_FLOAT_EQ(Career.Cash, 0.0f) << "cash exactly the price leaves 0";
  EXPECT_EQ(Career.CareerCar, 1);
  const std::vector<unsigned char> saved = SavedCareer();
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(SavedInt(saved, 236), 1);
  EXPECT_FLOAT_EQ(SavedFloat(saved, 176), 0.0f);
  EXPECT_EQ(Plays(MenuBuySound), 1u);
}

// Right then Enter within a moment: the bar shows car 1, the garage still car 0.
TEST_F(Shop, BuyWhileTheBrowsedCarIsNotYetOnShowPaysNothing) {
  Career.Cash = 50000.0f;
  Open(2, kScreenCarShop);
  Tap(kVkRight);
  Tap(kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenCarShop);
  EXPECT_FLOAT_EQ(Career.Cash, 50000.0f);
  EXPECT_EQ(Career.CareerCar, 0);
  // The new car live but its reload still pending: refused as well.
  Frames(40);
  ASSERT_EQ(LiveCarSetup.modelIndex, 1);
  CarReloadPending = 1;
  Tap(kVkReturn);
  CarReloadPending = 0;
  EXPECT_FLOAT_EQ(Career.Cash, 50000.0f);
  EXPECT_EQ(Career.CareerCar, 0);
}

TEST_F(Shop, TheOwnedCarIsNotSoldAgain) {
  Career.Cash = 50000.0f;
  int32_t five[3] = {5, 5, 5};
  std::memcpy(Career.carSetup + 144, five, sizeof five);
  LoadCarSetupFromCareer();
  Open(2, kScreenCarShop);
  // The hub showed the preset: the packages are not on the car on show.
  Frames(5);
  Tap(kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenCarShop);
  EXPECT_FLOAT_EQ(Career.Cash, 50000.0f);
  EXPECT_EQ(CareerLevel(Career, 0), 5) << "the packages stay on the owned car";
  EXPECT_EQ(Plays(MenuBuySound), 0u);
}

TEST_F(Shop, BackPutsTheOwnedCarBack) {
  Career.CareerCar = 0;
  Open(2, kScreenCarShop);
  Tap(kVkRight);
  Tap(kVkRight);
  ShowBrowsedCar();
  EXPECT_EQ(LiveCarSetup.modelIndex, 2);
  Tap(kVkEscape);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
  EXPECT_EQ(EntrySelection, 2);
  EXPECT_EQ(LiveCarSetup.modelIndex, 0);
  EXPECT_FLOAT_EQ(Career.Cash, 10000.0f);
}

TEST_F(Shop, APackageIsPreviewedOnAllThreeLevelsAndBoughtForExactlyTheCash) {
  Career.Cash = 5000.0f;
  Open(1, kScreenEnginePackages);
  Tap(kVkRight);
  Tap(kVkRight);
  Frames(2);
  EXPECT_EQ(LiveCarSetup.engineLevel, 2);
  EXPECT_EQ(LiveCarSetup.suspensionLevel, 2);
  EXPECT_EQ(LiveCarSetup.turboLevel, 2);
  ClearTexts();
  Frame();
  EXPECT_NE(FindLastText("5000"), nullptr);
  EXPECT_NE(FindLastText("Package cost"), nullptr);
  EXPECT_NE(FindLastText("PACK\xC0GE 2"), nullptr);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
  Tap(kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
  EXPECT_FLOAT_EQ(Career.Cash, 0.0f);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(CareerLevel(Career, k), 2);
  const std::vector<unsigned char> saved = SavedCareer();
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(SavedInt(saved, 144), 2);
  EXPECT_EQ(SavedInt(saved, 152), 2);
}

TEST_F(Shop, NaOnATunedCarCostsNothingAndClearsItsLevels) {
  const int32_t three[3] = {3, 3, 3};
  std::memcpy(Career.carSetup + 144, three, sizeof three);
  LoadCarSetupFromCareer();
  Career.Cash = 100.0f;
  Open(1, kScreenEnginePackages);
  EXPECT_EQ(SelectedItem, 3) << "the page opens on the car's engine level";
  for (int i = 0; i < 3; ++i) Tap(platform::kVkLeft);
  Frames(2);
  Tap(kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
  EXPECT_FLOAT_EQ(Career.Cash, 100.0f);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(CareerLevel(Career, k), 0);
}

TEST_F(Shop, NaOnAnUntunedCarIsBoughtForNothing) {
  Career.Cash = 100.0f;
  Open(1, kScreenEnginePackages);
  EXPECT_EQ(SelectedItem, 0);
  Tap(kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
  EXPECT_EQ(EntrySelection, 1);
  EXPECT_FLOAT_EQ(Career.Cash, 100.0f);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(CareerLevel(Career, k), 0);
  EXPECT_EQ(Plays(MenuDenySound), 0u);
  EXPECT_EQ(Plays(MenuBuySound), 1u);
}

TEST_F(Shop, APackageAlreadyOwnedOrUnaffordableIsRefusedAudibly) {
  const int32_t two[3] = {2, 2, 2};
  std::memcpy(Career.carSetup + 144, two, sizeof two);
  LoadCarSetupFromCareer();
  Career.Cash = 20000.0f;
  Open(1, kScreenEnginePackages);
  EXPECT_EQ(SelectedItem, 2);
  Frames(2);
  Tap(kVkReturn);  // the package the car already carries
  EXPECT_EQ(TargetScreen.load(), kScreenEnginePackages);
  EXPECT_EQ(Plays(MenuDenySound), 1u);
  EXPECT_FLOAT_EQ(Career.Cash, 20000.0f);
  Career.Cash = 14999.0f;
  for (int i = 0; i < 3; ++i) Tap(kVkRight);
  Frames(2);
  Tap(kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenEnginePackages);
  EXPECT_EQ(Plays(MenuDenySound), 2u);
  EXPECT_FLOAT_EQ(Career.Cash, 14999.0f);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(CareerLevel(Career, k), 2);
  Tap(kVkEscape);
  EXPECT_EQ(LiveCarSetup.engineLevel, 2) << "BACK puts the owned package back";
}

TEST_F(Shop, ARatingBarNeverExceedsOne) {
  ApplyCarPreset(17);
  LiveCarSetup.engineLevel = LiveCarSetup.suspensionLevel = LiveCarSetup.turboLevel = 5;
  LiveCarSetup.rating1 = 0.99f;
  EXPECT_FLOAT_EQ(LivePowerRating(), 1.0f);
  LiveCarSetup.suspensionLevel = 1000;
  EXPECT_FLOAT_EQ(LiveSpeedRating(), 1.0f);
}

}  // namespace
