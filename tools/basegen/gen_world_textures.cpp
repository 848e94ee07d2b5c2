// The pictures of each world's "textures/" folder: the landscape detail maps and their
// normal maps, the ten scene textures (sky cross, horizon band, grass and tree atlases,
// splash atlases) and the material textures the layers name, in each world's colours.
#include <algorithm>
#include <cmath>
#include <utility>

#include "gfx/image_tga.h"
#include "tools/basegen/gen_world.h"

namespace basegen {
namespace world {

namespace {

struct Rgb {
  float r, g, b;
};

Rgb Mix(const Rgb& a, const Rgb& b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

uint32_t Hash(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

float Lattice(int x, int y, int period, uint32_t seed) {
  x = ((x % period) + period) % period;
  y = ((y % period) + period) % period;
  return (Hash(x, y, seed) & 0xFFFF) / 65535.0f;
}

// Tileable value noise in 0..1 over a picture of the given size, octaves halving.
float Noise(float u, float v, int cells, uint32_t seed, int octaves = 4) {
  float sum = 0, weight = 0, amp = 1;
  for (int o = 0; o < octaves; ++o) {
    const int period = cells << o;
    const float x = u * period, y = v * period;
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = x - x0, fy = y - y0;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    const float a = Lattice(x0, y0, period, seed + o), b = Lattice(x0 + 1, y0, period, seed + o);
    const float c = Lattice(x0, y0 + 1, period, seed + o), d = Lattice(x0 + 1, y0 + 1, period, seed + o);
    sum += amp * ((a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy);
    weight += amp;
    amp *= 0.5f;
  }
  return sum / weight;
}

struct Picture {
  int w, h, comps;
  std::vector<uint8_t> px;
  Picture(int w_, int h_, int c_) : w(w_), h(h_), comps(c_), px(static_cast<size_t>(w_) * h_ * c_, 0) {}
  void Set(int x, int y, const Rgb& c, float a = 1.0f) {
    uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * comps];
    p[0] = static_cast<uint8_t>(std::lround(std::min(1.0f, std::max(0.0f, c.r)) * 255));
    p[1] = static_cast<uint8_t>(std::lround(std::min(1.0f, std::max(0.0f, c.g)) * 255));
    p[2] = static_cast<uint8_t>(std::lround(std::min(1.0f, std::max(0.0f, c.b)) * 255));
    if (comps == 4) p[3] = static_cast<uint8_t>(std::lround(std::min(1.0f, std::max(0.0f, a)) * 255));
  }
};

void Save(Output& out, int w, const std::string& name, const Picture& pic) {
  std::vector<uint8_t> bytes;
  if (!EncodeTGA(pic.w, pic.h, pic.comps, pic.px.data(), &bytes)) {
    out.ok = false;
    return;
  }
  out.Write("world/" + std::to_string(w) + "/textures/" + name, bytes);
}

struct Palette {
  Rgb grassLo, grassHi, dirtLo, dirtHi, rockLo, rockHi, sandLo, sandHi, skyTop, skyHorizon, hills;
};

const Palette kPalettes[kWorldCount] = {
    {{0.18f, 0.32f, 0.10f}, {0.38f, 0.55f, 0.20f}, {0.33f, 0.26f, 0.18f}, {0.52f, 0.43f, 0.31f},
     {0.35f, 0.34f, 0.33f}, {0.62f, 0.60f, 0.57f}, {0.50f, 0.44f, 0.32f}, {0.70f, 0.64f, 0.48f},
     {0.30f, 0.48f, 0.78f}, {0.78f, 0.82f, 0.86f}, {0.38f, 0.45f, 0.40f}},
    {{0.14f, 0.34f, 0.12f}, {0.30f, 0.58f, 0.22f}, {0.36f, 0.28f, 0.20f}, {0.55f, 0.45f, 0.33f},
     {0.38f, 0.37f, 0.36f}, {0.60f, 0.59f, 0.58f}, {0.62f, 0.56f, 0.42f}, {0.84f, 0.78f, 0.60f},
     {0.36f, 0.52f, 0.80f}, {0.86f, 0.80f, 0.72f}, {0.42f, 0.50f, 0.44f}},
    {{0.42f, 0.40f, 0.20f}, {0.66f, 0.60f, 0.34f}, {0.42f, 0.34f, 0.24f}, {0.62f, 0.52f, 0.38f},
     {0.42f, 0.38f, 0.34f}, {0.66f, 0.60f, 0.54f}, {0.66f, 0.56f, 0.40f}, {0.85f, 0.75f, 0.56f},
     {0.40f, 0.55f, 0.78f}, {0.84f, 0.78f, 0.68f}, {0.55f, 0.50f, 0.42f}},
};

Picture Surface(int size, const Rgb& lo, const Rgb& hi, uint32_t seed, int cells) {
  Picture pic(size, size, 3);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const float n = Noise(static_cast<float>(x) / size, static_cast<float>(y) / size, cells, seed);
      const float speck = (Hash(x, y, seed ^ 0xABCDu) & 0xFF) / 255.0f;
      pic.Set(x, y, Mix(lo, hi, std::min(1.0f, n * 0.85f + speck * 0.25f)));
    }
  return pic;
}

Picture NormalMap(int size, uint32_t seed, int cells, float strength) {
  Picture pic(size, size, 3);
  auto height = [&](int x, int y) {
    return Noise(static_cast<float>((x + size) % size) / size, static_cast<float>((y + size) % size) / size,
                 cells, seed);
  };
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const float dx = (height(x + 1, y) - height(x - 1, y)) * strength;
      const float dy = (height(x, y + 1) - height(x, y - 1)) * strength;
      const float len = std::sqrt(dx * dx + dy * dy + 1);
      pic.Set(x, y, {(-dx / len) * 0.5f + 0.5f, (-dy / len) * 0.5f + 0.5f, (1 / len) * 0.5f + 0.5f});
    }
  return pic;
}

// The sky as a cross: the lid in the middle square, each wall unfolded outward with
// its lower edge at 0.05 or 0.95. Two neighbouring walls meet in the sky along an edge
// that the cross holds twice, once on each wall, mirrored about one of the picture's
// diagonals: the clouds are read through the fold onto one triangle between the
// diagonals, so both copies of every such edge (and the texels the filter takes from
// beyond it) carry the same sky and the corners show no seam.
Picture SkyCross(const Palette& p, uint32_t seed) {
  const int size = 256;
  Picture pic(size, size, 3);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const float s = (x + 0.5f) / size, t = (y + 0.5f) / size;
      const float c = std::max(std::fabs(s - 0.5f), std::fabs(t - 0.5f));
      const float elevation = c <= 0.25f ? 1.0f : std::max(0.0f, (0.45f - c) / 0.2f);
      Rgb col = Mix(p.skyHorizon, p.skyTop, std::pow(elevation, 0.6f));
      float fs = s, ft = t;
      if (ft > fs) std::swap(fs, ft);
      if (fs + ft > 1.0f) {
        const float a = 1.0f - ft, b = 1.0f - fs;
        fs = a;
        ft = b;
      }
      const float cloud = Noise(fs, ft, 4, seed, 5);
      const float cover = std::max(0.0f, (cloud - 0.55f) * 2.5f) * (0.3f + 0.7f * elevation);
      col = Mix(col, {0.95f, 0.95f, 0.97f}, std::min(1.0f, cover));
      pic.Set(x, y, col);
    }
  return pic;
}

// Distant hills, opaque below their outline and clear above, repeating in s.
Picture HorizonBand(const Palette& p, uint32_t seed) {
  Picture pic(256, 64, 4);
  for (int x = 0; x < pic.w; ++x) {
    const float outline = 0.25f + 0.45f * Noise(static_cast<float>(x) / pic.w, 0.5f, 3, seed, 3);
    for (int y = 0; y < pic.h; ++y) {
      const float t = (y + 0.5f) / pic.h;
      const float alpha = t < outline ? 1.0f : std::max(0.0f, 1.0f - (t - outline) * 30.0f);
      pic.Set(x, y, Mix(p.hills, p.skyHorizon, 0.35f + 0.4f * t), alpha);
    }
  }
  return pic;
}

// Eight grass columns, each as tall as its kind's cell.
Picture GrassAtlas(const Palette& p, uint32_t seed) {
  Picture pic(256, 128, 4);
  const float tops[8] = {0.3125f, 0.4375f, 0.4375f, 0.5f, 0.625f, 0.6875f, 0.8125f, 1.0f};
  for (int col = 0; col < 8; ++col)
    for (int blade = 0; blade < 9; ++blade) {
      const float base = col * 32 + 3 + (Hash(blade, col, seed) % 26);
      const float height = tops[col] * pic.h * (0.6f + 0.4f * ((Hash(col, blade, seed) & 0xFF) / 255.0f));
      const float lean = ((Hash(blade, blade + col, seed) & 0xFF) / 255.0f - 0.5f) * 8.0f;
      for (int y = 0; y < static_cast<int>(height) && y < pic.h; ++y) {
        const float f = y / height;
        const int x = static_cast<int>(base + lean * f * f);
        const int half = f < 0.7f ? 1 : 0;
        for (int dx = -half; dx <= half; ++dx) {
          const int xx = std::min(col * 32 + 31, std::max(col * 32, x + dx));
          const Rgb c = col == 5 && f > 0.85f ? Rgb{0.85f, 0.80f, 0.30f} : Mix(p.grassLo, p.grassHi, f);
          pic.Set(xx, y, c, 1.0f);
        }
      }
    }
  return pic;
}

// Four tree pictures side by side: birch, bushy tree, pine, broad oak.
Picture TreeAtlas(const Palette& p, uint32_t seed) {
  Picture pic(256, 128, 4);
  for (int col = 0; col < 4; ++col)
    for (int y = 0; y < pic.h; ++y)
      for (int x = 0; x < 64; ++x) {
        const float u = (x + 0.5f) / 64 - 0.5f, v = (y + 0.5f) / pic.h;
        const float n = Noise((col * 64 + x) / 256.0f, v, 8, seed, 3);
        bool crown;
        if (col == 2) crown = v > 0.15f && std::fabs(u) < (1.0f - v) * 0.45f * (0.8f + 0.4f * n);
        else {
          const float cy = col == 0 ? 0.62f : 0.58f, ry = col == 1 ? 0.3f : 0.36f;
          const float rx = col == 3 ? 0.46f : 0.34f;
          crown = (u * u) / (rx * rx) + (v - cy) * (v - cy) / (ry * ry) < 0.7f + 0.5f * n;
        }
        const bool trunk = std::fabs(u) < 0.04f && v < 0.5f;
        if (crown) {
          const Rgb leaves = col == 0 ? Mix(p.grassLo, p.grassHi, 0.8f) : Mix(p.grassLo, {0.05f, 0.2f, 0.05f}, 0.5f);
          pic.Set(col * 64 + x, y, Mix(leaves, p.grassHi, n * 0.6f), 1.0f);
        } else if (trunk) {
          pic.Set(col * 64 + x, y, col == 0 ? Rgb{0.85f, 0.85f, 0.80f} : Rgb{0.30f, 0.22f, 0.15f}, 1.0f);
        } else {
          pic.Set(col * 64 + x, y, p.grassLo, 0.0f);
        }
      }
  return pic;
}

Picture SplashAtlas(const Palette& p, uint32_t seed, bool normals) {
  Picture pic(256, 32, normals ? 3 : 4);
  for (int y = 0; y < pic.h; ++y)
    for (int x = 0; x < pic.w; ++x) {
      const int cell = x / 32;
      const float u = (x % 32 + 0.5f) / 32 - 0.5f, v = (y + 0.5f) / 32 - 0.5f;
      const float r = std::sqrt(u * u + v * v);
      const float edge = 0.3f + 0.15f * Noise(x / 256.0f, y / 32.0f, 8, seed + cell, 2);
      const float a = r < edge ? 1.0f : 0.0f;
      if (normals) {
        const float len = std::max(r, 1e-3f);
        const float tilt = std::min(1.0f, r / edge) * 0.5f;
        pic.Set(x, y, {0.5f + u / len * tilt * 0.5f, 0.5f + v / len * tilt * 0.5f, 0.9f});
      } else {
        pic.Set(x, y, Mix(p.dirtLo, p.dirtHi, 0.3f), a);
      }
    }
  return pic;
}

Picture Road(const Palette& p, uint32_t seed) {
  Picture pic = Surface(256, p.dirtLo, p.dirtHi, seed, 8);
  for (int y = 0; y < pic.h; ++y)
    for (int x = 0; x < pic.w; ++x) {
      const float s = (x + 0.5f) / pic.w;
      // Two worn wheel ruts a little darker than the crown of the road.
      const float rut = std::exp(-std::pow((std::fabs(s - 0.5f) - 0.22f) / 0.06f, 2.0f));
      uint8_t* px = &pic.px[(static_cast<size_t>(y) * pic.w + x) * 3];
      for (int k = 0; k < 3; ++k) px[k] = static_cast<uint8_t>(px[k] * (1.0f - 0.25f * rut));
    }
  return pic;
}

Picture RoadAlpha() {
  Picture pic(64, 64, 3);
  for (int y = 0; y < pic.h; ++y)
    for (int x = 0; x < pic.w; ++x) {
      const float s = (x + 0.5f) / pic.w;
      const float a = std::min(1.0f, std::min(s, 1.0f - s) * 8.0f);
      pic.Set(x, y, {a, a, a});
    }
  return pic;
}

Picture Wood(uint32_t seed) {
  Picture pic(128, 128, 3);
  for (int y = 0; y < pic.h; ++y)
    for (int x = 0; x < pic.w; ++x) {
      const float grain = Noise(x / 128.0f * 0.25f, y / 128.0f, 16, seed, 3);
      const bool gap = (x % 32) < 2;
      pic.Set(x, y, gap ? Rgb{0.12f, 0.08f, 0.05f} : Mix({0.32f, 0.22f, 0.13f}, {0.55f, 0.40f, 0.25f}, grain));
    }
  return pic;
}

// Left half a leafy bush, right half a grass tuft, both clear around their outline.
Picture BushAtlas(const Palette& p, uint32_t seed) {
  Picture pic(256, 128, 4);
  for (int y = 0; y < pic.h; ++y)
    for (int x = 0; x < pic.w; ++x) {
      const bool tuft = x >= 128;
      const float u = ((x % 128) + 0.5f) / 128 - 0.5f, v = (y + 0.5f) / 128;
      const float n = Noise(x / 256.0f, v, 16, seed, 3);
      bool solid;
      if (tuft) {
        const float blades = std::fabs(std::sin(u * 40.0f + n * 3.0f));
        solid = v < (1.0f - std::fabs(u) * 1.8f) * (0.5f + 0.5f * blades);
      } else {
        solid = (u * u) / 0.2f + (v - 0.45f) * (v - 0.45f) / 0.2f < 0.6f + 0.5f * n;
      }
      pic.Set(x, y, Mix(p.grassLo, p.grassHi, n), solid ? 1.0f : 0.0f);
    }
  return pic;
}

Picture Water(uint32_t seed) {
  Picture pic(128, 128, 3);
  for (int y = 0; y < pic.h; ++y)
    for (int x = 0; x < pic.w; ++x)
      pic.Set(x, y, Mix({0.10f, 0.22f, 0.28f}, {0.22f, 0.40f, 0.45f}, Noise(x / 128.0f, y / 128.0f, 4, seed)));
  return pic;
}

Picture Placeholder() {
  Picture pic(8, 8, 3);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) pic.Set(x, y, {0.5f, 0.5f, 0.5f});
  return pic;
}

std::string Numbered(const char* stem, int k, const char* tail = "") {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%02d%s.tga", stem, k, tail);
  return buf;
}

}  // namespace

std::vector<std::string> WorldTextureNames() {
  std::vector<std::string> names;
  for (int k = 0; k < 5; ++k) names.push_back(Numbered("landscape", k));
  for (int k = 0; k < 5; ++k) names.push_back(Numbered("landscape", k, "_n"));
  for (int k = 0; k < 10; ++k) names.push_back(Numbered("world", k));
  for (const char* n : {"road.tga", "road_a.tga", "grass.tga", "dirt.tga", "rock.tga", "sand.tga",
                        "wood.tga", "bush.tga", "water.tga"})
    names.push_back(n);
  return names;
}

void WriteWorldTextures(Output& out, int w) {
  const Palette& p = kPalettes[w];
  const uint32_t seed = 0x7E57u + 101u * static_cast<uint32_t>(w);
  // Detail maps: road gravel, packed dirt, grass, rock, soil.
  const Rgb lows[5] = {p.dirtLo, Mix(p.dirtLo, p.rockLo, 0.5f), p.grassLo, p.rockLo, p.sandLo};
  const Rgb highs[5] = {p.dirtHi, Mix(p.dirtHi, p.rockHi, 0.5f), p.grassHi, p.rockHi, p.sandHi};
  for (int k = 0; k < 5; ++k) {
    Save(out, w, Numbered("landscape", k), Surface(128, lows[k], highs[k], seed + k, 8 + 4 * (k % 2)));
    Save(out, w, Numbered("landscape", k, "_n"), NormalMap(128, seed + k, 8 + 4 * (k % 2), 6.0f));
  }
  Save(out, w, "world00.tga", SkyCross(p, seed + 10));
  Save(out, w, "world01.tga", HorizonBand(p, seed + 11));
  Save(out, w, "world02.tga", GrassAtlas(p, seed + 12));
  Save(out, w, "world03.tga", TreeAtlas(p, seed + 13));
  Save(out, w, "world04.tga", Placeholder());
  Save(out, w, "world05.tga", Placeholder());
  Save(out, w, "world06.tga", SplashAtlas(p, seed + 16, false));
  Save(out, w, "world07.tga", SplashAtlas(p, seed + 16, true));
  Save(out, w, "world08.tga", Placeholder());
  Save(out, w, "world09.tga", Placeholder());
  Save(out, w, "road.tga", Road(p, seed + 20));
  Save(out, w, "road_a.tga", RoadAlpha());
  Save(out, w, "grass.tga", Surface(128, p.grassLo, p.grassHi, seed + 21, 8));
  Save(out, w, "dirt.tga", Surface(128, p.dirtLo, p.dirtHi, seed + 22, 8));
  Save(out, w, "rock.tga", Surface(128, p.rockLo, p.rockHi, seed + 23, 4));
  Save(out, w, "sand.tga", Surface(128, p.sandLo, p.sandHi, seed + 24, 8));
  Save(out, w, "wood.tga", Wood(seed + 25));
  Save(out, w, "bush.tga", BushAtlas(p, seed + 26));
  Save(out, w, "water.tga", Water(seed + 27));
}

}  // namespace world
}  // namespace basegen
