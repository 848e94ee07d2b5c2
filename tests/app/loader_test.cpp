// The loader's stage machine driven by a stand-in front end, and the race lock-step
// between the loader and the main thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "app/career.h"
#include "app/frame.h"
#include "app/handshake.h"
#include "app/loader.h"
#include "app/race_snapshot.h"
#include "frontend/screens.h"
#include "race/car_content.h"

namespace {

void SetScreens(int id) {
  TargetScreen.store(id);
  CurrentScreen.store(id);
}

class LoaderStages : public ::testing::Test {
 protected:
  void SetUp() override {
    Handshake.AppDone.store(0);
    Handshake.LoaderStage.store(kStageNothing);
    IntroClock.store(3.0f);
    LoadedCarType[0].store(-1);
    std::memset(&Career, 0, sizeof Career);
    ResetCareerFields();
  }
};

TEST_F(LoaderStages, IntroLoadsMenuContentOnlyOnceItsClockPassesTen) {
  SetScreens(kScreenIntro);
  for (float clock : {3.0f, 9.9f, 10.0f}) {
    IntroClock.store(clock);
    LoaderPass();
    EXPECT_EQ(Handshake.LoaderStage.load(), kStageNothing) << "clock " << clock;
  }
  IntroClock.store(10.01f);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);
  EXPECT_NE(LoadedCarType[0].load(), -1) << "the player's car is loaded with the menu content";
}

TEST_F(LoaderStages, TrackLoadUnloadRestartAndCarReload) {
  SetScreens(kScreenRaceLoading);
  Handshake.LoaderStage.store(kStageLoadTrack);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageTrackLoaded);

  SetScreens(kScreenFinish);
  Handshake.LoaderStage.store(kStageUnloadTrack);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageUnloaded);

  // Restart from the pause screen: unload and load again in one step.
  SetScreens(kScreenPause);
  Handshake.LoaderStage.store(kStageLoadTrack);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageTrackLoaded);
  Handshake.LoaderStage.store(kStageUnloadTrack);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageUnloaded);

  // A car change on a menu screen drops the stage to 0; the loader brings it back.
  SetScreens(kScreenMainMenu);
  Handshake.LoaderStage.store(kStageNothing);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);

  // Leaving the intro early: stage 0 on a menu screen runs the car reload instead.
  Handshake.LoaderStage.store(kStageNothing);
  SetScreens(kScreenRaceLoading);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageNothing) << "the loading screen waits for stage 10";
}

TEST(RaceNumbers, EachRaceModeNamesItsTrack) {
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  Career.RaceMode = 1;
  Career.ChampionshipRace = 3;
  Career.BracketPosition = 5;
  EXPECT_EQ(CurrentRaceNumber(), 23);
  Career.RaceMode = 2;
  Career.CompetitionRace = 4;
  Career.CompetitionRegion = 2;
  EXPECT_EQ(CurrentRaceNumber(), 12);
  Career.RaceMode = 3;
  Career.QuickRaceNumber = 7;
  EXPECT_EQ(CurrentRaceNumber(), 7);
  Career.RaceMode = 9;
  EXPECT_EQ(CurrentRaceNumber(), 0);
}

// Update N runs on the loader while frame N-1 is drawn; neither may overtake the
// other. Run under ThreadSanitizer too (build with -DKELVAMOR_SANITIZE=thread).
TEST(RaceLockStep, ThousandFramesAlternateWithoutOvertaking) {
  Handshake.AppDone.store(0);
  Handshake.UpdateToggle.store(0);
  Handshake.RenderToggle.store(0);
  SetScreens(kScreenRace);
  const uint32_t first = PublishedResults.updateNumber;  // before the loader runs
  // The FPS text is drawn while the loader already runs the next update: what it shows
  // must not be read from the loader's own frame timing.
  FpsVisible = 1;
  std::thread loader(LoaderThread);
  for (int frame = 1; frame <= 1000; ++frame) {
    ASSERT_TRUE(DrawFrame());
    // Every frame draws the very next update: none skipped, none drawn twice.
    ASSERT_EQ(RenderSnapshot.updateNumber, first + static_cast<uint32_t>(frame));
    ASSERT_GE(RenderSnapshot.ticks, 0.0f);
  }
  SetScreens(kScreenPause);
  Handshake.AppDone.store(1);
  loader.join();
  FpsVisible = 0;
  EXPECT_EQ(Handshake.LoaderRunning.load(), 0);
  // At most one update ran past the last drawn frame.
  EXPECT_LE(PublishedResults.updateNumber, first + 1001);
}

}  // namespace
