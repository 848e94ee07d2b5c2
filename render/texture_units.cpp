#include "render/texture_units.h"

#include <GL/glext.h>

#include "gfx/gl_ext.h"

void SelectUnit(int unit) {
  if (GlExt.glActiveTextureARB) GlExt.glActiveTextureARB(static_cast<GLenum>(GL_TEXTURE0_ARB + unit));
}

bool FixedFunctionUnit(int unit) { return unit >= 0 && unit < MaxTextureUnits; }

void UnitTexturing(int unit, GLenum target, bool on) {
  if (!FixedFunctionUnit(unit)) return;
  SelectUnit(unit);
  if (on)
    glEnable(target);
  else
    glDisable(target);
}

void BindUnitTexture(int unit, GLenum target, int name) {
  SelectUnit(unit);
  if (TextureNamed(name)) glBindTexture(target, static_cast<GLuint>(name));
}
