// Box against triangles: the 13-axis separating test of a two-sided
// triangle, the height-field test of a ground triangle, and the loops over a
// triangle list and a single triangle. The car's body box against the terrain
// runs here every sub-step.
#include <cmath>

#include "physics/collide_tests.h"

void neBoxWorldRecord::Set(const neGeometryRecord& g, const neTransform& t) {
  box = &g;
  transform = t;
  for (int i = 0; i < 3; ++i) axes[i] = t.rot.col[i] * g.halfExtents[i];
  cornersMade = false;
}

void neBoxWorldRecord::MakeCorners() {
  const neVector3& p = transform.pos;
  for (int i = 0; i < 8; ++i) {
    const float s0 = i < 4 ? 1.0f : -1.0f;
    const float s1 = (i & 2) ? -1.0f : 1.0f;
    const float s2 = (i & 1) ? -1.0f : 1.0f;
    corners[i] = p + axes[0] * s0 + axes[1] * s1 + axes[2] * s2;
  }
  cornersMade = true;
}

namespace {

// The next and the one after of three (i + 1) % 3 and (i + 2) % 3, read from
// a table: the edge axes ask for them nine times a triangle.
constexpr int kNext[3] = {1, 2, 0};
constexpr int kAfterNext[3] = {2, 0, 1};

// Box face axis k; false when it separates the box from the triangle.
bool FaceAxis(const neBoxWorldRecord& box, neTriangleContact& f, const neTriangleWorkRecord& tri,
              int k) {
  const neVector3& a = box.transform.rot.col[k];
  float lo = a.Dot(tri.v[0]), hi = lo;
  int imin = 0, imax = 0;
  for (int i = 1; i < 3; ++i) {
    const float p = a.Dot(tri.v[i]);
    if (p < lo) {
      lo = p;
      imin = i;
    }
    if (p > hi) {
      hi = p;
      imax = i;
    }
  }
  const float hk = box.box->halfExtents[k];
  const float c = a.Dot(box.transform.pos);
  if (!(c + hk > lo && c - hk < hi)) return false;
  const float up = (c + hk) - lo;
  const float down = hi - (c - hk);
  float pen;
  int vertex;
  neVector3 normal;
  if (down <= up) {
    pen = down;
    vertex = imax;
    normal = a;
  } else {
    pen = up;
    vertex = imin;
    normal = -a;
  }
  // Departs from the rule (any shallower face axis wins, its point the
  // triangle's vertex): a vertex beside the box, out of the face's extent (a
  // large terrain triangle reaching under it from one side), is no point of
  // the box; with its tilted normal and its arm metres long it spun a box
  // landing on an edge. The triangle's own axis or an edge axis answers.
  bool beside = false;
  for (int j = 1; j < 3 && !beside; ++j) {
    const int o = (k + j) % 3;
    const float off = box.transform.rot.col[o].Dot(tri.v[vertex] - box.transform.pos);
    beside = std::fabs(off) > box.box->halfExtents[o];
  }
  if (pen < f.depth && !beside) {
    f.depth = pen;
    f.pointA = tri.v[vertex];
    f.pointB = tri.v[vertex] + normal * pen;
    f.normal = normal;
    f.tangent1 =
        down <= up ? box.transform.rot.col[kNext[k]] : -box.transform.rot.col[kNext[k]];
    f.tangent2 = box.transform.rot.col[kAfterNext[k]];
    f.valid = true;
  }
  return true;
}

bool AllBelowZeroTolerance(const neVector3& v) {
  return std::fabs(v.x) < kNeZero && std::fabs(v.y) < kNeZero && std::fabs(v.z) < kNeZero;
}

// Box axis i crossed with triangle edge j (edge: its unit direction, not
// degenerate); false when it separates them.
bool EdgeAxis(const neBoxWorldRecord& box, neTriangleContact& e, const neTriangleWorkRecord& tri,
              const neVector3& edge, int i, int j) {
  neVector3 l = box.transform.rot.col[i].Cross(edge);
  if (AllBelowZeroTolerance(l)) return true;
  l.Normalize();
  if (AllBelowZeroTolerance(l)) return true;
  const neVector3& h1 = box.axes[kNext[i]];
  const neVector3& h2 = box.axes[kAfterNext[i]];
  const float c = l.Dot(box.transform.pos);
  const float g1 = l.Dot(h1), g2 = l.Dot(h2);
  const float s1 = g1 >= 0.0f ? 1.0f : -1.0f;
  const float s2 = g2 >= 0.0f ? 1.0f : -1.0f;
  const float r = s1 * g1 + s2 * g2;
  // Both ends of edge j project alike; the third vertex gives the other end.
  const float pEdge = l.Dot(tri.v[j]);
  const float pOther = l.Dot(tri.v[kAfterNext[j]]);
  const float lo = neMin(pEdge, pOther), hi = neMax(pEdge, pOther);
  if (c + r <= lo || c - r >= hi) return false;
  float pen;
  neVector3 normal, b;
  if (pEdge <= pOther) {
    normal = -l;
    pen = (c + r) - lo;
    b = box.transform.pos + h1 * s1 + h2 * s2;
  } else {
    normal = l;
    pen = hi - (c - r);
    b = box.transform.pos - h1 * s1 - h2 * s2;
  }
  if (pen < e.depth) {
    const neVector3& hi3 = box.axes[i];
    e.depth = pen;
    e.pointA = b;
    e.pointB = b;
    e.normal = normal;
    e.boxEdge0 = b + hi3;
    e.boxEdge1 = b - hi3;
    e.triEdge0 = tri.v[j];
    e.triEdge1 = tri.v[kNext[j]];
    e.valid = true;
  }
  return true;
}

}  // namespace

bool neBoxTriangleTest(neBoxWorldRecord& box, neTriangleContact& c,
                       const neTriangleWorkRecord& tri, float deeperThan) {
  c.depth = kNeShallowStart;
  c.valid = false;
  c.edgeContact = false;

  // The triangle's normal, turned toward the box.
  const float s = tri.n.Dot(box.transform.pos) - tri.d;
  const neVector3 m = s >= 0.0f ? tri.n : -tri.n;
  float reach = 0.0f;
  neVector3 corner = box.transform.pos;
  for (int i = 0; i < 3; ++i) {
    const float g = m.Dot(box.axes[i]);
    const float sign = g > 0.0f ? 1.0f : -1.0f;
    reach += sign * g;
    corner -= box.axes[i] * sign;
  }
  const float pen = reach - std::fabs(s);
  if (pen < 0.0f) return false;  // a touching box (pen 0) goes on
  // Every later axis can only make the depth smaller, so a contact that is
  // not deeper than the caller's best already can stop here.
  if (pen <= deeperThan) return false;
  if (pen < kNeShallowStart) {
    c.depth = pen;
    c.pointA = corner;
    c.normal = m;
    c.pointB = corner + m * pen;
    c.valid = true;
  }

  neTriangleContact f;
  f.depth = c.depth;
  f.valid = false;
  f.edgeContact = false;
  for (int k = 0; k < 3; ++k) {
    if (!FaceAxis(box, f, tri, k)) return false;
  }
  if (f.valid) c = f;
  // The edge axes, the dearest part, can only lower the depth too (or reject).
  if (c.depth <= deeperThan) return false;

  neTriangleContact e;
  e.depth = c.depth;
  e.valid = false;
  e.edgeContact = false;
  // The unit edge directions once for the nine axes; a degenerate edge
  // gives no axis.
  neVector3 unitEdge[3];
  bool edgeUsable[3];
  for (int j = 0; j < 3; ++j) {
    unitEdge[j] = tri.e[j];
    unitEdge[j].Normalize();
    edgeUsable[j] = !AllBelowZeroTolerance(unitEdge[j]);
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (edgeUsable[j] && !EdgeAxis(box, e, tri, unitEdge[j], i, j)) return false;
    }
  }
  if (e.valid) {
    neVector3 onBox, onTri;
    float dist = 0.0f;
    bool inRange = false;
    if (neSegmentClosestPoints(e.boxEdge0, e.boxEdge1, e.triEdge0, e.triEdge1, onBox, onTri, dist,
                               inRange) &&
        inRange) {
      c.depth = e.depth;
      c.pointA = onBox;
      c.pointB = onTri;
      c.normal = e.normal;
      c.edgeContact = true;
      c.valid = true;
    }
  }
  return c.valid;
}

bool neBoxGroundTriangleTest(neBoxWorldRecord& box, neTriangleContact& c,
                             const neTriangleWorkRecord& tri) {
  c.valid = false;
  c.edgeContact = false;
  // A ground triangle without height (a wall) has no height field to stand
  // on; it is tested as an ordinary two-sided triangle instead.
  if (std::fabs(tri.n.y) < kNeZero) return neBoxTriangleTest(box, c, tri);
  if (!box.cornersMade) box.MakeCorners();
  float best = 0.0f;
  const neVector3& v0 = tri.v[0];
  const neVector3& v1 = tri.v[1];
  const neVector3& e0 = tri.e[0];
  const neVector3& e1 = tri.e[1];
  const neVector3& e2 = tri.e[2];
  for (const neVector3& p : box.corners) {
    const float f = (p.z - v0.z) * e2.x - (p.x - v0.x) * e2.z;
    const float g = e1.x * (p.z - v1.z) - e1.z * (p.x - v1.x);
    const float h = e0.x * (p.z - v0.z) - e0.z * (p.x - v0.x);
    if (!(f * g >= 0.0f && f * h >= 0.0f)) continue;
    const float y = (tri.d - tri.n.x * p.x - tri.n.z * p.z) / tri.n.y;
    const float pen = y - p.y;
    if (pen > best) {
      best = pen;
      c.depth = pen;
      c.pointA = p;
      c.pointB = neV3(p.x, y, p.z);
      c.normal = tri.n;
      c.valid = true;
    }
  }
  return c.valid;
}

void neCollideBoxTriangleList(neCollisionResult& result, const neGeometryRecord& a,
                              const neTransform& ta, const neGeometryRecord& b) {
  neBoxWorldRecord box;
  box.Set(a, ta);
  neDeepestTriangleListContact(
      result, b,
      [](const neTerrainTriangle& t) {
        return t.flag == kNeTriangleTwoSided || t.flag == kNeTriangleGround;
      },
      [&box](const neTerrainTriangle& t, const neTriangleWorkRecord& tri, neTriangleContact& c,
             float bestDepth) {
        // Only the two-sided test may give up early on a contact that cannot win.
        return t.flag == kNeTriangleTwoSided ? neBoxTriangleTest(box, c, tri, bestDepth)
                                             : neBoxGroundTriangleTest(box, c, tri);
      });
}

void neCollideBoxTriangle(neCollisionResult& result, const neGeometryRecord& a,
                          const neTransform& ta, const neGeometryRecord& b, const neTransform& tb) {
  result.found = 0;
  const neGeometryRecord* list = b.ownerTriangleList;
  if (!list || !list->vertices) return;
  neTriangleWorkRecord tri;
  if (!tri.Set(tb.TransformPoint(list->vertices[b.triangleVertices[0]]),
               tb.TransformPoint(list->vertices[b.triangleVertices[1]]),
               tb.TransformPoint(list->vertices[b.triangleVertices[2]]))) {
    return;
  }
  neBoxWorldRecord box;
  box.Set(a, ta);
  neTriangleContact c;
  if (!neBoxTriangleTest(box, c, tri)) return;
  result.Set(c.depth, c.normal, c.pointA, c.edgeContact ? c.pointB : c.pointA);
}
