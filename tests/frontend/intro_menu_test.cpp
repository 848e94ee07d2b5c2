// The intro's wait for the menu content and for Enter, and the main menu: its three
// items, the owned car brought back on show, and QUIT.
#include <gtest/gtest.h>

#include <cstring>

#include "app/career.h"
#include "app/frame.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/sound.h"
#include "frontend/screens.h"
#include "platform/crt_rand.h"
#include "platform/vk.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;
using platform::kVkEscape;
using platform::kVkReturn;

class IntroMenuIntro : public FrontendGlTest {
 protected:
  void SetUp() override {
    FrontendGlTest::SetUp();
    if (IsSkipped()) return;
    SettleOn(kScreenIntro, 0.0f);
    Handshake.LoaderStage.store(kStageNothing);
  }
};

TEST_F(IntroMenuIntro, EnterBeforeTheMenuContentIsLoadedDoesNothingAndNoPromptShows) {
  IntroClock.store(12.0f);
  Press(kVkReturn);
  Frames(5);
  EXPECT_EQ(CurrentScreen.load(), kScreenIntro);
  EXPECT_EQ(Input.KeyLatch, 0);
  EXPECT_EQ(FindLastText("ENTER"), nullptr);
  EXPECT_EQ(FindLastText("press"), nullptr);
  EXPECT_NE(FindLastText("LOADING"), nullptr) << "the loading box shows meanwhile";

  Handshake.LoaderStage.store(kStageMenuLoaded);
  Release(kVkReturn);
  Frame();
  const DrawnText* enter = FindLastText("ENTER");
  const DrawnText* press = FindLastText("press");
  ASSERT_NE(enter, nullptr);
  ASSERT_NE(press, nullptr);
  EXPECT_FLOAT_EQ(press->y, -220.0f);
  EXPECT_FLOAT_EQ(enter->y, -203.0f);
  EXPECT_EQ(press->alpha, 1.0f);

  Press(kVkReturn);
  Frame();
  EXPECT_EQ(CurrentScreen.load(), kScreenMainMenu) << "at once, without a fade-out";
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu);
  EXPECT_EQ(ScreenFade, 0.0f);
  EXPECT_EQ(Input.KeyLatch, 1);
  EXPECT_EQ(Plays(MenuStepSound), 1u);
  EXPECT_EQ(OpenSoundPending, 1);
  Frame();
  EXPECT_EQ(Plays(MenuOpenSound), 1u) << "the main menu opens with its sound";
  EXPECT_NEAR(ScreenFade, 0.015f, 1e-6f) << "and fades in";
}

TEST_F(IntroMenuIntro, ThePromptWaitsForTheTitleEvenWithTheContentLoaded) {
  Handshake.LoaderStage.store(kStageMenuLoaded);
  IntroClock.store(4.0f);
  Press(kVkReturn);
  Frames(10);
  EXPECT_EQ(FindLastText("ENTER"), nullptr);
  EXPECT_EQ(CurrentScreen.load(), kScreenIntro) << "Enter over the logo asks nothing";
  IntroClock.store(6.995f);
  Frame();
  EXPECT_NE(FindLastText("ENTER"), nullptr) << "7 s passed: the title and its prompt";
  EXPECT_EQ(CurrentScreen.load(), kScreenMainMenu);
}

TEST_F(IntroMenuIntro, TheIntroRunsItsOwnClockAndNeverFades) {
  ScreenFade = 0.3f;
  TargetScreen.store(kScreenMainMenu);  // a target set by hand changes nothing here
  const float scene = FrameTiming.SceneClock;
  Frames(50, 2.0f);
  EXPECT_NEAR(IntroClock.load(), 4.0f, 1e-4f);
  EXPECT_NEAR(FrameTiming.SceneClock - scene, 1.0f, 1e-3f);
  EXPECT_EQ(ScreenFade, 0.3f);
  EXPECT_EQ(CurrentScreen.load(), kScreenIntro);
  IntroClock.store(11.0f);
  LoadingBoxAlpha = 0.0f;
  Frames(10);
  EXPECT_NEAR(LoadingBoxAlpha, 0.2f, 1e-4f) << "rising while the content loads";
}

// A machine that draws four frames a second: every menu frame is over 0.2 s. A lone
// such frame among short ones is a hitch and advances nothing; at that steady rate the
// intro reaches its title and a menu page answers, slower than real time.
TEST_F(IntroMenuIntro, AtFourFramesASecondTheTitleComesAndAMenuPageAnswers) {
  struct FixedFrames {
    ~FixedFrames() { FixedFrameSeconds = 0.0f; }
  } fixed;
  Handshake.LoaderStage.store(kStageMenuLoaded);
  FrameTiming.SmoothedDt = 0.0f;
  FixedFrameSeconds = 0.016f;
  for (int i = 0; i < 30; ++i) TimedFrame();
  const float clock = IntroClock.load();
  EXPECT_NEAR(clock, 3.48f, 1e-3f);
  FixedFrameSeconds = 0.25f;
  TimedFrame();
  EXPECT_EQ(FrameTiming.FrameTicks, 0.0f);
  EXPECT_EQ(IntroClock.load(), clock) << "a hitch counts nothing";

  int frames = 0;
  for (; frames < 200 && FindLastText("ENTER") == nullptr; ++frames) {
    ClearTexts();
    TimedFrame();
  }
  ASSERT_NE(FindLastText("ENTER"), nullptr) << "the intro stood at " << IntroClock.load() << " s";
  // Fourteen frames until the smoothed time passes 0.2 s, then 0.25 s of intro each.
  EXPECT_LT(frames, 35);
  EXPECT_FLOAT_EQ(FrameTiming.FrameTicks, 25.0f);
  Press(kVkReturn);
  TimedFrame();
  Release(kVkReturn);
  ReleaseLatchWhenIdle();
  ASSERT_EQ(CurrentScreen.load(), kScreenMainMenu);

  // QUICK RACE once the menu has faded in; then its page fades in and answers.
  for (frames = 0; frames < 20 && ScreenFade < 1.0f; ++frames) TimedFrame();
  SelectedItem = 1;
  Press(kVkReturn);
  TimedFrame();
  Release(kVkReturn);
  ReleaseLatchWhenIdle();
  ASSERT_EQ(TargetScreen.load(), kScreenQuickStart) << "the main menu did not answer";
  // The page fades in, then puts the drawn lorry on show, which the loader loads.
  auto ready = [] {
    return CurrentScreen.load() == kScreenQuickStart && ScreenFade == 1.0f && CarReloadPending == 0 &&
           LiveCarSetup.modelIndex == Career.QuickRaceCar && Handshake.LoaderStage.load() == kStageMenuLoaded;
  };
  for (frames = 0; frames < 40 && !ready(); ++frames) {
    if (Handshake.LoaderStage.load() == kStageNothing) LoaderLoadsLiveCar();
    TimedFrame();
  }
  ASSERT_TRUE(ready()) << "the quick start page stood at fade " << ScreenFade;
  EXPECT_LT(frames, 20);
  Press(kVkEscape);
  TimedFrame();
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu) << "the quick start page did not answer";
}

class IntroMenuMain : public FrontendGlTest {
 protected:
  // Enter on the selected item of a settled main menu; the latch let go afterwards.
  void Choose(int item) {
    SettleOn(kScreenMainMenu);
    SelectedItem = item;
    Press(kVkReturn);
    Frame();
    Release(kVkReturn);
    ReleaseLatchWhenIdle();
  }
};

TEST_F(IntroMenuMain, AFirstCareerGoesToNameEntryOnceThenToTheCareerMenu) {
  Career.FirstCareerFlag = 1;
  Career.RaceMode = 3;
  Choose(0);
  EXPECT_EQ(TargetScreen.load(), kScreenEnterName);
  EXPECT_EQ(Career.FirstCareerFlag, 0);
  EXPECT_EQ(Career.RaceMode, 1);
  Choose(0);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerMenu);
}

TEST_F(IntroMenuMain, EachQuickStartDrawsANewTrackOneToTenAndCarZeroToSeventeen) {
  bool trackSeen[11] = {}, carSeen[18] = {};
  for (unsigned seed = 1; seed <= 60; ++seed) {
    platform::SeedRand(seed);
    Career.RaceMode = 1;
    Choose(1);
    ASSERT_EQ(TargetScreen.load(), kScreenQuickStart);
    EXPECT_EQ(Career.RaceMode, 3);
    ASSERT_GE(Career.QuickRaceNumber, 1);
    ASSERT_LE(Career.QuickRaceNumber, 10);
    ASSERT_GE(Career.QuickRaceCar, 0);
    ASSERT_LE(Career.QuickRaceCar, 17);
    trackSeen[Career.QuickRaceNumber] = true;
    carSeen[Career.QuickRaceCar] = true;
  }
  int tracks = 0, cars = 0;
  for (bool b : trackSeen) tracks += b;
  for (bool b : carSeen) cars += b;
  EXPECT_EQ(tracks, 10);
  EXPECT_GE(cars, 15);
}

TEST_F(IntroMenuMain, QuitAsksForConfirmation) {
  Press(kVkEscape);
  Frame();
  EXPECT_EQ(TargetScreen.load(), kScreenQuitConfirm);
  EXPECT_EQ(Plays(MenuClickSound), 1u);
  EXPECT_EQ(Plays(MenuChangeSound), 1u);
}

// Back from a quick race in another car: the live car is the quick race's until the
// menu has settled and the owned one is loaded again.
TEST_F(IntroMenuMain, CareerWaitsUntilTheOwnedCarIsOnShow) {
  const CarSetup owned = LiveCarSetup;
  uint8_t careerBefore[160];
  std::memcpy(careerBefore, Career.carSetup, sizeof careerBefore);
  ApplyCarPreset(9);
  LoadedCarType[0].store(9);
  SettleOn(kScreenMainMenu, 0.9f);
  SelectedItem = 0;
  Press(kVkReturn);  // held through the fade-in
  Frames(6);         // 0.99: input open, the owned car not yet back
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu);
  EXPECT_EQ(Input.KeyLatch, 0);
  Frame();  // 1.0: the owned car comes back and is reloaded
  EXPECT_EQ(LiveCarSetup.modelIndex, owned.modelIndex);
  EXPECT_EQ(CarReloadPending, 1);
  Frames(20);
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu) << "nothing while the car loads";
  LoaderLoadsLiveCar();
  Frames(102);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerMenu) << "CAREER once the owned car is on show";
  EXPECT_EQ(std::memcmp(careerBefore, Career.carSetup, sizeof careerBefore), 0) << "the career's car untouched";
  EXPECT_EQ(Career.CareerCar, owned.modelIndex);
}

TEST_F(IntroMenuMain, TheOwnedCarComesBackWithItsBoughtPackages) {
  ApplyCarPreset(3);
  LiveCarSetup.engineLevel = 2;
  LiveCarSetup.turboLevel = 1;
  SaveCarSetupToCareer();
  LoadedCarType[0].store(3);
  ApplyCarPreset(3);  // a quick race in the same model: its packages dropped
  ASSERT_EQ(LiveCarSetup.engineLevel, 0);
  SettleOn(kScreenMainMenu, 0.99f);
  Frame();
  EXPECT_EQ(LiveCarSetup.modelIndex, 3);
  EXPECT_EQ(LiveCarSetup.engineLevel, 2);
  EXPECT_EQ(LiveCarSetup.turboLevel, 1);
  EXPECT_EQ(CarReloadPending, 0) << "the same model: nothing to reload";
  EXPECT_EQ(Career.CareerCar, 3);
}

}  // namespace
