#include "render/sun_glare.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "app/frame.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/lights.h"
#include "gfx/math3d.h"
#include "gfx/projection.h"
#include "gfx/renderer.h"
#include "gfx/texture.h"
#include "render/camera_state.h"
#include "render/listener.h"
#include "render/pass_control.h"
#include "render/race_scene.h"
#include "render/texture_units.h"

float SunGlare = 0.0f;

namespace {

constexpr int kGlareTexture = 30;
// The sun is looked for 1000 units out, at the height a sun 4500 up would stand.
constexpr float kSunHeight = 4500.0f;
constexpr float kSunDistance = 1000.0f;
// The marker: 20 units across at 1000 units.
constexpr float kMarkerSize = 10.0f;
constexpr float kGlareRise = 0.02f;
constexpr float kGlareFall = 0.01f;
// A level this close to an end is at it: thirty frames of a sixtieth add up to a hair
// under 1 in floats, and the glare would never quite reach full.
constexpr float kGlareSnap = 1e-4f;

void PlaceView(float farDistance) {
  FarDistance = farDistance;
  SetPerspective(Settings.screenWidth, Settings.screenHeight);
  PlaceCameraAndListener(0, 1);
}

// Whether the marker's samples passed; waits for the answer.
bool MarkerSeen(const Vector3& eye, const Vector3& sun) {
  if (Renderer.SunQuery == -1 || !GlExt.glBeginQueryARB || !GlExt.glGetQueryObjectuivARB) return false;
  const GLuint query = static_cast<GLuint>(Renderer.SunQuery);
  glEnable(GL_BLEND);
  // Red only where the frame already has alpha: the marker is there to be counted.
  glBlendFunc(GL_DST_ALPHA, GL_ONE);
  glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  GlExt.glBeginQueryARB(GL_SAMPLES_PASSED_ARB, query);
  DrawBillboardScaled(eye.x, eye.y, eye.z, sun.x, sun.y, sun.z, kMarkerSize, kMarkerSize, kMarkerSize);
  GlExt.glEndQueryARB(GL_SAMPLES_PASSED_ARB);
  GLuint samples = 0;
  GlExt.glGetQueryObjectuivARB(query, GL_QUERY_RESULT_ARB, &samples);
  return samples > 0;
}

}  // namespace

float AdvanceSunGlare(float glare, bool seen, float ticks) {
  glare += seen ? ticks * kGlareRise : -ticks * kGlareFall;
  if (!(glare > kGlareSnap)) return 0.0f;  // also a level that is no number
  if (glare > 1.0f - kGlareSnap) return 1.0f;
  return glare;
}

void DrawBillboardScaled(float eyeX, float eyeY, float eyeZ, float x, float y, float z, float sizeX, float sizeY,
                         float sizeZ) {
  const double eye[3] = {eyeX, eyeY, eyeZ};
  const double p[3] = {x, y, z};
  const double size[3] = {sizeX, sizeY, sizeZ};
  double d[3];
  Double3Difference(d, eye, p);
  double n[3] = {0.0, 0.0, 0.0};
  // A point at the eye has no facing: the quad shrinks to it instead of going NaN.
  const double length = Double3Length(d[0], d[1], d[2]);
  if (length > 0.0 && std::isfinite(length)) Double3Normalize(n, d[0], d[1], d[2]);
  const double upAxis[3] = {0.0, 1.0, 0.0};
  double a[3], b[3];
  Double3Cross(a, n, upAxis);
  Double3Cross(b, n, a);
  for (int i = 0; i < 3; ++i) {
    a[i] *= size[i];
    b[i] *= size[i];
  }
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3d(p[0] + a[0], p[1] + a[1], p[2] + a[2]);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3d(p[0] - b[0], p[1] - b[1], p[2] - b[2]);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3d(p[0] - a[0], p[1] - a[1], p[2] - a[2]);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3d(p[0] + b[0], p[1] + b[1], p[2] + b[2]);
  glEnd();
}

void DrawSunGlare() {
  if (!PassWanted("glare")) return;
  PassBegin("glare");
  PlaceView(kSkyFarDistance);
  const Vector3 eye = RenderCamera.eye;
  Vector3 toSun(SunPosition.x - eye.x, kSunHeight - eye.y, SunPosition.z - eye.z);
  const float length = toSun.Length();
  const float scale = length > 0.0f && std::isfinite(length) ? kSunDistance / length : 0.0f;
  const Vector3 sun(eye.x + toSun.x * scale, eye.y + toSun.y * scale, eye.z + toSun.z * scale);

  UnitTexturing(0, GL_TEXTURE_2D, true);
  BindUnitTexture(0, GL_TEXTURE_2D, TextureTable[kGlareTexture].name);
  glDisable(GL_CULL_FACE);
  const bool seen = scale > 0.0f && MarkerSeen(eye, sun);
  SunGlare = AdvanceSunGlare(SunGlare, seen, FrameTiming.RenderTicks);

  // At level 0 the sprite adds nothing: it is left out rather than filling a third of
  // the screen with zeros.
  if (SunGlare > 0.0f && scale > 0.0f) {
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    const float* c = Lighting.glareColour;
    glColor4f(c[0], c[1], c[2], SunGlare);
    const float s = Lighting.glareSize;
    DrawBillboardScaled(eye.x, eye.y, eye.z, sun.x, sun.y, sun.z, s, s, s);
  }
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  PlaceView(ViewDistance);
  PassEnd();
}
