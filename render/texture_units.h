// Texture units for the race passes. Two limits meet here: a GLSL program samples from
// as many units as GL_MAX_TEXTURE_IMAGE_UNITS allows (16 and more), while the
// fixed-function enables and texture matrices exist only below GL_MAX_TEXTURE_UNITS
// (8 on Mesa, which silently ignores unit 8; as few as 4 on other drivers, where an
// enable beyond them is a GL error). Binding goes to any unit; enabling only to the
// fixed-function ones.
#pragma once

#include <GL/gl.h>

// Makes `unit` the active texture unit (nothing without multitexturing).
void SelectUnit(int unit);
// True when the unit has fixed-function texturing state (enables, texture matrix).
bool FixedFunctionUnit(int unit);
// Switches a texture target on or off on `unit`, leaving that unit active; a unit past
// the fixed-function ones is left alone (a program samples from it all the same).
void UnitTexturing(int unit, GLenum target, bool on);
// Makes `unit` active and binds a texture name there. A name of 0 or below is none:
// the unit keeps what it had. The model records keep -1 for a missing map, and binding
// that as 0xFFFFFFFF would make an empty texture that samples black.
void BindUnitTexture(int unit, GLenum target, int name);
// A texture name a record holds is a texture to bind.
inline bool TextureNamed(int name) { return name > 0; }
