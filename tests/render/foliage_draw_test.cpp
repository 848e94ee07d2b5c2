// The grass, tree and sun-glare passes drawn with the real programs into a small
// target. The camera stands a unit above the ground looking along +x at a plant ten
// units ahead, so a plant rooted on the ground shows from the root's row upwards.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/frame.h"
#include "app/race_snapshot.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/lights.h"
#include "gfx/renderer.h"
#include "gfx/texture.h"
#include "race/scene_content.h"
#include "race/world_quadtree.h"
#include "render/camera_state.h"
#include "render/grass.h"
#include "render/pass_control.h"
#include "render/sun_glare.h"
#include "render/trees.h"
#include "tests/render/render_gl.h"

namespace {

constexpr int kSize = 128;
constexpr float kSight = 300.0f;
constexpr float kFovY = 60.0f;
constexpr float kEyeHeight = 1.0f;
constexpr float kPlantAhead = 10.0f;

// The rows (bottom first) that differ from the clear colour, as [low, high]; -1 when none.
struct Rows {
  int low = -1, high = -1;
};
Rows DrawnRows(const std::vector<uint8_t>& px) {
  Rows r;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const uint8_t* p = &px[4 * (static_cast<size_t>(y) * kSize + x)];
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
      if (r.low < 0) r.low = y;
      r.high = y;
    }
  return r;
}

// The target row of a point on the ground ahead at the eye's projection.
int GroundRow(float ahead) {
  const float t = std::tan(kFovY * 0.5f * 3.14159265f / 180.0f);
  return static_cast<int>(kSize * 0.5f * (1.0f - kEyeHeight / ahead / t));
}

class RaceRenderFoliage : public rendertest::RenderGlTest {
 protected:
  void SetUp() override {
    rendertest::RenderGlTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    target_ = std::make_unique<gltest::ColourTarget>(kSize, kSize);
    ASSERT_TRUE(target_->complete());
    target_->Clear(0.0f, 0.0f, 0.0f, 0.0f);
    ViewDistance = kSight;
    savedWidth_ = Settings.screenWidth;
    savedHeight_ = Settings.screenHeight;
    Settings.screenWidth = Settings.screenHeight = kSize;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(kFovY, 1.0, 0.5, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    RenderCamera.eye = Vector3(0.0f, kEyeHeight, 0.0f);
    RenderCamera.target = Vector3(kPlantAhead, kEyeHeight, 0.0f);
    RenderCamera.up = Vector3(0.0f, 1.0f, 0.0f);
    RenderCamera.viewDirection = Vector3(1.0f, 0.0f, 0.0f);
    gluLookAt(0.0, kEyeHeight, 0.0, kPlantAhead, kEyeHeight, 0.0, 0.0, 1.0, 0.0);
    opaque_ = gltest::SolidTexture(40, 200, 40, 255);
    clear_ = gltest::SolidTexture(40, 200, 40, 0);
    SharedSceneTextures[2].name = SharedSceneTextures[3].name = static_cast<int>(opaque_);
    leaves_.assign(2, QuadTreeList());
    WorldLeaves = leaves_.data();
    WorldLeafCount = 2;
    LeafList& list = RenderSnapshot.mainLeaves;
    list.count = 1;
    list.leaf[0] = 0;
    list.distanceSq[0] = 0.0f;
    FrameTiming.RenderTicks = 1.0f;
  }

  void TearDown() override {
    WorldLeaves = nullptr;
    WorldLeafCount = 0;
    RenderSnapshot.mainLeaves.count = 0;
    SharedSceneTextures[2].name = SharedSceneTextures[3].name = -1;
    Settings.screenWidth = savedWidth_;
    Settings.screenHeight = savedHeight_;
    FrameTiming.RenderTicks = FrameTiming.FrameTicks = 0.0f;
    PassControl = PassControlState();
    glDeleteTextures(1, &opaque_);
    glDeleteTextures(1, &clear_);
    target_.reset();
    gltest::BindWindowFramebuffer();
  }

  void Plant(int leaf, int kind, float scale) {
    GrassInstance g{};
    g.x = kPlantAhead;
    g.scale = scale;
    g.anchorX = kPlantAhead;
    g.anchorSize = 1.0f;
    g.scale2 = 1.0f;
    leaves_[leaf].vegetation.instances[kind].push_back(g);
  }

  std::vector<uint8_t> Drawn(void (*draw)()) {
    target_->Clear(0.0f, 0.0f, 0.0f, 0.0f);
    draw();
    return target_->Read();
  }

  std::unique_ptr<gltest::ColourTarget> target_;
  std::vector<QuadTreeList> leaves_;
  GLuint opaque_ = 0, clear_ = 0;
  int savedWidth_ = 0, savedHeight_ = 0;
};

TEST_F(RaceRenderFoliage, GrassStandsOnItsRootAndDrawsOnlyNearGrassKinds) {
  Plant(0, 7, 2.0f);  // a cell of the atlas's full height: 4 units tall
  const Rows rows = DrawnRows(Drawn(DrawGrass));
  ASSERT_GE(rows.low, 0) << "nothing drawn";
  EXPECT_NEAR(rows.low, GroundRow(kPlantAhead), 2) << "the blades start at the root";
  EXPECT_GT(rows.high, kSize / 2 + 10) << "and rise well above the eye";
  EXPECT_EQ(rendertest::LeftoverState(), "");
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
  EXPECT_FALSE(glIsEnabled(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB));

  // Without the multisampled pair the cut is the alpha test, even when the main pass
  // left coverage on: a transparent atlas then draws nothing at all.
  SharedSceneTextures[2].name = static_cast<int>(clear_);
  glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB);
  EXPECT_EQ(rendertest::SamplesPassed([] { DrawGrass(); }), 0u);
  EXPECT_FALSE(glIsEnabled(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB));
  SharedSceneTextures[2].name = static_cast<int>(opaque_);

  // A leaf exactly at the reach is not looked at; tree kinds are the trees' pass's.
  RenderSnapshot.mainLeaves.distanceSq[0] = (kSight - 140.0f) * (kSight - 140.0f);
  EXPECT_EQ(rendertest::SamplesPassed([] { DrawGrass(); }), 0u);
  RenderSnapshot.mainLeaves.distanceSq[0] = 0.0f;
  leaves_[0].vegetation.instances[7].clear();
  Plant(0, 8, 2.0f);
  EXPECT_EQ(rendertest::SamplesPassed([] { DrawGrass(); }), 0u);
  // And the race tools can leave the pass out.
  leaves_[0].vegetation.instances[7].push_back(leaves_[0].vegetation.instances[8][0]);
  std::snprintf(PassControl.skip[0], sizeof PassControl.skip[0], "grass");
  EXPECT_EQ(rendertest::SamplesPassed([] { DrawGrass(); }), 0u);
}

TEST_F(RaceRenderFoliage, TreesStandOnTheirFootWithTheirOwnUnitsBound) {
  Plant(0, 8, 1.0f);  // 5.8 units tall
  const Rows rows = DrawnRows(Drawn(DrawTrees));
  ASSERT_GE(rows.low, 0) << "nothing drawn";
  EXPECT_NEAR(rows.low, GroundRow(kPlantAhead), 2) << "the trunk starts at the foot";
  EXPECT_GT(rows.high, kSize / 2 + 20);
  EXPECT_EQ(rendertest::LeftoverState(), "");
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
  // The program's tint and noise units hold what it samples, not what passes before
  // happened to leave there.
  GLint bound = 0;
  GlExt.glActiveTextureARB(GL_TEXTURE1_ARB);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  if (TextureTable[70].name > 0) {
    EXPECT_EQ(bound, TextureTable[70].name);
  }
  GlExt.glActiveTextureARB(GL_TEXTURE2_ARB);
  glGetIntegerv(GL_TEXTURE_BINDING_3D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), Renderer.NoiseTexture3D);
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);

  // The mirrored batch draws its kinds too.
  leaves_[0].vegetation.instances[8].clear();
  Plant(0, 15, 1.0f);
  EXPECT_GT(rendertest::SamplesPassed([] { DrawTrees(); }), 0u);
  // A leaf exactly at the sight distance is skipped; grass kinds are not trees.
  RenderSnapshot.mainLeaves.distanceSq[0] = kSight * kSight;
  EXPECT_EQ(rendertest::SamplesPassed([] { DrawTrees(); }), 0u);
  RenderSnapshot.mainLeaves.distanceSq[0] = 0.0f;
  leaves_[0].vegetation.instances[15].clear();
  Plant(0, 3, 1.0f);
  EXPECT_EQ(rendertest::SamplesPassed([] { DrawTrees(); }), 0u);
}

TEST_F(RaceRenderFoliage, TreesSwayOnlyWithTicks) {
  Plant(0, 8, 1.0f);
  TreeWind1 = 0.0f;  // upright: the lean goes with the phase's sine
  FrameTiming.RenderTicks = 0.0f;
  const std::vector<uint8_t> a = Drawn(DrawTrees);
  EXPECT_EQ(TreeWind1, 0.0f);
  EXPECT_EQ(rendertest::ChangedPixels(a, Drawn(DrawTrees)), 0) << "no ticks, no sway";
  // A second of wind: the phase reaches about 1, the crown leans a few pixels over.
  FrameTiming.RenderTicks = 100.0f;
  EXPECT_GT(rendertest::ChangedPixels(a, Drawn(DrawTrees)), 0) << "the crown moves with the wind";
}

// Facing the sun from a unit above the origin: the marker lands mid-target.
class RaceRenderSunGlareDraw : public RaceRenderFoliage {
 protected:
  void SetUp() override {
    RaceRenderFoliage::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    RenderCamera.target = Vector3(25000.0f, 4500.0f, 25000.0f);
    RenderCamera.speedFactor = 0.0f;
    SunGlare = 0.0f;
    // The sprite's picture comes with the menu content, which this program never loads.
    if (TextureTable[30].name <= 0) {
      white_ = gltest::SolidTexture(255, 255, 255, 255);
      TextureTable[30].name = static_cast<int>(white_);
    }
  }
  void TearDown() override {
    if (white_) {
      TextureTable[30].name = -1;
      glDeleteTextures(1, &white_);
    }
    SunGlare = 0.0f;
    glClearDepth(1.0);
    RaceRenderFoliage::TearDown();
  }
  void DrawAgainst(double depth) {
    glClearDepth(depth);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    DrawSunGlare();
  }
  GLuint white_ = 0;
};

TEST_F(RaceRenderSunGlareDraw, TheLevelFollowsTheMarkerByRenderTicks) {
  FrameTiming.FrameTicks = 0.0f;
  FrameTiming.RenderTicks = 10.0f;
  DrawAgainst(1.0);
  EXPECT_FLOAT_EQ(SunGlare, 0.2f) << "seen: up by RenderTicks x 0.02";
  EXPECT_EQ(rendertest::LeftoverState(), "");
  EXPECT_EQ(FarDistance, ViewDistance);
  DrawAgainst(0.0);
  EXPECT_FLOAT_EQ(SunGlare, 0.1f) << "behind everything: down by RenderTicks x 0.01";
  FrameTiming.RenderTicks = 0.0f;
  DrawAgainst(1.0);
  EXPECT_FLOAT_EQ(SunGlare, 0.1f) << "a frame of no ticks";

  // Without its occlusion query the sun counts as hidden.
  const int query = Renderer.SunQuery;
  Renderer.SunQuery = -1;
  FrameTiming.RenderTicks = 10.0f;
  DrawAgainst(1.0);
  Renderer.SunQuery = query;
  EXPECT_EQ(SunGlare, 0.0f);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RaceRenderSunGlareDraw, AFullGlareBrightensTheFrameAndAPassLeftOutDoesNothing) {
  FrameTiming.RenderTicks = 1.0f;
  SunGlare = 1.0f;
  target_->Clear(0.1f, 0.1f, 0.1f, 0.0f);
  const std::vector<uint8_t> before = target_->Read();
  DrawAgainst(1.0);
  const std::vector<uint8_t> after = target_->Read();
  EXPECT_GT(rendertest::ChangedPixels(before, after), kSize * kSize / 10);
  // Alpha 0 everywhere: the marker itself added no red to the frame.
  std::snprintf(PassControl.skip[0], sizeof PassControl.skip[0], "glare");
  target_->Clear(0.1f, 0.1f, 0.1f, 0.0f);
  DrawAgainst(1.0);
  EXPECT_EQ(rendertest::ChangedPixels(before, target_->Read()), 0);
  EXPECT_EQ(SunGlare, 1.0f);
}

}  // namespace
