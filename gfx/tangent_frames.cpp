#include <cmath>

#include "gfx/milkshape.h"
#include "gfx/tangent.h"

namespace {

bool IsFinite(const Vector3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Lengths below this are no direction: a corner normal or tangent squashed to nothing.
constexpr float kTinyLength = 1e-20f;

// Normalises v, or reports that it has no usable direction.
bool NormalizeChecked(Vector3* v) {
  const float len = v->Length();
  if (!std::isfinite(len) || len < kTinyLength) return false;
  v->Normalize();
  return IsFinite(*v);
}

void Store(float slot[3], const Vector3& v) {
  slot[0] = v.x;
  slot[1] = v.y;
  slot[2] = v.z;
}

Vector3 FromSlot(const float slot[3]) { return Vector3(slot[0], slot[1], slot[2]); }

}  // namespace

Vector3 ClosestPointOnSegment(const Vector3& a, const Vector3& b, const Vector3& p) {
  const Vector3 d = p.Difference(a);
  Vector3 e = b.Difference(a);
  const float length = e.Length();
  if (!(length > 0.0f)) return a;
  e.Normalize();
  const float t = Dot3(e, d);
  if (t < 0.0f) return a;
  if (t > length) return b;
  return Vector3(a.x + t * e.x, a.y + t * e.y, a.z + t * e.z);
}

Vector3 AnyPerpendicular(const Vector3& n) {
  Vector3 unit = n;
  if (!NormalizeChecked(&unit)) return Vector3(1.0f, 0.0f, 0.0f);
  // Cross with the axis the normal leans on least, which is never parallel to it.
  const float ax = std::fabs(unit.x), ay = std::fabs(unit.y), az = std::fabs(unit.z);
  const Vector3 axis = (ax <= ay && ax <= az) ? Vector3(1, 0, 0)
                       : (ay <= az)           ? Vector3(0, 1, 0)
                                              : Vector3(0, 0, 1);
  Vector3 p = Cross3(unit, axis);
  p.Normalize();
  return p;
}

namespace {

// v less its part along n, normalised; false (and *out untouched) when nothing is left.
bool OrthogonalizeChecked(const Vector3& n, const Vector3& v, Vector3* out) {
  const Vector3 q = ClosestPointOnSegment(n, n.Negated(), v);
  Vector3 r = v.Difference(q);
  if (!NormalizeChecked(&r)) return false;
  *out = r;
  return true;
}

}  // namespace

Vector3 OrthogonalizeToNormal(const Vector3& n, const Vector3& v) {
  Vector3 r;
  return OrthogonalizeChecked(n, v, &r) ? r : AnyPerpendicular(n);
}

void MilkshapeModel::ComputeTangentFrames() { ComputeFrames(false); }

void MilkshapeModel::ComputeTangentFramesUV2() { ComputeFrames(true); }

void MilkshapeModel::ComputeFrames(bool secondSet) {
  Vector3*& tangentArray = secondSet ? cornerTangents2 : cornerTangents;
  Vector3*& bitangentArray = secondSet ? cornerBitangents2 : cornerBitangents;
  const int n = CountCorners();
  delete[] tangentArray;
  delete[] bitangentArray;
  tangentArray = new Vector3[n];
  bitangentArray = new Vector3[n];

  // First pass: one frame per triangle from how s and t run across it, axis by axis:
  // the plane through (position, s, t) of the three corners gives d(position)/ds and
  // d(position)/dt for that axis.
  int corner = 0;
  for (int g = 0; g < groupCount; ++g)
    for (int i = 0; i < groups[g].triangleCount; ++i, corner += 3) {
      ModelTriangle& tri = triangles[groups[g].triangleIndices[i]];
      const float (*uv)[2] = secondSet ? tri.texCoords2 : tri.texCoords;
      const ModelVertex* p[3] = {&vertices[tri.vertexIndices[0]],
                                 &vertices[tri.vertexIndices[1]],
                                 &vertices[tri.vertexIndices[2]]};
      float tAxes[3], bAxes[3];
      bool degenerate = false;
      for (int c = 0; c < 3; ++c) {
        const float p0 = c == 0 ? p[0]->x : c == 1 ? p[0]->y : p[0]->z;
        const float p1 = c == 0 ? p[1]->x : c == 1 ? p[1]->y : p[1]->z;
        const float p2 = c == 0 ? p[2]->x : c == 1 ? p[2]->y : p[2]->z;
        const Vector3 e1(p1 - p0, uv[1][0] - uv[0][0], uv[1][1] - uv[0][1]);
        const Vector3 e2(p2 - p0, uv[2][0] - uv[0][0], uv[2][1] - uv[0][1]);
        const Vector3 plane = Cross3(e1, e2);
        // n.x is the texture-space area of the triangle: zero when its coordinates
        // are collinear, and then the frame is undefined.
        if (plane.x == 0.0f) degenerate = true;
        tAxes[c] = -plane.y / plane.x;
        bAxes[c] = -plane.z / plane.x;
      }
      Vector3 t(tAxes[0], tAxes[1], tAxes[2]);
      Vector3 b(bAxes[0], bAxes[1], bAxes[2]);
      // A degenerate frame is left as zero; the second pass replaces it with a vector
      // perpendicular to the normal.
      if (degenerate || !NormalizeChecked(&t)) t.Clear();
      if (degenerate || !NormalizeChecked(&b)) b.Clear();
      float (*ts)[3] = secondSet ? tri.tangents2 : tri.tangents;
      float (*bs)[3] = secondSet ? tri.bitangents2 : tri.bitangents;
      for (int k = 0; k < 3; ++k) {
        Store(ts[k], t);
        Store(bs[k], b);
        tangentArray[corner + k] = t;
        bitangentArray[corner + k] = b;
      }
    }

  // Second pass: square each corner's frame against that corner's own normal.
  corner = 0;
  for (int g = 0; g < groupCount; ++g)
    for (int i = 0; i < groups[g].triangleCount; ++i) {
      ModelTriangle& tri = triangles[groups[g].triangleIndices[i]];
      float (*ts)[3] = secondSet ? tri.tangents2 : tri.tangents;
      float (*bs)[3] = secondSet ? tri.bitangents2 : tri.bitangents;
      for (int k = 0; k < 3; ++k, ++corner) {
        const Vector3 normal = FromSlot(tri.normals[k]);
        Vector3 t, b;
        const bool tangentOk = OrthogonalizeChecked(normal, FromSlot(ts[k]), &t);
        const bool bitangentOk = OrthogonalizeChecked(normal, FromSlot(bs[k]), &b);
        // Where the texture coordinates gave no direction, the frame is completed from
        // what is left, so it still has two axes across the normal (T x B = N).
        if (!tangentOk) {
          Vector3 fromB = Cross3(b, normal);
          t = bitangentOk && NormalizeChecked(&fromB) ? fromB : AnyPerpendicular(normal);
        }
        if (!bitangentOk) {
          Vector3 fromT = Cross3(normal, t);
          b = NormalizeChecked(&fromT) ? fromT : AnyPerpendicular(t);
        }
        Store(ts[k], t);
        Store(bs[k], b);
        tangentArray[corner] = t;
        bitangentArray[corner] = b;
      }
    }
}
