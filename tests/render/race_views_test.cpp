// The view passes drawn into their own targets with the real programs: the environment
// cube map, the sun's shadow map and the water's reflection and surface, over a
// one-leaf world built in memory. Where a pass put a layer's quad is found through the
// matrices the pass itself drew with, so the tests judge what landed where, not how.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/race_cameras.h"
#include "app/race_snapshot.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/milkshape.h"
#include "gfx/renderer.h"
#include "gfx/texture.h"
#include "race/car.h"
#include "race/city_objects.h"
#include "race/scene_content.h"
#include "race/world_layers.h"
#include "race/world_quadtree.h"
#include "render/camera_state.h"
#include "render/cube_map.h"
#include "render/layer_targets.h"
#include "render/shadow_maps.h"
#include "render/shadow_view.h"
#include "render/water.h"
#include "tests/render/race_render_support.h"
#include "tests/render/render_gl.h"

// GLX's entry-point lookup, declared alone: its header's X11 macros break GoogleTest's.
extern "C" void (*glXGetProcAddressARB(const GLubyte* name))();

namespace {

using racerender::Rgb;

constexpr int kW = 320;
constexpr int kH = 240;
constexpr int kFace = kCubeFaceSize;

// Which channel stands out, with "grey" for none.
char Hue(const Rgb& c) {
  const int top = std::max(c.r, std::max(c.g, c.b));
  if (top < 40) return 'k';
  const bool r = c.r > top * 6 / 10, g = c.g > top * 6 / 10, b = c.b > top * 6 / 10;
  if (r && g && b) return 'w';
  if (r && g) return 'y';
  if (r && b) return 'm';
  if (g && b) return 'c';
  return r ? 'r' : g ? 'g' : 'b';
}

// The horizontal square at height y, wound both ways: the passes see it from below,
// some of them with back faces culled.
void AddQuad(Mesh* mesh, float x0, float z0, float x1, float z1, float y) {
  const float corners[4][3][2] = {{{x0, z0}, {x0, z1}, {x1, z1}},
                                  {{x0, z0}, {x1, z1}, {x1, z0}},
                                  {{x0, z0}, {x1, z1}, {x0, z1}},
                                  {{x0, z0}, {x1, z0}, {x1, z1}}};
  for (const auto& tri : corners) {
    LeafTriangle t{};
    for (int c = 0; c < 3; ++c) {
      t.position[c][0] = tri[c][0];
      t.position[c][1] = y;
      t.position[c][2] = tri[c][1];
      t.normal[c][1] = -1.0f;
      t.texCoord[c][0] = 0.5f;
      t.texCoord[c][1] = 0.5f;
    }
    mesh->triangles.push_back(t);
  }
}

std::unique_ptr<MilkshapeModel> LayerModel(const std::vector<int>& groupMaterials, const std::vector<int>& textures) {
  auto m = std::make_unique<MilkshapeModel>();
  m->groupCount = static_cast<int>(groupMaterials.size());
  m->groups = new ModelGroup[groupMaterials.empty() ? 1 : groupMaterials.size()];
  for (size_t g = 0; g < groupMaterials.size(); ++g) m->groups[g].materialIndex = groupMaterials[g];
  m->materialCount = static_cast<int>(textures.size());
  m->materials = new ModelMaterial[textures.empty() ? 1 : textures.size()]();
  for (size_t i = 0; i < textures.size(); ++i) {
    m->materials[i].texture = textures[i];
    m->materials[i].alphaMap = -1;
  }
  return m;
}

// Where (x, y, z) lands in a size x size target drawn with these matrices.
bool Project(const Matrix4& projection, const Matrix4& modelview, float x, float y, float z, int size, int* px,
             int* py) {
  const Vector3 e = modelview.TransformPoint(x, y, z);
  float clip[4];
  for (int r = 0; r < 4; ++r)
    clip[r] = projection.m[r] * e.x + projection.m[4 + r] * e.y + projection.m[8 + r] * e.z + projection.m[12 + r];
  if (!(clip[3] > 0.0f)) return false;
  *px = static_cast<int>((clip[0] / clip[3] * 0.5f + 0.5f) * size);
  *py = static_cast<int>((clip[1] / clip[3] * 0.5f + 0.5f) * size);
  return *px >= 1 && *py >= 1 && *px < size - 1 && *py < size - 1;
}

std::vector<uint8_t> ReadTexture2D(GLenum target, GLuint texture, GLenum bindTarget, int size) {
  std::vector<uint8_t> px(static_cast<size_t>(size) * size * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glBindTexture(bindTarget, texture);
  glGetTexImage(target, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  glBindTexture(bindTarget, 0);
  return px;
}

std::vector<uint8_t> ReadFace(int face) {
  const RenderTargets& t = Renderer.targets;
  return ReadTexture2D(t.CubeFaceTargets[face], t.EnvironmentCubeMap, GL_TEXTURE_CUBE_MAP, kFace);
}

void FillFaces(uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> texels(static_cast<size_t>(kFace) * kFace * 3);
  for (size_t i = 0; i < texels.size(); i += 3) texels[i] = r, texels[i + 1] = g, texels[i + 2] = b;
  const RenderTargets& t = Renderer.targets;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_CUBE_MAP, t.EnvironmentCubeMap);
  for (GLenum face : t.CubeFaceTargets)
    glTexSubImage2D(face, 0, 0, 0, kFace, kFace, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}

// Faces still wholly the fill colour (255, 0, 255): the ones the call did not draw.
std::string DrawnFaces() {
  std::string drawn;
  for (int k = 0; k < 6; ++k) {
    const std::vector<uint8_t> px = ReadFace(k);
    bool untouched = true;
    for (size_t i = 0; i < px.size() && untouched; i += 4) untouched = px[i] == 255 && px[i + 1] == 0 && px[i + 2] == 255;
    if (!untouched) drawn += static_cast<char>('0' + k);
  }
  return drawn;
}

class RaceRenderViews : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    if (IsSkipped()) return;
    std::string why;
    if (!racerender::StartRenderer(kW, kH, &why)) GTEST_SKIP() << why;
    ViewDistance = 300.0f;
    Settings.shadowDetail = 1;
    for (GLuint* t : {&red_, &green_, &blue_, &yellow_, &magenta_, &clear_}) *t = 0;
    red_ = Keep(gltest::SolidTexture(230, 20, 20, 255));
    green_ = Keep(gltest::SolidTexture(20, 230, 20, 255));
    blue_ = Keep(gltest::SolidTexture(20, 20, 230, 255));
    yellow_ = Keep(gltest::SolidTexture(230, 230, 20, 255));
    magenta_ = Keep(gltest::SolidTexture(230, 20, 230, 255));
    clear_ = Keep(gltest::SolidTexture(230, 20, 20, 0));
    // A grey sky box: whatever the faces show of it is no hue of the quads.
    for (Texture* t : {&SharedSceneTextures[0], &SharedSceneTextures[1]})
      t->name = static_cast<int>(Keep(gltest::SolidTexture(128, 128, 128, 255)));
    savedDefault_ = TextureTable[67].name;
    TextureTable[67].name = T(yellow_);
    RenderCarRows[0].matrix.SetIdentity();
    leaves_.assign(1, QuadTreeList());
    WorldLeaves = leaves_.data();
    WorldLeafCount = 1;
    for (LeafList* l : {&RenderSnapshot.sunLeaves, &RenderSnapshot.mainLeaves}) l->count = 0;
    for (LeafList& l : RenderSnapshot.sliceLeaves) {
      l.count = 1;
      l.leaf[0] = 0;
    }
  }

  void TearDown() override {
    for (MilkshapeModel*& m : WorldLayers.render) m = nullptr;
    WorldLeaves = nullptr;
    WorldLeafCount = 0;
    for (LeafList& l : RenderSnapshot.sliceLeaves) l.count = 0;
    RenderSnapshot.sunLeaves.count = 0;
    TextureTable[67].name = savedDefault_;
    for (Texture* t : {&SharedSceneTextures[0], &SharedSceneTextures[1]}) t->name = -1;
    for (auto& m : models_)
      for (int i = 0; m && i < m->materialCount; ++i) m->materials[i].texture = -1;
    if (!textures_.empty()) glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
  }

  GLuint Keep(GLuint t) {
    textures_.push_back(t);
    return t;
  }
  static int T(GLuint t) { return static_cast<int>(t); }

  void SetLayer(int k, std::unique_ptr<MilkshapeModel> m) {
    models_[k] = std::move(m);
    WorldLayers.render[k] = models_[k].get();
    leaves_[0].layers[k].resize(static_cast<size_t>(models_[k]->groupCount));
  }

  std::unique_ptr<MilkshapeModel> models_[kRenderLayerCount];
  std::vector<QuadTreeList> leaves_;
  std::vector<GLuint> textures_;
  GLuint red_, green_, blue_, yellow_, magenta_, clear_;
  int savedDefault_ = -1;
};

// An identity render matrix puts the eye at the origin looking along +x: face 2 (+Y)
// looks straight up at the ceiling of quads.
constexpr float kCeiling = 10.0f;
const float kCells[6][2] = {{-5, -3}, {0, -3}, {5, -3}, {-5, 3}, {0, 3}, {5, 3}};

TEST_F(RaceRenderViews, CubeFacesBindOnlyMaterialsTheBorrowedTableHolds) {
  // main_map: blue, texture -1, texture 0, green. add_map takes main_map's table by its
  // own groups' indices (-1, past the table, -1's material, 0's material, green); its
  // own table is all red and must never show.
  SetLayer(kLayerMainMap, LayerModel({0}, {T(blue_), -1, 0, T(green_)}));
  SetLayer(kLayerAddMap, LayerModel({-1, 9, 1, 2, 3}, {T(red_), T(red_), T(red_), T(red_)}));
  SetLayer(kLayerAddMap2, LayerModel({}, {}));
  SetLayer(kLayerMainTransparency, LayerModel({0}, {T(magenta_)}));
  SetLayer(kLayerAddTransparency, LayerModel({4}, {T(red_)}));
  AddQuad(&leaves_[0].layers[kLayerMainMap][0], -6.5f, -4.5f, -3.5f, -1.5f, kCeiling);
  for (int g = 0; g < 5; ++g) {
    const float* c = kCells[g + 1];
    AddQuad(&leaves_[0].layers[kLayerAddMap][static_cast<size_t>(g)], c[0] - 1.5f, c[1] - 1.5f, c[0] + 1.5f,
            c[1] + 1.5f, kCeiling);
  }
  AddQuad(&leaves_[0].layers[kLayerMainTransparency][0], -1, 7, 1, 9, kCeiling);
  AddQuad(&leaves_[0].layers[kLayerAddTransparency][0], 4, 7, 6, 9, kCeiling);
  Settings.reflectionQuality = 2;
  CubeMapFace = 1;  // the call's first face is then +Y
  gltest::TakeGlError();
  RenderCubeMap(1);
  // The one-float call on the vec3 matDiffuse would leave GL_INVALID_OPERATION here.
  EXPECT_STREQ(gltest::GlErrorName(gltest::TakeGlError()), "GL_NO_ERROR");

  Matrix4 projection, view;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(90.0, 1.0, 0.05, 55.0);
  glGetFloatv(GL_PROJECTION_MATRIX, projection.m);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glMultMatrixf(CubeFaceRotation(2).m);
  gluLookAt(0, 0, 0, 1, 0, 0, 0, 1, 0);
  glGetFloatv(GL_MODELVIEW_MATRIX, view.m);
  glLoadIdentity();

  const std::vector<uint8_t> px = ReadFace(2);
  racerender::SavePng("race_views_cube_up", kFace, kFace, px);
  const char* want = "bbbbbg";
  const char* why[6] = {"main_map's own blue", "index -1 keeps the blue", "index past the table keeps it",
                        "texture -1 keeps it", "texture 0 keeps it", "main_map's green by add_map's index 3"};
  for (int i = 0; i < 6; ++i) {
    int x = 0, y = 0;
    ASSERT_TRUE(Project(projection, view, kCells[i][0], kCeiling, kCells[i][1], kFace, &x, &y)) << i;
    EXPECT_EQ(Hue(racerender::MeanColour(px, kFace, x - 1, y - 1, x + 2, y + 2)), want[i]) << why[i];
  }
  for (float cx : {0.0f, 5.0f}) {
    int x = 0, y = 0;
    ASSERT_TRUE(Project(projection, view, cx, kCeiling, 8.0f, kFace, &x, &y));
    EXPECT_EQ(Hue(racerender::MeanColour(px, kFace, x - 1, y - 1, x + 2, y + 2)), 'm')
        << "foliage at x " << cx << ": add_transparency borrows main_transparency's magenta";
  }
}

TEST_F(RaceRenderViews, CubeFacesTurnInOrderByQualityAndPlace) {
  for (int k : {kLayerMainMap, kLayerAddMap, kLayerAddMap2, kLayerMainTransparency, kLayerAddTransparency})
    SetLayer(k, LayerModel({}, {}));
  struct Case {
    int flag, quality, start;
    const char* drawn;
    int end;
    uint8_t refreshAfter;
  };
  const Case cases[] = {
      {1, 0, 4, "012345", 4, 0}, {1, 1, 4, "015", 1, 1}, {1, 1, 1, "234", 4, 1}, {1, 2, 0, "012345", 0, 1},
      {0, 0, 5, "0", 0, 1},      {0, 1, 2, "3", 3, 1},    {0, 2, 5, "01", 1, 1},
  };
  RenderCamera.viewDirection = Vector3(0.0f, 0.0f, 1.0f);
  RenderCamera.rawUp = Vector3(0.0f, 1.0f, 0.0f);
  for (const Case& c : cases) {
    Settings.reflectionQuality = c.quality;
    CubeMapFace = c.start;
    CubeMapRefresh = 1;
    FillFaces(255, 0, 255);
    RenderCubeMap(c.flag);
    const std::string where = std::string(c.flag ? "race" : "garage") + " quality " + std::to_string(c.quality) +
                              " from face " + std::to_string(c.start);
    EXPECT_EQ(DrawnFaces(), c.drawn) << where;
    EXPECT_EQ(CubeMapFace, c.end) << where;
    EXPECT_EQ(CubeMapRefresh, c.refreshAfter) << where;
  }
  EXPECT_EQ(rendertest::LeftoverState(), "");
}

TEST_F(RaceRenderViews, GarageFacesLookUpWhenTheRawUpIsZeroOrAlongTheView) {
  for (int k : {kLayerMainMap, kLayerAddMap, kLayerAddMap2, kLayerMainTransparency, kLayerAddTransparency})
    SetLayer(k, LayerModel({}, {}));
  const Vector3 view(0.0f, 0.0f, 1.0f);
  EXPECT_EQ(GarageCubeUp(view, Vector3(0.0f, 0.0f, 0.0f)).y, 1.0f);
  EXPECT_EQ(GarageCubeUp(view, Vector3(0.0f, 0.0f, -3.0f)).y, 1.0f);
  EXPECT_EQ(GarageCubeUp(Vector3(0.0f, -1.0f, 0.0f), Vector3(0.0f, 2.0f, 0.0f)).z, 1.0f);
  const Vector3 tilted = GarageCubeUp(view, Vector3(0.2f, 1.0f, 0.0f));
  EXPECT_EQ(tilted.x, 0.2f) << "a usable up is kept";
  // Before the first race the garage's up is zero: the faces must still show the sky,
  // where a look-at of non-numbers would leave every face at its clear colour.
  RenderCamera.viewDirection = view;
  RenderCamera.rawUp = Vector3(0.0f, 0.0f, 0.0f);
  Settings.reflectionQuality = 2;
  for (const Vector3& up : {Vector3(0.0f, 0.0f, 0.0f), Vector3(0.0f, 0.0f, 2.0f)}) {
    RenderCamera.rawUp = up;
    CubeMapFace = 5;  // the call draws the two side faces +X and -X
    FillFaces(255, 0, 255);
    RenderCubeMap(0);
    for (int face : {0, 1}) {
      const Rgb mid = racerender::MeanColour(ReadFace(face), kFace, 0, 0, kFace, kFace);
      EXPECT_EQ(Hue(mid), 'w') << "face " << face << " with up (" << up.x << ", " << up.y << ", " << up.z
                               << ") shows (" << mid.r << ", " << mid.g << ", " << mid.b << "), not the grey sky";
      EXPECT_GT(mid.r, 60) << "face " << face;
    }
  }
}

TEST(RaceRenderCubeFaces, EachFaceLooksWhereGlSamplesIt) {
  // GL's cube-face table: the direction each face is sampled along and the direction
  // its t coordinate runs down.
  const float look[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  const float down[6][3] = {{0, 1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}, {0, 1, 0}, {0, 1, 0}};
  for (int k = 0; k < 6; ++k) {
    const Matrix4 r = CubeFaceRotation(k);
    const Vector3 l = r.TransformPoint(look[k][0], look[k][1], look[k][2]);
    EXPECT_NEAR(l.z, -1.0f, 1e-5f) << "face " << k << " does not look down its eye -z";
    // Rows run bottom-up in a framebuffer: eye +y is the face's -t, the opposite of down.
    const Vector3 d = r.TransformPoint(down[k][0], down[k][1], down[k][2]);
    EXPECT_NEAR(d.y, -1.0f, 1e-5f) << "face " << k << " is turned";
  }
}

TEST(RaceRenderShadowView, CaptureInvertsAnyRigidViewLikeAGeneralInverse) {
  // A general 4 x 4 inverse by Gauss-Jordan elimination, in double.
  auto invert = [](const Matrix4& m, double out[16]) {
    double a[4][8];
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) {
        a[r][c] = m.m[4 * c + r];
        a[r][4 + c] = r == c ? 1.0 : 0.0;
      }
    for (int c = 0; c < 4; ++c) {
      int p = c;
      for (int r = c + 1; r < 4; ++r)
        if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
      for (int k = 0; k < 8; ++k) std::swap(a[c][k], a[p][k]);
      const double d = a[c][c];
      for (int k = 0; k < 8; ++k) a[c][k] /= d;
      for (int r = 0; r < 4; ++r)
        if (r != c) {
          const double f = a[r][c];
          for (int k = 0; k < 8; ++k) a[r][k] -= f * a[c][k];
        }
    }
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) out[4 * c + r] = a[r][4 + c];
  };
  const float eyes[4][3] = {{0, 0, 0}, {120.5f, 33, -870}, {-5, 2.5f, 9}, {4000, -20, 3100}};
  const float targets[4][3] = {{1, 0, 0}, {100, 30, -860}, {-5, 0, 9.5f}, {3990, -19, 3111}};
  const float ups[4][3] = {{0, 1, 0}, {0.1f, 1, 0.05f}, {0, 0, 1}, {-0.3f, 0.9f, 0.2f}};
  for (int i = 0; i < 4; ++i) {
    Matrix4 view;
    view.SetView(Vector3(eyes[i][0], eyes[i][1], eyes[i][2]), Vector3(targets[i][0], targets[i][1], targets[i][2]),
                 Vector3(ups[i][0], ups[i][1], ups[i][2]));
    const Matrix4 inverse = InvertRigidView(view);
    double expected[16];
    invert(view, expected);
    const double scale = 1.0 + std::fabs(eyes[i][0]) + std::fabs(eyes[i][2]);
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(inverse.m[k], expected[k], 2e-6 * scale) << "view " << i << " [" << k << "]";
  }
}

TEST_F(RaceRenderViews, CaptureReadsTheModelviewGlHolds) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(30, 12, -40, 31, 11.5, -38, 0, 1, 0);
  Matrix4 view;
  glGetFloatv(GL_MODELVIEW_MATRIX, view.m);
  CaptureViewMatrices();
  glLoadIdentity();
  // The inverse carries the eye-space origin back to the eye.
  const Vector3 eye = InverseCameraView.TransformPoint(0, 0, 0);
  EXPECT_NEAR(eye.x, 30.0f, 1e-4f);
  EXPECT_NEAR(eye.y, 12.0f, 1e-4f);
  EXPECT_NEAR(eye.z, -40.0f, 1e-4f);
  const Vector3 back = InverseCameraView.TransformPoint(view.TransformPoint(7, 8, 9).x, view.TransformPoint(7, 8, 9).y,
                                                        view.TransformPoint(7, 8, 9).z);
  EXPECT_NEAR(back.x, 7.0f, 1e-4f);
  EXPECT_NEAR(back.y, 8.0f, 1e-4f);
  EXPECT_NEAR(back.z, 9.0f, 1e-4f);
}

// The race camera straight above the origin looking down: its mirror looks up from
// below, through the water plane, at the quads 5 units above it.
void CameraAbove() {
  RenderCamera.eye = Vector3(0.0f, 30.0f, 0.0f);
  RenderCamera.target = Vector3(0.0f, 0.0f, 0.0f);
  RenderCamera.up = Vector3(0.0f, 0.0f, -1.0f);
  RenderCamera.speedFactor = 0.0f;
}

TEST_F(RaceRenderViews, ReflectionBindsOnlyBorrowedMaterialsAndUsesItsOwnDepth) {
  // main_transparency's table: blue, texture -1, texture 0, green. The reflections
  // layer's own table is red and must never show; a group with index -1 first draws
  // with the default entry 67 (yellow here).
  SetLayer(kLayerMainTransparency, LayerModel({}, {T(blue_), -1, 0, T(green_)}));
  SetLayer(kLayerReflections, LayerModel({-1, 0, 9, 1, 2, 3}, {T(red_), T(red_), T(red_), T(red_)}));
  const float y = 5.0f;
  for (int g = 0; g < 6; ++g) {
    const float* c = kCells[g];
    AddQuad(&leaves_[0].layers[kLayerReflections][static_cast<size_t>(g)], c[0] - 1.5f, c[1] - 1.5f, c[0] + 1.5f,
            c[1] + 1.5f, y);
  }
  // A quad under the water: the clip plane must keep it out of the mirror.
  leaves_[0].layers[kLayerReflections][5].triangles.clear();
  AddQuad(&leaves_[0].layers[kLayerReflections][5], kCells[5][0] - 1.5f, kCells[5][1] - 1.5f, kCells[5][0] + 1.5f,
          kCells[5][1] + 1.5f, -y);
  RenderSnapshot.sunLeaves.count = 1;
  RenderSnapshot.sunLeaves.leaf[0] = 0;
  CameraAbove();
  // Leave the cube map's 128 x 128 depth on the shared framebuffer, as a pass that
  // forgot to say its own would.
  BindPassFramebuffer(Renderer.targets.SceneTextures[4], Renderer.targets.CubeDepthBuffer);
  const std::vector<uint8_t> magenta(static_cast<size_t>(kReflectionSize) * kReflectionSize * 4, 255);
  glBindTexture(GL_TEXTURE_2D, Renderer.targets.ReflectionTexture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kReflectionSize, kReflectionSize, GL_RGBA, GL_UNSIGNED_BYTE, magenta.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  gltest::TakeGlError();
  // Without water nothing samples the reflection: the pass leaves the texture alone.
  WorldLayers.water = nullptr;
  RenderWaterReflection();
  {
    std::vector<uint8_t> untouched(magenta.size());
    glBindTexture(GL_TEXTURE_2D, Renderer.targets.ReflectionTexture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, untouched.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(untouched, magenta) << "a world without water drew its reflection";
  }
  MilkshapeModel water;
  water.triangleCount = 1;
  water.triangles = new ModelTriangle[1]();
  WorldLayers.water = &water;
  RenderWaterReflection();
  WorldLayers.water = nullptr;
  EXPECT_EQ(rendertest::LeftoverState(), "");
  EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0));

  const std::vector<uint8_t> px =
      ReadTexture2D(GL_TEXTURE_2D, Renderer.targets.ReflectionTexture, GL_TEXTURE_2D, kReflectionSize);
  racerender::SavePng("race_views_reflection", kReflectionSize, kReflectionSize, px);
  const char* want = "ybbbb";
  const char* why[5] = {"index -1 keeps the default entry 67", "the borrowed blue", "index past the table keeps it",
                        "texture -1 keeps it", "texture 0 keeps it"};
  for (int i = 0; i < 6; ++i) {
    int x = 0, yy = 0;
    ASSERT_TRUE(Project(ReflectionProjection, ReflectionModelview, kCells[i][0], i == 5 ? -y : y, kCells[i][1],
                        kReflectionSize, &x, &yy))
        << i;
    const char seen = Hue(racerender::MeanColour(px, kReflectionSize, x - 2, yy - 2, x + 3, yy + 3));
    if (i < 5)
      EXPECT_EQ(seen, want[i]) << why[i];
    else
      EXPECT_EQ(seen, 'w') << "the quad under the water shows in the mirror";
  }
  // The texture holds the mirror image as the race camera sees it in the water: world
  // +x on its right and -z (the camera's up) at its top, so the surface's lookup is
  // neither flipped nor upside down.
  int xl = 0, xr = 0, yl = 0, yr = 0;
  ASSERT_TRUE(Project(ReflectionProjection, ReflectionModelview, -5, y, -3, kReflectionSize, &xl, &yl));
  ASSERT_TRUE(Project(ReflectionProjection, ReflectionModelview, 5, y, 3, kReflectionSize, &xr, &yr));
  EXPECT_GT(xr, xl);
  EXPECT_GT(yl, yr);
  // With the small depth left attached, everything past 128 x 128 would keep the white
  // it held; the far corner is the grey sky.
  const Rgb corner = racerender::MeanColour(px, kReflectionSize, 500, 500, 510, 510);
  EXPECT_LT(corner.r, 200) << "the far corner kept what it held";
  EXPECT_EQ(Hue(corner), 'w');
}

TEST_F(RaceRenderViews, ShadowsLayerCastsItsTexturesCoverageWithBorrowedMaterials) {
  // main_transparency's table: fully transparent, then opaque. Groups: transparent (no
  // depth), past the table (keeps the transparent binding: no depth), opaque.
  SetLayer(kLayerMainTransparency, LayerModel({}, {T(clear_), T(green_)}));
  SetLayer(kLayerShadows, LayerModel({0, 7, 1}, {T(green_), T(green_)}));
  for (int g = 0; g < 3; ++g) {
    const float* c = kCells[g];
    AddQuad(&leaves_[0].layers[kLayerShadows][static_cast<size_t>(g)], c[0] - 1.5f, c[1] - 1.5f, c[0] + 1.5f,
            c[1] + 1.5f, 5.0f);
  }
  RenderSnapshot.sunLeaves.count = 1;
  RenderSnapshot.sunLeaves.leaf[0] = 0;
  // The light straight down over a 20-unit square.
  Matrix4 projection, view;
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(-10, 10, -10, 10, 1, 100);
  glGetFloatv(GL_PROJECTION_MATRIX, projection.m);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  view.SetView(Vector3(0, 50, 0), Vector3(0, 0, 0), Vector3(0, 0, -1));
  RenderSnapshot.sunProjection = projection;
  RenderSnapshot.sunView = view;
  CityObjectCount = 0;
  RenderCarRows[0].matrix.SetIdentity();
  for (int i = 0; i < 4; ++i) RenderSnapshot.levelOfDetail[i] = -1;
  gltest::TakeGlError();
  RenderShadowMap();
  EXPECT_EQ(rendertest::LeftoverState(), "");

  const int size = RenderSetup.shadowMapSize;
  std::vector<float> depth(static_cast<size_t>(size) * size);
  glBindTexture(GL_TEXTURE_2D, Renderer.targets.ShadowDepthTexture);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  ClearShadowMap();
  const bool casts[3] = {false, false, true};
  for (int g = 0; g < 3; ++g) {
    int x = 0, y = 0;
    ASSERT_TRUE(Project(projection, view, kCells[g][0], 5.0f, kCells[g][1], size, &x, &y));
    const float d = depth[static_cast<size_t>(y) * size + x];
    if (casts[g])
      EXPECT_LT(d, 1.0f) << "group " << g;
    else
      EXPECT_EQ(d, 1.0f) << "group " << g << " casts through a transparent texture";
  }
}

TEST(RaceRenderShadowRules, LorriesCastByTheDetailSettingNotTheFittedSize) {
  EXPECT_FALSE(CarsCastShadows(0));
  EXPECT_FALSE(CarsCastShadows(1));
  EXPECT_TRUE(CarsCastShadows(2));
  EXPECT_TRUE(CarsCastShadows(3));
}

TEST_F(RaceRenderViews, WaterFadesShortOfTheSightAndRestoresItsUnits) {
  WorldLayers.water = nullptr;
  ViewDistance = 450.0f;
  RenderWaterReflection();
  DrawWaterSurface();
  EXPECT_EQ(rendertest::LeftoverState(), "");
  auto getUniform = reinterpret_cast<PFNGLGETUNIFORMFVARBPROC>(
      glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glGetUniformfvARB")));
  ASSERT_NE(getUniform, nullptr);
  const ShaderProgram& water = Renderer.Program(ShaderProgramId::Water);
  ASSERT_NE(water.Location(Uniform::T0), -1);
  float t0 = 0.0f, t1 = 0.0f;
  getUniform(water.program, water.Location(Uniform::T0), &t0);
  getUniform(water.program, water.Location(Uniform::T1), &t1);
  EXPECT_EQ(t0, 320.0f);
  EXPECT_EQ(t1, 360.0f);
}

}  // namespace

namespace {

// The race update culls each face's leaves with its own slice camera: face k's list
// must hold what face k looks at, or the faces draw the leaves of another direction.
TEST(RaceRenderCubeFaces, EachSliceCullsTheDirectionItsFaceLooks) {
  const float look[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  const CameraStateRecord saved = CameraState;
  CameraState.eye = Vector3(100.0f, 5.0f, -40.0f);
  for (int k = 0; k < 6; ++k) {
    SetupCamera(kCameraSlice, k, 1.0f, 300.0f);
    const Vector3 ahead(100.0f + 35.0f * look[k][0], 5.0f + 35.0f * look[k][1], -40.0f + 35.0f * look[k][2]);
    const Vector3 behind(100.0f - 35.0f * look[k][0], 5.0f - 35.0f * look[k][1], -40.0f - 35.0f * look[k][2]);
    EXPECT_TRUE(BoxInFrustum(ViewFrustum, ahead)) << "slice " << k << " misses what its face looks at";
    EXPECT_FALSE(BoxInFrustum(ViewFrustum, behind)) << "slice " << k << " culls the opposite direction";
  }
  CameraState = saved;
}

}  // namespace
