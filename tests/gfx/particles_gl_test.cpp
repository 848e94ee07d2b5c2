// Particle emitters drawn in a real GL context: the quads appear around the position
// given to the draw, face the eye, blend by the effect's mode and leave the depth and
// culling state as the scene passes expect; trimmed to their sprite's visible part they
// draw the same pixels from fewer fragments. Also a picture of the generated exhaust
// smoke for the eye (its path is printed).
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/scratch_dir.h"
#include "gfx/gl_ext.h"
#include "gfx/image_tga.h"
#include "gfx/particles.h"
#include "platform/crt_rand.h"
#include "tests/gfx/gl_fixture.h"

namespace {

constexpr int kSize = 64;

EffectParameters StillCloud(int count, int blend) {
  EffectParameters p;
  std::memset(&p, 0, sizeof p);
  p.count = count;
  p.storedBlendMode = 0;
  p.blendMode = blend;
  p.maxSize = 1.0f;
  p.lifeRate = 1.0f;
  p.spreadRange[0] = p.spreadRange[1] = p.spreadRange[2] = 1;  // no spread: all at the centre
  p.decayModulus = 1;
  p.decayDivisor = 1.0f;
  p.decayBase = 0.01f;
  p.startSize = 1.0f;
  p.startLife = 0.5f;
  return p;
}

int Red(const std::vector<uint8_t>& px, int w, int x, int y) {
  return px[(static_cast<size_t>(y) * w + x) * 4];
}

class ParticleDrawTest : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    if (IsSkipped()) return;
    target_.reset(new gltest::ColourTarget(kSize, kSize));
    ASSERT_TRUE(target_->complete());
    white_ = gltest::SolidTexture(255, 255, 255, 255);
    Camera(kSize, kSize);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
  }
  void TearDown() override {
    glDeleteTextures(1, &white_);
    target_.reset();
  }
  // Looking down -z from (0, 0, 10): x = 2 lands right of the centre.
  static void Camera(int w, int h) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, static_cast<double>(w) / h, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 10, 0, 0, 0, 0, 1, 0);
  }
  // An emitter whose particles are alive at the emitter's own position.
  static void Alive(ParticleEmitter* e, int count, int blend) {
    ASSERT_TRUE(e->Init(StillCloud(count, blend)));
    e->Update(0.0f, 0, 0, 0);  // first step: every particle dies and is born
    e->colourR = 1.0f;
    e->colourG = 0.0f;
    e->colourB = 0.0f;
  }
  // Pixel column of world x at depth 0 for this camera.
  static int ColumnOf(float x) {
    const double half = 10.0 * std::tan(30.0 * 3.14159265358979 / 180.0);
    return static_cast<int>((x / half * 0.5 + 0.5) * kSize);
  }

  std::unique_ptr<gltest::ColourTarget> target_;
  GLuint white_ = 0;
};

TEST_F(ParticleDrawTest, QuadsAppearAtTheEmitterPosition) {
  ParticleEmitter e;
  Alive(&e, 1, 0);
  target_->Clear(0, 0, 0, 0);
  e.Draw(2.0f, 0.0f, 0.0f, 0.0f, 0.0f, 10.0f, static_cast<int>(white_), 0.5f);
  const std::vector<uint8_t> px = target_->Read();
  const int cx = ColumnOf(2.0f);
  EXPECT_NEAR(128, Red(px, kSize, cx, kSize / 2), 3);  // red at the particle's alpha 0.5
  EXPECT_EQ(0, Red(px, kSize, kSize / 2, kSize / 2));  // nothing at the origin
  EXPECT_EQ(0, Red(px, kSize, ColumnOf(-2.0f), kSize / 2));
  // The diamond's corners lie scale x size from the centre: within it near, not far.
  EXPECT_GT(Red(px, kSize, ColumnOf(2.25f), kSize / 2), 0);
  EXPECT_EQ(0, Red(px, kSize, ColumnOf(2.7f), kSize / 2));
  // What the scene passes get back.
  GLboolean depthWrites = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  EXPECT_TRUE(depthWrites);
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

TEST_F(ParticleDrawTest, LastFieldChoosesAdditiveBlending) {
  ParticleEmitter alpha, additive;
  Alive(&alpha, 2, 0);
  Alive(&additive, 2, 1);
  target_->Clear(0.4f, 0, 0, 0);
  alpha.Draw(0, 0, 0, 0, 0, 10, static_cast<int>(white_), 0.5f);
  const int over = Red(target_->Read(), kSize, kSize / 2, kSize / 2);
  target_->Clear(0.4f, 0, 0, 0);
  additive.Draw(0, 0, 0, 0, 0, 10, static_cast<int>(white_), 0.5f);
  const int added = Red(target_->Read(), kSize, kSize / 2, kSize / 2);
  // Two layers of alpha 0.5 over 0.4: 0.85; added to it: 1.4, clamped.
  EXPECT_NEAR(217, over, 3);
  EXPECT_EQ(255, added);
}

TEST_F(ParticleDrawTest, ParticlesSeenFromAboveOrAtTheEyeDrawNothing) {
  ParticleEmitter e;
  Alive(&e, 1, 0);
  target_->Clear(0, 0, 0, 0);
  // Straight above: the facing vectors lose their length, as the effects always had.
  e.Draw(0, 0, 0, 0, 10, 0, static_cast<int>(white_), 0.5f);
  // At the eye: no facing at all, and no NaN sent to GL.
  e.Draw(0, 0, 0, 0, 0, 0, static_cast<int>(white_), 0.5f);
  const std::vector<uint8_t> px = target_->Read();
  int lit = 0;
  for (size_t i = 0; i < px.size(); i += 4) lit += px[i] > 0;
  EXPECT_EQ(0, lit);
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

TEST_F(ParticleDrawTest, PictureOfTheExhaustSmoke) {
  ParticleEmitter smoke;
  if (!smoke.Load("base/effects/smokepipe.eff"))
    GTEST_SKIP() << "base/ not generated here (build the base target)";
  // A soft round puff, as the smoke texture is.
  constexpr int n = 32;
  std::vector<uint8_t> puff(n * n * 4);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1;
      const float a = std::fmax(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy));
      uint8_t* p = &puff[(y * n + x) * 4];
      p[0] = p[1] = p[2] = 255;
      p[3] = static_cast<uint8_t>(255 * a * a);
    }
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, n, n, 0, GL_RGBA, GL_UNSIGNED_BYTE, puff.data());

  constexpr int w = 320, h = 240;
  gltest::ColourTarget shot(w, h);
  ASSERT_TRUE(shot.complete());
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(48.0, static_cast<double>(w) / h, 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(2.0, 1.5, 6.0, -2.0, 0.8, 0, 0, 1, 0);
  platform::SeedRand(1);
  // Two seconds at 60 frames a second, the car driving along +x (smoke blown back).
  for (int frame = 0; frame < 120; ++frame) smoke.Update(1.67f, -20.0f, 0.0f, 0.0f);
  smoke.colourR = 0.35f;
  smoke.colourG = 0.35f;
  smoke.colourB = 0.35f;
  shot.Clear(0.45f, 0.6f, 0.75f, 1.0f);
  smoke.Draw(0.0f, 0.3f, 0.0f, 2.0f, 1.5f, 6.0f, static_cast<int>(tex), 1.0f);
  std::vector<uint8_t> px = shot.Read();
  glDeleteTextures(1, &tex);
  for (size_t i = 3; i < px.size(); i += 4) px[i] = 255;
  std::vector<uint8_t> file;
  ASSERT_TRUE(EncodeTGA(w, h, 4, px.data(), &file));
  const std::string path = testscratch::ScratchPath("gfx_smoke.tga");
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
  std::printf("smoke picture: %s\n", path.c_str());
  // Grey puffs over the blue sky: some pixels lose their blue lead.
  int grey = 0;
  for (size_t i = 0; i < px.size(); i += 4)
    if (px[i + 2] - px[i] < 30) ++grey;
  EXPECT_GT(grey, 200);
}

// A mipmapped puff, clear in its corners as the smoke sprite is.
GLuint MipmappedPuff(int n, std::vector<uint8_t>* pixels) {
  pixels->assign(static_cast<size_t>(n) * n * 4, 0);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1;
      const float q = std::sqrt(dx * dx + dy * dy) / 0.85f;
      uint8_t* p = &(*pixels)[(static_cast<size_t>(y) * n + x) * 4];
      // Soft detail, as a smoke sprite has, so that misplaced samples show in the pixels.
      p[0] = static_cast<uint8_t>(128 + 60 * std::sin(x * 0.5f) * std::cos(y * 0.3f));
      p[1] = static_cast<uint8_t>(128 + 60 * std::cos(x * 0.2f + y * 0.4f));
      p[2] = 128;
      p[3] = q < 1.0f ? 200 : 0;  // a hard rim: cutting into it would show
    }
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, n, n, GL_RGBA, GL_UNSIGNED_BYTE, pixels->data());
  return tex;
}

// Fragments that reached the target while `draw` ran.
template <typename F>
GLuint CountFragments(GLuint query, F draw) {
  GlExt.glBeginQueryARB(GL_SAMPLES_PASSED_ARB, query);
  draw();
  GlExt.glEndQueryARB(GL_SAMPLES_PASSED_ARB);
  GLuint n = 0;
  GlExt.glGetQueryObjectuivARB(query, GL_QUERY_RESULT_ARB, &n);
  return n;
}

TEST_F(ParticleDrawTest, TrimmedPuffsDrawTheSamePixelsFromFewerFragments) {
  ASSERT_TRUE(FetchOcclusionQueryEntryPoints()) << "the driver counts no samples";
  constexpr int w = 400, h = 300;
  gltest::ColourTarget shot(w, h);
  ASSERT_TRUE(shot.complete());
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60.0, static_cast<double>(w) / h, 0.1, 200.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(0, 0, 0, 0, 0, -1, 0, 1, 0);
  std::vector<uint8_t> pixels;
  const GLuint puff = MipmappedPuff(64, &pixels);
  SpriteOutline outline = TraceSpriteOutline(pixels.data(), 64, 64);
  ASSERT_EQ(8, outline.corners);
  SpriteTrim trim;
  trim.outline = &outline;
  trim.pixelsPerUnit = static_cast<float>(0.5 * h / std::tan(30.0 * 3.14159265358979 / 180.0));
  trim.limit = 0.6f;

  // Near: a puff 2.4 units across at 1.5 units, hundreds of pixels across, texture
  // magnified. Far: the same puff 60 units off, a few pixels across, texture minified.
  ParticleEmitter nearCloud, farCloud;
  Alive(&nearCloud, 1, 0);  // one layer: rounding of stacked layers would add up
  Alive(&farCloud, 3, 0);
  for (ParticleEmitter* e : {&nearCloud, &farCloud}) e->colourG = e->colourB = 1.0f;
  const auto drawNear = [&](const SpriteTrim* t) { nearCloud.Draw(0.3f, 0.1f, -1.5f, 0, 0, 0, static_cast<int>(puff), 1.2f, t); };
  const auto drawFar = [&](const SpriteTrim* t) { farCloud.Draw(-3.0f, 1.0f, -60.0f, 0, 0, 0, static_cast<int>(puff), 1.2f, t); };
  GLuint query = 0;
  GlExt.glGenQueriesARB(1, &query);

  shot.Clear(0.2f, 0.3f, 0.4f, 1.0f);
  const GLuint fullNear = CountFragments(query, [&] { drawNear(nullptr); });
  const GLuint fullFar = CountFragments(query, [&] { drawFar(nullptr); });
  const std::vector<uint8_t> full = shot.Read();
  shot.Clear(0.2f, 0.3f, 0.4f, 1.0f);
  const GLuint trimmedNear = CountFragments(query, [&] { drawNear(&trim); });
  const GLuint trimmedFar = CountFragments(query, [&] { drawFar(&trim); });
  const std::vector<uint8_t> trimmed = shot.Read();
  GlExt.glDeleteQueriesARB(1, &query);

  int worst = 0, changed = 0;
  for (size_t i = 0; i < full.size(); ++i) {
    worst = std::max(worst, std::abs(full[i] - trimmed[i]));
    changed += full[i] != trimmed[i];
  }
  // Rounding apart: the trimmed fan's triangles interpolate from other corners than the
  // diamond's two, and the base-level filter takes another path through the sampler.
  EXPECT_LE(worst, 1) << changed << " channels differ";
  EXPECT_LT(changed, static_cast<int>(full.size() / 100));
  // The near puff covers most of the picture; trimmed, the clear corners are not drawn.
  EXPECT_GT(fullNear, static_cast<GLuint>(w * h / 2));
  EXPECT_LT(trimmedNear, fullNear * 85 / 100);
  // The far ones are sampled from smaller levels whose texels reach further out: whole.
  EXPECT_GT(fullFar, 0u);
  EXPECT_EQ(fullFar, trimmedFar);
  // The sprite keeps its own filters.
  GLint minifying = 0;
  glBindTexture(GL_TEXTURE_2D, puff);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minifying);
  EXPECT_EQ(GL_LINEAR_MIPMAP_LINEAR, minifying);
  glDeleteTextures(1, &puff);
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

TEST_F(ParticleDrawTest, OutlineIsReadFromTheTexturesBaseLevel) {
  std::vector<uint8_t> pixels;
  const GLuint puff = MipmappedPuff(32, &pixels);
  SpriteOutline read;
  ASSERT_TRUE(ReadSpriteOutline(puff, &read));
  const SpriteOutline traced = TraceSpriteOutline(pixels.data(), 32, 32);
  ASSERT_EQ(traced.corners, read.corners);
  EXPECT_EQ(32, read.texels);
  for (int i = 0; i < read.corners; ++i) {
    EXPECT_FLOAT_EQ(traced.s[i], read.s[i]);
    EXPECT_FLOAT_EQ(traced.t[i], read.t[i]);
  }
  glDeleteTextures(1, &puff);
  // No texture: the whole square, and a refusal.
  SpriteOutline none;
  EXPECT_FALSE(ReadSpriteOutline(0, &none));
  EXPECT_EQ(4, none.corners);
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

}  // namespace
