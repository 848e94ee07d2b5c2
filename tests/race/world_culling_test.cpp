// The world quadtree's nodes and culling: the leaf numbering, the box tests against
// frusta made by the race cameras' own code, building and freeing the process-wide
// tree from a qt.qt, and the race update's main list with its distances.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "app/race_cameras.h"
#include "app/race_snapshot.h"
#include "app/race_update.h"
#include "gfx/milkshape.h"
#include "race/waypoints.h"
#include "race/world_quadtree.h"
#include "render/camera_state.h"
#include "tests/race/world_models.h"
#include "tests/scratch_dir.h"

namespace {

constexpr float kLeafHalf = 46.875f;
constexpr int kNodeCount = 1365;  // 1 + 4 + 16 + 64 + 256 + 1024

// Frees the process-wide tree when a test ends, whatever it asserted.
struct WorldTreeGuard {
  ~WorldTreeGuard() { FreeWorldQuadTree(); }
};

// A root numbered as BuildWorldQuadTree numbers it, without reading a file.
std::unique_ptr<QuadTree> NumberedTree() {
  std::unique_ptr<QuadTree> root(new QuadTree(0.0f, 0.0f, 0.0f, kWorldHalfSize));
  root->Subdivide(kWorldTreeDepth);
  LastLeafIndex = -1;
  root->NumberLeaves();
  return root;
}

void Walk(const QuadTree* n, std::vector<const QuadTree*>* leaves, int* nodes) {
  ++*nodes;
  if (n->isLeaf) {
    leaves->push_back(n);
    return;
  }
  for (const QuadTree* c : n->children) {
    EXPECT_NE(c, nullptr);
    if (c) Walk(c, leaves, nodes);
  }
}

// The leaf whose square holds (x, z), found by the child order's quadrants.
const QuadTree* LeafAt(const QuadTree* n, float x, float z) {
  while (!n->isLeaf) {
    const int child = x < n->x ? (z < n->z ? 0 : 1) : (z < n->z ? 3 : 2);
    n = n->children[child];
  }
  return n;
}

Frustum OpenFrustum() {
  Frustum f;
  for (auto& p : f.plane) {
    p[0] = p[1] = p[2] = 0.0f;
    p[3] = 1.0f;
  }
  return f;
}

Frustum CameraFrustum(Vector3 eye, Vector3 target, Vector3 up, float fovy, float aspect,
                      float zNear, float zFar) {
  Matrix4 projection, view;
  projection.SetProjection(fovy, aspect, zNear, zFar);
  view.SetView(eye, target, up);
  return ExtractFrustum(MultiplyMatrices(projection, view));
}

struct LeafIds {
  int leaf[kMaxVisibleLeaves];
  int count = 0;
  bool Has(int id) const {
    for (int i = 0; i < count; ++i)
      if (leaf[i] == id) return true;
    return false;
  }
};

LeafIds Visible(const QuadTree& root, const Frustum& f) {
  LeafIds ids;
  root.CollectVisible(f, ids.leaf, &ids.count, kMaxVisibleLeaves);
  return ids;
}

LeafIds ShadowVisible(const QuadTree& root, const Frustum& f) {
  LeafIds ids;
  root.CollectShadowVisible(f, ids.leaf, &ids.count, kMaxVisibleLeaves);
  return ids;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

TEST(WorldQuadTree, NumberingCoversEveryLeafOnceDepthFirstInChildOrder) {
  const std::unique_ptr<QuadTree> root = NumberedTree();
  EXPECT_EQ(LastLeafIndex, kWorldLeafCount - 1);
  std::vector<const QuadTree*> leaves;
  int nodes = 0;
  Walk(root.get(), &leaves, &nodes);
  EXPECT_EQ(nodes, kNodeCount);
  ASSERT_EQ(static_cast<int>(leaves.size()), kWorldLeafCount);
  // Visited depth first, each leaf is the next id: no gaps, no repeats.
  for (int i = 0; i < kWorldLeafCount; ++i) {
    EXPECT_EQ(leaves[i]->leafId, i);
    EXPECT_FLOAT_EQ(leaves[i]->halfSize, kLeafHalf);
    EXPECT_EQ(leaves[i]->y, 0.0f);
  }
  EXPECT_FLOAT_EQ(leaves[0]->x, -1453.125f);
  EXPECT_FLOAT_EQ(leaves[0]->z, -1453.125f);
  EXPECT_FLOAT_EQ(leaves[1023]->x, 1453.125f);
  EXPECT_FLOAT_EQ(leaves[1023]->z, -1453.125f);
  // Each quarter of the root holds a run of 256 ids, in (-,-), (-,+), (+,+), (+,-).
  const float quarterX[4] = {-750.0f, -750.0f, 750.0f, 750.0f};
  const float quarterZ[4] = {-750.0f, 750.0f, 750.0f, -750.0f};
  for (int c = 0; c < 4; ++c) {
    SCOPED_TRACE(c);
    const QuadTree* child = root->children[c];
    EXPECT_EQ(child->x, quarterX[c]);
    EXPECT_EQ(child->z, quarterZ[c]);
    EXPECT_EQ(child->halfSize, 750.0f);
    EXPECT_FALSE(child->isLeaf);
    EXPECT_EQ(child->leafId, 0);
    std::vector<const QuadTree*> sub;
    int subNodes = 0;
    Walk(child, &sub, &subNodes);
    ASSERT_EQ(sub.size(), 256u);
    EXPECT_EQ(sub.front()->leafId, 256 * c);
    EXPECT_EQ(sub.back()->leafId, 256 * c + 255);
  }
  // A frustum that takes everything lists every leaf in id order.
  const LeafIds all = Visible(*root, OpenFrustum());
  ASSERT_EQ(all.count, kWorldLeafCount);
  for (int i = 0; i < all.count; ++i) ASSERT_EQ(all.leaf[i], i);
  // A list with less room stops at its end.
  int few[10];
  int count = 0;
  root->CollectVisible(OpenFrustum(), few, &count, 10);
  EXPECT_EQ(count, 10);
  EXPECT_EQ(few[9], 9);
}

TEST(WorldQuadTree, CameraLookingAwayFromTheWorldListsNothing) {
  const std::unique_ptr<QuadTree> root = NumberedTree();
  const Vector3 up(0.0f, 1.0f, 0.0f);
  // Beyond the edge, looking outward: the whole world lies behind the near plane.
  const Frustum outward = CameraFrustum(Vector3(0, 10, 1600), Vector3(0, 10, 1700), up, 75.0f,
                                        4.0f / 3.0f, 1.0f, 3000.0f);
  EXPECT_EQ(Visible(*root, outward).count, 0);
  // Above the boxes' tops (250), looking up.
  const Frustum skyward = CameraFrustum(Vector3(0, 300, 0), Vector3(0, 400, 0),
                                        Vector3(0, 0, 1), 75.0f, 4.0f / 3.0f, 1.0f, 3000.0f);
  EXPECT_EQ(Visible(*root, skyward).count, 0);
  // Turned round, the same camera sees the world.
  const Frustum inward = CameraFrustum(Vector3(0, 10, 1600), Vector3(0, 10, 1500), up, 75.0f,
                                       4.0f / 3.0f, 1.0f, 3000.0f);
  EXPECT_GT(Visible(*root, inward).count, 0);
}

// Our camera code fills the slots in its own order; the names must mean what they say.
TEST(WorldQuadTree, PlaneNamesMatchTheSlotsTheCameraCodeFills) {
  const Frustum f = CameraFrustum(Vector3(0, 0, 0), Vector3(0, 0, -1), Vector3(0, 1, 0), 90.0f,
                                  1.0f, 1.0f, 100.0f);
  struct Probe {
    Vector3 p;
    int outside;
  } probes[] = {
      {{50, 0, -10}, kPlaneRight}, {{-50, 0, -10}, kPlaneLeft}, {{0, 50, -10}, kPlaneTop},
      {{0, -50, -10}, kPlaneBottom}, {{0, 0, -200}, kPlaneFar},  {{0, 0, -0.5f}, kPlaneNear},
  };
  for (const Probe& probe : probes) {
    SCOPED_TRACE(probe.outside);
    for (int k = 0; k < kFrustumPlaneCount; ++k) {
      const float* pl = f.plane[k];
      const float v = pl[0] * probe.p.x + pl[1] * probe.p.y + pl[2] * probe.p.z + pl[3];
      EXPECT_EQ(v <= 0.0f, k == probe.outside) << "plane slot " << k;
    }
  }
}

// One plane (slot k) cutting the leaf at the origin, every other slot open.
Frustum OnePlane(int k, float a, float b, float c, float d) {
  Frustum f = OpenFrustum();
  f.plane[k][0] = a;
  f.plane[k][1] = b;
  f.plane[k][2] = c;
  f.plane[k][3] = d;
  return f;
}

TEST(WorldQuadTree, BoxTouchingAPlaneFromBehindIsRejectedAndTheBoxHeightsHold) {
  QuadTree leaf(0.0f, 0.0f, 0.0f, kLeafHalf);
  leaf.Subdivide(0);
  const float justInside = std::nextafter(-kLeafHalf, 0.0f);
  for (int k = 0; k < kFrustumPlaneCount; ++k) {
    SCOPED_TRACE(k);
    // x <= -46.875: the four corners at x = -46.875 give exactly 0, the rest below.
    EXPECT_FALSE(leaf.IsInFrustum(OnePlane(k, -1, 0, 0, -kLeafHalf)));
    // Moved the least bit, those corners are inside.
    EXPECT_TRUE(leaf.IsInFrustum(OnePlane(k, -1, 0, 0, justInside)));
  }
  // Heights: the drawn box spans y -20..250, the shadow box y -50..250.
  EXPECT_FALSE(leaf.IsInFrustum(OnePlane(kPlaneTop, 0, 1, 0, -250.0f)));
  EXPECT_TRUE(leaf.IsInFrustum(OnePlane(kPlaneTop, 0, 1, 0, -249.0f)));
  EXPECT_FALSE(leaf.IsInFrustum(OnePlane(kPlaneBottom, 0, -1, 0, -20.0f)));
  EXPECT_TRUE(leaf.IsInFrustum(OnePlane(kPlaneBottom, 0, -1, 0, -19.0f)));
  EXPECT_FALSE(leaf.IsInShadowFrustum(OnePlane(kPlaneTop, 0, 1, 0, -250.0f)));
  EXPECT_TRUE(leaf.IsInShadowFrustum(OnePlane(kPlaneBottom, 0, -1, 0, -20.0f)))
      << "a caster down to 50 below still throws a shadow";
  EXPECT_FALSE(leaf.IsInShadowFrustum(OnePlane(kPlaneBottom, 0, -1, 0, -50.0f)));
  // The shadow test reads the four side slots and never the near and far ones.
  for (int k = 0; k < kFrustumPlaneCount; ++k) {
    SCOPED_TRACE(k);
    const bool side = k != kPlaneNear && k != kPlaneFar;
    EXPECT_EQ(leaf.IsInShadowFrustum(OnePlane(k, -1, 0, 0, -kLeafHalf)), !side);
  }
}

TEST(WorldQuadTree, ShadowCollectionIgnoresTheSunsNearAndFarPlanesOnly) {
  const std::unique_ptr<QuadTree> root = NumberedTree();
  // Straight down from 1000, about 100 either side at the ground: the four leaves
  // round the origin, and nothing 500 away in any direction.
  const Vector3 eye(0, 1000, 0), ground(0, 0, 0), north(0, 0, 1);
  const float fovy = 2.0f * std::atan(0.1f) * 180.0f / 3.14159265f;
  const int centre[4] = {LeafAt(root.get(), -1, -1)->leafId, LeafAt(root.get(), -1, 1)->leafId,
                         LeafAt(root.get(), 1, 1)->leafId, LeafAt(root.get(), 1, -1)->leafId};
  const int away[4] = {LeafAt(root.get(), 500, 0)->leafId, LeafAt(root.get(), -500, 0)->leafId,
                       LeafAt(root.get(), 0, 500)->leafId, LeafAt(root.get(), 0, -500)->leafId};
  struct Depths {
    const char* what;
    float zNear, zFar;
  } cases[] = {{"the ground beyond the far plane", 100.0f, 500.0f},
               {"the ground before the near plane", 1200.0f, 5000.0f}};
  for (const Depths& d : cases) {
    SCOPED_TRACE(d.what);
    const Frustum f = CameraFrustum(eye, ground, north, fovy, 1.0f, d.zNear, d.zFar);
    EXPECT_EQ(Visible(*root, f).count, 0) << "the drawn test does cut at near and far";
    const LeafIds shadow = ShadowVisible(*root, f);
    for (int id : centre) EXPECT_TRUE(shadow.Has(id)) << id;
    for (int id : away) EXPECT_FALSE(shadow.Has(id)) << id;
    for (int i = 1; i < shadow.count; ++i) EXPECT_LT(shadow.leaf[i - 1], shadow.leaf[i]);
  }
}

TEST(WorldQuadTree, SunCameraListsTheGroundRoundItsPoint) {
  const std::unique_ptr<QuadTree> root = NumberedTree();
  CameraState.eye = Vector3(-300, 5, 200);
  CameraState.target = Vector3(-290, 5, 210);
  CameraState.up = Vector3(0, 1, 0);
  SetupCamera(kCameraSun, 0, 1.0f, 450.0f);
  const LeafIds shadow = ShadowVisible(*root, ViewFrustum);
  const Vector3 point = SunCamera.sunPoint;
  EXPECT_TRUE(shadow.Has(LeafAt(root.get(), point.x, point.z)->leafId));
  EXPECT_FALSE(shadow.Has(LeafAt(root.get(), point.x - 800, point.z + 800)->leafId));
  EXPECT_LT(shadow.count, 100) << "the sun's narrow view covers a few leaves";
}

// A qt.qt for the bare tree: every leaf's square, empty layers but for layer 0's two
// groups, and one tuft of grass in leaf 5 to show the contents arrive.
struct SmallWorldFile {
  MilkshapeModel road;
  QuadTreeModels models;
  std::vector<QuadTreeList> leaves;

  SmallWorldFile() : leaves(kWorldLeafCount) {
    FillWorldTestModel(&road, {{FlatTriangle(0, 0, 5)}, {FlatTriangle(10, 10, 5)}});
    models.layers[kLayerMainRoad] = &road;
    const std::unique_ptr<QuadTree> root = NumberedTree();
    std::vector<const QuadTree*> nodes;
    int count = 0;
    Walk(root.get(), &nodes, &count);
    for (const QuadTree* n : nodes) {
      QuadTreeList& leaf = leaves[n->leafId];
      leaf.x = n->x;
      leaf.z = n->z;
      leaf.halfSize = n->halfSize;
      leaf.layers[kLayerMainRoad].resize(2);
    }
    leaves[5].vegetation.instances[0].push_back({1, 2, 3, 1, 0, 0, 0, 0, 1});
  }
  std::string Write(const char* name) const {
    const std::string path = testscratch::ScratchPath(name);
    EXPECT_TRUE(WriteQuadTreeFileAt(path.c_str(), models, leaves.data(), kWorldLeafCount));
    return path;
  }
};

void ExpectNothingBuilt() {
  EXPECT_EQ(WorldRoot, nullptr);
  EXPECT_EQ(WorldLeaves, nullptr);
  EXPECT_EQ(WorldLeafCount, 0);
  EXPECT_EQ(WorldTreeDepth, 0);
}

TEST(WorldQuadTree, FreeClearsBothPointersAndAFreshBuildFollows) {
  WorldTreeGuard guard;
  const SmallWorldFile world;
  const std::string path = world.Write("qt.qt");
  FreeWorldQuadTree();  // nothing built yet
  ExpectNothingBuilt();

  ASSERT_TRUE(BuildWorldQuadTreeAt(path.c_str(), world.models));
  ASSERT_NE(WorldRoot, nullptr);
  ASSERT_NE(WorldLeaves, nullptr);
  EXPECT_EQ(WorldLeafCount, kWorldLeafCount);
  EXPECT_EQ(WorldTreeDepth, kWorldTreeDepth);
  EXPECT_EQ(LastLeafIndex, kWorldLeafCount - 1);
  EXPECT_EQ(WorldLeaves[5].vegetation.instances[0].size(), 1u);
  EXPECT_EQ(WorldLeaves[1023].layers[kLayerMainRoad].size(), 2u);
  EXPECT_EQ(LeafAt(WorldRoot, 1480, -1480)->leafId, 1023);

  FreeWorldQuadTree();
  ExpectNothingBuilt();
  FreeWorldQuadTree();
  ExpectNothingBuilt();

  ASSERT_TRUE(BuildWorldQuadTreeAt(path.c_str(), world.models));
  EXPECT_EQ(Visible(*WorldRoot, OpenFrustum()).count, kWorldLeafCount);
  EXPECT_EQ(WorldLeaves[5].vegetation.instances[0].size(), 1u);
  // Building over a built tree replaces it.
  ASSERT_TRUE(BuildWorldQuadTreeAt(path.c_str(), world.models));
  EXPECT_EQ(WorldLeafCount, kWorldLeafCount);
}

TEST(WorldQuadTree, MissingDamagedOrForeignFileBuildsNothing) {
  WorldTreeGuard guard;
  const SmallWorldFile world;
  const std::string good = world.Write("good.qt");
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(EncodeQuadTreeFile(world.models, world.leaves.data(), kWorldLeafCount, &bytes));

  struct Case {
    const char* what;
    std::string path;
  };
  std::vector<Case> cases;
  cases.push_back({"missing", testscratch::ScratchPath("none.qt")});
  {
    const std::string cut = testscratch::ScratchPath("short.qt");
    FILE* f = std::fopen(cut.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), bytes.size() / 2, 1, f);
    std::fclose(f);
    cases.push_back({"cut short", cut});
  }
  {
    // The squares of leaves 3 and 4 swapped: a file made for another numbering.
    SmallWorldFile swapped;
    std::swap(swapped.leaves[3].x, swapped.leaves[4].x);
    std::swap(swapped.leaves[3].z, swapped.leaves[4].z);
    cases.push_back({"leaf squares of another tree", swapped.Write("swapped.qt")});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(BuildWorldQuadTreeAt(good.c_str(), world.models));
    // A failed build does not keep the tree built before either.
    EXPECT_FALSE(BuildWorldQuadTreeAt(c.path.c_str(), world.models));
    ExpectNothingBuilt();
  }
  // Read for layers with other group counts.
  QuadTreeModels other;
  EXPECT_FALSE(BuildWorldQuadTreeAt(good.c_str(), other));
  ExpectNothingBuilt();
  // No world 3, and no file at all for a world when run away from base/.
  EXPECT_FALSE(BuildWorldQuadTree(3, world.models));
  ExpectNothingBuilt();
  EXPECT_FALSE(BuildWorldQuadTreeAt(nullptr, world.models));
  ExpectNothingBuilt();
}

TEST(WorldQuadTree, RaceUpdateMainListCarriesDistancesFromItsOwnEye) {
  WorldTreeGuard guard;
  const SmallWorldFile world;
  ASSERT_TRUE(BuildWorldQuadTreeAt(world.Write("qt.qt").c_str(), world.models));
  CameraState.eye = Vector3(130.0f, 4.0f, -220.0f);
  CameraState.target = Vector3(180.0f, 4.0f, -120.0f);
  CameraState.up = Vector3(0, 1, 0);
  CameraState.speedFactor = 0.0f;
  // The frame on screen is an update behind: its eye is somewhere else.
  RenderCamera.eye = Vector3(-900.0f, 4.0f, 900.0f);
  CullMainCamera(4.0f / 3.0f);

  const LeafList& list = WorkingResults.mainLeaves;
  const LeafIds expected = Visible(*WorldRoot, ViewFrustum);
  ASSERT_GT(list.count, 0);
  ASSERT_EQ(list.count, expected.count);
  for (int i = 0; i < list.count; ++i) {
    ASSERT_EQ(list.leaf[i], expected.leaf[i]);
    // From the tree's own square, which the file's square must equal.
    const QuadTree* node = LeafAt(WorldRoot, WorldLeaves[list.leaf[i]].x, WorldLeaves[list.leaf[i]].z);
    ASSERT_EQ(node->leafId, list.leaf[i]);
    const float dx = 130.0f - node->x, dz = -220.0f - node->z;
    EXPECT_NEAR(list.distanceSq[i], dx * dx + dz * dz, 1e-3f) << "leaf " << list.leaf[i];
  }
  // The leaf the camera stands in is in view, at its centre's distance.
  const QuadTree* here = LeafAt(WorldRoot, 130.0f, -220.0f);
  bool found = false;
  for (int i = 0; i < list.count; ++i)
    if (list.leaf[i] == here->leafId) {
      found = true;
      EXPECT_NEAR(std::sqrt(list.distanceSq[i]), std::hypot(130.0f - here->x, -220.0f - here->z),
                  1e-3f);
    }
  EXPECT_TRUE(found);

  // Without a world the list empties.
  FreeWorldQuadTree();
  CullMainCamera(4.0f / 3.0f);
  EXPECT_EQ(WorkingResults.mainLeaves.count, 0);
}

// World 0 as the race load has it: the ten layers prepared as the loader prepares
// them, race 1's roadside objects and path.
const char* const kLayerNames[kRenderLayerCount] = {
    "main_road", "main_landscape",   "main_map",          "main_transparency", "add_map",
    "add_map2",  "add_transparency", "add_transparency2", "shadows",           "reflections"};

std::string WorldModel(const std::string& name) { return "base/world/0/models/" + name + ".sbm"; }

TEST(WorldQuadTree, MainCameraOnRaceOneSeesAlongTheRoad) {
  if (!FileExists("base/world/0/models/qt.qt"))
    GTEST_SKIP() << "base/ not generated here (build the base target)";
  WorldTreeGuard guard;
  std::unique_ptr<MilkshapeModel> layers[kRenderLayerCount];
  QuadTreeModels models;
  for (int k = 0; k < kRenderLayerCount; ++k) {
    layers[k].reset(new MilkshapeModel());
    ASSERT_TRUE(layers[k]->Load(WorldModel(kLayerNames[k]).c_str())) << kLayerNames[k];
    models.layers[k] = layers[k].get();
  }
  for (int k = kLayerMainRoad; k <= kLayerMainLandscape; ++k) {
    MilkshapeModel linear;
    ASSERT_TRUE(linear.Load(WorldModel(std::string(kLayerNames[k]) + "_linear").c_str()));
    layers[k]->ComputeTangentFrames();
    ASSERT_TRUE(layers[k]->CopyLinearTexCoords(linear));
    layers[k]->ComputeTangentFramesUV2();
  }
  MilkshapeModel objects;
  ASSERT_TRUE(objects.Load(WorldModel("objects1").c_str()));
  models.objects = &objects;
  ASSERT_TRUE(BuildWorldQuadTree(0, models));
  ASSERT_TRUE(LoadRacePath(1));

  const Waypoint& start = WaypointTable[0];
  const Waypoint& ahead = WaypointTable[10];
  CameraState.eye = Vector3(start.x, start.y + 3.0f, start.z);
  CameraState.target = Vector3(ahead.x, ahead.y + 3.0f, ahead.z);
  CameraState.up = Vector3(0, 1, 0);
  CameraState.speedFactor = 0.0f;
  SetupCamera(kCameraMain, 0, 4.0f / 3.0f, 450.0f);
  const LeafIds seen = Visible(*WorldRoot, ViewFrustum);

  const int aheadLeaf = LeafAt(WorldRoot, ahead.x, ahead.z)->leafId;
  const QuadTreeList& square = WorldLeaves[aheadLeaf];
  EXPECT_LE(std::fabs(ahead.x - square.x), square.halfSize);
  EXPECT_LE(std::fabs(ahead.z - square.z), square.halfSize);
  EXPECT_TRUE(seen.Has(aheadLeaf));
  EXPECT_TRUE(seen.Has(LeafAt(WorldRoot, start.x, start.z)->leafId));

  // 600 back along the line of sight, well out of the 450 view.
  float dx = start.x - ahead.x, dz = start.z - ahead.z;
  const float len = std::hypot(dx, dz);
  ASSERT_GT(len, 1.0f);
  dx /= len;
  dz /= len;
  float back = 600.0f;
  while (back > 200.0f && (std::fabs(start.x + dx * back) >= kWorldHalfSize ||
                           std::fabs(start.z + dz * back) >= kWorldHalfSize))
    back -= 50.0f;
  ASSERT_GT(back, 200.0f) << "no room behind the start inside the world";
  EXPECT_FALSE(seen.Has(LeafAt(WorldRoot, start.x + dx * back, start.z + dz * back)->leafId));
  EXPECT_LT(seen.count, kWorldLeafCount / 4) << "a 450 view over a 3000 world";
}

}  // namespace

namespace {

TEST(WorldQuadTree, LeavesForgetObjectNumbersBeyondTheObjectTable) {
  FreeWorldQuadTree();
  WorldLeaves = new QuadTreeList[kWorldLeafCount];
  WorldLeafCount = kWorldLeafCount;
  WorldLeaves[3].objects = {0, 999, 1000, 1203, 7};
  WorldLeaves[1023].objects = {1000};
  DropUnbuiltObjects(1000);
  EXPECT_EQ(WorldLeaves[3].objects, (std::vector<int32_t>{0, 999, 7})) << "order kept";
  EXPECT_TRUE(WorldLeaves[1023].objects.empty());
  DropUnbuiltObjects(5);
  EXPECT_EQ(WorldLeaves[3].objects, (std::vector<int32_t>{0}));
  FreeWorldQuadTree();
  DropUnbuiltObjects(5);  // nothing built: nothing to do
  EXPECT_EQ(WorldLeaves, nullptr);
}

}  // namespace
