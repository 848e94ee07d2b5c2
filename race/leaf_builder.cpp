#include "race/leaf_builder.h"

#include <cmath>
#include <cstring>

#include "gfx/model.h"

namespace {

struct Point {
  float x, y, z;
};

Point VertexOf(const Model& m, const ModelTriangle& t, int corner) {
  const ModelVertex& v = m.vertices[t.vertexIndices[corner]];
  return {v.x, v.y, v.z};
}

bool InSquare(float px, float pz, float x, float z, float half) {
  return x - half <= px && px <= x + half && z - half <= pz && pz <= z + half;
}

float Distance(const Point& a, const Point& b) {
  const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The kind table of the grass model's groups, as lower bounds of r per kind; the last
// row entry of group 0 defers to a second draw.
struct KindStep {
  int upTo;  // r below this (exclusive) gives kind
  int kind;  // -2: draw r2 and use the group-0 second table
};

const KindStep kRows[kGrassModelGroups][6] = {
    {{25, 0}, {50, 1}, {75, 2}, {100, -2}},
    {{100, 0}},
    {{40, 0}, {80, 1}, {100, 2}},
    {{20, 0}, {100, 2}},
    {{30, 0}, {50, 1}, {90, 2}, {100, 3}},
    {{15, 0}, {20, 1}, {40, 2}, {100, 4}},
    {{10, 0}, {20, 1}, {30, 2}, {85, 6}, {100, 7}},
    {{85, 0}, {90, 3}, {100, 6}},
    {{80, 2}, {100, 7}},
    {{50, 0}, {85, 1}, {100, 4}},
    {{70, 1}, {80, 2}, {100, 5}},
    {{60, 0}, {65, 5}, {100, 7}},
};
const KindStep kSecondDraw[] = {{40, 3}, {70, 4}, {85, 5}, {95, 6}, {100, 7}};

int Pick(const KindStep* row, int n, int r) {
  for (int i = 0; i < n; ++i)
    if (r < row[i].upTo) return row[i].kind;
  return -1;
}

struct GrassPoint {
  int kind;
  Point p;
};

void BuildGrass(const Model& grass, float x, float z, float h, Grass* out, LeafRandom* random) {
  static thread_local std::vector<GrassPoint> scratch;
  scratch.clear();
  const float halfA[3][3] = {{x - h, 0, z + h}, {x + h, 0, z - h}, {x + h, 0, z + h}};
  const float halfB[3][3] = {{x - h, 0, z + h}, {x - h, 0, z - h}, {x + h, 0, z - h}};
  for (int g = 0; g < grass.groupCount; ++g) {
    const ModelGroup& group = grass.groups[g];
    // Groups without a kind row scatter nothing.
    if (g >= kGrassModelGroups) break;
    for (int i = 0; i < group.triangleCount; ++i) {
      const ModelTriangle& t = grass.triangles[group.triangleIndices[i]];
      const Point v[3] = {VertexOf(grass, t, 0), VertexOf(grass, t, 1), VertexOf(grass, t, 2)};
      const float f[3][3] = {{v[0].x, 0, v[0].z}, {v[1].x, 0, v[1].z}, {v[2].x, 0, v[2].z}};
      if (!TriTriOverlap(f[0], f[1], f[2], halfA[0], halfA[1], halfA[2]) &&
          !TriTriOverlap(f[0], f[1], f[2], halfB[0], halfB[1], halfB[2]))
        continue;
      const float a = Distance(v[0], v[1]), b = Distance(v[1], v[2]), c = Distance(v[2], v[0]);
      const float s = 0.5f * (a + b + c);
      const float heron = s * (s - a) * (s - b) * (s - c);
      const float area = heron > 0.0f ? std::sqrt(heron) : 0.0f;
      const float wanted = area * kGrassSamplesPerArea;
      const int samples = wanted < static_cast<float>(kGrassSamplesPerTriangleLimit)
                              ? static_cast<int>(wanted) + 1
                              : kGrassSamplesPerTriangleLimit;
      for (int k = 0; k < samples; ++k) {
        const float w0 = random->Below(101) * 0.01f;
        const float w1 = random->Below(101) * 0.01f;
        const float w2 = random->Below(101) * 0.01f;
        const float sum = w0 + w1 + w2;
        if (!(sum > 0.0f)) continue;  // no point to weigh
        const Point p = {(v[0].x * w0 + v[1].x * w1 + v[2].x * w2) / sum,
                         (v[0].y * w0 + v[1].y * w1 + v[2].y * w2) / sum,
                         (v[0].z * w0 + v[1].z * w1 + v[2].z * w2) / sum};
        if (!InSquare(p.x, p.z, x, z, h)) continue;
        const int kind = GrassKindFor(g, random);
        if (kind < 0 || static_cast<int>(scratch.size()) >= kGrassScratchPoints) continue;
        scratch.push_back({kind, p});
      }
    }
  }
  int counts[kGrassKinds] = {};
  for (const GrassPoint& gp : scratch) ++counts[gp.kind];
  for (int k = 0; k < kGrassKinds; ++k) out->instances[k].reserve(counts[k]);
  for (const GrassPoint& gp : scratch) {
    GrassInstance gi = {};
    gi.x = gp.p.x;
    gi.y = gp.p.y;
    gi.z = gp.p.z;
    gi.scale = random->Below(7) * 0.05f + 0.8f;
    gi.scale2 = random->Below(9) * 0.05f + 0.7f;
    out->instances[gp.kind].push_back(gi);
  }
}

void BuildTrees(const Model& trees, float x, float z, float h, Grass* out, LeafRandom* random) {
  // A tree met before any anchor keeps an anchor of zeros.
  float anchor[4] = {0, 0, 0, 0};
  for (int g = 0; g < trees.groupCount; ++g) {
    const ModelGroup& group = trees.groups[g];
    for (int i = 0; i < group.triangleCount; ++i) {
      const ModelTriangle& t = trees.triangles[group.triangleIndices[i]];
      const Point v[3] = {VertexOf(trees, t, 0), VertexOf(trees, t, 1), VertexOf(trees, t, 2)};
      const float edge = Distance(v[0], v[1]);
      if (edge > kTreeAnchorEdge) {
        anchor[0] = v[2].x;
        anchor[1] = v[2].y;
        anchor[2] = v[2].z;
        anchor[3] = edge;
        continue;
      }
      if (g >= kTreeModelGroups) continue;  // no tree kind for this group
      const Point c = {(v[0].x + v[1].x + v[2].x) / 3.0f, (v[0].y + v[1].y + v[2].y) / 3.0f,
                       (v[0].z + v[1].z + v[2].z) / 3.0f};
      if (!InSquare(c.x, c.z, x, z, h)) continue;
      GrassInstance gi = {};
      gi.x = c.x;
      gi.y = c.y;
      gi.z = c.z;
      gi.scale = random->Below(8) * 0.05f + 0.65f;
      gi.anchorX = anchor[0];
      gi.anchorY = anchor[1];
      gi.anchorZ = anchor[2];
      gi.anchorSize = anchor[3];
      out->instances[kGrassKinds + g].push_back(gi);
    }
  }
}

void CopyVector(float dst[3], const Vector3* array, int corner, const float fallback[3]) {
  if (array) {
    dst[0] = array[corner].x;
    dst[1] = array[corner].y;
    dst[2] = array[corner].z;
  } else {
    std::memcpy(dst, fallback, 3 * sizeof(float));
  }
}

void BuildLayer(const Model* model, int layer, float x, float z, float h,
                std::vector<Mesh>* out) {
  out->clear();
  if (!model) return;
  out->resize(static_cast<size_t>(model->groupCount));
  const bool wide = LayerHasSecondSet(layer);
  int corner = 0;  // running corner number in group order, for the tangent arrays
  for (int g = 0; g < model->groupCount; ++g) {
    const ModelGroup& group = model->groups[g];
    std::vector<LeafTriangle>& bucket = (*out)[g].triangles;
    for (int i = 0; i < group.triangleCount; ++i, corner += 3) {
      const ModelTriangle& t = model->triangles[group.triangleIndices[i]];
      bool inside = false;
      for (int c = 0; c < 3 && !inside; ++c) {
        const ModelVertex& v = model->vertices[t.vertexIndices[c]];
        inside = InSquare(v.x, v.z, x, z, h);
      }
      if (!inside) continue;
      LeafTriangle lt;
      std::memset(&lt, 0, sizeof lt);
      for (int c = 0; c < 3; ++c) {
        const ModelVertex& v = model->vertices[t.vertexIndices[c]];
        std::memcpy(lt.normal[c], t.normals[c], sizeof lt.normal[c]);
        std::memcpy(lt.texCoord[c], t.texCoords[c], sizeof lt.texCoord[c]);
        lt.position[c][0] = v.x;
        lt.position[c][1] = v.y;
        lt.position[c][2] = v.z;
        if (wide) {
          CopyVector(lt.tangent[c], model->cornerTangents, corner + c, t.tangents[c]);
          CopyVector(lt.bitangent[c], model->cornerBitangents, corner + c, t.bitangents[c]);
          CopyVector(lt.tangent2[c], model->cornerTangents2, corner + c, t.tangents2[c]);
          CopyVector(lt.bitangent2[c], model->cornerBitangents2, corner + c, t.bitangents2[c]);
          std::memcpy(lt.texCoord2[c], t.texCoords2[c], sizeof lt.texCoord2[c]);
        }
      }
      bucket.push_back(lt);
    }
  }
}

void Walk(const LeafBuilderModels& models, float x, float z, float half, int depth,
          QuadTreeList* leaves, int* lastLeaf, LeafRandom* random) {
  if (depth == 0) {
    BuildOneLeaf(models, x, z, half, &leaves[++*lastLeaf], random);
    return;
  }
  const float q = half * 0.5f;
  Walk(models, x - q, z - q, q, depth - 1, leaves, lastLeaf, random);
  Walk(models, x - q, z + q, q, depth - 1, leaves, lastLeaf, random);
  Walk(models, x + q, z + q, q, depth - 1, leaves, lastLeaf, random);
  Walk(models, x + q, z - q, q, depth - 1, leaves, lastLeaf, random);
}

}  // namespace

int LeafRandom::Below(int n) {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return n <= 1 ? 0 : static_cast<int>(state_ % static_cast<uint32_t>(n));
}

int GrassKindFor(int group, LeafRandom* random) {
  if (group < 0 || group >= kGrassModelGroups) return -1;
  const int r = random->Below(100);
  const KindStep* row = kRows[group];
  int n = 0;
  while (n < 6 && row[n].upTo > 0) ++n;
  const int kind = Pick(row, n, r);
  if (kind != -2) return kind;
  return Pick(kSecondDraw, 5, random->Below(100));
}

void BuildOneLeaf(const LeafBuilderModels& models, float x, float z, float half,
                  QuadTreeList* leaf, LeafRandom* random) {
  leaf->x = x;
  leaf->y = 0.0f;
  leaf->z = z;
  leaf->halfSize = half;
  CollectLeafObjects(models.render.objects, x, z, half, &leaf->objects);
  leaf->vegetation = Grass();
  if (models.grass) BuildGrass(*models.grass, x, z, half, &leaf->vegetation, random);
  if (models.trees) BuildTrees(*models.trees, x, z, half, &leaf->vegetation, random);
  for (int k = 0; k < kRenderLayerCount; ++k)
    BuildLayer(models.render.layers[k], k, x, z, half, &leaf->layers[k]);
}

void BuildLeafData(const LeafBuilderModels& models, QuadTreeList* leaves, LeafRandom* random) {
  int lastLeaf = -1;
  Walk(models, 0.0f, 0.0f, kWorldHalfSize, kWorldTreeDepth, leaves, &lastLeaf, random);
}

namespace {

// Triangle-triangle overlap after Moller: each triangle's corners against the other's
// plane, then the two intervals on the planes' common line; triangles in one plane
// are tested edge against edge and corner in triangle on a 2D projection.

// A signed distance this small counts as lying in the plane.
constexpr float kPlaneEpsilon = 1e-6f;

void Sub(const float a[3], const float b[3], float out[3]) {
  out[0] = a[0] - b[0];
  out[1] = a[1] - b[1];
  out[2] = a[2] - b[2];
}

void Cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

struct Projection {
  int i0, i1;
};

bool EdgeEdge(const Projection& p, const float v0[3], float ax, float ay, const float u0[3],
              const float u1[3]) {
  const float bx = u0[p.i0] - u1[p.i0], by = u0[p.i1] - u1[p.i1];
  const float cx = v0[p.i0] - u0[p.i0], cy = v0[p.i1] - u0[p.i1];
  const float f = ay * bx - ax * by;
  const float d = by * cx - bx * cy;
  if ((f > 0 && d >= 0 && d <= f) || (f < 0 && d <= 0 && d >= f)) {
    const float e = ax * cy - ay * cx;
    if (f > 0) return e >= 0 && e <= f;
    return e <= 0 && e >= f;
  }
  return false;
}

bool EdgeAgainstEdges(const Projection& p, const float v0[3], const float v1[3],
                      const float u0[3], const float u1[3], const float u2[3]) {
  const float ax = v1[p.i0] - v0[p.i0], ay = v1[p.i1] - v0[p.i1];
  return EdgeEdge(p, v0, ax, ay, u0, u1) || EdgeEdge(p, v0, ax, ay, u1, u2) ||
         EdgeEdge(p, v0, ax, ay, u2, u0);
}

float Side(const Projection& p, const float a[3], const float b[3], const float v[3]) {
  const float na = b[p.i1] - a[p.i1];
  const float nb = -(b[p.i0] - a[p.i0]);
  const float nc = -na * a[p.i0] - nb * a[p.i1];
  return na * v[p.i0] + nb * v[p.i1] + nc;
}

bool PointInTriangle(const Projection& p, const float v[3], const float u0[3], const float u1[3],
                     const float u2[3]) {
  const float d0 = Side(p, u0, u1, v), d1 = Side(p, u1, u2, v), d2 = Side(p, u2, u0, v);
  return d0 * d1 > 0.0f && d0 * d2 > 0.0f;
}

int Coplanar(const float n[3], const float v0[3], const float v1[3], const float v2[3],
             const float u0[3], const float u1[3], const float u2[3]) {
  const float a0 = std::fabs(n[0]), a1 = std::fabs(n[1]), a2 = std::fabs(n[2]);
  Projection p;
  if (a0 > a1) p = a0 > a2 ? Projection{1, 2} : Projection{0, 1};
  else p = a2 > a1 ? Projection{0, 1} : Projection{0, 2};
  if (EdgeAgainstEdges(p, v0, v1, u0, u1, u2) || EdgeAgainstEdges(p, v1, v2, u0, u1, u2) ||
      EdgeAgainstEdges(p, v2, v0, u0, u1, u2))
    return 1;
  if (PointInTriangle(p, v0, u0, u1, u2) || PointInTriangle(p, u0, v0, v1, v2)) return 1;
  return 0;
}

void Crossing(float vv0, float vv1, float vv2, float d0, float d1, float d2, float* lo,
              float* hi) {
  *lo = vv0 + (vv1 - vv0) * d0 / (d0 - d1);
  *hi = vv0 + (vv2 - vv0) * d0 / (d0 - d2);
}

// The interval one triangle cuts from the common line; false when both triangles lie in
// one plane and *coplanar must decide.
bool Interval(const float vv[3], const float d[3], float* lo, float* hi) {
  const float d0d1 = d[0] * d[1], d0d2 = d[0] * d[2];
  if (d0d1 > 0.0f) Crossing(vv[2], vv[0], vv[1], d[2], d[0], d[1], lo, hi);
  else if (d0d2 > 0.0f) Crossing(vv[1], vv[0], vv[2], d[1], d[0], d[2], lo, hi);
  else if (d[1] * d[2] > 0.0f || d[0] != 0.0f) Crossing(vv[0], vv[1], vv[2], d[0], d[1], d[2], lo, hi);
  else if (d[1] != 0.0f) Crossing(vv[1], vv[0], vv[2], d[1], d[0], d[2], lo, hi);
  else if (d[2] != 0.0f) Crossing(vv[2], vv[0], vv[1], d[2], d[0], d[1], lo, hi);
  else return false;
  if (*lo > *hi) {
    const float t = *lo;
    *lo = *hi;
    *hi = t;
  }
  return true;
}

void Distances(const float n[3], float dPlane, const float* p[3], float out[3]) {
  for (int i = 0; i < 3; ++i) {
    out[i] = Dot(n, p[i]) + dPlane;
    if (std::fabs(out[i]) < kPlaneEpsilon) out[i] = 0.0f;
  }
}

}  // namespace

int TriTriOverlap(const float a0[3], const float a1[3], const float a2[3], const float b0[3],
                  const float b1[3], const float b2[3]) {
  const float* a[3] = {a0, a1, a2};
  const float* b[3] = {b0, b1, b2};
  float e1[3], e2[3], na[3], nb[3];
  Sub(a1, a0, e1);
  Sub(a2, a0, e2);
  Cross(e1, e2, na);
  float db[3];
  Distances(na, -Dot(na, a0), b, db);
  if (db[0] * db[1] > 0.0f && db[0] * db[2] > 0.0f) return 0;
  Sub(b1, b0, e1);
  Sub(b2, b0, e2);
  Cross(e1, e2, nb);
  float da[3];
  Distances(nb, -Dot(nb, b0), a, da);
  if (da[0] * da[1] > 0.0f && da[0] * da[2] > 0.0f) return 0;

  float line[3];
  Cross(na, nb, line);
  int axis = 0;
  float best = std::fabs(line[0]);
  if (std::fabs(line[1]) > best) best = std::fabs(line[1]), axis = 1;
  if (std::fabs(line[2]) > best) axis = 2;
  const float va[3] = {a0[axis], a1[axis], a2[axis]};
  const float vb[3] = {b0[axis], b1[axis], b2[axis]};
  float aLo, aHi, bLo, bHi;
  if (!Interval(va, da, &aLo, &aHi)) return Coplanar(na, a0, a1, a2, b0, b1, b2);
  if (!Interval(vb, db, &bLo, &bHi)) return Coplanar(na, a0, a1, a2, b0, b1, b2);
  return (aHi < bLo || bHi < aLo) ? 0 : 1;
}
