#include "tools/race_frame/picture_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "render/track_map.h"

namespace {

// The disc shows a quarter of the map texture across its 200 units.
constexpr float kDiscUnitsPerMapUnit = 200.0f / 0.25f;
constexpr float kDegreesToRadians = 3.14159265f / 180.0f;

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

PictureRect ClipTo(const Picture& p, PictureRect r) {
  r.x0 = Clamp(r.x0, 0, p.width);
  r.x1 = Clamp(r.x1, 0, p.width);
  r.y0 = Clamp(r.y0, 0, p.height);
  r.y1 = Clamp(r.y1, 0, p.height);
  return r;
}

bool Differs(const uint8_t* a, const uint8_t* b, int threshold) {
  for (int c = 0; c < 3; ++c)
    if (std::abs(a[c] - b[c]) > threshold) return true;
  return false;
}

bool SameSize(const Picture& a, const Picture& b) { return a.width == b.width && a.height == b.height; }

bool InDisc(int x, int y, float cx, float cy, float radius) {
  const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
  return dx * dx + dy * dy <= radius * radius;
}

}  // namespace

void VirtualToPixel(const VirtualFrame& f, int width, int height, float vx, float vy, float* px, float* py) {
  *px = (vx - f.left) / (f.right - f.left) * static_cast<float>(width);
  *py = (vy - f.bottom) / (f.top - f.bottom) * static_cast<float>(height);
}

PictureRect VirtualBox(const VirtualFrame& f, int width, int height, float cx, float cy, float halfWidth,
                       float halfHeight) {
  float x0, y0, x1, y1;
  VirtualToPixel(f, width, height, cx - halfWidth, cy - halfHeight, &x0, &y0);
  VirtualToPixel(f, width, height, cx + halfWidth, cy + halfHeight, &x1, &y1);
  PictureRect r;
  r.x0 = Clamp(static_cast<int>(std::floor(x0)), 0, width);
  r.y0 = Clamp(static_cast<int>(std::floor(y0)), 0, height);
  r.x1 = Clamp(static_cast<int>(std::ceil(x1)), 0, width);
  r.y1 = Clamp(static_cast<int>(std::ceil(y1)), 0, height);
  return r;
}

MeanRgb MeanColour(const Picture& p, const PictureRect& rect) {
  const PictureRect r = ClipTo(p, rect);
  MeanRgb m;
  if (r.Area() == 0) return m;
  double sr = 0.0, sg = 0.0, sb = 0.0;
  for (int y = r.y0; y < r.y1; ++y)
    for (int x = r.x0; x < r.x1; ++x) {
      const uint8_t* px = p.At(x, y);
      sr += px[0];
      sg += px[1];
      sb += px[2];
    }
  const double n = r.Area();
  m.r = sr / n;
  m.g = sg / n;
  m.b = sb / n;
  return m;
}

bool SkyColour(double r, double g, double b) { return (r + g + b) / 3.0 > 120.0 && b > r + 25.0; }

PictureRect TopRows(const Picture& p, double share) {
  const int rows = std::max(1, static_cast<int>(std::lround(p.height * share)));
  return {0, std::max(0, p.height - rows), p.width, p.height};
}

PictureRect BottomRows(const Picture& p, double share) {
  const int rows = std::max(1, static_cast<int>(std::lround(p.height * share)));
  return {0, 0, p.width, std::min(p.height, rows)};
}

double LuminanceSpread(const Picture& p) {
  const size_t n = static_cast<size_t>(p.width) * p.height;
  if (n == 0) return 0.0;
  double sum = 0.0, sumSq = 0.0;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* px = &p.rgba[4 * i];
    const double l = 0.299 * px[0] + 0.587 * px[1] + 0.114 * px[2];
    sum += l;
    sumSq += l * l;
  }
  const double mean = sum / n;
  return std::sqrt(std::max(0.0, sumSq / n - mean * mean));
}

double SkyLikeShare(const Picture& p, const PictureRect& rect) {
  const PictureRect r = ClipTo(p, rect);
  if (r.Area() == 0) return 0.0;
  long sky = 0;
  for (int y = r.y0; y < r.y1; ++y)
    for (int x = r.x0; x < r.x1; ++x) {
      const uint8_t* px = p.At(x, y);
      if (SkyColour(px[0], px[1], px[2])) ++sky;
    }
  return static_cast<double>(sky) / r.Area();
}

const char* CornerName(int corner) {
  switch (corner) {
    case kBottomLeft: return "bottom left";
    case kBottomRight: return "bottom right";
    case kTopLeft: return "top left";
    case kTopRight: return "top right";
    default: return "none";
  }
}

int UntouchedCorner(const Picture& p, const uint8_t untouched[4], int tolerance, int block) {
  const int b = std::max(1, std::min(block, std::min(p.width, p.height)));
  for (int corner = kBottomLeft; corner <= kTopRight; ++corner) {
    const int x0 = (corner & 1) ? p.width - b : 0;
    const int y0 = (corner & 2) ? p.height - b : 0;
    bool all = true;
    for (int y = y0; y < y0 + b && all; ++y)
      for (int x = x0; x < x0 + b && all; ++x) {
        const uint8_t* px = p.At(x, y);
        for (int c = 0; c < 4; ++c)
          if (std::abs(px[c] - untouched[c]) > tolerance) all = false;
      }
    if (all) return corner;
  }
  return kNoCorner;
}

double DifferingShare(const Picture& a, const Picture& b, const PictureRect& rect, int threshold) {
  if (!SameSize(a, b)) return 0.0;
  const PictureRect r = ClipTo(a, rect);
  if (r.Area() == 0) return 0.0;
  long differing = 0;
  for (int y = r.y0; y < r.y1; ++y)
    for (int x = r.x0; x < r.x1; ++x)
      if (Differs(a.At(x, y), b.At(x, y), threshold)) ++differing;
  return static_cast<double>(differing) / r.Area();
}

double DifferingShareInDisc(const Picture& a, const Picture& b, float cx, float cy, float radius, int threshold) {
  if (!SameSize(a, b)) return 0.0;
  const PictureRect r = ClipTo(a, {static_cast<int>(cx - radius) - 1, static_cast<int>(cy - radius) - 1,
                                   static_cast<int>(cx + radius) + 2, static_cast<int>(cy + radius) + 2});
  long inside = 0, differing = 0;
  for (int y = r.y0; y < r.y1; ++y)
    for (int x = r.x0; x < r.x1; ++x) {
      if (!InDisc(x, y, cx, cy, radius)) continue;
      ++inside;
      if (Differs(a.At(x, y), b.At(x, y), threshold)) ++differing;
    }
  return inside > 0 ? static_cast<double>(differing) / inside : 0.0;
}

int DiscPixelsInside(const Picture& p, float cx, float cy, float radius) {
  const PictureRect r = ClipTo(p, {static_cast<int>(cx - radius) - 1, static_cast<int>(cy - radius) - 1,
                                   static_cast<int>(cx + radius) + 2, static_cast<int>(cy + radius) + 2});
  int inside = 0;
  for (int y = r.y0; y < r.y1; ++y)
    for (int x = r.x0; x < r.x1; ++x)
      if (InDisc(x, y, cx, cy, radius)) ++inside;
  return inside;
}

Change ChangedPixels(const Picture& before, const Picture& after, const PictureRect& rect, int threshold) {
  Change c;
  if (!SameSize(before, after)) return c;
  const PictureRect r = ClipTo(before, rect);
  if (r.Area() == 0) return c;
  long n = 0;
  double sx = 0.0, sy = 0.0;
  for (int y = r.y0; y < r.y1; ++y)
    for (int x = r.x0; x < r.x1; ++x)
      if (Differs(before.At(x, y), after.At(x, y), threshold)) {
        ++n;
        sx += x + 0.5;
        sy += y + 0.5;
      }
  c.share = static_cast<double>(n) / r.Area();
  if (n > 0) {
    c.x = sx / n;
    c.y = sy / n;
  }
  return c;
}

bool ProjectPoint(const float projection[16], const float view[16], float x, float y, float z, int width, int height,
                  float* px, float* py) {
  const float world[4] = {x, y, z, 1.0f};
  float eye[4], clip[4];
  for (int r = 0; r < 4; ++r)
    eye[r] = view[r] * world[0] + view[4 + r] * world[1] + view[8 + r] * world[2] + view[12 + r] * world[3];
  for (int r = 0; r < 4; ++r)
    clip[r] = projection[r] * eye[0] + projection[4 + r] * eye[1] + projection[8 + r] * eye[2] +
              projection[12 + r] * eye[3];
  if (!(clip[3] > 0.0f)) return false;
  const float nx = clip[0] / clip[3], ny = clip[1] / clip[3], nz = clip[2] / clip[3];
  if (nx < -1.0f || nx > 1.0f || ny < -1.0f || ny > 1.0f || nz < -1.0f || nz > 1.0f) return false;
  *px = (nx * 0.5f + 0.5f) * static_cast<float>(width);
  *py = (ny * 0.5f + 0.5f) * static_cast<float>(height);
  return true;
}

bool DrawnNear(const Picture& p, int x, int y, const uint8_t background[4], int tolerance, int radius) {
  for (int yy = std::max(0, y - radius); yy <= std::min(p.height - 1, y + radius); ++yy)
    for (int xx = std::max(0, x - radius); xx <= std::min(p.width - 1, x + radius); ++xx)
      if (Differs(p.At(xx, yy), background, tolerance)) return true;
  return false;
}

void MiniMapOffset(float headingDegrees, float dx, float dz, float* ox, float* oy) {
  // The map's v runs against world z; the disc turns it by the heading plus a quarter.
  const float mx = kDiscUnitsPerMapUnit * kMapUnitsPerWorldUnit * dx;
  const float my = -kDiscUnitsPerMapUnit * kMapUnitsPerWorldUnit * dz;
  const float a = (headingDegrees + 90.0f) * kDegreesToRadians;
  *ox = mx * std::cos(a) - my * std::sin(a);
  *oy = mx * std::sin(a) + my * std::cos(a);
}

bool DifferingNear(const Picture& a, const Picture& b, int x, int y, int radius, int threshold) {
  if (!SameSize(a, b)) return false;
  for (int yy = std::max(0, y - radius); yy <= std::min(a.height - 1, y + radius); ++yy)
    for (int xx = std::max(0, x - radius); xx <= std::min(a.width - 1, x + radius); ++xx)
      if (Differs(a.At(xx, yy), b.At(xx, yy), threshold)) return true;
  return false;
}
