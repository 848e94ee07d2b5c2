// Brute-force references for the narrow-phase tests: random poses, shape
// records, separating-axis and distance oracles in double precision, and a
// convex hull builder that writes the engine's hull block.
#ifndef KELVAMOR_TESTS_PHYSICS_COLLIDE_ORACLE_H
#define KELVAMOR_TESTS_PHYSICS_COLLIDE_ORACLE_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "physics/geometry.h"
#include "physics/narrowphase.h"
#include "physics/ne.h"

namespace collide_test {

// Deterministic generator, so every failure reproduces.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed * 6364136223846793005ull + 1442695040888963407ull) {}
  double Unit();  // [0, 1)
  float Uniform(float lo, float hi) { return lo + static_cast<float>(Unit()) * (hi - lo); }
  neVector3 InCube(float half);
  neVector3 OnSphere();
  neMatrix3x3 Rotation();

 private:
  uint64_t state_;
};

neMatrix3x3 Identity();
neTransform Pose(const neMatrix3x3& rot, const neVector3& pos);
// An unturned pose at a position.
neTransform At(float x, float y, float z);
neTransform Translated(const neTransform& t, const neVector3& by);
neMatrix3x3 AxisAngle(const neVector3& axis, float angle);

neGeometryRecord MakeBox(float hx, float hy, float hz);
neGeometryRecord MakeSphere(float r);
neGeometryRecord MakeCapsule(float r, float halfHeight);
neGeometryRecord MakeHull(const uint8_t* blob);

// A triangle list over caller-owned arrays (all indices listed in order).
struct TriangleSoup {
  std::vector<neVector3> vertices;
  std::vector<neTerrainTriangle> triangles;
  std::vector<int32_t> indices;
  void Add(const neVector3& a, const neVector3& b, const neVector3& c, int32_t material = 0,
           int32_t mode = 0, int32_t user = 0);
  neGeometryRecord Geometry();  // valid until the soup changes
};

// Smallest overlap over the separating axes of two boxes (negative: the
// largest gap of a separating axis). axisOut gets the winning unit axis;
// edgeWon says whether it is an edge-edge axis; second gets the next
// smallest overlap.
double BoxBoxOverlap(const neGeometryRecord& a, const neTransform& ta, const neGeometryRecord& b,
                     const neTransform& tb, neVector3* axisOut = nullptr, bool* edgeWon = nullptr,
                     double* second = nullptr);
// Overlap along one unit axis.
double BoxBoxOverlapOn(const neGeometryRecord& a, const neTransform& ta, const neGeometryRecord& b,
                       const neTransform& tb, const neVector3& axis);

// Distances (0 when touching or inside).
double PointBoxDistance(const neVector3& p, const neGeometryRecord& box, const neTransform& t);
double SegmentBoxDistance(const neVector3& s0, const neVector3& s1, const neGeometryRecord& box,
                          const neTransform& t);
double SegmentSegmentDistance(const neVector3& a0, const neVector3& a1, const neVector3& b0,
                              const neVector3& b1);
double PointSegmentDistance(const neVector3& p, const neVector3& a, const neVector3& b);
double PointTriangleDistance(const neVector3& p, const neVector3& a, const neVector3& b,
                             const neVector3& c);
double SegmentTriangleDistance(const neVector3& s0, const neVector3& s1, const neVector3& a,
                               const neVector3& b, const neVector3& c);
// Separating-axis overlap of a box and a triangle (13 axes).
double BoxTriangleOverlap(const neGeometryRecord& box, const neTransform& t, const neVector3& a,
                          const neVector3& b, const neVector3& c);

// A convex point set in the geometry's frame and its hull block.
struct Hull {
  std::vector<neVector3> points;  // hull vertices
  std::vector<int> faces;         // 3 indices per outward triangle
  std::vector<uint8_t> blob;
};
// The convex hull of the given points (none four coplanar, none inside
// within 1e-4 of a face), laid out as the engine's hull block.
bool BuildHull(const std::vector<neVector3>& points, Hull& hull);
// Points on an ellipsoid with the given radii.
std::vector<neVector3> EllipsoidPoints(Rng& rng, int count, const neVector3& radii);

// World-space vertices of a hull or of a box geometry, and the separating-axis
// overlap of two such convex point sets with their face normals.
struct ConvexSet {
  std::vector<neVector3> vertices;
  std::vector<neVector3> normals;
  std::vector<std::pair<int, int>> edges;
};
ConvexSet WorldHull(const Hull& hull, const neTransform& t);
ConvexSet WorldBox(const neGeometryRecord& box, const neTransform& t);
ConvexSet WorldTriangle(const neVector3& a, const neVector3& b, const neVector3& c);
double ConvexOverlap(const ConvexSet& a, const ConvexSet& b, neVector3* axisOut = nullptr);
double ConvexOverlapOn(const ConvexSet& a, const ConvexSet& b, const neVector3& axis);
// How far A must move along unit n to lie wholly on n's side of B.
double DirectedOverlap(const ConvexSet& a, const ConvexSet& b, const neVector3& n);

// The narrow phase on one pair of geometries, from a cleared result.
neCollisionResult Collide(neGeometryRecord& a, const neTransform& ta, neGeometryRecord& b,
                          const neTransform& tb);

// The contact convention of every test: finite, unit normal, pointB = pointA +
// depth * normal within tol. Returns a description of the first violation,
// empty when none.
std::string ConventionProblem(const neCollisionResult& r, float tol = 1.0e-3f);

}  // namespace collide_test

#endif  // KELVAMOR_TESTS_PHYSICS_COLLIDE_ORACLE_H
