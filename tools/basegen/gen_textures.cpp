// The numbered textures tex09..tex70 (except the roadside-object atlas pair 14 and
// 21, painted with the object models): lamp flares, the menu widgets, the gauge with
// its needles, the mini-map pieces, medals, pointer, sprites and tints. Numbers that
// nothing draws get a small grey placeholder so the table loads whole.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "tools/basegen/gen_textures_image.h"

namespace basegen {

void PaintObjectAtlas(Image* colour);  // gen_objects.cpp, with the models it dresses
void PaintObjectNormals(Image* normals);

namespace {

constexpr float kPi = 3.14159265f;
const Rgba kClear{0, 0, 0, 0};
const Rgba kWhite{1, 1, 1, 1};
const Rgba kLight{0.94f, 0.92f, 0.88f, 1};
const Rgba kDark{0.08f, 0.08f, 0.08f, 1};
const Rgba kAccent{0.748f, 0.935f, 0.055f, 1};  // the menus' yellow-green

Rgba WithAlpha(Rgba c, float a) {
  c.a = a;
  return c;
}

std::string TexName(int n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "textures/tex%02d.tga", n);
  return buf;
}

// ---- sprites ----

Image LampFlare() {  // 09: additive flare at a lamp
  Image im(64, 64, kClear);
  im.SoftBlob(32, 32, 31, {1.0f, 0.95f, 0.8f, 1}, 2.2f);
  im.SoftBlob(32, 32, 9, kWhite, 1.0f);
  im.Line(2, 32, 62, 32, 2, {1, 0.95f, 0.85f, 0.35f});
  return im;
}

Image BeaconFlare() {  // 10: turning beacon, a bright core with two beams
  Image im(128, 128, kClear);
  const Rgba orange{1.0f, 0.55f, 0.05f, 1};
  for (int k = 0; k < 2; ++k) {
    const float dir = k == 0 ? 1.0f : -1.0f;
    for (int i = 0; i < 40; ++i) {
      const float t = i / 40.0f;
      im.SoftBlob(64 + dir * t * 60, 64, 8 + 14 * t, WithAlpha(orange, 0.25f * (1 - t)), 1.5f);
    }
  }
  im.SoftBlob(64, 64, 24, orange, 1.5f);
  im.SoftBlob(64, 64, 8, {1, 0.9f, 0.6f, 1}, 1.0f);
  return im;
}

Image SunGlare() {  // 30: the sun's glare, also its occlusion marker
  Image im(128, 128, kClear);
  im.SoftBlob(64, 64, 63, {1, 1, 0.95f, 0.8f}, 3.0f);
  for (int k = 0; k < 8; ++k) {
    const float a = k * kPi / 4 + 0.2f;
    im.Line(64, 64, 64 + 60 * std::cos(a), 64 + 60 * std::sin(a), 2.0f, {1, 0.98f, 0.9f, 0.25f});
  }
  im.SoftBlob(64, 64, 16, kWhite, 0.8f);
  return im;
}

Image Puff(Rgba c, uint64_t seed) {  // 52 smoke, 54 dust: a lumpy soft cloud
  Image im(64, 64, kClear);
  Rng rng(seed);
  for (int i = 0; i < 14; ++i) {
    const float a = rng.Range(0, 2 * kPi), r = rng.Range(0, 14);
    im.SoftBlob(32 + r * std::cos(a), 32 + r * std::sin(a), rng.Range(10, 18), WithAlpha(c, 0.35f), 1.6f);
  }
  im.SoftBlob(32, 32, 30, WithAlpha(c, 0.4f), 2.0f);
  return im;
}

Image LampGlow() {  // 53: glow quad of a lamp
  Image im(64, 64, kClear);
  im.SoftBlob(32, 32, 31, {1.0f, 0.9f, 0.6f, 1}, 1.8f);
  return im;
}

Image BlobShadow() {  // 44: multiplied under each car: dark in the middle, white round it
  Image im(64, 32, kWhite);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) {
      const float dx = (x + 0.5f - 32) / 30.0f, dy = (y + 0.5f - 16) / 14.0f;
      const float q = std::sqrt(dx * dx + dy * dy);
      const float shade = q >= 1 ? 1.0f : 0.35f + 0.65f * q * q;
      im.Set(x, y, {shade, shade, shade, 1});
    }
  return im;
}

Image SkidTrace() {  // 45: tyre trace, dark tread blocks that fade to the edges
  Image im(64, 64, kClear);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const float across = std::fabs(x + 0.5f - 32) / 32.0f;
      const bool block = ((y / 8) + (x > 32 ? 1 : 0)) % 2 == 0 && std::fabs(x + 0.5f - 32) > 3;
      const float a = (1 - across * across) * (block ? 0.85f : 0.55f);
      im.Set(x, y, {0.12f, 0.1f, 0.08f, a});
    }
  return im;
}

Image SkidNormals() {  // 46: the trace's relief as a normal map
  Image im(64, 64, {0.5f, 0.5f, 1, 1});
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const float s = std::sin((y + 0.5f) / 8.0f * kPi);
      im.Set(x, y, {0.5f, 0.5f + 0.3f * s, 0.9f, 1});
    }
  return im;
}

Image ReflectionDefault() {  // 67: water reflection where a material names no texture
  Image im(32, 32, {0.55f, 0.62f, 0.68f, 1});
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const float v = 0.55f + 0.1f * y / 31.0f;
      im.Set(x, y, {v, v + 0.06f, v + 0.12f, 1});
    }
  return im;
}

Image GrassTint() {  // 70: per-blade tint and variation of the grass
  Image im(64, 64, kWhite);
  Rng rng(70);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const float k = 0.5f + 0.5f * std::sin(x * 0.31f) * std::cos(y * 0.23f);
      const float g = 0.75f + 0.2f * k + rng.Range(-0.05f, 0.05f);
      im.Set(x, y, {0.75f * g, g, 0.55f * g, 1});
    }
  return im;
}

// ---- menu widgets ----

Image ArrowSheet() {  // 12: left half the arrow (pointing left), right half its backing
  Image im(128, 64, kClear);
  im.Polygon({12, 32, 44, 56, 44, 42, 56, 42, 56, 22, 44, 22, 44, 8}, kLight);
  im.Polygon({16, 32, 42, 51, 42, 39, 52, 39, 52, 25, 42, 25, 42, 13}, kDark);
  im.Disc(96, 32, 28, WithAlpha(kDark, 0.75f));
  im.Ring(96, 32, 24, 28, WithAlpha(kAccent, 0.9f));
  return im;
}

// 13: frame round a selected cell, tinted by the caller. The cards' texts start close
// to the cell's left edge and the frame pulses inward by a twentieth: the frame keeps
// to the outermost pixels.
Image CellHighlight() {
  Image im(256, 128, kClear);
  im.Rect(3, 3, 253, 125, WithAlpha(kWhite, 0.18f));
  im.Rect(0, 0, 256, 3, kWhite);
  im.Rect(0, 125, 256, 128, kWhite);
  im.Rect(0, 0, 3, 128, kWhite);
  im.Rect(253, 0, 256, 128, kWhite);
  return im;
}

// 15: the mini-map disc. Its colour is added to the (black) track picture and its
// alpha multiplies the picture's, so the path shows in this colour inside the disc
// and nothing shows outside it.
Image MapMask() {
  Image im(128, 128, kClear);
  im.Disc(64, 64, 62, {0.92f, 0.9f, 0.82f, 1});
  im.Ring(64, 64, 56, 62, {0.75f, 0.75f, 0.7f, 0.6f});
  return im;
}

// 16: the dialog's picture. Its quad reaches from the panel's middle to above its top
// edge, and the pages put texts over all of the panel: the picture keeps to the strip
// above the edge, a small lorry riding on the panel's right-hand end.
Image DialogLorry() {
  Image im(256, 128, kClear);
  const Rgba body = WithAlpha(kAccent, 0.95f);
  // The panel's top edge falls at row 115 of 128; the lorry stands on it.
  const float base = 117.0f;
  im.Rect(188, base + 2, 226, base + 8, body);                                   // bed
  im.Polygon({228, base + 2, 246, base + 2, 246, base + 8, 242, base + 10, 228, base + 10}, body);  // cab
  im.Rect(232, base + 6, 240, base + 9, WithAlpha(kDark, 0.9f));                 // window
  for (float x : {196.0f, 208.0f, 238.0f}) {
    im.Disc(x, base + 2, 3.2f, WithAlpha(kDark, 0.95f));
    im.Disc(x, base + 2, 1.4f, body);
  }
  return im;
}

// The corner button's label runs up at 22.5 degrees from its anchor (38, 23) in the
// backing's frame; the icon sits on the same line. Buttons stack 25 units apart, so
// the art keeps to a band of 21 units about that line: two stacked buttons never draw
// over each other.
constexpr float kLabelCos = 0.92388f, kLabelSin = 0.38268f;
constexpr float kBandHalf = 10.0f;

// A band along the label line from a0 to a1 (units along it), b0..b1 across, painted
// into a picture whose (0, 0) pixel lies at unit (ox, oy) with `scale` pixels a unit.
void LabelBand(Image* im, float ox, float oy, float scale, float lx, float ly, float a0, float a1, float b0,
               float b1, Rgba c) {
  auto P = [&](float a, float b, std::vector<float>* v) {
    v->push_back((lx + a * kLabelCos - b * kLabelSin - ox) * scale);
    v->push_back((ly + a * kLabelSin + b * kLabelCos - oy) * scale);
  };
  std::vector<float> poly;
  P(a0, b0, &poly);
  P(a1, b0, &poly);
  P(a1, b1, &poly);
  P(a0, b1, &poly);
  im->Polygon(poly, c);
}

Image ButtonBacking() {  // 17: 140 x 140 units about (45.5, 26.3) of the button's anchor
  Image im(128, 128, kClear);
  const float scale = 128.0f / 140.0f, ox = 45.5f - 70.0f, oy = 26.3f - 70.0f;
  // The label's plate: light where the label reads, an accent rule along its foot.
  LabelBand(&im, ox, oy, scale, 38.0f, 23.0f, -30.0f, 62.0f, -kBandHalf, kBandHalf, WithAlpha(kLight, 0.96f));
  LabelBand(&im, ox, oy, scale, 38.0f, 23.0f, -30.0f, 62.0f, -kBandHalf - 1.2f, -kBandHalf + 1.0f,
            WithAlpha(kAccent, 1.0f));
  // The icon's seat at the band's end.
  const float ix = (106.5f - ox) * scale, iy = (51.9f - oy) * scale;
  im.Disc(ix, iy, 11.4f * scale, WithAlpha(kDark, 0.95f));
  im.Ring(ix, iy, 9.6f * scale, 11.4f * scale, kAccent);
  return im;
}

Image BarCap() {  // 18: the item bar's ends, framing the bar above and below its texts
  Image im(128, 64, kClear);
  // The same picture ends the bar on both sides: rules above (rows 44-50) and below
  // (rows 14-20) the bar's band, clear where the items pass.
  for (int y : {14, 44}) {
    im.Polygon({6, y + 0.0f, 116, y + 0.0f, 124, y + 3.0f, 116, y + 6.0f, 6, y + 6.0f}, WithAlpha(kDark, 0.85f));
    im.Rect(8, y + 2.0f, 112, y + 4.0f, WithAlpha(kAccent, 0.95f));
  }
  return im;
}

// 19: the loading box, 80 x 18 units, drawn in the panels' light tone with the word
// "LOADING" in mid grey over its middle. Grey cannot stand out from the light tone, so
// the word gets a dark window (4.8 : 1 against it) that the bar's progress runs through;
// the bar shows on the light box to either side.
Image LoadingBox() {
  Image im(128, 32, kWhite);
  const float px = 128.0f / 80.0f;
  // From edge to edge across: a window that ended inside the box would be softened by
  // the mipmaps just where the word's capitals reach.
  im.Rect((40.0f - 19.0f) * px, 0.0f, (40.0f + 19.0f) * px, 32.0f, {0.07f, 0.07f, 0.07f, 1});
  return im;
}

Image CheckpointMarker() {  // 20: the next checkpoint on the mini-map
  Image im(32, 32, kClear);
  im.Disc(16, 16, 14, {1, 0.85f, 0.1f, 1});
  im.Disc(16, 16, 8, {0.9f, 0.2f, 0.05f, 1});
  im.Ring(16, 16, 13, 15, kDark);
  return im;
}

// 22: the plate under a button's label, 90 x 45 units about (12, 16.2), turned with the
// label: the label starts 26.6 units along its axis from the plate's centre and 3.7
// below it, so the plate's light part lies from there to its end.
Image LabelPlate() {
  Image im(128, 64, kClear);
  const float scale = 128.0f / 90.0f;
  const float b = 22.5f - 3.67f;
  // From 30 units before the label's start, as on the backing, to the plate's end.
  const float x0 = (45.0f + 26.6f - 30.0f) * scale;
  im.Rect(x0, (b - kBandHalf) * scale, 128.0f, (b + kBandHalf) * scale, WithAlpha(kLight, 0.96f));
  im.Rect(x0, (b - kBandHalf - 1.2f) * scale, 128.0f, (b - kBandHalf + 1.0f) * scale, WithAlpha(kAccent, 1.0f));
  return im;
}

// 23: the emblem, drawn whole at the item bar's left end and small on the dialog
// panel's corner. Texts pass to its right and above it there, so its art keeps to
// the lower left (u below 0.55, v below 0.6).
Image StampSheet() {
  Image im(256, 128, kClear);
  im.Rect(8, 8, 136, 72, WithAlpha(kDark, 0.9f));
  for (int k = 0; k < 3; ++k) {
    const float x = 24.0f + 36.0f * k;
    im.Polygon({x, 16, x + 14, 16, x + 32, 40, x + 14, 64, x, 64, x + 18, 40}, kAccent);
  }
  return im;
}

// 24: button icons, five cells; each cell is laid a quarter turn on screen, so the
// picture runs with screen-up along u and screen-right towards t = 0.
Image IconStrip() {
  Image im(320, 64, kClear);
  for (int id = 0; id < 5; ++id) {
    const float u0 = id * 64.0f;
    // Screen point (sx, sy) in -1..1 -> pixel: u = centre + 30 sy, t = centre - 30 sx.
    auto P = [&](float sx, float sy, std::vector<float>* v) {
      v->push_back(u0 + 32 + 17 * sy);
      v->push_back(32 - 17 * sx);
    };
    // 21 of the cell's 32 pixels: the icons of two stacked buttons stand 25 units
    // apart and the cell is 32 units.
    im.Disc(u0 + 32, 32, 20, WithAlpha(kLight, 0.95f));
    std::vector<float> poly;
    switch (id) {
      case 0:  // back: arrow to the left
        for (float p : {-0.7f, 0.0f, 0.1f, 0.7f, 0.1f, 0.25f, 0.7f, 0.25f, 0.7f, -0.25f, 0.1f, -0.25f, 0.1f, -0.7f})
          poly.push_back(p);
        break;
      case 4:  // go: arrow to the right
        for (float p : {0.7f, 0.0f, -0.1f, 0.7f, -0.1f, 0.25f, -0.7f, 0.25f, -0.7f, -0.25f, -0.1f, -0.25f, -0.1f, -0.7f})
          poly.push_back(p);
        break;
      case 1:
        for (float p : {-0.6f, -0.6f, 0.6f, -0.6f, 0.6f, 0.6f, -0.6f, 0.6f}) poly.push_back(p);
        break;
      case 2:
        for (float p : {0.0f, 0.7f, 0.7f, 0.0f, 0.0f, -0.7f, -0.7f, 0.0f}) poly.push_back(p);
        break;
      default:
        for (float p : {0.0f, 0.7f, 0.65f, -0.5f, -0.65f, -0.5f}) poly.push_back(p);
        break;
    }
    std::vector<float> px;
    for (size_t i = 0; i + 1 < poly.size(); i += 2) P(poly[i], poly[i + 1], &px);
    im.Polygon(px, kDark);
  }
  return im;
}

Image MedalsAndLock() {  // 26: gold, silver, bronze medals, then the lock
  Image im(512, 64, kClear);
  const Rgba metals[3] = {{0.95f, 0.78f, 0.2f, 1}, {0.8f, 0.82f, 0.85f, 1}, {0.78f, 0.48f, 0.22f, 1}};
  for (int q = 0; q < 3; ++q) {
    const float cx = q * 128 + 64;
    im.Polygon({cx - 20, 63, cx - 4, 63, cx + 6, 34, cx - 10, 34}, {0.7f, 0.1f, 0.1f, 1});
    im.Polygon({cx + 4, 63, cx + 20, 63, cx + 10, 34, cx - 6, 34}, {0.1f, 0.2f, 0.7f, 1});
    im.Disc(cx, 26, 24, metals[q]);
    im.Ring(cx, 26, 18, 21, WithAlpha(kDark, 0.35f));
    for (int i = 0; i <= q; ++i) im.Rect(cx - 2 - 6 * q + 12 * i, 16, cx + 2 - 6 * q + 12 * i, 36, WithAlpha(kDark, 0.7f));
  }
  const float lx = 448;
  im.Ring(lx, 40, 12, 18, {0.55f, 0.55f, 0.58f, 1});
  im.Rect(lx - 22, 4, lx + 22, 40, {0.85f, 0.7f, 0.2f, 1});
  im.Disc(lx, 24, 5, kDark);
  im.Rect(lx - 2, 10, lx + 2, 24, kDark);
  return im;
}

Image PathDot() {  // 27: one waypoint of the track picture
  Image im(32, 32, kClear);
  im.SoftBlob(16, 16, 15, kWhite, 0.6f);
  return im;
}

Image Pointer() {  // 29: the mouse pointer, tip at the top-left corner
  Image im(32, 32, kClear);
  const std::vector<float> arrow = {1, 31, 1, 7, 7, 13, 11, 3, 15, 5, 11, 15, 19, 15};
  im.Polygon(arrow, kDark);
  im.Polygon({3, 27, 3, 11, 7, 16, 11, 7, 12, 8, 9, 17, 14, 17}, kLight);
  return im;
}

// The gauge is drawn on a 210 x 140 quad; each half of tex36 is 512 x 256 pixels, so
// these map dial units to pixels of one half.
constexpr float kDialPxX = 512.0f / 210.0f, kDialPxY = 256.0f / 140.0f;
float DialX(float x) { return (x + 105.0f) * kDialPxX; }
float DialY(float y, bool faceHalf) { return (y + 70.0f) * kDialPxY + (faceHalf ? 256.0f : 0.0f); }

// Where the rev needle points at a given rpm (radians clockwise from straight up).
float RevAngle(float rpm) { return ((rpm - 750.0f) * 0.0544f - 140.0f) * kPi / 180.0f; }
float LoadAngle(float load) { return (load * 112.5f - 45.0f) * kPi / 180.0f; }

void DialTick(Image* im, float px, float py, float angle, float r0, float r1, float w, Rgba c) {
  const float sx = std::sin(angle), sy = std::cos(angle);
  im->Line(DialX(px + sx * r0), DialY(py + sy * r0, true), DialX(px + sx * r1), DialY(py + sy * r1, true), w, c);
}

Image Dial() {  // 36: upper half the face with the scales, lower half the front
  Image im(512, 512, kClear);
  const float revX = 34.56f, revY = 1.12f, loadX = -67.54f, loadY = -24.49f;
  // Face: two dark discs (the dial units are not square in pixels, so draw by rows).
  for (int y = 256; y < 512; ++y)
    for (int x = 0; x < 512; ++x) {
      const float ux = x / kDialPxX - 105.0f, uy = (y - 256) / kDialPxY - 70.0f;
      const float dRev = std::hypot(ux - revX, uy - revY), dLoad = std::hypot(ux - loadX, uy - loadY);
      if (dRev < 68.0f) im.Blend(x, y, {0.06f, 0.06f, 0.07f, 1}, std::min(1.0f, 68.0f - dRev));
      else if (dLoad < 40.0f) im.Blend(x, y, {0.06f, 0.06f, 0.07f, 1}, std::min(1.0f, 40.0f - dLoad));
    }
  // Rev scale: a tick every 250 rpm, long ones every 1000, red from 4500.
  for (int rpm = 750; rpm <= 5000; rpm += 250) {
    const bool major = rpm % 1000 == 0;
    const Rgba c = rpm >= 4500 ? Rgba{0.9f, 0.15f, 0.1f, 1} : kLight;
    DialTick(&im, revX, revY, RevAngle(static_cast<float>(rpm)), major ? 50.0f : 56.0f, 64.0f, major ? 5.0f : 3.0f, c);
    if (major) {
      const float a = RevAngle(static_cast<float>(rpm));
      const float cx = revX + std::sin(a) * 40.0f, cy = revY + std::cos(a) * 40.0f;
      im.Digit(rpm / 1000, DialX(cx) - 9, DialY(cy, true) - 13, 18, 26, 4, kLight);
    }
  }
  // Load scale: from full braking load (-1) to full pull (+1), the green band above 0.
  for (int i = 0; i <= 8; ++i) {
    const float load = -1.0f + i * 0.25f;
    const Rgba c = load > 0.01f ? kAccent : kLight;
    DialTick(&im, loadX, loadY, LoadAngle(load), i % 4 == 0 ? 28.0f : 32.0f, 37.0f, 3.5f, c);
  }
  // Plates for the gear letter and the speed digits.
  im.Rect(DialX(33 - 11), DialY(-37 - 11, true), DialX(33 + 11), DialY(-37 + 11, true), {0.16f, 0.17f, 0.16f, 1});
  im.Rect(DialX(72.2f - 22), DialY(-19.1f - 10, true), DialX(72.2f + 22), DialY(-19.1f + 10, true), {0.16f, 0.17f, 0.16f, 1});
  // Front: the bezels round both gauges, a glass sheen and the caps over the pivots.
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 512; ++x) {
      const float ux = x / kDialPxX - 105.0f, uy = y / kDialPxY - 70.0f;
      const float dRev = std::hypot(ux - revX, uy - revY), dLoad = std::hypot(ux - loadX, uy - loadY);
      if (dRev > 66.0f && dRev < 71.0f) im.Blend(x, y, {0.55f, 0.56f, 0.58f, 1}, 1);
      if (dLoad > 38.5f && dLoad < 42.5f) im.Blend(x, y, {0.55f, 0.56f, 0.58f, 1}, 1);
      if (dRev < 66.0f && uy - revY > 20.0f) im.Blend(x, y, {1, 1, 1, 0.06f}, 1);
      if (dRev < 7.0f || dLoad < 5.0f) im.Blend(x, y, {0.2f, 0.2f, 0.22f, 1}, 1);
    }
  return im;
}

// 32: the two needles, each pointing up its half with the pivot where the quad's
// y = 0 falls (12.39 of the 74.36 units from the bottom).
Image Needles() {
  Image im(64, 128, kClear);
  const float pivotY = 128.0f * 12.39f / 74.36f;
  // Left half: the load needle, shorter, since its gauge is the small one.
  im.Polygon({14, pivotY - 8, 18, pivotY - 8, 17.5f, pivotY + 58, 14.5f, pivotY + 58}, {0.95f, 0.55f, 0.1f, 1});
  im.Disc(16, pivotY, 5, {0.2f, 0.2f, 0.2f, 1});
  // Right half: the rev needle, reaching the scale.
  im.Polygon({46, pivotY - 14, 50, pivotY - 14, 49, pivotY + 100, 47, pivotY + 100}, {0.95f, 0.2f, 0.1f, 1});
  im.Disc(48, pivotY, 5, {0.2f, 0.2f, 0.2f, 1});
  return im;
}

Image RatingFill() {  // 34: the rating bar's fill
  Image im(128, 16, kClear);
  for (int x = 0; x < 128; ++x) {
    const float k = x / 127.0f;
    im.Rect(static_cast<float>(x), 3, x + 1.0f, 13, {0.5f + 0.25f * k, 0.7f + 0.23f * k, 0.05f, 1});
  }
  return im;
}

// 35: the selected row, drawn in the panels' dark tone over the row: rules above and
// below the row's text, clear where the text reads (its labels may start left of the
// highlight's end, so the ends stay open).
Image RowHighlight() {
  Image im(256, 16, kClear);
  for (int x = 0; x < 256; ++x) {
    const float fade = std::min(1.0f, std::min(x + 0.5f, 255.5f - x) / 12.0f);
    for (int y : {0, 15}) im.Set(x, y, WithAlpha(kWhite, fade));
    for (int y : {1, 14}) im.Set(x, y, WithAlpha(kWhite, 0.5f * fade));
  }
  return im;
}

// 38: the faint tyre tracks across the dialog. The pages print over all of it (labels,
// values, the track's name): drawn at a quarter alpha, the tracks keep to a shade that
// the small labels still read over.
Image TyreTracks() {
  Image im(256, 128, kClear);
  const Rgba tread = WithAlpha(kDark, 0.2f);
  for (int k = 0; k < 2; ++k) {
    const float y0 = 40.0f + 44 * k;
    for (int x = 0; x < 256; x += 12) {
      const float y = y0 + 10 * std::sin(x * 0.02f);
      im.Polygon({x + 0.0f, y - 9, x + 7.0f, y - 9, x + 10.0f, y + 9, x + 3.0f, y + 9}, tread);
    }
  }
  return im;
}

Image MapBacking() {  // 40: the disc behind a race's track picture
  Image im(128, 128, kClear);
  im.Disc(64, 64, 62, {1, 1, 1, 0.8f});
  im.Ring(64, 64, 40, 42, {1, 1, 1, 1});
  im.Line(64, 4, 64, 124, 2, kWhite);
  im.Line(4, 64, 124, 64, 2, kWhite);
  return im;
}

Image BonusTile() {  // 41: tile of one bonus category
  Image im(128, 128, kClear);
  im.Rect(6, 6, 122, 122, WithAlpha(kDark, 0.85f));
  im.Rect(10, 10, 118, 118, WithAlpha(kLight, 0.12f));
  im.Rect(6, 112, 122, 122, WithAlpha(kAccent, 0.9f));
  return im;
}

Image CarMarkers() {  // 58: upper left the player's arrow, upper right an opponent
  Image im(64, 64, kClear);
  im.Polygon({16, 62, 28, 36, 16, 42, 4, 36}, {0.2f, 0.95f, 0.25f, 1});
  im.Disc(48, 48, 12, {0.95f, 0.2f, 0.1f, 1});
  im.Ring(48, 48, 10, 13, kDark);
  return im;
}

Image BracketIcons() {  // 59: six stage icons side by side
  Image im(384, 64, kClear);
  for (int k = 0; k < 6; ++k) {
    const float cx = 64 * k + 32;
    const Rgba ring = k == 5 ? Rgba{0.95f, 0.78f, 0.2f, 1} : kAccent;
    im.Disc(cx, 32, 29, WithAlpha(kDark, 0.9f));
    im.Ring(cx, 32, 24, 28, ring);
    const int bars = k < 3 ? k + 1 : (k < 5 ? 2 : 1);
    for (int i = 0; i < bars; ++i) {
      const float x = cx - 6.0f * (bars - 1) + 12.0f * i;
      im.Rect(x - 3, 18, x + 3, 46, k >= 3 ? ring : kLight);
    }
  }
  return im;
}

Image Placeholder() { return Image(8, 8, {0.5f, 0.5f, 0.5f, 1}); }

struct NumberedTexture {
  int number;
  Image (*paint)();
  bool alpha;
};

Image ObjectAtlas() {
  Image im(512, 512, {0.5f, 0.5f, 0.5f, 1});
  PaintObjectAtlas(&im);
  return im;
}
Image ObjectNormals() {
  Image im(256, 256, {0.5f, 0.5f, 1, 1});
  PaintObjectNormals(&im);
  return im;
}
Image Smoke() { return Puff({0.55f, 0.55f, 0.55f, 1}, 52); }
Image Dust() { return Puff({0.6f, 0.5f, 0.36f, 1}, 54); }

const NumberedTexture kDrawn[] = {
    {9, LampFlare, true},       {10, BeaconFlare, true},   {12, ArrowSheet, true},
    {13, CellHighlight, true},  {14, ObjectNormals, false}, {15, MapMask, true},
    {16, DialogLorry, true},    {17, ButtonBacking, true}, {18, BarCap, true},
    {19, LoadingBox, false},
    {20, CheckpointMarker, true}, {21, ObjectAtlas, false}, {22, LabelPlate, true},
    {23, StampSheet, true},     {24, IconStrip, true},     {26, MedalsAndLock, true},
    {27, PathDot, true},        {29, Pointer, true},       {30, SunGlare, true},
    {32, Needles, true},        {34, RatingFill, true},    {35, RowHighlight, true},
    {36, Dial, true},           {38, TyreTracks, true},    {40, MapBacking, true},
    {41, BonusTile, true},      {44, BlobShadow, false},   {45, SkidTrace, true},
    {46, SkidNormals, false},   {52, Smoke, true},         {53, LampGlow, true},
    {54, Dust, true},           {58, CarMarkers, true},    {59, BracketIcons, true},
    {67, ReflectionDefault, false}, {70, GrassTint, false},
};

const NumberedTexture* Find(int n) {
  for (const NumberedTexture& t : kDrawn)
    if (t.number == n) return &t;
  return nullptr;
}

}  // namespace

void GenerateNumberedTextures(Output& out) {
  for (int n = 9; n <= 70; ++n) {
    const NumberedTexture* t = Find(n);
    if (t) WriteTexture(out, TexName(n), t->paint(), t->alpha);
    else WriteTexture(out, TexName(n), Placeholder(), false);
  }
}

void CheckNumberedTextures(const std::string& root, std::vector<std::string>* problems) {
  for (int n = 9; n <= 70; ++n) {
    int w = 0, h = 0, c = 0;
    const std::string why = CheckTexture(root, TexName(n), &w, &h, &c);
    if (!why.empty()) {
      problems->push_back(why);
      continue;
    }
    const NumberedTexture* t = Find(n);
    if (t && c != (t->alpha ? 4 : 3)) problems->push_back(TexName(n) + " lacks the alpha channel it is drawn with");
  }
}

}  // namespace basegen
