#include "render/grass.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "app/frame.h"
#include "app/race_snapshot.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "gfx/texture.h"
#include "race/scene_content.h"
#include "race/world_quadtree.h"
#include "render/camera_state.h"
#include "render/foliage_state.h"
#include "render/pass_control.h"
#include "render/texture_units.h"

float GrassWindPhase1 = 0.0f;
float GrassWindPhase2 = 0.0f;
float GrassWindPhase3 = 0.0f;
float GrassWindPhase4 = 0.0f;

namespace {

constexpr int kGrassAtlas = 2;   // world02 of the loaded world
constexpr int kGrassTint = 70;   // tex70, the large-scale tint
constexpr int kTintUnit = 1;
constexpr int kUniformsGrass = 10;
// The blades fade out from 250 to 220 units short of the view distance; whole leaves
// beyond 140 short of it are not looked at.
constexpr float kFadeStart = 250.0f;
constexpr float kFadeEnd = 220.0f;
constexpr float kLeafReach = 140.0f;
// Blades at half coverage or more are drawn.
constexpr float kAlphaCut = 0.5f;

// Each kind's atlas column (r runs across the eight) and the height of its cell.
constexpr float kColumnWidth = 1.0f / kGrassKindCount;
constexpr float kCellTop[kGrassKindCount] = {0.3125f, 0.4375f, 0.4375f, 0.5f, 0.625f, 0.6875f, 0.8125f, 1.0f};

float PhaseSway(float phase) { return std::sin(phase) * GustAmplitude(phase); }

// A zero vector stays zero: a camera whose up runs along its view has no right, and the
// blades shrink to lines rather than send non-numbers down the batch.
Vector3 Unit(const Vector3& v) {
  const float length = v.Length();
  if (!(length > 0.0f) || !std::isfinite(length)) return Vector3(0.0f, 0.0f, 0.0f);
  return Vector3(v.x / length, v.y / length, v.z / length);
}

void SetVector(GLint location, const Vector3& v) {
  if (GlExt.glUniform3fARB) GlExt.glUniform3fARB(location, v.x, v.y, v.z);
}

void UseGrassProgram(float sight, const Vector3& right, const Vector3& up) {
  if (!GlExt.glUseProgramObjectARB) return;
  const ShaderProgram& p = Renderer.Program(ShaderProgramId::Grass);
  GlExt.glUseProgramObjectARB(p.program);
  SetShaderUniforms(kUniformsGrass);
  if (GlExt.glUniform1fARB) {
    GlExt.glUniform1fARB(p.Location(Uniform::T0), sight - kFadeStart);
    GlExt.glUniform1fARB(p.Location(Uniform::T1), sight - kFadeEnd);
  }
  SetVector(p.Location(Uniform::Right), right);
  SetVector(p.Location(Uniform::Up), up);
}

// Four corners at the root; the program spreads them. Unit 1 carries the lean of the
// top corners (none at the roots, so the stems stay planted) and the instance's sway.
void EmitBlade(const GrassInstance& g, float rLow, float rHigh, float top, float swayX, float swayZ) {
  const PFNGLMULTITEXCOORD4FARBPROC lean = GlExt.glMultiTexCoord4fARB;
  glTexCoord4f(1.0f, 0.0f, rHigh, g.scale);
  lean(GL_TEXTURE1_ARB, 0.0f, 0.0f, 0.0f, g.scale2);
  glVertex3f(g.x, g.y, g.z);
  glTexCoord4f(0.0f, 0.0f, rLow, g.scale);
  glVertex3f(g.x, g.y, g.z);
  glTexCoord4f(0.0f, top, rLow, g.scale);
  lean(GL_TEXTURE1_ARB, swayX, 0.0f, swayZ, g.scale2);
  glVertex3f(g.x, g.y, g.z);
  glTexCoord4f(1.0f, top, rHigh, g.scale);
  glVertex3f(g.x, g.y, g.z);
}

void EmitGrass(const GrassSway& sway, float sight) {
  const LeafList& visible = RenderSnapshot.mainLeaves;
  const float reach = sight - kLeafReach;
  const float reachSq = reach * reach;
  const int count = visible.count < kMaxVisibleLeaves ? visible.count : kMaxVisibleLeaves;
  glBegin(GL_QUADS);
  for (int i = 0; i < count; ++i) {
    const int id = visible.leaf[i];
    if (id < 0 || id >= WorldLeafCount || !(visible.distanceSq[i] < reachSq)) continue;
    const Grass& grass = WorldLeaves[id].vegetation;
    for (int k = 0; k < kGrassKindCount; ++k) {
      const float rLow = kColumnWidth * static_cast<float>(k), rHigh = rLow + kColumnWidth;
      for (const GrassInstance& g : grass.instances[k]) EmitBlade(g, rLow, rHigh, kCellTop[k], sway.x[k], sway.z[k]);
    }
  }
  glEnd();
}

}  // namespace

GrassSway AdvanceGrassWind(float ticks, float clock) {
  GrassSway w;
  GrassWindPhase1 = StepWindPhase(GrassWindPhase1, ticks, 0.0125f, 0.023f);
  w.x[0] = w.z[0] = PhaseSway(GrassWindPhase1) / 64.0f;
  float c = clock * 1.8125f;
  w.x[1] = std::sin(0.75f * c + 0.87f) * 0.109375f;
  w.z[1] = std::cos(0.95f * c + 1.27f) * 0.109375f;
  GrassWindPhase2 = StepWindPhase(GrassWindPhase2, ticks, 0.014f, 0.012f);
  w.x[2] = w.z[2] = PhaseSway(GrassWindPhase2) * 0.02734375f;
  GrassWindPhase3 = StepWindPhase(GrassWindPhase3, ticks, 0.014f, 0.012f);
  w.x[3] = w.z[3] = PhaseSway(GrassWindPhase3) * 0.025f;
  c = clock * 1.625f;
  w.x[4] = std::sin(0.65f * c + 1.0f) * 0.15625f;
  w.z[4] = std::cos(0.75f * c + 0.7f) * 0.15625f;
  c = clock * 1.5f;
  w.x[5] = std::sin(0.85f * c + 0.57f) * 0.171875f;
  w.z[5] = std::cos(0.65f * c + 1.57f) * 0.171875f;
  c = clock * 1.6875f;
  w.x[6] = std::sin(0.95f * c + 0.4f) * 0.203125f;
  w.z[6] = std::cos(0.8f * c + 0.6f) * 0.203125f;
  GrassWindPhase4 = StepWindPhase(GrassWindPhase4, ticks, 0.0125f, 0.01f);
  const float gust = GustAmplitude(GrassWindPhase4);
  w.x[7] = std::sin(GrassWindPhase4) * gust * 0.04f;
  w.z[7] = std::cos(GrassWindPhase4) * gust * 0.04f;
  return w;
}

void DrawGrass() {
  if (!PassWanted("grass")) return;
  PassBegin("grass");
  const CameraStateRecord& cam = RenderCamera;
  const Vector3 u = Unit(cam.up);
  const Vector3 up(2.0f * u.x, 2.0f * u.y, 2.0f * u.z);
  const Vector3 right = Unit(Cross3(cam.up, cam.viewDirection));
  const GrassSway sway = AdvanceGrassWind(FrameTiming.RenderTicks, FrameTiming.SceneClock);

  UnitTexturing(kTintUnit, GL_TEXTURE_3D, false);
  UnitTexturing(kTintUnit, GL_TEXTURE_CUBE_MAP, false);
  UnitTexturing(kTintUnit, GL_TEXTURE_2D, true);
  BindUnitTexture(kTintUnit, GL_TEXTURE_2D, TextureTable[kGrassTint].name);
  UnitTexturing(0, GL_TEXTURE_2D, true);
  BindUnitTexture(0, GL_TEXTURE_2D, SharedSceneTextures[kGrassAtlas].name);
  BeginAlphaCut(GL_GEQUAL, kAlphaCut);
  UseGrassProgram(ViewDistance, right, up);
  if (GlExt.glMultiTexCoord4fARB) EmitGrass(sway, ViewDistance);
  if (GlExt.glUseProgramObjectARB) GlExt.glUseProgramObjectARB(0);
  EndAlphaCut();
  UnitTexturing(kTintUnit, GL_TEXTURE_2D, false);
  UnitTexturing(kTintUnit, GL_TEXTURE_CUBE_MAP, false);
  UnitTexturing(kTintUnit, GL_TEXTURE_3D, false);
  UnitTexturing(0, GL_TEXTURE_2D, true);
  PassEnd();
}
