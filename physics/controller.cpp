// Controller handle methods (body and joint controllers share the record).
#include "physics/controller.h"

#include "physics/body.h"
#include "physics/constraint.h"

neRigidBody* neRigidBodyController::GetRigidBody() const { return neRecordOf(this)->body; }
void neRigidBodyController::SetForce(const neVector3& f) { neRecordOf(this)->force = f; }
neVector3 neRigidBodyController::GetForce() const { return neRecordOf(this)->force; }
void neRigidBodyController::SetTorque(const neVector3& t) { neRecordOf(this)->torque = t; }
neVector3 neRigidBodyController::GetTorque() const { return neRecordOf(this)->torque; }

void neRigidBodyController::SetForceWithTorque(const neVector3& force, const neVector3& point) {
  neControllerRecord* c = neRecordOf(this);
  c->force = force;
  c->torque = (point - c->body->state.pos).Cross(force);
}

neConstraint* neJointController::GetConstraint() const { return neRecordOf(this)->constraint; }
void neJointController::SetForce(const neVector3& f) { neRecordOf(this)->force = f; }
neVector3 neJointController::GetForce() const { return neRecordOf(this)->force; }
void neJointController::SetTorque(const neVector3& t) { neRecordOf(this)->torque = t; }
neVector3 neJointController::GetTorque() const { return neRecordOf(this)->torque; }
void neJointController::SetForceB(const neVector3& f) { neRecordOf(this)->forceB = f; }
neVector3 neJointController::GetForceB() const { return neRecordOf(this)->forceB; }
void neJointController::SetTorqueB(const neVector3& t) { neRecordOf(this)->torqueB = t; }
neVector3 neJointController::GetTorqueB() const { return neRecordOf(this)->torqueB; }

void neJointController::SetForceWithTorque(const neVector3& force, const neVector3& point) {
  neControllerRecord* c = neRecordOf(this);
  c->force = force;
  c->torque = (point - c->constraint->bodyA->state.pos).Cross(force);
}

void neJointController::SetForceWithTorqueB(const neVector3& force, const neVector3& point) {
  neControllerRecord* c = neRecordOf(this);
  c->forceB = force;
  neBody* b = c->constraint->bodyB;
  neRigidBodyRecord* rb = b ? b->AsRigid() : nullptr;
  if (rb) c->torqueB = (point - rb->state.pos).Cross(force);
}
