// Joints: enabling and set membership, the rows a set makes, limits under
// load, controllers and damping.
#include <cmath>

#include <gtest/gtest.h>

#include "physics/constraint.h"
#include "physics/joint.h"
#include "physics/simulation.h"
#include "tests/physics/solve_scene.h"

namespace {

using solve_test::Scene;

struct HingedBox {
  neRigidBody* box;
  neConstraint* hinge;
};

// A unit box of the given mass at the origin, hinged about world z there.
HingedBox HingedBoxAtOrigin(Scene& s, float mass) {
  neRigidBody* box = s.AddBox(neV3(1, 1, 1), mass, neV3(0, 0, 0));
  return {box, AddHingeAlongZ(s.sim(), box, neV3(0, 0, 0))};
}

TEST(SolveJointEnable, SecondEnableChangesNothingAndFirstWakesBothSides) {
  Scene s(nullptr, false);
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0, 0));
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(1, 0, 0));
  neConstraint* c = s.sim()->CreateConstraint(a, b);
  neRecordOf(a)->Rest();
  neRecordOf(b)->Rest();
  c->Enable(true);
  EXPECT_TRUE(c->Enabled());
  EXPECT_FALSE(a->IsIdle());
  EXPECT_FALSE(b->IsIdle());
  neRecordOf(a)->Rest();
  c->Enable(true);  // already enabled: nothing happens
  EXPECT_TRUE(a->IsIdle());
  c->Enable(false);  // a real change wakes again, the joint keeps its set
  EXPECT_FALSE(c->Enabled());
  EXPECT_FALSE(a->IsIdle());
  EXPECT_NE(neRecordOf(c)->set, nullptr);
}

TEST(SolveJointEnable, JoiningTwoSetsMergesThemAndFreesOne) {
  Scene s(nullptr, false);
  neRigidBody* p = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0, 0));
  neRigidBody* q = s.AddBox(neV3(1, 1, 1), 1, neV3(2, 0, 0));
  neRigidBody* r = s.AddBox(neV3(1, 1, 1), 1, neV3(4, 0, 0));
  neRigidBody* t = s.AddBox(neV3(1, 1, 1), 1, neV3(6, 0, 0));
  neSimulationRecord& sim = *neRecordOf(s.sim());
  s.sim()->CreateConstraint(p, q)->Enable(true);
  s.sim()->CreateConstraint(r, t)->Enable(true);
  EXPECT_EQ(sim.constraintSetPool.UsedCount(), 2);
  s.sim()->CreateConstraint(q, r)->Enable(true);
  EXPECT_EQ(sim.constraintSetPool.UsedCount(), 1);
  neConstraintSet* set = neRecordOf(p)->constraintSet;
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->bodyCount, 4);
  EXPECT_EQ(set->joints.count, 3);
  for (neRigidBody* b : {q, r, t}) EXPECT_EQ(neRecordOf(b)->constraintSet, set);
  for (neConstraintRecord* c = set->joints.first; c; c = c->next) EXPECT_EQ(c->set, set);
  // Freeing a joint of the merged set leaves the others in it.
  s.sim()->FreeRigidBody(t);
  EXPECT_EQ(set->joints.count, 2);
  s.Run(10);
  EXPECT_TRUE(p->GetPosition().IsFinite());
}

TEST(SolveJointEnable, ExhaustedSetPoolLeavesTheJointUnsolved) {
  neSimulationSizes sizes;
  sizes.constraintSetsCount = 1;
  Scene s(&sizes, true);
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 5, 0));
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(5, 5, 0));
  neConstraint* first = s.sim()->CreateConstraint(a);
  first->SetFrameWorld(FrameAlongZ(neV3(0, 5, 0)));
  first->Enable(true);
  neConstraint* second = s.sim()->CreateConstraint(b);
  second->Enable(true);
  EXPECT_TRUE(second->Enabled());
  EXPECT_EQ(neRecordOf(second)->set, nullptr);
  s.Run(60);
  EXPECT_NEAR(a->GetPosition().y, 5.0f, 0.01f);  // held by its ball joint
  EXPECT_LT(b->GetPosition().y, 4.0f);           // falls: its joint has no set
}

TEST(SolveJointPrepare, RowsToleranceIterationsAndAnchors) {
  Scene s(nullptr, false);
  neSimulationRecord& sim = *neRecordOf(s.sim());
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0, 0));
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0, 2));
  neConstraint* hinge = AddHingeAlongZ(s.sim(), a, neV3(0, 0, 1), b);
  hinge->SetIterationCount(2);
  hinge->Enable(true);
  neConstraint* ball = s.sim()->CreateConstraint(b);
  ball->SetFrameWorld(FrameAlongZ(neV3(0, 0, 2)));
  ball->Enable(true);

  // The hinge's two anchors lie half the default length either side of the
  // frame origin along the hinge axis.
  const neConstraintRecord& h = *neRecordOf(hinge);
  EXPECT_NEAR(h.anchors[0].pointA.z, 1.5f, 1e-5f);
  EXPECT_NEAR(h.anchors[1].pointA.z, 0.5f, 1e-5f);
  EXPECT_NEAR(h.anchors[0].pointB.z, -0.5f, 1e-5f);

  float tolerance = -1.0f;
  int32_t iterations = -1;
  sim.constraintRecords.Clear();
  neConstraintSetPrepare(sim, *neRecordOf(a)->constraintSet, tolerance, iterations);
  EXPECT_EQ(tolerance, -1.0f);  // every joint unset
  EXPECT_EQ(iterations, 2);     // -1 and 2 give 2
  EXPECT_EQ(sim.constraintRecords.Count(), 3);  // two hinge points, one ball point
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sim.constraintRecords[i].kind, kNeRowPoint);
    EXPECT_NEAR(sim.constraintRecords[i].error, 0.0f, 1e-5f);
  }
  EXPECT_EQ(neRecordOf(a)->constraintSet->visited, 1);
  ball->SetTolerance(0.01f);
  hinge->SetTolerance(0.02f);
  tolerance = -1.0f;
  sim.constraintRecords.Clear();
  neConstraintSetPrepare(sim, *neRecordOf(a)->constraintSet, tolerance, iterations);
  EXPECT_FLOAT_EQ(tolerance, 0.01f);
  sim.constraintRecords.Clear();
}

TEST(SolveJointPrepare, SliderLimitViolationIsCorrectedAsTheCap) {
  Scene s(nullptr, false);
  neSimulationRecord& sim = *neRecordOf(s.sim());
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0, 0));
  neConstraint* c = s.sim()->CreateConstraint(a);
  c->SetType(neConstraint::kSlider);
  c->SetFrameWorld(FrameAlongZ(neV3(0, 0, 0)));
  SetJointLimits(c, -0.5f, 0.5f);
  c->Enable(true);
  a->SetPosition(neV3(0, 0, 0.7f));  // 0.2 beyond the upper limit
  float tolerance = -1.0f;
  int32_t iterations = -1;
  sim.constraintRecords.Clear();
  neConstraintSetPrepare(sim, *neRecordOf(a)->constraintSet, tolerance, iterations);
  bool found = false;
  for (int i = 0; i < sim.constraintRecords.Count(); ++i) {
    const neSolverRecord& r = sim.constraintRecords[i];
    if (r.kind != kNeRowLinearLimit) continue;
    found = true;
    EXPECT_FLOAT_EQ(r.error, 0.05f);
    EXPECT_NEAR(r.lineAxis.z, 1.0f, 1e-5f);
  }
  EXPECT_TRUE(found);
  sim.constraintRecords.Clear();
  // Pressed outwards, the body is pulled back and held at the limit, on the
  // slide line.
  a->SetForce(neV3(0, 0, 5));
  s.Run(300);
  EXPECT_NEAR(a->GetPosition().z, 0.5f, 0.01f);
  EXPECT_NEAR(a->GetPosition().x, 0.0f, 0.01f);
  EXPECT_NEAR(a->GetPosition().y, 0.0f, 0.01f);
  a->SetForce(neV3(0, 0, -5));
  s.Run(400);
  EXPECT_NEAR(a->GetPosition().z, -0.5f, 0.01f);
}

TEST(SolveJointLimit, HingeStaysWithinItsLimitsUnderGravityAndTorqueOfBothSigns) {
  Scene s;
  neRigidBody* b = s.AddBox(neV3(0.2f, 1, 0.2f), 1, neV3(0, 1.5f, 0));
  neConstraint* c = AddHingeAlongZ(s.sim(), b, neV3(0, 2, 0));
  c->SetDamping(0.02f);
  const float lower = -0.3f * 3.14159265f, upper = 0.1f * 3.14159265f;
  SetJointLimits(c, lower, upper);
  c->Enable(true);
  const float torques[4] = {8.0f, -8.0f, 4.0f, -4.0f};
  for (float torque : torques) {
    float lo = 10.0f, hi = -10.0f;
    for (int i = 0; i < 600; ++i) {
      b->SetTorque(neV3(0, 0, torque));
      s.Run(1);
      const float a = TurnAboutZ(b);
      lo = std::fmin(lo, a);
      hi = std::fmax(hi, a);
      ASSERT_LT((b->GetTransform().TransformPoint(neV3(0, 0.5f, 0)) - neV3(0, 2, 0)).Length(), 0.1f);
    }
    EXPECT_GE(lo, lower - 0.05f) << "torque " << torque;
    EXPECT_LE(hi, upper + 0.05f) << "torque " << torque;
    // The torque overcomes gravity: the pendulum ends at the limit it drives to.
    EXPECT_NEAR(TurnAboutZ(b), torque > 0 ? upper : lower, 0.05f) << "torque " << torque;
  }
  // Free of torque it swings back, inside the limits.
  b->SetTorque(neV3(0, 0, 0));
  for (int i = 0; i < 600; ++i) {
    s.Run(1);
    ASSERT_GE(TurnAboutZ(b), lower - 0.05f);
    ASSERT_LE(TurnAboutZ(b), upper + 0.05f);
  }
}

TEST(SolveJointLimit, HingeAngleFollowsTheTurnOfBodyAAgainstBodyB) {
  Scene s(nullptr, false);
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0, 0));
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0, 3));
  neConstraint* c = AddHingeAlongZ(s.sim(), a, neV3(0, 0, 1.5f), b);
  c->Enable(true);
  neConstraintRecord& r = *neRecordOf(c);
  for (float turn : {0.4f, -0.4f, 2.5f}) {
    a->SetRotation(solve_test::RotationZ(turn));
    neConstraintRefresh(r);
    EXPECT_NEAR(r.signedAngle, turn, 1e-4f);
    EXPECT_GT(r.limit.axis.z, 0.99f);
  }
  a->SetRotation(solve_test::RotationZ(0.0f));
  b->SetRotation(solve_test::RotationZ(0.4f));  // B turning forward is A turning back
  neConstraintRefresh(r);
  EXPECT_NEAR(r.signedAngle, -0.4f, 1e-4f);
  EXPECT_NEAR(r.angle, 2.0f * 3.14159265f - 0.4f, 1e-4f);
}

class SpinController : public neJointControllerCallback {
 public:
  void Callback(neJointController* c, float) override {
    ++calls;
    c->SetTorque(neV3(0, 0, torque));
  }
  float torque = 1.0f;
  int calls = 0;
};

// A joint controller's torque reaches the velocity update of the next
// sub-step; it is not lost when the step clears its force accumulators.
TEST(SolveJointController, ControllerTorqueTurnsTheBody) {
  Scene s(nullptr, false);
  auto [a, c] = HingedBoxAtOrigin(s, 2);
  SpinController spin;
  ASSERT_NE(c->AddController(&spin, 0), nullptr);
  c->Enable(true);
  const int steps = 228;  // two seconds
  s.Run(steps);
  EXPECT_EQ(spin.calls, steps);
  const float inertia = 2.0f * 2.0f / 12.0f;
  const float expected = spin.torque / inertia * (steps - 1) * solve_test::kStep;
  EXPECT_NEAR(a->GetAngularVelocity().z, expected, 0.05f * expected);
  EXPECT_NEAR(a->GetPosition().Length(), 0.0f, 0.01f);
}

TEST(SolveJointMotor, HingeMotorDrivesToItsSpeedAndStopsAtTheLimit) {
  Scene s(nullptr, false);
  auto [a, c] = HingedBoxAtOrigin(s, 1);
  c->SetMotor(0, 2.0f, 5.0f);
  c->EnableMotor(1);
  c->Enable(true);
  s.Run(60);
  EXPECT_NEAR(a->GetAngularVelocity().z, 2.0f, 0.05f);
  SetJointLimits(c, -1.0f, 1.0f);
  s.Run(400);
  EXPECT_NEAR(TurnAboutZ(a), 1.0f, 0.05f);
  EXPECT_LT(std::fabs(a->GetAngularVelocity().z), 0.2f);
}

TEST(SolveJointDamping, DampingSlowsTheRelativeSpinAboutTheHinge) {
  Scene s(nullptr, false);
  auto [a, c] = HingedBoxAtOrigin(s, 1);
  c->SetDamping(0.05f);
  c->Enable(true);
  a->SetAngularMomentum(neV3(0, 0, 1));
  const float w0 = a->GetAngularVelocity().z;
  s.Run(114);
  const float w1 = a->GetAngularVelocity().z;
  EXPECT_GT(w1, 0.0f);
  EXPECT_LT(w1, 0.8f * w0);
}

// A bar hung from a hinge and let go 5 degrees out swings slowly (0.27 m/s
// at most): slow is not still, and the joint does not hold it mid-swing.
TEST(SolveJointRest, ASlowPendulumKeepsSwingingAndAHangingOneRests) {
  Scene s;
  const float start = 5.0f * 3.14159265f / 180.0f;
  neRigidBody* bar = s.AddBox(neV3(0.2f, 1.0f, 0.2f), 1.0f,
                              neV3(0.5f * std::sin(start), 2.0f - 0.5f * std::cos(start), 0));
  bar->SetRotation(RotationAboutZ(start));
  AddHingeAlongZ(s.sim(), bar, neV3(0, 2, 0))->Enable(true);
  float late = 0.0f;
  for (int i = 0; i < 1143; ++i) {  // 10 s
    s.Run(1);
    ASSERT_FALSE(bar->IsIdle()) << "frozen at sub-step " << i << ", angle " << TurnAboutZ(bar);
    if (i > 1028) late = std::fmax(late, std::fabs(TurnAboutZ(bar)));
  }
  EXPECT_GT(late, 0.6f * start);  // the hinge takes almost nothing out
  EXPECT_LT(late, 1.1f * start);  // nor adds

  // Hanging straight down, the same bar is held still and goes to rest.
  Scene hanging;
  neRigidBody* still = hanging.AddBox(neV3(0.2f, 1.0f, 0.2f), 1.0f, neV3(0, 1.5f, 0));
  AddHingeAlongZ(hanging.sim(), still, neV3(0, 2, 0))->Enable(true);
  hanging.Run(600);
  EXPECT_TRUE(still->IsIdle());
}

}  // namespace
