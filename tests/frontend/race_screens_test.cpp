// The screens around a race: loading and the start, a race the loader refuses, the
// finish over the race's last picture and the results table.
#include <gtest/gtest.h>

#include "app/career.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/sound.h"
#include "frontend/screens.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "render/track_map.h"
#include "tests/frontend/screen_support.h"

namespace {

using namespace screentest;

class RaceScreensLoading : public ScreenGlTest {
 protected:
  void SetUp() override {
    ScreenGlTest::SetUp();
    if (IsSkipped()) return;
    Career.RaceMode = 3;
    SettleOn(kScreenRaceLoading);
    Handshake.LoaderStage.store(kStageLoadTrack);
    Handshake.UpdateToggle.store(1);
    Handshake.RenderToggle.store(0);
  }
};

TEST_F(RaceScreensLoading, TheRaceStartsWithoutAFadeOnceTheLoaderHasLoadedIt) {
  Frames(10);
  EXPECT_NEAR(LoadingBoxAlpha, 0.2f, 1e-4f);
  EXPECT_NE(FindText("LOADING"), nullptr);
  EXPECT_EQ(CurrentScreen.load(), kScreenRaceLoading);

  WaypointTable[0] = {0.0f, 0.0f, 0.0f, 0};
  WaypointTable[1] = {300.0f, 0.0f, 50.0f, 1};
  WaypointLastIndex = 1;
  RaceStatus.RaceLoadCount.fetch_add(1);
  Handshake.LoaderStage.store(kStageTrackLoaded);
  Frame();
  EXPECT_EQ(CurrentScreen.load(), kScreenRace);
  EXPECT_EQ(TargetScreen.load(), kScreenRace);
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);
  EXPECT_EQ(Handshake.UpdateToggle.load(), Handshake.RenderToggle.load()) << "the first update in step";
  EXPECT_TRUE(TrackMapShowsRaceLoad(RaceStatus.RaceLoadCount.load())) << "the race's map drawn";
  EXPECT_GT(TrackMapScale, 0.0f);
}

TEST_F(RaceScreensLoading, TheBoxHidesOnceTheMenusAreLoadedAndFallsOtherwise) {
  LoadingBoxAlpha = 0.5f;
  Handshake.LoaderStage.store(kStageNothing);
  Frames(5);
  EXPECT_NEAR(LoadingBoxAlpha, 0.4f, 1e-4f);
  Handshake.LoaderStage.store(kStageMenuLoaded);
  Frame();
  EXPECT_EQ(LoadingBoxAlpha, 0.0f);
  EXPECT_EQ(CurrentScreen.load(), kScreenRaceLoading);
}

// The loader answers a world it could not load as an unload, with the garage back.
TEST_F(RaceScreensLoading, ARefusedRaceReturnsToItsMenuWithTheRefusalSound) {
  const struct {
    int mode, screen;
  } cases[] = {{3, kScreenQuickStart}, {1, kScreenCareerHub}};
  for (const auto& c : cases) {
    Career.RaceMode = c.mode;
    SettleOn(kScreenRaceLoading);
    EntrySelection = 2;
    Input.ClickLatch = 1;
    Handshake.LoaderStage.store(kStageUnloaded);
    Frame();
    EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);
    EXPECT_EQ(TargetScreen.load(), c.screen) << "mode " << c.mode;
    EXPECT_EQ(ScreenFade, -1.0f);
    EXPECT_EQ(EntrySelection, 0);
    EXPECT_EQ(Input.ClickLatch, 0);
    Frame();
    EXPECT_EQ(CurrentScreen.load(), c.screen);
  }
  EXPECT_EQ(Plays(MenuDenySound), 2u);
}

}  // namespace
