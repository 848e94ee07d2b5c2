#include "tools/basegen/gen_textures_image.h"

#include <algorithm>
#include <cmath>

#include "gfx/image_tga.h"

namespace basegen {

namespace {

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

// Coverage of a pixel centre at signed distance d from an edge (negative inside).
float Cover(float d) { return Clamp01(0.5f - d); }

}  // namespace

Image::Image(int width, int height, Rgba fill) : w_(width), h_(height), px_(4u * width * height) {
  for (int i = 0; i < w_ * h_; ++i) {
    px_[4 * i] = fill.r;
    px_[4 * i + 1] = fill.g;
    px_[4 * i + 2] = fill.b;
    px_[4 * i + 3] = fill.a;
  }
}

Rgba Image::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return {};
  const float* p = &px_[4 * (y * w_ + x)];
  return {p[0], p[1], p[2], p[3]};
}

void Image::Set(int x, int y, Rgba c) {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
  float* p = &px_[4 * (y * w_ + x)];
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
  p[3] = c.a;
}

void Image::Blend(int x, int y, Rgba c, float k) {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
  const float a = Clamp01(c.a * k);
  if (a <= 0) return;
  float* p = &px_[4 * (y * w_ + x)];
  // "Over" with straight alpha, so transparent backgrounds take the colour cleanly.
  const float outA = a + p[3] * (1 - a);
  if (outA <= 1e-6f) return;
  p[0] = (c.r * a + p[0] * p[3] * (1 - a)) / outA;
  p[1] = (c.g * a + p[1] * p[3] * (1 - a)) / outA;
  p[2] = (c.b * a + p[2] * p[3] * (1 - a)) / outA;
  p[3] = outA;
}

void Image::Rect(float x0, float y0, float x1, float y1, Rgba c) {
  const int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
  const int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
  const int ix1 = std::min(w_ - 1, static_cast<int>(std::ceil(x1)));
  const int iy1 = std::min(h_ - 1, static_cast<int>(std::ceil(y1)));
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      const float d = std::max(std::max(x0 - px, px - x1), std::max(y0 - py, py - y1));
      Blend(x, y, c, Cover(d));
    }
}

void Image::Ring(float cx, float cy, float r0, float r1, Rgba c) {
  const int ix0 = std::max(0, static_cast<int>(cx - r1 - 1)), ix1 = std::min(w_ - 1, static_cast<int>(cx + r1 + 1));
  const int iy0 = std::max(0, static_cast<int>(cy - r1 - 1)), iy1 = std::min(h_ - 1, static_cast<int>(cy + r1 + 1));
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      const float r = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
      const float d = std::max(r - r1, r0 - r);
      Blend(x, y, c, Cover(d));
    }
}

void Image::Disc(float cx, float cy, float r, Rgba c) { Ring(cx, cy, -1.0f, r, c); }

void Image::Line(float x0, float y0, float x1, float y1, float width, Rgba c) {
  const float half = width / 2;
  const int ix0 = std::max(0, static_cast<int>(std::min(x0, x1) - half - 1));
  const int ix1 = std::min(w_ - 1, static_cast<int>(std::max(x0, x1) + half + 1));
  const int iy0 = std::max(0, static_cast<int>(std::min(y0, y1) - half - 1));
  const int iy1 = std::min(h_ - 1, static_cast<int>(std::max(y0, y1) + half + 1));
  const float dx = x1 - x0, dy = y1 - y0, len2 = std::max(dx * dx + dy * dy, 1e-6f);
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      const float px = x + 0.5f - x0, py = y + 0.5f - y0;
      const float t = Clamp01((px * dx + py * dy) / len2);
      const float d = std::hypot(px - t * dx, py - t * dy) - half;
      Blend(x, y, c, Cover(d));
    }
}

void Image::SoftBlob(float cx, float cy, float r, Rgba c, float power) {
  const int ix0 = std::max(0, static_cast<int>(cx - r - 1)), ix1 = std::min(w_ - 1, static_cast<int>(cx + r + 1));
  const int iy0 = std::max(0, static_cast<int>(cy - r - 1)), iy1 = std::min(h_ - 1, static_cast<int>(cy + r + 1));
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      const float q = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / r;
      if (q >= 1) continue;
      Blend(x, y, c, std::pow(1 - q, power));
    }
}

void Image::Polygon(const std::vector<float>& xy, Rgba c) {
  const int n = static_cast<int>(xy.size() / 2);
  if (n < 3) return;
  float minX = xy[0], maxX = xy[0], minY = xy[1], maxY = xy[1];
  float area = 0;
  for (int i = 0; i < n; ++i) {
    minX = std::min(minX, xy[2 * i]);
    maxX = std::max(maxX, xy[2 * i]);
    minY = std::min(minY, xy[2 * i + 1]);
    maxY = std::max(maxY, xy[2 * i + 1]);
    const int j = (i + 1) % n;
    area += xy[2 * i] * xy[2 * j + 1] - xy[2 * j] * xy[2 * i + 1];
  }
  const float sign = area >= 0 ? 1.0f : -1.0f;
  for (int y = std::max(0, static_cast<int>(minY) - 1); y <= std::min(h_ - 1, static_cast<int>(maxY) + 1); ++y)
    for (int x = std::max(0, static_cast<int>(minX) - 1); x <= std::min(w_ - 1, static_cast<int>(maxX) + 1); ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      float d = -1e9f;
      for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        const float ex = xy[2 * j] - xy[2 * i], ey = xy[2 * j + 1] - xy[2 * i + 1];
        const float len = std::max(std::hypot(ex, ey), 1e-6f);
        // Distance outside edge i (positive outside for either winding).
        const float out = -sign * (ex * (py - xy[2 * i + 1]) - ey * (px - xy[2 * i])) / len;
        d = std::max(d, out);
      }
      Blend(x, y, c, Cover(d));
    }
}

void Image::Grain(Rng& rng, float amount) {
  for (int i = 0; i < w_ * h_; ++i) {
    const float g = rng.Range(-amount, amount);
    for (int k = 0; k < 3; ++k) px_[4 * i + k] = Clamp01(px_[4 * i + k] + g);
  }
}

void Image::Digit(int d, float x, float y, float w, float h, float s, Rgba c) {
  // Segments a (top) b c (right) d (bottom) e f (left) g (middle), as bit masks.
  static const int kMask[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
  if (d < 0 || d > 9) return;
  const int m = kMask[d];
  const float l = x, r = x + w, b = y, t = y + h, mid = y + h / 2;
  if (m & 0x01) Line(l, t, r, t, s, c);
  if (m & 0x02) Line(r, t, r, mid, s, c);
  if (m & 0x04) Line(r, mid, r, b, s, c);
  if (m & 0x08) Line(l, b, r, b, s, c);
  if (m & 0x10) Line(l, mid, l, b, s, c);
  if (m & 0x20) Line(l, t, l, mid, s, c);
  if (m & 0x40) Line(l, mid, r, mid, s, c);
}

std::vector<uint8_t> Image::EncodeTga(bool withAlpha) const {
  const int comps = withAlpha ? 4 : 3;
  std::vector<uint8_t> rgb(static_cast<size_t>(w_) * h_ * comps);
  for (int i = 0; i < w_ * h_; ++i)
    for (int k = 0; k < comps; ++k)
      rgb[comps * i + k] = static_cast<uint8_t>(std::lround(Clamp01(px_[4 * i + k]) * 255.0f));
  std::vector<uint8_t> out;
  EncodeTGA(w_, h_, comps, rgb.data(), &out);
  return out;
}

void WriteTexture(Output& out, const std::string& relPath, const Image& image, bool withAlpha) {
  out.Write(relPath, image.EncodeTga(withAlpha));
}

std::string CheckTexture(const std::string& root, const std::string& relPath, int* width, int* height,
                         int* components) {
  TgaImage img;
  const TgaResult r = ReadTGAFile((root + "/" + relPath).c_str(), &img);
  if (r != TgaResult::kOk) return relPath + " does not load as a TGA picture";
  if (width) *width = img.width;
  if (height) *height = img.height;
  if (components) *components = img.components;
  return std::string();
}

}  // namespace basegen
