// Body records. neBody is the collision part shared by rigid bodies, rigid
// particles and animated bodies (lists of geometries and sensors, list and
// broad-phase membership, collision id, boxes); neRigidBodyRecord adds the
// dynamics, neAnimatedBodyRecord a host-placed transform. A handle
// (neRigidBody*, neAnimatedBody*) is the address of its record, and so is the
// record's neBody part: static_cast between them.
#ifndef KELVAMOR_PHYSICS_BODY_H
#define KELVAMOR_PHYSICS_BODY_H

#include <cstdint>
#include <cstring>

#include "physics/allocator.h"
#include "physics/geometry.h"
#include "physics/ne.h"
#include "physics/sensor_record.h"

struct neSimulationRecord;
struct neConstraintSet;
struct neConstraintRecord;
struct neControllerRecord;
struct neStackNode;
struct neRegionBodyNode;
struct neEndPoint;
struct neRigidBodyRecord;
struct neAnimatedBodyRecord;

enum neBodyKind : int32_t { kNeBodyAnimated = 0, kNeBodyRigid = 1 };
enum neRestState : int32_t { kNeAwake = 0, kNeResting = 1 };
// Broad-phase join state of a body.
enum neJoinState : int32_t { kNeJoinNone = 0, kNeJoinPending = 1, kNeJoinCancelled = 2 };

// Slots of the per-body rings, picked by the advance counter.
constexpr int32_t kNeRingSlots = 10;
// Sub-steps a queued bounce waits for its impact to end before it lapses.
constexpr int32_t kNeBounceWait = 12;

// One supporting contact under a body (three per body). While in use it is
// also linked into the supporter's list (neBody::supportedFirst), so a
// supporter that goes away can wake what rests on it.
struct neRestContact {
  neVector3 pointInThis;   // this body's frame
  neVector3 pointInOther;  // the supporter's frame (world when it is the terrain)
  neVector3 worldThis;
  neVector3 worldOther;
  neVector3 worldDiff;
  neVector3 normalInOther;
  neVector3 normalWorld;
  float separation;
  float tangentialDrift2;
  float depth;
  int32_t materialThis;
  int32_t materialOther;
  int32_t inUse;
  int32_t stamp;            // advance counter when recorded
  neBody* other;            // null: the terrain
  neRigidBodyRecord* owner;  // the body that rests on it
  neRestContact* supportedNext;
  neRestContact* supportedPrev;
};

struct neRestRecord {
  neRestContact slots[3];
  int32_t supportCount;       // slots that made records in the last collection
  int32_t supportIndices[3];  // in the order found
};

struct neBody {
  uintptr_t userData = 0;
  neGeometryRecord* geometryHead = nullptr;
  int32_t geometryCount = 0;
  neGeometryRecord* geometryCursor = nullptr;
  neSensorRecord* sensorHead = nullptr;
  neSensorRecord* sensorCursor = nullptr;
  int32_t collisionId = 0;  // response-table row; -1 = terrain column only
  int32_t kind = kNeBodyRigid;
  int32_t active = 1;
  int32_t inRegion = 0;  // entered in the broad phase (node held)
  neConstraintSet* constraintSet = nullptr;
  neBody* setNext = nullptr;  // the set's body list
  neBody* setPrev = nullptr;
  int32_t collideConnected = 0;
  int32_t respondConnected = 0;
  int32_t customCollision = 0;
  neTransform customTransform;
  float customRadius = 0.0f;

  // The body as one shape for the narrow phase: a copy of a single box
  // geometry, else a box around all geometries. Built by ComputeBox.
  neGeometryRecord box;
  // Body-space box for the world-box refresh: centre, half extents and the
  // three box axes already scaled by the half extents.
  neVector3 boxCentre = {0, 0, 0, 0};
  neVector3 boxHalfExtents = {0, 0, 0, 0};
  neVector3 boxAxes[3] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
  // World box, refreshed every sub-step; the end points carry the values.
  neVector3 worldMin = {0, 0, 0, 0};
  neVector3 worldMax = {0, 0, 0, 0};

  // Broad phase (broadphase.*).
  neRegionBodyNode* regionNode = nullptr;
  int32_t joinState = kNeJoinNone;
  neEndPoint* lower[3] = {nullptr, nullptr, nullptr};
  neEndPoint* upper[3] = {nullptr, nullptr, nullptr};

  // 0.7 previous + 0.3 this step's displacement; 0 for an animated body.
  neVector3 smoothedDisplacement = {0, 0, 0, 0};
  // Pushed apart by a contact in the previous / this step (contact passes).
  int32_t pushedLastStep = 0;
  int32_t pushedThisStep = 0;
  // Contacts of other bodies resting on this one.
  neRestContact* supportedFirst = nullptr;
  // Joints involving the body, linked through the joint's A or B links.
  neConstraintRecord* jointHead = nullptr;

  int32_t id = 0;  // fixed per pool slot: the broad phase's pair index
  neSimulationRecord* sim = nullptr;

  neRigidBodyRecord* AsRigid();
  neAnimatedBodyRecord* AsAnimated();
  bool IsParticle() const;
  // The transform every collision test uses.
  neTransform Transform() const;
  // Collision part back to a fresh body's: id 0, active, out of the broad
  // phase, no set, flags 0, empty lists.
  void ResetCollisionPart();
  neGeometryRecord* AddGeometry();
  bool RemoveGeometry(neGeometryRecord* g);
  neSensorRecord* AddSensor();
  bool RemoveSensor(neSensorRecord* s);
  void ClearSensorHits();
  void SetActive(bool active, neBody* hint);
  // Box and reach from the geometries and sensor lines; call after changes.
  void RecomputeBounds();
  // World box from the body-space box and the current transform; end points
  // follow. Only for a body with geometry or custom collision.
  void RefreshWorldBox();
  bool HasCollisionShape() const { return geometryCount > 0 || customCollision != 0; }
  void LeaveConstraintSet();
  // Wakes every rigid body whose support slots point at this body and clears
  // those slots (the supporter is going away or stops colliding).
  void WakeSupported();
  // Returns every sensor and geometry to its pool, leaves the broad phase and
  // the constraint set, and frees every joint involving the body.
  void ReleaseCollisionPart();
};

// The motion state of a rigid body; the body keeps one.
struct neBodyState {
  neQuaternion q;
  neVector3 angularMomentum;
  neMatrix3x3 rot;
  neVector3 pos;
};

// The sub-step's own list of a kind of rigid body: the bodies of the active
// list that are not quiet, in the active list's order.
struct neStepList {
  neRigidBodyRecord* first = nullptr;
  neRigidBodyRecord* last = nullptr;
};

struct neRigidBodyRecord : neRigidBody, neBody {
  // Fields every sub-step reads or writes even for a resting body come first
  // and together, so that a settled heap of many bodies touches few cache
  // lines per body.
  neRigidBodyRecord* next = nullptr;  // pool, then the simulator's body lists
  neRigidBodyRecord* prev = nullptr;
  uint8_t inUse = 0;
  int32_t restState = kNeAwake;
  int32_t particle = 0;
  int32_t collectPending = 0;  // set by the position update for the stack pass
  int32_t stackCheck = 0;
  // Rest clears the velocity rings only when something wrote them since.
  int32_t ringsDirty = 0;
  int32_t stepsSinceSnapshot = 0;
  int32_t impulseCountLinear = 0;
  int32_t impulseCountAngular = 0;
  // Either push velocity is non-zero; sub-steps a queued bounce still waits
  // (0 = none). The push and bounce vectors themselves lie with the fields
  // only a moving body reads.
  int32_t pushed = 0;
  int32_t bounceSteps = 0;
  neStackNode* stackNode = nullptr;
  // Quiet: resting, undisturbed and out of the sub-step list, so that the
  // sub-step's loops never touch it (see GoQuiet). stepKey orders the
  // sub-step list as the body lists are ordered; quietBase is the simulator's
  // quiet clock when the body went quiet (the steps it then missed count
  // towards stepsSinceSnapshot when it is stirred).
  int32_t quiet = 0;
  uint32_t quietBase = 0;
  uint64_t stepKey = 0;
  neRigidBodyRecord* stepNext = nullptr;
  neRigidBodyRecord* stepPrev = nullptr;
  // Averaged impulses gathered by the solver.
  neVector3 impulseSumLinear = {0, 0, 0, 0};
  neVector3 impulseSumAngular = {0, 0, 0, 0};
  neVector3 forceAccumulator = {0, 0, 0, 0};  // the step's total force
  neVector3 torqueAccumulator = {0, 0, 0, 0};
  neVector3 controllerForce = {0, 0, 0, 0};
  neVector3 controllerTorque = {0, 0, 0, 0};
  neVector3 velocity = {0, 0, 0, 0};
  neVector3 angularVelocity = {0, 0, 0, 0};
  neQuaternion quaternionRate = {0, 0, 0, 0};
  float speed = 0.0f;
  neBodyState state;
  // The pose the world box was last made from. A resting body whose pose is
  // bit for bit the same keeps its world box and end points, so a settled
  // heap costs the sub-step next to nothing; 0 in boxPoseValid (a new
  // body-space box) forces the next refresh.
  neMatrix3x3 boxPoseRot;
  neVector3 boxPosePos = {0, 0, 0, 0};
  int32_t boxPoseValid = 0;

  float mass = 1.0f;
  float invMass = 1.0f;
  neMatrix3x3 inertia;         // body space
  neMatrix3x3 inertiaInverse;  // body space
  neMatrix3x3 worldInertiaInverse;  // R I^-1 R^T
  neVector3 hostForce = {0, 0, 0, 0};
  neVector3 hostTorque = {0, 0, 0, 0};
  neVector3 gravityForce = {0, 0, 0, 0};
  neVector3 acceleration = {0, 0, 0, 0};
  // Kept out of the fields every sub-step touches: put between them, they
  // spread a resting heap's per-body reads over two more cache lines.
  // The resting contacts' push out of penetration, as velocities the next
  // position update moves the body by and then drops: a push is a position
  // correction, never momentum (kept, it threw an embedded box into the air).
  neVector3 stepStartVelocity = {0, 0, 0, 0};  // before this sub-step's forces
  neVector3 pushVelocity = {0, 0, 0, 0};
  neVector3 pushAngularVelocity = {0, 0, 0, 0};
  // A bounce waiting for its impact to end: the velocity change restitution
  // gives, along bounceNormal (away from bounceOther, null for the terrain),
  // handed over once the body no longer closes on the other one (bounceSteps).
  neVector3 bounceVelocity = {0, 0, 0, 0};
  neVector3 bounceNormal = {0, 0, 0, 0};
  neBody* bounceOther = nullptr;
  float linearDamping = 0.0f;
  float angularDamping = 0.0f;
  int32_t gravityEnabled = 1;
  float restThreshold = 0.2f;
  int32_t restCounter = 0;
  // Pose and motion saved at the last wake (the rest test's snapshot).
  neVector3 snapshotPos = {0, 0, 0, 0};
  neQuaternion snapshotQ = {0, 0, 0, 1};
  neMatrix3x3 snapshotRot;
  neVector3 snapshotVelocity = {0, 0, 0, 0};
  neVector3 snapshotAngularVelocity = {0, 0, 0, 0};
  // Per-step changes and histories, slot = advance counter mod 10.
  neVector3 velocityChangeRing[kNeRingSlots];
  neVector3 angularChangeRing[kNeRingSlots];
  neVector3 velocityHistory[kNeRingSlots];
  neVector3 angularVelocityHistory[kNeRingSlots];
  neRestRecord rest;
  neControllerRecord* controllerHead = nullptr;
  neControllerRecord* controllerCursor = nullptr;

  neRigidBodyRecord() { Reset(); }

  // Every field above to a fresh body's values (the collision part is reset
  // separately).
  void Reset();
  void SetMass(float m);
  void SetInertiaDiagonal(const neVector3& d);
  void SetInertiaMatrix(const neMatrix3x3& m);
  void SetRotationQuaternion(const neQuaternion& q);
  void SetRotationMatrix(const neMatrix3x3& r);
  void RefreshWorldInertia();
  // True while the world box was made from exactly the present pose.
  bool WorldBoxCurrent() const {
    return boxPoseValid && std::memcmp(&boxPoseRot, &state.rot, sizeof(neMatrix3x3)) == 0 &&
           std::memcmp(&boxPosePos, &state.pos, sizeof(neVector3)) == 0;
  }
  // Stores L and derives angular velocity and quaternion rate.
  void SetAngularMomentum(const neVector3& L);
  void ApplyImpulseAtOffset(const neVector3& impulse, const neVector3& offset);
  // A push impulse at an arm: moves the body at the next position update only.
  void ApplyPushAtOffset(const neVector3& impulse, const neVector3& offset);
  void ClearPush();
  // Queues a bounce of the given velocity change (replacing a smaller one).
  void QueueBounce(const neVector3& change, const neVector3& normal, neBody* other);
  // In the position pass: hands over a queued bounce once the impact is over.
  void SettleBounce(float closingAllowance);
  void ApplyAveragedImpulses();
  void UpdateVelocity(float dt);
  void UpdatePosition(float dt);
  void UpdateControllers(float dt);
  // The controllers alone (no gravity), in list order by their periods.
  void RunControllers(float dt);
  // A resting body with sensors: its controllers read this sub-step's hits,
  // where the rule runs no controller at rest (a car at rest could not read
  // its ground); a controller force wakes it at the next velocity update.
  void ReadSensorsAtRest(float dt);
  void Wake();
  void Rest();
  // Back into the sub-step list if quiet; call before anything that changes
  // what the sub-step would do for the body.
  void Stir() {
    if (quiet) Unquiet();
  }
  void Unquiet();
  // Stir, and stir every body resting on this one (before a change of its
  // rest state: their supports stop or start being steady).
  void StirWithSupported();
  // A resting body whose every sub-step would change nothing leaves the
  // sub-step list; false (and nothing done) otherwise. Only from the
  // position pass, while the body is in the list.
  bool GoQuiet();
  // Joins the end of the sub-step list / leaves it (the body joined or is
  // leaving an active body list).
  void EnterStepList();
  void LeaveStepList();
  void WakeConnected();
  void AddSupportContact(const neRestContact& contact);
  void UnlinkSupportSlot(int32_t slot);
  neControllerRecord* AddController(neRigidBodyControllerCallback* callback, int32_t period);
  bool RemoveController(neControllerRecord* c);
  // Controllers, sensors, geometries, stack, support slots and joints back to
  // their pools.
  void Release();
};

struct neAnimatedBodyRecord : neAnimatedBody, neBody {
  neTransform transform;
  int32_t moved = 0;  // pose set since the last advance

  neAnimatedBodyRecord* next = nullptr;
  neAnimatedBodyRecord* prev = nullptr;
  uint8_t inUse = 0;

  neAnimatedBodyRecord() {
    kind = kNeBodyAnimated;
    transform.SetIdentity();
  }
};

// Whoever takes a writable record of a rigid body may change anything of it:
// a quiet body is stirred first (reads go through the const overload).
inline neRigidBodyRecord* neRecordOf(neRigidBody* b) {
  neRigidBodyRecord* r = static_cast<neRigidBodyRecord*>(b);
  if (r) r->Stir();
  return r;
}
inline const neRigidBodyRecord* neRecordOf(const neRigidBody* b) {
  return static_cast<const neRigidBodyRecord*>(b);
}
inline neAnimatedBodyRecord* neRecordOf(neAnimatedBody* b) {
  return static_cast<neAnimatedBodyRecord*>(b);
}
inline const neAnimatedBodyRecord* neRecordOf(const neAnimatedBody* b) {
  return static_cast<const neAnimatedBodyRecord*>(b);
}
inline neRigidBodyRecord* neBody::AsRigid() {
  return kind == kNeBodyRigid ? static_cast<neRigidBodyRecord*>(this) : nullptr;
}
inline neAnimatedBodyRecord* neBody::AsAnimated() {
  return kind == kNeBodyAnimated ? static_cast<neAnimatedBodyRecord*>(this) : nullptr;
}
// A rigid body that is quiet goes back into the sub-step list; call before
// changing anything the sub-step reads of a body.
inline void neStir(neBody* b) {
  if (neRigidBodyRecord* r = b->AsRigid()) r->Stir();
}
inline bool neBody::IsParticle() const {
  return kind == kNeBodyRigid && static_cast<const neRigidBodyRecord*>(this)->particle != 0;
}
inline neTransform neBody::Transform() const {
  neTransform t;
  if (kind == kNeBodyAnimated) return static_cast<const neAnimatedBodyRecord*>(this)->transform;
  const neRigidBodyRecord* r = static_cast<const neRigidBodyRecord*>(this);
  t.rot = r->state.rot;
  t.pos = r->state.pos;
  return t;
}

#endif  // KELVAMOR_PHYSICS_BODY_H
