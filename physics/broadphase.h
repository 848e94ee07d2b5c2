// Sort-and-sweep broad phase. Each body in the region has a lower and an upper
// end point per axis in one sorted list per axis; every sub-step insertion sort
// re-sorts the lists and each crossing of two bodies' end points flips that
// pair's bit for the axis. A pair whose bits show overlap on every axis holds
// an neOverlapPair; the list of those is what the body-pair pass walks.
#ifndef KELVAMOR_PHYSICS_BROADPHASE_H
#define KELVAMOR_PHYSICS_BROADPHASE_H

#include <cstdint>

#include "physics/allocator.h"
#include "physics/ne.h"
#include "physics/terrain_tree.h"

struct neBody;
struct neSimulationRecord;

struct neOverlapPair {
  neBody* bodyA = nullptr;
  neBody* bodyB = nullptr;
  neOverlapPair* next = nullptr;
  neOverlapPair* prev = nullptr;
  uint8_t inUse = 0;
};

struct nePairEntry {
  uint8_t bits;  // bit i: the two boxes overlap on axis i
  // Non-null only while bits equal the region's axis mask.
  neOverlapPair* pair;
};

struct nePendingJoin {
  neBody* body;
  neBody* hint;  // may be null
};

struct neRegionBodyNode {
  neBody* body = nullptr;
  neRegionBodyNode* next = nullptr;
  neRegionBodyNode* prev = nullptr;
  uint8_t inUse = 0;
};

enum neEndPointKind : int32_t { kNeEndLower = 0, kNeEndUpper = 1 };

struct neEndPoint {
  int32_t kind = kNeEndLower;
  float value = 0.0f;
  neBody* body = nullptr;
  neEndPoint* next = nullptr;
  neEndPoint* prev = nullptr;
  uint8_t inUse = 0;
};

struct neRegionAxis {
  // Used list = the sorted end-point list of the axis.
  nePool<neEndPoint> points;
  neEndPoint* head = nullptr;
  neEndPoint* tail = nullptr;
  int32_t axis = 0;
  uint8_t bit = 0;
};

class neRegion {
 public:
  neRegion() = default;
  ~neRegion() { Release(); }
  neRegion(const neRegion&) = delete;
  neRegion& operator=(const neRegion&) = delete;

  // Frees what the region held and allocates every table and pool from the
  // simulator's counts. False when memory cannot be had (the region is then
  // empty).
  bool Initialise(neSimulationRecord* sim, int32_t axisMask);
  void Release();

  // Enters a body at the next update, placed next to the hint when the hint
  // is in the region. A body already in (or pending) is left alone.
  bool AddBody(neBody* body, neBody* hint);
  // Takes a body out at once with all its pairs.
  void RemoveBody(neBody* body);
  // One sub-step: sort every swept axis with flipping, then insert the
  // pending bodies and compute their pairs directly.
  void Update();
  // Re-sorts without flipping and recomputes every pair of active bodies.
  void Rebuild();
  // The strict three-axis box test on the end-point values.
  uint8_t OverlapBits(const neBody* u, const neBody* v) const;

  neOverlapPair* FirstPair() const { return pairs_.UsedFirst(); }
  int32_t PairCount() const { return pairs_.UsedCount(); }
  int32_t BodyCount() const { return nodes_.UsedCount(); }
  int32_t EndPointCount(int32_t axis) const { return axes_[axis].points.UsedCount(); }
  const neEndPoint* AxisHead(int32_t axis) const { return axes_[axis].head; }
  int32_t AxisMask() const { return axisMask_; }
  const nePairEntry* Entry(const neBody* a, const neBody* b) const;
  size_t MemoryBytes() const;

  neTerrainTree& Terrain() { return terrain_; }
  const neTerrainTree& Terrain() const { return terrain_; }

 private:
  nePairEntry* EntryOf(const neBody* a, const neBody* b);
  void SortAxis(neRegionAxis& axis, bool flip);
  // Moves the axis's end points into their pool slots in list order, so the
  // sort's walk reads memory front to back (which end point sits in which
  // slot changes nothing else).
  void Relayout(neRegionAxis& axis);
  void Toggle(neBody* passed, neBody* moving, uint8_t bit);
  void ComputeOverlap(neBody* u, neBody* v);
  void InsertEndPoints(neBody* body, neBody* hint);
  neOverlapPair* TakePair(neBody* a, neBody* b);
  void LogPairsFull();
  void Unlink(neRegionAxis& axis, neEndPoint* p);
  void LinkAfter(neRegionAxis& axis, neEndPoint* at, neEndPoint* p);  // at null: head
  void LinkBefore(neRegionAxis& axis, neEndPoint* at, neEndPoint* p); // at null: tail

  int32_t axisMask_ = 0;
  neSimulationRecord* sim_ = nullptr;
  int32_t rigidCount_ = 0;     // R
  int32_t animatedCount_ = 0;  // A
  int32_t bodyCount_ = 0;      // N = R + A
  int32_t particleCount_ = 0;  // P
  // N(N-1)/2 entries, then N x P; left uninitialised (an entry is written when
  // the later of its bodies enters), so the pages of a big table stay
  // untouched until used.
  nePairEntry* pairTable_ = nullptr;
  nePairEntry* particleTable_ = nullptr;
  neArray<nePendingJoin> pending_;
  nePool<neRegionBodyNode> nodes_;  // used list = the bodies in the region
  nePool<neOverlapPair> pairs_;
  neRegionAxis axes_[3];
  neArray<neEndPoint> relayout_;  // one axis's end points, in list order
  int32_t updates_ = 0;
  neTerrainTree terrain_;
  neAllocator* allocator_ = nullptr;
  neDefaultAllocator ownAllocator_;
};

#endif  // KELVAMOR_PHYSICS_BROADPHASE_H
