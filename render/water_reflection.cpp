#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include "app/race_snapshot.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/milkshape.h"
#include "gfx/renderer.h"
#include "gfx/texture.h"
#include "race/car.h"
#include "race/world_layers.h"
#include "race/world_quadtree.h"
#include "render/camera_state.h"
#include "render/pass_control.h"
#include "render/sky_box.h"
#include "render/texture_units.h"
#include "render/water.h"
#include "render/world_layer_draw.h"

Matrix4 ReflectionModelview;
Matrix4 ReflectionProjection;

namespace {

// Clear green: wherever the mirror shows neither sky nor shore, the water shows it,
// which makes a hole in the reflection easy to see.
constexpr GLfloat kReflectionClear[4] = {0.15f, 0.95f, 0.15f, 0.0f};
constexpr GLfloat kSceneClear[4] = {0.16f, 0.24f, 0.27f, 0.0f};
// Five degrees wider than the main view, so that the ripple's shift of the lookup
// still lands inside the texture at the screen's edge.
constexpr double kMirrorFov = 53.0;
constexpr double kFovPerSpeedFactor = 5.0;
constexpr double kMirrorNear = 0.1;
constexpr double kMirrorFar = 25000.0;
constexpr float kSkyDrop = -500.0f;
// Where a reflections material names no texture: a plain shore colour.
constexpr int kDefaultReflectionTexture = 67;
constexpr int kUniformsCutOut = 11;
// Keeps y >= 0 in world space: what lies under the water must not mirror above it.
constexpr GLdouble kWaterPlane[4] = {0.0, 1.0, 0.0, 0.0};

void BindReflectionTarget() {
  const RenderTargets& t = Renderer.targets;
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.PassFramebuffer);
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                                  t.ReflectionTexture, 0);
  // Its own 512 x 512 depth: a smaller one left attached would clip the mirror.
  GlExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                     t.ReflectionDepthBuffer);
  glViewport(0, 0, kReflectionSize, kReflectionSize);
}

// The race camera mirrored in y = 0: eye, target and up with y negated, and the
// picture flipped left to right so that the mirror keeps the world's handedness.
void LoadMirrorCamera() {
  const CameraStateRecord& c = RenderCamera;
  const int h = Settings.screenHeight > 0 ? Settings.screenHeight : 1;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(kMirrorFov + kFovPerSpeedFactor * c.speedFactor,
                 static_cast<double>(Settings.screenWidth) / static_cast<double>(h), kMirrorNear, kMirrorFar);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glScalef(-1.0f, 1.0f, 1.0f);
  gluLookAt(c.eye.x, -c.eye.y, c.eye.z, c.target.x, -c.target.y, c.target.z, c.up.x, -c.up.y, c.up.z);
}

void DrawMirroredShore() {
  if (GlExt.glUseProgramObjectARB)
    GlExt.glUseProgramObjectARB(Renderer.Program(ShaderProgramId::TransparencyForShadowMap).program);
  SetShaderUniforms(kUniformsCutOut);
  WorldLayerDraw d;
  d.layer = kLayerReflections;
  d.groups = WorldLayers.render[kLayerReflections];
  d.materials = WorldLayers.render[kLayerMainTransparency];
  d.format = CornerFormat::kTextured;
  DrawWorldLayer(d, RenderSnapshot.sunLeaves, WorldLeaves, WorldLeafCount);
  if (GlExt.glUseProgramObjectARB) GlExt.glUseProgramObjectARB(0);
}

}  // namespace

void RenderWaterReflection() {
  const RenderTargets& t = Renderer.targets;
  if (!GlExt.glBindFramebufferEXT || t.ReflectionTexture == 0) return;
  // Only the water samples the reflection: a world without water leaves the pass out
  // (the same picture, a millisecond a frame on a software rasteriser).
  if (!WorldLayers.water || WorldLayers.water->triangleCount == 0) return;
  if (!PassWanted("reflection")) return;
  PassBegin("reflection");
  glDisable(GL_CULL_FACE);
  BindReflectionTarget();
  glDepthMask(GL_TRUE);
  glClearColor(kReflectionClear[0], kReflectionClear[1], kReflectionClear[2], kReflectionClear[3]);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(kSceneClear[0], kSceneClear[1], kSceneClear[2], kSceneClear[3]);
  LoadMirrorCamera();

  SelectUnit(0);
  glEnable(GL_TEXTURE_2D);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  // Given with the mirror view loaded, so the plane is the world's y = 0.
  glClipPlane(GL_CLIP_PLANE0, kWaterPlane);
  glEnable(GL_CLIP_PLANE0);
  // The sky writes no depth: the shore in front of it is never lost to it.
  glDepthMask(GL_FALSE);
  const float* car = RenderCarRows[0].matrix.m;
  DrawSkyBox(car[12], kSkyDrop, car[14]);
  glDepthMask(GL_TRUE);

  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  BindUnitTexture(0, GL_TEXTURE_2D, TextureTable[kDefaultReflectionTexture].name);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  DrawMirroredShore();

  glEnable(GL_CULL_FACE);
  glGetFloatv(GL_MODELVIEW_MATRIX, ReflectionModelview.m);
  glGetFloatv(GL_PROJECTION_MATRIX, ReflectionProjection.m);
  glDisable(GL_CLIP_PLANE0);
  glCullFace(GL_BACK);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  PassEnd();
}
