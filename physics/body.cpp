// The collision part shared by every body: geometry and sensor lists,
// activation, bounds and release.
#include "physics/body.h"

#include <cmath>

#include "physics/substep_phases.h"
#include "physics/simulation.h"

void neBody::ResetCollisionPart() {
  geometryHead = geometryCursor = nullptr;
  geometryCount = 0;
  sensorHead = sensorCursor = nullptr;
  collisionId = 0;
  active = 1;
  inRegion = 0;
  constraintSet = nullptr;
  setNext = setPrev = nullptr;
  collideConnected = respondConnected = 0;
  customCollision = 0;
  customTransform.SetIdentity();
  customRadius = 0.0f;
  box.SetDefault();
  boxCentre = neV3(0.0f, 0.0f, 0.0f);
  boxHalfExtents = neV3(0.5f, 0.5f, 0.5f);
  boxAxes[0] = neV3(0.5f, 0.0f, 0.0f);
  boxAxes[1] = neV3(0.0f, 0.5f, 0.0f);
  boxAxes[2] = neV3(0.0f, 0.0f, 0.5f);
  worldMin = worldMax = neV3(0.0f, 0.0f, 0.0f);
  regionNode = nullptr;
  joinState = kNeJoinNone;
  for (int i = 0; i < 3; ++i) lower[i] = upper[i] = nullptr;
  smoothedDisplacement = neV3(0.0f, 0.0f, 0.0f);
  pushedLastStep = pushedThisStep = 0;
  supportedFirst = nullptr;
  jointHead = nullptr;
}

neGeometryRecord* neBody::AddGeometry() {
  neStir(this);
  neGeometryRecord* g = sim->geometryPool.TakeUnlisted();
  if (!g) {
    sim->Log(kNeMsgGeometries);
    return nullptr;
  }
  g->SetDefault();
  g->userData = 0;
  g->next = g->prev = nullptr;
  if (!geometryHead) {
    geometryHead = g;
  } else {
    neGeometryRecord* last = geometryHead;
    while (last->next) last = last->next;
    last->next = g;
    g->prev = last;
  }
  ++geometryCount;
  if (active && !regionNode) sim->region.AddBody(this, nullptr);
  return g;
}

bool neBody::RemoveGeometry(neGeometryRecord* g) {
  neStir(this);
  if (!g) return false;
  for (neGeometryRecord* i = geometryHead; i; i = i->next) {
    if (i != g) continue;
    if (geometryHead == g) geometryHead = g->next;
    if (geometryCursor == g) geometryCursor = g->next;
    sim->geometryPool.ReleaseUnlisted(g);
    --geometryCount;
    if (geometryCount == 0 && regionNode && !customCollision) sim->region.RemoveBody(this);
    return true;
  }
  return false;
}

neSensorRecord* neBody::AddSensor() {
  neStir(this);
  neSensorRecord* s = sim->sensorPool.TakeUnlisted();
  if (!s) {
    sim->Log(kNeMsgSensors);
    return nullptr;
  }
  // Its data is kept: a reused sensor shows its old line until SetLine.
  s->next = s->prev = nullptr;
  if (!sensorHead) {
    sensorHead = s;
  } else {
    neSensorRecord* last = sensorHead;
    while (last->next) last = last->next;
    last->next = s;
    s->prev = last;
  }
  return s;
}

bool neBody::RemoveSensor(neSensorRecord* s) {
  neStir(this);
  if (!s) return false;
  for (neSensorRecord* i = sensorHead; i; i = i->next) {
    if (i != s) continue;
    if (sensorHead == s) sensorHead = s->next;
    if (sensorCursor == s) sensorCursor = s->next;
    sim->sensorPool.ReleaseUnlisted(s);
    return true;
  }
  return false;
}

void neBody::ClearSensorHits() {
  for (neSensorRecord* s = sensorHead; s; s = s->next) s->ClearHit();
}

namespace {

// Moves a body between the active and inactive lists of its kind.
void MoveBetweenLists(neBody* body, bool toActive) {
  neSimulationRecord* sim = body->sim;
  if (neAnimatedBodyRecord* a = body->AsAnimated()) {
    (toActive ? sim->inactiveAnimated : sim->activeAnimated).Remove(a);
    (toActive ? sim->activeAnimated : sim->inactiveAnimated).Append(a);
    return;
  }
  neRigidBodyRecord* r = body->AsRigid();
  neList<neRigidBodyRecord>& from = r->particle ? (toActive ? sim->inactiveParticles : sim->activeParticles)
                                                : (toActive ? sim->inactiveRigid : sim->activeRigid);
  neList<neRigidBodyRecord>& to = r->particle ? (toActive ? sim->activeParticles : sim->inactiveParticles)
                                              : (toActive ? sim->activeRigid : sim->inactiveRigid);
  if (!toActive) r->LeaveStepList();
  from.Remove(r);
  to.Append(r);
  if (toActive) r->EnterStepList();
}

}  // namespace

void neBody::SetActive(bool makeActive, neBody* hint) {
  if (active) {
    if (makeActive) return;
    MoveBetweenLists(this, false);
    if (regionNode) sim->region.RemoveBody(this);
    active = 0;
    // What rested on it would otherwise hang in the air.
    WakeSupported();
    return;
  }
  // An inactive body becomes active whatever the flag.
  MoveBetweenLists(this, true);
  active = 1;
  if (HasCollisionShape()) sim->region.AddBody(this, hint);
}

void neBody::RecomputeBounds() {
  neStir(this);
  if (neRigidBodyRecord* r = AsRigid()) r->boxPoseValid = 0;
  neBodyComputeBox(*this);
  neVector3 lo, hi;
  if (geometryCount == 0 && customCollision) {
    const neVector3 r = neV3(customRadius, customRadius, customRadius);
    lo = customTransform.pos - r;
    hi = customTransform.pos + r;
  } else {
    box.GetExtents(lo, hi);
  }
  for (neSensorRecord* s = sensorHead; s; s = s->next) {
    const neVector3 end = s->start + s->line;
    lo.SetMin(lo, s->start);
    hi.SetMax(hi, s->start);
    lo.SetMin(lo, end);
    hi.SetMax(hi, end);
  }
  boxHalfExtents = (hi - lo) * 0.5f;
  boxHalfExtents.w = 0.0f;
  boxCentre = lo + boxHalfExtents;
  boxCentre.w = 0.0f;
  boxAxes[0] = neV3(boxHalfExtents.x, 0.0f, 0.0f);
  boxAxes[1] = neV3(0.0f, boxHalfExtents.y, 0.0f);
  boxAxes[2] = neV3(0.0f, 0.0f, boxHalfExtents.z);
}

void neBody::RefreshWorldBox() {
  if (!HasCollisionShape()) return;
  const neTransform t = Transform();
  const neVector3 centre = t.rot.MultiplyVector(boxCentre) + t.pos;
  const neVector3 a0 = t.rot.MultiplyVector(boxAxes[0]);
  const neVector3 a1 = t.rot.MultiplyVector(boxAxes[1]);
  const neVector3 a2 = t.rot.MultiplyVector(boxAxes[2]);
  for (int i = 0; i < 3; ++i) {
    const float e = std::fabs(a0[i]) + std::fabs(a1[i]) + std::fabs(a2[i]);
    worldMin[i] = centre[i] - e;
    worldMax[i] = centre[i] + e;
    if (lower[i]) lower[i]->value = worldMin[i];
    if (upper[i]) upper[i]->value = worldMax[i];
  }
  if (neRigidBodyRecord* r = AsRigid()) {
    r->boxPoseRot = t.rot;
    r->boxPosePos = t.pos;
    r->boxPoseValid = 1;
  }
}

void neBody::LeaveConstraintSet() {
  neConstraintSet* set = constraintSet;
  if (!set) return;
  if (setPrev) setPrev->setNext = setNext; else if (set->bodyFirst == this) set->bodyFirst = setNext;
  if (setNext) setNext->setPrev = setPrev; else if (set->bodyLast == this) set->bodyLast = setPrev;
  setNext = setPrev = nullptr;
  --set->bodyCount;
  set->state = 2;
  constraintSet = nullptr;
  if (set->bodyCount <= 0 && sim->constraintSetPool.Contains(set)) {
    // Joints left in an emptied set lose it too.
    for (neConstraintRecord* c = set->joints.first; c;) {
      neConstraintRecord* n = c->next;
      c->set = nullptr;
      c->next = c->prev = nullptr;  // the joint list is gone
      c = n;
    }
    set->joints.Reset();
    sim->constraintSetPool.Release(set);
  }
}

void neBody::WakeSupported() {
  while (neRestContact* c = supportedFirst) {
    neRigidBodyRecord* owner = c->owner;
    const int32_t slot = static_cast<int32_t>(c - owner->rest.slots);
    owner->UnlinkSupportSlot(slot);  // advances supportedFirst
    // Only rigid bodies rest on supports; wake them, never anything else.
    if (owner->kind == kNeBodyRigid) owner->Wake();
  }
}

void neBody::ReleaseCollisionPart() {
  for (neSensorRecord* s = sensorHead; s;) {
    neSensorRecord* n = s->next;
    sim->sensorPool.ReleaseUnlisted(s);
    s = n;
  }
  sensorHead = sensorCursor = nullptr;
  if (regionNode) sim->region.RemoveBody(this);
  for (neGeometryRecord* g = geometryHead; g;) {
    neGeometryRecord* n = g->next;
    sim->geometryPool.ReleaseUnlisted(g);
    g = n;
  }
  geometryHead = geometryCursor = nullptr;
  geometryCount = 0;
  while (jointHead) neFreeJoint(*sim, jointHead);
  LeaveConstraintSet();
}
