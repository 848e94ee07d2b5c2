// The contact passes end to end: friction, restitution and slopes, the
// response table, the contact reports, custom contacts and terrain queries.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "physics/contact_pass.h"
#include "physics/simulation.h"
#include "tests/physics/solve_scene.h"

namespace {

using solve_test::kGravity;
using solve_test::kStep;
using solve_test::Scene;

TEST(SolveFriction, BoxSlidingAtFiveMetresASecondStopsWithinItsFrictionDistance) {
  Scene s;
  s.sim()->SetMaterial(1, 0.5f, 0.0f);
  s.SetGround(50, 0, 10, 1);
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(-20, 0.5f, 0), 1);
  s.Run(114);  // settle
  const float x0 = b->GetPosition().x;
  b->SetVelocity(neV3(5, 0, 0));
  int steps = 0;
  while (steps < 1200 && (steps < 5 || b->GetVelocity().Length() > 1e-3f)) {
    s.Run(1);
    ++steps;
  }
  const float expected = 25.0f / (2.0f * 0.5f * kGravity);  // v^2 / (2 mu g) = 2.55 m
  EXPECT_NEAR(b->GetPosition().x - x0, expected, 0.3f * expected);
  EXPECT_NEAR(b->GetPosition().z, 0.0f, 0.25f);  // it slides straight, give or take its rocking
  EXPECT_LT(steps, 1200);
}

// Bounce apex of a dropped ball: e^2 times the drop height.
float BounceApex(float restitution, float height) {
  Scene s;
  s.sim()->SetMaterial(1, 0.5f, restitution);
  s.SetGround(20, 0, 4, 1);
  neRigidBody* b = s.AddSphere(0.5f, 1, neV3(0, height + 0.25f, 0), 1);
  float apex = 0.0f;
  bool rising = false;
  for (int i = 0; i < 2000; ++i) {
    s.Run(1);
    const float y = b->GetPosition().y - 0.25f;
    if (b->GetVelocity().y > 0.0f) rising = true;
    if (rising) apex = std::fmax(apex, y);
    if (rising && b->GetVelocity().y < 0.0f && y < apex - 0.05f) break;
  }
  return apex;
}

TEST(SolveRestitution, BallBouncesToRestitutionSquaredTimesItsHeight) {
  const float cases[2][2] = {{0.8f, 2.0f}, {0.6f, 3.0f}};
  for (const auto& c : cases) {
    const float expected = c[0] * c[0] * c[1];
    EXPECT_NEAR(BounceApex(c[0], c[1]), expected, 0.15f * expected) << "restitution " << c[0];
  }
}

// A unit box on a slope rising by slope per metre of x, resting on its face.
neRigidBody* BoxOnSlope(Scene& s, float slope, float friction) {
  s.sim()->SetMaterial(1, friction, 0.0f);
  s.SetGround(40, 0, 8, 1, slope);
  const float th = std::atan(slope);
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(-std::sin(th), std::cos(th), 0) * 0.5f, 1);
  b->SetRotation(solve_test::RotationZ(th));
  return b;
}

TEST(SolveFriction, BoxHoldsOnAHalfSlopeWithFrictionPointEight) {
  Scene s;
  neRigidBody* b = BoxOnSlope(s, 0.5f, 0.8f);
  s.Run(114);  // settle onto the surface
  const neVector3 p0 = b->GetPosition();
  s.Run(static_cast<int>(5.0f / kStep));
  EXPECT_LT((b->GetPosition() - p0).Length(), 0.01f);
}

TEST(SolveFriction, BoxSlidesDownASteepSlopeAtGravityLessFriction) {
  Scene s;
  neRigidBody* b = BoxOnSlope(s, 0.9f, 0.45f);
  s.Run(23);
  const neVector3 v0 = b->GetVelocity();
  const int steps = 114;
  s.Run(steps);
  const neVector3 dv = b->GetVelocity() - v0;
  const float th = std::atan(0.9f);
  const float expected = kGravity * (std::sin(th) - 0.45f * std::cos(th));
  EXPECT_NEAR(dv.Length() / (steps * kStep), expected, 0.25f * expected);
  EXPECT_LT(dv.x, 0.0f);  // downhill
}

std::vector<neContactRecord> gReports;
void Record(neContactRecord* c) { gReports.push_back(*c); }

TEST(SolveResponse, ReportOnlyEntryLetsTheBodyThroughAndReportsNoVelocity) {
  Scene s;
  s.SetGround(20, 0, 4, 0, 0.0f, 7);
  s.sim()->SetContactCallback(Record);
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0.6f, 0));
  b->SetCollisionGroup(2);
  s.sim()->GetResponseTable()->Set(2, -1, neResponseTable::kCallback);
  gReports.clear();
  s.Run(60);
  EXPECT_LT(b->GetPosition().y, 0.0f);  // no impulse: it fell into the ground
  ASSERT_FALSE(gReports.empty());
  for (const neContactRecord& c : gReports) {
    EXPECT_EQ(c.kindA, kNeKindRigid);
    EXPECT_EQ(c.kindB, kNeKindTerrain);
    EXPECT_EQ(c.geometryB, nullptr);
    EXPECT_EQ(reinterpret_cast<intptr_t>(c.bodyB), 7);  // the triangle's user word
    EXPECT_EQ(c.bodyA, static_cast<void*>(b));
    EXPECT_TRUE(c.relativeVelocity.IsZero());  // never measured without a response
  }
}

TEST(SolveResponse, RespondedContactReportsTheRelativeVelocity) {
  Scene s;
  s.SetGround(20, 0, 4, 0);
  s.sim()->SetContactCallback(Record);
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 1.5f, 0));
  b->SetCollisionGroup(2);
  s.sim()->GetResponseTable()->Set(2, -1, neResponseTable::kImpulseAndCallback);
  gReports.clear();
  s.Run(80);
  EXPECT_GT(b->GetPosition().y, 0.45f);
  ASSERT_FALSE(gReports.empty());
  // The first touch: the box comes down at about sqrt(2 g h).
  EXPECT_NEAR(gReports.front().relativeVelocity.y, -std::sqrt(2.0f * kGravity * 1.0f), 0.3f);
  EXPECT_GT(gReports.front().normal.y, 0.99f);
}

TEST(SolveResponse, CollisionIdsOfMinusOneAndTheTerrainColumn) {
  Scene s(nullptr, false);
  s.sim()->SetContactCallback(Record);
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0, 0));
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(0.8f, 0, 0));
  neResponseTable* t = s.sim()->GetResponseTable();
  a->SetCollisionGroup(-1);
  b->SetCollisionGroup(-1);
  gReports.clear();
  s.Run(10);
  EXPECT_TRUE(gReports.empty());  // two bodies with -1 are never tested
  EXPECT_NEAR(b->GetPosition().x, 0.8f, 1e-5f);

  b->SetCollisionGroup(5);
  t->Set(5, -1, neResponseTable::kNone);
  s.Run(10);
  EXPECT_TRUE(gReports.empty());  // -1 reads the other's terrain entry: 0

  t->Set(5, -1, neResponseTable::kImpulseAndCallback);
  a->SetPosition(neV3(0, 0, 0));
  b->SetPosition(neV3(0.8f, 0, 0));
  s.Run(10);
  EXPECT_FALSE(gReports.empty());
  EXPECT_GT(b->GetPosition().x - a->GetPosition().x, 0.8f);  // pushed apart
}

TEST(SolveResponse, JointedBodiesAreNotTestedAgainstEachOther) {
  Scene s(nullptr, false);
  s.sim()->SetContactCallback(Record);
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0, 0));
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(0.8f, 0, 0));
  neConstraint* c = s.sim()->CreateConstraint(a, b);
  neTransform f;
  f.SetIdentity();
  f.pos = neV3(0.4f, 0, 0);
  c->SetFrameWorld(f);
  c->Enable(true);
  s.sim()->GetResponseTable()->Set(0, 0, neResponseTable::kImpulseAndCallback);
  a->SetVelocity(neV3(0, 0.1f, 0));
  gReports.clear();
  s.Run(20);
  EXPECT_TRUE(gReports.empty());
  a->SetCollideConnected(1);
  b->SetCollideConnected(1);
  s.Run(5);
  EXPECT_FALSE(gReports.empty());
}

// The custom callback's contact for every pair, its normal chosen by mode:
// 0 NaN, 1 zero, 2 the true one, from the second body toward the first.
int gCustomMode = 0;
int gCustomCalls = 0;
int32_t Custom(void* first, void* second, neCustomCollisionResult* r) {
  ++gCustomCalls;
  const neVector3 p1 = static_cast<neRigidBody*>(first)->GetPosition();
  const neVector3 p2 = static_cast<neRigidBody*>(second)->GetPosition();
  neVector3 n = p1 - p2;
  n.Normalize();
  r->collisionNormal = gCustomMode == 0 ? neV3(NAN, 0, 0) : (gCustomMode == 1 ? neV3(0, 0, 0) : n);
  r->contactPoint1 = p1 - n * 0.5f;
  r->contactPoint2 = p2 + n * 0.5f;
  r->penetrationDepth = 0.1f;
  return 1;
}

TEST(SolveResponse, CustomContactsAreAnsweredButNeverReportedAndBadNormalsDropped) {
  Scene s(nullptr, false);
  s.sim()->SetContactCallback(Record);
  s.sim()->SetCustomCollisionCallback(Custom);
  neRigidBody* a = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 0, 0));
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(0.9f, 0, 0));
  a->UseCustomCollisionDetection(true, nullptr, 1.0f);
  gCustomMode = 0;
  a->SetVelocity(neV3(1, 0, 0));
  gReports.clear();
  gCustomCalls = 0;
  s.Run(3);
  EXPECT_GT(gCustomCalls, 0);
  EXPECT_TRUE(gReports.empty());
  EXPECT_NEAR(a->GetVelocity().x, 1.0f, 1e-5f);  // no response to a NaN normal
  EXPECT_TRUE(a->GetVelocity().IsFinite());
  EXPECT_TRUE(b->GetVelocity().IsZero());

  gCustomMode = 1;  // zero: dropped as well
  s.Run(2);
  EXPECT_NEAR(a->GetVelocity().x, 1.0f, 1e-5f);

  gCustomMode = 2;
  s.Run(1);
  EXPECT_LT(a->GetVelocity().x, 1.0f);
  EXPECT_GT(b->GetVelocity().x, 0.0f);
  EXPECT_TRUE(gReports.empty());
  EXPECT_FALSE(neNormalIsUsable(neV3(1e-7f, 0, -1e-7f)));
  EXPECT_TRUE(neNormalIsUsable(neV3(0, 1e-6f, 0)));
}

// The host's terrain: two triangles and an index list with entries outside
// the triangle array, which the pass must not follow.
neVector3 gVerts[4] = {{-5, 0, -5, 0}, {5, 0, -5, 0}, {-5, 0, 5, 0}, {5, 0, 5, 0}};
neTerrainTriangle gTris[2];
int32_t gIndices[4] = {0, 99, -3, 1};
int gQueries = 0;
void Query(const neVector3&, const neVector3&, int32_t** indices, neTerrainTriangle** tris,
           neVector3** verts, int32_t* indexCount, int32_t* triCount, neRigidBody*) {
  ++gQueries;
  gTris[0].indices[0] = 0; gTris[0].indices[1] = 2; gTris[0].indices[2] = 1;
  gTris[1].indices[0] = 1; gTris[1].indices[1] = 2; gTris[1].indices[2] = 3;
  *indices = gIndices;
  *tris = gTris;
  *verts = gVerts;
  *indexCount = 4;
  *triCount = 2;
}

TEST(SolveTerrain, HostTerrainQueryIsUsedWithItsIndicesChecked) {
  Scene s;
  s.sim()->SetTerrainQueryCallback(Query);
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(1, 1.0f, 1));
  gQueries = 0;
  s.Run(300);
  EXPECT_GT(gQueries, 0);
  EXPECT_NEAR(b->GetPosition().y, 0.5f, 0.015f);
  EXPECT_TRUE(b->GetPosition().IsFinite());
}

// A roadside object is several boxes on one body: the terrain pass loads the
// terrain side's collision box as well as its geometry for it.
TEST(SolveTerrain, BodyOfSeveralBoxesSettlesOnTheTerrain) {
  Scene s;
  s.SetGround(10, 0, 10, 0);
  neRigidBody* b = s.AddBox(neV3(0.4f, 0.4f, 0.4f), 2, neV3(0, 1.0f, 0));
  neGeometry* g = b->AddGeometry();
  g->SetBoxSize(0.4f, 0.4f, 0.4f);
  neTransform t;
  t.SetIdentity();
  t.pos = neV3(1.0f, 0, 0);
  g->SetTransform(t);
  b->UpdateBoundingInfo();
  s.Run(800);
  EXPECT_TRUE(b->IsIdle());
  const neTransform pose = b->GetTransform();
  EXPECT_NEAR(pose.TransformPoint(neV3(0, -0.2f, 0)).y, 0.0f, 0.015f);
  EXPECT_NEAR(pose.TransformPoint(neV3(1.0f, -0.2f, 0)).y, 0.0f, 0.015f);
}

TEST(SolveTerrain, BoxRestsOnAnAnimatedFloor) {
  Scene s;
  s.AddStaticBox(neV3(10, 1, 10), neV3(0, -0.5f, 0));
  neRigidBody* b = s.AddBox(neV3(1, 1, 1), 1, neV3(0, 1.0f, 0));
  s.Run(600);
  EXPECT_TRUE(b->IsIdle());
  EXPECT_NEAR(b->GetPosition().y, 0.5f, 0.015f);
}

}  // namespace
