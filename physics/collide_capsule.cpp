// Pair tests with a capsule (the engine's cylinder) as shape B: capsule-capsule
// and box-capsule, with the segment-box closest points they rest on.
#include <cmath>

#include "physics/collide_tests.h"

namespace {

// The direction of last resort for an end point on the other capsule's axis:
// across axis u toward A's centre, or along the axis when the capsules are in
// line, or any perpendicular.
neVector3 AcrossAxis(const neVector3& u, const neVector3& hint) {
  const neVector3 across = hint - u * hint.Dot(u);
  const neVector3 any = std::fabs(u.x) < 0.57f ? neV3(0.0f, -u.z, u.y) : neV3(u.y, -u.x, 0.0f);
  return neDirectionOr(across, neDirectionOr(hint, neDirectionOr(any, neV3(1.0f, 0.0f, 0.0f))));
}

struct CapsulePair {
  float rA, rB;
  neVector3 centreA, centreB;
};

// End p of A against end q of B.
void EndPairTest(neCollisionResult& result, const CapsulePair& pair, const neVector3& p,
                 const neVector3& q) {
  // The true length, not the guarded one: the depth must match the points
  // even for ends a fraction of a millimetre apart.
  const neVector3 w = p - q;
  const float dist = std::sqrt(w.LengthSquared());
  const float depth = pair.rA + pair.rB - dist;
  if (!(depth > 0.0f) || !(depth > result.depth)) return;
  // Coincident ends: part along the line between the capsules' centres.
  const neVector3 n =
      neDirectionOr(w, neDirectionOr(pair.centreA - pair.centreB, neV3(1.0f, 0.0f, 0.0f)));
  result.depth = depth;
  result.found = 1;
  result.normal = n;
  result.pointA = p - n * pair.rA;
  result.pointB = q + n * pair.rB;
}

// End e of one capsule against the axis line a0 (top) .. a1 (bottom) of the
// other; endIsA says whose end e is.
void EndSideTest(neCollisionResult& result, const CapsulePair& pair, const neVector3& a0,
                 const neVector3& a1, const neVector3& e, bool endIsA) {
  neVector3 u = a1 - a0;
  u.Normalize();
  const neVector3 f = a0 + u * (e - a0).Dot(u);
  const float dist = std::sqrt((e - f).LengthSquared());
  const float depth = pair.rA + pair.rB - dist;
  if (!(depth > 0.0f) || !(depth > result.depth)) return;
  // An end on the other axis line has no direction of its own: part across
  // the axis, away from the other capsule's centre.
  const neVector3 apart = AcrossAxis(u, pair.centreA - pair.centreB);
  result.depth = depth;
  result.found = 1;
  if (endIsA) {
    const neVector3 n = neDirectionOr(e - f, apart);
    result.normal = n;
    result.pointA = e - n * pair.rA;
    result.pointB = f + n * pair.rB;
  } else {
    const neVector3 n = neDirectionOr(f - e, apart);
    result.normal = n;
    result.pointA = f - n * pair.rA;
    result.pointB = e + n * pair.rB;
  }
}

}  // namespace

void neCollideCylinderCylinder(neCollisionResult& result, const neGeometryRecord& a,
                               const neTransform& ta, const neGeometryRecord& b,
                               const neTransform& tb) {
  result.found = 0;
  const neVector3& uA = ta.rot.col[1];
  const neVector3& uB = tb.rot.col[1];
  const float hA = a.halfHeight, hB = b.halfHeight;
  const neVector3 topA = ta.pos + uA * hA, bottomA = ta.pos - uA * hA;
  const neVector3 topB = tb.pos + uB * hB, bottomB = tb.pos - uB * hB;
  const CapsulePair pair{a.radius, b.radius, ta.pos, tb.pos};

  const neVector3 cross = uB.Cross(uA);
  if (cross.Length() >= kNeZero) {
    neVector3 pA, pB;
    float dist = 0.0f;
    bool inRange = false;
    if (neSegmentClosestPoints(bottomA, topA, bottomB, topB, pA, pB, dist, inRange) && inRange) {
      const float depth = a.radius + b.radius - dist;
      if (depth <= 0.0f) return;
      // Axes that meet: part along the common perpendicular, A's side.
      neVector3 apart = neDirectionOr(cross, neV3(1.0f, 0.0f, 0.0f));
      if (apart.Dot(ta.pos - tb.pos) < 0.0f) apart = -apart;
      const neVector3 n = neDirectionOr(pA - pB, apart);
      result.Set(depth, n, pA - n * a.radius, pB + n * b.radius);
      return;
    }
  }

  // Parallel axes, or closest points beyond an end: the deepest of the eight
  // end sub-tests.
  result.depth = kNeNoDepthYet;
  const neVector3 endsA[2] = {topA, bottomA};
  const neVector3 endsB[2] = {topB, bottomB};
  for (const neVector3& e : endsA) {
    const float t = (e - bottomB).Dot(uB);
    if (t >= 0.0f && t <= 2.0f * hB) {
      EndSideTest(result, pair, topB, bottomB, e, true);
    } else if (t > 2.0f * hB) {
      EndPairTest(result, pair, e, topB);
    } else {
      EndPairTest(result, pair, e, bottomB);
    }
  }
  for (const neVector3& e : endsB) {
    const float t = (e - bottomA).Dot(uA);
    if (t >= 0.0f && t <= 2.0f * hA) {
      EndSideTest(result, pair, topA, bottomA, e, false);
    } else if (t > 2.0f * hA) {
      EndPairTest(result, pair, topA, e);
    } else {
      EndPairTest(result, pair, bottomA, e);
    }
  }
}

void neSegmentBoxClosestPoints(const neVector3& s0, const neVector3& s1, const neVector3& e,
                               neVector3& onSegment, neVector3& onBox) {
  const neVector3 dir = s1 - s0;
  // Reflected so that every axis moves toward +; state -1 below the slab, 0
  // inside, +1 above; t is the parameter of the next boundary crossing
  // (entry when below, exit when inside, the passed exit when above).
  float p[3], dp[3], g[3], t[3];
  int k[3];
  for (int i = 0; i < 3; ++i) {
    if (dir[i] < 0.0f) {
      p[i] = -s0[i];
      dp[i] = -dir[i];
      g[i] = -1.0f;
    } else {
      p[i] = s0[i];
      dp[i] = dir[i];
      g[i] = 1.0f;
    }
    if (dp[i] <= 0.0f) {
      k[i] = 0;
      t[i] = 2.0f;  // never reached
    } else if (p[i] < -e[i]) {
      k[i] = -1;
      t[i] = (-e[i] - p[i]) / dp[i];
    } else if (p[i] < e[i]) {
      k[i] = 0;
      t[i] = (e[i] - p[i]) / dp[i];
    } else {
      // A start exactly on the upper face moves outward at once: it is above
      // the slab, not inside with an exit already behind it.
      k[i] = 1;
      t[i] = (e[i] - p[i]) / dp[i];
    }
  }

  // Half the derivative of the squared distance at parameter x.
  auto slope = [&](float x) {
    float sum = 0.0f;
    for (int i = 0; i < 3; ++i) {
      if (k[i] != 0) sum += (x - t[i]) * dp[i] * dp[i];
    }
    return sum;
  };

  float tc = 0.0f;
  float dc = slope(0.0f);
  float root = 0.0f;
  if (dc < 0.0f) {
    root = 1.0f;
    // Each axis crosses at most two boundaries, so the walk ends within six
    // crossings.
    for (int step = 0; step < 7 && tc < 1.0f; ++step) {
      float tn = 1.0f;
      for (int i = 0; i < 3; ++i) {
        if (k[i] < 1 && t[i] > tc && t[i] < tn) tn = t[i];
      }
      const float dn = slope(tn);
      if (dn >= 0.0f) {
        root = tc - dc * (tn - tc) / (dn - dc);
        break;
      }
      for (int i = 0; i < 3; ++i) {
        // An axis of a zero-thickness slab enters and leaves at once.
        while (k[i] < 1 && dp[i] > 0.0f && t[i] <= tn) {
          ++k[i];
          t[i] = (e[i] - p[i]) / dp[i];
        }
      }
      tc = tn;
      dc = dn;
    }
  }
  if (!(root >= 0.0f)) root = 0.0f;  // also catches NaN
  if (root > 1.0f) root = 1.0f;

  onSegment = s0 + dir * root;
  for (int i = 0; i < 3; ++i) {
    float v = g[i] * (p[i] + root * dp[i]);
    if (v < -e[i]) v = -e[i];
    if (v > e[i]) v = e[i];
    onBox[i] = v;
  }
}

void neCollideBoxCylinder(neCollisionResult& result, const neGeometryRecord& a,
                          const neTransform& ta, const neGeometryRecord& b, const neTransform& tb) {
  result.found = 0;
  const neVector3& h = a.halfExtents;
  const float r = b.radius;
  const neVector3 u = ta.rot.TransposeMultiply(tb.rot.col[1]);
  const neVector3 c = ta.rot.TransposeMultiply(tb.pos - ta.pos);
  const neVector3 s0 = c - u * b.halfHeight;
  const neVector3 s1 = c + u * b.halfHeight;
  neVector3 q, onBox;
  neSegmentBoxClosestPoints(s0, s1, h, q, onBox);
  const neVector3 qWorld = ta.TransformPoint(q);
  const neVector3 bWorld = ta.TransformPoint(onBox);
  const neVector3 w = bWorld - qWorld;
  const float dist = w.Length();
  if (!(dist <= r)) return;

  if (dist > 0.0f) {
    const neVector3 n = w * (1.0f / dist);
    result.Set(r - dist, n, bWorld, qWorld + n * r);
    return;
  }

  // The axis touches or enters the box: push the box off through the face
  // nearest to the axis point, by the radius plus how deep that point lies.
  int axis = 0;
  float best = h.x - std::fabs(q.x);
  for (int i = 1; i < 3; ++i) {
    const float room = h[i] - std::fabs(q[i]);
    if (room < best) {
      best = room;
      axis = i;
    }
  }
  const float side = q[axis] >= 0.0f ? 1.0f : -1.0f;
  neVector3 face = q;
  face[axis] = side * h[axis];
  const neVector3 n = ta.rot.col[axis] * -side;
  result.depth = r + best;
  result.normal = n;
  result.pointA = ta.TransformPoint(face);
  result.pointB = result.pointA + n * result.depth;
  result.found = 1;
}
