#include "render/shadow_view.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "render/texture_units.h"

Matrix4 InverseCameraView;

Matrix4 InvertRigidView(const Matrix4& view) {
  const float* m = view.m;
  Matrix4 inv;
  // Element (row r, column c) of the inverse is element (row c, column r) of the view.
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) inv.m[4 * c + r] = m[4 * r + c];
  const float px = m[12], py = m[13], pz = m[14];
  inv.m[12] = -(px * m[0] + py * m[1] + pz * m[2]);
  inv.m[13] = -(px * m[4] + py * m[5] + pz * m[6]);
  inv.m[14] = -(px * m[8] + py * m[9] + pz * m[10]);
  inv.m[3] = inv.m[7] = inv.m[11] = 0.0f;
  inv.m[15] = 1.0f;
  return inv;
}

void CaptureViewMatrices() {
  Matrix4 view;
  glGetFloatv(GL_MODELVIEW_MATRIX, view.m);
  InverseCameraView = InvertRigidView(view);
}

void BindClearedShadowTarget() {
  const RenderTargets& t = Renderer.targets;
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.ShadowFramebuffer);
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D,
                                  t.ShadowDepthTexture, 0);
  glDrawBuffer(GL_NONE);
  glReadBuffer(GL_NONE);
  glEnable(GL_DEPTH_TEST);
  // A pass that left depth writes off would make the clear a no-op.
  glDepthMask(GL_TRUE);
  glClear(GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glViewport(0, 0, RenderSetup.shadowMapSize, RenderSetup.shadowMapSize);
}

void ClearShadowMap() {
  if (!GlExt.glBindFramebufferEXT || Renderer.targets.ShadowFramebuffer == 0) return;
  BindClearedShadowTarget();
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

void ShadowSetUp(const Matrix4& lightProjection, const Matrix4& lightView) {
  UnitTexturing(kNoiseUnit, GL_TEXTURE_2D, false);
  UnitTexturing(kNoiseUnit, GL_TEXTURE_3D, true);
  BindUnitTexture(kNoiseUnit, GL_TEXTURE_3D, static_cast<int>(Renderer.NoiseTexture3D));

  UnitTexturing(kShadowUnit, GL_TEXTURE_CUBE_MAP, false);
  UnitTexturing(kShadowUnit, GL_TEXTURE_2D, true);
  BindUnitTexture(kShadowUnit, GL_TEXTURE_2D, static_cast<int>(Renderer.targets.ShadowDepthTexture));
  if (FixedFunctionUnit(kShadowUnit)) LoadShadowTextureMatrix(lightProjection, lightView);
  glMatrixMode(GL_MODELVIEW);
  UnitTexturing(0, GL_TEXTURE_2D, true);
}

void LoadShadowTextureMatrix(const Matrix4& lightProjection, const Matrix4& lightView) {
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glTranslatef(0.5f, 0.5f, 0.5f);
  glScalef(0.5f, 0.5f, 0.5f);
  glMultMatrixf(lightProjection.m);
  glMultMatrixf(lightView.m);
  glMultMatrixf(InverseCameraView.m);
  glMatrixMode(GL_MODELVIEW);
}

void ShadowTearDown() {
  UnitTexturing(kNoiseUnit, GL_TEXTURE_2D, false);
  UnitTexturing(kNoiseUnit, GL_TEXTURE_3D, false);
  UnitTexturing(kShadowUnit, GL_TEXTURE_CUBE_MAP, false);
  UnitTexturing(kShadowUnit, GL_TEXTURE_2D, false);
  if (FixedFunctionUnit(kShadowUnit)) {
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
  }
  UnitTexturing(0, GL_TEXTURE_2D, true);
}
