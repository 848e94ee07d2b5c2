// The sky box's faces and horizon ring, the camera view's inverse that the shadow
// lookups map eye space back into the world with, the shadow map's clear and the race
// start that clears it and the small post textures, and the race frame's soft-focus
// composite on the shared screen framebuffer.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/race_snapshot.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "race/race_status.h"
#include "race/car.h"
#include "race/scene_content.h"
#include "race/track_loader.h"
#include "render/layer_targets.h"
#include "render/race_scene.h"
#include "render/cube_map.h"
#include "render/shadow_view.h"
#include "render/sky_box.h"
#include "tests/render/race_render_support.h"

namespace {

using racerender::Rgb;

constexpr int kW = 320;
constexpr int kH = 240;
constexpr int kSkyTarget = 96;
// How far the soft-focus copy, scaled to the small texture and back, spreads an edge.
constexpr int kSoftReach = 4;

bool Near(const Rgb& c, int r, int g, int b, int tolerance = 3) {
  return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance && std::abs(c.b - b) <= tolerance;
}

std::string Show(const Rgb& c) {
  return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

class RaceRenderViews : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    if (IsSkipped()) return;
    std::string why;
    if (!racerender::StartRenderer(kW, kH, &why)) GTEST_SKIP() << why;
  }
  void TearDown() override {
    for (Texture& t : SharedSceneTextures) t.name = -1;
    glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
    textures_.clear();
  }
  GLuint Keep(GLuint t) {
    textures_.push_back(t);
    return t;
  }
  std::vector<GLuint> textures_;
};

// ---- the sky box ----

// The sky cross: lid in the centre square, each wall unfolded from the lid's edge.
const Rgb kLid{200, 200, 250}, kWallZ0{250, 0, 0}, kWallZ1{0, 250, 0}, kWallX0{0, 0, 250}, kWallX1{250, 250, 0};

std::vector<uint8_t> SkyCross(int edge) {
  std::vector<uint8_t> px(static_cast<size_t>(edge) * edge * 4, 0);
  for (int j = 0; j < edge; ++j)
    for (int i = 0; i < edge; ++i) {
      const float s = (i + 0.5f) / edge, t = (j + 0.5f) / edge;
      const bool midS = s > 0.25f && s < 0.75f, midT = t > 0.25f && t < 0.75f;
      Rgb c;
      if (midS && midT) c = kLid;
      else if (midS && t < 0.25f) c = kWallZ0;
      else if (midS && t > 0.75f) c = kWallZ1;
      else if (midT && s < 0.25f) c = kWallX0;
      else if (midT && s > 0.75f) c = kWallX1;
      uint8_t* p = &px[4 * (static_cast<size_t>(j) * edge + i)];
      p[0] = static_cast<uint8_t>(c.r);
      p[1] = static_cast<uint8_t>(c.g);
      p[2] = static_cast<uint8_t>(c.b);
      p[3] = 255;
    }
  return px;
}

class RaceRenderSkyBox : public RaceRenderViews {
 protected:
  void SetUp() override {
    RaceRenderViews::SetUp();
    if (IsSkipped()) return;
    SharedSceneTextures[0].name = static_cast<int>(Keep(racerender::TextureFromTexels(64, 64, SkyCross(64))));
    SetHorizonAlpha(255);
  }
  void SetHorizonAlpha(uint8_t alpha) {
    SharedSceneTextures[1].name = static_cast<int>(Keep(gltest::SolidTexture(250, 0, 250, alpha)));
  }

  // The sky around kPoint seen from kPoint + offset towards dir; the centre pixel.
  Rgb Look(float eyeHeight, float dx, float dy, float dz, float ux = 0.0f, float uy = 1.0f, float uz = 0.0f) {
    gltest::ColourTarget target(kSkyTarget, kSkyTarget);
    EXPECT_TRUE(target.complete());
    target.Clear(0.0f, 0.0f, 0.0f, 1.0f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 1.0, 1.0, 20000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float ex = kPoint[0], ey = kPoint[1] + eyeHeight, ez = kPoint[2];
    gluLookAt(ex, ey, ez, ex + dx, ey + dy, ez + dz, ux, uy, uz);
    // As the main pass draws it: no depth, back faces culled.
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    DrawSkyBox(kPoint[0], kPoint[1], kPoint[2]);
    blendAfter_ = glIsEnabled(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    const std::vector<uint8_t> px = target.Read();
    gltest::BindWindowFramebuffer();
    return racerender::MeanColour(px, kSkyTarget, kSkyTarget / 2 - 1, kSkyTarget / 2 - 1, kSkyTarget / 2 + 2,
                                  kSkyTarget / 2 + 2);
  }

  const float kPoint[3] = {100.0f, -500.0f, 200.0f};
  GLboolean blendAfter_ = GL_TRUE;
};

TEST_F(RaceRenderSkyBox, EachWallAndTheLidShowTheirPartOfTheCross) {
  // From 1200 up the walls fill the view ahead (the box runs from 400 to 2000).
  struct Face {
    float dx, dz;
    Rgb colour;
    const char* name;
  } faces[] = {{0, -1, kWallZ0, "wall z0"}, {0, 1, kWallZ1, "wall z1"}, {-1, 0, kWallX0, "wall x0"},
               {1, 0, kWallX1, "wall x1"}};
  for (const Face& f : faces) {
    const Rgb c = Look(1200.0f, f.dx, 0.0f, f.dz);
    EXPECT_TRUE(Near(c, f.colour.r, f.colour.g, f.colour.b)) << f.name << ": " << Show(c);
  }
  const Rgb lid = Look(1200.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, -1.0f);
  EXPECT_TRUE(Near(lid, kLid.r, kLid.g, kLid.b)) << "lid: " << Show(lid);
  EXPECT_FALSE(blendAfter_) << "the ring's blending is switched off again";
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RaceRenderSkyBox, NoFloorAndTheHorizonRingBlendsOverWhatIsBehind) {
  const Rgb down = Look(1200.0f, 0.0f, -1.0f, 0.0f, 0.0f, 0.0f, -1.0f);
  EXPECT_TRUE(Near(down, 0, 0, 0)) << "below the box: " << Show(down);
  // Level with the ring's middle (250 up; the ring is 500 high) and under the walls.
  const float dirs[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
  for (const auto& d : dirs) {
    const Rgb c = Look(250.0f, d[0], 0.0f, d[1]);
    EXPECT_TRUE(Near(c, 250, 0, 250)) << "ring towards (" << d[0] << ", " << d[1] << "): " << Show(c);
  }
  SetHorizonAlpha(128);
  const Rgb half = Look(250.0f, 0.0f, 0.0f, -1.0f);
  EXPECT_TRUE(Near(half, 125, 0, 125, 4)) << "half-transparent band over black: " << Show(half);
}

// ---- the camera view's inverse ----

void ExpectProductIsIdentity(const float* a, const float* b, const char* what) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a[4 * k + r] * b[4 * c + k];
      EXPECT_NEAR(sum, r == c ? 1.0f : 0.0f, 2e-4f) << what << " element (" << r << ", " << c << ")";
    }
}

TEST_F(RaceRenderViews, CapturedViewInvertsRigidCameras) {
  struct View {
    double eye[3], target[3], up[3];
  } views[] = {
      {{0, 0, 0}, {0, 0, -1}, {0, 1, 0}},
      {{120, 8, -640}, {150, 6, -600}, {0, 1, 0}},
      {{-1400, 35, 1300}, {-1380, 30, 1290}, {0.1, 1, 0}},   // rolled into a bend
      {{10, 500, 10}, {10, 0, 10}, {0, 0, -1}},               // straight down
  };
  for (const View& v : views) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(v.eye[0], v.eye[1], v.eye[2], v.target[0], v.target[1], v.target[2], v.up[0], v.up[1], v.up[2]);
    Matrix4 m;
    glGetFloatv(GL_MODELVIEW_MATRIX, m.m);
    CaptureViewMatrices();
    SCOPED_TRACE(v.eye[0]);
    ExpectProductIsIdentity(m.m, InverseCameraView.m, "view x inverse");
    ExpectProductIsIdentity(InverseCameraView.m, m.m, "inverse x view");
    // The inverse takes the eye-space origin back to the eye.
    EXPECT_NEAR(InverseCameraView.m[12], v.eye[0], 2e-3);
    EXPECT_NEAR(InverseCameraView.m[13], v.eye[1], 2e-3);
    EXPECT_NEAR(InverseCameraView.m[14], v.eye[2], 2e-3);
  }
  glLoadIdentity();
}

TEST_F(RaceRenderViews, RigidInverseOfATurnAndAMove) {
  Matrix4 turn;
  turn.SetRotationY(30.0f);
  turn.m[12] = 5.0f;
  turn.m[13] = -2.0f;
  turn.m[14] = 9.0f;
  const Matrix4 inv = InvertRigidView(turn);
  ExpectProductIsIdentity(turn.m, inv.m, "turn x inverse");
  // Rotation transposed, fourth row (0, 0, 0, 1).
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(inv.m[4 * c + r], turn.m[4 * r + c]);
  EXPECT_FLOAT_EQ(inv.m[3], 0.0f);
  EXPECT_FLOAT_EQ(inv.m[7], 0.0f);
  EXPECT_FLOAT_EQ(inv.m[11], 0.0f);
  EXPECT_FLOAT_EQ(inv.m[15], 1.0f);
}

// ---- the shadow map and the post textures at a race's start ----

std::vector<float> ShadowDepths() {
  const int s = RenderSetup.shadowMapSize;
  std::vector<float> d(static_cast<size_t>(s) * s);
  glBindTexture(GL_TEXTURE_2D, Renderer.targets.ShadowDepthTexture);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, d.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return d;
}

bool AllEqual(const std::vector<float>& v, float value) {
  for (float x : v)
    if (std::fabs(x - value) > 1e-3f) return false;
  return true;
}

// Stands in for whatever earlier use left in the targets.
void DirtyShadowMap() {
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, Renderer.targets.ShadowFramebuffer);
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D,
                                  Renderer.targets.ShadowDepthTexture, 0);
  glDrawBuffer(GL_NONE);
  glReadBuffer(GL_NONE);
  glViewport(0, 0, RenderSetup.shadowMapSize, RenderSetup.shadowMapSize);
  glClearDepth(0.25);
  glClear(GL_DEPTH_BUFFER_BIT);
  glClearDepth(1.0);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

void DirtyPostTexture(GLuint texture) {
  BindPassFramebuffer(texture, 0);
  glViewport(0, 0, RenderSetup.postWidth, RenderSetup.postHeight);
  glClearColor(1.0f, 0.5f, 0.25f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0.16f, 0.24f, 0.27f, 0.0f);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

bool PostTextureClear(GLuint texture) {
  std::vector<float> px(static_cast<size_t>(RenderSetup.postWidth) * RenderSetup.postHeight * 4);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_FLOAT, px.data());
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
  return AllEqual(px, 0.0f);
}

TEST_F(RaceRenderViews, ClearShadowMapEmptiesTheMapAndLeavesTheWindowBound) {
  DirtyShadowMap();
  ASSERT_TRUE(AllEqual(ShadowDepths(), 0.25f));
  glDepthMask(GL_FALSE);  // a pass may leave depth writes off
  ClearShadowMap();
  EXPECT_TRUE(AllEqual(ShadowDepths(), 1.0f));
  GLint v = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &v);
  EXPECT_EQ(v, 0);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], RenderSetup.shadowMapSize);
  EXPECT_EQ(viewport[3], RenderSetup.shadowMapSize);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  gltest::BindWindowFramebuffer();
}

TEST_F(RaceRenderViews, ANewRaceClearsTheShadowMapAndThePostTexturesOnce) {
  const RenderTargets& t = Renderer.targets;
  const int32_t race = RaceStatus.RaceLoadCount.load() + 100;
  // The renderer's targets are a global: nothing to capture.
  auto dirtyAll = [] {
    DirtyShadowMap();
    for (GLuint p : Renderer.targets.PostTextures) DirtyPostTexture(p);
  };
  dirtyAll();
  PrepareRaceTargets(race);
  EXPECT_TRUE(AllEqual(ShadowDepths(), 1.0f));
  for (GLuint p : t.PostTextures) EXPECT_TRUE(PostTextureClear(p)) << "post texture " << p;
  GLfloat clear[4] = {};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_FLOAT_EQ(clear[3], 0.0f) << "the clear colour is the caller's again";
  EXPECT_NEAR(clear[0], 0.16f, 1e-3f);

  // The same race's later frames leave what their passes drew.
  dirtyAll();
  PrepareRaceTargets(race);
  EXPECT_TRUE(AllEqual(ShadowDepths(), 0.25f));
  EXPECT_FALSE(PostTextureClear(t.PostTextures[1]));
  PrepareRaceTargets(race + 1);
  EXPECT_TRUE(AllEqual(ShadowDepths(), 1.0f));
  EXPECT_TRUE(PostTextureClear(t.PostTextures[1]));
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  gltest::BindWindowFramebuffer();
}

// ---- the shared screen framebuffer ----

GLint Attached(GLenum attachment, GLenum what) {
  GLint v = -1;
  GlExt.glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, attachment, what, &v);
  return v;
}

TEST_F(RaceRenderViews, EveryScreenFramebufferBindSaysWhichDepthItWants) {
  const RenderTargets& t = Renderer.targets;
  BindPassFramebuffer(t.SceneTextures[1], t.CubeDepthBuffer);
  EXPECT_EQ(Attached(GL_DEPTH_ATTACHMENT_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT),
            static_cast<GLint>(t.CubeDepthBuffer));
  BindPassFramebuffer(t.SceneTextures[2], 0);
  EXPECT_EQ(Attached(GL_DEPTH_ATTACHMENT_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT), GL_NONE);
  EXPECT_EQ(Attached(GL_COLOR_ATTACHMENT0_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT),
            static_cast<GLint>(t.SceneTextures[2]));
  BindLayerTarget(t.SceneTextures[3]);
  EXPECT_EQ(Attached(GL_DEPTH_ATTACHMENT_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT),
            static_cast<GLint>(t.SceneDepthBuffer));
  EXPECT_EQ(GlExt.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  gltest::BindWindowFramebuffer();
}

// The whole race frame with the soft-focus effect on: the composite detaches depth and
// lays the frame's own scaled-down copy over it, never what the post textures held
// before the race.
TEST_F(RaceRenderViews, SoftFocusCompositeOfANewRaceIsTheFrameOverItsOwnSoftCopy) {
  const RenderTargets& t = Renderer.targets;
  SharedSceneTextures[0].name = static_cast<int>(Keep(gltest::SolidTexture(90, 150, 230, 255)));
  SharedSceneTextures[1].name = static_cast<int>(Keep(gltest::SolidTexture(200, 200, 210, 255)));
  RaceFrameResults& r = PublishedResults;
  r.mainLeaves.count = 0;
  r.camera.eye = Vector3(0.0f, 2.0f, 0.0f);
  r.camera.target = Vector3(0.0f, 2.0f, -10.0f);
  r.camera.up = Vector3(0.0f, 1.0f, 0.0f);
  r.camera.speedFactor = 0.0f;
  for (CarRow& row : PublishedCarRows) row.matrix.SetIdentity();
  Settings.postEffect = 1;
  CubeMapRefresh = 0;
  for (GLuint p : t.PostTextures) DirtyPostTexture(p);
  RaceStatus.RaceLoadCount.fetch_add(1);
  RenderRaceFrame();
  Settings.postEffect = 0;
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));

  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.PassFramebuffer);
  EXPECT_EQ(Attached(GL_DEPTH_ATTACHMENT_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT), GL_NONE);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  const std::vector<uint8_t> frame = racerender::ReadRectangle(t.SceneTextures[0], kW, kH);
  const std::vector<uint8_t> soft = racerender::ReadRectangle(t.SceneTextures[1], kW, kH);
  racerender::SavePng("race_frame_soft_focus", kW, kH, soft);
  const Rgb sky = racerender::MeanColour(frame, kW, 0, kH - 10, kW, kH);
  EXPECT_TRUE(Near(sky, 90, 150, 230)) << Show(sky);
  // Corner to corner, RGB for RGB where the frame is flat (the soft copy blurs its
  // edges): leftovers in the post textures would tint it.
  auto flat = [&frame](int x, int y, const Rgb& a) {
    for (int dy = -kSoftReach; dy <= kSoftReach; dy += kSoftReach)
      for (int dx = -kSoftReach; dx <= kSoftReach; dx += kSoftReach) {
        const int nx = std::clamp(x + dx, 0, kW - 1), ny = std::clamp(y + dy, 0, kH - 1);
        if (!Near(racerender::PixelAt(frame, kW, nx, ny), a.r, a.g, a.b, 1)) return false;
      }
    return true;
  };
  int judged = 0;
  for (int y = 0; y < kH; y += 7)
    for (int x = 0; x < kW; x += 7) {
      const Rgb a = racerender::PixelAt(frame, kW, x, y), b = racerender::PixelAt(soft, kW, x, y);
      if (!flat(x, y, a)) continue;
      ++judged;
      ASSERT_TRUE(Near(b, a.r, a.g, a.b, 1)) << x << ", " << y << ": " << Show(b) << " vs " << Show(a);
    }
  EXPECT_GT(judged, (kW / 7) * (kH / 7) / 2);
  gltest::BindWindowFramebuffer();
}

}  // namespace
