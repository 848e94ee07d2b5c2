// Quadtree over the static terrain mesh in the horizontal x-z plane. The
// engine keeps its own copy of the mesh; leaves hold triangle-index lists, and
// a triangle that straddles a split is listed in every leaf it touches.
#ifndef KELVAMOR_PHYSICS_TERRAIN_TREE_H
#define KELVAMOR_PHYSICS_TERRAIN_TREE_H

#include <cstdint>

#include "physics/ne.h"

// Parent words of a node.
constexpr int32_t kTerrainParentIsRoot = -1;
constexpr int32_t kTerrainNodeIsRoot = -2;

struct neTerrainTreeNode {
  int32_t parent;       // node-array index; kTerrainParentIsRoot or kTerrainNodeIsRoot
  int32_t children[4];  // node-array indices of the quadrants 0-3, -1 = none
  neVector3 boxMin;
  neVector3 boxMax;
  // A leaf's triangle indices, a block of its own: it must stay valid when the
  // node array moves while it grows. Null with count 0 in inner nodes.
  int32_t* triangles;
  int32_t triangleCount;
  // Per listed triangle, in list order, its axis-aligned bounds (min x, max x,
  // min z, max z, min y, max y) and its face axis (neTriangleFaceAxis, as a
  // float): the gather rejects most of a leaf's triangles from these without
  // reading the mesh. Same block as triangles.
  const float* bounds;
};

class neTerrainTree {
 public:
  // Nodes split while deeper than this many levels are not made.
  static constexpr int32_t kMaxSplitDepth = 4;
  // A node with fewer triangles stays a leaf.
  static constexpr int32_t kMinSplitCount = 10;

  neTerrainTree();
  ~neTerrainTree();
  neTerrainTree(const neTerrainTree&) = delete;
  neTerrainTree& operator=(const neTerrainTree&) = delete;

  // Initial capacity of the node array and its growth (-1 doubles, n > 0 adds
  // n, 0 fixed); taken from the simulator's terrainNodeCapacity and
  // terrainNodeGrowth before a build.
  void SetNodeSizes(int32_t capacity, int32_t growth);

  // Copies and checks the mesh and builds the tree. Triangles with a vertex
  // index out of range, a non-finite vertex or a material outside 0-255 are
  // dropped. Returns false and keeps the earlier tree when an array is null, a
  // count is not positive, no triangle survives the check, or memory runs out.
  // allocator may be null (the tree's own heap allocator).
  bool Build(const neVector3* vertices, int32_t vertexCount, const neTerrainTriangle* triangles,
             int32_t triangleCount, neAllocator* allocator);

  // Appends every leaf under node whose box overlaps [boxMin, boxMax]
  // (touching counts) in depth-first quadrant order. Writes at most capacity
  // entries; returns how many leaves overlap.
  int32_t Query(const neTerrainTreeNode& node, const neTerrainTreeNode** out, int32_t capacity,
                const neVector3& boxMin, const neVector3& boxMax) const;

  // The triangles under a world box, each once, in the order the leaves list
  // them (depth-first quadrant order), keeping only those that overlap the box.
  // Linear in the leaves' list lengths; no allocation. The indices stay in
  // GatheredTriangles() until the next call.
  int32_t Gather(const neVector3& boxMin, const neVector3& boxMax);
  const int32_t* GatheredTriangles() const { return gathered_; }

  // Frees the copied mesh and every node with its list; the root is reset.
  void Free();
  // Free, then everything else the tree holds.
  void Release();

  bool Empty() const { return triangleCount_ == 0; }
  const neTerrainTreeNode& Root() const { return root_; }
  const neTerrainTreeNode* Nodes() const { return nodes_; }
  int32_t NodeCount() const { return nodeCount_; }
  const neVector3* Vertices() const { return vertices_; }
  int32_t VertexCount() const { return vertexCount_; }
  const neTerrainTriangle* Triangles() const { return triangles_; }
  int32_t TriangleCount() const { return triangleCount_; }
  // Bytes held by the copied mesh, the nodes and their lists.
  int32_t MemoryUsed() const;

 private:
  // Splits node nodeIndex (kTerrainNodeIsRoot for the root) holding list;
  // false when memory ran out.
  bool Subdivide(int32_t nodeIndex, const int32_t* list, int32_t count, int32_t depth);
  neTerrainTreeNode& NodeAt(int32_t index) {
    return index == kTerrainNodeIsRoot ? root_ : nodes_[index];
  }
  void FreeInto(neAllocator* allocator);

  neVector3* vertices_ = nullptr;
  int32_t vertexCount_ = 0;
  neTerrainTriangle* triangles_ = nullptr;
  int32_t triangleCount_ = 0;
  neTerrainTreeNode* nodes_ = nullptr;  // every node but the root
  int32_t nodeCount_ = 0;
  int32_t nodeCapacity_ = 0;
  int32_t initialNodeCapacity_ = 200;
  int32_t nodeGrowth_ = -1;
  neTerrainTreeNode root_;
  // Per-triangle stamp of the last Gather that listed it, and its output.
  uint32_t* stamps_ = nullptr;
  uint32_t stamp_ = 0;
  int32_t* gathered_ = nullptr;
  int32_t leafListBytes_ = 0;
  neAllocator* allocator_ = nullptr;  // the one the current tree was built with
  neDefaultAllocator ownAllocator_;
};

// Separating-axis overlap of a triangle and an axis-aligned box (touching
// counts). A triangle lying in a box face (its normal along a box axis) counts
// as inside through a 0.01 margin on that axis.
bool neTriangleOverlapsBox(const neVector3& t0, const neVector3& t1, const neVector3& t2,
                           const neVector3& boxMin, const neVector3& boxMax);
// The box axis (0-2) a triangle's normal lies along, which gets that margin;
// -1 for none. Depends on the triangle alone.
int32_t neTriangleFaceAxis(const neVector3& t0, const neVector3& t1, const neVector3& t2);
// neTriangleOverlapsBox with the triangle's face axis already known.
bool neTriangleOverlapsBoxAlong(const neVector3& t0, const neVector3& t1, const neVector3& t2,
                                const neVector3& boxMin, const neVector3& boxMax,
                                int32_t faceAxis);

#endif  // KELVAMOR_PHYSICS_TERRAIN_TREE_H
