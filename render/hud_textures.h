// The numbered textures the HUD, the mini-map and the track map draw with, and the
// binding they share: an entry that was never loaded binds no texture, so a quad
// still shows its colour instead of the last texture bound.
#pragma once

#include <GL/gl.h>

#include "gfx/texture.h"

constexpr int kEdgeShadeTexture = 5;
constexpr int kMapMaskTexture = 15;        // the mini-map's circular mask
constexpr int kCheckpointTexture = 20;
constexpr int kPathDotTexture = 27;
constexpr int kNeedleTexture = 32;         // left half the load needle, right half the rev needle
constexpr int kDialTexture = 36;           // t 0.5..1 the face, t 0..0.5 the front
constexpr int kCarMarkerTexture = 58;      // of the half t 0.5..1: player s 0..0.5, opponent s 0.5..1

inline void BindTableTexture(int entry) {
  const int name = TextureTable[entry].name;
  glBindTexture(GL_TEXTURE_2D, name > 0 ? static_cast<GLuint>(name) : 0);
}

// A quad from (x0, y0) to (x1, y1), counter-clockwise from the lower left, with the
// texture rectangle (s0, t0)..(s1, t1) on the active unit.
inline void TexturedQuad(float x0, float y0, float x1, float y1, float s0, float t0, float s1, float t1) {
  glBegin(GL_QUADS);
  glTexCoord2f(s0, t0);
  glVertex2f(x0, y0);
  glTexCoord2f(s1, t0);
  glVertex2f(x1, y0);
  glTexCoord2f(s1, t1);
  glVertex2f(x1, y1);
  glTexCoord2f(s0, t1);
  glVertex2f(x0, y1);
  glEnd();
}
