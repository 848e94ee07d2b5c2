#include "gfx/sprite_outline.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A bilinear sample takes in the texels whose centres lie within one texel of it, so a
// texel's alpha can reach one texel past its centre on every side; a quarter texel more
// keeps rounding in the rasteriser's coordinates on the safe side.
constexpr float kReach = 1.0f + 0.25f;

struct Point {
  float s, t;
};

// Keeps the part of the polygon where a s + b t <= c.
int ClipByLine(const Point* in, int n, float a, float b, float c, Point* out) {
  int m = 0;
  for (int i = 0; i < n; ++i) {
    const Point& p = in[i];
    const Point& q = in[(i + 1) % n];
    const float dp = a * p.s + b * p.t - c;
    const float dq = a * q.s + b * q.t - c;
    if (dp <= 0.0f) out[m++] = p;
    if ((dp < 0.0f && dq > 0.0f) || (dp > 0.0f && dq < 0.0f)) {
      const float k = dp / (dp - dq);
      out[m++] = {p.s + k * (q.s - p.s), p.t + k * (q.t - p.t)};
    }
  }
  return m;
}

// Drops repeated corners and corners on the straight line between their neighbours.
int Simplify(Point* p, int n) {
  constexpr float kSame = 1.0e-6f;
  bool changed = true;
  while (changed && n >= 3) {
    changed = false;
    for (int i = 0; i < n; ++i) {
      const Point& a = p[(i + n - 1) % n];
      const Point& b = p[i];
      const Point& c = p[(i + 1) % n];
      const float cross = (b.s - a.s) * (c.t - b.t) - (b.t - a.t) * (c.s - b.s);
      const bool repeated = std::fabs(b.s - a.s) < kSame && std::fabs(b.t - a.t) < kSame;
      if (repeated || std::fabs(cross) < kSame * kSame) {
        for (int j = i; j + 1 < n; ++j) p[j] = p[j + 1];
        --n;
        changed = true;
        break;
      }
    }
  }
  return n < 3 ? 0 : n;
}

SpriteOutline WholeSquare(int texels) {
  SpriteOutline o;
  o.corners = 4;
  const float s[4] = {0.0f, 1.0f, 1.0f, 0.0f}, t[4] = {0.0f, 0.0f, 1.0f, 1.0f};
  for (int i = 0; i < 4; ++i) {
    o.s[i] = s[i];
    o.t[i] = t[i];
  }
  o.texels = texels;
  return o;
}

}  // namespace

SpriteOutline TraceSpriteOutline(const uint8_t* rgba, int width, int height) {
  SpriteOutline none;
  if (!rgba || width <= 0 || height <= 0) return none;
  const int texels = std::max(width, height);
  // The eight bounds, in texels: s, t, s + t and s - t, each low and high.
  float lo[4] = {1.0e30f, 1.0e30f, 1.0e30f, 1.0e30f};
  float hi[4] = {-1.0e30f, -1.0e30f, -1.0e30f, -1.0e30f};
  bool any = false;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (rgba[(static_cast<size_t>(y) * width + x) * 4 + 3] == 0) continue;
      if (x == 0 || y == 0 || x == width - 1 || y == height - 1) return WholeSquare(texels);
      any = true;
      const float cs = x + 0.5f, ct = y + 0.5f;
      for (int corner = 0; corner < 4; ++corner) {
        const float s = cs + (corner & 1 ? kReach : -kReach);
        const float t = ct + (corner & 2 ? kReach : -kReach);
        const float v[4] = {s, t, s + t, s - t};
        for (int k = 0; k < 4; ++k) {
          lo[k] = std::min(lo[k], v[k]);
          hi[k] = std::max(hi[k], v[k]);
        }
      }
    }
  if (!any) {
    none.texels = texels;
    return none;
  }
  // The unit square cut by the eight lines, in texture coordinates (s + t and s - t
  // scale with the width; the texture may be oblong, so both axes are scaled apart).
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  Point a[2 * kMaxOutlineCorners + 8] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  Point b[2 * kMaxOutlineCorners + 8];
  int n = 4;
  // In texel units: s_tex = s w, t_tex = t h.
  const float lines[8][3] = {
      {-w, 0.0f, -lo[0]}, {w, 0.0f, hi[0]}, {0.0f, -h, -lo[1]}, {0.0f, h, hi[1]},
      {-w, -h, -lo[2]},   {w, h, hi[2]},    {-w, h, -lo[3]},    {w, -h, hi[3]},
  };
  for (const auto& line : lines) {
    n = ClipByLine(a, n, line[0], line[1], line[2], b);
    std::copy(b, b + n, a);
    if (n == 0) break;
  }
  n = Simplify(a, n);
  if (n > kMaxOutlineCorners) return WholeSquare(texels);
  SpriteOutline o;
  o.corners = n;
  for (int i = 0; i < n; ++i) {
    o.s[i] = a[i].s;
    o.t[i] = a[i].t;
  }
  o.texels = texels;
  return o;
}

bool ReadSpriteOutline(GLuint texture, SpriteOutline* out) {
  *out = WholeSquare(0);
  if (texture == 0) return false;
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glBindTexture(GL_TEXTURE_2D, texture);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  bool ok = w > 0 && h > 0;
  if (ok) {
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    ok = glGetError() == GL_NO_ERROR;
    if (ok) *out = TraceSpriteOutline(pixels.data(), w, h);
  }
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
  return ok;
}
