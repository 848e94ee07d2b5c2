#include "render/foliage_state.h"

#include <GL/glext.h>

#include "render/layer_targets.h"

void BeginAlphaCut(GLenum func, float ref) {
  if (SceneIsMultisampled()) {
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB);
  } else {
    glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB);
    glEnable(GL_ALPHA_TEST);
  }
  glAlphaFunc(func, ref);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_CULL_FACE);
}

void EndAlphaCut() {
  glEnable(GL_CULL_FACE);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB);
}
