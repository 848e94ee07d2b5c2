// The generated worlds as the track loader sees them: every layer through the game's
// model reader, the quadtree file through its reader, and the counts that tie them.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "gfx/milkshape.h"
#include "race/waypoints.h"
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

TEST(WorldLayers, EveryRaceHasAClosedPathOnItsWorld) {
  if (!HaveWorlds()) GTEST_SKIP() << "base/ not generated here (build the base target)";
  for (int race = 1; race <= 30; ++race) {
    SCOPED_TRACE(race);
    ASSERT_TRUE(LoadRacePath(race));
    EXPECT_GT(WaypointLastIndex, 300);
    EXPECT_LT(WaypointLastIndex, kWaypointCapacity);
    EXPECT_TRUE(IsCheckpoint(WaypointTable[0].kind));
    const Waypoint& a = WaypointTable[WaypointLastIndex];
    const Waypoint& b = WaypointTable[0];
    EXPECT_NEAR(std::hypot(a.x - b.x, a.z - b.z), 7.0f, 0.3f);
  }
  // Races of one world share the road but not always the direction.
  ASSERT_TRUE(LoadRacePath(1));
  const Waypoint forward = WaypointTable[1];
  ASSERT_TRUE(LoadRacePath(4));
  EXPECT_NE(forward.x, WaypointTable[1].x);
}

}  // namespace
