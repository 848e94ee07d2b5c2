#include <GL/gl.h>
#include <GL/glext.h>

#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/milkshape.h"
#include "gfx/renderer.h"
#include "race/world_layers.h"
#include "render/pass_control.h"
#include "render/texture_units.h"
#include "render/water.h"

namespace {

constexpr float kWaterFadeStart = 130.0f;
constexpr float kWaterFadeEnd = 90.0f;
constexpr int kReflectionUnit = 1;
constexpr int kRippleUnit = 2;
constexpr int kUniformsWater = 13;

void SetFloat(Uniform u, float v) {
  const GLint location = Renderer.Program(ShaderProgramId::Water).Location(u);
  if (GlExt.glUniform1fARB && location != -1) GlExt.glUniform1fARB(location, v);
}

// Clip space of the mirror camera into the texture's [0, 1] square (the projective
// divide is the shader's).
void LoadReflectionTextureMatrix() {
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glTranslatef(0.5f, 0.5f, 0.0f);
  glScalef(0.5f, 0.5f, 1.0f);
  glMultMatrixf(ReflectionProjection.m);
  glMultMatrixf(ReflectionModelview.m);
  glMatrixMode(GL_MODELVIEW);
}

}  // namespace

float WaterFadeStart(float sightDistance) { return sightDistance - kWaterFadeStart; }
float WaterFadeEnd(float sightDistance) { return sightDistance - kWaterFadeEnd; }

void DrawWaterSurface() {
  if (!PassWanted("water")) return;
  PassBegin("water");
  const RendererObjects& r = Renderer;
  UnitTexturing(kRippleUnit, GL_TEXTURE_2D, false);
  UnitTexturing(kRippleUnit, GL_TEXTURE_3D, true);
  BindUnitTexture(kRippleUnit, GL_TEXTURE_3D, static_cast<int>(r.RandomTexture3D));
  UnitTexturing(kReflectionUnit, GL_TEXTURE_2D, true);
  BindUnitTexture(kReflectionUnit, GL_TEXTURE_2D, static_cast<int>(r.targets.ReflectionTexture));
  if (FixedFunctionUnit(kReflectionUnit)) LoadReflectionTextureMatrix();
  UnitTexturing(0, GL_TEXTURE_2D, true);

  if (GlExt.glUseProgramObjectARB) GlExt.glUseProgramObjectARB(r.Program(ShaderProgramId::Water).program);
  SetShaderUniforms(kUniformsWater);
  SetFloat(Uniform::T0, WaterFadeStart(ViewDistance));
  SetFloat(Uniform::T1, WaterFadeEnd(ViewDistance));
  if (WorldLayers.water) WorldLayers.water->DrawWithoutTexCoords();
  if (GlExt.glUseProgramObjectARB) GlExt.glUseProgramObjectARB(0);

  UnitTexturing(kRippleUnit, GL_TEXTURE_3D, false);
  UnitTexturing(kRippleUnit, GL_TEXTURE_2D, false);
  if (FixedFunctionUnit(kReflectionUnit)) {
    SelectUnit(kReflectionUnit);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
  }
  UnitTexturing(kReflectionUnit, GL_TEXTURE_3D, false);
  UnitTexturing(kReflectionUnit, GL_TEXTURE_2D, false);
  UnitTexturing(0, GL_TEXTURE_2D, true);
  PassEnd();
}
