#include "race/physics_world.h"

#include <cmath>
#include <vector>

#include "app/frame.h"
#include "app/settings.h"
#include "app/sound.h"
#include "gfx/milkshape.h"
#include "platform/crt_rand.h"
#include "race/car.h"
#include "race/city_objects.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "race/world_layers.h"
#include "render/camera_state.h"

neSimulation* RaceSimulator = nullptr;
float PreviousStepDt = 0.0f;
int32_t SubstepCount = kBaseSubsteps;
int32_t TrafficCarCount = 0;
float RaceBonusTotals[10] = {};
CrashSoundSlot CrashSoundSlots[4][4];

namespace {

constexpr float kGravity = -9.8f;
constexpr int32_t kOverlapPairs = 1225;
constexpr int32_t kTerrainNodeStart = 100;
// Material table: friction, restitution.
constexpr float kMaterials[kRaceMaterialCount][2] = {
    {0.8f, 0.25f}, {0.45f, 0.1f}, {0.55f, 0.9f}, {0.0f, 0.1f}};
// The grid: rows 5 units apart from 10 behind waypoint 0, alternating 3 units to
// each side, a little above the path so the wheels settle onto the road.
constexpr float kGridFirstRow = 10.0f;
constexpr float kGridRowStep = 5.0f;
constexpr float kGridSide = 3.0f;
constexpr float kGridLift = 0.45f;
// Score bonuses and knocks.
constexpr float kObjectHitSpeed = 12.0f;
constexpr float kOpponentHitSpeed = 7.5f;
constexpr float kHardKnockSpeed = 12.5f;
constexpr float kKnockInterval = 2.0f;
// A roadside object sounds again only after this many seconds, and a crash takes the
// first free source of up to this many random picks among the two sets that sound
// like wood and boards (sets 0 and 3 are metal and stone).
constexpr float kObjectCrashWait = 0.5f;
constexpr int kCrashSoundTries = 12;
constexpr int kObjectCrashFirstSet = 1;
constexpr int kObjectCrashSets = 2;
constexpr int kCrashVariants = 4;
// 1/17 s as the single-precision value the substep rule compares with.
constexpr float kSubstepThreshold = 0.05882353f;

bool SoundOn() { return Settings.sound != 0; }

float BodySpeed(void* body) {
  return static_cast<neRigidBody*>(body)->GetVelocity().Length();
}

CSampleCar* CarOfSide(void* body, int32_t kind) {
  if (kind != kNeKindRigid || !body) return nullptr;
  return CarOfUserData(static_cast<neRigidBody*>(body)->GetUserData());
}

void KnockSound(CSampleCar* car, float impact) {
  float& t = car->crashSoundTimer;
  if (!(t > kKnockInterval)) return;
  t = 0.0f;
  const neVector3 p = car->body->GetPosition();
  const neVector3 v = car->body->GetVelocity();
  SoundSource& s = impact < kHardKnockSpeed ? GameSounds.cr0 : GameSounds.cr1;
  s.SetPosition(p.x, p.y, p.z, v.x, v.y, v.z);
  if (SoundOn()) s.Play();
  if (impact < kHardKnockSpeed) s.SetGain(std::fmin(0.1f * impact, 1.0f));
}

// The roadside object a body belongs to: the body's user data is the object's index,
// trusted only within the list in use.
CityObject* ObjectOfSide(void* body) {
  if (!body) return nullptr;
  const uintptr_t k = static_cast<neRigidBody*>(body)->GetUserData();
  return k < static_cast<uintptr_t>(CityObjectCount) ? &CityObjects[k] : nullptr;
}

void ObjectCrashSound(CityObject* object, neRigidBody* body) {
  if (!(object->crashSoundTimer > kObjectCrashWait)) return;
  for (int i = 0; i < kCrashSoundTries; ++i) {
    const int set = kObjectCrashFirstSet + platform::Rand() % kObjectCrashSets;
    const int variant = platform::Rand() % kCrashVariants;
    SoundSource& s = GameSounds.crash[set][variant];
    if (s.IsPlaying()) continue;
    CrashSoundSlots[set][variant].playing = 1;
    CrashSoundSlots[set][variant].body = body;
    object->crashSoundTimer = 0.0f;
    if (SoundOn()) s.Play();
    return;
  }
}

// A lorry against a roadside object: a crash, and the first hard hit of each wake-up
// scores.
void ObjectHit(neRigidBody* objectBody, float impact) {
  CityObject* object = ObjectOfSide(objectBody);
  if (!object) return;
  ObjectCrashSound(object, objectBody);
  if (object->hit || !(impact > kObjectHitSpeed)) return;
  if (QueueBonus(kBonusObjectHit, kObjectHitBonus)) RaceBonusTotals[0] += kObjectHitBonus;
  object->hit = 1;
}

void StartRaceLoops() {
  SoundSource* loops[] = {&GameSounds.enOt[0],         &GameSounds.enOt[1],
                          &GameSounds.enOt[2],         &GameSounds.landscapeGround,
                          &GameSounds.landscapeGrass,  &GameSounds.landscapeWater,
                          &GameSounds.wind,            &GameSounds.ambient,
                          &GameSounds.st1,             &GameSounds.st2[0],
                          &GameSounds.st2[1],          &GameSounds.st2[2]};
  for (SoundSource* s : loops) {
    s->Play();
    s->SetGain(0.0f);
  }
}

}  // namespace

neSimulationSizes RaceSimulationSizes() {
  neSimulationSizes sizes;
  sizes.rigidBodiesCount = TrafficCarCount + kRaceBodyReserve;
  sizes.animatedBodiesCount = 0;
  sizes.rigidParticleCount = 0;
  sizes.overlapPairsCount = kOverlapPairs;
  sizes.geometriesCount = TrafficCarCount + kRaceBodyReserve;
  sizes.terrainNodeCapacity = kTerrainNodeStart;
  return sizes;
}

neVector3 StartDirection() {
  const Waypoint& a = WaypointTable[0];
  const Waypoint& b = WaypointTable[1];
  neVector3 d = neV3(b.x - a.x, 0.0f, b.z - a.z);
  const float len = std::sqrt(d.x * d.x + d.z * d.z);
  // The race-use check keeps the first two waypoints apart; never divide by nothing.
  if (len > 0.0f) d = neV3(d.x / len, 0.0f, d.z / len);
  else d = neV3(1.0f, 0.0f, 0.0f);
  return d;
}

neVector3 GridPosition(int car, const neVector3& d) {
  const neVector3 s = neV3(d.z, 0.0f, -d.x);  // up x d
  const float side = (car % 2 == 0) ? kGridSide : -kGridSide;
  const float along = kGridFirstRow - kGridRowStep * static_cast<float>(car);
  const Waypoint& w = WaypointTable[0];
  return neV3(w.x - (along * d.x + side * s.x), w.y + kGridLift, w.z - (along * d.z + side * s.z));
}

void BuildTerrainMesh(neSimulation* simulator) {
  MilkshapeModel* model = WorldLayers.physic;
  if (!model) return;
  model->AssignTriangleGroups();
  std::vector<neVector3> vertices(static_cast<size_t>(model->vertexCount));
  for (int i = 0; i < model->vertexCount; ++i) {
    const ModelVertex& v = model->vertices[i];
    vertices[static_cast<size_t>(i)] = neV3(v.x, v.y, v.z);
  }
  std::vector<neTerrainTriangle> triangles(static_cast<size_t>(model->triangleCount));
  for (int i = 0; i < model->triangleCount; ++i) {
    const ModelTriangle& t = model->triangles[i];
    neTerrainTriangle& out = triangles[static_cast<size_t>(i)];
    for (int c = 0; c < 3; ++c) out.indices[c] = t.vertexIndices[c];
    // The group is the surface: a triangle in no group is plain ground.
    out.materialID = t.groupIndex >= 0 ? t.groupIndex : kMaterialGround;
    out.flag = 0;
  }
  neTerrainMesh mesh;
  mesh.vertices = vertices.data();
  mesh.vertexCount = static_cast<int32_t>(vertices.size());
  mesh.triangles = triangles.data();
  mesh.triangleCount = static_cast<int32_t>(triangles.size());
  if (simulator) simulator->SetTerrain(&mesh);
  ReleasePhysicsLayer();
}

namespace {

// The simulator and every body reference into it; the roadside object list stays for
// the next InitPhysicsWorld.
void ReleaseSimulator() {
  neSimulation::Destroy(RaceSimulator);
  RaceSimulator = nullptr;
  for (CSampleCar& car : RaceCars) car.body = nullptr;
  ForgetCityObjectBodies();
  for (auto& set : CrashSoundSlots)
    for (CrashSoundSlot& slot : set) slot = CrashSoundSlot{};
}

}  // namespace

bool InitPhysicsWorld() {
  ReleaseSimulator();
  const neSimulationSizes sizes = RaceSimulationSizes();
  const neVector3 gravity = neV3(0.0f, kGravity, 0.0f);
  RaceSimulator = neSimulation::Create(&sizes, nullptr, &gravity);
  if (!RaceSimulator) {
    ReleasePhysicsLayer();
    ClearCityObjects();
    return false;
  }
  for (int m = 0; m < kRaceMaterialCount; ++m)
    RaceSimulator->SetMaterial(m, kMaterials[m][0], kMaterials[m][1]);

  const neVector3 d = StartDirection();
  const neVector3 s = neV3(d.z, 0.0f, -d.x);
  CameraState.chaseDirection[0] = d.x;
  CameraState.chaseDirection[1] = d.z;
  CameraState.chaseHeading[0] = 3.0f * d.x + 0.25f * s.x;
  CameraState.chaseHeading[1] = 3.0f * d.z + 0.25f * s.z;

  for (int i = 0; i < kRaceCarCount; ++i) {
    CSampleCar& car = RaceCars[i];
    car.carIndex = i;
    car.carNumber = i + 1;
    const neVector3 p = GridPosition(i, d);
    car.Create(RaceSimulator, &p, &d);
    if (car.body) car.startRotation = car.body->GetRotationMatrix();
    car.ClearRaceState();
  }
  BuildTerrainMesh(RaceSimulator);
  for (int32_t k = 0; k < CityObjectCount; ++k) CityObjects[k].Create(RaceSimulator, k);

  neResponseTable* responses = RaceSimulator->GetResponseTable();
  responses->Set(kCollisionId, -1, neResponseTable::kImpulseAndCallback);
  responses->Set(kCollisionId, kCollisionId, neResponseTable::kImpulseAndCallback);
  responses->Set(0, 1, neResponseTable::kImpulseAndCallback);
  responses->Set(1, 0, neResponseTable::kImpulseAndCallback);
  RaceSimulator->SetContactCallback(OnCollision);

  if (SoundOn()) StartRaceLoops();
  return true;
}

void DestroyPhysicsWorld() {
  ReleaseSimulator();
  // The bodies died with the simulator; the next load builds the list afresh.
  ClearCityObjects();
}

int32_t SubstepsFor(float dt) {
  if (!(dt > kSubstepThreshold)) return kBaseSubsteps;
  const int32_t n = static_cast<int32_t>((dt - kSubstepThreshold) * 100.0f + 5.0f);
  return n < kBaseSubsteps ? kBaseSubsteps : (n > kMaxSubsteps ? kMaxSubsteps : n);
}

RaceStepTime RaceStepFor(float physicsDt, float frameTicks, float previous) {
  const float smoothed = SmoothFrameSeconds(physicsDt, previous);
  RaceStepTime t;
  // The first frame of the program takes no clamp: it is kept as it is, and only its
  // step is held to the longest.
  t.smoothed = previous != 0.0f && smoothed > kLongestStep ? kLongestStep : smoothed;
  t.step = smoothed < kLongestStep ? smoothed : kLongestStep;
  // A frame of 12.5 ticks on a world step of 10 would run the lorry's engine and clocks
  // a quarter ahead of its body. Below the cap the smoothing alone holds the world
  // back, and the clocks keep the frame's time: after 0.05 s frames, one of 0.15 s
  // steps the world 0.06 s and the clocks 15 ticks.
  const bool capped = smoothed > kLongestStep;
  t.ticks = capped ? RaceStepTicks(frameTicks) : frameTicks;
  return t;
}

void StepSimulation() {
  if (!RaceSimulator) return;
  const RaceStepTime t = RaceStepFor(FrameTiming.PhysicsDt, FrameTiming.FrameTicks, PreviousStepDt);
  PreviousStepDt = t.smoothed;
  // The camera, the published ticks and every clock of the race share the cars' ticks
  // for the rest of the update.
  FrameTiming.FrameTicks = t.ticks;
  RaceCars[0].UpdatePlayerCar(t.ticks);
  for (int i = 1; i < kRaceCarCount; ++i) RaceCars[i].UpdateAICar(t.ticks);
  SubstepCount = SubstepsFor(t.step);
  RaceSimulator->Step(t.step * 10.0f * kWorldTimeScale, SubstepCount);
}

void OnCollision(neContactRecord* contact) {
  const neContactRecord& c = *contact;
  const float impact = c.relativeVelocity.Length();
  const bool rigidA = c.kindA == kNeKindRigid;
  const bool rigidB = c.kindB == kNeKindRigid;

  // A lorry against a roadside object: the object is the material-2 side.
  if (rigidA && rigidB) {
    if (c.materialA == kMaterialCar && c.materialB == kMaterialObject)
      ObjectHit(static_cast<neRigidBody*>(c.bodyB), impact);
    else if (c.materialA == kMaterialObject && c.materialB == kMaterialCar)
      ObjectHit(static_cast<neRigidBody*>(c.bodyA), impact);
  }

  // Car against car: a hard hit by the player, who was the faster, scores.
  if (rigidA && rigidB && c.materialA == kMaterialCar && c.materialB == kMaterialCar) {
    CSampleCar* a = CarOfSide(c.bodyA, c.kindA);
    CSampleCar* b = CarOfSide(c.bodyB, c.kindB);
    if (a && b && (a->carIndex == 0 || b->carIndex == 0) && impact > kOpponentHitSpeed) {
      CSampleCar* player = a->carIndex == 0 ? a : b;
      CSampleCar* other = player == a ? b : a;
      if (BodySpeed(player->body) > BodySpeed(other->body) &&
          QueueBonus(kBonusOpponentHit, kOpponentHitBonus))
        RaceBonusTotals[1] += kOpponentHitBonus;
    }
  }

  // The player against anything but a roadside object: a knock. Only a rigid side is a
  // body; on grass the terrain's side has the car's material too, and its "body" is
  // the triangle's user word.
  const bool oneIsCar = c.materialA == kMaterialCar || c.materialB == kMaterialCar;
  const bool noObject = c.materialA != kMaterialObject && c.materialB != kMaterialObject;
  if (oneIsCar && noObject) {
    CSampleCar* car = nullptr;
    if (rigidB && c.materialB == kMaterialCar) car = CarOfSide(c.bodyB, c.kindB);
    else if (rigidA && c.materialA == kMaterialCar) car = CarOfSide(c.bodyA, c.kindA);
    if (car && car->carIndex == 0 && car->body) KnockSound(car, impact);
  }
}
