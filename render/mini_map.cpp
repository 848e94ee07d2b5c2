#include "render/mini_map.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "race/car.h"
#include "race/waypoints.h"
#include "render/hud_textures.h"
#include "render/track_map.h"

namespace {

constexpr float kDegreesPerRadian = 57.3f;
// The map's "up" is world -z, a quarter turn from the heading's zero (world +x).
constexpr float kQuarterTurn = 90.0f;
constexpr float kDiscHalf = 100.0f;
// The disc shows a quarter of the map's width, centred on the lorry.
constexpr float kDiscMapShare = 0.25f;
// World units to disc units for the markers.
constexpr float kMarkerScale = 0.3515625f;
constexpr float kFadeStart = 240.0f;
constexpr float kFadePerUnit = 0.05f;  // gone 20 units past the fade's start
constexpr float kCheckpointHalf = 8.0f;
constexpr float kCheckpointTurn = 45.0f;
constexpr float kOpponentHalf = 6.0f;
constexpr float kPlayerHalf = 7.0f;

bool HaveMaskUnit() {
  return MaxTextureUnits > 1 && GlExt.glActiveTextureARB && GlExt.glMultiTexCoord2fARB;
}

void DiscCorner(float s, float t, float x, float y) {
  glTexCoord2f(s, t);
  GlExt.glMultiTexCoord2fARB(GL_TEXTURE1_ARB, s, t);
  glVertex2f(x, y);
}

// The track map under the mask: black from the colour plus the mask's colour, so the
// path shows in the mask's colour where both have alpha and nothing shows elsewhere.
void DrawDisc(float mapU, float mapV, float heading, float alpha) {
  GlExt.glActiveTextureARB(GL_TEXTURE1_ARB);
  glEnable(GL_TEXTURE_2D);
  BindTableTexture(kMapMaskTexture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_ADD);
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, Renderer.targets.MapTexture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glTranslatef(mapU, mapV, 0.0f);
  glRotatef(-(heading + kQuarterTurn), 0.0f, 0.0f, 1.0f);
  glTranslatef(-0.5f * kDiscMapShare, -0.5f * kDiscMapShare, 0.0f);
  glScalef(kDiscMapShare, kDiscMapShare, 1.0f);
  glMatrixMode(GL_MODELVIEW);

  glColor4f(0.0f, 0.0f, 0.0f, alpha);
  glBegin(GL_QUADS);
  DiscCorner(0.0f, 0.0f, -kDiscHalf, -kDiscHalf);
  DiscCorner(1.0f, 0.0f, kDiscHalf, -kDiscHalf);
  DiscCorner(1.0f, 1.0f, kDiscHalf, kDiscHalf);
  DiscCorner(0.0f, 1.0f, -kDiscHalf, kDiscHalf);
  glEnd();

  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  GlExt.glActiveTextureARB(GL_TEXTURE1_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glDisable(GL_TEXTURE_2D);
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

// Moves the modelview to where a point offset (dx, dz) from the lorry sits on the
// turned disc. The map's origin rides along in disc units, half a unit off centre,
// where the markers have always been drawn.
void MoveToMarker(float dx, float dz, float turn) {
  glRotatef(turn, 0.0f, 0.0f, 1.0f);
  glTranslatef(kMarkerScale * dx + kMapOriginU, -kMarkerScale * dz + kMapOriginV, 0.0f);
}

float Distance(float dx, float dy, float dz) { return std::sqrt(dx * dx + dy * dy + dz * dz); }

void DrawCheckpoint(float px, float py, float pz, float turn, float alpha) {
  const int32_t next = RenderCarRows[0].nextCheckpoint;
  if (next < 0 || next > WaypointLastIndex || next >= kWaypointCapacity) return;
  const Waypoint& w = WaypointTable[next];
  const float dx = w.x - px, dy = w.y - py, dz = w.z - pz;
  const float a = MiniMapMarkerAlpha(Distance(dx, dy, dz), alpha);
  if (a <= 0.0f) return;
  glColor4f(1.0f, 1.0f, 1.0f, a);
  glPushMatrix();
  MoveToMarker(dx, dz, turn);
  // Undoes the disc's turn and then some: the marker always stands as a diamond.
  glRotatef(-(turn + kCheckpointTurn), 0.0f, 0.0f, 1.0f);
  BindTableTexture(kCheckpointTexture);
  TexturedQuad(-kCheckpointHalf, -kCheckpointHalf, kCheckpointHalf, kCheckpointHalf, 1.0f, 1.0f, 0.0f, 0.0f);
  glPopMatrix();
}

void DrawOpponents(float px, float py, float pz, float turn, float alpha) {
  BindTableTexture(kCarMarkerTexture);
  for (int car = 1; car < kRaceCarCount; ++car) {
    const Matrix4& m = RenderCarRows[car].matrix;
    const float dx = m.m[12] - px, dy = m.m[13] - py, dz = m.m[14] - pz;
    const float a = MiniMapMarkerAlpha(Distance(dx, dy, dz), alpha);
    if (a <= 0.0f) continue;
    glColor4f(1.0f, 1.0f, 1.0f, a);
    glPushMatrix();
    MoveToMarker(dx, dz, turn);
    TexturedQuad(-kOpponentHalf, -kOpponentHalf, kOpponentHalf, kOpponentHalf, 0.5f, 0.5f, 1.0f, 1.0f);
    glPopMatrix();
  }
}

}  // namespace

float MiniMapHeading(const Matrix4& carMatrix) {
  // Dropping the height keeps a lorry on a slope pointing where it drives; an axis
  // with nothing left on the ground gives no number, which the checked angle turns to 0.
  neVector3 xAxis;
  xAxis.Set(1.0f, 0.0f, 0.0f);
  neVector3 ground;
  ground.Set(carMatrix.m[0], 0.0f, carMatrix.m[2]);
  return -kDegreesPerRadian * SignedAngleXZChecked(xAxis, ground);
}

float MiniMapMarkerAlpha(float distance, float alpha) {
  if (!(distance >= 0.0f)) return 0.0f;
  if (distance <= kFadeStart) return alpha;
  const float a = alpha * (1.0f - (distance - kFadeStart) * kFadePerUnit);
  return a > 0.0f ? a : 0.0f;
}

void DrawMiniMap(float alpha) {
  const Matrix4& m = RenderCarRows[0].matrix;
  const float px = m.m[12], py = m.m[13], pz = m.m[14];
  // A position that is no number would put no number into the texture matrix.
  if (!std::isfinite(px) || !std::isfinite(py) || !std::isfinite(pz)) return;
  const float heading = MiniMapHeading(m);
  const float turn = heading + kQuarterTurn;

  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_TEXTURE_2D);
  if (HaveMaskUnit()) DrawDisc(MapU(px), MapV(pz), heading, alpha);

  DrawCheckpoint(px, py, pz, turn, alpha);
  DrawOpponents(px, py, pz, turn, alpha);
  glColor4f(1.0f, 1.0f, 1.0f, alpha);
  BindTableTexture(kCarMarkerTexture);
  TexturedQuad(-kPlayerHalf, -kPlayerHalf, kPlayerHalf, kPlayerHalf, 0.0f, 0.5f, 0.5f, 1.0f);

  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_BLEND);
}
