// Terrain quadtree: mesh copy and check, the build by recursive quadrant split
// at the centroid, and the box queries of the terrain pass.
#include "physics/terrain_tree.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

constexpr float kBoxStart = 1000000.0f;
// A triangle whose normal is this close to a box axis widens the box on that
// axis, so that a triangle lying exactly in a box face counts as inside.
constexpr float kAxisAlignedSlack = 1.0e-6f;
constexpr float kFaceMargin = 0.01f;
constexpr int32_t kHighestMaterial = 255;

void ResetNode(neTerrainTreeNode& node, int32_t parent) {
  node.parent = parent;
  for (int32_t& c : node.children) c = -1;
  node.boxMin = neV3(0.0f, 0.0f, 0.0f);
  node.boxMax = neV3(0.0f, 0.0f, 0.0f);
  node.triangles = nullptr;
  node.triangleCount = 0;
  node.bounds = nullptr;
}

constexpr int32_t kLeafBoundsFloats = 7;

bool VertexIsFinite(const neVector3& v) { return v.IsFinite(); }

}  // namespace

int32_t neTriangleFaceAxis(const neVector3& t0, const neVector3& t1, const neVector3& t2) {
  // The margin only needs the normal's direction; an exact-zero test keeps
  // small triangles in play.
  neVector3 n = (t1 - t0).Cross(t2 - t1);
  const float len = std::sqrt(n.LengthSquared());
  if (!(len > 0.0f && neIsFinite(len))) return -1;
  n *= 1.0f / len;
  if (std::fabs(std::fabs(n.x) - 1.0f) < kAxisAlignedSlack) return 0;
  if (std::fabs(std::fabs(n.y) - 1.0f) < kAxisAlignedSlack) return 1;
  if (std::fabs(std::fabs(n.z) - 1.0f) < kAxisAlignedSlack) return 2;
  return -1;
}

bool neTriangleOverlapsBox(const neVector3& t0, const neVector3& t1, const neVector3& t2,
                           const neVector3& boxMin, const neVector3& boxMax) {
  return neTriangleOverlapsBoxAlong(t0, t1, t2, boxMin, boxMax, neTriangleFaceAxis(t0, t1, t2));
}

bool neTriangleOverlapsBoxAlong(const neVector3& t0, const neVector3& t1, const neVector3& t2,
                                const neVector3& boxMin, const neVector3& boxMax,
                                int32_t faceAxis) {
  const neVector3 centre = (boxMin + boxMax) * 0.5f;
  neVector3 h = (boxMax - boxMin) * 0.5f;
  if (faceAxis >= 0 && faceAxis < 3) h[faceAxis] += kFaceMargin;

  const neVector3 v[3] = {t0 - centre, t1 - centre, t2 - centre};
  static constexpr int kTriangleNext[3] = {1, 2, 0};
  static constexpr int kTriangleAfterNext[3] = {2, 0, 1};

  // The box axes first: they are the cheapest and reject most triangles. The
  // order of the axes does not change the answer.
  for (int i = 0; i < 3; ++i) {
    const float a = v[0][i], b = v[1][i], c = v[2][i];
    const float lo = neMin(a, neMin(b, c));
    const float hi = neMax(a, neMax(b, c));
    if (lo > h[i] || hi < -h[i]) return false;
  }

  // Edge k runs from vertex k to k+1; both its ends project alike on the
  // three axes made with it, so its start and the opposite vertex suffice.
  for (int k = 0; k < 3; ++k) {
    const neVector3& p = v[k];
    // (k + 2) % 3 and (k + 1) % 3 from a table: no division in this loop.
    const neVector3& q = v[kTriangleAfterNext[k]];
    const neVector3 e = v[kTriangleNext[k]] - v[k];
    const float ax = std::fabs(e.x), ay = std::fabs(e.y), az = std::fabs(e.z);
    // e x X
    float pp = p.y * e.z - p.z * e.y, pq = q.y * e.z - q.z * e.y;
    float rad = az * h.y + ay * h.z;
    if (neMin(pp, pq) > rad || neMax(pp, pq) < -rad) return false;
    // e x Y
    pp = p.z * e.x - p.x * e.z;
    pq = q.z * e.x - q.x * e.z;
    rad = az * h.x + ax * h.z;
    if (neMin(pp, pq) > rad || neMax(pp, pq) < -rad) return false;
    // e x Z
    pp = p.x * e.y - p.y * e.x;
    pq = q.x * e.y - q.y * e.x;
    rad = ay * h.x + ax * h.y;
    if (neMin(pp, pq) > rad || neMax(pp, pq) < -rad) return false;
  }

  // The triangle's plane against the box.
  const neVector3 m = (v[1] - v[0]).Cross(v[2] - v[1]);
  const float d = -m.Dot(v[0]);
  neVector3 vmin, vmax;
  for (int i = 0; i < 3; ++i) {
    if (m[i] > 0.0f) {
      vmin[i] = -h[i];
      vmax[i] = h[i];
    } else {
      vmin[i] = h[i];
      vmax[i] = -h[i];
    }
  }
  return m.Dot(vmin) + d <= 0.0f && m.Dot(vmax) + d >= 0.0f;
}

neTerrainTree::neTerrainTree() { ResetNode(root_, kTerrainNodeIsRoot); }

neTerrainTree::~neTerrainTree() { Release(); }

void neTerrainTree::SetNodeSizes(int32_t capacity, int32_t growth) {
  initialNodeCapacity_ = capacity > 0 ? capacity : 0;
  nodeGrowth_ = growth;
}

namespace {

// The tree's memory goes through the builder's allocator, or the tree's own
// heap allocator when none was given. No pointer to the tree's own allocator
// is stored, so a tree record can move.
void* TreeAlloc(neAllocator* external, neDefaultAllocator& own, size_t bytes) {
  if (bytes == 0 || bytes > 0x7fffffff) return nullptr;
  return external ? external->Alloc(static_cast<int32_t>(bytes), 0)
                  : own.Alloc(static_cast<int32_t>(bytes), 0);
}

void TreeFree(neAllocator* external, neDefaultAllocator& own, void* block) {
  if (!block) return;
  if (external) {
    external->Free(block);
  } else {
    own.Free(block);
  }
}

}  // namespace

bool neTerrainTree::Build(const neVector3* vertices, int32_t vertexCount,
                          const neTerrainTriangle* triangles, int32_t triangleCount,
                          neAllocator* allocator) {
  if (!vertices || !triangles || vertexCount <= 0 || triangleCount <= 0) return false;

  // Check the triangles before anything of the old tree is touched: an index
  // from the mesh is used to read the vertex array, and a NaN vertex would
  // poison every box and contact around it.
  int32_t kept = 0;
  for (int32_t i = 0; i < triangleCount; ++i) {
    const neTerrainTriangle& t = triangles[i];
    bool good = t.materialID >= 0 && t.materialID <= kHighestMaterial;
    for (int k = 0; good && k < 3; ++k) {
      good =
          t.indices[k] >= 0 && t.indices[k] < vertexCount && VertexIsFinite(vertices[t.indices[k]]);
    }
    if (good) ++kept;
  }
  if (kept == 0) return false;

  // Build into a fresh tree and take it over only when it is complete.
  neTerrainTree fresh;
  fresh.SetNodeSizes(initialNodeCapacity_, nodeGrowth_);
  fresh.allocator_ = allocator;
  neAllocator* ext = allocator;
  neDefaultAllocator& own = fresh.ownAllocator_;

  fresh.vertices_ = static_cast<neVector3*>(
      TreeAlloc(ext, own, sizeof(neVector3) * static_cast<size_t>(vertexCount)));
  fresh.triangles_ = static_cast<neTerrainTriangle*>(
      TreeAlloc(ext, own, sizeof(neTerrainTriangle) * static_cast<size_t>(kept)));
  fresh.stamps_ =
      static_cast<uint32_t*>(TreeAlloc(ext, own, sizeof(uint32_t) * static_cast<size_t>(kept)));
  fresh.gathered_ =
      static_cast<int32_t*>(TreeAlloc(ext, own, sizeof(int32_t) * static_cast<size_t>(kept)));
  int32_t* all =
      static_cast<int32_t*>(TreeAlloc(ext, own, sizeof(int32_t) * static_cast<size_t>(kept)));
  if (!fresh.vertices_ || !fresh.triangles_ || !fresh.stamps_ || !fresh.gathered_ || !all) {
    TreeFree(ext, own, all);
    return false;  // fresh frees what it got
  }
  std::memcpy(fresh.vertices_, vertices, sizeof(neVector3) * static_cast<size_t>(vertexCount));
  fresh.vertexCount_ = vertexCount;
  for (int32_t i = 0, j = 0; i < triangleCount; ++i) {
    const neTerrainTriangle& t = triangles[i];
    bool good = t.materialID >= 0 && t.materialID <= kHighestMaterial;
    for (int k = 0; good && k < 3; ++k) {
      good =
          t.indices[k] >= 0 && t.indices[k] < vertexCount && VertexIsFinite(vertices[t.indices[k]]);
    }
    if (good) fresh.triangles_[j++] = t;
  }
  fresh.triangleCount_ = kept;
  std::memset(fresh.stamps_, 0, sizeof(uint32_t) * static_cast<size_t>(kept));

  if (fresh.initialNodeCapacity_ > 0) {
    fresh.nodes_ = static_cast<neTerrainTreeNode*>(TreeAlloc(
        ext, own, sizeof(neTerrainTreeNode) * static_cast<size_t>(fresh.initialNodeCapacity_)));
    if (!fresh.nodes_) {
      TreeFree(ext, own, all);
      return false;
    }
    fresh.nodeCapacity_ = fresh.initialNodeCapacity_;
  }

  neVector3 lo = neV3(kBoxStart, kBoxStart, kBoxStart);
  neVector3 hi = neV3(-kBoxStart, -kBoxStart, -kBoxStart);
  for (int32_t i = 0; i < kept; ++i) {
    all[i] = i;
    for (int k = 0; k < 3; ++k) {
      const neVector3& v = fresh.vertices_[fresh.triangles_[i].indices[k]];
      lo.SetMin(lo, v);
      hi.SetMax(hi, v);
    }
  }
  ResetNode(fresh.root_, kTerrainNodeIsRoot);
  fresh.root_.boxMin = lo;
  fresh.root_.boxMax = hi;

  const bool built = fresh.Subdivide(kTerrainNodeIsRoot, all, kept, 0);
  TreeFree(ext, own, all);
  if (!built) return false;

  // Take the new tree over; the old one leaves with `fresh`.
  neTerrainTree& a = *this;
  neTerrainTree& b = fresh;
  std::swap(a.vertices_, b.vertices_);
  std::swap(a.vertexCount_, b.vertexCount_);
  std::swap(a.triangles_, b.triangles_);
  std::swap(a.triangleCount_, b.triangleCount_);
  std::swap(a.nodes_, b.nodes_);
  std::swap(a.nodeCount_, b.nodeCount_);
  std::swap(a.nodeCapacity_, b.nodeCapacity_);
  std::swap(a.root_, b.root_);
  std::swap(a.stamps_, b.stamps_);
  std::swap(a.stamp_, b.stamp_);
  std::swap(a.gathered_, b.gathered_);
  std::swap(a.leafListBytes_, b.leafListBytes_);
  std::swap(a.allocator_, b.allocator_);
  std::swap(a.ownAllocator_, b.ownAllocator_);
  return true;
}

bool neTerrainTree::Subdivide(int32_t nodeIndex, const int32_t* list, int32_t count,
                              int32_t depth) {
  neAllocator* ext = allocator_;

  // Every reference into the node array is re-taken after a child is made:
  // making one may move the whole array.
  auto makeLeaf = [&](const int32_t* tris, int32_t n) -> bool {
    const size_t entryBytes = sizeof(int32_t) + kLeafBoundsFloats * sizeof(float);
    int32_t* copy = static_cast<int32_t*>(
        TreeAlloc(ext, ownAllocator_, entryBytes * static_cast<size_t>(n)));
    if (!copy) return false;
    std::memcpy(copy, tris, sizeof(int32_t) * static_cast<size_t>(n));
    float* bounds = reinterpret_cast<float*>(copy + n);
    for (int32_t i = 0; i < n; ++i) {
      const neTerrainTriangle& t = triangles_[tris[i]];
      const neVector3& a = vertices_[t.indices[0]];
      const neVector3& b = vertices_[t.indices[1]];
      const neVector3& v = vertices_[t.indices[2]];
      float* e = bounds + static_cast<size_t>(i) * kLeafBoundsFloats;
      e[0] = neMin(a.x, neMin(b.x, v.x));
      e[1] = neMax(a.x, neMax(b.x, v.x));
      e[2] = neMin(a.z, neMin(b.z, v.z));
      e[3] = neMax(a.z, neMax(b.z, v.z));
      e[4] = neMin(a.y, neMin(b.y, v.y));
      e[5] = neMax(a.y, neMax(b.y, v.y));
      e[6] = static_cast<float>(neTriangleFaceAxis(a, b, v));
    }
    neTerrainTreeNode& node = NodeAt(nodeIndex);
    node.triangles = copy;
    node.triangleCount = n;
    node.bounds = bounds;
    for (int32_t& c : node.children) c = -1;
    leafListBytes_ += static_cast<int32_t>(entryBytes) * n;
    return true;
  };

  neVector3 c = neV3(0.0f, 0.0f, 0.0f);
  for (int32_t i = 0; i < count; ++i) {
    const neTerrainTriangle& t = triangles_[list[i]];
    for (int k = 0; k < 3; ++k) c += vertices_[t.indices[k]];
  }
  c *= 1.0f / (3.0f * static_cast<float>(count));

  if (depth > kMaxSplitDepth || count < kMinSplitCount) return makeLeaf(list, count);

  const neVector3 nodeMin = NodeAt(nodeIndex).boxMin;
  const neVector3 nodeMax = NodeAt(nodeIndex).boxMax;
  neVector3 qMin[4], qMax[4];
  for (int q = 0; q < 4; ++q) {
    const bool highX = q == 1 || q == 2;
    const bool highZ = q == 2 || q == 3;
    qMin[q] = neV3(highX ? c.x : nodeMin.x, nodeMin.y, highZ ? c.z : nodeMin.z);
    qMax[q] = neV3(highX ? nodeMax.x : c.x, nodeMax.y, highZ ? nodeMax.z : c.z);
  }

  // The four quadrant lists are gathered before any child is made, so a
  // quadrant that takes every triangle turns the node into a leaf without
  // building subtrees that would only be thrown away.
  int32_t* lists = static_cast<int32_t*>(
      TreeAlloc(ext, ownAllocator_, sizeof(int32_t) * 4u * static_cast<size_t>(count)));
  if (!lists) return false;
  int32_t counts[4] = {0, 0, 0, 0};
  bool oneTakesAll = false;
  for (int q = 0; q < 4 && !oneTakesAll; ++q) {
    int32_t* out = lists + static_cast<size_t>(q) * static_cast<size_t>(count);
    for (int32_t i = 0; i < count; ++i) {
      const neTerrainTriangle& t = triangles_[list[i]];
      if (neTriangleOverlapsBox(vertices_[t.indices[0]], vertices_[t.indices[1]],
                                vertices_[t.indices[2]], qMin[q], qMax[q])) {
        out[counts[q]++] = list[i];
      }
    }
    oneTakesAll = counts[q] == count;
  }
  if (oneTakesAll) {
    const bool ok = makeLeaf(list, count);
    TreeFree(ext, ownAllocator_, lists);
    return ok;
  }

  bool ok = true;
  for (int q = 0; q < 4 && ok; ++q) {
    if (counts[q] == 0) {
      NodeAt(nodeIndex).children[q] = -1;
      continue;
    }
    if (nodeCount_ == nodeCapacity_) {
      int32_t grown = 0;
      if (nodeGrowth_ < 0) {
        grown = nodeCapacity_ > 0 ? nodeCapacity_ * 2 : 16;
      } else if (nodeGrowth_ > 0) {
        grown = nodeCapacity_ + nodeGrowth_;
      }
      neTerrainTreeNode* bigger =
          grown > nodeCapacity_
              ? static_cast<neTerrainTreeNode*>(TreeAlloc(
                    ext, ownAllocator_, sizeof(neTerrainTreeNode) * static_cast<size_t>(grown)))
              : nullptr;
      if (!bigger) {
        if (grown > nodeCapacity_) {
          ok = false;  // out of memory
          break;
        }
        // A fixed node array that is full: this node keeps all its triangles
        // as a leaf instead of splitting further.
        ok = makeLeaf(list, count);
        TreeFree(ext, ownAllocator_, lists);
        return ok;
      }
      if (nodeCount_ > 0) {
        std::memcpy(bigger, nodes_, sizeof(neTerrainTreeNode) * static_cast<size_t>(nodeCount_));
      }
      TreeFree(ext, ownAllocator_, nodes_);
      nodes_ = bigger;
      nodeCapacity_ = grown;
    }
    const int32_t child = nodeCount_++;
    const int32_t* childList = lists + static_cast<size_t>(q) * static_cast<size_t>(count);
    neTerrainTreeNode& node = nodes_[child];
    ResetNode(node, nodeIndex == kTerrainNodeIsRoot ? kTerrainParentIsRoot : nodeIndex);
    float yLo = kBoxStart, yHi = -kBoxStart;
    for (int32_t i = 0; i < counts[q]; ++i) {
      const neTerrainTriangle& t = triangles_[childList[i]];
      for (int k = 0; k < 3; ++k) {
        yLo = neMin(yLo, vertices_[t.indices[k]].y);
        yHi = neMax(yHi, vertices_[t.indices[k]].y);
      }
    }
    node.boxMin = neV3(qMin[q].x, yLo, qMin[q].z);
    node.boxMax = neV3(qMax[q].x, yHi, qMax[q].z);
    NodeAt(nodeIndex).children[q] = child;
    ok = Subdivide(child, childList, counts[q], depth + 1);
  }
  TreeFree(ext, ownAllocator_, lists);
  return ok;
}

int32_t neTerrainTree::Query(const neTerrainTreeNode& node, const neTerrainTreeNode** out,
                             int32_t capacity, const neVector3& boxMin,
                             const neVector3& boxMax) const {
  if (node.boxMax.x < boxMin.x || node.boxMin.x > boxMax.x || node.boxMax.y < boxMin.y ||
      node.boxMin.y > boxMax.y || node.boxMax.z < boxMin.z || node.boxMin.z > boxMax.z) {
    return 0;
  }
  if (node.triangleCount > 0) {
    if (capacity > 0) out[0] = &node;
    return 1;
  }
  int32_t found = 0;
  for (int32_t c : node.children) {
    if (c < 0) continue;
    const int32_t room = capacity > found ? capacity - found : 0;
    found += Query(nodes_[c], room > 0 ? out + found : out, room, boxMin, boxMax);
  }
  return found;
}

int32_t neTerrainTree::Gather(const neVector3& boxMin, const neVector3& boxMax) {
  if (triangleCount_ == 0) return 0;
  if (++stamp_ == 0) {
    // The stamp wrapped: forget every old mark once.
    std::memset(stamps_, 0, sizeof(uint32_t) * static_cast<size_t>(triangleCount_));
    stamp_ = 1;
  }
  int32_t count = 0;
  // Depth-first in quadrant order without recursion: the tree is at most six
  // levels deep, so 4 x 6 pending nodes bound the stack.
  const neTerrainTreeNode* stack[4 * (kMaxSplitDepth + 2) + 1];
  int32_t top = 0;
  stack[top++] = &root_;
  while (top > 0) {
    const neTerrainTreeNode& node = *stack[--top];
    if (node.boxMax.x < boxMin.x || node.boxMin.x > boxMax.x || node.boxMax.y < boxMin.y ||
        node.boxMin.y > boxMax.y || node.boxMax.z < boxMin.z || node.boxMin.z > boxMax.z) {
      continue;
    }
    if (node.triangleCount > 0) {
      const float* e = node.bounds;
      for (int32_t i = 0; i < node.triangleCount; ++i, e += kLeafBoundsFloats) {
        // A leaf lists whatever touches its own box; only triangles whose
        // bounds reach the query box go on. The bounds test comes before the
        // stamp: its answer is the same in every leaf that lists a triangle,
        // so skipping unstamped keeps each triangle listed once.
        if (e[1] < boxMin.x || e[0] > boxMax.x || e[3] < boxMin.z || e[2] > boxMax.z ||
            e[5] < boxMin.y || e[4] > boxMax.y) {
          continue;
        }
        const int32_t t = node.triangles[i];
        if (stamps_[t] == stamp_) continue;
        stamps_[t] = stamp_;
        const neTerrainTriangle& tri = triangles_[t];
        const neVector3& a = vertices_[tri.indices[0]];
        const neVector3& b = vertices_[tri.indices[1]];
        const neVector3& c = vertices_[tri.indices[2]];
        if (neTriangleOverlapsBoxAlong(a, b, c, boxMin, boxMax, static_cast<int32_t>(e[6])))
          gathered_[count++] = t;
      }
      continue;
    }
    // Pushed in reverse so that quadrant 0 is taken first.
    for (int q = 3; q >= 0; --q) {
      if (node.children[q] >= 0) stack[top++] = &nodes_[node.children[q]];
    }
  }
  return count;
}

void neTerrainTree::FreeInto(neAllocator* allocator) {
  for (int32_t i = 0; i < nodeCount_; ++i) TreeFree(allocator, ownAllocator_, nodes_[i].triangles);
  TreeFree(allocator, ownAllocator_, root_.triangles);
  TreeFree(allocator, ownAllocator_, nodes_);
  TreeFree(allocator, ownAllocator_, vertices_);
  TreeFree(allocator, ownAllocator_, triangles_);
  TreeFree(allocator, ownAllocator_, stamps_);
  TreeFree(allocator, ownAllocator_, gathered_);
}

void neTerrainTree::Free() {
  FreeInto(allocator_);
  vertices_ = nullptr;
  vertexCount_ = 0;
  triangles_ = nullptr;
  triangleCount_ = 0;
  nodes_ = nullptr;
  nodeCount_ = 0;
  nodeCapacity_ = 0;
  stamps_ = nullptr;
  stamp_ = 0;
  gathered_ = nullptr;
  leafListBytes_ = 0;
  ResetNode(root_, kTerrainNodeIsRoot);
}

void neTerrainTree::Release() {
  Free();
  allocator_ = nullptr;
}

int32_t neTerrainTree::MemoryUsed() const {
  const size_t bytes = sizeof(neVector3) * static_cast<size_t>(vertexCount_) +
                       (sizeof(neTerrainTriangle) + sizeof(uint32_t) + sizeof(int32_t)) *
                           static_cast<size_t>(triangleCount_) +
                       sizeof(neTerrainTreeNode) * static_cast<size_t>(nodeCapacity_) +
                       static_cast<size_t>(leafListBytes_);
  return bytes > 0x7fffffff ? 0x7fffffff : static_cast<int32_t>(bytes);
}
