// Weak stand-ins for the entry points of seams_core.h (and two geometry
// queries of geometry.h) until the narrow-phase and solver sides define them.
// The box queries do the box case for real so the core's own tests see true
// bounds; the passes do nothing.
#include "physics/seams_core.h"

#include <cmath>

#include "physics/body.h"
#include "physics/geometry.h"

#define NE_SEAM __attribute__((weak))

NE_SEAM void neGeometryRecord::GetExtents(neVector3& minimum, neVector3& maximum) const {
  const neMatrix3x3& m = transform.rot;
  neVector3 e;
  for (int i = 0; i < 3; ++i) {
    if (type == kNeShapeSphere) {
      e[i] = radius;
    } else {
      e[i] = std::fabs(m.col[0][i]) * halfExtents.x + std::fabs(m.col[1][i]) * halfExtents.y +
             std::fabs(m.col[2][i]) * halfExtents.z;
    }
  }
  minimum = transform.pos - e;
  maximum = transform.pos + e;
}

NE_SEAM float neGeometryRecord::GetBoundingDistance() const {
  if (type == kNeShapeSphere) return radius + transform.pos.Length();
  return halfExtents.Length() + transform.pos.Length();
}

NE_SEAM void neBodyComputeBox(neBody& body) {
  if (body.geometryCount == 0) return;
  float reach = 0.0f;
  for (neGeometryRecord* g = body.geometryHead; g; g = g->next)
    reach = std::fmax(reach, g->GetBoundingDistance());
  if (body.geometryCount == 1 && body.geometryHead->type == kNeShapeBox) {
    const neGeometryRecord& g = *body.geometryHead;
    body.box.type = g.type;
    body.box.halfExtents = g.halfExtents;
    body.box.transform = g.transform;
  } else {
    neVector3 lo = neV3(1e6f, 1e6f, 1e6f), hi = neV3(-1e6f, -1e6f, -1e6f);
    for (neGeometryRecord* g = body.geometryHead; g; g = g->next) {
      neVector3 a, b;
      g->GetExtents(a, b);
      lo.SetMin(lo, a);
      hi.SetMax(hi, b);
    }
    body.box.halfExtents = (hi - lo) * 0.5f;
    body.box.transform.SetIdentity();
    body.box.transform.pos = lo + body.box.halfExtents;
  }
  body.box.boundingRadius = reach;
}

NE_SEAM void neCollideBodyPairs(neSimulationRecord&) {}
NE_SEAM void neCollideTerrain(neSimulationRecord&) {}
NE_SEAM void neSolveConstraintSets(neSimulationRecord&) {}
NE_SEAM void neUpdateStacks(neSimulationRecord&) {}
NE_SEAM void neSolveStacks(neSimulationRecord&) {}
NE_SEAM void neCheckRest(neRigidBodyRecord&) {}
NE_SEAM bool neKeepResting(neRigidBodyRecord&) { return true; }
NE_SEAM void neLeaveStack(neRigidBodyRecord&) {}
NE_SEAM void neConstraintEnable(neConstraintRecord&, bool) {}
NE_SEAM void neConstraintApplyDamping(neConstraintRecord&) {}
NE_SEAM void neConstraintRunControllers(neConstraintRecord&) {}
