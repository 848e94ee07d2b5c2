// The race-finish bookkeeping: what one finished race books into the career in each
// mode, the bracket unlocks, what a tampered career can and cannot do to it, and the
// frames from the finish to the finish screen with the career saved on the way.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "app/career.h"
#include "app/frame.h"
#include "frontend/race_finish.h"
#include "frontend/screens.h"
#include "gfx/text.h"
#include "race/car_setup.h"
#include "race/race_status.h"
#include "tests/app/temp_home.h"

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

RaceClock Clock(int32_t minutes, int32_t seconds, float hundredths) {
  RaceClock c;
  c.minutes = minutes;
  c.seconds = seconds;
  c.hundredths = hundredths;
  return c;
}

FinishedRun Finished(int32_t place, RaceClock bestLap = Clock(1, 20, 50.0f)) {
  FinishedRun r;
  r.place = place;
  r.bestLap = bestLap;
  return r;
}

CareerRecord NewCareer() {
  InitCarSetupDefaults();
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  return Career;
}

// A championship career playing race number race (1-24).
CareerRecord Championship(int32_t race) {
  CareerRecord c = NewCareer();
  c.RaceMode = 1;
  c.ChampionshipRace = (race - 1) % 4 + 1;
  c.BracketPosition = (race - 1) / 4;
  return c;
}

std::vector<unsigned char> Bytes(const CareerRecord& c) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(&c);
  return std::vector<unsigned char>(p, p + sizeof c);
}

void WinEntries(CareerRecord* c, int first, int last) {
  for (int k = first; k <= last; ++k) c->RaceBestPlace[k] = 1;
}

TEST(RaceFinishBooking, PrizesByPlaceAndTheRatingStep) {
  CareerRecord c = Championship(5);
  c.Points = 8000.0f;
  ASSERT_TRUE(BookFinishedRun(&c, Finished(1, Clock(1, 23, 45.6f))));
  EXPECT_FLOAT_EQ(c.Cash, 15000.0f);
  EXPECT_EQ(c.Rating, 2) << "8000 + 3000 passes 10000";
  EXPECT_FLOAT_EQ(c.Points, 1000.0f);
  EXPECT_EQ(c.RaceWins[4], 1);
  EXPECT_EQ(c.RaceAttempts[4], 1);
  EXPECT_EQ(c.RaceBestPlace[4], 1);
  EXPECT_EQ(c.RaceBestLapMinutes[4], 1);
  EXPECT_EQ(c.RaceBestLapSeconds[4], 23);
  EXPECT_EQ(c.RaceBestLapHundredths[4], 45) << "hundredths are stored truncated";

  const float cash[3] = {3000.0f, 1000.0f, 0.0f};
  const float points[3] = {2000.0f, 1000.0f, 0.0f};
  for (int32_t place = 2; place <= 4; ++place) {
    CareerRecord p = Championship(7);
    ASSERT_TRUE(BookFinishedRun(&p, Finished(place)));
    EXPECT_FLOAT_EQ(p.Cash, 10000.0f + cash[place - 2]) << "place " << place;
    EXPECT_FLOAT_EQ(p.Points, points[place - 2]) << "place " << place;
    EXPECT_EQ(p.RaceWins[6], 0);
    EXPECT_EQ(p.RaceAttempts[6], 1);
    EXPECT_EQ(p.RaceBestPlace[6], place <= 3 ? place : kNoPodium);
  }
}

TEST(RaceFinishBooking, BestPlaceAndBestLapKeepTheBetterRun) {
  CareerRecord c = Championship(3);
  ASSERT_TRUE(BookFinishedRun(&c, Finished(4, Clock(1, 10, 0.0f))));
  // No podium yet: any lap replaces the stored one, even a slower one.
  ASSERT_TRUE(BookFinishedRun(&c, Finished(4, Clock(1, 30, 20.0f))));
  EXPECT_EQ(c.RaceBestPlace[2], kNoPodium);
  EXPECT_EQ(c.RaceAttempts[2], 2);
  EXPECT_EQ(c.RaceBestLapSeconds[2], 30);
  EXPECT_FLOAT_EQ(c.Cash, 10000.0f);

  ASSERT_TRUE(BookFinishedRun(&c, Finished(2, Clock(1, 40, 0.0f))));
  EXPECT_EQ(c.RaceBestPlace[2], 2);
  EXPECT_EQ(c.RaceBestLapSeconds[2], 40) << "still 5 when the lap was weighed";
  ASSERT_TRUE(BookFinishedRun(&c, Finished(3, Clock(1, 45, 0.0f))));
  EXPECT_EQ(c.RaceBestPlace[2], 2) << "a worse place keeps the best one";
  EXPECT_EQ(c.RaceBestLapSeconds[2], 40) << "a slower lap keeps the best one";
  ASSERT_TRUE(BookFinishedRun(&c, Finished(3, Clock(1, 39, 99.5f))));
  EXPECT_EQ(c.RaceBestLapSeconds[2], 39);
  EXPECT_EQ(c.RaceBestLapHundredths[2], 99);
  EXPECT_EQ(c.RaceAttempts[2], 5);
  EXPECT_EQ(c.RaceWins[2], 0);
}

TEST(RaceFinishBooking, TheTwelfthQuarterFinalWinOpensTheSemiFinals) {
  CareerRecord c = Championship(12);
  WinEntries(&c, 0, 10);
  c.ShopCarLimit = 30;  // tampered: the opening brings it back to the cars there are
  ASSERT_TRUE(BookFinishedRun(&c, Finished(1)));
  EXPECT_EQ(c.BracketPosition, 3);
  EXPECT_EQ(c.BracketUnlocked, 4);
  EXPECT_EQ(c.ShopCarLimit, 17);

  CareerRecord again = Championship(12);
  WinEntries(&again, 0, 10);
  again.BracketUnlocked = 4;
  ASSERT_TRUE(BookFinishedRun(&again, Finished(1)));
  EXPECT_EQ(again.BracketPosition, 2) << "the semi-finals were already open";
  EXPECT_EQ(again.BracketUnlocked, 4);

  CareerRecord short1 = Championship(12);
  WinEntries(&short1, 0, 9);
  short1.RaceBestPlace[10] = 2;
  ASSERT_TRUE(BookFinishedRun(&short1, Finished(1)));
  EXPECT_EQ(short1.BracketPosition, 2) << "race 11 was only second";
  EXPECT_EQ(short1.BracketUnlocked, 0);
}

TEST(RaceFinishBooking, TheFinalOpensOnlyFromTheSemiFinalsWithRaces13To20Won) {
  CareerRecord c = Championship(20);  // position 4
  c.BracketUnlocked = 4;
  WinEntries(&c, 12, 18);
  ASSERT_TRUE(BookFinishedRun(&c, Finished(1)));
  EXPECT_EQ(c.BracketPosition, 5);
  EXPECT_EQ(c.BracketUnlocked, 5);

  CareerRecord one = Championship(20);
  one.BracketUnlocked = 4;
  WinEntries(&one, 12, 18);
  one.RaceBestPlace[15] = 3;
  ASSERT_TRUE(BookFinishedRun(&one, Finished(1)));
  EXPECT_EQ(one.BracketPosition, 4) << "race 16 is not won";

  // From a quarter-final the same wins open nothing toward the final.
  CareerRecord early = Championship(12);
  WinEntries(&early, 12, 19);
  early.BracketUnlocked = 4;
  ASSERT_TRUE(BookFinishedRun(&early, Finished(1)));
  EXPECT_EQ(early.BracketPosition, 2);
  EXPECT_EQ(early.BracketUnlocked, 4);

  // Both stages' wins in hand and the semi-finals never marked open: the final opens,
  // and the semi-final test, coming after, no longer sees a quarter-final.
  CareerRecord both = Championship(16);  // position 3
  WinEntries(&both, 0, 19);
  ASSERT_TRUE(BookFinishedRun(&both, Finished(1)));
  EXPECT_EQ(both.BracketPosition, 5);
  EXPECT_EQ(both.BracketUnlocked, 5);
}

TEST(RaceFinishBooking, CompetitionsAdvanceTheRegionAndPayNothing) {
  CareerRecord c = NewCareer();
  c.RaceMode = 2;
  c.CompetitionRegion = 1;
  c.CompetitionRace = 2;
  c.CompetitionProgress[1] = 3;
  ASSERT_TRUE(BookFinishedRun(&c, Finished(2)));
  EXPECT_EQ(c.CompetitionProgress[1], 3) << "race 2 when race 3 is already open";
  EXPECT_EQ(c.CompetitionBestPlace[5], 2);
  EXPECT_FLOAT_EQ(c.Cash, 10000.0f);
  EXPECT_FLOAT_EQ(c.Points, 0.0f);
  EXPECT_EQ(c.RaceAttempts[5], 0);

  c.CompetitionRace = 3;
  ASSERT_TRUE(BookFinishedRun(&c, Finished(4)));
  EXPECT_EQ(c.CompetitionProgress[1], 4) << "any finishing place opens the next race";
  EXPECT_EQ(c.CompetitionBestPlace[6], 4);
  c.CompetitionRace = 4;
  ASSERT_TRUE(BookFinishedRun(&c, Finished(1)));
  EXPECT_EQ(c.CompetitionProgress[1], 4) << "the region has four races";
  EXPECT_EQ(c.CompetitionBestPlace[7], 1);
  ASSERT_TRUE(BookFinishedRun(&c, Finished(3)));
  EXPECT_EQ(c.CompetitionBestPlace[7], 1);
  EXPECT_EQ(c.CompetitionProgress[0], 1);
  EXPECT_EQ(c.CompetitionProgress[2], 1);
}

TEST(RaceFinishBooking, QuickRacesAndUnknownModesBookNothing) {
  for (int32_t mode : {3, 0, 7}) {
    CareerRecord c = Championship(1);
    c.RaceMode = mode;
    const std::vector<unsigned char> before = Bytes(c);
    EXPECT_FALSE(BookFinishedRun(&c, Finished(1)));
    EXPECT_EQ(Bytes(c), before) << "mode " << mode;
  }
}

TEST(RaceFinishTampered, HugePointsBecomeRatingStepsAtOnce) {
  CareerRecord c = Championship(1);
  c.Points = 1e30f;
  ASSERT_TRUE(BookFinishedRun(&c, Finished(1)));
  EXPECT_EQ(c.Rating, kInt32Max);
  EXPECT_TRUE(std::isfinite(c.Points));
  EXPECT_GE(c.Points, 0.0f);
  EXPECT_LT(c.Points, kPointsPerRating);

  c.Rating = 7;
  c.Points = 25000.0f;
  ConvertPointsToRating(&c);
  EXPECT_EQ(c.Rating, 9);
  EXPECT_FLOAT_EQ(c.Points, 5000.0f);
  c.Points = 9999.0f;
  ConvertPointsToRating(&c);
  EXPECT_EQ(c.Rating, 9);
  EXPECT_FLOAT_EQ(c.Points, 9999.0f);

  c.Rating = kInt32Max;
  c.Points = 10000.0f;
  ConvertPointsToRating(&c);
  EXPECT_EQ(c.Rating, kInt32Max) << "no wrap to a negative rating";
  EXPECT_FLOAT_EQ(c.Points, 0.0f);

  c.Rating = 3;
  c.Points = std::numeric_limits<float>::infinity();
  ConvertPointsToRating(&c);
  EXPECT_EQ(c.Rating, 3);
  EXPECT_FLOAT_EQ(c.Points, 0.0f);
}

// Laps of thousands of minutes are past where a float tells a hundredth apart; a
// minutes field near INT32_MAX would overflow an int key.
TEST(RaceFinishTampered, BestLapsAreComparedWithoutLosingHundredths) {
  CareerRecord c = Championship(1);
  c.RaceBestPlace[0] = 2;
  c.RaceBestLapMinutes[0] = 2000;
  c.RaceBestLapSeconds[0] = 0;
  c.RaceBestLapHundredths[0] = 1;
  ASSERT_TRUE(BookFinishedRun(&c, Finished(4, Clock(2000, 0, 0.0f))));
  EXPECT_EQ(c.RaceBestLapHundredths[0], 0) << "a hundredth faster is faster";

  CareerRecord big = Championship(1);
  big.RaceBestPlace[0] = 2;
  big.RaceBestLapMinutes[0] = kInt32Max;
  ASSERT_TRUE(BookFinishedRun(&big, Finished(4, Clock(1, 0, 0.0f))));
  EXPECT_EQ(big.RaceBestLapMinutes[0], 1) << "any real lap beats a tampered huge one";

  CareerRecord negative = Championship(1);
  negative.RaceBestPlace[0] = 2;
  negative.RaceBestLapMinutes[0] = -kInt32Max;
  ASSERT_TRUE(BookFinishedRun(&negative, Finished(4, Clock(1, 0, 0.0f))));
  EXPECT_EQ(negative.RaceBestLapMinutes[0], -kInt32Max) << "compared, not wrapped";
}

TEST(RaceFinishTampered, RaceNumbersAndRegionsOutsideTheTablesBookNothing) {
  const int32_t races[][2] = {{3, 7}, {4, 7}, {0, 0}, {-3, 0}, {kInt32Max, kInt32Max}, {1, -kInt32Max}};
  for (const auto& rp : races) {
    CareerRecord c = Championship(1);
    c.ChampionshipRace = rp[0];
    c.BracketPosition = rp[1];
    const std::vector<unsigned char> before = Bytes(c);
    EXPECT_TRUE(BookFinishedRun(&c, Finished(1)));
    EXPECT_EQ(Bytes(c), before) << "race " << rp[0] << " position " << rp[1];
  }
  // Race 30 is still an entry of the tables, if none of the bracket's.
  CareerRecord last = Championship(1);
  last.ChampionshipRace = 2;
  last.BracketPosition = 7;
  ASSERT_TRUE(BookFinishedRun(&last, Finished(1)));
  EXPECT_EQ(last.RaceWins[29], 1);

  const int32_t regions[][2] = {{7, 1}, {-1, 1}, {0, 0}, {2, 9}, {kInt32Max, 1}};
  for (const auto& rr : regions) {
    CareerRecord c = NewCareer();
    c.RaceMode = 2;
    c.CompetitionRegion = rr[0];
    c.CompetitionRace = rr[1];
    const std::vector<unsigned char> before = Bytes(c);
    EXPECT_TRUE(BookFinishedRun(&c, Finished(1)));
    EXPECT_EQ(Bytes(c), before) << "region " << rr[0] << " race " << rr[1];
  }
}

TEST(RaceFinishTampered, PlacesOutside1To4BookAsAFourthPlace) {
  for (int32_t place : {0, -1, 5, kInt32Max}) {
    CareerRecord c = Championship(2);
    ASSERT_TRUE(BookFinishedRun(&c, Finished(place)));
    EXPECT_EQ(c.RaceAttempts[1], 1) << place;
    EXPECT_EQ(c.RaceWins[1], 0) << place;
    EXPECT_EQ(c.RaceBestPlace[1], kNoPodium) << place;
    EXPECT_FLOAT_EQ(c.Cash, 10000.0f) << place;

    CareerRecord k = NewCareer();
    k.RaceMode = 2;
    k.CompetitionBestPlace[0] = 4;
    ASSERT_TRUE(BookFinishedRun(&k, Finished(place)));
    EXPECT_EQ(k.CompetitionBestPlace[0], 4) << place;
  }
}

TEST(RaceFinishTampered, CountsStopAtTheirLimitAndLapsStayWholeHundredths) {
  CareerRecord c = Championship(9);
  c.RaceWins[8] = kInt32Max;
  c.RaceAttempts[8] = kInt32Max;
  ASSERT_TRUE(BookFinishedRun(&c, Finished(1, Clock(2, 0, std::nanf("")))));
  EXPECT_EQ(c.RaceWins[8], kInt32Max);
  EXPECT_EQ(c.RaceAttempts[8], kInt32Max);
  EXPECT_EQ(c.RaceBestLapMinutes[8], 2);
  EXPECT_EQ(c.RaceBestLapHundredths[8], 0) << "not INT_MIN";

  CareerRecord big = Championship(9);
  ASSERT_TRUE(BookFinishedRun(&big, Finished(4, Clock(0, 59, 1e9f))));
  EXPECT_EQ(big.RaceBestLapHundredths[8], 99);
}

// The frames after the finish, with the HUD's globals and a throw-away HOME.
class RaceFinishFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    Career = Championship(5);
    Career.Points = 8000.0f;
    ResetRaceStatus();
    RaceStatus.CountdownRunning.store(0);
    // What the player's rules leave at the finish.
    RaceStatus.CountdownValue.store(0.0f);
    RaceStatus.PlayerFinished.store(1);
    RenderCarRows[0].place = 1;
    RenderCarRows[0].bestLap = Clock(1, 5, 25.0f);
    FrameTiming.RenderTicks = 1.6f;
    FrameTiming.SceneClock = 0.0f;
    CurrentScreen.store(kScreenRace);
    TargetScreen.store(kScreenRace);
    ScreenFade = 1.0f;
    EntrySelection = 3;
    ListTextColour = 4;
    ListTextAlpha = 0.25f;
  }
  std::string Saved() const { return home_.Kelvamor("career.inf"); }
  TempHome home_;
};

TEST_F(RaceFinishFrames, BooksOnceFromTheSecondFrameAndSavesAtOnce) {
  FinishRace();
  EXPECT_EQ(RaceStatus.FinishLatch.load(), 0) << "not in the frame that saw the finish";
  EXPECT_EQ(Career.RaceAttempts[4], 0);
  EXPECT_FALSE(Exists(Saved()));
  EXPECT_EQ(ListTextColour, 4);
  EXPECT_NEAR(RaceStatus.CountdownValue.load(), 0.016f, 1e-6f);

  FinishRace();
  EXPECT_EQ(RaceStatus.FinishLatch.load(), 1);
  EXPECT_EQ(Career.RaceAttempts[4], 1);
  EXPECT_EQ(Career.RaceWins[4], 1);
  EXPECT_EQ(Career.Rating, 2);
  EXPECT_FLOAT_EQ(Career.Points, 1000.0f);
  EXPECT_EQ(Career.RaceBestLapSeconds[4], 5) << "read from the player's render row";
  EXPECT_EQ(ListTextColour, 0);
  EXPECT_FLOAT_EQ(ListTextAlpha, 1.0f);
  // On disk before any exit: a crash after the race keeps it.
  const std::vector<unsigned char> disk = ReadAll(Saved());
  ASSERT_EQ(disk.size(), kCareerFileSize);
  EXPECT_EQ(disk, Bytes(Career));

  for (int i = 0; i < 20; ++i) FinishRace();
  EXPECT_EQ(Career.RaceAttempts[4], 1);
  EXPECT_FLOAT_EQ(Career.Cash, 15000.0f);
  EXPECT_EQ(ReadAll(Saved()), disk);
}

TEST_F(RaceFinishFrames, TheFinishScreenTakesOverPastTwoSeconds) {
  int frames = 0;
  float before = 0.0f;
  while (CurrentScreen.load() == kScreenRace && frames < 1000) {
    before = RaceStatus.CountdownValue.load();
    FinishRace();
    ++frames;
    if (CurrentScreen.load() == kScreenRace) {
      ASSERT_LE(RaceStatus.CountdownValue.load(), kFinishScreenDelay);
    }
  }
  EXPECT_NEAR(frames, 126, 1) << "0.016 s a frame";
  EXPECT_LE(before, kFinishScreenDelay);
  EXPECT_GT(RaceStatus.CountdownValue.load(), kFinishScreenDelay);
  EXPECT_EQ(CurrentScreen.load(), kScreenFinish);
  EXPECT_EQ(TargetScreen.load(), kScreenFinish);
  EXPECT_FLOAT_EQ(ScreenFade, 0.0f) << "the finish screen fades in";
  EXPECT_EQ(EntrySelection, 0);
  EXPECT_FLOAT_EQ(FrameTiming.SceneClock, RaceStatus.CountdownValue.load());
  EXPECT_EQ(Career.RaceAttempts[4], 1);
}

TEST_F(RaceFinishFrames, AFrameOverPointTwoSecondsLeavesTheTimerWhereItWas) {
  RaceStatus.CountdownValue.store(1.995f);
  FrameTiming.RenderTicks = 0.0f;
  for (int i = 0; i < 10; ++i) FinishRace();
  EXPECT_FLOAT_EQ(RaceStatus.CountdownValue.load(), 1.995f);
  EXPECT_EQ(CurrentScreen.load(), kScreenRace);
  EXPECT_EQ(Career.RaceAttempts[4], 1) << "booked all the same";
  FrameTiming.RenderTicks = 1.0f;
  FinishRace();
  EXPECT_EQ(CurrentScreen.load(), kScreenFinish);
}

TEST_F(RaceFinishFrames, QuickRacesBookAndSaveNothing) {
  Career.RaceMode = 3;
  const std::vector<unsigned char> before = Bytes(Career);
  for (int i = 0; i < 200; ++i) FinishRace();
  EXPECT_EQ(Bytes(Career), before);
  EXPECT_EQ(RaceStatus.FinishLatch.load(), 0);
  EXPECT_FALSE(Exists(Saved()));
  EXPECT_EQ(CurrentScreen.load(), kScreenFinish);
  EXPECT_EQ(ListTextColour, 0) << "the text scheme is set in every mode";
}

TEST_F(RaceFinishFrames, ARaceAlreadyBookedIsNotBookedAgain) {
  RaceStatus.FinishLatch.store(1);
  const std::vector<unsigned char> before = Bytes(Career);
  for (int i = 0; i < 3; ++i) FinishRace();
  EXPECT_EQ(Bytes(Career), before);
  EXPECT_FALSE(Exists(Saved()));
}

}  // namespace
