// The visible part of a sprite texture: the traced polygon must hold every point whose
// bilinear sample takes in a visible texel (or a trimmed particle would lose pixels),
// and should leave out the clear corners of a round puff (or trimming saves nothing).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "gfx/sprite_outline.h"

namespace {

struct Rgba {
  int w, h;
  std::vector<uint8_t> px;
  Rgba(int width, int height) : w(width), h(height), px(static_cast<size_t>(width) * height * 4, 0) {}
  void Alpha(int x, int y, uint8_t a) { px[(static_cast<size_t>(y) * w + x) * 4 + 3] = a; }
  uint8_t AlphaAt(int x, int y) const { return px[(static_cast<size_t>(y) * w + x) * 4 + 3]; }
};

// A soft disc of the given radius in texels around the texture's centre.
Rgba Disc(int w, int h, float radius) {
  Rgba im(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float dx = (x + 0.5f - w * 0.5f) / radius, dy = (y + 0.5f - h * 0.5f) / radius;
      const float q = std::sqrt(dx * dx + dy * dy);
      if (q < 1.0f) im.Alpha(x, y, static_cast<uint8_t>(1 + 254 * (1 - q) * (1 - q)));
    }
  return im;
}

// Inside or on the convex, counter-clockwise polygon.
bool Inside(const SpriteOutline& o, float s, float t) {
  for (int i = 0; i < o.corners; ++i) {
    const int j = (i + 1) % o.corners;
    const float cross = (o.s[j] - o.s[i]) * (t - o.t[i]) - (o.t[j] - o.t[i]) * (s - o.s[i]);
    if (cross < -1.0e-6f) return false;
  }
  return o.corners >= 3;
}

float Area(const SpriteOutline& o) {
  float a = 0;
  for (int i = 0; i < o.corners; ++i) {
    const int j = (i + 1) % o.corners;
    a += o.s[i] * o.t[j] - o.s[j] * o.t[i];
  }
  return 0.5f * a;
}

// Every point where a bilinear sample of the base level weighs a visible texel, on a
// grid finer than the texels: each visible texel's reach of one texel around its centre.
void ExpectHoldsEveryVisibleSample(const Rgba& im, const SpriteOutline& o) {
  constexpr int kSteps = 8;
  int outside = 0;
  for (int y = 0; y < im.h; ++y)
    for (int x = 0; x < im.w; ++x) {
      if (im.AlphaAt(x, y) == 0) continue;
      for (int i = 0; i <= 2 * kSteps; ++i)
        for (int j = 0; j <= 2 * kSteps; ++j) {
          const float s = (x + 0.5f + (i - kSteps) / static_cast<float>(kSteps)) / im.w;
          const float t = (y + 0.5f + (j - kSteps) / static_cast<float>(kSteps)) / im.h;
          if (s < 0 || s > 1 || t < 0 || t > 1) continue;
          if (!Inside(o, s, t)) ++outside;
        }
    }
  EXPECT_EQ(0, outside);
}

TEST(SpriteOutlineTest, RoundPuffKeepsEveryVisibleSampleAndDropsTheCorners) {
  const Rgba puff = Disc(64, 64, 28.0f);
  const SpriteOutline o = TraceSpriteOutline(puff.px.data(), puff.w, puff.h);
  ASSERT_EQ(8, o.corners);
  EXPECT_EQ(64, o.texels);
  ExpectHoldsEveryVisibleSample(puff, o);
  EXPECT_GT(Area(o), 0.0f);  // counter-clockwise
  // A disc of radius 28 (plus the sampler's reach) in a square of 64: the octagon
  // around it covers about three quarters of the square, and none of its corners.
  EXPECT_LT(Area(o), 0.8f);
  EXPECT_GT(Area(o), 0.6f);
  for (float s : {0.02f, 0.98f})
    for (float t : {0.02f, 0.98f}) EXPECT_FALSE(Inside(o, s, t)) << s << ", " << t;
  EXPECT_TRUE(Inside(o, 0.5f, 0.5f));
}

TEST(SpriteOutlineTest, OblongAndOffCentreSpritesAreTracedInTheirOwnAxes) {
  Rgba im(64, 32);
  // A visible block in the upper right quarter only.
  for (int y = 18; y < 28; ++y)
    for (int x = 40; x < 58; ++x) im.Alpha(x, y, 200);
  const SpriteOutline o = TraceSpriteOutline(im.px.data(), im.w, im.h);
  ASSERT_GE(o.corners, 4);
  EXPECT_EQ(64, o.texels);
  ExpectHoldsEveryVisibleSample(im, o);
  EXPECT_FALSE(Inside(o, 0.25f, 0.25f));
  EXPECT_FALSE(Inside(o, 0.5f, 0.5f));
  EXPECT_LT(Area(o), 0.15f);
}

TEST(SpriteOutlineTest, VisibleEdgeTexelKeepsTheWholeSquare) {
  // Repeat wrapping samples an edge texel from the opposite edge as well.
  Rgba im = Disc(32, 32, 10.0f);
  im.Alpha(0, 16, 10);
  const SpriteOutline o = TraceSpriteOutline(im.px.data(), im.w, im.h);
  ASSERT_EQ(4, o.corners);
  EXPECT_FLOAT_EQ(1.0f, Area(o));
}

TEST(SpriteOutlineTest, ClearOrMissingTexturesShowNothing) {
  const Rgba clear(16, 16);
  const SpriteOutline o = TraceSpriteOutline(clear.px.data(), clear.w, clear.h);
  EXPECT_EQ(0, o.corners);
  EXPECT_EQ(16, o.texels);
  EXPECT_EQ(0, TraceSpriteOutline(nullptr, 16, 16).corners);
  EXPECT_EQ(0, TraceSpriteOutline(clear.px.data(), 0, 16).corners);
}

}  // namespace
