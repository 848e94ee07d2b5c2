// The world quadtree's culling per race update: the main camera's list and the sun's
// list on the full 1365-node tree. The cull reads only the nodes, never the leaf
// contents, so the tree is built without its qt.qt. The camera stands at race 1's
// start looking down the road when base/ is there (run from build/), else at a fixed
// spot of the same height.
#include <benchmark/benchmark.h>

#include "app/race_cameras.h"
#include "app/race_snapshot.h"
#include "race/waypoints.h"
#include "race/world_quadtree.h"
#include "render/camera_state.h"

namespace {

constexpr float kAspect = 4.0f / 3.0f;
constexpr float kViewDistance = 600.0f;  // the farthest view setting: the most leaves
constexpr float kEyeHeight = 3.0f;

void PlaceCamera() {
  Vector3 eye(-420.0f, kEyeHeight, 310.0f), target(-380.0f, kEyeHeight, 380.0f);
  if (LoadRacePath(1)) {
    const Waypoint& a = WaypointTable[0];
    const Waypoint& b = WaypointTable[10];
    eye = Vector3(a.x, a.y + kEyeHeight, a.z);
    target = Vector3(b.x, b.y + kEyeHeight, b.z);
  }
  CameraState.eye = eye;
  CameraState.target = target;
  CameraState.up = Vector3(0.0f, 1.0f, 0.0f);
}

QuadTree* NumberedTree() {
  QuadTree* root = new QuadTree(0.0f, 0.0f, 0.0f, kWorldHalfSize);
  root->Subdivide(kWorldTreeDepth);
  LastLeafIndex = -1;
  root->NumberLeaves();
  return root;
}

void MainCameraCull(benchmark::State& state) {
  QuadTree* root = NumberedTree();
  PlaceCamera();
  SetupCamera(kCameraMain, 0, kAspect, kViewDistance);
  const Frustum f = ViewFrustum;
  static LeafList list;
  for (auto _ : state) {
    list.count = 0;
    root->CollectVisible(f, list.leaf, &list.count, kMaxVisibleLeaves);
    benchmark::DoNotOptimize(list.count);
    benchmark::ClobberMemory();
  }
  state.counters["leaves"] = list.count;
  delete root;
}
BENCHMARK(MainCameraCull)->Name("WorldCull/main")->Unit(benchmark::kMicrosecond);

void SunCameraCull(benchmark::State& state) {
  QuadTree* root = NumberedTree();
  PlaceCamera();
  SetupCamera(kCameraSun, 0, 1.0f, kViewDistance);
  const Frustum f = ViewFrustum;
  static LeafList list;
  for (auto _ : state) {
    list.count = 0;
    root->CollectShadowVisible(f, list.leaf, &list.count, kMaxVisibleLeaves);
    benchmark::DoNotOptimize(list.count);
    benchmark::ClobberMemory();
  }
  state.counters["leaves"] = list.count;
  delete root;
}
BENCHMARK(SunCameraCull)->Name("WorldCull/sun")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
