// Convex hull tests: hull or box against hull, and hull against the triangles
// of a triangle list, through the climbing searches of convex.*.
#include <cmath>

#include "physics/collide_tests.h"
#include "physics/convex.h"

namespace {

// A view of a box or hull geometry; false when the hull block is unusable.
bool MakeView(nePolytopeView& view, const neGeometryRecord& g, const neTransform& t,
              neVector3* boxVertices) {
  if (g.type == kNeShapeBox) {
    view.SetBox(g.halfExtents, boxVertices, t);
    return true;
  }
  if (g.type == kNeShapeConvex) return view.SetHull(g.hullBlob, t);
  return false;
}

// The contact of a won edge pair; false when the closest points of the two
// edges do not lie on both edges.
bool EdgeContact(const neSeparationPair& pair, neVector3& pointA, neVector3& pointB,
                 neVector3& normal, float& depth) {
  const uint8_t* xr = pair.x->topo.Edge(pair.xIndex);
  const uint8_t* yr = pair.y->topo.Edge(pair.yIndex);
  if (!neSegmentClosestPointsInside(pair.x->WorldVertex(xr[2]), pair.x->WorldVertex(xr[3]),
                                    pair.y->WorldVertex(yr[2]), pair.y->WorldVertex(yr[3]), pointA,
                                    pointB)) {
    return false;
  }
  if (pair.offset <= 0.0f) {
    normal = pair.plane;
    depth = -pair.offset;
  } else {
    normal = -pair.plane;
    depth = pair.offset;
  }
  return true;
}

// The point of a triangle nearest to p.
neVector3 ClosestOnTriangle(const neTriangleWorkRecord& t, const neVector3& p) {
  const neVector3 &a = t.v[0], &b = t.v[1], &c = t.v[2];
  const neVector3 ab = b - a, ac = c - a, ap = p - a;
  const float d1 = ab.Dot(ap), d2 = ac.Dot(ap);
  if (d1 <= 0.0f && d2 <= 0.0f) return a;
  const neVector3 bp = p - b;
  const float d3 = ab.Dot(bp), d4 = ac.Dot(bp);
  if (d3 >= 0.0f && d4 <= d3) return b;
  const float vc = d1 * d4 - d3 * d2;
  if (vc <= 0.0f && d1 >= 0.0f && d3 <= 0.0f) return a + ab * (d1 / (d1 - d3));
  const neVector3 cp = p - c;
  const float d5 = ab.Dot(cp), d6 = ac.Dot(cp);
  if (d6 >= 0.0f && d5 <= d6) return c;
  const float vb = d5 * d2 - d1 * d6;
  if (vb <= 0.0f && d2 >= 0.0f && d6 <= 0.0f) return a + ac * (d2 / (d2 - d6));
  const float va = d3 * d6 - d5 * d4;
  if (va <= 0.0f && (d4 - d3) >= 0.0f && (d5 - d6) >= 0.0f) {
    return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
  }
  const float denom = 1.0f / (va + vb + vc);
  return a + ab * (vb * denom) + ac * (vc * denom);
}

// Every hull edge against every triangle edge (the faces were searched
// exactly): true when one of their axes separates hull and triangle.
bool TriangleSeparated(const nePolytopeView& hull, const nePolytopeView& triangle) {
  neVector3 tv[3];
  for (int k = 0; k < 3; ++k) tv[k] = triangle.WorldVertex(k);
  for (int32_t e = 0; e < hull.topo.edgeCount; ++e) {
    const uint8_t* r = hull.topo.Edge(e);
    const neVector3 he = hull.WorldVertex(r[3]) - hull.WorldVertex(r[2]);
    for (int k = 0; k < 3; ++k) {
      neVector3 axis = he.Cross(tv[(k + 1) % 3] - tv[k]);
      if (!(axis.LengthSquared() > 0.0f)) continue;
      float tlo = axis.Dot(tv[0]), thi = tlo;
      for (int j = 1; j < 3; ++j) {
        tlo = neMin(tlo, axis.Dot(tv[j]));
        thi = neMax(thi, axis.Dot(tv[j]));
      }
      const float hhi = axis.Dot(hull.WorldVertex(hull.Support(-axis)));
      const float hlo = axis.Dot(hull.WorldVertex(hull.Support(axis)));
      if (hhi < tlo || hlo > thi) return true;
    }
  }
  return false;
}

struct HullTriangleContact {
  neVector3 pointA, pointB, normal;
  float depth;
  bool valid;
};

// Hull A against one prepared triangle; true for a contact.
bool ConvexTriangle(HullTriangleContact& c, const nePolytopeView& hull,
                    const nePolytopeView& triangle, const neVector3* edgeNormals,
                    const neVector3& anchor) {
  c.valid = false;
  // From the hull's own centre to the triangle's nearest point: a point of
  // the shapes' difference, kept inside it (see the hull pair).
  const neVector3 centre = nePolytopeCentre(hull);
  neSeparationHint hint;
  hint.Set(neInsideHint(centre, nePolytopeInnerReach(hull, centre), anchor, 0.0f));
  neSeparationHint reversed;
  reversed.Set(-hint.h);

  neSeparationPair onHull;
  onHull.x = &hull;
  onHull.y = &triangle;
  onHull.hint = &hint;
  if (!onHull.FaceSearch(0)) return false;

  // The triangle's two faces directly; the hint points from the hull toward
  // the triangle's side, as for the second side of a hull pair.
  neSeparationPair onTriangle;
  onTriangle.x = &triangle;
  onTriangle.y = &hull;
  onTriangle.hint = &reversed;
  bool improved = false;
  if (!onTriangle.EvaluateFace(0, improved)) return false;
  if (!onTriangle.EvaluateFace(1, improved)) return false;

  const bool triangleBetter = onHull.bestScore < onTriangle.bestScore;
  neSeparationPair edges;
  edges.x = &hull;
  edges.y = &triangle;
  edges.hint = &hint;
  edges.triangleEdgeNormals = edgeNormals;
  bool edgeSeparated;
  if (triangleBetter) {
    edges.bestScore = onTriangle.bestScore;
    const int32_t s = onTriangle.yIndex;
    edgeSeparated =
        !edges.EdgeSearch(hull.topo.VertexEdges(s), neVertexEdgeCount(hull, s),
                          triangle.topo.FaceEdges(onTriangle.xIndex), triangle.vertsPerFace);
  } else {
    edges.bestScore = onHull.bestScore;
    const int32_t s = onHull.yIndex;
    edgeSeparated = !edges.EdgeSearch(hull.topo.FaceEdges(onHull.xIndex), hull.vertsPerFace,
                                      triangle.topo.VertexEdges(s), neVertexEdgeCount(triangle, s));
  }
  // The tilted arcs of a flat triangle only approximate its edges' faces, so
  // the edge verdict either way is settled over all edge axes.
  if (TriangleSeparated(hull, triangle)) return false;
  if (edgeSeparated) edges.found = 0;

  if (edges.found == 2 && EdgeContact(edges, c.pointA, c.pointB, c.normal, c.depth)) {
    c.valid = true;
    return true;
  }
  if (triangleBetter) {
    c.normal = onTriangle.plane;
    c.depth = onTriangle.offset;
    c.pointA = hull.WorldVertex(onTriangle.yIndex);
    c.pointB = c.pointA + c.normal * c.depth;
  } else {
    c.normal = -onHull.plane;
    c.depth = onHull.offset;
    c.pointB = triangle.WorldVertex(onHull.yIndex);
    c.pointA = c.pointB + onHull.plane * c.depth;
  }
  c.valid = true;
  return true;
}

}  // namespace

void neCollideConvexConvex(neCollisionResult& result, const neGeometryRecord& a,
                           const neTransform& ta, const neGeometryRecord& b,
                           const neTransform& tb) {
  result.found = 0;
  neVector3 boxA[8], boxB[8];
  nePolytopeView va, vb;
  if (!MakeView(va, a, ta, boxA) || !MakeView(vb, b, tb, boxB)) return;
  // The hint is the difference of the shapes' own centres rather than of
  // their frames' origins less a fixed bias: a hull need not hold its origin,
  // and a thin one may not reach past the bias, and a hint outside the
  // shapes' difference turns the scores' verdicts around.
  const neVector3 ca = nePolytopeCentre(va), cb = nePolytopeCentre(vb);
  neSeparationHint hint;
  hint.Set(neInsideHint(ca, nePolytopeInnerReach(va, ca), cb, nePolytopeInnerReach(vb, cb)));
  neSeparationHint reversed;
  reversed.Set(-hint.h);

  neSeparationPair onA;
  onA.x = &va;
  onA.y = &vb;
  onA.hint = &hint;
  if (!onA.FaceSearch(0)) return;

  // B's faces from the face beside B's support vertex found above.
  neSeparationPair onB;
  onB.x = &vb;
  onB.y = &va;
  onB.hint = &reversed;
  const uint8_t firstEdge = vb.topo.VertexEdges(onA.yIndex)[0];
  if (!onB.FaceSearch(vb.topo.Edge(firstEdge)[0])) return;

  const bool aBetter = onA.bestScore >= onB.bestScore;
  neSeparationPair edges;
  edges.x = &va;
  edges.y = &vb;
  edges.hint = &hint;
  bool edgeSeparated;
  if (aBetter) {
    edges.bestScore = onA.bestScore;
    edgeSeparated =
        !edges.EdgeSearch(va.topo.FaceEdges(onA.xIndex), va.vertsPerFace,
                          vb.topo.VertexEdges(onA.yIndex), neVertexEdgeCount(vb, onA.yIndex));
  } else {
    edges.bestScore = onB.bestScore;
    edgeSeparated =
        !edges.EdgeSearch(va.topo.VertexEdges(onB.yIndex), neVertexEdgeCount(va, onB.yIndex),
                          vb.topo.FaceEdges(onB.xIndex), vb.vertsPerFace);
  }
  // The climb may stop short of a separating axis; every face and every
  // face of the difference settles it before a contact is reported.
  if (edgeSeparated || neConvexSeparated(va, vb)) return;

  // An edge pair whose closest points fall off either edge does not name a
  // contact of its own; the better face's contact stands instead (dropping
  // the contact would let the shapes pass through each other).
  if (edges.found == 2 &&
      EdgeContact(edges, result.pointA, result.pointB, result.normal, result.depth)) {
    // edge-edge contact written
  } else if (aBetter) {
    result.normal = -onA.plane;
    result.depth = onA.offset;
    result.pointB = vb.WorldVertex(onA.yIndex);
    result.pointA = result.pointB + onA.plane * result.depth;
  } else {
    result.normal = onB.plane;
    result.depth = onB.offset;
    result.pointA = va.WorldVertex(onB.yIndex);
    result.pointB = result.pointA + onB.plane * result.depth;
  }
  result.found = 1;
}

void neCollideBoxConvex(neCollisionResult& result, const neGeometryRecord& box,
                        const neTransform& tbox, const neGeometryRecord& hull,
                        const neTransform& thull, const neVector3& /*direction*/) {
  neCollisionResult r;
  neCollideConvexConvex(r, box, tbox, hull, thull);
  if (r.found) {
    result = r;
  } else {
    result.found = 0;
  }
}

void neCollideConvexTriangleList(neCollisionResult& result, const neGeometryRecord& a,
                                 const neTransform& ta, const neGeometryRecord& b) {
  result.found = 0;
  nePolytopeView hull;
  if (a.type != kNeShapeConvex || !hull.SetHull(a.hullBlob, ta)) return;
  neDeepestTriangleListContact<HullTriangleContact>(
      result, b, [](const neTerrainTriangle&) { return true; },
      [&](const neTerrainTriangle&, const neTriangleWorkRecord& tri, HullTriangleContact& c, float) {
        const neVector3 faceNormals[2] = {tri.n, -tri.n};
        neVector3 edgeNormals[3];
        for (int k = 0; k < 3; ++k) {
          edgeNormals[k] = tri.n.Cross(tri.e[k]);
          edgeNormals[k].Normalize();
        }
        nePolytopeView triangle;
        triangle.SetTriangle(tri.v, faceNormals);
        // The hint runs from the triangle's point nearest the hull's centre: any
        // point of the triangle keeps the hint inside the shapes' difference, and
        // this one makes the searched direction the one the hull is pushed off
        // along, not a slant toward a distant centroid.
        return ConvexTriangle(c, hull, triangle, edgeNormals, ClosestOnTriangle(tri, ta.pos));
      });
}
