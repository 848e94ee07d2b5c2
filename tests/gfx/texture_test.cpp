// Texture loading into a real context: what each mode uploads and how, the load-once
// and release rules, refused files, the material-map anisotropy rule, BMP uploads and
// the noise volumes. Files are written by the tests.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "gfx/gl_ext.h"
#include "gfx/image_bmp.h"
#include "gfx/image_tga.h"
#include "gfx/noise.h"
#include "gfx/renderer.h"
#include "gfx/texture.h"
#include "tests/gfx/test_files.h"
#include "tests/gfx/gl_fixture.h"

namespace {

using gfxtest::ScratchDir;
using gfxtest::WriteBytes;

std::vector<uint8_t> Pattern(int w, int h, int components) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * components);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(i * 13 + 1);
  return px;
}

std::string WriteTga(const ScratchDir& dir, const char* name, int w, int h, int components,
                     const std::vector<uint8_t>& px) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(EncodeTGA(w, h, components, px.data(), &bytes));
  const std::string path = dir.File(name);
  EXPECT_TRUE(WriteBytes(path, bytes));
  return path;
}

GLint Param(GLenum pname) {
  GLint v = -1;
  glGetTexParameteriv(GL_TEXTURE_2D, pname, &v);
  return v;
}
GLint Level(int level, GLenum pname) {
  GLint v = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, pname, &v);
  return v;
}

class TextureTest : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    if (IsSkipped()) return;
    FetchTexImage3DEntryPoint();
    MaxAnisotropy = QueryMaxAnisotropy();
  }
  ScratchDir dir_;
};

TEST_F(TextureTest, UploadsStoredRowsAsRgbOrRgba) {
  // Odd widths: a row of 5 RGB texels is 15 bytes, which only a tight unpack reads right.
  for (int components : {3, 4}) {
    SCOPED_TRACE(components);
    const int w = 5, h = 3;
    const std::vector<uint8_t> px = Pattern(w, h, components);
    const std::string path = WriteTga(dir_, components == 3 ? "rgb.tga" : "rgba.tga", w, h, components, px);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // the default a caller may have left
    Texture t;
    ASSERT_TRUE(t.LoadTGA(path.c_str(), kTextureNearest));
    EXPECT_EQ(t.width, w);
    EXPECT_EQ(t.height, h);
    EXPECT_EQ(t.components, components);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(t.name));
    EXPECT_EQ(Level(0, GL_TEXTURE_INTERNAL_FORMAT), components == 3 ? GL_RGB : GL_RGBA);
    std::vector<uint8_t> back(px.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, components == 3 ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, back.data());
    EXPECT_EQ(back, px);  // R and B back in place, rows in stored order
  }
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, EachModeSetsItsFiltersWrapsAndLevels) {
  const std::vector<uint8_t> px = Pattern(8, 8, 4);
  const std::string path = WriteTga(dir_, "m.tga", 8, 8, 4, px);
  struct Mode {
    int mode;
    GLint minFilter, magFilter, wrapS, wrapT;
    bool mipmapped;
  } modes[] = {
      {0, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT, true},
      {1, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT, true},
      {2, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT, false},
      {3, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, true},
      {4, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_CLAMP_TO_EDGE, true},
      {5, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT, false},
      {6, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT, true},
  };
  for (const Mode& m : modes) {
    SCOPED_TRACE(m.mode);
    Texture t;
    ASSERT_TRUE(t.LoadTGA(path.c_str(), m.mode));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(t.name));
    EXPECT_EQ(Param(GL_TEXTURE_MIN_FILTER), m.minFilter);
    EXPECT_EQ(Param(GL_TEXTURE_MAG_FILTER), m.magFilter);
    EXPECT_EQ(Param(GL_TEXTURE_WRAP_S), m.wrapS);
    EXPECT_EQ(Param(GL_TEXTURE_WRAP_T), m.wrapT);
    EXPECT_EQ(Level(0, GL_TEXTURE_WIDTH), 8);
    EXPECT_EQ(Level(1, GL_TEXTURE_WIDTH), m.mipmapped ? 4 : 0);
  }
  // An unknown mode leaves a created, empty name.
  Texture odd;
  EXPECT_TRUE(odd.LoadTGA(path.c_str(), 7));
  ASSERT_NE(odd.name, -1);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(odd.name));
  EXPECT_EQ(Level(0, GL_TEXTURE_WIDTH), 0);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, LoadsOnceAndReleasesCleanly) {
  const std::string path = WriteTga(dir_, "once.tga", 4, 4, 3, Pattern(4, 4, 3));
  Texture t;
  ASSERT_TRUE(t.LoadTGA(path.c_str(), 0));
  const int name = t.name;
  ASSERT_EQ(std::remove(path.c_str()), 0);
  EXPECT_TRUE(t.LoadTGA(path.c_str(), 0)) << "a loaded record must not read the file again";
  EXPECT_EQ(t.name, name);
  t.Release();
  EXPECT_EQ(t.name, -1);
  EXPECT_FALSE(glIsTexture(static_cast<GLuint>(name)));
  EXPECT_FALSE(t.LoadTGA(path.c_str(), 0)) << "released, it reads again, and the file is gone";

  Texture empty;
  empty.Release();
  EXPECT_EQ(empty.name, -1);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, RefusedFilesLeaveTheRecordEmpty) {
  std::vector<uint8_t> rle = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0};
  rle.resize(rle.size() + 12, 0x55);
  ASSERT_TRUE(WriteBytes(dir_.File("rle.tga"), rle));
  std::vector<uint8_t> shortFile = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 32, 0, 1, 2, 3};
  ASSERT_TRUE(WriteBytes(dir_.File("short.tga"), shortFile));
  for (const char* name : {"rle.tga", "short.tga", "missing.tga"}) {
    SCOPED_TRACE(name);
    Texture t;
    EXPECT_FALSE(t.LoadTGA(dir_.File(name).c_str(), 0));
    EXPECT_EQ(t.name, -1);
    EXPECT_EQ(t.components, 0);
    EXPECT_EQ(LoadTGATexture(dir_.File(name).c_str(), false), -1);
  }
  Texture t;
  EXPECT_FALSE(t.LoadTGA(nullptr, 0));
  EXPECT_EQ(LoadTGATexture(nullptr, false), -1);
  EXPECT_EQ(LoadBMPTexture(nullptr, false), -1);
  EXPECT_EQ(LoadBMPTexture(dir_.File("rle.tga").c_str(), false), -1);
}

// One level wider than the driver takes: the driver refuses the upload, so the load
// fails and no empty texture is left behind (mipmapped uploads go through GLU, which
// shrinks an oversize image itself).
TEST_F(TextureTest, AnUploadTheDriverRefusesIsAFailure) {
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  ASSERT_GT(maxSize, 0);
  if (maxSize >= 65535) GTEST_SKIP() << "this driver takes every width a TGA can hold";
  const int w = maxSize + 1;
  const std::string path = WriteTga(dir_, "wide.tga", w, 1, 3, Pattern(w, 1, 3));
  for (int mode : {kTextureNearest, kTextureCompressedFlat}) {
    SCOPED_TRACE(mode);
    GLuint probe = 0;
    glGenTextures(1, &probe);  // the name the load will be given next
    glDeleteTextures(1, &probe);
    Texture t;
    EXPECT_FALSE(t.LoadTGA(path.c_str(), mode));
    EXPECT_EQ(t.name, -1);
    EXPECT_EQ(t.width, 0);
    EXPECT_EQ(t.components, 0);
    EXPECT_FALSE(glIsTexture(probe)) << "the refused texture's name was kept";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "the refusal's error was left for the next caller";
  }
  // The same image through the mipmapped path still loads.
  Texture fits;
  EXPECT_TRUE(fits.LoadTGA(path.c_str(), kTextureMipmapped));
  EXPECT_GT(LoadTGATexture(path.c_str(), false), 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, MaterialMapsFollowTheFilteringOption) {
  const std::string path = WriteTga(dir_, "mat.tga", 8, 8, 3, Pattern(8, 8, 3));
  if (MaxAnisotropy <= 0) GTEST_SKIP() << "the driver has no anisotropic filtering";
  const RendererSetup saved = RenderSetup;
  const int savedMax = MaxAnisotropy;
  MaxAnisotropy = 8;
  for (int filtering : {0, 1}) {
    SCOPED_TRACE(filtering);
    RenderSetup.textureFiltering = filtering;
    const int name = LoadTGATexture(path.c_str(), filtering == 1);
    ASSERT_NE(name, -1);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
    GLfloat a = 0;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &a);
    EXPECT_EQ(a, filtering == 1 ? 7.0f : 1.0f);
    EXPECT_EQ(Param(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(Param(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(Param(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(Level(1, GL_TEXTURE_WIDTH), 4);
    const GLuint n = static_cast<GLuint>(name);
    glDeleteTextures(1, &n);
  }
  MaxAnisotropy = savedMax;
  RenderSetup = saved;
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Mode 6 takes the material maps' rule: anisotropy only with "Texture filtering" set to
// anisotropic. The landscape's maps load in this mode, and at anisotropy 15 a software
// rasteriser spends 53 ms a frame on them.
TEST_F(TextureTest, AnisotropicModeFollowsTheFilteringOption) {
  const std::string path = WriteTga(dir_, "aniso.tga", 8, 8, 3, Pattern(8, 8, 3));
  if (MaxAnisotropy <= 0) GTEST_SKIP() << "the driver has no anisotropic filtering";
  const RendererSetup saved = RenderSetup;
  for (int filtering : {0, 1}) {
    SCOPED_TRACE(filtering);
    RenderSetup.textureFiltering = filtering;
    Texture t;
    ASSERT_TRUE(t.LoadTGA(path.c_str(), kTextureAnisotropic));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(t.name));
    GLfloat a = 0;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &a);
    EXPECT_EQ(a, filtering == 1 ? static_cast<float>(AnisotropyBelowMaximum(MaxAnisotropy)) : 1.0f);
    // Trilinear either way.
    EXPECT_EQ(Param(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(Level(1, GL_TEXTURE_WIDTH), 4);
  }
  RenderSetup = saved;
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, BmpMaterialMapUploadsBottomRowFirst) {
  const int w = 4, h = 2;
  std::vector<uint8_t> rgb(w * h * 3, 0);
  rgb[0] = 250;  // first texel of the bottom row: red
  rgb[(w * (h - 1)) * 3 + 2] = 240;  // first texel of the top row: blue
  std::vector<uint8_t> file;
  ASSERT_TRUE(EncodeBMP(w, h, rgb.data(), &file));
  ASSERT_TRUE(WriteBytes(dir_.File("m.bmp"), file));
  const int name = LoadBMPTexture(dir_.File("m.bmp").c_str(), false);
  ASSERT_NE(name, -1);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
  EXPECT_EQ(Level(0, GL_TEXTURE_WIDTH), w);
  EXPECT_EQ(Level(0, GL_TEXTURE_HEIGHT), h);
  EXPECT_EQ(Param(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  std::vector<uint8_t> back(rgb.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
  EXPECT_EQ(back, rgb);
  const GLuint n = static_cast<GLuint>(name);
  glDeleteTextures(1, &n);
  EXPECT_EQ(LoadBMPTexture(dir_.File("missing.bmp").c_str(), false), -1);
}

TEST_F(TextureTest, NoiseVolumes) {
  ASSERT_NE(GlExt.glTexImage3D, nullptr);
  unsigned int smooth = 0, random = 0;
  EXPECT_TRUE(CreateNoiseTexture3D(&smooth, 16));
  EXPECT_TRUE(CreateRandomTexture3D(&random, 16));
  for (unsigned int name : {smooth, random}) {
    ASSERT_NE(name, 0u);
    glBindTexture(GL_TEXTURE_3D, name);
    GLint v = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_DEPTH, &v);
    EXPECT_EQ(v, 16);
    glGetTexParameteriv(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, &v);
    EXPECT_EQ(v, GL_REPEAT);
  }
  // The smooth volume's neighbours differ by at most 64 per channel, in GL as in memory.
  std::vector<uint8_t> texels(16 * 16 * 16 * 3);
  glBindTexture(GL_TEXTURE_3D, smooth);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_3D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  for (size_t i = 3; i < texels.size(); ++i) ASSERT_LE(std::abs(texels[i] - texels[i - 3]), 64) << i;
  glDeleteTextures(1, &smooth);
  glDeleteTextures(1, &random);

  // Without the 3D upload entry point nothing is made.
  const auto upload = GlExt.glTexImage3D;
  GlExt.glTexImage3D = nullptr;
  unsigned int none = 0;
  EXPECT_FALSE(CreateNoiseTexture3D(&none, 16));
  EXPECT_EQ(none, 0u);
  GlExt.glTexImage3D = upload;
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The planes texture holds what the volume's linear filter reads at r = 0.25 and 0.75:
// on 16 slices, the means of slices 3 and 4 and of 11 and 12, from the same texels.
TEST_F(TextureTest, NoisePlanesAreTheVolumeReadAtTheirDepths) {
  ASSERT_NE(GlExt.glTexImage3D, nullptr);
  unsigned int volume = 0, planes = 0;
  ASSERT_TRUE(CreateNoiseTextures(&volume, &planes, 16));
  ASSERT_NE(volume, 0u);
  ASSERT_NE(planes, 0u);
  std::vector<uint8_t> v(16 * 16 * 16 * 3), p(16 * 16 * 2);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_3D, volume);
  glGetTexImage(GL_TEXTURE_3D, 0, GL_RGB, GL_UNSIGNED_BYTE, v.data());
  glBindTexture(GL_TEXTURE_2D, planes);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, p.data());
  GLint filter = 0, wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(filter, GL_LINEAR);
  EXPECT_EQ(wrap, GL_REPEAT);
  auto red = [&](int slice, int i) { return static_cast<double>(v[(static_cast<size_t>(slice) * 256 + i) * 3]); };
  for (int i = 0; i < 256; ++i) {
    ASSERT_NEAR(p[i * 2], (red(3, i) + red(4, i)) / 2, 0.5) << i;
    ASSERT_NEAR(p[i * 2 + 1], (red(11, i) + red(12, i)) / 2, 0.5) << i;
  }
  // On two slices the depths fall on the slices' centres: each plane is one slice.
  std::vector<uint8_t> two(2 * 2 * 2 * 3, 0);
  for (int i = 0; i < 4; ++i) two[(4 + i) * 3] = 200;  // slice 1 at 200, slice 0 at 0
  uint8_t twoOut[2 * 2 * 2] = {};
  FillNoisePlanes(two.data(), 2, twoOut);
  EXPECT_EQ(twoOut[0], 0) << "r = 0.25 on two slices is slice 0's centre";
  EXPECT_EQ(twoOut[1], 200) << "r = 0.75 is slice 1's";
  glDeleteTextures(1, &volume);
  glDeleteTextures(1, &planes);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
