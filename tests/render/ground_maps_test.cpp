// The packed ground maps hold, level by level, the texels the road and landscape
// programs read from the maps they replace: the detail pair's luminance, the road's
// colour (a compressed one as the sampler decodes it) with its alpha map's levels of the
// same size, the ground's twelve channels byte for byte, made once per race load and
// made again after one.
#include "render/ground_maps.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "tests/gfx/gl_fixture.h"

namespace {

// A mipmapped map of side n built as the loader builds one, texel (x, y) = f(x, y).
template <class F>
GLuint MakeMap(int n, GLenum internalFormat, F f) {
  std::vector<uint8_t> rgb(static_cast<size_t>(n) * n * 3);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) f(x, y, &rgb[(static_cast<size_t>(y) * n + x) * 3]);
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(internalFormat), n, n, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return name;
}

struct Read {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

Read ReadLevel(GLuint name, int level) {
  Read r;
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &r.width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &r.height);
  r.rgba.assign(static_cast<size_t>(r.width) * r.height * 4, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (r.width > 0) glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, r.rgba.data());
  return r;
}

int LuminanceOf(const uint8_t* c) { return static_cast<int>(std::lround(0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2])); }

class GroundMaps : public gltest::GlTest {
 protected:
  void TearDown() override { InvalidateGroundMaps(); }
};

TEST_F(GroundMaps, DetailPairHoldsEachMapsLuminanceAtEveryLevel) {
  const GLuint a = MakeMap(8, GL_RGB, [](int x, int y, uint8_t* c) {
    c[0] = static_cast<uint8_t>(30 * x);
    c[1] = static_cast<uint8_t>(20 * y + 5);
    c[2] = static_cast<uint8_t>(200 - 10 * x);
  });
  const GLuint b = MakeMap(8, GL_RGB, [](int x, int y, uint8_t* c) {
    c[0] = static_cast<uint8_t>(250 - 25 * y);
    c[1] = static_cast<uint8_t>(7 * x * y);
    c[2] = 90;
  });
  const GLuint pair = DetailLuminanceMap(static_cast<int>(a), static_cast<int>(b));
  ASSERT_NE(pair, 0u);
  EXPECT_EQ(DetailLuminanceMap(static_cast<int>(a), static_cast<int>(b)), pair) << "made once, then kept";
  for (int level = 0; level <= 3; ++level) {
    const Read ra = ReadLevel(a, level), rb = ReadLevel(b, level), rp = ReadLevel(pair, level);
    ASSERT_EQ(rp.width, ra.width) << level;
    for (int y = 0; y < rp.height; ++y)
      for (int x = 0; x < rp.width; ++x) {
        // A luminance-alpha map reads back as (L, L, L, A).
        EXPECT_EQ(rp.At(x, y)[0], LuminanceOf(ra.At(x, y))) << level << " " << x << "," << y;
        EXPECT_EQ(rp.At(x, y)[3], LuminanceOf(rb.At(x, y))) << level << " " << x << "," << y;
      }
  }
  GLint filter = 0;
  glBindTexture(GL_TEXTURE_2D, pair);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
  EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR) << "sampled as the maps it replaces";

  const GLuint small = MakeMap(4, GL_RGB, [](int, int, uint8_t* c) { c[0] = c[1] = c[2] = 1; });
  EXPECT_EQ(DetailLuminanceMap(static_cast<int>(a), static_cast<int>(small)), 0u) << "maps of two sizes";
  EXPECT_EQ(DetailLuminanceMap(0, static_cast<int>(b)), 0u);
  for (GLuint t : {a, b, small}) glDeleteTextures(1, &t);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GroundMaps, RoadTakesItsDecodedLevelsAndTheAlphaMapsLevelOfEachSize) {
  // The road compressed, as the world's material maps are: the packed map must hold
  // what the sampler decoded, not a new chain.
  const GLuint road = MakeMap(16, GL_COMPRESSED_RGB_ARB, [](int x, int y, uint8_t* c) {
    c[0] = static_cast<uint8_t>(16 * x);
    c[1] = static_cast<uint8_t>(16 * y);
    c[2] = static_cast<uint8_t>((x * 37 + y * 11) % 256);
  });
  // A ramp across, as the road's alpha map is.
  const GLuint alpha =
      MakeMap(4, GL_RGB, [](int x, int, uint8_t* c) { c[0] = c[1] = c[2] = static_cast<uint8_t>(60 * x + 10); });
  const GLuint packed = RoadMapWithAlpha(static_cast<int>(road), static_cast<int>(alpha));
  ASSERT_NE(packed, 0u);
  for (int level = 0; level <= 4; ++level) {
    const Read rr = ReadLevel(road, level), rp = ReadLevel(packed, level);
    ASSERT_EQ(rp.width, rr.width) << level;
    for (size_t i = 0; i < rp.rgba.size(); i += 4)
      for (int c = 0; c < 3; ++c) ASSERT_EQ(rp.rgba[i + c], rr.rgba[i + c]) << "level " << level << " texel " << i / 4;
  }
  // Levels 2 to 4 (4, 2 and 1 texels a side) are the alpha map's levels 0 to 2.
  for (int level = 2; level <= 4; ++level) {
    const Read ra = ReadLevel(alpha, level - 2), rp = ReadLevel(packed, level);
    for (int y = 0; y < rp.height; ++y)
      for (int x = 0; x < rp.width; ++x) EXPECT_EQ(rp.At(x, y)[3], ra.At(x, y)[0]) << level << " " << x << "," << y;
  }
  // The base level reads the alpha map by its linear filter: texel 6's centre, 6.5 / 16
  // across, lies 1.125 texels into the alpha map's four, between 70 and 130.
  const Read base = ReadLevel(packed, 0);
  EXPECT_NEAR(base.At(6, 3)[3], 70 + 0.125 * 60, 0.5);
  // The edge repeats: texel 0's centre lies 0.625 of the way from the alpha map's last
  // texel to its first.
  EXPECT_NEAR(base.At(0, 0)[3], 190 * 0.375 + 10 * 0.625, 0.5);
  for (GLuint t : {road, alpha}) glDeleteTextures(1, &t);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GroundMaps, RoadGroundPacksTwelveChannelsFourToAMapAtEveryLevel) {
  GLuint maps[kGroundSources];
  for (int m = 0; m < kGroundSources; ++m)
    maps[m] = MakeMap(8, GL_RGB, [m](int x, int y, uint8_t* c) {
      for (int k = 0; k < 3; ++k) c[k] = static_cast<uint8_t>(m * 60 + k * 20 + x * 3 + y * 5);
    });
  const int names[kGroundSources] = {static_cast<int>(maps[0]), static_cast<int>(maps[1]), static_cast<int>(maps[2]),
                                     static_cast<int>(maps[3])};
  unsigned packs[kGroundPacks] = {};
  ASSERT_TRUE(RoadGroundMaps(names, packs));
  for (int level = 0; level <= 3; ++level) {
    Read in[kGroundSources], out[kGroundPacks];
    for (int m = 0; m < kGroundSources; ++m) in[m] = ReadLevel(maps[m], level);
    for (int p = 0; p < kGroundPacks; ++p) out[p] = ReadLevel(packs[p], level);
    for (int y = 0; y < in[0].height; ++y)
      for (int x = 0; x < in[0].width; ++x)
        for (int channel = 0; channel < 12; ++channel)
          ASSERT_EQ(out[channel / 4].At(x, y)[channel % 4], in[channel / 3].At(x, y)[channel % 3])
              << "level " << level << " channel " << channel;
  }
  unsigned again[kGroundPacks] = {};
  EXPECT_TRUE(RoadGroundMaps(names, again));
  EXPECT_EQ(again[0], packs[0]) << "made once, then kept";
  const int missing[kGroundSources] = {names[0], names[1], 0, names[3]};
  EXPECT_FALSE(RoadGroundMaps(missing, again));
  for (GLuint t : maps) glDeleteTextures(1, &t);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GroundMaps, ARaceLoadMakesThemAgainFromTheMapsThenLoaded) {
  auto grey = [](uint8_t v) {
    return MakeMap(4, GL_RGB, [v](int, int, uint8_t* c) { c[0] = c[1] = c[2] = v; });
  };
  const GLuint a = grey(100), b = grey(200);
  const GLuint first = DetailLuminanceMap(static_cast<int>(a), static_cast<int>(b));
  ASSERT_NE(first, 0u);
  // The next race's maps may come back under the same names with other texels.
  std::vector<uint8_t> texels(4 * 4 * 3, 40);
  glBindTexture(GL_TEXTURE_2D, a);
  gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, 4, 4, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  EXPECT_EQ(ReadLevel(DetailLuminanceMap(static_cast<int>(a), static_cast<int>(b)), 0).At(0, 0)[0], 100)
      << "kept until the race load";
  InvalidateGroundMaps();
  EXPECT_FALSE(glIsTexture(first)) << "the old map is deleted";
  const GLuint second = DetailLuminanceMap(static_cast<int>(a), static_cast<int>(b));
  ASSERT_NE(second, 0u);
  EXPECT_EQ(ReadLevel(second, 0).At(0, 0)[0], 40);
  EXPECT_EQ(ReadLevel(second, 0).At(0, 0)[3], 200);
  for (GLuint t : {a, b}) glDeleteTextures(1, &t);
}

}  // namespace
