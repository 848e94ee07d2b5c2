// Shortcuts of the contact search and the row set-up that must not change an
// answer: the box-triangle test that gives up once it cannot beat the best
// contact so far, the triangle-list search built on it, and the collision
// matrix that leaves out a side that cannot move.
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "physics/collide_tests.h"
#include "physics/contact_setup.h"
#include "physics/simulation.h"
#include "tests/physics/collide_oracle.h"
#include "tests/physics/solve_scene.h"

using namespace collide_test;

namespace {

bool SameContact(const neTriangleContact& a, const neTriangleContact& b) {
  auto same = [](const neVector3& p, const neVector3& q) {
    return std::memcmp(&p.x, &q.x, 3 * sizeof(float)) == 0;
  };
  return a.valid == b.valid && a.edgeContact == b.edgeContact &&
         std::memcmp(&a.depth, &b.depth, sizeof(float)) == 0 && same(a.pointA, b.pointA) &&
         same(a.pointB, b.pointB) && same(a.normal, b.normal);
}

// A triangle near the origin, a third of them large against the box.
void RandomTriangle(Rng& rng, neVector3 v[3]) {
  const float size = rng.Unit() < 0.33 ? 4.0f : 1.2f;
  const neVector3 centre = rng.InCube(0.6f);
  for (int k = 0; k < 3; ++k) v[k] = centre + rng.InCube(size);
}

TEST(BoxTriangleShortcut, GivingUpNeverLosesADeeperContact) {
  Rng rng(20261209);
  const neGeometryRecord geometry = MakeBox(0.8f, 0.4f, 0.6f);
  int touching = 0, gaveUp = 0, kept = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    neVector3 v[3];
    RandomTriangle(rng, v);
    neTriangleWorkRecord tri;
    if (!tri.Set(v[0], v[1], v[2])) continue;
    neBoxWorldRecord box;
    box.Set(geometry, Pose(rng.Rotation(), rng.InCube(0.5f)));
    neTriangleContact full;
    const bool fullHit = neBoxTriangleTest(box, full, tri);
    if (fullHit) ++touching;
    // Bounds below, at and above the full depth, and unrelated ones.
    const float d = fullHit ? full.depth : rng.Uniform(0.0f, 1.0f);
    const float bounds[] = {kNeNoDepthYet,       -1.0f, 0.0f, d, std::nextafter(d, -1.0f),
                            std::nextafter(d, 2.0f), d + 0.05f, d - 0.05f, rng.Uniform(0.0f, 1.5f)};
    for (float bound : bounds) {
      neTriangleContact quick;
      const bool quickHit = neBoxTriangleTest(box, quick, tri, bound);
      if (quickHit) {
        // Whatever the shortcut reports is exactly the full answer.
        ASSERT_TRUE(fullHit) << "trial " << trial;
        EXPECT_TRUE(SameContact(quick, full)) << "trial " << trial << " bound " << bound;
        ++kept;
      } else if (fullHit) {
        // It gave up only on a contact the caller would have dropped.
        EXPECT_LE(full.depth, bound) << "trial " << trial;
        ++gaveUp;
      }
    }
  }
  // The poses exercise both sides of the shortcut.
  EXPECT_GT(touching, 2000);
  EXPECT_GT(gaveUp, 2000);
  EXPECT_GT(kept, 2000);
}

TEST(BoxTriangleShortcut, ListPicksTheDeepestFirstContactOfTheFullTest) {
  Rng rng(77);
  neGeometryRecord geometry = MakeBox(1.0f, 0.5f, 1.5f);
  int found = 0;
  for (int trial = 0; trial < 2000; ++trial) {
    TriangleSoup soup;
    const int count = 3 + static_cast<int>(rng.Unit() * 20.0);
    std::vector<int> userWords;
    for (int i = 0; i < count; ++i) {
      neVector3 v[3];
      RandomTriangle(rng, v);
      soup.Add(v[0], v[1], v[2], i % 7, 0, 100 + i);
    }
    const neTransform pose = Pose(rng.Rotation(), rng.InCube(0.4f));
    neGeometryRecord list = soup.Geometry();
    neCollisionResult r;
    neCollideBoxTriangleList(r, geometry, pose, list);

    // The plain search: every triangle through the full test, strictly
    // deeper replaces, so the first of equal depths stays.
    neBoxWorldRecord box;
    box.Set(geometry, pose);
    neTriangleContact best;
    best.valid = false;
    best.depth = kNeNoDepthYet;
    int bestIndex = -1;
    for (int i = 0; i < count; ++i) {
      neTriangleWorkRecord tri;
      const neTerrainTriangle& t = soup.triangles[static_cast<size_t>(i)];
      if (!tri.Set(soup.vertices[t.indices[0]], soup.vertices[t.indices[1]],
                   soup.vertices[t.indices[2]])) {
        continue;
      }
      neTriangleContact c;
      const bool hit = neBoxTriangleTest(box, c, tri);
      if (neUsableTriangleContact(hit, c) && c.depth > best.depth) {
        best = c;
        bestIndex = i;
      }
    }
    ASSERT_EQ(r.found, bestIndex >= 0 ? 1 : 0) << "trial " << trial;
    if (bestIndex < 0) continue;
    ++found;
    EXPECT_EQ(std::memcmp(&r.depth, &best.depth, sizeof(float)), 0) << "trial " << trial;
    EXPECT_EQ(std::memcmp(&r.normal.x, &best.normal.x, 3 * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(&r.pointA.x, &best.pointA.x, 3 * sizeof(float)), 0);
    EXPECT_EQ(r.triangleUserWord, 100 + bestIndex);
    EXPECT_EQ(r.materialB, bestIndex % 7);
  }
  EXPECT_GT(found, 500);
}

neSolverRecord RestingRow(neBody* a, neBody* b, const neVector3& armA, const neVector3& armB,
                          const neVector3& normal) {
  return solve_test::SolverRow(kNeRowRestingContact, a, b, armA, armB, normal);
}

// [a]x M [a]x, the rotational part of one side's collision matrix.
neMatrix3x3 CrossMassCross(const neVector3& a, const neMatrix3x3& m) {
  neMatrix3x3 c;
  c.col[0] = neV3(0.0f, a.z, -a.y);
  c.col[1] = neV3(-a.z, 0.0f, a.x);
  c.col[2] = neV3(a.y, -a.x, 0.0f);
  return c.Multiply(m.Multiply(c));
}

TEST(SetupRowShortcut, StaticSideAddsNothingAndABrokenArmStillSpoilsTheRow) {
  solve_test::Scene s(nullptr, false);
  neRigidBody* handle = s.AddBox(neV3(1.0f, 0.6f, 2.0f), 3.0f, neV3(0, 0, 0));
  handle->SetRotation(AxisAngle(neV3(1.0f, 2.0f, 0.5f), 0.7f));
  neAnimatedBody* floor = s.AddStaticBox(neV3(4, 1, 4), neV3(0, -1, 0));
  neRigidBodyRecord* a = neRecordOf(handle);
  Rng rng(5);
  for (int trial = 0; trial < 200; ++trial) {
    const neVector3 armA = rng.InCube(1.0f), armB = rng.InCube(3.0f), n = rng.OnSphere();
    for (neBody* other : {static_cast<neBody*>(nullptr), static_cast<neBody*>(neRecordOf(floor))}) {
      neSolverRecord r = RestingRow(a, other, armA, armB, n);
      neSetupRow(r, false, false);
      // World K = F k F^T against 1/m - [rA]x IA^-1 [rA]x of the body alone.
      const neMatrix3x3 world = r.frame.Multiply(r.k.Multiply(r.frameTransposed));
      const neMatrix3x3 rot = CrossMassCross(armA, a->worldInertiaInverse);
      for (int c = 0; c < 3; ++c) {
        for (int row = 0; row < 3; ++row) {
          const float expected = (c == row ? a->invMass : 0.0f) - rot.At(row, c);
          EXPECT_NEAR(world.At(row, c), expected, 1e-4f) << "trial " << trial;
        }
      }
      const neMatrix3x3 id = r.k.Multiply(r.kInv);
      for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row) EXPECT_NEAR(id.At(row, c), c == row ? 1.0f : 0.0f, 1e-3f);
    }
  }
  // A non-finite arm on the side that does not move makes no impulse at all.
  for (float bad : {INFINITY, NAN}) {
    neSolverRecord r = RestingRow(a, nullptr, neV3(0, -0.3f, 0), neV3(bad, 0, 0), neV3(0, 1, 0));
    for (int c = 0; c < 3; ++c) r.kInv.col[c] = neV3(3, 4, 5);
    neSetupRow(r, false, false);
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(r.kInv.col[c].IsZero()) << bad;
  }
}

}  // namespace
