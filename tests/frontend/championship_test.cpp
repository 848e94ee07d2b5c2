// The championship pages: the bracket's cursor against the unlock levels, the wins per
// stage, and the race cards read from the shipped paths, with medals only for a podium
// and paths that cannot be read showing no length and no map.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/career.h"
#include "app/handshake.h"
#include "app/input.h"
#include "frontend/screens.h"
#include "frontend/widgets.h"
#include "platform/files.h"
#include "platform/vk.h"
#include "race/waypoints.h"
#include "render/track_map.h"
#include "tests/frontend/frontend_support.h"
#include "tests/scratch_dir.h"

namespace {

using namespace fetest;
using platform::kVkUp;

class Championship : public FrontendGlTest {
 protected:
  void Tap(int vk) {
    Press(vk);
    Frame();
    Release(vk);
    ReleaseLatchWhenIdle();
  }
  // Enters the bracket through the machine, so the cursor is placed from the position.
  void EnterBracket() {
    SettleOn(kScreenCareerHub);
    TargetScreen.store(kScreenChampionship);
    ASSERT_TRUE(FramesUntilCurrent(kScreenChampionship));
    Frames(70);
  }
  // Mean brightness of a square of the last frame around (x, y).
  static float Brightness(const FramePicture& p, float x, float y) {
    float sum = 0.0f;
    for (float dx = -10.0f; dx <= 10.0f; dx += 2.0f)
      for (float dy = -6.0f; dy <= 6.0f; dy += 2.0f) {
        const uint8_t* px = p.At(x + dx, y + dy);
        sum += px[0] + px[1] + px[2];
      }
    return sum;
  }
};

TEST_F(Championship, WithNothingUnlockedUpStaysOnTheQuarterFinalsAndPulsesTheLocks) {
  Career.BracketUnlocked = 0;
  Career.BracketPosition = 1;
  EnterBracket();
  EXPECT_EQ(OptionRow, 0);
  EXPECT_EQ(BindingColumn, 1) << "the cursor starts on the stage being played";
  Tap(kVkUp);
  EXPECT_EQ(Career.BracketPosition, 1);
  EXPECT_FLOAT_EQ(LockPulse, 0.5f);
  Frames(50);
  EXPECT_NEAR(LockPulse, 0.0f, 1e-4f) << "back to rest over 50 ticks";
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Championship, AtFourTheSemiFinalsOpenAndAtFiveTheFinal) {
  Career.BracketUnlocked = 4;
  Career.BracketPosition = 2;
  EnterBracket();
  Tap(kVkUp);
  EXPECT_EQ(Career.BracketPosition, 4) << "the column is held within the semi-finals";
  Tap(kVkUp);
  EXPECT_EQ(Career.BracketPosition, 4) << "the final is still closed";

  Career.BracketUnlocked = 5;
  Career.BracketPosition = 5;
  EnterBracket();
  EXPECT_EQ(OptionRow, 2);
  Tap(platform::kVkDown);
  EXPECT_EQ(Career.BracketPosition, 3);
  Tap(kVkUp);
  EXPECT_EQ(Career.BracketPosition, 5);
}

TEST_F(Championship, TheLocksShowOnlyBelowTheSemiFinalLevel) {
  Career.BracketUnlocked = 0;
  EnterBracket();
  const FramePicture locked = LastFrame();
  Career.BracketUnlocked = 4;
  Frame();
  const FramePicture open = LastFrame();
  // The final's lock sits at 0.75 x ((320, 475) + (165, 20) - (400, 315)).
  const float x = 0.75f * 85.0f, y = 0.75f * 180.0f;
  EXPECT_GT(std::fabs(Brightness(locked, x, y) - Brightness(open, x, y)), 100.0f);
}

TEST_F(Championship, EachStageCountsItsWonRaces) {
  for (int r = 0; r < 4; ++r) Career.RaceBestPlace[r] = 1;  // I quarter-final all won
  Career.RaceBestPlace[4] = 1;
  Career.RaceBestPlace[5] = 2;  // II: one win, one second place
  EnterBracket();
  ClearTexts();
  Frame();
  const DrawnText* all = FindLastText("4 / 4");
  ASSERT_NE(all, nullptr);
  EXPECT_NEAR(all->x, 0.75f * (71.0f + 131.0f - 400.0f), 0.01f);
  EXPECT_NE(FindLastText("1 / 4"), nullptr);
  EXPECT_NE(FindLastText("0 / 4"), nullptr);
  for (const char* title : {"FINAL", "I SEMIFINAL", "II SEMIFINAL", "I QUATERFINAL", "II QUATERFINAL",
                            "III QUATERFINAL", "COMPETITIONS", "Win all races and get access to new competitions"})
    EXPECT_NE(FindLastText(title), nullptr) << title;
}

TEST_F(Championship, SelectOpensTheRacesAndBackReturnsToTheBracket) {
  EnterBracket();
  Tap(platform::kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenSelectRace);
  ASSERT_TRUE(FramesUntilCurrent(kScreenSelectRace));
  Frames(70);
  Tap(platform::kVkEscape);
  EXPECT_EQ(TargetScreen.load(), kScreenChampionship);
}

class RaceSelection : public Championship {
 protected:
  // Through the bracket, whose cursor is placed from the position on entry.
  void EnterRaces(int stage) {
    Career.BracketPosition = stage;
    Career.BracketUnlocked = 5;
    SettleOn(kScreenCareerHub);
    TargetScreen.store(kScreenChampionship);
    ASSERT_TRUE(FramesUntilCurrent(kScreenChampionship));
    ASSERT_EQ(Career.BracketPosition, stage);
    TargetScreen.store(kScreenSelectRace);
    ASSERT_TRUE(FramesUntilCurrent(kScreenSelectRace));
    Frames(70);
    ClearTexts();
    Frame();
  }
};

TEST_F(RaceSelection, StageZerosCardsComeFromTheShippedPaths) {
  EnterRaces(0);
  std::vector<std::string> lengths;
  for (int race = 1; race <= 4; ++race) {
    ASSERT_TRUE(LoadRacePath(race));
    char text[32];
    std::snprintf(text, sizeof text, "%1.2f \xCA\xCC", static_cast<float>(WaypointLastIndex + 1) * 7.0f / 1000.0f);
    lengths.push_back(text);
  }
  EXPECT_EQ(lengths[0], "3.70 \xCA\xCC");
  for (int k = 0; k < 4; ++k) {
    const DrawnText* t = FindLastText(lengths[k]);
    ASSERT_NE(t, nullptr) << "race " << k + 1;
    EXPECT_EQ(t->font, 2);
  }
  const DrawnText* first = FindLastText("1 RACE");
  ASSERT_NE(first, nullptr);
  EXPECT_FLOAT_EQ(first->x, -221.0f);
  EXPECT_NE(FindLastText("I QUATERFINAL"), nullptr);
  EXPECT_NE(FindLastText("Select race"), nullptr);
  EXPECT_NE(FindLastText(" 0 / 0"), nullptr);
  EXPECT_NE(FindLastText(" 0:00.00"), nullptr) << "a new career's best lap shows as stored";
  EXPECT_GT(TrackMapScale, 0.0f) << "race 1's map is drawn";
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RaceSelection, TheCursorChoosesTheRaceAndStartAsksTheLoaderForIt) {
  EnterRaces(3);
  Tap(kVkUp);
  Tap(platform::kVkRight);
  EXPECT_EQ(Career.ChampionshipRace, 4);
  EXPECT_NE(FindLastText("I SEMIFINAL"), nullptr);
  Tap(platform::kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenRaceLoading);
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageLoadTrack);
}

// A race the loader refuses goes back to the race selection it was started from, not
// to the hub a raced championship race returns to.
TEST_F(RaceSelection, ARefusedRaceGoesBackToTheRaceSelection) {
  Career.RaceMode = 1;
  EnterRaces(3);
  Tap(platform::kVkReturn);
  ASSERT_TRUE(FramesUntilCurrent(kScreenRaceLoading));
  LoaderAnswersUnload(kScreenSelectRace);
}

TEST_F(RaceSelection, OnlyAPodiumPlaceShowsAMedal) {
  // Card 1's medal sits at (-221 + 191, -70 - 25).
  const float x = -30.0f, y = -95.0f;
  EnterRaces(0);
  // The cursor's pulsing cell away on card 4, off the medal.
  OptionRow = 1;
  BindingColumn = 1;
  Frame();
  const float none = Brightness(LastFrame(), x, y);
  Career.RaceBestPlace[0] = 1;
  Frame();
  EXPECT_GT(std::fabs(Brightness(LastFrame(), x, y) - none), 100.0f) << "a gold medal";
  for (int32_t place : {0, 4, 5, 6, -1, 1000}) {
    Career.RaceBestPlace[0] = place;
    Frame();
    EXPECT_NEAR(Brightness(LastFrame(), x, y), none, 1.0f) << "no medal for " << place;
  }
}

TEST_F(RaceSelection, ATamperedBestLapIsShownAsStored) {
  Career.RaceBestLapMinutes[1] = 99;
  Career.RaceBestLapSeconds[1] = 5;
  Career.RaceBestLapHundredths[1] = 7;
  Career.RaceWins[1] = 3;
  Career.RaceAttempts[1] = 12;
  EnterRaces(0);
  EXPECT_NE(FindLastText("99:05.07"), nullptr);
  EXPECT_NE(FindLastText(" 3 /12"), nullptr);
}

class RaceSelectionPaths : public RaceSelection {
 protected:
  // Frames of the third semi-final-less stage (races 1-4) from a folder holding only
  // race 1's path.
  void FramesWithPath(const std::vector<Waypoint>& points) {
    const std::string dir = testscratch::ScratchDir() + "stage";
    ASSERT_TRUE(platform::MakeDirectories(dir + "/base/world/races"));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeRacePath(points, &bytes));
    FILE* f = std::fopen((dir + "/base/world/races/1.ai").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    EnterRaces(0);
    ASSERT_EQ(chdir(here), 0);
  }
};

TEST_F(RaceSelectionPaths, AFullTableOfTwelveHundredWaypointsIsEightPointFourKilometres) {
  std::vector<Waypoint> points;
  for (int i = 0; i < kWaypointCapacity; ++i) points.push_back({static_cast<float>(i), 0.0f, 0.0f, 0});
  FramesWithPath(points);
  EXPECT_NE(FindLastText("8.40 \xCA\xCC"), nullptr);
}

TEST_F(RaceSelectionPaths, PathsThatCannotBeReadShowNoLengthAndNoMap) {
  // Races 2-4 are missing from the folder; race 1 is there.
  FramesWithPath({{0.0f, 0.0f, 0.0f, 0}, {300.0f, 0.0f, 0.0f, 0}});
  int lengths = 0;
  for (const DrawnText& t : Texts())
    if (t.text.size() > 3 && t.text.compare(t.text.size() - 3, 3, " \xCA\xCC") == 0) ++lengths;
  EXPECT_EQ(lengths, 1) << "only race 1 has a length";

  // Race 2 chosen: its path is refused, so no map (not race 1's) is drawn.
  Career.ChampionshipRace = 2;
  const std::string dir = testscratch::ScratchDir() + "stage";
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  OptionRow = 0;
  BindingColumn = 1;
  Frame();
  ASSERT_EQ(chdir(here), 0);
  const FramePicture noMap = LastFrame();
  EnterRaces(0);
  Career.ChampionshipRace = 2;
  OptionRow = 0;
  BindingColumn = 1;
  Frame();
  const FramePicture race2 = LastFrame();
  int differing = 0;
  for (float x = -130.0f; x <= 130.0f; x += 5.0f)
    for (float y = -150.0f; y <= 110.0f; y += 5.0f)
      for (int c = 0; c < 3; ++c) differing += std::abs(noMap.At(x, y)[c] - race2.At(x, y)[c]) > 2;
  EXPECT_GT(differing, 0) << "the shipped race 2 draws a map where the refused one drew none";
}

}  // namespace
