#include "tools/basegen/mesh_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace basegen {

namespace {

constexpr float kPi = 3.14159265358979f;

V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

V3 Normalised(V3 v) {
  const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (len < 1e-12f) return {0, 1, 0};
  return v * (1.0f / len);
}

// The component of p along box-face axis k, used for tiled coordinates.
float Along(V3 p, int k) { return k == 0 ? p.x : (k == 1 ? p.y : p.z); }

// One face of an axis-aligned box: four corners counter-clockwise from outside, and
// the two axes its texture runs along (for tiling).
struct BoxFaceCorners {
  unsigned bit;
  V3 p[4];
  int ua, va;
};

void OutsideBoxFaces(V3 c, V3 s, BoxFaceCorners out[6]) {
  const float x0 = c.x - s.x / 2, x1 = c.x + s.x / 2;
  const float y0 = c.y - s.y / 2, y1 = c.y + s.y / 2;
  const float z0 = c.z - s.z / 2, z1 = c.z + s.z / 2;
  const BoxFaceCorners list[6] = {
      {kFacePosX, {{x1, y0, z1}, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}}, 2, 1},
      {kFaceNegX, {{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}}, 2, 1},
      {kFacePosY, {{x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}, {x0, y1, z0}}, 0, 2},
      {kFaceNegY, {{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}}, 0, 2},
      {kFacePosZ, {{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}, 0, 1},
      {kFaceNegZ, {{x1, y0, z0}, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}}, 0, 1},
  };
  for (int i = 0; i < 6; ++i) out[i] = list[i];
}

}  // namespace

void MeshBuilder::SetPlacement(V3 offset, float yaw) {
  offset_ = offset;
  cosYaw_ = std::cos(yaw);
  sinYaw_ = std::sin(yaw);
}

V3 MeshBuilder::Turn(V3 n) const {
  return {cosYaw_ * n.x + sinYaw_ * n.z, n.y, -sinYaw_ * n.x + cosYaw_ * n.z};
}

V3 MeshBuilder::Place(V3 p) const { return Turn(p) + offset_; }

uint16_t MeshBuilder::Vertex(V3 p) {
  const V3 q = Place(p);
  return mesh_->AddVertex(q.x, q.y, q.z);
}

void MeshBuilder::Tri(int group, const V3 p[3], const V3 n[3], const float uv[3][2]) {
  sbm::Triangle t;
  for (int k = 0; k < 3; ++k) {
    t.vertex[k] = Vertex(p[k]);
    const V3 m = Turn(n[k]);
    t.normal[k][0] = m.x;
    t.normal[k][1] = m.y;
    t.normal[k][2] = m.z;
    t.s[k] = uv[k][0];
    t.t[k] = 1.0f - uv[k][1];  // the file counts t from the top
  }
  mesh_->AddTriangle(group, t);
}

void MeshBuilder::Face(int group, V3 a, V3 b, V3 c, V3 d, const float uv[4][2]) {
  const V3 n = Normalised(Cross(b - a, c - a));
  const V3 nn[3] = {n, n, n};
  const V3 t1[3] = {a, b, c};
  const float u1[3][2] = {{uv[0][0], uv[0][1]}, {uv[1][0], uv[1][1]}, {uv[2][0], uv[2][1]}};
  Tri(group, t1, nn, u1);
  const V3 t2[3] = {a, c, d};
  const float u2[3][2] = {{uv[0][0], uv[0][1]}, {uv[2][0], uv[2][1]}, {uv[3][0], uv[3][1]}};
  Tri(group, t2, nn, u2);
}

void MeshBuilder::Quad(int group, V3 a, V3 b, V3 c, V3 d, UvRect r) {
  const float uv[4][2] = {{r.u0, r.v0}, {r.u1, r.v0}, {r.u1, r.v1}, {r.u0, r.v1}};
  Face(group, a, b, c, d, uv);
}

void MeshBuilder::DoubleQuad(int group, V3 a, V3 b, V3 c, V3 d, UvRect r) {
  Quad(group, a, b, c, d, r);
  Quad(group, b, a, d, c, {r.u1, r.v0, r.u0, r.v1});
}

void MeshBuilder::Box(int group, V3 c, V3 s, UvRect r, unsigned faces) {
  BoxFaceCorners list[6];
  OutsideBoxFaces(c, s, list);
  for (const BoxFaceCorners& f : list) {
    if (!(faces & f.bit)) continue;
    if (tile_ > 0) {
      float uv[4][2];
      for (int k = 0; k < 4; ++k) {
        uv[k][0] = Along(f.p[k], f.ua) / tile_;
        uv[k][1] = Along(f.p[k], f.va) / tile_;
      }
      Face(group, f.p[0], f.p[1], f.p[2], f.p[3], uv);
    } else {
      Quad(group, f.p[0], f.p[1], f.p[2], f.p[3], r);
    }
  }
}

void MeshBuilder::InsideBox(int group, V3 c, V3 s, UvRect r, unsigned faces) {
  BoxFaceCorners list[6];
  OutsideBoxFaces(c, s, list);
  for (BoxFaceCorners& f : list) {
    if (!(faces & f.bit)) continue;
    // The outside corners in reverse order: the same face seen from within.
    std::reverse(f.p, f.p + 4);
    float uv[4][2];
    for (int k = 0; k < 4; ++k) {
      if (tile_ > 0) {
        uv[k][0] = Along(f.p[k], f.ua) / tile_;
        uv[k][1] = Along(f.p[k], f.va) / tile_;
      } else {
        const bool right = (k == 1 || k == 2), top = (k == 0 || k == 1);
        uv[k][0] = right ? r.u1 : r.u0;
        uv[k][1] = top ? r.v1 : r.v0;
      }
    }
    Face(group, f.p[0], f.p[1], f.p[2], f.p[3], uv);
  }
}

void MeshBuilder::Cylinder(int group, int axis, V3 c, float radius, float length, int segments,
                           UvRect side, UvRect cap, bool caps) {
  segments = std::max(segments, 3);
  // Local frame: a runs along the axis, e1/e2 span the circle, with e1 x e2 = a so the
  // side faces point outwards when walked in order.
  V3 a, e1, e2;
  if (axis == 0) {
    a = {1, 0, 0}; e1 = {0, 1, 0}; e2 = {0, 0, 1};
  } else if (axis == 1) {
    a = {0, 1, 0}; e1 = {0, 0, 1}; e2 = {1, 0, 0};
  } else {
    a = {0, 0, 1}; e1 = {1, 0, 0}; e2 = {0, 1, 0};
  }
  const V3 h = a * (length / 2);
  for (int i = 0; i < segments; ++i) {
    const float t0 = 2 * kPi * i / segments, t1 = 2 * kPi * (i + 1) / segments;
    const V3 n0 = e1 * std::cos(t0) + e2 * std::sin(t0);
    const V3 n1 = e1 * std::cos(t1) + e2 * std::sin(t1);
    const V3 p00 = c - h + n0 * radius, p01 = c - h + n1 * radius;
    const V3 p10 = c + h + n0 * radius, p11 = c + h + n1 * radius;
    const float su0 = side.u0 + (side.u1 - side.u0) * i / segments;
    const float su1 = side.u0 + (side.u1 - side.u0) * (i + 1) / segments;
    {
      const V3 p[3] = {p00, p01, p11};
      const V3 n[3] = {n0, n1, n1};
      const float uv[3][2] = {{su0, side.v0}, {su1, side.v0}, {su1, side.v1}};
      Tri(group, p, n, uv);
    }
    {
      const V3 p[3] = {p00, p11, p10};
      const V3 n[3] = {n0, n1, n0};
      const float uv[3][2] = {{su0, side.v0}, {su1, side.v1}, {su0, side.v1}};
      Tri(group, p, n, uv);
    }
    if (!caps) continue;
    const float cu = (cap.u0 + cap.u1) / 2, cv = (cap.v0 + cap.v1) / 2;
    const float ru = (cap.u1 - cap.u0) / 2, rv = (cap.v1 - cap.v0) / 2;
    const float uv0[2] = {cu + ru * std::cos(t0), cv + rv * std::sin(t0)};
    const float uv1[2] = {cu + ru * std::cos(t1), cv + rv * std::sin(t1)};
    {
      const V3 p[3] = {c + h, p10, p11};
      const V3 n[3] = {a, a, a};
      const float uv[3][2] = {{cu, cv}, {uv0[0], uv0[1]}, {uv1[0], uv1[1]}};
      Tri(group, p, n, uv);
    }
    {
      const V3 na = a * -1.0f;
      const V3 p[3] = {c - h, p01, p00};
      const V3 n[3] = {na, na, na};
      const float uv[3][2] = {{cu, cv}, {uv1[0], uv1[1]}, {uv0[0], uv0[1]}};
      Tri(group, p, n, uv);
    }
  }
}

void MeshBuilder::ExtrudeZ(int group, const std::vector<float>& xy, float z0, float z1,
                           UvRect sides, UvRect caps) {
  const int n = static_cast<int>(xy.size() / 2);
  if (n < 3) return;
  float minX = xy[0], maxX = xy[0], minY = xy[1], maxY = xy[1];
  for (int i = 1; i < n; ++i) {
    minX = std::min(minX, xy[2 * i]);
    maxX = std::max(maxX, xy[2 * i]);
    minY = std::min(minY, xy[2 * i + 1]);
    maxY = std::max(maxY, xy[2 * i + 1]);
  }
  const float w = std::max(maxX - minX, 1e-6f), hgt = std::max(maxY - minY, 1e-6f);
  auto capUv = [&](float x, float y, float out[2]) {
    out[0] = caps.u0 + (caps.u1 - caps.u0) * (x - minX) / w;
    out[1] = caps.v0 + (caps.v1 - caps.v0) * (y - minY) / hgt;
  };
  for (int i = 1; i + 1 < n; ++i) {
    const int idx[3] = {0, i, i + 1};
    float uvf[3][2], uvb[3][2];
    V3 pf[3], pb[3];
    for (int k = 0; k < 3; ++k) {
      const float x = xy[2 * idx[k]], y = xy[2 * idx[k] + 1];
      pf[k] = {x, y, z1};
      capUv(x, y, uvf[k]);
    }
    // The back cap walks the same corners the other way round.
    for (int k = 0; k < 3; ++k) {
      const int j = idx[2 - k];
      const float x = xy[2 * j], y = xy[2 * j + 1];
      pb[k] = {x, y, z0};
      capUv(x, y, uvb[k]);
    }
    const V3 nf[3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    const V3 nb[3] = {{0, 0, -1}, {0, 0, -1}, {0, 0, -1}};
    Tri(group, pf, nf, uvf);
    Tri(group, pb, nb, uvb);
  }
  for (int i = 0; i < n; ++i) {
    const int j = (i + 1) % n;
    const V3 a{xy[2 * i], xy[2 * i + 1], z0}, b{xy[2 * j], xy[2 * j + 1], z0};
    const V3 c{xy[2 * j], xy[2 * j + 1], z1}, d{xy[2 * i], xy[2 * i + 1], z1};
    // Walking the outline counter-clockwise, the edge crossed with +z points outwards.
    Quad(group, a, b, c, d, sides);
  }
}

void MeshBuilder::Marker(int group, V3 a, V3 b, V3 c) {
  const V3 n = Normalised(Cross(b - a, c - a));
  const V3 p[3] = {a, b, c};
  const V3 nn[3] = {n, n, n};
  const float uv[3][2] = {{0, 0}, {1, 0}, {0, 1}};
  Tri(group, p, nn, uv);
}

int AddGroupWithMaterial(sbm::Mesh* mesh, const char* name, const char* texture, float r,
                         float g, float b, float emissive) {
  sbm::Material m;
  m.name = name;
  m.texture = texture ? texture : "";
  m.ambient[0] = 0.4f * r;
  m.ambient[1] = 0.4f * g;
  m.ambient[2] = 0.4f * b;
  m.diffuse[0] = r;
  m.diffuse[1] = g;
  m.diffuse[2] = b;
  for (int i = 0; i < 3; ++i) m.emissive[i] = emissive;
  const int material = mesh->AddMaterial(m);
  return mesh->AddGroup(name, material);
}

void WriteMesh(Output& out, const std::string& relPath, const sbm::Mesh& mesh) {
  const std::string why = sbm::Validate(mesh);
  if (!why.empty()) {
    std::fprintf(stderr, "basegen: %s: %s\n", relPath.c_str(), why.c_str());
    out.ok = false;
    return;
  }
  out.Write(relPath, sbm::Encode(mesh));
}

}  // namespace basegen
