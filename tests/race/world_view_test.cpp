// Each landscape drawn from above in a real GL context, straight from its quadtree
// leaves and textures: the landscape must fill the view and the road must lie under
// the race path. With KELVAMOR_WORLD_SHOTS set to a folder the pictures are saved
// there as PNG for a person to look at.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "gfx/image_tga.h"
#include "gfx/milkshape.h"
#include "platform/window.h"
#include "race/waypoints.h"
#include "race/world_quadtree_file.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;
const char* const kLayers[kRenderLayerCount] = {
    "main_road", "main_landscape",   "main_map",          "main_transparency", "add_map",
    "add_map2",  "add_transparency", "add_transparency2", "shadows",           "reflections"};

class WorldView : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!std::getenv("DISPLAY")) return;
    ready_ = platform::InitVideo() && platform::CreateWindow("world view", kWidth, kHeight, false) &&
             platform::CreateMainContext() && platform::MakeMainContextCurrent();
  }
  static void TearDownTestSuite() {
    if (platform::WindowExists()) platform::DestroyWindow();
  }
  static bool ready_;
};
bool WorldView::ready_ = false;

GLuint LoadTexture(const std::string& path) {
  TgaImage image;
  if (ReadTGAFile(path.c_str(), &image) != TgaResult::kOk) return 0;
  GLuint name;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  gluBuild2DMipmaps(GL_TEXTURE_2D, image.components == 4 ? GL_RGBA : GL_RGB, image.width, image.height,
                    image.components == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, image.pixels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return name;
}

// Draws one layer's buckets group by group with the material's texture and a light
// from the south-west, as a plain stand-in for the world programs.
void DrawLayer(const std::vector<QuadTreeList>& leaves, int layer, const Model& materials,
               const Model& groups, const std::string& textures, bool plainWhite) {
  for (int g = 0; g < groups.groupCount; ++g) {
    const int mat = groups.groups[g].materialIndex;
    GLuint tex = 0;
    if (!plainWhite && mat >= 0 && mat < materials.materialCount && materials.materials[mat].textureFile)
      tex = LoadTexture(textures + materials.materials[mat].textureFile);
    if (tex) glEnable(GL_TEXTURE_2D);
    else glDisable(GL_TEXTURE_2D);
    glBegin(GL_TRIANGLES);
    for (const QuadTreeList& leaf : leaves)
      for (const LeafTriangle& t : leaf.layers[layer][g].triangles)
        for (int c = 0; c < 3; ++c) {
          const float light = 0.45f + 0.55f * std::max(0.0f, 0.5f * t.normal[c][0] + 0.8f * t.normal[c][1] + 0.3f * t.normal[c][2]);
          glColor3f(light, light, light);
          glTexCoord2f(t.texCoord[c][0], t.texCoord[c][1]);
          glVertex3f(t.position[c][0], t.position[c][1], t.position[c][2]);
        }
    glEnd();
    if (tex) glDeleteTextures(1, &tex);
  }
  glDisable(GL_TEXTURE_2D);
}

std::vector<uint8_t> ReadFrame() {
  std::vector<uint8_t> px(kWidth * kHeight * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, px.data());
  return px;
}

void SavePng(const std::vector<uint8_t>& px, const std::string& stem) {
  const char* dir = std::getenv("KELVAMOR_WORLD_SHOTS");
  if (!dir) return;
  const std::string ppm = std::string(dir) + "/" + stem + ".ppm";
  FILE* f = std::fopen(ppm.c_str(), "wb");
  if (!f) return;
  std::fprintf(f, "P6 %d %d 255\n", kWidth, kHeight);
  for (int y = kHeight - 1; y >= 0; --y) std::fwrite(&px[y * kWidth * 3], kWidth * 3, 1, f);
  std::fclose(f);
  std::system(("convert '" + ppm + "' '" + dir + "/" + stem + ".png' && rm '" + ppm + "'").c_str());
}

TEST_F(WorldView, EachLandscapeFillsTheViewWithTheRoadUnderThePath) {
  struct stat st;
  if (stat("base/world/0/models/qt.qt", &st) != 0) GTEST_SKIP() << "base/ not generated here (build the base target)";
  if (!ready_) GTEST_SKIP() << "no GL window (run under xvfb-run)";
  for (int w = 0; w < 3; ++w) {
    SCOPED_TRACE(w);
    const std::string dir = "base/world/" + std::to_string(w) + "/";
    std::unique_ptr<MilkshapeModel> layers[kRenderLayerCount];
    QuadTreeModels models;
    for (int k = 0; k < kRenderLayerCount; ++k) {
      layers[k].reset(new MilkshapeModel());
      ASSERT_TRUE(layers[k]->Load((dir + "models/" + kLayers[k] + ".sbm").c_str()));
      models.layers[k] = layers[k].get();
    }
    MilkshapeModel water;
    ASSERT_TRUE(water.Load((dir + "models/water.sbm").c_str()));
    std::vector<QuadTreeList> leaves(kWorldLeafCount);
    ASSERT_TRUE(ReadQuadTreeFile(models, leaves.data(), w));
    ASSERT_TRUE(LoadRacePath(w + 1));

    // Frame the road loop with a margin, seen straight down (x right, z down).
    float x0 = 1e9f, x1 = -1e9f, z0 = 1e9f, z1 = -1e9f;
    for (int i = 0; i <= WaypointLastIndex; ++i) {
      x0 = std::min(x0, WaypointTable[i].x), x1 = std::max(x1, WaypointTable[i].x);
      z0 = std::min(z0, WaypointTable[i].z), z1 = std::max(z1, WaypointTable[i].z);
    }
    const float cx = (x0 + x1) / 2, cz = (z0 + z1) / 2;
    const float half = std::max((x1 - x0) / 2 * kHeight / kWidth, (z1 - z0) / 2) + 60.0f;
    const float halfX = half * kWidth / kHeight;
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(cx - halfX, cx + halfX, cz + half, cz - half, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(90, 1, 0, 0);  // look down the y axis
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_CULL_FACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const std::string tex = dir + "textures/";
    DrawLayer(leaves, kLayerMainLandscape, *layers[1], *layers[1], tex, false);
    DrawLayer(leaves, kLayerMainRoad, *layers[0], *layers[0], tex, false);
    DrawLayer(leaves, kLayerMainMap, *layers[2], *layers[2], tex, false);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    DrawLayer(leaves, kLayerMainTransparency, *layers[3], *layers[3], tex, false);
    glDisable(GL_ALPHA_TEST);
    if (water.groupCount > 0) {
      glColor4f(0.2f, 0.45f, 0.6f, 1.0f);
      glBegin(GL_TRIANGLES);
      for (int t = 0; t < water.triangleCount; ++t)
        for (int c = 0; c < 3; ++c) {
          const ModelVertex& v = water.vertices[water.triangles[t].vertexIndices[c]];
          glVertex3f(v.x, v.y, v.z);
        }
      glEnd();
    }
    // Trees as dark dots where they stand.
    glPointSize(3);
    glColor3f(0.08f, 0.22f, 0.06f);
    glDisable(GL_DEPTH_TEST);
    glBegin(GL_POINTS);
    for (const QuadTreeList& leaf : leaves)
      for (int k = kGrassKinds; k < kVegetationKinds; ++k)
        for (const GrassInstance& t : leaf.vegetation.instances[k]) glVertex3f(t.x, t.y + 5, t.z);
    glEnd();
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const std::vector<uint8_t> picture = ReadFrame();
    SavePng(picture, "world" + std::to_string(w));
    size_t black = 0;
    for (size_t i = 0; i < picture.size(); i += 3) black += picture[i] + picture[i + 1] + picture[i + 2] == 0;
    EXPECT_LT(black, picture.size() / 3 / 100) << "the landscape leaves holes";

    // The road alone in white: every waypoint must land on it.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    DrawLayer(leaves, kLayerMainRoad, *layers[0], *layers[0], tex, true);
    const std::vector<uint8_t> road = ReadFrame();
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    int onRoad = 0;
    for (int i = 0; i <= WaypointLastIndex; ++i) {
      GLdouble wx, wy, wz;
      gluProject(WaypointTable[i].x, WaypointTable[i].y - 1.0, WaypointTable[i].z, modelview, projection,
                 viewport, &wx, &wy, &wz);
      const int px = static_cast<int>(wx), py = static_cast<int>(wy);
      if (px < 0 || py < 0 || px >= kWidth || py >= kHeight) continue;
      onRoad += road[(py * kWidth + px) * 3] > 100;
    }
    EXPECT_GE(onRoad, WaypointLastIndex * 95 / 100);

    // From behind the grid along the start straight: ground fills the lower half.
    glClearColor(0.6f, 0.75f, 0.9f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(53, static_cast<double>(kWidth) / kHeight, 0.5, 3000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const Waypoint& w0 = WaypointTable[0];
    const Waypoint& ahead = WaypointTable[12];
    const float fx = ahead.x - w0.x, fz = ahead.z - w0.z, fl = std::hypot(fx, fz);
    gluLookAt(w0.x - 30 * fx / fl, w0.y + 9, w0.z - 30 * fz / fl, ahead.x, ahead.y, ahead.z, 0, 1, 0);
    DrawLayer(leaves, kLayerMainLandscape, *layers[1], *layers[1], tex, false);
    DrawLayer(leaves, kLayerMainRoad, *layers[0], *layers[0], tex, false);
    DrawLayer(leaves, kLayerMainMap, *layers[2], *layers[2], tex, false);
    glEnable(GL_ALPHA_TEST);
    DrawLayer(leaves, kLayerMainTransparency, *layers[3], *layers[3], tex, false);
    DrawLayer(leaves, kLayerAddTransparency, *layers[3], *layers[6], tex, false);
    DrawLayer(leaves, kLayerAddMap, *layers[2], *layers[4], tex, false);
    glDisable(GL_ALPHA_TEST);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const std::vector<uint8_t> view = ReadFrame();
    SavePng(view, "world" + std::to_string(w) + "_start");
    size_t sky = 0;
    for (size_t i = 0; i < view.size() / 2; i += 3) sky += view[i] == 153 && view[i + 1] == 191 && view[i + 2] == 230;
    EXPECT_LT(sky, view.size() / 6 / 20) << "the ground does not reach the lower half of the view";
    glClearColor(0, 0, 0, 1);
  }
}

}  // namespace
