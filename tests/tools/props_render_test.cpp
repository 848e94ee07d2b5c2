// Draws generated lorries and the garage through the game's model reader and draw
// variants in a real GL context, checks nothing raised a GL error and that the
// pictures hold what they should (a lorry filling the middle of its frame, a garage
// with sky above its walls), and leaves PNGs in the build folder to look at.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "gfx/image_tga.h"
#include "gfx/milkshape.h"
#include "tests/tools/props_gl.h"

namespace {

constexpr int kW = 640, kH = 480;
const float kSky[3] = {0.55f, 0.7f, 0.9f};

class PropsRender : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (!propstest::OpenGl(&why)) GTEST_SKIP() << why;
    FILE* f = std::fopen("base/cars/0/lod0_car.sbm", "rb");
    if (!f) GTEST_SKIP() << "base/ has not been generated in the working folder";
    std::fclose(f);
  }
};

struct Car {
  MilkshapeModel body, glass, front, rear, frontAxle, rearAxle, hub;
};

bool LoadCar(int model, Car* car) {
  const std::string dir = "base/cars/" + std::to_string(model) + "/";
  bool ok = car->body.Load((dir + "lod0_car.sbm").c_str()) && car->glass.Load((dir + "lod0_glass_car.sbm").c_str()) &&
            car->front.Load((dir + "lod0_wheel_f.sbm").c_str()) && car->rear.Load((dir + "lod0_wheel_r.sbm").c_str()) &&
            car->frontAxle.Load("base/cars/parts/lod0_part0.sbm") && car->rearAxle.Load("base/cars/parts/lod0_part1.sbm") &&
            car->hub.Load("base/cars/parts/lod0_part2.sbm");
  if (!ok) return false;
  for (MilkshapeModel* m : {&car->body, &car->glass, &car->front, &car->rear}) {
    m->ComputeTangentFrames();
    m->LoadMaterialTextures(dir.c_str(), false);
  }
  // The shared gear samples the car's skin, as the car pass binds it.
  const int skin = car->body.materials[0].texture;
  for (MilkshapeModel* m : {&car->frontAxle, &car->rearAxle, &car->hub})
    for (int i = 0; i < m->materialCount; ++i) m->materials[i].texture = -1;
  glBindTexture(GL_TEXTURE_2D, skin > 0 ? skin : 0);
  return skin > 0;
}

// The car assembled as the car pass places its pieces, wheels resting on the ground.
void DrawCar(Car& car) {
  const float halfWheelbase = 2.65f, halfTrack = 1.35f, axleY = -0.37f;
  const int skin = car.body.materials[0].texture;
  car.body.DrawTextured();
  for (int side = 0; side < 2; ++side) {
    const float sign = side == 0 ? 1.0f : -1.0f;
    glPushMatrix();
    glTranslatef(halfWheelbase, axleY, 0);
    if (side == 0) {
      glBindTexture(GL_TEXTURE_2D, skin);
      car.frontAxle.DrawPlain();
    }
    glTranslatef(0, 0, sign * (halfTrack - 0.27f));
    if (side == 1) glRotatef(-180, 1, 0, 0);
    glBindTexture(GL_TEXTURE_2D, skin);
    car.hub.DrawPlain();
    car.front.DrawTextured();
    glPopMatrix();
    glPushMatrix();
    glTranslatef(-halfWheelbase, axleY, 0);
    if (side == 0) {
      glBindTexture(GL_TEXTURE_2D, skin);
      car.rearAxle.DrawPlain();
    }
    glTranslatef(0, 0, sign * halfTrack);
    if (side == 1) glRotatef(-180, 1, 0, 0);
    car.rear.DrawTextured();
    glPopMatrix();
  }
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1, 1, 1, 0.8f);
  car.glass.DrawTextured();
  glColor4f(1, 1, 1, 1);
  glDisable(GL_BLEND);
}

void BeginScene(const propstest::SceneTarget& target, const float eye[3], const float at[3], float far) {
  target.Bind();
  glClearColor(kSky[0], kSky[1], kSky[2], 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(40.0, static_cast<double>(kW) / kH, 0.3, far);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(eye[0], eye[1], eye[2], at[0], at[1], at[2], 0, 1, 0);
  const float sun[4] = {0.5f, 1.0f, -0.4f, 0.0f}, ambient[4] = {0.45f, 0.45f, 0.45f, 1}, diffuse[4] = {0.8f, 0.8f, 0.78f, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, sun);
  glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_CULL_FACE);
  glColor4f(1, 1, 1, 1);
}

void EndScene() {
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_2D);
  gltest::BindWindowFramebuffer();
}

bool IsSky(const uint8_t* p) {
  return std::abs(p[0] - static_cast<int>(kSky[0] * 255)) < 3 && std::abs(p[1] - static_cast<int>(kSky[1] * 255)) < 3 &&
         std::abs(p[2] - static_cast<int>(kSky[2] * 255)) < 3;
}

// Share of pixels that are not the cleared sky, within rows [y0, y1) of the picture.
float Covered(const std::vector<uint8_t>& px, int y0, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = 0; x < kW; ++x) n += !IsSky(&px[4 * (static_cast<size_t>(y) * kW + x)]);
  return static_cast<float>(n) / ((y1 - y0) * kW);
}

TEST_F(PropsRender, OneLorryOfEachFamilyDrawsAsALorry) {
  for (int model : {0, 7, 14}) {
    SCOPED_TRACE("car " + std::to_string(model));
    auto car = std::make_unique<Car>();
    ASSERT_TRUE(LoadCar(model, car.get()));
    propstest::SceneTarget target(kW, kH);
    ASSERT_TRUE(target.complete());
    const float eye[3] = {9.0f, 3.2f, 10.0f}, at[3] = {0, 0.2f, 0};
    BeginScene(target, eye, at, 200);
    DrawCar(*car);
    EndScene();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const std::vector<uint8_t> px = target.Read();
    // The lorry fills a good part of the middle band and leaves the top rows clear.
    EXPECT_GT(Covered(px, kH / 3, 2 * kH / 3), 0.3f);
    EXPECT_LT(Covered(px, kH - 20, kH), 0.02f);
    const std::string png = "props_car_" + std::to_string(model) + ".png";
    if (!propstest::SavePng(png, kW, kH, px)) std::printf("(ImageMagick convert missing: %s not written)\n", png.c_str());
  }
}

TEST_F(PropsRender, GarageSurroundsTheCarAndIsOpenToTheSky) {
  MilkshapeModel garage, special, ground, transparency;
  ASSERT_TRUE(garage.Load("base/garage/garage.sbm"));
  ASSERT_TRUE(special.Load("base/garage/special.sbm"));
  ASSERT_TRUE(ground.Load("base/garage/ground.sbm"));
  ASSERT_TRUE(transparency.Load("base/garage/transparency.sbm"));
  for (MilkshapeModel* m : {&garage, &special, &ground, &transparency}) m->LoadMaterialTextures("base/garage/", false);
  special.ComputeTangentFrames();
  ground.ComputeTangentFrames();
  auto car = std::make_unique<Car>();
  ASSERT_TRUE(LoadCar(0, car.get()));
  propstest::SceneTarget target(kW, kH);
  ASSERT_TRUE(target.complete());
  // The menu camera's start: 11.5 behind the car at 2.25 up, turned a little.
  const float yaw = -35.0f * 3.14159265f / 180.0f;
  const float eye[3] = {-11.5f * std::sin(yaw), 2.25f, -11.5f * std::cos(yaw)}, at[3] = {0, 0.2f, 0};
  BeginScene(target, eye, at, 500);
  ground.DrawTextured();
  garage.DrawTextured();
  special.DrawTextured();
  DrawCar(*car);
  glDisable(GL_CULL_FACE);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GEQUAL, 0.5f);
  transparency.DrawTextured();
  glDisable(GL_ALPHA_TEST);
  EndScene();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const std::vector<uint8_t> px = target.Read();
  EXPECT_GT(Covered(px, 0, kH / 2), 0.95f);       // floor, walls and the lorry below the horizon
  EXPECT_LT(Covered(px, kH - 12, kH), 0.9f);      // and sky above the walls
  if (!propstest::SavePng("props_garage.png", kW, kH, px)) std::printf("(ImageMagick convert missing)\n");
}

TEST_F(PropsRender, RoadsideObjectsDrawWithTheirAtlas) {
  const int parts[18] = {1, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 3, 3, 3, 1};
  // Part offsets inside each object, as the object's bodies place them.
  const float offsets[18][3][3] = {
      {{0, 0.82f, 0}}, {{0, 0.82f, 0}}, {{0, 0.82f, 0}},
      {{0, 0.5f, 0}, {0, 1.5f, 0.25f}}, {{0, 0.5f, 0}, {0, 2.15f, 0}}, {{0, 0.5f, 0}, {0, 1.32f, 1.82f}},
      {{0, 0.5f, 0}, {0, 1.5f, 0.55f}}, {{0, 0.68f, 0}}, {{0, 0.68f, 0}}, {{0, 0.68f, 0}},
      {{0, 0.7f, 0}}, {{0, 0.7f, 0}}, {{0, 0.7f, 0}}, {{0, 0.7f, 0}},
      {{0, 0.82f, 0}, {1.1f, 0.82f, 0}, {-1.1f, 0.82f, 0}}, {{0, 0.82f, 0}, {1.1f, 0.82f, 0}, {-1.1f, 0.82f, 0}},
      {{0, 0.82f, 0}, {1.1f, 0.82f, 0}, {-1.1f, 0.82f, 0}}, {{0, 3.0f, 0}}};
  GLuint atlas = 0;
  {
    TgaImage im;
    ASSERT_EQ(ReadTGAFile("base/textures/tex21.tga", &im), TgaResult::kOk);
    glGenTextures(1, &atlas);
    glBindTexture(GL_TEXTURE_2D, atlas);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, im.width, im.height, 0, im.components == 4 ? GL_RGBA : GL_RGB,
                 GL_UNSIGNED_BYTE, im.pixels.data());
  }
  propstest::SceneTarget target(kW, kH);
  ASSERT_TRUE(target.complete());
  const float eye[3] = {0, 12.0f, -26.0f}, at[3] = {0, 1.0f, 0};
  BeginScene(target, eye, at, 200);
  glBindTexture(GL_TEXTURE_2D, atlas);
  for (int type = 0; type < 18; ++type)
    for (int part = 0; part < parts[type]; ++part) {
      MilkshapeModel m;
      ASSERT_TRUE(m.Load(("base/objects/object" + std::to_string(type) + "part" + std::to_string(part) + ".sbm").c_str()));
      glPushMatrix();
      glTranslatef(-15.0f + 6.0f * (type % 6) + offsets[type][part][0], offsets[type][part][1],
                   -6.0f + 6.0f * (type / 6) + offsets[type][part][2]);
      m.DrawPlain();
      glPopMatrix();
    }
  EndScene();
  glDeleteTextures(1, &atlas);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const std::vector<uint8_t> px = target.Read();
  EXPECT_GT(Covered(px, kH / 4, 3 * kH / 4), 0.1f);
  if (!propstest::SavePng("props_objects.png", kW, kH, px)) std::printf("(ImageMagick convert missing)\n");
}

}  // namespace
