// The three car passes of the race frame and the shadow casters.
#include "render/cars_pass.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "app/frame.h"
#include "app/race_snapshot.h"
#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "gfx/texture.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/scene_content.h"
#include "render/camera_state.h"
#include "render/car_assembly.h"
#include "render/car_skins.h"
#include "render/pass_control.h"
#include "render/shadow_view.h"

float BeaconAngle = 0.0f;
int CurrentCarLod = 0;

namespace {

// Units of the shared shadow state, shifted up against the world's: units 0-2 carry the
// skins and the tangent frame.
constexpr int kCarNoiseUnit = 4;
constexpr int kCarShadowUnit = 3;
constexpr int kBaseUnit = 2;
constexpr int kCubeUnit = 1;
constexpr int kBaseTexture = 0;     // tex00, parked on unit 2 until a skin takes it

constexpr int kSkidTexture = 45;    // unit 0
constexpr int kSkidNormalTexture = 46;  // unit 2
constexpr float kSkidReflection = 0.25f;
constexpr int kBeaconTexture = 10;
constexpr float kBeaconHalfSize = 0.38f;
constexpr float kBeaconGrey = 0.25f;
// The flares turn at 7 to 9 degrees per tick, wobbling with the scene clock.
constexpr float kBeaconBaseRate = 8.0f;
constexpr float kBeaconWobbleRate = 0.5f;
// Shadow casters: only lorries this near the camera reach the sun's map.
constexpr float kShadowCasterRange = 120.0f;
// The shadow bodies hang a little lower than the drawn ones.
constexpr float kCasterAxleDrop = 0.625f;
constexpr float kCasterFrontCamber = 2.0f;

GLuint TableTexture(int entry) {
  const int name = TextureTable[entry].name;
  return name > 0 ? static_cast<GLuint>(name) : 0;
}

void SetUniform1f(ShaderProgramId id, Uniform u, float value) {
  const GLint location = Renderer.Program(id).Location(u);
  if (GlExt.glUniform1fARB && location != -1) GlExt.glUniform1fARB(location, value);
}

void UseProgram(ShaderProgramId id) { UseProgramHandle(Renderer.Program(id).program); }

// The level a car is drawn at this frame; -1 (hidden) for anything outside 0-2.
int CarLod(int car) {
  const int lod = RenderSnapshot.levelOfDetail[car];
  return lod >= 0 && lod < kCarLods ? lod : -1;
}

}  // namespace

void BeginCarShadowState(const Matrix4& lightProjection, const Matrix4& lightView, int baseTexture) {
  const RenderTargets& t = Renderer.targets;
  if (SelectFixedUnit(kCarNoiseUnit)) {
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_3D);
    glBindTexture(GL_TEXTURE_3D, Renderer.NoiseTexture3D);
  }
  if (SelectFixedUnit(kCarShadowUnit)) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, t.ShadowDepthTexture);
    LoadShadowTextureMatrix(lightProjection, lightView);
  }
  if (SelectFixedUnit(kBaseUnit)) {
    glBindTexture(GL_TEXTURE_2D, TableTexture(baseTexture));
    glDisable(GL_TEXTURE_2D);
  }
  if (SelectFixedUnit(kCubeUnit)) {
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_CUBE_MAP_ARB);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARB, t.EnvironmentCubeMap);
  }
  SelectFixedUnit(0);
  glEnable(GL_TEXTURE_2D);
}

void EndCarShadowState() {
  if (SelectFixedUnit(kCarShadowUnit)) {
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
  }
  DisableUnits(kCarNoiseUnit, kCubeUnit);
}

namespace {

// The shown lorries nearest the eye first: the rasteriser skips the hidden fragments of
// the ones behind, and the lit skin program is the pass's main cost. Returns how many.
int NearestFirst(int order[kRaceCarCount]) {
  GLfloat view[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, view);
  float depth[kRaceCarCount] = {};
  int n = 0;
  for (int i = 0; i < kRaceCarCount; ++i) {
    if (CarLod(i) < 0) continue;
    const float* m = RenderCarRows[i].matrix.m;
    // Eye-space z grows toward the viewer: the larger, the nearer.
    const float z = view[2] * m[12] + view[6] * m[13] + view[10] * m[14] + view[14];
    int at = n++;
    for (; at > 0 && depth[at - 1] < z; --at) {
      order[at] = order[at - 1];
      depth[at] = depth[at - 1];
    }
    order[at] = i;
    depth[at] = z;
  }
  return n;
}

CarDrawStyle SkinnedStyle(int car) {
  CarDrawStyle s;
  s.colourSkin = CarSkinTexture(car, kColourSkin);
  s.normalSkin = CarSkinTexture(car, kNormalSkin);
  return s;
}

void DrawCarsOpaque() {
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  UseProgram(ShaderProgramId::Objects);
  SetShaderUniforms(0);
  BeginCarShadowState(RenderSnapshot.sunProjection, RenderSnapshot.sunView, kBaseTexture);
  if (PassWanted("objects")) {
    PassBegin("objects");
    DrawObjects();
    PassEnd();
  }
  // The drawn update's ticks: the race is timed by the loader, not by this thread.
  const FrameTimingState& time = FrameTiming;
  BeaconAngle += (std::sin(time.SceneClock * kBeaconWobbleRate) + kBeaconBaseRate) * time.RenderTicks;
  if (PassWanted("cars")) {
    PassBegin("cars");
    int order[kRaceCarCount];
    const int shown = NearestFirst(order);
    for (int k = 0; k < shown; ++k) {
      const int i = order[k];
      const int lod = CarLod(i);
      CurrentCarLod = lod;
      CarDrawStyle s = SkinnedStyle(i);
      s.lampLitBody = true;
      AssembleCar(i, lod, s);
    }
    PassEnd();
  }
  EndCarShadowState();
  UseProgramHandle(0);
}

void DrawCarsNearDetail() {
  UseProgram(ShaderProgramId::Objects);
  SetShaderUniforms(0);
  BeginCarShadowState(RenderSnapshot.sunProjection, RenderSnapshot.sunView, kBaseTexture);
  if (PassWanted("cars")) {
    PassBegin("cars");
    int order[kRaceCarCount];
    const int shown = NearestFirst(order);
    for (int k = 0; k < shown; ++k) {
      const int i = order[k];
      const int lod = CarLod(i);
      if (!CarSlots[i].glass[lod]) continue;
      const CarRow& row = RenderCarRows[i];
      glPushMatrix();
      glMultMatrixf(row.matrix.m);
      // The glass bumps with the car's own normal map: the dirt never reaches it.
      CarSlots[i].glass[lod]->DrawWithGroupSamplers(CarSkinTexture(i, kColourSkin), CarNormalTextures[i].name,
                                                    row.reverseLamp, row.tailLamp, row.brakeLamp);
      glPopMatrix();
    }
    PassEnd();
  }
  UseProgramHandle(0);
  if (PassWanted("trails")) {
    PassBegin("trails");
    if (SelectFixedUnit(kBaseUnit)) {
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, TableTexture(kSkidNormalTexture));
    }
    SelectFixedUnit(0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, TableTexture(kSkidTexture));
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);
    UseProgram(ShaderProgramId::DirtTrace);
    SetShaderUniforms(14);
    SetUniform1f(ShaderProgramId::DirtTrace, Uniform::LightNow, 0.0f);
    SetUniform1f(ShaderProgramId::DirtTrace, Uniform::RefInt, kSkidReflection);
    SetUniform1f(ShaderProgramId::DirtTrace, Uniform::GlassNow, 1.0f);
    SetUniform1f(ShaderProgramId::DirtTrace, Uniform::GlassAlpha, 1.0f);
    DrawSkidMarks();
    UseProgramHandle(0);
    glDepthMask(GL_TRUE);
    // The water surface and everything after it expect back faces culled again.
    glEnable(GL_CULL_FACE);
    PassEnd();
  }
  EndCarShadowState();
}

}  // namespace

void DrawBeacon(const Matrix4& frame) {
  glPushMatrix();
  glMultMatrixf(frame.m);
  glRotatef(BeaconAngle, 0.0f, 1.0f, 0.0f);
  const float h = kBeaconHalfSize;
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f); glVertex3f(-h, 0.0f, -h);
  glTexCoord2f(1.0f, 0.0f); glVertex3f(-h, 0.0f, h);
  glTexCoord2f(1.0f, 1.0f); glVertex3f(h, 0.0f, h);
  glTexCoord2f(0.0f, 1.0f); glVertex3f(h, 0.0f, -h);
  glEnd();
  glPopMatrix();
}

namespace {

void DrawCarsBlended() {
  if (PassWanted("smoke")) {
    PassBegin("smoke");
    DrawExhaustSmoke();
    PassEnd();
  }
  if (!PassWanted("cars")) return;
  PassBegin("cars");
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(kBeaconGrey, kBeaconGrey, kBeaconGrey, 1.0f);
  glBindTexture(GL_TEXTURE_2D, TableTexture(kBeaconTexture));
  for (int i = 0; i < kRaceCarCount; ++i) {
    if (CarLod(i) < 0) continue;
    const int beacons = BeaconCount(CarSlots[i].points);
    if (beacons == 0) continue;
    glPushMatrix();
    glMultMatrixf(RenderCarRows[i].matrix.m);
    for (int k = 0; k < beacons; ++k) DrawBeacon(RaceCars[i].attachmentFrames[k]);
    glPopMatrix();
  }
  glDisable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  PassEnd();
}

}  // namespace

void DrawCars(int pass) {
  switch (pass) {
    case 0: DrawCarsOpaque(); break;
    case 1: DrawCarsNearDetail(); break;
    case 2: DrawCarsBlended(); break;
    default: break;
  }
}

void DrawCarShadowCasters() {
  const Vector3& eye = RenderCamera.eye;
  for (int i = 0; i < kRaceCarCount; ++i) {
    const int lod = CarLod(i);
    if (lod < 0) continue;
    const float* m = RenderCarRows[i].matrix.m;
    const float dx = m[12] - eye.x, dy = m[13] - eye.y, dz = m[14] - eye.z;
    // Written so that a non-number distance casts nothing.
    if (!(std::sqrt(dx * dx + dy * dy + dz * dz) < kShadowCasterRange)) continue;
    CurrentCarLod = lod;
    CarDrawStyle s;
    s.positionsOnly = true;
    s.axleDrop = kCasterAxleDrop;
    s.frontCamber = kCasterFrontCamber;
    AssembleCar(i, lod, s);
  }
}
