// The screens around a race: loading and the start, a race the loader refuses, the
// finish over the race's last picture and the results table.
#include <gtest/gtest.h>

#include <cmath>

#include "app/career.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/sound.h"
#include "platform/crt_rand.h"
#include "platform/vk.h"
#include "race/car.h"
#include "frontend/screen_blocks.h"
#include "frontend/screens.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "render/track_map.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;

class RaceScreensLoading : public FrontendGlTest {
 protected:
  RaceScreensLoading() : FrontendGlTest(kScreenRaceLoading) {}
  void SetUp() override {
    FrontendGlTest::SetUp();
    if (IsSkipped()) return;
    Career.RaceMode = 3;
    Handshake.LoaderStage.store(kStageLoadTrack);
    Handshake.UpdateToggle.store(1);
    Handshake.RenderToggle.store(0);
  }
};

TEST_F(RaceScreensLoading, TheRaceStartsWithoutAFadeOnceTheLoaderHasLoadedIt) {
  Frames(10);
  EXPECT_NEAR(LoadingBoxAlpha, 0.2f, 1e-4f);
  EXPECT_NE(FindLastText("LOADING"), nullptr);
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

// The loader answers a world it could not load as an unload, with the garage back: the
// menus return to the screen whose START chose the race, or to the race mode's menu
// when none is known.
TEST_F(RaceScreensLoading, ARefusedRaceReturnsToItsMenuWithTheRefusalSound) {
  const struct {
    int mode, chosenFrom, screen;
  } cases[] = {{3, kScreenQuickStart, kScreenQuickStart},
               {1, kScreenSelectRace, kScreenSelectRace},
               {1, -1, kScreenCareerHub},
               {3, kScreenMainMenu, kScreenQuickStart}};
  for (const auto& c : cases) {
    Career.RaceMode = c.mode;
    RaceChosenFrom = c.chosenFrom;
    SettleOn(kScreenRaceLoading);
    EntrySelection = 2;
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " chosen on " << c.chosenFrom);
    LoaderAnswersUnload(c.screen);
  }
  EXPECT_EQ(Plays(MenuDenySound), 4u);
}

class RaceScreensFinish : public FrontendGlTest {
 protected:
  void SetUp() override {
    FrontendGlTest::SetUp();
    if (IsSkipped()) return;
    RaceCars[0].place = 2;
    SettleOn(kScreenFinish, 0.0f);
  }
};

TEST_F(RaceScreensFinish, TheFinishTextsFallFromFiveHundredAboveIntoPlace) {
  Frame(0.0f);
  const DrawnText* finish = FindLastText("FINISH");
  const DrawnText* place = FindLastText("2 PLACE!");
  ASSERT_NE(finish, nullptr);
  ASSERT_NE(place, nullptr);
  EXPECT_FLOAT_EQ(finish->x, -300.0f);
  EXPECT_FLOAT_EQ(finish->y, 700.0f);
  EXPECT_FLOAT_EQ(place->y, 590.0f);
  EXPECT_EQ(finish->alpha, 1.0f);
  SettleOn(kScreenFinish, 1.0f);
  ClearTexts();
  Frame();
  EXPECT_FLOAT_EQ(FindLastText("FINISH")->y, 200.0f);
  EXPECT_FLOAT_EQ(FindLastText("2 PLACE!")->y, 90.0f);
  RaceCars[0].place = 9;  // never worked out
  Frame();
  EXPECT_NE(FindLastText("4 PLACE!"), nullptr);
}

TEST_F(RaceScreensFinish, TheRaceIsUnloadedOnceFadedInThenTheResultsShowOnTheNextFrame) {
  Frames(66);
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);
  Frame();  // 1.0
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageUnloadTrack);
  Frames(3);
  EXPECT_EQ(CurrentScreen.load(), kScreenFinish) << "waiting for the loader";
  EntrySelection = 2;
  LoaderAnswersUnload(kScreenResults);
}

class RaceScreensResults : public FrontendGlTest {
 protected:
  void SetUp() override {
    FrontendGlTest::SetUp();
    if (IsSkipped()) return;
    // The player finished first by progress, although the race had it third; car 3
    // never finished.
    Car(0, 200.0f, {2, 5, 50.0f}, {0, 59, 10.0f}, 3, 3);
    Car(1, 199.0f, {0, 59, 90.0f}, {0, 58, 0.0f}, 7, 1);
    Car(2, 197.0f, {2, 10, 0.0f}, {1, 1, 5.0f}, 12, 2);
    Car(3, 150.0f, {1, 30, 0.0f}, {0, 0, 0.0f}, 0, 4);
    Career.RaceMode = 3;
    SettleOn(kScreenResults);
  }
  static void Car(int i, float progress, RaceClock time, RaceClock best, int model, int place) {
    RaceCars[i].progress = progress;
    RaceCars[i].raceTime = time;
    RaceCars[i].bestLap = best;
    RaceCars[i].modelIndex = model;
    RaceCars[i].place = place;
  }
  // The text drawn at row i's place in column x (in the table's frame).
  static const DrawnText* At(int row, float x) {
    for (const DrawnText& t : Texts())
      if (std::abs(t.x - (x - 400.0f)) < 0.01f && std::abs(t.y - (5.0f - 35.0f * row)) < 0.01f) return &t;
    return nullptr;
  }
};

TEST_F(RaceScreensResults, RowsFollowTheProgressWithTheTimeBehindTheLeaderAdded) {
  Frame();
  const char* const expected[4][4] = {
      {" 1 Place", "Truck-130 \xB9" "4", " 2:05.50", " 0:59.10"},
      {" 2 Place", "Truck-164 \xB9" "2", " 1:00.15", " 0:58.00"},    // 59.90 + 1 waypoint
      {" 3 Place", "Truck-4333 \xB9" "1", " 2:10.75", " 1:01.05"}, // + 3 waypoints
      {" 4 Place", "Truck-130 \xB9" "1", " 1:42.50", " 0:00.00"}};   // 50 behind: below all
  const float columns[4] = {130.0f, 273.0f, 460.0f, 580.0f};
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) {
      const DrawnText* t = At(row, columns[col]);
      ASSERT_NE(t, nullptr) << "row " << row << " column " << col;
      EXPECT_EQ(t->text, expected[row][col]) << "row " << row << " column " << col;
      EXPECT_EQ(t->colour, row % 2 == 0 ? 4 : 0);
    }
  const DrawnText* place = FindLastText("3 PLACE!");
  ASSERT_NE(place, nullptr) << "the place line keeps the player's race place";
  EXPECT_FLOAT_EQ(place->y, 90.0f);
  for (const char* header : {"Position", "Car", "Race Time", "Best Lap"}) {
    const DrawnText* h = FindLastText(header);
    ASSERT_NE(h, nullptr) << header;
    EXPECT_FLOAT_EQ(h->y, 40.0f);
    EXPECT_EQ(h->font, 2);
  }
  EXPECT_NE(FindLastText("RESULTS"), nullptr);
}

TEST_F(RaceScreensResults, NextAfterAQuickRaceDrawsANewOneNextInAChampionshipGoesToTheHub) {
  platform::SeedRand(3);
  const int race = platform::Rand() % 10 + 1, car = platform::Rand() % 18;
  platform::SeedRand(3);
  EntrySelection = 2;
  Press(platform::kVkReturn);
  Frame();
  EXPECT_EQ(TargetScreen.load(), kScreenQuickStart);
  EXPECT_EQ(Career.QuickRaceNumber, race);
  EXPECT_EQ(Career.QuickRaceCar, car);
  EXPECT_EQ(EntrySelection, 0);
  Release(platform::kVkReturn);
  ReleaseLatchWhenIdle();
  Career.RaceMode = 1;
  SettleOn(kScreenResults);
  Press(platform::kVkReturn);
  Frame();
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
}

}  // namespace
