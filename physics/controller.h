// The controller record: one pool serves body controllers (neRigidBodyController)
// and joint controllers (neJointController); a body controller leaves the joint
// words null and a joint controller the body words.
#ifndef KELVAMOR_PHYSICS_CONTROLLER_H
#define KELVAMOR_PHYSICS_CONTROLLER_H

#include <cstdint>

#include "physics/ne.h"

struct neRigidBodyRecord;
struct neConstraintRecord;

struct neControllerRecord : neRigidBodyController, neJointController {
  // Written out so the record is no aggregate: "record = {}" would otherwise build each
  // handle base as a temporary of its own, whose destructor only the engine may call.
  neControllerRecord() {}

  int32_t countdown = 0;  // sub-steps left until the callback runs
  int32_t period = 0;     // the callback runs every period + 1 sub-steps
  neRigidBodyControllerCallback* bodyCallback = nullptr;
  neJointControllerCallback* jointCallback = nullptr;
  neConstraintRecord* constraint = nullptr;  // joint controllers
  neRigidBodyRecord* body = nullptr;         // body controllers
  // Applied to the body (or the joint's body A) every sub-step until changed.
  neVector3 force = {0, 0, 0, 0};
  neVector3 torque = {0, 0, 0, 0};
  // Applied to a rigid body B of a joint.
  neVector3 forceB = {0, 0, 0, 0};
  neVector3 torqueB = {0, 0, 0, 0};

  neControllerRecord* next = nullptr;
  neControllerRecord* prev = nullptr;
  uint8_t inUse = 0;
};

inline neControllerRecord* neRecordOf(neRigidBodyController* c) {
  return static_cast<neControllerRecord*>(c);
}
inline const neControllerRecord* neRecordOf(const neRigidBodyController* c) {
  return static_cast<const neControllerRecord*>(c);
}
inline neControllerRecord* neRecordOf(neJointController* c) {
  return static_cast<neControllerRecord*>(c);
}
inline const neControllerRecord* neRecordOf(const neJointController* c) {
  return static_cast<const neControllerRecord*>(c);
}

#endif  // KELVAMOR_PHYSICS_CONTROLLER_H
