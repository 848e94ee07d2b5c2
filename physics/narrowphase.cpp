// Narrow phase: geometry boxes and reach, the body's collision box, the
// body-versus-body search and the shape-pair dispatch.
#include "physics/narrowphase.h"

#include <cmath>

#include "physics/body.h"
#include "physics/collide_tests.h"
#include "physics/convex.h"
#include "physics/substep_phases.h"

namespace {

constexpr float kExtentStart = 1000000.0f;
// Geometries of one body tested against the other body's box are remembered
// up to this many; the rest are re-tested where needed.
constexpr int32_t kCandidateMemory = 100;

// World placement of a geometry on a body. A triangle list's triangles are
// already in world space.
neTransform WorldOf(const neTransform& body, const neGeometryRecord& g) {
  if (g.type == kNeShapeTriangleList) {
    neTransform identity;
    identity.SetIdentity();
    return identity;
  }
  return body.Multiply(g.transform);
}

// Axis-aligned box of a local box (lo, hi) placed by t.
void PlaceBox(const neTransform& t, const neVector3& lo, const neVector3& hi, neVector3& outMin,
              neVector3& outMax) {
  const neVector3 centre = t.TransformPoint((lo + hi) * 0.5f);
  const neVector3 half = (hi - lo) * 0.5f;
  neVector3 e;
  for (int i = 0; i < 3; ++i) {
    e[i] = std::fabs(t.rot.col[0][i]) * half.x + std::fabs(t.rot.col[1][i]) * half.y +
           std::fabs(t.rot.col[2][i]) * half.z;
  }
  outMin = centre - e;
  outMax = centre + e;
}

// The shape that stands for a whole body in the body-level test: its
// collision box, or for a body whose one geometry is a triangle list (the
// terrain) that list itself, whose triangles are loaded per body.
neGeometryRecord& BodyShape(neBody& body) {
  if (body.geometryCount == 1 && body.geometryHead &&
      body.geometryHead->type == kNeShapeTriangleList) {
    return *body.geometryHead;
  }
  return body.box;
}

}  // namespace

neVector3 neDirectionOr(const neVector3& w, const neVector3& fallback) {
  const float len2 = w.LengthSquared();
  if (len2 > 1.0e-24f && neIsFinite(len2)) {
    const neVector3 u = w * (1.0f / std::sqrt(len2));
    if (u.IsFinite()) return u;
  }
  return fallback;
}

bool neUnitFromCross(const neVector3& cross, neVector3& unit) {
  const float len2 = cross.LengthSquared();
  if (!(len2 > 0.0f) || !neIsFinite(len2)) return false;
  const float len = std::sqrt(len2);
  unit = cross * (1.0f / len);
  unit.w = 0.0f;
  return unit.IsFinite() && !(unit.x == 0.0f && unit.y == 0.0f && unit.z == 0.0f);
}

void neCollisionResult::Flip() {
  normal = -normal;
  normal.w = 0.0f;
  neSwap(pointA, pointB);
  neGeometryRecord* g = geometryA;
  geometryA = geometryB;
  geometryB = g;
}

bool neContactIsUsable(const neCollisionResult& r) {
  if (!r.normal.IsFinite() || !neIsFinite(r.depth)) return false;
  if (!r.pointA.IsFinite() || !r.pointB.IsFinite()) return false;
  return std::fabs(r.normal.x) >= kNeZero || std::fabs(r.normal.y) >= kNeZero ||
         std::fabs(r.normal.z) >= kNeZero;
}

bool neSegmentClosestPoints(const neVector3& s1, const neVector3& e1, const neVector3& s2,
                            const neVector3& e2, neVector3& point1, neVector3& point2,
                            float& distance, bool& inRange, float* param1, float* param2) {
  const neVector3 d1 = e1 - s1;
  const neVector3 d2 = e2 - s2;
  if (d1.IsZero() || d2.IsZero()) return false;
  const float aa = d1.LengthSquared(), bb = d2.LengthSquared(), ab = d1.Dot(d2);
  const float det = aa * bb - ab * ab;
  if (std::fabs(det) < kNeZero) return false;
  const neVector3 w = s1 - s2;
  const float t1 = (ab * d2.Dot(w) - bb * d1.Dot(w)) / det;
  const float t2 = (d2.Dot(w) + ab * t1) / bb;
  point1 = s1 + d1 * t1;
  point2 = s2 + d2 * t2;
  distance = std::sqrt((point1 - point2).LengthSquared());
  inRange = t1 >= 0.0f && t1 < 1.0f && t2 >= 0.0f && t2 < 1.0f;
  if (param1) *param1 = t1;
  if (param2) *param2 = t2;
  return true;
}

void neGeometryRecord::GetExtents(neVector3& minimum, neVector3& maximum) const {
  const neMatrix3x3& m = transform.rot;
  const neVector3& p = transform.pos;
  switch (type) {
    case kNeShapeBox: {
      neVector3 e;
      for (int i = 0; i < 3; ++i) {
        e[i] = std::fabs(m.col[0][i]) * halfExtents.x + std::fabs(m.col[1][i]) * halfExtents.y +
               std::fabs(m.col[2][i]) * halfExtents.z;
      }
      minimum = p - e;
      maximum = p + e;
      return;
    }
    case kNeShapeSphere: {
      const neVector3 e = neV3(radius, radius, radius);
      minimum = p - e;
      maximum = p + e;
      return;
    }
    case kNeShapeCylinder: {
      neVector3 e;
      for (int i = 0; i < 3; ++i) {
        e[i] = std::fabs(m.col[1][i]) * (halfHeight + radius) + radius * std::fabs(m.col[0][i]) +
               radius * std::fabs(m.col[2][i]);
      }
      minimum = p - e;
      maximum = p + e;
      return;
    }
    case kNeShapePointList: {
      neVector3 lo = neV3(kExtentStart, kExtentStart, kExtentStart);
      neVector3 hi = neV3(-kExtentStart, -kExtentStart, -kExtentStart);
      for (int32_t i = 0; points && i < pointCount; ++i) {
        lo.SetMin(lo, points[i]);
        hi.SetMax(hi, points[i]);
      }
      minimum = lo * (pointScale + 2.0f);
      maximum = hi * (pointScale + 2.0f);
      return;
    }
    case kNeShapeConvex: {
      neHullView hull;
      if (!hull.Set(hullBlob)) {
        minimum = p;
        maximum = p;
        return;
      }
      neVector3 lo = neV3(kExtentStart, kExtentStart, kExtentStart);
      neVector3 hi = neV3(-kExtentStart, -kExtentStart, -kExtentStart);
      for (int32_t i = 0; i < hull.vertexCount; ++i) {
        const neVector3 v = hull.Vertex(i);
        lo.SetMin(lo, v);
        hi.SetMax(hi, v);
      }
      // Doubled as a margin; placed by the geometry's transform, so that a
      // hull away from the body origin is still inside the body's box.
      PlaceBox(transform, lo * 2.0f, hi * 2.0f, minimum, maximum);
      return;
    }
    default:
      return;
  }
}

float neGeometryRecord::GetBoundingDistance() const {
  const float reach = transform.pos.Length();
  switch (type) {
    case kNeShapeBox:
      return halfExtents.Length() + reach;
    case kNeShapeSphere:
      return radius + reach;
    case kNeShapeCylinder:
      return halfHeight + radius + reach;
    case kNeShapePointList: {
      float longest = 0.0f;
      for (int32_t i = 0; points && i < pointCount; ++i)
        longest = neMax(longest, points[i].Length());
      return (pointScale + 1.0f) * longest;
    }
    case kNeShapeConvex: {
      neHullView hull;
      if (!hull.Set(hullBlob)) return reach;
      float longest = 0.0f;
      for (int32_t i = 0; i < hull.vertexCount; ++i) {
        longest = neMax(longest, transform.TransformPoint(hull.Vertex(i)).Length());
      }
      return longest;
    }
    default:
      return 0.0f;
  }
}

void neBodyComputeBox(neBody& body) {
  body.box.boundingRadius = 0.0f;
  if (body.geometryCount == 0 || !body.geometryHead) return;
  float reach = 0.0f;
  for (const neGeometryRecord* g = body.geometryHead; g; g = g->next) {
    reach = neMax(reach, g->GetBoundingDistance());
  }
  if (body.geometryCount == 1 && body.geometryHead->type == kNeShapeBox) {
    const neGeometryRecord& g = *body.geometryHead;
    body.box.type = g.type;
    body.box.halfExtents = g.halfExtents;
    body.box.transform = g.transform;
    body.box.materialIndex = g.materialIndex;
  } else {
    neVector3 lo = neV3(kExtentStart, kExtentStart, kExtentStart);
    neVector3 hi = neV3(-kExtentStart, -kExtentStart, -kExtentStart);
    for (const neGeometryRecord* g = body.geometryHead; g; g = g->next) {
      neVector3 a = lo, b = hi;
      g->GetExtents(a, b);
      lo.SetMin(lo, a);
      hi.SetMax(hi, b);
    }
    body.box.halfExtents = (hi - lo) * 0.5f;
    body.box.transform.SetIdentity();
    body.box.transform.pos = lo + body.box.halfExtents;
    body.box.transform.pos.w = 1.0f;
  }
  body.box.boundingRadius = reach;
}

void neCollideGeometries(neCollisionResult& result, neGeometryRecord& a, const neTransform& ta,
                         neGeometryRecord& b, const neTransform& tb, const neVector3& direction) {
  bool tested = true;
  switch (a.type) {
    case kNeShapeBox:
      switch (b.type) {
        case kNeShapeTriangle:
          neCollideBoxTriangle(result, a, ta, b, tb);
          break;
        case kNeShapeBox:
          neCollideBoxBox(result, a, ta, b, tb);
          break;
        case kNeShapeSphere:
          neCollideBoxSphere(result, a, ta, b, tb);
          break;
        case kNeShapeCylinder:
          neCollideBoxCylinder(result, a, ta, b, tb);
          break;
        case kNeShapeTriangleList:
          neCollideBoxTriangleList(result, a, ta, b);
          break;
        case kNeShapeConvex:
          neCollideBoxConvex(result, a, ta, b, tb, direction);
          break;
        default:
          tested = false;
          break;
      }
      break;
    case kNeShapeSphere:
      switch (b.type) {
        case kNeShapeBox:
          neCollideBoxSphere(result, b, tb, a, ta);
          result.Flip();
          break;
        case kNeShapeSphere:
          neCollideSphereSphere(result, a, ta, b, tb);
          break;
        case kNeShapeCylinder:
          neCollideCylinderSphere(result, b, tb, a, ta);
          result.Flip();
          break;
        case kNeShapeTriangleList:
          neCollideSphereTriangleList(result, a, ta, b);
          break;
        default:
          tested = false;
          break;
      }
      break;
    case kNeShapeCylinder:
      switch (b.type) {
        case kNeShapeBox:
          neCollideBoxCylinder(result, b, tb, a, ta);
          result.Flip();
          break;
        case kNeShapeSphere:
          neCollideCylinderSphere(result, a, ta, b, tb);
          break;
        case kNeShapeCylinder:
          neCollideCylinderCylinder(result, a, ta, b, tb);
          break;
        case kNeShapeTriangleList:
          neCollideCylinderTriangleList(result, a, ta, b);
          break;
        default:
          tested = false;
          break;
      }
      break;
    case kNeShapeConvex:
      switch (b.type) {
        case kNeShapeBox:
          neCollideBoxConvex(result, b, tb, a, ta, -direction);
          result.Flip();
          break;
        case kNeShapeTriangleList:
          neCollideConvexTriangleList(result, a, ta, b);
          break;
        case kNeShapeConvex:
          neCollideConvexConvex(result, a, ta, b, tb);
          break;
        default:
          tested = false;
          break;
      }
      break;
    default:
      tested = false;
      break;
  }
  // Whatever a test produced, a contact without a usable direction never
  // leaves the narrow phase.
  if (tested && result.found && !neContactIsUsable(result)) result.found = 0;
}

namespace {

// One geometry pair into the scratch; true for a contact.
bool TestPair(neCollisionResult& scratch, neGeometryRecord& ga, const neTransform& bodyA,
              neGeometryRecord& gb, const neTransform& bodyB, const neVector3& direction) {
  scratch.found = 0;
  scratch.triangleUserWord = 0;
  neCollideGeometries(scratch, ga, WorldOf(bodyA, ga), gb, WorldOf(bodyB, gb), direction);
  if (!scratch.found) return false;
  scratch.geometryA = &ga;
  scratch.geometryB = &gb;
  return true;
}

// A shape touches a body's collision box.
bool TouchesBox(neGeometryRecord& g, const neTransform& bodyG, neGeometryRecord& box,
                const neTransform& boxWorld, const neVector3& direction) {
  neCollisionResult probe;
  probe.found = 0;
  probe.triangleUserWord = 0;
  neCollideGeometries(probe, g, WorldOf(bodyG, g), box, boxWorld, direction);
  return probe.found != 0;
}

}  // namespace

void neCollideBodies(neCollisionResult& result, neBody& bodyA, const neTransform& transformA,
                     neBody& bodyB, const neTransform& transformB, const neVector3& direction) {
  result.found = 0;
  result.triangleUserWord = 0;
  if (bodyA.geometryCount == 0 || bodyB.geometryCount == 0 || !bodyA.geometryHead ||
      !bodyB.geometryHead) {
    return;
  }

  neCollisionResult best;
  best.found = 0;
  best.depth = 0.0f;
  best.triangleUserWord = 0;
  neCollisionResult scratch;
  auto consider = [&](neGeometryRecord& ga, neGeometryRecord& gb) {
    // Strictly deeper: the first contact wins a tie, and a contact of depth 0
    // or less never wins.
    if (TestPair(scratch, ga, transformA, gb, transformB, direction) &&
        scratch.depth > best.depth) {
      best = scratch;
    }
  };

  if (bodyA.geometryCount == 1 && bodyB.geometryCount == 1) {
    if (!TestPair(result, *bodyA.geometryHead, transformA, *bodyB.geometryHead, transformB,
                  direction)) {
      result.found = 0;
      return;
    }
  } else {
    // The bodies' boxes first: no touch, no geometry test.
    neGeometryRecord& shapeA = BodyShape(bodyA);
    neGeometryRecord& shapeB = BodyShape(bodyB);
    const neTransform boxA = WorldOf(transformA, shapeA);
    const neTransform boxB = WorldOf(transformB, shapeB);
    {
      neCollisionResult probe;
      probe.found = 0;
      probe.triangleUserWord = 0;
      neCollideGeometries(probe, shapeA, boxA, shapeB, boxB, direction);
      if (!probe.found) return;
    }

    if (bodyA.geometryCount == 1) {
      for (neGeometryRecord* gb = bodyB.geometryHead; gb; gb = gb->next) {
        consider(*bodyA.geometryHead, *gb);
      }
    } else if (bodyB.geometryCount == 1) {
      for (neGeometryRecord* ga = bodyA.geometryHead; ga; ga = ga->next) {
        consider(*ga, *bodyB.geometryHead);
      }
    } else {
      // Only geometries that touch the other body's box take part. B's
      // answers are remembered for the first geometries and recomputed past
      // that, so any number of geometries is handled without storage.
      bool bTouches[kCandidateMemory];
      int32_t index = 0;
      for (neGeometryRecord* gb = bodyB.geometryHead; gb && index < kCandidateMemory;
           gb = gb->next, ++index) {
        bTouches[index] = TouchesBox(*gb, transformB, shapeA, boxA, direction);
      }
      for (neGeometryRecord* ga = bodyA.geometryHead; ga; ga = ga->next) {
        if (!TouchesBox(*ga, transformA, shapeB, boxB, direction)) continue;
        index = 0;
        for (neGeometryRecord* gb = bodyB.geometryHead; gb; gb = gb->next, ++index) {
          const bool touches = index < kCandidateMemory
                                   ? bTouches[index]
                                   : TouchesBox(*gb, transformB, shapeA, boxA, direction);
          if (touches) consider(*ga, *gb);
        }
      }
    }
    if (!best.found) return;
    result = best;
  }

  result.offsetA = result.pointA - transformA.pos;
  result.offsetB = result.pointB - transformB.pos;
  result.bodyPointA = transformA.rot.TransposeMultiply(result.offsetA);
  result.bodyPointB = transformB.rot.TransposeMultiply(result.offsetB);
  result.materialA = result.geometryA->materialIndex;
  const int32_t typeB = BodyShape(bodyB).type;
  if (typeB != kNeShapeTriangleList && typeB != kNeShapeTriangle) {
    result.materialB = result.geometryB->materialIndex;
  }
}
