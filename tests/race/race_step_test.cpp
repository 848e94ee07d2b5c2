// The race physics world of a loaded race: how the frame time becomes substeps and
// world time, the simulator's sizes, materials and responses, and the collision
// callback on records made up as the engine would hand them over.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>

#include "app/controls.h"
#include "app/frame.h"
#include "app/settings.h"
#include "race/car.h"
#include "race/physics_world.h"
#include "race/race_load.h"
#include "race/race_status.h"
#include "race/tyre_curves.h"

namespace {

bool BaseGenerated() {
  struct stat st;
  return stat("base/world/races/1.ai", &st) == 0 && stat("base/cars/0/points.sbm", &st) == 0;
}

TEST(RaceStep, SubstepsGrowWithTheFrameTime) {
  EXPECT_EQ(SubstepsFor(0.0f), 4);
  EXPECT_EQ(SubstepsFor(0.05f), 4);
  EXPECT_EQ(SubstepsFor(0.05882353f), 4) << "1/17 s itself is not above 1/17 s";
  EXPECT_EQ(SubstepsFor(0.0589f), 5);
  EXPECT_EQ(SubstepsFor(0.07f), 6);
  EXPECT_EQ(SubstepsFor(0.099f), 9);
  EXPECT_EQ(SubstepsFor(std::nanf("")), 4);
}

TEST(RaceStep, WithoutASimulatorNothingMoves) {
  DestroyPhysicsWorld();
  FrameTiming.PhysicsDt = 0.02f;
  FrameTiming.FrameTicks = 2.0f;
  RaceCars[0].speed = -1.0f;
  StepSimulation();
  EXPECT_EQ(RaceCars[0].speed, -1.0f) << "no car update without a race";
  for (const CSampleCar& car : RaceCars) {
    EXPECT_EQ(car.body, nullptr);
    EXPECT_EQ(car.Position().x, 0.0f);
  }
}

class LoadedRace : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!BaseGenerated()) GTEST_SKIP() << "base/ not generated here (build the base target)";
    Settings.sound = 0;
    TrafficCarCount = 2;
    LoadFPoints("base/fpoints.ini");
    RaceCars[0].modelIndex = 0;
    RaceCars[1].modelIndex = 5;
    RaceCars[2].modelIndex = 9;
    RaceCars[3].modelIndex = 17;
    ASSERT_TRUE(LoadRacePhysics(1));
    ASSERT_NE(RaceSimulator, nullptr);
  }
  void TearDown() override {
    DestroyPhysicsWorld();
    TrafficCarCount = 0;
  }
  // Opponent 3, high above the road and falling at 10 units a second (its drag then a
  // few thousandths of gravity), with the countdown over and the player's race clock
  // from zero on lap 1.
  neRigidBody* DropOpponent() {
    RaceStatus.CountdownRunning.store(0);
    neRigidBody* b = RaceCars[3].body;
    b->SetPosition(b->GetPosition() + neV3(0.0f, 200.0f, 0.0f));
    b->SetVelocity(neV3(0.0f, -10.0f, 0.0f));
    RaceCars[0].raceTime = RaceClock{};
    RaceCars[0].lap = 1;
    return b;
  }
  void StepWith(float previous, float frame) {
    PreviousStepDt = previous;
    FrameTiming.PhysicsDt = frame;
    FrameTiming.FrameTicks = frame * 100.0f;
    StepSimulation();
  }
};

TEST_F(LoadedRace, TheSimulatorIsSizedAndSetUpForTheRace) {
  neSimulationSizes s;
  RaceSimulator->GetBuildSizes(s);
  EXPECT_EQ(s.rigidBodiesCount, 2 + 5005);
  EXPECT_EQ(s.animatedBodiesCount, 0);
  EXPECT_EQ(s.rigidParticleCount, 0);
  EXPECT_EQ(s.controllersCount, 50);
  EXPECT_EQ(s.overlapPairsCount, 1225);
  EXPECT_EQ(s.geometriesCount, 2 + 5005);
  EXPECT_EQ(s.constraintsCount, 100);
  EXPECT_EQ(s.constraintSetsCount, 100);
  EXPECT_EQ(s.sensorsCount, 100);
  EXPECT_EQ(s.terrainNodeCapacity, 100);
  EXPECT_EQ(s.terrainNodeGrowth, -1);
  EXPECT_EQ(RaceSimulator->GetGravity().y, -9.8f);

  const float want[4][2] = {{0.8f, 0.25f}, {0.45f, 0.1f}, {0.55f, 0.9f}, {0.0f, 0.1f}};
  for (int m = 0; m < 4; ++m) {
    float friction = -1, restitution = -1, density = 0;
    ASSERT_TRUE(RaceSimulator->GetMaterial(m, friction, restitution, density));
    EXPECT_FLOAT_EQ(friction, want[m][0]) << m;
    EXPECT_FLOAT_EQ(restitution, want[m][1]) << m;
  }
  neResponseTable* r = RaceSimulator->GetResponseTable();
  EXPECT_EQ(r->Get(0, 0), 3);
  EXPECT_EQ(r->Get(0, 1), 3);
  EXPECT_EQ(r->Get(1, 0), 3);
  EXPECT_EQ(r->GetTerrain(0), 3);
  EXPECT_EQ(RaceSimulator->GetContactCallback(), &OnCollision);

  for (int i = 0; i < kRaceCarCount; ++i) {
    const CSampleCar& car = RaceCars[i];
    ASSERT_NE(car.body, nullptr);
    EXPECT_EQ(car.carIndex, i);
    EXPECT_EQ(car.carNumber, i + 1);
    EXPECT_EQ(car.place, 4);
    EXPECT_EQ(car.lap, 0);
    EXPECT_EQ(car.bestLap.seconds, 0);
    EXPECT_GT(car.WheelOffsetX(), 1.0f) << "the car's points were read";
    const neMatrix3x3 start = car.startRotation, now = car.body->GetRotationMatrix();
    EXPECT_FLOAT_EQ(start.col[0].x, now.col[0].x);
  }
  EXPECT_EQ(RaceStatus.CountdownRunning.load(), 1);
  EXPECT_FLOAT_EQ(RaceStatus.CountdownValue.load(), 7.0f);
  EXPECT_EQ(RaceStatus.RaceLaps, 4);
  EXPECT_EQ(BonusQueue.head, -1);
}

TEST_F(LoadedRace, TheFrameTimeIsSmoothedAndCapped) {
  RaceCars[0].speed = -1.0f;
  // The first step of the program applies no smoothing: 0.12 s is kept as the last
  // step's time, and it runs, as the longest step of 0.1 s with its 9 substeps.
  StepWith(0.0f, 0.12f);
  EXPECT_GE(RaceCars[0].speed, 0.0f) << "the player's update ran";
  EXPECT_FLOAT_EQ(PreviousStepDt, 0.12f);
  EXPECT_EQ(SubstepCount, 9);
  EXPECT_FLOAT_EQ(FrameTiming.FrameTicks, 10.0f) << "the frame counts as the step it ran";

  // Smoothed up to 0.108 and capped at exactly 0.1: a step of 0.1 runs, 9 substeps.
  RaceCars[0].speed = -1.0f;
  StepWith(0.09f, 0.15f);
  EXPECT_FLOAT_EQ(PreviousStepDt, 0.1f);
  EXPECT_GE(RaceCars[0].speed, 0.0f);
  EXPECT_EQ(SubstepCount, 9);
  EXPECT_FLOAT_EQ(FrameTiming.FrameTicks, 10.0f);

  // One of 0.05 s runs with 4 substeps; one of 0.07 s with 6, 0.099 s with 9, each
  // on its own ticks.
  StepWith(0.05f, 0.05f);
  EXPECT_EQ(SubstepCount, 4);
  EXPECT_FLOAT_EQ(FrameTiming.FrameTicks, 5.0f);
  StepWith(0.07f, 0.07f);
  EXPECT_EQ(SubstepCount, 6);
  StepWith(0.099f, 0.099f);
  EXPECT_EQ(SubstepCount, 9);
  EXPECT_FLOAT_EQ(FrameTiming.FrameTicks, 9.9f);

  // A long frame arrives as 0: the world moves on at 0.8 x the previous step while
  // the cars' own clocks take no ticks.
  StepWith(0.05f, 0.0f);
  EXPECT_FLOAT_EQ(PreviousStepDt, 0.04f);
  EXPECT_EQ(FrameTiming.FrameTicks, 0.0f);
  // And the clamp keeps the smoothed time within 0.8..1.2 of the last.
  StepWith(0.05f, 0.01f);
  EXPECT_FLOAT_EQ(PreviousStepDt, 0.04f);
  StepWith(0.05f, 0.09f);
  EXPECT_FLOAT_EQ(PreviousStepDt, 0.06f);
}

TEST_F(LoadedRace, AtEightFramesASecondTheWorldAndTheCarsClocksRunTheLongestStep) {
  // Opponent 3 falls freely as in the case below, now on frames of 0.125 s: the world
  // takes 0.1 s of frame time each (2.1 x 0.1 s of its own), not nothing and not 0.125.
  neRigidBody* b = DropOpponent();
  StepWith(0.125f, 0.125f);
  const float vy = b->GetVelocity().y;
  const RaceClock first = RaceCars[0].raceTime;
  StepWith(0.125f, 0.125f);
  EXPECT_NEAR(b->GetVelocity().y - vy, -9.8f * 2.1f * 0.1f, 0.01f);
  // The race clock keeps the world's time: 10 hundredths a frame, so a lap timed on a
  // slow machine is the lap the lorry drove.
  const RaceClock second = RaceCars[0].raceTime;
  EXPECT_NEAR((second.seconds - first.seconds) * 100.0f + second.hundredths - first.hundredths, 10.0f, 1e-3f);
}

TEST_F(LoadedRace, ALongFrameAmongShortOnesKeepsItsTicksWhileTheWorldTakesTheSmoothedStep) {
  // Opponent 3 falls freely as in the cases around, and the player's race clock runs.
  neRigidBody* b = DropOpponent();
  StepWith(0.05f, 0.05f);
  StepWith(0.05f, 0.05f);
  const float vy = b->GetVelocity().y;
  const float clock = ClockSeconds(RaceCars[0].raceTime);
  // One frame of 0.15 s after frames of 0.05: the world steps 0.06 s of frame time in
  // 5 substeps, and the clocks count the frame's 15 ticks.
  StepWith(0.05f, 0.15f);
  EXPECT_FLOAT_EQ(PreviousStepDt, 0.06f);
  EXPECT_EQ(SubstepCount, 5);
  EXPECT_FLOAT_EQ(FrameTiming.FrameTicks, 15.0f);
  EXPECT_NEAR(ClockSeconds(RaceCars[0].raceTime) - clock, 0.15f, 1e-4f);
  EXPECT_NEAR(b->GetVelocity().y - vy, -9.8f * 2.1f * 0.06f, 0.03f);

  // Frames alternating 0.05 and 0.15 s: the race clock keeps real time, 2 s in ten
  // pairs, though the world's smoothed steps take 0.11 s of each pair. (From 0 the
  // pairs meet each whole second exactly, where the clock drops any excess.)
  RaceCars[0].raceTime = RaceClock{};
  for (int pair = 0; pair < 10; ++pair) {
    StepWith(PreviousStepDt, 0.05f);
    StepWith(PreviousStepDt, 0.15f);
  }
  EXPECT_NEAR(ClockSeconds(RaceCars[0].raceTime), 2.0f, 1e-3f);
  EXPECT_FLOAT_EQ(PreviousStepDt, 0.06f);
}

// The worker's frames timed as the game times them, at a fixed length each.
struct FixedFrames {
  explicit FixedFrames(float seconds) { FixedFrameSeconds = seconds; }
  ~FixedFrames() { FixedFrameSeconds = 0.0f; }
  // One race frame: timed, stepped, and the countdown advanced as the render does it
  // on the ticks the update publishes.
  void Run() {
    MeasureRaceFrame();
    StepSimulation();
    AdvanceCountdownClock(FrameTiming.FrameTicks);
  }
};

// At a steady four frames a second every frame is over 0.2 s. One such frame among
// short ones is a hitch and advances nothing; at that steady rate the countdown runs
// and the race starts, in the world's longest steps.
TEST_F(LoadedRace, AtFourFramesASecondTheRaceStartsWhileAHitchStillAdvancesNothing) {
  FixedFrames frames(0.05f);
  for (int i = 0; i < 30; ++i) frames.Run();
  ASSERT_EQ(RaceStatus.CountdownRunning.load(), 1);
  const float countdown = RaceStatus.CountdownValue.load();
  const float step = PreviousStepDt;
  FixedFrameSeconds = 0.25f;
  frames.Run();
  EXPECT_EQ(FrameTiming.PhysicsDt, 0.0f);
  EXPECT_EQ(FrameTiming.FrameTicks, 0.0f);
  EXPECT_EQ(RaceStatus.CountdownValue.load(), countdown) << "a hitch counts nothing";
  EXPECT_FLOAT_EQ(PreviousStepDt, 0.8f * step) << "the world eases on, as after any hitch";

  int slow = 0;
  while (RaceStatus.CountdownRunning.load() && slow < 400) {
    frames.Run();
    ++slow;
  }
  EXPECT_EQ(RaceStatus.CountdownRunning.load(), 0) << "the countdown stood at " << countdown;
  EXPECT_LT(slow, 60) << "frames of 0.25 s to the start";
  // From there each frame runs the longest step: 0.1 s of frame time, 10 ticks.
  RaceCars[0].raceTime = RaceClock{};
  RaceCars[0].lap = 1;
  for (int i = 0; i < 20; ++i) frames.Run();
  EXPECT_FLOAT_EQ(PreviousStepDt, 0.1f);
  EXPECT_EQ(SubstepCount, 9);
  EXPECT_FLOAT_EQ(FrameTiming.FrameTicks, 10.0f);
  EXPECT_NEAR(ClockSeconds(RaceCars[0].raceTime), 2.0f, 1e-3f);
}

TEST_F(LoadedRace, TheWorldRunsAtTwoPointOneTimesTheFrame) {
  // Opponent 3 falls freely for frames of 0.05 s. A body takes its gravity for the next
  // substep at the end of the last one: the first frame after waking it misses a
  // substep's worth, so measure the second.
  neRigidBody* b = DropOpponent();
  StepWith(0.05f, 0.05f);
  const float vy = b->GetVelocity().y;
  StepWith(0.05f, 0.05f);
  EXPECT_NEAR(b->GetVelocity().y - vy, -9.8f * 2.1f * 0.05f, 0.01f);
}

neContactRecord Contact(neRigidBody* a, neRigidBody* b, int32_t materialA, int32_t materialB,
                        float impact) {
  neContactRecord c = {};
  c.bodyA = a;
  c.bodyB = b;
  c.kindA = kNeKindRigid;
  c.kindB = b ? kNeKindRigid : kNeKindTerrain;
  c.materialA = materialA;
  c.materialB = materialB;
  c.relativeVelocity = neV3(impact, 0.0f, 0.0f);
  return c;
}

TEST_F(LoadedRace, RammingAnOpponentScoresOnlyForTheFasterPlayer) {
  ResetBonusQueue();
  neRigidBody* player = RaceCars[0].body;
  neRigidBody* opponent = RaceCars[1].body;
  player->SetVelocity(neV3(20.0f, 0.0f, 0.0f));
  opponent->SetVelocity(neV3(5.0f, 0.0f, 0.0f));
  BonusQueue.cooldown[kBonusOpponentHit] = 6.0f;
  const float before = RaceBonusTotals[1];

  neContactRecord soft = Contact(opponent, player, kMaterialCar, kMaterialCar, 7.5f);
  OnCollision(&soft);
  EXPECT_EQ(BonusQueue.head, -1) << "7.5 is not above 7.5";
  neContactRecord hit = Contact(opponent, player, kMaterialCar, kMaterialCar, 9.0f);
  OnCollision(&hit);
  ASSERT_EQ(BonusQueue.head, 0);
  EXPECT_EQ(BonusQueue.kind[0], kBonusOpponentHit);
  EXPECT_FLOAT_EQ(BonusQueue.amount[0], 350.0f);
  EXPECT_FLOAT_EQ(RaceBonusTotals[1], before + 350.0f);
  OnCollision(&hit);
  EXPECT_EQ(BonusQueue.head, 0) << "within the cool-down the second is dropped";

  BonusQueue.cooldown[kBonusOpponentHit] = 6.0f;
  player->SetVelocity(neV3(2.0f, 0.0f, 0.0f));
  OnCollision(&hit);
  EXPECT_EQ(BonusQueue.head, 0) << "the slower player scores nothing";
  neContactRecord others = Contact(RaceCars[2].body, opponent, kMaterialCar, kMaterialCar, 30.0f);
  RaceCars[2].body->SetVelocity(neV3(40.0f, 0.0f, 0.0f));
  OnCollision(&others);
  EXPECT_EQ(BonusQueue.head, 0) << "opponents hitting each other score nothing";

  // Never more than nine on show, whatever the cool-downs allow.
  player->SetVelocity(neV3(20.0f, 0.0f, 0.0f));
  for (int i = 0; i < 20; ++i) {
    BonusQueue.cooldown[kBonusOpponentHit] = 6.0f;
    OnCollision(&hit);
  }
  EXPECT_EQ(BonusQueue.head, 8);
  EXPECT_FLOAT_EQ(RaceBonusTotals[1], before + 9 * 350.0f);
}

TEST_F(LoadedRace, ThePlayersKnocksAreTimedAndTheTerrainIsNoBody) {
  CSampleCar& car = RaceCars[0];
  // The terrain's side carries the triangle's user word where a body would be: on
  // grass both sides have material 1, and that word must not be taken for a car.
  neContactRecord grass = Contact(car.body, nullptr, kMaterialCar, kMaterialCar, 5.0f);
  grass.bodyB = reinterpret_cast<void*>(static_cast<uintptr_t>(7));
  car.crashSoundTimer = 3.0f;
  OnCollision(&grass);
  EXPECT_EQ(car.crashSoundTimer, 0.0f) << "a soft knock with the timer past 2";
  car.crashSoundTimer = 1.5f;
  OnCollision(&grass);
  EXPECT_EQ(car.crashSoundTimer, 1.5f) << "too soon after the last";

  neContactRecord hard = Contact(car.body, nullptr, kMaterialCar, kMaterialGround, 20.0f);
  car.crashSoundTimer = 2.5f;
  OnCollision(&hard);
  EXPECT_EQ(car.crashSoundTimer, 0.0f);

  // Roadside objects make no knock (they have their own crash sounds).
  neContactRecord object = Contact(car.body, RaceCars[1].body, kMaterialCar, kMaterialObject, 20.0f);
  car.crashSoundTimer = 3.0f;
  OnCollision(&object);
  EXPECT_EQ(car.crashSoundTimer, 3.0f);

  // An opponent's knock is nobody's: only the player's car has knock sounds.
  RaceCars[2].crashSoundTimer = 3.0f;
  neContactRecord theirs = Contact(RaceCars[2].body, nullptr, kMaterialCar, kMaterialGround, 20.0f);
  OnCollision(&theirs);
  EXPECT_EQ(RaceCars[2].crashSoundTimer, 3.0f);
  // Between two cars the record's second body is the one that counts.
  neContactRecord pair = Contact(car.body, RaceCars[1].body, kMaterialCar, kMaterialCar, 3.0f);
  car.crashSoundTimer = 3.0f;
  OnCollision(&pair);
  EXPECT_EQ(car.crashSoundTimer, 3.0f);
  neContactRecord reversed = Contact(RaceCars[1].body, car.body, kMaterialCar, kMaterialCar, 3.0f);
  OnCollision(&reversed);
  EXPECT_EQ(car.crashSoundTimer, 0.0f);
}

TEST_F(LoadedRace, TheCountdownHoldsThePlayerThenReleasesIt) {
  CSampleCar& car = RaceCars[0];
  car.speed = 0.0f;
  // Countdown: full throttle moves nothing.
  for (int i = 0; i < 120; ++i) {
    RaceControls.accelerator = 1.0f;
    RaceControls.clutch = 1.0f;
    RaceControls.steer = 1.0f;
    StepWith(1.0f / 60.0f, 1.0f / 60.0f);
    AdvanceCountdownClock(FrameTiming.FrameTicks);
  }
  EXPECT_EQ(RaceStatus.CountdownRunning.load(), 1);
  EXPECT_LT(car.body->GetVelocity().Length(), 0.01f);
  EXPECT_EQ(car.steer, 0.0f);
  // Released after four seconds of countdown; first gear's clutch closes over one.
  for (int i = 0; i < 180; ++i) {
    StepWith(1.0f / 60.0f, 1.0f / 60.0f);
    AdvanceCountdownClock(FrameTiming.FrameTicks);
  }
  EXPECT_EQ(RaceStatus.CountdownRunning.load(), 0) << "released past 11";
  EXPECT_NEAR(car.steer, 0.55f, 1e-6f) << "full lock";
  RaceControls.steer = 0.0f;
  for (int i = 0; i < 300; ++i) StepWith(1.0f / 60.0f, 1.0f / 60.0f);
  EXPECT_GT(car.speed, 3.0f) << "and away it goes";
  RaceControls = DriverControlState{};
}

}  // namespace
