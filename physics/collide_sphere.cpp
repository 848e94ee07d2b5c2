// Pair tests with a sphere as shape B: sphere-sphere, box-sphere and
// capsule-sphere.
#include <cmath>

#include "physics/collide_tests.h"

namespace {

// Box-space vector (x, y, z) turned into world space.
neVector3 ToWorld(const neTransform& t, const neVector3& v) { return t.rot.MultiplyVector(v); }

}  // namespace

void neCollideSphereSphere(neCollisionResult& result, const neGeometryRecord& a,
                           const neTransform& ta, const neGeometryRecord& b,
                           const neTransform& tb) {
  result.found = 0;
  const neVector3 d = ta.pos - tb.pos;
  const float q = d.LengthSquared();
  const float s = a.radius + b.radius;
  // Touching spheres do not collide; coincident centres give no direction.
  if (s * s <= q || q < kNeZero) return;
  const float dist = std::sqrt(q);
  const neVector3 n = d * (1.0f / dist);
  result.Set(s - dist, n, ta.pos - n * a.radius, tb.pos + n * b.radius);
}

void neCollideBoxSphere(neCollisionResult& result, const neGeometryRecord& a, const neTransform& ta,
                        const neGeometryRecord& b, const neTransform& tb) {
  result.found = 0;
  const neVector3& h = a.halfExtents;
  const float r = b.radius;
  const neVector3 rel = tb.pos - ta.pos;
  neVector3 c, s, dOut;
  int outside = 0;
  for (int i = 0; i < 3; ++i) {
    c[i] = ta.rot.col[i].Dot(rel);
    s[i] = c[i] >= 0.0f ? 1.0f : -1.0f;
    dOut[i] = s[i] * c[i] - h[i];
    if (dOut[i] >= 0.0f) ++outside;
  }

  if (outside == 3) {
    // Corner region: the corner is the closest box point.
    const neVector3 v = neV3(s.x * h.x, s.y * h.y, s.z * h.z);
    const neVector3 w = v - c;
    const float w2 = w.LengthSquared();
    if (b.radiusSq < w2) return;
    const float len = std::sqrt(w2);
    // A centre exactly on the corner has no direction to the corner; the box
    // then lies along the inward diagonal.
    const neVector3 inward = neV3(-s.x, -s.y, -s.z) * 0.57735026f;
    const neVector3 n = ToWorld(ta, neDirectionOr(w, inward));
    result.Set(r - len, n, ta.TransformPoint(v), tb.pos + n * r);
    return;
  }

  if (outside == 2) {
    // Edge region along the one axis i that lies inside its slab.
    int i = 0;
    while (dOut[i] >= 0.0f) ++i;
    const int j = (i + 1) % 3, k = (i + 2) % 3;
    neVector3 p = c;
    p[j] = s[j] * h[j];
    p[k] = s[k] * h[k];
    const neVector3 w = p - c;
    const float w2 = w[j] * w[j] + w[k] * w[k];
    if (w2 > b.radiusSq) return;
    const float len = std::sqrt(w2);
    neVector3 inward = neV3(0.0f, 0.0f, 0.0f);
    inward[j] = -s[j] * 0.70710677f;
    inward[k] = -s[k] * 0.70710677f;
    neVector3 wjk = neV3(0.0f, 0.0f, 0.0f);
    wjk[j] = w[j];
    wjk[k] = w[k];
    const neVector3 n = ToWorld(ta, neDirectionOr(wjk, inward));
    result.Set(r - len, n, ta.TransformPoint(p), tb.pos + n * r);
    return;
  }

  if (outside == 1) {
    int i = 0;
    while (dOut[i] < 0.0f) ++i;
    const float depth = h[i] + r - s[i] * c[i];
    if (depth <= 0.0f) return;
    const neVector3 n = ta.rot.col[i] * -s[i];
    const neVector3 onB = tb.pos + n * r;
    result.Set(depth, n, onB - n * depth, onB);
    return;
  }

  // Centre inside: out through the nearest face; ties go to the later axis.
  const neVector3 p = neV3(h.x - s.x * c.x, h.y - s.y * c.y, h.z - s.z * c.z);
  int i;
  if (p.y <= p.x) {
    i = p.y < p.z ? 1 : 2;
  } else {
    i = p.x < p.z ? 0 : 2;
  }
  const float depth = p[i] + r;
  const neVector3 n = ta.rot.col[i] * -s[i];
  const neVector3 onB = tb.pos + n * r;
  result.Set(depth, n, onB - n * depth, onB);
}

void neCollideCylinderSphere(neCollisionResult& result, const neGeometryRecord& a,
                             const neTransform& ta, const neGeometryRecord& b,
                             const neTransform& tb) {
  result.found = 0;
  const float rc = a.radius, rs = b.radius, h = a.halfHeight;
  const neVector3& u = ta.rot.col[1];
  const neVector3 bottom = ta.pos - u * h;
  const neVector3 top = ta.pos + u * h;
  const float t = (tb.pos - bottom).Dot(u);
  if (t >= 2.0f * h + rc + rs || t <= -(rc + rs)) return;
  neVector3 c;
  if (t < 0.0f) {
    c = bottom;
  } else if (t <= 2.0f * h) {
    c = bottom + u * t;
  } else {
    c = top;
  }
  const float dist = std::sqrt((tb.pos - c).LengthSquared());
  if (rc + rs <= dist) return;
  // A centre on the axis: any direction across the axis will do; the
  // capsule's own x axis is the one taken.
  const neVector3 n = std::fabs(dist) < kNeZero ? ta.rot.col[0] : (c - tb.pos) * (1.0f / dist);
  result.Set(rc + rs - dist, n, c - n * rc, tb.pos + n * rs);
}
