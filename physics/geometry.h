// The geometry record behind an neGeometry handle: one collision shape on a
// body with its body-space transform, material and break-off settings. The
// narrow phase (narrowphase.*, collide_*.*) reads the shape fields; a body's
// own collision box (neBody::box) is a record of this type too, so a whole
// body can be dispatched as one shape.
#ifndef KELVAMOR_PHYSICS_GEOMETRY_H
#define KELVAMOR_PHYSICS_GEOMETRY_H

#include <cstdint>

#include "physics/ne.h"

enum neShapeType : int32_t {
  kNeShapeTriangle = 2,      // terrain use only
  kNeShapeBox = 3,
  kNeShapeSphere = 4,
  kNeShapeCylinder = 5,      // a capsule along the geometry's Y axis
  kNeShapeTriangleList = 6,  // terrain use only
  kNeShapePointList = 7,     // has no pair test
  kNeShapeConvex = 8,
};

struct neGeometryRecord : neGeometry {
  int32_t type = kNeShapeBox;

  // Box (3).
  neVector3 halfExtents = {0.5f, 0.5f, 0.5f, 0.0f};
  // Sphere (4) and cylinder (5).
  float radius = 0.0f;
  float radiusSq = 0.0f;
  float halfHeight = 0.0f;  // cylinder: half the length of its segment
  // How far the shape reaches from its own centre (0 below 1e-6).
  float boundingRadius = 0.0f;
  // Scale of the point-list formulas; 0 after the box and sphere setters.
  float pointScale = 0.0f;

  // Single triangle (2): its vertex indices and the list it was taken from.
  int32_t triangleVertices[3] = {0, 0, 0};
  const neGeometryRecord* ownerTriangleList = nullptr;
  // Triangle list (6): world-space triangles, not owned.
  const int32_t* triangleIndices = nullptr;  // indices into triangles
  int32_t triangleIndexCount = 0;
  const neTerrainTriangle* triangles = nullptr;
  const neVector3* vertices = nullptr;
  // Point list (7).
  const neVector3* points = nullptr;
  int32_t pointCount = 0;
  // Convex hull (8): the host's blob (not owned), its second int32 word and
  // the vertex array at blob + 16 x its first word.
  uint8_t* hullBlob = nullptr;
  int32_t hullVertexCount = 0;
  const neVector3* hullVertices = nullptr;

  // Body-space placement; types other than 3, 4, 5 read as identity.
  neTransform transform;
  int32_t materialIndex = 0;
  uintptr_t userData = 0;

  // Break-off settings.
  int32_t breakKind = kNeBreakNever;
  float breakMass = 1.0f;
  neVector3 breakInertia = {0.0f, 0.0f, 0.0f, 0.0f};  // body-frame diagonal
  neVector3 breakDirection = {0.0f, 0.0f, 0.0f, 0.0f};  // geometry frame
  float breakMagnitude = 0.0f;
  float breakFraction = 0.5f;
  float breakPlaneThreshold = 0.0f;  // stored, never used

  // Pool and owner-list links.
  neGeometryRecord* next = nullptr;
  neGeometryRecord* prev = nullptr;
  uint8_t inUse = 0;

  neGeometryRecord() { SetDefault(); }

  // A 1 x 1 x 1 box at the body origin, material 0, default break settings:
  // the shape every geometry starts with when added to a body.
  void SetDefault();
  void SetBox(float sx, float sy, float sz);  // full sizes
  void SetSphereRadius(float r);              // internal: the terrain pass's spheres
  void SetTriangle();
  void SetTriangleList();

  // Body-space box and reach; the narrow phase owns these (narrowphase.*).
  void GetExtents(neVector3& minimum, neVector3& maximum) const;
  float GetBoundingDistance() const;
};

inline neGeometryRecord* neRecordOf(neGeometry* g) { return static_cast<neGeometryRecord*>(g); }
inline const neGeometryRecord* neRecordOf(const neGeometry* g) {
  return static_cast<const neGeometryRecord*>(g);
}

#endif  // KELVAMOR_PHYSICS_GEOMETRY_H
