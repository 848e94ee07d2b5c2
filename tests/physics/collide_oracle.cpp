// Brute-force references for the narrow-phase tests (double precision).
#include "tests/physics/collide_oracle.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

#include "physics/convex.h"

namespace collide_test {

namespace {

struct D3 {
  double x, y, z;
};

D3 ToD(const neVector3& v) { return D3{v.x, v.y, v.z}; }
D3 operator+(D3 a, D3 b) { return D3{a.x + b.x, a.y + b.y, a.z + b.z}; }
D3 operator-(D3 a, D3 b) { return D3{a.x - b.x, a.y - b.y, a.z - b.z}; }
D3 operator*(D3 a, double s) { return D3{a.x * s, a.y * s, a.z * s}; }
double Dot(D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3 Cross(D3 a, D3 b) {
  return D3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Len(D3 a) { return std::sqrt(Dot(a, a)); }
neVector3 ToF(D3 a) {
  return neV3(static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(a.z));
}

// Minimum of a convex function on [0, 1].
template <class F>
double MinimiseConvex(F f) {
  double lo = 0.0, hi = 1.0;
  for (int i = 0; i < 100; ++i) {
    const double m1 = lo + (hi - lo) / 3.0, m2 = hi - (hi - lo) / 3.0;
    if (f(m1) < f(m2)) {
      hi = m2;
    } else {
      lo = m1;
    }
  }
  return std::min(f(0.5 * (lo + hi)), std::min(f(0.0), f(1.0)));
}

double PointSegmentD(D3 p, D3 a, D3 b) {
  const D3 ab = b - a;
  const double l2 = Dot(ab, ab);
  double t = l2 > 0.0 ? Dot(p - a, ab) / l2 : 0.0;
  t = std::max(0.0, std::min(1.0, t));
  return Len(p - (a + ab * t));
}

double PointTriangleD(D3 p, D3 a, D3 b, D3 c) {
  const D3 n = Cross(b - a, c - a);
  const double nl = Len(n);
  if (nl > 0.0) {
    const D3 u = n * (1.0 / nl);
    const double s = Dot(p - a, u);
    const D3 q = p - u * s;
    const double c0 = Dot(Cross(b - a, q - a), u);
    const double c1 = Dot(Cross(c - b, q - b), u);
    const double c2 = Dot(Cross(a - c, q - c), u);
    if (c0 >= 0.0 && c1 >= 0.0 && c2 >= 0.0) return std::fabs(s);
  }
  return std::min(PointSegmentD(p, a, b), std::min(PointSegmentD(p, b, c), PointSegmentD(p, c, a)));
}

// Interval of a point set on an axis.
void Project(const std::vector<neVector3>& pts, D3 n, double& lo, double& hi) {
  lo = 1e300;
  hi = -1e300;
  for (const neVector3& v : pts) {
    const double d = Dot(ToD(v), n);
    lo = std::min(lo, d);
    hi = std::max(hi, d);
  }
}

void BoxCorners(const neGeometryRecord& box, const neTransform& t, std::vector<neVector3>& out) {
  out.clear();
  for (int i = 0; i < 8; ++i) {
    const neVector3 local = neV3((i & 4) ? box.halfExtents.x : -box.halfExtents.x,
                                 (i & 2) ? box.halfExtents.y : -box.halfExtents.y,
                                 (i & 1) ? box.halfExtents.z : -box.halfExtents.z);
    out.push_back(t.TransformPoint(local));
  }
}

double OverlapOnPoints(const std::vector<neVector3>& a, const std::vector<neVector3>& b, D3 n) {
  double alo, ahi, blo, bhi;
  Project(a, n, alo, ahi);
  Project(b, n, blo, bhi);
  return std::min(ahi - blo, bhi - alo);
}

}  // namespace

double Rng::Unit() {
  state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
  return static_cast<double>(state_ >> 11) * (1.0 / 9007199254740992.0);
}

neVector3 Rng::InCube(float half) {
  return neV3(Uniform(-half, half), Uniform(-half, half), Uniform(-half, half));
}

neVector3 Rng::OnSphere() {
  while (true) {
    const neVector3 v = InCube(1.0f);
    const float l2 = v.LengthSquared();
    if (l2 > 0.01f && l2 <= 1.0f) return v * (1.0f / std::sqrt(l2));
  }
}

neMatrix3x3 Rng::Rotation() {
  // A random unit quaternion turned into a matrix.
  neQuaternion q;
  float n2 = 0.0f;
  do {
    q.Set(Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1));
    n2 = q.Dot(q);
  } while (n2 < 0.01f || n2 > 1.0f);
  q.Normalize();
  return q.BuildMatrix();
}

neMatrix3x3 Identity() {
  neMatrix3x3 m;
  m.SetIdentity();
  return m;
}

neTransform At(float x, float y, float z) { return Pose(Identity(), neV3(x, y, z)); }

neCollisionResult Collide(neGeometryRecord& a, const neTransform& ta, neGeometryRecord& b,
                          const neTransform& tb) {
  neCollisionResult r;
  r.found = 0;
  neCollideGeometries(r, a, ta, b, tb, neV3(0, 0, 0));
  return r;
}

neTransform Pose(const neMatrix3x3& rot, const neVector3& pos) {
  neTransform t;
  t.SetIdentity();
  t.rot = rot;
  t.pos = pos;
  t.pos.w = 1.0f;
  return t;
}

neTransform Translated(const neTransform& t, const neVector3& by) {
  neTransform r = t;
  r.pos = t.pos + by;
  r.pos.w = 1.0f;
  return r;
}

neMatrix3x3 AxisAngle(const neVector3& axis, float angle) {
  neVector3 u = axis;
  u.Normalize();
  const float s = std::sin(angle * 0.5f);
  neQuaternion q;
  q.Set(u.x * s, u.y * s, u.z * s, std::cos(angle * 0.5f));
  return q.BuildMatrix();
}

neGeometryRecord MakeBox(float hx, float hy, float hz) {
  neGeometryRecord g;
  g.SetBox(2.0f * hx, 2.0f * hy, 2.0f * hz);
  return g;
}

neGeometryRecord MakeSphere(float r) {
  neGeometryRecord g;
  g.SetSphereRadius(r);
  return g;
}

neGeometryRecord MakeCapsule(float r, float halfHeight) {
  neGeometryRecord g;
  g.type = kNeShapeCylinder;
  g.radius = r;
  g.radiusSq = r * r;
  g.halfHeight = halfHeight;
  return g;
}

neGeometryRecord MakeHull(const uint8_t* blob) {
  neGeometryRecord g;
  g.type = kNeShapeConvex;
  g.hullBlob = const_cast<uint8_t*>(blob);
  return g;
}

void TriangleSoup::Add(const neVector3& a, const neVector3& b, const neVector3& c, int32_t material,
                       int32_t mode, int32_t user) {
  const int32_t base = static_cast<int32_t>(vertices.size());
  vertices.push_back(a);
  vertices.push_back(b);
  vertices.push_back(c);
  neTerrainTriangle t;
  t.indices[0] = base;
  t.indices[1] = base + 1;
  t.indices[2] = base + 2;
  t.materialID = material;
  t.flag = mode;
  t.userData = user;
  indices.push_back(static_cast<int32_t>(triangles.size()));
  triangles.push_back(t);
}

neGeometryRecord TriangleSoup::Geometry() {
  neGeometryRecord g;
  g.SetTriangleList();
  g.triangleIndices = indices.data();
  g.triangleIndexCount = static_cast<int32_t>(indices.size());
  g.triangles = triangles.data();
  g.vertices = vertices.data();
  return g;
}

double BoxBoxOverlapOn(const neGeometryRecord& a, const neTransform& ta, const neGeometryRecord& b,
                       const neTransform& tb, const neVector3& axis) {
  std::vector<neVector3> ca, cb;
  BoxCorners(a, ta, ca);
  BoxCorners(b, tb, cb);
  D3 n = ToD(axis);
  n = n * (1.0 / Len(n));
  return OverlapOnPoints(ca, cb, n);
}

double BoxBoxOverlap(const neGeometryRecord& a, const neTransform& ta, const neGeometryRecord& b,
                     const neTransform& tb, neVector3* axisOut, bool* edgeWon, double* second) {
  std::vector<neVector3> ca, cb;
  BoxCorners(a, ta, ca);
  BoxCorners(b, tb, cb);
  double best = 1e300, next = 1e300;
  D3 bestAxis{0, 0, 0};
  bool bestEdge = false;
  auto consider = [&](D3 n, bool edge) {
    const double l = Len(n);
    if (l < 1e-9) return;
    n = n * (1.0 / l);
    const double o = OverlapOnPoints(ca, cb, n);
    if (o < best) {
      next = best;
      best = o;
      bestAxis = n;
      bestEdge = edge;
    } else if (o < next) {
      next = o;
    }
  };
  for (int i = 0; i < 3; ++i) consider(ToD(ta.rot.col[i]), false);
  for (int i = 0; i < 3; ++i) consider(ToD(tb.rot.col[i]), false);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) consider(Cross(ToD(ta.rot.col[i]), ToD(tb.rot.col[j])), true);
  }
  if (axisOut) *axisOut = ToF(bestAxis);
  if (edgeWon) *edgeWon = bestEdge;
  if (second) *second = next;
  return best;
}

double PointBoxDistance(const neVector3& p, const neGeometryRecord& box, const neTransform& t) {
  const D3 rel = ToD(p) - ToD(t.pos);
  double d2 = 0.0;
  for (int i = 0; i < 3; ++i) {
    const double c = Dot(rel, ToD(t.rot.col[i]));
    const double h = box.halfExtents[i];
    const double out = std::fabs(c) - h;
    if (out > 0.0) d2 += out * out;
  }
  return std::sqrt(d2);
}

double SegmentBoxDistance(const neVector3& s0, const neVector3& s1, const neGeometryRecord& box,
                          const neTransform& t) {
  const D3 a = ToD(s0), b = ToD(s1);
  return MinimiseConvex([&](double u) {
    const D3 p = a + (b - a) * u;
    return PointBoxDistance(ToF(p), box, t);
  });
}

double PointSegmentDistance(const neVector3& p, const neVector3& a, const neVector3& b) {
  return PointSegmentD(ToD(p), ToD(a), ToD(b));
}

double SegmentSegmentDistance(const neVector3& a0, const neVector3& a1, const neVector3& b0,
                              const neVector3& b1) {
  const D3 p = ToD(a0), q = ToD(a1), r = ToD(b0), s = ToD(b1);
  return MinimiseConvex([&](double u) { return PointSegmentD(p + (q - p) * u, r, s); });
}

double PointTriangleDistance(const neVector3& p, const neVector3& a, const neVector3& b,
                             const neVector3& c) {
  return PointTriangleD(ToD(p), ToD(a), ToD(b), ToD(c));
}

double SegmentTriangleDistance(const neVector3& s0, const neVector3& s1, const neVector3& a,
                               const neVector3& b, const neVector3& c) {
  const D3 p = ToD(s0), q = ToD(s1);
  return MinimiseConvex(
      [&](double u) { return PointTriangleD(p + (q - p) * u, ToD(a), ToD(b), ToD(c)); });
}

double BoxTriangleOverlap(const neGeometryRecord& box, const neTransform& t, const neVector3& a,
                          const neVector3& b, const neVector3& c) {
  std::vector<neVector3> corners;
  BoxCorners(box, t, corners);
  const std::vector<neVector3> tri = {a, b, c};
  double best = 1e300;
  auto consider = [&](D3 n) {
    const double l = Len(n);
    if (l < 1e-9) return;
    best = std::min(best, OverlapOnPoints(corners, tri, n * (1.0 / l)));
  };
  const D3 e[3] = {ToD(b) - ToD(a), ToD(c) - ToD(b), ToD(a) - ToD(c)};
  consider(Cross(e[0], e[1]));
  for (int i = 0; i < 3; ++i) {
    consider(ToD(t.rot.col[i]));
    for (int j = 0; j < 3; ++j) consider(Cross(ToD(t.rot.col[i]), e[j]));
  }
  return best;
}

bool BuildHull(const std::vector<neVector3>& points, Hull& hull) {
  const int n = static_cast<int>(points.size());
  hull = Hull();
  D3 centre{0, 0, 0};
  for (const neVector3& p : points) centre = centre + ToD(p);
  centre = centre * (1.0 / n);
  std::vector<int> faces;
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      for (int k = j + 1; k < n; ++k) {
        const D3 a = ToD(points[i]), b = ToD(points[j]), c = ToD(points[k]);
        D3 nrm = Cross(b - a, c - a);
        const double l = Len(nrm);
        if (l < 1e-9) continue;
        nrm = nrm * (1.0 / l);
        int above = 0, below = 0;
        for (int m = 0; m < n; ++m) {
          if (m == i || m == j || m == k) continue;
          const double d = Dot(ToD(points[m]) - a, nrm);
          if (d > 1e-7) ++above;
          if (d < -1e-7) ++below;
          if (std::fabs(d) <= 1e-7) return false;  // coplanar points: not a triangle hull
        }
        if (above && below) continue;
        if (above) {
          faces.insert(faces.end(), {i, k, j});  // flip to outward
        } else {
          faces.insert(faces.end(), {i, j, k});
        }
      }
    }
  }
  // Keep only the vertices on the hull, renumbered.
  std::vector<int> map(n, -1);
  for (int f : faces) {
    if (map[f] < 0) {
      map[f] = static_cast<int>(hull.points.size());
      hull.points.push_back(points[f]);
    }
  }
  for (int& f : faces) f = map[f];
  hull.faces = faces;
  const int F = static_cast<int>(faces.size() / 3);
  const int V = static_cast<int>(hull.points.size());

  // Edges with the faces on their two sides.
  std::map<std::pair<int, int>, int> edgeOf;
  std::vector<std::array<int, 4>> edges;  // face, face, v, v
  std::vector<std::array<int, 3>> faceEdges(F);
  for (int f = 0; f < F; ++f) {
    for (int k = 0; k < 3; ++k) {
      int a = faces[3 * f + k], b = faces[3 * f + (k + 1) % 3];
      const std::pair<int, int> key(std::min(a, b), std::max(a, b));
      auto it = edgeOf.find(key);
      if (it == edgeOf.end()) {
        edgeOf[key] = static_cast<int>(edges.size());
        faceEdges[f][k] = static_cast<int>(edges.size());
        edges.push_back({f, -1, a, b});
      } else {
        faceEdges[f][k] = it->second;
        edges[it->second][1] = f;
      }
    }
  }
  const int E = static_cast<int>(edges.size());
  for (const auto& e : edges) {
    if (e[1] < 0) return false;
  }
  if (F > 255 || V > 254 || E > 254) return false;

  const int faceRecords = 16 + 16 * (F + V);
  const int vertexRecords = faceRecords + 12 * F;
  const int edgeRecords = vertexRecords + 4 * V;
  int lists = edgeRecords + 4 * E;
  std::vector<std::vector<int>> incident(V);
  for (int e = 0; e < E; ++e) {
    incident[edges[e][2]].push_back(e);
    incident[edges[e][3]].push_back(e);
  }
  int total = lists + 9 * F;
  for (int v = 0; v < V; ++v) total += static_cast<int>(incident[v].size()) + 1;
  std::vector<uint8_t>& blob = hull.blob;
  blob.assign(static_cast<size_t>(total), 0);
  auto word = [&](int at, int32_t value) { std::memcpy(&blob[at], &value, 4); };
  auto vec = [&](int at, const neVector3& v, float w) {
    const float f[4] = {v.x, v.y, v.z, w};
    std::memcpy(&blob[at], f, 16);
  };
  word(0, F);
  word(4, V);
  word(8, E);
  word(12, total);
  for (int f = 0; f < F; ++f) {
    const D3 a = ToD(hull.points[faces[3 * f]]), b = ToD(hull.points[faces[3 * f + 1]]),
             c = ToD(hull.points[faces[3 * f + 2]]);
    D3 nrm = Cross(b - a, c - a);
    nrm = nrm * (1.0 / Len(nrm));
    vec(16 + 16 * f, ToF(nrm), static_cast<float>(Dot(nrm, a)));
  }
  for (int v = 0; v < V; ++v) vec(16 + 16 * (F + v), hull.points[v], 0.0f);
  for (int f = 0; f < F; ++f) {
    word(faceRecords + 12 * f, lists);
    for (int k = 0; k < 3; ++k) {
      const auto& e = edges[faceEdges[f][k]];
      blob[lists++] = static_cast<uint8_t>(e[0] == f ? e[1] : e[0]);
    }
    word(faceRecords + 12 * f + 4, lists);
    for (int k = 0; k < 3; ++k) blob[lists++] = static_cast<uint8_t>(faces[3 * f + k]);
    word(faceRecords + 12 * f + 8, lists);
    for (int k = 0; k < 3; ++k) blob[lists++] = static_cast<uint8_t>(faceEdges[f][k]);
  }
  for (int v = 0; v < V; ++v) {
    word(vertexRecords + 4 * v, lists);
    for (int e : incident[v]) blob[lists++] = static_cast<uint8_t>(e);
    blob[lists++] = kNeListEnd;
  }
  for (int e = 0; e < E; ++e) {
    for (int k = 0; k < 4; ++k) blob[edgeRecords + 4 * e + k] = static_cast<uint8_t>(edges[e][k]);
  }
  return true;
}

std::vector<neVector3> EllipsoidPoints(Rng& rng, int count, const neVector3& radii) {
  std::vector<neVector3> pts;
  for (int i = 0; i < count; ++i) {
    const neVector3 u = rng.OnSphere();
    pts.push_back(neV3(u.x * radii.x, u.y * radii.y, u.z * radii.z));
  }
  return pts;
}

ConvexSet WorldHull(const Hull& hull, const neTransform& t) {
  ConvexSet s;
  for (const neVector3& p : hull.points) s.vertices.push_back(t.TransformPoint(p));
  std::map<std::pair<int, int>, bool> seen;
  for (size_t f = 0; f < hull.faces.size() / 3; ++f) {
    const int i = hull.faces[3 * f], j = hull.faces[3 * f + 1], k = hull.faces[3 * f + 2];
    const D3 a = ToD(s.vertices[i]), b = ToD(s.vertices[j]), c = ToD(s.vertices[k]);
    s.normals.push_back(ToF(Cross(b - a, c - a)));
    const int tri[3] = {i, j, k};
    for (int m = 0; m < 3; ++m) {
      const int p = tri[m], q = tri[(m + 1) % 3];
      const std::pair<int, int> key(std::min(p, q), std::max(p, q));
      if (!seen[key]) {
        seen[key] = true;
        s.edges.push_back(key);
      }
    }
  }
  return s;
}

ConvexSet WorldBox(const neGeometryRecord& box, const neTransform& t) {
  ConvexSet s;
  BoxCorners(box, t, s.vertices);
  for (int i = 0; i < 3; ++i) s.normals.push_back(t.rot.col[i]);
  // Corner index bits 2, 1, 0 = x, y, z: an edge joins corners differing in one bit.
  for (int i = 0; i < 8; ++i) {
    for (int bit = 1; bit < 8; bit <<= 1) {
      if ((i & bit) == 0) s.edges.push_back({i, i | bit});
    }
  }
  return s;
}

ConvexSet WorldTriangle(const neVector3& a, const neVector3& b, const neVector3& c) {
  ConvexSet s;
  s.vertices = {a, b, c};
  s.normals.push_back(ToF(Cross(ToD(b) - ToD(a), ToD(c) - ToD(a))));
  s.edges = {{0, 1}, {1, 2}, {2, 0}};
  return s;
}

double ConvexOverlapOn(const ConvexSet& a, const ConvexSet& b, const neVector3& axis) {
  D3 n = ToD(axis);
  n = n * (1.0 / Len(n));
  return OverlapOnPoints(a.vertices, b.vertices, n);
}

double DirectedOverlap(const ConvexSet& a, const ConvexSet& b, const neVector3& n) {
  double alo, ahi, blo, bhi;
  D3 u = ToD(n);
  u = u * (1.0 / Len(u));
  Project(a.vertices, u, alo, ahi);
  Project(b.vertices, u, blo, bhi);
  return bhi - alo;
}

double ConvexOverlap(const ConvexSet& a, const ConvexSet& b, neVector3* axisOut) {
  double best = 1e300;
  D3 bestAxis{0, 0, 0};
  auto consider = [&](D3 n) {
    const double l = Len(n);
    if (l < 1e-9) return;
    n = n * (1.0 / l);
    const double o = OverlapOnPoints(a.vertices, b.vertices, n);
    if (o < best) {
      best = o;
      bestAxis = n;
    }
  };
  for (const neVector3& n : a.normals) consider(ToD(n));
  for (const neVector3& n : b.normals) consider(ToD(n));
  for (const auto& ea : a.edges) {
    const D3 da = ToD(a.vertices[ea.second]) - ToD(a.vertices[ea.first]);
    for (const auto& eb : b.edges) {
      consider(Cross(da, ToD(b.vertices[eb.second]) - ToD(b.vertices[eb.first])));
    }
  }
  if (axisOut) *axisOut = ToF(bestAxis);
  return best;
}

std::string ConventionProblem(const neCollisionResult& r, float tol) {
  std::ostringstream why;
  if (r.found != 1) return "no contact";
  if (!r.normal.IsFinite() || !r.pointA.IsFinite() || !r.pointB.IsFinite() ||
      !std::isfinite(r.depth)) {
    return "non-finite contact";
  }
  const float len = std::sqrt(r.normal.LengthSquared());
  if (std::fabs(len - 1.0f) > 1.0e-3f) {
    why << "normal length " << len;
    return why.str();
  }
  const neVector3 miss = r.pointB - (r.pointA + r.normal * r.depth);
  const float slack = tol * std::max(1.0f, std::fabs(r.depth));
  if (std::sqrt(miss.LengthSquared()) > slack) {
    why << "pointB - (pointA + depth n) = " << std::sqrt(miss.LengthSquared());
    return why.str();
  }
  return std::string();
}

}  // namespace collide_test
