// The roadside objects: markers into records and bodies, waking and parking by the
// player's distance, gravity for disturbed objects, the collision callback's crash
// sounds and hit bonuses, what the render is handed, and the race load's objects.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/frame.h"
#include "app/settings.h"
#include "app/sound.h"
#include "platform/crt_rand.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/city_objects.h"
#include "race/physics_world.h"
#include "race/race_load.h"
#include "race/race_status.h"
#include "race/world_layers.h"
#include "race/world_quadtree_file.h"
#include "tests/race/world_models.h"

namespace {

constexpr float kFrameTicks = 100.0f / 60.0f;

// A marker for an object standing at (x, y, z), turned by yaw radians about y: the
// track's own markers are made this way (first corner along the object's x axis,
// third straight up).
WorldTestTriangle Marker(float x, float y, float z, float yaw = 0.0f) {
  return {{{x + std::cos(yaw), y, z - std::sin(yaw)}, {x, y, z}, {x, y + 1.0f, z}}};
}

// One group per type up to the highest one used; markers[t] go into group t.
void FillMarkers(MilkshapeModel* m, const std::vector<std::pair<int, WorldTestTriangle>>& markers) {
  int groups = 0;
  for (const auto& k : markers) groups = std::max(groups, k.first + 1);
  std::vector<std::vector<WorldTestTriangle>> g(static_cast<size_t>(groups));
  for (const auto& k : markers) g[static_cast<size_t>(k.first)].push_back(k.second);
  FillWorldTestModel(m, g);
}

float Distance(const neVector3& a, const neVector3& b) { return (a - b).Length(); }

bool Orthonormal(const neMatrix3x3& r, float tolerance) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const float d = r.col[i].Dot(r.col[j]);
      if (std::fabs(d - (i == j ? 1.0f : 0.0f)) > tolerance) return false;
    }
  return std::fabs(r.col[0].Cross(r.col[1]).Dot(r.col[2]) - 1.0f) <= tolerance;
}

bool Finite(const neMatrix3x3& r) {
  for (int c = 0; c < 3; ++c)
    if (!std::isfinite(r.col[c].x) || !std::isfinite(r.col[c].y) || !std::isfinite(r.col[c].z)) return false;
  return true;
}

// A simulator of our own with the race's materials and responses, a player's lorry box
// standing in for car 0 (gravity off, so it stays where a test puts it), and the
// objects of a test's markers.
class RoadsideObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearCityObjects();
    neSimulationSizes sizes;
    sizes.rigidBodiesCount = 3200;
    sizes.geometriesCount = 3200;
    sizes.overlapPairsCount = 2000;
    const neVector3 g = neV3(0.0f, -9.8f, 0.0f);
    sim_ = neSimulation::Create(&sizes, nullptr, &g);
    ASSERT_NE(sim_, nullptr);
    sim_->SetMaterial(kMaterialCar, 0.45f, 0.1f);
    sim_->SetMaterial(kMaterialObject, 0.55f, 0.9f);
    sim_->GetResponseTable()->Set(kCollisionId, kCollisionId, neResponseTable::kImpulseAndCallback);
    sim_->SetContactCallback(OnCollision);
    neRigidBody* player = sim_->CreateRigidBody();
    ASSERT_NE(player, nullptr);
    neGeometry* box = player->AddGeometry();
    box->SetBoxSize(kCarBoxSize);
    box->SetMaterialIndex(kMaterialCar);
    player->UpdateBoundingInfo();
    player->SetInertiaTensor(neComputeBoxInertia(kCarBoxSize, kCarMass));
    player->SetMass(kCarMass);
    player->SetGravityEnabled(0);
    player->SetUserData(reinterpret_cast<uintptr_t>(&RaceCars[0]));
    RaceCars[0].body = player;
    RaceCars[0].carIndex = 0;
    PlacePlayer(1000.0f, 1000.0f);
    FrameTiming.FrameTicks = kFrameTicks;
    Settings.sound = 0;
    ResetBonusQueue();
    for (float& t : RaceBonusTotals) t = 0.0f;
  }
  void TearDown() override {
    ClearCityObjects();
    RaceCars[0].body = nullptr;
    neSimulation::Destroy(sim_);
    for (auto& set : CrashSoundSlots)
      for (CrashSoundSlot& slot : set) slot = CrashSoundSlot{};
  }

  void Build(const std::vector<std::pair<int, WorldTestTriangle>>& markers) {
    MilkshapeModel m;
    FillMarkers(&m, markers);
    BuildCityObjects(m);
    for (int k = 0; k < CityObjectCount; ++k) CityObjects[k].Create(sim_, k);
  }
  void PlacePlayer(float x, float z) { RaceCars[0].body->SetPosition(neV3(x, 0.0f, z)); }
  // A race frame's object pass, with the simulator advanced when asked.
  void Frame(bool step = false) {
    if (step) sim_->Step(1.0f / 60.0f, 4);
    WakeDisturbedObjects();
  }
  int BodiesInUse() const {
    neSimulationSizes s;
    sim_->GetSizesInUse(s);
    return s.rigidBodiesCount;
  }
  neContactRecord Contact(neRigidBody* objectBody, float impact, bool objectFirst) const {
    neContactRecord c = {};
    c.bodyA = objectFirst ? static_cast<void*>(objectBody) : static_cast<void*>(RaceCars[0].body);
    c.bodyB = objectFirst ? static_cast<void*>(RaceCars[0].body) : static_cast<void*>(objectBody);
    c.kindA = c.kindB = kNeKindRigid;
    c.materialA = objectFirst ? kMaterialObject : kMaterialCar;
    c.materialB = objectFirst ? kMaterialCar : kMaterialObject;
    c.relativeVelocity = neV3(0.0f, 0.0f, impact);
    return c;
  }
  static int CrashSlotsTaken() {
    int n = 0;
    for (auto& set : CrashSoundSlots)
      for (CrashSoundSlot& slot : set) n += slot.playing;
    return n;
  }

  neSimulation* sim_ = nullptr;
};

TEST_F(RoadsideObjects, AMarkerGivesTheObjectItsFrameAndItsPartsTheirBoxes) {
  // (1,0,0), (0,0,0), (0,1,0): the identity at the origin; type 3 is two crates, the
  // upper one a quarter unit along z.
  Build({{3, {{{1, 0, 0}, {0, 0, 0}, {0, 1, 0}}}}});
  ASSERT_EQ(CityObjectCount, 1);
  const CityObject& o = CityObjects[0];
  EXPECT_EQ(o.type, 3);
  EXPECT_EQ(Distance(o.position, neV3(0, 0, 0)), 0.0f);
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) EXPECT_EQ(o.rotation.col[c][r], c == r ? 1.0f : 0.0f) << c << r;
  ASSERT_EQ(o.bodyCount, 2);
  EXPECT_LT(Distance(o.bodies[0]->GetPosition(), neV3(0.0f, 0.5f, 0.0f)), 1e-6f);
  EXPECT_LT(Distance(o.bodies[1]->GetPosition(), neV3(0.0f, 1.5f, 0.25f)), 1e-6f);
  for (int j = 0; j < 2; ++j) {
    neRigidBody* b = o.bodies[j];
    EXPECT_FALSE(b->Active()) << "objects start out of the simulation";
    EXPECT_EQ(b->GetUserData(), 0u);
    EXPECT_EQ(b->GetCollisionGroup(), kCollisionId);
    EXPECT_FLOAT_EQ(b->GetMass(), 40.0f);
    EXPECT_EQ(b->GetRestThreshold(), 0.0f);
    ASSERT_EQ(b->GetGeometryCount(), 1);
    b->BeginGeometryIteration();
    neGeometry* g = b->GetNextGeometry();
    neVector3 size;
    ASSERT_TRUE(g->GetBoxSize(size));
    EXPECT_FLOAT_EQ(size.x, 2.64f);
    EXPECT_FLOAT_EQ(size.y, 1.0f);
    EXPECT_EQ(g->GetMaterialIndex(), kMaterialObject);
    // The render's rest matrix is the body's pose.
    const neTransform t = b->GetTransform();
    EXPECT_NEAR(o.restMatrices[j].m[13], t.pos.y, 1e-6f);
    EXPECT_NEAR(o.restMatrices[j].m[14], t.pos.z, 1e-6f);
  }
  EXPECT_FALSE(o.active);
  EXPECT_EQ(o.crashSoundTimer, kObjectCrashTimerStart);
}

TEST_F(RoadsideObjects, ATurnedMarkerTurnsThePartOffsetsWithIt) {
  // Type 5: a crate with a board standing 1.82 along its z; turned a quarter about y,
  // the object's z axis points along world +x.
  Build({{5, Marker(10.0f, 2.0f, -4.0f, 1.5707964f)}});
  const CityObject& o = CityObjects[0];
  ASSERT_EQ(o.bodyCount, 2);
  EXPECT_LT(Distance(o.bodies[1]->GetPosition(), neV3(11.82f, 3.32f, -4.0f)), 1e-5f);
  const neMatrix3x3 r = o.bodies[1]->GetRotationMatrix();
  EXPECT_NEAR(r.col[2].x, 1.0f, 1e-5f);
  EXPECT_NEAR(r.col[1].y, 1.0f, 1e-5f);
}

TEST_F(RoadsideObjects, ThePartTableAgreesWithThePartMeshes) {
  // The render draws body j of a type with mesh [type][j]: every body needs a mesh.
  for (int type = 0; type < kObjectTypes; ++type) {
    const CityObjectType* t = CityObjectTypeOf(type);
    ASSERT_NE(t, nullptr) << type;
    EXPECT_EQ(t->partCount, kObjectPartCounts[type]) << type;
    for (int i = 0; i < t->partCount; ++i) {
      EXPECT_TRUE(t->parts[i].closesBody) << type;
      EXPECT_GT(t->parts[i].mass, 0.0f) << type;
    }
  }
  EXPECT_EQ(CityObjectTypeOf(kObjectTypes), nullptr);
  EXPECT_EQ(CityObjectTypeOf(-1), nullptr);
}

TEST_F(RoadsideObjects, OneRecordPerListedTriangleUpToAThousand) {
  // 1001 markers in two groups: the last one finds no record; the others keep the
  // running numbers the world quadtree files them under.
  std::vector<std::pair<int, WorldTestTriangle>> markers;
  for (int i = 0; i < 600; ++i) markers.push_back({0, Marker(3.0f * i, 0.0f, 0.0f)});
  for (int i = 0; i < 401; ++i) markers.push_back({1, Marker(3.0f * i, 0.0f, 50.0f)});
  MilkshapeModel m;
  FillMarkers(&m, markers);
  // The group lists, not the triangle array, give the order: list group 1 backwards.
  std::reverse(m.groups[1].triangleIndices, m.groups[1].triangleIndices + m.groups[1].triangleCount);
  BuildCityObjects(m);
  ASSERT_EQ(CityObjectCount, 1000);
  EXPECT_EQ(CityObjects[599].type, 0);
  EXPECT_EQ(CityObjects[600].type, 1);
  EXPECT_FLOAT_EQ(CityObjects[600].position.x, 1200.0f) << "group 1's list starts at its last triangle";
  EXPECT_FLOAT_EQ(CityObjects[999].position.x, 3.0f);

  // A leaf around a few markers of each group names the records that stand there.
  // The marker past the thousandth stands there too: its number names no record.
  std::vector<int32_t> listed;
  CollectLeafObjects(&m, 30.0f, 25.0f, 30.0f, &listed);
  ASSERT_FALSE(listed.empty());
  EXPECT_EQ(listed.back(), 1000);
  for (int32_t k : listed) {
    if (k >= CityObjectCount) continue;
    const neVector3 p = CityObjects[k].position;
    EXPECT_LE(std::fabs(p.x + 1.0f - 30.0f), 30.0f) << k;  // the leaf holds the first corner
    EXPECT_LE(std::fabs(p.z - 25.0f), 30.0f) << k;
  }
}

TEST_F(RoadsideObjects, BadMarkersAndTypesGetRecordsWithoutBodies) {
  const float nan = std::nanf("");
  Build({{0, {{{0, 0, 0}, {0, 0, 0}, {0, 1, 0}}}},          // first edge of no length
         {0, {{{1, 0, 0}, {0, 0, 0}, {0, 0.0005f, 0}}}},    // third edge under 1e-3
         {0, {{{1, 0, 0}, {0, 0, 0}, {2, 0, 0}}}},          // corners in a line
         {0, {{{1, 0, 0}, {0, nan, 0}, {0, 1, 0}}}},        // not a number
         {17, Marker(20.0f, 0.0f, 0.0f)},
         {18, Marker(30.0f, 0.0f, 0.0f)},                   // beyond the part table
         {19, Marker(40.0f, 0.0f, 0.0f)}});
  ASSERT_EQ(CityObjectCount, 7);
  const int bodiesBefore = BodiesInUse();
  for (int k : {0, 1, 2, 3, 5, 6}) {
    const CityObject& o = CityObjects[k];
    EXPECT_EQ(o.bodyCount, 0) << k;
    EXPECT_EQ(o.partCount, 0) << k;
    EXPECT_TRUE(Finite(o.rotation)) << k;
    EXPECT_TRUE(std::isfinite(o.position.x + o.position.y + o.position.z)) << k;
  }
  EXPECT_EQ(CityObjects[5].type, 18);
  EXPECT_EQ(CityObjects[6].type, 19);
  EXPECT_EQ(CityObjects[4].bodyCount, 1) << "a good marker between them is unharmed";
  // The player standing on them wakes nothing that has no bodies.
  for (int k : {0, 5, 6}) {
    PlacePlayer(CityObjects[k].position.x, 0.5f);
    Frame();
    EXPECT_FALSE(CityObjects[k].active) << k;
    EXPECT_TRUE(std::isfinite(CityObjects[k].playerDistance)) << k;
  }
  EXPECT_EQ(BodiesInUse(), bodiesBefore);
}

TEST_F(RoadsideObjects, ASkewedMarkerGivesAnOrthonormalRotation) {
  // Edges neither square nor of one length: the frame keeps the first edge's
  // direction and the marker's plane.
  Build({{7, {{{4, 0, 1}, {2, 0, 1}, {3, 1.5f, 1.6f}}}}});
  const CityObject& o = CityObjects[0];
  EXPECT_TRUE(Orthonormal(o.rotation, 1e-6f));
  EXPECT_NEAR(o.rotation.col[0].x, 1.0f, 1e-6f);
  const neVector3 normal = o.rotation.col[2];
  EXPECT_NEAR(normal.Dot(neV3(1.0f, 1.5f, 0.6f)), 0.0f, 1e-5f)
      << "the third edge lies in the frame's x-y plane";
  ASSERT_EQ(o.bodyCount, 1);
  EXPECT_TRUE(Orthonormal(o.bodies[0]->GetRotationMatrix(), 1e-5f));
}

TEST_F(RoadsideObjects, ObjectsWakeWithinTenUnitsAndSleepBeyondFifteen) {
  Build({{0, Marker(0.0f, 0.0f, 0.0f)}});
  CityObject& o = CityObjects[0];
  neRigidBody* b = o.bodies[0];
  PlacePlayer(12.0f, 0.0f);
  RaceCars[0].body->SetPosition(neV3(12.0f, 40.0f, 0.0f));  // height is not distance
  Frame();
  EXPECT_FLOAT_EQ(o.playerDistance, 144.0f);
  EXPECT_FALSE(o.active) << "12 units does not wake";
  EXPECT_FALSE(b->Active());

  PlacePlayer(6.0f, 8.0f);
  Frame();
  EXPECT_FALSE(o.active) << "10 units is not below 10";
  PlacePlayer(6.0f, 7.9f);
  Frame();
  ASSERT_TRUE(o.active);
  EXPECT_TRUE(b->Active());
  EXPECT_EQ(b->GetGravityEnabled(), 0) << "a live object hangs where it was put";

  PlacePlayer(12.0f, 0.0f);
  for (int f = 0; f < 3; ++f) Frame(true);
  EXPECT_TRUE(o.active) << "12 units does not put it to sleep either";
  EXPECT_FALSE(o.parked);

  PlacePlayer(9.0f, 12.0f);  // exactly 15: still the margin
  Frame();
  EXPECT_FALSE(o.parked);
  PlacePlayer(16.0f, 0.0f);
  Frame();
  EXPECT_TRUE(o.active && o.parked) << "an undisturbed object parks at once";
  Frame();
  EXPECT_FALSE(o.active);
  EXPECT_FALSE(b->Active());
  EXPECT_LT(Distance(b->GetPosition(), o.RestPosition(0)), 1e-6f);
}

TEST_F(RoadsideObjects, AFiveHundredthsNudgeKeepsGravityOffElevenHundredthsTurnItOnForAllParts) {
  Build({{14, Marker(0.0f, 0.0f, 0.0f)}});
  CityObject& o = CityObjects[0];
  ASSERT_EQ(o.bodyCount, 3);
  PlacePlayer(5.0f, 0.0f);
  Frame();
  ASSERT_TRUE(o.active);
  neRigidBody* middle = o.bodies[1];
  middle->SetPosition(o.RestPosition(1) + neV3(0.0f, 0.0f, 0.05f));
  Frame();
  for (int j = 0; j < 3; ++j) {
    EXPECT_EQ(o.bodies[j]->GetGravityEnabled(), 0) << j;
    EXPECT_EQ(o.moved[j], 0) << j;
  }
  middle->SetPosition(o.RestPosition(1) + neV3(0.0f, 0.0f, 0.11f));
  Frame();
  for (int j = 0; j < 3; ++j) {
    EXPECT_EQ(o.bodies[j]->GetGravityEnabled(), 1) << j;
    EXPECT_EQ(o.moved[j], 1) << j;
  }
}

TEST_F(RoadsideObjects, AKnockedBarrelWaitsUntilThePlayerHasLeftItAndItsRestPlace) {
  Build({{0, Marker(0.0f, 0.0f, 0.0f)}});
  CityObject& o = CityObjects[0];
  neRigidBody* barrel = o.bodies[0];
  PlacePlayer(5.0f, 0.0f);
  Frame();
  barrel->SetPosition(neV3(60.0f, 0.5f, 0.0f));
  Frame();
  ASSERT_EQ(o.moved[0], 1);

  // 20 from the rest place but 40 from the barrel: it lies where it fell.
  PlacePlayer(20.0f, 0.0f);
  Frame();
  Frame();
  EXPECT_TRUE(o.active);
  EXPECT_FALSE(o.parked);
  EXPECT_FLOAT_EQ(barrel->GetPosition().x, 60.0f);
  // 110 from the rest place, exactly 50 from the barrel: still held.
  PlacePlayer(110.0f, 0.0f);
  Frame();
  EXPECT_FALSE(o.parked);
  // 20 from the rest place and 80 from the barrel: parked, then back at rest.
  PlacePlayer(-20.0f, 0.0f);
  Frame();
  EXPECT_TRUE(o.parked);
  EXPECT_EQ(barrel->GetGravityEnabled(), 0);
  Frame();
  EXPECT_FALSE(o.active);
  EXPECT_FALSE(barrel->Active());
  EXPECT_LT(Distance(barrel->GetPosition(), o.RestPosition(0)), 1e-6f);
  EXPECT_EQ(barrel->GetVelocity().Length(), 0.0f);
}

TEST_F(RoadsideObjects, AParkedObjectThePlayerReturnsToBeforeItsResetIsInPlayAgain) {
  Build({{0, Marker(0.0f, 0.0f, 0.0f)}});
  CityObject& o = CityObjects[0];
  neRigidBody* barrel = o.bodies[0];
  PlacePlayer(5.0f, 0.0f);
  Frame();
  barrel->SetPosition(neV3(-60.0f, 3.0f, 0.0f));  // knocked far and still flying
  Frame();
  PlacePlayer(15.2f, 0.0f);
  Frame();
  ASSERT_TRUE(o.parked);
  ASSERT_EQ(barrel->GetGravityEnabled(), 0);
  // Back within 15 units the very next frame: no reset, and the knocked barrel must
  // not hang in the air without gravity while the player is about.
  PlacePlayer(14.9f, 0.0f);
  Frame();
  EXPECT_TRUE(o.active);
  EXPECT_FALSE(o.parked);
  EXPECT_FLOAT_EQ(barrel->GetPosition().x, -60.0f);
  Frame();
  EXPECT_EQ(barrel->GetGravityEnabled(), 1);
}

TEST_F(RoadsideObjects, BodiesFollowTheirObjectThroughAThousandWakesAndSleeps) {
  // Objects every few units along a line; the player passes back and forth. The
  // engine wakes an inactive body whatever it is asked, so one wrong call shows as a
  // body live under a sleeping object.
  std::vector<std::pair<int, WorldTestTriangle>> markers;
  for (int i = 0; i < 40; ++i) markers.push_back({i % kObjectTypes, Marker(4.0f * i, 0.0f, 6.0f, 0.3f * i)});
  Build(markers);
  const int inUse = BodiesInUse();
  for (int cycle = 0; cycle < 1000; ++cycle) {
    PlacePlayer(4.0f * (cycle % 40), 0.0f);
    Frame(true);
    PlacePlayer(4.0f * (cycle % 40), 80.0f);
    Frame(true);
    Frame(true);
    for (int k = 0; k < CityObjectCount; ++k) {
      const CityObject& o = CityObjects[k];
      for (int j = 0; j < o.bodyCount; ++j)
        ASSERT_EQ(o.bodies[j]->Active(), o.active != 0) << "cycle " << cycle << " object " << k;
      ASSERT_FALSE(o.active) << "two frames far away put every object to sleep";
    }
    ASSERT_EQ(BodiesInUse(), inUse);
  }
}

TEST_F(RoadsideObjects, TheCrashTimerRunsOnlyForLiveObjects) {
  Build({{0, Marker(0.0f, 0.0f, 0.0f)}, {0, Marker(100.0f, 0.0f, 0.0f)}});
  PlacePlayer(3.0f, 0.0f);
  Frame();
  CityObjects[0].crashSoundTimer = 0.0f;
  CityObjects[1].crashSoundTimer = 0.0f;
  FrameTiming.FrameTicks = 2.0f;
  for (int f = 0; f < 10; ++f) Frame();
  EXPECT_NEAR(CityObjects[0].crashSoundTimer, 0.2f, 1e-5f);
  EXPECT_EQ(CityObjects[1].crashSoundTimer, 0.0f);
}

TEST_F(RoadsideObjects, AHardHitScoresOncePerWakeUpAndASoftOneNever) {
  Build({{0, Marker(0.0f, 0.0f, 0.0f)}, {0, Marker(0.0f, 0.0f, 5.0f)}});
  PlacePlayer(3.0f, 0.0f);
  Frame();
  CityObject& o = CityObjects[0];
  neRigidBody* b = o.bodies[0];
  BonusQueue.cooldown[kBonusObjectHit] = 6.0f;

  neContactRecord soft = Contact(b, 11.0f, true);
  OnCollision(&soft);
  EXPECT_EQ(BonusQueue.head, -1);
  EXPECT_FALSE(o.hit) << "a soft hit leaves the score for a hard one";

  neContactRecord hard = Contact(b, 14.0f, false);
  OnCollision(&hard);
  ASSERT_EQ(BonusQueue.head, 0);
  EXPECT_EQ(BonusQueue.kind[0], kBonusObjectHit);
  EXPECT_EQ(RaceBonusTotals[0], 100.0f);
  EXPECT_TRUE(o.hit);

  BonusQueue.cooldown[kBonusObjectHit] = 6.0f;
  OnCollision(&hard);
  neContactRecord again = Contact(b, 14.0f, true);
  OnCollision(&again);
  EXPECT_EQ(BonusQueue.head, 0) << "one bonus while it stays awake";
  EXPECT_EQ(RaceBonusTotals[0], 100.0f);

  // A hit the queue turns away (cool-down) still uses up the object's score.
  neContactRecord other = Contact(CityObjects[1].bodies[0], 14.0f, true);
  BonusQueue.cooldown[kBonusObjectHit] = 1.0f;
  OnCollision(&other);
  EXPECT_TRUE(CityObjects[1].hit);
  EXPECT_EQ(BonusQueue.head, 0);

  // Asleep and woken again, the object scores again.
  PlacePlayer(40.0f, 0.0f);
  Frame();
  Frame();
  PlacePlayer(3.0f, 0.0f);
  Frame();
  EXPECT_FALSE(o.hit);
  BonusQueue.cooldown[kBonusObjectHit] = 6.0f;
  OnCollision(&hard);
  EXPECT_EQ(BonusQueue.head, 1);
  EXPECT_EQ(RaceBonusTotals[0], 200.0f);
}

TEST_F(RoadsideObjects, ABodyWhoseUserValueNamesNoObjectIsIgnored) {
  Build({{0, Marker(0.0f, 0.0f, 0.0f)}});
  BonusQueue.cooldown[kBonusObjectHit] = 6.0f;
  neRigidBody* b = CityObjects[0].bodies[0];
  const uintptr_t bad[] = {1u, 1000u, static_cast<uintptr_t>(-1)};
  for (uintptr_t u : bad) {
    b->SetUserData(u);
    neContactRecord c = Contact(b, 20.0f, u % 2 == 0);
    OnCollision(&c);
  }
  neContactRecord none = Contact(nullptr, 20.0f, true);
  OnCollision(&none);
  EXPECT_EQ(BonusQueue.head, -1);
  EXPECT_EQ(RaceBonusTotals[0], 0.0f);
  EXPECT_EQ(CrashSlotsTaken(), 0);
  EXPECT_FALSE(CityObjects[0].hit);
}

TEST_F(RoadsideObjects, ACrashTakesOneWoodSlotAndWaitsHalfASecondWithSoundOff) {
  Build({{3, Marker(0.0f, 0.0f, 0.0f)}});
  PlacePlayer(3.0f, 0.0f);
  Frame();
  CityObject& o = CityObjects[0];
  platform::SeedRand(11);
  neContactRecord c = Contact(o.bodies[1], 5.0f, true);
  OnCollision(&c);
  EXPECT_EQ(o.crashSoundTimer, 0.0f);
  ASSERT_EQ(CrashSlotsTaken(), 1);
  for (int set = 0; set < 4; ++set)
    for (int v = 0; v < 4; ++v) {
      const CrashSoundSlot& slot = CrashSoundSlots[set][v];
      if (!slot.playing) continue;
      EXPECT_TRUE(set == 1 || set == 2) << "objects sound like wood or boards";
      EXPECT_EQ(slot.body, o.bodies[1]);
    }
  for (auto& set : CrashSoundSlots)
    for (CrashSoundSlot& slot : set) slot = CrashSoundSlot{};
  // Within half a second of live time: silent.
  FrameTiming.FrameTicks = 2.0f;
  for (int f = 0; f < 24; ++f) Frame();
  OnCollision(&c);
  EXPECT_EQ(CrashSlotsTaken(), 0);
  Frame();
  Frame();
  OnCollision(&c);
  EXPECT_EQ(CrashSlotsTaken(), 1);
}

TEST_F(RoadsideObjects, ACrashSkipsSourcesStillPlayingOnARealDevice) {
  setenv("ALSOFT_DRIVERS", "null", 0);
  struct stat st;
  if (stat("base/sound/crash1_0.wav", &st) != 0) GTEST_SKIP() << "base/ not generated here";
  if (!OpenSoundDevice()) GTEST_SKIP() << "OpenAL gives no device, not even the null output";
  char path[64];
  for (int set = 1; set <= 2; ++set)
    for (int v = 0; v < 4; ++v) {
      std::snprintf(path, sizeof path, "base/sound/crash%d_%d.wav", set, v);
      GameSounds.crash[set][v].Load(path, true);  // looping: playing until stopped
      GameSounds.crash[set][v].Play();
    }
  Settings.sound = 1;
  Build({{0, Marker(0.0f, 0.0f, 0.0f)}});
  PlacePlayer(3.0f, 0.0f);
  Frame();
  CityObject& o = CityObjects[0];
  platform::SeedRand(5);
  neContactRecord c = Contact(o.bodies[0], 5.0f, true);
  for (int i = 0; i < 20; ++i) OnCollision(&c);
  EXPECT_EQ(CrashSlotsTaken(), 0) << "every source busy: nothing taken";
  EXPECT_EQ(o.crashSoundTimer, kObjectCrashTimerStart) << "and the timer left for the next hit";

  // One source free: some hit finds it and starts it.
  GameSounds.crash[2][1].Stop();
  for (int i = 0; i < 50 && CrashSlotsTaken() == 0; ++i) OnCollision(&c);
  EXPECT_EQ(CrashSlotsTaken(), 1);
  EXPECT_EQ(CrashSoundSlots[2][1].playing, 1);
  EXPECT_EQ(CrashSoundSlots[2][1].body, o.bodies[0]);
  EXPECT_TRUE(GameSounds.crash[2][1].IsPlaying());
  EXPECT_EQ(o.crashSoundTimer, 0.0f);
  for (int set = 1; set <= 2; ++set)
    for (int v = 0; v < 4; ++v) GameSounds.crash[set][v].Release();
  CloseSoundDevice();
  Settings.sound = 0;
}

TEST_F(RoadsideObjects, TheRenderGetsRowsAndOnlyTheLiveObjectsPoses) {
  // Records follow the groups: the post (type 0) is object 0, the crates object 1.
  Build({{0, Marker(100.0f, 0.0f, 0.0f)}, {3, Marker(0.0f, 0.0f, 0.0f)}});
  PlacePlayer(4.0f, 0.0f);
  Frame();
  CityObject& live = CityObjects[1];
  ASSERT_TRUE(live.active);
  live.bodies[1]->SetPosition(neV3(1.0f, 7.0f, 2.0f));
  PublishCityObjects();
  TakeCityObjectsForRender();
  const CityObjectFrame& f = RenderCityObjects;
  ASSERT_EQ(f.objectCount, 2);
  EXPECT_EQ(f.poseCount, 2) << "the two bodies of the one live object";
  EXPECT_EQ(f.rows[0].active, 0);
  EXPECT_EQ(f.rows[1].active, 1);
  EXPECT_FLOAT_EQ(f.rows[0].playerDistance, 96.0f * 96.0f);
  EXPECT_FLOAT_EQ(f.rows[1].playerDistance, 16.0f);
  EXPECT_EQ(CityObjectPartMatrix(f, 1, 1).m[13], 7.0f) << "a live body as it lies";
  EXPECT_EQ(CityObjectPartMatrix(f, 0, 0).m[12], 100.0f) << "a sleeping one at rest";

  // The frame being drawn keeps its poses while the next update moves the bodies.
  live.bodies[1]->SetPosition(neV3(1.0f, 9.0f, 2.0f));
  PublishCityObjects();
  EXPECT_EQ(CityObjectPartMatrix(RenderCityObjects, 1, 1).m[13], 7.0f);
  EXPECT_EQ(CityObjectPartMatrix(PublishedCityObjects, 1, 1).m[13], 9.0f);
}

TEST_F(RoadsideObjects, ACrowdOfLiveObjectsPublishesABoundedList) {
  // 150 three-post rows in a tight cluster, all awake: more poses than the list holds.
  std::vector<std::pair<int, WorldTestTriangle>> markers;
  for (int i = 0; i < 150; ++i) markers.push_back({14, Marker(0.3f * (i % 12), 0.0f, 0.3f * (i / 12))});
  Build(markers);
  PlacePlayer(1.0f, 1.0f);
  Frame();
  PublishCityObjects();
  const CityObjectFrame& f = PublishedCityObjects;
  EXPECT_LE(f.poseCount, kMaxPublishedObjectPoses);
  EXPECT_EQ(f.poseCount, 3 * (kMaxPublishedObjectPoses / 3));
  EXPECT_EQ(f.droppedObjects, 150 - kMaxPublishedObjectPoses / 3);
  const int last = CityObjectCount - 1;
  EXPECT_EQ(f.rows[last].firstPose, -1);
  EXPECT_EQ(&CityObjectPartMatrix(f, last, 2), &CityObjects[last].restMatrices[2]);
}

bool BaseGenerated() {
  struct stat st;
  return stat("base/world/races/1.ai", &st) == 0 && stat("base/world/0/models/objects1.sbm", &st) == 0;
}

TEST(RoadsideObjectsRace, TheRaceLoadBuildsTheRaceObjectsAndTheDestroyForgetsThem) {
  if (!BaseGenerated()) GTEST_SKIP() << "base/ not generated here (build the base target)";
  Settings.sound = 0;
  TrafficCarCount = 0;
  for (int i = 0; i < kRaceCarCount; ++i) RaceCars[i].modelIndex = i;
  ASSERT_TRUE(LoadRacePhysics(1));
  ASSERT_NE(WorldLayers.objects, nullptr);
  int listed = 0;
  const Model& layer = *WorldLayers.objects;
  for (int g = 0; g < layer.groupCount; ++g) listed += layer.groups[g].triangleCount;
  ASSERT_GT(listed, 0);
  EXPECT_EQ(CityObjectCount, listed);
  int bodies = 0;
  for (int k = 0; k < CityObjectCount; ++k) {
    const CityObject& o = CityObjects[k];
    EXPECT_EQ(o.bodyCount, kObjectPartCounts[o.type]) << k;
    for (int j = 0; j < o.bodyCount; ++j) {
      ASSERT_NE(o.bodies[j], nullptr);
      EXPECT_FALSE(o.bodies[j]->Active());
      EXPECT_EQ(o.bodies[j]->GetUserData(), static_cast<uintptr_t>(k));
      ++bodies;
    }
  }
  neSimulationSizes s;
  RaceSimulator->GetSizesInUse(s);
  EXPECT_EQ(s.rigidBodiesCount, kRaceCarCount + bodies);

  DestroyPhysicsWorld();
  EXPECT_EQ(CityObjectCount, 0);
  for (const CityObject& o : CityObjects)
    for (neRigidBody* b : o.bodies) ASSERT_EQ(b, nullptr);
  ReleaseObjectsLayer();
}

TEST(RoadsideObjectsRace, OnlyRacesOneToThirtyHaveAnObjectsLayer) {
  if (!BaseGenerated()) GTEST_SKIP() << "base/ not generated here (build the base target)";
  LoadObjectsLayer(0, 1);
  ASSERT_NE(WorldLayers.objects, nullptr);
  EXPECT_GT(WorldLayers.objects->triangleCount, 0);
  for (int race : {0, 31}) {
    LoadObjectsLayer(0, race);
    ASSERT_NE(WorldLayers.objects, nullptr) << "the layer exists, empty";
    EXPECT_EQ(WorldLayers.objects->groupCount, 0);
    BuildCityObjects(*WorldLayers.objects);
    EXPECT_EQ(CityObjectCount, 0);
  }
  ReleaseObjectsLayer();
  EXPECT_EQ(WorldLayers.objects, nullptr);
}

}  // namespace
