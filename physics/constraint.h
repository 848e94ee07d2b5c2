// The joint record behind an neConstraint handle and the constraint set that
// groups enabled joints sharing bodies. The accessors live in constraint.cpp;
// enabling, set merging, row building, damping and joint controllers are the
// solver side's (joint.*).
#ifndef KELVAMOR_PHYSICS_CONSTRAINT_H
#define KELVAMOR_PHYSICS_CONSTRAINT_H

#include <cstdint>

#include "physics/allocator.h"
#include "physics/ne.h"

struct neBody;
struct neRigidBodyRecord;
struct neSimulationRecord;
struct neControllerRecord;
struct neConstraintSet;

struct neJointAnchor {
  neVector3 pointA;  // in A's frame
  neVector3 worldA;
  neVector3 pointB;  // in B's frame (world without B)
  neVector3 worldB;
};

struct neJointLimit {
  neVector3 axis = {0, 0, 0, 0};  // world
  float upper = 0.0f;
  float lower = 0.0f;
  int32_t enabled = 0;
  int32_t active = 0;
  int32_t side = 0;  // 0 upper, 1 lower
  float error = 0.0f;
};

struct neJointMotor {
  int32_t enabled = 0;
  int32_t kind = 0;  // stored only; the joint type decides what it drives
  float targetSpeed = 0.0f;
  float maxForce = 0.0f;  // absolute value
};

struct neConstraintRecord : neConstraint {
  neTransform frameA;       // in A's frame
  neTransform frameB;       // in B's frame, world axes without B
  neTransform frameAWorld;  // refreshed each step
  neTransform frameBWorld;
  neSimulationRecord* sim = nullptr;
  neControllerRecord* controllerHead = nullptr;
  neControllerRecord* controllerCursor = nullptr;
  neRigidBodyRecord* bodyA = nullptr;  // required
  neBody* bodyB = nullptr;             // rigid, animated or null (world)
  int32_t anchorCount = 1;
  neJointAnchor anchors[2];
  int32_t enabled = 0;
  float tolerance = -1.0f;   // not positive: unset
  int32_t iterations = -1;   // -1: the solver's default
  float jointLength = 1.0f;
  float angle = 0.0f;        // [0, 2 pi)
  float signedAngle = 0.0f;  // (-pi, pi]
  float damping = 0.0f;
  neJointLimit limit;
  neJointLimit twistLimit;  // ball joints
  neJointMotor motor;
  neJointMotor motor2;      // stored and returned; drives nothing
  neQuaternion twistRef[2] = {{0, 0, 0, 1}, {0, 0, 0, 1}};
  int32_t addedToSet = 0;
  int32_t type = kBall;
  neConstraintSet* set = nullptr;

  // The joint lists of body A and body B (neBody::jointHead).
  neConstraintRecord* nextOnA = nullptr;
  neConstraintRecord* prevOnA = nullptr;
  neConstraintRecord* nextOnB = nullptr;
  neConstraintRecord* prevOnB = nullptr;

  // Links in the set's joint list while added; pool links otherwise.
  neConstraintRecord* next = nullptr;
  neConstraintRecord* prev = nullptr;
  uint8_t inUse = 0;

  neConstraintRecord() {
    frameA.SetIdentity();
    frameB.SetIdentity();
    frameAWorld.SetIdentity();
    frameBWorld.SetIdentity();
  }
  // The defaults a freshly created joint starts with.
  void Reset();
};

struct neConstraintSet {
  int32_t visited = 0;
  int32_t flags = 0;  // bit 0: a joint has been added
  int32_t state = 0;  // 2: membership changed, rebuild
  neList<neConstraintRecord> joints;
  // Bodies linked through neBody::setNext / setPrev.
  neBody* bodyFirst = nullptr;
  neBody* bodyLast = nullptr;
  int32_t bodyCount = 0;

  neConstraintSet* next = nullptr;
  neConstraintSet* prev = nullptr;
  uint8_t inUse = 0;
};

// Unlinks a joint from its bodies and set, frees its controllers, back to the pool.
void neFreeJoint(neSimulationRecord& sim, neConstraintRecord* joint);

inline neConstraintRecord* neRecordOf(neConstraint* c) {
  return static_cast<neConstraintRecord*>(c);
}
inline const neConstraintRecord* neRecordOf(const neConstraint* c) {
  return static_cast<const neConstraintRecord*>(c);
}

#endif  // KELVAMOR_PHYSICS_CONSTRAINT_H
