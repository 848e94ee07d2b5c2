// SEAM: the stand-in for the garage scene (see garage_seam.h); delete it as the real one
// lands.
#include "frontend/garage_seam.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/projection.h"
#include "gfx/renderer.h"
#include "render/layer_targets.h"

namespace {
constexpr float kEmptyGarage[3] = {0.16f, 0.17f, 0.18f};
}  // namespace

void DrawGarageScene() {
  const GLuint frame = Renderer.targets.SceneTextures[0];
  if (frame == 0 || !GlExt.glBindFramebufferEXT) return;
  GLint previous = 0;
  GLfloat clear[4] = {};
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  BindPassFramebuffer(frame, 0);
  glClearColor(kEmptyGarage[0], kEmptyGarage[1], kEmptyGarage[2], 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
  // The garage ends on the screen's framebuffer; the stand-in goes back to whichever
  // was bound, so a test's own target keeps the frame.
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(previous));
  SetPerspective(Settings.screenWidth, Settings.screenHeight);
}
