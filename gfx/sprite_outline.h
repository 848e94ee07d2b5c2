// The part of a sprite texture that can show when its base level is sampled
// bilinearly: a convex polygon of at most eight corners, in texture coordinates, that
// holds every point whose sample takes in a texel of non-zero alpha. A particle seen
// larger than its texture is drawn over this polygon instead of the whole square: the
// pixels left out would have blended in nothing, and on a software rasteriser each
// of them costs a texture fetch and a blend.
#pragma once

#include <GL/gl.h>

#include <cstdint>

constexpr int kMaxOutlineCorners = 8;

struct SpriteOutline {
  int corners = 0;  // 0: no texel of the texture can show
  float s[kMaxOutlineCorners] = {};  // counter-clockwise around the polygon
  float t[kMaxOutlineCorners] = {};
  int texels = 0;  // the base level's larger side, for the magnification test
};

// From RGBA8 pixels in GL's row order (row 0 at t = 0). A visible texel on the texture's
// edge, which repeat wrapping samples from the other side too, keeps the whole square.
SpriteOutline TraceSpriteOutline(const uint8_t* rgba, int width, int height);

// The same from a 2D texture's base level, read back from GL once; false (and the whole
// square) when the texture cannot be read.
bool ReadSpriteOutline(GLuint texture, SpriteOutline* out);
