#include "render/cube_map.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cmath>

#include "app/race_snapshot.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/milkshape.h"
#include "gfx/renderer.h"
#include "race/car.h"
#include "race/scene_content.h"
#include "race/world_layers.h"
#include "race/world_quadtree.h"
#include "render/camera_state.h"
#include "render/pass_control.h"
#include "render/sky_box.h"
#include "render/texture_units.h"
#include "render/world_layer_draw.h"

int CubeMapFace = 0;
uint8_t CubeMapRefresh = 0;

namespace {

constexpr float kFaceFov = 90.0f;
constexpr float kFaceNear = 0.05f;
// The sky needs the far plane past its box; the world only its near surroundings,
// which is all a 128-texel face can show anyway.
constexpr float kSkyFar = 25000.0f;
constexpr float kWorldFar = 55.0f;
constexpr GLfloat kFaceClear[4] = {0.15f, 0.15f, 0.15f, 0.0f};
// The clear colour every other pass expects to find.
constexpr GLfloat kSceneClear[4] = {0.16f, 0.24f, 0.27f, 0.0f};
constexpr float kSkyDrop = -500.0f;
constexpr float kAlphaCut = 0.5f;
// The foliage seen from the faces: flat ambient, no sun, and a fade far past the 55
// units the faces reach, so nothing fades.
constexpr float kFoliageAmbient = 0.6f;
constexpr float kFoliageFadeStart = 400.0f;
constexpr float kFoliageFadeEnd = 420.0f;

constexpr int kUniformsTransparency = 5;
constexpr int kUniformsReflMap = 8;

void UseProgram(ShaderProgramId id) {
  if (GlExt.glUseProgramObjectARB) GlExt.glUseProgramObjectARB(Renderer.Program(id).program);
}

void NoProgram() {
  if (GlExt.glUseProgramObjectARB) GlExt.glUseProgramObjectARB(0);
}

void SetFloat(ShaderProgramId id, Uniform u, float v) {
  const GLint location = Renderer.Program(id).Location(u);
  if (GlExt.glUniform1fARB && location != -1) GlExt.glUniform1fARB(location, v);
}

// The faces look without the light: the paint that reflects them adds its own.
void UseReflMap() {
  UseProgram(ShaderProgramId::ReflMap);
  SetShaderUniforms(kUniformsReflMap);
  SetFloat(ShaderProgramId::ReflMap, Uniform::LightNow, 0.0f);
}

void UseFaceTransparency() {
  const ShaderProgramId id = ShaderProgramId::Transparency;
  UseProgram(id);
  SetShaderUniforms(kUniformsTransparency);
  SetFloat(id, Uniform::matAmbient, kFoliageAmbient);
  // matDiffuse is a vec3: the one-float call fails with GL_INVALID_OPERATION and
  // leaves the scene's diffuse light on the faces.
  const GLint diffuse = Renderer.Program(id).Location(Uniform::matDiffuse);
  if (GlExt.glUniform3fARB && diffuse != -1) GlExt.glUniform3fARB(diffuse, 0.0f, 0.0f, 0.0f);
  SetFloat(id, Uniform::T0, kFoliageFadeStart);
  SetFloat(id, Uniform::T1, kFoliageFadeEnd);
}

void BindFace(int face) {
  const RenderTargets& t = Renderer.targets;
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.PassFramebuffer);
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, t.CubeFaceTargets[face],
                                  t.EnvironmentCubeMap, 0);
  // The face's own depth: the screen-size one another pass left would still work, but
  // the 512 x 512 of the reflection would not be the face's size either way.
  GlExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                     t.CubeDepthBuffer);
  glViewport(0, 0, kCubeFaceSize, kCubeFaceSize);
}

void FaceProjection(float farPlane) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(kFaceFov, 1.0, kFaceNear, farPlane);
  glMatrixMode(GL_MODELVIEW);
}

struct FaceView {
  Vector3 eye, centre, up;
};

void LoadFaceView(int face, const FaceView& v) {
  glLoadIdentity();
  glMultMatrixf(CubeFaceRotation(face).m);
  gluLookAt(v.eye.x, v.eye.y, v.eye.z, v.centre.x, v.centre.y, v.centre.z, v.up.x, v.up.y, v.up.z);
}

// The sky behind everything: no depth written, so the world in front of it is never
// lost to the sky's depth near the world's own far plane.
// Race and garage alike centre it on the origin: the tracks lie well inside its 5000
// units.
void FaceSky() {
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  glDepthMask(GL_FALSE);
  DrawSkyBox(0.0f, kSkyDrop, 0.0f);
  glDepthMask(GL_TRUE);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

const Model* Layer(int k) { return WorldLayers.render[k]; }

void FaceLayer(int layer, int table, const LeafList& leaves) {
  WorldLayerDraw d;
  d.layer = layer;
  d.groups = Layer(layer);
  d.materials = Layer(table);
  d.format = CornerFormat::kMap;
  DrawWorldLayer(d, leaves, WorldLeaves, WorldLeafCount);
}

void RaceFace(int face) {
  const LeafList& leaves = RenderSnapshot.sliceLeaves[face];
  UseReflMap();
  FaceLayer(kLayerMainMap, kLayerMainMap, leaves);
  FaceLayer(kLayerAddMap, kLayerMainMap, leaves);
  FaceLayer(kLayerAddMap2, kLayerMainMap, leaves);

  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, kAlphaCut);
  glDisable(GL_CULL_FACE);
  UseFaceTransparency();
  FaceLayer(kLayerMainTransparency, kLayerMainTransparency, leaves);
  FaceLayer(kLayerAddTransparency, kLayerMainTransparency, leaves);
  glEnable(GL_CULL_FACE);
  glDisable(GL_ALPHA_TEST);
  NoProgram();
}

void GarageFace() {
  UseReflMap();
  for (int id : {kGarageMain, kGarageGround, kGarageSpecial})
    if (GarageModels[id]) GarageModels[id]->DrawTextured();
  NoProgram();
  glDisable(GL_CULL_FACE);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, kAlphaCut);
  UseFaceTransparency();
  if (GarageModels[kGarageTransparency]) GarageModels[kGarageTransparency]->DrawTextured();
  NoProgram();
  glEnable(GL_CULL_FACE);
  glDisable(GL_ALPHA_TEST);
}

// The race eye: car 0's render-matrix translation, looking along its length axis so
// that the map turns with the lorry. A length axis without length (a lorry not yet
// placed) looks along +x rather than at the eye itself.
FaceView RaceView() {
  const float* m = RenderCarRows[0].matrix.m;
  FaceView v;
  v.eye = Vector3(m[12], m[13], m[14]);
  Vector3 axis(m[0], m[1], m[2]);
  const float length = axis.Length();
  if (length > 0.0f && std::isfinite(length))
    axis = Vector3(axis.x / length, axis.y / length, axis.z / length);
  else
    axis = Vector3(1.0f, 0.0f, 0.0f);
  v.centre = Vector3(v.eye.x + axis.x, v.eye.y + axis.y, v.eye.z + axis.z);
  v.up = Vector3(0.0f, 1.0f, 0.0f);
  return v;
}

FaceView GarageView() {
  FaceView v;
  v.centre = RenderCamera.viewDirection;
  v.up = GarageCubeUp(RenderCamera.viewDirection, RenderCamera.rawUp);
  return v;
}

void RenderFace(int face, bool race, const FaceView& view) {
  BindFace(face);
  FaceProjection(kSkyFar);
  glClearColor(kFaceClear[0], kFaceClear[1], kFaceClear[2], kFaceClear[3]);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(kSceneClear[0], kSceneClear[1], kSceneClear[2], kSceneClear[3]);
  LoadFaceView(face, view);
  FaceSky();
  if (race) {
    FaceProjection(kWorldFar);
    LoadFaceView(face, view);
    RaceFace(face);
  } else {
    GarageFace();
  }
}

}  // namespace

int CubeFacesPerCall(int raceFlag, int quality) {
  if (raceFlag) return quality == 1 ? 3 : 6;
  return quality == 2 ? 2 : 1;
}

int NextCubeFace(int face) { return face + 1 >= 6 || face < 0 ? 0 : face + 1; }

Vector3 GarageCubeUp(const Vector3& view, const Vector3& rawUp) {
  const Vector3 c = Cross3(view, rawUp);
  const float across = Dot3(c, c);
  const float scale = Dot3(view, view) * Dot3(rawUp, rawUp);
  // Parallel within a few millionths of a radian counts as parallel: gluLookAt's
  // normalised side vector would be rounding noise.
  if (std::isfinite(across) && std::isfinite(scale) && across > 1e-10f * scale && scale > 0.0f) return rawUp;
  const bool alongY = std::fabs(view.y) > 0.99f * std::sqrt(Dot3(view, view));
  return alongY ? Vector3(0.0f, 0.0f, 1.0f) : Vector3(0.0f, 1.0f, 0.0f);
}

void RenderCubeMap(int flag) {
  const RenderTargets& t = Renderer.targets;
  if (!GlExt.glBindFramebufferEXT || t.EnvironmentCubeMap == 0) return;
  if (!PassWanted("cube_map")) return;
  PassBegin("cube_map");
  const bool race = flag != 0;
  const int quality = Settings.reflectionQuality;
  const int faces = CubeFacesPerCall(flag, quality);
  const FaceView view = race ? RaceView() : GarageView();
  SelectUnit(0);
  glEnable(GL_TEXTURE_2D);
  glMatrixMode(GL_MODELVIEW);
  for (int i = 0; i < faces; ++i) {
    CubeMapFace = NextCubeFace(CubeMapFace);
    RenderFace(CubeMapFace, race, view);
  }
  if (race && quality != 1 && quality != 2) CubeMapRefresh = 0;
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  PassEnd();
}
