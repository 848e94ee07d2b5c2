#include "render/shadow_maps.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

#include "app/race_cameras.h"
#include "app/race_snapshot.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/milkshape.h"
#include "gfx/projection.h"
#include "gfx/renderer.h"
#include "race/car_content.h"
#include "race/city_objects.h"
#include "race/scene_content.h"
#include "race/world_layers.h"
#include "race/world_quadtree.h"
#include "race/car.h"
#include "render/car_assembly.h"
#include "render/cars_pass.h"
#include "render/pass_control.h"
#include "render/race_scene.h"
#include "render/shadow_view.h"
#include "render/camera_state.h"
#include "render/texture_units.h"
#include "render/world_layer_draw.h"

namespace {

// Pushes each caster's depth back by four slopes and a step, so that a lit face does
// not shadow itself through rounding.
constexpr float kOffsetFactor = 4.0f;
constexpr float kOffsetUnits = 1.0f;
// Objects cast within 65 units of the player's lorry (squared, horizontal).
constexpr float kObjectCastDistanceSq = 4225.0f;
constexpr int kUniformsShadowCutOut = 11;

void UseProgram(ShaderProgramId id) {
  if (GlExt.glUseProgramObjectARB) GlExt.glUseProgramObjectARB(Renderer.Program(id).program);
}

void NoProgram() {
  if (GlExt.glUseProgramObjectARB) GlExt.glUseProgramObjectARB(0);
}

bool ShadowTargetsExist() {
  const RenderTargets& t = Renderer.targets;
  return GlExt.glBindFramebufferEXT && t.ShadowFramebuffer != 0 && t.ShadowDepthTexture != 0;
}

void BeginShadowMap(const Matrix4& lightProjection, const Matrix4& lightView) {
  BindClearedShadowTarget();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadMatrixf(lightProjection.m);
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(lightView.m);
  glShadeModel(GL_FLAT);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glPolygonOffset(kOffsetFactor, kOffsetUnits);
  glEnable(GL_POLYGON_OFFSET_FILL);
  glDisable(GL_CULL_FACE);
  SelectUnit(0);
  glEnable(GL_TEXTURE_2D);
}

void EndShadowMap() {
  glEnable(GL_CULL_FACE);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glShadeModel(GL_SMOOTH);
  glDisable(GL_POLYGON_OFFSET_FILL);
  FarDistance = kSkyFarDistance;
  SetPerspective(Settings.screenWidth, Settings.screenHeight);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

// Cut-out casters: leaves and fences throw the shape of their texture's coverage.
void DrawShadowsLayer() {
  UseProgram(ShaderProgramId::TransparencyForShadowMap);
  SetShaderUniforms(kUniformsShadowCutOut);
  WorldLayerDraw d;
  d.layer = kLayerShadows;
  d.groups = WorldLayers.render[kLayerShadows];
  d.materials = WorldLayers.render[kLayerMainTransparency];
  d.format = CornerFormat::kTextured;
  DrawWorldLayer(d, RenderSnapshot.sunLeaves, WorldLeaves, WorldLeafCount);
  NoProgram();
}

void DrawObjectCasters() {
  const int objects = std::clamp(std::min(CityObjectCount, RenderCityObjects.objectCount), 0, kMaxCityObjects);
  const LeafList& list = RenderSnapshot.sunLeaves;
  const int count = WorldLeaves ? std::clamp(list.count, 0, kMaxVisibleLeaves) : 0;
  for (int i = 0; i < count; ++i) {
    const int leaf = list.leaf[i];
    if (leaf < 0 || leaf >= WorldLeafCount) continue;
    for (const int32_t k : WorldLeaves[leaf].objects)
      if (k >= 0 && k < objects && RenderCityObjects.rows[k].playerDistance < kObjectCastDistanceSq)
        DrawObjectParts(k, &MilkshapeModel::DrawTextured);
  }
  for (int k = 0; k < objects; ++k)
    if (RenderCityObjects.rows[k].active) DrawObjectParts(k, &MilkshapeModel::DrawTextured);
}

}  // namespace

bool CarsCastShadows(int shadowDetail) { return shadowDetail == 2 || shadowDetail == 3; }

void RenderShadowMap() {
  if (!ShadowTargetsExist() || !PassWanted("shadow_map")) return;
  PassBegin("shadow_map");
  BeginShadowMap(RenderSnapshot.sunProjection, RenderSnapshot.sunView);
  DrawShadowsLayer();
  glEnable(GL_CULL_FACE);
  DrawObjectCasters();
  if (CarsCastShadows(Settings.shadowDetail)) DrawCarShadowCasters();
  EndShadowMap();
  PassEnd();
}

void RenderGarageShadowMap() {
  if (!ShadowTargetsExist()) return;
  BeginShadowMap(SunCamera.overviewProjection, SunCamera.overviewView);
  for (int id : {kGarageMain, kGarageSpecial})
    if (GarageModels[id]) GarageModels[id]->DrawTextured();
  glDisable(GL_CULL_FACE);
  UseProgram(ShaderProgramId::TransparencyForShadowMap);
  SetShaderUniforms(kUniformsShadowCutOut);
  if (GarageModels[kGarageTransparency]) GarageModels[kGarageTransparency]->DrawTextured();
  NoProgram();
  glEnable(GL_CULL_FACE);
  CarDrawStyle s;
  s.positionsOnly = true;
  s.axleDrop = kGarageAxleDrop;
  s.frontCamber = kGarageFrontCamber;
  AssembleCar(0, CurrentCarLod, CarRow(), s);
  EndShadowMap();
}
