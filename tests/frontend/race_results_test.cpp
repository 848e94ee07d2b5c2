// The results table's arithmetic: the time added behind the leader and its carry, the
// rows ordered by progress alone, and progress or clocks no race should produce.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frontend/race_results.h"

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr float kInf = std::numeric_limits<float>::infinity();

RaceClock Clock(int32_t minutes, int32_t seconds, float hundredths) {
  RaceClock c;
  c.minutes = minutes;
  c.seconds = seconds;
  c.hundredths = hundredths;
  return c;
}

ResultsCar Car(float progress, RaceClock time = Clock(5, 0, 0.0f), int32_t model = 0) {
  ResultsCar c;
  c.progress = progress;
  c.raceTime = time;
  c.bestLap = Clock(1, 10, 20.0f);
  c.modelIndex = model;
  return c;
}

void ExpectTime(const ShownTime& t, int32_t minutes, int32_t seconds, int32_t hundredths) {
  EXPECT_EQ(t.minutes, minutes);
  EXPECT_EQ(t.seconds, seconds);
  EXPECT_EQ(t.hundredths, hundredths);
}

TEST(RaceResultsTime, CarsBehindTheLeaderHaveQuarterSecondsPerWaypointCarried) {
  // Progress values exact in binary, so the gaps are whole waypoints.
  const ResultsCar cars[kRaceCarCount] = {Car(40.5f, Clock(4, 10, 37.5f)), Car(37.5f, Clock(4, 12, 10.0f)),
                                          Car(39.5f, Clock(3, 59, 90.0f)), Car(0.0f, Clock(0, 59, 99.0f))};
  const RaceResults r = RankRaceResults(cars, 1);
  ExpectTime(r.rows[0].raceTime, 4, 10, 37);  // the leader: nothing added
  ExpectTime(r.rows[1].raceTime, 4, 0, 15);   // 1 behind: 3:59.90 + 0.25 s shows 4:00.15
  ExpectTime(r.rows[2].raceTime, 4, 12, 85);  // 3 behind: 0.75 s
  // 40.5 behind: 1012 hundredths onto 0:59.99.
  ExpectTime(r.rows[3].raceTime, 1, 10, 11);
  ExpectTime(r.rows[3].bestLap, 1, 10, 20);

  ExpectTime(CarriedTime(Clock(0, 59, 90.0f), 25), 1, 0, 15);
  ExpectTime(CarriedTime(Clock(2, 30, 50.0f), 0), 2, 30, 50);
  ExpectTime(CarriedTime(Clock(0, 0, 0.0f), 100 * 3600), 60, 0, 0);
  EXPECT_EQ(AddedHundredths(40.5f, 37.5f), 75);
  EXPECT_EQ(AddedHundredths(40.5f, 40.5f), 0);
}

TEST(RaceResultsOrder, ProgressAloneOrdersTheRows) {
  // The player won by the places of the race, but stopped furthest back: progress
  // decides, and the player's own place line stays as it was.
  const ResultsCar cars[kRaceCarCount] = {Car(12.0f, Clock(2, 0, 0.0f), 3), Car(64.0f, Clock(2, 0, 0.0f), 7),
                                          Car(63.0f, Clock(2, 0, 0.0f), 9), Car(30.0f, Clock(2, 0, 0.0f), 11)};
  const RaceResults r = RankRaceResults(cars, 1);
  const int32_t order[kRaceCarCount] = {1, 2, 3, 0};
  for (int i = 0; i < kRaceCarCount; ++i) {
    EXPECT_EQ(r.rows[i].car, order[i]) << "row " << i;
    EXPECT_EQ(r.rows[i].modelIndex, cars[order[i]].modelIndex) << "row " << i;
  }
  EXPECT_EQ(r.playerPlace, 1);
  ExpectTime(r.rows[3].raceTime, 2, 13, 0);  // 52 waypoints behind
  EXPECT_STREQ(PlaceText(r.playerPlace), "1 PLACE!");

  // Equal progress is exchanged only when strictly greater, pair by pair: the first
  // row takes the leader, the later tie stays ahead of the earlier one.
  const ResultsCar ties[kRaceCarCount] = {Car(1.0f), Car(1.0f), Car(2.0f), Car(0.0f)};
  const RaceResults t = RankRaceResults(ties, 3);
  const int32_t tieOrder[kRaceCarCount] = {2, 1, 0, 3};
  for (int i = 0; i < kRaceCarCount; ++i) EXPECT_EQ(t.rows[i].car, tieOrder[i]) << "row " << i;
}

TEST(RaceResultsCorrupt, ProgressThatIsNoNumberCountsAsNone) {
  const ResultsCar cars[kRaceCarCount] = {Car(20.0f), Car(std::nanf("")), Car(kInf), Car(-kInf)};
  const RaceResults r = RankRaceResults(cars, 2);
  EXPECT_EQ(r.rows[0].car, 0);
  ExpectTime(r.rows[0].raceTime, 5, 0, 0);  // the leader is the finite one
  for (int i = 1; i < kRaceCarCount; ++i) {
    EXPECT_FLOAT_EQ(r.rows[i].progress, 0.0f);
    ExpectTime(r.rows[i].raceTime, 5, 5, 0);  // 20 waypoints behind
  }
}

TEST(RaceResultsCorrupt, HugeGapsAndClocksStayBounded) {
  EXPECT_EQ(AddedHundredths(3e38f, -3e38f), kMaxAddedHundredths) << "a gap past float range";
  EXPECT_EQ(AddedHundredths(1e7f, 0.0f), kMaxAddedHundredths);
  EXPECT_EQ(AddedHundredths(1.0f, 2.0f), 0) << "ahead of the leader adds nothing";
  EXPECT_EQ(AddedHundredths(std::nanf(""), 0.0f), 0);

  const ResultsCar cars[kRaceCarCount] = {Car(3e38f), Car(-3e38f, Clock(0, 0, 0.0f)), Car(0.0f), Car(1.0f)};
  const RaceResults r = RankRaceResults(cars, 1);
  EXPECT_EQ(r.rows[3].car, 1);
  ExpectTime(r.rows[3].raceTime, 1666, 40, 0);  // 10^7 hundredths at most

  ExpectTime(CarriedTime(Clock(kInt32Max - 1, 59, 50.0f), kMaxAddedHundredths), kInt32Max, 39, 50);
  ExpectTime(CarriedTime(Clock(0, 10, std::nanf("")), 30), 0, 10, 30);
  ExpectTime(CarriedTime(Clock(0, 10, kInf), 0), 0, 10, 0);
  ExpectTime(CarriedTime(Clock(0, kInt32Max, 0.0f), 0), kInt32Max / 60, kInt32Max % 60, 0);

  ResultsCar odd[kRaceCarCount] = {Car(1.0f, Clock(1, 0, 0.0f), 17), Car(1.0f, Clock(1, 0, 0.0f), 18),
                                   Car(1.0f, Clock(1, 0, 0.0f), -5), Car(1.0f, Clock(1, 0, 0.0f), kInt32Max)};
  odd[0].bestLap = Clock(1, 2, std::nanf(""));
  const RaceResults o = RankRaceResults(odd, 0);
  EXPECT_EQ(o.rows[0].modelIndex, 17);
  for (int i = 1; i < kRaceCarCount; ++i) EXPECT_EQ(o.rows[i].modelIndex, -1) << "row " << i;
  ExpectTime(o.rows[0].bestLap, 1, 2, 0);
  EXPECT_EQ(o.playerPlace, 4);
}

TEST(RaceResultsOrder, PlaceTextsCoverEveryPlace) {
  EXPECT_STREQ(PlaceText(1), "1 PLACE!");
  EXPECT_STREQ(PlaceText(2), "2 PLACE!");
  EXPECT_STREQ(PlaceText(3), "3 PLACE!");
  EXPECT_STREQ(PlaceText(4), "4 PLACE!");
  for (int32_t place : {0, 5, -1, kInt32Max, std::numeric_limits<int32_t>::min()})
    EXPECT_STREQ(PlaceText(place), "4 PLACE!") << place;
}

TEST(RaceResultsOrder, TheFinishedRaceIsReadFromTheCars) {
  const float progress[kRaceCarCount] = {10.0f, 30.0f, 20.0f, 40.0f};
  for (int i = 0; i < kRaceCarCount; ++i) {
    RaceCars[i].progress = progress[i];
    RaceCars[i].raceTime = Clock(3, 0, 0.0f);
    RaceCars[i].bestLap = Clock(0, 40 + i, 0.0f);
    RaceCars[i].modelIndex = i + 4;
  }
  RaceCars[0].place = 4;
  const RaceResults r = RankFinishedRace();
  const int32_t order[kRaceCarCount] = {3, 1, 2, 0};
  for (int i = 0; i < kRaceCarCount; ++i) {
    EXPECT_EQ(r.rows[i].car, order[i]);
    EXPECT_EQ(r.rows[i].modelIndex, order[i] + 4);
    EXPECT_EQ(r.rows[i].bestLap.seconds, 40 + order[i]);
  }
  ExpectTime(r.rows[3].raceTime, 3, 7, 50);  // 30 behind
  EXPECT_EQ(r.playerPlace, 4);
}

}  // namespace
