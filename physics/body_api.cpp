// neRigidBody and neAnimatedBody handle methods. Setters that change motion
// wake the body; force and torque setters only when a component reaches 1e-6.
#include <cmath>

#include "physics/simulation.h"

namespace {

neBody* Part(neRigidBody* b) { return neRecordOf(b); }
const neBody* Part(const neRigidBody* b) { return neRecordOf(b); }
neBody* Part(neAnimatedBody* b) { return neRecordOf(b); }
const neBody* Part(const neAnimatedBody* b) { return neRecordOf(b); }
neBody* PartOrNull(neRigidBody* b) { return b ? Part(b) : nullptr; }
neBody* PartOrNull(neAnimatedBody* b) { return b ? Part(b) : nullptr; }

bool ReachesWakeLevel(const neVector3& v) {
  return std::fabs(v.x) >= kNeZero || std::fabs(v.y) >= kNeZero || std::fabs(v.z) >= kNeZero;
}

// What rests on an animated body that is placed loses its steady support.
void StirSupported(neBody* b) {
  for (neRestContact* c = b->supportedFirst; c; c = c->supportedNext) {
    if (c->owner) c->owner->Stir();
  }
}

bool ValidCollisionId(int32_t id) { return id >= -1 && id < neResponseTable::kMaxId; }

void UseCustom(neBody* b, bool use, const neTransform* obb, float radius) {
  neStir(b);
  if (use) {
    if (obb) b->customTransform = *obb;
    b->customRadius = radius;
    b->customCollision = 1;
    if (b->active && !b->regionNode) b->sim->region.AddBody(b, nullptr);
    return;
  }
  b->customCollision = 0;
  b->RecomputeBounds();
  if (b->regionNode && b->geometryCount == 0) b->sim->region.RemoveBody(b);
}

neGeometry* NextGeometry(neBody* b) {
  neGeometryRecord* g = b->geometryCursor;
  if (g) b->geometryCursor = g->next;
  return g;
}

neSensor* NextSensor(neBody* b) {
  neSensorRecord* s = b->sensorCursor;
  if (s) b->sensorCursor = s->next;
  return s;
}

}  // namespace

// Operations both kinds share, spelled out once for each handle type.
#define NE_BODY_COMMON(Handle)                                                              \
  void Handle::SetCollisionGroup(int32_t id) {                                              \
    if (ValidCollisionId(id)) Part(this)->collisionId = id;                                 \
  }                                                                                         \
  int32_t Handle::GetCollisionGroup() const { return Part(this)->collisionId; }             \
  void Handle::SetUserData(uintptr_t data) { Part(this)->userData = data; }                 \
  uintptr_t Handle::GetUserData() const { return Part(this)->userData; }                    \
  int32_t Handle::GetGeometryCount() const { return Part(this)->geometryCount; }            \
  neGeometry* Handle::AddGeometry() { return Part(this)->AddGeometry(); }                   \
  bool Handle::RemoveGeometry(neGeometry* g) {                                              \
    return g && Part(this)->RemoveGeometry(neRecordOf(g));                                  \
  }                                                                                         \
  void Handle::BeginGeometryIteration() { Part(this)->geometryCursor = Part(this)->geometryHead; } \
  neGeometry* Handle::GetNextGeometry() { return NextGeometry(Part(this)); }                \
  void Handle::UpdateBoundingInfo() { Part(this)->RecomputeBounds(); }                      \
  neRigidBody* Handle::BreakGeometry(neGeometry* g) {                                       \
    return g ? Part(this)->sim->BreakOffGeometry(neRecordOf(g), Part(this)) : nullptr;      \
  }                                                                                         \
  void Handle::UseCustomCollisionDetection(bool use, const neTransform* obb, float radius) { \
    UseCustom(Part(this), use, obb, radius);                                                \
  }                                                                                         \
  bool Handle::UsingCustomCollisionDetection() const { return Part(this)->customCollision != 0; } \
  neSensor* Handle::AddSensor() { return Part(this)->AddSensor(); }                         \
  bool Handle::RemoveSensor(neSensor* s) {                                                  \
    return s && Part(this)->RemoveSensor(neRecordOf(s));                                    \
  }                                                                                         \
  void Handle::BeginSensorIteration() { Part(this)->sensorCursor = Part(this)->sensorHead; } \
  neSensor* Handle::GetNextSensor() { return NextSensor(Part(this)); }                      \
  void Handle::SetCollideConnected(int32_t yes) { Part(this)->collideConnected = yes; }     \
  int32_t Handle::GetCollideConnected() const { return Part(this)->collideConnected; }      \
  void Handle::SetRespondConnected(int32_t yes) { Part(this)->respondConnected = yes; }     \
  int32_t Handle::GetRespondConnected() const { return Part(this)->respondConnected; }      \
  void Handle::SetActive(bool active, neRigidBody* hint) {                                  \
    Part(this)->SetActive(active, PartOrNull(hint));                                        \
  }                                                                                         \
  void Handle::SetActive(bool active, neAnimatedBody* hint) {                               \
    Part(this)->SetActive(active, PartOrNull(hint));                                        \
  }                                                                                         \
  bool Handle::Active() const { return Part(this)->active != 0; }

NE_BODY_COMMON(neRigidBody)
NE_BODY_COMMON(neAnimatedBody)

void neRigidBody::SetMass(float mass) { neRecordOf(this)->SetMass(mass); }
float neRigidBody::GetMass() const { return neRecordOf(this)->mass; }
void neRigidBody::SetInertiaTensor(const neVector3& d) { neRecordOf(this)->SetInertiaDiagonal(d); }
void neRigidBody::SetInertiaTensor(const neMatrix3x3& m) { neRecordOf(this)->SetInertiaMatrix(m); }
void neRigidBody::SetLinearDamping(float d) { neRecordOf(this)->linearDamping = std::fabs(d); }
float neRigidBody::GetLinearDamping() const { return neRecordOf(this)->linearDamping; }
void neRigidBody::SetAngularDamping(float d) { neRecordOf(this)->angularDamping = std::fabs(d); }
float neRigidBody::GetAngularDamping() const { return neRecordOf(this)->angularDamping; }
void neRigidBody::SetRestThreshold(float t) { neRecordOf(this)->restThreshold = t; }
float neRigidBody::GetRestThreshold() const { return neRecordOf(this)->restThreshold; }
void neRigidBody::SetGravityEnabled(int32_t on) { neRecordOf(this)->gravityEnabled = on; }
int32_t neRigidBody::GetGravityEnabled() const { return neRecordOf(this)->gravityEnabled; }
neVector3 neRigidBody::GetPosition() const { return neRecordOf(this)->state.pos; }

void neRigidBody::SetPosition(const neVector3& p) {
  neRigidBodyRecord* r = neRecordOf(this);
  r->state.pos = p;
  r->Wake();
}

neMatrix3x3 neRigidBody::GetRotationMatrix() const { return neRecordOf(this)->state.rot; }
neQuaternion neRigidBody::GetQuaternion() const { return neRecordOf(this)->state.q; }

void neRigidBody::SetRotation(const neQuaternion& q) {
  neRigidBodyRecord* r = neRecordOf(this);
  r->SetRotationQuaternion(q);
  r->Wake();
}

void neRigidBody::SetRotation(const neMatrix3x3& m) {
  neRigidBodyRecord* r = neRecordOf(this);
  r->SetRotationMatrix(m);
  r->Wake();
}

neTransform neRigidBody::GetTransform() const {
  // Built in a copy: the body itself is not written, so another thread may
  // read poses while the simulator steps.
  const neRigidBodyRecord* r = neRecordOf(this);
  neTransform t;
  t.rot = r->state.rot;
  t.pos = r->state.pos;
  t.rot.col[0].w = t.rot.col[1].w = t.rot.col[2].w = 0.0f;
  t.pos.w = 1.0f;
  return t;
}

neVector3 neRigidBody::GetVelocity() const { return neRecordOf(this)->velocity; }

void neRigidBody::SetVelocity(const neVector3& v) {
  neRigidBodyRecord* r = neRecordOf(this);
  r->velocity = v;
  r->WakeConnected();
}

neVector3 neRigidBody::GetAngularVelocity() const { return neRecordOf(this)->angularVelocity; }
neVector3 neRigidBody::GetAngularMomentum() const { return neRecordOf(this)->state.angularMomentum; }

void neRigidBody::SetAngularMomentum(const neVector3& L) {
  neRigidBodyRecord* r = neRecordOf(this);
  r->SetAngularMomentum(L);
  r->WakeConnected();
}

neVector3 neRigidBody::GetVelocityAtPoint(const neVector3& offset) const {
  const neRigidBodyRecord* r = neRecordOf(this);
  if (r->kind != kNeBodyRigid) return neV3(0.0f, 0.0f, 0.0f);
  return r->velocity + r->angularVelocity.Cross(offset);
}

void neRigidBody::SetForce(const neVector3& f) {
  neRigidBodyRecord* r = neRecordOf(this);
  r->hostForce = f;
  if (ReachesWakeLevel(f)) r->Wake();
}

void neRigidBody::SetForce(const neVector3& f, const neVector3& point) {
  neRigidBodyRecord* r = neRecordOf(this);
  r->hostForce = f;
  r->hostTorque = (point - r->state.pos).Cross(f);
  if (ReachesWakeLevel(f)) r->Wake();
}

void neRigidBody::SetTorque(const neVector3& t) {
  neRigidBodyRecord* r = neRecordOf(this);
  r->hostTorque = t;
  if (ReachesWakeLevel(t)) r->Wake();
}

neVector3 neRigidBody::GetForce() const { return neRecordOf(this)->hostForce; }
neVector3 neRigidBody::GetTorque() const { return neRecordOf(this)->hostTorque; }

void neRigidBody::ApplyImpulse(const neVector3& j) {
  neRigidBodyRecord* r = neRecordOf(this);
  r->velocity += j * r->invMass;
  r->WakeConnected();
}

void neRigidBody::ApplyImpulse(const neVector3& j, const neVector3& point) {
  neRigidBodyRecord* r = neRecordOf(this);
  r->velocity += j * r->invMass;
  r->SetAngularMomentum(r->state.angularMomentum + (point - r->state.pos).Cross(j));
  r->Wake();
}

neRigidBodyController* neRigidBody::AddController(neRigidBodyControllerCallback* cb, int32_t period) {
  return neRecordOf(this)->AddController(cb, period);
}

bool neRigidBody::RemoveController(neRigidBodyController* c) {
  return c && neRecordOf(this)->RemoveController(neRecordOf(c));
}

void neRigidBody::BeginControllerIteration() {
  neRigidBodyRecord* r = neRecordOf(this);
  r->controllerCursor = r->controllerHead;
}

neRigidBodyController* neRigidBody::GetNextController() {
  neRigidBodyRecord* r = neRecordOf(this);
  neControllerRecord* c = r->controllerCursor;
  if (c) r->controllerCursor = c->next;
  return c;
}

bool neRigidBody::IsIdle() const { return neRecordOf(this)->restState == kNeResting; }

void neRigidBody::SetMassFromGeometries() {
  // Boxes by volume x their material's density, summed with the parallel-axis
  // terms about the body origin; other shapes add nothing.
  neRigidBodyRecord* r = neRecordOf(this);
  float total = 0.0f;
  neMatrix3x3 inertia;
  inertia.SetZero();
  for (neGeometryRecord* g = r->geometryHead; g; g = g->next) {
    if (g->type != kNeShapeBox) continue;
    const int32_t mi = (g->materialIndex >= 0 && g->materialIndex < kNeMaterialCount) ? g->materialIndex : 0;
    const float density = r->sim->materials[mi].density;
    const neVector3& h = g->halfExtents;
    const float m = 8.0f * h.x * h.y * h.z * density;
    neMatrix3x3 local;
    local.SetZero();
    local.At(0, 0) = m * (h.y * h.y + h.z * h.z) / 3.0f;
    local.At(1, 1) = m * (h.x * h.x + h.z * h.z) / 3.0f;
    local.At(2, 2) = m * (h.x * h.x + h.y * h.y) / 3.0f;
    neMatrix3x3 rt;
    rt.SetTranspose(g->transform.rot);
    neMatrix3x3 turned = g->transform.rot.Multiply(local).Multiply(rt);
    const neVector3& p = g->transform.pos;
    const float p2 = p.Dot(p);
    turned.At(0, 0) += m * p2;
    turned.At(1, 1) += m * p2;
    turned.At(2, 2) += m * p2;
    turned.AddScaledOuterProduct(-m, p, p);
    inertia.AddInPlace(turned);
    total += m;
  }
  if (!(total > 0.0f)) return;
  r->SetMass(total);
  r->SetInertiaMatrix(inertia);
}

neVector3 neAnimatedBody::GetPosition() const { return neRecordOf(this)->transform.pos; }

void neAnimatedBody::SetPosition(const neVector3& p) {
  neAnimatedBodyRecord* a = neRecordOf(this);
  a->transform.pos = p;
  a->RefreshWorldBox();
  a->moved = 1;
  StirSupported(a);
}

neMatrix3x3 neAnimatedBody::GetRotationMatrix() const { return neRecordOf(this)->transform.rot; }

void neAnimatedBody::SetRotation(const neMatrix3x3& m) {
  neAnimatedBodyRecord* a = neRecordOf(this);
  a->transform.rot = m;
  a->moved = 1;
  StirSupported(a);
}

void neAnimatedBody::SetRotation(const neQuaternion& q) {
  neAnimatedBodyRecord* a = neRecordOf(this);
  a->transform.rot = q.BuildMatrix();
  a->moved = 1;
  StirSupported(a);
}

neQuaternion neAnimatedBody::GetQuaternion() const {
  neQuaternion q;
  q.SetupFromMatrix(neRecordOf(this)->transform.rot);
  return q;
}

neTransform neAnimatedBody::GetTransform() const { return neRecordOf(this)->transform; }
