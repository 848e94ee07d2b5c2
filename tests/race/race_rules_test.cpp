// The race rules: clocks, checkpoints, laps, progress and places, the finish, and the
// player's recovery, on a straight test path and one lorry on a flat ground.
#include <gtest/gtest.h>

#include <cmath>

#include "app/controls.h"
#include "app/frame.h"
#include "app/settings.h"
#include "physics/ne.h"
#include "race/car.h"
#include "race/physics_world.h"
#include "race/race_rules.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "tests/race/flat_ground.h"

namespace {

// A straight path along +X, 7 units a step, 1 unit up, checkpoints every `every`.
void StraightPath(int count, int every, int32_t kind = kWaypointCheckpoint) {
  for (int i = 0; i < count; ++i) {
    WaypointTable[i] = {7.0f * i, 1.0f, 0.0f, kWaypointPlain};
    if (every > 0 && i > 0 && i % every == 0) WaypointTable[i].kind = kind;
  }
  WaypointLastIndex = count - 1;
}

TEST(RaceRules, ClocksDropTheExcessHundredthsAndCarryMinutes) {
  RaceClock c{0, 59, 99.6f};
  AdvanceRaceClock(&c, 0.8f);
  EXPECT_EQ(c.hundredths, 0.0f) << "the excess is dropped, not carried";
  EXPECT_EQ(c.seconds, 0);
  EXPECT_EQ(c.minutes, 1);
  RaceClock d{0, 10, 50.0f};
  AdvanceRaceClock(&d, 1.5f);
  EXPECT_FLOAT_EQ(d.hundredths, 51.5f);
  EXPECT_EQ(d.seconds, 10);
  EXPECT_LT(RaceClockKey(RaceClock{1, 0, 0.0f}), RaceClockKey(RaceClock{1, 0, 0.5f}));
  EXPECT_LT(RaceClockKey(RaceClock{0, 59, 99.0f}), RaceClockKey(RaceClock{1, 0, 0.0f}));
}

TEST(RaceRules, TiesGoToThePlayerAndProgressCountsLapsByTheLastIndex) {
  const float level[3] = {12.5f, 3.0f, 12.5f};
  EXPECT_EQ(PlayerPlace(12.5f, level), 1);
  const float ahead[3] = {12.6f, 3.0f, 13.0f};
  EXPECT_EQ(PlayerPlace(12.5f, ahead), 3);
  StraightPath(50, 10);
  EXPECT_FLOAT_EQ(ProgressMeasure(7, 0.5f, 0), 7.5f);
  EXPECT_FLOAT_EQ(ProgressMeasure(7, 0.5f, 1), 7.5f);
  EXPECT_FLOAT_EQ(ProgressMeasure(7, 0.5f, 3), 7.5f + 2 * 49.0f) << "L, not L + 1, per lap";
  EXPECT_FLOAT_EQ(ProgressFraction(15.0f), 1.0f);
  EXPECT_FLOAT_EQ(ProgressFraction(18.75f), 0.5f);
  EXPECT_FLOAT_EQ(ProgressFraction(22.5f), 0.0f);
}

TEST(RaceRules, CheckpointsFollowThePathAndAnyCheckpointKindCounts) {
  StraightPath(50, 10);
  WaypointTable[20].kind = kWaypointCheckpointA;
  WaypointTable[30].kind = kWaypointCheckpointB;
  EXPECT_EQ(NextCheckpointAfter(0), 10);
  EXPECT_EQ(NextCheckpointAfter(10), 20);
  EXPECT_EQ(NextCheckpointAfter(20), 30);
  EXPECT_EQ(NextCheckpointAfter(40), 0) << "past the last checkpoint: the lap line";
  StraightPath(50, 0);
  EXPECT_EQ(NextCheckpointAfter(0), 0) << "no checkpoint at all";
}

TEST(RaceRules, TheSightingWalksBackFromTheNextCheckpointAndStopsAtThePrevious) {
  StraightPath(50, 10);
  int32_t reached = -1;
  float fraction = -1.0f;
  // Standing at waypoint 14 with checkpoint 20 next: the farthest ahead within reach.
  ASSERT_TRUE(SightProgress(neV3(7.0f * 14, 1.0f, 0.0f), 20, &reached, &fraction));
  EXPECT_EQ(reached, 17) << "waypoint 17 is 21 units ahead, 18 is 28";
  EXPECT_NEAR(fraction, 0.2f, 1e-5f) << "between 15 and 22.5 units the fraction falls";
  // Standing behind the previous checkpoint: the walk stops before it.
  reached = -1;
  EXPECT_FALSE(SightProgress(neV3(7.0f * 5, 1.0f, 0.0f), 20, &reached, &fraction));
  EXPECT_EQ(reached, -1);
  // Next checkpoint 0: the walk wraps to the path's end.
  ASSERT_TRUE(SightProgress(neV3(7.0f * 48, 1.0f, 0.0f), 0, &reached, &fraction));
  EXPECT_EQ(reached, 49);

  // A path without checkpoints ends the walk after one round, not below -L.
  StraightPath(8, 0);
  reached = -1;
  EXPECT_FALSE(SightProgress(neV3(0.0f, 500.0f, 0.0f), 0, &reached, &fraction));
  ASSERT_TRUE(SightProgress(neV3(7.0f * 5, 1.0f, 0.0f), 0, &reached, &fraction));
  EXPECT_EQ(reached, 7) << "from 0 back round to the path's end";
  EXPECT_FALSE(SightProgress(neV3(0.0f, 1.0f, 0.0f), 9, &reached, &fraction)) << "a checkpoint past the path";
}

TEST(RaceRules, RecoveryGoesFourBackAndWrapsOnShortPaths) {
  StraightPath(50, 10);
  EXPECT_EQ(RecoveryWaypoint(10), 6);
  EXPECT_EQ(RecoveryWaypoint(3), 48) << "waypoint 3 recovers to L - 1";
  EXPECT_EQ(RecoveryWaypoint(0), 45) << "waypoint 0 to L - 4";
  StraightPath(4, 2);  // L = 3: the path's own rule would stay negative
  for (int w = 0; w <= 3; ++w) {
    const int32_t a = RecoveryWaypoint(w);
    EXPECT_GE(a, 0) << w;
    EXPECT_LE(a, 3) << w;
  }
  StraightPath(1, 0);
  EXPECT_EQ(RecoveryWaypoint(0), 0);
}

TEST(RaceRules, TheLapLineTakesTheBestLapWhenNoSlowerOrOnTheFirstFullLap) {
  CSampleCar& car = RaceCars[2];
  car.ClearRaceState();
  CountLap(&car);  // the start: lap 1, best 0:00.00
  EXPECT_EQ(car.lap, 1);
  EXPECT_EQ(RaceClockKey(car.bestLap), 0.0f);
  car.lapTime = RaceClock{1, 5, 20.0f};
  CountLap(&car);
  EXPECT_EQ(car.lap, 2);
  EXPECT_EQ(RaceClockKey(car.bestLap), RaceClockKey(RaceClock{1, 5, 20.0f})) << "lap 2 always sets it";
  EXPECT_EQ(RaceClockKey(car.lapTime), 0.0f);
  car.lapTime = RaceClock{1, 6, 0.0f};
  CountLap(&car);
  EXPECT_EQ(RaceClockKey(car.bestLap), RaceClockKey(RaceClock{1, 5, 20.0f})) << "slower: kept";
  car.lapTime = RaceClock{1, 5, 20.0f};
  CountLap(&car);
  EXPECT_EQ(RaceClockKey(car.bestLap), RaceClockKey(RaceClock{1, 5, 20.0f})) << "equal: replaced";
  car.lapTime = RaceClock{0, 59, 0.0f};
  CountLap(&car);
  EXPECT_EQ(car.bestLap.minutes, 0);
  EXPECT_EQ(car.lap, 5);
}

// A closed path: `count` points 7 units apart round a circle, checkpoints every 10,
// waypoint 0 at the origin heading along +X.
void RingPath(int count) {
  const float radius = 7.0f * count / 6.2831853f;
  for (int i = 0; i < count; ++i) {
    const float a = 6.2831853f * i / count;
    WaypointTable[i] = {radius * std::sin(a), 1.0f, radius - radius * std::cos(a), kWaypointPlain};
    if (i > 0 && i % 10 == 0) WaypointTable[i].kind = kWaypointCheckpoint;
  }
  WaypointLastIndex = count - 1;
}

neVector3 At(int w) { return neV3(WaypointTable[w].x, WaypointTable[w].y, WaypointTable[w].z); }

// The player's lorry on a flat ground, with a closed path of checkpoints.
class RaceRulesPlayer : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings.sound = 0;
    Settings.transmission = 0;
    RaceSimulator = MakeFlatGroundSimulator(8, kMaterialGround);
    ASSERT_NE(RaceSimulator, nullptr);
    RingPath(60);
    for (int i = 0; i < kRaceCarCount; ++i) {
      RaceCars[i].carIndex = i;
      RaceCars[i].ClearRaceState();
      RaceCars[i].body = nullptr;
    }
    car_.wheelOffset[0] = car_.wheelOffset[1] = 2.35f;
    car_.wheelOffset[2] = car_.wheelOffset[3] = 1.35f;
    Put(neV3(0.0f, 1.0f, 0.0f));
    ResetRaceStatus();
    RaceStatus.CountdownRunning.store(0);
    RaceStatus.UpsideDownTime = 0.0f;
    RaceControls = DriverControlState{};
    RaceControls.clutch = 1.0f;
    FrameTiming.FrameTicks = 1.6667f;
  }
  void TearDown() override { DestroyPhysicsWorld(); }
  void Put(const neVector3& at) {
    const neVector3 d = neV3(1.0f, 0.0f, 0.0f);
    car_.Create(RaceSimulator, &at, &d);
    ASSERT_NE(car_.body, nullptr);
  }
  void Teleport(const neVector3& at) {
    car_.body->SetPosition(at);
    car_.body->SetVelocity(neV3(0.0f, 0.0f, 0.0f));
  }
  void Update() { car_.UpdatePlayerCar(FrameTiming.FrameTicks); }
  // Round the path past every checkpoint, seen every 5 waypoints as a lorry driving
  // past them would be, up to just before the lap line.
  void DriveRound() {
    for (int w = 5; w <= WaypointLastIndex; w += 5) {
      Teleport(At(w));
      Update();
    }
  }

  CSampleCar& car_ = RaceCars[0];
};

TEST_F(RaceRulesPlayer, TheStartPassesTheLapLineAndTheClocksWaitForTheCountdown) {
  RaceStatus.CountdownRunning.store(1);
  Update();
  EXPECT_EQ(car_.lap, 1) << "the grid stands within reach of the lap line";
  EXPECT_EQ(car_.nextCheckpoint, 10);
  EXPECT_EQ(RaceClockKey(car_.raceTime), 0.0f) << "no clock before the start";
  RaceStatus.CountdownRunning.store(0);
  Update();
  EXPECT_GT(RaceClockKey(car_.raceTime), 0.0f);
  EXPECT_FLOAT_EQ(car_.raceTime.hundredths, car_.lapTime.hundredths);
}

TEST_F(RaceRulesPlayer, AnIntermediateCheckpointAdvancesWithoutALap) {
  Update();
  Teleport(At(10));
  Update();
  EXPECT_EQ(car_.lap, 1);
  EXPECT_EQ(car_.nextCheckpoint, 20);
  EXPECT_EQ(car_.reachedWaypoint, 10);
  EXPECT_GE(car_.progress, 10.0f);
}

TEST_F(RaceRulesPlayer, TheFifthPassFinishesAndLaterPassesChangeNothing) {
  Update();  // lap 1
  for (int lap = 2; lap <= 5; ++lap) {
    DriveRound();
    ASSERT_EQ(car_.nextCheckpoint, 0);
    car_.lapTime = RaceClock{1, 10 + lap, 0.0f};
    RaceStatus.CountdownValue.store(12.0f);
    Teleport(At(0));
    Update();
  }
  EXPECT_EQ(RaceStatus.PlayerFinished.load(), 1);
  EXPECT_EQ(car_.lap, 4) << "the lap count shows at most the race's laps";
  EXPECT_EQ(RaceStatus.CountdownValue.load(), 0.0f) << "the finish timer starts";
  const RaceClock best = car_.bestLap, total = car_.raceTime;
  const float progress = car_.progress;
  const int32_t place = car_.place;
  // A pass after the finish: nothing moves.
  RaceStatus.CountdownValue.store(1.5f);
  RaceCars[1].progress = 1000.0f;
  DriveRound();
  car_.lapTime = RaceClock{0, 1, 0.0f};
  Teleport(At(0));
  Update();
  EXPECT_EQ(RaceClockKey(car_.bestLap), RaceClockKey(best));
  EXPECT_EQ(RaceClockKey(car_.raceTime), RaceClockKey(total)) << "the clocks stopped";
  EXPECT_EQ(car_.progress, progress);
  EXPECT_EQ(car_.place, place);
  EXPECT_EQ(car_.lap, 4);
  EXPECT_EQ(RaceStatus.CountdownValue.load(), 1.5f) << "the finish timer runs on";
  car_.steer = 0.3f;
  RaceControls.steer = 1.0f;
  Update();
  EXPECT_EQ(car_.steer, 0.0f) << "no steering after the finish";
}

TEST_F(RaceRulesPlayer, ALorryOnItsRoofComesBackFourWaypointsBehindItsProgress) {
  Update();
  Teleport(At(10));
  Update();
  Teleport(At(14));
  Update();
  Teleport(At(12));
  Update();
  ASSERT_EQ(car_.progressWaypoint, 17);
  EXPECT_EQ(RaceStatus.PlayerRecoveries, 0) << "the load starts the count";
  // Upside down: the up axis points at the ground.
  neMatrix3x3 roof;
  roof.SetColumns(neV3(1, 0, 0), neV3(0, -1, 0), neV3(0, 0, -1));
  // Held on its roof frame after frame: after a little over two seconds it is back.
  int frames = 0;
  while (car_.body->GetRotationMatrix().col[1].y < 0.0f || frames == 0) {
    car_.body->SetRotation(roof);
    car_.body->SetVelocity(neV3(0.0f, 0.0f, 0.0f));
    Update();
    if (++frames > 200) break;
  }
  EXPECT_GE(frames, 120) << "just over 2 s of 1.6667-tick frames";
  EXPECT_LE(frames, 121);
  const neVector3 p = car_.body->GetPosition();
  EXPECT_NEAR(p.x, At(13).x, 1e-3f);
  EXPECT_NEAR(p.z, At(13).z, 1e-3f);
  EXPECT_NEAR(p.y, 2.0f, 1e-3f) << "one unit above the waypoint";
  neVector3 along = At(14) - At(13);
  along.Normalize();
  EXPECT_GT(car_.body->GetRotationMatrix().col[0].Dot(along), 0.9999f) << "facing the next waypoint";
  EXPECT_GT(car_.body->GetRotationMatrix().col[1].y, 0.9999f);
  EXPECT_EQ(car_.body->GetVelocity().Length(), 0.0f);
  EXPECT_EQ(RaceStatus.UpsideDownTime, 0.0f);
  EXPECT_EQ(RaceStatus.PlayerRecoveries, 1) << "each putting back counts once";
}

TEST_F(RaceRulesPlayer, ALostLorryIsPutBackAndTwoWaypointsOnOneSpotKeepItsHeading) {
  Update();
  Teleport(At(10));
  Update();
  Teleport(At(14));
  Update();
  ASSERT_EQ(car_.progressWaypoint, 17);
  // Waypoints 13 and 14 on one spot: the recovery direction keeps the lorry's own.
  WaypointTable[14] = WaypointTable[13];
  Teleport(At(14) + neV3(0.0f, 0.0f, 300.0f));
  Update();
  EXPECT_EQ(RaceStatus.PlayerRecoveries, 1);
  const neVector3 p = car_.body->GetPosition();
  EXPECT_NEAR(p.x, At(13).x, 1e-3f);
  EXPECT_NEAR(p.z, At(13).z, 1e-3f);
  const neVector3 x = car_.body->GetRotationMatrix().col[0];
  EXPECT_TRUE(std::isfinite(x.x) && std::isfinite(x.z));
  EXPECT_NEAR(x.Length(), 1.0f, 1e-4f);
}

TEST_F(RaceRulesPlayer, TheControlsShapeTheSteeringAndTheGearRequestNeedsTheManualBox) {
  RaceControls.steer = 0.5f;
  RaceControls.accelerator = 0.7f;
  RaceControls.gearRequest = 4;
  Update();
  EXPECT_NEAR(car_.steer, std::pow(0.5f, 1.5f) * 0.55f, 1e-6f);
  EXPECT_FLOAT_EQ(car_.throttle, 0.7f);
  EXPECT_EQ(car_.gear, 0) << "the automatic gearbox ignores the request";
  Settings.transmission = 1;
  Update();
  EXPECT_EQ(car_.gear, 4);
  RaceControls.steer = -1.0f;
  RaceControls.accelerator = std::nanf("");
  Update();
  EXPECT_NEAR(car_.steer, -0.55f, 1e-6f);
  EXPECT_EQ(car_.throttle, 0.0f) << "a control that is no number drives nothing";
  Settings.transmission = 0;
}

}  // namespace
