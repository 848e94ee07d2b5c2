// The garage the menus show the player's lorry in: a walled yard open to the sky, the
// car on show at the origin on a concrete floor 1.0 below the body origin (where the
// wheels touch), props along the walls and fencing in the alpha-tested pass. Its own
// ten scene textures (sky, horizon, splash atlases and the rest) sit beside it.
#include <cmath>
#include <cstdio>
#include <string>

#include "gfx/milkshape.h"
#include "tools/basegen/gen_textures_image.h"
#include "tools/basegen/mesh_builder.h"

namespace basegen {

namespace {

constexpr float kFloorY = -1.0f;
constexpr float kYardHalf = 21.0f;   // walls stand this far from the car
constexpr float kWallHeight = 7.0f;
constexpr float kPi = 3.14159265f;

// Cells of props.tga (2 x 2).
constexpr UvRect kPropMetal{0.0f, 0.5f, 0.5f, 1.0f};
constexpr UvRect kPropRubber{0.5f, 0.5f, 1.0f, 1.0f};
constexpr UvRect kPropWood{0.0f, 0.0f, 0.5f, 0.5f};
constexpr UvRect kPropPaint{0.5f, 0.0f, 1.0f, 0.5f};

sbm::Mesh BuildGround() {
  sbm::Mesh m;
  const int g = AddGroupWithMaterial(&m, "floor", "floor.tga", 0.8f, 0.8f, 0.8f);
  const int ring = AddGroupWithMaterial(&m, "plinth", "props.tga", 0.9f, 0.9f, 0.9f);
  MeshBuilder b(&m);
  // A grid of quads rather than one, so per-vertex lighting and fog vary over it.
  const int n = 12;
  const float size = 2 * kYardHalf + 8, step = size / n, tile = 4.0f;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const float x0 = -size / 2 + i * step, z0 = -size / 2 + j * step, x1 = x0 + step, z1 = z0 + step;
      b.Quad(g, {x0, kFloorY, z1}, {x1, kFloorY, z1}, {x1, kFloorY, z0}, {x0, kFloorY, z0},
             {x0 / tile, -z1 / tile, x1 / tile, -z0 / tile});
    }
  // The display plinth ring round the car, just proud of the floor.
  const int seg = 48;
  for (int k = 0; k < seg; ++k) {
    const float a0 = 2 * kPi * k / seg, a1 = 2 * kPi * (k + 1) / seg;
    const float r0 = 5.6f, r1 = 6.0f, y = kFloorY + 0.01f;
    b.Quad(ring, {r1 * std::cos(a0), y, r1 * std::sin(a0)}, {r0 * std::cos(a0), y, r0 * std::sin(a0)},
           {r0 * std::cos(a1), y, r0 * std::sin(a1)}, {r1 * std::cos(a1), y, r1 * std::sin(a1)},
           {0.55f, 0.235f, 0.95f, 0.27f});  // the yellow band of the paint cell
  }
  return m;
}

sbm::Mesh BuildWalls() {
  sbm::Mesh m;
  const int walls = AddGroupWithMaterial(&m, "walls", "wall.tga", 0.85f, 0.85f, 0.85f);
  const int steel = AddGroupWithMaterial(&m, "steel", "steel.tga", 0.7f, 0.7f, 0.72f);
  MeshBuilder b(&m);
  b.SetTiling(3.5f);
  const float cy = kFloorY + kWallHeight / 2, t = 0.5f;
  // Three walls and the front one split by a wide gate, all without a roof.
  b.Box(walls, {0, cy, kYardHalf}, {2 * kYardHalf + t, kWallHeight, t}, {});
  b.Box(walls, {kYardHalf, cy, 0}, {t, kWallHeight, 2 * kYardHalf}, {});
  b.Box(walls, {-kYardHalf, cy, 0}, {t, kWallHeight, 2 * kYardHalf}, {});
  b.Box(walls, {-13.5f, cy, -kYardHalf}, {15.0f, kWallHeight, t}, {});
  b.Box(walls, {13.5f, cy, -kYardHalf}, {15.0f, kWallHeight, t}, {});
  b.SetTiling(2.0f);
  // Pillars and open roof trusses.
  for (float x : {-kYardHalf + 0.6f, -7.0f, 7.0f, kYardHalf - 0.6f})
    for (float z : {-kYardHalf + 0.6f, kYardHalf - 0.6f})
      b.Box(steel, {x, kFloorY + 4.0f, z}, {0.6f, 8.0f, 0.6f}, {});
  for (float x : {-7.0f, 7.0f}) {
    b.Box(steel, {x, kFloorY + 7.8f, 0}, {0.4f, 0.4f, 2 * kYardHalf}, {});
    b.Box(steel, {x, kFloorY + 8.8f, 0}, {0.25f, 0.25f, 2 * kYardHalf}, {});
    for (int k = -4; k <= 4; ++k) b.Box(steel, {x, kFloorY + 8.3f, k * 4.5f}, {0.2f, 1.0f, 0.2f}, {});
  }
  b.Box(steel, {0, kFloorY + 7.8f, kYardHalf - 0.6f}, {2 * kYardHalf, 0.4f, 0.4f}, {});
  return m;
}

void TyreStack(MeshBuilder& b, int g, float x, float z, int count) {
  for (int i = 0; i < count; ++i)
    b.Cylinder(g, 1, {x, kFloorY + 0.18f + 0.36f * i, z}, 0.6f, 0.34f, 16, kPropRubber, kPropRubber);
}

sbm::Mesh BuildSpecial() {
  sbm::Mesh m;
  const int g = AddGroupWithMaterial(&m, "props", "props.tga", 0.8f, 0.8f, 0.8f);
  MeshBuilder b(&m);
  TyreStack(b, g, 17.0f, 17.5f, 5);
  TyreStack(b, g, 15.6f, 18.2f, 3);
  TyreStack(b, g, -17.5f, -15.0f, 4);
  // Oil drums.
  for (int i = 0; i < 4; ++i)
    b.Cylinder(g, 1, {-18.5f + 1.1f * i, kFloorY + 0.45f, 18.8f}, 0.45f, 0.9f, 16, kPropPaint, kPropMetal);
  // Workbench along the right wall and a tool cabinet.
  b.Box(g, {19.6f, kFloorY + 0.95f, 2.0f}, {1.6f, 0.12f, 6.0f}, kPropWood);
  for (float z : {-0.8f, 4.8f}) b.Box(g, {19.6f, kFloorY + 0.45f, z}, {1.4f, 0.9f, 0.15f}, kPropMetal);
  b.Box(g, {20.0f, kFloorY + 1.2f, -5.0f}, {0.9f, 2.4f, 2.0f}, kPropPaint);
  // Shelving with crates on the back wall.
  for (float y : {0.2f, 1.5f, 2.8f}) b.Box(g, {-6.0f, kFloorY + y, 20.1f}, {9.0f, 0.1f, 1.2f}, kPropMetal);
  for (int i = 0; i < 6; ++i)
    b.Box(g, {-9.5f + 1.4f * i, kFloorY + 0.75f + 1.3f * (i % 3), 20.1f}, {1.0f, 1.0f, 1.0f}, kPropWood);
  // A trolley jack by the plinth.
  b.Box(g, {-7.5f, kFloorY + 0.15f, -3.0f}, {1.4f, 0.3f, 0.5f}, kPropPaint);
  b.Box(g, {-8.6f, kFloorY + 0.6f, -3.0f}, {1.2f, 0.08f, 0.08f}, kPropMetal);
  return m;
}

sbm::Mesh BuildTransparency() {
  sbm::Mesh m;
  const int g = AddGroupWithMaterial(&m, "fence", "fence.tga", 0.8f, 0.8f, 0.8f);
  MeshBuilder b(&m);
  // Mesh fencing above the side walls and across the gate's upper part.
  const float y0 = kFloorY + kWallHeight, y1 = y0 + 2.0f;
  for (float side : {1.0f, -1.0f}) {
    const float x = side * (kYardHalf - 0.3f);
    b.DoubleQuad(g, {x, y0, -kYardHalf}, {x, y0, kYardHalf}, {x, y1, kYardHalf}, {x, y1, -kYardHalf},
                 {0, 0, 2 * kYardHalf / 2.0f, 1});
  }
  b.DoubleQuad(g, {-kYardHalf, y0, kYardHalf - 0.3f}, {kYardHalf, y0, kYardHalf - 0.3f},
               {kYardHalf, y1, kYardHalf - 0.3f}, {-kYardHalf, y1, kYardHalf - 0.3f}, {0, 0, kYardHalf, 1});
  return m;
}

// ---- textures ----

Image Floor() {
  Image im(256, 256, {0.5f, 0.5f, 0.48f, 1});
  Rng rng(901);
  for (int i = 0; i < 60; ++i)
    im.SoftBlob(rng.Range(0, 256), rng.Range(0, 256), rng.Range(10, 40), {0.35f, 0.34f, 0.32f, 0.25f}, 1.5f);
  im.Rect(0, 0, 255, 2, {0.3f, 0.3f, 0.28f, 1});
  im.Rect(0, 0, 2, 255, {0.3f, 0.3f, 0.28f, 1});
  im.Grain(rng, 0.04f);
  return im;
}

Image Wall() {
  Image im(256, 256, {0.55f, 0.3f, 0.22f, 1});
  Rng rng(902);
  for (int row = 0; row < 16; ++row)
    for (int k = -1; k < 8; ++k) {
      const float x = k * 32.0f + (row % 2) * 16.0f, y = row * 16.0f;
      const float shade = rng.Range(0.85f, 1.1f);
      im.Rect(x + 1, y + 1, x + 30, y + 14, {0.6f * shade, 0.33f * shade, 0.24f * shade, 1});
    }
  im.Grain(rng, 0.03f);
  return im;
}

Image Steel() {
  Image im(64, 64, {0.35f, 0.37f, 0.4f, 1});
  Rng rng(903);
  im.Grain(rng, 0.04f);
  return im;
}

Image Props() {
  Image im(256, 256, {0.5f, 0.5f, 0.5f, 1});
  im.Rect(0, 128, 127, 255, {0.55f, 0.57f, 0.6f, 1});            // metal
  im.Rect(128, 128, 255, 255, {0.08f, 0.08f, 0.08f, 1});         // rubber
  for (int i = 0; i < 8; ++i) im.Rect(128 + i * 16.0f, 128, 132 + i * 16.0f, 255, {0.15f, 0.15f, 0.15f, 1});
  im.Rect(0, 0, 127, 127, {0.55f, 0.38f, 0.2f, 1});              // wood
  for (int i = 0; i < 8; ++i) im.Rect(0, i * 16.0f, 127, i * 16 + 1.0f, {0.35f, 0.22f, 0.1f, 1});
  im.Rect(128, 0, 255, 127, {0.75f, 0.12f, 0.08f, 1});           // paint
  im.Rect(128, 56, 256, 72, {0.95f, 0.8f, 0.15f, 1});  // the yellow band the plinth ring samples
  Rng rng(904);
  im.Grain(rng, 0.03f);
  return im;
}

Image Fence() {
  Image im(64, 64, {0, 0, 0, 0});
  const Rgba wire{0.6f, 0.62f, 0.65f, 1};
  for (int k = -64; k < 128; k += 16) {
    im.Line(static_cast<float>(k), 0, k + 64.0f, 64, 2.5f, wire);
    im.Line(static_cast<float>(k), 64, k + 64.0f, 0, 2.5f, wire);
  }
  im.Rect(0, 0, 63, 3, wire);
  im.Rect(0, 60, 63, 63, wire);
  return im;
}

Image SkyCross() {
  // Distance from the lid's centre in the cross decides the sky's colour: deep at
  // the zenith, pale at the walls' horizon edge.
  Image im(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const float s = (x + 0.5f) / 256 - 0.5f, t = (y + 0.5f) / 256 - 0.5f;
      const float d = std::fmin(1.0f, std::fmax(std::fabs(s), std::fabs(t)) / 0.45f);
      im.Set(x, y, {0.32f + 0.5f * d * d, 0.5f + 0.38f * d * d, 0.85f + 0.1f * d, 1});
    }
  Rng rng(905);
  for (int i = 0; i < 30; ++i)
    im.SoftBlob(rng.Range(40, 216), rng.Range(40, 216), rng.Range(8, 24), {1, 1, 1, 0.35f}, 1.2f);
  return im;
}

Image HorizonBand() {
  Image im(256, 64, {0, 0, 0, 0});
  for (int x = 0; x < 256; ++x) {
    const float h = 18 + 10 * std::sin(x * 2 * kPi / 256 * 3) + 6 * std::sin(x * 2 * kPi / 256 * 7 + 1);
    im.Rect(static_cast<float>(x), 0, x + 1.0f, h, {0.42f, 0.5f, 0.55f, 1});
  }
  return im;
}

Image SplashAtlas(bool normals) {
  Image im(512, 64, normals ? Rgba{0.5f, 0.5f, 1, 0} : Rgba{0.3f, 0.24f, 0.16f, 0});
  Rng rng(906);  // the same seed for both, so each normal cell matches its colour cell
  for (int c = 0; c < 8; ++c) {
    for (int i = 0; i < 10; ++i) {
      const float a = rng.Range(0, 2 * kPi), r = rng.Range(0, 18);
      const float x = c * 64 + 32 + r * std::cos(a), y = 32 + r * std::sin(a), size = rng.Range(5, 13);
      const Rgba mud = normals ? Rgba{0.5f + 0.2f * std::cos(a), 0.5f + 0.2f * std::sin(a), 0.9f, 0.9f}
                               : Rgba{0.3f, 0.24f, 0.16f, 0.9f};
      im.SoftBlob(x, y, size, mud, 0.8f);
    }
  }
  return im;
}

Image GrassAtlas() {
  Image im(128, 64, {0.3f, 0.45f, 0.15f, 0});
  Rng rng(907);
  for (int i = 0; i < 40; ++i) {
    const float x = rng.Range(2, 126);
    im.Line(x, 0, x + rng.Range(-6, 6), rng.Range(30, 62), 2, {0.3f, 0.5f, 0.15f, 1});
  }
  return im;
}

Image TreeAtlas() {
  Image im(256, 128, {0.2f, 0.35f, 0.12f, 0});
  for (int c = 0; c < 4; ++c) {
    const float cx = c * 64 + 32;
    im.Rect(cx - 3, 0, cx + 3, 40, {0.35f, 0.25f, 0.15f, 1});
    im.Polygon({cx - 26, 30, cx + 26, 30, cx, 124}, {0.16f + 0.03f * c, 0.34f, 0.12f, 1});
  }
  return im;
}

std::string WorldTextureName(int k) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "garage/world%02d.tga", k);
  return buf;
}

}  // namespace

void GenerateGarage(Output& out) {
  WriteMesh(out, "garage/garage.sbm", BuildWalls());
  WriteMesh(out, "garage/special.sbm", BuildSpecial());
  WriteMesh(out, "garage/ground.sbm", BuildGround());
  WriteMesh(out, "garage/transparency.sbm", BuildTransparency());
  WriteTexture(out, "garage/floor.tga", Floor(), false);
  WriteTexture(out, "garage/wall.tga", Wall(), false);
  WriteTexture(out, "garage/steel.tga", Steel(), false);
  WriteTexture(out, "garage/props.tga", Props(), false);
  WriteTexture(out, "garage/fence.tga", Fence(), true);
  WriteTexture(out, WorldTextureName(0), SkyCross(), false);
  WriteTexture(out, WorldTextureName(1), HorizonBand(), true);
  WriteTexture(out, WorldTextureName(2), GrassAtlas(), true);
  WriteTexture(out, WorldTextureName(3), TreeAtlas(), true);
  WriteTexture(out, WorldTextureName(6), SplashAtlas(false), true);
  WriteTexture(out, WorldTextureName(7), SplashAtlas(true), true);
  // Scene textures the garage's drawing never samples.
  for (int k : {4, 5, 8, 9}) WriteTexture(out, WorldTextureName(k), Image(8, 8, {0.5f, 0.5f, 0.5f, 1}), false);
}

}  // namespace basegen
