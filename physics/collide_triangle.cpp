// Triangle tests of spheres and capsules, the triangle work record and the
// region classification they share, and the loop over a triangle list.
#include <cmath>

#include "physics/collide_tests.h"

bool neTriangleWorkRecord::Set(const neVector3& a, const neVector3& b, const neVector3& c) {
  v[0] = a;
  v[1] = b;
  v[2] = c;
  e[0] = b - a;
  e[1] = c - b;
  e[2] = a - c;
  if (!neUnitFromCross(e[0].Cross(e[1]), n)) return false;
  d = n.Dot(a);
  return neIsFinite(d);
}

int32_t neTriangleRegion(const neTriangleWorkRecord& tri, const neVector3& q) {
  const float ax = std::fabs(tri.n.x), ay = std::fabs(tri.n.y), az = std::fabs(tri.n.z);
  int a, b, dropped;
  if (ay <= az && ax < az) {
    dropped = 2;
    a = 0;
    b = 1;
  } else if (ay > az && ax < ay) {
    dropped = 1;
    a = 2;
    b = 0;
  } else {
    dropped = 0;
    a = 1;
    b = 2;
  }
  const bool positive = tri.n[dropped] > 0.0f;
  bool outside[3];
  int count = 0;
  for (int k = 0; k < 3; ++k) {
    const neVector3& ek = tri.e[k];
    const neVector3& vk = tri.v[k];
    const float c = ek[a] * (q[b] - vk[b]) - ek[b] * (q[a] - vk[a]);
    // A point on an edge line is inside whichever way the triangle is
    // wound, so that two triangles sharing the edge both claim it.
    const bool inside = positive ? c >= 0.0f : c <= 0.0f;
    outside[k] = !inside;
    if (outside[k]) ++count;
  }
  if (count == 0 || count == 3) return -1;
  if (count == 1) {
    for (int k = 0; k < 3; ++k) {
      if (outside[k]) return 2 * k + 1;
    }
  }
  // Two edges out: the vertex where they meet (edges k and k + 2 meet at k).
  for (int k = 0; k < 3; ++k) {
    if (outside[k] && outside[(k + 2) % 3]) return 2 * k;
  }
  return -1;
}

bool neSphereTriangleTest(const neVector3& centre, float radius, neTriangleContact& c,
                          const neTriangleWorkRecord& tri) {
  c.depth = kNeShallowStart;
  c.valid = false;
  c.edgeContact = false;
  const float s = tri.n.Dot(centre) - tri.d;
  const float side = s >= 0.0f ? 1.0f : -1.0f;
  const float pen = radius - side * s;
  if (pen <= 0.0f) return false;
  const neVector3 onPlane = centre - tri.n * s;
  const neVector3 faceNormal = tri.n * side;
  const int32_t region = neTriangleRegion(tri, onPlane);
  if (region < 0) {
    c.depth = pen;
    c.normal = faceNormal;
    c.pointA = centre - faceNormal * radius;
    c.pointB = onPlane;
    c.valid = true;
    return true;
  }
  const int32_t k = region / 2;
  if ((region & 1) == 0) {
    const neVector3 w = centre - tri.v[k];
    const float dist = w.Length();
    if (radius - dist > 0.0f) {
      c.depth = radius - dist;
      // A centre on the vertex itself: out along the face normal.
      c.normal = dist > 0.0f ? w * (1.0f / dist) : neDirectionOr(w, faceNormal);
      c.pointA = centre - c.normal * radius;
      c.pointB = tri.v[k];
      c.valid = true;
    }
    return c.valid;
  }
  const float len = tri.e[k].Length();
  if (len < kNeZero) return false;
  const neVector3 u = tri.e[k] * (1.0f / len);
  const float t = u.Dot(centre - tri.v[k]);
  // The foot must lie strictly inside the edge; the neighbouring vertex is
  // not tried.
  if (t <= 0.0f || t >= len) return false;
  const neVector3 foot = tri.v[k] + u * t;
  const float dist = (centre - foot).Length();
  const float edgePen = radius - dist;
  if (edgePen > 0.0f && edgePen < c.depth && edgePen < radius) {
    c.depth = edgePen;
    c.normal = (centre - foot) * (1.0f / dist);
    c.pointA = centre - c.normal * radius;
    c.pointB = foot;
    c.valid = true;
  }
  return c.valid;
}

namespace {

// The triangle's normal on the capsule's side: the direction of last resort
// for a contact whose points coincide.
neVector3 TowardCapsule(const neTriangleWorkRecord& tri, const neVector3& centre) {
  return tri.n.Dot(centre) - tri.d >= 0.0f ? tri.n : -tri.n;
}

// Closest points of segments p1..q1 and p2..q2, clamped to both (parallel
// and degenerate segments included).
void ClosestOfSegments(const neVector3& p1, const neVector3& q1, const neVector3& p2,
                       const neVector3& q2, neVector3& c1, neVector3& c2) {
  const neVector3 d1 = q1 - p1, d2 = q2 - p2, r = p1 - p2;
  const float a = d1.LengthSquared(), e = d2.LengthSquared(), f = d2.Dot(r);
  float s = 0.0f, t = 0.0f;
  auto clamp01 = [](float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); };
  if (a <= 0.0f && e <= 0.0f) {
    // both points
  } else if (a <= 0.0f) {
    t = clamp01(f / e);
  } else {
    const float c = d1.Dot(r);
    if (e <= 0.0f) {
      s = clamp01(-c / a);
    } else {
      const float b = d1.Dot(d2);
      const float denom = a * e - b * b;
      s = denom > 0.0f ? clamp01((b * f - c * e) / denom) : 0.0f;
      t = (b * s + f) / e;
      if (t < 0.0f) {
        t = 0.0f;
        s = clamp01(-c / a);
      } else if (t > 1.0f) {
        t = 1.0f;
        s = clamp01((b - c) / a);
      }
    }
  }
  c1 = p1 + d1 * s;
  c2 = p2 + d2 * t;
}

// The capsule's axis against one triangle edge p..q. The closest points of
// the two segments themselves decide: the closest points of their lines (and
// which side of an end they fall on) can name the wrong pair of features,
// missing a contact or placing it off the triangle.
void CapsuleEdge(const neGeometryRecord& capsule, const neTransform& t, neTriangleContact& c,
                 const neTriangleWorkRecord& tri, const neVector3& p, const neVector3& q) {
  const float r = capsule.radius;
  const neVector3& u = t.rot.col[1];
  const neVector3 top = t.pos + u * capsule.halfHeight;
  const neVector3 bottom = t.pos - u * capsule.halfHeight;
  neVector3 onAxis, onEdge;
  ClosestOfSegments(top, bottom, p, q, onAxis, onEdge);
  const neVector3 w = onAxis - onEdge;
  const float dist2 = w.LengthSquared();
  if (capsule.radiusSq <= dist2) return;
  const float pen = r - std::sqrt(dist2);
  // The deepest edge wins: pushing the capsule off a shallower one would
  // leave it inside the triangle.
  if (!(pen > 0.0f) || !(pen > c.depth)) return;
  // An axis through the edge: across both, toward the capsule's side.
  neVector3 apart = neDirectionOr(u.Cross(q - p), TowardCapsule(tri, t.pos));
  if (apart.Dot(TowardCapsule(tri, t.pos)) < 0.0f) apart = -apart;
  const neVector3 n = neDirectionOr(w, apart);
  c.depth = pen;
  c.normal = n;
  c.pointA = onAxis - n * r;
  c.pointB = onEdge;
  c.valid = true;
}

}  // namespace

bool neCapsuleTriangleTest(const neGeometryRecord& capsule, const neTransform& t,
                           neTriangleContact& c, const neTriangleWorkRecord& tri) {
  const float r = capsule.radius, h = capsule.halfHeight;
  const neVector3& u = t.rot.col[1];
  const neVector3& centre = t.pos;
  c.depth = 1000000.0f;
  c.valid = false;
  c.edgeContact = false;

  // Face: the end nearer the plane, pushed by the radius toward it.
  const float s = tri.n.Dot(centre) - tri.d;
  const neVector3 m = s < 0.0f ? tri.n : -tri.n;
  const float sNeg = -std::fabs(s);
  if (h + r <= std::fabs(s)) return false;  // out of reach: edges not tried
  const float k = (u * h).Dot(m);
  neVector3 end;
  float kNear;
  if (k <= 0.0f) {
    end = centre - u * h;
    kNear = sNeg - k;
  } else {
    end = centre + u * h;
    kNear = k + sNeg;
  }
  const neVector3 deepest = end + m * r;
  const float pen = r + kNear;
  if (pen <= 0.0f) return false;
  bool stored = false;
  if (pen < c.depth) {
    const neVector3 q = deepest - m * pen;
    if (neTriangleRegion(tri, q) < 0) {
      // Where the line from the centre through the deepest point meets the
      // plane must lie inside too. A capsule with (almost) no radius lying
      // parallel to the plane has no such point; its deepest point decides.
      const neVector3 w = deepest - centre;
      const float wm = w.Dot(m);
      bool inside = true;
      if (wm >= kNeZero) {
        const neVector3 x = centre + w * ((tri.v[0] - centre).Dot(m) / wm);
        inside = neTriangleRegion(tri, x) < 0;
      }
      if (inside) {
        c.depth = pen;
        c.pointA = deepest;
        c.pointB = q;
        c.normal = -m;
        c.valid = true;
        stored = true;
      }
    }
  }
  if (!stored) {
    c.depth = kNeNoDepthYet;
    c.valid = false;
    CapsuleEdge(capsule, t, c, tri, tri.v[0], tri.v[1]);
    CapsuleEdge(capsule, t, c, tri, tri.v[1], tri.v[2]);
    CapsuleEdge(capsule, t, c, tri, tri.v[2], tri.v[0]);
  }
  return c.valid;
}

namespace {

bool TwoSided(const neTerrainTriangle& t) { return t.flag == kNeTriangleTwoSided; }

}  // namespace

void neCollideSphereTriangleList(neCollisionResult& result, const neGeometryRecord& a,
                                 const neTransform& ta, const neGeometryRecord& b) {
  neDeepestTriangleListContact(result, b, TwoSided,
                               [&](const neTerrainTriangle&, const neTriangleWorkRecord& tri,
                                   neTriangleContact& c, float) {
                                 return neSphereTriangleTest(ta.pos, a.radius, c, tri);
                               });
}

void neCollideCylinderTriangleList(neCollisionResult& result, const neGeometryRecord& a,
                                   const neTransform& ta, const neGeometryRecord& b) {
  neDeepestTriangleListContact(result, b, TwoSided,
                               [&](const neTerrainTriangle&, const neTriangleWorkRecord& tri,
                                   neTriangleContact& c, float) {
                                 return neCapsuleTriangleTest(a, ta, c, tri);
                               });
}
