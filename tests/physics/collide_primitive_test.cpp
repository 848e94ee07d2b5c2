// Sphere, capsule and box pair tests: their stated edge cases, points that
// coincide, and random poses against distance references.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/collide_tests.h"
#include "physics/narrowphase.h"
#include "tests/physics/collide_oracle.h"

using namespace collide_test;

namespace {

// A pair given the other way round yields exactly the flipped contact.
void ExpectSwappedIsFlipped(neGeometryRecord& a, const neTransform& ta, neGeometryRecord& b,
                            const neTransform& tb) {
  const neCollisionResult r = Collide(a, ta, b, tb);
  const neCollisionResult s = Collide(b, tb, a, ta);
  ASSERT_EQ(r.found, s.found);
  if (!r.found) return;
  EXPECT_FLOAT_EQ(r.depth, s.depth);
  EXPECT_FLOAT_EQ(r.normal.x, -s.normal.x);
  EXPECT_FLOAT_EQ(r.normal.y, -s.normal.y);
  EXPECT_FLOAT_EQ(r.normal.z, -s.normal.z);
  EXPECT_FLOAT_EQ(r.pointA.x, s.pointB.x);
  EXPECT_FLOAT_EQ(r.pointB.y, s.pointA.y);
}

TEST(CollideSphere, SphereSphereTouchingAndCoincident) {
  neGeometryRecord a = MakeSphere(1.0f), b = MakeSphere(0.5f);
  EXPECT_EQ(Collide(a, At(1.5f, 0, 0), b, At(0, 0, 0)).found, 0);  // exactly touching
  EXPECT_EQ(Collide(a, At(0, 0, 0), b, At(0, 0, 0)).found, 0);     // same centre
  const neCollisionResult r = Collide(a, At(0, 1.2f, 0), b, At(0, 0, 0));
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(r.depth, 0.3f, 1e-6f);
  EXPECT_NEAR(r.normal.y, 1.0f, 1e-6f);
  EXPECT_EQ(ConventionProblem(r, 1e-5f), "");
}

TEST(CollideSphere, BoxSphereRegions) {
  neGeometryRecord box = MakeBox(1, 2, 3), s = MakeSphere(0.25f);
  // Touching a face from outside: no contact; an edge or corner: depth 0.
  EXPECT_EQ(Collide(box, At(0, 0, 0), s, At(1.25f, 0, 0)).found, 0);
  // (Offsets and radii exact in binary: 0.375^2 + 0.5^2 = 0.625^2 and
  // 0.25^2 + 0.5^2 + 0.5^2 = 0.75^2.)
  neGeometryRecord edgeBall = MakeSphere(0.625f), cornerBall = MakeSphere(0.75f);
  neCollisionResult r = Collide(box, At(0, 0, 0), edgeBall, At(1.375f, 2.5f, 0));
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(r.depth, 0.0f);
  r = Collide(box, At(0, 0, 0), cornerBall, At(1.25f, 2.5f, 3.5f));
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(r.depth, 0.0f);

  // Centre inside at (0.5, 0, 0): out through +x, normal = -x of the box.
  const neMatrix3x3 turn = AxisAngle(neV3(0, 1, 0), 0.5f);
  const neTransform tb = Pose(turn, neV3(3, 4, 5));
  r = Collide(box, tb, s, Pose(turn, tb.TransformPoint(neV3(0.5f, 0, 0))));
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(r.depth, 0.75f, 1e-5f);
  EXPECT_NEAR(r.normal.Dot(turn.col[0]), -1.0f, 1e-5f);
  EXPECT_NEAR(tb.FastInverse().TransformPoint(r.pointA).x, 1.0f, 1e-5f);
  EXPECT_EQ(ConventionProblem(r, 1e-5f), "");

  // Equally far from two faces: the later axis.
  neGeometryRecord cube = MakeBox(1, 1, 2);
  r = Collide(cube, At(0, 0, 0), s, At(0.5f, 0.5f, 0));
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(std::fabs(r.normal.y), 1.0f, 1e-6f);

  // A centre exactly on an edge or a corner still gets a direction.
  for (const neVector3& p : {neV3(1, 2, 0), neV3(1, 2, 3), neV3(-1, 2, -3)}) {
    r = Collide(box, At(0, 0, 0), s, At(p.x, p.y, p.z));
    ASSERT_EQ(r.found, 1);
    EXPECT_EQ(ConventionProblem(r, 1e-5f), "");
    EXPECT_NEAR(r.depth, 0.25f, 1e-6f);
    // Into the box: moving the box along the normal takes it away.
    EXPECT_LT(r.normal.Dot(p), 0.0f);
  }
  ExpectSwappedIsFlipped(s, At(0.2f, 2.1f, 0), box, At(0, 0, 0));
}

TEST(CollideSphere, BoxSphereRandomPosesMatchDistance) {
  Rng rng(21);
  int checked = 0;
  for (int i = 0; i < 5000; ++i) {
    neGeometryRecord box =
        MakeBox(rng.Uniform(0.2f, 2), rng.Uniform(0.2f, 2), rng.Uniform(0.2f, 2));
    neGeometryRecord s = MakeSphere(rng.Uniform(0.1f, 1.5f));
    const neTransform tb = Pose(rng.Rotation(), rng.InCube(3));
    const neTransform ts = Pose(rng.Rotation(), tb.pos + rng.InCube(3.5f));
    const double dist = PointBoxDistance(ts.pos, box, tb);
    const neCollisionResult r = Collide(box, tb, s, ts);
    if (dist > s.radius + 1e-3) {
      EXPECT_EQ(r.found, 0) << i;
      continue;
    }
    if (dist < 1e-3 || dist > s.radius - 1e-3) continue;  // inside: checked above by cases
    ++checked;
    ASSERT_EQ(r.found, 1) << i;
    EXPECT_NEAR(r.depth, s.radius - dist, 1e-3) << i;
    EXPECT_EQ(ConventionProblem(r), "") << i;
    ExpectSwappedIsFlipped(s, ts, box, tb);
  }
  EXPECT_GT(checked, 500);
}

TEST(CollideCapsule, CapsuleSphereAxisAndEnds) {
  neGeometryRecord cap = MakeCapsule(0.5f, 1.0f), s = MakeSphere(0.3f);
  const neMatrix3x3 tilt = AxisAngle(neV3(1, 0, 1), 0.8f);
  // A centre on the axis: the normal is the capsule's own x axis.
  neCollisionResult r = Collide(cap, Pose(tilt, neV3(0, 0, 0)), s, Pose(tilt, tilt.col[1] * 0.4f));
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(r.normal.Dot(tilt.col[0]), 1.0f, 1e-5f);
  EXPECT_NEAR(r.depth, 0.8f, 1e-5f);
  // Beyond the end, within the radii of the end point: the rounded end.
  r = Collide(cap, At(0, 0, 0), s, At(0.3f, 1.0f + 0.5f, 0));
  ASSERT_EQ(r.found, 1);
  const float d = std::sqrt(0.09f + 0.25f);
  EXPECT_NEAR(r.depth, 0.8f - d, 1e-5f);
  EXPECT_EQ(ConventionProblem(r, 1e-5f), "");
  EXPECT_EQ(Collide(cap, At(0, 0, 0), s, At(0, 1.0f + 0.81f, 0)).found, 0);
  ExpectSwappedIsFlipped(s, At(0.3f, 1.2f, 0.1f), cap, At(0, 0, 0));
}

TEST(CollideCapsule, CapsuleCapsuleCases) {
  neGeometryRecord a = MakeCapsule(0.5f, 1.0f), b = MakeCapsule(0.25f, 2.0f);
  // Parallel side by side: from the end sub-tests, depth 0.75 - 0.6.
  neCollisionResult r = Collide(a, At(0.6f, 0.5f, 0), b, At(0, 0, 0));
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(r.depth, 0.15f, 1e-5f);
  EXPECT_NEAR(r.normal.x, 1.0f, 1e-5f);
  EXPECT_EQ(ConventionProblem(r, 1e-5f), "");

  // Crossing, closest points inside both segments, but too far apart.
  const neMatrix3x3 across = AxisAngle(neV3(1, 0, 0), 1.5707964f);
  EXPECT_EQ(Collide(a, Pose(across, neV3(0.8f, 0, 0)), b, At(0, 0, 0)).found, 0);

  // Axes that meet: the normal runs along their common perpendicular.
  r = Collide(a, Pose(across, neV3(0, 0.5f, 0)), b, At(0, 0, 0));
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(ConventionProblem(r, 1e-5f), "");
  EXPECT_NEAR(std::fabs(r.normal.x), 1.0f, 1e-5f);
  EXPECT_NEAR(r.depth, 0.75f, 1e-5f);

  // Coincident end points, and an end exactly on the other axis.
  r = Collide(a, At(0, 3.0f, 0.0f), b, At(0, 0, 0));
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(ConventionProblem(r, 1e-5f), "");
  EXPECT_GT(r.normal.y, 0.9f);
  const neMatrix3x3 lean = AxisAngle(neV3(0, 0, 1), 0.0004f);
  r = Collide(a, Pose(lean, neV3(0, 2.5f, 0)), b, At(0, 0, 0));
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(ConventionProblem(r, 1e-5f), "");
}

TEST(CollideCapsule, RandomPosesMatchSegmentDistances) {
  Rng rng(99);
  int capsules = 0, boxes = 0;
  for (int i = 0; i < 5000; ++i) {
    neGeometryRecord a = MakeCapsule(rng.Uniform(0.1f, 1), rng.Uniform(0.0f, 2));
    neGeometryRecord b = MakeCapsule(rng.Uniform(0.1f, 1), rng.Uniform(0.0f, 2));
    const neTransform tb = Pose(rng.Rotation(), rng.InCube(2));
    const neTransform ta = Pose(rng.Rotation(), tb.pos + rng.InCube(3));
    const neVector3 ua = ta.rot.col[1] * a.halfHeight, ub = tb.rot.col[1] * b.halfHeight;
    const double dist = SegmentSegmentDistance(ta.pos - ua, ta.pos + ua, tb.pos - ub, tb.pos + ub);
    const double want = a.radius + b.radius - dist;
    neCollisionResult r = Collide(a, ta, b, tb);
    if (want < -1e-3) {
      EXPECT_EQ(r.found, 0) << i;
    } else if (want > 1e-3 && dist > 1e-3) {
      ++capsules;
      ASSERT_EQ(r.found, 1) << i;
      EXPECT_NEAR(r.depth, want, 1e-3) << i;
      EXPECT_EQ(ConventionProblem(r), "") << i;
    }

    neGeometryRecord box =
        MakeBox(rng.Uniform(0.2f, 2), rng.Uniform(0.2f, 2), rng.Uniform(0.2f, 2));
    const double toBox = SegmentBoxDistance(ta.pos - ua, ta.pos + ua, box, tb);
    r = Collide(box, tb, a, ta);
    if (toBox > a.radius + 1e-3) {
      EXPECT_EQ(r.found, 0) << i;
    } else if (toBox > 1e-3 && toBox < a.radius - 1e-3) {
      ++boxes;
      ASSERT_EQ(r.found, 1) << i;
      EXPECT_NEAR(r.depth, a.radius - toBox, 1e-3) << i;
      EXPECT_EQ(ConventionProblem(r), "") << i;
      ExpectSwappedIsFlipped(a, ta, box, tb);
    } else if (toBox <= 1e-3) {
      // The axis touches or enters the box: pushed out through a face.
      ASSERT_EQ(r.found, 1) << i;
      EXPECT_EQ(ConventionProblem(r), "") << i;
      EXPECT_GE(r.depth, a.radius - 1e-3f) << i;
    }
  }
  EXPECT_GT(capsules, 500);
  EXPECT_GT(boxes, 300);
}

TEST(CollideCapsule, SegmentBoxClosestPoints) {
  const neVector3 e = neV3(1, 1, 1);
  neVector3 q, b;
  // Starting exactly on the +x face and moving outward while coming down
  // toward the box: the closest point is at t = 0.2, not where y enters.
  neSegmentBoxClosestPoints(neV3(1, 2, 0), neV3(3, -2, 0), e, q, b);
  EXPECT_NEAR(q.x, 1.4f, 1e-5f);
  EXPECT_NEAR(q.y, 1.2f, 1e-5f);
  EXPECT_NEAR(b.x, 1.0f, 1e-6f);
  EXPECT_NEAR(b.y, 1.0f, 1e-6f);

  // A flat box (zero thickness on y) crossed by the segment.
  neSegmentBoxClosestPoints(neV3(0.5f, 1, 0), neV3(0.5f, -1, 0), neV3(1, 0, 1), q, b);
  EXPECT_NEAR((q - b).Length(), 0.0f, 1e-6f);

  Rng rng(5);
  neGeometryRecord box = MakeBox(1, 1, 1);
  for (int i = 0; i < 3000; ++i) {
    const neVector3 ext = neV3(rng.Uniform(0.1f, 2), rng.Uniform(0.1f, 2), rng.Uniform(0.1f, 2));
    box.halfExtents = ext;
    const neVector3 s0 = rng.InCube(4), s1 = rng.InCube(4);
    neSegmentBoxClosestPoints(s0, s1, ext, q, b);
    const double want = SegmentBoxDistance(s0, s1, box, Pose(Identity(), neV3(0, 0, 0)));
    EXPECT_NEAR(std::sqrt((q - b).LengthSquared()), want, 1e-4) << i;
    EXPECT_NEAR(PointSegmentDistance(q, s0, s1), 0.0, 1e-4) << i;
  }
}

}  // namespace
