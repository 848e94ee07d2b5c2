// The terrain quadtree: mesh checks, the split rules, queries against a
// brute-force box test, memory, node-array growth and build time.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "physics/simulation.h"
#include "physics/terrain_tree.h"
#include "tests/physics/collide_oracle.h"

using namespace collide_test;

namespace {

// Counts live blocks, so a test can see every byte come back.
class CountingAllocator : public neAllocator {
 public:
  void* Alloc(int32_t bytes, int32_t) override {
    ++allocations;
    ++live;
    return std::malloc(static_cast<size_t>(bytes));
  }
  void Free(void* block) override {
    if (!block) return;
    --live;
    std::free(block);
  }
  int allocations = 0;
  int live = 0;
};

struct Mesh {
  std::vector<neVector3> vertices;
  std::vector<neTerrainTriangle> triangles;
  void Tri(int a, int b, int c, int material = 0) {
    neTerrainTriangle t;
    t.indices[0] = a;
    t.indices[1] = b;
    t.indices[2] = c;
    t.materialID = material;
    triangles.push_back(t);
  }
  bool BuildInto(neTerrainTree& tree, neAllocator* alloc = nullptr) const {
    return tree.Build(vertices.data(), static_cast<int32_t>(vertices.size()), triangles.data(),
                      static_cast<int32_t>(triangles.size()), alloc);
  }
};

// A bumpy grid of cells x cells quads over [-half, half]^2, offset by `at`.
Mesh Grid(int cells, float half, Rng& rng, const neVector3& at = neV3(0, 0, 0)) {
  Mesh m;
  const float step = 2.0f * half / static_cast<float>(cells);
  for (int z = 0; z <= cells; ++z) {
    for (int x = 0; x <= cells; ++x) {
      m.vertices.push_back(at + neV3(-half + x * step, rng.Uniform(-1.0f, 1.0f), -half + z * step));
    }
  }
  const int row = cells + 1;
  for (int z = 0; z < cells; ++z) {
    for (int x = 0; x < cells; ++x) {
      const int i = z * row + x;
      m.Tri(i, i + row, i + row + 1, (x + z) % 4);
      m.Tri(i, i + row + 1, i + 1, (x + z) % 4);
    }
  }
  return m;
}

// The reference answer: every triangle that touches the box, in index order.
std::set<int32_t> BruteForce(const neTerrainTree& tree, const neVector3& lo, const neVector3& hi) {
  std::set<int32_t> out;
  const neVector3* v = tree.Vertices();
  for (int32_t t = 0; t < tree.TriangleCount(); ++t) {
    const neTerrainTriangle& tri = tree.Triangles()[t];
    if (neTriangleOverlapsBox(v[tri.indices[0]], v[tri.indices[1]], v[tri.indices[2]], lo, hi)) {
      out.insert(t);
    }
  }
  return out;
}

// Gather must return exactly the reference set, each triangle once, in the
// order the overlapping leaves list them.
void ExpectGatherMatches(neTerrainTree& tree, const neVector3& lo, const neVector3& hi) {
  const int32_t n = tree.Gather(lo, hi);
  std::vector<int32_t> got(tree.GatheredTriangles(), tree.GatheredTriangles() + n);
  const std::set<int32_t> want = BruteForce(tree, lo, hi);
  EXPECT_EQ(std::set<int32_t>(got.begin(), got.end()), want);
  EXPECT_EQ(got.size(), want.size()) << "a triangle gathered twice";
  std::vector<const neTerrainTreeNode*> leaves(4096);
  const int32_t count = tree.Query(tree.Root(), leaves.data(), 4096, lo, hi);
  ASSERT_LE(count, 4096);
  std::vector<int32_t> ordered;
  std::set<int32_t> seen;
  for (int32_t i = 0; i < count; ++i) {
    for (int32_t k = 0; k < leaves[i]->triangleCount; ++k) {
      const int32_t t = leaves[i]->triangles[k];
      if (seen.insert(t).second && want.count(t)) ordered.push_back(t);
    }
  }
  EXPECT_EQ(got, ordered);
}

TEST(TerrainTree, SplitRules) {
  neTerrainTree tree;
  Mesh few;
  for (int i = 0; i < 9; ++i) {
    few.vertices.push_back(neV3(static_cast<float>(i), 0, 0));
    few.vertices.push_back(neV3(static_cast<float>(i), 0, 1));
    few.vertices.push_back(neV3(static_cast<float>(i) + 1, 0, 0));
    few.Tri(3 * i, 3 * i + 1, 3 * i + 2);
  }
  ASSERT_TRUE(few.BuildInto(tree));
  // Fewer than ten triangles: the root is the one leaf.
  EXPECT_EQ(tree.NodeCount(), 0);
  EXPECT_EQ(tree.Root().triangleCount, 9);
  const neTerrainTreeNode* leaf = nullptr;
  EXPECT_EQ(tree.Query(tree.Root(), &leaf, 1, neV3(9.0f, 0, 1.0f), neV3(10, 1, 2)), 1);
  EXPECT_EQ(leaf, &tree.Root());  // touching the root's box at its corner

  // One large triangle over many small ones takes every quadrant: no split.
  Mesh spanning = few;
  spanning.vertices.push_back(neV3(-100, 0, -100));
  spanning.vertices.push_back(neV3(-100, 0, 300));
  spanning.vertices.push_back(neV3(300, 0, -100));
  const int base = static_cast<int>(spanning.vertices.size()) - 3;
  spanning.Tri(base, base + 1, base + 2);
  spanning.Tri(base, base + 1, base + 2);
  ASSERT_TRUE(spanning.BuildInto(tree));
  EXPECT_EQ(tree.Root().triangleCount, 11);
  EXPECT_EQ(tree.NodeCount(), 0);

  // A grid splits; a triangle across the centroid's lines sits in every
  // quadrant it touches, and a flat triangle on a node's top is still there.
  Rng rng(1);
  Mesh grid = Grid(16, 8.0f, rng);
  for (neVector3& v : grid.vertices) v.y = 0.0f;
  ASSERT_TRUE(grid.BuildInto(tree));
  EXPECT_GT(tree.NodeCount(), 4);
  std::vector<const neTerrainTreeNode*> leaves(512);
  const int32_t all = tree.Query(tree.Root(), leaves.data(), 512, neV3(-9, -1, -9), neV3(9, 1, 9));
  std::vector<int> listed(grid.triangles.size(), 0);
  for (int32_t i = 0; i < all; ++i) {
    for (int32_t k = 0; k < leaves[i]->triangleCount; ++k) ++listed[leaves[i]->triangles[k]];
    EXPECT_EQ(leaves[i]->boxMin.y, 0.0f);
    EXPECT_EQ(leaves[i]->boxMax.y, 0.0f);
  }
  for (int count : listed) EXPECT_GE(count, 1);
  int shared = 0;
  for (int count : listed) shared += count > 1;
  EXPECT_GT(shared, 0);
  // A query box that only touches a leaf's boundary returns that leaf.
  const neTerrainTreeNode* first = leaves[0];
  const neTerrainTreeNode* touched = nullptr;
  EXPECT_GE(tree.Query(tree.Root(), &touched, 1, neV3(first->boxMax.x, 0, first->boxMax.z),
                       neV3(first->boxMax.x + 0.001f, 1, first->boxMax.z + 0.001f)),
            1);
  ExpectGatherMatches(tree, neV3(-0.5f, -1, -0.5f), neV3(0.5f, 1, 0.5f));
  ExpectGatherMatches(tree, neV3(-8, 0, -8), neV3(-7.5f, 0, -7.5f));
}

TEST(TerrainTree, GatherMatchesBruteForceOnRandomBoxes) {
  for (const neVector3& at : {neV3(0, 0, 0), neV3(2000, 0, 2000)}) {
    Rng rng(11);
    neTerrainTree tree;
    tree.SetNodeSizes(8, -1);  // grows many times during the build
    Mesh grid = Grid(60, 100.0f, rng, at);
    ASSERT_TRUE(grid.BuildInto(tree));
    for (int i = 0; i < 1500; ++i) {
      const neVector3 c =
          at + neV3(rng.Uniform(-110, 110), rng.Uniform(-2, 2), rng.Uniform(-110, 110));
      const neVector3 h = neV3(rng.Uniform(0, 6), rng.Uniform(0, 2), rng.Uniform(0, 6));
      ExpectGatherMatches(tree, c - h, c + h);
      if (HasFailure()) return;
    }
  }
}

TEST(TerrainTree, MeshIsCheckedBeforeTheOldTreeGoes) {
  Rng rng(2);
  neTerrainTree tree;
  Mesh grid = Grid(8, 4.0f, rng);
  ASSERT_TRUE(grid.BuildInto(tree));
  const int32_t good = tree.TriangleCount();

  Mesh bad = grid;
  bad.triangles[0].indices[1] = 100000;  // index out of range
  bad.triangles[1].indices[2] = -3;
  bad.triangles[2].materialID = 256;  // no such material
  bad.vertices[bad.triangles[3].indices[0]].x = std::numeric_limits<float>::quiet_NaN();
  ASSERT_TRUE(bad.BuildInto(tree));
  EXPECT_LT(tree.TriangleCount(), good);
  EXPECT_GE(tree.TriangleCount(), good - 12);  // the NaN vertex drops its neighbours too
  for (int32_t t = 0; t < tree.TriangleCount(); ++t) {
    for (int k = 0; k < 3; ++k) {
      EXPECT_TRUE(tree.Vertices()[tree.Triangles()[t].indices[k]].IsFinite());
    }
  }

  // Nothing usable, or no mesh at all: the tree stays as it was.
  ASSERT_TRUE(grid.BuildInto(tree));
  Mesh hopeless = grid;
  for (neTerrainTriangle& t : hopeless.triangles) t.indices[0] = -1;
  EXPECT_FALSE(hopeless.BuildInto(tree));
  EXPECT_FALSE(tree.Build(nullptr, 3, grid.triangles.data(), 1, nullptr));
  EXPECT_FALSE(tree.Build(grid.vertices.data(), 0, grid.triangles.data(), 1, nullptr));
  EXPECT_EQ(tree.TriangleCount(), good);
  EXPECT_GT(tree.Gather(neV3(-1, -2, -1), neV3(1, 2, 1)), 0);

  // The simulator's SetTerrain keeps its terrain over a bad mesh too.
  neSimulationSizes sizes;
  neSimulation* sim = neSimulation::Create(&sizes);
  ASSERT_NE(sim, nullptr);
  neTerrainMesh mesh;
  mesh.vertices = grid.vertices.data();
  mesh.vertexCount = static_cast<int32_t>(grid.vertices.size());
  mesh.triangles = grid.triangles.data();
  mesh.triangleCount = static_cast<int32_t>(grid.triangles.size());
  sim->SetTerrain(&mesh);
  neTerrainTree& simTree = neRecordOf(sim)->region.Terrain();
  EXPECT_EQ(simTree.TriangleCount(), good);
  mesh.triangles = hopeless.triangles.data();
  sim->SetTerrain(&mesh);
  EXPECT_EQ(simTree.TriangleCount(), good);
  neSimulation::Destroy(sim);
}

TEST(TerrainTree, NodeArrayGrowthAndMemory) {
  Rng rng(3);
  Mesh grid = Grid(40, 50.0f, rng);
  const neVector3 lo = neV3(-3, -2, -3), hi = neV3(3, 2, 3);
  for (const int32_t growth : {-1, 5, 0}) {
    CountingAllocator alloc;
    {
      neTerrainTree tree;
      tree.SetNodeSizes(2, growth);
      ASSERT_TRUE(grid.BuildInto(tree, &alloc));
      if (growth == 0) {
        // A full fixed array: nodes that cannot split keep their lists.
        EXPECT_LE(tree.NodeCount(), 2);
      } else {
        EXPECT_GT(tree.NodeCount(), 100);
      }
      // Leaf lists survived every move of the node array.
      ExpectGatherMatches(tree, lo, hi);
      ExpectGatherMatches(tree, neV3(-50, -2, -50), neV3(50, 2, 50));
      const int before = alloc.allocations;
      for (int i = 0; i < 100; ++i)
        tree.Gather(lo + neV3(i * 0.5f, 0, 0), hi + neV3(i * 0.5f, 0, 0));
      EXPECT_EQ(alloc.allocations, before) << "a query allocated";
      EXPECT_GT(tree.MemoryUsed(), 0);
      // A second build replaces the first and frees it.
      ASSERT_TRUE(grid.BuildInto(tree, &alloc));
      tree.Free();
      EXPECT_EQ(alloc.live, 0) << "growth " << growth;
      EXPECT_EQ(tree.TriangleCount(), 0);
      EXPECT_EQ(tree.Gather(lo, hi), 0);
      ASSERT_TRUE(grid.BuildInto(tree, &alloc));
    }
    EXPECT_EQ(alloc.live, 0) << "growth " << growth;  // released with the tree
  }
}

TEST(TerrainTree, LargeMeshBuildsQuickly) {
  Rng rng(4);
  Mesh grid = Grid(388, 2000.0f, rng);  // 301,088 triangles
  ASSERT_GT(grid.triangles.size(), 300000u);
  neTerrainTree tree;
  tree.SetNodeSizes(100, -1);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(grid.BuildInto(tree));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RecordProperty("build_seconds", std::to_string(seconds));
  std::printf("300k-triangle terrain built in %.3f s, %d nodes, %d bytes\n", seconds,
              tree.NodeCount(), tree.MemoryUsed());
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "build time not judged under the address sanitizer (took " << seconds << " s)";
#else
  EXPECT_LT(seconds, 2.0);
#endif
  ExpectGatherMatches(tree, neV3(-20, -2, -20), neV3(-10, 2, -5));
}

// Four car boxes with wheel sensors driving over a two-sided terrain: after
// the first advance nothing more is allocated.
TEST(TerrainTree, SteppingOverTheTerrainAllocatesNothing) {
  CountingAllocator alloc;
  neSimulationSizes sizes;
  sizes.terrainNodeCapacity = 100;
  const neVector3 gravity = neV3(0, -9.8f, 0);
  neSimulation* sim = neSimulation::Create(&sizes, &alloc, &gravity);
  ASSERT_NE(sim, nullptr);
  Rng rng(9);
  Mesh grid = Grid(60, 300.0f, rng);
  Mesh twoSided = grid;
  for (const neTerrainTriangle& t : grid.triangles) {
    neTerrainTriangle back = t;
    std::swap(back.indices[1], back.indices[2]);
    twoSided.triangles.push_back(back);
  }
  neTerrainMesh mesh;
  mesh.vertices = twoSided.vertices.data();
  mesh.vertexCount = static_cast<int32_t>(twoSided.vertices.size());
  mesh.triangles = twoSided.triangles.data();
  mesh.triangleCount = static_cast<int32_t>(twoSided.triangles.size());
  sim->SetTerrain(&mesh);
  std::vector<neRigidBody*> cars;
  for (int c = 0; c < 4; ++c) {
    neRigidBody* car = sim->CreateRigidBody();
    car->SetMass(1000);
    car->SetInertiaTensor(neComputeBoxInertia(neV3(4, 1, 2), 1000));
    car->AddGeometry()->SetBoxSize(4, 1, 2);
    for (int k = 0; k < 4; ++k) {
      car->AddSensor()->SetLine(neV3(k < 2 ? 1.5f : -1.5f, 0, (k % 2) ? -1.0f : 1.0f),
                                neV3(0, -1.5f, 0));
    }
    car->UpdateBoundingInfo();
    car->SetPosition(neV3(c * 6.0f, 3, 0));
    cars.push_back(car);
  }
  sim->Step(2.1f / 60.0f, 4);
  const int before = alloc.allocations;
  for (int i = 0; i < 300; ++i) {
    for (neRigidBody* car : cars) car->SetForce(neV3(3000, 0, 500));
    sim->Step(2.1f / 60.0f, 4);
  }
  EXPECT_EQ(alloc.allocations, before);
  for (neRigidBody* car : cars) EXPECT_GT(car->GetPosition().y, -2.0f);  // still on the ground
  neSimulation::Destroy(sim);
  EXPECT_EQ(alloc.live, 0);
}

}  // namespace
