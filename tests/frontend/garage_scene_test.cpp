// The garage behind the menus: the orbit camera's rules through its inputs (buttons,
// pointer, ticks, fade, screens), and the scene on the real GL path with the generated
// garage and lorries: what the frame texture shows, the shadow map it leaves, the
// projection it hands the menus and the GL error queue on every screen that shows it.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include <gtest/gtest.h>

#include "app/frame.h"
#include "app/game.h"
#include "app/input.h"
#include "frontend/garage_scene.h"
#include "frontend/screens.h"
#include "gfx/gl_ext.h"
#include "gfx/milkshape.h"
#include "gfx/projection.h"
#include "gfx/renderer.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "race/scene_content.h"
#include "render/camera_state.h"
#include "render/cars_pass.h"
#include "render/race_scene.h"
#include "tests/frontend/frontend_support.h"

namespace {

constexpr int kLeft = 0, kRight = 1;

// A settled main menu, the camera at rest in its start place, no button down and the
// pointer over no widget.
void ResetOrbit() {
  GarageZoom = GaragePitch = GarageYaw = 0.0f;
  GaragePitchSpeed = GarageYawSpeed = 0.0f;
  GarageIdlePhase = GarageLampPhase = 0.0f;
  GarageView = GarageViewState();
  Input = InputState();
  Input.CameraFree = 1;
  CurrentScreen.store(kScreenMainMenu);
  TargetScreen.store(kScreenMainMenu);
  ScreenFade = 1.0f;
  FrameTiming.FrameTicks = 1.0f;
}

void PointerAt(int x, int y) {
  Input.CursorPoint.x = x;
  Input.CursorPoint.y = y;
}

// One orbit frame as the screen machine runs it: the widgets of the frame before have
// had their say on the camera-free flag.
void Orbit(float ticks = 1.0f) {
  FrameTiming.FrameTicks = ticks;
  GarageCameraOrbit();
}

// The pointer dragged by (dx, dy) pixels over one frame with `button` held.
void DragBy(int button, int dx, int dy) {
  Input.MouseButtons[button] = 1;
  PointerAt(Input.CursorPoint.x + dx, Input.CursorPoint.y + dy);
  Orbit();
}

TEST(GarageOrbit, LeftButtonZoomsInAndRightOutWithinTheirLimitsOnASettledScreen) {
  ResetOrbit();
  Input.MouseButtons[kLeft] = 1;
  Orbit(2.0f);
  EXPECT_FLOAT_EQ(GarageZoom, -0.05f);
  for (int i = 0; i < 100; ++i) Orbit();
  EXPECT_FLOAT_EQ(GarageZoom, -0.5f) << "the nearest the camera comes";

  Input.MouseButtons[kLeft] = 0;
  Input.MouseButtons[kRight] = 1;
  for (int i = 0; i < 200; ++i) Orbit();
  EXPECT_FLOAT_EQ(GarageZoom, 2.1f) << "the farthest";
  EXPECT_EQ(Input.CameraFree, 1) << "set again every frame for the widgets to clear";

  // Both held: the two cancel.
  Input.MouseButtons[kLeft] = 1;
  GarageZoom = 1.0f;
  Orbit();
  EXPECT_FLOAT_EQ(GarageZoom, 1.0f);
}

TEST(GarageOrbit, ZoomWaitsForASettledScreenAndAFreePointerButDraggingStillTurns) {
  struct Case {
    const char* why;
    float fade;
    int target;
    uint8_t free;
  };
  const Case cases[] = {
      {"fading in below 0.95", 0.94f, kScreenMainMenu, 1},
      {"a change under way", 1.0f, kScreenOptions, 1},
      {"a widget under the pointer", 1.0f, kScreenMainMenu, 0},
  };
  for (const Case& c : cases) {
    ResetOrbit();
    PointerAt(500, 300);
    Orbit();
    ScreenFade = c.fade;
    TargetScreen.store(c.target);
    Input.CameraFree = c.free;
    DragBy(kLeft, 40, 0);
    EXPECT_FLOAT_EQ(GarageZoom, 0.0f) << c.why;
    EXPECT_LT(GarageYawSpeed, 0.0f) << c.why << ": the drag turns all the same";
    EXPECT_LT(GarageYaw, 0.0f) << c.why;
  }
  // At exactly 0.95 the screen counts as settled.
  ResetOrbit();
  ScreenFade = 0.95f;
  Input.MouseButtons[kLeft] = 1;
  Orbit();
  EXPECT_FLOAT_EQ(GarageZoom, -0.025f);
}

TEST(GarageOrbit, DraggingRightTurnsTheYawTowardsMinus180AndNoFurtherNorPast0) {
  ResetOrbit();
  PointerAt(100, 300);
  Orbit();
  DragBy(kLeft, 30, 0);
  EXPECT_NEAR(GarageYawSpeed, -0.3f * 0.97f, 1e-5f) << "0.01 per pixel, then one tick of decay";
  EXPECT_NEAR(GarageYaw, -0.3f * 0.97f * 0.65f, 1e-5f);
  DragBy(kLeft, 500, 0);
  EXPECT_FLOAT_EQ(GarageYawSpeed, -0.97f) << "the speed is held to 1 before the decay";
  for (int i = 0; i < 2000; ++i) DragBy(kLeft, 50, 0);
  EXPECT_FLOAT_EQ(GarageYaw, -180.0f);

  // The other way: back up to 0 and not past it.
  Input.MouseButtons[kLeft] = 0;
  for (int i = 0; i < 2000; ++i) DragBy(kRight, -50, 0);
  EXPECT_FLOAT_EQ(GarageYaw, 0.0f);
  EXPECT_GT(GarageYawSpeed, 0.0f);
  EXPECT_FLOAT_EQ(GarageZoom, 2.1f) << "the right button zoomed out meanwhile";
}

TEST(GarageOrbit, DraggingUpAndDownPitchesWithinMinus6And14) {
  ResetOrbit();
  PointerAt(400, 300);
  Orbit();
  DragBy(kLeft, 0, 40);
  EXPECT_NEAR(GaragePitchSpeed, -0.3f * 0.97f, 1e-5f) << "0.0075 per pixel; down lowers the camera";
  for (int i = 0; i < 2000; ++i) DragBy(kLeft, 0, 60);
  EXPECT_FLOAT_EQ(GaragePitch, -6.0f);
  for (int i = 0; i < 2000; ++i) DragBy(kLeft, 0, -60);
  EXPECT_FLOAT_EQ(GaragePitch, 14.0f);
  EXPECT_FLOAT_EQ(GarageYaw, 0.0f) << "a vertical drag leaves the yaw";
}

TEST(GarageOrbit, ReleasedTheCameraCoastsAndStopsOnceItsSpeedFallsBelowOneHundredth) {
  ResetOrbit();
  GarageYaw = -90.0f;
  GarageYawSpeed = 1.0f;
  GaragePitchSpeed = -0.5f;
  Orbit(10.0f);
  EXPECT_NEAR(GarageYawSpeed, 0.7f, 1e-6f) << "3 % per tick";
  EXPECT_NEAR(GaragePitchSpeed, -0.35f, 1e-6f);
  EXPECT_NEAR(GarageYaw, -90.0f + 0.7f * 0.65f * 10.0f, 1e-4f) << "it keeps turning after the release";
  // A frame far longer than any the frame timer lets through still only slows it.
  Orbit(50.0f);
  EXPECT_EQ(GarageYawSpeed, 0.0f);
  GarageYawSpeed = 0.0102f;
  Orbit();
  EXPECT_EQ(GarageYawSpeed, 0.0f) << "0.0102 less 3 % is below the dead band";
}

// A click carries no drag: the pointer travelled to a button with nothing held, and the
// press there must not fling the camera by the whole way it came.
TEST(GarageOrbit, APressAfterThePointerTravelledDoesNotTurnTheCamera) {
  ResetOrbit();
  PointerAt(50, 50);
  Orbit();
  PointerAt(900, 700);
  Orbit();
  Input.MouseButtons[kLeft] = 1;
  Orbit();
  EXPECT_EQ(GarageYawSpeed, 0.0f);
  EXPECT_EQ(GaragePitchSpeed, 0.0f);
  EXPECT_EQ(GarageYaw, 0.0f);
}

TEST(GarageOrbit, TheSwayAddsFifteenDegreesOfYawAndHalfAUnitOfDistance) {
  ResetOrbit();
  GarageYaw = -100.0f;
  GaragePitch = 5.0f;
  GarageZoom = 1.0f;
  GarageIdlePhase = 0.5f * 3.14159265f;
  Orbit();
  EXPECT_NEAR(GarageView.yaw, -85.0f, 1e-4f);
  EXPECT_NEAR(GarageView.pitch, 5.0f, 1e-6f);
  EXPECT_NEAR(GarageView.nearDistance, 1.0f, 1e-5f);
  GarageIdlePhase = 0.0f;
  Orbit();
  EXPECT_NEAR(GarageView.yaw, -100.0f, 1e-4f);
  EXPECT_NEAR(GarageView.nearDistance, 1.5f, 1e-5f);
}

TEST(GarageOrbit, TheEyeCirclesTheLorryFromItsLeftSideOverItsFrontToItsRightSide) {
  ResetOrbit();
  GarageView.yaw = 0.0f;
  Vector3 e = GarageEye();
  EXPECT_NEAR(e.x, 0.0f, 1e-4f);
  EXPECT_NEAR(e.y, 2.25f, 1e-4f);
  EXPECT_NEAR(e.z, -11.5f, 1e-4f);
  // The lorry's +X is its front.
  GarageView.yaw = -90.0f;
  GarageZoom = 2.0f;
  e = GarageEye();
  EXPECT_NEAR(e.x, 13.5f, 1e-4f);
  EXPECT_NEAR(e.z, 0.0f, 1e-4f);
  GarageView.yaw = -180.0f;
  e = GarageEye();
  EXPECT_NEAR(e.z, 13.5f, 1e-4f);
  GarageView.pitch = 14.0f;
  EXPECT_GT(GarageEye().y, 2.25f + 3.0f) << "pitching raises the eye";

  // The view point: a unit vector across the lorry from the eye, slightly up.
  const Vector3 d = GarageViewPoint(e);
  EXPECT_NEAR(std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z), 1.0f, 1e-5f);
  EXPECT_LT(d.z * e.z, 0.0f);
  EXPECT_GT(d.y, 0.0f);
  // An eye straight over the origin still gives a unit vector, up.
  const Vector3 up = GarageViewPoint(Vector3(0.0f, 10.0f, 0.0f));
  EXPECT_NEAR(up.y, 1.0f, 1e-6f);
}

TEST(GarageOrbit, LampsBlinkAtTheirThreeRatesClampedToZeroAndOne) {
  float l[3];
  GarageLampLevels(0.0f, l);
  EXPECT_EQ(l[0], 0.0f);
  GarageLampLevels(0.05f, l);
  EXPECT_GT(l[0], 0.45f) << "the edge of a blink ramps";
  EXPECT_LT(l[0], 0.55f);
  GarageLampLevels(1.5f, l);
  EXPECT_EQ(l[0], 1.0f);
  EXPECT_EQ(l[1], 1.0f);
  EXPECT_EQ(l[2], 1.0f);
  GarageLampLevels(4.0f, l);  // sin(4) < 0, sin(2.88) > 0, sin(3.48) < 0
  EXPECT_EQ(l[0], 0.0f);
  EXPECT_EQ(l[1], 1.0f);
  EXPECT_EQ(l[2], 0.0f);
}

// --- The window box of a model ---------------------------------------------------

// A model of bare vertices (no triangles): the box reads the vertices alone.
struct PointModel {
  MilkshapeModel model;
  PointModel(std::initializer_list<Vector3> points) {
    model.vertexCount = static_cast<int>(points.size());
    model.vertices = new ModelVertex[points.size()];
    int i = 0;
    for (const Vector3& p : points) {
      model.vertices[i].x = p.x;
      model.vertices[i].y = p.y;
      model.vertices[i].z = p.z;
      ++i;
    }
  }
};

// Looking from z = 10 at the origin through a 90-degree square view.
void LookAtOriginFromZ10() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(90.0, 1.0, 0.5, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(0.0, 0.0, 10.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
}

class ModelWindowBoxTest : public gltest::GlTest {};

TEST_F(ModelWindowBoxTest, AModelInFrontIsBoxedByItsCornersAndOneBehindTheEyeTakesTheWholeWindow) {
  LookAtOriginFromZ10();
  // x from -5 to 5 at distance 10 covers the middle half of a 400-pixel window:
  // pixels 100 to 300, with two of margin.
  PointModel middle({Vector3(-5.0f, -2.5f, 0.0f), Vector3(5.0f, 2.5f, 0.0f)});
  WindowBox b = ModelWindowBox(&middle.model, 400, 400);
  EXPECT_EQ(b.x, 98);
  EXPECT_EQ(b.width, 204);
  EXPECT_EQ(b.y, 148);
  EXPECT_EQ(b.height, 104);

  PointModel behind({Vector3(-1.0f, -1.0f, 0.0f), Vector3(1.0f, 1.0f, 12.0f)});
  b = ModelWindowBox(&behind.model, 400, 300);
  EXPECT_EQ(b.x, 0);
  EXPECT_EQ(b.y, 0);
  EXPECT_EQ(b.width, 400);
  EXPECT_EQ(b.height, 300);

  PointModel aside({Vector3(-100.0f, -1.0f, 0.0f), Vector3(-50.0f, 1.0f, 0.0f)});
  EXPECT_EQ(ModelWindowBox(&aside.model, 400, 400).width, 0) << "wholly left of the window";
  PointModel across({Vector3(-100.0f, -1.0f, 0.0f), Vector3(2.0f, 1.0f, 0.0f)});
  b = ModelWindowBox(&across.model, 400, 400);
  EXPECT_EQ(b.x, 0) << "cut at the window's edge";
  EXPECT_NEAR(b.width, 242, 1) << "x = 2 projects to pixel 240";
  PointModel none({});
  EXPECT_EQ(ModelWindowBox(&none.model, 400, 400).width, 0);
  EXPECT_EQ(ModelWindowBox(nullptr, 400, 400).width, 0);
}

// --- The scene on the real GL path -------------------------------------------------

using fetest::kScreenH;
using fetest::kScreenW;

bool GarageContentLoaded() {
  static bool loaded = false;
  if (!loaded) {
    LoadGarageModels();
    LoadGarageSceneTextures();
    SetGarageLighting();
    LoadCarPartModels();
    loaded = GarageModels[kGarageMain] != nullptr && CarPartModels[0] != nullptr;
  }
  return loaded;
}

// Car slot 0 loaded with `model`, its skins starting from its own textures.
void ShowCar(int model) {
  LiveCarSetup.modelIndex = model;
  LoadedCarType[0].store(-1);
  LoadCar(0);
}

std::vector<uint8_t> FrameTexture() {
  std::vector<uint8_t> px(static_cast<size_t>(kScreenW) * kScreenH * 4);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, Renderer.targets.SceneTextures[0]);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
  return px;
}

int DifferentPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int n = 0;
  for (size_t i = 0; i + 3 < a.size(); i += 4)
    for (int c = 0; c < 3; ++c)
      if (std::abs(a[i + c] - b[i + c]) > 8) {
        ++n;
        break;
      }
  return n;
}

// The picture of one garage frame that moves nothing: no ticks, nothing held.
// Six frames: the cube map refreshes its faces a few a frame and the dirt painter takes
// a colour and a normal step in turn, so a picture after an even number of frames has
// caught up with what the scene holds.
std::vector<uint8_t> GaragePicture() {
  FrameTiming.FrameTicks = 0.0f;
  for (int i = 0; i < 6; ++i) DrawGarageScene();
  return FrameTexture();
}

class GarageScene : public fetest::FrontendGlTest {
 protected:
  void SetUp() override {
    fetest::FrontendGlTest::SetUp();
    if (IsSkipped()) return;
    if (!GarageContentLoaded()) GTEST_SKIP() << "base/garage or base/cars/parts not generated";
    ResetOrbit();
    // Three quarters from the front and above, so the roof's beacons show.
    GarageYaw = -45.0f;
    GaragePitch = 14.0f;
    ShadowMapSize = 16;
    ShowCar(0);
    ASSERT_NE(CarSlots[0].body[0], nullptr);
    DrainGlErrors();
  }
  static GLenum DrainGlErrors() { return fetest::DrainGlErrors(); }
};

TEST_F(GarageScene, TheFrameTextureShowsTheLorryOnShowAndNothingWhereNoModelIsLoaded) {
  const std::vector<uint8_t> first = GaragePicture();
  int seeThrough = 0;
  for (size_t i = 3; i < first.size(); i += 4) seeThrough += first[i] != 255;
  EXPECT_EQ(seeThrough, 0) << "an opaque picture: the backdrop and the car-swap snapshot take its alpha";
  ShowCar(5);
  const std::vector<uint8_t> other = GaragePicture();
  EXPECT_GT(DifferentPixels(first, other), kScreenW * kScreenH / 100) << "another lorry, another picture";

  // The empty garage: the slot holding no models at all.
  const CarSlotAssets held = CarSlots[0];
  CarSlots[0] = CarSlotAssets();
  const std::vector<uint8_t> empty = GaragePicture();
  CarSlots[0] = held;
  EXPECT_GT(DifferentPixels(other, empty), kScreenW * kScreenH / 100);

  // A slot whose load was undone shows no lorry either, though its models are still
  // there; nor does one without a body: the shared running gear alone is no lorry.
  LoadedCarType[0].store(-1);
  EXPECT_EQ(DifferentPixels(GaragePicture(), empty), 0);
  LoadedCarType[0].store(5);
  MilkshapeModel* body = CarSlots[0].body[0];
  CarSlots[0].body[0] = nullptr;
  EXPECT_EQ(DifferentPixels(GaragePicture(), empty), 0);
  CarSlots[0].body[0] = body;
  EXPECT_EQ(DifferentPixels(GaragePicture(), other), 0) << "the same frame again draws the same picture";
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

// The glass layer is drawn and laid over the frame only inside the glass's window box:
// every pixel the lorry's glass covers, from every side and distance the camera
// reaches, lies inside it.
TEST_F(GarageScene, EveryPixelOfTheLorrysGlassLiesInsideItsWindowBox) {
  gltest::ColourTarget target(kScreenW, kScreenH);
  ASSERT_TRUE(target.complete());
  for (int model : {0, 5, 11}) {
    ShowCar(model);
    const MilkshapeModel* glass = CarSlots[0].glass[0];
    ASSERT_NE(glass, nullptr);
    for (float yaw : {-180.0f, -120.0f, -45.0f, 0.0f})
      for (float pitch : {-6.0f, 14.0f})
        for (float zoom : {-0.5f, 2.1f}) {
          ResetOrbit();
          GarageYaw = yaw;
          GaragePitch = pitch;
          GarageZoom = zoom;
          Orbit(0.0f);
          const Vector3 eye = GarageEye(), point = GarageViewPoint(eye);
          FarDistance = kSkyFarDistance;
          SetPerspective(kScreenW, kScreenH);
          glLoadIdentity();
          gluLookAt(eye.x, eye.y, eye.z, point.x, point.y, point.z, 0.0, 1.0, 0.0);
          const WindowBox box = ModelWindowBox(glass, kScreenW, kScreenH);

          target.Bind();
          target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
          glDisable(GL_DEPTH_TEST);
          glDisable(GL_CULL_FACE);
          glDisable(GL_TEXTURE_2D);
          glDisable(GL_BLEND);
          glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
          glBegin(GL_TRIANGLES);
          for (int i = 0; i < glass->triangleCount; ++i)
            for (int k = 0; k < 3; ++k) {
              const ModelVertex& v = glass->vertices[glass->triangles[i].vertexIndices[k]];
              glVertex3f(v.x, v.y, v.z);
            }
          glEnd();
          const std::vector<uint8_t> px = target.Read();
          gltest::BindWindowFramebuffer();
          glEnable(GL_TEXTURE_2D);
          glEnable(GL_DEPTH_TEST);
          glEnable(GL_CULL_FACE);

          int covered = 0, outside = 0;
          for (int y = 0; y < kScreenH; ++y)
            for (int x = 0; x < kScreenW; ++x) {
              if (px[(static_cast<size_t>(y) * kScreenW + x) * 4] == 0) continue;
              ++covered;
              outside += x < box.x || x >= box.x + box.width || y < box.y || y >= box.y + box.height;
            }
          const char* where = "lorry, yaw, pitch, zoom: ";
          EXPECT_GT(covered, 0) << where << model << ", " << yaw << ", " << pitch << ", " << zoom;
          EXPECT_EQ(outside, 0) << where << model << ", " << yaw << ", " << pitch << ", " << zoom;
          // The box is the glass's, not the window's: well under half of it.
          EXPECT_LT(box.width * box.height, kScreenW * kScreenH / 2) << where << model << ", " << yaw;
        }
  }
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GarageScene, BeaconsComeFromGroup2OfThePointsModelAndNoneWithoutIt) {
  ShowCar(4);  // a lorry with two roof beacons
  MilkshapeModel* points = CarSlots[0].points;
  ASSERT_NE(points, nullptr);
  ASSERT_GE(points->groupCount, 3);
  ASSERT_GT(points->groups[2].triangleCount, 0);
  const std::vector<uint8_t> lit = GaragePicture();

  CarSlots[0].points = nullptr;
  const std::vector<uint8_t> none = GaragePicture();
  CarSlots[0].points = points;
  EXPECT_GT(DifferentPixels(lit, none), 20) << "the flares show";

  const int groups = points->groupCount;
  points->groupCount = 2;
  const std::vector<uint8_t> noGroup2 = GaragePicture();
  points->groupCount = groups;
  EXPECT_EQ(DifferentPixels(noGroup2, none), 0);
}

TEST_F(GarageScene, PublishesItsCameraAndHandsTheMenusANearPlaneFromTheZoom) {
  LinkRendererToGame();
  GarageZoom = 1.2f;
  GarageIdlePhase = 1.0f;
  GaragePicture();
  const Vector3 eye = GarageEye();
  EXPECT_NEAR(RenderCamera.eye.x, eye.x, 1e-5f);
  EXPECT_NEAR(RenderCamera.eye.y, eye.y, 1e-5f);
  EXPECT_NEAR(RenderCamera.eye.z, eye.z, 1e-5f);
  const Vector3 d = GarageViewPoint(eye);
  EXPECT_NEAR(RenderCamera.viewDirection.x, d.x, 1e-6f);
  EXPECT_NEAR(RenderCamera.viewDirection.z, d.z, 1e-6f);
  EXPECT_EQ(RenderCamera.rawUp.y, 1.0f);

  // The projection it leaves: near 1 + 0.9 x (zoom + 0.5 sin(phase + pi/2)).
  GLfloat m[16];
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  const float nearPlane = m[14] / (m[10] - 1.0f);
  EXPECT_NEAR(nearPlane, 1.0f + 0.9f * (1.2f + 0.5f * std::cos(1.0f)), 2e-3f);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], kScreenW);
  EXPECT_EQ(viewport[3], kScreenH);
  GLint program = -1, unit = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  EXPECT_EQ(program, 0);
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
  EXPECT_EQ(unit, GL_TEXTURE0_ARB);
}

// "Shadow detail" off: the map is emptied every frame, so nothing the race left in it
// darkens the garage. On, the garage's own shadow pass owns the map.
TEST_F(GarageScene, WithShadowsOffTheShadowMapIsClearedEachFrame) {
  const RenderTargets& t = Renderer.targets;
  ASSERT_NE(t.ShadowFramebuffer, 0u);
  const int size = RenderSetup.shadowMapSize;
  // The lambdas read the renderer's own targets, a global: nothing to capture.
  auto fillDepth = [](double depth) {
    const RenderTargets& targets = Renderer.targets;
    GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, targets.ShadowFramebuffer);
    GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D,
                                    targets.ShadowDepthTexture, 0);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    glClearDepth(depth);
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  };
  auto readDepth = [size]() {
    std::vector<float> depth(static_cast<size_t>(size) * size, -1.0f);
    glBindTexture(GL_TEXTURE_2D, Renderer.targets.ShadowDepthTexture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return depth;
  };
  fillDepth(0.25);
  for (float d : readDepth()) ASSERT_NEAR(d, 0.25f, 1e-3f) << "the race's shadows";
  ShadowMapSize = 16;
  GaragePicture();
  for (float d : readDepth()) ASSERT_FLOAT_EQ(d, 1.0f);

  fillDepth(0.25);
  ShadowMapSize = 1024;
  GaragePicture();
  // With shadows on, the garage's own pass fills the map: the race's depth is gone and
  // the garage and its lorry cast.
  int race = 0, cast = 0;
  for (float d : readDepth()) {
    race += std::fabs(d - 0.25f) < 1e-3f;
    cast += d < 1.0f;
  }
  EXPECT_LT(race, size * size / 2) << "the race's shadows left in the garage";
  EXPECT_GT(cast, 0) << "nothing casts in the garage";
  ShadowMapSize = 16;
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GarageScene, TheSwayAdvancesOnlyOnASettledScreenWithNoLorryFadingIn) {
  GarageIdlePhase = 0.0f;
  FrameTiming.FrameTicks = 2.0f;
  DrawGarageScene();
  EXPECT_NEAR(GarageIdlePhase, 0.006f, 1e-7f);
  CarSwapFade = 1.0f;
  DrawGarageScene();
  EXPECT_NEAR(GarageIdlePhase, 0.006f, 1e-7f) << "a new lorry fading in";
  CarSwapFade = 0.5f;
  TargetScreen.store(kScreenOptions);
  DrawGarageScene();
  EXPECT_NEAR(GarageIdlePhase, 0.006f, 1e-7f) << "a screen change under way";
  TargetScreen.store(kScreenMainMenu);
  DrawGarageScene();
  EXPECT_NEAR(GarageIdlePhase, 0.012f, 1e-7f);
  CarSwapFade = 0.0f;

  // The phases wrap where nothing shows it: the sway at 2 pi, the lamps at 200 pi.
  GarageIdlePhase = 6.283f;
  GarageLampPhase = 628.31f;
  DrawGarageScene();
  EXPECT_LT(GarageIdlePhase, 0.01f);
  EXPECT_LT(GarageLampPhase, 0.1f);
}

TEST_F(GarageScene, EveryScreenThatShowsTheGarageDrawsItWithoutAGlError) {
  const int shown[] = {kScreenMainMenu,    kScreenOptions,      kScreenGraphics,   kScreenAudio,
                       kScreenControls,    kScreenCareerMenu,   kScreenNewCareer,  kScreenCareerHub,
                       kScreenEnginePackages, kScreenCarShop,   kScreenChampionship, kScreenSelectRace,
                       kScreenResults,     kScreenQuitConfirm,  kScreenQuickStart, kScreenEnterName};
  for (int screen : shown) {
    fetest::SettleOn(screen);
    const float beacon = BeaconAngle;
    fetest::Frame(1.0f);
    EXPECT_GT(BeaconAngle, beacon) << "screen " << screen << " drew no garage";
    EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR)) << "screen " << screen;
  }
}

}  // namespace
