// The start-up textures "textures/tex00.tga" to "tex08.tga": the intro background (1),
// plates and panels (2-4, 6, 7) and the screen-edge shade (5, drawn clamped). Entries 0
// and 8 are placeholders that the font generator overwrites with its atlases. Every
// picture is drawn from plain arithmetic, so two runs write the same bytes.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "gfx/image_tga.h"
#include "tools/basegen/basegen.h"
#include "tools/basegen/generators.h"

namespace basegen {

namespace {

constexpr int kBaseTextureCount = 9;

struct Picture {
  int width;
  int height;
  int components;
  std::vector<uint8_t> pixels;

  Picture(int w, int h, int c) : width(w), height(h), components(c), pixels(size_t(w) * h * c) {}
  void Put(int x, int y, float r, float g, float b, float a = 1.0f) {
    uint8_t* p = &pixels[(size_t(y) * width + x) * components];
    const float v[4] = {r, g, b, a};
    for (int i = 0; i < components; ++i) {
      const float c = v[i] < 0.0f ? 0.0f : (v[i] > 1.0f ? 1.0f : v[i]);
      p[i] = static_cast<uint8_t>(c * 255.0f + 0.5f);
    }
  }
};

// Font placeholder: a light grey field, opaque, until the real atlas replaces it.
Picture Placeholder() {
  Picture p(256, 256, 4);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) p.Put(x, y, 0.8f, 0.8f, 0.8f, 1.0f);
  return p;
}

// Intro background: a dusk sky over a dark ridge line, with a faint road of light.
Picture IntroBackground() {
  Picture p(512, 512, 3);
  for (int y = 0; y < p.height; ++y) {
    const float v = float(y) / (p.height - 1);  // 0 at the bottom row
    for (int x = 0; x < p.width; ++x) {
      const float u = float(x) / (p.width - 1);
      const float ridge = 0.32f + 0.05f * std::sin(u * 9.0f) + 0.03f * std::sin(u * 23.0f + 1.0f);
      if (v > ridge) {
        const float sky = (v - ridge) / (1.0f - ridge);
        p.Put(x, y, 0.55f - 0.35f * sky, 0.35f - 0.15f * sky, 0.25f + 0.15f * sky);
      } else {
        const float road = std::exp(-std::pow((u - 0.5f) * 6.0f / (0.4f + v), 2.0f)) * (1.0f - v / ridge);
        p.Put(x, y, 0.06f + 0.25f * road, 0.05f + 0.2f * road, 0.05f + 0.12f * road);
      }
    }
  }
  return p;
}

// A bevelled panel in the given colour, see-through at its rounded corners.
Picture Panel(float r, float g, float b) {
  Picture p(256, 128, 4);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const float dx = std::fmin(float(x), float(p.width - 1 - x));
      const float dy = std::fmin(float(y), float(p.height - 1 - y));
      const float edge = std::fmin(dx, dy);
      const float corner = (dx < 12 && dy < 12) ? 12.0f - std::hypot(12.0f - dx, 12.0f - dy) : edge;
      const float alpha = corner < 0.0f ? 0.0f : std::fmin(1.0f, corner / 2.0f);
      const float bevel = edge < 6.0f ? 1.25f - edge / 24.0f : 1.0f - 0.2f * float(y) / p.height;
      p.Put(x, y, r * bevel, g * bevel, b * bevel, alpha * 0.9f);
    }
  return p;
}

// The intro's badge, its left half shown in the dark strip under the title: the name's
// initial in light on a dark disc ringed in the menus' yellow-green.
Picture Badge() {
  Picture p(256, 128, 4);
  const WordInk k = DrawWord("K", 9.0f, 9.0f, 0.55f, 0);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < 128; ++x) {
      const float d = std::hypot(x + 0.5f - 64.0f, y + 0.5f - 64.0f);
      float r = 0.08f, g = 0.08f, b = 0.08f;
      const float a = std::fmin(1.0f, std::fmax(0.0f, 60.0f - d));
      if (d > 50.0f && d < 57.0f) {
        r = 0.748f;
        g = 0.935f;
        b = 0.055f;
      }
      // The glyph's 64 rows stand in the middle, picture rows top first.
      const int col = x - (128 - k.width) / 2, row = 96 - y;
      if (col >= 0 && col < k.width && row >= 0 && row < 64) {
        const float c = k.cover[static_cast<size_t>(row) * k.width + col] / 255.0f;
        r += (0.94f - r) * c;
        g += (0.92f - g) * c;
        b += (0.88f - b) * c;
      }
      p.Put(x, y, r, g, b, a);
    }
  return p;
}

// Screen-edge shade: black, opaque at the outer edge (s = 0) and clear towards the centre.
Picture EdgeShade() {
  Picture p(64, 256, 4);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const float s = float(x) / (p.width - 1);
      const float t = float(y) / (p.height - 1);
      const float ends = std::fmin(1.0f, 4.0f * std::fmin(t, 1.0f - t) + 0.3f);
      p.Put(x, y, 0.0f, 0.0f, 0.0f, (1.0f - s) * (1.0f - s) * ends);
    }
  return p;
}

// Title picture: the game's name in light capitals of the menu face on a dark band with
// the menus' yellow-green rules above and below, clear beyond the band's soft ends.
// Drawn on the intro's light panel, over the race's last picture on the pause page and
// beside the race loading box.
Picture TitlePlate() {
  Picture p(512, 256, 4);
  const WordInk word = DrawWord("KELVAMOR", 9.5f, 6.4f, 0.55f, 9);
  const int wx = (p.width - word.width) / 2;
  // The word's 64 rows centred on the band, its picture rows top first.
  const int wy = 128 + 32;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const float ends = std::fmin(1.0f, std::fmin(float(x), float(p.width - 1 - x)) / 24.0f);
      const bool band = y >= 84 && y <= 172;
      const bool rule = (y >= 76 && y < 82) || (y > 174 && y <= 180);
      float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
      if (band) {
        r = g = b = 0.08f;
        a = 0.92f * ends;
      }
      if (rule) {
        r = 0.748f;
        g = 0.935f;
        b = 0.055f;
        a = ends;
      }
      const int wcol = x - wx, wrow = wy - y;
      if (wcol >= 0 && wcol < word.width && wrow >= 0 && wrow < 64) {
        const float k = word.cover[static_cast<size_t>(wrow) * word.width + wcol] / 255.0f;
        r = r + (0.94f - r) * k;
        g = g + (0.92f - g) * k;
        b = b + (0.88f - b) * k;
        a = a + (1.0f - a) * k;
      }
      p.Put(x, y, r, g, b, a);
    }
  return p;
}

Picture BaseTexture(int index) {
  switch (index) {
    case 1: return IntroBackground();
    case 2: return Panel(0.25f, 0.3f, 0.35f);
    case 3: return Panel(0.45f, 0.35f, 0.2f);
    case 4: return Panel(0.2f, 0.4f, 0.25f);
    case 5: return EdgeShade();
    case 6: return Badge();
    case 7: return TitlePlate();
    default: return Placeholder();
  }
}

std::string TexturePath(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "textures/tex%02d.tga", index);
  return name;
}

}  // namespace

void GenerateBaseTextures(Output& out) {
  for (int i = 0; i < kBaseTextureCount; ++i) {
    const Picture p = BaseTexture(i);
    std::vector<uint8_t> bytes;
    if (!EncodeTGA(p.width, p.height, p.components, p.pixels.data(), &bytes)) {
      std::fprintf(stderr, "basegen: cannot encode %s\n", TexturePath(i).c_str());
      out.ok = false;
      continue;
    }
    out.Write(TexturePath(i), bytes);
  }
}

void CheckBaseTextures(const std::string& root, std::vector<std::string>* problems) {
  for (int i = 0; i < kBaseTextureCount; ++i) {
    const std::string path = root + "/" + TexturePath(i);
    TgaImage image;
    if (ReadTGAFile(path.c_str(), &image) != TgaResult::kOk) problems->push_back(path + ": not a readable TGA");
  }
}

}  // namespace basegen
