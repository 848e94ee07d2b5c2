// The terrain gather with per-leaf bounds: for boxes all over a hilly mesh it
// lists exactly the triangles that overlap the box, each once, in the order a
// plain walk over the leaves finds them.
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "physics/terrain_tree.h"
#include "tools/physics_scene/scene_world.h"

namespace {

constexpr float kHalf = 60.0f;
constexpr int kCells = 60;  // 7,200 triangles, several levels of leaves

// Hills with flat patches too: their triangles lie along the y axis.
float HillsWithFlats(float x, float z) {
  const int column = static_cast<int>(std::lround((x + kHalf) / (2.0f * kHalf / kCells)));
  return column % 9 < 3 ? 0.0f : 2.0f * std::sin(0.2f * x) * std::cos(0.15f * z);
}

// The gather as a plain walk: leaves in query order, each triangle taken at
// its first leaf when its bounds reach the box and the exact test passes.
std::vector<int32_t> PlainGather(const neTerrainTree& tree, const neVector3& lo,
                                 const neVector3& hi) {
  std::vector<const neTerrainTreeNode*> leaves(4096);
  const int32_t n = tree.Query(tree.Root(), leaves.data(), 4096, lo, hi);
  leaves.resize(static_cast<size_t>(n));
  std::vector<char> seen(static_cast<size_t>(tree.TriangleCount()), 0);
  std::vector<int32_t> out;
  for (const neTerrainTreeNode* leaf : leaves) {
    for (int32_t i = 0; i < leaf->triangleCount; ++i) {
      const int32_t t = leaf->triangles[i];
      if (seen[static_cast<size_t>(t)]) continue;
      seen[static_cast<size_t>(t)] = 1;
      const neTerrainTriangle& tri = tree.Triangles()[t];
      const neVector3& a = tree.Vertices()[tri.indices[0]];
      const neVector3& b = tree.Vertices()[tri.indices[1]];
      const neVector3& c = tree.Vertices()[tri.indices[2]];
      if (std::fmax(a.x, std::fmax(b.x, c.x)) < lo.x || std::fmin(a.x, std::fmin(b.x, c.x)) > hi.x ||
          std::fmax(a.y, std::fmax(b.y, c.y)) < lo.y || std::fmin(a.y, std::fmin(b.y, c.y)) > hi.y ||
          std::fmax(a.z, std::fmax(b.z, c.z)) < lo.z || std::fmin(a.z, std::fmin(b.z, c.z)) > hi.z) {
        continue;
      }
      if (neTriangleOverlapsBox(a, b, c, lo, hi)) out.push_back(t);
    }
  }
  return out;
}

TEST(TerrainGather, LeafBoundsKeepTheListAndItsOrder) {
  SceneTerrain hills;
  hills.Build(kHalf, kCells, HillsWithFlats);
  const neTerrainMesh mesh = hills.Mesh();
  neTerrainTree tree;
  ASSERT_TRUE(tree.Build(mesh.vertices, mesh.vertexCount, mesh.triangles, mesh.triangleCount, nullptr));
  int nonEmpty = 0, flatHits = 0;
  for (int k = 0; k < 400; ++k) {
    // Boxes from 0.3 m to 12 m across, at heights around the surface.
    const float x = -58.0f + 0.29f * static_cast<float>(k);
    const float z = -50.0f + 0.61f * static_cast<float>((k * 37) % 170);
    const float size = 0.3f + 0.03f * static_cast<float>((k * 13) % 400);
    const float y = 2.0f * std::sin(0.2f * x) * std::cos(0.15f * z) - 0.2f * static_cast<float>(k % 5);
    const neVector3 lo = neV3(x, y, z);
    const neVector3 hi = neV3(x + size, y + 0.5f * size, z + 0.7f * size);
    const std::vector<int32_t> expected = PlainGather(tree, lo, hi);
    const int32_t count = tree.Gather(lo, hi);
    ASSERT_EQ(count, static_cast<int32_t>(expected.size())) << "box " << k;
    const std::vector<int32_t> got(tree.GatheredTriangles(), tree.GatheredTriangles() + count);
    EXPECT_EQ(got, expected) << "box " << k;
    nonEmpty += count > 0 ? 1 : 0;
    for (int32_t t : got) {
      const neTerrainTriangle& tri = tree.Triangles()[t];
      if (neTriangleFaceAxis(tree.Vertices()[tri.indices[0]], tree.Vertices()[tri.indices[1]],
                             tree.Vertices()[tri.indices[2]]) == 1) {
        ++flatHits;
      }
    }
  }
  EXPECT_GT(nonEmpty, 300);  // the boxes do meet the ground
  EXPECT_GT(flatHits, 0);    // and the flat patches, whose face axis widens the box
}

TEST(TerrainGather, FaceAxisNamesTheAxisANormalLiesAlong) {
  EXPECT_EQ(neTriangleFaceAxis(neV3(0, 0, 0), neV3(0, 0, 1), neV3(1, 0, 0)), 1);
  EXPECT_EQ(neTriangleFaceAxis(neV3(0, 0, 0), neV3(0, 1, 0), neV3(0, 0, 1)), 0);
  EXPECT_EQ(neTriangleFaceAxis(neV3(0, 0, 0), neV3(1, 0, 0), neV3(0, 1, 0)), 2);
  EXPECT_EQ(neTriangleFaceAxis(neV3(0, 0, 0), neV3(1, 1, 0), neV3(0, 1, 1)), -1);  // aslant
  EXPECT_EQ(neTriangleFaceAxis(neV3(0, 0, 0), neV3(1, 1, 1), neV3(2, 2, 2)), -1);  // no area
  // A triangle lying in the box's top face counts as inside only through the
  // margin on y.
  const neVector3 lo = neV3(0, 0, 0), hi = neV3(1, 1, 1);
  const neVector3 a = neV3(0.2f, 1.005f, 0.2f), b = neV3(0.2f, 1.005f, 0.8f), c = neV3(0.8f, 1.005f, 0.2f);
  EXPECT_TRUE(neTriangleOverlapsBoxAlong(a, b, c, lo, hi, 1));
  EXPECT_FALSE(neTriangleOverlapsBoxAlong(a, b, c, lo, hi, -1));
  EXPECT_EQ(neTriangleOverlapsBox(a, b, c, lo, hi), true);
}

}  // namespace
