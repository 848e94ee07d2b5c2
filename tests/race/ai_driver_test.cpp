// The opponents' driving law: the rubber band, the bend speed, the waypoint advance,
// the weave, stuck detection and backing out, and the opponent's update under the race
// rules, on test paths laid into the waypoint table.
#include <gtest/gtest.h>

#include <cmath>

#include "app/frame.h"
#include "app/settings.h"
#include "race/ai_driver.h"
#include "race/car.h"
#include "race/physics_world.h"
#include "race/race_rules.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "tests/race/flat_ground.h"

namespace {

constexpr float kTicks = 1.6667f;

void StraightPath(int count) {
  for (int i = 0; i < count; ++i) WaypointTable[i] = {7.0f * i, 1.0f, 0.0f, kWaypointPlain};
  for (int i = 10; i < count; i += 10) WaypointTable[i].kind = kWaypointCheckpoint;
  WaypointLastIndex = count - 1;
}

neVector3 At(int w) { return neV3(WaypointTable[w].x, WaypointTable[w].y, WaypointTable[w].z); }

class AIDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    StraightPath(40);
    RaceStatus.CountdownRunning.store(0);
    RaceStatus.PlayerFinished.store(0);
  }
};

TEST_F(AIDriver, TheRubberBandRewardsBeingBehind) {
  EXPECT_FLOAT_EQ(RubberBandThrottle(50.0f, 50.0f), 2.25f) << "level: 2.26, held at 2.25";
  EXPECT_FLOAT_EQ(RubberBandThrottle(50.0f, 65.0f), 0.76f) << "fifteen ahead";
  EXPECT_FLOAT_EQ(RubberBandThrottle(50.0f, 60.0f), 1.26f) << "ten ahead";
  EXPECT_FLOAT_EQ(RubberBandThrottle(50.0f, 100.0f), 0.26f);
  EXPECT_FLOAT_EQ(RubberBandThrottle(90.0f, 10.0f), 2.25f);
}

TEST_F(AIDriver, BendSpeedFallsWithTheAngleAheadButNeverBelowTen) {
  EXPECT_EQ(BendSpeed(0.0f), 32.0f);
  EXPECT_EQ(BendSpeed(0.2f), 32.0f);
  EXPECT_EQ(BendSpeed(-0.2f), 32.0f);
  EXPECT_NEAR(BendSpeed(0.7f), 16.0f, 1e-4f);
  EXPECT_NEAR(BendSpeed(-0.7f), 16.0f, 1e-4f);
  EXPECT_EQ(BendSpeed(0.9f), 10.0f) << "the formula gives 9.6";
  EXPECT_EQ(BendSpeed(2.0f), 10.0f) << "3.2 at 1.1 rad and beyond, raised to 10";
}

TEST_F(AIDriver, TheTargetAdvancesWithinReachAndTheLookAheadWrapsOnce) {
  DriverLawState s;
  AdvanceTarget(At(0) + neV3(-30.0f, 0.0f, 0.0f), 10.0f, &s);
  EXPECT_EQ(s.targetWaypoint, 0) << "out of reach";
  AdvanceTarget(At(0), 10.0f, &s);
  EXPECT_EQ(s.targetWaypoint, 1);
  EXPECT_EQ(s.lookAheadWaypoint, 1 + 4) << "trunc(10 x 0.35 + 1) ahead of the target";
  // The target wraps past the path's end, the look-ahead too (once, by modulo).
  s.targetWaypoint = 39;
  s.lookAheadWaypoint = 39;
  AdvanceTarget(At(39), 20.0f, &s);
  EXPECT_EQ(s.targetWaypoint, 0);
  EXPECT_EQ(s.lookAheadWaypoint, 39) << "waits until the new target's look-ahead passes it";
  // A speed of 1000 asks for hundreds of waypoints ahead: the look-ahead stays on the path.
  s.targetWaypoint = 30;
  s.lookAheadWaypoint = 0;
  AdvanceTarget(At(30), 1000.0f, &s);
  EXPECT_GE(s.lookAheadWaypoint, 0);
  EXPECT_LE(s.lookAheadWaypoint, 39);
  AdvanceTarget(At(31), std::nanf(""), &s);
  EXPECT_GE(s.lookAheadWaypoint, 0);
  EXPECT_LE(s.lookAheadWaypoint, 39);
}

TEST_F(AIDriver, SteeringAimsAtTheTargetAndAZeroHeadingSteersStraight) {
  DriverLawState s;
  s.targetWaypoint = 5;
  s.lookAheadWaypoint = 8;
  float phase = 0.0f;
  DriverLawOutput out;
  // Target straight ahead along +X, heading along +X: only the weave steers, its 0.2
  // across the unit aim turning it by at most atan(0.2), times the gain 1.2.
  SteerAndPace(At(2), neV3(1, 0, 0), 20.0f, 1, 2.0f, kTicks, &s, &phase, &out);
  EXPECT_LE(std::fabs(out.steer), 1.2f * std::atan(0.2f) + 1e-5f);
  EXPECT_EQ(out.throttle, 2.0f);
  EXPECT_EQ(out.brake, 0.0f);
  // Heading along -Z (90 degrees to the right of +X): the target lies to the left.
  SteerAndPace(At(2), neV3(0, 0, -1), 5.0f, 1, 1.0f, kTicks, &s, &phase, &out);
  EXPECT_FLOAT_EQ(out.steer, -0.55f) << "full lock, right of the heading";
  SteerAndPace(At(2), neV3(0, 0, 1), 5.0f, 1, 1.0f, kTicks, &s, &phase, &out);
  EXPECT_FLOAT_EQ(out.steer, 0.55f);
  // A body standing on its nose has no horizontal heading: no number must come out.
  SteerAndPace(At(2), neV3(0, 0, 0), 20.0f, 1, 1.0f, kTicks, &s, &phase, &out);
  EXPECT_TRUE(std::isfinite(out.steer));
  EXPECT_EQ(out.steer, 0.0f);
}

TEST_F(AIDriver, AtTheBendSpeedNeitherRuleFiresAndAboveItTheBrakeDoes) {
  DriverLawState s;
  s.targetWaypoint = 5;
  s.lookAheadWaypoint = 8;  // straight ahead: 32
  float phase = 0.0f;
  DriverLawOutput out;
  SteerAndPace(At(2), neV3(1, 0, 0), 32.0f, 1, 1.5f, kTicks, &s, &phase, &out);
  EXPECT_EQ(out.throttle, 1.5f);
  EXPECT_EQ(out.brake, 0.0f);
  SteerAndPace(At(2), neV3(1, 0, 0), 33.0f, 1, 1.5f, kTicks, &s, &phase, &out);
  EXPECT_EQ(out.throttle, 0.0f);
  EXPECT_EQ(out.brake, 1.0f);
}

TEST_F(AIDriver, TheLastTargetWeavesAcrossTheWayToWaypointZero) {
  // A closed square: the last point lies south of waypoint 0, so the way from the last
  // target to waypoint 0 runs north (+Z... here -Z to +Z) and the weave goes across it.
  for (int i = 0; i < 4; ++i) WaypointTable[i] = {0.0f, 1.0f, 0.0f, kWaypointPlain};
  WaypointTable[1] = {100.0f, 1.0f, 0.0f, kWaypointPlain};
  WaypointTable[2] = {100.0f, 1.0f, -100.0f, kWaypointCheckpoint};
  WaypointTable[3] = {0.0f, 1.0f, -100.0f, kWaypointPlain};
  WaypointLastIndex = 3;
  DriverLawState s;
  s.targetWaypoint = 3;
  s.lookAheadWaypoint = 3;
  // Standing east of the last point, heading at it (-X): the weave pushes the aim
  // along X, never along Z, so the steering stays small whatever the phase.
  for (float phase0 : {0.0f, 1.0f, 2.0f, 4.0f}) {
    float phase = phase0;
    DriverLawOutput out;
    SteerAndPace(neV3(60.0f, 1.0f, -100.0f), neV3(-1, 0, 0), 10.0f, 2, 1.0f, 0.0f, &s, &phase, &out);
    EXPECT_LT(std::fabs(out.steer), 1e-4f) << phase0;
  }
}

TEST_F(AIDriver, TheWeavePhaseStaysWithinOneTurn) {
  DriverLawState s;
  s.targetWaypoint = 5;
  float phase = 0.0f;
  DriverLawOutput out;
  for (int i = 0; i < 200000; ++i) SteerAndPace(At(2), neV3(1, 0, 0), 20.0f, 3, 1.0f, kTicks, &s, &phase, &out);
  EXPECT_GE(phase, 0.0f);
  EXPECT_LT(phase, kTwoPi);
}

TEST_F(AIDriver, AWedgedLorryBacksOutForAMomentThenDrivesOn) {
  DriverLawState s;
  s.targetWaypoint = 5;
  s.lookAheadWaypoint = 8;
  float phase = 0.0f;
  DriverLawOutput out;
  // During the countdown the stuck time never grows.
  RaceStatus.CountdownRunning.store(1);
  for (int i = 0; i < 400; ++i) SteerAndPace(At(2), neV3(0, 0, 1), 0.5f, 1, 1.0f, 1.0f, &s, &phase, &out);
  EXPECT_EQ(s.stuckTime, 0.0f);
  EXPECT_EQ(s.reversing, 0);
  RaceStatus.CountdownRunning.store(0);
  int frames = 0;
  while (!s.reversing && frames < 1000) {
    SteerAndPace(At(2), neV3(0, 0, 1), 0.5f, 1, 1.0f, 1.0f, &s, &phase, &out);
    ++frames;
  }
  EXPECT_EQ(frames, 301) << "more than 3 s at 1 tick a frame";
  EXPECT_EQ(out.throttle, 1.0f);
  EXPECT_EQ(out.brake, 1.0f) << "the gearbox backs up on the brake";
  EXPECT_FLOAT_EQ(out.steer, -0.55f) << "the wheel turned the other way";
  frames = 0;
  while (s.reversing && frames < 1000) {
    SteerAndPace(At(2), neV3(0, 0, 1), 0.5f, 1, 1.0f, 1.0f, &s, &phase, &out);
    ++frames;
  }
  EXPECT_GE(frames, 125) << "1.25 s of backing out";
  EXPECT_LE(frames, 126);
  EXPECT_EQ(out.brake, 0.0f);
  EXPECT_FLOAT_EQ(out.steer, 0.55f);
}

// One opponent on a flat ground under the race rules.
class AIDriverUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings.sound = 0;
    RaceSimulator = MakeFlatGroundSimulator(8, kMaterialGround);
    ASSERT_NE(RaceSimulator, nullptr);
    StraightPath(40);
    ResetRaceStatus();
    RaceStatus.CountdownRunning.store(0);
    for (int i = 0; i < kRaceCarCount; ++i) {
      RaceCars[i].ClearRaceState();
      RaceCars[i].body = nullptr;
      RaceCars[i].carIndex = i;
    }
    const neVector3 at = At(0), d = neV3(1, 0, 0);
    car_.wheelOffset[0] = 2.35f;
    car_.wheelOffset[2] = 1.35f;
    car_.Create(RaceSimulator, &at, &d);
    ASSERT_NE(car_.body, nullptr);
    FrameTiming.FrameTicks = kTicks;
  }
  void TearDown() override { DestroyPhysicsWorld(); }
  void Put(const neVector3& p) {
    car_.body->SetPosition(p);
    car_.body->SetVelocity(neV3(0, 0, 0));
  }
  CSampleCar& car_ = RaceCars[2];
};

TEST_F(AIDriverUpdate, CountdownRevsOnTheBrakeEachToItsRhythm) {
  RaceStatus.CountdownRunning.store(1);
  RaceStatus.CountdownValue.store(8.0f);
  car_.UpdateAICar(kTicks);
  EXPECT_FLOAT_EQ(car_.throttle, 0.75f + 0.25f * std::sin(8.0f * (1.0f + 0.35f * 2)));
  EXPECT_EQ(car_.brake, 1.0f);
  EXPECT_EQ(car_.clutch, 0.0f);
  EXPECT_EQ(car_.steer, 0.0f);
  EXPECT_EQ(RaceClockKey(car_.raceTime), 0.0f);
}

TEST_F(AIDriverUpdate, LapsRunPastTheRaceAndTheClocksStopThere) {
  car_.UpdateAICar(kTicks);
  EXPECT_EQ(car_.lap, 1);
  for (int lap = 2; lap <= 6; ++lap) {
    for (int cp = 10; cp < 40; cp += 10) {
      Put(At(cp));
      car_.UpdateAICar(kTicks);
    }
    ASSERT_EQ(car_.nextCheckpoint, 0);
    Put(At(0));
    car_.UpdateAICar(kTicks);
    EXPECT_EQ(car_.lap, lap);
  }
  EXPECT_EQ(RaceStatus.PlayerFinished.load(), 0) << "an opponent finishes nothing";
  const float clock = RaceClockKey(car_.raceTime);
  car_.UpdateAICar(kTicks);
  EXPECT_EQ(RaceClockKey(car_.raceTime), clock) << "past the race's laps the clock stands";
  EXPECT_EQ(car_.carIndex, 2);
  car_.throttle = std::nanf("");
  car_.UpdateAICar(kTicks);
  EXPECT_TRUE(std::isfinite(car_.throttle) && std::isfinite(car_.steer) && std::isfinite(car_.brake));
}

TEST_F(AIDriverUpdate, ProgressFollowsTheTargetAndNeverFalls) {
  Put(At(0));
  car_.UpdateAICar(kTicks);
  EXPECT_EQ(car_.ai.targetWaypoint, 1);
  const float first = car_.progress;
  for (int w = 1; w <= 5; ++w) {
    Put(At(w));
    car_.UpdateAICar(kTicks);
  }
  EXPECT_EQ(car_.ai.targetWaypoint, 6);
  EXPECT_GT(car_.progress, first);
  const float there = car_.progress;
  Put(At(1));
  car_.UpdateAICar(kTicks);
  EXPECT_EQ(car_.progress, there) << "driving back loses nothing";
  RaceStatus.PlayerFinished.store(1);
  for (int w = 6; w <= 9; ++w) {
    Put(At(w));
    car_.UpdateAICar(kTicks);
  }
  EXPECT_EQ(car_.progress, there) << "frozen at the player's finish";
}

}  // namespace
