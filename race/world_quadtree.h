// The world quadtree's nodes: the square world cut into 1024 leaves, and the culling
// that turns a camera's frustum into the list of leaves its render passes walk. The
// leaf payloads and the qt.qt file that fills them live in race/world_quadtree_file.h.
#pragma once

#include <cstdint>

#include "race/world_quadtree_file.h"

struct Frustum;

// The plane slots of our Frustum, in the order ExtractFrustum (app/race_cameras.cpp)
// fills them: the fourth row of projection x view minus, then plus, its x, y and z rows.
enum FrustumPlane : int {
  kPlaneRight = 0,   // w - x
  kPlaneLeft = 1,    // w + x
  kPlaneTop = 2,     // w - y
  kPlaneBottom = 3,  // w + y
  kPlaneFar = 4,     // w - z
  kPlaneNear = 5,    // w + z
};
constexpr int kFrustumPlaneCount = 6;

// The culling box's height around a node's centre (every centre has y 0). Shadow
// casters reach further down than the drawn ground: hills below the centre still throw
// shadows into view.
constexpr float kCullBoxBelow = 20.0f;
constexpr float kShadowBoxBelow = 50.0f;
constexpr float kCullBoxAbove = 250.0f;

class QuadTree {
 public:
  // Children in this order (h = half size): 0 at (x - h/2, z - h/2), 1 at
  // (x - h/2, z + h/2), 2 at (x + h/2, z + h/2), 3 at (x + h/2, z - h/2).
  static constexpr int kChildCount = 4;

  QuadTree(float x, float y, float z, float halfSize);
  // Frees the children, and with them the whole subtree.
  virtual ~QuadTree();
  QuadTree(const QuadTree&) = delete;
  QuadTree& operator=(const QuadTree&) = delete;

  // Depth 0 makes this node a leaf; otherwise four children, each subdivided with
  // depth - 1 before the next is made. Replaces any children it had.
  void Subdivide(int depth);
  // Depth first in child order, each leaf takes ++LastLeafIndex: set it to -1 first
  // and the ids come out as the qt.qt record order.
  void NumberLeaves();

  // Whether any part of the node's box may lie inside. Conservative: a box outside
  // near a frustum corner, straddling two planes, still passes.
  bool IsInFrustum(const Frustum& f) const;
  // The sun camera's test: the deeper shadow box against the side planes only. A caster
  // before the sun's near plane or beyond its far plane still throws its shadow.
  bool IsInShadowFrustum(const Frustum& f) const;

  // Append the visible leaves' ids in leaf-id order; the caller zeroes *count first.
  // Never writes more than max entries. Rejected nodes skip their whole subtree.
  void CollectVisible(const Frustum& f, int* leaves, int* count, int max) const;
  void CollectShadowVisible(const Frustum& f, int* leaves, int* count, int max) const;

  QuadTree* children[kChildCount] = {};  // all null in a leaf
  float x, y, z;
  float halfSize;
  int32_t leafId = 0;  // 0..1023 in a leaf, 0 elsewhere
  bool isLeaf = false;
};

// The loaded world's tree: built by the race load, freed by the garage load. Both
// pointers are null when no race world is loaded.
extern QuadTree* WorldRoot;
extern QuadTreeList* WorldLeaves;  // WorldLeafCount records, indexed by leaf id
extern int WorldLeafCount;         // 1024 while built, else 0
extern int WorldTreeDepth;         // 5 while built, else 0
// The numbering's running counter; after a build, the file's last leaf index.
extern int LastLeafIndex;

// Builds the tree for world 0-2 and reads its qt.qt for the given layers (in render-
// layer order) and roadside objects. Frees any tree built before. A missing or
// damaged file, one made for other layers, or one whose leaf squares are not the
// tree's, leaves no tree at all and returns false: the race cannot be drawn from it.
bool BuildWorldQuadTree(int world, const QuadTreeModels& models);
// Same from an explicit qt.qt path (tools and tests).
bool BuildWorldQuadTreeAt(const char* path, const QuadTreeModels& models);
// Safe when nothing is built.
void FreeWorldQuadTree();
// The leaves' object lists keep only the objects that exist: a layer of more than
// 1000 marker triangles lists running numbers beyond the object table.
void DropUnbuiltObjects(int objectCount);
