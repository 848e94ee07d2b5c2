// Contact set-up and the contact impulse: frames, collision matrices, the
// friction cone, materials and the break-off hand-over.
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "physics/contact_setup.h"
#include "physics/simulation.h"
#include "physics/solver.h"
#include "tests/physics/solve_scene.h"

namespace {

using solve_test::Scene;

neSolverRecord ContactRow(neBody* a, neBody* b, const neVector3& armA, const neVector3& armB,
                          const neVector3& normal) {
  return solve_test::SolverRow(kNeRowCollision, a, b, armA, armB, normal);
}

neBody* BodyOf(neRigidBody* b) { return neRecordOf(b); }

TEST(SolveContactFrame, AxisNormalAndRandomNormalsGiveOrthonormalFrames) {
  neVector3 t, t2;
  neBuildContactFrame(neV3(0, 1, 0), t, t2);
  const float h = 1.0f / std::sqrt(2.0f);
  EXPECT_NEAR(t.x, h, 1e-6f);
  EXPECT_NEAR(t.y, 0.0f, 1e-6f);
  EXPECT_NEAR(t.z, h, 1e-6f);
  EXPECT_NEAR(t2.x, h, 1e-6f);  // (0, 1, 0) x (h, 0, h)
  EXPECT_NEAR(t2.z, -h, 1e-6f);

  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  for (int i = 0; i < 1000; ++i) {
    neVector3 n = neV3(u(rng), u(rng), u(rng));
    if (i % 10 == 0) n = neV3(0, 0, u(rng) > 0 ? 1.0f : -1.0f);  // along an axis
    n.Normalize();
    if (n.IsZero()) continue;
    neBuildContactFrame(n, t, t2);
    EXPECT_NEAR(t.Dot(n), 0.0f, 1e-5f);
    EXPECT_NEAR(t.Length(), 1.0f, 1e-5f);
    EXPECT_NEAR(t2.Dot(t), 0.0f, 1e-5f);
    EXPECT_NEAR(t2.Length(), 1.0f, 1e-5f);
  }
  // A zero or broken normal has no frame, and no NaN comes out of it.
  neBuildContactFrame(neV3(0, 0, 0), t, t2);
  EXPECT_TRUE(t.IsFinite() && t.IsZero() && t2.IsZero());
  neBuildContactFrame(neV3(NAN, 0, 0), t, t2);
  EXPECT_TRUE(t.IsFinite() && t2.IsFinite());
}

TEST(SolveSetup, CollisionMatrixCountsOnlyTheBodiesThatMove) {
  Scene s(nullptr, false);
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 2.0f, neV3(0, 0, 0));
  neAnimatedBody* floor = s.AddStaticBox(neV3(4, 1, 4), neV3(0, -1, 0));
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 4.0f, neV3(0, -1, 0));
  const neVector3 n = neV3(0, 1, 0);

  // Against an animated body: K from the rigid body alone. With the arm
  // along the normal the normal mass is exactly 1/m.
  neSolverRecord r = ContactRow(BodyOf(a), neRecordOf(floor), neV3(0, -0.5f, 0), neV3(0, 0.5f, 0), n);
  neSetupRow(r, false, false);
  EXPECT_NEAR(r.k.col[2].z, 0.5f, 1e-6f);
  EXPECT_NEAR(r.frame.col[2].y, 1.0f, 1e-6f);
  EXPECT_NEAR(r.frameTransposed.col[1].x, r.frame.col[0].y, 1e-6f);

  // Two rigid bodies: both inverse masses; B ignored: A's alone.
  r = ContactRow(BodyOf(a), BodyOf(b), neV3(0, -0.5f, 0), neV3(0, 0.5f, 0), n);
  neSetupRow(r, false, false);
  EXPECT_NEAR(r.k.col[2].z, 0.5f + 0.25f, 1e-6f);
  neSetupRow(r, false, true);
  EXPECT_NEAR(r.k.col[2].z, 0.5f, 1e-6f);

  // An off-centre arm adds the rotational term: 1/m + (r x n) I^-1 (r x n).
  r = ContactRow(BodyOf(a), nullptr, neV3(0.5f, -0.5f, 0.5f), neV3(0, 0, 0), n);
  neSetupRow(r, false, false);
  const float inertia = 2.0f * (1.0f + 1.0f) / 12.0f;
  EXPECT_NEAR(r.k.col[2].z, 0.5f + (0.25f + 0.25f) / inertia, 1e-4f);

  // K K^-1 = 1 for a regular matrix.
  const neMatrix3x3 id = r.k.Multiply(r.kInv);
  for (int c = 0; c < 3; ++c)
    for (int row = 0; row < 3; ++row) EXPECT_NEAR(id.At(row, c), c == row ? 1.0f : 0.0f, 1e-4f);
}

TEST(SolveSetup, SingularMatrixLeavesTheRowInertNotStale) {
  Scene s(nullptr, false);
  neAnimatedBody* p = s.AddStaticBox(neV3(1, 1, 1), neV3(0, 0, 0));
  neAnimatedBody* q = s.AddStaticBox(neV3(1, 1, 1), neV3(0, 1, 0));
  for (int kind : {int{kNeRowCollision}, int{kNeRowPoint}, int{kNeRowAngularLimit}}) {
    neSolverRecord r = ContactRow(neRecordOf(p), neRecordOf(q), neV3(0, 0.5f, 0), neV3(0, -0.5f, 0),
                                  neV3(0, 1, 0));
    r.kind = kind;
    // Whatever an earlier set-up left in the record.
    for (int c = 0; c < 3; ++c) r.kInv.col[c] = neV3(3, 4, 5);
    neSetupRow(r, false, false);
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(r.kInv.col[c].IsZero()) << "kind " << kind;
  }
  // A rigid body whose mass is ignored on both sides: nothing can move.
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 1.0f, neV3(3, 0, 0));
  neSolverRecord r = ContactRow(BodyOf(a), nullptr, neV3(0, -0.5f, 0), neV3(0, 0, 0), neV3(0, 1, 0));
  r.kInv.col[0] = neV3(9, 9, 9);
  neSetupRow(r, true, false);
  EXPECT_TRUE(r.kInv.col[0].IsZero());
}

TEST(SolveSetup, LinearMotorAgainstTheWorldHasTheBodysMass) {
  Scene s(nullptr, false);
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 3.0f, neV3(0, 0, 0));
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 6.0f, neV3(2, 0, 0));
  neSolverRecord r = neSolverRecord{};
  r.kind = kNeRowLinearMotor;
  r.bodyA = BodyOf(a);
  neSetupRow(r, false, false);
  EXPECT_NEAR(r.kInv.col[0].x, 3.0f, 1e-5f);
  r.bodyB = BodyOf(b);
  neSetupRow(r, false, false);
  EXPECT_NEAR(r.kInv.col[0].x, 2.0f, 1e-5f);  // 1 / (1/3 + 1/6)
  r.bodyA = r.bodyB = nullptr;
  neSetupRow(r, false, false);
  EXPECT_EQ(r.kInv.col[0].x, 0.0f);
}

// Random regular collision matrices and approaching contacts: the impulse is
// finite, never pulls (normal part >= 0) and lies inside the friction cone.
TEST(SolveContactImpulse, FrictionConeNeverReturnsAnAdhesiveImpulse) {
  Scene s(nullptr, false);
  neSimulationRecord& sim = *neRecordOf(s.sim());
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  int sliding = 0;
  for (int i = 0; i < 5000; ++i) {
    const float mu = 2.0f * (u(rng) + 1.0f);  // 0 .. 4
    const float e = 0.5f * (u(rng) + 1.0f);
    sim.SetMaterial(1, mu, e);
    neSolverRecord r = neSolverRecord{};
    r.materialA = r.materialB = 1;
    // K = M M^T + 0.05 1: symmetric positive definite with strong coupling.
    neMatrix3x3 m;
    for (int c = 0; c < 3; ++c) m.col[c] = neV3(u(rng), u(rng), u(rng));
    neMatrix3x3 mt;
    mt.SetTranspose(m);
    r.k = m.Multiply(mt);
    for (int d = 0; d < 3; ++d) r.k.At(d, d) += 0.05f;
    ASSERT_TRUE(r.kInv.SetInverse(r.k));
    r.rowVelocity = neV3(5.0f * u(rng), 5.0f * u(rng), -0.01f - std::fabs(u(rng)));
    for (bool noBounce : {false, true}) {
      const neVector3 j = neContactImpulse(sim, r, noBounce);
      ASSERT_TRUE(j.IsFinite());
      EXPECT_GE(j.z, 0.0f) << "case " << i;
      const float tangential = std::sqrt(j.x * j.x + j.y * j.y);
      EXPECT_LE(tangential, mu * j.z * 1.001f + 1e-5f) << "case " << i;
      if (tangential > 1e-4f && std::fabs(tangential - mu * j.z) < 1e-3f * tangential) ++sliding;
    }
  }
  EXPECT_GT(sliding, 100);  // the cone's surface was reached, not only the inside
}

TEST(SolveContactImpulse, MaterialsTakeTheSmallerFrictionAndRestitution) {
  Scene s(nullptr, false);
  neSimulationRecord& sim = *neRecordOf(s.sim());
  sim.SetMaterial(0, 0.8f, 0.25f);
  sim.SetMaterial(1, 0.45f, 0.1f);
  neSolverRecord r = neSolverRecord{};
  r.materialA = 0;
  r.materialB = 1;
  r.k.SetIdentity();
  r.kInv.SetIdentity();
  r.rowVelocity = neV3(0, 0, -2);
  neVector3 j = neContactImpulse(sim, r, false);
  EXPECT_NEAR(j.z, 2.0f * 1.1f, 1e-5f);  // restitution 0.1
  j = neContactImpulse(sim, r, true);
  EXPECT_NEAR(j.z, 2.0f, 1e-5f);  // no bounce
  r.rowVelocity = neV3(10, 0, -2);
  j = neContactImpulse(sim, r, true);
  EXPECT_NEAR(-j.x, 0.45f * j.z, 1e-4f);  // slides on friction 0.45
  EXPECT_LT(j.x, 0.0f);
}

TEST(SolveCollisionImpulse, OnlyApproachingContactsAndFiniteImpulsesApply) {
  Scene s(nullptr, false);
  neSimulationRecord& sim = *neRecordOf(s.sim());
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 1.0f, neV3(0, 0, 0));
  neSolverRecord r = ContactRow(BodyOf(a), nullptr, neV3(0, -0.5f, 0), neV3(0, 0, 0), neV3(0, 1, 0));
  neSetupRow(r, false, false);

  a->SetVelocity(neV3(1, 0, 0));  // sliding along, normal velocity exactly 0
  neApplyCollisionImpulse(sim, BodyOf(a), nullptr, r, kNeImpulseCollision, 1.0f);
  EXPECT_FLOAT_EQ(a->GetVelocity().x, 1.0f);
  EXPECT_FLOAT_EQ(a->GetVelocity().y, 0.0f);

  // The impact stops the contact; its bounce (default restitution 0.4) is
  // queued and given once the body no longer closes on the ground.
  a->SetVelocity(neV3(0, -3, 0));
  neApplyCollisionImpulse(sim, BodyOf(a), nullptr, r, kNeImpulseCollision, 1.0f);
  EXPECT_NEAR(a->GetVelocity().y, 0.0f, 1e-5f);
  neRigidBodyRecord* ra = neRecordOf(a);
  ASSERT_GT(ra->bounceSteps, 0);
  ra->SettleBounce(0.0f);
  EXPECT_NEAR(a->GetVelocity().y, 3.0f * 0.4f, 1e-4f);
  EXPECT_EQ(ra->bounceSteps, 0);

  // A broken row (NaN arm) applies nothing and spreads no NaN.
  r.armA = neV3(NAN, 0, 0);
  a->SetVelocity(neV3(0, -3, 0));
  neApplyCollisionImpulse(sim, BodyOf(a), nullptr, r, kNeImpulseCollision, 1.0f);
  EXPECT_TRUE(a->GetVelocity().IsFinite());
  EXPECT_TRUE(a->GetAngularVelocity().IsFinite());
}

int gBreaks = 0;
void CountBreak(void*, int32_t, neGeometry*, neRigidBody*) { ++gBreaks; }

// Break-off through the collision impulse: an impulse with no tangential part
// and a geometry with zero break mass must not divide by zero.
TEST(SolveCollisionImpulse, BreakOffWithZeroTangentOrZeroMassStaysFinite) {
  Scene s(nullptr, false);
  neSimulationRecord& sim = *neRecordOf(s.sim());
  s.sim()->SetBreakOffCallback(CountBreak);
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 1.0f, neV3(0, 0, 0));
  neGeometry* part = a->AddGeometry();
  part->SetBoxSize(0.5f, 0.5f, 0.5f);
  neTransform t;
  t.SetIdentity();
  t.pos = neV3(0, -0.5f, 0);
  part->SetTransform(t);
  part->SetBreakageFlag(kNeBreakNormal);
  part->SetBreakageMass(0.0f);
  part->SetBreakageMagnitude(0.0f);
  part->SetBreakageDirection(neV3(0, 1, 0));
  a->UpdateBoundingInfo();

  neSolverRecord r = ContactRow(BodyOf(a), nullptr, neV3(0, -0.75f, 0), neV3(0, 0, 0), neV3(0, 1, 0));
  r.geometryA = neRecordOf(part);
  neSetupRow(r, false, false);
  gBreaks = 0;
  a->SetVelocity(neV3(0, -2, 0));  // straight down: the impulse lies along the break direction
  neApplyCollisionImpulse(sim, BodyOf(a), nullptr, r, kNeImpulseCollision, 1.0f);
  EXPECT_EQ(gBreaks, 0);
  EXPECT_TRUE(a->GetVelocity().IsFinite());
  EXPECT_GE(a->GetVelocity().y, -1e-5f);  // stopped; the bounce is queued

  // Now with a tangential part: the part breaks off as a body of finite mass.
  a->SetVelocity(neV3(3, -2, 0));
  a->SetAngularMomentum(neV3(0, 0, 0));
  neApplyCollisionImpulse(sim, BodyOf(a), nullptr, r, kNeImpulseCollision, 1.0f);
  EXPECT_EQ(gBreaks, 1);
  EXPECT_EQ(a->GetGeometryCount(), 1);
  EXPECT_TRUE(a->GetVelocity().IsFinite());
  EXPECT_TRUE(a->GetAngularVelocity().IsFinite());
  int bodies = 0;
  for (neRigidBodyRecord* b = sim.activeRigid.first; b; b = b->next) {
    ++bodies;
    EXPECT_TRUE(neIsFinite(b->mass) && b->mass > 0.0f);
    EXPECT_TRUE(b->velocity.IsFinite());
  }
  EXPECT_EQ(bodies, 2);
}

}  // namespace

struct BreakSeen {
  int calls = 0;
  void* oldBody = nullptr;
  int32_t oldKind = 0;
  neGeometry* geometry = nullptr;
  neRigidBody* piece = nullptr;
};
BreakSeen gSeen;
void RecordBreak(void* oldBody, int32_t oldKind, neGeometry* g, neRigidBody* piece) {
  ++gSeen.calls;
  gSeen.oldBody = oldBody;
  gSeen.oldKind = oldKind;
  gSeen.geometry = g;
  gSeen.piece = piece;
}

// A box sliding onto a breakable cap of a fixed (animated) body on side B: the cap
// breaks off as a body of its own, the callback names the fixed body as animated, and
// what the box loses along the ground the cap gains; the fixed body takes nothing.
TEST(SolveCollisionImpulse, AGeometryOfAnAnimatedBodyOnSideBBreaksOff) {
  Scene s(nullptr, false);
  neSimulationRecord& sim = *neRecordOf(s.sim());
  s.sim()->SetBreakOffCallback(RecordBreak);
  neRigidBody* box = s.AddBox(neV3(1, 1, 1), 2.0f, neV3(0, 1.2f, 0));
  neAnimatedBody* table = s.AddStaticBox(neV3(4, 1, 4), neV3(0, 0, 0));
  neGeometry* cap = table->AddGeometry();
  cap->SetBoxSize(1.0f, 0.2f, 1.0f);
  neTransform t;
  t.SetIdentity();
  t.pos = neV3(0, 0.6f, 0);
  cap->SetTransform(t);
  cap->SetBreakageFlag(kNeBreakNormal);
  cap->SetBreakageMass(3.0f);
  cap->SetBreakageInertiaTensor(neV3(1, 1, 1));
  cap->SetBreakageMagnitude(0.1f);
  cap->SetBreakageFraction(0.5f);
  cap->SetBreakageDirection(neV3(0, 1, 0));  // breaks under a push along the ground
  table->UpdateBoundingInfo();
  ASSERT_EQ(table->GetGeometryCount(), 2);

  neSolverRecord r = ContactRow(BodyOf(box), neRecordOf(table), neV3(0, -0.5f, 0), neV3(0, 0.7f, 0),
                                neV3(0, 1, 0));
  r.geometryB = neRecordOf(cap);
  neSetupRow(r, false, false);
  gSeen = BreakSeen{};
  const neVector3 before = neV3(4, -2, 0);
  box->SetVelocity(before);
  box->SetAngularMomentum(neV3(0, 0, 0));
  neApplyCollisionImpulse(sim, BodyOf(box), neRecordOf(table), r, kNeImpulseCollision, 1.0f);

  ASSERT_EQ(gSeen.calls, 1) << "the cap of the fixed body is offered and breaks";
  EXPECT_EQ(gSeen.oldKind, 2);
  EXPECT_EQ(gSeen.oldBody, static_cast<void*>(table));
  EXPECT_EQ(gSeen.geometry, cap);
  ASSERT_NE(gSeen.piece, nullptr);
  EXPECT_EQ(table->GetGeometryCount(), 1);
  EXPECT_EQ(gSeen.piece->GetGeometryCount(), 1);
  EXPECT_FLOAT_EQ(gSeen.piece->GetMass(), 3.0f);
  EXPECT_EQ(cap->GetBreakageFlag(), kNeBreakNever) << "a piece breaks off once";

  // The cap leaves the way the box was sliding, pushed along the ground only, with its
  // share of the push: the break fraction of the magnitude it breaks at.
  const neVector3 vPiece = gSeen.piece->GetVelocity();
  ASSERT_TRUE(vPiece.IsFinite());
  EXPECT_NEAR(vPiece.x, 0.5f * 0.1f / 3.0f, 1e-5f);
  EXPECT_NEAR(vPiece.y, 0.0f, 1e-5f);
  EXPECT_NEAR(vPiece.z, 0.0f, 1e-5f);
  // Momentum passes between the box and the cap alone.
  const neVector3 dBox = box->GetVelocity() - before;
  EXPECT_NEAR(2.0f * dBox.x + 3.0f * vPiece.x, 0.0f, 1e-4f);
  EXPECT_NEAR(2.0f * dBox.y + 3.0f * vPiece.y, 0.0f, 1e-4f);
  EXPECT_LT(dBox.x, 0.0f) << "the box is slowed by what it knocked off";

  // A second hit on the same spot finds nothing more to break.
  gSeen = BreakSeen{};
  box->SetVelocity(before);
  neApplyCollisionImpulse(sim, BodyOf(box), neRecordOf(table), r, kNeImpulseCollision, 1.0f);
  EXPECT_EQ(gSeen.calls, 0);
}
