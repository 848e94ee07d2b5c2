// Model draw variants and scene lights in a real GL context: each variant draws a
// generated two-quad model (left half material 0, right half material 1) into a
// framebuffer, and the pixels and the texture units afterwards are what the render
// passes rely on.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/scratch_dir.h"
#include "gfx/gl_ext.h"
#include "gfx/image_tga.h"
#include "gfx/lights.h"
#include "gfx/links.h"
#include "gfx/milkshape.h"
#include "gfx/renderer.h"
#include "platform/gl_proc.h"
#include "tests/gfx/test_meshes.h"
#include "tests/gfx/gl_fixture.h"

namespace {

constexpr int kW = 64, kH = 32;

struct Rgba {
  int r, g, b, a;
};

Rgba At(const std::vector<uint8_t>& px, int x, int y) {
  const uint8_t* p = &px[(static_cast<size_t>(y) * kW + x) * 4];
  return Rgba{p[0], p[1], p[2], p[3]};
}

void ExpectColour(const Rgba& c, int r, int g, int b, const char* where) {
  EXPECT_NEAR(r, c.r, 6) << where;
  EXPECT_NEAR(g, c.g, 6) << where;
  EXPECT_NEAR(b, c.b, 6) << where;
}

void WriteSolidTga(const std::string& path, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> rgb;
  for (int i = 0; i < 4 * 4; ++i) rgb.insert(rgb.end(), {r, g, b});
  std::vector<uint8_t> file;
  ASSERT_TRUE(EncodeTGA(4, 4, 3, rgb.data(), &file));
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
}

bool UnitEnabled(GLenum unit) {
  GlExt.glActiveTextureARB(unit);
  const bool on = glIsEnabled(GL_TEXTURE_2D);
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
  return on;
}

void ExpectUnitsRestored(const char* variant) {
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  EXPECT_EQ(GL_TEXTURE0_ARB, active) << variant;
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << variant;
  EXPECT_FALSE(UnitEnabled(GL_TEXTURE2_ARB)) << variant;
}

class ModelDrawTest : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    if (IsSkipped()) return;
    if (!LoadMultitextureExtension()) GTEST_SKIP() << "the driver has no multitexture";
    target_.reset(new gltest::ColourTarget(kW, kH));
    ASSERT_TRUE(target_->complete());
    // Material maps from real files in a folder, as the loaders find them.
    folder_ = testscratch::ScratchPath("gfx_materials/");
    std::system(("mkdir -p " + folder_).c_str());
    WriteSolidTga(folder_ + "left.tga", 255, 0, 0);
    WriteSolidTga(folder_ + "right.tga", 0, 255, 0);
    WriteSolidTga(folder_ + "right_alpha.tga", 128, 128, 128);
    ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(meshtest::TwoQuadMesh(), &model_));
    model_.LoadMaterialTextures(folder_.c_str());
    model_.ComputeTangentFrames();
    blue_ = gltest::SolidTexture(0, 0, 255, 255);
    red_ = gltest::SolidTexture(255, 0, 0, 255);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    target_->Clear(0, 0, 0, 0);
  }
  void TearDown() override {
    glDeleteTextures(1, &blue_);
    glDeleteTextures(1, &red_);
    target_.reset();
  }

  // Left and right quad centres, and a row outside both.
  Rgba Left(const std::vector<uint8_t>& px) { return At(px, 16, 16); }
  Rgba Right(const std::vector<uint8_t>& px) { return At(px, 48, 16); }
  Rgba Outside(const std::vector<uint8_t>& px) { return At(px, 32, 2); }

  std::unique_ptr<gltest::ColourTarget> target_;
  std::string folder_;
  MilkshapeModel model_;
  GLuint blue_ = 0, red_ = 0;
};

TEST_F(ModelDrawTest, MaterialTexturesComeFromTheFolder) {
  EXPECT_GT(model_.materials[0].texture, 0);
  EXPECT_GT(model_.materials[1].texture, 0);
  EXPECT_GT(model_.materials[1].alphaMap, 0);
  EXPECT_EQ(-1, model_.materials[0].alphaMap);  // no name, no texture
  // Upper-case ".TGA" is not ".tga": it goes the BMP way, and a TGA fails there.
  sbm::Mesh mesh = meshtest::TwoQuadMesh();
  mesh.materials[0].texture = "left.TGA";
  mesh.materials[1].texture = "missing.tga";
  MilkshapeModel other;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(mesh, &other));
  other.LoadMaterialTextures(folder_.c_str());
  EXPECT_EQ(-1, other.materials[0].texture);
  EXPECT_EQ(-1, other.materials[1].texture);
  // A path longer than the loaders take is refused rather than cut or overrun.
  const std::string deep = folder_ + std::string(300, 'd') + "/";
  other.LoadMaterialTextures(deep.c_str());
  EXPECT_EQ(-1, other.materials[1].alphaMap);
}

TEST_F(ModelDrawTest, DestroyingAModelDeletesItsTextures) {
  GLuint names[3];
  {
    MilkshapeModel m;
    ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(meshtest::TwoQuadMesh(), &m));
    m.LoadMaterialTextures(folder_.c_str());
    names[0] = m.materials[0].texture;
    names[1] = m.materials[1].texture;
    names[2] = m.materials[1].alphaMap;
    for (GLuint n : names) ASSERT_TRUE(glIsTexture(n));
  }
  for (GLuint n : names) EXPECT_FALSE(glIsTexture(n));
  EXPECT_TRUE(glIsTexture(blue_));  // nobody else's texture goes with it
}

TEST_F(ModelDrawTest, TexturedBindsEachGroupsMaterial) {
  glBindTexture(GL_TEXTURE_2D, blue_);
  model_.DrawTextured();
  const std::vector<uint8_t> px = target_->Read();
  ExpectColour(Left(px), 255, 0, 0, "left");
  ExpectColour(Right(px), 0, 255, 0, "right");
  ExpectColour(Outside(px), 0, 0, 0, "outside");
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

TEST_F(ModelDrawTest, GroupWithoutMaterialDrawsUntextured) {
  sbm::Mesh mesh = meshtest::TwoQuadMesh();
  mesh.groups[1].material = -1;
  MilkshapeModel m;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(mesh, &m));
  m.LoadMaterialTextures(folder_.c_str());
  glBindTexture(GL_TEXTURE_2D, blue_);  // what a careless draw would reuse
  glColor4f(1.0f, 1.0f, 0.0f, 1.0f);
  m.DrawTextured();
  m.DrawWithoutTexCoords();
  const std::vector<uint8_t> px = target_->Read();
  ExpectColour(Left(px), 255, 0, 0, "left, its material");
  ExpectColour(Right(px), 255, 255, 0, "right, no texture: the plain colour");
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

TEST_F(ModelDrawTest, PositionsOnlyDrawsOneRunAndBindsNothing) {
  glBindTexture(GL_TEXTURE_2D, red_);
  glDisable(GL_TEXTURE_2D);
  glColor4f(0.0f, 0.0f, 1.0f, 1.0f);
  model_.DrawPositionsOnly();
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLint>(red_), bound);
  const std::vector<uint8_t> px = target_->Read();
  ExpectColour(Left(px), 0, 0, 255, "left");
  ExpectColour(Right(px), 0, 0, 255, "right");
}

TEST_F(ModelDrawTest, WithoutTexCoordsSendsPositionOnUnitOne) {
  model_.DrawWithoutTexCoords();
  // The last corner drawn is triangle 3's corner 2: position (0, 0.5, 0).
  GlExt.glActiveTextureARB(GL_TEXTURE1_ARB);
  GLfloat unit1[4];
  glGetFloatv(GL_CURRENT_TEXTURE_COORDS, unit1);
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
  GLfloat unit0[4];
  glGetFloatv(GL_CURRENT_TEXTURE_COORDS, unit0);
  EXPECT_FLOAT_EQ(0.0f, unit1[0]);
  EXPECT_FLOAT_EQ(0.5f, unit1[1]);
  EXPECT_FLOAT_EQ(0.0f, unit0[0]);  // its (s, t) is (0, 1), third coordinate 0
  EXPECT_FLOAT_EQ(1.0f, unit0[1]);
  EXPECT_FLOAT_EQ(0.0f, unit0[2]);
  const std::vector<uint8_t> px = target_->Read();
  ExpectColour(Left(px), 255, 0, 0, "left");
  ExpectColour(Right(px), 0, 255, 0, "right");
}

TEST_F(ModelDrawTest, AlphaMapsGoOnUnitTwoAndTheOverrideOnUnitZero) {
  model_.DrawWithAlphaMaps(-1);
  ExpectUnitsRestored("alpha maps");
  std::vector<uint8_t> px = target_->Read();
  // Material 0 has no alpha map (-1 passes the test and binds nothing on unit 2).
  ExpectColour(Left(px), 255, 0, 0, "left, own texture");
  ExpectColour(Right(px), 0, 128, 0, "right, own texture through its grey alpha map");

  target_->Clear(0, 0, 0, 0);
  model_.DrawWithAlphaMaps(static_cast<int>(blue_));
  ExpectUnitsRestored("alpha maps with override");
  px = target_->Read();
  ExpectColour(Left(px), 0, 0, 255, "left, override");
  ExpectColour(Right(px), 0, 0, 128, "right, override through the alpha map");
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

TEST_F(ModelDrawTest, TwoTexturesAndPlainSendTheTangentFrames) {
  model_.DrawTwoTextures(static_cast<int>(blue_), model_.materials[1].alphaMap);
  ExpectUnitsRestored("two textures");
  std::vector<uint8_t> px = target_->Read();
  ExpectColour(Left(px), 0, 0, 128, "left");
  ExpectColour(Right(px), 0, 0, 128, "right");

  target_->Clear(0, 0, 0, 0);
  glBindTexture(GL_TEXTURE_2D, red_);
  model_.DrawPlain();
  px = target_->Read();
  ExpectColour(Left(px), 255, 0, 0, "plain left, whatever was bound");
  ExpectColour(Right(px), 255, 0, 0, "plain right");
  // The flat quad's frame: tangent (1, 0, 0) on unit 1, bitangent (0, 1, 0) on unit 2.
  GLfloat t[4], b[4];
  GlExt.glActiveTextureARB(GL_TEXTURE1_ARB);
  glGetFloatv(GL_CURRENT_TEXTURE_COORDS, t);
  GlExt.glActiveTextureARB(GL_TEXTURE2_ARB);
  glGetFloatv(GL_CURRENT_TEXTURE_COORDS, b);
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
  EXPECT_NEAR(1.0f, t[0], 1e-6f);
  EXPECT_NEAR(0.0f, t[1], 1e-6f);
  EXPECT_NEAR(0.0f, b[0], 1e-6f);
  EXPECT_NEAR(1.0f, b[1], 1e-6f);
}

// Six groups side by side, drawn through a program whose colour shows its emissive
// uniform, so each column records the value set before its group.
TEST_F(ModelDrawTest, GroupSamplersSetEmissivePerGroup) {
  if (!FetchShaderEntryPoints()) GTEST_SKIP() << "the driver has no shader objects";
  auto getUniform = reinterpret_cast<PFNGLGETUNIFORMFVARBPROC>(
      platform::GetGLProcAddress("glGetUniformfvARB"));
  ASSERT_NE(nullptr, getUniform);
  const char* vs = "void main() { gl_Position = ftransform(); }";
  const char* fs =
      "uniform float emissive;\n"
      "void main() { gl_FragColor = vec4(emissive / 8.0, 0.0, 0.0, 1.0); }";
  GLhandleARB program = GlExt.glCreateProgramObjectARB();
  for (int i = 0; i < 2; ++i) {
    GLhandleARB s = GlExt.glCreateShaderObjectARB(i == 0 ? GL_VERTEX_SHADER_ARB : GL_FRAGMENT_SHADER_ARB);
    const char* src = i == 0 ? vs : fs;
    GlExt.glShaderSourceARB(s, 1, &src, nullptr);
    GlExt.glCompileShaderARB(s);
    GlExt.glAttachObjectARB(program, s);
  }
  GlExt.glLinkProgramARB(program);
  GLint linked = 0;
  GlExt.glGetObjectParameterivARB(program, GL_OBJECT_LINK_STATUS_ARB, &linked);
  ASSERT_TRUE(linked);
  ShaderProgram& objects = Renderer.Program(ShaderProgramId::Objects);
  const ShaderProgram saved = objects;
  objects.program = program;
  objects.locations[static_cast<int>(Uniform::emissive)] =
      GlExt.glGetUniformLocationARB(program, "emissive");

  sbm::Mesh mesh;
  for (int g = 0; g < 6; ++g) {
    const int group = mesh.AddGroup("g" + std::to_string(g), -1);
    const float x0 = -1.0f + g / 3.0f;
    meshtest::AddQuad(&mesh, group, x0, -1.0f, x0 + 1.0f / 3.0f, 1.0f);
  }
  MilkshapeModel six;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(mesh, &six));
  GlExt.glUseProgramObjectARB(program);
  GlExt.glUniform1fARB(objects.Location(Uniform::emissive), 0.5f);  // the pass's value
  six.DrawWithGroupSamplers(static_cast<int>(blue_), static_cast<int>(red_), 0.2f, 0.4f, 0.6f);
  GLfloat after = -1.0f;
  getUniform(program, objects.Location(Uniform::emissive), &after);
  GlExt.glUseProgramObjectARB(0);
  objects = saved;
  ExpectUnitsRestored("group samplers");
  EXPECT_EQ(0.0f, after);

  const std::vector<uint8_t> px = target_->Read();
  const float expected[6] = {0.5f, 5.0f, 1.0f, 2.0f, 3.0f, 3.0f};
  for (int g = 0; g < 6; ++g) {
    const int x = static_cast<int>((g + 0.5f) * kW / 6.0f);
    const float value = expected[g] / 8.0f * 255.0f;
    EXPECT_NEAR(value > 255.0f ? 255.0f : value, At(px, x, 16).r, 2.0f) << "group " << g;
  }
  GlExt.glDeleteObjectARB(program);
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

class LightsTest : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    saved_ = GfxLinks;
  }
  void TearDown() override { GfxLinks = saved_; }
  GraphicsLinks saved_;
};

TEST_F(LightsTest, SunAndCameraLights) {
  static int screen = 1;
  float sunCamera[3] = {1, 2, 3}, sunPoint[3] = {4, 5, 6};
  const float camera[3] = {10.0f, 20.0f, 30.0f};
  GfxLinks.currentScreen = [] { return screen; };
  GfxLinks.sunCameraPosition = sunCamera;
  GfxLinks.sunCameraPoint = sunPoint;
  GfxLinks.renderCameraPosition = camera;
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  // In the garage the sun camera moves to the sun, looking at the origin.
  PlaceLights();
  EXPECT_EQ(25000.0f, SunPosition.x);
  EXPECT_EQ(50000.0f, SunPosition.y);
  EXPECT_EQ(25000.0f, sunCamera[0]);
  EXPECT_EQ(50000.0f, sunCamera[1]);
  EXPECT_EQ(0.0f, sunPoint[2]);
  GLfloat light0[4], light1[4];
  glGetLightfv(GL_LIGHT0, GL_POSITION, light0);
  glGetLightfv(GL_LIGHT1, GL_POSITION, light1);
  EXPECT_FLOAT_EQ(25000.0f, light0[0]);
  EXPECT_FLOAT_EQ(1.0f, light0[3]);
  EXPECT_FLOAT_EQ(20.0f, light1[1]);
  EXPECT_FLOAT_EQ(0.0f, light1[3]);

  // In the race the race update owns the sun camera; the lights go through the
  // modelview matrix current at the call.
  screen = 0;
  sunCamera[0] = 7.0f;
  glTranslatef(100.0f, 0.0f, 0.0f);
  PlaceLights();
  EXPECT_EQ(7.0f, sunCamera[0]);
  glGetLightfv(GL_LIGHT0, GL_POSITION, light0);
  glGetLightfv(GL_LIGHT1, GL_POSITION, light1);
  EXPECT_FLOAT_EQ(25100.0f, light0[0]);
  EXPECT_FLOAT_EQ(10.0f, light1[0]);  // directions do not translate
  glLoadIdentity();

  // Unlinked: nothing to move, the camera light along the origin's zero vector.
  GfxLinks = GraphicsLinks();
  PlaceLights();
  glGetLightfv(GL_LIGHT1, GL_POSITION, light1);
  EXPECT_FLOAT_EQ(0.0f, light1[0]);
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

}  // namespace
