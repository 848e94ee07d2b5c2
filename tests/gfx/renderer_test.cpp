// InitRenderer end to end on the generated base/ tree: the result, a clean error state,
// the fixed-function state it leaves, the links it writes, and every render target's
// size, format and parameters.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "gfx/links.h"
#include "gfx/texture.h"
#include "tests/gfx/gl_fixture.h"

namespace {

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
// More samples than any software driver offers: start-up must clamp, not fail.
constexpr int kTooManySamples = 64;

int g_loadedCarType[4] = {3, 3, 3, 3};
int g_pendingAntiAliasing = -7;
std::string g_fpointsPath;

bool BaseGenerated() {
  struct stat st;
  return stat("base/textures/tex05.tga", &st) == 0 && stat("base/shaders/WaterPS.glsl", &st) == 0;
}

struct StartUp {
  bool ran = false;
  bool result = false;
  GLenum errorAfter = GL_NO_ERROR;
};

StartUp& Started() {
  static StartUp s;
  if (!s.ran) {
    s.ran = true;
    GfxLinks.resetLoadedCars = [] {
      for (int& t : g_loadedCarType) t = -1;
    };
    GfxLinks.pendingAntiAliasing = &g_pendingAntiAliasing;
    GfxLinks.loadFPoints = [](const char* path) { g_fpointsPath = path; };
    RendererSetup setup;
    setup.screenWidth = kScreenW;
    setup.screenHeight = kScreenH;
    setup.antiAliasing = kTooManySamples;
    setup.shadowMapSize = 1024;
    gltest::TakeGlError();
    s.result = InitRenderer(setup);
    s.errorAfter = glGetError();
  }
  return s;
}

class RendererTest : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    if (IsSkipped()) return;
    if (!BaseGenerated()) GTEST_SKIP() << "base/ has not been generated (build the base target)";
    ASSERT_TRUE(Started().result) << "InitRenderer returned false";
  }
};

GLint TexLevel(GLenum target, GLenum pname, GLenum levelTarget = 0) {
  GLint v = -1;
  glGetTexLevelParameteriv(levelTarget ? levelTarget : target, 0, pname, &v);
  return v;
}
GLint TexParam(GLenum target, GLenum pname) {
  GLint v = -1;
  glGetTexParameteriv(target, pname, &v);
  return v;
}

// One texture's level 0 and parameters.
void ExpectTexture(const char* what, GLenum target, GLuint name, int w, int h, GLint format, GLint filter,
                   GLint wrap) {
  SCOPED_TRACE(what);
  ASSERT_NE(name, 0u);
  glBindTexture(target, name);
  const GLenum level = target == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_CUBE_MAP_POSITIVE_X : target;
  EXPECT_EQ(TexLevel(target, GL_TEXTURE_WIDTH, level), w);
  EXPECT_EQ(TexLevel(target, GL_TEXTURE_HEIGHT, level), h);
  EXPECT_EQ(TexLevel(target, GL_TEXTURE_INTERNAL_FORMAT, level), format);
  EXPECT_EQ(TexParam(target, GL_TEXTURE_MIN_FILTER), filter);
  EXPECT_EQ(TexParam(target, GL_TEXTURE_MAG_FILTER), filter);
  EXPECT_EQ(TexParam(target, GL_TEXTURE_WRAP_S), wrap);
  EXPECT_EQ(TexParam(target, GL_TEXTURE_WRAP_T), wrap);
}

void ExpectRenderbuffer(const char* what, GLuint name, int w, int h, GLint format) {
  SCOPED_TRACE(what);
  ASSERT_NE(name, 0u);
  GLint v = -1;
  GlExt.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, name);
  GlExt.glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_WIDTH_EXT, &v);
  EXPECT_EQ(v, w);
  GlExt.glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_HEIGHT_EXT, &v);
  EXPECT_EQ(v, h);
  GlExt.glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_INTERNAL_FORMAT_EXT, &v);
  EXPECT_EQ(v, format);
}

TEST_F(RendererTest, StartsCleanAndLeavesTheDocumentedState) {
  EXPECT_EQ(Started().errorAfter, static_cast<GLenum>(GL_NO_ERROR)) << gltest::GlErrorName(Started().errorAfter);

  GLint v = 0;
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_RECTANGLE_ARB));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &v);
  EXPECT_EQ(v, 0);
  glGetIntegerv(GL_BLEND_SRC, &v);
  EXPECT_EQ(v, GL_SRC_ALPHA);
  glGetIntegerv(GL_BLEND_DST, &v);
  EXPECT_EQ(v, GL_ONE);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &v);
  EXPECT_EQ(v, 1);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  glGetIntegerv(GL_DEPTH_FUNC, &v);
  EXPECT_EQ(v, GL_LEQUAL);
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  glGetIntegerv(GL_CULL_FACE_MODE, &v);
  EXPECT_EQ(v, GL_BACK);
  glGetIntegerv(GL_SHADE_MODEL, &v);
  EXPECT_EQ(v, GL_SMOOTH);
  GLfloat c[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, c);
  EXPECT_FLOAT_EQ(c[0], 0.16f);
  EXPECT_FLOAT_EQ(c[1], 0.24f);
  EXPECT_FLOAT_EQ(c[2], 0.27f);
  EXPECT_EQ(c[3], 0.0f);
  glGetFloatv(GL_CURRENT_COLOR, c);
  EXPECT_EQ(c[0], 1.0f);
  EXPECT_EQ(c[3], 0.0f);
  glGetIntegerv(GL_FOG_MODE, &v);
  EXPECT_EQ(v, GL_EXP2);
  glGetFloatv(GL_FOG_COLOR, c);
  EXPECT_FLOAT_EQ(c[0], 0.65f);
  EXPECT_EQ(c[3], 1.0f);
  glGetFloatv(GL_FOG_DENSITY, c);
  EXPECT_FLOAT_EQ(c[0], 1.3e-05f);
  glGetFloatv(GL_FOG_START, c);
  EXPECT_EQ(c[0], 10.0f);
  glGetFloatv(GL_FOG_END, c);
  EXPECT_EQ(c[0], 350.0f);
  glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &v);
  EXPECT_EQ(v, GL_NICEST);
  if (GlExt.glClampColorARB) {
    glGetIntegerv(GL_CLAMP_VERTEX_COLOR_ARB, &v);
    EXPECT_EQ(v, GL_FALSE);
    glGetIntegerv(GL_CLAMP_FRAGMENT_COLOR_ARB, &v);
    EXPECT_EQ(v, GL_FALSE);
  }
}

TEST_F(RendererTest, FetchesLimitsLoadsBaseTexturesAndWritesItsLinks) {
  EXPECT_GT(MaxTextureUnits, 1);
  EXPECT_NE(GlExt.glActiveTextureARB, nullptr);
  EXPECT_NE(GlExt.glTexImage3D, nullptr);
  EXPECT_NE(GlExt.glUseProgramObjectARB, nullptr);
  EXPECT_GE(MaxSamples, 0);
  ASSERT_NE(Renderer.SunQuery, -1);
  // A generated name becomes a query object once it is first begun.
  GlExt.glBeginQueryARB(GL_SAMPLES_PASSED_ARB, static_cast<GLuint>(Renderer.SunQuery));
  GlExt.glEndQueryARB(GL_SAMPLES_PASSED_ARB);
  EXPECT_TRUE(GlExt.glIsQueryARB(static_cast<GLuint>(Renderer.SunQuery)));

  for (int i = 0; i < 9; ++i) {
    EXPECT_NE(TextureTable[i].name, -1) << "tex0" << i;
    EXPECT_TRUE(TextureTable[i].components == 3 || TextureTable[i].components == 4);
  }
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(TextureTable[5].name));
  EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(TextureTable[1].name));
  EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);

  for (int slot : g_loadedCarType) EXPECT_EQ(slot, -1);
  EXPECT_EQ(g_pendingAntiAliasing, kTooManySamples);
  EXPECT_EQ(g_fpointsPath, "base/fpoints.ini");

  for (GLuint name : {Renderer.NoiseTexture3D, Renderer.RandomTexture3D}) {
    ASSERT_NE(name, 0u);
    glBindTexture(GL_TEXTURE_3D, name);
    EXPECT_EQ(TexLevel(GL_TEXTURE_3D, GL_TEXTURE_WIDTH), 64);
    EXPECT_EQ(TexLevel(GL_TEXTURE_3D, GL_TEXTURE_DEPTH), 64);
    EXPECT_EQ(TexLevel(GL_TEXTURE_3D, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
    EXPECT_EQ(TexParam(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R), GL_REPEAT);
  }
  glBindTexture(GL_TEXTURE_3D, Renderer.NoiseTexture3D);
  EXPECT_EQ(TexParam(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  glBindTexture(GL_TEXTURE_3D, Renderer.RandomTexture3D);
  EXPECT_EQ(TexParam(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  for (int i = 0; i < kShaderProgramCount; ++i) EXPECT_NE(Renderer.programs[i].program, 0u) << i;
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RendererTest, EveryRenderTargetHasItsSizeFormatAndParameters) {
  const RenderTargets& t = Renderer.targets;
  for (GLuint fb : {t.SceneFramebuffer, t.PassFramebuffer, t.ShadowFramebuffer, t.DirtFramebuffer}) EXPECT_NE(fb, 0u);

  // Anti-aliased, the scene's depth has no stencil: the resolve blits depth between two
  // buffers of one format.
  EXPECT_FALSE(t.sceneStencil);
  ExpectRenderbuffer("scene depth", t.SceneDepthBuffer, kScreenW, kScreenH, GL_DEPTH_COMPONENT24);
  ExpectRenderbuffer("cube depth", t.CubeDepthBuffer, 128, 128, GL_DEPTH_COMPONENT24);
  ExpectRenderbuffer("reflection depth", t.ReflectionDepthBuffer, 512, 512, GL_DEPTH_COMPONENT24);
  ExpectRenderbuffer("map depth", t.MapDepthBuffer, 1024, 1024, GL_DEPTH_COMPONENT24);
  ExpectRenderbuffer("dirt depth", t.DirtDepthBuffer, 2048, 1024, GL_DEPTH_COMPONENT24);
  if (MaxSamples > 0 && GlExt.glRenderbufferStorageMultisampleEXT) {
    // Asked for 64: made with the driver's maximum instead of failing.
    EXPECT_EQ(t.multisampleSamples, MaxSamples);
    ExpectRenderbuffer("multisample colour", t.MultisampleColourBuffer, kScreenW, kScreenH, GL_RGBA8);
    ExpectRenderbuffer("multisample depth", t.MultisampleDepthBuffer, kScreenW, kScreenH, GL_DEPTH_COMPONENT24);
    GLint samples = 0;
    GlExt.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, t.MultisampleColourBuffer);
    GlExt.glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_SAMPLES_EXT, &samples);
    EXPECT_GE(samples, 1);
    EXPECT_LE(samples, MaxSamples);
  } else {
    EXPECT_EQ(t.MultisampleColourBuffer, 0u);
  }

  for (int i = 0; i < kSceneTextureCount; ++i)
    ExpectTexture("scene texture", GL_TEXTURE_RECTANGLE_ARB, t.SceneTextures[i], kScreenW, kScreenH, GL_RGBA,
                  GL_LINEAR, GL_CLAMP_TO_EDGE);
  for (int i = 0; i < kPostTextureCount; ++i)
    ExpectTexture("post texture", GL_TEXTURE_RECTANGLE_ARB, t.PostTextures[i], 400, 300, GL_RGBA16F_ARB, GL_LINEAR,
                  GL_CLAMP_TO_EDGE);
  ExpectTexture("reflection", GL_TEXTURE_2D, t.ReflectionTexture, 512, 512, GL_RGBA, GL_LINEAR, GL_REPEAT);
  ExpectTexture("track map", GL_TEXTURE_2D, t.MapTexture, 1024, 1024, GL_RGBA, GL_LINEAR, GL_CLAMP_TO_EDGE);
  ExpectTexture("screen copy", GL_TEXTURE_2D, t.ScreenCopyTexture, kScreenW, kScreenH, GL_RGBA, GL_LINEAR,
                GL_CLAMP_TO_EDGE);
  int dirt = 0;
  for (const auto& slot : t.DirtTextures)
    for (const auto& layer : slot)
      for (GLuint name : layer) {
        ExpectTexture("dirt skin", GL_TEXTURE_2D, name, 2048, 1024, GL_RGBA, GL_LINEAR, GL_CLAMP_TO_EDGE);
        ++dirt;
      }
  EXPECT_EQ(dirt, 16);

  ExpectTexture("shadow depth", GL_TEXTURE_2D, t.ShadowDepthTexture, 1024, 1024, GL_DEPTH_COMPONENT24, GL_NEAREST,
                GL_CLAMP);
  EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE_ARB), GL_LUMINANCE);
  EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB), GL_COMPARE_R_TO_TEXTURE_ARB);
  EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB), GL_LEQUAL);

  ExpectTexture("cube map", GL_TEXTURE_CUBE_MAP, t.EnvironmentCubeMap, 128, 128, GL_RGB, GL_LINEAR, GL_REPEAT);
  EXPECT_EQ(TexParam(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R), GL_REPEAT);
  for (int f = 0; f < 6; ++f) {
    EXPECT_EQ(t.CubeFaceTargets[f], static_cast<GLenum>(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f));
    glBindTexture(GL_TEXTURE_CUBE_MAP, t.EnvironmentCubeMap);
    GLint w = 0;
    glGetTexLevelParameteriv(t.CubeFaceTargets[f], 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 128);
  }
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RendererTest, NoAntiAliasingMakesNoMultisampledPairAndDeletingEmptiesTheRecord) {
  RendererSetup setup;
  setup.screenWidth = 64;
  setup.screenHeight = 32;
  setup.antiAliasing = 0;
  RenderTargets t;
  CreateFramebuffersAndDepthBuffers(setup, &t);
  EXPECT_EQ(t.MultisampleColourBuffer, 0u);
  EXPECT_EQ(t.MultisampleDepthBuffer, 0u);
  EXPECT_EQ(t.multisampleSamples, 0);
  // Single-sampled, the scene's depth carries the stencil bits the race's near-detail
  // layer marks.
  EXPECT_TRUE(t.sceneStencil);
  ExpectRenderbuffer("scene depth", t.SceneDepthBuffer, 64, 32, GL_DEPTH24_STENCIL8_EXT);

  // Shadow detail 0: a 16 x 16 map.
  setup.shadowMapSize = 16;
  CreateRenderTextures(setup, &t);
  ExpectTexture("shadow depth", GL_TEXTURE_2D, t.ShadowDepthTexture, 16, 16, GL_DEPTH_COMPONENT24, GL_NEAREST,
                GL_CLAMP);
  const GLuint scene = t.SceneTextures[0];
  const GLuint fb = t.SceneFramebuffer;
  DeleteRenderTargets(&t);
  EXPECT_FALSE(glIsTexture(scene));
  EXPECT_FALSE(GlExt.glIsFramebufferEXT(fb));
  EXPECT_EQ(t.SceneTextures[0], 0u);
  EXPECT_EQ(t.ShadowDepthTexture, 0u);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

// On this driver every tabled shadow map size fits, so start-up keeps the one asked for;
// the limit is no larger than any of the three limits it stands for.
TEST_F(RendererTest, TabledShadowMapSizesFitTheDriversLimit) {
  const int limit = SquareTargetLimit();
  GLint texture = 0, renderbuffer = 0, viewport[2] = {0, 0};
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &renderbuffer);
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
  EXPECT_GT(limit, 0);
  for (GLint v : {texture, renderbuffer, viewport[0], viewport[1]}) EXPECT_LE(limit, v);
  EXPECT_GE(limit, 8192) << "the largest tabled shadow map would be cut on this driver";
  for (int tabled : {16, 1024, 4096, 8192}) EXPECT_EQ(FitTargetSize(tabled, limit), tabled);
  EXPECT_EQ(RenderSetup.shadowMapSize, 1024);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A shadow map made at the fitted size of a small driver limit is complete and of that size.
TEST_F(RendererTest, AFittedShadowMapIsMadeAtTheFittedSize) {
  RendererSetup setup;
  setup.screenWidth = 64;
  setup.screenHeight = 32;
  setup.shadowMapSize = FitTargetSize(8192, 600);
  ASSERT_EQ(setup.shadowMapSize, 512);
  RenderTargets t;
  CreateRenderTextures(setup, &t);
  ExpectTexture("shadow depth", GL_TEXTURE_2D, t.ShadowDepthTexture, 512, 512, GL_DEPTH_COMPONENT24, GL_NEAREST,
                GL_CLAMP);
  // Attached alone, as the shadow pass draws depth only (draw and read buffers are the
  // framebuffer object's own state).
  GLuint fb = 0;
  GlExt.glGenFramebuffersEXT(1, &fb);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fb);
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D, t.ShadowDepthTexture, 0);
  glDrawBuffer(GL_NONE);
  glReadBuffer(GL_NONE);
  EXPECT_EQ(GlExt.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  GlExt.glDeleteFramebuffersEXT(1, &fb);
  DeleteRenderTargets(&t);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(RenderTargets, TargetSizesPastTheLimitDropToTheLargestPowerOfTwoWithinIt) {
  // Within the limit (or with none reported) the size stays as asked.
  EXPECT_EQ(FitTargetSize(8192, 8192), 8192);
  EXPECT_EQ(FitTargetSize(4096, 16384), 4096);
  EXPECT_EQ(FitTargetSize(16, 64), 16);
  EXPECT_EQ(FitTargetSize(8192, 0), 8192);
  EXPECT_EQ(FitTargetSize(8192, -1), 8192);
  // Past it: the largest power of two that fits, also for a limit that is none itself.
  EXPECT_EQ(FitTargetSize(8192, 4096), 4096);
  EXPECT_EQ(FitTargetSize(8192, 2048), 2048);
  EXPECT_EQ(FitTargetSize(4096, 3000), 2048);
  EXPECT_EQ(FitTargetSize(1024, 1023), 512);
  EXPECT_EQ(FitTargetSize(8192, 1), 1);
  for (int limit = 1; limit <= 20000; limit += 37) {
    const int fit = FitTargetSize(8192, limit);
    EXPECT_LE(fit, limit);
    EXPECT_EQ(fit & (fit - 1), 0) << limit;
    if (limit < 8192) {
      EXPECT_GT(fit * 2, limit) << limit;
    } else {
      EXPECT_EQ(fit, 8192);
    }
  }
}

TEST(Extensions, WholeWordAndSubstringSearches) {
  const char* list = "GL_ARB_multitexture_extra\nGL_EXT_texture_env_combine\nGL_ARB_multitexture";
  EXPECT_TRUE(HasExtension(list, "GL_ARB_multitexture"));  // the last word, no newline after it
  EXPECT_TRUE(HasExtension(list, "GL_EXT_texture_env_combine"));
  EXPECT_FALSE(HasExtension(list, "GL_ARB_multi"));
  EXPECT_FALSE(HasExtension("GL_ARB_multitexture_extra", "GL_ARB_multitexture"));
  EXPECT_FALSE(HasExtension("", "GL_ARB_multitexture"));
  EXPECT_FALSE(HasExtension(list, ""));
  // The framebuffer and shader checks take any substring, even inside a longer name.
  EXPECT_TRUE(ExtensionSubstring("GL_FOO_EXT_framebuffer_object_bar", "EXT_framebuffer_object"));
  EXPECT_FALSE(ExtensionSubstring("GL_ARB_framebuffer_object", "EXT_framebuffer_object"));
  EXPECT_FALSE(ExtensionSubstring(nullptr, "x"));
}

TEST(Extensions, AnisotropyIsOneBelowTheMaximumAndAtLeastOne) {
  EXPECT_EQ(AnisotropyBelowMaximum(16), 15);
  EXPECT_EQ(AnisotropyBelowMaximum(8), 7);
  EXPECT_EQ(AnisotropyBelowMaximum(2), 1);
  EXPECT_EQ(AnisotropyBelowMaximum(1), 1);
  EXPECT_EQ(AnisotropyBelowMaximum(0), 1);
}

}  // namespace
