// Box against box: the poses the cars and roadside objects meet in, and
// random poses against a brute-force separating-axis reference.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/collide_tests.h"
#include "physics/narrowphase.h"
#include "tests/physics/collide_oracle.h"

using namespace collide_test;

namespace {

TEST(CollideBoxBox, FaceEdgeAndTiePoses) {
  neGeometryRecord a = MakeBox(0.5f, 0.5f, 0.5f), b = MakeBox(0.5f, 0.5f, 0.5f);

  // Face to face, shifted along x by 0.9: depth 0.1 along x from B toward A.
  neCollisionResult r =
      Collide(a, Pose(Identity(), neV3(0.9f, 0.0f, 0.0f)), b, Pose(Identity(), neV3(0, 0, 0)));
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(r.depth, 0.1f, 1e-5f);
  EXPECT_NEAR(r.normal.x, 1.0f, 1e-5f);
  EXPECT_EQ(ConventionProblem(r, 1e-4f), "");

  // Crossed edge to edge: one box turned 45 degrees about x, the other about
  // z, brought together along y.
  const neMatrix3x3 rx = AxisAngle(neV3(1, 0, 0), 0.7853982f);
  const neMatrix3x3 rz = AxisAngle(neV3(0, 0, 1), 0.7853982f);
  const float reach = 0.70710678f;
  r = Collide(a, Pose(rx, neV3(0, 2 * reach - 0.05f, 0)), b, Pose(rz, neV3(0, 0, 0)));
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(r.depth, 0.05f, 1e-4f);
  // The edges run along x (A) and z (B): their cross product is y.
  EXPECT_NEAR(std::fabs(r.normal.y), 1.0f, 1e-4f);
  EXPECT_GT(r.normal.y, 0.0f);
  EXPECT_NEAR(r.pointA.y, reach - 0.05f, 1e-4f);  // on A's lower edge
  EXPECT_NEAR(r.pointB.y, reach, 1e-4f);          // on B's upper edge
  EXPECT_EQ(ConventionProblem(r, 1e-4f), "");

  // A small box resting on a large one: the faces tie in depth; the large
  // box's face holds the small box's deepest corner, so its axis wins and the
  // point lies under the small box rather than at a far corner of the large.
  neGeometryRecord big = MakeBox(5, 0.5f, 5), small = MakeBox(0.5f, 0.5f, 0.5f);
  r = Collide(small, Pose(Identity(), neV3(1, 0.99f, 1)), big, Pose(Identity(), neV3(0, 0, 0)));
  ASSERT_EQ(r.found, 1);
  EXPECT_NEAR(r.depth, 0.01f, 1e-5f);
  EXPECT_NEAR(r.normal.y, 1.0f, 1e-5f);
  EXPECT_LE(std::fabs(r.pointA.x - 1.0f), 0.5f + 1e-4f);
  EXPECT_LE(std::fabs(r.pointA.z - 1.0f), 0.5f + 1e-4f);

  // Touching faces (depth 0) and a gap are no contact.
  r = Collide(a, Pose(Identity(), neV3(1.0f, 0, 0)), b, Pose(Identity(), neV3(0, 0, 0)));
  EXPECT_EQ(r.found, 0);
  r = Collide(a, Pose(Identity(), neV3(0, 1.2f, 0)), b, Pose(Identity(), neV3(0, 0, 0)));
  EXPECT_EQ(r.found, 0);
}

struct RandomTally {
  int contacts = 0, apart = 0, edgeWins = 0, faceWins = 0, cornerish = 0;
};

// One random pose checked against the reference; returns false (with a
// recorded failure) on the first disagreement.
void CheckPose(Rng& rng, const neVector3& offset, RandomTally& tally, int index) {
  neGeometryRecord a =
      MakeBox(rng.Uniform(0.2f, 2.0f), rng.Uniform(0.2f, 2.0f), rng.Uniform(0.2f, 2.0f));
  neGeometryRecord b =
      MakeBox(rng.Uniform(0.2f, 2.0f), rng.Uniform(0.2f, 2.0f), rng.Uniform(0.2f, 2.0f));
  const neTransform tb = Pose(rng.Rotation(), offset);
  const float spread = a.halfExtents.Length() + b.halfExtents.Length();
  const neTransform ta = Pose(rng.Rotation(), offset + rng.OnSphere() * rng.Uniform(0.0f, spread));

  neVector3 axis;
  bool edge = false;
  double second = 0.0;
  const double overlap = BoxBoxOverlap(a, ta, b, tb, &axis, &edge, &second);
  const neCollisionResult r = Collide(a, ta, b, tb);
  const float band = 1e-3f;
  if (overlap < -band) {
    ++tally.apart;
    EXPECT_EQ(r.found, 0) << "pose " << index << " reference gap " << -overlap;
    return;
  }
  if (overlap < band) return;  // too close to call
  ++tally.contacts;
  if (edge)
    ++tally.edgeWins;
  else
    ++tally.faceWins;
  if (!edge && second - overlap < 0.05) ++tally.cornerish;
  ASSERT_EQ(r.found, 1) << "pose " << index << " reference depth " << overlap;
  EXPECT_NEAR(r.depth, overlap, band) << "pose " << index;
  const float len = std::sqrt(r.normal.LengthSquared());
  ASSERT_NEAR(len, 1.0f, 1e-4f) << "pose " << index;
  // The normal is a separating direction for the depth: A moved along it by
  // the depth no longer overlaps along it.
  EXPECT_NEAR(BoxBoxOverlapOn(a, ta, b, tb, r.normal), r.depth, 2e-3f) << "pose " << index;
  const neTransform moved = Translated(ta, r.normal * (r.depth + 2 * band));
  EXPECT_LT(BoxBoxOverlap(a, moved, b, tb), 0.0) << "pose " << index;

  // Exchanged, the same contact seen from B.
  const neCollisionResult s = Collide(b, tb, a, ta);
  ASSERT_EQ(s.found, 1) << "pose " << index;
  EXPECT_NEAR(s.depth, r.depth, band) << "pose " << index;
  if (second - overlap > 1e-2) {
    EXPECT_GT(-s.normal.Dot(r.normal), 0.999f) << "pose " << index;
  }
}

TEST(CollideBoxBox, RandomPosesAgreeWithSeparatingAxisReference) {
  Rng rng(12345);
  RandomTally tally;
  for (int i = 0; i < 10000; ++i) CheckPose(rng, neV3(0, 0, 0), tally, i);
  // The random poses must reach every kind of contact.
  EXPECT_GT(tally.contacts, 3000);
  EXPECT_GT(tally.apart, 1000);
  EXPECT_GT(tally.edgeWins, 300);
  EXPECT_GT(tally.faceWins, 1000);
  EXPECT_GT(tally.cornerish, 100);
}

TEST(CollideBoxBox, FarFromTheOriginBehavesTheSame) {
  // The same poses at (2000, 0, 2000), where floats hold about 1e-4.
  Rng near(777);
  int compared = 0;
  for (int i = 0; i < 2000; ++i) {
    neGeometryRecord a =
        MakeBox(near.Uniform(0.2f, 2.0f), near.Uniform(0.2f, 2.0f), near.Uniform(0.2f, 2.0f));
    neGeometryRecord b =
        MakeBox(near.Uniform(0.2f, 2.0f), near.Uniform(0.2f, 2.0f), near.Uniform(0.2f, 2.0f));
    const neMatrix3x3 rb = near.Rotation(), ra = near.Rotation();
    const neVector3 dir = near.OnSphere();
    const float dist = near.Uniform(0.0f, a.halfExtents.Length() + b.halfExtents.Length());
    const neVector3 shift = neV3(2000.0f, 0.0f, 2000.0f);
    const neCollisionResult r0 = Collide(a, Pose(ra, dir * dist), b, Pose(rb, neV3(0, 0, 0)));
    const neCollisionResult r1 = Collide(a, Pose(ra, shift + dir * dist), b, Pose(rb, shift));
    const double overlap = BoxBoxOverlap(a, Pose(ra, dir * dist), b, Pose(rb, neV3(0, 0, 0)));
    if (std::fabs(overlap) < 1e-2) continue;
    ++compared;
    ASSERT_EQ(r0.found, r1.found) << "pose " << i;
    if (!r0.found) continue;
    EXPECT_NEAR(r0.depth, r1.depth, 2e-3f) << "pose " << i;
    EXPECT_NEAR((r1.pointA - shift - r0.pointA).Length(), 0.0f, 5e-3f) << "pose " << i;
    EXPECT_EQ(ConventionProblem(r1, 5e-3f), "") << "pose " << i;
  }
  EXPECT_GT(compared, 1500);
}

}  // namespace
