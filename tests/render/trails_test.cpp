// The camera-facing square of the wheel dust, read back through GL feedback, and the
// two wheel-trail draws with the stores as the race leaves them (empty) and with one
// record put in by hand.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "app/frame.h"
#include "app/race_snapshot.h"
#include "race/car.h"
#include "race/wheel_trails.h"
#include "render/camera_state.h"
#include "render/cars_pass.h"
#include "render/pass_control.h"
#include "tests/render/render_gl.h"

namespace {

constexpr int kViewport = 200;

struct Corner {
  float x, y, z;  // back in the caller's units
  float s, t;
};

// The four corners EmitBillboardQuad sends, as GL received them: emitted as points in
// feedback mode with identity matrices, so window coordinates map straight back.
std::vector<Corner> Billboard(float ex, float ey, float ez, float x, float y, float z, float size) {
  glViewport(0, 0, kViewport, kViewport);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-10.0, 10.0, -10.0, 10.0, -10.0, 10.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  std::vector<GLfloat> buffer(256);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  glBegin(GL_POINTS);
  EmitBillboardQuad(ex, ey, ez, x, y, z, size);
  glEnd();
  const int n = glRenderMode(GL_RENDER);
  std::vector<Corner> corners;
  // Each point: its token, x y z, four colour and four texture components.
  for (int i = 0; i + 11 < n; i += 12) {
    if (buffer[i] != GL_POINT_TOKEN) break;
    const float* v = &buffer[i + 1];
    corners.push_back({v[0] / kViewport * 20.0f - 10.0f, v[1] / kViewport * 20.0f - 10.0f, 10.0f - v[2] * 20.0f,
                       v[7], v[8]});
  }
  return corners;
}

void ExpectCorner(const Corner& c, float x, float y, float z, float s, float t) {
  EXPECT_NEAR(c.x, x, 1e-3f);
  EXPECT_NEAR(c.y, y, 1e-3f);
  EXPECT_NEAR(c.z, z, 1e-3f);
  EXPECT_EQ(c.s, s);
  EXPECT_EQ(c.t, t);
}

class RaceRenderTrails : public rendertest::RenderGlTest {
 protected:
  void TearDown() override {
    std::memset(TyreMarks, 0, sizeof TyreMarks);
    std::memset(WheelDustStore, 0, sizeof WheelDustStore);
    for (CarRow& row : RenderCarRows) row = CarRow();
    FrameTiming.RenderTicks = 0.0f;
    PassControl = PassControlState();
    gltest::BindWindowFramebuffer();
  }
};

TEST_F(RaceRenderTrails, TheBillboardStandsOnItsTwoAxesFacingTheEye) {
  // Seen from +z: A = v x up = -x, B = v x A = -y.
  std::vector<Corner> c = Billboard(1.0f, 2.0f, 9.0f, 1.0f, 2.0f, 0.0f, 0.5f);
  ASSERT_EQ(c.size(), 4u);
  ExpectCorner(c[0], 0.5f, 2.0f, 0.0f, 0.0f, 0.0f);
  ExpectCorner(c[1], 1.0f, 2.5f, 0.0f, 1.0f, 0.0f);
  ExpectCorner(c[2], 1.5f, 2.0f, 0.0f, 1.0f, 1.0f);
  ExpectCorner(c[3], 1.0f, 1.5f, 0.0f, 0.0f, 1.0f);
  // Only the direction to the eye counts, not its distance.
  std::vector<Corner> far = Billboard(1.0f, 2.0f, 9000.0f, 1.0f, 2.0f, 0.0f, 0.5f);
  ASSERT_EQ(far.size(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(far[i].x, c[i].x, 1e-3f) << i;
  // Seen from +x the square turns into the y-z plane.
  c = Billboard(9.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  ASSERT_EQ(c.size(), 4u);
  ExpectCorner(c[0], 0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
  ExpectCorner(c[1], 0.0f, 1.0f, 0.0f, 1.0f, 0.0f);
}

TEST_F(RaceRenderTrails, SeenFromStraightAboveOrFromItsCentreTheBillboardShrinksToAPoint) {
  for (float eyeY : {5.0f, 2.0f}) {
    SCOPED_TRACE(eyeY);
    // Above: v is the world's up, A = 0 and B = v x A = 0 with it. At the centre: no
    // facing at all, and no non-numbers either.
    const std::vector<Corner> c = Billboard(1.0f, eyeY, -1.0f, 1.0f, 2.0f, -1.0f, 0.5f);
    ASSERT_EQ(c.size(), 4u) << "the batch still gets its four corners";
    for (const Corner& k : c) {
      EXPECT_NEAR(k.x, 1.0f, 1e-3f);
      EXPECT_NEAR(k.y, 2.0f, 1e-3f);
      EXPECT_NEAR(k.z, -1.0f, 1e-3f);
    }
  }
}

class RaceRenderTrailDraws : public RaceRenderTrails {
 protected:
  void SetUp() override {
    RaceRenderTrails::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    target_ = std::make_unique<gltest::ColourTarget>(128, 128);
    ASSERT_TRUE(target_->complete());
    target_->Clear(0.2f, 0.3f, 0.4f, 0.5f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10.0, 10.0, -10.0, 10.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.0, 50.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, -1.0);
    RenderCamera.eye = Vector3(0.0f, 50.0f, 0.0f);
    RenderCamera.eye.z = 0.001f;  // not straight above: the dust squares have a face
    for (int& lod : RenderSnapshot.levelOfDetail) lod = -1;
  }
  std::unique_ptr<gltest::ColourTarget> target_;
};

// Floats GL received from the draw in feedback mode: every vertex sent inside the view
// shows up there, whether or not it would cover a pixel (culling off: a culled face
// would not).
int FeedbackFloats(void (*draw)()) {
  glDisable(GL_CULL_FACE);
  std::vector<GLfloat> buffer(1 << 16);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  return glRenderMode(GL_RENDER);
}

TEST_F(RaceRenderTrailDraws, EmptyStoresSendNoVertexAndADustParticleAtTheEyeNone) {
  FrameTiming.RenderTicks = 1.0f;
  EXPECT_EQ(FeedbackFloats(DrawSkidMarks), 0) << "not 6,400 quads of nothing";
  EXPECT_EQ(FeedbackFloats(DrawDust), 0);
  EXPECT_FALSE(AnyWheelDustActive());
  // The measure sees a mark and a particle that are there.
  RenderCarRows[0].skidIndex[0] = 399;
  TyreMark& mark = TyreMarks[0][0][398];
  const float corners[4][3] = {{-2, 0, -2}, {2, 0, -2}, {2, 0, 2}, {-2, 0, 2}};
  std::memcpy(mark.corners, corners, sizeof corners);
  mark.startStrength = 1.0f;
  EXPECT_GT(FeedbackFloats(DrawSkidMarks), 0);
  WheelDust& d = WheelDustStore[0][3][7];
  d.active = 1;
  d.position = {1.0f, 0.0f, 1.0f, 0.0f};
  EXPECT_TRUE(AnyWheelDustActive());
  EXPECT_GT(FeedbackFloats(DrawDust), 0);
  // At the eye the square has no face and would go out as non-numbers: left out, but
  // the particle still ages.
  d.position = {RenderCamera.eye.x, RenderCamera.eye.y, RenderCamera.eye.z, 0.0f};
  d.velocity = {0.0f, 0.0f, 0.0f, 0.0f};
  const float age = d.age;
  EXPECT_EQ(FeedbackFloats(DrawDust), 0);
  EXPECT_GT(d.age, age);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RaceRenderTrailDraws, EmptyTyreMarkRingsDrawNothing) {
  const std::vector<uint8_t> before = target_->Read();
  const GLuint samples = rendertest::SamplesPassed([] { DrawCars(1); });
  EXPECT_EQ(samples, 0u);
  EXPECT_EQ(rendertest::ChangedPixels(before, target_->Read()), 0);
  // A broken write position reads the ring from its start rather than off its end.
  RenderCarRows[2].skidIndex[1] = 9999;
  RenderCarRows[3].skidIndex[0] = -7;
  EXPECT_EQ(rendertest::SamplesPassed([] { DrawCars(1); }), 0u);
}

TEST_F(RaceRenderTrailDraws, AMarkInARingIsDrawn) {
  // One mark, the newest of car 1's wheel 2: a 4 x 4 square on the ground.
  RenderCarRows[1].skidIndex[2] = 5;
  TyreMark& mark = TyreMarks[1][2][4];
  const float corners[4][3] = {{-2, 0, -2}, {2, 0, -2}, {2, 0, 2}, {-2, 0, 2}};
  std::memcpy(mark.corners, corners, sizeof corners);
  mark.normal[1] = 1.0f;
  mark.startStrength = mark.endStrength = 1.0f;
  const GLuint samples = rendertest::SamplesPassed([] {
    glDisable(GL_DEPTH_TEST);
    DrawCars(1);
    glEnable(GL_DEPTH_TEST);
  });
  // 4 x 4 of the 20 x 20 view on 128 x 128 pixels.
  EXPECT_NEAR(static_cast<double>(samples), 128.0 * 128.0 * 16.0 / 400.0, 60.0);
  // Without strength the same quad would only write transparency into the layer.
  mark.startStrength = mark.endStrength = 0.0f;
  EXPECT_EQ(rendertest::SamplesPassed([] { DrawCars(1); }), 0u) << "a mark of no strength";
  mark.endStrength = 1.0f;
  EXPECT_GT(rendertest::SamplesPassed([] { DrawCars(1); }), 0u) << "fading in along its length";
  PassControl = PassControlState();
  std::snprintf(PassControl.skip[0], sizeof PassControl.skip[0], "trails");
  EXPECT_EQ(rendertest::SamplesPassed([] { DrawCars(1); }), 0u) << "the race tools can leave them out";
}

TEST_F(RaceRenderTrailDraws, NoDustDrawsNothingAndADyingParticleIsDrawnOnceMore) {
  FrameTiming.RenderTicks = 1.0f;
  const std::vector<uint8_t> before = target_->Read();
  EXPECT_EQ(rendertest::SamplesPassed([] { DrawDust(); }), 0u);
  EXPECT_EQ(rendertest::ChangedPixels(before, target_->Read()), 0);

  WheelDust& d = WheelDustStore[3][1][99];
  d.active = 1;
  d.age = 0.999f;
  d.position = {1.0f, 0.0f, 1.0f, 0.0f};
  d.velocity = {2.0f, 0.0f, 0.0f, 0.0f};
  EXPECT_GT(rendertest::SamplesPassed([] { DrawDust(); }), 0u) << "drawn at alpha 0.001";
  EXPECT_EQ(d.active, 0) << "then gone";
  EXPECT_EQ(rendertest::SamplesPassed([] { DrawDust(); }), 0u);

  // A young particle ages by a quarter of a hundredth per tick.
  d.active = 1;
  d.age = 0.0f;
  FrameTiming.RenderTicks = 4.0f;
  DrawDust();
  EXPECT_FLOAT_EQ(d.age, 0.01f);
  EXPECT_EQ(d.active, 1);
  EXPECT_EQ(rendertest::LeftoverState(), "");
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

}  // namespace
