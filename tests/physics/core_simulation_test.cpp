// The simulator: creation and its size checks, materials, responses,
// exhaustion and free messages, the two advances and discrete free fall.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core_support.h"
#include "physics/simulation.h"
#include "tools/physics_scene/scene_world.h"

namespace {

const neVector3 kGravity = {0.0f, -9.8f, 0.0f, 0.0f};

class Counter : public neRigidBodyControllerCallback {
 public:
  void Callback(neRigidBodyController*, float step) override {
    ++calls;
    lastStep = step;
  }
  int calls = 0;
  float lastStep = -1.0f;
};

TEST(CoreSimulation, CreateReportsSizesAndRefusesBadCounts) {
  neSimulationSizes sizes;
  neSimulation* sim = neSimulation::Create(&sizes);
  ASSERT_NE(sim, nullptr);
  neSimulationSizes used;
  sim->GetSizesInUse(used);
  EXPECT_EQ(used.rigidBodiesCount, 0);
  EXPECT_EQ(used.overlapPairsCount, 0);
  EXPECT_EQ(used.geometriesCount, 0);
  EXPECT_EQ(used.reservedWord8, 2000);
  EXPECT_EQ(used.terrainNodeGrowth, -1);
  neSimulationSizes built;
  sim->GetBuildSizes(built);
  EXPECT_EQ(built.overlapPairsCount, 1225);
  const neVector3 g = sim->GetGravity();
  EXPECT_EQ(g.x, 0.0f);
  EXPECT_EQ(g.y, 0.0f);
  int32_t bytes = 0;
  sim->GetMemoryUsed(bytes);
  EXPECT_GT(bytes, 0);
  neSimulation::Destroy(sim);
  neSimulation::Destroy(nullptr);

  neSimulationSizes negative;
  negative.geometriesCount = -1;
  EXPECT_EQ(neSimulation::Create(&negative), nullptr);
  neSimulationSizes huge;
  huge.rigidBodiesCount = 100000;  // a pair table far beyond what int32 sizes
  EXPECT_EQ(neSimulation::Create(&huge), nullptr);
  neSimulationSizes overflow;
  overflow.rigidBodiesCount = INT32_MAX;
  overflow.animatedBodiesCount = INT32_MAX;
  EXPECT_EQ(neSimulation::Create(&overflow), nullptr);
}

long ResidentBytes() {
  long pages = 0, resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return -1;
  const int n = std::fscanf(f, "%ld %ld", &pages, &resident);
  std::fclose(f);
  return n == 2 ? resident * 4096 : -1;
}

TEST(CoreSimulation, GameSizedPairTableIsCreated) {
  // The game's own counts: 5,005 bodies and geometries more than it needs.
  neSimulationSizes s;
  s.rigidBodiesCount = 5005 + 64;
  s.geometriesCount = 5005 + 64;
  s.animatedBodiesCount = 0;
  s.rigidParticleCount = 0;
  s.terrainNodeCapacity = 100;
  const long before = ResidentBytes();
  neSimulation* sim = neSimulation::Create(&s, nullptr, &kGravity);
  ASSERT_NE(sim, nullptr);
  // The pair table alone is over 200 MB; left uncleared it costs next to
  // nothing until pairs are written.
  const long grown = ResidentBytes() - before;
  if (before > 0) {
    EXPECT_LT(grown, 100L * 1024 * 1024);
  }
  neRigidBody* a = CoreAddBox(sim, neV3(1, 1, 1), 1.0f, neV3(0, 0, 0));
  ASSERT_NE(a, nullptr);
  sim->Step(1.0f / 60.0f, 1);
  EXPECT_TRUE(CoreBodyIsFinite(a));
  neSimulation::Destroy(sim);
}

// Counts the blocks it hands out and takes back.
class CountingAllocator : public neAllocator {
 public:
  void* Alloc(int32_t bytes, int32_t) override {
    ++live;
    ++total;
    return ::operator new(static_cast<size_t>(bytes > 0 ? bytes : 1));
  }
  void Free(void* p) override {
    --live;
    ::operator delete(p);
  }
  int live = 0;
  int total = 0;
};

TEST(CoreSimulation, CallersAllocatorServesEverythingAndGetsItAllBack) {
  CountingAllocator counting;
  neSimulationSizes s;
  neSimulation* sim = neSimulation::Create(&s, &counting, &kGravity);
  ASSERT_NE(sim, nullptr);
  EXPECT_GT(counting.total, 20);
  for (int i = 0; i < 10; ++i) CoreAddBox(sim, neV3(1, 1, 1), 1.0f, neV3(0, 1.1f * i, 0));
  SetSingleTriangleTerrain(sim, neV3(-50, 0, -50), neV3(50, 0, -50), neV3(0, 0, 50));
  for (int i = 0; i < 30; ++i) sim->Step(1.0f / 60.0f, 4);
  neSimulation::Destroy(sim);
  EXPECT_EQ(counting.live, 0);
}

TEST(CoreSimulation, MaterialsAndCallbacks) {
  neSimulation* sim = CoreMakeSimulation(neSimulationSizes{}, nullptr);
  float f = 0, r = 0, d = 0;
  ASSERT_TRUE(sim->GetMaterial(7, f, r, d));
  EXPECT_FLOAT_EQ(f, 0.5f);
  EXPECT_FLOAT_EQ(r, 0.4f);
  EXPECT_FLOAT_EQ(d, 1.0f);
  EXPECT_FALSE(sim->SetMaterial(256, 1.0f, 1.0f));
  EXPECT_FALSE(sim->SetMaterial(-1, 1.0f, 1.0f));
  EXPECT_TRUE(sim->SetMaterial(255, 0.8f, 0.25f));
  ASSERT_TRUE(sim->GetMaterial(255, f, r, d));
  EXPECT_FLOAT_EQ(f, 0.8f);
  EXPECT_EQ(d, 0.0f);
  EXPECT_FALSE(sim->GetMaterial(300, f, r, d));

  auto cb1 = [](neContactRecord*) {};
  auto cb2 = [](neContactRecord*) {};
  EXPECT_EQ(sim->SetContactCallback(+cb1), nullptr);
  EXPECT_EQ(sim->SetContactCallback(+cb2), +cb1);
  EXPECT_EQ(sim->GetContactCallback(), +cb2);
  EXPECT_EQ(sim->SetLogCallback(nullptr), &CoreLogCapture);
  neSimulation::Destroy(sim);
}

TEST(CoreSimulation, ResponseTable) {
  neResponseTable t;
  EXPECT_EQ(t.Get(0, 0), 1);
  EXPECT_EQ(t.GetMaxId(), 64);
  t.Set(3, 7, 2);
  EXPECT_EQ(t.Get(7, 3), 2);
  t.Set(-1, -1, 2);
  EXPECT_EQ(t.Lookup(-1, -1), 0);
  t.Set(5, -1, 0);
  EXPECT_EQ(t.GetTerrain(5), 0);
  EXPECT_EQ(t.Lookup(-1, 5), 0);
  EXPECT_EQ(t.Lookup(5, -1), 0);
  t.Set(-1, 9, 3);
  EXPECT_EQ(t.GetTerrain(9), 3);
  // Ids outside the table give no response and are never written.
  EXPECT_EQ(t.Get(64, 0), 0);
  EXPECT_EQ(t.Get(0, -5), 0);
  EXPECT_EQ(t.Lookup(1000, 2), 0);
  EXPECT_EQ(t.Lookup(-1, 64), 0);
  t.Set(64, 1, 3);
  t.Set(-7, 1, 3);
  EXPECT_EQ(t.Get(1, 63), 1);
}

TEST(CoreSimulation, ExhaustedPoolsLogExactMessagesAndReturnNull) {
  neSimulationSizes s;
  s.rigidBodiesCount = 1;
  s.rigidParticleCount = 1;
  s.animatedBodiesCount = 1;
  s.geometriesCount = 1;
  s.sensorsCount = 1;
  s.controllersCount = 1;
  s.constraintsCount = 1;
  neSimulation* sim = CoreMakeSimulation(s, nullptr);
  CoreLogClear();
  neRigidBody* a = sim->CreateRigidBody();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(sim->CreateRigidBody(), nullptr);
  neRigidBody* p = sim->CreateRigidParticle();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(sim->CreateRigidParticle(), nullptr);
  ASSERT_NE(sim->CreateAnimatedBody(), nullptr);
  EXPECT_EQ(sim->CreateAnimatedBody(), nullptr);  // silently
  ASSERT_NE(a->AddGeometry(), nullptr);
  EXPECT_EQ(a->AddGeometry(), nullptr);
  ASSERT_NE(a->AddSensor(), nullptr);
  EXPECT_EQ(p->AddSensor(), nullptr);
  Counter c;
  EXPECT_EQ(a->AddController(nullptr, 0), nullptr);  // refused, no record used
  ASSERT_NE(a->AddController(&c, 0), nullptr);
  EXPECT_EQ(p->AddController(&c, 0), nullptr);
  ASSERT_NE(sim->CreateConstraint(a), nullptr);
  EXPECT_EQ(sim->CreateConstraint(a, p), nullptr);
  EXPECT_EQ(sim->CreateConstraint(nullptr), nullptr);

  const std::vector<std::string> expect = {
      "Run out of RigidBodies. Increase 'rigidBodiesCount'.\n",
      "Run out of RigidBodies. Increase 'rigidParticleCount'.\n",
      "Run out of Geometries. Increase 'geometriesCount'.\n",
      "Run out of Sensors. Increase 'sensorsCount'.\n",
      "Run out of Controllers. Increase 'constraintSetsCount'.\n",
      "Run out of Constraints. Increase 'constraintsCount'.\n"};
  EXPECT_EQ(CoreLogLines(), expect);

  // Silent at level 0.
  CoreLogClear();
  sim->SetLogLevel(0);
  EXPECT_EQ(sim->CreateRigidBody(), nullptr);
  EXPECT_TRUE(CoreLogLines().empty());
  neSimulation::Destroy(sim);
}

TEST(CoreSimulation, FreeingInvalidBodiesOnlyLogs) {
  neSimulation* sim = CoreMakeSimulation(neSimulationSizes{}, nullptr);
  neRigidBody* a = sim->CreateRigidBody();
  neRigidBody* p = sim->CreateRigidParticle();
  neAnimatedBody* m = sim->CreateAnimatedBody();
  CoreLogClear();
  sim->FreeRigidBody(a);
  sim->FreeRigidBody(a);    // no longer in use
  sim->FreeRigidBody(p);
  sim->FreeRigidBody(p);
  sim->FreeAnimatedBody(m);
  sim->FreeAnimatedBody(m);
  alignas(64) char junk[4096] = {};
  sim->FreeRigidBody(reinterpret_cast<neRigidBody*>(junk));
  const std::vector<std::string> expect = {"Trying to Free invalid RigidBody.\n",
                                           "Trying to Free invalid RigidParticle.\n",
                                           "Trying to Free invalid AnimatedBody.\n",
                                           "Trying to Free invalid RigidBody.\n"};
  EXPECT_EQ(CoreLogLines(), expect);
  neSimulationSizes used;
  sim->GetSizesInUse(used);
  EXPECT_EQ(used.rigidBodiesCount, 0);
  EXPECT_EQ(used.rigidParticleCount, 0);
  // The freed record is the next one handed out.
  EXPECT_EQ(sim->CreateRigidBody(), a);
  neSimulation::Destroy(sim);
}

TEST(CoreSimulation, BodyIdsFollowThePools) {
  neSimulation* sim = CoreMakeSimulation(neSimulationSizes{}, nullptr);
  neRigidBody* r = sim->CreateRigidBody();
  neAnimatedBody* a = sim->CreateAnimatedBody();
  neRigidBody* p = sim->CreateRigidParticle();
  EXPECT_EQ(neRecordOf(r)->id, 0);
  EXPECT_EQ(neRecordOf(a)->id, 50);
  EXPECT_EQ(neRecordOf(p)->id, 100);
  // The handle, the record and its collision part are one address.
  EXPECT_EQ(static_cast<void*>(r), static_cast<void*>(static_cast<neBody*>(neRecordOf(r))));
  EXPECT_EQ(static_cast<void*>(a), static_cast<void*>(static_cast<neBody*>(neRecordOf(a))));
  const neTransform t = a->GetTransform();
  EXPECT_EQ(t.rot.col[0].x, 1.0f);
  EXPECT_EQ(t.pos.x, 0.0f);
  neSimulation::Destroy(sim);
}

TEST(CoreSimulation, DegenerateStepsKeepEveryStateFinite) {
  neSimulation* sim = CoreMakeSimulation(neSimulationSizes{}, &kGravity);
  neRigidBody* b = CoreAddBox(sim, neV3(1, 1, 1), 2.0f, neV3(0, 5, 0));
  b->SetVelocity(neV3(1, 2, 3));
  b->SetAngularMomentum(neV3(0.5f, 0.1f, 0.2f));
  neSimulationRecord* rec = neRecordOf(sim);
  const uint32_t before = rec->advanceCount;
  sim->Step(0.0f, 4);
  EXPECT_EQ(rec->invDt, 0.0f);
  EXPECT_TRUE(CoreBodyIsFinite(b));
  EXPECT_EQ(b->GetPosition().y, 5.0f);
  sim->Step(NAN, 4);
  sim->Step(INFINITY, 2);
  sim->Step(0.1f, 0);
  sim->Step(0.1f, -3);
  EXPECT_TRUE(CoreBodyIsFinite(b));
  EXPECT_EQ(b->GetPosition().y, 5.0f);
  EXPECT_EQ(rec->advanceCount, before + 5);
  neSimulation::Destroy(sim);
}

TEST(CoreSimulation, StepWithNoSubStepClearsMovedFlags) {
  neSimulation* sim = CoreMakeSimulation(neSimulationSizes{}, nullptr);
  neAnimatedBody* a = sim->CreateAnimatedBody();
  a->SetPosition(neV3(1, 2, 3));
  EXPECT_EQ(neRecordOf(a)->moved, 1);
  sim->Step(0.1f, 0);
  EXPECT_EQ(neRecordOf(a)->moved, 0);
  a->SetRotation(neQuaternion{0, 0, 0, 1});
  EXPECT_EQ(neRecordOf(a)->moved, 1);
  neSimulation::Destroy(sim);
}

TEST(CoreSimulation, VariableAdvanceCarriesTheRemainder) {
  neSimulation* sim = CoreMakeSimulation(neSimulationSizes{}, nullptr);
  neRigidBody* b = sim->CreateRigidBody();
  Counter counter;
  b->AddController(&counter, 0);
  neSimulationRecord* rec = neRecordOf(sim);
  sim->StepVariable(0.25f, 0.0625f, 0.125f);
  EXPECT_EQ(counter.calls, 2);
  EXPECT_FLOAT_EQ(counter.lastStep, 0.125f);
  EXPECT_FLOAT_EQ(rec->remainder, 0.0f);
  sim->StepVariable(0.09375f, 0.0625f, 0.125f);
  EXPECT_EQ(counter.calls, 3);
  EXPECT_FLOAT_EQ(counter.lastStep, 0.1f);
  EXPECT_NEAR(rec->remainder, -0.00625f, 1e-7f);
  sim->StepVariable(0.03f, 0.0625f, 0.125f);
  EXPECT_EQ(counter.calls, 3);
  EXPECT_NEAR(rec->remainder, 0.02375f, 1e-7f);
  neSimulation::Destroy(sim);
}

TEST(CoreSimulation, VariableAdvanceRefusesBadLengthsAndCapsItsSubSteps) {
  neSimulation* sim = CoreMakeSimulation(neSimulationSizes{}, nullptr);
  neRigidBody* b = sim->CreateRigidBody();
  Counter counter;
  b->AddController(&counter, 0);
  neSimulationRecord* rec = neRecordOf(sim);
  const uint32_t before = rec->advanceCount;
  sim->StepVariable(1.0f, 0.0f, 0.1f);
  sim->StepVariable(1.0f, -0.1f, 0.1f);
  sim->StepVariable(1.0f, 0.01f, NAN);
  sim->StepVariable(NAN, 0.01f, 0.1f);
  sim->StepVariable(-1.0f, 0.01f, 0.1f);
  sim->StepVariable(INFINITY, 0.01f, 0.1f);
  EXPECT_EQ(counter.calls, 0);
  EXPECT_EQ(rec->advanceCount, before);
  EXPECT_EQ(rec->remainder, 0.0f);
  // A huge time with tiny steps ends after a bounded number of sub-steps.
  sim->StepVariable(1.0e6f, 1.0e-6f, 1.0e-6f);
  EXPECT_GT(counter.calls, 0);
  EXPECT_LE(counter.calls, 256);
  EXPECT_TRUE(std::isfinite(rec->remainder));
  neSimulation::Destroy(sim);
}

TEST(CoreSimulation, DiscreteFreeFallStartsOneSubStepLate) {
  neSimulation* sim = CoreMakeSimulation(neSimulationSizes{}, &kGravity);
  neRigidBody* b = sim->CreateRigidBody();  // no geometry: falls freely
  b->SetMass(3.0f);
  b->SetPosition(neV3(0, 100, 0));
  const float dt = 1.0f / 60.0f;
  float v = 0.0f, y = 100.0f, a = 0.0f;
  for (int i = 0; i < 120; ++i) {
    sim->Step(dt, 1);
    // The gravity force of a sub-step is gathered at the end of the previous
    // position update, so the first sub-step feels none.
    v = v + a * dt;
    y = y + v * dt + 0.5f * a * dt * dt;
    a = -9.8f;
    ASSERT_NEAR(b->GetVelocity().y, v, 1e-4f) << i;
    ASSERT_NEAR(b->GetPosition().y, y, 1e-3f) << i;
    if (i == 0) {
      ASSERT_EQ(b->GetVelocity().y, 0.0f);
    }
  }
  EXPECT_EQ(b->GetVelocity().x, 0.0f);
  b->SetGravityEnabled(0);
  sim->Step(dt, 1);  // the force gathered last sub-step still acts once
  const float vNow = b->GetVelocity().y;
  sim->Step(dt, 1);
  EXPECT_FLOAT_EQ(b->GetVelocity().y, vNow);
  neSimulation::Destroy(sim);
}

TEST(CoreSimulation, ControllerPeriods) {
  neSimulation* sim = CoreMakeSimulation(neSimulationSizes{}, nullptr);
  neRigidBody* b = sim->CreateRigidBody();
  Counter every, third;
  b->AddController(&every, 0);
  b->AddController(&third, 2);
  for (int step = 1; step <= 9; ++step) {
    sim->Step(0.01f, 1);
    EXPECT_EQ(every.calls, step);
    EXPECT_EQ(third.calls, step / 3) << step;
  }
  neSimulation::Destroy(sim);
}

// A moving, spinning, jointless body: its trace must repeat bit for bit.
std::vector<float> Trace() {
  neSimulation* sim = CoreMakeSimulation(neSimulationSizes{}, &kGravity);
  neRigidBody* b = CoreAddBox(sim, neV3(1, 2, 3), 5.0f, neV3(0, 10, 0));
  neRigidBody* c = CoreAddBox(sim, neV3(2, 1, 1), 2.0f, neV3(0.5f, 8, 0.2f));
  b->SetAngularMomentum(neV3(1.0f, 2.0f, -0.5f));
  c->SetVelocity(neV3(0.3f, 1.0f, 0.0f));
  b->SetForce(neV3(0.5f, 0.0f, 0.1f), neV3(0.0f, 10.5f, 0.2f));
  std::vector<float> out;
  for (int i = 0; i < 200; ++i) {
    sim->Step(1.0f / 30.0f, 4);
    for (neRigidBody* x : {b, c}) {
      const neTransform t = x->GetTransform();
      const float* f = &t.rot.col[0].x;
      out.insert(out.end(), f, f + 16);
    }
  }
  neSimulation::Destroy(sim);
  return out;
}

TEST(CoreSimulation, TwoIdenticalRunsAreBitIdentical) {
  const std::vector<float> a = Trace();
  const std::vector<float> b = Trace();
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0);
}

TEST(CoreSimulation, TimingsAreFilled) {
  neSimulation* sim = CoreMakeSimulation(neSimulationSizes{}, &kGravity);
  for (int i = 0; i < 20; ++i) CoreAddBox(sim, neV3(1, 1, 1), 1.0f, neV3(i * 0.5f, i * 0.7f, 0));
  neStepTimings t;
  std::memset(&t, 0, sizeof t);
  for (float& p : t.phases) p = 9.0f;
  t.untouched[3] = 1234;
  t.mode = 1;
  sim->Step(0.02f, 4, &t);
  EXPECT_GT(t.total, 0.0f);
  EXPECT_LT(t.total, 1.0f);
  EXPECT_EQ(t.phases[0], 0.0f);
  EXPECT_EQ(t.untouched[3], 1234);
  t.mode = 0;
  sim->Step(0.02f, 4, &t);
  sim->Step(0.02f, 4, &t);
  EXPECT_EQ(t.count, 2);
  EXPECT_NEAR(t.total, t.sum / 2.0f, 1e-9f);
  // Without a record nothing is reported.
  const neStepTimings before = t;
  sim->Step(0.02f, 4, nullptr);
  EXPECT_EQ(std::memcmp(&before, &t, sizeof t), 0);
  neSimulation::Destroy(sim);
}

TEST(CoreProfiler, DifferencesAreSixtyFourBitAndClampedAtZero) {
  const int64_t f = 1000000000;
  EXPECT_FLOAT_EQ(neStepProfiler::TicksToSeconds(0, f, 0, f), 1.0f);
  // Past the 32-bit range the difference stays exact.
  EXPECT_FLOAT_EQ(neStepProfiler::TicksToSeconds(int64_t{1} << 33, (int64_t{1} << 33) + 5 * f, 0, f), 5.0f);
  EXPECT_EQ(neStepProfiler::TicksToSeconds(100, 50, 0, f), 0.0f);
  EXPECT_EQ(neStepProfiler::TicksToSeconds(100, 120, 50, f), 0.0f);
  EXPECT_EQ(neStepProfiler::TicksToSeconds(0, 100, 0, 0), 0.0f);
  neStepProfiler p;
  p.Calibrate();
  EXPECT_GE(p.Overhead(), 0);
  EXPECT_LE(p.Overhead(), 200);
  p.Reset();
  p.Charge(kNeSlotBodyPairs);
  EXPECT_GE(p.Slot(kNeSlotBodyPairs), 0.0f);
  EXPECT_EQ(p.Total(), p.Slot(kNeSlotBodyPairs));
}

}  // namespace
