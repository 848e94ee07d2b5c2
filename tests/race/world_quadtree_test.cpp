#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "tests/scratch_dir.h"
#include "race/leaf_builder.h"
#include "race/world_quadtree_file.h"
#include "tests/race/world_models.h"

namespace {

// Ten small layers, grass, trees and objects around the world's centre, so that the
// leaves near the origin get a bit of everything.
struct TestWorld {
  std::unique_ptr<MilkshapeModel> layers[kRenderLayerCount];
  MilkshapeModel grass, trees, objects;
  LeafBuilderModels models;

  TestWorld() {
    for (int k = 0; k < kRenderLayerCount; ++k) {
      layers[k].reset(new MilkshapeModel());
      std::vector<std::vector<WorldTestTriangle>> groups(1 + k % 3);
      groups[0].push_back(FlatTriangle(-10.0f - k, -10.0f, 25.0f));
      if (groups.size() > 1) groups[1].push_back(FlatTriangle(100.0f, 5.0f * k, 8.0f, 2.0f));
      FillWorldTestModel(layers[k].get(), groups);
      models.render.layers[k] = layers[k].get();
    }
    // Tangent frames for the two layers that carry them, as the track loader makes.
    layers[0]->ComputeTangentFrames();
    layers[0]->ComputeTangentFramesUV2();
    FillWorldTestModel(&grass, {{FlatTriangle(-30, -30, 60)}, {FlatTriangle(5, 5, 10)}});
    WorldTestTriangle anchor = {{{0, 0, 0}, {6, 0, 0}, {3, 1, 3}}};
    FillWorldTestModel(&trees, {{anchor, FlatTriangle(20, 20, 0.6f)}, {FlatTriangle(-40, 30, 0.6f)}});
    FillWorldTestModel(&objects, {{FlatTriangle(0, 0, 1)}, {}, {FlatTriangle(-1453, -1460, 1)}});
    models.render.objects = &objects;
    models.grass = &grass;
    models.trees = &trees;
  }
};

std::vector<QuadTreeList> Build(const TestWorld& w, uint32_t seed = 7) {
  std::vector<QuadTreeList> leaves(kWorldLeafCount);
  LeafRandom random(seed);
  BuildLeafData(w.models, leaves.data(), &random);
  return leaves;
}

size_t TotalTriangles(const std::vector<QuadTreeList>& leaves, int layer) {
  size_t n = 0;
  for (const QuadTreeList& l : leaves)
    for (const Mesh& m : l.layers[layer]) n += m.triangles.size();
  return n;
}

TEST(WorldQuadTree, LeavesAreNumberedDepthFirstInChildOrder) {
  TestWorld w;
  const std::vector<QuadTreeList> leaves = Build(w);
  EXPECT_FLOAT_EQ(leaves[0].x, -1453.125f);
  EXPECT_FLOAT_EQ(leaves[0].z, -1453.125f);
  EXPECT_FLOAT_EQ(leaves[0].halfSize, 46.875f);
  // Child 1 of the root is (-, +): its first leaf is 256.
  EXPECT_FLOAT_EQ(leaves[256].x, -1453.125f);
  EXPECT_FLOAT_EQ(leaves[256].z, 46.875f);
  EXPECT_FLOAT_EQ(leaves[1023].x, 1453.125f);
  EXPECT_FLOAT_EQ(leaves[1023].z, -1453.125f);
  // The marker at the far corner is object 1 (running numbers skip the empty group).
  ASSERT_EQ(leaves[0].objects.size(), 1u);
  EXPECT_EQ(leaves[0].objects[0], 1);
}

TEST(WorldQuadTree, FileRoundTripIsExactAndSizedAsDocumented) {
  TestWorld w;
  const std::vector<QuadTreeList> leaves = Build(w);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(EncodeQuadTreeFile(w.models.render, leaves.data(), kWorldLeafCount, &bytes));
  size_t expected = 4;
  for (const QuadTreeList& l : leaves) {
    expected += 16 + 64 + 40;
    for (int k = 0; k < kVegetationKinds; ++k) expected += l.vegetation.instances[k].size() * (k < 8 ? 20 : 36);
    for (int k = 0; k < kRenderLayerCount; ++k) {
      expected += 4 * l.layers[k].size();
      for (const Mesh& m : l.layers[k]) expected += m.triangles.size() * (k < 2 ? 264 : 168);
    }
  }
  EXPECT_EQ(bytes.size(), expected);
  std::vector<QuadTreeList> back;
  ASSERT_TRUE(DecodeQuadTreeFile(bytes.data(), bytes.size(), w.models.render, &back));
  std::vector<uint8_t> again;
  ASSERT_TRUE(EncodeQuadTreeFile(w.models.render, back.data(), kWorldLeafCount, &again));
  EXPECT_EQ(again, bytes);
  // The object lists are not in the file; the reader derives the same ones.
  for (int i = 0; i < kWorldLeafCount; ++i) ASSERT_EQ(back[i].objects, leaves[i].objects) << i;
  // Grass and trees come back with their fields in memory order.
  size_t grass = 0, trees = 0;
  for (int i = 0; i < kWorldLeafCount; ++i)
    for (int k = 0; k < kVegetationKinds; ++k) {
      const auto& a = leaves[i].vegetation.instances[k];
      const auto& b = back[i].vegetation.instances[k];
      ASSERT_EQ(a.size(), b.size());
      (k < 8 ? grass : trees) += a.size();
      for (size_t j = 0; j < a.size(); ++j) {
        EXPECT_EQ(a[j].scale2 * (k < 8), b[j].scale2 * (k < 8));
        EXPECT_EQ(a[j].anchorSize, b[j].anchorSize);
      }
    }
  EXPECT_GT(grass, 500u);  // 0.3 per unit of area over 1850
  EXPECT_EQ(trees, 2u);

  // Through a real file too.
  const std::string pathName = testscratch::ScratchPath("world_quadtree_test.qt");
  const char* path = pathName.c_str();
  ASSERT_TRUE(WriteQuadTreeFileAt(path, w.models.render, leaves.data(), kWorldLeafCount));
  std::vector<QuadTreeList> fromFile(kWorldLeafCount);
  ASSERT_TRUE(ReadQuadTreeFileAt(path, w.models.render, fromFile.data()));
  EXPECT_EQ(TotalTriangles(fromFile, 3), TotalTriangles(leaves, 3));
  std::remove(path);
}

TEST(WorldQuadTree, HostileOrMismatchedFilesAreRefusedLeavingLeavesAlone) {
  TestWorld w;
  const std::vector<QuadTreeList> leaves = Build(w);
  std::vector<uint8_t> good;
  ASSERT_TRUE(EncodeQuadTreeFile(w.models.render, leaves.data(), kWorldLeafCount, &good));
  std::vector<QuadTreeList> out(kWorldLeafCount);
  out[5].x = 12345.0f;
  auto refused = [&](const std::vector<uint8_t>& bytes) {
    return !DecodeQuadTreeFile(bytes.data(), bytes.size(), w.models.render, &out) &&
           out.size() == static_cast<size_t>(kWorldLeafCount) && out[5].x == 12345.0f;
  };
  // Cut anywhere: at the start, inside the first leaf, in the middle, one byte short.
  for (size_t cut : {size_t{0}, size_t{3}, size_t{50}, good.size() / 2, good.size() - 1})
    EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + cut))) << cut;
  std::vector<uint8_t> trailing = good;
  trailing.push_back(0);
  EXPECT_TRUE(refused(trailing));
  // A last leaf index other than 1023.
  std::vector<uint8_t> fewer = good;
  fewer[0] = 0xFE;
  EXPECT_TRUE(refused(fewer));
  // Instance and triangle counts beyond the bytes left are refused before any memory
  // is sized from them.
  std::vector<uint8_t> hugeGrass = good;
  std::memset(&hugeGrass[4 + 16], 0x7F, 4);
  EXPECT_TRUE(refused(hugeGrass));
  std::vector<uint8_t> negative = good;
  negative[4 + 16 + 3] = 0xFF;
  EXPECT_TRUE(refused(negative));
  // Layers with another group count than the file was made for.
  TestWorld other;
  MilkshapeModel extra;
  FillWorldTestModel(&extra, {{FlatTriangle(0, 0, 1)}, {}, {}, {}});
  other.models.render.layers[4] = &extra;
  EXPECT_FALSE(DecodeQuadTreeFile(good.data(), good.size(), other.models.render, &out));
  EXPECT_EQ(out[5].x, 12345.0f);
  // The writer refuses leaves that do not match the models either.
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(EncodeQuadTreeFile(other.models.render, leaves.data(), kWorldLeafCount, &bytes));
  // Nor does it write what the reader refuses: a value that is not a number, in a
  // triangle or in a leaf's square.
  std::vector<QuadTreeList> damaged = leaves;
  size_t withTriangle = 0;
  while (withTriangle < damaged.size() && damaged[withTriangle].layers[0][0].triangles.empty()) ++withTriangle;
  ASSERT_LT(withTriangle, damaged.size());
  damaged[withTriangle].layers[0][0].triangles[0].normal[1][2] = std::nanf("");
  EXPECT_FALSE(EncodeQuadTreeFile(w.models.render, damaged.data(), kWorldLeafCount, &bytes));
  damaged = leaves;
  damaged[700].halfSize = INFINITY;
  EXPECT_FALSE(EncodeQuadTreeFile(w.models.render, damaged.data(), kWorldLeafCount, &bytes));
  const std::string nanPath = testscratch::ScratchPath("world_quadtree_nan.qt");
  std::remove(nanPath.c_str());
  EXPECT_FALSE(WriteQuadTreeFileAt(nanPath.c_str(), w.models.render, damaged.data(), kWorldLeafCount));
  FILE* none = std::fopen(nanPath.c_str(), "rb");
  EXPECT_EQ(none, nullptr) << "a refused image leaves no file behind";
  if (none) std::fclose(none);
  // A missing file leaves the leaves as they were.
  EXPECT_FALSE(ReadQuadTreeFileAt("/nonexistent/qt.qt", w.models.render, out.data()));
  EXPECT_FALSE(ReadQuadTreeFile(w.models.render, out.data(), 3));
  EXPECT_EQ(out[5].x, 12345.0f);
}

TEST(WorldQuadTree, RenderTrianglesGoWholeIntoEveryLeafHoldingACorner) {
  MilkshapeModel layer;
  // Corner exactly on the edge x = 0 between leaves 511 (x < 0) and 512 (x > 0) at the
  // origin's corner; and a big triangle whose corners all lie outside leaf 0.
  FillWorldTestModel(&layer, {{{{{0, 0, 10}, {-10, 0, 20}, {-5, 0, 30}}},
                               {{{-1500, 0, -1450}, {-1300, 0, -1500}, {-1300, 0, -1300}}}}});
  LeafBuilderModels models;
  models.render.layers[kLayerMainMap] = &layer;
  QuadTreeList a, b, first;
  LeafRandom random(1);
  BuildOneLeaf(models, -46.875f, 46.875f, 46.875f, &a, &random);
  BuildOneLeaf(models, 46.875f, 46.875f, 46.875f, &b, &random);
  ASSERT_EQ(a.layers[kLayerMainMap].size(), 1u);
  EXPECT_EQ(a.layers[kLayerMainMap][0].triangles.size(), 1u);
  EXPECT_EQ(b.layers[kLayerMainMap][0].triangles.size(), 1u);
  EXPECT_FLOAT_EQ(b.layers[kLayerMainMap][0].triangles[0].position[1][0], -10.0f);
  // Leaf 0's square is x, z in [-1500, -1406.25]: the big triangle has one corner
  // there, so it is stored whole.
  BuildOneLeaf(models, -1453.125f, -1453.125f, 46.875f, &first, &random);
  EXPECT_EQ(first.layers[kLayerMainMap][0].triangles.size(), 1u);
  QuadTreeList inner;
  MilkshapeModel cover;
  FillWorldTestModel(&cover, {{{{{-200, 0, -200}, {200, 0, -200}, {0, 0, 200}}}}});
  models.render.layers[kLayerMainMap] = &cover;
  BuildOneLeaf(models, 0.0f + 46.875f, 46.875f, 46.875f, &inner, &random);
  EXPECT_TRUE(inner.layers[kLayerMainMap][0].triangles.empty());  // covers, no corner inside
  // Layers without a model get no buckets; object lists skip markers outside.
  EXPECT_TRUE(inner.layers[kLayerMainRoad].empty());
  std::vector<int32_t> objects;
  MilkshapeModel markers;
  FillWorldTestModel(&markers, {{FlatTriangle(0, 0, 1), FlatTriangle(1600, 0, 1)}});
  CollectLeafObjects(&markers, 46.875f, 46.875f, 46.875f, &objects);
  EXPECT_EQ(objects, std::vector<int32_t>{0});
  CollectLeafObjects(&markers, -46.875f, -46.875f, 46.875f, &objects);
  EXPECT_EQ(objects, std::vector<int32_t>{0});  // on the shared corner: in both leaves
  CollectLeafObjects(&markers, 1453.125f, 46.875f, 46.875f, &objects);
  EXPECT_TRUE(objects.empty());  // x = 1600 lies outside the world
}

TEST(WorldQuadTree, RoadLayersCarryTheModelsCornerFrames) {
  TestWorld w;
  const std::vector<QuadTreeList> leaves = Build(w);
  // The road triangle's corner frames come from the model's per-corner arrays.
  bool found = false;
  for (const QuadTreeList& l : leaves)
    for (const Mesh& m : l.layers[kLayerMainRoad])
      for (const LeafTriangle& t : m.triangles) {
        found = true;
        EXPECT_FLOAT_EQ(t.tangent[0][0], w.layers[0]->cornerTangents[0].x);
        EXPECT_FLOAT_EQ(t.bitangent2[2][2], w.layers[0]->cornerBitangents2[2].z);
        EXPECT_FLOAT_EQ(t.texCoord2[1][0], w.layers[0]->triangles[0].texCoords2[1][0]);
      }
  EXPECT_TRUE(found);
}

TEST(WorldQuadTree, GrassAndTreesFollowTheSamplingRules) {
  LeafRandom random(99);
  // Group 1 always gives kind 0; group 8 only kinds 2 and 7; groups past 11 none.
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(GrassKindFor(1, &random), 0);
    const int k = GrassKindFor(8, &random);
    EXPECT_TRUE(k == 2 || k == 7);
    const int g0 = GrassKindFor(0, &random);
    EXPECT_TRUE(g0 >= 0 && g0 <= 7);
  }
  EXPECT_EQ(GrassKindFor(12, &random), -1);

  MilkshapeModel grass, trees;
  // Area 0.5: below 1 / 0.3, still one sample. A triangle just outside the leaf but
  // overlapping it adds only samples that fall inside.
  FillWorldTestModel(&grass, {{}, {FlatTriangle(10, 10, 1)}});
  // First edge exactly 1.5: a tree, not an anchor; a tree before any anchor keeps zeros.
  WorldTestTriangle edge15 = {{{20, 0, 20}, {21.5f, 0, 20}, {20, 0, 21}}};
  WorldTestTriangle anchor = {{{30, 0, 30}, {32, 0, 30}, {31, 4, 31}}};
  FillWorldTestModel(&trees, {{edge15, anchor}, {FlatTriangle(40, 40, 0.5f)}});
  LeafBuilderModels models;
  models.grass = &grass;
  models.trees = &trees;
  QuadTreeList leaf;
  BuildOneLeaf(models, 46.875f, 46.875f, 46.875f, &leaf, &random);
  size_t grassCount = 0;
  for (int k = 0; k < 8; ++k) grassCount += leaf.vegetation.instances[k].size();
  EXPECT_LE(grassCount, 1u);
  EXPECT_EQ(leaf.vegetation.instances[0].size(), grassCount);  // group 1 is always kind 0
  ASSERT_EQ(leaf.vegetation.instances[8].size(), 1u);
  EXPECT_EQ(leaf.vegetation.instances[8][0].anchorSize, 0.0f);
  ASSERT_EQ(leaf.vegetation.instances[9].size(), 1u);
  EXPECT_FLOAT_EQ(leaf.vegetation.instances[9][0].anchorSize, 2.0f);  // carried over groups
  EXPECT_FLOAT_EQ(leaf.vegetation.instances[9][0].anchorY, 4.0f);
  const float s = leaf.vegetation.instances[9][0].scale;
  EXPECT_TRUE(s >= 0.65f - 1e-6f && s <= 1.0f + 1e-6f);

  // Grass overlapping the leaf from outside: samples outside the square are dropped.
  MilkshapeModel edge;
  FillWorldTestModel(&edge, {{{{{-20, 0, 10}, {5, 0, 10}, {-20, 0, 60}}}}});
  models.grass = &edge;
  models.trees = nullptr;
  QuadTreeList right;
  BuildOneLeaf(models, 46.875f, 46.875f, 46.875f, &right, &random);
  for (int k = 0; k < 8; ++k)
    for (const GrassInstance& g : right.vegetation.instances[k]) EXPECT_GE(g.x, 0.0f);

  // A damaged grass model with a triangle far larger than the world: its sample count
  // is bounded instead of overflowing, so the leaf still gets the grass at the one
  // sample point it holds (the corner) and the builder finishes.
  MilkshapeModel huge;
  FillWorldTestModel(&huge, {{}, {FlatTriangle(10, 10, 2.0e5f)}});
  models.grass = &huge;
  QuadTreeList covered;
  BuildOneLeaf(models, 46.875f, 46.875f, 46.875f, &covered, &random);
  const std::vector<GrassInstance>& atCorner = covered.vegetation.instances[0];
  EXPECT_GT(atCorner.size(), 0u);
  EXPECT_LE(atCorner.size(), static_cast<size_t>(kGrassSamplesPerTriangleLimit));
  for (const GrassInstance& g : atCorner) {
    EXPECT_NEAR(g.x, 10.0f, 1e-3f);
    EXPECT_NEAR(g.z, 10.0f, 1e-3f);
  }
}

TEST(WorldQuadTree, TriangleOverlapHandlesCrossingTouchingAndCoplanarCases) {
  const float a0[3] = {0, 0, 0}, a1[3] = {4, 0, 0}, a2[3] = {0, 0, 4};
  // Coplanar: overlapping, one inside the other, apart.
  const float b0[3] = {1, 0, 1}, b1[3] = {5, 0, 1}, b2[3] = {1, 0, 5};
  EXPECT_EQ(TriTriOverlap(a0, a1, a2, b0, b1, b2), 1);
  const float c0[3] = {0.5f, 0, 0.5f}, c1[3] = {1, 0, 0.5f}, c2[3] = {0.5f, 0, 1};
  EXPECT_EQ(TriTriOverlap(a0, a1, a2, c0, c1, c2), 1);
  EXPECT_EQ(TriTriOverlap(c0, c1, c2, a0, a1, a2), 1);
  const float d0[3] = {10, 0, 10}, d1[3] = {12, 0, 10}, d2[3] = {10, 0, 12};
  EXPECT_EQ(TriTriOverlap(a0, a1, a2, d0, d1, d2), 0);
  // A vertical triangle piercing A, and one standing beside it.
  const float e0[3] = {1, -1, 1}, e1[3] = {1, 1, 1}, e2[3] = {2, 1, 2};
  EXPECT_EQ(TriTriOverlap(a0, a1, a2, e0, e1, e2), 1);
  const float f0[3] = {6, -1, 6}, f1[3] = {6, 1, 6}, f2[3] = {7, 1, 7};
  EXPECT_EQ(TriTriOverlap(a0, a1, a2, f0, f1, f2), 0);
  // Wholly above A's plane.
  const float g0[3] = {1, 1, 1}, g1[3] = {2, 2, 1}, g2[3] = {1, 3, 2};
  EXPECT_EQ(TriTriOverlap(a0, a1, a2, g0, g1, g2), 0);
}

}  // namespace
