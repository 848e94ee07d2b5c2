// The 15 programs built from the generated base/shaders/, each drawing a quad into a
// framebuffer; the per-kind constants read back from GL; the text reader; and the
// failure paths of the builder (missing file, link failure).
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "gfx/links.h"
#include "gfx/shaders.h"
#include "platform/gl_proc.h"
#include "tests/gfx/test_files.h"
#include "tests/gfx/gl_fixture.h"

namespace {

using gfxtest::ScratchDir;
using gfxtest::WriteText;

const char* const kShaderFolder = "base/shaders/";

bool ShadersGenerated() {
  struct stat st;
  return stat("base/shaders/ObjectsVS.glsl", &st) == 0;
}

// Entry points only the tests use, fetched the same way the game fetches its own.
struct TestEntries {
  PFNGLGETUNIFORMFVARBPROC getUniformfv = nullptr;
  PFNGLGETUNIFORMIVARBPROC getUniformiv = nullptr;
  PFNGLGETACTIVEUNIFORMARBPROC getActiveUniform = nullptr;
};

const TestEntries& Entries() {
  static TestEntries e = [] {
    TestEntries t;
    t.getUniformfv = reinterpret_cast<PFNGLGETUNIFORMFVARBPROC>(platform::GetGLProcAddress("glGetUniformfvARB"));
    t.getUniformiv = reinterpret_cast<PFNGLGETUNIFORMIVARBPROC>(platform::GetGLProcAddress("glGetUniformivARB"));
    t.getActiveUniform =
        reinterpret_cast<PFNGLGETACTIVEUNIFORMARBPROC>(platform::GetGLProcAddress("glGetActiveUniformARB"));
    return t;
  }();
  return e;
}

// The programs, built once for the whole test program.
class ShaderTest : public gltest::GlTest {
 protected:
  static ShaderProgram programs_[kShaderProgramCount];
  static bool built_;
  static bool tried_;

  void SetUp() override {
    gltest::GlTest::SetUp();
    if (IsSkipped()) return;
    if (!ShadersGenerated()) GTEST_SKIP() << "base/shaders/ has not been generated (build the base target)";
    if (!tried_) {
      tried_ = true;
      LoadMultitextureExtension();
      FetchTexImage3DEntryPoint();
      built_ = BuildShaderPrograms(kShaderFolder, programs_);
      for (int i = 0; i < kShaderProgramCount; ++i) Renderer.programs[i] = programs_[i];
    }
    ASSERT_TRUE(built_) << "the shader programs did not build";
  }
  const ShaderProgram& Program(ShaderProgramId id) const { return programs_[static_cast<int>(id)]; }
};
ShaderProgram ShaderTest::programs_[kShaderProgramCount];
bool ShaderTest::built_ = false;
bool ShaderTest::tried_ = false;

// Binds, on the unit each active sampler names, a texture of the sampler's type: white
// 2D and rectangle textures, a grey volume and cube map, and a depth map at 1.0 whose
// comparison always passes (lit).
class SamplerTextures {
 public:
  explicit SamplerTextures(GLhandleARB program) {
    GLint count = 0;
    GlExt.glGetObjectParameterivARB(program, GL_OBJECT_ACTIVE_UNIFORMS_ARB, &count);
    for (GLint i = 0; i < count; ++i) {
      char name[64];
      GLsizei length = 0;
      GLint size = 0;
      GLenum type = 0;
      Entries().getActiveUniform(program, static_cast<GLuint>(i), sizeof name, &length, &size, &type, name);
      if (type != GL_SAMPLER_2D_ARB && type != GL_SAMPLER_3D_ARB && type != GL_SAMPLER_CUBE_ARB &&
          type != GL_SAMPLER_2D_SHADOW_ARB && type != GL_SAMPLER_2D_RECT_ARB)
        continue;
      GLint unit = 0;
      Entries().getUniformiv(program, GlExt.glGetUniformLocationARB(program, name), &unit);
      GlExt.glActiveTextureARB(GL_TEXTURE0_ARB + static_cast<GLenum>(unit));
      Bind(type);
    }
    GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  ~SamplerTextures() {
    for (GLuint t : made_) glDeleteTextures(1, &t);
  }

 private:
  void Bind(GLenum type) {
    GLuint t = 0;
    glGenTextures(1, &t);
    made_.push_back(t);
    const uint8_t white[4 * 8] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
                                  255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
    auto nearest = [](GLenum target) {
      glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    };
    switch (type) {
      case GL_SAMPLER_2D_ARB:
        glBindTexture(GL_TEXTURE_2D, t);
        nearest(GL_TEXTURE_2D);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
        break;
      case GL_SAMPLER_2D_RECT_ARB:
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, t);
        nearest(GL_TEXTURE_RECTANGLE_ARB);
        glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
        break;
      case GL_SAMPLER_3D_ARB:
        glBindTexture(GL_TEXTURE_3D, t);
        nearest(GL_TEXTURE_3D);
        GlExt.glTexImage3D(GL_TEXTURE_3D, 0, GL_RGBA8, 2, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
        break;
      case GL_SAMPLER_CUBE_ARB:
        glBindTexture(GL_TEXTURE_CUBE_MAP, t);
        nearest(GL_TEXTURE_CUBE_MAP);
        for (int f = 0; f < 6; ++f)
          glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
        break;
      case GL_SAMPLER_2D_SHADOW_ARB: {
        const float far[4] = {1, 1, 1, 1};
        glBindTexture(GL_TEXTURE_2D, t);
        nearest(GL_TEXTURE_2D);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_COMPARE_R_TO_TEXTURE_ARB);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB, GL_LEQUAL);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, 2, 2, 0, GL_DEPTH_COMPONENT, GL_FLOAT, far);
        break;
      }
      default:
        break;
    }
  }
  std::vector<GLuint> made_;
};

int KindOf(ShaderProgramId id) {
  switch (id) {
    case ShaderProgramId::Objects: return 0;
    case ShaderProgramId::Transparency: return 5;
    case ShaderProgramId::Map: return 6;
    case ShaderProgramId::RoadBump: return 7;
    case ShaderProgramId::ReflMap: return 8;
    case ShaderProgramId::Grass: return 10;
    case ShaderProgramId::TransparencyForShadowMap: return 11;
    case ShaderProgramId::Trees: return 12;
    case ShaderProgramId::Water: return 13;
    case ShaderProgramId::DirtTrace: return 14;
    case ShaderProgramId::Landscape: return 15;
    default: return -1;  // the post and paint programs are set up by their passes
  }
}

// What a pass would set besides the kind's constants, chosen so the test quad shows.
void SetPassUniforms(const ShaderProgram& p, ShaderProgramId id) {
  auto f = [&](Uniform u, float v) { GlExt.glUniform1fARB(p.Location(u), v); };
  f(Uniform::T0, 1000.0f);
  f(Uniform::T1, 2000.0f);
  f(Uniform::GlassAlpha, 1.0f);
  f(Uniform::GlassNow, 1.0f);
  f(Uniform::intensity, 1.0f);
  f(Uniform::DirtHar, 1.0f);
  f(Uniform::WaterHar, -1.0f);
  if (id == ShaderProgramId::Blur || id == ShaderProgramId::BlurSmoke) {
    GlExt.glUniform1iARB(p.Location(Uniform::decal), 0);
    GlExt.glUniform2fARB(p.Location(Uniform::texOffset), 1.0f, 0.0f);
  }
  if (id == ShaderProgramId::DirtTex || id == ShaderProgramId::DirtTexWater) {
    GlExt.glUniform1iARB(p.Location(Uniform::decal0), 0);
    GlExt.glUniform1iARB(p.Location(Uniform::decal1), 1);
    GlExt.glUniform1iARB(p.Location(Uniform::decal2), 2);
  }
}

// A quad over the middle of the target, with every attribute any program reads: texture
// coordinates (s, t, 1, 1) on unit 0, a unit tangent frame on units 1 to 5, a normal
// facing the viewer and an anchor colour for the trees. The grass reads unit 1 as its wind
// offset, which stays zero for it.
void DrawTestQuad(bool grass) {
  const float corners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
  glBegin(GL_QUADS);
  for (const auto& c : corners) {
    const float s = c[0] + 0.5f, t = c[1] + 0.5f;
    glNormal3f(0.0f, 0.0f, 1.0f);
    glColor4f(c[0], 0.0f, c[1], 1.0f);
    GlExt.glMultiTexCoord4fARB(GL_TEXTURE1_ARB, grass ? 0.0f : 1.0f, 0.0f, 0.0f, 1.0f);
    GlExt.glMultiTexCoord4fARB(GL_TEXTURE2_ARB, 0.0f, 1.0f, 0.0f, 1.0f);
    GlExt.glMultiTexCoord4fARB(GL_TEXTURE3_ARB, 0.0f, 1.0f, 0.0f, 1.0f);
    GlExt.glMultiTexCoord4fARB(GL_TEXTURE4_ARB, 1.0f, 0.0f, 0.0f, 1.0f);
    GlExt.glMultiTexCoord4fARB(GL_TEXTURE5_ARB, 0.0f, 1.0f, 0.0f, 1.0f);
    GlExt.glMultiTexCoord4fARB(GL_TEXTURE0_ARB, s, t, 1.0f, 1.0f);
    glVertex3f(c[0], c[1], 0.0f);
  }
  glEnd();
}

TEST_F(ShaderTest, EveryProgramDrawsItsQuad) {
  ASSERT_NE(GlExt.glMultiTexCoord4fARB, nullptr) << "multitexture entry points missing";
  gltest::ColourTarget target(64, 64);
  ASSERT_TRUE(target.complete());
  for (int i = 0; i < kShaderProgramCount; ++i) {
    const ShaderProgramId id = static_cast<ShaderProgramId>(i);
    SCOPED_TRACE(ShaderProgramName(id));
    const ShaderProgram& p = Program(id);
    ASSERT_NE(p.program, 0u);
    target.Clear(0, 0, 0, 0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    GlExt.glUseProgramObjectARB(p.program);
    if (KindOf(id) >= 0) SetShaderUniforms(KindOf(id));
    SetPassUniforms(p, id);
    {
      SamplerTextures textures(p.program);
      DrawTestQuad(id == ShaderProgramId::Grass);
      glFinish();
    }
    GlExt.glUseProgramObjectARB(0);
    EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));

    // The quad covers the middle 32 x 32 pixels; everything drawn must differ from the
    // clear colour, and nothing outside it may be touched.
    const std::vector<uint8_t> px = target.Read();
    int inside = 0, outside = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        const uint8_t* c = &px[(y * 64 + x) * 4];
        const bool drawn = c[0] || c[1] || c[2] || c[3];
        const bool in = x >= 16 && x < 48 && y >= 16 && y < 48;
        if (drawn) (in ? inside : outside)++;
      }
    EXPECT_GE(inside, 32 * 32 * 9 / 10);
    if (id != ShaderProgramId::Blur && id != ShaderProgramId::BlurSmoke) {
      EXPECT_EQ(outside, 0);
    }
    // World programs write an opaque alpha near the camera.
    const uint8_t* centre = &px[(32 * 64 + 32) * 4];
    if (id == ShaderProgramId::Map || id == ShaderProgramId::Landscape || id == ShaderProgramId::RoadBump ||
        id == ShaderProgramId::Transparency || id == ShaderProgramId::Objects) {
      EXPECT_EQ(centre[3], 255);
    }
  }
  gltest::BindWindowFramebuffer();
}

TEST_F(ShaderTest, WorldProgramsFadeAlphaBetweenT0AndT1) {
  gltest::ColourTarget target(16, 16);
  const ShaderProgram& p = Program(ShaderProgramId::Map);
  GlExt.glUseProgramObjectARB(p.program);
  SetShaderUniforms(6);
  SamplerTextures textures(p.program);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  // The quad lies at z = 0, so its eye distance is under 0.71; fade windows around that.
  struct Case {
    float t0, t1;
    int minAlpha, maxAlpha;
  } cases[] = {{10.0f, 20.0f, 255, 255}, {-20.0f, -10.0f, 0, 0}, {-1.0f, 1.0f, 60, 200}};
  for (const Case& c : cases) {
    target.Clear(0, 0, 0, 0);
    GlExt.glUniform1fARB(p.Location(Uniform::T0), c.t0);
    GlExt.glUniform1fARB(p.Location(Uniform::T1), c.t1);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0, 0);
    glVertex3f(-0.2f, -0.2f, 0);
    glVertex3f(0.2f, -0.2f, 0);
    glVertex3f(0.2f, 0.2f, 0);
    glVertex3f(-0.2f, 0.2f, 0);
    glEnd();
    const std::vector<uint8_t> px = target.Read();
    const int a = px[(8 * 16 + 8) * 4 + 3];
    EXPECT_GE(a, c.minAlpha) << c.t0 << ".." << c.t1;
    EXPECT_LE(a, c.maxAlpha) << c.t0 << ".." << c.t1;
  }
  GlExt.glUseProgramObjectARB(0);
  gltest::BindWindowFramebuffer();
}

TEST_F(ShaderTest, CutOutShadowProgramDiscardsBelowHalfCoverage) {
  gltest::ColourTarget target(16, 16);
  const ShaderProgram& p = Program(ShaderProgramId::TransparencyForShadowMap);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  GlExt.glUseProgramObjectARB(p.program);
  SetShaderUniforms(11);
  for (const uint8_t coverage : {100, 140}) {
    target.Clear(0, 0, 0, 0);
    const GLuint tex = gltest::SolidTexture(200, 100, 50, coverage);
    glBegin(GL_QUADS);
    glTexCoord2f(0.5f, 0.5f);
    glVertex3f(-1, -1, 0);
    glVertex3f(1, -1, 0);
    glVertex3f(1, 1, 0);
    glVertex3f(-1, 1, 0);
    glEnd();
    float depth = 0.0f;
    glReadPixels(8, 8, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    const std::vector<uint8_t> px = target.Read();
    if (coverage < 128) {
      EXPECT_EQ(depth, 1.0f) << "a texel below half coverage must not write depth";
      EXPECT_EQ(px[(8 * 16 + 8) * 4 + 0], 0);
    } else {
      EXPECT_LT(depth, 1.0f);
      EXPECT_NEAR(px[(8 * 16 + 8) * 4 + 0], 200, 2);
    }
    glDeleteTextures(1, &tex);
  }
  GlExt.glUseProgramObjectARB(0);
  glDisable(GL_DEPTH_TEST);
  gltest::BindWindowFramebuffer();
}

// Every constant of every kind, as the game's passes expect to find them.
TEST_F(ShaderTest, SetShaderUniformsWritesEachKindsConstants) {
  ASSERT_NE(Entries().getUniformfv, nullptr);
  const RendererSetup savedSetup = RenderSetup;
  const SceneLighting savedLighting = Lighting;
  const GraphicsLinks savedLinks = GfxLinks;
  RenderSetup.screenWidth = 1024;
  RenderSetup.screenHeight = 768;
  RenderSetup.shadowMapSize = 4096;
  Lighting.lightColour[0] = 0.5f;
  Lighting.lightColour[1] = 0.6f;
  Lighting.lightColour[2] = 0.7f;
  Lighting.minFogFactor = 0.8f;
  GfxLinks.sceneClock = [] { return 2.0f; };
  const float light[3] = {0.5f, 0.6f, 0.7f};

  struct Expect {
    int kind;
    ShaderProgramId id;
    float ambient, diffuseScale, specular;  // specular < 0: the program has none
    float light;                            // LightNow, < 0: not set by the kind
    float time;                             // < 0: none
    Uniform firstSampler;                   // decal or decal0
    int samplerCount;
  } table[] = {
      {0, ShaderProgramId::Objects, 0.63f, 0.75f, 0.25f, -1, -1, Uniform::decal0, 5},
      {6, ShaderProgramId::Map, 0.65f, 1.0f, 0.35f, 1.0f, -1, Uniform::decal, 4},
      {7, ShaderProgramId::RoadBump, 0.65f, 1.0f, 0.65f, 1.0f, -1, Uniform::decal, 9},
      {5, ShaderProgramId::Transparency, 0.65f, 1.0f, -1, -1, -1, Uniform::decal, 3},
      {10, ShaderProgramId::Grass, 1.0f, 1.0f, -1, -1, 2.5f, Uniform::decal, 2},
      {12, ShaderProgramId::Trees, 0.65f, 1.0f, -1, -1, 2.5f, Uniform::decal, 3},
      {13, ShaderProgramId::Water, 1.0f, 0.5f, 0.35f, 1.0f, 0.3f, Uniform::decal, 9},
      {14, ShaderProgramId::DirtTrace, 0.65f, 1.0f, 0.35f, -1, -1, Uniform::decal, 5},
      {15, ShaderProgramId::Landscape, 0.65f, 1.0f, 0.65f, 1.0f, -1, Uniform::decal, 6},
  };
  for (const Expect& e : table) {
    SCOPED_TRACE(ShaderProgramName(e.id));
    const ShaderProgram& p = Program(e.id);
    GlExt.glUseProgramObjectARB(p.program);
    SetShaderUniforms(e.kind);
    ASSERT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
    float v[4] = {};
    auto read = [&](Uniform u) {
      const GLint loc = p.Location(u);
      EXPECT_NE(loc, -1) << UniformName(u) << " is not active";
      v[0] = v[1] = v[2] = v[3] = -99.0f;
      if (loc != -1) Entries().getUniformfv(p.program, loc, v);
    };
    read(Uniform::matAmbient);
    EXPECT_FLOAT_EQ(v[0], e.ambient);
    read(Uniform::matDiffuse);
    for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(v[c], e.diffuseScale * light[c]);
    if (e.specular >= 0) {
      read(Uniform::matSpecular);
      EXPECT_FLOAT_EQ(v[0], e.specular);
    }
    read(Uniform::emissive);
    EXPECT_EQ(v[0], 0.0f);
    read(Uniform::shininess);
    EXPECT_EQ(v[0], 0.0f);
    read(Uniform::MinFogFactor);
    EXPECT_FLOAT_EQ(v[0], 0.8f);
    if (e.light >= 0) {
      read(Uniform::LightNow);
      EXPECT_EQ(v[0], e.light);
    }
    if (e.time >= 0) {
      read(Uniform::Time);
      EXPECT_FLOAT_EQ(v[0], e.time);
    }
    if (e.id == ShaderProgramId::DirtTrace) {
      read(Uniform::RefInt);
      EXPECT_EQ(v[0], 1.0f);
    }
    // DistortShadowTexel, where the program reads it (the foliage billboards and the
    // water have no shadow unit).
    const GLint dst = p.Location(Uniform::DistortShadowTexel);
    if (dst != -1) {
      Entries().getUniformfv(p.program, dst, v);
      EXPECT_EQ(v[0], 16.0f);
      EXPECT_EQ(v[1], 12.0f);
      EXPECT_FLOAT_EQ(v[2], 1.0f / 4096);
      EXPECT_FLOAT_EQ(v[3], 1.0f / 4096);
    } else {
      EXPECT_TRUE(e.id == ShaderProgramId::Grass || e.id == ShaderProgramId::Trees || e.id == ShaderProgramId::Water);
    }
    // Samplers: decal0..decal4 on units 0..4 for Objects, else decal on 0 and
    // decal2.. on 1, 2, ...
    for (int s = 0; s < e.samplerCount; ++s) {
      Uniform u = e.firstSampler == Uniform::decal0
                      ? static_cast<Uniform>(static_cast<int>(Uniform::decal0) + s)
                      : (s == 0 ? Uniform::decal : static_cast<Uniform>(static_cast<int>(Uniform::decal2) + s - 1));
      const GLint loc = p.Location(u);
      if (loc == -1) continue;  // declared for the unit but not read by this program
      GLint unit = -1;
      Entries().getUniformiv(p.program, loc, &unit);
      EXPECT_EQ(unit, s) << UniformName(u);
    }
  }
  // The two without material constants.
  const ShaderProgram& refl = Program(ShaderProgramId::ReflMap);
  GlExt.glUseProgramObjectARB(refl.program);
  GlExt.glUniform1fARB(refl.Location(Uniform::LightNow), 0.0f);
  SetShaderUniforms(8);
  float v = -1;
  Entries().getUniformfv(refl.program, refl.Location(Uniform::LightNow), &v);
  EXPECT_EQ(v, 1.0f);

  GlExt.glUseProgramObjectARB(0);
  RenderSetup = savedSetup;
  Lighting = savedLighting;
  GfxLinks = savedLinks;
}

TEST_F(ShaderTest, ShadowDetailOffGivesSixteenthTexel) {
  const RendererSetup saved = RenderSetup;
  RenderSetup.shadowMapSize = 16;
  const ShaderProgram& p = Program(ShaderProgramId::Landscape);
  GlExt.glUseProgramObjectARB(p.program);
  SetShaderUniforms(15);
  float v[4] = {};
  Entries().getUniformfv(p.program, p.Location(Uniform::DistortShadowTexel), v);
  EXPECT_EQ(v[2], 0.0625f);
  EXPECT_EQ(v[3], 0.0625f);
  GlExt.glUseProgramObjectARB(0);
  RenderSetup = saved;
}

TEST_F(ShaderTest, KindsWithoutConstantsSetNothing) {
  const ShaderProgram& p = Program(ShaderProgramId::Blur);
  GlExt.glUseProgramObjectARB(p.program);
  GlExt.glUniform1fARB(p.Location(Uniform::intensity), 7.0f);
  GlExt.glUniform1iARB(p.Location(Uniform::decal), 3);
  for (int kind : {1, 2, 3, 4, 9, 16, -1, 100}) SetShaderUniforms(kind);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  float intensity = 0;
  GLint unit = 0;
  Entries().getUniformfv(p.program, p.Location(Uniform::intensity), &intensity);
  Entries().getUniformiv(p.program, p.Location(Uniform::decal), &unit);
  EXPECT_EQ(intensity, 7.0f);
  EXPECT_EQ(unit, 3);
  GlExt.glUseProgramObjectARB(0);
}

TEST_F(ShaderTest, EachProgramHasItsOwnLocations) {
  // Every listed uniform that the linked program uses has a location; names outside a
  // program's list stay -1.
  for (int i = 0; i < kShaderProgramCount; ++i) {
    const ShaderProgramId id = static_cast<ShaderProgramId>(i);
    const Uniform* list = nullptr;
    const int n = ProgramUniforms(id, &list);
    bool listed[kUniformCount] = {};
    for (int k = 0; k < n; ++k) listed[static_cast<int>(list[k])] = true;
    for (int u = 0; u < kUniformCount; ++u) {
      const GLint loc = Program(id).locations[u];
      const GLint driver = GlExt.glGetUniformLocationARB(Program(id).program, UniformName(static_cast<Uniform>(u)));
      if (listed[u]) {
        EXPECT_EQ(loc, driver) << ShaderProgramName(id) << "." << UniformName(static_cast<Uniform>(u));
      } else {
        EXPECT_EQ(loc, -1) << ShaderProgramName(id) << "." << UniformName(static_cast<Uniform>(u));
      }
    }
  }
}

// Builds into scratch programs so the shared ones stay intact.
class ShaderBuildFailureTest : public gltest::GlTest {};

TEST_F(ShaderBuildFailureTest, MissingFileAndLinkFailureReturnFalseWithLocationsUnset) {
  ScratchDir dir;
  const std::string folder = dir.path() + "/";
  const char* vs = "#version 120\nvoid main() { gl_Position = ftransform(); }\n";
  const char* ps = "#version 120\nuniform vec2 texOffset;\nuniform float intensity;\nuniform sampler2D decal;\n"
                   "void main() { gl_FragColor = texture2D(decal, texOffset) * intensity; }\n";
  // Objects builds; Blur's fragment file is missing.
  ASSERT_TRUE(WriteText(folder + "ObjectsVS.glsl", vs));
  ASSERT_TRUE(WriteText(folder + "ObjectsPS.glsl", ps));
  ASSERT_TRUE(WriteText(folder + "BlurVS.glsl", vs));
  {
    ShaderProgram programs[kShaderProgramCount];
    EXPECT_FALSE(BuildShaderPrograms(folder.c_str(), programs));
    EXPECT_NE(programs[0].program, 0u) << "the programs before the failure stay built";
    for (int i = 1; i < kShaderProgramCount; ++i)
      for (GLint loc : programs[i].locations) EXPECT_EQ(loc, -1);
  }
  // A fragment shader that does not compile shows up as a link failure.
  ASSERT_TRUE(WriteText(folder + "BlurPS.glsl", "#version 120\nvoid main() { this is not GLSL }\n"));
  {
    ShaderProgram programs[kShaderProgramCount];
    testing::internal::CaptureStderr();
    EXPECT_FALSE(BuildShaderPrograms(folder.c_str(), programs));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error linking shaders..."), std::string::npos) << err;
    for (GLint loc : programs[1].locations) EXPECT_EQ(loc, -1);
    // Setting the constants of a program that never built reaches no uniform.
    GlExt.glUseProgramObjectARB(programs[0].program);
    SetShaderUniforms(0);
    GlExt.glUseProgramObjectARB(0);
  }
  gltest::TakeGlError();
}

// The names of the `uniform` declarations in one generated stage file, in order; an
// empty list and *ok false when the file is missing.
std::vector<std::string> DeclaredUniforms(const std::string& path, bool* ok) {
  std::vector<std::string> names;
  char* text = ReadTextFile(path.c_str());
  *ok = text != nullptr;
  if (!text) return names;
  for (const char* line = text; *line;) {
    const char* end = std::strchr(line, '\n');
    const std::string l(line, end ? end : line + std::strlen(line));
    line = end ? end + 1 : line + l.size();
    if (l.compare(0, 8, "uniform ") != 0) continue;
    const size_t type = l.find_first_not_of(' ', 8);
    const size_t gap = l.find(' ', type);
    const size_t name = l.find_first_not_of(' ', gap);
    const size_t stop = l.find_first_of(" ;[", name);
    names.push_back(l.substr(name, stop - name));
  }
  delete[] text;
  return names;
}

// The shared chunks are pasted into each program's files: every stage still declares each
// of its uniforms once, and no program declares one outside its uniform list (a chunk
// that brought along another program's constants would leave them unset).
TEST(GeneratedShaders, EachStageDeclaresItsUniformsOnceAndOnlyListedOnes) {
  if (!ShadersGenerated()) GTEST_SKIP() << "base/shaders/ has not been generated (build the base target)";
  for (int i = 0; i < kShaderProgramCount; ++i) {
    const ShaderProgramId id = static_cast<ShaderProgramId>(i);
    SCOPED_TRACE(ShaderProgramName(id));
    const Uniform* list = nullptr;
    const int n = ProgramUniforms(id, &list);
    for (const char* stage : {"VS.glsl", "PS.glsl"}) {
      bool ok = false;
      const std::vector<std::string> names =
          DeclaredUniforms(std::string(kShaderFolder) + ShaderProgramName(id) + stage, &ok);
      ASSERT_TRUE(ok) << stage;
      for (size_t a = 0; a < names.size(); ++a) {
        for (size_t b = a + 1; b < names.size(); ++b) EXPECT_NE(names[a], names[b]) << stage << " twice";
        bool listed = false;
        for (int k = 0; k < n; ++k) listed = listed || names[a] == UniformName(list[k]);
        EXPECT_TRUE(listed) << stage << ": " << names[a] << " is not in the program's list";
      }
    }
  }
}

TEST(ReadTextFile, WholeFileEmptyFileAndMissingFile) {
  ScratchDir dir;
  const std::string text = "line one\n" + std::string(300, 'x') + "\nlast line without newline";
  ASSERT_TRUE(WriteText(dir.File("a.glsl"), text));
  char* got = ReadTextFile(dir.File("a.glsl").c_str());
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(std::string(got), text);  // a line past 127 characters is kept whole
  delete[] got;

  ASSERT_TRUE(WriteText(dir.File("empty.glsl"), ""));
  got = ReadTextFile(dir.File("empty.glsl").c_str());
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got[0], '\0');
  delete[] got;

  EXPECT_EQ(ReadTextFile(dir.File("missing.glsl").c_str()), nullptr);
  EXPECT_EQ(ReadTextFile(nullptr), nullptr);
}

}  // namespace
