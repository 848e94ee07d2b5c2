#include "gfx/framebuffers.h"

#include <GL/glext.h>

#include <initializer_list>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "gfx/links.h"
#include "platform/gl_proc.h"

namespace {

GLuint NewRenderbuffer() {
  GLuint rb = 0;
  GlExt.glGenRenderbuffersEXT(1, &rb);
  GlExt.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, rb);
  return rb;
}

GLuint DepthRenderbuffer(int width, int height) {
  const GLuint rb = NewRenderbuffer();
  GlExt.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, width, height);
  return rb;
}

GLuint NewTexture(GLenum target) {
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(target, tex);
  return tex;
}

// The same filter for minifying and magnifying (no target here has mipmaps) and the same
// wrap along s and t.
void FilterAndWrap(GLenum target, GLint filter, GLint wrap) {
  glTexParameteri(target, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(target, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(target, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(target, GL_TEXTURE_WRAP_T, wrap);
}

void LinearClamped(GLenum target) { FilterAndWrap(target, GL_LINEAR, GL_CLAMP_TO_EDGE); }

void EmptyRgba(GLenum target, int width, int height) {
  glTexImage2D(target, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
}

// A 2D colour target: filters, wraps, then the empty image.
GLuint ColourTexture2D(int width, int height, GLint wrap) {
  const GLuint tex = NewTexture(GL_TEXTURE_2D);
  FilterAndWrap(GL_TEXTURE_2D, GL_LINEAR, wrap);
  EmptyRgba(GL_TEXTURE_2D, width, height);
  glEnable(GL_TEXTURE_2D);
  return tex;
}

}  // namespace

int SquareTargetLimit() {
  GLint texture = 0, renderbuffer = 0, viewport[2] = {0, 0};
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &renderbuffer);
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
  int limit = 0;
  for (GLint v : {texture, renderbuffer, viewport[0], viewport[1]})
    if (v > 0 && (limit == 0 || v < limit)) limit = v;
  return limit;
}

int FitTargetSize(int size, int limit) {
  if (limit <= 0 || size <= limit) return size;
  int fit = 1;
  while (fit <= limit / 2) fit *= 2;
  return fit;
}

void CreateFramebuffersAndDepthBuffers(const RendererSetup& setup, RenderTargets* t) {
  GlExt.glGenFramebuffersEXT(1, &t->SceneFramebuffer);
  GlExt.glGenFramebuffersEXT(1, &t->PassFramebuffer);
  GlExt.glGenFramebuffersEXT(1, &t->ShadowFramebuffer);
  GlExt.glGenFramebuffersEXT(1, &t->DirtFramebuffer);

  // Single-sampled, the scene's depth carries stencil bits: the race marks with them
  // where its near-detail layer drew, and lays that layer over the frame only there.
  // The multisampled depth the layers resolve from has none, and a depth blit needs the
  // same format on both sides, so with anti-aliasing the scene's depth has none either.
  t->sceneStencil = setup.antiAliasing == 0 &&
                    platform::ExtensionListed(GlExtensionString(), "GL_EXT_packed_depth_stencil");
  if (t->sceneStencil) {
    t->SceneDepthBuffer = NewRenderbuffer();
    GlExt.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH24_STENCIL8_EXT, setup.screenWidth,
                                   setup.screenHeight);
  } else {
    t->SceneDepthBuffer = DepthRenderbuffer(setup.screenWidth, setup.screenHeight);
  }
  t->CubeDepthBuffer = DepthRenderbuffer(kCubeFaceSize, kCubeFaceSize);
  t->ReflectionDepthBuffer = DepthRenderbuffer(kReflectionSize, kReflectionSize);
  t->MapDepthBuffer = DepthRenderbuffer(setup.renderTextureSize, setup.renderTextureSize);
  t->DirtDepthBuffer = DepthRenderbuffer(kDirtWidth, kDirtHeight);

  MaxSamples = 0;
  if (platform::ExtensionListed(GlExtensionString(), "GL_EXT_framebuffer_multisample")) {
    GLint samples = 0;
    glGetIntegerv(GL_MAX_SAMPLES_EXT, &samples);
    MaxSamples = samples;
  }
  if (GfxLinks.pendingAntiAliasing) *GfxLinks.pendingAntiAliasing = setup.antiAliasing;

  // More samples than the driver offers would leave the pair without storage (and a
  // GL error behind); a driver without multisampled storage gets no pair at all.
  int samples = setup.antiAliasing;
  if (samples > MaxSamples) samples = MaxSamples;
  t->multisampleSamples = 0;
  if (setup.antiAliasing > 0 && samples > 0 && GlExt.glRenderbufferStorageMultisampleEXT) {
    t->MultisampleColourBuffer = NewRenderbuffer();
    GlExt.glRenderbufferStorageMultisampleEXT(GL_RENDERBUFFER_EXT, samples, GL_RGBA8,
                                              setup.screenWidth, setup.screenHeight);
    t->MultisampleDepthBuffer = NewRenderbuffer();
    GlExt.glRenderbufferStorageMultisampleEXT(GL_RENDERBUFFER_EXT, samples, GL_DEPTH_COMPONENT24,
                                              setup.screenWidth, setup.screenHeight);
    t->multisampleSamples = samples;
  }
}

void CreateRenderTextures(const RendererSetup& setup, RenderTargets* t) {
  const int w = setup.screenWidth, h = setup.screenHeight;
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);

  for (GLuint& tex : t->SceneTextures) {
    tex = NewTexture(GL_TEXTURE_RECTANGLE_ARB);
    LinearClamped(GL_TEXTURE_RECTANGLE_ARB);
    EmptyRgba(GL_TEXTURE_RECTANGLE_ARB, w, h);
  }
  for (GLuint& tex : t->PostTextures) {
    tex = NewTexture(GL_TEXTURE_RECTANGLE_ARB);
    glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA16F_ARB, setup.postWidth, setup.postHeight, 0,
                 GL_RGBA, GL_HALF_FLOAT_ARB, nullptr);
    LinearClamped(GL_TEXTURE_RECTANGLE_ARB);
  }

  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  glEnable(GL_TEXTURE_2D);
  t->ReflectionTexture = ColourTexture2D(kReflectionSize, kReflectionSize, GL_REPEAT);
  t->MapTexture = ColourTexture2D(setup.renderTextureSize, setup.renderTextureSize, GL_CLAMP_TO_EDGE);
  t->ScreenCopyTexture = ColourTexture2D(w, h, GL_CLAMP_TO_EDGE);

  for (auto& slot : t->DirtTextures)
    for (auto& layer : slot)
      for (GLuint& tex : layer) {
        glEnable(GL_TEXTURE_2D);
        tex = NewTexture(GL_TEXTURE_2D);
        LinearClamped(GL_TEXTURE_2D);
        EmptyRgba(GL_TEXTURE_2D, kDirtWidth, kDirtHeight);
      }

  glEnable(GL_TEXTURE_2D);
  t->ShadowDepthTexture = NewTexture(GL_TEXTURE_2D);
  FilterAndWrap(GL_TEXTURE_2D, GL_NEAREST, GL_CLAMP);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE_ARB, GL_LUMINANCE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_COMPARE_R_TO_TEXTURE_ARB);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB, GL_LEQUAL);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, setup.shadowMapSize, setup.shadowMapSize, 0,
               GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, nullptr);
}

void CreateEnvironmentCubeMap(RenderTargets* t) {
  const GLenum faces[6] = {GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X,
                           GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y,
                           GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z};
  for (int i = 0; i < 6; ++i) t->CubeFaceTargets[i] = faces[i];

  glEnable(GL_TEXTURE_CUBE_MAP);
  t->EnvironmentCubeMap = NewTexture(GL_TEXTURE_CUBE_MAP);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  FilterAndWrap(GL_TEXTURE_CUBE_MAP, GL_LINEAR, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_REPEAT);
  for (GLenum face : t->CubeFaceTargets)
    glTexImage2D(face, 0, GL_RGB, kCubeFaceSize, kCubeFaceSize, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  glDisable(GL_TEXTURE_CUBE_MAP);
}

void DeleteRenderTargets(RenderTargets* t) {
  if (GlExt.glDeleteFramebuffersEXT) {
    for (GLuint* fb : {&t->SceneFramebuffer, &t->PassFramebuffer, &t->ShadowFramebuffer,
                       &t->DirtFramebuffer})
      if (*fb) GlExt.glDeleteFramebuffersEXT(1, fb);
  }
  if (GlExt.glDeleteRenderbuffersEXT) {
    for (GLuint* rb : {&t->SceneDepthBuffer, &t->CubeDepthBuffer, &t->ReflectionDepthBuffer,
                       &t->MapDepthBuffer, &t->DirtDepthBuffer, &t->MultisampleColourBuffer,
                       &t->MultisampleDepthBuffer})
      if (*rb) GlExt.glDeleteRenderbuffersEXT(1, rb);
  }
  auto del = [](GLuint& tex) {
    if (tex) glDeleteTextures(1, &tex);
  };
  for (GLuint& tex : t->SceneTextures) del(tex);
  for (GLuint& tex : t->PostTextures) del(tex);
  del(t->ReflectionTexture);
  del(t->MapTexture);
  del(t->ScreenCopyTexture);
  for (auto& slot : t->DirtTextures)
    for (auto& layer : slot)
      for (GLuint& tex : layer) del(tex);
  del(t->ShadowDepthTexture);
  del(t->EnvironmentCubeMap);
  *t = RenderTargets();
}
