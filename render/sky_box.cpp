#include "render/sky_box.h"

#include <GL/gl.h>

#include "race/scene_content.h"
#include "render/texture_units.h"

namespace {

// The sky texture's cross: the lid fills the centre square, each wall unfolds outward
// from the lid's edge to a lower edge just inside the texture's border.
constexpr float kLidLow = 0.25f;
constexpr float kLidHigh = 0.75f;
constexpr float kWallEdgeLow = 0.05f;
constexpr float kWallEdgeHigh = 0.95f;
// The horizon band repeats twice along each wall.
constexpr float kHorizonRepeats = 2.0f;

constexpr int kSkyTexture = 0;
constexpr int kHorizonTexture = 1;

struct SkyCorner {
  float s, t;
  float x, y, z;
};

void Emit(const SkyCorner& c) {
  glTexCoord2f(c.s, c.t);
  glVertex3f(c.x, c.y, c.z);
}

void Box(float x, float y, float z) {
  const float x0 = x - kSkyBoxHalfWidth, x1 = x + kSkyBoxHalfWidth;
  const float z0 = z - kSkyBoxHalfWidth, z1 = z + kSkyBoxHalfWidth;
  const float yb = y + kSkyBoxBottom, yt = y + kSkyBoxTop;
  const float lo = kLidLow, hi = kLidHigh, el = kWallEdgeLow, eh = kWallEdgeHigh;
  const SkyCorner faces[5][4] = {
      // wall z0
      {{hi, el, x1, yb, z0}, {hi, lo, x1, yt, z0}, {lo, lo, x0, yt, z0}, {lo, el, x0, yb, z0}},
      // wall z1
      {{lo, eh, x0, yb, z1}, {lo, hi, x0, yt, z1}, {hi, hi, x1, yt, z1}, {hi, eh, x1, yb, z1}},
      // lid
      {{hi, lo, x1, yt, z0}, {hi, hi, x1, yt, z1}, {lo, hi, x0, yt, z1}, {lo, lo, x0, yt, z0}},
      // wall x0
      {{lo, lo, x0, yt, z0}, {lo, hi, x0, yt, z1}, {el, hi, x0, yb, z1}, {el, lo, x0, yb, z0}},
      // wall x1
      {{eh, lo, x1, yb, z0}, {eh, hi, x1, yb, z1}, {hi, hi, x1, yt, z1}, {hi, lo, x1, yt, z0}},
  };
  BindUnitTexture(0, GL_TEXTURE_2D, SharedSceneTextures[kSkyTexture].name);
  glBegin(GL_QUADS);
  for (const auto& face : faces)
    for (const SkyCorner& c : face) Emit(c);
  glEnd();
}

void HorizonRing(float x, float y, float z) {
  const float x0 = x - kHorizonHalfWidth, x1 = x + kHorizonHalfWidth;
  const float z0 = z - kHorizonHalfWidth, z1 = z + kHorizonHalfWidth;
  const float yb = y, yt = y + kHorizonHeight;
  // The square's corners in order around it; each wall runs from one to the next.
  const float corners[5][2] = {{x0, z0}, {x1, z0}, {x1, z1}, {x0, z1}, {x0, z0}};
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  BindUnitTexture(0, GL_TEXTURE_2D, SharedSceneTextures[kHorizonTexture].name);
  glBegin(GL_QUADS);
  for (int w = 0; w < 4; ++w) {
    const float* a = corners[w];
    const float* b = corners[w + 1];
    Emit({0.0f, 0.0f, a[0], yb, a[1]});
    Emit({kHorizonRepeats, 0.0f, b[0], yb, b[1]});
    Emit({kHorizonRepeats, 1.0f, b[0], yt, b[1]});
    Emit({0.0f, 1.0f, a[0], yt, a[1]});
  }
  glEnd();
  glDisable(GL_BLEND);
}

}  // namespace

void DrawSkyBox(float x, float y, float z) {
  UnitTexturing(0, GL_TEXTURE_2D, true);
  Box(x, y, z);
  HorizonRing(x, y, z);
}
