// Bodies, geometries, sensors, controllers and joints through the public
// interface: wake rules, refused values, list order and release.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "collide_oracle.h"
#include "core_support.h"
#include "physics/simulation.h"

namespace {

class Noop : public neRigidBodyControllerCallback {
 public:
  void Callback(neRigidBodyController*, float) override {}
};

class JointNoop : public neJointControllerCallback {
 public:
  void Callback(neJointController*, float) override {}
};

struct Fixture : ::testing::Test {
  neSimulation* sim = CoreMakeSimulation(neSimulationSizes{}, nullptr);
  ~Fixture() override { neSimulation::Destroy(sim); }
};

using CoreBody = Fixture;

TEST_F(CoreBody, ForceAndTorqueWakeOnlyFromTheZeroTolerance) {
  neRigidBody* b = sim->CreateRigidBody();
  neRecordOf(b)->Rest();
  b->SetForce(neV3(1e-7f, 0, 0));
  EXPECT_TRUE(b->IsIdle());
  EXPECT_EQ(b->GetForce().x, 1e-7f);
  b->SetForce(neV3(1e-6f, 0, 0));
  EXPECT_FALSE(b->IsIdle());
  neRecordOf(b)->Rest();
  b->SetTorque(neV3(0, 0, -2e-6f));
  EXPECT_FALSE(b->IsIdle());
  neRecordOf(b)->Rest();
  b->SetForce(neV3(0, 1, 0), neV3(1, 0, 0));
  EXPECT_FALSE(b->IsIdle());
  EXPECT_FLOAT_EQ(b->GetTorque().z, 1.0f);  // (1,0,0) x (0,1,0)
}

TEST_F(CoreBody, RefusedAndNormalisedValues) {
  neRigidBody* b = sim->CreateRigidBody();
  b->SetLinearDamping(-0.1f);
  EXPECT_FLOAT_EQ(b->GetLinearDamping(), 0.1f);
  b->SetAngularDamping(-0.3f);
  EXPECT_FLOAT_EQ(b->GetAngularDamping(), 0.3f);
  b->SetMass(4.0f);
  b->SetMass(0.0f);
  b->SetMass(-1.0f);
  b->SetMass(NAN);
  EXPECT_EQ(b->GetMass(), 4.0f);
  EXPECT_FLOAT_EQ(neRecordOf(b)->invMass, 0.25f);
  b->SetCollisionGroup(64);
  b->SetCollisionGroup(-2);
  EXPECT_EQ(b->GetCollisionGroup(), 0);
  b->SetCollisionGroup(-1);
  EXPECT_EQ(b->GetCollisionGroup(), -1);
  neGeometry* g = b->AddGeometry();
  g->SetMaterialIndex(3);
  g->SetMaterialIndex(256);
  g->SetMaterialIndex(-1);
  EXPECT_EQ(g->GetMaterialIndex(), 3);
}

TEST_F(CoreBody, InertiaIsUsedBeforeTheFirstStep) {
  neRigidBody* b = sim->CreateRigidBody();
  b->SetInertiaTensor(neV3(2.0f, 4.0f, 8.0f));
  // An impulse at (0, 1, 0) along x gives L = (0, 0, -1): w = I^-1 L.
  b->ApplyImpulse(neV3(1, 0, 0), neV3(0, 1, 0));
  EXPECT_FLOAT_EQ(b->GetAngularVelocity().z, -1.0f / 8.0f);
  // A zero component keeps the previous inverse.
  b->SetInertiaTensor(neV3(0.0f, 1.0f, 1.0f));
  b->SetAngularMomentum(neV3(0, 0, 1));
  EXPECT_FLOAT_EQ(b->GetAngularVelocity().z, 1.0f / 8.0f);
  // Turning the body turns its world inertia at once.
  neMatrix3x3 quarter;
  quarter.SetRotationXYZ(0.0f, 3.14159265f / 2.0f, 0.0f);  // z goes to x
  b->SetRotation(quarter);
  b->SetAngularMomentum(neV3(1, 0, 0));
  EXPECT_NEAR(b->GetAngularVelocity().x, 1.0f / 8.0f, 1e-6f);
  neQuaternion q;
  q.SetIdentity();
  b->SetRotation(q);
  b->SetAngularMomentum(neV3(1, 0, 0));
  EXPECT_NEAR(b->GetAngularVelocity().x, 1.0f / 2.0f, 1e-6f);
}

TEST_F(CoreBody, GetTransformIsAPureGetter) {
  neRigidBody* b = sim->CreateRigidBody();
  b->SetPosition(neVector3{1, 2, 3, 42.0f});
  neRigidBodyRecord* r = neRecordOf(b);
  r->state.rot.col[0].w = 7.0f;
  neRigidBodyRecord before = *r;
  const neTransform t = b->GetTransform();
  EXPECT_EQ(t.pos.w, 1.0f);
  EXPECT_EQ(t.rot.col[0].w, 0.0f);
  EXPECT_EQ(t.pos.y, 2.0f);
  EXPECT_EQ(std::memcmp(&before.state, &r->state, sizeof r->state), 0);
}

TEST_F(CoreBody, VelocityAtPointAndImpulses) {
  neRigidBody* b = sim->CreateRigidBody();
  b->SetMass(2.0f);
  b->SetVelocity(neV3(1, 0, 0));
  b->SetAngularMomentum(neV3(0, 1, 0));  // identity inertia: w = (0, 1, 0)
  const neVector3 v = b->GetVelocityAtPoint(neV3(0, 0, 1));
  EXPECT_FLOAT_EQ(v.x, 2.0f);  // 1 + (0,1,0) x (0,0,1) = 1 + 1
  b->ApplyImpulse(neV3(0, 4, 0));
  EXPECT_FLOAT_EQ(b->GetVelocity().y, 2.0f);
}

TEST_F(CoreBody, SensorListOrderAndReuse) {
  neRigidBody* b = sim->CreateRigidBody();
  neSensor* s1 = b->AddSensor();
  neSensor* s2 = b->AddSensor();
  s1->SetLine(neV3(0, 0, 0), neV3(0, -2, 0));
  EXPECT_FLOAT_EQ(s1->GetLineLength(), 2.0f);
  EXPECT_FLOAT_EQ(s1->GetDirection().y, -1.0f);
  s2->SetLine(neV3(1, 0, 0), neV3(0, 0, 0));
  EXPECT_EQ(s2->GetLineLength(), 0.0f);
  EXPECT_EQ(s2->GetDirection().y, 0.0f);
  b->BeginSensorIteration();
  EXPECT_EQ(b->GetNextSensor(), s1);
  EXPECT_EQ(b->GetNextSensor(), s2);
  EXPECT_EQ(b->GetNextSensor(), nullptr);
  EXPECT_EQ(b->GetNextSensor(), nullptr);
  EXPECT_TRUE(b->RemoveSensor(s1));
  EXPECT_FALSE(b->RemoveSensor(s1));
  b->BeginSensorIteration();
  EXPECT_EQ(b->GetNextSensor(), s2);
  EXPECT_EQ(b->GetNextSensor(), nullptr);
  // The freed sensor is handed out again with its old line.
  neSensor* again = b->AddSensor();
  EXPECT_EQ(again, s1);
  EXPECT_FLOAT_EQ(again->GetLineVector().y, -2.0f);
  EXPECT_EQ(again->GetHitRigidBody(), nullptr);
}

TEST_F(CoreBody, ControllerListOrderAndRemoval) {
  neRigidBody* b = sim->CreateRigidBody();
  Noop cb;
  neRigidBodyController* c1 = b->AddController(&cb, 0);
  neRigidBodyController* c2 = b->AddController(&cb, 1);
  EXPECT_EQ(c1->GetRigidBody(), b);
  b->BeginControllerIteration();
  EXPECT_EQ(b->GetNextController(), c1);
  EXPECT_EQ(b->GetNextController(), c2);
  EXPECT_EQ(b->GetNextController(), nullptr);
  EXPECT_TRUE(b->RemoveController(c1));
  b->BeginControllerIteration();
  EXPECT_EQ(b->GetNextController(), c2);
  EXPECT_EQ(b->GetNextController(), nullptr);
  b->SetPosition(neV3(1, 0, 0));
  c2->SetForceWithTorque(neV3(0, 0, 1), neV3(1, 1, 0));
  EXPECT_FLOAT_EQ(c2->GetTorque().x, 1.0f);  // (0,1,0) x (0,0,1)
}

TEST_F(CoreBody, GeometryListBroadPhaseEntryAndActivation) {
  neRigidBody* b = sim->CreateRigidBody();
  neRegion& region = neRecordOf(sim)->region;
  b->SetActive(false);
  EXPECT_FALSE(b->Active());
  neGeometry* g = b->AddGeometry();
  EXPECT_EQ(b->GetGeometryCount(), 1);
  EXPECT_EQ(region.BodyCount(), 0);  // inactive: stays out
  b->SetActive(false);               // inactive asked to stay inactive: made active
  EXPECT_TRUE(b->Active());
  EXPECT_EQ(region.BodyCount(), 1);
  neGeometry* h = b->AddGeometry();
  b->BeginGeometryIteration();
  EXPECT_EQ(b->GetNextGeometry(), g);
  EXPECT_EQ(b->GetNextGeometry(), h);
  EXPECT_EQ(b->GetNextGeometry(), nullptr);
  EXPECT_TRUE(b->RemoveGeometry(g));
  EXPECT_FALSE(b->RemoveGeometry(g));
  EXPECT_EQ(region.BodyCount(), 1);
  EXPECT_TRUE(b->RemoveGeometry(h));
  EXPECT_EQ(region.BodyCount(), 0);  // last geometry gone
  b->UseCustomCollisionDetection(true, nullptr, 2.0f);
  EXPECT_EQ(region.BodyCount(), 1);
  b->UseCustomCollisionDetection(false, nullptr, 0.0f);
  EXPECT_EQ(region.BodyCount(), 0);
}

TEST_F(CoreBody, GeometryShapesAndInertiaHelpers) {
  neRigidBody* b = sim->CreateRigidBody();
  neGeometry* g = b->AddGeometry();
  neVector3 size;
  ASSERT_TRUE(g->GetBoxSize(size));
  EXPECT_EQ(size.x, 1.0f);  // the default unit box
  float d = 99.0f, h = 0.0f;
  EXPECT_FALSE(g->GetSphereDiameter(d));
  EXPECT_EQ(d, 99.0f);
  g->SetCylinder(2.0f, 3.0f);
  ASSERT_TRUE(g->GetCylinder(d, h));
  EXPECT_EQ(d, 2.0f);
  EXPECT_EQ(h, 3.0f);
  EXPECT_FALSE(g->GetBoxSize(size));
  g->SetSphereDiameter(0.5f);
  ASSERT_TRUE(g->GetSphereDiameter(d));
  EXPECT_EQ(d, 0.5f);
  uint8_t* blob = nullptr;
  EXPECT_FALSE(g->GetConvexMesh(blob));
  // A block that is no hull is refused and the geometry keeps its sphere.
  alignas(16) uint8_t junk[64] = {};
  const int32_t words[2] = {2, 5};
  std::memcpy(junk, words, sizeof words);
  g->SetConvexMesh(junk);
  EXPECT_FALSE(g->GetConvexMesh(blob));
  ASSERT_TRUE(g->GetSphereDiameter(d));
  // A real hull block (a tetrahedron): the geometry points into it, vertices
  // after the header and the face planes.
  collide_test::Hull tetra;
  ASSERT_TRUE(collide_test::BuildHull(
      {neV3(1, 1, 1), neV3(1, -1, -1), neV3(-1, 1, -1), neV3(-1, -1, 1)}, tetra));
  uint8_t* hull = tetra.blob.data();
  int32_t counts[2];
  std::memcpy(counts, hull, sizeof counts);
  ASSERT_EQ(counts[0], 4);
  g->SetConvexMesh(hull);
  ASSERT_TRUE(g->GetConvexMesh(blob));
  EXPECT_EQ(blob, hull);
  EXPECT_EQ(neRecordOf(g)->hullVertexCount, 4);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(neRecordOf(g)->hullVertices), hull + 16 + 16 * 4);

  const neVector3 box = neComputeBoxInertia(neV3(1, 2, 3), 3.0f);
  EXPECT_FLOAT_EQ(box.x, 18.0f);
  EXPECT_FLOAT_EQ(box.z, 18.0f);
  const neVector3 sphere = neComputeSphereInertia(2.0f, 5.0f);
  EXPECT_FLOAT_EQ(sphere.y, 2.0f);
  const neVector3 cyl = neComputeCylinderInertia(2.0f, 6.0f, 2.0f);
  EXPECT_FLOAT_EQ(cyl.y, 1.0f);
  EXPECT_FLOAT_EQ(cyl.x, 2.0f * 36.0f * 0.083333336f + 0.5f);
}

TEST_F(CoreBody, AnimatedBodyPose) {
  neAnimatedBody* a = sim->CreateAnimatedBody();
  neGeometry* g = a->AddGeometry();
  g->SetBoxSize(2, 2, 2);
  a->UpdateBoundingInfo();
  a->SetPosition(neV3(5, 0, 0));
  EXPECT_FLOAT_EQ(neRecordOf(a)->worldMin.x, 4.0f);
  neMatrix3x3 m;
  m.SetRotationXYZ(0.0f, 0.0f, 0.5f);
  a->SetRotation(m);
  const neQuaternion q = a->GetQuaternion();
  EXPECT_NEAR(q.z, std::sin(0.25f), 1e-6f);
  EXPECT_EQ(a->GetPosition().x, 5.0f);
  EXPECT_EQ(a->GetTransform().rot.col[0].x, m.col[0].x);
}

TEST_F(CoreBody, FreeingOrParkingASupporterWakesWhatRestsOnIt) {
  neRigidBody* top = sim->CreateRigidBody();
  neRigidBody* middle = sim->CreateRigidBody();
  neAnimatedBody* floor = sim->CreateAnimatedBody();
  neRestContact c{};
  c.other = neRecordOf(middle);
  neRecordOf(top)->AddSupportContact(c);
  c.other = neRecordOf(floor);
  c.pointInThis = neV3(1, 0, 0);
  neRecordOf(middle)->AddSupportContact(c);
  neRecordOf(top)->Rest();
  neRecordOf(middle)->Rest();

  middle->SetActive(false);
  EXPECT_FALSE(top->IsIdle());
  EXPECT_EQ(neRecordOf(top)->rest.slots[0].inUse, 0);
  EXPECT_TRUE(middle->IsIdle());  // the animated floor stays

  sim->FreeAnimatedBody(floor);
  EXPECT_FALSE(middle->IsIdle());
  EXPECT_EQ(neRecordOf(middle)->rest.slots[0].other, nullptr);

  // Freeing the body that rests drops its slots from the supporter's list.
  neRigidBody* base = sim->CreateRigidBody();
  c.other = neRecordOf(base);
  neRecordOf(top)->AddSupportContact(c);
  EXPECT_NE(neRecordOf(base)->supportedFirst, nullptr);
  sim->FreeRigidBody(top);
  EXPECT_EQ(neRecordOf(base)->supportedFirst, nullptr);
}

TEST_F(CoreBody, SupportSlotsReplaceNearOrShallowest) {
  neRigidBody* b = sim->CreateRigidBody();
  neRigidBodyRecord* r = neRecordOf(b);
  neRestContact c{};
  for (int i = 0; i < 3; ++i) {
    c.pointInThis = neV3(static_cast<float>(i), 0, 0);
    c.depth = 0.1f * (i + 1);
    r->AddSupportContact(c);
  }
  // Within 0.05 of slot 2's point: replaces it, not the shallowest.
  c.pointInThis = neV3(2.04f, 0, 0);
  c.depth = 0.9f;
  r->AddSupportContact(c);
  EXPECT_FLOAT_EQ(r->rest.slots[2].depth, 0.9f);
  EXPECT_FLOAT_EQ(r->rest.slots[0].depth, 0.1f);
  c.pointInThis = neV3(5, 0, 0);
  c.depth = 0.5f;
  r->AddSupportContact(c);
  EXPECT_FLOAT_EQ(r->rest.slots[0].depth, 0.5f);  // the shallowest went
}

TEST_F(CoreBody, JointsAreReleasedWithTheirBodies) {
  neRigidBody* a = sim->CreateRigidBody();
  neRigidBody* b = sim->CreateRigidBody();
  neRigidBody* c = sim->CreateRigidBody();
  neConstraint* j1 = sim->CreateConstraint(a, b);
  neConstraint* j2 = sim->CreateConstraint(c, a);
  ASSERT_NE(j1, nullptr);
  ASSERT_NE(j2, nullptr);
  EXPECT_EQ(j1->GetRigidBodyB(), b);
  EXPECT_EQ(j1->GetAnimatedBodyB(), nullptr);
  EXPECT_FLOAT_EQ(j1->GetTolerance(), 0.001f);
  j1->SetType(1);
  EXPECT_EQ(j1->GetType(), neConstraint::kBall);
  j1->SetType(neConstraint::kHinge);
  EXPECT_EQ(neRecordOf(j1)->anchorCount, 2);
  EXPECT_EQ(j1->GetJointLength(), 1.0f);
  EXPECT_EQ(j1->GetIterationCount(), -1);
  j1->SetMotor(1, 2.0f, -5.0f);
  int32_t kind = 0;
  float speed = 0, maxf = 0;
  j1->GetMotor(kind, speed, maxf);
  EXPECT_EQ(maxf, 5.0f);

  sim->FreeRigidBody(a);
  EXPECT_EQ(neRecordOf(b)->jointHead, nullptr);
  EXPECT_EQ(neRecordOf(c)->jointHead, nullptr);
  neSimulationSizes used;
  sim->GetSizesInUse(used);
  EXPECT_EQ(used.constraintsCount, 0);
}

TEST_F(CoreBody, JointFramesAndControllers) {
  neRigidBody* a = sim->CreateRigidBody();
  neRigidBody* b = sim->CreateRigidBody();
  a->SetPosition(neV3(1, 0, 0));
  b->SetPosition(neV3(0, 2, 0));
  neConstraint* j = sim->CreateConstraint(a, b);
  neTransform world;
  world.SetIdentity();
  world.pos = neV3(3, 3, 3);
  j->SetFrameWorld(world);
  EXPECT_FLOAT_EQ(j->GetFrameAWorld().pos.x, 3.0f);
  EXPECT_FLOAT_EQ(j->GetFrameBWorld().pos.y, 3.0f);
  EXPECT_FLOAT_EQ(neRecordOf(j)->frameA.pos.x, 2.0f);

  JointNoop cb;
  EXPECT_EQ(j->AddController(nullptr, 0), nullptr);
  neJointController* first = j->AddController(&cb, 0);
  neJointController* second = j->AddController(&cb, 0);
  neJointController* third = j->AddController(&cb, 0);
  j->BeginControllerIteration();
  EXPECT_EQ(j->GetNextController(), first);
  EXPECT_EQ(j->GetNextController(), third);  // each new one goes right after the first
  EXPECT_EQ(j->GetNextController(), second);
  EXPECT_EQ(first->GetConstraint(), j);
  first->SetForceWithTorqueB(neV3(0, 0, 1), neV3(0, 3, 0));
  EXPECT_FLOAT_EQ(first->GetTorqueB().x, 1.0f);

  neAnimatedBody* m = sim->CreateAnimatedBody();
  neConstraint* k = sim->CreateConstraint(a, m);
  neJointController* kc = k->AddController(&cb, 0);
  kc->SetTorqueB(neV3(7, 0, 0));
  kc->SetForceWithTorqueB(neV3(0, 0, 1), neV3(0, 3, 0));
  EXPECT_EQ(kc->GetTorqueB().x, 7.0f);  // an animated B gets no torque
  EXPECT_EQ(kc->GetForceB().z, 1.0f);
  EXPECT_TRUE(k->RemoveController(kc));
  EXPECT_FALSE(k->RemoveController(kc));
  sim->FreeConstraint(k);
  EXPECT_EQ(neRecordOf(m)->jointHead, nullptr);
}

TEST_F(CoreBody, BreakingOffAGeometry) {
  neRigidBody* b = sim->CreateRigidBody();
  neGeometry* only = b->AddGeometry();
  EXPECT_EQ(b->BreakGeometry(only), nullptr);
  neGeometry* second = b->AddGeometry();
  neTransform t;
  t.SetIdentity();
  t.pos = neV3(2, 0, 0);
  second->SetTransform(t);
  second->SetBreakageMass(3.0f);
  second->SetBreakageInertiaTensor(neV3(1, 1, 1));
  second->SetBreakageFlag(kNeBreakNormal);
  b->SetPosition(neV3(0, 5, 0));
  b->UpdateBoundingInfo();
  neRigidBody* piece = b->BreakGeometry(second);
  ASSERT_NE(piece, nullptr);
  EXPECT_EQ(b->GetGeometryCount(), 1);
  EXPECT_EQ(piece->GetGeometryCount(), 1);
  EXPECT_EQ(piece->GetMass(), 3.0f);
  EXPECT_FLOAT_EQ(piece->GetPosition().x, 2.0f);
  EXPECT_FLOAT_EQ(piece->GetPosition().y, 5.0f);
  EXPECT_EQ(second->GetBreakageFlag(), kNeBreakNever);
  EXPECT_EQ(second->GetTransform().pos.x, 0.0f);
  sim->Step(0.01f, 1);
  EXPECT_EQ(neRecordOf(sim)->region.BodyCount(), 2);
}

}  // namespace
