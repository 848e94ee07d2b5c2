// Each lorry's three skins: car.tga (its paint and every fitting, region by region),
// car_normal.tga (panel seams and tread) and car_dirt_mask.tga (where dirt may land).
// The running-gear region is painted identically for every car because the shared
// axle and hub models sample it through whichever car's skin is bound.
#include <cmath>
#include <string>

#include "tools/basegen/gen_cars_layout.h"
#include "tools/basegen/gen_textures_image.h"

namespace basegen {

namespace {

constexpr int kSkinW = 512, kSkinH = 256;
constexpr int kMapW = 256, kMapH = 128;

Rgba Zone(const CarSetup& p, int z) { return {p.paint[z][0], p.paint[z][1], p.paint[z][2], 1}; }

Rgba Shade(Rgba c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

// A region in pixels of an image of width w and height h.
struct Px {
  float x0, y0, x1, y1;
};
Px ToPx(UvRect r, int w, int h) { return {r.u0 * w, r.v0 * h, r.u1 * w, r.v1 * h}; }

void Fill(Image* im, UvRect r, Rgba c) {
  const Px p = ToPx(r, im->width(), im->height());
  im->Rect(p.x0, p.y0, p.x1, p.y1, c);
}

void PaintPanel(Image* im, UvRect r, Rgba base, Rgba stripe, bool ribs) {
  const Px p = ToPx(r, im->width(), im->height());
  // Lighter towards the top, the way sky light falls on a panel.
  for (int y = static_cast<int>(p.y0); y < static_cast<int>(p.y1); ++y) {
    const float k = 0.85f + 0.25f * (y - p.y0) / (p.y1 - p.y0);
    im->Rect(p.x0, static_cast<float>(y), p.x1, y + 1.0f, Shade(base, k));
  }
  const float h = p.y1 - p.y0, w = p.x1 - p.x0;
  im->Rect(p.x0, p.y0 + 0.3f * h, p.x1, p.y0 + 0.36f * h, stripe);
  // Panel seams and a row of rivets along the bottom.
  for (int i = 1; i < 4; ++i) im->Rect(p.x0 + i * w / 4, p.y0, p.x0 + i * w / 4 + 1, p.y1, Shade(base, 0.55f));
  if (ribs)
    for (int i = 0; i < 16; ++i) im->Rect(p.x0 + i * w / 16, p.y0, p.x0 + i * w / 16 + 2, p.y1, Shade(base, 0.75f));
  for (int i = 0; i < 12; ++i) im->Disc(p.x0 + (i + 0.5f) * w / 12, p.y0 + 0.08f * h, 1.6f, Shade(base, 0.5f));
}

void PaintLamp(Image* im, UvRect r, Rgba c) {
  const Px p = ToPx(r, im->width(), im->height());
  Fill(im, r, Shade(c, 0.55f));
  im->SoftBlob((p.x0 + p.x1) / 2, (p.y0 + p.y1) / 2, (p.x1 - p.x0) * 0.55f, c, 0.7f);
}

void PaintTread(Image* im, UvRect r) {
  const Px p = ToPx(r, im->width(), im->height());
  Fill(im, r, {0.07f, 0.07f, 0.07f, 1});
  // Chevron blocks across the tread, repeating around the tyre (u).
  const float w = p.x1 - p.x0, h = p.y1 - p.y0;
  for (int i = 0; i < 24; ++i) {
    const float x = p.x0 + i * w / 24;
    im->Polygon({x, p.y0 + 0.1f * h, x + 6, p.y0 + 0.1f * h, x + 10, p.y0 + 0.5f * h, x + 4, p.y0 + 0.5f * h},
                {0.16f, 0.16f, 0.15f, 1});
    im->Polygon({x + 4, p.y0 + 0.5f * h, x + 10, p.y0 + 0.5f * h, x + 6, p.y0 + 0.9f * h, x, p.y0 + 0.9f * h},
                {0.16f, 0.16f, 0.15f, 1});
  }
}

void PaintDisc(Image* im, UvRect r, Rgba base, Rgba ring, int bolts) {
  const Px p = ToPx(r, im->width(), im->height());
  const float cx = (p.x0 + p.x1) / 2, cy = (p.y0 + p.y1) / 2, rad = (p.x1 - p.x0) / 2;
  Fill(im, r, Shade(base, 0.6f));
  im->Disc(cx, cy, rad * 0.98f, base);
  im->Ring(cx, cy, rad * 0.7f, rad * 0.78f, ring);
  for (int i = 0; i < bolts; ++i) {
    const float a = i * 6.2831853f / bolts;
    im->Disc(cx + 0.45f * rad * std::cos(a), cy + 0.45f * rad * std::sin(a), rad * 0.07f, Shade(base, 0.4f));
  }
  im->Disc(cx, cy, rad * 0.2f, Shade(base, 0.7f));
}

Image ColourSkin(const CarSetup& p, int model) {
  Image im(kSkinW, kSkinH, {0.3f, 0.3f, 0.3f, 1});
  PaintPanel(&im, kUvCabPaint, Zone(p, 0), Zone(p, 5), false);
  PaintPanel(&im, kUvBedPaint, Zone(p, 1), Zone(p, 6), model % 3 == 1);
  Fill(&im, kUvChassis, Zone(p, 2));
  {
    const Px q = ToPx(kUvBedFloor, kSkinW, kSkinH);
    Fill(&im, kUvBedFloor, {0.45f, 0.32f, 0.18f, 1});
    for (int i = 0; i < 8; ++i) im.Rect(q.x0, q.y0 + i * (q.y1 - q.y0) / 8, q.x1, q.y0 + i * (q.y1 - q.y0) / 8 + 1, {0.28f, 0.2f, 0.1f, 1});
  }
  {
    const Px q = ToPx(kUvGrille, kSkinW, kSkinH);
    Fill(&im, kUvGrille, Zone(p, 3));
    for (int i = 0; i < 10; ++i) {
      const float x = q.x0 + 6 + i * (q.x1 - q.x0 - 12) / 10;
      im.Rect(x, q.y0 + 6, x + 6, q.y1 - 8, {0.05f, 0.05f, 0.05f, 1});
    }
  }
  PaintLamp(&im, kUvHeadlamp, {1.0f, 0.97f, 0.85f, 1});
  PaintLamp(&im, kUvTailLamp, {0.85f, 0.08f, 0.05f, 1});
  PaintLamp(&im, kUvBrakeLamp, {1.0f, 0.2f, 0.12f, 1});
  PaintLamp(&im, kUvReverseLamp, {0.95f, 0.95f, 0.95f, 1});
  PaintLamp(&im, kUvBeacon, {1.0f, 0.55f, 0.05f, 1});
  Fill(&im, kUvStripe, Zone(p, 5));
  {
    const Px q = ToPx(kUvGlass, kSkinW, kSkinH);
    for (int y = static_cast<int>(q.y0); y < static_cast<int>(q.y1); ++y) {
      const float k = (y - q.y0) / (q.y1 - q.y0);
      im.Rect(q.x0, static_cast<float>(y), q.x1, y + 1.0f, {0.1f + 0.25f * k, 0.14f + 0.28f * k, 0.18f + 0.3f * k, 1});
    }
    im.Line(q.x0 + 10, q.y0 + 4, q.x0 + 40, q.y1 - 4, 6, {0.6f, 0.65f, 0.7f, 0.5f});
  }
  PaintTread(&im, kUvTread);
  PaintDisc(&im, kUvSidewall, {0.1f, 0.1f, 0.1f, 1}, {0.18f, 0.18f, 0.18f, 1}, 0);
  PaintDisc(&im, kUvRim, Zone(p, 4), Shade(Zone(p, 4), 0.7f), 8);
  Fill(&im, kUvSteel, {0.42f, 0.43f, 0.45f, 1});
  Rng grain(1000 + model);
  im.Grain(grain, 0.02f);
  // Painted last, with its own seed, so it is the same pixels in every skin.
  Image gear(kSkinW / 4, kSkinH / 2, {0.22f, 0.22f, 0.23f, 1});
  Rng gearGrain(4242);
  gear.Grain(gearGrain, 0.03f);
  const Px g = ToPx(kUvRunningGear, kSkinW, kSkinH);
  for (int y = 0; y < gear.height(); ++y)
    for (int x = 0; x < gear.width(); ++x) im.Set(static_cast<int>(g.x0) + x, static_cast<int>(g.y0) + y, gear.At(x, y));
  return im;
}

Image NormalSkin() {
  Image im(kMapW, kMapH, {0.5f, 0.5f, 1, 1});
  // Seams across the panel regions and grooves across the tread.
  for (UvRect r : {kUvCabPaint, kUvBedPaint}) {
    const Px q = ToPx(r, kMapW, kMapH);
    for (int i = 1; i < 4; ++i) {
      const float x = q.x0 + i * (q.x1 - q.x0) / 4;
      im.Rect(x - 1, q.y0, x, q.y1, {0.3f, 0.5f, 0.92f, 1});
      im.Rect(x, q.y0, x + 1, q.y1, {0.7f, 0.5f, 0.92f, 1});
    }
  }
  const Px t = ToPx(kUvTread, kMapW, kMapH);
  for (int i = 0; i < 24; ++i) {
    const float x = t.x0 + i * (t.x1 - t.x0) / 24;
    im.Rect(x, t.y0, x + 1, t.y1, {0.25f, 0.5f, 0.9f, 1});
    im.Rect(x + 2, t.y0, x + 3, t.y1, {0.75f, 0.5f, 0.9f, 1});
  }
  return im;
}

Image DirtMask() {
  // White takes dirt, black stays clean: lamps and glass are wiped, paint gathers it
  // towards the bottom of each face, wheels and running gear take the most.
  Image im(kMapW, kMapH, {0.8f, 0.8f, 0.8f, 1});
  for (UvRect r : {kUvCabPaint, kUvBedPaint}) {
    const Px q = ToPx(r, kMapW, kMapH);
    for (int y = static_cast<int>(q.y0); y < static_cast<int>(q.y1); ++y) {
      const float k = 1.0f - 0.7f * (y - q.y0) / (q.y1 - q.y0);
      im.Rect(q.x0, static_cast<float>(y), q.x1, y + 1.0f, {k, k, k, 1});
    }
  }
  for (UvRect r : {kUvHeadlamp, kUvTailLamp, kUvBrakeLamp, kUvReverseLamp, kUvBeacon, kUvGlass}) Fill(&im, r, {0, 0, 0, 1});
  for (UvRect r : {kUvTread, kUvSidewall, kUvRunningGear, kUvChassis}) Fill(&im, r, {1, 1, 1, 1});
  return im;
}

}  // namespace

void PaintCarSkins(Output& out, const std::string& folder, const CarSetup& preset, int model) {
  WriteTexture(out, folder + "car.tga", ColourSkin(preset, model), false);
  WriteTexture(out, folder + "car_normal.tga", NormalSkin(), false);
  WriteTexture(out, folder + "car_dirt_mask.tga", DirtMask(), false);
}

}  // namespace basegen
