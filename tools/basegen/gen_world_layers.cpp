// The layer models of one world, built in memory from its plan and ground mesh: the
// road and landscape with their linear companions, the physics surface, the map and
// foliage layers with their near-detail, shadow and reflection counterparts, grass,
// trees and water.
#include <algorithm>
#include <cmath>

#include "tools/basegen/gen_world.h"

namespace basegen {
namespace world {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kRoadTextureRepeat = 14.0f;  // road texture length along the road
constexpr float kLandscapeTile = 16.0f;

V3 Sub(const V3& a, const V3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 Cross(const V3& a, const V3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
V3 Unit(const V3& v) {
  const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return l > 1e-12f ? V3{v.x / l, v.y / l, v.z / l} : V3{0, 1, 0};
}

struct UV {
  float s, t;  // t from the bottom of the image, as GL sees it
};

UV Linear(const V3& p) { return {(p.x + kWorldLimit) / (2 * kWorldLimit), (p.z + kWorldLimit) / (2 * kWorldLimit)}; }

// Appends a triangle with its own three vertices.
void Tri(sbm::Mesh* m, int group, const V3 p[3], const V3 n[3], const UV uv[3]) {
  sbm::Triangle t;
  for (int k = 0; k < 3; ++k) {
    t.vertex[k] = m->AddVertex(p[k].x, p[k].y, p[k].z);
    t.normal[k][0] = n[k].x;
    t.normal[k][1] = n[k].y;
    t.normal[k][2] = n[k].z;
    t.s[k] = uv[k].s;
    t.t[k] = 1.0f - uv[k].t;
  }
  m->AddTriangle(group, t);
}

void FlatTri(sbm::Mesh* m, int group, V3 a, V3 b, V3 c, UV ua, UV ub, UV uc) {
  const V3 n = Unit(Cross(Sub(b, a), Sub(c, a)));
  const V3 p[3] = {a, b, c}, ns[3] = {n, n, n};
  const UV uv[3] = {ua, ub, uc};
  Tri(m, group, p, ns, uv);
}

void UpTri(sbm::Mesh* m, int group, V3 a, V3 b, V3 c, UV ua, UV ub, UV uc) {
  const V3 n = {0, 1, 0};
  const V3 p[3] = {a, b, c}, ns[3] = {n, n, n};
  const UV uv[3] = {ua, ub, uc};
  Tri(m, group, p, ns, uv);
}

sbm::Material Material(const char* name, const char* texture, const char* alpha = "") {
  sbm::Material mat;
  mat.name = name;
  mat.texture = texture;
  mat.alphaMap = alpha;
  mat.ambient[0] = mat.ambient[1] = mat.ambient[2] = 0.6f;
  mat.diffuse[0] = mat.diffuse[1] = mat.diffuse[2] = 0.9f;
  return mat;
}

struct Spot {
  float x, z, y;
};

// A random place whose road distance lies in [near, far] and whose ground is dry
// enough and not too steep; false after enough misses.
bool PickSpot(const WorldPlan& plan, Rng* rng, float near, float far, float minY, Spot* out,
              float reach = 1450.0f) {
  for (int tries = 0; tries < 60; ++tries) {
    float x, z;
    if (far < 60.0f) {
      // Close to the road: pick along the line, then to one side.
      const RoadSample& s = plan.road[rng->Next() % plan.road.size()];
      const float side = (rng->Next() & 1) ? 1.0f : -1.0f;
      const float off = rng->Range(near, far) * side;
      x = s.x + s.dz * off;
      z = s.z - s.dx * off;
    } else {
      x = rng->Range(-reach, reach);
      z = rng->Range(-reach, reach);
    }
    const float d = RoadDistance(plan, x, z);
    if (d < near || (far < 1e8f && d > far && far < 60.0f)) continue;
    const float y = GroundHeight(plan, x, z);
    if (y < minY || GroundNormal(plan, x, z).y < 0.85f) continue;
    *out = {x, z, y};
    return true;
  }
  return false;
}

void Bush(sbm::Mesh* m, int group, const Spot& at, float width, float height, float angle,
          float s0, float s1) {
  for (int q = 0; q < 2; ++q) {
    const float a = angle + q * kPi * 0.5f;
    const float dx = std::cos(a) * width * 0.5f, dz = std::sin(a) * width * 0.5f;
    const V3 bl = {at.x - dx, at.y - 0.15f, at.z - dz}, br = {at.x + dx, at.y - 0.15f, at.z + dz};
    const V3 tl = {bl.x, at.y + height, bl.z}, tr = {br.x, at.y + height, br.z};
    UpTri(m, group, bl, br, tr, {s0, 0}, {s1, 0}, {s1, 1});
    UpTri(m, group, bl, tr, tl, {s0, 0}, {s1, 1}, {s0, 1});
  }
}

void Rock(sbm::Mesh* m, int group, const Spot& at, float size, Rng* rng) {
  V3 ring[4];
  for (int k = 0; k < 4; ++k) {
    const float a = k * kPi * 0.5f + rng->Range(-0.3f, 0.3f);
    const float r = size * rng->Range(0.7f, 1.1f);
    ring[k] = {at.x + std::cos(a) * r, at.y + size * rng->Range(0.1f, 0.35f), at.z + std::sin(a) * r};
  }
  const V3 top = {at.x + rng->Range(-0.2f, 0.2f) * size, at.y + size * rng->Range(0.8f, 1.3f), at.z};
  const V3 bottom = {at.x, at.y - size * 0.6f, at.z};
  auto uv = [&](const V3& p) { return UV{(p.x + p.z) * 0.25f, p.y * 0.25f}; };
  for (int k = 0; k < 4; ++k) {
    const V3& a = ring[k];
    const V3& b = ring[(k + 1) % 4];
    FlatTri(m, group, top, b, a, uv(top), uv(b), uv(a));
    FlatTri(m, group, bottom, a, b, uv(bottom), uv(a), uv(b));
  }
}

// A box of half sizes (hx, hz) and height h turned by angle, optionally with a roof.
void Box(sbm::Mesh* m, int group, const Spot& at, float hx, float hz, float h, float angle,
         float roof) {
  const float c = std::cos(angle), s = std::sin(angle);
  auto corner = [&](float u, float v, float y) {
    return V3{at.x + u * c - v * s, y, at.z + u * s + v * c};
  };
  const float us[4] = {-hx, hx, hx, -hx}, vs[4] = {-hz, -hz, hz, hz};
  const float y0 = at.y - 0.3f, y1 = at.y + h;
  for (int k = 0; k < 4; ++k) {
    const int n = (k + 1) % 4;
    const V3 a = corner(us[k], vs[k], y0), b = corner(us[n], vs[n], y0);
    const V3 a1 = corner(us[k], vs[k], y1), b1 = corner(us[n], vs[n], y1);
    const float w = std::hypot(us[n] - us[k], vs[n] - vs[k]) * 0.25f, ht = (h + 0.3f) * 0.25f;
    FlatTri(m, group, a, a1, b1, {0, 0}, {0, ht}, {w, ht});
    FlatTri(m, group, a, b1, b, {0, 0}, {w, ht}, {w, 0});
  }
  const V3 apex = corner(0, 0, y1 + roof);
  if (roof <= 0) {
    FlatTri(m, group, corner(us[0], vs[0], y1), corner(us[3], vs[3], y1), corner(us[2], vs[2], y1),
            {0, 0}, {0, 1}, {1, 1});
    FlatTri(m, group, corner(us[0], vs[0], y1), corner(us[2], vs[2], y1), corner(us[1], vs[1], y1),
            {0, 0}, {1, 1}, {1, 0});
    return;
  }
  for (int k = 0; k < 4; ++k) {
    const int n = (k + 1) % 4;
    FlatTri(m, group, corner(us[k] * 1.15f, vs[k] * 1.15f, y1), apex,
            corner(us[n] * 1.15f, vs[n] * 1.15f, y1), {0, 0}, {0.5f, 1}, {1, 0});
  }
}

void Pebble(sbm::Mesh* m, int group, const Spot& at, float size, Rng* rng) {
  const float a = rng->Range(0.0f, 2 * kPi);
  V3 base[3];
  for (int k = 0; k < 3; ++k) {
    const float b = a + k * 2 * kPi / 3;
    base[k] = {at.x + std::cos(b) * size, at.y - 0.05f, at.z + std::sin(b) * size};
  }
  const V3 top = {at.x, at.y + size * 0.7f, at.z};
  for (int k = 0; k < 3; ++k)
    FlatTri(m, group, top, base[(k + 1) % 3], base[k], {0.5f, 1}, {1, 0}, {0, 0});
}

// The ribbon stands kRoadLift above the ground beside it. A wheel dropping off that
// edge, or climbing back onto it, would change its spring force by the whole lift in
// one step, a kick on one side of the lorry as large as what tips it at rest; so the
// physics layer carries a ramp on each side from the ribbon's edge down to the ground.
// Only the physics sees it: drawn, the road keeps its plain edge.
void PhysicsShoulders(const WorldPlan& plan, const RoadSample& a, const RoadSample& b, const V3 edge[4],
                      WorldMeshes* out) {
  const RoadSample* ends[2] = {&a, &b};
  V3 outer[4];
  for (int e = 0; e < 2; ++e) {
    const RoadSample& r = *ends[e];
    const float reach = kRoadHalfWidth + kShoulderWidth;
    outer[2 * e] = {r.x + r.dz * reach, 0.0f, r.z - r.dx * reach};
    outer[2 * e + 1] = {r.x - r.dz * reach, 0.0f, r.z + r.dx * reach};
    for (int k = 2 * e; k < 2 * e + 2; ++k)
      outer[k].y = GroundHeight(plan, outer[k].x, outer[k].z) - kShoulderFoot;
  }
  // The inner edge a little under the ribbon's, so the ribbon stays the top surface
  // on the road itself.
  V3 inner[4];
  for (int k = 0; k < 4; ++k) inner[k] = {edge[k].x, edge[k].y - kShoulderFoot, edge[k].z};
  const UV uv = {0, 0};
  for (int side = 0; side < 2; ++side) {
    const V3 quad[4] = {inner[side], outer[side], inner[2 + side], outer[2 + side]};
    const int tris[2][3] = {{0, 1, 3}, {0, 3, 2}};
    for (const auto& t : tris) {
      V3 q[3] = {quad[t[0]], quad[t[1]], quad[t[2]]};
      if (Cross(Sub(q[1], q[0]), Sub(q[2], q[0])).y < 0) std::swap(q[1], q[2]);
      FlatTri(&out->physic, 1, q[0], q[1], q[2], uv, uv, uv);
    }
  }
}

void RoadLayers(const WorldPlan& plan, WorldMeshes* out) {
  const int n = static_cast<int>(plan.road.size());
  const float repeats = std::max(1.0f, std::round(plan.length / kRoadTextureRepeat));
  for (sbm::Mesh* m : {&out->road, &out->roadLinear}) {
    m->AddMaterial(Material("road", "road.tga", "road_a.tga"));
    m->AddGroup("road", 0);
  }
  out->physic.AddGroup("road", -1);
  out->physic.AddGroup("grass", -1);
  out->physic.AddGroup("water", -1);
  for (int i = 0; i < n; ++i) {
    // The last quad runs back to sample 0 with its texture still running forwards.
    const RoadSample& a = plan.road[i];
    const RoadSample& b = plan.road[(i + 1) % n];
    const float sa = a.s, sb = i + 1 < n ? b.s : plan.length;
    V3 p[4];
    float tex[4];
    const RoadSample* ends[2] = {&a, &b};
    const float arcs[2] = {sa, sb};
    for (int e = 0; e < 2; ++e) {
      const RoadSample& r = *ends[e];
      p[2 * e] = {r.x + r.dz * kRoadHalfWidth, r.y, r.z - r.dx * kRoadHalfWidth};
      p[2 * e + 1] = {r.x - r.dz * kRoadHalfWidth, r.y, r.z + r.dx * kRoadHalfWidth};
      tex[e] = arcs[e] * repeats / plan.length;
    }
    const float grade = (b.y - a.y) / std::max(0.1f, sb - sa);
    const V3 up = Unit({-grade * a.dx, 1.0f, -grade * a.dz});
    const V3 ns[3] = {up, up, up};
    const UV uvQuad[4] = {{0, tex[0]}, {1, tex[0]}, {0, tex[1]}, {1, tex[1]}};
    const int tris[2][3] = {{0, 1, 3}, {0, 3, 2}};
    for (const auto& t : tris) {
      V3 q[3] = {p[t[0]], p[t[1]], p[t[2]]};
      UV u1[3] = {uvQuad[t[0]], uvQuad[t[1]], uvQuad[t[2]]};
      const V3 face = Cross(Sub(q[1], q[0]), Sub(q[2], q[0]));
      if (face.y < 0) {
        std::swap(q[1], q[2]);
        std::swap(u1[1], u1[2]);
      }
      const UV u2[3] = {Linear(q[0]), Linear(q[1]), Linear(q[2])};
      Tri(&out->road, 0, q, ns, u1);
      Tri(&out->roadLinear, 0, q, ns, u2);
      Tri(&out->physic, 0, q, ns, u1);
    }
    PhysicsShoulders(plan, a, b, p, out);
  }
}

enum GroundGroup { kGrassGround = 0, kDirtGround, kRockGround, kSandGround };

int GroundGroupOf(const WorldPlan& plan, const V3 p[3], const V3& c, const V3& normal) {
  // Dirt only where the whole triangle lies under the road and its edge: wider, the
  // cells' saw-tooth edges would show beside the road.
  bool under = true;
  for (int k = 0; k < 3; ++k) under = under && RoadDistance(plan, p[k].x, p[k].z) < 9.0f;
  if (under) return kDirtGround;
  if (normal.y < 0.82f) return kRockGround;
  for (const Lake& l : plan.lakes)
    if (c.y < 2.0f && std::hypot(c.x - l.x, c.z - l.z) < l.radius * 1.4f) return kSandGround;
  return kGrassGround;
}

void GroundLayers(const WorldPlan& plan, const GroundMesh& g, WorldMeshes* out) {
  for (sbm::Mesh* m : {&out->landscape, &out->landscapeLinear}) {
    m->AddMaterial(Material("grass", "grass.tga"));
    m->AddMaterial(Material("dirt", "dirt.tga"));
    m->AddMaterial(Material("rock", "rock.tga"));
    m->AddMaterial(Material("sand", "sand.tga"));
    for (int k = 0; k < 4; ++k) m->AddGroup(m->materials[k].name, k);
    for (const V3& v : g.vertices) m->AddVertex(v.x, v.y, v.z);
  }
  // Grass kinds by world: mixed meadow, lush lake shores, dry steppe.
  const int grassGroups[kWorldCount][2] = {{0, 2}, {4, 9}, {8, 11}};
  for (int k = 0; k < 12; ++k) out->grass.AddGroup("grass" + std::to_string(k), -1);

  for (size_t t = 0; t + 2 < g.triangles.size(); t += 3) {
    const uint32_t id[3] = {g.triangles[t], g.triangles[t + 1], g.triangles[t + 2]};
    const V3 p[3] = {g.vertices[id[0]], g.vertices[id[1]], g.vertices[id[2]]};
    const V3 n[3] = {g.normals[id[0]], g.normals[id[1]], g.normals[id[2]]};
    const V3 c = {(p[0].x + p[1].x + p[2].x) / 3, (p[0].y + p[1].y + p[2].y) / 3,
                  (p[0].z + p[1].z + p[2].z) / 3};
    const V3 face = Unit(Cross(Sub(p[1], p[0]), Sub(p[2], p[0])));
    const int group = GroundGroupOf(plan, p, c, face);
    sbm::Triangle tri, lin;
    for (int k = 0; k < 3; ++k) {
      tri.vertex[k] = lin.vertex[k] = static_cast<uint16_t>(id[k]);
      const float nn[3] = {n[k].x, n[k].y, n[k].z};
      for (int a = 0; a < 3; ++a) tri.normal[k][a] = lin.normal[k][a] = nn[a];
      tri.s[k] = p[k].x / kLandscapeTile;
      tri.t[k] = 1.0f - p[k].z / kLandscapeTile;
      const UV l = Linear(p[k]);
      lin.s[k] = l.s;
      lin.t[k] = 1.0f - l.t;
    }
    out->landscape.AddTriangle(group, tri);
    out->landscapeLinear.AddTriangle(group, lin);

    const float d = RoadDistance(plan, c.x, c.z);
    if (d > 11.0f && d < 22.0f && group != kRockGround && c.y > 0.5f) {
      const bool second = std::sin(c.x * 0.02f + c.z * 0.017f) > 0.3f;
      const UV uv[3] = {{0, 0}, {1, 0}, {0, 1}};
      Tri(&out->grass, grassGroups[plan.index][second ? 1 : 0], p, n, uv);
    }
    if (plan.index == 1 && c.y > -1.0f && c.y < 12.0f) {
      bool nearLake = false;
      for (const Lake& l : plan.lakes)
        nearLake = nearLake || std::hypot(c.x - l.x, c.z - l.z) < l.radius * 1.2f + 50.0f;
      if (nearLake) {
        UV uv[3];
        for (int k = 0; k < 3; ++k) uv[k] = {p[k].x / kLandscapeTile, p[k].z / kLandscapeTile};
        Tri(&out->reflections, 1, p, n, uv);
      }
    }
  }
}

// The physics ground: grass above the water line, water below it.
void PhysicsGround(const GroundMesh& g, WorldMeshes* out) {
  const uint16_t base = static_cast<uint16_t>(out->physic.vertices.size());
  for (const V3& v : g.vertices) out->physic.AddVertex(v.x, v.y, v.z);
  for (size_t t = 0; t + 2 < g.triangles.size(); t += 3) {
    sbm::Triangle tri;
    float cy = 0;
    for (int k = 0; k < 3; ++k) {
      const uint32_t id = g.triangles[t + k];
      tri.vertex[k] = static_cast<uint16_t>(base + id);
      tri.normal[k][0] = g.normals[id].x;
      tri.normal[k][1] = g.normals[id].y;
      tri.normal[k][2] = g.normals[id].z;
      tri.s[k] = g.vertices[id].x / kLandscapeTile;
      tri.t[k] = 1.0f - g.vertices[id].z / kLandscapeTile;
      cy += g.vertices[id].y / 3;
    }
    out->physic.AddTriangle(cy < 0.0f ? 2 : 1, tri);
  }
}

void MapAndFoliage(const WorldPlan& plan, WorldMeshes* out) {
  Rng rng(0xF011A6E0ull + 131ull * static_cast<uint64_t>(plan.index));
  const sbm::Material mapTable[2] = {Material("rock", "rock.tga"), Material("wood", "wood.tga")};
  const sbm::Material foliageTable[3] = {Material("bush", "bush.tga"), Material("shore", "grass.tga"),
                                         Material("rockshadow", "rock.tga")};
  for (sbm::Mesh* m : {&out->mainMap, &out->addMap, &out->addMap2}) {
    for (const sbm::Material& mat : mapTable) m->AddMaterial(mat);
    m->AddGroup("rock", 0);
    m->AddGroup("wood", 1);
  }
  for (sbm::Mesh* m : {&out->mainTransparency, &out->addTransparency, &out->addTransparency2,
                       &out->shadows, &out->reflections})
    for (const sbm::Material& mat : foliageTable) m->AddMaterial(mat);
  out->mainTransparency.AddGroup("bush", 0);
  out->addTransparency.AddGroup("bush", 0);
  out->addTransparency2.AddGroup("tuft", 0);
  out->shadows.AddGroup("foliage", 0);
  out->shadows.AddGroup("solid", 2);
  out->reflections.AddGroup("foliage", 0);
  if (plan.index == 1) out->reflections.AddGroup("shore", 1);

  const int w = plan.index;
  const int rocks = w == 0 ? 260 : w == 1 ? 120 : 90;
  const int huts = w == 0 ? 10 : w == 1 ? 14 : 8;
  const int bushes = w == 0 ? 420 : w == 1 ? 520 : 200;
  Spot at;
  for (int i = 0; i < rocks; ++i)
    if (PickSpot(plan, &rng, 24.0f, 1e9f, 0.5f, &at)) {
      const float size = rng.Range(0.8f, w == 0 ? 4.5f : 2.5f);
      Rock(&out->mainMap, 0, at, size, &rng);
    }
  for (int i = 0; i < huts; ++i)
    if (PickSpot(plan, &rng, 45.0f, 1e9f, 1.0f, &at, 900.0f)) {
      const float angle = rng.Range(0.0f, kPi), hx = rng.Range(2.5f, 4.0f), hz = rng.Range(2.0f, 3.0f);
      Box(&out->mainMap, 1, at, hx, hz, 2.8f, angle, 1.8f);
      Box(&out->shadows, 1, at, hx, hz, 2.8f, angle, 1.8f);
    }
  for (int i = 0; i < bushes; ++i)
    if (PickSpot(plan, &rng, 20.0f, 1e9f, 0.8f, &at, 1200.0f)) {
      const float width = rng.Range(2.0f, 4.5f), height = rng.Range(1.4f, 3.2f);
      const float angle = rng.Range(0.0f, kPi);
      Bush(&out->mainTransparency, 0, at, width, height, angle, 0.0f, 0.5f);
      Bush(&out->shadows, 0, at, width, height, angle, 0.0f, 0.5f);
      // Only what stands by a lake can show in its mirror.
      bool byLake = false;
      for (const Lake& l : plan.lakes) byLake = byLake || std::hypot(at.x - l.x, at.z - l.z) < l.radius * 1.2f + 80.0f;
      if (byLake) Bush(&out->reflections, 0, at, width, height, angle, 0.0f, 0.5f);
    }
  // Near detail: stones and marker posts by the road, small bushes and tufts.
  for (int i = 0; i < 500; ++i)
    if (PickSpot(plan, &rng, 9.0f, i % 2 ? 22.0f : 40.0f, 0.3f, &at))
      Pebble(i % 2 ? &out->addMap : &out->addMap2, 0, at, rng.Range(0.25f, 0.8f), &rng);
  const int n = static_cast<int>(plan.road.size());
  for (int i = 0; i < n; i += 14) {
    const RoadSample& s = plan.road[i];
    const float side = (i / 14) % 2 ? 1.0f : -1.0f;
    const Spot post = {s.x + s.dz * 8.6f * side, s.z - s.dx * 8.6f * side, 0};
    const Spot on = {post.x, post.z, GroundHeight(plan, post.x, post.z)};
    Box(&out->addMap, 1, on, 0.12f, 0.12f, 1.1f, std::atan2(s.dz, s.dx), 0.0f);
    const Spot cap = {on.x, on.z, on.y + 1.1f};
    Pebble(&out->addMap2, 1, cap, 0.17f, &rng);
  }
  for (int i = 0; i < 600; ++i)
    if (PickSpot(plan, &rng, 10.0f, 28.0f, 0.5f, &at)) {
      const float angle = rng.Range(0.0f, kPi);
      if (i % 2) {
        Bush(&out->addTransparency, 0, at, rng.Range(0.8f, 1.6f), rng.Range(0.6f, 1.2f), angle, 0.0f, 0.5f);
      } else {
        Bush(&out->addTransparency2, 0, at, rng.Range(0.6f, 1.2f), rng.Range(0.5f, 1.0f), angle, 0.5f, 1.0f);
      }
    }
}

// Tree clusters: each opens with an anchor triangle (first edge the cluster's size,
// third corner its centre) followed by one small triangle per tree.
void Trees(const WorldPlan& plan, WorldMeshes* out) {
  Rng rng(0x7EE50000ull + 17ull * static_cast<uint64_t>(plan.index));
  const int kindsByWorld[kWorldCount][4] = {{0, 1, 2, 3}, {2, 3, 4, 5}, {6, 7, 6, 7}};
  const int clusters = plan.index == 0 ? 70 : plan.index == 1 ? 45 : 30;
  for (int g = 0; g < 8; ++g) out->trees.AddGroup("trees" + std::to_string(g), -1);
  Spot centre;
  for (int c = 0; c < clusters; ++c) {
    if (!PickSpot(plan, &rng, 50.0f, 1e9f, 1.5f, &centre, 1300.0f)) continue;
    const int group = kindsByWorld[plan.index][rng.Next() % 4];
    const float radius = rng.Range(15.0f, 55.0f);
    const V3 a = {centre.x - radius * 0.5f, centre.y, centre.z - 1.0f};
    const V3 b = {centre.x + radius * 0.5f, centre.y, centre.z - 1.0f};
    const V3 anchor = {centre.x, centre.y, centre.z};
    UpTri(&out->trees, group, a, b, anchor, {0, 0}, {1, 0}, {0.5f, 1});
    const int count = static_cast<int>(radius * rng.Range(0.6f, 1.0f));
    for (int k = 0; k < count; ++k) {
      const float ang = rng.Range(0.0f, 2 * kPi), r = radius * std::sqrt(rng.Unit());
      const float x = centre.x + std::cos(ang) * r, z = centre.z + std::sin(ang) * r;
      if (RoadDistance(plan, x, z) < 35.0f) continue;
      const float y = GroundHeight(plan, x, z);
      if (y < 1.0f || GroundNormal(plan, x, z).y < 0.8f) continue;
      UpTri(&out->trees, group, {x + 0.3f, y, z}, {x - 0.15f, y, z + 0.26f},
            {x - 0.15f, y, z - 0.26f}, {0, 0}, {1, 0}, {0.5f, 1});
    }
  }
}

void Water(const WorldPlan& plan, WorldMeshes* out) {
  if (plan.lakes.empty()) return;
  out->water.AddMaterial(Material("water", "water.tga"));
  out->water.AddGroup("water", 0);
  for (const Lake& l : plan.lakes) {
    const float r = l.radius * 1.25f;
    const int cells = 4;
    for (int j = 0; j < cells; ++j)
      for (int i = 0; i < cells; ++i) {
        const float x0 = l.x - r + 2 * r * i / cells, x1 = l.x - r + 2 * r * (i + 1) / cells;
        const float z0 = l.z - r + 2 * r * j / cells, z1 = l.z - r + 2 * r * (j + 1) / cells;
        auto uv = [](float x, float z) { return UV{x / 40.0f, z / 40.0f}; };
        UpTri(&out->water, 0, {x0, 0, z0}, {x0, 0, z1}, {x1, 0, z1}, uv(x0, z0), uv(x0, z1), uv(x1, z1));
        UpTri(&out->water, 0, {x0, 0, z0}, {x1, 0, z1}, {x1, 0, z0}, uv(x0, z0), uv(x1, z1), uv(x1, z0));
      }
  }
}

}  // namespace

void MakeWorldMeshes(const WorldPlan& plan, const GroundMesh& ground, const GroundMesh& physics,
                     WorldMeshes* out) {
  *out = WorldMeshes();
  RoadLayers(plan, out);
  MapAndFoliage(plan, out);
  GroundLayers(plan, ground, out);
  PhysicsGround(physics, out);
  Trees(plan, out);
  Water(plan, out);
}

}  // namespace world
}  // namespace basegen
