// SetPerspective in the race and in the front end, read back from GL.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "gfx/projection.h"
#include "gfx/links.h"
#include "tests/gfx/gl_fixture.h"

namespace {

int g_screen = 0;
float g_speed = 0.0f;
float g_far = 600.0f;
float g_zoom = 3.5f;

class ProjectionTest : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    saved_ = GfxLinks;
    GfxLinks.targetScreen = [] { return g_screen; };
    GfxLinks.cameraSpeedFactor = [] { return g_speed; };
    GfxLinks.farDistance = [] { return g_far; };
    GfxLinks.garageZoom = [] { return g_zoom; };
  }
  void TearDown() override { GfxLinks = saved_; }
  GraphicsLinks saved_;
};

struct Frustum {
  double fovyDegrees, aspect, zNear, zFar;
};

// Undoes gluPerspective: m5 = cot(fovy / 2), m0 = m5 / aspect, m10 and m14 give the planes.
Frustum ReadProjection() {
  GLdouble m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  Frustum f;
  f.fovyDegrees = 2.0 * std::atan(1.0 / m[5]) * 180.0 / 3.14159265358979;
  f.aspect = m[5] / m[0];
  f.zNear = m[14] / (m[10] - 1.0);
  f.zFar = m[14] / (m[10] + 1.0);
  return f;
}

void ExpectModelviewIdentity() {
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f);
}

TEST_F(ProjectionTest, RaceViewWidensWithSpeedAndUsesTheFarDistance) {
  g_screen = 0;
  g_speed = 0.0f;
  g_far = 600.0f;
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(1, 2, 3);
  SetPerspective(800, 600);
  Frustum f = ReadProjection();
  EXPECT_NEAR(f.fovyDegrees, 48.0, 1e-6);
  EXPECT_NEAR(f.aspect, 800.0 / 600.0, 1e-6);
  EXPECT_NEAR(f.zNear, 0.1, 1e-6);
  EXPECT_NEAR(f.zFar, 600.0, 6.0);  // the planes come back through float matrix entries
  ExpectModelviewIdentity();
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[0], 0);
  EXPECT_EQ(vp[2], 800);
  EXPECT_EQ(vp[3], 600);

  g_speed = 0.6f;
  g_far = 15000.0f;
  SetPerspective(800, 600);
  f = ReadProjection();
  EXPECT_NEAR(f.fovyDegrees, 51.0, 1e-5);
  EXPECT_NEAR(f.zFar, 15000.0, 150.0);
}

TEST_F(ProjectionTest, FrontEndViewIsFixedWhateverTheSpeed) {
  g_screen = 1;
  g_zoom = 3.5f;
  for (float speed : {0.0f, 2.0f}) {
    g_speed = speed;
    SetPerspective(1024, 768);
    const Frustum f = ReadProjection();
    EXPECT_NEAR(f.fovyDegrees, 30.0, 1e-6);
    EXPECT_NEAR(f.zNear, 4.15, 1e-5);
    EXPECT_NEAR(f.zFar, 15000.0, 150.0);
    ExpectModelviewIdentity();
  }
  g_zoom = -0.5f;
  SetPerspective(1024, 768);
  EXPECT_NEAR(ReadProjection().zNear, 0.55, 1e-5);
}

TEST_F(ProjectionTest, ZeroHeightCountsAsOne) {
  g_screen = 1;
  SetPerspective(300, 0);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[2], 300);
  EXPECT_EQ(vp[3], 1);
  EXPECT_NEAR(ReadProjection().aspect, 300.0, 1e-3);
  gltest::BindWindowFramebuffer();
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ProjectionTest, UnlinkedValuesReadAsNothingThere) {
  // Nothing linked: no screen, so the menu's fixed view, and no zoom. gfx keeps no copy
  // of the owners' start values to fall back on.
  GfxLinks = GraphicsLinks();
  SetPerspective(640, 480);
  const Frustum f = ReadProjection();
  EXPECT_NEAR(f.fovyDegrees, 30.0, 1e-6);
  EXPECT_NEAR(f.zNear, 1.0, 1e-5);
  EXPECT_EQ(LinkedTargetScreen(), -1);
  EXPECT_EQ(LinkedCurrentScreen(), -1);
  EXPECT_EQ(LinkedFarDistance(), 0.0f);
}

}  // namespace
