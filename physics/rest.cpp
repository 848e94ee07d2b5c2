// The rest tests of one body: which of its support slots still hold, whether
// it has been still for long enough, whether it balances on its supports, and
// the resting-contact rows its supports make.
#include "physics/rest.h"

#include <cmath>
#include <cstring>

#include "physics/body.h"
#include "physics/contact_setup.h"
#include "physics/simulation.h"
#include "physics/solver.h"
#include "physics/stack_record.h"

namespace {

// World data of a slot from both bodies' current poses.
void RefreshSlot(neRigidBodyRecord& body, neRestContact& s) {
  const neTransform tb = body.Transform();
  s.worldThis = tb.TransformPoint(s.pointInThis);
  if (s.other) {
    const neTransform to = s.other->Transform();
    s.worldOther = to.TransformPoint(s.pointInOther);
    s.normalWorld = to.rot.MultiplyVector(s.normalInOther);
  } else {
    s.worldOther = s.pointInOther;
    s.normalWorld = s.normalInOther;
  }
  s.worldDiff = s.worldThis - s.worldOther;
  s.separation = s.worldDiff.Dot(s.normalWorld);
  const neVector3 across = s.worldDiff - s.normalWorld * s.separation;
  s.tangentialDrift2 = across.LengthSquared();
}

// A support that cannot have moved: the terrain, a resting rigid body, an
// animated body that was not placed this step.
bool SlotSteady(const neRestContact& s) {
  if (!s.other) return true;
  if (neRigidBodyRecord* r = s.other->AsRigid()) return r->restState == kNeResting;
  if (neAnimatedBodyRecord* a = s.other->AsAnimated()) return a->moved == 0;
  return false;
}

void DropSlot(neRigidBodyRecord& body, int32_t i) {
  body.UnlinkSupportSlot(i);
  body.rest.supportCount = 0;
}

void TakeSnapshot(neRigidBodyRecord& b) {
  b.snapshotPos = b.state.pos;
  b.snapshotQ = b.state.q;
  b.snapshotRot = b.state.rot;
  b.snapshotVelocity = b.velocity;
  b.snapshotAngularVelocity = b.angularVelocity;
  b.stepsSinceSnapshot = 0;
}

// 2-D point of a support in the plane across the force.
struct Flat {
  float u, v;
};

Flat Project(const neRigidBodyRecord& b, const neRestContact& s, const neVector3& t1,
             const neVector3& t2) {
  const neVector3 r = s.worldThis - b.state.pos;
  return Flat{r.Dot(t1), r.Dot(t2)};
}

float Cross2(const Flat& a, const Flat& b, const Flat& p) {
  return (b.u - a.u) * (p.v - a.v) - (b.v - a.v) * (p.u - a.u);
}

float Distance2(const Flat& a, const Flat& b) {
  const float du = b.u - a.u, dv = b.v - a.v;
  return du * du + dv * dv;
}

// Distance of the origin from the line through a and b; from the point a when
// the two coincide (a line through one point has no direction).
float OriginToLine(const Flat& a, const Flat& b) {
  const Flat o{0.0f, 0.0f};
  const float len2 = Distance2(a, b);
  if (len2 < kNeZero * kNeZero) return std::sqrt(Distance2(a, o));
  return std::fabs(Cross2(a, b, o)) / std::sqrt(len2);
}

bool OnEdge(const Flat& a, const Flat& b) { return OriginToLine(a, b) <= kNeBalanceDistance; }

// The resting-contact filter: rows between resting bodies are dropped, and a
// resting side of a row with a moving one is taken out (it counts as fixed).
bool FilterKeeps(neSolverRecord& row) {
  if (row.angularRate > 1.0f) return true;
  neRigidBodyRecord* a = neRowRigid(row.bodyA);
  neRigidBodyRecord* b = neRowRigid(row.bodyB);
  if (!a) return true;
  const bool aRests = a->restState == kNeResting;
  if (aRests && (!b || b->restState == kNeResting)) return false;
  if (aRests && b) {
    row.bodyA = nullptr;
    neSetupRow(row, false, false);
  } else if (!aRests && b && b->restState == kNeResting) {
    row.bodyB = nullptr;
    neSetupRow(row, false, false);
  }
  return true;
}

void MakeRestingRow(neSimulationRecord& sim, neRigidBodyRecord& body, const neRestContact& s,
                    bool bypass) {
  // Made in place in the record array, and taken back when the filter drops
  // it: no copy of the whole row per contact. Neither the filter nor the
  // set-up touches anything but the row, so a full array loses only the row.
  const int32_t at = sim.contactRecords.Count();
  neSolverRecord* slot = sim.contactRecords.Append();
  if (!slot) return;
  neSolverRecord& row = *slot;
  row = neSolverRecord{};
  row.kind = kNeRowRestingContact;
  row.bodyA = &body;
  row.bodyB = s.other;
  row.armA = s.worldThis - body.state.pos;
  row.armB = s.other ? s.worldOther - s.other->Transform().pos : s.worldOther;
  row.frame.col[2] = s.normalWorld;
  row.materialA = s.materialThis;
  row.materialB = s.materialOther;
  // The depth as the bodies lie now, where the rule takes the depth recorded
  // with the support: a corner already pushed out was pushed on.
  row.error = s.separation < 0.0f ? -s.separation : 0.0f;
  neSetupRow(row, false, false);
  if (!bypass && !FilterKeeps(row)) sim.contactRecords.Truncate(at);
}

// Bit for bit the value a reset or clearing writes.
bool ExactlyCleared(const neVector3& v) {
  const neVector3 zero = {0.0f, 0.0f, 0.0f, 0.0f};
  return std::memcmp(&v, &zero, sizeof v) == 0;
}

bool ExactlyCleared(const neQuaternion& q) {
  const neQuaternion zero = {0.0f, 0.0f, 0.0f, 0.0f};
  return std::memcmp(&q, &zero, sizeof q) == 0;
}

bool Pushes(const neVector3& v) {
  return std::fabs(v.x) >= kNeZero || std::fabs(v.y) >= kNeZero || std::fabs(v.z) >= kNeZero;
}

bool StillCollidable(const neBody* other) {
  return other->active && other->HasCollisionShape();
}

}  // namespace

int32_t neCountSupports(neRigidBodyRecord& body) {
  if (!body.stackNode) return 0;
  neRestRecord& rest = body.rest;
  if (body.restState == kNeResting && !body.stackCheck) {
    int32_t count = 0;
    bool steady = true;
    for (const neRestContact& s : rest.slots) {
      if (!s.inUse) continue;
      ++count;
      steady = steady && SlotSteady(s);
    }
    if (steady) return count;
  }
  const neVector3& down = body.sim->gravityUnit;
  int32_t count = 0;
  for (int32_t i = 0; i < 3; ++i) {
    neRestContact& s = rest.slots[i];
    if (!s.inUse) continue;
    RefreshSlot(body, s);
    if (s.normalWorld.Dot(down) > 0.0f || s.separation > kNeSupportGap ||
        s.tangentialDrift2 > kNeSupportSlide2) {
      DropSlot(body, i);
    } else {
      ++count;
    }
  }
  body.stackNode->loose = count == 0 ? 1 : 0;
  return count;
}

bool neSupportsHold(neRigidBodyRecord& body) {
  const neStackNode* node = body.stackNode;
  if (!node || node->ground) return false;
  neRestRecord& rest = body.rest;
  if (rest.supportCount < 2 || rest.supportCount > 3) return false;
  for (int32_t k = 0; k < rest.supportCount; ++k) {
    const int32_t i = rest.supportIndices[k];
    neRestContact& s = rest.slots[i];
    if (!s.inUse) {
      rest.supportCount = 0;
      return false;
    }
    RefreshSlot(body, s);
    if (s.worldDiff.LengthSquared() > kNeSupportDrift2) {
      DropSlot(body, i);
      return false;
    }
  }
  return true;
}

bool neMotionAtRest(neRigidBodyRecord& b) {
  b.Stir();  // its step count must be up to date
  if (b.stepsSinceSnapshot < kNeSnapshotSteps) return false;
  const float span = static_cast<float>(kNeSnapshotSteps) * b.sim->dt;
  // A zero-length step has no time span: every mean is 0.
  const float inv = span > 0.0f ? 1.0f / span : 0.0f;
  bool calm = (b.state.pos - b.snapshotPos).Length() * inv <= b.restThreshold;
  calm = calm && (b.velocity - b.snapshotVelocity).Length() * inv <= kNeSnapshotAcceleration;
  if (calm) {
    const neQuaternion& q0 = b.snapshotQ;
    const neQuaternion conj{-q0.x, -q0.y, -q0.z, q0.w};
    const neQuaternion q = b.state.q.Multiply(conj);
    float angle = 0.0f;
    const float w = std::fabs(q.w);  // q and -q are the same turn
    if (q.x * q.x + q.y * q.y + q.z * q.z >= kNeZero && std::fabs(w - 1.0f) >= kNeZero) {
      angle = 2.0f * std::acos(w > 1.0f ? 1.0f : w);
    }
    calm = angle * inv <= kNeSnapshotTurnRate;
  }
  calm = calm && (b.angularVelocity - b.snapshotAngularVelocity).Length() * inv <=
                     kNeSnapshotAngularAcceleration;
  if (!calm) TakeSnapshot(b);
  return calm;
}

int32_t neBalance(neRigidBodyRecord& b) {
  const neVector3& f = b.forceAccumulator;
  if (std::fabs(f.x) < kNeZero && std::fabs(f.y) < kNeZero && std::fabs(f.z) < kNeZero)
    return kNeOnTriangle;
  neVector3 u = f;
  u.Normalize();
  if (u.IsZero()) return kNeOnTriangle;
  neVector3 t1, t2;
  neBuildContactFrame(u, t1, t2);
  neRestRecord& rest = b.rest;
  const int32_t count = rest.supportCount;
  if (count <= 0 || count > 3) return kNeUnbalanced;
  Flat p[3];
  for (int32_t k = 0; k < count; ++k) {
    neRestContact& s = rest.slots[rest.supportIndices[k]];
    if (!s.inUse || !SlotSteady(s)) return kNeUnbalanced;
    RefreshSlot(b, s);
    p[k] = Project(b, s, t1, t2);
  }
  if (count == 3) {
    const Flat c{(p[0].u + p[1].u + p[2].u) / 3.0f, (p[0].v + p[1].v + p[2].v) / 3.0f};
    Flat g[3];
    for (int32_t k = 0; k < 3; ++k) {
      g[k] = Flat{c.u + (p[k].u - c.u) * kNeBalanceGrowth, c.v + (p[k].v - c.v) * kNeBalanceGrowth};
    }
    const Flat o{0.0f, 0.0f};
    const float c0 = Cross2(g[0], g[1], o), c1 = Cross2(g[1], g[2], o), c2 = Cross2(g[2], g[0], o);
    const float area = Cross2(g[0], g[1], g[2]);
    if (std::fabs(area) >= kNeZero * kNeZero) {
      if ((c0 > 0.0f && c1 > 0.0f && c2 > 0.0f) || (c0 < 0.0f && c1 < 0.0f && c2 < 0.0f))
        return kNeOnTriangle;
      return kNeUnbalanced;
    }
    // Three supports in a row are an edge: test the line through the two
    // farthest apart.
    const float d01 = Distance2(p[0], p[1]), d12 = Distance2(p[1], p[2]),
                d20 = Distance2(p[2], p[0]);
    if (d01 >= d12 && d01 >= d20) return OnEdge(p[0], p[1]) ? kNeOnEdge : kNeUnbalanced;
    if (d12 >= d20) return OnEdge(p[1], p[2]) ? kNeOnEdge : kNeUnbalanced;
    return OnEdge(p[2], p[0]) ? kNeOnEdge : kNeUnbalanced;
  }
  if (count == 2) return OnEdge(p[0], p[1]) ? kNeOnEdge : kNeUnbalanced;
  // One support: the line through it along the force is a point in the plane.
  return std::sqrt(p[0].u * p[0].u + p[0].v * p[0].v) <= kNeBalanceDistance ? kNeOnPoint
                                                                           : kNeUnbalanced;
}

bool neBalancedForRest(neRigidBodyRecord& b) {
  const int32_t balance = neBalance(b);
  return balance >= kNeOnTriangle || (balance == kNeOnEdge && b.restCounter > kNeCalmStepsOnEdge);
}

void neCheckRest(neRigidBodyRecord& b) {
  const neSimulationRecord& sim = *b.sim;
  if (b.velocity.LengthSquared() >= sim.movingTest ||
      b.angularVelocity.LengthSquared() >= sim.movingTest) {
    neVector3 mean = neV3(0.0f, 0.0f, 0.0f);
    for (const neVector3& v : b.velocityChangeRing) mean += v;
    mean *= 0.1f;
    // Falling is calm: only what is not gravity's pull counts.
    if (mean.Dot(sim.gravityUnit) > 0.0f) mean.RemoveComponent(sim.gravityUnit);
    if (mean.LengthSquared() > kNeCalmLinearChange2) {
      b.restCounter = 0;
      return;
    }
    neVector3 turn = neV3(0.0f, 0.0f, 0.0f);
    for (const neVector3& v : b.angularChangeRing) turn += v;
    turn *= 0.1f;
    if (turn.LengthSquared() > kNeCalmAngularChange2) {
      b.restCounter = 0;
      return;
    }
  }
  ++b.restCounter;
  if (b.restCounter > kNeCalmSteps && b.stackNode && neMotionAtRest(b)) {
    if (neBalancedForRest(b)) b.Rest();
  }
}

bool neKeepResting(neRigidBodyRecord& b) {
  if (b.velocity.LengthSquared() + b.angularVelocity.LengthSquared() >= b.sim->movingTest) {
    b.Wake();
    return false;
  }
  if (b.particle || neBalance(b) != kNeUnbalanced) {
    b.Rest();  // whatever small motion it was given stays undone
    ++b.sim->stepCounter;
    return true;
  }
  b.Wake();
  return false;
}

void neCollectRestingContacts(neSimulationRecord& sim, neRigidBodyRecord& body, bool bypass) {
  neRestRecord& rest = body.rest;
  int32_t kept[3];
  float separation[3];
  int32_t k = 0;
  for (int32_t i = 0; i < 3; ++i) {
    neRestContact& s = rest.slots[i];
    if (!s.inUse) continue;
    if (s.other && !StillCollidable(s.other)) {
      body.UnlinkSupportSlot(i);
      continue;
    }
    RefreshSlot(body, s);
    if (s.tangentialDrift2 > kNeTangentialDrift2) {
      DropSlot(body, i);
      continue;
    }
    kept[k] = i;
    separation[k] = s.separation;
    ++k;
  }
  if (k == 0) return;
  if (k == 1 && separation[0] < 0.0f) {
    MakeRestingRow(sim, body, rest.slots[kept[0]], bypass);
    rest.supportCount = 0;
    return;
  }
  int32_t made = 0;
  for (int32_t j = 0; j < k; ++j) {
    if (separation[j] > kNeSupportGap) continue;
    MakeRestingRow(sim, body, rest.slots[kept[j]], bypass);
    rest.supportIndices[made++] = kept[j];
  }
  rest.supportCount = made;
}

bool neMayGoQuiet(neRigidBodyRecord& b) {
  // Each test names what a sub-step would otherwise do for the body: clear
  // sensor hits, refresh its box, collide it with the terrain, shift its
  // pushed flags, run its resting velocity update (a wake, or a Rest that
  // clears motion), count its supports, or hand it to a constraint set.
  if (!b.sim->quietAllowed) return false;
  if (b.restState != kNeResting || b.constraintSet || b.sensorHead || b.stackCheck) return false;
  if (b.pushedLastStep || b.pushedThisStep || !b.collectPending || b.ringsDirty || b.pushed)
    return false;
  if (b.HasCollisionShape() && !b.WorldBoxCurrent()) return false;
  if (!ExactlyCleared(b.velocity) || !ExactlyCleared(b.angularVelocity) ||
      !ExactlyCleared(b.state.angularMomentum) || !ExactlyCleared(b.quaternionRate)) {
    return false;
  }
  const float zero = 0.0f;
  if (std::memcmp(&b.speed, &zero, sizeof zero) != 0) return false;
  const neVector3 cleared = neV3(0.0f, 0.0f, 0.0f);  // what the force clearing writes
  if (std::memcmp(&b.forceAccumulator, &cleared, sizeof cleared) != 0 ||
      std::memcmp(&b.torqueAccumulator, &cleared, sizeof cleared) != 0) {
    return false;
  }
  if (!ExactlyCleared(b.impulseSumLinear) || !ExactlyCleared(b.impulseSumAngular) ||
      b.impulseCountLinear || b.impulseCountAngular) {
    return false;
  }
  if (Pushes(b.controllerForce) || Pushes(b.controllerTorque)) return false;
  if (!(0.0f < b.sim->movingTest)) return false;
  const neStackNode* n = b.stackNode;
  if (!n || n->ground) return true;
  // A stack takes part in the stack passes until all of it rests; then they
  // pass it by, and its bodies may go quiet like loose ones (a still stack
  // cost a full sub-step per body for ever).
  if (n->header) {
    for (const neStackNode* m = n->header->first; m; m = m->next) {
      if (!m->body || m->body->restState != kNeResting || m->body->stackCheck) return false;
    }
  }
  int32_t count = 0;
  for (const neRestContact& s : b.rest.slots) {
    if (!s.inUse) continue;
    if (!SlotSteady(s)) return false;
    ++count;
  }
  return count > 1;
}
