// neConstraint handle methods, joint creation and freeing, and the joint
// lists of bodies. Enabling and everything a joint does in a step are the
// solver side's (joint.cpp).
#include "physics/constraint.h"

#include "physics/substep_phases.h"
#include "physics/simulation.h"

namespace {

neConstraintRecord*& NextOn(neConstraintRecord* c, const neBody* b) {
  return c->bodyA == b ? c->nextOnA : c->nextOnB;
}
neConstraintRecord*& PrevOn(neConstraintRecord* c, const neBody* b) {
  return c->bodyA == b ? c->prevOnA : c->prevOnB;
}

void LinkJoint(neBody* b, neConstraintRecord* c) {
  NextOn(c, b) = b->jointHead;
  PrevOn(c, b) = nullptr;
  if (b->jointHead) PrevOn(b->jointHead, b) = c;
  b->jointHead = c;
}

void UnlinkJoint(neBody* b, neConstraintRecord* c) {
  neConstraintRecord* n = NextOn(c, b);
  neConstraintRecord* p = PrevOn(c, b);
  if (p) NextOn(p, b) = n; else b->jointHead = n;
  if (n) PrevOn(n, b) = p;
  NextOn(c, b) = PrevOn(c, b) = nullptr;
}

neConstraintRecord* TakeJoint(neSimulationRecord* sim, neRigidBodyRecord* a, neBody* b) {
  // Unlisted: once enabled, the joint's links serve its constraint set's list.
  neConstraintRecord* c = sim->constraintPool.TakeUnlisted();
  if (!c) {
    sim->Log(kNeMsgConstraints);
    return nullptr;
  }
  c->Reset();
  c->sim = sim;
  c->bodyA = a;
  c->bodyB = b;
  LinkJoint(a, c);
  if (b) LinkJoint(b, c);
  return c;
}

}  // namespace

void neConstraintRecord::Reset() {
  frameA.SetIdentity();
  frameB.SetIdentity();
  frameAWorld.SetIdentity();
  frameBWorld.SetIdentity();
  controllerHead = controllerCursor = nullptr;
  bodyA = nullptr;
  bodyB = nullptr;
  anchorCount = 1;
  for (neJointAnchor& a : anchors) a = neJointAnchor{};
  enabled = 0;
  tolerance = -1.0f;
  iterations = -1;
  jointLength = 1.0f;
  angle = signedAngle = 0.0f;
  damping = 0.0f;
  limit = neJointLimit{};
  twistLimit = neJointLimit{};
  motor = neJointMotor{};
  motor2 = neJointMotor{};
  twistRef[0].SetIdentity();
  twistRef[1].SetIdentity();
  addedToSet = 0;
  type = kBall;
  set = nullptr;
  nextOnA = prevOnA = nextOnB = prevOnB = nullptr;
}

neConstraint* neSimulation::CreateConstraint(neRigidBody* bodyA) {
  if (!bodyA) return nullptr;
  return TakeJoint(neRecordOf(this), neRecordOf(bodyA), nullptr);
}

neConstraint* neSimulation::CreateConstraint(neRigidBody* bodyA, neRigidBody* bodyB) {
  if (!bodyA || !bodyB) return nullptr;
  neRigidBodyRecord* b = neRecordOf(bodyB);
  return TakeJoint(neRecordOf(this), neRecordOf(bodyA), static_cast<neBody*>(b));
}

neConstraint* neSimulation::CreateConstraint(neRigidBody* bodyA, neAnimatedBody* bodyB) {
  if (!bodyA || !bodyB) return nullptr;
  neAnimatedBodyRecord* b = neRecordOf(bodyB);
  return TakeJoint(neRecordOf(this), neRecordOf(bodyA), static_cast<neBody*>(b));
}

void neFreeJoint(neSimulationRecord& sim, neConstraintRecord* c) {
  if (!sim.constraintPool.Contains(c)) return;
  // Joint controllers go back first: they point at the joint.
  for (neControllerRecord* k = c->controllerHead; k;) {
    neControllerRecord* n = k->next;
    sim.controllerPool.ReleaseUnlisted(k);
    k = n;
  }
  c->controllerHead = c->controllerCursor = nullptr;
  neConstraintSet* set = c->set;
  if (set) {
    set->joints.Remove(c);
    set->state = 2;
    c->set = nullptr;
  }
  neBody* sides[2] = {c->bodyA, c->bodyB};
  for (neBody* b : sides) {
    if (!b) continue;
    UnlinkJoint(b, c);
  }
  // Clear the sides only after both unlinks: NextOn tells A from B by them.
  c->bodyA = nullptr;
  c->bodyB = nullptr;
  for (neBody* b : sides) {
    if (b && !b->jointHead && b->constraintSet) b->LeaveConstraintSet();
  }
  c->next = c->prev = nullptr;
  sim.constraintPool.ReleaseUnlisted(c);
}

void neSimulation::FreeConstraint(neConstraint* constraint) {
  if (!constraint) return;
  neFreeJoint(*neRecordOf(this), neRecordOf(constraint));
}

void neConstraint::SetType(int32_t t) {
  neConstraintRecord* c = neRecordOf(this);
  if (t == kBall) {
    c->type = t;
    c->anchorCount = 1;
  } else if (t == kHinge || t == kSlider) {
    c->type = t;
    c->anchorCount = 2;
  }
}
int32_t neConstraint::GetType() const { return neRecordOf(this)->type; }
neRigidBody* neConstraint::GetRigidBodyA() const { return neRecordOf(this)->bodyA; }
neRigidBody* neConstraint::GetRigidBodyB() const {
  neBody* b = neRecordOf(this)->bodyB;
  return b ? b->AsRigid() : nullptr;
}
neAnimatedBody* neConstraint::GetAnimatedBodyB() const {
  neBody* b = neRecordOf(this)->bodyB;
  return b ? b->AsAnimated() : nullptr;
}
void neConstraint::SetFrameA(const neTransform& f) { neRecordOf(this)->frameA = f; }
void neConstraint::SetFrameB(const neTransform& f) { neRecordOf(this)->frameB = f; }

void neConstraint::SetFrameWorld(const neTransform& world) {
  neConstraintRecord* c = neRecordOf(this);
  if (c->bodyA) c->frameA = c->bodyA->Transform().FastInverse().Multiply(world);
  c->frameB = c->bodyB ? c->bodyB->Transform().FastInverse().Multiply(world) : world;
}

neTransform neConstraint::GetFrameAWorld() const {
  const neConstraintRecord* c = neRecordOf(this);
  return c->bodyA ? c->bodyA->Transform().Multiply(c->frameA) : c->frameA;
}

neTransform neConstraint::GetFrameBWorld() const {
  const neConstraintRecord* c = neRecordOf(this);
  return c->bodyB ? c->bodyB->Transform().Multiply(c->frameB) : c->frameB;
}

void neConstraint::SetJointLength(float l) { neRecordOf(this)->jointLength = l; }
float neConstraint::GetJointLength() const { return neRecordOf(this)->jointLength; }
void neConstraint::Enable(bool enable) { neConstraintEnable(*neRecordOf(this), enable); }
bool neConstraint::Enabled() const { return neRecordOf(this)->enabled != 0; }
void neConstraint::SetDamping(float d) { neRecordOf(this)->damping = d; }
float neConstraint::GetDamping() const { return neRecordOf(this)->damping; }
void neConstraint::SetTolerance(float t) { neRecordOf(this)->tolerance = t; }
float neConstraint::GetTolerance() const {
  const float t = neRecordOf(this)->tolerance;
  return t > 0.0f ? t : 0.001f;
}
void neConstraint::SetIterationCount(int32_t n) { neRecordOf(this)->iterations = n; }
int32_t neConstraint::GetIterationCount() const { return neRecordOf(this)->iterations; }
void neConstraint::SetUpperLimit(float l) { neRecordOf(this)->limit.upper = l; }
float neConstraint::GetUpperLimit() const { return neRecordOf(this)->limit.upper; }
void neConstraint::SetLowerLimit(float l) { neRecordOf(this)->limit.lower = l; }
float neConstraint::GetLowerLimit() const { return neRecordOf(this)->limit.lower; }
void neConstraint::EnableLimit(int32_t on) { neRecordOf(this)->limit.enabled = on; }
int32_t neConstraint::LimitEnabled() const { return neRecordOf(this)->limit.enabled; }
void neConstraint::SetUpperTwistLimit(float l) { neRecordOf(this)->twistLimit.upper = l; }
float neConstraint::GetUpperTwistLimit() const { return neRecordOf(this)->twistLimit.upper; }
void neConstraint::SetLowerTwistLimit(float l) { neRecordOf(this)->twistLimit.lower = l; }
float neConstraint::GetLowerTwistLimit() const { return neRecordOf(this)->twistLimit.lower; }
void neConstraint::EnableTwistLimit(int32_t on) { neRecordOf(this)->twistLimit.enabled = on; }
int32_t neConstraint::TwistLimitEnabled() const { return neRecordOf(this)->twistLimit.enabled; }
void neConstraint::EnableMotor(int32_t on) { neRecordOf(this)->motor.enabled = on; }
int32_t neConstraint::MotorEnabled() const { return neRecordOf(this)->motor.enabled; }

void neConstraint::SetMotor(int32_t kind, float targetSpeed, float maxForce) {
  neJointMotor& m = neRecordOf(this)->motor;
  m.kind = kind;
  m.targetSpeed = targetSpeed;
  m.maxForce = std::fabs(maxForce);
}
void neConstraint::GetMotor(int32_t& kind, float& targetSpeed, float& maxForce) const {
  const neJointMotor& m = neRecordOf(this)->motor;
  kind = m.kind;
  targetSpeed = m.targetSpeed;
  maxForce = m.maxForce;
}
void neConstraint::EnableMotor2(int32_t on) { neRecordOf(this)->motor2.enabled = on; }
int32_t neConstraint::Motor2Enabled() const { return neRecordOf(this)->motor2.enabled; }
void neConstraint::SetMotor2(int32_t kind, float targetSpeed, float maxForce) {
  neJointMotor& m = neRecordOf(this)->motor2;
  m.kind = kind;
  m.targetSpeed = targetSpeed;
  m.maxForce = std::fabs(maxForce);
}
void neConstraint::GetMotor2(int32_t& kind, float& targetSpeed, float& maxForce) const {
  const neJointMotor& m = neRecordOf(this)->motor2;
  kind = m.kind;
  targetSpeed = m.targetSpeed;
  maxForce = m.maxForce;
}

neJointController* neConstraint::AddController(neJointControllerCallback* callback,
                                               int32_t period) {
  neConstraintRecord* c = neRecordOf(this);
  if (!callback) return nullptr;
  neControllerRecord* k = c->sim->controllerPool.TakeUnlisted();
  if (!k) {
    c->sim->Log(kNeMsgControllers);
    return nullptr;
  }
  *k = neControllerRecord{};
  k->inUse = 1;
  k->jointCallback = callback;
  k->constraint = c;
  k->period = k->countdown = period;
  // Right after the first controller, or as the first.
  neControllerRecord* first = c->controllerHead;
  if (!first) {
    c->controllerHead = k;
  } else {
    k->prev = first;
    k->next = first->next;
    if (first->next) first->next->prev = k;
    first->next = k;
  }
  return k;
}

bool neConstraint::RemoveController(neJointController* controller) {
  neConstraintRecord* c = neRecordOf(this);
  if (!controller) return false;
  neControllerRecord* k = neRecordOf(controller);
  for (neControllerRecord* i = c->controllerHead; i; i = i->next) {
    if (i != k) continue;
    if (c->controllerHead == k) c->controllerHead = k->next;
    if (c->controllerCursor == k) c->controllerCursor = k->next;
    c->sim->controllerPool.ReleaseUnlisted(k);
    return true;
  }
  return false;
}

void neConstraint::BeginControllerIteration() {
  neConstraintRecord* c = neRecordOf(this);
  c->controllerCursor = c->controllerHead;
}

neJointController* neConstraint::GetNextController() {
  neConstraintRecord* c = neRecordOf(this);
  neControllerRecord* k = c->controllerCursor;
  if (k) c->controllerCursor = k->next;
  return k;
}
