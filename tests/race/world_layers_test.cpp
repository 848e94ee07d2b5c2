// The generated worlds as the track loader sees them: every layer through the game's
// model reader, the quadtree file through its reader, and the counts that tie them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "gfx/milkshape.h"
#include "race/waypoints.h"
#include "race/world_layers.h"
#include "race/world_quadtree_file.h"

namespace {

const char* const kLayers[kRenderLayerCount] = {
    "main_road", "main_landscape",   "main_map",          "main_transparency", "add_map",
    "add_map2",  "add_transparency", "add_transparency2", "shadows",           "reflections"};

bool HaveWorlds() {
  struct stat st;
  return stat("base/world/0/models/qt.qt", &st) == 0;
}

std::string Model(int w, const std::string& name) {
  return "base/world/" + std::to_string(w) + "/models/" + name + ".sbm";
}

TEST(WorldLayers, QuadTreeGroupCountsMatchTheLayersTheGameLoads) {
  if (!HaveWorlds()) GTEST_SKIP() << "base/ not generated here (build the base target)";
  for (int w = 0; w < 3; ++w) {
    SCOPED_TRACE(w);
    std::unique_ptr<MilkshapeModel> layers[kRenderLayerCount];
    QuadTreeModels models;
    for (int k = 0; k < kRenderLayerCount; ++k) {
      layers[k].reset(new MilkshapeModel());
      ASSERT_TRUE(layers[k]->Load(Model(w, kLayers[k]).c_str())) << kLayers[k];
      models.layers[k] = layers[k].get();
    }
    // The loader's preparation of the two layers with a second texture set.
    for (int k = 0; k < 2; ++k) {
      MilkshapeModel linear;
      ASSERT_TRUE(linear.Load(Model(w, std::string(kLayers[k]) + "_linear").c_str()));
      ASSERT_EQ(linear.triangleCount, layers[k]->triangleCount);
      layers[k]->ComputeTangentFrames();
      ASSERT_TRUE(layers[k]->CopyLinearTexCoords(linear));
      layers[k]->ComputeTangentFramesUV2();
    }
    MilkshapeModel objects;
    ASSERT_TRUE(objects.Load(Model(w, "objects" + std::to_string(w + 1)).c_str()));
    models.objects = &objects;
    std::vector<QuadTreeList> leaves(kWorldLeafCount);
    ASSERT_TRUE(ReadQuadTreeFile(models, leaves.data(), w));

    size_t listed = 0, instances = 0;
    for (int k = 0; k < kRenderLayerCount; ++k) {
      std::vector<size_t> perGroup(layers[k]->groupCount, 0);
      for (const QuadTreeList& leaf : leaves) {
        ASSERT_EQ(static_cast<int>(leaf.layers[k].size()), layers[k]->groupCount);
        for (int g = 0; g < layers[k]->groupCount; ++g) perGroup[g] += leaf.layers[k][g].triangles.size();
      }
      // Every triangle of the layer lies in the world, so at least one leaf holds it.
      for (int g = 0; g < layers[k]->groupCount; ++g)
        EXPECT_GE(perGroup[g], static_cast<size_t>(layers[k]->groups[g].triangleCount)) << kLayers[k] << g;
    }
    for (const QuadTreeList& leaf : leaves) {
      listed += leaf.objects.size();
      for (const auto& kind : leaf.vegetation.instances) instances += kind.size();
    }
    EXPECT_GE(listed, static_cast<size_t>(objects.triangleCount));
    EXPECT_GT(objects.triangleCount, 50);
    EXPECT_LE(objects.triangleCount, 1000);
    EXPECT_GT(instances, 1000u);
  }
}

// The physics layer's surface heights under points of the x-z plane, found through a
// coarse grid of the triangles' extents.
class SurfaceHeights {
 public:
  explicit SurfaceHeights(const MilkshapeModel& m) : m_(m) {
    for (int i = 0; i < m.vertexCount; ++i) {
      lo_x_ = std::min(lo_x_, m.vertices[i].x);
      lo_z_ = std::min(lo_z_, m.vertices[i].z);
      hi_x_ = std::max(hi_x_, m.vertices[i].x);
      hi_z_ = std::max(hi_z_, m.vertices[i].z);
    }
    cells_.resize(kCells * kCells);
    for (int t = 0; t < m.triangleCount; ++t) {
      float x0 = hi_x_, x1 = lo_x_, z0 = hi_z_, z1 = lo_z_;
      for (int v : m.triangles[t].vertexIndices) {
        x0 = std::min(x0, m.vertices[v].x);
        x1 = std::max(x1, m.vertices[v].x);
        z0 = std::min(z0, m.vertices[v].z);
        z1 = std::max(z1, m.vertices[v].z);
      }
      for (int cz = Cell(z0, lo_z_, hi_z_); cz <= Cell(z1, lo_z_, hi_z_); ++cz)
        for (int cx = Cell(x0, lo_x_, hi_x_); cx <= Cell(x1, lo_x_, hi_x_); ++cx)
          cells_[cz * kCells + cx].push_back(t);
    }
  }
  // The highest surface under (x, z); false when no triangle lies under it.
  bool HeightAt(float x, float z, float* y) const {
    if (x < lo_x_ || x > hi_x_ || z < lo_z_ || z > hi_z_) return false;
    bool found = false;
    for (int t : cells_[Cell(z, lo_z_, hi_z_) * kCells + Cell(x, lo_x_, hi_x_)]) {
      const ModelVertex* v[3];
      for (int k = 0; k < 3; ++k) v[k] = &m_.vertices[m_.triangles[t].vertexIndices[k]];
      const float d = (v[1]->z - v[2]->z) * (v[0]->x - v[2]->x) + (v[2]->x - v[1]->x) * (v[0]->z - v[2]->z);
      if (std::fabs(d) < 1e-9f) continue;
      const float a = ((v[1]->z - v[2]->z) * (x - v[2]->x) + (v[2]->x - v[1]->x) * (z - v[2]->z)) / d;
      const float b = ((v[2]->z - v[0]->z) * (x - v[2]->x) + (v[0]->x - v[2]->x) * (z - v[2]->z)) / d;
      const float c = 1.0f - a - b;
      if (a < -1e-4f || b < -1e-4f || c < -1e-4f) continue;
      const float h = a * v[0]->y + b * v[1]->y + c * v[2]->y;
      if (!found || h > *y) *y = h;
      found = true;
    }
    return found;
  }

 private:
  static constexpr int kCells = 64;
  static int Cell(float v, float lo, float hi) {
    return std::clamp(static_cast<int>((v - lo) / (hi - lo) * kCells), 0, kCells - 1);
  }
  const MilkshapeModel& m_;
  float lo_x_ = 1e30f, lo_z_ = 1e30f, hi_x_ = -1e30f, hi_z_ = -1e30f;
  std::vector<std::vector<int>> cells_;
};

// Every race the game starts runs on the world the loader picks for its number: each
// waypoint lies just above that world's physics surface. Races 25-30 have paths too,
// but no world of their own (the loader keeps the last one), so no tool may start them.
TEST(WorldLayers, EveryRaceHasAClosedPathOnItsWorld) {
  if (!HaveWorlds()) GTEST_SKIP() << "base/ not generated here (build the base target)";
  std::unique_ptr<MilkshapeModel> physic[3];
  std::unique_ptr<SurfaceHeights> surface[3];
  for (int w = 0; w < 3; ++w) {
    ASSERT_TRUE(LoadPhysicsLayer(w)) << w;
    physic[w].reset(WorldLayers.physic);
    WorldLayers.physic = nullptr;
    surface[w].reset(new SurfaceHeights(*physic[w]));
  }
  for (int race = 1; race <= 30; ++race) {
    SCOPED_TRACE(race);
    ASSERT_TRUE(LoadRacePath(race));
    EXPECT_GT(WaypointLastIndex, 300);
    EXPECT_LT(WaypointLastIndex, kWaypointCapacity);
    EXPECT_TRUE(IsCheckpoint(WaypointTable[0].kind));
    const Waypoint& a = WaypointTable[WaypointLastIndex];
    const Waypoint& b = WaypointTable[0];
    EXPECT_NEAR(std::hypot(a.x - b.x, a.z - b.z), 7.0f, 0.3f);

    const int world = WorldForRace(race, -1);
    if (race > 24) {
      EXPECT_EQ(world, -1) << "a race the game never starts has no world of its own";
      continue;
    }
    ASSERT_GE(world, 0);
    ASSERT_LT(world, 3);
    int onSurface = 0;
    for (int i = 0; i <= WaypointLastIndex; ++i) {
      const Waypoint& p = WaypointTable[i];
      float y = 0.0f;
      if (surface[world]->HeightAt(p.x, p.z, &y) && p.y - y > -0.05f && p.y - y < 3.0f) ++onSurface;
    }
    EXPECT_EQ(onSurface, WaypointLastIndex + 1) << "world " << world;
  }
  // Races of one world share the road but not always the direction.
  ASSERT_TRUE(LoadRacePath(1));
  const Waypoint forward = WaypointTable[1];
  ASSERT_TRUE(LoadRacePath(4));
  EXPECT_NE(forward.x, WaypointTable[1].x);
}

}  // namespace
