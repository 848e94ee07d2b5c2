// The broad phase's periodic relayout: end points move into their pool slots
// in list order, and the lists, the bodies' end-point links and the overlap
// pairs stay exactly what they were.
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "physics/body.h"
#include "physics/broadphase.h"
#include "physics/simulation.h"

namespace {

// Falling boxes in a loose heap over a floor, some freed and replaced so the
// end-point pools have holes.
class Heap {
 public:
  Heap() {
    neSimulationSizes s;
    s.rigidBodiesCount = 40;
    s.animatedBodiesCount = 1;
    s.rigidParticleCount = 0;
    s.geometriesCount = 41;
    s.overlapPairsCount = 400;
    const neVector3 g = neV3(0.0f, -10.0f, 0.0f);
    sim_ = neSimulation::Create(&s, nullptr, &g);
    neAnimatedBody* floor = sim_->CreateAnimatedBody();
    floor->AddGeometry()->SetBoxSize(30.0f, 1.0f, 30.0f);
    floor->UpdateBoundingInfo();
    floor->SetPosition(neV3(0.0f, -0.5f, 0.0f));
    for (int i = 0; i < 36; ++i) Add(i);
  }
  ~Heap() { neSimulation::Destroy(sim_); }
  Heap(const Heap&) = delete;
  Heap& operator=(const Heap&) = delete;

  void Add(int i) {
    neRigidBody* b = sim_->CreateRigidBody();
    b->AddGeometry()->SetBoxSize(1.0f, 1.0f, 1.0f);
    b->SetMass(1.0f);
    b->SetInertiaTensor(neComputeBoxInertia(neV3(1, 1, 1), 1.0f));
    b->UpdateBoundingInfo();
    b->SetPosition(neV3(0.7f * (i % 6), 0.6f + 1.3f * (i / 6), 0.7f * ((i * 7) % 6)));
    bodies_.push_back(b);
  }
  void Free(int k) {
    sim_->FreeRigidBody(bodies_[k]);
    bodies_.erase(bodies_.begin() + k);
  }
  void Step(int n) {
    for (int i = 0; i < n; ++i) sim_->Step(1.0f / 240.0f, 1);
  }
  neRegion& region() { return neRecordOf(sim_)->region; }

 private:
  neSimulation* sim_ = nullptr;
  std::vector<neRigidBody*> bodies_;
};

// Every axis list sorted and complete, every body's end points its own, and
// the pair list exactly the pairs whose boxes overlap on all axes.
void ExpectConsistent(neRegion& region, const char* when) {
  std::vector<const neBody*> inRegion;
  for (int axis = 0; axis < 3; ++axis) {
    int count = 0;
    const neEndPoint* prev = nullptr;
    for (const neEndPoint* p = region.AxisHead(axis); p; p = p->next) {
      ++count;
      EXPECT_EQ(p->prev, prev) << when;
      if (prev) {
        EXPECT_LE(prev->value, p->value) << when << " axis " << axis;
      }
      const neEndPoint* own = p->kind == kNeEndLower ? p->body->lower[axis] : p->body->upper[axis];
      EXPECT_EQ(own, p) << when;
      if (axis == 0 && p->kind == kNeEndLower) inRegion.push_back(p->body);
      prev = p;
    }
    EXPECT_EQ(count, region.EndPointCount(axis)) << when;
  }
  std::set<std::pair<const neBody*, const neBody*>> listed;
  for (const neOverlapPair* p = region.FirstPair(); p; p = p->next) {
    listed.insert(std::minmax(static_cast<const neBody*>(p->bodyA),
                              static_cast<const neBody*>(p->bodyB)));
  }
  std::set<std::pair<const neBody*, const neBody*>> overlapping;
  for (size_t i = 0; i < inRegion.size(); ++i) {
    for (size_t j = i + 1; j < inRegion.size(); ++j) {
      if (region.OverlapBits(inRegion[i], inRegion[j]) == region.AxisMask())
        overlapping.insert(std::minmax(inRegion[i], inRegion[j]));
    }
  }
  EXPECT_EQ(listed, overlapping) << when;
}

TEST(BroadPhaseRelayout, ListsLinksAndPairsSurviveRelayouts) {
  Heap h;
  h.Step(70);  // one relayout done
  ExpectConsistent(h.region(), "after the first relayout");
  for (int k : {3, 10, 17, 20}) h.Free(k);  // holes in the slots
  h.Step(40);
  for (int i = 0; i < 3; ++i) h.Add(40 + i);  // new bodies take freed slots
  h.Step(100);  // a relayout with holes
  ExpectConsistent(h.region(), "after a relayout with holes");
  h.Step(300);
  ExpectConsistent(h.region(), "after the heap settled");
}

TEST(BroadPhaseRelayout, ARelayoutPutsEachListInSlotOrder) {
  Heap h;
  h.Free(5);
  h.Step(1);
  h.Add(50);
  // Run up to just after the next relayout: the relayout comes on every 64th
  // update, so within 64 steps one list is found in slot order.
  bool inOrder = false;
  for (int i = 0; i < 64 && !inOrder; ++i) {
    h.Step(1);
    bool ordered = true;
    for (int axis = 0; axis < 3; ++axis) {
      for (const neEndPoint* p = h.region().AxisHead(axis); p && p->next; p = p->next) {
        ordered = ordered && p < p->next;
      }
    }
    inOrder = ordered;
  }
  EXPECT_TRUE(inOrder);
  ExpectConsistent(h.region(), "right after a relayout");
}

}  // namespace
