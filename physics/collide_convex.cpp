// Convex hull tests: hull or box against hull, and hull against the triangles
// of a triangle list, through the climbing searches of convex.*.
#include <cmath>

#include "physics/collide_tests.h"
#include "physics/convex.h"

namespace {

const neVector3 kHintBias = {0.1f, 0.1f, 0.1f, 0.0f};

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
                                    pair.y->WorldVertex(yr[2]), pair.y->WorldVertex(yr[3]),
                                    pointA, pointB)) {
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

struct HullTriangleContact {
  neVector3 pointA, pointB, normal;
  float depth;
  bool valid;
};

// Hull A against one prepared triangle; true for a contact.
bool ConvexTriangle(HullTriangleContact& c, const nePolytopeView& hull,
                    const nePolytopeView& triangle, const neVector3* edgeNormals,
                    const neVector3& centroid) {
  c.valid = false;
  neSeparationHint hint;
  hint.Set(hull.transform.pos + kHintBias - centroid);
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
  if (triangleBetter) {
    edges.bestScore = onTriangle.bestScore;
    const int32_t s = onTriangle.yIndex;
    if (!edges.EdgeSearch(hull.topo.VertexEdges(s), neVertexEdgeCount(hull, s),
                          triangle.topo.FaceEdges(onTriangle.xIndex), triangle.vertsPerFace)) {
      return false;
    }
  } else {
    edges.bestScore = onHull.bestScore;
    const int32_t s = onHull.yIndex;
    if (!edges.EdgeSearch(hull.topo.FaceEdges(onHull.xIndex), hull.vertsPerFace,
                          triangle.topo.VertexEdges(s), neVertexEdgeCount(triangle, s))) {
      return false;
    }
  }

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
  neSeparationHint hint;
  hint.Set(ta.pos - tb.pos - kHintBias);
  neSeparationHint reversed;
  reversed.Set(-hint.h);

  neVector3 boxA[8], boxB[8];
  nePolytopeView va, vb;
  if (!MakeView(va, a, ta, boxA) || !MakeView(vb, b, tb, boxB)) return;

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
  if (aBetter) {
    edges.bestScore = onA.bestScore;
    if (!edges.EdgeSearch(va.topo.FaceEdges(onA.xIndex), va.vertsPerFace,
                          vb.topo.VertexEdges(onA.yIndex), neVertexEdgeCount(vb, onA.yIndex))) {
      return;
    }
  } else {
    edges.bestScore = onB.bestScore;
    if (!edges.EdgeSearch(va.topo.VertexEdges(onB.yIndex), neVertexEdgeCount(va, onB.yIndex),
                          vb.topo.FaceEdges(onB.xIndex), vb.vertsPerFace)) {
      return;
    }
  }

  if (edges.found == 2) {
    if (!EdgeContact(edges, result.pointA, result.pointB, result.normal, result.depth)) return;
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
  if (!b.triangleIndices || !b.triangles || !b.vertices) return;

  HullTriangleContact slots[2];
  int32_t bestSlot = 0;
  slots[0].valid = false;
  slots[0].depth = kNeNoDepthYet;
  int32_t material = 0, userWord = 0;
  for (int32_t i = 0; i < b.triangleIndexCount; ++i) {
    const neTerrainTriangle& t = b.triangles[b.triangleIndices[i]];
    neTriangleWorkRecord tri;
    if (!tri.Set(b.vertices[t.indices[0]], b.vertices[t.indices[1]], b.vertices[t.indices[2]])) {
      continue;  // zero area: no face to collide with
    }
    const neVector3 faceNormals[2] = {tri.n, -tri.n};
    neVector3 edgeNormals[3];
    for (int k = 0; k < 3; ++k) {
      edgeNormals[k] = tri.n.Cross(tri.e[k]);
      edgeNormals[k].Normalize();
    }
    nePolytopeView triangle;
    triangle.SetTriangle(tri.v, faceNormals);
    const neVector3 centroid = (tri.v[0] + tri.v[1] + tri.v[2]) * 0.33333334f;
    HullTriangleContact& scratch = slots[1 - bestSlot];
    if (!ConvexTriangle(scratch, hull, triangle, edgeNormals, centroid)) continue;
    if (!scratch.normal.IsFinite() || scratch.normal.IsZero() || !neIsFinite(scratch.depth)) {
      continue;
    }
    if (scratch.depth > slots[bestSlot].depth) {
      bestSlot = 1 - bestSlot;
      material = t.materialID;
      userWord = t.userData;
    }
  }
  const HullTriangleContact& best = slots[bestSlot];
  if (!best.valid) return;
  result.depth = best.depth;
  result.normal = best.normal;
  result.pointA = best.pointA;
  result.pointB = best.pointB;
  result.materialB = material;
  result.triangleUserWord = userWord;
  result.found = 1;
}
