// The garage scene: the orbit camera, then the garage drawn as the race draws its
// world, in two stacked layers (A: the garage, the lorry and the sky; B: the lorry's
// glass) composed into the frame texture, the beacon flares over them and the frame
// blurred twice into the small post textures for the backdrop's glow.
//
// Layer A is opaque and laid over the frame without blending, so it is drawn straight
// into the frame texture: the copy of a whole screen it would take is the same picture.
// Layer B is see-through everywhere but on the glass, so it is cleared, drawn and laid
// over the frame only inside the glass's box on the screen.
#include "frontend/garage_scene.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "app/frame.h"
#include "app/game.h"
#include "app/input.h"
#include "app/race_cameras.h"
#include "app/settings.h"
#include "frontend/screens.h"
#include "gfx/gl_ext.h"
#include "gfx/lights.h"
#include "gfx/model.h"
#include "gfx/projection.h"
#include "gfx/renderer.h"
#include "gfx/texture.h"
#include "gfx/virtual_screen.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/scene_content.h"
#include "render/camera_state.h"
#include "render/car_assembly.h"
#include "render/car_skins.h"
#include "render/cars_pass.h"
#include "render/cube_map.h"
#include "render/dirt_paint.h"
#include "render/layer_targets.h"
#include "render/post_passes.h"
#include "render/race_scene.h"
#include "render/shadow_maps.h"
#include "render/shadow_view.h"
#include "render/sky_box.h"

float GarageZoom = 0.0f;
float GaragePitch = 0.0f;
float GaragePitchSpeed = 0.0f;
float GarageYawSpeed = 0.0f;
float GarageIdlePhase = 0.0f;
float GarageLampPhase = 0.0f;
GarageViewState GarageView;

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTwoPi = 2.0f * kPi;
constexpr float kDegreesToRadians = kPi / 180.0f;

// Orbit rules, per tick.
constexpr float kZoomRate = 0.025f;
constexpr float kMinZoom = -0.5f, kMaxZoom = 2.1f;
constexpr float kMinPitch = -6.0f, kMaxPitch = 14.0f;
constexpr float kMinYaw = -180.0f, kMaxYaw = 0.0f;
constexpr float kYawPerPixel = 0.01f;
constexpr float kPitchPerPixel = 0.0075f;
constexpr float kMaxTurnSpeed = 1.0f;
constexpr float kTurnDecay = 0.03f;
constexpr float kTurnDeadBand = 0.01f;  // a slower drift stops
constexpr float kTurnRate = 0.65f;      // degrees per tick at full speed
// Zooming waits for the screen to be settled: a click that starts a cross-fade must
// not also move the camera.
constexpr float kSettledFade = 0.95f;
// The slow sway: the yaw swings 15 degrees either way and the distance half a unit.
constexpr float kIdleRate = 0.003f;
constexpr float kIdleYawSwing = 15.0f;
constexpr float kIdleZoomSwing = 0.5f;

// The eye stands behind the lorry's -Z side at this height and distance.
constexpr float kEyeHeight = 2.25f;
constexpr float kEyeDistance = 11.5f;

// The lamp clock and its three blink rates; 200 pi is a whole number of periods of all
// three, so wrapping there changes no lamp.
constexpr float kLampRate = 0.01f;
constexpr float kLampGain = 10.0f;
constexpr float kLampRates[3] = {1.0f, 0.72f, 0.87f};
constexpr float kLampWrap = 200.0f * kPi;

// The beacons turn at 7 to 9 degrees per tick, wobbling with the scene clock, as in
// the race.
constexpr float kBeaconBaseRate = 8.0f;
constexpr float kBeaconWobbleRate = 0.5f;
constexpr float kBeaconGrey = 0.25f;
constexpr int kBeaconTexture = 10;

constexpr int kGarageCarLod = 0;

// Unit 2 of the lit passes: the garage's shared detail map.
constexpr int kGarageBaseTexture = 14;
// The sky box stands this far below the garage, so the horizon ring runs from below the
// floor up to the box's lower edge.
constexpr float kSkyDrop = -500.0f;
// The transparency, map and shadow passes fade nothing inside the garage: the fade
// distances lie far beyond its walls.
constexpr float kFadeStart = 400.0f;
constexpr float kFadeEnd = 420.0f;
constexpr float kAlphaCut = 0.5f;
// The shadow map of a "Shadow detail" off: too small to render into.
constexpr int kShadowsOffSize = 16;

// SetShaderUniforms kinds.
constexpr int kUniformsObjects = 0;
constexpr int kUniformsTransparency = 5;
constexpr int kUniformsMap = 6;

// Scene and post texture slots (gfx/framebuffers.h): the frame, the two layers, and
// the two small blur stages.
constexpr int kFrameTexture = 0;
constexpr int kLayerBTexture = 3;
constexpr int kSmallTexture1 = 0;
constexpr int kSmallTexture2 = 1;
// DrawPostPass: the Blur program; from a screen-size source, then from a small one.
constexpr int kPostBlur = 2;
constexpr int kPostFromScreen = 0;
constexpr int kPostFromSmall = 1;

// Behind everything the layers leave empty; layer B's alpha 0 lets layer A through.
constexpr GLfloat kLayerClear[3] = {0.16f, 0.17f, 0.18f};

bool Settled() { return CurrentScreen.load() == TargetScreen.load(); }

float Clamp(float v, float lo, float hi) { return std::min(std::max(v, lo), hi); }

// Mouse movement while a button is held pushes the speed against the movement: to the
// right turns the yaw towards -180, downwards lowers the pitch.
float Drag(float speed, int moved, float perPixel) {
  if (moved > 0) speed -= static_cast<float>(moved) * perPixel;
  if (moved < 0) speed += static_cast<float>(-moved) * perPixel;
  return Clamp(speed, -kMaxTurnSpeed, kMaxTurnSpeed);
}

// The speed loses its share per tick towards 0, never past it.
float Decay(float speed, float ticks) {
  speed *= std::max(0.0f, 1.0f - kTurnDecay * ticks);
  return std::fabs(speed) < kTurnDeadBand ? 0.0f : speed;
}

void UseProgram(ShaderProgramId id) { UseProgramHandle(Renderer.Program(id).program); }

void SetFade(ShaderProgramId id) {
  if (!GlExt.glUniform1fARB) return;
  const ShaderProgram& p = Renderer.Program(id);
  const GLint t0 = p.Location(Uniform::T0), t1 = p.Location(Uniform::T1);
  if (t0 != -1) GlExt.glUniform1fARB(t0, kFadeStart);
  if (t1 != -1) GlExt.glUniform1fARB(t1, kFadeEnd);
}

GLuint TableTexture(int entry) {
  const int name = TextureTable[entry].name;
  return name > 0 ? static_cast<GLuint>(name) : 0;
}

// This frame's eye and the point it looks at; up is always +Y.
struct GarageCamera {
  Vector3 eye;
  Vector3 point;
};

void LookThrough(const GarageCamera& c) {
  gluLookAt(c.eye.x, c.eye.y, c.eye.z, c.point.x, c.point.y, c.point.z, 0.0, 1.0, 0.0);
}

// The render side's camera is the garage's own while the menus show: the lights, the
// cube map and the garage's sun camera read it.
void PublishCamera(const GarageCamera& c) {
  CameraStateRecord& r = RenderCamera;
  r.eye = c.eye;
  r.viewDirection = c.point;
  r.fourth = c.point;
  r.up.Set(0.0f, 1.0f, 0.0f);
  r.rawUp.Set(0.0f, 1.0f, 0.0f);
}

// A lorry stands in the garage only when its slot holds a loaded model: the shared
// running gear alone would float axles and hubs where no lorry is.
bool CarOnShow() { return LoadedCarType[0].load() >= 0 && CarSlots[0].body[kGarageCarLod] != nullptr; }

// The sun camera's two matrices as SetupCamera(3) left them.
const Matrix4& LightProjection() { return SunCamera.overviewProjection; }
const Matrix4& LightView() { return SunCamera.overviewView; }

void PlaceShadows(const GarageCamera& c) {
  const float aspect = static_cast<float>(Settings.screenWidth) /
                       static_cast<float>(Settings.screenHeight > 0 ? Settings.screenHeight : 1);
  SetupCamera(kCameraOverview, 0, aspect, ViewDistance);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  LookThrough(c);
  CaptureViewMatrices();
  glLoadIdentity();
  if (ShadowMapSize > kShadowsOffSize)
    RenderGarageShadowMap();
  else
    ClearShadowMap();
}

// The lorry at the origin: body with its lamps, beams, hubs and wheels from the car
// passes' assembly.
void DrawCar(const float lamps[3]) {
  CurrentCarLod = kGarageCarLod;
  if (!CarOnShow()) return;
  CarRow pose;
  pose.reverseLamp = lamps[0];
  pose.tailLamp = lamps[1];
  pose.brakeLamp = lamps[2];
  CarDrawStyle s;
  s.lampLitBody = true;
  s.colourSkin = CarSkinTexture(0, kColourSkin);
  s.normalSkin = CarSkinTexture(0, kNormalSkin);
  s.axleDrop = kGarageAxleDrop;
  s.frontCamber = kGarageFrontCamber;
  AssembleCar(0, kGarageCarLod, pose, s);
}

void DrawGarageModel(int id) {
  if (MilkshapeModel* m = GarageModels[id]) m->DrawTextured();
}

// Layer A: the lorry with the garage's special parts, the see-through parts, the walls
// and floor, and the sky beyond them.
//
// Drawn into the frame, which stays opaque whatever alpha the programs write: the
// backdrop takes its alpha, and the snapshot held over a car reload is blended by it.
// Nothing in the layer reads the alpha it would have left.
void DrawLayerA(const GarageCamera& c, GLuint frame, const float lamps[3], float ticks) {
  BindLayerTarget(frame);
  glClearColor(kLayerClear[0], kLayerClear[1], kLayerClear[2], 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  FarDistance = kSkyFarDistance;
  SetPerspective(Settings.screenWidth, Settings.screenHeight);
  LookThrough(c);
  PlaceLights();

  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  UseProgram(ShaderProgramId::Objects);
  SetShaderUniforms(kUniformsObjects);
  BeginCarShadowState(LightProjection(), LightView(), kGarageBaseTexture);
  BeaconAngle += (std::sin(FrameTiming.SceneClock * kBeaconWobbleRate) + kBeaconBaseRate) * ticks;
  if (MilkshapeModel* special = GarageModels[kGarageSpecial]) special->DrawWithAlphaMaps(-1);
  DrawCar(lamps);
  EndCarShadowState();

  ShadowSetUp(LightProjection(), LightView());
  glDisable(GL_CULL_FACE);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GEQUAL, kAlphaCut);
  UseProgram(ShaderProgramId::Transparency);
  SetShaderUniforms(kUniformsTransparency);
  SetFade(ShaderProgramId::Transparency);
  DrawGarageModel(kGarageTransparency);
  UseProgramHandle(0);
  glEnable(GL_CULL_FACE);
  glDisable(GL_ALPHA_TEST);

  UseProgram(ShaderProgramId::Map);
  SetShaderUniforms(kUniformsMap);
  SetFade(ShaderProgramId::Map);
  DrawGarageModel(kGarageMain);
  DrawGarageModel(kGarageGround);
  ShadowTearDown();
  UseProgramHandle(0);

  DrawSkyBox(0.0f, kSkyDrop, 0.0f);
  ResolveLayer(frame);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

MilkshapeModel* GlassOnShow() { return CarOnShow() ? CarSlots[0].glass[CurrentCarLod] : nullptr; }

// Layer B: the lorry's glass over layer A's depth, bumped with the car's own normal
// map (the dirt never reaches the glass). Outside the glass's box the layer would stay
// clear, so only the box is cleared, drawn and resolved (the scissor stays on for the
// composite). False when no glass shows.
bool DrawLayerB(const GarageCamera& c, GLuint layerB, const float lamps[3]) {
  glLoadIdentity();
  LookThrough(c);
  MilkshapeModel* glass = GlassOnShow();
  const WindowBox box = ModelWindowBox(glass, RenderSetup.screenWidth, RenderSetup.screenHeight);
  if (box.width <= 0 || box.height <= 0) return false;
  BindLayerTarget(layerB);
  glScissor(box.x, box.y, box.width, box.height);
  glEnable(GL_SCISSOR_TEST);
  glClearColor(kLayerClear[0], kLayerClear[1], kLayerClear[2], 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  PlaceLights();
  UseProgram(ShaderProgramId::Objects);
  SetShaderUniforms(kUniformsObjects);
  BeginCarShadowState(LightProjection(), LightView(), kGarageBaseTexture);
  glass->DrawWithGroupSamplers(CarSkinTexture(0, kColourSkin), CarNormalTextures[0].name, lamps[0], lamps[1],
                               lamps[2]);
  EndCarShadowState();
  UseProgramHandle(0);
  ResolveLayer(layerB);
  return true;
}

// Layer B blended over the frame, inside the scissor box DrawLayerB left: elsewhere its
// alpha is 0 and the frame shows layer A unchanged. The screen depth buffer keeps layer
// A's depth for the flares; the frame's alpha stays 1.
void ComposeGlass(GLuint frame, GLuint layerB) {
  BindPassFramebuffer(frame, Renderer.targets.SceneDepthBuffer);
  glDepthMask(GL_FALSE);
  glDisable(GL_DEPTH_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  PushVirtualScreenProjection();
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  DrawLayerOverFrame(layerB);
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  glEnable(GL_TEXTURE_2D);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
}

// One flare per marker of group 2 of the lorry's points model; none without that group.
void DrawBeacons(const GarageCamera& c) {
  if (!CarOnShow()) return;
  const int beacons = BeaconCount(CarSlots[0].points);
  if (beacons == 0) return;
  glLoadIdentity();
  LookThrough(c);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(kBeaconGrey, kBeaconGrey, kBeaconGrey, 1.0f);
  glBindTexture(GL_TEXTURE_2D, TableTexture(kBeaconTexture));
  for (int k = 0; k < beacons; ++k) DrawBeacon(RaceCars[0].attachmentFrames[k]);
  glDisable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void BlurFrame(GLuint frame) {
  const RenderTargets& t = Renderer.targets;
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);
  DrawPostPass(kPostBlur, frame, t.PostTextures[kSmallTexture2], kPostFromScreen);
  // The second step reads its small source at texel centres, one texel apart, where a
  // linear filter gives each texel as it is: nearest gives the same for a quarter of
  // the reads of a half-float texture. The backdrop magnifies these textures, so they
  // are linear again after.
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, t.PostTextures[kSmallTexture2]);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  DrawPostPass(kPostBlur, t.PostTextures[kSmallTexture2], t.PostTextures[kSmallTexture1], kPostFromSmall);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, t.PostTextures[kSmallTexture2]);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  glEnable(GL_TEXTURE_2D);
}

}  // namespace

void GarageCameraOrbit() {
  const float ticks = FrameTiming.FrameTicks;
  const bool left = Input.MouseButtons[0] != 0, right = Input.MouseButtons[1] != 0;
  const bool zoomAllowed = Input.CameraFree != 0 && ScreenFade >= kSettledFade && Settled();
  if (left && zoomAllowed) GarageZoom -= kZoomRate * ticks;
  if (right && zoomAllowed) GarageZoom += kZoomRate * ticks;
  GarageZoom = Clamp(GarageZoom, kMinZoom, kMaxZoom);

  // The last position follows the pointer whether or not a button is down: only what
  // moves while a button is held drags, so a click after the pointer travelled to a
  // button does not fling the camera.
  GarageViewState& v = GarageView;
  const int x = Input.CursorPoint.x, y = Input.CursorPoint.y;
  if (left || right) {
    GarageYawSpeed = Drag(GarageYawSpeed, x - v.lastMouseX, kYawPerPixel);
    GaragePitchSpeed = Drag(GaragePitchSpeed, y - v.lastMouseY, kPitchPerPixel);
  }
  v.lastMouseX = x;
  v.lastMouseY = y;

  GarageYawSpeed = Decay(GarageYawSpeed, ticks);
  GaragePitchSpeed = Decay(GaragePitchSpeed, ticks);
  GaragePitch = Clamp(GaragePitch + GaragePitchSpeed * kTurnRate * ticks, kMinPitch, kMaxPitch);
  GarageYaw = Clamp(GarageYaw + GarageYawSpeed * kTurnRate * ticks, kMinYaw, kMaxYaw);

  v.pitch = GaragePitch;
  v.yaw = GarageYaw + kIdleYawSwing * std::sin(GarageIdlePhase);
  v.nearDistance = GarageZoom + kIdleZoomSwing * std::sin(GarageIdlePhase + 0.5f * kPi);
  Input.CameraFree = 1;
}

Vector3 GarageEye() {
  const float p = GarageView.pitch * kDegreesToRadians, w = GarageView.yaw * kDegreesToRadians;
  const float y0 = kEyeHeight, z0 = -kEyeDistance - GarageZoom;
  // About x by the pitch ...
  const float y1 = y0 * std::cos(p) - z0 * std::sin(p);
  const float z1 = y0 * std::sin(p) + z0 * std::cos(p);
  // ... then about y by the yaw.
  return Vector3(z1 * std::sin(w), y1, z1 * std::cos(w));
}

Vector3 GarageViewPoint(const Vector3& eye) {
  // The height keeps the vector from being zero whatever the eye.
  Vector3 d(-eye.x, kEyeHeight, -eye.z);
  return d.Normalize();
}

namespace {

// A corner nearer the eye's plane than this (clip w) is taken as behind it.
constexpr float kNearestW = 1e-3f;
// Pixels of margin round the projected corners.
constexpr float kBoxMargin = 2.0f;

}  // namespace

WindowBox ModelWindowBox(const Model* model, int width, int height) {
  const WindowBox whole{0, 0, width, height};
  if (!model || model->vertexCount <= 0 || !model->vertices || width <= 0 || height <= 0) return WindowBox{};
  float lo[3] = {model->vertices[0].x, model->vertices[0].y, model->vertices[0].z};
  float hi[3] = {lo[0], lo[1], lo[2]};
  for (int i = 1; i < model->vertexCount; ++i) {
    const ModelVertex& v = model->vertices[i];
    const float p[3] = {v.x, v.y, v.z};
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], p[k]);
      hi[k] = std::max(hi[k], p[k]);
    }
  }
  GLfloat modelview[16], projection[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  float x0 = 1e30f, y0 = 1e30f, x1 = -1e30f, y1 = -1e30f;
  for (int corner = 0; corner < 8; ++corner) {
    const float v[4] = {corner & 1 ? hi[0] : lo[0], corner & 2 ? hi[1] : lo[1], corner & 4 ? hi[2] : lo[2], 1.0f};
    float eye[4], clip[4];
    for (int r = 0; r < 4; ++r)
      eye[r] = modelview[r] * v[0] + modelview[4 + r] * v[1] + modelview[8 + r] * v[2] + modelview[12 + r] * v[3];
    for (int r = 0; r < 4; ++r)
      clip[r] = projection[r] * eye[0] + projection[4 + r] * eye[1] + projection[8 + r] * eye[2] +
                projection[12 + r] * eye[3];
    if (!(clip[3] > kNearestW)) return whole;
    const float sx = (clip[0] / clip[3] * 0.5f + 0.5f) * w, sy = (clip[1] / clip[3] * 0.5f + 0.5f) * h;
    x0 = std::min(x0, sx);
    y0 = std::min(y0, sy);
    x1 = std::max(x1, sx);
    y1 = std::max(y1, sy);
  }
  x0 = Clamp(std::floor(x0) - kBoxMargin, 0.0f, w);
  y0 = Clamp(std::floor(y0) - kBoxMargin, 0.0f, h);
  x1 = Clamp(std::ceil(x1) + kBoxMargin, 0.0f, w);
  y1 = Clamp(std::ceil(y1) + kBoxMargin, 0.0f, h);
  if (!(x1 > x0 && y1 > y0)) return WindowBox{};
  return WindowBox{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
}

void GarageLampLevels(float phase, float levels[3]) {
  for (int i = 0; i < 3; ++i) levels[i] = Clamp(std::sin(kLampRates[i] * phase) * kLampGain, 0.0f, 1.0f);
}

void DrawGarageScene() {
  const float ticks = FrameTiming.FrameTicks;
  GarageCameraOrbit();
  // The sway rests while a screen changes and while a new lorry fades in.
  if (Settled() && CarSwapFade < 1.0f) GarageIdlePhase = std::fmod(GarageIdlePhase + kIdleRate * ticks, kTwoPi);

  const RenderTargets& t = Renderer.targets;
  const GLuint frame = t.SceneTextures[kFrameTexture];
  if (frame == 0 || !GlExt.glBindFramebufferEXT) return;
  GLint previous = 0;
  GLfloat clear[4] = {};
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);

  GarageCamera c;
  c.eye = GarageEye();
  c.point = GarageViewPoint(c.eye);
  PublishCamera(c);

  RenderCubeMap(0);
  PaintCarDirtInGarage(0);
  PlaceShadows(c);

  glFogfv(GL_FOG_COLOR, Lighting.fogColour);
  glFogf(GL_FOG_DENSITY, Lighting.fogDensity);
  glDepthMask(GL_TRUE);
  GarageLampPhase = std::fmod(GarageLampPhase + kLampRate * ticks, kLampWrap);
  float lamps[3];
  GarageLampLevels(GarageLampPhase, lamps);
  DrawLayerA(c, frame, lamps, ticks);
  if (DrawLayerB(c, t.SceneTextures[kLayerBTexture], lamps)) ComposeGlass(frame, t.SceneTextures[kLayerBTexture]);
  glDisable(GL_SCISSOR_TEST);
  BindPassFramebuffer(frame, t.SceneDepthBuffer);
  DrawBeacons(c);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  BlurFrame(frame);

  // The garage ends on the framebuffer it found: the screen's in the game, a test's own
  // target under test.
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(previous));
  SetPerspective(Settings.screenWidth, Settings.screenHeight);
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
  glClear(GL_COLOR_BUFFER_BIT);
  UseProgramHandle(0);
}
