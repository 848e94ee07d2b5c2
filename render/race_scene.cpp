#include "render/race_scene.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

#include "app/race_snapshot.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/projection.h"
#include "gfx/renderer.h"
#include "gfx/virtual_screen.h"
#include "race/car.h"
#include "race/scene_content.h"
#include "race/world_layers.h"
#include "race/world_quadtree.h"
#include "render/cars_pass.h"
#include "render/grass.h"
#include "render/ground_maps.h"
#include "render/layer_targets.h"
#include "render/listener.h"
#include "render/pass_control.h"
#include "render/post_passes.h"
#include "render/camera_state.h"
#include "render/shadow_view.h"
#include "render/sky_box.h"
#include "render/sun_glare.h"
#include "render/texture_units.h"
#include "render/trees.h"
#include "render/water.h"
#include "render/world_layer_draw.h"

namespace {

// Fade distances (T0 where alpha starts to fall, T1 where it is 0) below the view
// distance: the main layers fade over the last 40 units; the add-on layers, which stop
// at view distance - 100 anyway, are gone 180 units short of it.
constexpr float kMainFadeStart = 40.0f;
constexpr float kAddOnFadeStart = 220.0f;
constexpr float kAddOnFadeEnd = 180.0f;
// The sky is drawn around the player's car this far down: the horizon ring then runs
// from below the ground up to the box's lower edge.
constexpr float kSkyDrop = -500.0f;
// The stencil bit layer B's fragments set where they draw.
constexpr GLint kNearDetailMark = 1;
// Foliage texels at half coverage or more are leaves.
constexpr float kFoliageAlphaCut = 0.5f;
// The start-up clear colour with alpha 0: wherever a layer draws nothing, the
// composite lets the sky through.
constexpr GLfloat kLayerClear[4] = {0.16f, 0.24f, 0.27f, 0.0f};

// The road program's units besides the shadow pair. Packed (render/ground_maps.h): the
// three packed ground maps, the first normal map (read at the road's own coordinates
// too), the smooth noise's plane and the large-scale colour; the material's alpha map
// rides in its texture's alpha. Unpacked: the two ground maps, their normal maps, the
// material's alpha map and the large-scale colour, each on its own unit.
constexpr int kRoadGroundUnits[kGroundPacks] = {3, 4, 6};
constexpr int kRoadNormal0Unit = 5;
constexpr int kRoadNoiseUnit = 7;  // the smooth noise's plane (gfx/noise.h)
constexpr int kRoadColourUnit = 8;
constexpr int kRoadGround0Unit = 3;
constexpr int kRoadGround1Unit = 4;
constexpr int kRoadNormal1Unit = 6;
constexpr int kRoadAlphaUnit = 7;
// The highest unit the world passes switch on for fixed-function state (unit 8 only
// ever gets a binding).
constexpr int kHighestWorldFixedUnit = 7;
// The landscape program's large-scale colour; packed, the detail luminance and the
// smooth noise's plane; unpacked, the two detail maps.
constexpr int kLandDetailUnit = 3;
constexpr int kLandNoiseUnit = 4;  // the smooth noise's plane (gfx/noise.h)
constexpr int kLandColourUnit = 5;
constexpr int kLandDetail0Unit = 3;
constexpr int kLandDetail1Unit = 4;
// SetShaderUniforms kinds.
constexpr int kUniformsTransparency = 5;
constexpr int kUniformsMap = 6;
constexpr int kUniformsRoadBump = 7;
constexpr int kUniformsLandscape = 15;

// Scene texture slots.
constexpr int kFrameTexture = 0;
constexpr int kLayerATexture = 2;
constexpr int kLayerBTexture = 3;
constexpr int kDustTexture = 4;
constexpr int kBlurredDust1 = 0;
constexpr int kBlurredDust2 = 1;

void UseProgram(ShaderProgramId id) {
  if (GlExt.glUseProgramObjectARB) GlExt.glUseProgramObjectARB(Renderer.Program(id).program);
}

void NoProgram() {
  if (GlExt.glUseProgramObjectARB) GlExt.glUseProgramObjectARB(0);
}

void SetFade(ShaderProgramId id, float t0, float t1) {
  if (!GlExt.glUniform1fARB) return;
  const ShaderProgram& p = Renderer.Program(id);
  GlExt.glUniform1fARB(p.Location(Uniform::T0), t0);
  GlExt.glUniform1fARB(p.Location(Uniform::T1), t1);
}

void BindLandscapeMap(int unit, int index) {
  UnitTexturing(unit, GL_TEXTURE_2D, true);
  BindUnitTexture(unit, GL_TEXTURE_2D, LandscapeTextures[index].name);
}

void BindNoisePlanes(int unit) {
  UnitTexturing(unit, GL_TEXTURE_2D, true);
  BindUnitTexture(unit, GL_TEXTURE_2D, static_cast<int>(Renderer.NoisePlanes));
}

// The main camera's visible leaves, nearest first: the order layer A's world layers are
// drawn in. Nothing there blends, so the order changes no pixel, but the depth the near
// ground leaves spares the road and landscape programs the hills and road behind it.
LeafList g_nearFirst;
int g_leafOrder[kMaxVisibleLeaves];

void SortLeavesNearFirst(const LeafList& visible, LeafList* out) {
  const int n = visible.count < 0 ? 0 : (visible.count < kMaxVisibleLeaves ? visible.count : kMaxVisibleLeaves);
  for (int i = 0; i < n; ++i) g_leafOrder[i] = i;
  // Equal distances keep the culling's order: the frame does not depend on the sort.
  std::sort(g_leafOrder, g_leafOrder + n, [&visible](int a, int b) {
    const float da = visible.distanceSq[a], db = visible.distanceSq[b];
    return da < db || (!(db < da) && a < b);
  });
  out->count = n;
  for (int i = 0; i < n; ++i) {
    out->leaf[i] = visible.leaf[g_leafOrder[i]];
    out->distanceSq[i] = visible.distanceSq[g_leafOrder[i]];
  }
}

// A world layer under its pass name, over the main camera's visible leaves (or the
// same leaves nearest first).
void DrawLayer(const char* name, const WorldLayerDraw& draw, const LeafList& visible = RenderSnapshot.mainLeaves) {
  if (!PassWanted(name)) return;
  PassBegin(name);
  DrawWorldLayer(draw, visible, WorldLeaves, WorldLeafCount);
  PassEnd();
}

const Model* Layer(int k) { return WorldLayers.render[k]; }

// Field 12 of the settings: the blurred wheel-dust layer.
bool WheelDustLayerOn() { return Settings.screenTextureMainPass != 0; }

// The road's ground from its three packs, the noise from its plane.
void BindPackedRoadGround() {
  unsigned packs[kGroundPacks] = {};
  RoadGroundMaps(packs);
  for (int i = kGroundPacks - 1; i >= 0; --i) {
    UnitTexturing(kRoadGroundUnits[i], GL_TEXTURE_2D, true);
    BindUnitTexture(kRoadGroundUnits[i], GL_TEXTURE_2D, static_cast<int>(packs[i]));
  }
  BindLandscapeMap(kRoadNormal0Unit, 0 + kLandscapeNormalOffset);
  BindLandscapeMap(kRoadColourUnit, 2);
  BindNoisePlanes(kRoadNoiseUnit);
}

// The road's ground from the maps themselves; the noise from the volume on its unit.
void BindRoadGround() {
  BindLandscapeMap(kRoadNormal1Unit, 1 + kLandscapeNormalOffset);
  BindLandscapeMap(kRoadNormal0Unit, 0 + kLandscapeNormalOffset);
  BindLandscapeMap(kRoadGround1Unit, 1);
  BindLandscapeMap(kRoadGround0Unit, 0);
  BindLandscapeMap(kRoadColourUnit, 2);
}

void DrawRoads(float sight) {
  const bool packed = RoadMapsPacked();
  UseProgram(ShaderProgramId::RoadBump);
  SetShaderUniforms(kUniformsRoadBump);
  SetFade(ShaderProgramId::RoadBump, sight - kMainFadeStart, sight);
  if (packed)
    BindPackedRoadGround();
  else
    BindRoadGround();
  WorldLayerDraw d;
  d.layer = kLayerMainRoad;
  d.groups = d.materials = Layer(kLayerMainRoad);
  d.alphaInTexture = packed;
  d.alphaMapUnit = packed ? -1 : kRoadAlphaUnit;
  d.format = CornerFormat::kRoad;
  SelectUnit(0);
  DrawLayer("main_road", d, g_nearFirst);
  NoProgram();
  // Units 3 and 5 (and unpacked, 4) the landscape takes next and switches off after it.
  if (packed) {
    for (int unit : {kRoadColourUnit, kRoadNoiseUnit, kRoadGroundUnits[1], kRoadGroundUnits[2]})
      UnitTexturing(unit, GL_TEXTURE_2D, false);
  } else {
    for (int unit : {kRoadColourUnit, kRoadAlphaUnit, kRoadNormal1Unit}) UnitTexturing(unit, GL_TEXTURE_2D, false);
  }
}

void DrawLandscape(float sight) {
  const bool packed = LandMapsPacked();
  UseProgram(ShaderProgramId::Landscape);
  SetShaderUniforms(kUniformsLandscape);
  SetFade(ShaderProgramId::Landscape, sight - kMainFadeStart, sight);
  BindLandscapeMap(kLandColourUnit, 2);
  if (packed) {
    UnitTexturing(kLandDetailUnit, GL_TEXTURE_2D, true);
    BindUnitTexture(kLandDetailUnit, GL_TEXTURE_2D, static_cast<int>(DetailLuminanceMap()));
    BindNoisePlanes(kLandNoiseUnit);
  } else {
    BindLandscapeMap(kLandDetail1Unit, kLandDetail1Map);
    BindLandscapeMap(kLandDetail0Unit, kLandDetail0Map);
  }
  WorldLayerDraw d;
  d.layer = kLayerMainLandscape;
  d.groups = d.materials = Layer(kLayerMainLandscape);
  d.format = CornerFormat::kLandscape;
  SelectUnit(0);
  DrawLayer("main_landscape", d, g_nearFirst);
  NoProgram();
  for (int unit : {kLandColourUnit, kLandNoiseUnit, kLandDetailUnit}) UnitTexturing(unit, GL_TEXTURE_2D, false);
  SelectUnit(0);
}

void DrawMainMap(float sight) {
  UseProgram(ShaderProgramId::Map);
  SetShaderUniforms(kUniformsMap);
  SetFade(ShaderProgramId::Map, sight - kMainFadeStart, sight);
  WorldLayerDraw d;
  d.layer = kLayerMainMap;
  d.groups = d.materials = Layer(kLayerMainMap);
  DrawLayer("main_map", d, g_nearFirst);
  NoProgram();
}

// add_map with add_map2 at the same group index, in main_map's materials.
void DrawAddOnMaps(float sight) {
  UseProgram(ShaderProgramId::Map);
  SetShaderUniforms(kUniformsMap);
  SetFade(ShaderProgramId::Map, sight - kAddOnFadeStart, sight - kAddOnFadeEnd);
  WorldLayerDraw d;
  d.layer = kLayerAddMap;
  d.groups = Layer(kLayerAddMap);
  d.materials = Layer(kLayerMainMap);
  d.secondLayer = kLayerAddMap2;
  d.secondGroups = Layer(kLayerAddMap2);
  d.maxDistanceSq = AddOnDistanceSq(sight);
  DrawLayer("add_map", d);
  NoProgram();
}

void DrawFoliageLayers(float sight) {
  UseProgram(ShaderProgramId::Transparency);
  SetShaderUniforms(kUniformsTransparency);
  SetFade(ShaderProgramId::Transparency, sight - kMainFadeStart, sight);
  WorldLayerDraw d;
  d.layer = kLayerMainTransparency;
  d.groups = d.materials = Layer(kLayerMainTransparency);
  DrawLayer("main_transparency", d);

  SetFade(ShaderProgramId::Transparency, sight - kAddOnFadeStart, sight - kAddOnFadeEnd);
  d.materials = Layer(kLayerMainTransparency);
  d.maxDistanceSq = AddOnDistanceSq(sight);
  d.layer = kLayerAddTransparency;
  d.groups = Layer(kLayerAddTransparency);
  DrawLayer("add_transparency", d);
  d.layer = kLayerAddTransparency2;
  d.groups = Layer(kLayerAddTransparency2);
  DrawLayer("add_transparency2", d);
  NoProgram();
}

void DrawDustLayer(GLuint dust) {
  const RenderTargets& t = Renderer.targets;
  BindPassFramebuffer(dust, t.SceneDepthBuffer);
  glClear(GL_COLOR_BUFFER_BIT);
  DrawDust();
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);
  DrawPostPass(kPostBlurSmoke, dust, t.PostTextures[kBlurredDust1], kPostFromScreen);
  DrawPostPass(kPostBlurSmoke, t.PostTextures[kBlurredDust1], t.PostTextures[kBlurredDust2], kPostFromSmall);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  glEnable(GL_TEXTURE_2D);
}

// The projection and view again, with the far plane the sky or the world wants.
void PlaceView(float farDistance) {
  FarDistance = farDistance;
  SetPerspective(Settings.screenWidth, Settings.screenHeight);
  PlaceCameraAndListener(0, 1);
}

void DrawSky() {
  PlaceView(kSkyFarDistance);
  glDepthMask(GL_FALSE);
  glDisable(GL_DEPTH_TEST);
  if (PassWanted("sky")) {
    PassBegin("sky");
    // The player's car from its render row: the worker may be moving the body itself.
    const float* m = RenderCarRows[0].matrix.m;
    DrawSkyBox(m[12], kSkyDrop, m[14]);
    PassEnd();
  }
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  PlaceView(ViewDistance);
}

void Composite(GLuint layerA, GLuint layerB, bool dust) {
  glDepthMask(GL_FALSE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_MULTISAMPLE_ARB);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  PushVirtualScreenProjection();
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  if (PassWanted("composite")) {
    PassBegin("composite");
    // Where the depth buffer still holds its clear, neither layer drew: both keep their
    // clear alpha of 0 there and would blend nothing over the sky. Every draw into them
    // writes depth, but the skid marks, which lie on the ground the layer drew. A quad
    // at depth 1 passing only where the stored depth is nearer skips those pixels.
    GLint depthFunc = GL_LEQUAL;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_GREATER);
    glDepthRange(1.0, 1.0);
    DrawLayerOverFrame(layerA);
    // Layer B only where its draws left their stencil mark: elsewhere it holds its clear.
    if (SceneHasStencil()) {
      glEnable(GL_STENCIL_TEST);
      glStencilFunc(GL_EQUAL, kNearDetailMark, kNearDetailMark);
      glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    }
    DrawLayerOverFrame(layerB);
    glDisable(GL_STENCIL_TEST);
    glDepthRange(0.0, 1.0);
    glDepthFunc(static_cast<GLenum>(depthFunc));
    glDisable(GL_DEPTH_TEST);
    // The dust's blur spreads past what it covered, over the sky too.
    if (dust)
      DrawTextureOverFrame(Renderer.targets.PostTextures[kBlurredDust2], static_cast<float>(RenderSetup.postWidth),
                           static_cast<float>(RenderSetup.postHeight), GL_LINEAR);
    PassEnd();
  }
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  glEnable(GL_TEXTURE_2D);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glPopMatrix();
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_MULTISAMPLE_ARB);
}

// The foliage layers, grass and trees straight into the frame, cut out by their
// texels' alpha against the world's depth.
void DrawAlphaTestedFoliage(float sight, const Matrix4& lightProjection, const Matrix4& lightView) {
  for (int unit = kHighestWorldFixedUnit; unit >= kNoiseUnit; --unit) UnitTexturing(unit, GL_TEXTURE_2D, false);
  ShadowSetUp(lightProjection, lightView);
  // Alpha-to-coverage needs samples to cover: on a single-sample target it would keep
  // every fragment and draw the leaves as solid quads.
  const bool coverage = SceneIsMultisampled();
  glEnable(coverage ? GL_SAMPLE_ALPHA_TO_COVERAGE_ARB : GL_ALPHA_TEST);
  glAlphaFunc(GL_GEQUAL, kFoliageAlphaCut);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_CULL_FACE);
  DrawFoliageLayers(sight);
  glEnable(GL_CULL_FACE);
  glDisable(GL_ALPHA_TEST);
  ShadowTearDown();

  DrawGrass();
  DrawTrees();
  // Grass and trees are the last alpha-tested draws. Left on, coverage would dither the
  // cars' blended glass and, next frame, the world layers' faded edges.
  glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB);
}

}  // namespace

void DrawRaceScene() {
  const RenderTargets& t = Renderer.targets;
  const GLuint layerA = t.SceneTextures[kLayerATexture];
  const GLuint layerB = t.SceneTextures[kLayerBTexture];
  const GLuint frame = t.SceneTextures[kFrameTexture];
  const float sight = ViewDistance;
  // No live particle: the dust target, its two blurs and its quad in the composite would
  // only add an empty picture, at a few milliseconds a frame.
  const bool dust = WheelDustLayerOn() && AnyWheelDustActive();
  const Matrix4& lightProjection = RenderSnapshot.sunProjection;
  const Matrix4& lightView = RenderSnapshot.sunView;

  glFogfv(GL_FOG_COLOR, Lighting.fogColour);
  glFogf(GL_FOG_DENSITY, Lighting.fogDensity);
  UnitTexturing(0, GL_TEXTURE_2D, true);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glClearColor(kLayerClear[0], kLayerClear[1], kLayerClear[2], kLayerClear[3]);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);

  // Layer A: the cars' first pass and the opaque far world. The lorries and roadside
  // objects go first: the road and landscape programs are the frame's dearest, and the
  // depth the lorries leave spares them every fragment the lorries hide; the world's
  // leaves follow nearest first for the same reason. Nothing here blends (the HUD's text
  // may have left blending on), so the order changes no pixel.
  SortLeavesNearFirst(RenderSnapshot.mainLeaves, &g_nearFirst);
  BindLayerTarget(layerA);
  const bool stencil = SceneHasStencil();
  glClearStencil(0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | (stencil ? GL_STENCIL_BUFFER_BIT : 0));
  glDisable(GL_BLEND);
  DrawCars(0);
  ShadowSetUp(lightProjection, lightView);
  DrawRoads(sight);
  DrawLandscape(sight);
  DrawMainMap(sight);
  ShadowTearDown();
  ResolveLayer(layerA);

  // Layer B: the near detail over layer A's depth. Every fragment it keeps marks the
  // stencil, the skid marks (which write no depth) too: the composite lays the layer
  // only over what it marked.
  BindLayerTarget(layerB);
  glClear(GL_COLOR_BUFFER_BIT);
  if (stencil) {
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, kNearDetailMark, kNearDetailMark);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
  }
  ShadowSetUp(lightProjection, lightView);
  DrawAddOnMaps(sight);
  ShadowTearDown();
  DrawCars(1);
  DrawWaterSurface();
  glDisable(GL_STENCIL_TEST);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  ResolveLayer(layerB);

  if (dust) DrawDustLayer(t.SceneTextures[kDustTexture]);

  // The frame: sky, the two layers over it, then what is tested against their depth.
  // Between the horizon band's hills and the sky box's lower edge neither covers the
  // frame; the fog colour the far world fades into fills that gap rather than the
  // dark start-up colour.
  BindLayerTarget(frame);
  const float* fog = Lighting.fogColour;
  glClearColor(fog[0], fog[1], fog[2], 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(kLayerClear[0], kLayerClear[1], kLayerClear[2], kLayerClear[3]);
  DrawSky();
  Composite(layerA, layerB, dust);

  // The frame's alpha is left alone from here to the sun glare.
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  DrawAlphaTestedFoliage(sight, lightProjection, lightView);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  DrawCars(2);
  DrawSunGlare();
  ResolveLayer(frame);
  SelectUnit(0);
}

void PrepareRaceTargets(int32_t raceLoadCount) {
  static int32_t seen = 0;
  if (raceLoadCount == seen) return;
  seen = raceLoadCount;
  ClearShadowMap();
  ClearPostTextures();
}
