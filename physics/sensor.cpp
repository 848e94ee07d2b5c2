// Line-sensor tests: slab test against boxes, ray test against terrain
// triangles, and the walk over a body's sensors and another body's shapes.
#include "physics/sensor.h"

#include <cmath>

#include "physics/body.h"
#include "physics/sensor_record.h"

namespace {

constexpr float kFar = 1.0e6f;

bool LineHitsBox(const neVector3& start, const neVector3& line, const neVector3& h,
                 neSensorHit& hit) {
  float tNear = -kFar, tFar = kFar;
  int nearAxis = -1;
  for (int i = 0; i < 3; ++i) {
    if (std::fabs(line[i]) < kNeZero) {
      // Parallel to this slab: outside it never hits; inside it, the slab
      // says nothing and the other axes decide.
      if (start[i] < -h[i] || start[i] > h[i]) return false;
      continue;
    }
    float t1 = (h[i] - start[i]) / line[i];
    float t2 = (-h[i] - start[i]) / line[i];
    if (t1 > t2) neSwap(t1, t2);
    tFar = neMin(tFar, t2);
    if (t1 > tNear) {
      tNear = t1;
      nearAxis = i;
    }
    if (tFar < tNear || tFar < 0.0f) return false;
  }
  if (nearAxis < 0 || tNear > 1.0f) return false;
  hit.point = start + line * tNear;
  hit.depth = (start + line - hit.point).Length();
  hit.normal = neV3(0.0f, 0.0f, 0.0f);
  hit.normal[nearAxis] = line[nearAxis] >= 0.0f ? -1.0f : 1.0f;
  return hit.depth > 0.0f;
}

// Signed volume of the ray with one triangle edge. Each edge is evaluated
// with its end points in one fixed order (whichever triangle asks), so two
// triangles sharing an edge get exactly opposite values and a ray through the
// edge cannot slip between them.
float EdgeSide(const neVector3& origin, const neVector3& dir, const neVector3& p,
               const neVector3& q) {
  const bool ordered = p.x < q.x || (p.x == q.x && (p.y < q.y || (p.y == q.y && p.z <= q.z)));
  const neVector3& a = ordered ? p : q;
  const neVector3& b = ordered ? q : p;
  const float side = dir.Dot((a - origin).Cross(b - origin));
  return ordered ? side : -side;
}

bool LineHitsTriangles(const neVector3& start, const neVector3& line, float length,
                       const neGeometryRecord& g, neSensorHit& hit) {
  if (!g.triangleIndices || !g.triangles || !g.vertices) return false;
  bool any = false;
  for (int32_t i = 0; i < g.triangleIndexCount; ++i) {
    const neTerrainTriangle& t = g.triangles[g.triangleIndices[i]];
    const neVector3& v0 = g.vertices[t.indices[0]];
    const neVector3& v1 = g.vertices[t.indices[1]];
    const neVector3& v2 = g.vertices[t.indices[2]];
    // Only an exactly degenerate triangle lacks a normal: a kerb's small
    // triangles must stay visible to the wheels.
    neVector3 n = (v1 - v0).Cross(v2 - v1);
    const float n2 = n.LengthSquared();
    if (!(n2 > 0.0f) || !neIsFinite(n2)) continue;
    n *= 1.0f / std::sqrt(n2);
    const float across = n.Dot(line);
    // A line in the triangle's plane has no single crossing.
    if (across == 0.0f || !neIsFinite(across)) continue;
    const float tHit = n.Dot(v0 - start) / across;
    if (!(tHit >= 0.0f && tHit <= 1.0f)) continue;  // also drops NaN
    const float s0 = EdgeSide(start, line, v0, v1);
    const float s1 = EdgeSide(start, line, v1, v2);
    const float s2 = EdgeSide(start, line, v2, v0);
    const bool inside =
        (s0 >= 0.0f && s1 >= 0.0f && s2 >= 0.0f) || (s0 <= 0.0f && s1 <= 0.0f && s2 <= 0.0f);
    if (!inside) continue;
    const float depth = length * (1.0f - tHit);
    // The surface nearest the line's start is the deepest hit; on equal depth
    // the later triangle is taken.
    if (any && depth < hit.depth) continue;
    any = true;
    hit.depth = depth;
    hit.point = start + line * tHit;
    hit.normal = across > 0.0f ? -n : n;
    hit.material = t.materialID;
  }
  return any && hit.depth > 0.0f;
}

// The geometry's placement for the sensor test: only boxes, spheres and
// capsules carry a transform; the other shapes sit at the body origin.
neTransform PlacementOf(const neGeometryRecord& g) {
  if (g.type == kNeShapeBox || g.type == kNeShapeSphere || g.type == kNeShapeCylinder) {
    return g.transform;
  }
  neTransform identity;
  identity.SetIdentity();
  return identity;
}

void TestShape(neSensorRecord* sensors, const neTransform& ta, const neGeometryRecord& g,
               int32_t material, const neTransform& tb, neBody* hitBody) {
  const neTransform world = tb.Multiply(PlacementOf(g));
  const neTransform toShape = world.FastInverse().Multiply(ta);
  for (neSensorRecord* s = sensors; s; s = s->next) {
    neSensorHit hit;
    const neVector3 start = toShape.TransformPoint(s->start);
    const neVector3 line = toShape.rot.MultiplyVector(s->line);
    if (!neSensorTestGeometry(start, line, s->length, g, hit)) continue;
    if (!(hit.depth > 0.0f) || !(hit.depth > s->depth)) continue;
    if (!hit.normal.IsFinite() || !hit.point.IsFinite()) continue;
    s->depth = hit.depth;
    s->normal = world.rot.MultiplyVector(hit.normal);
    s->point = world.TransformPoint(hit.point);
    s->material = g.type == kNeShapeTriangleList ? hit.material : material;
    s->body = hitBody;
  }
}

}  // namespace

bool neSensorTestGeometry(const neVector3& start, const neVector3& line, float length,
                          const neGeometryRecord& g, neSensorHit& hit) {
  switch (g.type) {
    case kNeShapeBox:
      hit.material = g.materialIndex;
      return LineHitsBox(start, line, g.halfExtents, hit);
    case kNeShapeTriangleList:
      return LineHitsTriangles(start, line, length, g, hit);
    default:
      return false;
  }
}

void neSensorTestBodies(neBody& a, const neTransform& ta, neBody& b, const neTransform& tb,
                        neBody* hitBody) {
  if (!a.sensorHead || b.geometryCount == 0 || !b.geometryHead) return;
  if (b.geometryCount == 1) {
    // One geometry: through the body's collision box (a copy of a box, a box
    // around anything else); a triangle list (the terrain) is its own shape.
    // The surface reports the geometry's own material either way.
    const neGeometryRecord& only = *b.geometryHead;
    TestShape(a.sensorHead, ta, only.type == kNeShapeTriangleList ? only : b.box,
              only.materialIndex, tb, hitBody);
    return;
  }
  for (const neGeometryRecord* g = b.geometryHead; g; g = g->next) {
    TestShape(a.sensorHead, ta, *g, g->materialIndex, tb, hitBody);
  }
}
