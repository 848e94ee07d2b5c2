// Quiet resting bodies: a body at rest that nothing disturbs leaves the
// sub-step's lists and costs nothing, yet wakes, moves, falls and reports
// contacts exactly when a body that stayed in the lists would.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "physics/body.h"
#include "physics/simulation.h"

namespace {

// A 60 Hz frame in four sub-steps.
constexpr float kFrame = 1.0f / 60.0f;

const neRigidBodyRecord* Peek(const neRigidBody* b) { return neRecordOf(b); }
const neSimulationRecord* Peek(const neSimulation* s) { return neRecordOf(s); }

// A floor (an animated box, top at y = 0) and unit boxes of 1 kg.
class World {
 public:
  explicit World(int32_t boxes, bool terrain = false) {
    neSimulationSizes s;
    s.rigidBodiesCount = boxes;
    s.animatedBodiesCount = 2;
    s.rigidParticleCount = 0;
    s.geometriesCount = boxes + 1;
    s.overlapPairsCount = boxes * 8 + 8;
    s.sensorsCount = 4;
    s.controllersCount = 2;
    const neVector3 g = neV3(0.0f, -10.0f, 0.0f);
    sim_ = neSimulation::Create(&s, nullptr, &g);
    if (terrain) {
      // Two triangles, 40 m square, at y = 0.
      vertices_ = {neV3(-20, 0, -20), neV3(20, 0, -20), neV3(-20, 0, 20), neV3(20, 0, 20)};
      neTerrainTriangle a, b;
      a.indices[0] = 0;
      a.indices[1] = 2;
      a.indices[2] = 1;
      b.indices[0] = 1;
      b.indices[1] = 2;
      b.indices[2] = 3;
      triangles_ = {a, b};
      neTerrainMesh m;
      m.vertices = vertices_.data();
      m.vertexCount = static_cast<int32_t>(vertices_.size());
      m.triangles = triangles_.data();
      m.triangleCount = static_cast<int32_t>(triangles_.size());
      sim_->SetTerrain(&m);
    } else {
      floor_ = sim_->CreateAnimatedBody();
      floor_->AddGeometry()->SetBoxSize(40.0f, 1.0f, 40.0f);
      floor_->UpdateBoundingInfo();
      floor_->SetPosition(neV3(0.0f, -0.5f, 0.0f));
    }
  }
  ~World() { neSimulation::Destroy(sim_); }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  neRigidBody* Box(const neVector3& at) {
    neRigidBody* b = sim_->CreateRigidBody();
    b->AddGeometry()->SetBoxSize(1.0f, 1.0f, 1.0f);
    b->SetMass(1.0f);
    b->SetInertiaTensor(neComputeBoxInertia(neV3(1, 1, 1), 1.0f));
    b->UpdateBoundingInfo();
    b->SetPosition(at);
    return b;
  }
  void Run(int32_t frames) {
    for (int32_t i = 0; i < frames; ++i) sim_->Step(kFrame, 4);
  }
  // Runs until every body given rests and is quiet; false after 30 s.
  bool SettleQuiet(const std::vector<neRigidBody*>& bodies) {
    for (int32_t i = 0; i < 1800; ++i) {
      bool all = true;
      for (const neRigidBody* b : bodies) all = all && Peek(b)->quiet != 0;
      if (all) return true;
      Run(1);
    }
    return false;
  }
  neSimulation* sim() { return sim_; }
  neAnimatedBody* floor() { return floor_; }

 private:
  neSimulation* sim_ = nullptr;
  neAnimatedBody* floor_ = nullptr;
  std::vector<neVector3> vertices_;
  std::vector<neTerrainTriangle> triangles_;
};

float Distance(const neVector3& a, const neVector3& b) {
  const neVector3 d = a - b;
  return std::sqrt(d.Dot(d));
}

TEST(QuietRest, SettledBodiesLeaveTheSubStepListsAndStayPut) {
  for (const bool terrain : {false, true}) {
    World w(12, terrain);
    std::vector<neRigidBody*> boxes;
    for (int i = 0; i < 10; ++i) boxes.push_back(w.Box(neV3(2.0f * i - 9.0f, 0.5f, 0.0f)));
    ASSERT_TRUE(w.SettleQuiet(boxes)) << "terrain " << terrain;
    const neSimulationRecord* sim = Peek(w.sim());
    EXPECT_EQ(sim->quietCount, 10);
    EXPECT_EQ(sim->stepRigid.first, nullptr);  // nothing left to walk
    std::vector<neVector3> at;
    for (neRigidBody* b : boxes) at.push_back(b->GetPosition());
    w.Run(600);
    for (size_t i = 0; i < boxes.size(); ++i) {
      EXPECT_TRUE(boxes[i]->IsIdle());
      EXPECT_EQ(std::memcmp(&at[i], &Peek(boxes[i])->state.pos, sizeof(neVector3)), 0);
      EXPECT_NEAR(at[i].y, 0.5f, 0.02f);
    }
  }
}

TEST(QuietRest, QuietBoxHitByAMovingBoxWakesAndMoves) {
  World w(3);
  neRigidBody* target = w.Box(neV3(0.0f, 0.5f, 0.0f));
  neRigidBody* other = w.Box(neV3(6.0f, 0.5f, 0.0f));
  ASSERT_TRUE(w.SettleQuiet({target, other}));
  const neVector3 start = target->GetPosition();
  // Thrown along the floor at the quiet box.
  neRigidBody* ball = w.Box(neV3(-4.0f, 0.5f, 0.0f));
  ball->SetVelocity(neV3(8.0f, 0.0f, 0.0f));
  bool woke = false;
  for (int i = 0; i < 120; ++i) {
    w.Run(1);
    woke = woke || !target->IsIdle();
  }
  EXPECT_TRUE(woke);
  EXPECT_GT(target->GetPosition().x - start.x, 0.3f);  // pushed along +x
  EXPECT_NEAR(target->GetPosition().y, 0.5f, 0.1f);    // still on the floor
  // The box far away was never touched: still quiet, not moved.
  EXPECT_TRUE(Peek(other)->quiet != 0);
  EXPECT_NEAR(other->GetPosition().x, 6.0f, 0.02f);
}

TEST(QuietRest, QuietBoxLosingItsSupportFalls) {
  // The floor is freed under a quiet box, and in a second world moved down.
  {
    World w(2);
    neRigidBody* b = w.Box(neV3(0.0f, 0.5f, 0.0f));
    ASSERT_TRUE(w.SettleQuiet({b}));
    w.sim()->FreeAnimatedBody(w.floor());
    w.Run(30);  // half a second of free fall: 1.25 m
    EXPECT_FALSE(b->IsIdle());
    EXPECT_LT(b->GetPosition().y, 0.5f - 1.0f);
  }
  {
    World w(2);
    neRigidBody* b = w.Box(neV3(0.0f, 0.5f, 0.0f));
    ASSERT_TRUE(w.SettleQuiet({b}));
    w.floor()->SetPosition(neV3(0.0f, -2.5f, 0.0f));  // 2 m lower
    w.Run(30);
    EXPECT_FALSE(b->IsIdle());
    EXPECT_LT(b->GetPosition().y, -0.5f);
    ASSERT_TRUE(w.SettleQuiet({b}));
    EXPECT_NEAR(b->GetPosition().y, -1.5f, 0.05f);  // came down onto it
  }
}

TEST(QuietRest, HostChangesReachAQuietBody) {
  World w(3);
  neRigidBody* a = w.Box(neV3(0.0f, 0.5f, 0.0f));
  neRigidBody* b = w.Box(neV3(5.0f, 0.5f, 0.0f));
  neRigidBody* c = w.Box(neV3(-5.0f, 0.5f, 0.0f));
  ASSERT_TRUE(w.SettleQuiet({a, b, c}));
  a->SetPosition(neV3(0.0f, 3.0f, 0.0f));  // lifted: falls back down
  b->SetVelocity(neV3(0.0f, 4.0f, 0.0f));   // thrown up
  c->SetForce(neV3(30.0f, 0.0f, 0.0f));     // pushed harder than friction holds
  w.Run(12);
  EXPECT_FALSE(a->IsIdle());
  EXPECT_GT(b->GetPosition().y, 1.0f);
  w.Run(60);
  EXPECT_GT(c->GetPosition().x, -5.0f + 1.0f);
  c->SetForce(neV3(0.0f, 0.0f, 0.0f));
  ASSERT_TRUE(w.SettleQuiet({a, b, c}));
  EXPECT_NEAR(a->GetPosition().y, 0.5f, 0.05f);
  EXPECT_NEAR(b->GetPosition().y, 0.5f, 0.05f);
  // Off and on again: a deactivated quiet body keeps its place and rests
  // again once active.
  const neVector3 at = a->GetPosition();
  a->SetActive(false, static_cast<neRigidBody*>(nullptr));
  w.Run(10);
  a->SetActive(true, static_cast<neRigidBody*>(nullptr));
  w.Run(120);
  EXPECT_LT(Distance(a->GetPosition(), at), 0.02f);
  EXPECT_TRUE(a->IsIdle());
}

struct ContactLog {
  std::vector<void*> bodies;
  static ContactLog* current;
  static void Record(neContactRecord* r) {
    current->bodies.push_back(r->bodyA);
    current->bodies.push_back(r->bodyB);
  }
};
ContactLog* ContactLog::current = nullptr;

// Sensor hits hold only inside the step: read where a game reads them, in
// the body's controller.
struct HitWatch : neRigidBodyControllerCallback {
  neRigidBody* wanted = nullptr;
  bool seen = false;
  float topY = 0.0f;
  void Callback(neRigidBodyController* c, float) override {
    neRigidBody* body = c->GetRigidBody();
    body->BeginSensorIteration();
    while (neSensor* s = body->GetNextSensor()) {
      if (s->GetHitRigidBody() != wanted || !(s->GetHitDepth() > 0.0f)) continue;
      seen = true;
      topY = s->GetHitPoint().y;
    }
  }
};

TEST(QuietRest, QuietBodyStillReportsContactsAndSensorHits) {
  World w(3);
  neRigidBody* target = w.Box(neV3(0.0f, 0.5f, 0.0f));
  ASSERT_TRUE(w.SettleQuiet({target}));
  // A sensor body gliding over the quiet box sees it below.
  neRigidBody* probe = w.Box(neV3(-3.0f, 3.0f, 0.0f));
  probe->SetGravityEnabled(0);
  neSensor* s = probe->AddSensor();
  s->SetLine(neV3(0.0f, 0.0f, 0.0f), neV3(0.0f, -2.5f, 0.0f));
  probe->UpdateBoundingInfo();
  probe->SetVelocity(neV3(3.0f, 0.0f, 0.0f));
  HitWatch watch;
  watch.wanted = target;
  probe->AddController(&watch, 0);
  w.Run(90);
  EXPECT_TRUE(watch.seen);
  EXPECT_NEAR(watch.topY, 1.0f, 0.02f);  // the quiet box's top face
  EXPECT_TRUE(target->IsIdle());          // a sensor line touches nothing
  EXPECT_TRUE(Peek(target)->quiet != 0);
  probe->SetActive(false, static_cast<neRigidBody*>(nullptr));

  // A box dropped onto the quiet one makes contacts that name it.
  ContactLog log;
  ContactLog::current = &log;
  w.sim()->SetContactCallback(&ContactLog::Record);
  w.sim()->GetResponseTable()->Set(0, 0, neResponseTable::kImpulseAndCallback);
  neRigidBody* dropped = w.Box(neV3(0.1f, 1.7f, 0.0f));
  w.Run(120);
  bool named = false;
  for (void* b : log.bodies) named = named || b == static_cast<void*>(target);
  EXPECT_TRUE(named);
  EXPECT_NEAR(dropped->GetPosition().y, 1.5f, 0.1f);  // resting on top of it
  w.sim()->SetContactCallback(nullptr);
  ContactLog::current = nullptr;
}

// A controller that sets another body moving from inside the position pass.
struct Thrower : neRigidBodyControllerCallback {
  neRigidBody* target = nullptr;
  bool thrown = false;
  void Callback(neRigidBodyController*, float) override {
    if (thrown || !target) return;
    target->SetVelocity(neV3(2.0f, 0.0f, 0.0f));
    thrown = true;
  }
};

TEST(QuietRest, BodyWokenByAControllerMovesInTheSameSubStep) {
  World w(4);
  // The thrower's body is listed before the quiet box, a third body after
  // it: the box is stirred back in between two bodies of the pass.
  neRigidBody* hover = w.Box(neV3(0.0f, 5.0f, 5.0f));
  hover->SetGravityEnabled(0);
  neRigidBody* box = w.Box(neV3(0.0f, 0.5f, 0.0f));
  neRigidBody* after = w.Box(neV3(0.0f, 5.0f, -5.0f));
  after->SetGravityEnabled(0);
  ASSERT_TRUE(w.SettleQuiet({box}));
  hover->SetVelocity(neV3(0.0f, 0.0f, 0.1f));  // kept awake
  after->SetVelocity(neV3(0.0f, 0.0f, -0.1f));
  Thrower thrower;
  thrower.target = box;
  hover->AddController(&thrower, 0);
  const float x0 = box->GetPosition().x;
  const float dt = 1.0f / 240.0f;
  w.sim()->Step(dt, 1);
  ASSERT_TRUE(thrower.thrown);
  // The full pass reaches the box after the thrower and moves it at once.
  EXPECT_GT(box->GetPosition().x - x0, 0.5f * 2.0f * dt);
  EXPECT_FALSE(box->IsIdle());
}

// Poses and velocities of every box, bit for bit.
std::vector<uint32_t> Fingerprint(const std::vector<neRigidBody*>& boxes) {
  std::vector<uint32_t> words;
  for (neRigidBody* b : boxes) {
    const neVector3 v[2] = {b->GetPosition(), b->GetVelocity()};
    for (const neVector3& x : v) {
      for (float f : {x.x, x.y, x.z}) {
        uint32_t u;
        std::memcpy(&u, &f, sizeof u);
        words.push_back(u);
      }
    }
  }
  return words;
}

std::vector<uint32_t> DisturbedRun() {
  World w(30);
  std::vector<neRigidBody*> boxes;
  for (int i = 0; i < 24; ++i) boxes.push_back(w.Box(neV3(1.5f * (i % 6), 0.5f, 1.5f * (i / 6))));
  w.Run(300);
  // Knock into the settled rows twice, then let everything settle again.
  neRigidBody* a = w.Box(neV3(-3.0f, 0.5f, 0.0f));
  a->SetVelocity(neV3(10.0f, 0.0f, 0.0f));
  boxes.push_back(a);
  w.Run(60);
  neRigidBody* b = w.Box(neV3(3.0f, 4.0f, 2.0f));
  boxes.push_back(b);
  w.Run(600);
  return Fingerprint(boxes);
}

// A busy world: rows and a stack settle, a jointed pair, a platform that is
// moved, boxes thrown into the rows, a teleport, an impulse, a body switched
// off and on, and a supporter freed. Fingerprints every 25 frames.
std::vector<uint32_t> BusyRun(bool quietAllowed) {
  World w(60);
  neRecordOf(w.sim())->quietAllowed = quietAllowed ? 1 : 0;
  std::vector<neRigidBody*> boxes;
  for (int i = 0; i < 30; ++i) boxes.push_back(w.Box(neV3(1.5f * (i % 10) - 7.0f, 0.5f, 1.5f * (i / 10))));
  for (int k = 0; k < 3; ++k) boxes.push_back(w.Box(neV3(8.0f, 0.5f + 1.0f * k, 8.0f)));
  neRigidBody* jointA = w.Box(neV3(-8.0f, 0.5f, 8.0f));
  neRigidBody* jointB = w.Box(neV3(-6.9f, 0.5f, 8.0f));
  boxes.push_back(jointA);
  boxes.push_back(jointB);
  neConstraint* j = w.sim()->CreateConstraint(jointA, jointB);
  neTransform frame;
  frame.SetIdentity();
  frame.pos = neV3(-7.45f, 0.5f, 8.0f);
  j->SetType(neConstraint::kBall);
  j->SetFrameWorld(frame);
  j->Enable(true);
  neAnimatedBody* platform = w.sim()->CreateAnimatedBody();
  platform->AddGeometry()->SetBoxSize(3.0f, 0.5f, 3.0f);
  platform->UpdateBoundingInfo();
  platform->SetPosition(neV3(0.0f, 0.25f, -8.0f));
  neRigidBody* rider = w.Box(neV3(0.0f, 1.0f, -8.0f));
  boxes.push_back(rider);
  std::vector<uint32_t> all;
  auto run = [&](int frames) {
    for (int f = 0; f < frames; ++f) {
      w.Run(1);
      if (f % 25 == 24) {
        const std::vector<uint32_t> p = Fingerprint(boxes);
        all.insert(all.end(), p.begin(), p.end());
        for (neRigidBody* b : boxes) all.push_back(b->IsIdle() ? 1u : 0u);
      }
    }
  };
  run(400);
  // The rows have settled: the shortcut is in play for what follows.
  if (quietAllowed) EXPECT_GE(Peek(w.sim())->quietCount, 25);
  else EXPECT_EQ(Peek(w.sim())->quietCount, 0);
  neRigidBody* thrown = w.Box(neV3(-10.0f, 0.5f, 0.0f));
  thrown->SetVelocity(neV3(12.0f, 0.0f, 0.0f));
  boxes.push_back(thrown);
  run(100);
  platform->SetPosition(neV3(0.5f, 0.0f, -8.0f));  // slides out and drops a little
  boxes[3]->SetPosition(neV3(-3.0f, 2.0f, 1.5f));  // onto another row box
  boxes[17]->ApplyImpulse(neV3(0.0f, 3.0f, 1.0f));
  run(150);
  boxes[25]->SetActive(false, static_cast<neRigidBody*>(nullptr));
  run(50);
  boxes[25]->SetActive(true, static_cast<neRigidBody*>(nullptr));
  neRigidBody* dropped = w.Box(neV3(8.2f, 4.0f, 8.0f));  // onto the stack
  boxes.push_back(dropped);
  run(200);
  w.sim()->FreeRigidBody(boxes[30]);  // the stack's bottom box
  boxes.erase(boxes.begin() + 30);
  run(300);
  return all;
}

// A stack costs nothing once all of it rests, and takes part again as soon
// as anything touches it.
TEST(QuietRest, AStillStackGoesQuietAndWakesWhenPushed) {
  World w(4);
  std::vector<neRigidBody*> stack;
  for (int k = 0; k < 3; ++k) stack.push_back(w.Box(neV3(0.0f, 0.5f + 1.0f * k, 0.0f)));
  w.Run(300);
  for (neRigidBody* b : stack) EXPECT_TRUE(b->IsIdle());
  EXPECT_EQ(Peek(w.sim())->quietCount, 3);
  stack[2]->ApplyImpulse(neV3(0.5f, 0.0f, 0.0f));
  w.Run(1);
  EXPECT_FALSE(stack[2]->IsIdle());
  EXPECT_LT(Peek(w.sim())->quietCount, 3);
  w.Run(300);
  EXPECT_NEAR(stack[2]->GetPosition().y, 2.5f, 0.05f);
  EXPECT_EQ(Peek(w.sim())->quietCount, 3);
}

TEST(QuietRest, TheShortcutChangesNothingBitForBit) {
  const std::vector<uint32_t> with = BusyRun(true);
  const std::vector<uint32_t> without = BusyRun(false);
  ASSERT_EQ(with.size(), without.size());
  EXPECT_TRUE(with == without);
}

TEST(QuietRest, TwoIdenticalDisturbedRunsAgreeBitForBit) {
  const std::vector<uint32_t> first = DisturbedRun();
  const std::vector<uint32_t> second = DisturbedRun();
  EXPECT_EQ(first, second);
}

}  // namespace
