// Rigid-body dynamics: reset, forces and controllers, the velocity and
// position updates, impulses, rest and wake, support slots and release.
#include <cmath>

#include "physics/body.h"
#include "physics/rest.h"
#include "physics/substep_phases.h"
#include "physics/simulation.h"

namespace {

const neVector3 kZero = {0.0f, 0.0f, 0.0f, 0.0f};

neQuaternion AddScaled(const neQuaternion& q, float s, const neQuaternion& r) {
  return neQuaternion{q.x + s * r.x, q.y + s * r.y, q.z + s * r.z, q.w + s * r.w};
}

// 0.5 (w as a pure quaternion) q.
neQuaternion RateOf(const neVector3& w, const neQuaternion& q) {
  const neQuaternion pure{w.x, w.y, w.z, 0.0f};
  neQuaternion r = pure.Multiply(q);
  r.x *= 0.5f; r.y *= 0.5f; r.z *= 0.5f; r.w *= 0.5f;
  return r;
}

neMatrix3x3 WorldInverseInertia(const neMatrix3x3& rot, const neMatrix3x3& bodyInverse) {
  neMatrix3x3 rt;
  rt.SetTranspose(rot);
  return rot.Multiply(bodyInverse).Multiply(rt);
}

bool AnyAbove(const neVector3& v) {
  return std::fabs(v.x) >= kNeZero || std::fabs(v.y) >= kNeZero || std::fabs(v.z) >= kNeZero;
}

}  // namespace

void neRigidBodyRecord::Reset() {
  mass = invMass = 1.0f;
  inertiaInverse.SetIdentity();
  inertia.SetZero();
  state.q.SetIdentity();
  state.angularMomentum = kZero;
  state.rot.SetIdentity();
  state.rot.col[0].w = state.rot.col[1].w = state.rot.col[2].w = 0.0f;
  state.pos = kZero;
  velocity = angularVelocity = kZero;
  ClearPush();
  bounceSteps = 0;
  bounceOther = nullptr;
  quaternionRate = neQuaternion{0, 0, 0, 0};
  // Computed now, so an impulse before the first step uses the right inertia.
  RefreshWorldInertia();
  speed = 0.0f;
  hostForce = hostTorque = gravityForce = kZero;
  controllerForce = controllerTorque = kZero;
  forceAccumulator = torqueAccumulator = acceleration = kZero;
  linearDamping = angularDamping = 0.0f;
  gravityEnabled = 1;
  restState = kNeAwake;
  restThreshold = 0.2f;
  restCounter = 0;
  for (int i = 0; i < kNeRingSlots; ++i) {
    velocityChangeRing[i] = angularChangeRing[i] = kZero;
    velocityHistory[i] = angularVelocityHistory[i] = kZero;
  }
  impulseSumLinear = impulseSumAngular = kZero;
  impulseCountLinear = impulseCountAngular = 0;
  rest = neRestRecord{};
  boxPoseValid = 0;
  ringsDirty = 0;
  controllerHead = controllerCursor = nullptr;
  particle = 0;
  stackNode = nullptr;
  quiet = 0;
  quietBase = 0;
  stepKey = 0;
  stepNext = stepPrev = nullptr;
  collectPending = 0;
  stackCheck = 0;
  userData = 0;
  kind = kNeBodyRigid;
  Wake();
}

void neRigidBodyRecord::SetMass(float m) {
  // 1/0 or a negative mass would poison every impulse that touches the body.
  if (!(m > 0.0f) || !neIsFinite(m)) return;
  mass = m;
  invMass = 1.0f / m;
}

void neRigidBodyRecord::SetInertiaDiagonal(const neVector3& d) {
  inertia.SetZero();
  inertia.At(0, 0) = d.x;
  inertia.At(1, 1) = d.y;
  inertia.At(2, 2) = d.z;
  if (std::fabs(d.x * d.y * d.z) < kNeZeroDeterminant) return;
  inertiaInverse.SetZero();
  inertiaInverse.At(0, 0) = 1.0f / d.x;
  inertiaInverse.At(1, 1) = 1.0f / d.y;
  inertiaInverse.At(2, 2) = 1.0f / d.z;
  RefreshWorldInertia();
}

void neRigidBodyRecord::SetInertiaMatrix(const neMatrix3x3& m) {
  inertia = m;
  neMatrix3x3 inv;
  if (!inv.SetInverse(m)) return;
  inertiaInverse = inv;
  RefreshWorldInertia();
}

void neRigidBodyRecord::RefreshWorldInertia() {
  Stir();
  worldInertiaInverse = WorldInverseInertia(state.rot, inertiaInverse);
  angularVelocity = worldInertiaInverse.MultiplyVector(state.angularMomentum);
}

void neRigidBodyRecord::SetRotationQuaternion(const neQuaternion& q) {
  state.q = q;
  state.rot = q.BuildMatrix();
  RefreshWorldInertia();
  quaternionRate = RateOf(angularVelocity, state.q);
}

void neRigidBodyRecord::SetRotationMatrix(const neMatrix3x3& r) {
  state.rot = r;
  state.q.SetupFromMatrix(r);
  RefreshWorldInertia();
  quaternionRate = RateOf(angularVelocity, state.q);
}

void neRigidBodyRecord::SetAngularMomentum(const neVector3& L) {
  Stir();
  state.angularMomentum = L;
  angularVelocity = worldInertiaInverse.MultiplyVector(L);
  quaternionRate = RateOf(angularVelocity, state.q);
}

void neRigidBodyRecord::ApplyImpulseAtOffset(const neVector3& impulse, const neVector3& offset) {
  Stir();
  const int32_t slot = sim ? sim->RingSlot() : 0;
  const neVector3 dv = impulse * invMass;
  velocity += dv;
  velocityChangeRing[slot] += dv;
  ringsDirty = 1;
  const neVector3 dL = offset.Cross(impulse);
  angularChangeRing[slot] += worldInertiaInverse.MultiplyVector(dL);
  SetAngularMomentum(state.angularMomentum + dL);
}

void neRigidBodyRecord::ApplyPushAtOffset(const neVector3& impulse, const neVector3& offset) {
  Stir();
  pushVelocity += impulse * invMass;
  pushAngularVelocity += worldInertiaInverse.MultiplyVector(offset.Cross(impulse));
  pushed = 1;
}

void neRigidBodyRecord::ClearPush() {
  pushVelocity = pushAngularVelocity = kZero;
  pushed = 0;
}

void neRigidBodyRecord::QueueBounce(const neVector3& change, const neVector3& normal,
                                    neBody* other) {
  if (bounceSteps > 0 && bounceVelocity.LengthSquared() >= change.LengthSquared()) return;
  Stir();
  bounceVelocity = change;
  bounceNormal = normal;
  bounceOther = other;
  bounceSteps = kNeBounceWait;
}

void neRigidBodyRecord::SettleBounce(float closingAllowance) {
  neVector3 relative = velocity;
  if (bounceOther) {
    if (neRigidBodyRecord* o = bounceOther->AsRigid()) relative -= o->velocity;
  }
  if (relative.Dot(bounceNormal) >= -closingAllowance) {
    velocity += bounceVelocity;
    bounceSteps = 0;
  } else {
    --bounceSteps;
  }
  if (bounceSteps == 0) bounceOther = nullptr;
}

void neRigidBodyRecord::ApplyAveragedImpulses() {
  if (impulseCountLinear > 0) velocity += impulseSumLinear * (1.0f / impulseCountLinear);
  if (impulseCountAngular > 0)
    SetAngularMomentum(state.angularMomentum + impulseSumAngular * (1.0f / impulseCountAngular));
  impulseSumLinear = impulseSumAngular = kZero;
  impulseCountLinear = impulseCountAngular = 0;
}

void neRigidBodyRecord::UpdateControllers(float dt) {
  gravityForce = (gravityEnabled && restState != kNeResting) ? sim->gravity * mass : kZero;
  gravityForce.w = 0.0f;
  RunControllers(dt);
}

void neRigidBodyRecord::RunControllers(float dt) {
  controllerForce = controllerTorque = kZero;
  for (neControllerRecord* c = controllerHead; c; c = c->next) {
    if (c->countdown > 0) {
      --c->countdown;
    } else {
      c->bodyCallback->Callback(c, dt);
      c->countdown = c->period;
    }
    controllerForce += c->force;
    controllerTorque += c->torque;
  }
}

void neRigidBodyRecord::UpdateVelocity(float dt) {
  ++stepsSinceSnapshot;
  impulseSumLinear = impulseSumAngular = kZero;
  impulseCountLinear = impulseCountAngular = 0;
  if (restState == kNeResting) {
    if (AnyAbove(controllerForce) || AnyAbove(controllerTorque)) Wake();
    if (restState == kNeResting && neKeepResting(*this)) return;
  }
  const int32_t slot = sim->RingSlot();
  velocityChangeRing[slot] = angularChangeRing[slot] = kZero;
  ringsDirty = 1;
  stepStartVelocity = velocity;

  forceAccumulator += hostForce + gravityForce + controllerForce;
  const neVector3 dv = forceAccumulator * (invMass * dt);
  velocityChangeRing[slot] = dv;
  acceleration = forceAccumulator * invMass;
  velocity = (velocity + dv) * (1.0f - linearDamping);

  torqueAccumulator += hostTorque + controllerTorque;
  const neVector3& T = torqueAccumulator;
  neVector3 L = state.angularMomentum * (1.0f - angularDamping);
  // Half step for the angular velocity the position update will use.
  neQuaternion qHalf = AddScaled(state.q, dt * 0.5f, quaternionRate);
  if (!qHalf.Normalize()) qHalf = state.q;
  const neVector3 LHalf = L + T * (dt * 0.5f);
  const neMatrix3x3 rHalf = qHalf.BuildMatrix();
  const neVector3 wHalf = WorldInverseInertia(rHalf, inertiaInverse).MultiplyVector(LHalf);
  quaternionRate = RateOf(wHalf, qHalf);
  state.angularMomentum = L + T * dt;
  angularVelocity = wHalf;
}

void neRigidBodyRecord::UpdatePosition(float dt) {
  const neVector3 p = state.pos;
  neVector3 next = p + velocity * dt + acceleration * (0.5f * dt * dt);
  if (pushed) next += pushVelocity * dt;
  smoothedDisplacement = smoothedDisplacement * 0.7f + (next - p) * 0.3f;
  state.pos = next;
  state.pos.w = p.w;

  SetAngularMomentum(state.angularMomentum);
  // The push turns the body this once; the rate below comes from L alone.
  if (pushed) {
    quaternionRate = RateOf(angularVelocity + pushAngularVelocity, state.q);
    ClearPush();
  }
  neQuaternion q = AddScaled(state.q, dt, quaternionRate);
  // A zero or non-finite norm keeps the previous orientation.
  if (q.Normalize()) state.q = q;
  state.rot = state.q.BuildMatrix();
  worldInertiaInverse = WorldInverseInertia(state.rot, inertiaInverse);
  angularVelocity = worldInertiaInverse.MultiplyVector(state.angularMomentum);
  quaternionRate = RateOf(angularVelocity, state.q);
  speed = velocity.Length();

  UpdateControllers(dt);
  if (sensorHead) ClearSensorHits();
  const int32_t slot = sim->RingSlot();
  velocityHistory[slot] = velocity;
  angularVelocityHistory[slot] = angularVelocity;
  ringsDirty = 1;
}

void neRigidBodyRecord::ReadSensorsAtRest(float dt) {
  RunControllers(dt);
  ClearSensorHits();
}

void neRigidBodyRecord::StirWithSupported() {
  Stir();
  // What rests on a waking body no longer has a steady support.
  for (neRestContact* c = supportedFirst; c; c = c->supportedNext) {
    if (c->owner) c->owner->Stir();
  }
}

void neRigidBodyRecord::Wake() {
  StirWithSupported();
  restState = kNeAwake;
  restCounter = 0;
  snapshotPos = state.pos;
  snapshotQ = state.q;
  snapshotRot = state.rot;
  snapshotVelocity = velocity;
  snapshotAngularVelocity = angularVelocity;
  stepsSinceSnapshot = 0;
}

void neRigidBodyRecord::Rest() {
  restState = kNeResting;
  velocity = angularVelocity = kZero;
  if (pushed) ClearPush();
  bounceSteps = 0;
  bounceOther = nullptr;
  quaternionRate = neQuaternion{0, 0, 0, 0};
  state.angularMomentum = kZero;
  speed = 0.0f;
  if (!ringsDirty) return;  // a body kept at rest step after step has nothing to clear
  for (int i = 0; i < kNeRingSlots; ++i) {
    velocityChangeRing[i] = kZero;
    velocityHistory[i] = angularVelocityHistory[i] = kZero;
  }
  ringsDirty = 0;
}

void neRigidBodyRecord::WakeConnected() {
  if (!constraintSet) {
    Wake();
    return;
  }
  // The set lists animated members too; only rigid ones have a rest state.
  for (neBody* b = constraintSet->bodyFirst; b; b = b->setNext) {
    if (neRigidBodyRecord* r = b->AsRigid()) r->Wake();
  }
}

void neRigidBodyRecord::UnlinkSupportSlot(int32_t slot) {
  Stir();
  neRestContact& c = rest.slots[slot];
  if (c.inUse && c.other) {
    if (c.supportedPrev) c.supportedPrev->supportedNext = c.supportedNext;
    else if (c.other->supportedFirst == &c) c.other->supportedFirst = c.supportedNext;
    if (c.supportedNext) c.supportedNext->supportedPrev = c.supportedPrev;
  }
  c.supportedNext = c.supportedPrev = nullptr;
  c.inUse = 0;
  c.other = nullptr;
}

void neRigidBodyRecord::AddSupportContact(const neRestContact& contact) {
  Stir();
  int32_t slot = -1;
  for (int32_t i = 0; i < 3 && slot < 0; ++i) {
    const neRestContact& s = rest.slots[i];
    if (s.inUse && (s.pointInThis - contact.pointInThis).LengthSquared() < 0.0025f) slot = i;
  }
  for (int32_t i = 0; i < 3 && slot < 0; ++i) {
    if (!rest.slots[i].inUse) slot = i;
  }
  if (slot < 0) {
    slot = 0;
    for (int32_t i = 1; i < 3; ++i) {
      if (rest.slots[i].depth < rest.slots[slot].depth) slot = i;
    }
  }
  UnlinkSupportSlot(slot);
  neRestContact& s = rest.slots[slot];
  s = contact;
  s.inUse = 1;
  s.owner = this;
  s.stamp = static_cast<int32_t>(sim->advanceCount);
  s.supportedPrev = nullptr;
  s.supportedNext = nullptr;
  if (s.other) {
    s.supportedNext = s.other->supportedFirst;
    if (s.supportedNext) s.supportedNext->supportedPrev = &s;
    s.other->supportedFirst = &s;
  }
}

neControllerRecord* neRigidBodyRecord::AddController(neRigidBodyControllerCallback* callback,
                                                     int32_t period) {
  // A controller without a callback would be called through null.
  if (!callback) return nullptr;
  neControllerRecord* c = sim->controllerPool.TakeUnlisted();
  if (!c) {
    sim->Log(kNeMsgControllers);
    return nullptr;
  }
  *c = neControllerRecord{};
  c->inUse = 1;
  c->bodyCallback = callback;
  c->body = this;
  c->period = c->countdown = period;
  if (!controllerHead) {
    controllerHead = c;
  } else {
    neControllerRecord* last = controllerHead;
    while (last->next) last = last->next;
    last->next = c;
    c->prev = last;
  }
  return c;
}

bool neRigidBodyRecord::RemoveController(neControllerRecord* c) {
  if (!c) return false;
  for (neControllerRecord* i = controllerHead; i; i = i->next) {
    if (i != c) continue;
    if (controllerHead == c) controllerHead = c->next;
    if (controllerCursor == c) controllerCursor = c->next;
    sim->controllerPool.ReleaseUnlisted(c);
    return true;
  }
  return false;
}

void neRigidBodyRecord::Release() {
  for (neControllerRecord* c = controllerHead; c;) {
    neControllerRecord* n = c->next;
    sim->controllerPool.ReleaseUnlisted(c);
    c = n;
  }
  controllerHead = controllerCursor = nullptr;
  neLeaveStack(*this);
  for (int32_t i = 0; i < 3; ++i) UnlinkSupportSlot(i);
  WakeSupported();
  ReleaseCollisionPart();
}

// --- The sub-step list ---------------------------------------------------------

namespace {

neStepList& StepListOf(neRigidBodyRecord& r) {
  return r.particle ? r.sim->stepParticles : r.sim->stepRigid;
}

void LinkStepAfter(neStepList& list, neRigidBodyRecord* at, neRigidBodyRecord* r) {
  r->stepPrev = at;
  r->stepNext = at ? at->stepNext : list.first;
  if (r->stepNext) r->stepNext->stepPrev = r; else list.last = r;
  if (at) at->stepNext = r; else list.first = r;
}

void UnlinkStep(neStepList& list, neRigidBodyRecord* r) {
  if (r->stepPrev) r->stepPrev->stepNext = r->stepNext; else list.first = r->stepNext;
  if (r->stepNext) r->stepNext->stepPrev = r->stepPrev; else list.last = r->stepPrev;
  r->stepNext = r->stepPrev = nullptr;
}

}  // namespace

void neRigidBodyRecord::Unquiet() {
  neSimulationRecord& s = *sim;
  // The velocity updates it missed still count as steps since its snapshot
  // (and as resting bodies in the step counter, which counted it already).
  int32_t missed = static_cast<int32_t>(s.quietClock - quietBase);
  const int32_t mine = particle ? 1 : 0;
  if (s.velocityPassList >= 0 &&
      (mine > s.velocityPassList || (mine == s.velocityPassList && stepKey > s.velocityPassKey))) {
    --missed;  // this sub-step's update is still to come
    --s.stepCounter;
  }
  stepsSinceSnapshot += missed;
  quiet = 0;
  --s.quietCount;
  // Back in its place by key: the awake bodies are few, so the walk from the
  // end is short.
  neStepList& list = StepListOf(*this);
  neRigidBodyRecord* at = list.last;
  while (at && at->stepKey > stepKey) at = at->stepPrev;
  LinkStepAfter(list, at, this);
}

void neRigidBodyRecord::EnterStepList() {
  quiet = 0;
  stepKey = ++sim->stepKeyCounter;
  neStepList& list = StepListOf(*this);
  LinkStepAfter(list, list.last, this);
}

void neRigidBodyRecord::LeaveStepList() {
  Stir();
  UnlinkStep(StepListOf(*this), this);
}

bool neRigidBodyRecord::GoQuiet() {
  if (!neMayGoQuiet(*this)) return false;
  UnlinkStep(StepListOf(*this), this);
  quiet = 1;
  quietBase = sim->quietClock;
  ++sim->quietCount;
  return true;
}
