// The main race pass over a two-leaf world built in memory, drawn with the real
// programs and targets and read back from the frame texture. The camera looks straight
// down, so each layer's quads land where the test put them: screen right is world +x,
// screen up is world -z. Every layer has a texture of its own colour; where two layers
// cover the same ground at the same depth the later one shows, which gives the order.
//
// Rows of quads (world z), all in leaf 0 unless told:
//   A  z -5..5    road, landscape, main map, add_map, main_transparency, overlapping
//   B  z 9..17    add_map groups with a material index of -1, past the table, and a
//                 material whose texture is -1; add_map2's one group
//   C  z -17..-9  main_map groups with texture -1 and texture 0; add_map2 buckets past
//                 its group count; add_transparency
//   D  z 21..29   leaf 1, at exactly the add-on limit: main map and three add-on layers
//   E  z -29..-21 add_transparency2; a main_transparency group whose texels are all
//                 transparent
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/race_snapshot.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/milkshape.h"
#include "gfx/projection.h"
#include "gfx/renderer.h"
#include "race/car.h"
#include "race/scene_content.h"
#include "race/world_layers.h"
#include "race/wheel_trails.h"
#include "race/world_quadtree.h"
#include "render/layer_targets.h"
#include "render/listener.h"
#include "render/pass_control.h"
#include "render/race_scene.h"
#include "render/camera_state.h"
#include "render/ground_maps.h"
#include "render/shadow_view.h"
#include "render/texture_units.h"
#include "tests/render/race_render_support.h"

namespace {

using racerender::Rgb;

constexpr int kW = 320;
constexpr int kH = 240;
constexpr float kEyeHeight = 80.0f;
constexpr float kSight = 450.0f;  // add-ons fade from 230: none of the quads fades
constexpr float kFovY = 48.0f;  // the race projection at speed factor 0

// Material colours.
const Rgb kRed{230, 20, 20}, kGreen{20, 230, 20}, kBlue{20, 20, 230}, kYellow{230, 230, 20},
    kMagenta{230, 20, 230};

// What a sampled pixel shows, by which channels stand out.
enum class Seen { kBackground, kRed, kGreen, kBlue, kYellow, kMagenta, kCyan, kOther };

const char* Name(Seen s) {
  switch (s) {
    case Seen::kBackground: return "background";
    case Seen::kRed: return "red";
    case Seen::kGreen: return "green";
    case Seen::kBlue: return "blue";
    case Seen::kYellow: return "yellow";
    case Seen::kMagenta: return "magenta";
    case Seen::kCyan: return "cyan";
    default: return "other";
  }
}

// The frame where neither world nor sky was drawn: cleared to the fog colour.
constexpr float kFog = 0.5f;
bool IsBackground(const Rgb& c) {
  return std::abs(c.r - 128) <= 4 && std::abs(c.g - 128) <= 4 && std::abs(c.b - 128) <= 4;
}

Seen Classify(const Rgb& c) {
  if (IsBackground(c)) return Seen::kBackground;
  const int top = std::max(c.r, std::max(c.g, c.b));
  if (top < 60) return Seen::kOther;
  const bool r = c.r > top * 6 / 10, g = c.g > top * 6 / 10, b = c.b > top * 6 / 10;
  if (r && !g && !b) return Seen::kRed;
  if (!r && g && !b) return Seen::kGreen;
  if (!r && !g && b) return Seen::kBlue;
  if (r && g && !b) return Seen::kYellow;
  if (r && !g && b) return Seen::kMagenta;
  if (!r && g && b) return Seen::kCyan;
  return Seen::kOther;
}

GLuint Solid(const Rgb& c, uint8_t alpha = 255) {
  return gltest::SolidTexture(static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g), static_cast<uint8_t>(c.b),
                              alpha);
}

// Two triangles over the square, wound counter-clockwise seen from above.
void AddQuad(Mesh* mesh, float x0, float z0, float x1, float z1) {
  const float corners[2][3][2] = {{{x0, z0}, {x0, z1}, {x1, z1}}, {{x0, z0}, {x1, z1}, {x1, z0}}};
  for (const auto& tri : corners) {
    LeafTriangle t{};
    for (int c = 0; c < 3; ++c) {
      t.position[c][0] = tri[c][0];
      t.position[c][1] = 0.0f;
      t.position[c][2] = tri[c][1];
      t.normal[c][1] = 1.0f;
      t.texCoord[c][0] = tri[c][0] * 0.05f;
      t.texCoord[c][1] = tri[c][1] * 0.05f;
      t.texCoord2[c][0] = tri[c][0] * 0.01f;
      t.texCoord2[c][1] = tri[c][1] * 0.01f;
      t.tangent[c][0] = t.tangent2[c][0] = 1.0f;
      t.bitangent[c][2] = t.bitangent2[c][2] = 1.0f;
    }
    mesh->triangles.push_back(t);
  }
}

struct MaterialSpec {
  int texture;
  int alphaMap;
};

// A layer model with only what the pass reads: groups naming materials, materials
// naming textures.
std::unique_ptr<MilkshapeModel> LayerModel(const std::vector<int>& groupMaterials,
                                           const std::vector<MaterialSpec>& materials) {
  auto m = std::make_unique<MilkshapeModel>();
  m->groupCount = static_cast<int>(groupMaterials.size());
  m->groups = new ModelGroup[groupMaterials.size() ? groupMaterials.size() : 1];
  for (size_t g = 0; g < groupMaterials.size(); ++g) m->groups[g].materialIndex = groupMaterials[g];
  m->materialCount = static_cast<int>(materials.size());
  m->materials = new ModelMaterial[materials.size() ? materials.size() : 1]();
  for (size_t i = 0; i < materials.size(); ++i) {
    m->materials[i].texture = materials[i].texture;
    m->materials[i].alphaMap = materials[i].alphaMap;
  }
  return m;
}

struct Expect {
  float x, z;
  Seen seen;
  const char* why;
};

class RaceRenderWorld : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    if (IsSkipped()) return;
    std::string why;
    if (!racerender::StartRenderer(kW, kH, &why)) GTEST_SKIP() << why;
    ViewDistance = kSight;
    for (int i = 0; i < 3; ++i) Lighting.fogColour[i] = kFog;
    Settings.antiAliasing = 0;
    Settings.screenTextureMainPass = 0;
    // As at a race's start: fresh texture memory in the shadow map would shade
    // whatever the light's matrices map into it.
    ClearShadowMap();
    MakeTextures();
    MakeModels();
    BuildGroundMaps();  // as the race load makes them
    MakeLeaves();
    PlaceCamera();
  }

  void TearDown() override {
    if (!models_[0]) return;
    ForgetGroundMaps();
    for (auto& m : models_) {
      for (int i = 0; m && i < m->materialCount; ++i) m->materials[i].texture = m->materials[i].alphaMap = -1;
    }
    for (MilkshapeModel*& m : WorldLayers.render) m = nullptr;
    WorldLeaves = nullptr;
    WorldLeafCount = 0;
    RenderSnapshot.mainLeaves.count = 0;
    for (Texture* t : {&SharedSceneTextures[0], &SharedSceneTextures[1]}) t->name = -1;
    for (Texture& t : LandscapeTextures) t.name = -1;
    glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
  }

  GLuint Keep(GLuint t) {
    textures_.push_back(t);
    return t;
  }

  void MakeTextures() {
    red_ = Keep(Solid(kRed));
    green_ = Keep(Solid(kGreen));
    blue_ = Keep(Solid(kBlue));
    yellow_ = Keep(Solid(kYellow));
    magenta_ = Keep(Solid(kMagenta));
    clearLeaves_ = Keep(Solid(kGreen, 0));
    white_ = Keep(gltest::SolidTexture(255, 255, 255, 255));
    // The landscape maps: mid-grey ground, flat normal maps.
    const GLuint grey = Keep(gltest::SolidTexture(128, 128, 128, 255));
    const GLuint flat = Keep(gltest::SolidTexture(128, 128, 255, 255));
    for (int i = 0; i < kLandscapeTextureCount; ++i) LandscapeTextures[i].name = static_cast<int>(i < 5 ? grey : flat);
    SharedSceneTextures[0].name = static_cast<int>(Keep(gltest::SolidTexture(90, 150, 230, 255)));
    SharedSceneTextures[1].name = static_cast<int>(Keep(gltest::SolidTexture(200, 200, 210, 255)));
  }

  int T(GLuint t) const { return static_cast<int>(t); }

  void MakeModels() {
    models_[kLayerMainRoad] = LayerModel({0}, {{T(red_), T(white_)}});
    models_[kLayerMainLandscape] = LayerModel({0}, {{T(green_), -1}});
    // main_map's table, which add_map borrows: blue, texture -1, texture 0, yellow.
    models_[kLayerMainMap] = LayerModel({0, 1, 2}, {{T(blue_), -1}, {-1, -1}, {0, -1}, {T(yellow_), -1}});
    // Groups: 0 magenta, 1 all transparent. add_transparency(2) borrow from it.
    models_[kLayerMainTransparency] = LayerModel({0, 1}, {{T(magenta_), -1}, {T(clearLeaves_), -1}});
    // add_map: yellow, index -1, index past main_map's four, the material with texture -1.
    // Its own table holds red, which must never be used.
    models_[kLayerAddMap] = LayerModel({3, -1, 4, 1}, {{T(red_), -1}, {T(red_), -1}, {T(red_), -1}, {T(red_), -1},
                                                       {T(red_), -1}});
    models_[kLayerAddMap2] = LayerModel({0}, {{T(red_), -1}});
    models_[kLayerAddTransparency] = LayerModel({0}, {{T(red_), -1}});
    // Index 7 is past main_transparency's table: the magenta bound before stays.
    models_[kLayerAddTransparency2] = LayerModel({7}, {{T(red_), -1}});
    models_[kLayerShadows] = LayerModel({}, {});
    models_[kLayerReflections] = LayerModel({}, {});
    for (int k = 0; k < kRenderLayerCount; ++k) WorldLayers.render[k] = models_[k].get();
  }

  void MakeLeaves() {
    leaves_.assign(2, QuadTreeList());
    for (QuadTreeList& leaf : leaves_)
      for (int k = 0; k < kRenderLayerCount; ++k) leaf.layers[k].resize(static_cast<size_t>(models_[k]->groupCount));
    QuadTreeList& near = leaves_[0];
    // Row A: the layer order.
    AddQuad(&near.layers[kLayerMainRoad][0], -40, -5, -16, 5);
    AddQuad(&near.layers[kLayerMainLandscape][0], -28, -5, -4, 5);
    AddQuad(&near.layers[kLayerMainMap][0], -16, -5, 8, 5);
    AddQuad(&near.layers[kLayerAddMap][0], -4, -5, 20, 5);
    AddQuad(&near.layers[kLayerMainTransparency][0], 8, -5, 32, 5);
    // Row B: add_map's bad materials and add_map2's one group.
    AddQuad(&near.layers[kLayerAddMap][1], -40, 9, -26, 17);
    AddQuad(&near.layers[kLayerAddMap][2], -22, 9, -8, 17);
    AddQuad(&near.layers[kLayerAddMap][3], -4, 9, 10, 17);
    AddQuad(&near.layers[kLayerAddMap2][0], 14, 9, 28, 17);
    // Row C: main_map's nameless textures; add_map2 buckets past its model's one group
    // (a leaf that disagrees with its model must not reach past the model); the
    // add-on foliage.
    AddQuad(&near.layers[kLayerMainMap][1], -40, -17, -26, -9);
    AddQuad(&near.layers[kLayerMainMap][2], -22, -17, -8, -9);
    near.layers[kLayerAddMap2].resize(3);
    AddQuad(&near.layers[kLayerAddMap2][1], -4, -17, 10, -9);
    AddQuad(&near.layers[kLayerAddMap2][2], -4, -17, 10, -9);
    AddQuad(&near.layers[kLayerAddTransparency][0], 14, -17, 28, -9);
    // Row E.
    AddQuad(&near.layers[kLayerAddTransparency2][0], -40, -29, -26, -21);
    AddQuad(&near.layers[kLayerMainTransparency][1], -22, -29, -8, -21);
    // Row D: leaf 1 at the add-on limit.
    QuadTreeList& far = leaves_[1];
    AddQuad(&far.layers[kLayerMainMap][0], -40, 21, -26, 29);
    AddQuad(&far.layers[kLayerAddMap][0], -22, 21, -8, 29);
    AddQuad(&far.layers[kLayerAddTransparency][0], -4, 21, 10, 29);
    AddQuad(&far.layers[kLayerAddTransparency2][0], 14, 21, 28, 29);

    WorldLeaves = leaves_.data();
    WorldLeafCount = 2;
    LeafList& list = RenderSnapshot.mainLeaves;
    list.count = 2;
    list.leaf[0] = 0;
    list.distanceSq[0] = 0.0f;
    list.leaf[1] = 1;
    list.distanceSq[1] = (kSight - 100.0f) * (kSight - 100.0f);
  }

  void PlaceCamera() {
    RenderCamera.eye = Vector3(0.0f, kEyeHeight, 0.0f);
    RenderCamera.target = Vector3(0.0f, 0.0f, 0.0f);
    RenderCamera.up = Vector3(0.0f, 0.0f, -1.0f);
    RenderCamera.speedFactor = 0.0f;
    RenderCarRows[0].matrix.SetIdentity();
    RenderSnapshot.sunProjection.SetIdentity();
    RenderSnapshot.sunView.SetIdentity();
  }

  // One race frame's set-up as RenderRaceFrame makes it, then the pass.
  std::vector<uint8_t> Draw() {
    glLoadIdentity();
    FarDistance = ViewDistance;
    SetPerspective(Settings.screenWidth, Settings.screenHeight);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    PlaceCameraAndListener(0, 1);
    CaptureViewMatrices();
    DrawRaceScene();
    return racerender::ReadRectangle(Renderer.targets.SceneTextures[0], kW, kH);
  }

  // The pixel under world point (x, 0, z), averaged over a 3 x 3 patch.
  static Seen At(const std::vector<uint8_t>& px, float x, float z) {
    const float halfH = kEyeHeight * std::tan(kFovY * 0.5f * 3.14159265f / 180.0f);
    const float halfW = halfH * kW / kH;
    const int cx = static_cast<int>(kW * 0.5f + x / halfW * kW * 0.5f);
    const int cy = static_cast<int>(kH * 0.5f - z / halfH * kH * 0.5f);
    return Classify(racerender::MeanColour(px, kW, cx - 1, cy - 1, cx + 2, cy + 2));
  }

  static void ExpectSeen(const std::vector<uint8_t>& px, const std::vector<Expect>& list) {
    for (const Expect& e : list)
      EXPECT_STREQ(Name(At(px, e.x, e.z)), Name(e.seen)) << "at (" << e.x << ", " << e.z << "): " << e.why;
  }

  std::unique_ptr<MilkshapeModel> models_[kRenderLayerCount];
  std::vector<QuadTreeList> leaves_;
  std::vector<GLuint> textures_;
  GLuint red_ = 0, green_ = 0, blue_ = 0, yellow_ = 0, magenta_ = 0, clearLeaves_ = 0, white_ = 0;
};

const std::vector<Expect>& LayerOrder() {
  static const std::vector<Expect> e = {
      {-36, 0, Seen::kRed, "road alone"},
      {-22, 0, Seen::kGreen, "landscape over road"},
      {-10, 0, Seen::kBlue, "main map over landscape"},
      {2, 0, Seen::kYellow, "layer B (add_map) composed over layer A"},
      {14, 0, Seen::kMagenta, "foliage drawn into the frame after the composite"},
      {26, 0, Seen::kMagenta, "foliage alone"},
      {38, 0, Seen::kBackground, "nothing there"},
  };
  return e;
}

TEST_F(RaceRenderWorld, LayersStackInTheirOrder) {
  const std::vector<uint8_t> px = Draw();
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  racerender::SavePng("race_scene_world", kW, kH, px);
  ExpectSeen(px, LayerOrder());
}

// The dust layer's target keeps a colour put there before the frame unless the layer
// clears it for its particles.
bool DustTargetUntouched() {
  const GLuint dust = Renderer.targets.SceneTextures[4];
  const Rgb c = racerender::PixelAt(racerender::ReadRectangle(dust, kW, kH), kW, kW / 2, kH / 2);
  return c.r == 255 && c.g == 0 && c.b == 255;
}

void MarkDustTarget() {
  BindPassFramebuffer(Renderer.targets.SceneTextures[4], 0);
  glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

TEST_F(RaceRenderWorld, TheDustLayerRunsOnlyWithALiveParticle) {
  const std::vector<uint8_t> off = Draw();
  Settings.screenTextureMainPass = 1;
  MarkDustTarget();
  const std::vector<uint8_t> empty = Draw();
  const bool emptySkipped = DustTargetUntouched();
  // One particle far off to the side: the layer runs, though nothing of it shows here.
  WheelDust& d = WheelDustStore[2][1][50];
  d.active = 1;
  d.position = {5000.0f, 0.0f, 5000.0f, 0.0f};
  MarkDustTarget();
  Draw();
  const bool liveSkipped = DustTargetUntouched();
  d = WheelDust();
  Settings.screenTextureMainPass = 0;
  EXPECT_TRUE(emptySkipped) << "no particle: no dust target, blurs or composite quad";
  EXPECT_TRUE(empty == off) << "and the same picture as with the layer off";
  EXPECT_FALSE(liveSkipped);
}

TEST_F(RaceRenderWorld, BorrowedMaterialsOutsideTheTableBindNothing) {
  const std::vector<uint8_t> px = Draw();
  ExpectSeen(px, {
                     {-33, 13, Seen::kYellow, "material index -1: add_map's yellow stays bound"},
                     {-15, 13, Seen::kYellow, "index past main_map's table"},
                     {3, 13, Seen::kYellow, "main_map material with texture -1"},
                     {21, 13, Seen::kYellow, "add_map2 drawn with add_map's group 0 material"},
                     {21, -13, Seen::kMagenta, "add_transparency from main_transparency's table"},
                     {-33, -25, Seen::kMagenta, "add_transparency2 past the table keeps the binding"},
                 });
}

TEST_F(RaceRenderWorld, NamelessTexturesKeepTheBindingInsteadOfSamplingBlack) {
  const std::vector<uint8_t> px = Draw();
  ExpectSeen(px, {
                     {-33, -13, Seen::kBlue, "texture -1 keeps group 0's blue"},
                     {-15, -13, Seen::kBlue, "texture 0 keeps group 0's blue"},
                 });
}

TEST_F(RaceRenderWorld, Addmap2BucketsPastItsGroupCountAreNotDrawn) {
  const std::vector<uint8_t> px = Draw();
  ExpectSeen(px, {{3, -13, Seen::kBackground, "add_map2 has one group; buckets 1 and 2 are not its"}});
}

TEST_F(RaceRenderWorld, LeafAtTheAddOnLimitGetsNoAddOnGeometry) {
  std::vector<uint8_t> px = Draw();
  ExpectSeen(px, {
                     {-33, 25, Seen::kBlue, "main layers take every visible leaf"},
                     {-15, 25, Seen::kBackground, "add_map"},
                     {3, 25, Seen::kBackground, "add_transparency"},
                     {21, 25, Seen::kBackground, "add_transparency2"},
                 });
  // Just inside the limit every add-on layer draws.
  RenderSnapshot.mainLeaves.distanceSq[1] = std::nextafter(RenderSnapshot.mainLeaves.distanceSq[1], 0.0f);
  px = Draw();
  ExpectSeen(px, {
                     {-15, 25, Seen::kYellow, "add_map"},
                     {3, 25, Seen::kMagenta, "add_transparency"},
                     {21, 25, Seen::kMagenta, "add_transparency2"},
                 });
}

TEST_F(RaceRenderWorld, TransparentFoliageTexelsAreCutOutOnASingleSampleTarget) {
  ASSERT_FALSE(SceneIsMultisampled());
  const std::vector<uint8_t> px = Draw();
  // Alpha-to-coverage on one sample would keep every fragment: a solid green quad.
  ExpectSeen(px, {{-15, -25, Seen::kBackground, "all-transparent leaves"}});
}

TEST_F(RaceRenderWorld, AntiAliasingSettingWithoutTheMultisamplePairDrawsTheSame) {
  const std::vector<uint8_t> plain = Draw();
  Settings.antiAliasing = 8;
  ASSERT_EQ(Renderer.targets.multisampleSamples, 0);
  const std::vector<uint8_t> asked = Draw();
  Settings.antiAliasing = 0;
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  ExpectSeen(asked, LayerOrder());
  EXPECT_TRUE(asked == plain) << "the setting alone must change nothing";
}

TEST_F(RaceRenderWorld, MultisamplePairResolvesIntoTheSameLayers) {
  if (MaxSamples < 2 || !GlExt.glRenderbufferStorageMultisampleEXT || !GlExt.glBlitFramebufferEXT)
    GTEST_SKIP() << "the driver has no multisampled renderbuffers or blits";
  RenderTargets& t = Renderer.targets;
  const int samples = MaxSamples < 4 ? MaxSamples : 4;
  GLuint buffers[2] = {0, 0};
  GlExt.glGenRenderbuffersEXT(2, buffers);
  GlExt.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, buffers[0]);
  GlExt.glRenderbufferStorageMultisampleEXT(GL_RENDERBUFFER_EXT, samples, GL_RGBA8, kW, kH);
  GlExt.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, buffers[1]);
  GlExt.glRenderbufferStorageMultisampleEXT(GL_RENDERBUFFER_EXT, samples, GL_DEPTH_COMPONENT24, kW, kH);
  t.MultisampleColourBuffer = buffers[0];
  t.MultisampleDepthBuffer = buffers[1];
  t.multisampleSamples = samples;
  const std::vector<uint8_t> px = Draw();
  const GLboolean coverageAfter = glIsEnabled(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB);
  t.MultisampleColourBuffer = t.MultisampleDepthBuffer = 0;
  t.multisampleSamples = 0;
  GlExt.glDeleteRenderbuffersEXT(2, buffers);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  racerender::SavePng("race_scene_world_msaa", kW, kH, px);
  ExpectSeen(px, LayerOrder());
  ExpectSeen(px, {{-15, -25, Seen::kBackground, "alpha-to-coverage drops all-transparent leaves"},
                  {-15, 25, Seen::kBackground, "add_map at the limit"}});
  EXPECT_FALSE(coverageAfter) << "coverage stays on only through the alpha-tested draws";
}

// A driver with fewer fixed-function units (as few as 4 elsewhere) gets no enable or
// texture matrix past them, and the programs still sample every unit they name.
TEST_F(RaceRenderWorld, FewerFixedFunctionUnitsDrawTheSame) {
  const std::vector<uint8_t> full = Draw();
  const int units = MaxTextureUnits;
  MaxTextureUnits = 4;
  UnitTexturing(5, GL_TEXTURE_2D, true);
  GLboolean fifth = GL_TRUE;
  GlExt.glActiveTextureARB(GL_TEXTURE5_ARB);
  fifth = glIsEnabled(GL_TEXTURE_2D);
  UnitTexturing(3, GL_TEXTURE_2D, true);
  const GLboolean fourth = glIsEnabled(GL_TEXTURE_2D);
  UnitTexturing(3, GL_TEXTURE_2D, false);
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
  const std::vector<uint8_t> few = Draw();
  MaxTextureUnits = units;
  EXPECT_FALSE(fifth) << "unit 5 is past a 4-unit driver's fixed-function units";
  EXPECT_TRUE(fourth);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  ExpectSeen(few, LayerOrder());
  EXPECT_TRUE(few == full);
}

// The race tools' hold: one world layer drawn alone, the sky left out.
TEST_F(RaceRenderWorld, ToolsDrawOneLayerAloneAndLeaveTheSkyOut) {
  std::strcpy(PassControl.only, "main_landscape");
  std::vector<uint8_t> px = Draw();
  PassControl.only[0] = '\0';
  ExpectSeen(px, {
                     {-36, 0, Seen::kBackground, "road left out"},
                     {-22, 0, Seen::kGreen, "landscape alone"},
                     {-10, 0, Seen::kGreen, "no main map over it"},
                     {2, 0, Seen::kBackground, "no add_map"},
                     {26, 0, Seen::kBackground, "no foliage"},
                 });
  std::strcpy(PassControl.skip[0], "sky");
  RenderSnapshot.mainLeaves.count = 0;
  RenderCamera.eye = Vector3(0.0f, 2.0f, 0.0f);
  RenderCamera.target = Vector3(0.0f, 2.0f, -10.0f);
  RenderCamera.up = Vector3(0.0f, 1.0f, 0.0f);
  px = Draw();
  PassControl.skip[0][0] = '\0';
  EXPECT_TRUE(IsBackground(racerender::MeanColour(px, kW, 0, kH - 20, kW, kH))) << "no sky drawn";
}

TEST_F(RaceRenderWorld, EmptyListShowsTheSkyOnly) {
  RenderSnapshot.mainLeaves.count = 0;
  // Standing on the ground looking along -z: sky above the horizon, the horizon band
  // just below it, nothing under the band.
  RenderCamera.eye = Vector3(0.0f, 2.0f, 0.0f);
  RenderCamera.target = Vector3(0.0f, 2.0f, -10.0f);
  RenderCamera.up = Vector3(0.0f, 1.0f, 0.0f);
  const std::vector<uint8_t> px = Draw();
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  racerender::SavePng("race_scene_empty", kW, kH, px);
  const Rgb sky = racerender::MeanColour(px, kW, 0, kH - 20, kW, kH);
  EXPECT_NEAR(sky.r, 90, 4);
  EXPECT_NEAR(sky.g, 150, 4);
  EXPECT_NEAR(sky.b, 230, 4);
  // The band runs from the ground (y -500 under the car, 4000 out) up to y 0.
  const Rgb band = racerender::MeanColour(px, kW, 0, kH / 2 - 8, kW, kH / 2 - 4);
  EXPECT_NEAR(band.r, 200, 4);
  EXPECT_NEAR(band.b, 210, 4);
  EXPECT_TRUE(IsBackground(racerender::MeanColour(px, kW, 0, 0, kW, 20))) << "no floor under the sky";
  for (int y = 0; y < kH; y += 4)
    for (int x = 0; x < kW; x += 4) {
      const Seen s = Classify(racerender::PixelAt(px, kW, x, y));
      ASSERT_TRUE(s != Seen::kRed && s != Seen::kGreen && s != Seen::kYellow && s != Seen::kMagenta)
          << "world colour " << Name(s) << " at " << x << ", " << y;
    }
}

TEST_F(RaceRenderWorld, PassLeavesTheDocumentedState) {
  // A depth buffer of another size left on the shared framebuffer must not clip the pass.
  BindPassFramebuffer(Renderer.targets.SceneTextures[1], Renderer.targets.CubeDepthBuffer);
  ViewDistance = 600.0f;
  RenderSnapshot.mainLeaves.distanceSq[1] = 500.0f * 500.0f;
  const std::vector<uint8_t> px = Draw();
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  ExpectSeen(px, LayerOrder());
  ExpectSeen(px, {{21, 25, Seen::kBackground, "leaf 1 at 600 - 100 still gets no add-ons"}});
  EXPECT_FLOAT_EQ(FarDistance, 600.0f);
  GLint v = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &v);
  EXPECT_EQ(static_cast<GLuint>(v), Renderer.targets.PassFramebuffer);
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &v);
  EXPECT_EQ(v, GL_TEXTURE0_ARB);
  glGetIntegerv(GL_CURRENT_PROGRAM, &v);
  EXPECT_EQ(v, 0);
  glGetIntegerv(GL_MATRIX_MODE, &v);
  EXPECT_EQ(v, GL_MODELVIEW);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_RECTANGLE_ARB));
  EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  GLboolean mask[4] = {};
  glGetBooleanv(GL_COLOR_WRITEMASK, mask);
  EXPECT_TRUE(mask[0] && mask[1] && mask[2] && mask[3]);
  // No fixed-function texturing left on past unit 0.
  for (int unit = 1; unit < MaxTextureUnits; ++unit) {
    GlExt.glActiveTextureARB(static_cast<GLenum>(GL_TEXTURE0_ARB + unit));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "unit " << unit;
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_3D)) << "unit " << unit;
  }
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
  // The shadow unit's texture matrix is back to identity.
  GlExt.glActiveTextureARB(GL_TEXTURE1_ARB);
  GLfloat m[16];
  glGetFloatv(GL_TEXTURE_MATRIX, m);
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
}

}  // namespace
