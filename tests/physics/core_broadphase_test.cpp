// The broad phase against a brute-force box test: after every sub-step the
// overlap list must hold every pair whose world boxes overlap strictly on all
// three axes, each once, nothing that does not at least touch, and two end
// points per axis per body.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "core_support.h"
#include "physics/simulation.h"

namespace {

using Pair = std::pair<const neBody*, const neBody*>;

Pair Ordered(const neBody* a, const neBody* b) { return a < b ? Pair{a, b} : Pair{b, a}; }

// Boxes that overlap or touch (closed intervals).
bool Touch(const neBody* a, const neBody* b) {
  for (int i = 0; i < 3; ++i) {
    if (!(a->worldMax[i] >= b->worldMin[i] && a->worldMin[i] <= b->worldMax[i])) return false;
  }
  return true;
}

bool StrictOverlap(const neBody* a, const neBody* b) {
  for (int i = 0; i < 3; ++i) {
    if (!(a->worldMax[i] > b->worldMin[i] && a->worldMin[i] < b->worldMax[i])) return false;
  }
  return true;
}

struct World {
  neSimulation* sim = nullptr;
  neSimulationRecord* rec = nullptr;
  std::vector<neBody*> bodies;  // every body created, in the region or not

  explicit World(int rigid, int animated, int particles) {
    neSimulationSizes s;
    s.rigidBodiesCount = rigid;
    s.animatedBodiesCount = animated;
    s.rigidParticleCount = particles;
    s.geometriesCount = rigid + animated + particles;
    s.overlapPairsCount = (rigid + animated + particles) * (rigid + animated + particles);
    sim = CoreMakeSimulation(s, nullptr);
    rec = neRecordOf(sim);
    // Overlaps are paired and reported but get no impulse: the scenes stay
    // where the tests put them.
    sim->GetResponseTable()->Set(0, 0, neResponseTable::kCallback);
  }
  ~World() { neSimulation::Destroy(sim); }

  // Checks the region against the bodies' stored world boxes.
  void Check(const char* where) {
    const neRegion& r = rec->region;
    std::set<Pair> expect;
    std::vector<const neBody*> in;
    for (const neBody* b : bodies) {
      if (b->regionNode && b->joinState == kNeJoinNone) in.push_back(b);
    }
    for (size_t i = 0; i < in.size(); ++i) {
      for (size_t j = i + 1; j < in.size(); ++j) {
        if (in[i]->IsParticle() && in[j]->IsParticle()) continue;
        if (StrictOverlap(in[i], in[j])) expect.insert(Ordered(in[i], in[j]));
      }
    }
    std::set<Pair> got;
    int listed = 0;
    for (const neOverlapPair* p = r.FirstPair(); p; p = p->next, ++listed) {
      EXPECT_TRUE(got.insert(Ordered(p->bodyA, p->bodyB)).second) << where << ": duplicate pair";
    }
    EXPECT_EQ(listed, r.PairCount()) << where;
    for (const Pair& p : expect) {
      EXPECT_EQ(got.count(p), 1u) << where << ": missing pair of kinds " << p.first->kind
                                  << p.first->IsParticle() << "/" << p.second->kind
                                  << p.second->IsParticle() << " bits "
                                  << int(r.Entry(p.first, p.second)->bits);
    }
    // Equal values never pass each other, so boxes that overlapped and were
    // moved to touch exactly keep their pair; any other extra pair is a fault.
    for (const Pair& p : got) {
      if (expect.count(p) == 0 && Touch(p.first, p.second)) continue;
      EXPECT_EQ(expect.count(p), 1u) << where << ": extra pair of kinds " << p.first->kind
                                     << p.first->IsParticle() << "/" << p.second->kind
                                     << p.second->IsParticle();
    }
    for (int axis = 0; axis < 3; ++axis) {
      EXPECT_EQ(r.EndPointCount(axis), static_cast<int>(2 * in.size())) << where;
      int count = 0;
      float last = -1e30f;
      std::set<const neBody*> lowerSeen;
      for (const neEndPoint* e = r.AxisHead(axis); e; e = e->next, ++count) {
        EXPECT_LE(last, e->value) << where << ": axis " << axis << " out of order";
        last = e->value;
        if (e->kind == kNeEndLower) {
          EXPECT_TRUE(lowerSeen.insert(e->body).second) << where;
        } else {
          EXPECT_EQ(lowerSeen.count(e->body), 1u) << where << ": upper before its lower";
        }
        EXPECT_TRUE(e->kind == kNeEndLower ? e->body->lower[axis] == e : e->body->upper[axis] == e)
            << where;
      }
      EXPECT_EQ(count, static_cast<int>(2 * in.size())) << where;
    }
  }
};

// Box sizes and positions on a 0.25 grid: exactly touching boxes are common.
float Grid(std::mt19937& rng, int cells) {
  return 0.25f * static_cast<float>(std::uniform_int_distribution<int>(0, cells)(rng));
}

neVector3 GridPoint(std::mt19937& rng) { return neV3(Grid(rng, 24), Grid(rng, 8), Grid(rng, 24)); }

void GiveBox(neBody* b, std::mt19937& rng) {
  neGeometryRecord* g = b->AddGeometry();
  ASSERT_NE(g, nullptr);
  g->SetBox(0.5f + Grid(rng, 6), 0.5f + Grid(rng, 6), 0.5f + Grid(rng, 6));
  b->RecomputeBounds();
}

void Place(neBody* b, const neVector3& p) {
  if (neRigidBodyRecord* r = b->AsRigid()) {
    static_cast<neRigidBody*>(r)->SetPosition(p);
    static_cast<neRigidBody*>(r)->SetVelocity(neV3(0, 0, 0));
  } else {
    static_cast<neAnimatedBody*>(b->AsAnimated())->SetPosition(p);
  }
}

TEST(CoreBroadPhase, MatchesBruteForceOverRandomSubSteps) {
  World w(48, 16, 16);
  std::mt19937 rng(20240611);
  for (int i = 0; i < 48; ++i) w.bodies.push_back(neRecordOf(w.sim->CreateRigidBody()));
  for (int i = 0; i < 16; ++i) w.bodies.push_back(neRecordOf(w.sim->CreateAnimatedBody()));
  for (int i = 0; i < 16; ++i) w.bodies.push_back(neRecordOf(w.sim->CreateRigidParticle()));
  for (neBody* b : w.bodies) {
    Place(b, GridPoint(rng));
    GiveBox(b, rng);
    if (neRigidBodyRecord* r = b->AsRigid()) r->gravityEnabled = 0;
  }
  std::uniform_int_distribution<size_t> pick(0, w.bodies.size() - 1);
  std::uniform_int_distribution<int> action(0, 99);
  long pairsSeen = 0;
  int stepsRun = 0;
  for (int step = 0; step < 10000; ++step) {
    const int moves = std::uniform_int_distribution<int>(1, 8)(rng);
    for (int m = 0; m < moves; ++m) {
      neBody* b = w.bodies[pick(rng)];
      const int a = action(rng);
      if (a < 70) {
        // Small moves mostly, so end points cross one another and touch.
        neVector3 p = b->Transform().pos;
        p[std::uniform_int_distribution<int>(0, 2)(rng)] += 0.25f * static_cast<float>(
            std::uniform_int_distribution<int>(-2, 2)(rng));
        Place(b, p);
      } else if (a < 80) {
        Place(b, GridPoint(rng));
      } else if (a < 88) {
        b->SetActive(!b->active, nullptr);
      } else if (a < 92) {
        // Enter, leave and enter again before the update.
        b->SetActive(false, nullptr);
        b->SetActive(true, w.bodies[pick(rng)]);
        b->SetActive(false, nullptr);
        b->SetActive(true, w.bodies[pick(rng)]);
      } else if (a < 96) {
        if (b->geometryCount > 0) {
          b->RemoveGeometry(b->geometryHead);
        } else {
          GiveBox(b, rng);
        }
      } else {
        // Re-enter next to a hint that may or may not be in the region.
        b->SetActive(false, nullptr);
        b->SetActive(true, w.bodies[pick(rng)]);
      }
    }
    w.sim->Step(0.01f, 1);
    if (::testing::Test::HasFailure()) break;
    w.Check("after a sub-step");
    pairsSeen += w.rec->region.PairCount();
    ++stepsRun;
    if (::testing::Test::HasFailure()) {
      ADD_FAILURE() << "first failure at sub-step " << step;
      break;
    }
  }
  EXPECT_EQ(stepsRun, 10000);
  // The scene is crowded enough that pairs come and go all the time.
  EXPECT_GT(pairsSeen / 10000, 20);
  std::printf("mean overlap pairs per sub-step: %ld\n", pairsSeen / 10000);
}

TEST(CoreBroadPhase, TouchingBoxesHaveNoPairUntilTheyOverlap) {
  World w(4, 0, 0);
  neRigidBody* a = CoreAddBox(w.sim, neV3(1, 1, 1), 1.0f, neV3(0, 0, 0));
  neRigidBody* b = CoreAddBox(w.sim, neV3(1, 1, 1), 1.0f, neV3(1, 0, 0));
  a->SetGravityEnabled(0);
  b->SetGravityEnabled(0);
  w.bodies = {neRecordOf(a), neRecordOf(b)};
  w.sim->Step(0.01f, 1);
  EXPECT_EQ(w.rec->region.PairCount(), 0);
  w.Check("touching");
  b->SetPosition(neV3(0.99f, 0, 0));
  b->SetVelocity(neV3(0, 0, 0));
  w.sim->Step(0.01f, 1);
  EXPECT_EQ(w.rec->region.PairCount(), 1);
  // And back to touching from the other side, entering in the reverse order.
  neRigidBody* c = CoreAddBox(w.sim, neV3(1, 1, 1), 1.0f, neV3(-1, 0, 0));
  c->SetGravityEnabled(0);
  w.bodies.push_back(neRecordOf(c));
  w.sim->Step(0.01f, 1);
  w.Check("third touching");
  c->SetPosition(neV3(-0.99f, 0, 0));
  c->SetVelocity(neV3(0, 0, 0));
  w.sim->Step(0.01f, 1);
  w.Check("third overlapping");
  EXPECT_EQ(w.rec->region.PairCount(), 2);
}

TEST(CoreBroadPhase, EnterLeaveWithinOneSubStepLeavesNoTrace) {
  World w(4, 0, 0);
  neRigidBody* a = CoreAddBox(w.sim, neV3(1, 1, 1), 1.0f, neV3(0, 0, 0));
  neRigidBody* b = CoreAddBox(w.sim, neV3(1, 1, 1), 1.0f, neV3(0.5f, 0, 0));
  w.bodies = {neRecordOf(a), neRecordOf(b)};
  b->SetActive(false);
  w.sim->Step(0.01f, 1);
  EXPECT_EQ(w.rec->region.EndPointCount(0), 2);
  EXPECT_EQ(w.rec->region.PairCount(), 0);
  b->SetActive(true);
  b->SetActive(false);
  w.sim->Step(0.01f, 1);
  EXPECT_EQ(w.rec->region.EndPointCount(0), 2);
  EXPECT_EQ(w.rec->region.BodyCount(), 1);
  EXPECT_EQ(neRecordOf(b)->lower[0], nullptr);
}

TEST(CoreBroadPhase, ParkAndKnockCyclesDoNotGrowRecords) {
  World w(8, 0, 0);
  std::vector<neRigidBody*> boxes;
  for (int i = 0; i < 6; ++i) {
    neRigidBody* b = CoreAddBox(w.sim, neV3(1, 1, 1), 1.0f, neV3(0.6f * i, 0, 0));
    b->SetGravityEnabled(0);
    boxes.push_back(b);
    w.bodies.push_back(neRecordOf(b));
  }
  w.sim->Step(0.01f, 1);
  const int points = w.rec->region.EndPointCount(0);
  const int pairs = w.rec->region.PairCount();
  neSimulationSizes used;
  for (int cycle = 0; cycle < 1000; ++cycle) {
    neRigidBody* b = boxes[cycle % boxes.size()];
    b->SetActive(false);           // parked
    b->SetActive(true, boxes[0]);  // woken next to a neighbour
    b->SetActive(false);
    b->SetActive(true, boxes[(cycle + 1) % boxes.size()]);
    b->SetPosition(neV3(0.6f * static_cast<float>(cycle % boxes.size()), 0, 0));  // knocked
    b->SetVelocity(neV3(0, 0, 0));
    w.sim->Step(0.01f, 1);
    ASSERT_EQ(w.rec->region.EndPointCount(0), points) << cycle;
    ASSERT_EQ(w.rec->region.PairCount(), pairs) << cycle;
  }
  w.sim->GetSizesInUse(used);
  EXPECT_EQ(used.overlapPairsCount, pairs);
  w.Check("after the cycles");
}

TEST(CoreBroadPhase, ParticlesPairWithBodiesButNotEachOther) {
  World w(2, 2, 2);
  neRigidBody* p1 = w.sim->CreateRigidParticle();
  neRigidBody* p2 = w.sim->CreateRigidParticle();
  neRigidBody* r = w.sim->CreateRigidBody();
  neAnimatedBody* m = w.sim->CreateAnimatedBody();
  for (neBody* b : std::vector<neBody*>{neRecordOf(p1), neRecordOf(p2), neRecordOf(r), neRecordOf(m)}) {
    b->AddGeometry();
    b->RecomputeBounds();
    w.bodies.push_back(b);
  }
  p1->SetGravityEnabled(0);
  p2->SetGravityEnabled(0);
  r->SetGravityEnabled(0);
  w.sim->Step(0.01f, 1);
  // All four share the origin: every pair but the particle pair.
  EXPECT_EQ(w.rec->region.PairCount(), 5);
  for (const neOverlapPair* p = w.rec->region.FirstPair(); p; p = p->next) {
    EXPECT_FALSE(p->bodyA->IsParticle() && p->bodyB->IsParticle());
    // The rigid side comes first when a body enters next to an animated one.
    if (p->bodyB->kind == kNeBodyRigid && !p->bodyB->IsParticle()) {
      EXPECT_NE(p->bodyA->kind, kNeBodyAnimated);
    }
  }
  w.Check("particles");
}

TEST(CoreBroadPhase, FullPairPoolLogsAndReportsNoMore) {
  neSimulationSizes s;
  s.rigidBodiesCount = 4;
  s.overlapPairsCount = 2;
  neSimulation* sim = CoreMakeSimulation(s, nullptr);
  CoreLogClear();
  for (int i = 0; i < 3; ++i) CoreAddBox(sim, neV3(1, 1, 1), 1.0f, neV3(0.1f * i, 0, 0));
  sim->Step(0.01f, 1);
  EXPECT_EQ(neRecordOf(sim)->region.PairCount(), 2);
  ASSERT_FALSE(CoreLogLines().empty());
  EXPECT_EQ(CoreLogLines().back(), "Overlap Pair buffer full. Increase buffer size.\n");
  neSimulation::Destroy(sim);
}

TEST(CoreBroadPhase, SortedCrossingRespectsTheResponseTable) {
  World w(4, 0, 0);
  neRigidBody* a = CoreAddBox(w.sim, neV3(1, 1, 1), 1.0f, neV3(0, 0, 0));
  neRigidBody* b = CoreAddBox(w.sim, neV3(1, 1, 1), 1.0f, neV3(3, 0, 0));
  a->SetGravityEnabled(0);
  b->SetGravityEnabled(0);
  a->SetCollisionGroup(2);
  b->SetCollisionGroup(5);
  w.sim->GetResponseTable()->Set(2, 5, 0);
  w.sim->Step(0.01f, 1);
  b->SetPosition(neV3(0.5f, 0, 0));
  b->SetVelocity(neV3(0, 0, 0));
  w.sim->Step(0.01f, 1);
  EXPECT_EQ(w.rec->region.PairCount(), 0);
  // Entering while overlapping makes the pair whatever the table says.
  b->SetActive(false);
  b->SetActive(true);
  w.sim->Step(0.01f, 1);
  EXPECT_EQ(w.rec->region.PairCount(), 1);
}

}  // namespace
