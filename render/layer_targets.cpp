#include "render/layer_targets.h"

#include <GL/glext.h>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "gfx/virtual_screen.h"

namespace {

void AttachScreenTargets(GLenum framebufferTarget, GLuint colour, GLuint depth) {
  GlExt.glFramebufferTexture2DEXT(framebufferTarget, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_RECTANGLE_ARB, colour, 0);
  GlExt.glFramebufferRenderbufferEXT(framebufferTarget, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, depth);
  // The scene's depth brings its stencil bits; any other depth, or none, leaves none.
  const RenderTargets& t = Renderer.targets;
  const GLuint stencil = t.sceneStencil && depth == t.SceneDepthBuffer ? depth : 0;
  GlExt.glFramebufferRenderbufferEXT(framebufferTarget, GL_STENCIL_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, stencil);
}

}  // namespace

bool SceneHasStencil() { return Renderer.targets.sceneStencil && !SceneIsMultisampled(); }

bool SceneIsMultisampled() {
  const RenderTargets& t = Renderer.targets;
  return t.multisampleSamples > 0 && t.MultisampleColourBuffer != 0 && t.MultisampleDepthBuffer != 0 &&
         GlExt.glBlitFramebufferEXT != nullptr;
}

void BindPassFramebuffer(GLuint colour, GLuint depth) {
  if (!GlExt.glBindFramebufferEXT) return;
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, Renderer.targets.PassFramebuffer);
  AttachScreenTargets(GL_FRAMEBUFFER_EXT, colour, depth);
}

void BindLayerTarget(GLuint texture) {
  if (!GlExt.glBindFramebufferEXT) return;
  const RenderTargets& t = Renderer.targets;
  if (SceneIsMultisampled()) {
    GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.SceneFramebuffer);
    GlExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT,
                                       t.MultisampleColourBuffer);
    GlExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                       t.MultisampleDepthBuffer);
  } else {
    BindPassFramebuffer(texture, t.SceneDepthBuffer);
  }
}

void ResolveLayer(GLuint texture) {
  if (!SceneIsMultisampled()) return;
  const RenderTargets& t = Renderer.targets;
  const GLint w = RenderSetup.screenWidth, h = RenderSetup.screenHeight;
  GlExt.glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, t.SceneFramebuffer);
  GlExt.glBindFramebufferEXT(GL_DRAW_FRAMEBUFFER_EXT, t.PassFramebuffer);
  AttachScreenTargets(GL_DRAW_FRAMEBUFFER_EXT, texture, t.SceneDepthBuffer);
  GlExt.glBlitFramebufferEXT(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.PassFramebuffer);
}

void ClearPostTextures() {
  if (!GlExt.glBindFramebufferEXT) return;
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  glViewport(0, 0, RenderSetup.postWidth, RenderSetup.postHeight);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  for (GLuint texture : Renderer.targets.PostTextures) {
    if (texture == 0) continue;
    BindPassFramebuffer(texture, 0);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

void DrawTextureOverFrame(GLuint texture, float texelsWide, float texelsHigh, GLint filter) {
  const VirtualScreenFrame& v = VirtualScreen;
  const float l = static_cast<float>(v.left), r = static_cast<float>(v.right);
  const float b = static_cast<float>(v.bottom), t = static_cast<float>(v.top);
  const bool ownFilter = filter != GL_LINEAR;
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  if (ownFilter) {
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, filter);
  }
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f); glVertex2f(l, b);
  glTexCoord2f(texelsWide, 0.0f); glVertex2f(r, b);
  glTexCoord2f(texelsWide, texelsHigh); glVertex2f(r, t);
  glTexCoord2f(0.0f, texelsHigh); glVertex2f(l, t);
  glEnd();
  if (ownFilter) {
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  }
}

void DrawLayerOverFrame(GLuint texture) {
  DrawTextureOverFrame(texture, static_cast<float>(RenderSetup.screenWidth),
                       static_cast<float>(RenderSetup.screenHeight), GL_NEAREST);
}
