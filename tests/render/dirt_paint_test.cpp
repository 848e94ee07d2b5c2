// The dirt painter on a real context with small made-up car textures, splash atlases of
// solid square cells and a dirt mask that keeps the left half clean: the race and garage
// schedules, the splash count, the normal skin replaying the colour skin's splashes (and
// only those drawn), and washing.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "platform/crt_rand.h"
#include "race/car_content.h"
#include "race/scene_content.h"
#include "render/car_skins.h"
#include "render/dirt_paint.h"
#include "tests/render/race_render_support.h"
#include "tests/render/render_gl.h"

namespace {

using rendertest::LeftoverState;

constexpr int kSmall = 16;  // the made-up textures' edge; the painter stretches them
// Mud moves each skin by the same step, so a splash's rim shows in both or neither.
const uint8_t kPaint[4] = {200, 40, 40, 255};
const uint8_t kNormal[4] = {128, 128, 255, 255};
const uint8_t kMud[4] = {80, 40, 40, 255};
const uint8_t kMudNormal[4] = {248, 128, 255, 255};

std::vector<uint8_t> Flat(int w, int h, const uint8_t rgba[4]) {
  std::vector<uint8_t> t(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < t.size(); i += 4)
    for (int k = 0; k < 4; ++k) t[i + k] = rgba[k];
  return t;
}

std::vector<uint8_t> ReadSkin(GLuint texture) {
  std::vector<uint8_t> texels(static_cast<size_t>(kDirtWidth) * kDirtHeight * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  return texels;
}

// Texels whose colour differs by more than a rounding step, and how many of them lie in
// the skin's left half.
struct Changed {
  int all = 0, left = 0;
  std::vector<bool> at;
};
// Texels changed in one and not the other: rounding may split a rim texel.
int Mismatched(const Changed& a, const Changed& b) {
  int n = 0;
  for (size_t i = 0; i < a.at.size() && i < b.at.size(); ++i) n += a.at[i] != b.at[i];
  return n;
}

Changed Compare(const std::vector<uint8_t>& skin, const uint8_t colour[3]) {
  Changed c;
  c.at.resize(skin.size() / 4);
  for (size_t i = 0; i < c.at.size(); ++i) {
    bool differs = false;
    for (int k = 0; k < 3; ++k) differs |= std::abs(skin[4 * i + k] - colour[k]) > 2;
    c.at[i] = differs;
    if (!differs) continue;
    ++c.all;
    if (static_cast<int>(i % kDirtWidth) < kDirtWidth / 2) ++c.left;
  }
  return c;
}

class RaceRenderDirt : public rendertest::RenderGlTest {
 protected:
  void SetUp() override {
    rendertest::RenderGlTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    using racerender::TextureFromTexels;
    // White takes dirt, black stays clean.
    std::vector<uint8_t> mask(kSmall * kSmall * 4, 255);
    for (int y = 0; y < kSmall; ++y)
      for (int x = 0; x < kSmall / 2; ++x)
        for (int k = 0; k < 3; ++k) mask[4 * (y * kSmall + x) + k] = 0;
    for (int c = 0; c < kDirtCarSlots; ++c) {
      CarColourTextures[c].name = static_cast<int>(TextureFromTexels(kSmall, kSmall, Flat(kSmall, kSmall, kPaint)));
      CarNormalTextures[c].name = static_cast<int>(TextureFromTexels(kSmall, kSmall, Flat(kSmall, kSmall, kNormal)));
      CarDirtMaskTextures[c].name = static_cast<int>(TextureFromTexels(kSmall, kSmall, mask));
      CarDirt[c] = CarDirtState{};
      ColourSkinIndex[c] = NormalSkinIndex[c] = 0;
    }
    SharedSceneTextures[6].name = static_cast<int>(TextureFromTexels(8 * kSmall, kSmall, Flat(8 * kSmall, kSmall, kMud)));
    SharedSceneTextures[7].name =
        static_cast<int>(TextureFromTexels(8 * kSmall, kSmall, Flat(8 * kSmall, kSmall, kMudNormal)));
    DirtPaintCounter = -1;
    DirtSplashCount = 0;
    platform::SeedRand(11);
  }
  void TearDown() override {
    for (Texture* t : {&CarColourTextures[0], &CarNormalTextures[0], &CarDirtMaskTextures[0]})
      for (int c = 0; c < kDirtCarSlots; ++c) t[c].Release();
    SharedSceneTextures[6].Release();
    SharedSceneTextures[7].Release();
  }

  GLuint Skin(int car, int layer, int index) const { return Renderer.targets.DirtTextures[car][layer][index & 1]; }
  GLuint ColourSkin(int car) const { return Skin(car, kColourSkin, ColourSkinIndex[car]); }
  GLuint NormalSkin(int car) const { return Skin(car, kNormalSkin, NormalSkinIndex[car]); }

  // The pre-paint's rounds: every car's flags raised, then two steps.
  void Rounds(int n) {
    for (int r = 0; r < n; ++r) {
      for (CarDirtState& d : CarDirt) {
        d.paintFlag = 1;
        d.amount = 5.0f;
      }
      PaintCarDirt();
      PaintCarDirt();
    }
  }
};

TEST_F(RaceRenderDirt, ATenthOfTheAmountTruncatedIsTheSplashCountUpToTheLimit) {
  EXPECT_EQ(SplashCount(0.05f), 0) << "0.5 truncates to no splash";
  EXPECT_EQ(SplashCount(0.1f), 1);
  EXPECT_EQ(SplashCount(4.99f), 49);
  EXPECT_EQ(SplashCount(5.0f), MaxSplashes);
  EXPECT_EQ(SplashCount(1.0e9f), MaxSplashes);
  EXPECT_EQ(SplashCount(-3.0f), 0);
  EXPECT_EQ(SplashCount(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(SplashCount(std::numeric_limits<float>::infinity()), MaxSplashes);
}

TEST_F(RaceRenderDirt, TheRaceScheduleTakesColourThenNormalOfEachCarAndStartsOver) {
  for (int call = 0; call < 9; ++call) {
    uint8_t colour[kDirtCarSlots], normal[kDirtCarSlots];
    for (int c = 0; c < kDirtCarSlots; ++c) {
      colour[c] = ColourSkinIndex[c];
      normal[c] = NormalSkinIndex[c];
    }
    PaintCarDirt();
    const int step = call % 8;
    ASSERT_EQ(DirtPaintCounter, step);
    for (int c = 0; c < kDirtCarSlots; ++c) {
      EXPECT_EQ(ColourSkinIndex[c] != colour[c], step == 2 * c) << "call " << call << ", car " << c;
      EXPECT_EQ(NormalSkinIndex[c] != normal[c], step == 2 * c + 1) << "call " << call << ", car " << c;
    }
    // A freshly loaded car's skins restart from its own textures; the normal step ends
    // the restart.
    if (step % 2 == 1) {
      EXPECT_EQ(CarDirt[step / 2].resetFlag, 0);
    }
  }
  EXPECT_EQ(LeftoverState(), "");
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], RenderSetup.screenWidth);
  EXPECT_EQ(viewport[3], RenderSetup.screenHeight);
  GLint bound = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
  EXPECT_EQ(bound, 0);

  const Changed colour = Compare(ReadSkin(ColourSkin(0)), kPaint);
  const Changed normal = Compare(ReadSkin(NormalSkin(0)), kNormal);
  EXPECT_EQ(colour.all, 0) << "the restart paints no splash";
  EXPECT_EQ(normal.all, 0);
}

TEST_F(RaceRenderDirt, AnOddCallCountLeavesTheLastCarsNormalSkinOneStepBehind) {
  Rounds(4);  // every car restarted
  Rounds(3);
  for (CarDirtState& d : CarDirt) d.amount = 5.0f;
  PaintCarDirt();  // the seventh call: car 3's colour skin
  ASSERT_EQ(DirtPaintCounter, 6);
  const Changed colour = Compare(ReadSkin(ColourSkin(3)), kPaint);
  const Changed normalBefore = Compare(ReadSkin(NormalSkin(3)), kNormal);
  EXPECT_GT(colour.all, 0);
  EXPECT_EQ(colour.left, 0) << "the mask keeps the left half clean";
  EXPECT_EQ(normalBefore.all, 0) << "the normal skin has not had its step";

  PaintCarDirt();
  const Changed normal = Compare(ReadSkin(NormalSkin(3)), kNormal);
  EXPECT_LE(Mismatched(normal, colour), colour.all / 100) << "the normal step replays the same splashes";
  EXPECT_EQ(CarDirt[3].amount, 0.0f) << "the amount is used up";
}

TEST_F(RaceRenderDirt, TheNormalStepReplaysWhatTheColourStepDrewNotWhatTheAmountSaysNow) {
  Rounds(4);
  const std::vector<uint8_t> colourBefore = ReadSkin(ColourSkin(0));
  const std::vector<uint8_t> normalBefore = ReadSkin(NormalSkin(0));
  CarDirt[0].amount = 0.05f;
  PaintCarDirt();
  EXPECT_TRUE(ReadSkin(ColourSkin(0)) == colourBefore) << "0.05 gives no splash";
  // Raised before the normal step: its records beyond the colour step's none were never
  // drawn.
  CarDirt[0].amount = 5.0f;
  PaintCarDirt();
  EXPECT_TRUE(ReadSkin(NormalSkin(0)) == normalBefore);
  EXPECT_EQ(LeftoverState(), "");
}

TEST_F(RaceRenderDirt, TheGarageShowsAFreshCarCleanThenPaintsItsOwnSkinsInTurn) {
  ASSERT_EQ(CarDirt[0].resetFlag, 1);
  PaintCarDirtInGarage(0);
  EXPECT_EQ(DirtPaintCounter, 0);
  EXPECT_EQ(ColourSkinIndex[0], 1);
  PaintCarDirtInGarage(0);
  EXPECT_EQ(DirtPaintCounter, 1);
  EXPECT_EQ(NormalSkinIndex[0], 1);
  EXPECT_EQ(CarDirt[0].resetFlag, 0);
  EXPECT_EQ(Compare(ReadSkin(ColourSkin(0)), kPaint).all, 0);
  EXPECT_EQ(Compare(ReadSkin(NormalSkin(0)), kNormal).all, 0);

  CarDirt[0].amount = 2.0f;
  PaintCarDirtInGarage(0);
  EXPECT_EQ(DirtPaintCounter, 0) << "0, 1, 0, 1 ...";
  const Changed colour = Compare(ReadSkin(ColourSkin(0)), kPaint);
  EXPECT_GT(colour.all, 0);
  EXPECT_EQ(colour.left, 0);
  PaintCarDirtInGarage(0);
  EXPECT_LE(Mismatched(Compare(ReadSkin(NormalSkin(0)), kNormal), colour), colour.all / 100);
  for (int c = 1; c < kDirtCarSlots; ++c) EXPECT_EQ(ColourSkinIndex[c], 0) << "only the garage's car";
  EXPECT_EQ(LeftoverState(), "");
}

// A step brings the skin's older buffer up to the newer one before it stamps. Copying
// less than the whole skin is only right while the two differ nowhere but under the
// last step's splashes: after many overlapping rounds, one step without a splash must
// leave both buffers of every skin the same, texel for texel, mud included.
TEST_F(RaceRenderDirt, AStepWithoutSplashesLeavesBothBuffersOfEverySkinAlike) {
  Rounds(4);  // every car restarted from its own textures
  Rounds(6);
  for (CarDirtState& d : CarDirt) d.amount = 0.0f;
  for (int step = 0; step < 8; ++step) PaintCarDirt();
  for (int c = 0; c < kDirtCarSlots; ++c) {
    for (int layer : {kColourSkin, kNormalSkin}) {
      const std::vector<uint8_t> a = ReadSkin(Skin(c, layer, 0)), b = ReadSkin(Skin(c, layer, 1));
      const Changed mud = Compare(a, layer == kColourSkin ? kPaint : kNormal);
      EXPECT_GT(mud.all, kDirtWidth * kDirtHeight / 20) << "car " << c << " layer " << layer << ": mud landed";
      EXPECT_EQ(mud.left, 0);
      size_t differ = 0;
      for (size_t i = 0; i < a.size(); ++i) differ += a[i] != b[i];
      EXPECT_EQ(differ, 0u) << "car " << c << " layer " << layer;
    }
  }
  // The restart copies the car's own texture over one buffer: the next step must bring
  // the other one back whole, or old mud would survive the reload there.
  CarDirt[1].resetFlag = 1;
  DirtPaintCounter = 1;
  PaintCarDirt();
  PaintCarDirt();
  CarDirt[1].amount = 0.0f;
  DirtPaintCounter = 1;
  PaintCarDirt();
  PaintCarDirt();
  for (int layer : {kColourSkin, kNormalSkin})
    for (int index : {0, 1})
      EXPECT_EQ(Compare(ReadSkin(Skin(1, layer, index)), layer == kColourSkin ? kPaint : kNormal).all, 0)
          << "layer " << layer << " buffer " << index;
  EXPECT_EQ(LeftoverState(), "");
}

TEST_F(RaceRenderDirt, WashingTurnsTheDirtySkinBackToTheCarsOwnTexture) {
  Rounds(4);
  Rounds(4);
  ASSERT_GT(Compare(ReadSkin(ColourSkin(0)), kPaint).all, 0);
  DirtPaintCounter = -1;
  CarDirt[0].paintFlag = 0;
  CarDirt[0].amount = 1.0f;  // a whole wash at once
  PaintCarDirt();
  EXPECT_EQ(Compare(ReadSkin(ColourSkin(0)), kPaint).all, 0);
  PaintCarDirt();
  EXPECT_EQ(Compare(ReadSkin(NormalSkin(0)), kNormal).all, 0);
  EXPECT_EQ(LeftoverState(), "");
}

}  // namespace
