// A geometry breaking off its body under a hard impulse and becoming a rigid
// body of its own.
#include <cmath>

#include "physics/simulation.h"

neRigidBodyRecord* neSimulationRecord::BreakOffGeometry(neGeometryRecord* g, neBody* body) {
  if (!g || !body || body->geometryCount <= 1) return nullptr;
  bool found = false;
  for (neGeometryRecord* i = body->geometryHead; i; i = i->next) found = found || (i == g);
  if (!found) return nullptr;

  neRigidBodyRecord* nb = AllocRigidBody(false);
  if (!nb) return nullptr;
  nb->SetMass(g->breakMass);
  nb->SetInertiaDiagonal(g->breakInertia);
  g->breakKind = kNeBreakNever;

  const neTransform world = body->Transform().Multiply(g->transform);
  nb->state.pos = world.pos;
  nb->state.pos.w = 0.0f;
  nb->SetRotationMatrix(world.rot);
  nb->state.rot = nb->state.q.BuildMatrix();
  nb->RefreshWorldInertia();

  // Out of the old body's list (the head moves on when it was the head).
  if (g->prev) g->prev->next = g->next; else body->geometryHead = g->next;
  if (g->next) g->next->prev = g->prev;
  if (body->geometryCursor == g) body->geometryCursor = g->next;
  --body->geometryCount;
  if (body->geometryCount == 0) {
    if (body->regionNode) region.RemoveBody(body);
  } else if (body->geometryCount == 1) {
    body->RecomputeBounds();
  }

  g->transform.SetIdentity();
  g->next = g->prev = nullptr;
  nb->geometryHead = g;
  nb->geometryCount = 1;
  nb->RecomputeBounds();
  region.AddBody(nb, body);
  return nb;
}

int32_t neSimulationRecord::TestBreakage(neBody* body, neGeometryRecord* g,
                                         const neVector3& worldPoint, neVector3& impulse) {
  const neTransform t = body->Transform();
  neVector3 axis = t.rot.Multiply(g->transform.rot).MultiplyVector(g->breakDirection);
  const neVector3 normalPart = axis * axis.Dot(impulse);
  const neVector3 tangent = impulse - normalPart;
  const float tLen = tangent.Length();
  if (g->breakMagnitude > tLen || tLen == 0.0f) return 0;

  impulse = normalPart;
  const neVector3 scaled = tangent * (g->breakMagnitude / tLen);
  const neVector3 share = scaled * g->breakFraction;
  impulse += scaled * (1.0f - g->breakFraction);

  neRigidBodyRecord* nb = nullptr;
  if (g->breakKind == kNeBreakNormal || g->breakKind == kNeBreakAllOffButNotAbsorb) {
    nb = BreakOffGeometry(g, body);
    if (nb) nb->ApplyImpulseAtOffset(share, worldPoint - nb->state.pos);
  }
  if (body->kind == kNeBodyAnimated) impulse = share;
  if (!nb) return 0;
  if (breakOffCallback) {
    breakOffCallback(body, body->kind == kNeBodyRigid ? 1 : 2, g, nb);
  }
  return 1;
}
