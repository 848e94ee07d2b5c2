#include "render/post_passes.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "render/car_assembly.h"
#include "render/layer_targets.h"
#include "render/texture_units.h"

namespace {

// The programs blur at full strength; their shaders hold their own gains.
constexpr float kBlurIntensity = 1.0f;

const ShaderProgram* PassProgram(int kind) {
  if (kind == kPostBlur) return &Renderer.Program(ShaderProgramId::Blur);
  if (kind == kPostBlurSmoke) return &Renderer.Program(ShaderProgramId::BlurSmoke);
  return nullptr;
}

void SetBlurUniforms(const ShaderProgram& p, int flag) {
  float x = 0.0f, y = 0.0f;
  PostTexOffset(flag, RenderSetup.screenWidth, RenderSetup.postWidth, &x, &y);
  if (GlExt.glUniform1iARB && p.Location(Uniform::decal) != -1) GlExt.glUniform1iARB(p.Location(Uniform::decal), 0);
  if (GlExt.glUniform2fARB && p.Location(Uniform::texOffset) != -1)
    GlExt.glUniform2fARB(p.Location(Uniform::texOffset), x, y);
  if (GlExt.glUniform1fARB && p.Location(Uniform::intensity) != -1)
    GlExt.glUniform1fARB(p.Location(Uniform::intensity), kBlurIntensity);
}

}  // namespace

void PostTexOffset(int flag, int screenWidth, int postWidth, float* x, float* y) {
  *x = 0.0f;
  *y = 0.0f;
  if (flag == kPostFromScreen)
    *x = postWidth > 0 ? static_cast<float>(screenWidth / postWidth) : 0.0f;
  else if (flag == kPostSmallAlongX)
    *x = 1.0f;
  else
    *y = 1.0f;
}

void DrawPostPass(int kind, unsigned sourceTexture, unsigned targetTexture, int flag) {
  if (!GlExt.glBindFramebufferEXT || targetTexture == 0) return;
  const float w = static_cast<float>(RenderSetup.postWidth), h = static_cast<float>(RenderSetup.postHeight);
  // A screen-size source is read whole, so the small target gets a scaled-down picture.
  const bool fromScreen = flag == kPostFromScreen;
  const float s = fromScreen ? static_cast<float>(RenderSetup.screenWidth) : w;
  const float t = fromScreen ? static_cast<float>(RenderSetup.screenHeight) : h;

  // Depth 0: the framebuffer is shared, and a smaller depth buffer another pass left on
  // it (the cube map's 128 x 128) would clip this quad to its size without an error.
  BindPassFramebuffer(targetTexture, 0);
  glViewport(0, 0, RenderSetup.postWidth, RenderSetup.postHeight);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, w, 0.0, h, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_DEPTH_TEST);

  const ShaderProgram* program = PassProgram(kind);
  if (program) {
    UseProgramHandle(program->program);
    SetBlurUniforms(*program, flag);
  }
  // The plain copy reads through fixed function, which needs the rectangle target on;
  // the race frame's chain calls in with 2D texturing on, the dust blur with rectangles.
  SelectUnit(0);
  const GLboolean had2D = glIsEnabled(GL_TEXTURE_2D);
  const GLboolean hadRectangle = glIsEnabled(GL_TEXTURE_RECTANGLE_ARB);
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, sourceTexture);
  // A small source drawn into a target of its own size is read at its texel centres, and
  // the glow's taps step whole texels: a linear filter there gives each texel as it is,
  // and nearest gives the same for a quarter of the reads (the dust's taps fall between
  // texels and keep the linear filter).
  const bool texelCentres = !fromScreen && kind != kPostBlurSmoke;
  GLint minifying = GL_LINEAR, magnifying = GL_LINEAR;
  if (texelCentres) {
    glGetTexParameteriv(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, &minifying);
    glGetTexParameteriv(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, &magnifying);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  }
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f); glVertex2f(0.0f, 0.0f);
  glTexCoord2f(s, 0.0f); glVertex2f(w, 0.0f);
  glTexCoord2f(s, t); glVertex2f(w, h);
  glTexCoord2f(0.0f, t); glVertex2f(0.0f, h);
  glEnd();
  if (texelCentres) {
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, minifying);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, magnifying);
  }
  if (!hadRectangle) glDisable(GL_TEXTURE_RECTANGLE_ARB);
  if (had2D) glEnable(GL_TEXTURE_2D);

  UseProgramHandle(0);
  glEnable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glViewport(0, 0, RenderSetup.screenWidth, RenderSetup.screenHeight);
}
