// Body against body: the search over two geometry lists, the cheap box
// rejection, the record the contact passes read, and inputs that must never
// give a contact.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "physics/body.h"
#include "physics/narrowphase.h"
#include "physics/substep_phases.h"
#include "tests/physics/collide_oracle.h"

using namespace collide_test;

namespace {

// A body over the given geometries (linked in order), its box computed.
void MakeBody(neBody& body, std::vector<neGeometryRecord>& geometries) {
  for (size_t i = 0; i < geometries.size(); ++i) {
    geometries[i].next = i + 1 < geometries.size() ? &geometries[i + 1] : nullptr;
  }
  body.geometryHead = geometries.empty() ? nullptr : &geometries[0];
  body.geometryCount = static_cast<int32_t>(geometries.size());
  neBodyComputeBox(body);
}

neGeometryRecord Placed(neGeometryRecord g, float x, float y, float z, int32_t material) {
  g.transform = At(x, y, z);
  g.materialIndex = material;
  return g;
}

neCollisionResult Collide(neBody& a, const neTransform& ta, neBody& b, const neTransform& tb) {
  neCollisionResult r;
  r.found = 0;
  neCollideBodies(r, a, ta, b, tb, neV3(0, 0, 0));
  return r;
}

TEST(CollideBodies, DeepestPairOfTwoListsAndTheRecord) {
  // A: two boxes side by side; B: a box and a sphere. A's second box sinks
  // deepest into B's sphere.
  std::vector<neGeometryRecord> ga = {Placed(MakeBox(0.5f, 0.5f, 0.5f), -1, 0, 0, 1),
                                      Placed(MakeBox(0.5f, 0.5f, 0.5f), 1, 0, 0, 2)};
  std::vector<neGeometryRecord> gb = {Placed(MakeBox(0.5f, 0.5f, 0.5f), -1, 0.95f, 0, 3),
                                      Placed(MakeSphere(0.5f), 1, 0.8f, 0, 4)};
  neBody a, b;
  MakeBody(a, ga);
  MakeBody(b, gb);
  const neMatrix3x3 turn = AxisAngle(neV3(0, 1, 0), 0.3f);
  const neTransform ta = Pose(turn, neV3(5, 1, 2));
  const neTransform tb = Pose(turn, neV3(5, 1, 2));
  const neCollisionResult r = Collide(a, ta, b, tb);
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(r.geometryA, &ga[1]);
  EXPECT_EQ(r.geometryB, &gb[1]);
  EXPECT_NEAR(r.depth, 0.2f, 1e-5f);
  EXPECT_EQ(r.materialA, 2);
  EXPECT_EQ(r.materialB, 4);
  EXPECT_EQ(ConventionProblem(r), "");
  // Offsets from each body's position, and the same in the bodies' frames.
  const neVector3 offA = r.pointA - ta.pos, offB = r.pointB - tb.pos;
  EXPECT_NEAR((r.offsetA - offA).Length(), 0.0f, 1e-6f);
  EXPECT_NEAR((r.offsetB - offB).Length(), 0.0f, 1e-6f);
  EXPECT_NEAR((ta.rot.MultiplyVector(r.bodyPointA) - offA).Length(), 0.0f, 1e-5f);
  EXPECT_NEAR((tb.rot.MultiplyVector(r.bodyPointB) - offB).Length(), 0.0f, 1e-5f);
}

TEST(CollideBodies, BoxesRejectFirstAndDepthZeroNeverWins) {
  std::vector<neGeometryRecord> ga = {Placed(MakeBox(0.5f, 0.5f, 0.5f), 0, 0, 0, 0),
                                      Placed(MakeBox(0.5f, 0.5f, 0.5f), 0, 5, 0, 0)};
  std::vector<neGeometryRecord> gb = {Placed(MakeBox(0.5f, 0.5f, 0.5f), 0, 0.5f, 0, 0),
                                      Placed(MakeBox(0.5f, 0.5f, 0.5f), 3, 0, 0, 0)};
  neBody a, b;
  MakeBody(a, ga);
  MakeBody(b, gb);
  EXPECT_EQ(Collide(a, At(0, 0, 0), b, At(0, 0, 0)).found, 1);
  // Bodies whose boxes miss each other never test their geometries (here a
  // stale box says so although the geometries overlap).
  b.box.transform = At(0, 100, 0);
  EXPECT_EQ(Collide(a, At(0, 0, 0), b, At(0, 0, 0)).found, 0);

  // A sphere touching a box edge exactly gives a contact of depth 0: alone it
  // is reported, among several geometries it never wins.
  neGeometryRecord ball = MakeSphere(0.625f);
  std::vector<neGeometryRecord> one = {Placed(MakeBox(1, 2, 3), 0, 0, 0, 0)};
  std::vector<neGeometryRecord> single = {Placed(ball, 1.375f, 2.5f, 0, 0)};
  std::vector<neGeometryRecord> pair = {Placed(ball, 1.375f, 2.5f, 0, 0),
                                        Placed(MakeBox(0.1f, 0.1f, 0.1f), 0, 40, 0, 0)};
  neBody box, s1, s2;
  MakeBody(box, one);
  MakeBody(s1, single);
  MakeBody(s2, pair);
  neCollisionResult r = Collide(s1, At(0, 0, 0), box, At(0, 0, 0));
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(r.depth, 0.0f);
  EXPECT_EQ(Collide(s2, At(0, 0, 0), box, At(0, 0, 0)).found, 0);

  // A body without geometry, and shapes without a pair test.
  neBody empty;
  EXPECT_EQ(Collide(empty, At(0, 0, 0), box, At(0, 0, 0)).found, 0);
  std::vector<neGeometryRecord> points = {MakeBox(1, 1, 1)};
  points[0].type = kNeShapePointList;
  neBody pointBody;
  MakeBody(pointBody, points);
  EXPECT_EQ(Collide(pointBody, At(0, 0, 0), box, At(0, 0, 0)).found, 0);
  EXPECT_EQ(Collide(box, At(0, 0, 0), pointBody, At(0, 0, 0)).found, 0);
}

TEST(CollideBodies, ManyGeometriesAndTheTerrain) {
  // 120 small boxes in a row against a body of two: only the 111th touches.
  std::vector<neGeometryRecord> row;
  for (int i = 0; i < 120; ++i) row.push_back(Placed(MakeBox(0.4f, 0.4f, 0.4f), i * 1.0f, 0, 0, i));
  std::vector<neGeometryRecord> probe = {Placed(MakeBox(0.2f, 0.2f, 0.2f), 110, 0.5f, 0, 0),
                                         Placed(MakeBox(0.2f, 0.2f, 0.2f), 110, 3, 0, 0)};
  neBody a, b;
  MakeBody(a, row);
  MakeBody(b, probe);
  neCollisionResult r = Collide(a, At(0, 0, 0), b, At(0, 0, 0));
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(r.geometryA, &row[110]);
  EXPECT_EQ(r.materialA, 110);
  EXPECT_NEAR(r.depth, 0.1f, 1e-5f);
  r = Collide(b, At(0, 0, 0), a, At(0, 0, 0));
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(r.geometryB, &row[110]);

  // The terrain as body B: one triangle-list geometry with no transform; the
  // triangle gives material and user word.
  TriangleSoup ground;
  ground.Add(neV3(-200, 0, -200), neV3(-200, 0, 200), neV3(200, 0, 200), 3, 0, 77);
  ground.Add(neV3(-200, 0, -200), neV3(200, 0, 200), neV3(200, 0, -200), 3, 0, 78);
  std::vector<neGeometryRecord> list = {ground.Geometry()};
  neBody terrain;
  MakeBody(terrain, list);
  terrain.box = list[0];
  // The row lies on both triangles (equal depth: the first listed wins); the
  // probe only on the second.
  struct Case {
    neBody* body;
    float y;
    int32_t user;
  };
  const Case cases[2] = {{&a, 0.35f, 77}, {&b, -0.45f, 78}};
  for (const Case& c : cases) {
    const neCollisionResult t = Collide(*c.body, At(0, c.y, 0.5f), terrain, At(0, 0, 0));
    ASSERT_EQ(t.found, 1);
    EXPECT_EQ(t.materialB, 3);
    EXPECT_EQ(t.triangleUserWord, c.user);
    EXPECT_NEAR(t.normal.y, 1.0f, 1e-5f);
  }
}

TEST(CollideBodies, NonFinitePosesGiveNoContact) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  neGeometryRecord shapes[4] = {MakeBox(0.5f, 0.5f, 0.5f), MakeSphere(0.5f),
                                MakeCapsule(0.3f, 0.5f), MakeBox(1, 0.2f, 1)};
  TriangleSoup ground;
  ground.Add(neV3(-5, 0, -5), neV3(-5, 0, 5), neV3(5, 0, 5));
  neGeometryRecord list = ground.Geometry();
  neTransform identity;
  identity.SetIdentity();
  for (const float bad : {nan, inf}) {
    neTransform broken = At(0, 0.2f, 0);
    broken.pos.y = bad;
    neTransform tilted = At(0, 0.2f, 0);
    tilted.rot.col[0].x = bad;
    for (neGeometryRecord& a : shapes) {
      for (neGeometryRecord& b : shapes) {
        for (const neTransform& t : {broken, tilted}) {
          neCollisionResult r;
          r.found = 0;
          neCollideGeometries(r, a, t, b, At(0, 0, 0), neV3(0, 0, 0));
          if (r.found) {
            EXPECT_EQ(ConventionProblem(r), "");
          }
          r.found = 0;
          neCollideGeometries(r, b, At(0, 0, 0), a, t, neV3(0, 0, 0));
          if (r.found) {
            EXPECT_EQ(ConventionProblem(r), "");
          }
        }
      }
      neCollisionResult r;
      r.found = 0;
      neCollideGeometries(r, a, broken, list, identity, neV3(0, 0, 0));
      EXPECT_EQ(r.found, 0);
    }
  }
}

}  // namespace
