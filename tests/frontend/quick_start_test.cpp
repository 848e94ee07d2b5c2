// The quick race page: the drawn car and track with the track's region, length and
// map, CHANGE and BACK, START only with the drawn car on show, and paths that cannot be
// framed or read.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/career.h"
#include "app/handshake.h"
#include "app/input.h"
#include "frontend/screen_blocks.h"
#include "frontend/screens.h"
#include "platform/crt_rand.h"
#include "platform/files.h"
#include "platform/vk.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "race/waypoints.h"
#include "render/track_map.h"
#include "tests/frontend/frontend_support.h"
#include "tests/scratch_dir.h"

namespace {

using namespace fetest;
using platform::kVkEscape;
using platform::kVkReturn;

const char* const kCarNames[] = {"Truck-130 \xB9" "1", "Truck-164 \xB9" "1", "Truck-4333 \xB9" "6"};

class QuickStartPage : public FrontendGlTest {
 protected:
  // The page settled with the drawn car already live and loaded.
  void ShowRace(int race, int car) {
    Career.RaceMode = 3;
    Career.QuickRaceNumber = race;
    Career.QuickRaceCar = car;
    ApplyCarPreset(car);
    LoadedCarType[0].store(car);
    SettleOn(kScreenQuickStart);
  }
  void Tap(int vk) {
    Press(vk);
    Frame();
    Release(vk);
    ReleaseLatchWhenIdle();
  }
};

TEST_F(QuickStartPage, QuickStartNamesTheDrawnCarAndTrack) {
  // A seed whose first draw is race 1.
  unsigned seed = 1;
  for (;; ++seed) {
    platform::SeedRand(seed);
    if (platform::Rand() % 10 + 1 == 1) break;
  }
  platform::SeedRand(seed);
  platform::Rand();
  const int car = platform::Rand() % 18;
  platform::SeedRand(seed);
  SelectedItem = 1;
  Press(kVkReturn);
  Frame();
  Release(kVkReturn);
  ASSERT_TRUE(FramesUntilCurrent(kScreenQuickStart));
  EXPECT_EQ(Career.QuickRaceNumber, 1);
  EXPECT_EQ(Career.QuickRaceCar, car);
  Frames(70);  // faded in: the panel's bounce is over
  ClearTexts();
  Frame();
  const DrawnText* name = FindLastText(car < 6 ? "Truck-130 \xB9" + std::to_string(car + 1)
                                           : car < 12 ? "Truck-164 \xB9" + std::to_string(car - 5)
                                                      : "Truck-4333 \xB9" + std::to_string(car - 11));
  ASSERT_NE(name, nullptr);
  EXPECT_FLOAT_EQ(name->x, -260.0f);
  EXPECT_FLOAT_EQ(name->y, 50.0f);
  EXPECT_EQ(name->size, 1.5f);
  const DrawnText* region = FindLastText("URAL");
  ASSERT_NE(region, nullptr);
  EXPECT_FLOAT_EQ(region->y, -120.0f);
  const DrawnText* length = FindLastText("Length 3.70 \xCA\xCC");
  ASSERT_NE(length, nullptr) << "529 waypoints of 7 m";
  EXPECT_EQ(length->font, 2);
  for (const char* label : {"QUICK START", "Track", "Power", "Speed", "Handling"})
    EXPECT_NE(FindLastText(label), nullptr) << label;
}

TEST_F(QuickStartPage, TheRegionFollowsTheRaceNumberModuloThree) {
  for (int race = 1; race <= 24; ++race) {
    ShowRace(race, 0);
    ClearTexts();
    Frame();
    const char* region = race % 3 == 1 ? "URAL" : race % 3 == 2 ? "KARELIA" : "SOUTH REGION";
    EXPECT_NE(FindLastText(region), nullptr) << "race " << race;
  }
}

TEST_F(QuickStartPage, CarNamesFollowTheCarIndex) {
  const int cars[] = {0, 6, 17};
  for (int i = 0; i < 3; ++i) {
    ShowRace(2, cars[i]);
    ClearTexts();
    Frame();
    EXPECT_NE(FindLastText(kCarNames[i]), nullptr) << "car " << cars[i];
  }
}

TEST_F(QuickStartPage, ChangeCanDrawTheSamePairAgain) {
  platform::SeedRand(77);
  const int race = platform::Rand() % 24 + 1;
  const int car = platform::Rand() % 18;
  ShowRace(race, car);
  platform::SeedRand(77);
  Tap('1');
  EXPECT_EQ(Career.QuickRaceNumber, race);
  EXPECT_EQ(Career.QuickRaceCar, car);
  EXPECT_EQ(TargetScreen.load(), kScreenQuickStart);
  EXPECT_EQ(Plays(MenuClickSound), 1u);
  EXPECT_EQ(Plays(MenuChangeSound), 0u) << "the page stays: only the click";
  bool another = false;
  for (int i = 0; i < 10 && !another; ++i) {
    Tap('1');
    another = Career.QuickRaceNumber != race || Career.QuickRaceCar != car;
    EXPECT_GE(Career.QuickRaceNumber, 1);
    EXPECT_LE(Career.QuickRaceNumber, 24);
  }
  EXPECT_TRUE(another);
}

TEST_F(QuickStartPage, BackKeepsThePairAndTheMainMenuDrawsANewOne) {
  ShowRace(4, 11);
  Tap(kVkEscape);
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu);
  EXPECT_EQ(EntrySelection, 1) << "back on QUICK START";
  ASSERT_TRUE(FramesUntilCurrent(kScreenMainMenu));
  EXPECT_EQ(Career.QuickRaceNumber, 4);
  EXPECT_EQ(Career.QuickRaceCar, 11);
  EXPECT_EQ(SelectedItem, 1);
  Frames(70);  // settled: the owned car goes live again and is reloaded
  LoaderLoadsLiveCar();
  Frames(102);
  platform::SeedRand(5);
  const int race = platform::Rand() % 10 + 1, car = platform::Rand() % 18;
  platform::SeedRand(5);
  Tap(kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenQuickStart);
  EXPECT_EQ(Career.QuickRaceNumber, race);
  EXPECT_EQ(Career.QuickRaceCar, car);
}

TEST_F(QuickStartPage, StartAsksTheLoaderForTheRace) {
  ShowRace(3, 0);
  Tap(kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenRaceLoading);
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageLoadTrack);
  EXPECT_EQ(EntrySelection, 0);
}

// Enter held through the fade-in would start the race in the car shown before (the
// drawn one replaces it only on a settled page).
TEST_F(QuickStartPage, StartWaitsUntilTheDrawnCarIsOnShow) {
  Career.QuickRaceNumber = 2;
  Career.QuickRaceCar = 12;
  ASSERT_NE(LiveCarSetup.modelIndex, 12);
  SettleOn(kScreenQuickStart, 0.9f);
  Press(kVkReturn);
  Frames(6);
  EXPECT_EQ(TargetScreen.load(), kScreenQuickStart);
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);
  Frame();  // settled: the drawn car goes live and is reloaded
  EXPECT_EQ(LiveCarSetup.modelIndex, 12);
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageNothing);
  Frames(30);
  EXPECT_EQ(TargetScreen.load(), kScreenQuickStart);
  EXPECT_NE(FindLastText("LOADING"), nullptr);
  EXPECT_GT(LoadingBoxAlpha, 0.5f) << "rising while the car loads";
  LoaderLoadsLiveCar();
  Frames(102);
  EXPECT_EQ(TargetScreen.load(), kScreenRaceLoading);
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageLoadTrack);
  EXPECT_TRUE(CarOnShowIs(12)) << "the race takes the drawn car";
}

class QuickStartPaths : public QuickStartPage {
 protected:
  // Runs frames of the page from a folder holding only race 5's path.
  void FramesWithPath(const std::vector<Waypoint>& points, int n) {
    const std::string dir = testscratch::ScratchDir() + "paths";
    ASSERT_TRUE(platform::MakeDirectories(dir + "/base/world/races"));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeRacePath(points, &bytes));
    FILE* f = std::fopen((dir + "/base/world/races/5.ai").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    Frames(n);
    ASSERT_EQ(chdir(here), 0);
  }
};

TEST_F(QuickStartPaths, APathOfOnePointShowsItsLengthButNoMap) {
  ShowRace(31, 0);  // no such race: the baseline without a map
  Frame();
  const FramePicture none = LastFrame();
  ShowRace(5, 0);
  ClearTexts();
  FramesWithPath({{100.0f, 0.0f, 100.0f, 0}}, 2);
  EXPECT_EQ(TrackMapScale, 0.0f);
  EXPECT_NE(FindLastText("Length 0.01 \xCA\xCC"), nullptr);
  const FramePicture one = LastFrame();
  int differing = 0;
  for (float x = 50.0f; x <= 250.0f; x += 5.0f)
    for (float y = -160.0f; y <= 40.0f; y += 5.0f)
      for (int c = 0; c < 3; ++c) differing += std::abs(one.At(x, y)[c] - none.At(x, y)[c]) > 2;
  EXPECT_EQ(differing, 0) << "nothing of the map is drawn";
}

TEST_F(QuickStartPaths, APathThatCannotBeReadShowsNoMapAndNoLength) {
  ShowRace(1, 0);
  Frame();
  ASSERT_NE(FindLastText("Length 3.70 \xCA\xCC"), nullptr);
  const FramePicture race1 = LastFrame();
  ShowRace(31, 0);
  ClearTexts();
  Frame();
  EXPECT_NE(FindLastText("Length 0.00 \xCA\xCC"), nullptr) << "not race 1's length, whose path the table kept";
  const FramePicture none = LastFrame();
  int differing = 0;
  for (float x = 50.0f; x <= 250.0f; x += 5.0f)
    for (float y = -160.0f; y <= 40.0f; y += 5.0f)
      for (int c = 0; c < 3; ++c) differing += std::abs(race1.At(x, y)[c] - none.At(x, y)[c]) > 2;
  EXPECT_GT(differing, 0) << "race 1's map is gone";
}

// What the pages show against the lap a lorry drives: on each of the 24 races the
// length shown is within 5% of the path's own length, waypoint to waypoint and from
// the last back to the first, read from the generated files.
TEST(TrackLength, TheLengthShownIsTheLapAlongThePathOnEveryRace) {
  for (int race = 1; race <= 24; ++race) {
    SCOPED_TRACE(race);
    char name[64];
    std::ifstream file(RacePathFile(race, name, sizeof name), std::ios::binary);
    if (!file && race == 1) GTEST_SKIP() << "base/ not generated here (build the base target)";
    ASSERT_TRUE(file) << name;
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<Waypoint> path;
    ASSERT_TRUE(DecodeRacePath(bytes.data(), bytes.size(), &path));
    ASSERT_GE(path.size(), 2u);
    double metres = 0.0;
    for (size_t i = 0; i < path.size(); ++i) {
      const Waypoint& a = path[i];
      const Waypoint& b = path[(i + 1) % path.size()];
      metres += std::sqrt(double(b.x - a.x) * (b.x - a.x) + double(b.y - a.y) * (b.y - a.y) +
                          double(b.z - a.z) * (b.z - a.z));
    }
    const double shown = TrackLengthKm(static_cast<int32_t>(path.size()));
    EXPECT_NEAR(shown / (metres / 1000.0), 1.0, 0.05) << shown << " km shown, " << metres / 1000.0 << " km of path";
  }
}

}  // namespace
