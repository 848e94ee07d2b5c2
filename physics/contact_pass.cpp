// Body-pair and terrain contact passes and the contact response.
#include "physics/contact_pass.h"

#include <cmath>

#include "physics/body.h"
#include "physics/constraint.h"
#include "physics/contact_setup.h"
#include "physics/rest.h"
#include "physics/sensor.h"
#include "physics/simulation.h"
#include "physics/solver.h"

namespace {

const neVector3 kZero = {0.0f, 0.0f, 0.0f, 0.0f};

// The records handed to the contact callback, one per pass; valid only
// during the call.
neContactRecord gPairContact;
neContactRecord gTerrainContact;

void* HandleOf(neBody* b) {
  if (!b) return nullptr;
  if (neRigidBodyRecord* r = b->AsRigid()) return static_cast<neRigidBody*>(r);
  return static_cast<neAnimatedBody*>(b->AsAnimated());
}

int32_t KindOf(const neBody* b) {
  return b->kind == kNeBodyRigid ? kNeKindRigid : kNeKindAnimated;
}

bool IsResting(neBody* b) {
  neRigidBodyRecord* r = b->AsRigid();
  return r && r->restState == kNeResting;
}

bool ShareJoint(neBody* s, neBody* o) {
  for (neConstraintRecord* c = s->jointHead; c; c = (c->bodyA == s ? c->nextOnA : c->nextOnB)) {
    if (c->bodyA == o || c->bodyB == o) return true;
  }
  return false;
}

void FillCommon(neContactRecord& rec, const neCollisionResult& r, bool responded) {
  rec.materialA = r.materialA;
  rec.materialB = r.materialB;
  rec.bodyContactPointA = r.bodyPointA;
  rec.bodyContactPointB = r.bodyPointB;
  rec.worldContactPointA = r.pointA;
  rec.worldContactPointB = r.pointB;
  // Only a contact that got a response had its relative velocity measured.
  rec.relativeVelocity = responded ? r.relativeVelocity : kZero;
  rec.normal = r.normal;
}

neSolverRecord ContactRow(neBody* a, neBody* b, const neVector3& armA, const neVector3& armB,
                          const neVector3& normal, const neCollisionResult& r, bool exchanged) {
  neSolverRecord row = neSolverRecord{};
  row.kind = kNeRowCollision;
  row.bodyA = a;
  row.bodyB = b;
  row.armA = armA;
  row.armB = armB;
  row.frame.col[2] = normal;
  row.error = r.depth;
  row.materialA = exchanged ? r.materialB : r.materialA;
  row.materialB = exchanged ? r.materialA : r.materialB;
  row.geometryA = exchanged ? r.geometryB : r.geometryA;
  row.geometryB = exchanged ? r.geometryA : r.geometryB;
  neSetupRow(row, false, false);
  return row;
}

neBody* SupportOf(neSimulationRecord& sim, neBody* b) {
  return b == static_cast<neBody*>(&sim.terrainBody) ? nullptr : b;
}

// A contact supplied by a custom collision callback, in A/B order.
bool CustomContact(neCollisionResult& r, neBody& a, neBody& b, neCustomCollisionCallback cb) {
  const bool bFirst = a.kind == kNeBodyAnimated;  // the rigid-animated slot takes the rigid first
  neBody& first = bFirst ? b : a;
  neBody& second = bFirst ? a : b;
  neCustomCollisionResult c = neCustomCollisionResult{};
  if (!cb(HandleOf(&first), HandleOf(&second), &c)) return false;
  r.normal = bFirst ? c.collisionNormal.Negated() : c.collisionNormal;
  r.normal.w = 0.0f;
  r.pointA = bFirst ? c.contactPoint2 : c.contactPoint1;
  r.pointB = bFirst ? c.contactPoint1 : c.contactPoint2;
  r.materialA = bFirst ? c.materialIndex2 : c.materialIndex1;
  r.materialB = bFirst ? c.materialIndex1 : c.materialIndex2;
  r.depth = c.penetrationDepth;
  const neTransform ta = a.Transform(), tb = b.Transform();
  r.offsetA = r.pointA - ta.pos;
  r.offsetB = r.pointB - tb.pos;
  r.bodyPointA = ta.rot.TransposeMultiply(r.offsetA);
  r.bodyPointB = tb.rot.TransposeMultiply(r.offsetB);
  r.geometryA = r.geometryB = nullptr;
  r.triangleUserWord = 0;
  r.found = 1;
  return true;
}

// Whether a pair is worth testing this step.
bool PairWanted(neBody* a, neBody* b) {
  const bool ra = a->kind == kNeBodyRigid, rb = b->kind == kNeBodyRigid;
  if (ra != rb) {
    neBody* rigid = ra ? a : b;
    neAnimatedBodyRecord* anim = (ra ? b : a)->AsAnimated();
    return !(IsResting(rigid) && !rigid->pushedLastStep && anim && !anim->moved);
  }
  const bool bothResting = IsResting(a) && IsResting(b);
  if (a->constraintSet && a->constraintSet == b->constraintSet) {
    if (!(a->collideConnected && b->collideConnected)) return false;
    return !bothResting;
  }
  return !(bothResting && !a->pushedLastStep && !b->pushedLastStep);
}

void RunPairSensors(neBody* a, const neTransform& ta, neBody* b, const neTransform& tb) {
  if (a->kind == kNeBodyRigid && b->kind == kNeBodyRigid) {
    if (a->sensorHead) neSensorTestBodies(*a, ta, *b, tb, b);
    if (b->sensorHead) neSensorTestBodies(*b, tb, *a, ta, a);
  } else if (a->kind == kNeBodyRigid) {
    if (a->sensorHead) neSensorTestBodies(*a, ta, *b, tb, b);
  } else if (b->sensorHead) {
    neSensorTestBodies(*b, tb, *a, ta, a);
  }
}

void CollidePair(neSimulationRecord& sim, neBody* a, neBody* b) {
  if (a->kind == kNeBodyAnimated && b->kind == kNeBodyAnimated) return;
  const int32_t response = sim.responses.Lookup(a->collisionId, b->collisionId);
  if (response == 0 || !PairWanted(a, b)) return;

  neCollisionResult r;
  r.found = 0;
  r.triangleUserWord = 0;
  const bool custom = a->customCollision || b->customCollision;
  if (!custom) {
    const neTransform ta = a->Transform(), tb = b->Transform();
    neCollideBodies(r, *a, ta, *b, tb, b->smoothedDisplacement - a->smoothedDisplacement);
    RunPairSensors(a, ta, b, tb);
  } else {
    const bool mixed = a->kind != b->kind;
    neCustomCollisionCallback cb = mixed ? sim.customRigidAnimated : sim.customRigidRigid;
    if (!cb || !CustomContact(r, *a, *b, cb)) return;
  }
  if (!r.found) return;
  r.bodyA = a;
  r.bodyB = b;
  r.relativeVelocity = kZero;
  bool responded = false;
  if ((response & neResponseTable::kImpulse) && neNormalIsUsable(r.normal) && neIsFinite(r.depth))
    responded = neRespondToContact(sim, *a, *b, r);
  if ((response & neResponseTable::kCallback) && sim.contactCallback && !custom) {
    neContactRecord& rec = gPairContact;
    rec.bodyA = HandleOf(a);
    rec.bodyB = HandleOf(b);
    rec.kindA = KindOf(a);
    rec.kindB = KindOf(b);
    rec.geometryA = r.geometryA;
    rec.geometryB = r.geometryB;
    FillCommon(rec, r, responded);
    sim.contactCallback(&rec);
  }
}

// Loads the terrain side's triangle list (the body's own and its collision
// box, which the narrow phase reads for a body with several geometries).
void LoadTerrainList(neSimulationRecord& sim, const int32_t* indices, int32_t count,
                     const neTerrainTriangle* triangles, const neVector3* vertices) {
  neGeometryRecord* lists[2] = {&sim.terrainGeometry, &sim.terrainBody.box};
  for (neGeometryRecord* g : lists) {
    g->type = kNeShapeTriangleList;
    g->triangleIndices = indices;
    g->triangleIndexCount = count;
    g->triangles = triangles;
    g->vertices = vertices;
  }
}

// The host's triangles under the box; only indices inside its triangle array
// are kept. False when there is nothing to test.
bool QueryHostTerrain(neSimulationRecord& sim, neRigidBodyRecord& body) {
  int32_t* indices = nullptr;
  neTerrainTriangle* triangles = nullptr;
  neVector3* vertices = nullptr;
  int32_t indexCount = 0, triangleCount = 0;
  sim.terrainQueryCallback(body.worldMin, body.worldMax, &indices, &triangles, &vertices,
                           &indexCount, &triangleCount, static_cast<neRigidBody*>(&body));
  sim.Charge(kNeSlotTerrainGather);
  if (!indices || !triangles || !vertices || indexCount <= 0 || triangleCount <= 0) return false;
  neArray<int32_t>& kept = sim.terrainTriangles;
  kept.Clear();
  for (int32_t i = 0; i < indexCount; ++i) {
    if (indices[i] >= 0 && indices[i] < triangleCount) kept.Push(indices[i]);
  }
  if (kept.Count() == 0) return false;
  LoadTerrainList(sim, kept.Data(), kept.Count(), triangles, vertices);
  return true;
}

bool QueryOwnTerrain(neSimulationRecord& sim, neRigidBodyRecord& body) {
  neTerrainTree& tree = sim.region.Terrain();
  if (tree.Empty()) return false;
  const int32_t count = tree.Gather(body.worldMin, body.worldMax);
  sim.Charge(kNeSlotTerrainGather);
  if (count <= 0) return false;
  LoadTerrainList(sim, tree.GatheredTriangles(), count, tree.Triangles(), tree.Vertices());
  return true;
}

void CollideWithTerrain(neSimulationRecord& sim, neRigidBodyRecord& body) {
  // A body at rest takes no terrain contact, but its sensors still read the
  // ground for its controllers.
  const bool still = body.restState == kNeResting && !body.pushedLastStep;
  if (still && !body.sensorHead) return;
  if (!body.HasCollisionShape() && !body.sensorHead) return;
  sim.terrainLeaves.Clear();
  sim.terrainTriangles.Clear();
  const bool loaded =
      sim.terrainQueryCallback ? QueryHostTerrain(sim, body) : QueryOwnTerrain(sim, body);
  if (!loaded) return;

  neBody& terrain = sim.terrainBody;
  neTransform identity;
  identity.SetIdentity();
  const neTransform tb = body.Transform();
  // A body with id -1 gets no terrain contact; its sensors still see the ground.
  const int32_t response = sim.responses.GetTerrain(body.collisionId);
  neCollisionResult r;
  r.found = 0;
  r.triangleUserWord = 0;
  if (response != 0 && !still) neCollideBodies(r, body, tb, terrain, identity, body.smoothedDisplacement.Negated());
  if (body.sensorHead) neSensorTestBodies(body, tb, terrain, identity, nullptr);
  LoadTerrainList(sim, nullptr, 0, nullptr, nullptr);  // host arrays are not kept
  if (!r.found) return;

  r.bodyA = &body;
  r.bodyB = &terrain;
  r.geometryB = nullptr;
  r.relativeVelocity = kZero;
  bool responded = false;
  // A contact without a usable normal is dropped before any response.
  if ((response & neResponseTable::kImpulse) && neNormalIsUsable(r.normal) && neIsFinite(r.depth))
    responded = neRespondToContact(sim, body, terrain, r);
  if ((response & neResponseTable::kCallback) && sim.contactCallback) {
    neContactRecord& rec = gTerrainContact;
    rec.bodyA = static_cast<neRigidBody*>(&body);
    rec.bodyB = reinterpret_cast<void*>(static_cast<intptr_t>(r.triangleUserWord));
    rec.kindA = kNeKindRigid;
    rec.kindB = kNeKindTerrain;
    rec.geometryA = r.geometryA;
    rec.geometryB = nullptr;
    FillCommon(rec, r, responded);
    sim.contactCallback(&rec);
  }
}

void PushApart(neBody& a, neBody& b, const neVector3& n, float depth) {
  neRigidBodyRecord* ra = a.AsRigid();
  neRigidBodyRecord* rb = b.AsRigid();
  if (ra && rb) {
    const float total = ra->mass + rb->mass;
    const float shareA = total > 0.0f ? rb->mass / total : 0.5f;
    ra->state.pos += n * (depth * shareA);
    rb->state.pos -= n * (depth * (1.0f - shareA));
  } else if (ra) {
    ra->state.pos += n * depth;
  } else if (rb) {
    rb->state.pos -= n * depth;
  }
  if (ra) ra->pushedThisStep = 1;
  if (rb) rb->pushedThisStep = 1;
}

}  // namespace

bool neNormalIsUsable(const neVector3& n) {
  return n.IsFinite() &&
         (std::fabs(n.x) >= kNeZero || std::fabs(n.y) >= kNeZero || std::fabs(n.z) >= kNeZero);
}

bool neRespondToContact(neSimulationRecord& sim, neBody& a, neBody& b, neCollisionResult& r) {
  neRigidBodyRecord* ra = a.AsRigid();
  neRigidBodyRecord* rb = b.AsRigid();
  // A touched body is no longer quiet, whatever the response does to it.
  if (ra) ra->Stir();
  if (rb) rb->Stir();
  if (ra || rb) {
    neBody* s = ra ? &a : &b;
    neBody* o = ra ? &b : &a;
    if ((!s->respondConnected || !o->respondConnected) && ShareJoint(s, o)) return false;
  }
  const neVector3& n = r.normal;
  r.relativeVelocity = neRowPointVelocity(&a, r.offsetA) - neRowPointVelocity(&b, r.offsetB);

  if (ra && rb && rb->particle) {
    neSolverRecord row = ContactRow(&a, &b, r.offsetA, r.offsetB, n, r, false);
    neApplyCollisionImpulse(sim, &a, &b, row, kNeImpulseCollision, 1.0f);
    rb->state.pos -= n * r.depth;
    return true;
  }
  const float d = sim.gravityUnit.Dot(n);
  if (d < 0.0f && ra) {
    neSolverRecord row = ContactRow(&a, &b, r.offsetA, r.offsetB, n, r, false);
    neApplyCollisionImpulse(sim, &a, &b, row, kNeImpulseCollision, 1.0f);
    neRecordSupport(sim, *ra, SupportOf(sim, &b), r.pointA, r.pointB, n, r.depth, r.materialA,
                    r.materialB);
    return true;
  }
  if (d >= 0.0f && rb) {
    const neVector3 up = n.Negated();
    neSolverRecord row = ContactRow(&b, &a, r.offsetB, r.offsetA, up, r, true);
    neApplyCollisionImpulse(sim, &b, &a, row, kNeImpulseCollision, 1.0f);
    neRecordSupport(sim, *rb, &a, r.pointB, r.pointA, up, r.depth, r.materialB, r.materialA);
    return true;
  }
  if (!ra && !rb) return false;
  // The rigid side is under (or beside) something that does not move: no
  // support, so it is moved out at once.
  PushApart(a, b, n, r.depth);
  neSolverRecord row = ContactRow(&a, &b, r.offsetA, r.offsetB, n, r, false);
  neApplyCollisionImpulse(sim, &a, &b, row, kNeImpulseCollision, 1.0f);
  return true;
}

void neCollideBodyPairs(neSimulationRecord& sim) {
  for (neOverlapPair* p = sim.region.FirstPair(); p; p = p->next) {
    if (p->bodyA && p->bodyB) CollidePair(sim, p->bodyA, p->bodyB);
  }
}

void neCollideTerrain(neSimulationRecord& sim) {
  neStepList* lists[2] = {&sim.stepRigid, &sim.stepParticles};
  for (neStepList* list : lists) {
    for (neRigidBodyRecord* r = list->first; r; r = r->stepNext) CollideWithTerrain(sim, *r);
  }
  for (neStepList* list : lists) {
    for (neRigidBodyRecord* r = list->first; r; r = r->stepNext) {
      if (!(r->pushedLastStep | r->pushedThisStep)) continue;  // no writes for the quiet many
      r->pushedLastStep = r->pushedThisStep;
      r->pushedThisStep = 0;
    }
  }
}
