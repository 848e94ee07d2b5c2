// The rules of the solver rows and the two-pass iteration.
#include <cmath>

#include <gtest/gtest.h>

#include "physics/contact_setup.h"
#include "physics/joint.h"
#include "physics/simulation.h"
#include "physics/solver.h"
#include "tests/physics/solve_scene.h"

namespace {

using solve_test::Scene;

constexpr float kDt = 0.01f;

struct Bench {
  Scene scene{nullptr, false};
  neSimulationRecord& sim = *neRecordOf(scene.sim());
  Bench() {
    sim.dt = kDt;
    sim.invDt = 1.0f / kDt;
  }
  neRigidBodyRecord* Box(float mass, const neVector3& pos) {
    return neRecordOf(scene.AddBox(neV3(1, 1, 1), mass, pos));
  }
};

neSolverRecord Row(int32_t kind, neBody* a, neBody* b) {
  neSolverRecord r = neSolverRecord{};
  r.kind = kind;
  r.bodyA = a;
  r.bodyB = b;
  return r;
}

// A linear motor row changes the velocity by at most M dt / m per solve, so
// the velocity it leaves counts the solves of the iteration.
float MotorVelocityAfter(int32_t iterations) {
  Bench b;
  neRigidBodyRecord* a = b.Box(1.0f, neV3(0, 0, 0));
  neSolverRecord r = Row(kNeRowLinearMotor, a, nullptr);
  r.axisA = neV3(1, 0, 0);
  r.target = 100.0f;
  r.error = 1.0f;  // maximum force
  neSetupRow(r, false, false);
  b.sim.constraintRecords.Push(r);
  neSolveRecords(b.sim, -1.0f, iterations);
  EXPECT_EQ(b.sim.constraintRecords.Count(), 0);
  EXPECT_EQ(b.sim.secondPass, 0);
  return a->velocity.x;
}

TEST(SolveRecords, DefaultIterationsRunFourSolvesInEachOfTwoPasses) {
  EXPECT_NEAR(MotorVelocityAfter(-1), 8.0f * kDt, 1e-6f);
  EXPECT_NEAR(MotorVelocityAfter(1), 2.0f * kDt, 1e-6f);
  EXPECT_NEAR(MotorVelocityAfter(3), 6.0f * kDt, 1e-6f);
}

// Point row against the world: the correction grows with the error up to
// the cap and then stays there, without a jump at the threshold.
float PointCorrection(float error) {
  Bench b;
  neRigidBodyRecord* a = b.Box(1.0f, neV3(0, 0, 0));
  neSolverRecord r = Row(kNeRowPoint, a, nullptr);
  r.errorVector = neV3(error, 0, 0);
  r.error = error;
  neSetupRow(r, false, false);
  neSolveRow(b.sim, r);
  return -a->velocity.x;
}

TEST(SolveRows, JointCorrectionIsContinuousAtItsCap) {
  const float below = PointCorrection(0.0999f);
  const float above = PointCorrection(0.1001f);
  EXPECT_NEAR(below, 0.5f * 0.0999f / kDt, 1e-3f);
  EXPECT_NEAR(above / below, 1.0f, 0.01f);
  // Beyond the cap the step stays the cap's 0.05 per step.
  EXPECT_NEAR(PointCorrection(0.4f), 0.05f / kDt, 1e-3f);
  EXPECT_NEAR(PointCorrection(0.02f), 0.5f * 0.02f / kDt, 1e-3f);
  // No error: the row only halves nothing (the body is still).
  EXPECT_NEAR(PointCorrection(0.0f), 0.0f, 1e-6f);
}

TEST(SolveRows, RestingContactDepthIsCappedAndCorrectedOnlyInTheSecondPass) {
  Bench b;
  b.sim.SetGravity(neV3(0, -9.8f, 0));
  neRigidBodyRecord* a = b.Box(1.0f, neV3(0, 0, 0));
  auto push = [&](float depth, bool secondPass) {
    a->velocity = neV3(0, 0, 0);
    a->SetAngularMomentum(neV3(0, 0, 0));
    a->ClearPush();
    neSolverRecord r = Row(kNeRowRestingContact, a, nullptr);
    r.armA = neV3(0, -0.5f, 0);
    r.frame.col[2] = neV3(0, 1, 0);
    r.error = depth;
    neSetupRow(r, false, false);
    b.sim.secondPass = secondPass ? 1 : 0;
    neSolveRow(b.sim, r);
    EXPECT_LE(r.error, kNeContactDepthCap);
    // The push moves the body at the next position update; it is never
    // momentum.
    EXPECT_FLOAT_EQ(a->velocity.y, 0.0f);
    return a->pushVelocity.y;
  };
  const float allowance = kNePenetrationAllowance * 9.8f;
  EXPECT_FLOAT_EQ(push(0.03f, false), 0.0f);
  EXPECT_FLOAT_EQ(push(0.009f, true), 0.0f);  // within the allowance
  EXPECT_NEAR(push(0.03f, true), (0.03f - allowance) / kDt * 0.5f, 1e-3f);
  EXPECT_NEAR(push(0.2f, true), (0.05f - allowance) / kDt * 0.5f, 1e-3f);
}

TEST(SolveRows, LastSolveOfAStackPushesOnlyTheUpperBody) {
  Bench b;
  neRigidBodyRecord* top = b.Box(1.0f, neV3(0, 1, 0));
  neRigidBodyRecord* low = b.Box(1.0f, neV3(0, 0, 0));
  for (int last = 0; last < 2; ++last) {
    top->velocity = neV3(0, -1, 0);
    low->velocity = neV3(0, 0, 0);
    neSolverRecord r = Row(kNeRowRestingContact, top, low);
    r.armA = neV3(0, -0.5f, 0);
    r.armB = neV3(0, 0.5f, 0);
    r.frame.col[2] = neV3(0, 1, 0);
    neSetupRow(r, false, false);
    b.sim.lastIteration = static_cast<uint8_t>(last);
    neSolveRow(b.sim, r);
    EXPECT_GT(top->velocity.y, -1.0f);
    if (last) EXPECT_FLOAT_EQ(low->velocity.y, 0.0f);
    else EXPECT_LT(low->velocity.y, 0.0f);
  }
}

TEST(SolveRows, AngularMotorReachesItsTargetAndRespectsItsMaximum) {
  Bench b;
  neRigidBodyRecord* a = b.Box(1.0f, neV3(0, 0, 0));
  neSolverRecord r = Row(kNeRowAngularMotor, a, nullptr);
  r.axisA = r.axisB = neV3(0, 0, 1);
  r.target = 10.0f;
  r.error = 0.0f;  // no maximum: unlimited
  neSetupRow(r, false, false);
  neSolveRow(b.sim, r);
  EXPECT_NEAR(a->angularVelocity.z, 10.0f, 1e-3f);

  a->SetAngularMomentum(neV3(0, 0, 0));
  r.error = 0.5f;  // at most 0.5 N m for one step
  neSolveRow(b.sim, r);
  const float inertia = 1.0f * 2.0f / 12.0f;
  EXPECT_NEAR(a->angularVelocity.z, 0.5f * kDt / inertia, 1e-3f);
}

TEST(SolveRows, RowsWithoutMovingBodiesChangeNothing) {
  Bench b;
  neAnimatedBody* p = b.scene.AddStaticBox(neV3(1, 1, 1), neV3(0, 0, 0));
  for (int32_t kind = 1; kind <= 11; ++kind) {
    neSolverRecord r = Row(kind, neRecordOf(p), nullptr);
    r.error = 0.5f;
    r.errorVector = neV3(0.5f, 0, 0);
    r.frame.col[2] = neV3(0, 1, 0);
    r.axisA = r.axisB = r.lineAxis = neV3(0, 1, 0);
    neSetupRow(r, false, false);
    neSolveRow(b.sim, r);
  }
  EXPECT_TRUE(neRecordOf(p)->transform.pos.IsZero());
}

// A zero step length has no inverse: every rate the solver derives from it
// must stay finite, in contacts, stacks and joints alike.
TEST(SolveRecords, ZeroStepLengthKeepsEveryBodyFinite) {
  Scene s;
  s.SetGround(10, 0, 2, 0);
  std::vector<neRigidBody*> boxes;
  for (int k = 0; k < 3; ++k) boxes.push_back(s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0.49f + k, 0)));
  neRigidBody* pendulum = s.AddBox(neV3(0.2f, 1, 0.2f), 1, neV3(4, 1.5f, 0));
  neConstraint* c = s.sim()->CreateConstraint(pendulum);
  c->SetType(neConstraint::kHinge);
  neTransform f;
  f.SetIdentity();
  f.pos = neV3(4, 2, 0);
  c->SetFrameWorld(f);
  c->SetLowerLimit(-0.1f);
  c->SetUpperLimit(0.1f);
  c->EnableLimit(1);
  c->Enable(true);
  pendulum->SetAngularMomentum(neV3(0, 1, 0));
  s.Run(30);
  for (int i = 0; i < 20; ++i) s.sim()->Step(0.0f, 4);
  EXPECT_EQ(neRecordOf(s.sim())->invDt, 0.0f);
  s.Run(30);
  boxes.push_back(pendulum);
  for (neRigidBody* b : boxes) {
    EXPECT_TRUE(b->GetPosition().IsFinite());
    EXPECT_TRUE(b->GetVelocity().IsFinite());
    EXPECT_TRUE(b->GetAngularVelocity().IsFinite());
  }
}

}  // namespace
