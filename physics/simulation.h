// The simulator record behind an neSimulation handle: every pool, the body
// lists, the broad phase, materials, responses, callbacks and the sub-step.
#ifndef KELVAMOR_PHYSICS_SIMULATION_H
#define KELVAMOR_PHYSICS_SIMULATION_H

#include <cstdint>

#include "physics/allocator.h"
#include "physics/body.h"
#include "physics/broadphase.h"
#include "physics/constraint.h"
#include "physics/controller.h"
#include "physics/ne.h"
#include "physics/profiler.h"
#include "physics/solver_record.h"
#include "physics/stack_record.h"

constexpr int32_t kNeMaterialCount = 256;

struct neMaterial {
  float friction = 0.5f;
  float restitution = 0.4f;
  float density = 1.0f;  // read only by SetMassFromGeometries
};

struct neSimulationRecord : neSimulation {
  neSimulationSizes sizes;

  // Time.
  float dt = 0.0f;
  float invDt = 0.0f;  // 0 while dt is 0
  // Advances so far; mod 10 picks the ring slot. Unsigned: it wraps cleanly.
  uint32_t advanceCount = 0;
  float remainder = 0.0f;     // carried by the variable advance
  float previousStep = 0.0f;  // length of the previous variable sub-step

  neStepTimings* timings = nullptr;  // of the advance in progress
  neStepProfiler* profiler = nullptr;

  neVector3 gravity = {0, 0, 0, 0};
  neVector3 gravityUnit = {0, 0, 0, 0};
  float gravityLength = 0.0f;
  float gravityLength03 = 0.0f;  // 0.3 |g|

  neMaterial materials[kNeMaterialCount];
  int32_t logLevel = 0;
  neLogCallback logCallback = nullptr;
  neAllocator* allocator = nullptr;  // the caller's, else &defaultAllocator
  neDefaultAllocator defaultAllocator;

  nePool<neRigidBodyRecord> rigidPool;
  nePool<neAnimatedBodyRecord> animatedPool;
  nePool<neRigidBodyRecord> particlePool;
  neList<neRigidBodyRecord> activeRigid, inactiveRigid;
  neList<neAnimatedBodyRecord> activeAnimated, inactiveAnimated;
  neList<neRigidBodyRecord> activeParticles, inactiveParticles;
  // What the sub-step walks: the active bodies that are not quiet.
  neStepList stepRigid, stepParticles;
  uint64_t stepKeyCounter = 0;
  int32_t quietAllowed = 1;  // 0: no body goes quiet (the shortcut's own check)
  int32_t quietCount = 0;
  uint32_t quietClock = 0;  // +1 per sub-step, when the velocity update counts steps
  // Where the velocity pass is (list 0 rigid, 1 particles; -1 outside it): a
  // body stirred during the pass that the pass has still to reach is counted
  // by the pass itself.
  int32_t velocityPassList = -1;
  uint64_t velocityPassKey = 0;

  nePool<neConstraintRecord> constraintPool;
  nePool<neConstraintSet> constraintSetPool;
  nePool<neStackNode> stackNodePool;      // one per rigid body or particle
  nePool<neStackHeader> stackHeaderPool;  // that count + 100
  nePool<neControllerRecord> controllerPool;
  nePool<neSensorRecord> sensorPool;
  nePool<neGeometryRecord> geometryPool;

  // Solver state (solver.*, rest.*).
  neArray<neConstraintSet*> islandList;        // 1000, growth 100
  neArray<neStackHeader*> stacksInHand;        // 1000, growth 100
  neArray<neSolverRecord> constraintRecords;   // 100, growth 100
  neArray<neSolverRecord> contactRecords;      // 100, growth 100
  neConstraintSet builtInSet;  // loose bodies while a stack is solved
  neList<neStackHeader> stackList;
  neList<neStackNode> looseNodes;
  int32_t secondPass = 0;
  uint8_t lastIteration = 0;
  int32_t stepCounter = 0;  // reset per step for the stack passes
  int32_t visitStamp = 0;
  float movingTest = 1.0f;

  neRegion region;
  neResponseTable responses;

  neContactCallback contactCallback = nullptr;
  neBreakOffCallback breakOffCallback = nullptr;
  neTerrainQueryCallback terrainQueryCallback = nullptr;
  neCustomCollisionCallback customRigidRigid = nullptr;
  neCustomCollisionCallback customRigidAnimated = nullptr;

  // The static second side of every terrain contact: an animated body (so it
  // is never moved) at the identity whose one geometry is the triangle list
  // the terrain pass loads per body.
  neAnimatedBodyRecord terrainBody;
  neGeometryRecord terrainGeometry;
  // Terrain pass scratch: leaves (100, growth 100), triangles (200, growth 200).
  neArray<const neTerrainTreeNode*> terrainLeaves;
  neArray<int32_t> terrainTriangles;

  // Builds every pool and table. False when memory could not be had.
  bool Construct(const neSimulationSizes& s, neAllocator* alloc, const neVector3* g);
  void ReleaseAll();

  void SetGravity(const neVector3& g);
  neRigidBodyRecord* AllocRigidBody(bool asParticle);
  neAnimatedBodyRecord* AllocAnimatedBody();
  // Validates the pointer against the pools; an invalid one logs (the given
  // message unless it points into another pool) and changes nothing.
  void FreeBody(neBody* body, const char* invalidMessage);
  neRigidBodyRecord* BreakOffGeometry(neGeometryRecord* g, neBody* body);
  // 1 when the geometry broke off (the impulse may be changed), else 0.
  int32_t TestBreakage(neBody* body, neGeometryRecord* g, const neVector3& worldPoint,
                       neVector3& impulse);

  void Step(float seconds, int32_t count, neStepTimings* t);
  void StepVariable(float seconds, float shortest, float longest, neStepTimings* t);
  void SubStep();
  // Charges a profiler slot while a timed advance is in progress.
  void Charge(int32_t slot) {
    if (timings) profiler->Charge(slot);
  }
  int32_t RingSlot() const { return static_cast<int32_t>(advanceCount % kNeRingSlots); }
  size_t MemoryBytes() const;

  neStackHeader* TakeStackHeader();
  neConstraintSet* TakeConstraintSet();

  // Logs one of the engine's messages (level 1).
  void Log(const char* message);
};

inline neSimulationRecord* neRecordOf(neSimulation* s) {
  return static_cast<neSimulationRecord*>(s);
}
inline const neSimulationRecord* neRecordOf(const neSimulation* s) {
  return static_cast<const neSimulationRecord*>(s);
}

// The exact messages the engine logs when a pool runs out or a pointer is bad.
extern const char kNeMsgRigidBodies[];
extern const char kNeMsgRigidParticles[];
extern const char kNeMsgGeometries[];
extern const char kNeMsgSensors[];
extern const char kNeMsgControllers[];
extern const char kNeMsgConstraints[];
extern const char kNeMsgConstraintSets[];
extern const char kNeMsgOverlapPairs[];
extern const char kNeMsgStacking[];
extern const char kNeMsgFreeRigidBody[];
extern const char kNeMsgFreeRigidParticle[];
extern const char kNeMsgFreeAnimatedBody[];

#endif  // KELVAMOR_PHYSICS_SIMULATION_H
