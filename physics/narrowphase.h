// Narrow phase: the single deepest contact between two bodies' geometries, the
// shape-pair dispatch, and the record every pair test fills.
//
// Contact convention of every test: the normal is a unit vector from B toward
// A (moving A along it by the depth separates the shapes), the depth is
// positive for penetration, and pointB = pointA + depth * normal.
#ifndef KELVAMOR_PHYSICS_NARROWPHASE_H
#define KELVAMOR_PHYSICS_NARROWPHASE_H

#include <cstdint>

#include "physics/geometry.h"
#include "physics/ne.h"

struct neBody;

// One contact between two bodies. The pair tests write pointA, pointB, normal,
// depth and found (and the triangle-list tests materialB and triangleUserWord);
// neCollideBodies completes the offsets, body-frame points and materials; the
// contact response fills relativeVelocity. When found is 0 every other field
// is undefined.
struct neCollisionResult {
  neVector3 pointA;            // world point on A
  neVector3 pointB;            // world point on B
  neVector3 offsetA;           // pointA - A's position
  neVector3 offsetB;           // pointB - B's position
  neVector3 bodyPointA;        // offsetA in A's frame
  neVector3 bodyPointB;        // offsetB in B's frame
  neVector3 normal;            // unit, from B toward A
  neVector3 relativeVelocity;  // of A against B at the contact; set by the response
  float depth;                 // > 0 for a reported contact
  int32_t found;               // 1 contact, 0 none
  neBody* bodyA;               // set by the contact passes, never by the tests
  neBody* bodyB;
  neGeometryRecord* geometryA;  // the touching geometries; null for terrain triangles
  neGeometryRecord* geometryB;
  int32_t materialA;  // material index of A's surface
  int32_t materialB;  // of B's surface; for the terrain the triangle's material
  // User word of the terrain triangle touched (0 for body pairs); the terrain
  // contact record reports it in place of body B.
  int32_t triangleUserWord;

  // The same contact seen from the other side: normal negated, the two points
  // and the two geometries exchanged.
  void Flip();

  // Records a contact found by a pair test.
  void Set(float contactDepth, const neVector3& n, const neVector3& onA, const neVector3& onB) {
    depth = contactDepth;
    normal = n;
    pointA = onA;
    pointB = onB;
    found = 1;
  }
};

// A contact is usable only with a finite unit-ish normal and a finite depth;
// anything else is dropped before it leaves the narrow phase.
bool neContactIsUsable(const neCollisionResult& result);

// Fills result with the deepest contact of the two bodies' geometries (found 0
// when none). A body whose collision box is a triangle list is taken without a
// transform (its triangles are already in world space). direction is handed
// to the hull tests, which do not use it.
void neCollideBodies(neCollisionResult& result, neBody& bodyA, const neTransform& transformA,
                     neBody& bodyB, const neTransform& transformB, const neVector3& direction);

// The shape-pair dispatch; pairs without a test leave result untouched.
void neCollideGeometries(neCollisionResult& result, neGeometryRecord& a, const neTransform& ta,
                         neGeometryRecord& b, const neTransform& tb, const neVector3& direction);

// Closest points of the lines through two segments (start s, end e each).
// Returns false, writing nothing, when a segment is degenerate (every
// component of its direction below 1e-6) or the lines are parallel within
// 1e-6; else writes both points and their distance and sets inRange when both
// line parameters lie in [0, 1). The parameters are written when asked for.
bool neSegmentClosestPoints(const neVector3& s1, const neVector3& e1, const neVector3& s2,
                            const neVector3& e2, neVector3& point1, neVector3& point2,
                            float& distance, bool& inRange, float* param1 = nullptr,
                            float* param2 = nullptr);

#endif  // KELVAMOR_PHYSICS_NARROWPHASE_H
