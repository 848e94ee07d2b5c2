// The exact pair tests behind the narrow-phase dispatch, and the working
// records they share. Each test takes the result first, then shape A with its
// world transform, then shape B (with its transform, except the triangle
// lists, whose triangles are already in world space). A test always writes
// result.found; the other fields only when it reports a contact.
#ifndef KELVAMOR_PHYSICS_COLLIDE_TESTS_H
#define KELVAMOR_PHYSICS_COLLIDE_TESTS_H

#include <cstdint>

#include "physics/geometry.h"
#include "physics/narrowphase.h"
#include "physics/ne.h"

// Depth sentinels; real depths never reach them.
constexpr float kNeNoDepthYet = -1000000.0f;
constexpr float kNeShallowStart = 100000.0f;

// Unit vector along w, or fallback when w is too short to have a direction
// (points that coincide) or is not finite. Unlike the engine's guarded
// normalise this keeps millimetre-scale vectors: their direction is sound.
neVector3 neDirectionOr(const neVector3& w, const neVector3& fallback);

// Unit normal from a cross product; false for an exactly degenerate (zero-area)
// or non-finite one. Small but real triangles keep their normal.
bool neUnitFromCross(const neVector3& cross, neVector3& unit);

// A box placed in the world: scaled axes made once, corners on first use.
struct neBoxWorldRecord {
  const neGeometryRecord* box;
  neTransform transform;
  neVector3 axes[3];  // H0 = hx M0, H1 = hy M1, H2 = hz M2
  bool cornersMade;
  // P+H0+H1+H2, P+H0+H1-H2, P+H0-H1+H2, P+H0-H1-H2, then the same with -H0.
  neVector3 corners[8];

  void Set(const neGeometryRecord& g, const neTransform& t);
  void MakeCorners();
};

// One triangle prepared for the tests; edge k runs from vertex k to k+1.
struct neTriangleWorkRecord {
  neVector3 v[3];
  neVector3 e[3];  // E0 = V1 - V0, E1 = V2 - V1, E2 = V0 - V2
  neVector3 n;     // unit normal of E0 x E1
  float d;         // n . V0

  // False for a zero-area triangle, which no test may touch.
  bool Set(const neVector3& a, const neVector3& b, const neVector3& c);
};

// The working contact of the triangle tests.
struct neTriangleContact {
  neVector3 pointA;
  neVector3 pointB;
  neVector3 normal;
  neVector3 tangent1;
  neVector3 tangent2;
  neVector3 boxEdge0;  // the box edge of an edge-axis contact
  neVector3 boxEdge1;
  neVector3 triEdge0;  // the triangle edge of an edge-axis contact
  neVector3 triEdge1;
  float depth;
  bool valid;
  bool edgeContact;
};

// A triangle test's answer that may take part in the deepest-contact choice: a hit
// with a finite, non-zero normal and a finite depth.
template <typename Contact>
inline bool neUsableTriangleContact(bool hit, const Contact& c) {
  return hit && c.normal.IsFinite() && !c.normal.IsZero() && neIsFinite(c.depth);
}

// The deepest contact of a triangle-list test into the result, with the winning
// triangle's material and user word; nothing when no triangle gave a contact.
template <typename Contact>
inline void neWriteTriangleListResult(neCollisionResult& result, const Contact& c,
                                      int32_t material, int32_t userWord) {
  if (!c.valid) return;
  result.depth = c.depth;
  result.normal = c.normal;
  result.pointA = c.pointA;
  result.pointB = c.pointB;
  result.materialB = material;
  result.triangleUserWord = userWord;
  result.found = 1;
}

// The deepest usable contact over a triangle list into the result. accept(t) picks
// the triangles a shape collides with; test(t, tri, scratch, bestDepth) runs its
// sub-test on each with a usable normal (zero-area triangles are skipped) and may give
// up on a contact no deeper than bestDepth, since only a strictly deeper one wins.
// Contact is the sub-test's record (pointA, pointB, normal, depth, valid).
template <typename Contact = neTriangleContact, typename Accept, typename Test>
void neDeepestTriangleListContact(neCollisionResult& result, const neGeometryRecord& list,
                                  Accept accept, Test test) {
  result.found = 0;
  if (!list.triangleIndices || !list.triangles || !list.vertices) return;
  Contact slots[2];
  int32_t best = 0;
  slots[0].depth = kNeNoDepthYet;
  slots[0].valid = false;
  int32_t material = 0, userWord = 0;
  for (int32_t i = 0; i < list.triangleIndexCount; ++i) {
    const neTerrainTriangle& t = list.triangles[list.triangleIndices[i]];
    if (!accept(t)) continue;
    neTriangleWorkRecord tri;
    if (!tri.Set(list.vertices[t.indices[0]], list.vertices[t.indices[1]], list.vertices[t.indices[2]])) {
      continue;  // zero area: no normal to collide along
    }
    Contact& scratch = slots[1 - best];
    if (!neUsableTriangleContact(test(t, tri, scratch, slots[best].depth), scratch)) continue;
    if (scratch.depth > slots[best].depth) {
      best = 1 - best;
      material = t.materialID;
      userWord = t.userData;
    }
  }
  neWriteTriangleListResult(result, slots[best], material, userWord);
}

// -1 inside the triangle, 2k in vertex region k, 2k + 1 in edge region k, for a
// point of the triangle's plane.
int32_t neTriangleRegion(const neTriangleWorkRecord& tri, const neVector3& q);

// Closest points of a segment (s0, s1, box space) and a box centred on the
// origin with half extents e.
void neSegmentBoxClosestPoints(const neVector3& s0, const neVector3& s1, const neVector3& e,
                               neVector3& onSegment, neVector3& onBox);

void neCollideBoxBox(neCollisionResult& result, const neGeometryRecord& a, const neTransform& ta,
                     const neGeometryRecord& b, const neTransform& tb);
void neCollideSphereSphere(neCollisionResult& result, const neGeometryRecord& a,
                           const neTransform& ta, const neGeometryRecord& b, const neTransform& tb);
void neCollideBoxSphere(neCollisionResult& result, const neGeometryRecord& a, const neTransform& ta,
                        const neGeometryRecord& b, const neTransform& tb);
void neCollideCylinderSphere(neCollisionResult& result, const neGeometryRecord& a,
                             const neTransform& ta, const neGeometryRecord& b,
                             const neTransform& tb);
void neCollideCylinderCylinder(neCollisionResult& result, const neGeometryRecord& a,
                               const neTransform& ta, const neGeometryRecord& b,
                               const neTransform& tb);
void neCollideBoxCylinder(neCollisionResult& result, const neGeometryRecord& a,
                          const neTransform& ta, const neGeometryRecord& b, const neTransform& tb);
void neCollideBoxTriangle(neCollisionResult& result, const neGeometryRecord& a,
                          const neTransform& ta, const neGeometryRecord& b, const neTransform& tb);

// Shape B is a triangle list; the touched triangle's material and user word
// go into result.materialB and result.triangleUserWord.
void neCollideBoxTriangleList(neCollisionResult& result, const neGeometryRecord& a,
                              const neTransform& ta, const neGeometryRecord& b);
void neCollideSphereTriangleList(neCollisionResult& result, const neGeometryRecord& a,
                                 const neTransform& ta, const neGeometryRecord& b);
void neCollideCylinderTriangleList(neCollisionResult& result, const neGeometryRecord& a,
                                   const neTransform& ta, const neGeometryRecord& b);

// Single-triangle sub-tests; each fills the scratch contact and returns
// whether it holds a contact.
bool neSphereTriangleTest(const neVector3& centre, float radius, neTriangleContact& c,
                          const neTriangleWorkRecord& tri);
bool neCapsuleTriangleTest(const neGeometryRecord& capsule, const neTransform& t,
                           neTriangleContact& c, const neTriangleWorkRecord& tri);
// The box test gives up (false) once its contact cannot end deeper than
// deeperThan: each axis after the triangle's plane only lowers the depth, so a
// caller that keeps only contacts strictly deeper than its best loses nothing.
bool neBoxTriangleTest(neBoxWorldRecord& box, neTriangleContact& c,
                       const neTriangleWorkRecord& tri, float deeperThan = kNeNoDepthYet);
bool neBoxGroundTriangleTest(neBoxWorldRecord& box, neTriangleContact& c,
                             const neTriangleWorkRecord& tri);

// Terrain-triangle test modes.
constexpr int32_t kNeTriangleTwoSided = 0;
constexpr int32_t kNeTriangleGround = 1;

#endif  // KELVAMOR_PHYSICS_COLLIDE_TESTS_H
