// The leaf-data builder: the content tool that fills every leaf of the world quadtree
// from the loaded world layers (roadside objects, grass scattered over the grass
// layer, trees from the tree layer, the ten render layers cut into per-leaf buckets)
// for WriteQuadTreeFile to save. The game itself only reads the finished file.
#pragma once

#include <cstdint>

#include "race/world_quadtree_file.h"

// Room for the grass points of one leaf; points beyond it are dropped.
constexpr int kGrassScratchPoints = 100000;
// A tree-layer triangle whose first edge is longer than this is an anchor, not a tree.
constexpr float kTreeAnchorEdge = 1.5f;
constexpr float kGrassSamplesPerArea = 0.3f;
// Samples one grass triangle may draw per leaf. A triangle inside the world square has
// an area below 10^7 and so stays under it; only a damaged model reaches it, whose
// count would otherwise overflow an int or keep the builder busy for hours.
constexpr int kGrassSamplesPerTriangleLimit = 1 << 22;
constexpr int kGrassModelGroups = 12;
constexpr int kTreeModelGroups = 8;

struct LeafBuilderModels {
  QuadTreeModels render;         // the ten render layers and the roadside objects
  const Model* grass = nullptr;  // may be null: no grass
  const Model* trees = nullptr;  // may be null: no trees
};

// The builder's own uniform integers (xorshift32), so a build is the same everywhere.
class LeafRandom {
 public:
  explicit LeafRandom(uint32_t seed) : state_(seed ? seed : 0x6D2B79F5u) {}
  // Uniform integer in 0..n-1 (n >= 1).
  int Below(int n);

 private:
  uint32_t state_;
};

// Triangle-triangle overlap (interval overlap on the planes' line of intersection,
// with a coplanar fallback on the two axes other than the dominant one of A's normal):
// 1 when they overlap, else 0.
int TriTriOverlap(const float a0[3], const float a1[3], const float a2[3], const float b0[3],
                  const float b1[3], const float b2[3]);

// Kind of a grass point of model group g from the draws (r2 drawn only where the row
// needs it); -1 for a group without a kind row.
int GrassKindFor(int group, LeafRandom* random);

// Fills leaves[0..1023] in the numbering order of the subdivided tree (children 0-3
// at (-,-), (-,+), (+,+), (+,-)), drawing from *random in that order.
void BuildLeafData(const LeafBuilderModels& models, QuadTreeList* leaves, LeafRandom* random);

// Fills one leaf of square (x, z, half) the same way (tests and the tree walk).
void BuildOneLeaf(const LeafBuilderModels& models, float x, float z, float half,
                  QuadTreeList* leaf, LeafRandom* random);
