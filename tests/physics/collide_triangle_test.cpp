// Spheres, capsules and boxes against terrain triangles: degenerate and tiny
// triangles, test modes, shared edges, and random poses against references.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/collide_tests.h"
#include "physics/narrowphase.h"
#include "tests/physics/collide_oracle.h"

using namespace collide_test;

namespace {

neCollisionResult Collide(neGeometryRecord& a, const neTransform& ta, TriangleSoup& soup) {
  neGeometryRecord list = soup.Geometry();
  neTransform identity;
  identity.SetIdentity();
  return collide_test::Collide(a, ta, list, identity);
}

// A flat square at height y, two triangles, wound to face up.
void AddFloor(TriangleSoup& soup, float half, float y, int32_t material = 0, int32_t mode = 0) {
  soup.Add(neV3(-half, y, -half), neV3(-half, y, half), neV3(half, y, half), material, mode, 7);
  soup.Add(neV3(-half, y, -half), neV3(half, y, half), neV3(half, y, -half), material, mode, 8);
}

TEST(CollideTriangle, DegenerateTrianglesNeverTouchAndTinyOnesDo) {
  neGeometryRecord box = MakeBox(0.5f, 0.5f, 0.5f), ball = MakeSphere(0.5f),
                   cap = MakeCapsule(0.3f, 0.5f);
  TriangleSoup flat;  // zero area: a repeated vertex, and three points in a row
  flat.Add(neV3(0, 0, 0), neV3(0, 0, 0), neV3(1, 0, 0));
  flat.Add(neV3(-1, 0, 0), neV3(0, 0, 0), neV3(1, 0, 0));
  for (neGeometryRecord* g : {&box, &ball, &cap}) {
    EXPECT_EQ(Collide(*g, At(0, 0.3f, 0), flat).found, 0);
  }
  // A degenerate triangle first in the list never blocks the real one after it.
  AddFloor(flat, 2.0f, 0.0f, 3);
  for (neGeometryRecord* g : {&box, &ball, &cap}) {
    const neCollisionResult r = Collide(*g, At(0, 0.45f, 0), flat);
    ASSERT_EQ(r.found, 1);
    EXPECT_EQ(ConventionProblem(r), "");
    EXPECT_NEAR(r.normal.y, 1.0f, 1e-5f);
    EXPECT_EQ(r.materialB, 3);
  }
  // Kerb-sized triangles (2 cm) have a normal like any other.
  TriangleSoup kerb;
  AddFloor(kerb, 0.01f, 0.0f);
  const neCollisionResult r = Collide(ball, At(0, 0.49f, 0), kerb);
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(r.depth, 0.01f, 1e-5f);
  EXPECT_NEAR(r.normal.y, 1.0f, 1e-5f);
}

TEST(CollideTriangle, SphereEdgesVerticesAndSharedEdges) {
  neGeometryRecord ball = MakeSphere(0.5f);
  TriangleSoup floor;
  AddFloor(floor, 1.0f, 0.0f);
  // Across the shared diagonal: both triangles report the same depth, the
  // earlier one in the list wins and reports its user word.
  neCollisionResult r = Collide(ball, At(0, 0.4f, 0), floor);
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(r.depth, 0.1f, 1e-6f);
  EXPECT_EQ(r.triangleUserWord, 7);
  // Below the floor: the triangles are two-sided.
  r = Collide(ball, At(0.3f, -0.3f, 0.1f), floor);
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(r.normal.y, -1.0f, 1e-6f);

  // A centre exactly on a vertex, and just outside an edge.
  TriangleSoup one;
  one.Add(neV3(0, 0, 0), neV3(0, 0, 1), neV3(1, 0, 0));
  r = Collide(ball, At(0, 0, 0), one);
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(ConventionProblem(r), "");
  r = Collide(ball, At(-0.2f, 0.1f, 0.5f), one);
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(ConventionProblem(r), "");
  EXPECT_NEAR(r.pointB.x, 0.0f, 1e-6f);
  // A centre in an edge region beyond that edge's end gets nothing from it.
  TriangleSoup acute;
  acute.Add(neV3(0, 0, 0), neV3(0, 0, 1), neV3(4, 0, 3));
  EXPECT_EQ(Collide(ball, At(-0.1f, 0.3f, -0.05f), acute).found, 0);
}

TEST(CollideTriangle, TestModesAndGroundTriangles) {
  neGeometryRecord box = MakeBox(1, 0.5f, 1), ball = MakeSphere(0.5f),
                   cap = MakeCapsule(0.3f, 0.5f);
  TriangleSoup ground, skipped;
  AddFloor(ground, 3.0f, 0.0f, 0, 1);
  AddFloor(skipped, 3.0f, 0.0f, 0, 2);
  EXPECT_EQ(Collide(ball, At(0, 0.4f, 0), ground).found, 0);
  EXPECT_EQ(Collide(cap, At(0, 0.4f, 0), ground).found, 0);
  EXPECT_EQ(Collide(box, At(0, 0.4f, 0), skipped).found, 0);

  // A tilted box on ground triangles: the corner deepest below the surface
  // along y wins; the normal is the triangle's own.
  const neMatrix3x3 tilt = AxisAngle(neV3(0, 0, 1), 0.3f);
  const neTransform tb = Pose(tilt, neV3(0, 0.55f, 0));
  neCollisionResult r = Collide(box, tb, ground);
  ASSERT_EQ(r.found, 1);
  float lowest = 1e9f;
  for (int i = 0; i < 8; ++i) {
    const neVector3 c = tb.TransformPoint(
        neV3((i & 4) ? 1.0f : -1.0f, (i & 2) ? 0.5f : -0.5f, (i & 1) ? 1.0f : -1.0f));
    lowest = std::fmin(lowest, c.y);
  }
  EXPECT_NEAR(r.depth, -lowest, 1e-5f);
  EXPECT_NEAR(r.pointB.y, 0.0f, 1e-6f);
  EXPECT_NEAR(r.normal.y, 1.0f, 1e-6f);
  // Corners outside the triangles' x-z outline are ignored.
  TriangleSoup patch;
  patch.Add(neV3(5, 0, -1), neV3(5, 0, 1), neV3(7, 0, 1), 0, 1);
  EXPECT_EQ(Collide(box, At(0, 0.3f, 0), patch).found, 0);
  // A ground triangle standing on edge has no height: it acts as two-sided.
  TriangleSoup wall;
  wall.Add(neV3(0.8f, -2, -2), neV3(0.8f, 2, -2), neV3(0.8f, 0, 3), 0, 1);
  r = Collide(box, At(0, 0, 0), wall);
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(ConventionProblem(r), "");
  EXPECT_NEAR(r.depth, 0.2f, 1e-5f);
}

TEST(CollideTriangle, BoxAxesAgainstTwoSidedTriangles) {
  neGeometryRecord box = MakeBox(1, 1, 1);
  TriangleSoup floor;
  AddFloor(floor, 5.0f, 0.0f);
  // Just clear of the plane, and just into it.
  EXPECT_EQ(Collide(box, At(0, 1.001f, 0), floor).found, 0);
  neCollisionResult r = Collide(box, At(0, 0.999f, 0), floor);
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(r.depth, 0.001f, 1e-6f);
  EXPECT_EQ(r.triangleUserWord, 7);

  // A small steep triangle poking into a box's bottom face: the face axis is
  // shallower than the triangle's normal; the point on A is the triangle's
  // penetrating vertex.
  TriangleSoup spike;
  spike.Add(neV3(-0.2f, -1, 0), neV3(0.2f, -1, 0), neV3(0, 0.1f, 0.05f));
  r = Collide(box, At(0, 1.0f, 0), spike);
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(r.depth, 0.1f, 1e-5f);
  EXPECT_NEAR(r.normal.y, 1.0f, 1e-5f);
  EXPECT_NEAR(r.pointA.y, 0.1f, 1e-6f);
  EXPECT_EQ(ConventionProblem(r), "");

  // The same triangle as a single-triangle geometry on a placed body.
  neGeometryRecord owner = spike.Geometry();
  neGeometryRecord single;
  single.SetTriangle();
  single.ownerTriangleList = &owner;
  single.triangleVertices[0] = 0;
  single.triangleVertices[1] = 1;
  single.triangleVertices[2] = 2;
  neCollisionResult s;
  s.found = 0;
  neCollideGeometries(s, box, At(3, 1, 0), single, At(3, 0, 0), neV3(0, 0, 0));
  ASSERT_EQ(s.found, 1);
  EXPECT_NEAR(s.depth, 0.1f, 1e-5f);
}

TEST(CollideTriangle, RandomBoxPosesAgreeWithSeparatingAxes) {
  Rng rng(4242);
  int contacts = 0, edges = 0;
  for (int i = 0; i < 6000; ++i) {
    neGeometryRecord box =
        MakeBox(rng.Uniform(0.2f, 1.5f), rng.Uniform(0.2f, 1.5f), rng.Uniform(0.2f, 1.5f));
    const neVector3 a = rng.InCube(2), b = rng.InCube(2), c = rng.InCube(2);
    if ((b - a).Cross(c - a).Length() < 0.05f) continue;
    TriangleSoup soup;
    soup.Add(a, b, c);
    const neTransform t = Pose(rng.Rotation(), rng.InCube(2));
    const double overlap = BoxTriangleOverlap(box, t, a, b, c);
    const neCollisionResult r = Collide(box, t, soup);
    if (overlap < -1e-3) {
      EXPECT_EQ(r.found, 0) << i;
      continue;
    }
    if (overlap < 1e-3) continue;
    ++contacts;
    ASSERT_EQ(r.found, 1) << i;
    const ConvexSet boxSet = WorldBox(box, t), triSet = WorldTriangle(a, b, c);
    double faceBest = ConvexOverlapOn(boxSet, triSet, triSet.normals[0]);
    for (const neVector3& n : boxSet.normals)
      faceBest = std::fmin(faceBest, ConvexOverlapOn(boxSet, triSet, n));
    EXPECT_GE(r.depth, overlap - 1e-3) << i;
    EXPECT_LE(r.depth, faceBest + 1e-3) << i;
    if (r.depth < faceBest - 1e-3) ++edges;
    EXPECT_NEAR(std::sqrt(r.normal.LengthSquared()), 1.0f, 1e-4f) << i;
    // The box moved along the normal by the depth clears the triangle on
    // that axis.
    const ConvexSet moved = WorldBox(box, Translated(t, r.normal * (r.depth + 2e-3f)));
    EXPECT_LT(ConvexOverlapOn(moved, triSet, r.normal), 0.0) << i;
  }
  EXPECT_GT(contacts, 1000);
  EXPECT_GT(edges, 30);
}

TEST(CollideTriangle, RandomSphereAndCapsulePosesAgreeWithDistances) {
  Rng rng(77);
  int spheres = 0, capsules = 0;
  for (int i = 0; i < 6000; ++i) {
    const neVector3 a = rng.InCube(2), b = rng.InCube(2), c = rng.InCube(2);
    if ((b - a).Cross(c - a).Length() < 0.05f) continue;
    TriangleSoup soup;
    soup.Add(a, b, c, 5);
    neGeometryRecord ball = MakeSphere(rng.Uniform(0.1f, 1.0f));
    const neTransform ts =
        At(rng.Uniform(-2.5f, 2.5f), rng.Uniform(-2.5f, 2.5f), rng.Uniform(-2.5f, 2.5f));
    const double dist = PointTriangleDistance(ts.pos, a, b, c);
    neCollisionResult r = Collide(ball, ts, soup);
    if (dist > ball.radius + 1e-3) {
      EXPECT_EQ(r.found, 0) << i;
    } else if (dist < ball.radius - 1e-3 && dist > 1e-3) {
      // Over the face the depth is exact; off it, the vertex and edge
      // regions judge by one feature and may only come out shallower (or
      // leave the sphere to the neighbouring triangles).
      neTriangleWorkRecord tri;
      tri.Set(a, b, c);
      const float s = tri.n.Dot(ts.pos) - tri.d;
      const bool overFace = neTriangleRegion(tri, ts.pos - tri.n * s) < 0;
      if (overFace) {
        ASSERT_EQ(r.found, 1) << i;
        EXPECT_NEAR(r.depth, ball.radius - dist, 1e-3) << i;
      }
      if (r.found) {
        ++spheres;
        EXPECT_LE(r.depth, ball.radius - dist + 1e-3) << i;
        EXPECT_EQ(ConventionProblem(r), "") << i;
        EXPECT_EQ(r.materialB, 5);
      }
    }

    neGeometryRecord cap = MakeCapsule(rng.Uniform(0.1f, 0.8f), rng.Uniform(0.1f, 1.5f));
    const neTransform tc = Pose(rng.Rotation(), ts.pos);
    const neVector3 u = tc.rot.col[1] * cap.halfHeight;
    const double segDist = SegmentTriangleDistance(tc.pos - u, tc.pos + u, a, b, c);
    r = Collide(cap, tc, soup);
    if (segDist > cap.radius + 1e-3) {
      EXPECT_EQ(r.found, 0) << i;
      continue;
    }
    if (segDist > 1e-3 && segDist < cap.radius - 1e-3) {
      EXPECT_EQ(r.found, 1) << i;
    }
    if (r.found) {
      ++capsules;
      EXPECT_EQ(ConventionProblem(r), "") << i;
      EXPECT_LT(PointTriangleDistance(r.pointB, a, b, c), 1e-3) << i;
      // Clear of the triangle the depth is at most the radius minus the
      // distance (the face step's crossing check may leave it to a shallower
      // edge); an axis through the triangle reports a penetration.
      if (segDist > 1e-3) {
        EXPECT_LE(r.depth, cap.radius - segDist + 1e-3) << i;
      }
    }
  }
  EXPECT_GT(spheres, 300);
  EXPECT_GT(capsules, 500);
}

TEST(CollideTriangle, FarFromTheOriginBehavesTheSame) {
  neGeometryRecord box = MakeBox(1.0f, 0.4f, 2.0f);
  const neVector3 far = neV3(2000, 0, 2000);
  Rng rng(8);
  for (int i = 0; i < 500; ++i) {
    TriangleSoup nearSoup, farSoup;
    const neVector3 a = rng.InCube(3), b = rng.InCube(3), c = rng.InCube(3);
    nearSoup.Add(a, b, c);
    farSoup.Add(a + far, b + far, c + far);
    const neTransform t = Pose(rng.Rotation(), rng.InCube(1.5f));
    if (std::fabs(BoxTriangleOverlap(box, t, a, b, c)) < 1e-2) continue;
    const neCollisionResult r0 = Collide(box, t, nearSoup);
    const neCollisionResult r1 = Collide(box, Translated(t, far), farSoup);
    ASSERT_EQ(r0.found, r1.found) << i;
    if (!r0.found) continue;
    EXPECT_NEAR(r0.depth, r1.depth, 2e-3f) << i;
    EXPECT_GT(r0.normal.Dot(r1.normal), 0.999f) << i;
  }
}

}  // namespace
