#include "render/trees.h"

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

float TreeWind1 = 0.0f;
float TreeWind2 = 0.0f;

namespace {

constexpr int kTreeAtlas = 3;  // world03 of the loaded world
// The program tints each tree like the land around it and varies it by the noise at its
// anchor; nothing else leaves those two units in a state to rely on.
constexpr int kTintTexture = 70;
constexpr int kTintUnit = 1;
constexpr int kNoiseVolumeUnit = 2;
constexpr int kUniformsTrees = 12;
constexpr float kFadeStart = 40.0f;
constexpr float kSpread = 2.9f;
constexpr float kAlphaCut = 0.5f;
constexpr float kLean1 = 0.01f;
constexpr float kLean2 = 0.008f;
// The second batch lags the first by three tenths of a turn of its own phase.
constexpr float kLag2 = 0.3f * kWindPi;

// A batch: four kinds, each with its quarter of the atlas.
struct TreeKind {
  int kind;
  float left, right;
};
constexpr TreeKind kBatch1[] = {{8, 0.5f, 0.75f}, {10, 0.75f, 1.0f}, {12, 0.0f, 0.25f}, {14, 0.25f, 0.5f}};
constexpr TreeKind kBatch2[] = {{9, 0.5f, 0.75f}, {11, 0.75f, 1.0f}, {13, 0.0f, 0.25f}, {15, 0.25f, 0.5f}};

Vector3 Scaled(const Vector3& v, float s) { return Vector3(v.x * s, v.y * s, v.z * s); }

Vector3 UnitOr(const Vector3& v, const Vector3& fallback) {
  const float length = v.Length();
  if (!(length > 0.0f) || !std::isfinite(length)) return fallback;
  return Scaled(v, 1.0f / length);
}

void SetVector(const ShaderProgram& p, Uniform u, const Vector3& v) {
  if (GlExt.glUniform3fARB) GlExt.glUniform3fARB(p.Location(u), v.x, v.y, v.z);
}

void SetBatchUniforms(const TreeBatchVectors& b) {
  const ShaderProgram& p = Renderer.Program(ShaderProgramId::Trees);
  SetVector(p, Uniform::Right, b.right);
  SetVector(p, Uniform::Up, b.up);
  SetVector(p, Uniform::CamPos, RenderCamera.eye);
}

// Four corners at the foot; the colour carries the anchor the program varies the tree
// by. A mirrored batch swaps the sides, not the atlas edges.
void EmitBatch(const TreeKind (&kinds)[4], bool mirrored, float sightSq) {
  const float s0 = mirrored ? 1.0f : 0.0f, s1 = 1.0f - s0;
  const LeafList& visible = RenderSnapshot.mainLeaves;
  const int count = visible.count < kMaxVisibleLeaves ? visible.count : kMaxVisibleLeaves;
  glBegin(GL_QUADS);
  for (int i = 0; i < count; ++i) {
    const int id = visible.leaf[i];
    if (id < 0 || id >= WorldLeafCount || !(visible.distanceSq[i] < sightSq)) continue;
    const Grass& vegetation = WorldLeaves[id].vegetation;
    for (const TreeKind& k : kinds) {
      for (const GrassInstance& t : vegetation.instances[k.kind]) {
        glColor4f(t.anchorX, t.anchorY, t.anchorZ, t.anchorSize);
        glTexCoord4f(s0, 0.0f, k.left, t.scale);
        glVertex3f(t.x, t.y, t.z);
        glTexCoord4f(s0, 1.0f, k.left, t.scale);
        glVertex3f(t.x, t.y, t.z);
        glTexCoord4f(s1, 1.0f, k.right, t.scale);
        glVertex3f(t.x, t.y, t.z);
        glTexCoord4f(s1, 0.0f, k.right, t.scale);
        glVertex3f(t.x, t.y, t.z);
      }
    }
  }
  glEnd();
}

}  // namespace

float StepTreeWind(float phase, float ticks) {
  return StepWindPhase(phase, ticks, std::sin(0.28f * phase) * 0.007f + 0.01f, 0.0065f);
}

TreeBatchVectors TreeBatch(const Vector3& viewDirection, float lean) {
  // Looking straight down the view has no flat part: the trees then face along x.
  const Vector3 f = UnitOr(Vector3(viewDirection.x, 0.0f, viewDirection.z), Vector3(1.0f, 0.0f, 0.0f));
  Vector3 u(0.0f, 1.0f, 0.0f);
  float a = f.x * lean, c = std::cos(a), s = std::sin(a);
  u.Set(u.x, u.y * c - u.z * s, u.z * c + u.y * s);
  a = f.z * lean;
  c = std::cos(a);
  s = std::sin(a);
  u.Set(u.x * c - u.y * s, u.y * c + u.x * s, u.z);
  u = UnitOr(u, Vector3(0.0f, 1.0f, 0.0f));
  TreeBatchVectors b;
  b.right = Scaled(UnitOr(Cross3(u, f), Vector3(0.0f, 0.0f, 1.0f)), kSpread);
  b.up = Scaled(u, kSpread);
  return b;
}

void DrawTrees() {
  if (!PassWanted("trees")) return;
  PassBegin("trees");
  const float ticks = FrameTiming.RenderTicks;
  const Vector3& view = RenderCamera.viewDirection;
  TreeWind1 = StepTreeWind(TreeWind1, ticks);
  const float lean1 = kLean1 * GustAmplitude(TreeWind1) * std::sin(TreeWind1);

  BeginAlphaCut(GL_GREATER, kAlphaCut);
  const bool programs = GlExt.glUseProgramObjectARB != nullptr;
  if (programs) {
    const ShaderProgram& p = Renderer.Program(ShaderProgramId::Trees);
    GlExt.glUseProgramObjectARB(p.program);
    SetShaderUniforms(kUniformsTrees);
    if (GlExt.glUniform1fARB) {
      GlExt.glUniform1fARB(p.Location(Uniform::T0), ViewDistance - kFadeStart);
      GlExt.glUniform1fARB(p.Location(Uniform::T1), ViewDistance);
    }
  }
  BindUnitTexture(kNoiseVolumeUnit, GL_TEXTURE_3D, static_cast<int>(Renderer.NoiseTexture3D));
  BindUnitTexture(kTintUnit, GL_TEXTURE_2D, TextureTable[kTintTexture].name);
  BindUnitTexture(0, GL_TEXTURE_2D, SharedSceneTextures[kTreeAtlas].name);
  const float sightSq = ViewDistance * ViewDistance;

  if (programs) SetBatchUniforms(TreeBatch(view, lean1));
  EmitBatch(kBatch1, false, sightSq);

  TreeWind2 = StepTreeWind(TreeWind2, ticks);
  const float lean2 = kLean2 * GustAmplitude(TreeWind2) * std::sin(TreeWind2 - kLag2);
  if (programs) SetBatchUniforms(TreeBatch(view, lean2));
  EmitBatch(kBatch2, true, sightSq);

  if (programs) GlExt.glUseProgramObjectARB(0);
  EndAlphaCut();
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  PassEnd();
}
