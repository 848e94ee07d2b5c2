// The post pass on a real context: the blur's step across a screen-size source at the
// four common screen widths, what the pass leaves bound, that it draws over the whole
// small target whatever depth buffer the shared framebuffer held, and that only the two
// blur types run a program.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "platform/gl_proc.h"
#include "render/layer_targets.h"
#include "render/post_passes.h"
#include "tests/render/race_render_support.h"
#include "tests/render/render_gl.h"

namespace {

using rendertest::LeftoverState;

class RaceRenderPostPass : public rendertest::RenderGlTest {
 protected:
  void SetUp() override {
    rendertest::RenderGlTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    screenWidth_ = RenderSetup.screenWidth;
    getUniformfv_ = reinterpret_cast<PFNGLGETUNIFORMFVARBPROC>(platform::GetGLProcAddress("glGetUniformfvARB"));
  }
  void TearDown() override {
    if (screenWidth_ > 0) RenderSetup.screenWidth = screenWidth_;
  }

  const RenderTargets& Targets() const { return Renderer.targets; }

  void FillScreenTexture(GLuint texture, const uint8_t left[4], const uint8_t right[4]) {
    const int w = RenderSetup.screenWidth, h = RenderSetup.screenHeight;
    std::vector<uint8_t> texels(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int k = 0; k < 4; ++k) texels[4 * (static_cast<size_t>(y) * w + x) + k] = x < w / 2 ? left[k] : right[k];
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
    glTexSubImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
  }

  // The small target's texels as floats, bottom row first.
  std::vector<float> ReadSmall(GLuint texture) {
    std::vector<float> texels(static_cast<size_t>(RenderSetup.postWidth) * RenderSetup.postHeight * 4);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
    glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
    return texels;
  }
  float SmallAt(const std::vector<float>& texels, int x, int y, int channel) {
    return texels[4 * (static_cast<size_t>(y) * RenderSetup.postWidth + x) + channel];
  }

  void BlurOffset(float* x, float* y) {
    const GLhandleARB p = Renderer.Program(ShaderProgramId::Blur).program;
    GLfloat v[2] = {-1.0f, -1.0f};
    getUniformfv_(p, Renderer.Program(ShaderProgramId::Blur).Location(Uniform::texOffset), v);
    *x = v[0];
    *y = v[1];
  }

  int screenWidth_ = 0;
  PFNGLGETUNIFORMFVARBPROC getUniformfv_ = nullptr;
};

TEST_F(RaceRenderPostPass, BlurStepsByWholeScreenPixelsPerSmallTexelAndPutsTheScreenBack) {
  ASSERT_NE(getUniformfv_, nullptr);
  ASSERT_NE(Renderer.Program(ShaderProgramId::Blur).Location(Uniform::texOffset), -1);
  const int widths[] = {800, 1024, 1280, 1920};
  const float steps[] = {2.0f, 2.0f, 3.0f, 4.0f};
  for (int i = 0; i < 4; ++i) {
    RenderSetup.screenWidth = widths[i];
    // Whatever the caller had: another framebuffer and a stray viewport.
    BindPassFramebuffer(Targets().SceneTextures[2], Targets().SceneDepthBuffer);
    glViewport(3, 5, 70, 90);
    glDisable(GL_DEPTH_TEST);
    DrawPostPass(kPostBlur, Targets().SceneTextures[0], Targets().PostTextures[1], kPostFromScreen);
    float x = 0, y = 0;
    BlurOffset(&x, &y);
    EXPECT_EQ(x, steps[i]) << "screen " << widths[i];
    EXPECT_EQ(y, 0.0f);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], widths[i]);
    EXPECT_EQ(viewport[3], RenderSetup.screenHeight);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_EQ(bound, 0) << "the default framebuffer again";
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(LeftoverState(), "");
  }
  // A small source steps one texel: along y for kinds 1 and 3, along x for kind 2.
  const int kinds[] = {kPostFromSmall, kPostSmallAlongX, kPostSmallAlongY};
  const float along[3][2] = {{0, 1}, {1, 0}, {0, 1}};
  for (int k = 0; k < 3; ++k) {
    DrawPostPass(kPostBlur, Targets().PostTextures[1], Targets().PostTextures[0], kinds[k]);
    float x = -1, y = -1;
    BlurOffset(&x, &y);
    EXPECT_EQ(x, along[k][0]) << "kind " << kinds[k];
    EXPECT_EQ(y, along[k][1]) << "kind " << kinds[k];
  }
}

TEST_F(RaceRenderPostPass, ACopyCoversTheWholeSmallTargetWhateverDepthTheSharedFramebufferHeld) {
  const uint8_t red[4] = {255, 0, 0, 255}, blue[4] = {0, 0, 255, 255};
  FillScreenTexture(Targets().SceneTextures[2], red, blue);
  // The cube map's pass leaves its 128 x 128 depth buffer on the shared framebuffer.
  BindPassFramebuffer(Targets().SceneTextures[3], Targets().CubeDepthBuffer);
  // The race frame's chain calls in with 2D texturing on and rectangles off.
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  DrawPostPass(kPostCopy, Targets().SceneTextures[2], Targets().PostTextures[1], kPostFromScreen);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_RECTANGLE_ARB)) << "unit 0's enables as they were";
  EXPECT_EQ(LeftoverState(), "");

  const std::vector<float> small = ReadSmall(Targets().PostTextures[1]);
  const int w = RenderSetup.postWidth, h = RenderSetup.postHeight;
  int wrong = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      // The screen's halves land on the small target's halves; the texels where they meet
      // are a mix.
      if (x == w / 2 - 1 || x == w / 2) continue;
      const bool left = x < w / 2;
      if (std::fabs(SmallAt(small, x, y, 0) - (left ? 1.0f : 0.0f)) > 0.01f ||
          std::fabs(SmallAt(small, x, y, 2) - (left ? 0.0f : 1.0f)) > 0.01f)
        ++wrong;
    }
  EXPECT_EQ(wrong, 0) << "texels beyond 128 x 128 clipped, or the picture not scaled down";

  GLint depth = -1;
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, Targets().PassFramebuffer);
  GlExt.glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                                GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &depth);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  EXPECT_EQ(depth, 0) << "the pass draws with no depth buffer";
}

// The scene's depth brings its stencil bits onto the shared framebuffer, and a pass
// with other depth or none takes them off again.
TEST_F(RaceRenderPostPass, TheScenesDepthAloneBringsItsStencil) {
  auto attached = [](GLenum attachment) {
    GLint name = -1;
    GlExt.glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, attachment,
                                                  GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &name);
    return name;
  };
  const GLint scene = static_cast<GLint>(Targets().SceneDepthBuffer);
  BindPassFramebuffer(Targets().SceneTextures[2], Targets().SceneDepthBuffer);
  EXPECT_EQ(attached(GL_DEPTH_ATTACHMENT_EXT), scene);
  EXPECT_EQ(attached(GL_STENCIL_ATTACHMENT_EXT), Targets().sceneStencil ? scene : 0);
  EXPECT_EQ(GlExt.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));
  BindPassFramebuffer(Targets().SceneTextures[3], Targets().CubeDepthBuffer);
  EXPECT_EQ(attached(GL_STENCIL_ATTACHMENT_EXT), 0);
  EXPECT_EQ(GlExt.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));
  BindPassFramebuffer(Targets().SceneTextures[3], 0);
  EXPECT_EQ(attached(GL_STENCIL_ATTACHMENT_EXT), 0);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RaceRenderPostPass, OnlyTheTwoBlurTypesRunAProgram) {
  // A dull grey: the glow's bright pass keeps nothing of it, a copy keeps it all.
  const uint8_t grey[4] = {64, 64, 64, 255};
  FillScreenTexture(Targets().SceneTextures[2], grey, grey);
  glEnable(GL_TEXTURE_2D);
  for (int type : {kPostCopy, 7, kPostBlur}) {
    DrawPostPass(type, Targets().SceneTextures[2], Targets().PostTextures[1], kPostFromScreen);
    const std::vector<float> small = ReadSmall(Targets().PostTextures[1]);
    const float middle = SmallAt(small, RenderSetup.postWidth / 2, RenderSetup.postHeight / 2, 1);
    if (type == kPostBlur)
      EXPECT_LT(middle, 0.01f) << "the glow keeps only what is brighter than its threshold";
    else
      EXPECT_NEAR(middle, 64.0f / 255.0f, 0.01f) << "type " << type << " copies";
  }
  EXPECT_EQ(LeftoverState(), "");
}

}  // namespace
