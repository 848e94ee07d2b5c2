#include "race/world_quadtree.h"

#include <algorithm>

#include <cmath>

#include "app/race_cameras.h"

QuadTree* WorldRoot = nullptr;
QuadTreeList* WorldLeaves = nullptr;
int WorldLeafCount = 0;
int WorldTreeDepth = 0;
int LastLeafIndex = -1;

namespace {

// The file stores each leaf's square as the builder computed it from the same halving
// of 1500; anything further off than this was made for another tree.
constexpr float kLeafSquareTolerance = 1e-3f;

// Whether plane p rejects the box: all eight corners give a value <= 0. A box that only
// touches the plane has nothing inside to draw, so a corner on it counts as outside.
bool PlaneRejectsBox(const float* p, float x0, float x1, float y0, float y1, float z0,
                     float z1) {
  for (int corner = 0; corner < 8; ++corner) {
    const float x = (corner & 1) ? x1 : x0;
    const float y = (corner & 2) ? y1 : y0;
    const float z = (corner & 4) ? z1 : z0;
    if (p[0] * x + p[1] * y + p[2] * z + p[3] > 0.0f) return false;
  }
  return true;
}

// The sun camera's side planes. Its near and far planes are left out: the shadow map
// needs every caster along the light's direction, however close to the sun or far
// beyond the ground it lies.
constexpr int kShadowPlanes[] = {kPlaneRight, kPlaneLeft, kPlaneBottom, kPlaneTop};

bool LeafSquaresMatch(const QuadTree* node, const QuadTreeList* leaves) {
  if (!node->isLeaf) {
    for (const QuadTree* child : node->children)
      if (!LeafSquaresMatch(child, leaves)) return false;
    return true;
  }
  const QuadTreeList& leaf = leaves[node->leafId];
  return std::fabs(leaf.x - node->x) <= kLeafSquareTolerance &&
         std::fabs(leaf.z - node->z) <= kLeafSquareTolerance &&
         std::fabs(leaf.halfSize - node->halfSize) <= kLeafSquareTolerance;
}

}  // namespace

QuadTree::QuadTree(float x_, float y_, float z_, float halfSize_)
    : x(x_), y(y_), z(z_), halfSize(halfSize_) {}

QuadTree::~QuadTree() {
  for (QuadTree*& child : children) {
    delete child;
    child = nullptr;
  }
}

void QuadTree::Subdivide(int depth) {
  for (QuadTree*& child : children) {
    delete child;
    child = nullptr;
  }
  leafId = 0;
  if (depth <= 0) {
    isLeaf = true;
    return;
  }
  isLeaf = false;
  const float h = halfSize * 0.5f;
  const float offsetX[kChildCount] = {-h, -h, h, h};
  const float offsetZ[kChildCount] = {-h, h, h, -h};
  for (int i = 0; i < kChildCount; ++i) {
    children[i] = new QuadTree(x + offsetX[i], y, z + offsetZ[i], h);
    children[i]->Subdivide(depth - 1);
  }
}

void QuadTree::NumberLeaves() {
  if (isLeaf) {
    leafId = ++LastLeafIndex;
    return;
  }
  for (QuadTree* child : children)
    if (child) child->NumberLeaves();
}

bool QuadTree::IsInFrustum(const Frustum& f) const {
  const float x0 = x - halfSize, x1 = x + halfSize;
  const float z0 = z - halfSize, z1 = z + halfSize;
  const float y0 = y - kCullBoxBelow, y1 = y + kCullBoxAbove;
  for (int p = 0; p < kFrustumPlaneCount; ++p)
    if (PlaneRejectsBox(f.plane[p], x0, x1, y0, y1, z0, z1)) return false;
  return true;
}

bool QuadTree::IsInShadowFrustum(const Frustum& f) const {
  const float x0 = x - halfSize, x1 = x + halfSize;
  const float z0 = z - halfSize, z1 = z + halfSize;
  const float y0 = y - kShadowBoxBelow, y1 = y + kCullBoxAbove;
  for (int p : kShadowPlanes)
    if (PlaneRejectsBox(f.plane[p], x0, x1, y0, y1, z0, z1)) return false;
  return true;
}

void QuadTree::CollectVisible(const Frustum& f, int* leaves, int* count, int max) const {
  if (*count >= max || !IsInFrustum(f)) return;
  if (isLeaf) {
    leaves[(*count)++] = leafId;
    return;
  }
  for (const QuadTree* child : children)
    if (child) child->CollectVisible(f, leaves, count, max);
}

void QuadTree::CollectShadowVisible(const Frustum& f, int* leaves, int* count, int max) const {
  if (*count >= max || !IsInShadowFrustum(f)) return;
  if (isLeaf) {
    leaves[(*count)++] = leafId;
    return;
  }
  for (const QuadTree* child : children)
    if (child) child->CollectShadowVisible(f, leaves, count, max);
}

bool BuildWorldQuadTreeAt(const char* path, const QuadTreeModels& models) {
  FreeWorldQuadTree();
  WorldTreeDepth = kWorldTreeDepth;
  WorldLeafCount = kWorldLeafCount;
  WorldLeaves = new QuadTreeList[kWorldLeafCount];
  WorldRoot = new QuadTree(0.0f, 0.0f, 0.0f, kWorldHalfSize);
  WorldRoot->Subdivide(WorldTreeDepth);
  LastLeafIndex = -1;
  WorldRoot->NumberLeaves();
  // The reader takes only files with exactly 1024 records, so LastLeafIndex (1023
  // from the numbering) is also the file's last leaf index afterwards. Culling picks
  // leaves by the tree's squares and the passes draw them by id: a file whose squares
  // sit elsewhere would draw the wrong ground, so it is refused like a damaged one.
  if (!path || !ReadQuadTreeFileAt(path, models, WorldLeaves) ||
      !LeafSquaresMatch(WorldRoot, WorldLeaves)) {
    FreeWorldQuadTree();
    return false;
  }
  return true;
}

bool BuildWorldQuadTree(int world, const QuadTreeModels& models) {
  char path[64];
  if (!*QuadTreeFilePath(world, path, sizeof path)) {
    FreeWorldQuadTree();
    return false;
  }
  return BuildWorldQuadTreeAt(path, models);
}

void FreeWorldQuadTree() {
  delete[] WorldLeaves;
  WorldLeaves = nullptr;
  delete WorldRoot;
  WorldRoot = nullptr;
  WorldLeafCount = 0;
  WorldTreeDepth = 0;
  LastLeafIndex = -1;
}

void DropUnbuiltObjects(int objectCount) {
  if (!WorldLeaves) return;
  for (int i = 0; i < WorldLeafCount; ++i) {
    std::vector<int32_t>& objects = WorldLeaves[i].objects;
    objects.erase(std::remove_if(objects.begin(), objects.end(),
                                 [objectCount](int32_t k) { return k < 0 || k >= objectCount; }),
                  objects.end());
  }
}
