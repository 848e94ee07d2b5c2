// neSimulation handle methods and the response table.
#include <cmath>

#include "physics/simulation.h"

neResponseTable::neResponseTable() {
  for (auto& row : table_)
    for (int32_t& e : row) e = kImpulse;
  for (int32_t& e : terrain_) e = kImpulse;
}

void neResponseTable::Set(int32_t a, int32_t b, int32_t value) {
  const auto valid = [](int32_t id) { return id >= 0 && id < kMaxId; };
  if (a != -1 && b != -1) {
    if (!valid(a) || !valid(b)) return;
    table_[a][b] = value;
    table_[b][a] = value;
  } else if (b == -1 && a != -1) {
    if (valid(a)) terrain_[a] = value;
  } else if (a == -1 && b != -1) {
    if (valid(b)) terrain_[b] = value;
  }
}

int32_t neResponseTable::Get(int32_t a, int32_t b) const {
  if (a < 0 || b < 0 || a >= kMaxId || b >= kMaxId) return kNone;
  return table_[a][b];
}

int32_t neResponseTable::GetTerrain(int32_t a) const {
  return (a >= 0 && a < kMaxId) ? terrain_[a] : kNone;
}

int32_t neResponseTable::Lookup(int32_t a, int32_t b) const {
  if (a == -1 && b == -1) return kNone;
  if (a == -1) return GetTerrain(b);
  if (b == -1) return GetTerrain(a);
  return Get(a, b);
}

void neSimulation::SetGravity(const neVector3& g) { neRecordOf(this)->SetGravity(g); }
neVector3 neSimulation::GetGravity() const { return neRecordOf(this)->gravity; }

neRigidBody* neSimulation::CreateRigidBody() { return neRecordOf(this)->AllocRigidBody(false); }
neRigidBody* neSimulation::CreateRigidParticle() { return neRecordOf(this)->AllocRigidBody(true); }
neAnimatedBody* neSimulation::CreateAnimatedBody() { return neRecordOf(this)->AllocAnimatedBody(); }

void neSimulation::FreeRigidBody(neRigidBody* body) {
  if (!body) return;
  // The pointer may be anything: only a cast until the pools have vouched for it.
  neRecordOf(this)->FreeBody(static_cast<neBody*>(static_cast<neRigidBodyRecord*>(body)),
                             kNeMsgFreeRigidBody);
}

void neSimulation::FreeAnimatedBody(neAnimatedBody* body) {
  if (!body) return;
  neRecordOf(this)->FreeBody(static_cast<neBody*>(neRecordOf(body)), kNeMsgFreeAnimatedBody);
}

bool neSimulation::SetMaterial(int32_t index, float friction, float restitution) {
  if (index < 0 || index >= kNeMaterialCount) return false;
  neMaterial& m = neRecordOf(this)->materials[index];
  m.friction = friction;
  m.restitution = restitution;
  m.density = 0.0f;
  return true;
}

bool neSimulation::GetMaterial(int32_t index, float& friction, float& restitution,
                               float& density) const {
  if (index < 0 || index >= kNeMaterialCount) return false;
  const neMaterial& m = neRecordOf(this)->materials[index];
  friction = m.friction;
  restitution = m.restitution;
  density = m.density;
  return true;
}

neResponseTable* neSimulation::GetResponseTable() { return &neRecordOf(this)->responses; }

void neSimulation::Step(float seconds, int32_t subSteps, neStepTimings* timings) {
  neRecordOf(this)->Step(seconds, subSteps, timings);
}

void neSimulation::StepVariable(float seconds, float shortest, float longest,
                                neStepTimings* timings) {
  neRecordOf(this)->StepVariable(seconds, shortest, longest, timings);
}

void neSimulation::SetTerrain(const neTerrainMesh* mesh) {
  neSimulationRecord* sim = neRecordOf(this);
  if (!mesh) return;
  neTerrainTree& tree = sim->region.Terrain();
  // Build checks the mesh first and replaces the old tree only on success,
  // so a bad or empty mesh leaves the terrain as it was.
  tree.SetNodeSizes(sim->sizes.terrainNodeCapacity, sim->sizes.terrainNodeGrowth);
  tree.Build(mesh->vertices, mesh->vertexCount, mesh->triangles, mesh->triangleCount,
             sim->allocator);
}

void neSimulation::FreeTerrain() { neRecordOf(this)->region.Terrain().Free(); }

neContactCallback neSimulation::SetContactCallback(neContactCallback callback) {
  neSimulationRecord* sim = neRecordOf(this);
  const neContactCallback old = sim->contactCallback;
  sim->contactCallback = callback;
  return old;
}
neContactCallback neSimulation::GetContactCallback() const { return neRecordOf(this)->contactCallback; }

neLogCallback neSimulation::SetLogCallback(neLogCallback callback) {
  neSimulationRecord* sim = neRecordOf(this);
  const neLogCallback old = sim->logCallback;
  sim->logCallback = callback;
  return old;
}
neLogCallback neSimulation::GetLogCallback() const { return neRecordOf(this)->logCallback; }
void neSimulation::SetLogLevel(int32_t level) { neRecordOf(this)->logLevel = level; }
void neSimulation::SetBreakOffCallback(neBreakOffCallback cb) { neRecordOf(this)->breakOffCallback = cb; }
neBreakOffCallback neSimulation::GetBreakOffCallback() const { return neRecordOf(this)->breakOffCallback; }
void neSimulation::SetTerrainQueryCallback(neTerrainQueryCallback cb) {
  neRecordOf(this)->terrainQueryCallback = cb;
}
neTerrainQueryCallback neSimulation::GetTerrainQueryCallback() const {
  return neRecordOf(this)->terrainQueryCallback;
}
void neSimulation::SetCustomCollisionCallback(neCustomCollisionCallback cb) {
  neRecordOf(this)->customRigidRigid = cb;
}
neCustomCollisionCallback neSimulation::GetCustomCollisionCallback() const {
  return neRecordOf(this)->customRigidRigid;
}
void neSimulation::SetCustomCollisionCallback2(neCustomCollisionCallback cb) {
  neRecordOf(this)->customRigidAnimated = cb;
}
neCustomCollisionCallback neSimulation::GetCustomCollisionCallback2() const {
  return neRecordOf(this)->customRigidAnimated;
}

void neSimulation::GetBuildSizes(neSimulationSizes& sizes) const { sizes = neRecordOf(this)->sizes; }

void neSimulation::GetSizesInUse(neSimulationSizes& s) const {
  const neSimulationRecord* sim = neRecordOf(this);
  s.rigidBodiesCount = sim->rigidPool.UsedCount();
  s.animatedBodiesCount = sim->animatedPool.UsedCount();
  s.rigidParticleCount = sim->particlePool.UsedCount();
  s.controllersCount = sim->controllerPool.UsedCount();
  s.overlapPairsCount = sim->region.PairCount();
  s.geometriesCount = sim->geometryPool.UsedCount();
  s.constraintsCount = sim->constraintPool.UsedCount();
  s.constraintSetsCount = sim->constraintSetPool.UsedCount();
  s.reservedWord8 = 2000;
  s.sensorsCount = sim->sensorPool.UsedCount();
  s.terrainNodeCapacity = sim->region.Terrain().NodeCount();
  s.terrainNodeGrowth = sim->sizes.terrainNodeGrowth;
}

void neSimulation::GetMemoryUsed(int32_t& bytes) const {
  const size_t b = neRecordOf(this)->MemoryBytes();
  bytes = b > static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(b);
}
