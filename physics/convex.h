// Convex polytopes for the separating-axis tests: the hull data layout, the
// polytope view that lets boxes, hulls and triangles share one search, and
// the climbing face and edge searches.
//
// Hull data (the block a host hands to neGeometry::SetConvexMesh; the engine
// reads it and never copies or frees it). All words little-endian:
//   int32 F faces, int32 V vertices, int32 E edges, int32 total bytes
//   F planes: 4 floats each (unit outward normal, offset)
//   V vertices: 4 floats each (x, y, z in the geometry's frame, fourth unused)
//   F face records: 3 int32 byte offsets from the block start, to the face's
//     neighbouring faces, its vertices and its edges (3 bytes each)
//   V vertex records: 1 int32 byte offset to the vertex's incident edges
//     (bytes ended by 255)
//   E edge records: 4 bytes: face on one side, face on the other, first
//     vertex, second vertex
//   the byte lists, wherever the offsets point
#ifndef KELVAMOR_PHYSICS_CONVEX_H
#define KELVAMOR_PHYSICS_CONVEX_H

#include <cstdint>

#include "physics/geometry.h"
#include "physics/narrowphase.h"
#include "physics/ne.h"

// Room of the searches' face marks and edge-pair work list. A hull with more
// faces is refused when it is set on a geometry.
constexpr int32_t kNeConvexMaxFaces = 101;
constexpr int32_t kNeConvexMaxEdgePairs = 200;
constexpr int32_t kNeHullHeaderBytes = 16;
constexpr uint8_t kNeListEnd = 255;

// True when the block is a hull the searches can walk: counts within their
// limits, every offset and index inside the block, finite planes and vertices.
bool neConvexBlobIsUsable(const uint8_t* blob);

// Read access to a checked hull block.
struct neHullView {
  const uint8_t* blob = nullptr;
  int32_t faceCount = 0;
  int32_t vertexCount = 0;
  int32_t edgeCount = 0;

  bool Set(const uint8_t* block);  // false unless neConvexBlobIsUsable
  neVector3 Plane(int32_t f) const;
  neVector3 Vertex(int32_t v) const;
  const uint8_t* FaceNeighbours(int32_t f) const;
  const uint8_t* FaceVertices(int32_t f) const;
  const uint8_t* FaceEdges(int32_t f) const;
  const uint8_t* VertexEdges(int32_t v) const;
  const uint8_t* Edge(int32_t e) const;
};

// One polytope as the search sees it: topology by index (a hull block, or the
// fixed box or triangle topology in the same layout), local vertices and face
// normals, a world transform.
struct nePolytopeView {
  bool isBox = false;
  neHullView topo;
  int32_t vertsPerFace = 0;
  // Local unit face normals and local vertices, 16-byte records (x, y, z,
  // unused): read by copy, so a host's byte block needs no alignment.
  const uint8_t* normals = nullptr;
  const uint8_t* vertices = nullptr;
  neTransform transform;

  // A box from its half extents into the caller's eight vertices.
  void SetBox(const neVector3& halfExtents, neVector3* vertexStore, const neTransform& t);
  // False for a block that is not a usable hull.
  bool SetHull(const uint8_t* blob, const neTransform& t);
  // A triangle already in world space: face 0 along normals[0], face 1 along
  // normals[1] (its opposite).
  void SetTriangle(const neVector3* worldVertices, const neVector3* faceNormals);

  int32_t FaceCount() const { return topo.faceCount; }
  neVector3 LocalVertex(int32_t v) const;
  neVector3 LocalNormal(int32_t f) const;
  neVector3 WorldVertex(int32_t v) const { return transform.TransformPoint(LocalVertex(v)); }
  neVector3 WorldNormal(int32_t f) const { return transform.rot.MultiplyVector(LocalNormal(f)); }
  // The vertex farthest along -d (d a world direction).
  int32_t Support(const neVector3& d) const;
};

// The hint direction shared by a test's scores, with its length.
struct neSeparationHint {
  neVector3 h;
  float length;
  void Set(const neVector3& v);
};

float neSeparationScore(const neSeparationHint& hint, const neVector3& m, float o);

// Search state of one pair of views: X's faces (or edges) are searched, Y
// supplies support points.
struct neSeparationPair {
  const nePolytopeView* x = nullptr;
  const nePolytopeView* y = nullptr;
  const neSeparationHint* hint = nullptr;
  int32_t found = 0;               // 0 nothing yet, 1 face, 2 edge pair
  int32_t xIndex = 0;              // X's best face, or X's edge of the best pair
  int32_t yIndex = 0;              // Y's support vertex for that face, or Y's edge
  neVector3 plane = {0, 0, 0, 0};  // world normal or edge axis
  float offset = 0.0f;             // o: how far Y reaches behind the plane
  float bestScore = -1000000.0f;
  // When Y is a triangle: its three in-plane edge normals (world), which
  // tilt its edge arcs; its two faces are exactly opposite.
  const neVector3* triangleEdgeNormals = nullptr;
  bool marks[kNeConvexMaxFaces];

  // Each returns false as soon as a separating plane is found (no contact).
  bool EvaluateFace(int32_t face, bool& improved);
  bool FaceSearch(int32_t startFace);
  // Climbs over edge pairs from the pairs xEdges x yEdges, starting from the
  // present best score; a better pair sets found = 2.
  bool EdgeSearch(const uint8_t* xEdges, int32_t xCount, const uint8_t* yEdges, int32_t yCount);
};

// The edges of a face (vertsPerFace of them) or at a vertex (up to the end
// mark), as a list with its length.
int32_t neVertexEdgeCount(const nePolytopeView& view, int32_t vertex);

// The mean of a view's vertices (world), a point inside it.
neVector3 nePolytopeCentre(const nePolytopeView& view);
// How far the view's faces lie from centre at the least (world).
float nePolytopeInnerReach(const nePolytopeView& view, const neVector3& centre);

// A hint the scores can trust: a point strictly inside the difference of the
// two shapes (centre of A minus centre of B), nudged off zero by less than
// the shapes' inner reach when the centres coincide. The searches' verdicts
// are exact only for such a hint.
neVector3 neInsideHint(const neVector3& centreA, float reachA, const neVector3& centreB,
                       float reachB);

// The exact verdict over every face of both and every edge pair that forms a
// face of their difference (arcs crossing on the unit sphere): true when one
// of them separates the two polytopes. The climbing search is fast but can
// stop short of the separating axis; this settles a contact it reports.
bool neConvexSeparated(const nePolytopeView& a, const nePolytopeView& b);

// Closest points of two segments, only when both parameters lie in [0, 1]
// and neither segment is degenerate nor are they parallel.
bool neSegmentClosestPointsInside(const neVector3& a0, const neVector3& a1, const neVector3& b0,
                                  const neVector3& b1, neVector3& onA, neVector3& onB);

// A and B each a box or a hull.
void neCollideConvexConvex(neCollisionResult& result, const neGeometryRecord& a,
                           const neTransform& ta, const neGeometryRecord& b, const neTransform& tb);
// The dispatch's box-hull entry; direction is not used.
void neCollideBoxConvex(neCollisionResult& result, const neGeometryRecord& box,
                        const neTransform& tbox, const neGeometryRecord& hull,
                        const neTransform& thull, const neVector3& direction);
// Hull A against the triangles of list B; the touched triangle's material and
// user word go into materialB and triangleUserWord.
void neCollideConvexTriangleList(neCollisionResult& result, const neGeometryRecord& a,
                                 const neTransform& ta, const neGeometryRecord& b);

#endif  // KELVAMOR_PHYSICS_CONVEX_H
