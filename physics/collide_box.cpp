// Box against box: the separating-axis test over the 15 axes of two boxes,
// least penetration winning. Cars and roadside objects are boxes, so this is
// the test behind every car-to-car and car-to-object contact.
#include <cmath>

#include "physics/collide_tests.h"

namespace {

struct BoxPairRecord {
  const neTransform* t;
  neVector3 h;        // half extents
  neVector3 axes[3];  // world axes scaled by the half extents
};

struct BoxPairContact {
  neVector3 first;  // before the flip: on B; after it: on A
  neVector3 second;
  neVector3 normal;
  float depth;
  bool found;

  void Flip() {
    normal = -normal;
    neSwap(first, second);
  }
};

struct EdgeContact {
  neVector3 centreA, centreB, normal;
  neVector3 a0, a1, b0, b1;
  float depth;
  bool won;
};

// A face axis replaces the current one only when clearly shallower, so that
// near-ties keep the earlier axis.
constexpr float kFaceTakeMargin = 0.0001f;
constexpr float kFaceTie = 1.0e-6f;
constexpr float kFaceInsideSlack = 1.001f;

void MakeRecord(BoxPairRecord& r, const neGeometryRecord& g, const neTransform& t) {
  r.t = &t;
  r.h = g.halfExtents;
  for (int i = 0; i < 3; ++i) r.axes[i] = t.rot.col[i] * g.halfExtents[i];
}

// Face axis i of X against Y; false when it separates them.
bool FaceTest(BoxPairContact& best, const BoxPairRecord& x, const BoxPairRecord& y, int i) {
  const neVector3& u = x.t->rot.col[i];
  const float d = u.Dot(y.t->pos - x.t->pos);
  const neVector3 n = d >= 0.0f ? u : -u;
  float w = x.h[i] - std::fabs(d);
  neVector3 c = y.t->pos;
  for (int k = 0; k < 3; ++k) {
    const float proj = n.Dot(y.axes[k]);
    w += std::fabs(proj);
    c -= proj > 0.0f ? y.axes[k] : -y.axes[k];
  }
  if (w <= 0.0f) return false;

  bool take = false;
  if (best.depth > w + kFaceTakeMargin) {
    take = true;
  } else if (std::fabs(w - best.depth) < kFaceTie) {
    // A tie: the face whose extent holds the other box's deepest corner.
    const neVector3 rel = c - x.t->pos;
    const int a = (i + 1) % 3, b = (i + 2) % 3;
    take = std::fabs(rel.Dot(x.t->rot.col[a])) <= kFaceInsideSlack * x.h[a] &&
           std::fabs(rel.Dot(x.t->rot.col[b])) <= kFaceInsideSlack * x.h[b];
  }
  if (take) {
    best.depth = w;
    best.first = c;
    best.second = c + n * w;
    best.normal = n;
    best.found = true;
  }
  return true;
}

// Edge axis A_i x B_j; false when it separates the boxes.
bool EdgeTest(EdgeContact& edge, const BoxPairRecord& a, const BoxPairRecord& b, int i, int j) {
  neVector3 n = a.t->rot.col[i].Cross(b.t->rot.col[j]);
  const float len = n.Length();
  if (len < kNeZero) return true;  // parallel edges: the face axes cover them
  n *= 1.0f / len;
  const neVector3 between = b.t->pos - a.t->pos;
  float d = n.Dot(between);
  if (d < 0.0f) {
    n = -n;
    d = -d;
  }
  const int ia = (i + 1) % 3, ib = (i + 2) % 3;
  const int jc = (j + 1) % 3, je = (j + 2) % 3;
  const float pa = n.Dot(a.axes[ia]), pb = n.Dot(a.axes[ib]);
  const float pc = n.Dot(b.axes[jc]), pe = n.Dot(b.axes[je]);
  const float depth = std::fabs(pa) + std::fabs(pb) + std::fabs(pc) + std::fabs(pe) - d;
  if (depth <= 0.0f) return false;
  if (depth < edge.depth) {
    edge.depth = depth;
    edge.won = true;
    edge.centreA =
        a.t->pos + (pa > 0.0f ? a.axes[ia] : -a.axes[ia]) + (pb > 0.0f ? a.axes[ib] : -a.axes[ib]);
    edge.a0 = edge.centreA + a.axes[i];
    edge.a1 = edge.centreA - a.axes[i];
    edge.centreB =
        b.t->pos - (pc > 0.0f ? b.axes[jc] : -b.axes[jc]) - (pe > 0.0f ? b.axes[je] : -b.axes[je]);
    edge.b0 = edge.centreB + b.axes[j];
    edge.b1 = edge.centreB - b.axes[j];
    edge.normal = n;
  }
  return true;
}

}  // namespace

void neCollideBoxBox(neCollisionResult& result, const neGeometryRecord& a, const neTransform& ta,
                     const neGeometryRecord& b, const neTransform& tb) {
  result.found = 0;
  BoxPairRecord ra, rb;
  MakeRecord(ra, a, ta);
  MakeRecord(rb, b, tb);

  BoxPairContact best;
  best.depth = kNeShallowStart;
  best.found = false;
  for (int i = 0; i < 3; ++i) {
    if (!FaceTest(best, ra, rb, i)) return;
  }
  // A's face results hold B's corner first; the flip brings them to the
  // output order (point on A first, normal from B toward A), which B's face
  // axes then produce directly.
  best.Flip();
  for (int i = 0; i < 3; ++i) {
    if (!FaceTest(best, rb, ra, i)) return;
  }

  EdgeContact edge;
  edge.depth = best.depth;
  edge.won = false;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (!EdgeTest(edge, ra, rb, i, j)) return;
    }
  }

  if (edge.won) {
    neVector3 onA, onB;
    float dist = 0.0f;
    bool inRange = false;
    if (neSegmentClosestPoints(edge.a0, edge.a1, edge.b0, edge.b1, onA, onB, dist, inRange) &&
        inRange) {
      best.first = onA;
      best.second = onB;
    }
    best.normal = -edge.normal;
    best.depth = edge.depth;
    best.found = true;
  }
  if (!best.found) return;
  result.Set(best.depth, best.normal, best.first, best.second);
}
