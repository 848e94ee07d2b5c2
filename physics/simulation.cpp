// Simulator construction and release, body creation and freeing, break-off
// and the memory report.
#include "physics/simulation.h"

#include <cstdio>
#include <new>

#include "physics/log.h"
#include "physics/substep_phases.h"

const char kNeMsgRigidBodies[] = "Run out of RigidBodies. Increase 'rigidBodiesCount'.\n";
const char kNeMsgRigidParticles[] = "Run out of RigidBodies. Increase 'rigidParticleCount'.\n";
const char kNeMsgGeometries[] = "Run out of Geometries. Increase 'geometriesCount'.\n";
const char kNeMsgSensors[] = "Run out of Sensors. Increase 'sensorsCount'.\n";
const char kNeMsgControllers[] = "Run out of Controllers. Increase 'constraintSetsCount'.\n";
const char kNeMsgConstraints[] = "Run out of Constraints. Increase 'constraintsCount'.\n";
const char kNeMsgConstraintSets[] = "Run out of Constraint Sets. Increase 'constraintSetsCount'.\n";
const char kNeMsgOverlapPairs[] = "Overlap Pair buffer full. Increase buffer size.\n";
const char kNeMsgStacking[] = "Stacking Buffer full Error. Please contact techincal support\n";
const char kNeMsgFreeRigidBody[] = "Trying to Free invalid RigidBody.\n";
const char kNeMsgFreeRigidParticle[] = "Trying to Free invalid RigidParticle.\n";
const char kNeMsgFreeAnimatedBody[] = "Trying to Free invalid AnimatedBody.\n";

namespace {

// Counts a host may pass: none negative, and every total the pools and the
// broad phase derive from them within the int32 the allocator takes.
bool SizesAreValid(const neSimulationSizes& s, const char** why) {
  const int32_t* w = &s.rigidBodiesCount;
  for (int i = 0; i < 11; ++i) {
    if (i == 8) continue;  // sizes nothing
    if (w[i] < 0) {
      *why = "a size count is negative";
      return false;
    }
  }
  if (s.terrainNodeGrowth < -1) {
    *why = "terrainNodeGrowth is below -1";
    return false;
  }
  const int64_t n = int64_t{s.rigidBodiesCount} + s.animatedBodiesCount;
  const int64_t all = n + s.rigidParticleCount;
  if (all + 100 > INT32_MAX / 2) {
    *why = "the body counts are too large";
    return false;
  }
  // The largest single blocks: the two pair tables, 16 bytes an entry.
  const size_t pairs = static_cast<size_t>(n) * static_cast<size_t>(n > 0 ? n - 1 : 0) / 2;
  const size_t particlePairs = static_cast<size_t>(n) * static_cast<size_t>(s.rigidParticleCount);
  if (pairs > static_cast<size_t>(INT32_MAX) / sizeof(nePairEntry) ||
      particlePairs > static_cast<size_t>(INT32_MAX) / sizeof(nePairEntry)) {
    *why = "the body counts give a pair table too large to allocate";
    return false;
  }
  return true;
}

}  // namespace

void neSimulationRecord::Log(const char* message) {
  neLogMessage(logCallback, logLevel, "%s", message);
}

bool neSimulationRecord::Construct(const neSimulationSizes& s, neAllocator* alloc,
                                   const neVector3* g) {
  sizes = neSimulationSizes{};
  sizes = s;
  // Pools and arrays take the caller's allocator, or each its own default.
  allocator = alloc ? alloc : &defaultAllocator;
  SetGravity(g ? *g : neV3(0.0f, 0.0f, 0.0f));

  bool ok = rigidPool.Init(sizes.rigidBodiesCount, alloc);
  ok = animatedPool.Init(sizes.animatedBodiesCount, alloc) && ok;
  ok = particlePool.Init(sizes.rigidParticleCount, alloc) && ok;
  for (int32_t i = 0; i < particlePool.Capacity(); ++i) particlePool.At(i)->particle = 1;
  ok = region.Initialise(this, 7) && ok;
  advanceCount = 0;

  terrainBody.ResetCollisionPart();
  terrainBody.kind = kNeBodyAnimated;
  terrainBody.transform.SetIdentity();
  terrainBody.sim = this;
  terrainBody.id = -1;
  terrainBody.collisionId = -1;
  terrainGeometry.SetDefault();
  terrainGeometry.SetTriangleList();
  terrainGeometry.next = terrainGeometry.prev = nullptr;
  terrainBody.geometryHead = &terrainGeometry;
  terrainBody.geometryCount = 1;
  terrainBody.box = terrainGeometry;
  terrainBody.box.type = kNeShapeTriangleList;

  for (neMaterial& m : materials) m = neMaterial{};
  ok = terrainLeaves.Init(100, alloc, 100) && ok;
  ok = terrainTriangles.Init(200, alloc, 200) && ok;

  ok = constraintPool.Init(sizes.constraintsCount, alloc) && ok;
  ok = constraintSetPool.Init(sizes.constraintSetsCount, alloc) && ok;
  const int32_t stackBodies = sizes.rigidBodiesCount + sizes.rigidParticleCount;
  ok = stackNodePool.Init(stackBodies, alloc) && ok;
  ok = stackHeaderPool.Init(stackBodies + 100, alloc) && ok;
  ok = controllerPool.Init(sizes.controllersCount, alloc) && ok;
  ok = sensorPool.Init(sizes.sensorsCount, alloc) && ok;
  ok = geometryPool.Init(sizes.geometriesCount, alloc) && ok;
  ok = islandList.Init(1000, alloc, 100) && ok;
  ok = stacksInHand.Init(1000, alloc, 100) && ok;
  ok = constraintRecords.Init(100, alloc, 100) && ok;
  ok = contactRecords.Init(100, alloc, 100) && ok;

  timings = nullptr;
  contactCallback = nullptr;
  logCallback = nullptr;
  breakOffCallback = nullptr;
  terrainQueryCallback = nullptr;
  customRigidRigid = customRigidAnimated = nullptr;
  logLevel = 0;
  profiler = new (std::nothrow) neStepProfiler();
  if (profiler) profiler->Calibrate();
  ok = ok && profiler != nullptr;
  remainder = previousStep = 0.0f;
  return ok;
}

void neSimulationRecord::ReleaseAll() {
  neList<neRigidBodyRecord>* rigidLists[] = {&activeRigid, &inactiveRigid, &activeParticles,
                                              &inactiveParticles};
  // Everything goes: no body is quiet and the sub-step lists are dropped
  // first, so the wakes of the release below touch no list.
  for (neList<neRigidBodyRecord>* list : rigidLists) {
    for (neRigidBodyRecord* r = list->first; r; r = r->next) {
      r->quiet = 0;
      r->stepNext = r->stepPrev = nullptr;
    }
  }
  stepRigid = stepParticles = neStepList{};
  quietCount = 0;
  for (neList<neRigidBodyRecord>* list : rigidLists) {
    while (neRigidBodyRecord* r = list->first) {
      r->Release();
      list->Remove(r);
      (r->particle ? particlePool : rigidPool).ReleaseUnlisted(r);
    }
  }
  neList<neAnimatedBodyRecord>* animatedLists[] = {&activeAnimated, &inactiveAnimated};
  for (neList<neAnimatedBodyRecord>* list : animatedLists) {
    while (neAnimatedBodyRecord* a = list->first) {
      a->WakeSupported();
      a->ReleaseCollisionPart();
      list->Remove(a);
      animatedPool.ReleaseUnlisted(a);
    }
  }
  delete profiler;
  profiler = nullptr;
  terrainLeaves.Free();
  terrainTriangles.Free();
  region.Release();
  particlePool.Free();
  animatedPool.Free();
  rigidPool.Free();
  islandList.Free();
  stacksInHand.Free();
  constraintRecords.Free();
  contactRecords.Free();
  geometryPool.Free();
  sensorPool.Free();
  stackNodePool.Free();
  stackHeaderPool.Free();
  controllerPool.Free();
  constraintPool.Free();
  constraintSetPool.Free();
}

void neSimulationRecord::SetGravity(const neVector3& g) {
  gravity = g;
  gravity.w = 0.0f;
  const float l2 = g.LengthSquared();
  const float l = neIsConsideredZero(l2) ? 0.0f : std::sqrt(l2);
  if (l == 0.0f || !neIsFinite(l)) {
    gravityUnit = neV3(0.0f, 0.0f, 0.0f);
    gravityLength = 0.0f;
  } else {
    gravityUnit = neV3(g.x / l, g.y / l, g.z / l);
    gravityLength = l;
  }
  gravityLength03 = 0.3f * gravityLength;
}

neRigidBodyRecord* neSimulationRecord::AllocRigidBody(bool asParticle) {
  nePool<neRigidBodyRecord>& pool = asParticle ? particlePool : rigidPool;
  neRigidBodyRecord* r = pool.TakeUnlisted();
  if (!r) {
    Log(asParticle ? kNeMsgRigidParticles : kNeMsgRigidBodies);
    return nullptr;
  }
  r->Reset();
  r->sim = this;
  r->particle = asParticle ? 1 : 0;
  r->id = asParticle ? sizes.rigidBodiesCount + sizes.animatedBodiesCount + pool.IndexOf(r)
                     : pool.IndexOf(r);
  r->ResetCollisionPart();
  (asParticle ? activeParticles : activeRigid).Append(r);
  r->EnterStepList();
  return r;
}

neAnimatedBodyRecord* neSimulationRecord::AllocAnimatedBody() {
  neAnimatedBodyRecord* a = animatedPool.TakeUnlisted();
  if (!a) return nullptr;
  a->moved = 0;
  a->userData = 0;
  a->kind = kNeBodyAnimated;
  a->id = sizes.rigidBodiesCount + animatedPool.IndexOf(a);
  a->ResetCollisionPart();
  a->sim = this;
  a->transform.SetIdentity();
  activeAnimated.Append(a);
  return a;
}

void neSimulationRecord::FreeBody(neBody* body, const char* invalidMessage) {
  if (!body) return;
  // The host's pointer may be anything: look at it only through the pools.
  if (animatedPool.Contains(static_cast<neAnimatedBodyRecord*>(body))) {
    neAnimatedBodyRecord* a = static_cast<neAnimatedBodyRecord*>(body);
    a->WakeSupported();
    a->ReleaseCollisionPart();
    (a->active ? activeAnimated : inactiveAnimated).Remove(a);
    animatedPool.ReleaseUnlisted(a);
    return;
  }
  neRigidBodyRecord* r = static_cast<neRigidBodyRecord*>(body);
  nePool<neRigidBodyRecord>* pool = nullptr;
  if (rigidPool.Contains(r)) pool = &rigidPool;
  else if (particlePool.Contains(r)) pool = &particlePool;
  if (!pool) {
    // Name the pool the pointer points into, else the one the host asked for.
    if (particlePool.InRange(r)) invalidMessage = kNeMsgFreeRigidParticle;
    else if (rigidPool.InRange(r)) invalidMessage = kNeMsgFreeRigidBody;
    else if (animatedPool.InRange(static_cast<neAnimatedBodyRecord*>(body)))
      invalidMessage = kNeMsgFreeAnimatedBody;
    Log(invalidMessage);
    return;
  }
  r->Release();
  if (r->active) r->LeaveStepList();
  if (r->particle) (r->active ? activeParticles : inactiveParticles).Remove(r);
  else (r->active ? activeRigid : inactiveRigid).Remove(r);
  pool->ReleaseUnlisted(r);
}

neStackHeader* neSimulationRecord::TakeStackHeader() {
  neStackHeader* h = stackHeaderPool.Take();
  if (!h) return nullptr;
  neStackHeader* n = h->next;
  neStackHeader* p = h->prev;
  *h = neStackHeader{};
  h->next = n;
  h->prev = p;
  h->inUse = 1;
  return h;
}

neConstraintSet* neSimulationRecord::TakeConstraintSet() {
  neConstraintSet* s = constraintSetPool.Take();
  if (!s) {
    Log(kNeMsgConstraintSets);
    return nullptr;
  }
  neConstraintSet* n = s->next;
  neConstraintSet* p = s->prev;
  *s = neConstraintSet{};
  s->next = n;
  s->prev = p;
  s->inUse = 1;
  return s;
}

size_t neSimulationRecord::MemoryBytes() const {
  size_t bytes = rigidPool.Bytes() + particlePool.Bytes() + animatedPool.Bytes() +
                 constraintSetPool.Bytes() + constraintPool.Bytes() + controllerPool.Bytes() +
                 stackNodePool.Bytes() + stackHeaderPool.Bytes() + sensorPool.Bytes() +
                 geometryPool.Bytes();
  bytes += terrainLeaves.Bytes() + terrainTriangles.Bytes() + constraintRecords.Bytes() +
           islandList.Bytes() + stacksInHand.Bytes();
  bytes += region.MemoryBytes();
  return bytes;
}

neSimulation* neSimulation::Create(const neSimulationSizes* sizes, neAllocator* allocator,
                                   const neVector3* gravity) {
  const neSimulationSizes s = sizes ? *sizes : neSimulationSizes{};
  const char* why = nullptr;
  if (!SizesAreValid(s, &why)) {
    std::fprintf(stderr, "physics: simulator not created: %s\n", why);
    return nullptr;
  }
  neSimulationRecord* sim = new (std::nothrow) neSimulationRecord();
  if (!sim) return nullptr;
  if (!sim->Construct(s, allocator, gravity)) {
    std::fprintf(stderr, "physics: simulator not created: out of memory for its pools\n");
    sim->ReleaseAll();
    delete sim;
    return nullptr;
  }
  return sim;
}

void neSimulation::Destroy(neSimulation* simulation) {
  if (!simulation) return;
  neSimulationRecord* sim = neRecordOf(simulation);
  sim->ReleaseAll();
  delete sim;
}
