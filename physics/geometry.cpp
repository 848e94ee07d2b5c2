// neGeometry handle methods, the shape setters and the inertia helpers.
#include "physics/geometry.h"

#include <cmath>
#include <cstring>

#include "physics/convex.h"

namespace {
// The engine's length: squares below the zero tolerance count as 0.
float Reach(const neVector3& v) { return v.Length(); }
}  // namespace

void neGeometryRecord::SetDefault() {
  SetBox(1.0f, 1.0f, 1.0f);
  transform.SetIdentity();
  materialIndex = 0;
  breakKind = kNeBreakNever;
  breakMass = 1.0f;
  breakInertia = neComputeBoxInertia(neV3(1.0f, 1.0f, 1.0f), 1.0f);
  breakFraction = 0.5f;
  breakDirection = neV3(0.0f, 0.0f, 0.0f);
  breakMagnitude = 0.0f;
  breakPlaneThreshold = 0.0f;
}

void neGeometryRecord::SetBox(float sx, float sy, float sz) {
  type = kNeShapeBox;
  halfExtents = neV3(sx * 0.5f, sy * 0.5f, sz * 0.5f);
  boundingRadius = Reach(halfExtents);
  pointScale = 0.0f;
}

void neGeometryRecord::SetSphereRadius(float r) {
  type = kNeShapeSphere;
  radius = r;
  radiusSq = r * r;
  boundingRadius = r;
  pointScale = 0.0f;
}

void neGeometryRecord::SetTriangle() { type = kNeShapeTriangle; }
void neGeometryRecord::SetTriangleList() { type = kNeShapeTriangleList; }

void neGeometry::SetBoxSize(const neVector3& size) { neRecordOf(this)->SetBox(size.x, size.y, size.z); }
void neGeometry::SetBoxSize(float x, float y, float z) { neRecordOf(this)->SetBox(x, y, z); }

bool neGeometry::GetBoxSize(neVector3& size) const {
  const neGeometryRecord* g = neRecordOf(this);
  if (g->type != kNeShapeBox) return false;
  size = neV3(g->halfExtents.x * 2.0f, g->halfExtents.y * 2.0f, g->halfExtents.z * 2.0f);
  return true;
}

void neGeometry::SetSphereDiameter(float diameter) {
  neGeometryRecord* g = neRecordOf(this);
  g->type = kNeShapeSphere;
  g->radius = diameter * 0.5f;
  g->radiusSq = g->radius * g->radius;
  g->pointScale = 0.0f;
}

bool neGeometry::GetSphereDiameter(float& diameter) const {
  const neGeometryRecord* g = neRecordOf(this);
  if (g->type != kNeShapeSphere) return false;
  diameter = g->radius * 2.0f;
  return true;
}

void neGeometry::SetCylinder(float diameter, float height) {
  neGeometryRecord* g = neRecordOf(this);
  g->type = kNeShapeCylinder;
  g->radius = diameter * 0.5f;
  g->radiusSq = g->radius * g->radius;
  g->halfHeight = height * 0.5f;
}

bool neGeometry::GetCylinder(float& diameter, float& height) const {
  const neGeometryRecord* g = neRecordOf(this);
  if (g->type != kNeShapeCylinder) return false;
  diameter = g->radius * 2.0f;
  height = g->halfHeight * 2.0f;
  return true;
}

void neGeometry::SetConvexMesh(uint8_t* hullBlob) {
  // A hull the separating-axis searches cannot walk (more faces than their
  // marks hold, offsets or indices outside the block, non-finite data) is
  // refused: the geometry stays as it was.
  if (hullBlob && !neConvexBlobIsUsable(hullBlob)) return;
  neGeometryRecord* g = neRecordOf(this);
  g->type = kNeShapeConvex;
  g->hullBlob = hullBlob;
  if (!hullBlob) {
    g->hullVertexCount = 0;
    g->hullVertices = nullptr;
    return;
  }
  int32_t words[2];
  std::memcpy(words, hullBlob, sizeof words);
  g->hullVertexCount = words[1];
  // Vertices follow the header and the face planes.
  g->hullVertices = reinterpret_cast<const neVector3*>(
      hullBlob + kNeHullHeaderBytes + 16 * static_cast<ptrdiff_t>(words[0]));
}

bool neGeometry::GetConvexMesh(uint8_t*& hullBlob) const {
  const neGeometryRecord* g = neRecordOf(this);
  if (g->type != kNeShapeConvex) return false;
  hullBlob = g->hullBlob;
  return true;
}

void neGeometry::SetTransform(const neTransform& t) { neRecordOf(this)->transform = t; }
neTransform neGeometry::GetTransform() const { return neRecordOf(this)->transform; }
void neGeometry::SetMaterialIndex(int32_t index) {
  // The index reads the 256-entry material table: out of range is refused.
  if (index >= 0 && index < 256) neRecordOf(this)->materialIndex = index;
}
int32_t neGeometry::GetMaterialIndex() const { return neRecordOf(this)->materialIndex; }
void neGeometry::SetUserData(uintptr_t data) { neRecordOf(this)->userData = data; }
uintptr_t neGeometry::GetUserData() const { return neRecordOf(this)->userData; }
void neGeometry::SetBreakageFlag(int32_t kind) { neRecordOf(this)->breakKind = kind; }
int32_t neGeometry::GetBreakageFlag() const { return neRecordOf(this)->breakKind; }
void neGeometry::SetBreakageMass(float mass) { neRecordOf(this)->breakMass = mass; }
float neGeometry::GetBreakageMass() const { return neRecordOf(this)->breakMass; }
void neGeometry::SetBreakageInertiaTensor(const neVector3& d) { neRecordOf(this)->breakInertia = d; }
neVector3 neGeometry::GetBreakageInertiaTensor() const { return neRecordOf(this)->breakInertia; }
void neGeometry::SetBreakageDirection(const neVector3& d) { neRecordOf(this)->breakDirection = d; }
neVector3 neGeometry::GetBreakageDirection() const { return neRecordOf(this)->breakDirection; }
void neGeometry::SetBreakageMagnitude(float m) { neRecordOf(this)->breakMagnitude = m; }
float neGeometry::GetBreakageMagnitude() const { return neRecordOf(this)->breakMagnitude; }
void neGeometry::SetBreakageFraction(float f) { neRecordOf(this)->breakFraction = f; }
float neGeometry::GetBreakageFraction() const { return neRecordOf(this)->breakFraction; }
void neGeometry::SetBreakagePlaneThreshold(float v) { neRecordOf(this)->breakPlaneThreshold = v; }
float neGeometry::GetBreakagePlaneThreshold() const { return neRecordOf(this)->breakPlaneThreshold; }

neVector3 neComputeBoxInertia(const neVector3& size, float mass) {
  // Every axis from the largest side, (2/3) m e^2: the engine's own rule,
  // deliberately not the textbook per-axis box.
  const float e = neMax(neMax(size.x, size.y), size.z);
  const float i = (2.0f / 3.0f) * mass * e * e;
  return neV3(i, i, i);
}

neVector3 neComputeSphereInertia(float diameter, float mass) {
  const float r = diameter * 0.5f;
  const float i = 0.4f * mass * r * r;
  return neV3(i, i, i);
}

neVector3 neComputeCylinderInertia(float diameter, float height, float mass) {
  const float r = diameter * 0.5f;
  const float twelfth = 0.083333336f;
  const float xz = mass * height * height * twelfth + mass * r * r * 0.25f;
  return neV3(xz, mass * r * r * 0.5f, xz);
}
