// Resting and stacking: bodies come to rest and wake, piles stay piled,
// settling never makes energy, and the rest tests' geometry.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "physics/rest.h"
#include "physics/simulation.h"
#include "physics/stack_record.h"
#include "tests/physics/solve_scene.h"

namespace {

using solve_test::kGravity;
using solve_test::Scene;

// Deepest point of a box below the plane y = 0 (0 when above).
float Penetration(neRigidBody* b, const neVector3& size) {
  neVector3 corners[8];
  BoxCorners(b, size, corners);
  float deepest = 0.0f;
  for (const neVector3& c : corners) deepest = std::fmax(deepest, -c.y);
  return deepest;
}

// Kinetic energy an impact holds back in a queued bounce, to be given when
// the impact is over: it is the body's still, not made.
float HeldBounceEnergy(const std::vector<neRigidBody*>& bodies) {
  float held = 0.0f;
  for (neRigidBody* b : bodies) {
    const neRigidBodyRecord* r = neRecordOf(b);
    if (r->bounceSteps <= 0) continue;
    // Given when the body no longer closes, so across its motion then.
    held += 0.5f * r->mass * r->bounceVelocity.Dot(r->bounceVelocity);
  }
  return held;
}

// Energy over a run (a queued bounce counted in): how far it ever rose above
// its starting value, and above the lowest value it had already come down
// to, both as fractions of the start.
class EnergyWatch {
 public:
  explicit EnergyWatch(const std::vector<neRigidBody*>& bodies)
      : bodies_(bodies), start_(Scene::Energy(bodies)), lowest_(start_) {}
  void Sample() {
    const float e = Scene::Energy(bodies_) + HeldBounceEnergy(bodies_);
    highest_ = std::fmax(highest_, e);
    worstRise_ = std::fmax(worstRise_, e - lowest_);
    lowest_ = std::fmin(lowest_, e);
  }
  // Forget the lowest value so far (after an impact has been recovered).
  void Restart() {
    lowest_ = Scene::Energy(bodies_);
    worstRise_ = 0.0f;
  }
  float GrowthFraction() const { return (highest_ - start_) / start_; }
  float RiseFraction() const { return worstRise_ / start_; }

 private:
  std::vector<neRigidBody*> bodies_;
  float start_;
  float lowest_;
  float highest_ = -1e30f;
  float worstRise_ = 0.0f;
};

TEST(SolveRest, BoxDroppedOnTerrainIsIdleSoonAndShallowAndWakesWhenPushed) {
  Scene s;
  s.SetGround(10, 0, 20, 0);
  const neVector3 size = neV3(1, 0.6f, 1.4f);
  neRigidBody* b = s.AddBox(size, 2, neV3(0.3f, 1.5f, 0.2f));
  neQuaternion q{0.1f, 0.3f, 0.05f, 1.0f};
  q.Normalize();
  b->SetRotation(q);
  EnergyWatch energy({b});
  int idleAt = -1;
  for (int i = 0; i < 600 && idleAt < 0; ++i) {
    s.Run(1);
    energy.Sample();
    if (b->IsIdle()) idleAt = i;
  }
  ASSERT_GE(idleAt, 0) << "not idle within 600 sub-steps";
  EXPECT_LE(Penetration(b, size), 0.015f);
  const neVector3 p = b->GetPosition();
  for (int i = 0; i < 2000; ++i) {
    s.Run(1);
    energy.Sample();
    ASSERT_TRUE(b->IsIdle()) << "woke by itself at " << i;
  }
  EXPECT_TRUE((b->GetPosition() - p).IsZero());
  EXPECT_LE(energy.GrowthFraction(), 0.01f);
  EXPECT_LE(energy.RiseFraction(), 0.01f);

  b->SetVelocity(neV3(2, 0, 0));
  s.Run(1);
  EXPECT_FALSE(b->IsIdle());
  s.Run(20);
  EXPECT_GT(b->GetPosition().x, p.x + 0.1f);
}

// A box placed inside the ground is moved out, not thrown out: the push out
// of penetration is a position correction and never becomes momentum.
TEST(SolveImpact, EmbeddedBoxRisesToItsRestingHeightWithoutBeingThrown) {
  for (float depth : {0.02f, 0.05f, 0.10f}) {
    Scene s;
    s.SetGround(10, 0, 10, 0);
    const neVector3 size = neV3(0.96f, 1.64f, 0.96f);
    neRigidBody* b = s.AddBox(size, 20, neV3(0.3f, 0.82f - depth, 0.2f));
    float highest = -1.0f, fastestUp = 0.0f;
    int idleAt = -1;
    for (int i = 0; i < 343; ++i) {  // 3 s
      s.Run(1);
      highest = std::fmax(highest, b->GetPosition().y);
      fastestUp = std::fmax(fastestUp, b->GetVelocity().y);
      if (idleAt < 0 && b->IsIdle()) idleAt = i;
    }
    EXPECT_LE(highest, 0.82f + 0.02f) << depth;
    EXPECT_LE(fastestUp, 0.5f) << depth;
    EXPECT_GE(idleAt, 0) << depth;
    EXPECT_LE(idleAt, 229) << depth;  // 2 s
    EXPECT_LE(Penetration(b, size), 0.015f) << depth;
  }
}

// Dropped level from 1 m at restitution 0.5, a box rebounds once by e^2 of
// its drop (about 0.25 m), neither twice (flung higher by a second corner's
// bounce) nor not at all.
TEST(SolveImpact, FlatLandingTakesOneRestitution) {
  Scene s;
  s.sim()->SetMaterial(3, 0.45f, 0.5f);
  s.SetGround(10, 0, 10, 3);
  const neVector3 size = neV3(0.96f, 1.64f, 0.96f);
  neRigidBody* b = s.AddBox(size, 20, neV3(0, 1.82f, 0), 3);
  bool touched = false;
  float apex = 0.0f;
  for (int i = 0; i < 172; ++i) {  // 1.5 s
    s.Run(1);
    touched = touched || Penetration(b, size) > 0.0f;
    if (touched) apex = std::fmax(apex, b->GetPosition().y - 0.82f);
  }
  EXPECT_GE(apex, 0.15f);
  EXPECT_LE(apex, 0.35f);
}

TEST(SolveRest, RestingBodyGivenAFastSpinWakesAtTheNextVelocityUpdate) {
  Scene s;
  s.SetGround(10, 0, 4, 0);
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0.5f, 0));
  s.Run(600);
  ASSERT_TRUE(b->IsIdle());
  neRecordOf(b)->angularVelocity = neV3(0, 1.2f, 0);  // |w|^2 >= 1 without a wake
  neRecordOf(b)->state.angularMomentum = neV3(0, 0.2f, 0);
  s.Run(1);
  EXPECT_FALSE(b->IsIdle());
}

TEST(SolveStack, ThreeStackedBoxesStayStackedForTenThousandSubSteps) {
  Scene s;
  s.SetGround(20, 0, 4, 0);
  std::vector<neRigidBody*> boxes;
  for (int k = 0; k < 3; ++k) boxes.push_back(s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0.5f + 1.0f * k, 0)));
  EnergyWatch energy(boxes);
  for (int i = 0; i < 10000; ++i) {
    s.Run(1);
    energy.Sample();
  }
  const neVector3 top = boxes[2]->GetPosition();
  EXPECT_LT(std::sqrt(top.x * top.x + top.z * top.z), 0.05f);
  EXPECT_NEAR(top.y, 2.5f, 0.05f);
  EXPECT_NEAR(boxes[1]->GetPosition().y, 1.5f, 0.05f);
  EXPECT_LE(energy.GrowthFraction(), 0.01f);
  EXPECT_LE(energy.RiseFraction(), 0.01f);
  for (neRigidBody* b : boxes) EXPECT_TRUE(b->IsIdle());
  EXPECT_EQ(neRecordOf(s.sim())->stackHeaderPool.UsedCount(), 1);
}

TEST(SolveStack, PileOnAnAnimatedFloorSettles) {
  Scene s;
  s.AddStaticBox(neV3(10, 1, 10), neV3(0, -0.5f, 0));
  std::vector<neRigidBody*> boxes;
  for (int k = 0; k < 3; ++k)
    boxes.push_back(s.AddBox(neV3(1, 0.5f, 1), 1, neV3(0.05f * k, 0.3f + 0.55f * k, 0)));
  EnergyWatch energy(boxes);
  for (int i = 0; i < 10000; ++i) {
    if (i == 600) energy.Restart();  // the drop's penetration is recovered by then
    s.Run(1);
    energy.Sample();
  }
  EXPECT_NEAR(boxes[2]->GetPosition().y, 1.25f, 0.05f);
  EXPECT_LE(energy.GrowthFraction(), 0.01f);
  EXPECT_LE(energy.RiseFraction(), 0.01f);
  for (neRigidBody* b : boxes) EXPECT_TRUE(b->IsIdle());
}

// Taking the middle box away: the stack of one left is dissolved and the box
// above wakes and falls onto the floor.
TEST(SolveStack, RemovingTheSupportWakesTheBodyAboveAndDissolvesTheStack) {
  Scene s;
  s.AddStaticBox(neV3(10, 1, 10), neV3(0, -0.5f, 0));
  neRigidBody* low = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0.5f, 0));
  neRigidBody* top = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 1.5f, 0));
  s.Run(600);
  ASSERT_NEAR(top->GetPosition().y, 1.5f, 0.03f);
  ASSERT_TRUE(top->IsIdle());
  neSimulationRecord& sim = *neRecordOf(s.sim());
  EXPECT_EQ(sim.stackHeaderPool.UsedCount(), 1);
  s.sim()->FreeRigidBody(low);
  s.Run(5);
  EXPECT_FALSE(top->IsIdle());
  EXPECT_EQ(sim.stackHeaderPool.UsedCount(), 0);
  s.Run(600);
  EXPECT_NEAR(top->GetPosition().y, 0.5f, 0.02f);
  EXPECT_TRUE(top->IsIdle());
}

// A body with hand-made support slots on the terrain, for the rest tests.
struct Supported {
  Scene scene{nullptr, false};
  neRigidBodyRecord* body;
  Supported() {
    body = neRecordOf(scene.AddBox(neV3(1, 1, 1), 1, neV3(0, 0.5f, 0)));
    body->forceAccumulator = neV3(0, -kGravity, 0);
  }
  // Supports at body-frame points (their terrain points coincide).
  void Set(std::initializer_list<neVector3> points) {
    neRestRecord& r = body->rest;
    int k = 0;
    for (const neVector3& p : points) {
      neRestContact& c = r.slots[k];
      c = neRestContact{};
      c.inUse = 1;
      c.pointInThis = p;
      c.pointInOther = body->state.pos + p;
      c.normalInOther = neV3(0, 1, 0);
      r.supportIndices[k] = k;
      ++k;
    }
    r.supportCount = k;
  }
};

TEST(SolveBalance, SupportShapesIncludingDegenerateOnes) {
  Supported s;
  const float h = -0.5f;
  s.Set({neV3(-0.5f, h, -0.5f), neV3(0.5f, h, -0.5f), neV3(0, h, 0.5f)});
  EXPECT_EQ(neBalance(*s.body), kNeOnTriangle);
  s.Set({neV3(0.2f, h, 0.2f), neV3(0.5f, h, 0.2f), neV3(0.3f, h, 0.5f)});
  EXPECT_EQ(neBalance(*s.body), kNeUnbalanced);  // the centre is outside
  // Three in a row through the centre: an edge; beside it: nothing.
  s.Set({neV3(-0.5f, h, 0), neV3(0, h, 0), neV3(0.5f, h, 0)});
  EXPECT_EQ(neBalance(*s.body), kNeOnEdge);
  s.Set({neV3(-0.5f, h, 0.3f), neV3(0, h, 0.3f), neV3(0.5f, h, 0.3f)});
  EXPECT_EQ(neBalance(*s.body), kNeUnbalanced);
  // Three at one point, under the centre and beside it.
  s.Set({neV3(0, h, 0), neV3(0, h, 0), neV3(0, h, 0)});
  EXPECT_EQ(neBalance(*s.body), kNeOnEdge);
  s.Set({neV3(0.2f, h, 0), neV3(0.2f, h, 0), neV3(0.2f, h, 0)});
  EXPECT_EQ(neBalance(*s.body), kNeUnbalanced);
  // Two coinciding supports: a point, not a line.
  s.Set({neV3(0.001f, h, 0), neV3(0.001f, h, 0)});
  EXPECT_EQ(neBalance(*s.body), kNeOnEdge);
  s.Set({neV3(0.3f, h, 0), neV3(0.3f, h, 0)});
  EXPECT_EQ(neBalance(*s.body), kNeUnbalanced);
  s.Set({neV3(-0.5f, h, 0.002f), neV3(0.5f, h, 0.002f)});
  EXPECT_EQ(neBalance(*s.body), kNeOnEdge);
  s.Set({neV3(0.003f, h, 0.0f)});
  EXPECT_EQ(neBalance(*s.body), kNeOnPoint);
  s.Set({neV3(0.3f, h, 0.0f)});
  EXPECT_EQ(neBalance(*s.body), kNeUnbalanced);
  // No force at all: balanced whatever the supports.
  s.body->forceAccumulator = neV3(0, 0, 0);
  EXPECT_EQ(neBalance(*s.body), kNeOnTriangle);
}

TEST(SolveRestTests, SnapshotNeedsSixtyStillStepsAndZeroStepsDivideByNothing) {
  Supported s;
  neRigidBodyRecord& b = *s.body;
  neSimulationRecord& sim = *neRecordOf(s.scene.sim());
  sim.dt = 0.01f;
  b.Wake();
  b.stepsSinceSnapshot = 59;
  EXPECT_FALSE(neMotionAtRest(b));
  b.stepsSinceSnapshot = 60;
  EXPECT_TRUE(neMotionAtRest(b));
  b.state.pos.x += 0.2f * 0.6f * 1.01f;  // just over the mean speed of 0.2 m/s
  EXPECT_FALSE(neMotionAtRest(b));
  EXPECT_EQ(b.stepsSinceSnapshot, 0);  // a new snapshot was taken
  // A quaternion a rounding error past unit length: its turn is 0, not the
  // NaN of acos(1.00001).
  b.stepsSinceSnapshot = 60;
  b.state.q = neQuaternion{0.002f, 0, 0, 1.00001f};
  EXPECT_TRUE(neMotionAtRest(b));
  // A half turn in 0.06 s is far too fast.
  sim.dt = 0.001f;
  b.state.q = neQuaternion{0, 1, 0, 0};
  EXPECT_FALSE(neMotionAtRest(b));
  b.state.q = neQuaternion{0, 0, 0, 1};
  sim.dt = 0.0f;
  b.stepsSinceSnapshot = 60;
  b.state.pos.x += 5.0f;
  EXPECT_TRUE(neMotionAtRest(b));  // no time passed: every mean is 0
}

TEST(SolveRestTests, SlidSupportsAreDroppedAndTheRestCount) {
  Supported s;
  neRigidBodyRecord& b = *s.body;
  neSimulationRecord& sim = *neRecordOf(s.scene.sim());
  sim.SetGravity(neV3(0, -kGravity, 0));
  s.Set({neV3(-0.5f, -0.5f, -0.5f), neV3(0.5f, -0.5f, -0.5f), neV3(0, -0.5f, 0.5f)});
  neStackNode node = neStackNode{};
  node.body = &b;
  b.stackNode = &node;
  EXPECT_EQ(neCountSupports(b), 3);
  b.rest.slots[1].pointInOther.x += 0.04f;  // slid sideways by more than sqrt(0.001)
  b.rest.slots[2].pointInOther.y -= 0.02f;  // opened by more than 0.01
  EXPECT_EQ(neCountSupports(b), 1);
  EXPECT_EQ(node.loose, 0);
  EXPECT_FALSE(b.rest.slots[1].inUse);
  EXPECT_FALSE(b.rest.slots[2].inUse);

  // Collection keeps a slide up to sqrt(0.025) and drops one beyond.
  s.Set({neV3(-0.5f, -0.5f, -0.5f), neV3(0.5f, -0.5f, -0.5f)});
  b.rest.slots[0].pointInOther.x += 0.15f;
  b.rest.slots[1].pointInOther.x += 0.17f;
  sim.contactRecords.Clear();
  neCollectRestingContacts(sim, b, true);
  EXPECT_EQ(sim.contactRecords.Count(), 1);
  EXPECT_TRUE(b.rest.slots[0].inUse);
  EXPECT_FALSE(b.rest.slots[1].inUse);
  sim.contactRecords.Clear();
  b.stackNode = nullptr;
}

}  // namespace
