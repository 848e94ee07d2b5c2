// The roadside object parts base/objects/object{type}part{part}.sbm and the colour and
// relief atlas (tex21, tex14) they are drawn with. Each part is centred on its body's
// origin and fills the box the physics gives that part, so what the player hits is
// what the player sees.
#include <cmath>
#include <cstdio>
#include <string>

#include "gfx/milkshape.h"
#include "tools/basegen/gen_cars_layout.h"
#include "tools/basegen/gen_textures_image.h"
#include "tools/basegen/mesh_builder.h"

namespace basegen {

namespace {

constexpr int kObjectTypes = 18;
constexpr int kPartCounts[kObjectTypes] = {1, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 3, 3, 3, 1};

struct Size {
  float x, y, z;
};

// The physics box of part j of type i (full sizes).
Size PartBox(int type, int part) {
  if (type <= 2 || (type >= 14 && type <= 16)) return {0.96f, 1.64f, 0.96f};
  if (type >= 3 && type <= 6) {
    if (part == 0) return {2.64f, 1.0f, 2.64f};
    if (type == 4) return {2.3f, 2.3f, 1.0f};
    if (type == 5) return {2.64f, 2.64f, 1.0f};
    return {2.64f, 1.0f, 2.64f};
  }
  if (type >= 7 && type <= 9) return {5.0f, 1.36f, 0.7f};
  if (type >= 10 && type <= 13) return {4.6f, 1.4f, 0.8f};
  return {1.15f, 6.0f, 1.15f};
}

// Cells of the 4 x 4 atlas.
enum Cell {
  kRedDrum, kBlueDrum, kStripedDrum, kConcrete,
  kPlanks, kCrate, kSign, kBarrierStripes,
  kFenceWood, kRailing, kHedge, kHay,
  kPylon, kDarkMetal, kRubber, kChevrons,
};

UvRect CellUv(int cell) {
  const float u = (cell % 4) * 0.25f, v = (cell / 4) * 0.25f;
  // A texel of margin keeps neighbouring cells from bleeding in under filtering.
  const float m = 1.0f / 512.0f;
  return {u + m, v + m, u + 0.25f - m, v + 0.25f - m};
}

void Drum(MeshBuilder* b, int g, Size s, int cell) {
  b->Cylinder(g, 1, {0, 0, 0}, s.x / 2, s.y, 16, CellUv(cell), CellUv(kDarkMetal));
}

void BuildPart(int type, int part, sbm::Mesh* mesh) {
  const int g = AddGroupWithMaterial(mesh, "object", "", 0.8f, 0.8f, 0.8f);
  MeshBuilder b(mesh);
  const Size s = PartBox(type, part);
  const V3 full{s.x, s.y, s.z};
  switch (type) {
    case 0: Drum(&b, g, s, kRedDrum); break;
    case 1: Drum(&b, g, s, kBlueDrum); break;
    case 2: Drum(&b, g, s, kStripedDrum); break;
    case 3: case 4: case 5: case 6:
      if (part == 0) {
        // A concrete footing with a chamfer-like lip.
        b.Box(g, {0, -0.05f, 0}, {s.x, s.y - 0.1f, s.z}, CellUv(kConcrete));
        // Its underside would lie on the footing's top, hidden and flickering.
        b.Box(g, {0, s.y / 2 - 0.05f, 0}, {s.x - 0.2f, 0.1f, s.z - 0.2f}, CellUv(kConcrete), kAllFaces & ~kFaceNegY);
      } else if (type == 3) {
        b.Box(g, {0, 0, 0}, full, CellUv(kHay));
      } else if (type == 4) {
        b.Box(g, {0, 0, 0}, full, CellUv(kCrate));
      } else if (type == 5) {
        // A sign panel on two legs, legs and board together fill the part's box.
        b.Box(g, {0, 0.3f, 0}, {s.x, s.y - 0.6f, s.z * 0.3f}, CellUv(kSign));
        b.Box(g, {-s.x / 2 + 0.2f, 0, 0}, {0.25f, s.y, s.z}, CellUv(kDarkMetal));
        b.Box(g, {s.x / 2 - 0.2f, 0, 0}, {0.25f, s.y, s.z}, CellUv(kDarkMetal));
      } else {
        b.Box(g, {0, 0, 0}, full, CellUv(kPlanks));
      }
      break;
    case 7: b.Box(g, {0, 0, 0}, full, CellUv(kBarrierStripes)); break;
    case 8: {
      // A concrete road barrier: wide foot, narrow top.
      const float hx = s.x / 2, hz = s.z / 2, hy = s.y / 2;
      b.Box(g, {0, -hy + 0.2f, 0}, {s.x, 0.4f, s.z}, CellUv(kConcrete));
      b.Box(g, {0, 0.2f, 0}, {s.x, s.y - 0.4f, s.z * 0.45f}, CellUv(kConcrete));
      b.Quad(g, {hx, -hy + 0.4f, hz}, {-hx, -hy + 0.4f, hz}, {-hx, 0.0f, s.z * 0.225f},
             {hx, 0.0f, s.z * 0.225f}, CellUv(kConcrete));
      b.Quad(g, {-hx, -hy + 0.4f, -hz}, {hx, -hy + 0.4f, -hz}, {hx, 0.0f, -s.z * 0.225f},
             {-hx, 0.0f, -s.z * 0.225f}, CellUv(kConcrete));
      break;
    }
    case 9: b.Box(g, {0, 0, 0}, full, CellUv(kChevrons)); break;
    case 10: case 11: {
      // Fence section: posts at both ends and rails between them.
      const int cell = type == 10 ? kFenceWood : kRailing;
      for (float x : {-s.x / 2 + 0.1f, s.x / 2 - 0.1f, 0.0f})
        b.Box(g, {x, 0, 0}, {0.2f, s.y, s.z * 0.5f}, CellUv(cell));
      for (float y : {-0.25f, 0.35f}) b.Box(g, {0, y, 0}, {s.x, 0.25f, s.z * 0.3f}, CellUv(cell));
      b.Box(g, {0, -s.y / 2 + 0.05f, 0}, {s.x, 0.1f, s.z}, CellUv(cell));
      break;
    }
    case 12: b.Box(g, {0, 0, 0}, full, CellUv(kHedge)); break;
    case 13: b.Box(g, {0, 0, 0}, full, CellUv(kHay)); break;
    case 14: Drum(&b, g, s, kStripedDrum); break;
    case 15: {
      // A stack of old tyres.
      for (int i = 0; i < 4; ++i)
        b.Cylinder(g, 1, {0, -s.y / 2 + 0.205f + 0.41f * i, 0}, s.x / 2, 0.4f, 14, CellUv(kRubber), CellUv(kRubber));
      break;
    }
    case 16: b.Box(g, {0, 0, 0}, {s.x, s.y, s.z}, CellUv(kCrate)); break;
    default: {
      // A striped pylon with a lamp on top.
      b.Cylinder(g, 1, {0, -0.25f, 0}, s.x * 0.35f, s.y - 0.5f, 12, CellUv(kPylon), CellUv(kDarkMetal));
      b.Box(g, {0, s.y / 2 - 0.25f, 0}, {s.x, 0.5f, s.z}, CellUv(kDarkMetal));
      break;
    }
  }
}

std::string PartPath(int type, int part) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "objects/object%dpart%d.sbm", type, part);
  return buf;
}

void CellRect(Image* im, int cell, float x0, float y0, float x1, float y1, Rgba c) {
  const float ox = (cell % 4) * 128.0f, oy = (cell / 4) * 128.0f;
  im->Rect(ox + x0, oy + y0, ox + x1, oy + y1, c);
}

}  // namespace

void PaintObjectAtlas(Image* im) {
  const Rgba red{0.72f, 0.12f, 0.08f, 1}, blue{0.12f, 0.25f, 0.6f, 1}, white{0.92f, 0.92f, 0.9f, 1};
  const Rgba orange{0.95f, 0.45f, 0.08f, 1}, grey{0.6f, 0.6f, 0.58f, 1}, dark{0.15f, 0.15f, 0.16f, 1};
  const Rgba wood{0.55f, 0.38f, 0.2f, 1}, woodDark{0.38f, 0.25f, 0.12f, 1};
  auto hoops = [&](int cell, Rgba base, Rgba band) {
    CellRect(im, cell, 0, 0, 128, 128, base);
    for (float y : {20.0f, 64.0f, 108.0f}) CellRect(im, cell, 0, y - 4, 128, y + 4, band);
  };
  hoops(kRedDrum, red, {0.45f, 0.08f, 0.05f, 1});
  hoops(kBlueDrum, blue, {0.08f, 0.15f, 0.4f, 1});
  for (int i = 0; i < 4; ++i) CellRect(im, kStripedDrum, 0, i * 32.0f, 128, i * 32 + 16.0f, orange),
                              CellRect(im, kStripedDrum, 0, i * 32 + 16.0f, 128, i * 32 + 32.0f, white);
  CellRect(im, kConcrete, 0, 0, 128, 128, grey);
  for (int i = 0; i < 8; ++i) CellRect(im, kPlanks, 0, i * 16.0f, 128, i * 16 + 14.0f, wood),
                              CellRect(im, kPlanks, 0, i * 16 + 14.0f, 128, i * 16 + 16.0f, woodDark);
  CellRect(im, kCrate, 0, 0, 128, 128, wood);
  CellRect(im, kCrate, 0, 0, 128, 12, woodDark);
  CellRect(im, kCrate, 0, 116, 128, 128, woodDark);
  CellRect(im, kCrate, 0, 0, 12, 128, woodDark);
  CellRect(im, kCrate, 116, 0, 128, 128, woodDark);
  {
    const float ox = (kCrate % 4) * 128.0f, oy = (kCrate / 4) * 128.0f;
    im->Line(ox + 8, oy + 8, ox + 120, oy + 120, 10, woodDark);
  }
  CellRect(im, kSign, 0, 0, 128, 128, red);
  CellRect(im, kSign, 10, 10, 118, 118, white);
  {
    const float ox = (kSign % 4) * 128.0f, oy = (kSign / 4) * 128.0f;
    im->Polygon({ox + 24, oy + 64, ox + 64, oy + 100, ox + 64, oy + 78, ox + 104, oy + 78, ox + 104, oy + 50,
                 ox + 64, oy + 50, ox + 64, oy + 28}, dark);
  }
  for (int i = 0; i < 8; ++i) CellRect(im, kBarrierStripes, i * 16.0f, 0, i * 16 + 8.0f, 128, red),
                              CellRect(im, kBarrierStripes, i * 16 + 8.0f, 0, i * 16 + 16.0f, 128, white);
  CellRect(im, kFenceWood, 0, 0, 128, 128, woodDark);
  for (int i = 0; i < 4; ++i) CellRect(im, kFenceWood, i * 32 + 2.0f, 0, i * 32 + 30.0f, 128, wood);
  CellRect(im, kRailing, 0, 0, 128, 128, {0.7f, 0.72f, 0.75f, 1});
  CellRect(im, kRailing, 0, 60, 128, 68, {0.45f, 0.47f, 0.5f, 1});
  CellRect(im, kHedge, 0, 0, 128, 128, {0.16f, 0.36f, 0.12f, 1});
  CellRect(im, kHay, 0, 0, 128, 128, {0.82f, 0.7f, 0.32f, 1});
  for (int i = 0; i < 5; ++i) CellRect(im, kPylon, 0, i * 25.6f, 128, i * 25.6f + 12.8f, orange),
                              CellRect(im, kPylon, 0, i * 25.6f + 12.8f, 128, i * 25.6f + 25.6f, white);
  CellRect(im, kDarkMetal, 0, 0, 128, 128, {0.25f, 0.26f, 0.28f, 1});
  CellRect(im, kRubber, 0, 0, 128, 128, {0.07f, 0.07f, 0.07f, 1});
  for (int i = 0; i < 8; ++i) CellRect(im, kRubber, i * 16.0f, 0, i * 16 + 4.0f, 128, {0.14f, 0.14f, 0.14f, 1});
  CellRect(im, kChevrons, 0, 0, 128, 128, white);
  {
    const float ox = (kChevrons % 4) * 128.0f, oy = (kChevrons / 4) * 128.0f;
    for (int i = 0; i < 3; ++i)
      im->Polygon({ox + 10 + 38.0f * i, oy + 10, ox + 30 + 38.0f * i, oy + 10, ox + 50 + 38.0f * i, oy + 64,
                   ox + 30 + 38.0f * i, oy + 118, ox + 10 + 38.0f * i, oy + 118, ox + 30 + 38.0f * i, oy + 64},
                  blue);
  }
  Rng rng(21);
  im->Grain(rng, 0.03f);
}

void PaintObjectNormals(Image* im) {
  // Flat relief with a slight seam at every cell edge (the atlas is twice as wide).
  for (int y = 0; y < im->height(); ++y)
    for (int x = 0; x < im->width(); ++x) {
      const int cx = x % 64, cy = y % 64;
      float nx = 0, ny = 0;
      if (cx < 2) nx = -0.3f;
      if (cx > 61) nx = 0.3f;
      if (cy < 2) ny = -0.3f;
      if (cy > 61) ny = 0.3f;
      im->Set(x, y, {0.5f + 0.5f * nx, 0.5f + 0.5f * ny, 0.95f, 1});
    }
}

void GenerateObjects(Output& out) {
  for (int type = 0; type < kObjectTypes; ++type)
    for (int part = 0; part < kPartCounts[type]; ++part) {
      sbm::Mesh mesh;
      BuildPart(type, part, &mesh);
      out.Write(PartPath(type, part), sbm::Encode(mesh));
    }
}

void CheckObjects(const std::string& root, std::vector<std::string>* problems) {
  for (int type = 0; type < kObjectTypes; ++type)
    for (int part = 0; part < kPartCounts[type]; ++part) {
      const std::string rel = PartPath(type, part);
      MilkshapeModel m;
      const std::string why = CheckModelFile(root, rel, true, "", &m);
      if (!why.empty()) {
        problems->push_back(why);
        continue;
      }
      // Centred on the body and inside its box (a hair of slack for rounding).
      const Size s = PartBox(type, part);
      float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
      for (int v = 0; v < m.vertexCount; ++v) {
        const float p[3] = {m.vertices[v].x, m.vertices[v].y, m.vertices[v].z};
        for (int k = 0; k < 3; ++k) {
          lo[k] = std::fmin(lo[k], p[k]);
          hi[k] = std::fmax(hi[k], p[k]);
        }
      }
      const float size[3] = {s.x, s.y, s.z};
      for (int k = 0; k < 3; ++k) {
        if (lo[k] < -size[k] / 2 - 0.01f || hi[k] > size[k] / 2 + 0.01f)
          problems->push_back(rel + " reaches outside its physics box");
        if (hi[k] - lo[k] < 0.8f * size[k]) problems->push_back(rel + " does not fill its physics box");
        if (std::fabs(lo[k] + hi[k]) > 0.02f * size[k] + 0.01f) problems->push_back(rel + " is not centred on its body");
      }
    }
}

}  // namespace basegen
