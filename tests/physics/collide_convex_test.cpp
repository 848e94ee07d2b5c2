// Convex hulls: the hull block check, hull and box pairs and hull against
// triangles, against a brute-force separating-axis reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "physics/collide_tests.h"
#include "physics/convex.h"
#include "physics/narrowphase.h"
#include "tests/physics/collide_oracle.h"

using namespace collide_test;

namespace {

Hull RandomHull(Rng& rng, int points, float size) {
  Hull hull;
  while (true) {
    const neVector3 radii = neV3(rng.Uniform(0.4f, 1.0f) * size, rng.Uniform(0.4f, 1.0f) * size,
                                 rng.Uniform(0.4f, 1.0f) * size);
    if (BuildHull(EllipsoidPoints(rng, points, radii), hull)) return hull;
  }
}

TEST(CollideConvex, HullBlockCheck) {
  Rng rng(3);
  Hull hull = RandomHull(rng, 12, 1.0f);
  EXPECT_TRUE(neConvexBlobIsUsable(hull.blob.data()));
  EXPECT_FALSE(neConvexBlobIsUsable(nullptr));

  // More faces than the search can mark is refused when the hull is set.
  Hull big = RandomHull(rng, 60, 1.0f);  // 116 faces
  ASSERT_GT(big.faces.size() / 3, 101u);
  EXPECT_FALSE(neConvexBlobIsUsable(big.blob.data()));

  auto spoiled = [&](auto&& change) {
    std::vector<uint8_t> copy = hull.blob;
    change(copy);
    return neConvexBlobIsUsable(copy.data());
  };
  int32_t faces = 0, vertices = 0;
  std::memcpy(&faces, hull.blob.data(), 4);
  std::memcpy(&vertices, hull.blob.data() + 4, 4);
  const int faceRecords = 16 + 16 * (faces + vertices);
  // A list offset beyond the block, an edge index out of range, a NaN
  // vertex, a size word that cuts the block short.
  EXPECT_FALSE(spoiled([&](std::vector<uint8_t>& b) {
    const int32_t far = 1 << 20;
    std::memcpy(&b[faceRecords], &far, 4);
  }));
  EXPECT_FALSE(spoiled([&](std::vector<uint8_t>& b) {
    int32_t at = 0;
    std::memcpy(&at, &b[faceRecords + 8], 4);
    b[at] = 250;
  }));
  EXPECT_FALSE(spoiled([&](std::vector<uint8_t>& b) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(&b[16 + 16 * faces], &nan, 4);
  }));
  EXPECT_FALSE(spoiled([&](std::vector<uint8_t>& b) {
    const int32_t size = 64;
    std::memcpy(&b[12], &size, 4);
  }));

  // A geometry refuses such a hull when it is set, and keeps a good one.
  neSimulationSizes sizes;
  neSimulation* sim = neSimulation::Create(&sizes);
  ASSERT_NE(sim, nullptr);
  neRigidBody* body = sim->CreateRigidBody();
  neGeometry* geometry = body->AddGeometry();
  uint8_t* held = nullptr;
  geometry->SetConvexMesh(big.blob.data());
  EXPECT_FALSE(geometry->GetConvexMesh(held));
  geometry->SetConvexMesh(hull.blob.data());
  ASSERT_TRUE(geometry->GetConvexMesh(held));
  EXPECT_EQ(held, hull.blob.data());
  geometry->SetConvexMesh(big.blob.data());
  ASSERT_TRUE(geometry->GetConvexMesh(held));
  EXPECT_EQ(held, hull.blob.data());
  neSimulation::Destroy(sim);

  // One that reaches the tests anyway never collides.
  neGeometryRecord g = MakeHull(big.blob.data());
  neGeometryRecord box = MakeBox(1, 1, 1);
  EXPECT_EQ(Collide(g, Pose(Identity(), neV3(0, 0, 0)), box, Pose(Identity(), neV3(0, 0, 0))).found,
            0);
}

TEST(CollideConvex, ExtentsFollowTheGeometryPlacement) {
  Rng rng(4);
  Hull hull = RandomHull(rng, 10, 1.0f);
  neGeometryRecord g = MakeHull(hull.blob.data());
  g.transform = Pose(AxisAngle(neV3(0, 1, 0), 0.7f), neV3(5, 0, 0));
  neVector3 lo, hi;
  g.GetExtents(lo, hi);
  for (const neVector3& p : hull.points) {
    const neVector3 w = g.transform.TransformPoint(p);
    for (int i = 0; i < 3; ++i) {
      EXPECT_LE(lo[i], w[i]);
      EXPECT_GE(hi[i], w[i]);
    }
  }
  EXPECT_GT(g.GetBoundingDistance(), 4.0f);
}

TEST(CollideConvex, SearchRecordsItsFirstFaceAndIgnoresNaN) {
  Rng rng(8);
  Hull a = RandomHull(rng, 12, 1.0f), b = RandomHull(rng, 12, 1.0f);
  nePolytopeView va, vb;
  ASSERT_TRUE(va.SetHull(a.blob.data(), Pose(Identity(), neV3(0, 0, 0))));
  ASSERT_TRUE(vb.SetHull(b.blob.data(), Pose(Identity(), neV3(0.3f, 0, 0))));
  // A hint whose scores are all NaN: the first face is still recorded (the
  // pair has a best face to start the edge search from), no later face
  // counts as better, and the climb ends.
  neSeparationHint broken;
  broken.h = neV3(std::numeric_limits<float>::quiet_NaN(), 0, 0);
  broken.length = 1.0f;
  neSeparationPair pair;
  pair.x = &va;
  pair.y = &vb;
  pair.hint = &broken;
  EXPECT_TRUE(pair.FaceSearch(3));
  EXPECT_EQ(pair.found, 1);
  EXPECT_EQ(pair.xIndex, 3);
  bool improved = true;
  EXPECT_TRUE(pair.EvaluateFace(5, improved));
  EXPECT_FALSE(improved);
  EXPECT_EQ(pair.xIndex, 3);
}

TEST(CollideConvex, CoincidentCentresStillCollide) {
  Rng rng(5);
  Hull a = RandomHull(rng, 14, 1.0f), b = RandomHull(rng, 14, 1.0f);
  neGeometryRecord ga = MakeHull(a.blob.data()), gb = MakeHull(b.blob.data());
  const neTransform t = Pose(Identity(), neV3(1, 2, 3));
  const neCollisionResult r = Collide(ga, t, gb, t);
  ASSERT_EQ(r.found, 1);
  EXPECT_EQ(ConventionProblem(r), "");
  EXPECT_GT(r.depth, 0.5f);
}

// Random hull-hull and box-hull poses against the reference.
TEST(CollideConvex, RandomPosesAgreeWithSeparatingAxisReference) {
  Rng rng(2024);
  int contacts = 0, apart = 0;
  for (int i = 0; i < 3000; ++i) {
    Hull ha = RandomHull(rng, 6 + static_cast<int>(rng.Unit() * 20), 1.0f);
    Hull hb = RandomHull(rng, 6 + static_cast<int>(rng.Unit() * 20), 1.0f);
    neGeometryRecord box =
        MakeBox(rng.Uniform(0.2f, 1), rng.Uniform(0.2f, 1), rng.Uniform(0.2f, 1));
    neGeometryRecord ga = MakeHull(ha.blob.data()), gb = MakeHull(hb.blob.data());
    const bool boxFirst = i % 3 == 0;
    neGeometryRecord& a = boxFirst ? box : ga;
    const neTransform tb = Pose(rng.Rotation(), rng.InCube(2));
    const neTransform ta = Pose(rng.Rotation(), tb.pos + rng.OnSphere() * rng.Uniform(0, 2.2f));
    const ConvexSet sa = boxFirst ? WorldBox(box, ta) : WorldHull(ha, ta);
    const ConvexSet sb = WorldHull(hb, tb);
    const double overlap = ConvexOverlap(sa, sb);
    const neCollisionResult r = Collide(a, ta, gb, tb);
    if (overlap < -1e-3) {
      ++apart;
      EXPECT_EQ(r.found, 0) << i << " gap " << -overlap;
      continue;
    }
    if (overlap < 1e-3) continue;
    ASSERT_EQ(r.found, 1) << i << " reference depth " << overlap;
    ++contacts;
    EXPECT_EQ(ConventionProblem(r), "") << i;
    // The search follows the line of the centres, so its depth is that of
    // the face it crosses: never below the least overlap, and exactly how
    // far A must move along the normal to clear B.
    EXPECT_GE(r.depth, overlap - 1e-3) << i;
    EXPECT_NEAR(DirectedOverlap(sa, sb, r.normal), r.depth, 2e-3) << i;

    // Exchanged, through the dispatch: the flipped contact.
    const neCollisionResult s = Collide(gb, tb, a, ta);
    ASSERT_EQ(s.found, 1) << i;
    if (boxFirst) {
      EXPECT_FLOAT_EQ(s.depth, r.depth) << i;
      EXPECT_FLOAT_EQ(s.normal.x, -r.normal.x) << i;
    }
  }
  EXPECT_GT(contacts, 800);
  EXPECT_GT(apart, 500);
}

TEST(CollideConvex, HullAgainstTriangles) {
  Rng rng(6);
  Hull hull = RandomHull(rng, 14, 0.8f);
  neGeometryRecord g = MakeHull(hull.blob.data());
  TriangleSoup floor;
  floor.Add(neV3(-3, 0, -3), neV3(-3, 0, 3), neV3(3, 0, 3), 4, 0, 11);
  floor.Add(neV3(-3, 0, -3), neV3(3, 0, 3), neV3(3, 0, -3), 4, 0, 12);
  floor.Add(neV3(0, 0, 0), neV3(0, 0, 0), neV3(1, 0, 0));  // degenerate: ignored
  neGeometryRecord list = floor.Geometry();
  neTransform identity;
  identity.SetIdentity();

  float lowest = 1e9f;
  for (const neVector3& p : hull.points) lowest = std::fmin(lowest, p.y);
  for (const float sink : {0.05f, 0.2f}) {
    // Above the floor and, mirrored, below it (its back face).
    for (const float side : {1.0f, -1.0f}) {
      const neTransform t = Pose(Identity(), neV3(0.3f, side * (-lowest - sink), 0.2f));
      neCollisionResult r;
      r.found = 0;
      neCollideGeometries(r, g, t, list, identity, neV3(0, 0, 0));
      if (side < 0.0f) {
        // Below, the hull's top reaches through instead.
        float highest = -1e9f;
        for (const neVector3& p : hull.points) highest = std::fmax(highest, p.y);
        const float want = highest + t.pos.y;
        ASSERT_EQ(r.found, want > 0.0f ? 1 : 0);
        if (!r.found) continue;
        EXPECT_NEAR(r.depth, want, 2e-3f);
        EXPECT_LT(r.normal.y, -0.99f);
      } else {
        ASSERT_EQ(r.found, 1);
        EXPECT_NEAR(r.depth, sink, 2e-3f);
        EXPECT_GT(r.normal.y, 0.99f);
      }
      EXPECT_EQ(r.materialB, 4);
      EXPECT_EQ(ConventionProblem(r), "");
    }
  }

  // Random triangles against the reference.
  int contacts = 0;
  for (int i = 0; i < 2000; ++i) {
    Hull h = RandomHull(rng, 8 + static_cast<int>(rng.Unit() * 12), 1.0f);
    neGeometryRecord gh = MakeHull(h.blob.data());
    const neVector3 a = rng.InCube(2), b = rng.InCube(2), c = rng.InCube(2);
    if ((b - a).Cross(c - a).Length() < 0.1f) continue;
    TriangleSoup soup;
    soup.Add(a, b, c);
    neGeometryRecord tl = soup.Geometry();
    const neTransform t = Pose(rng.Rotation(), rng.InCube(1.5f));
    const double overlap = ConvexOverlap(WorldHull(h, t), WorldTriangle(a, b, c));
    neCollisionResult r;
    r.found = 0;
    neCollideGeometries(r, gh, t, tl, identity, neV3(0, 0, 0));
    if (overlap < -1e-3) {
      EXPECT_EQ(r.found, 0) << i;
    } else if (overlap > 1e-3 && r.found) {
      ++contacts;
      EXPECT_EQ(ConventionProblem(r), "") << i;
      EXPECT_GE(r.depth, overlap - 1e-3) << i;
    }
  }
  EXPECT_GT(contacts, 300);
}

}  // namespace
