// The wind of the grass and the trees and the sun glare's level, as numbers: what a
// frame of no ticks holds, what lands exactly on a quarter turn, how the levels clamp.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/grass.h"
#include "render/sun_glare.h"
#include "render/trees.h"

namespace {

constexpr float kHalfPi = 0.5f * kWindPi;

TEST(RaceRenderWind, APhaseLandingOnAQuarterTurnGetsNoExtraStep) {
  // 0.25 below pi/2 is exact in floats, so one tick of base 0.25 lands on pi/2 itself.
  EXPECT_EQ(StepWindPhase(kHalfPi - 0.25f, 1.0f, 0.25f, 0.5f), kHalfPi);
  EXPECT_EQ(StepWindPhase(3.0f * kHalfPi - 0.25f, 1.0f, 0.25f, 0.5f), 3.0f * kHalfPi);
  // Just inside the lower half the extra step comes on top.
  EXPECT_FLOAT_EQ(StepWindPhase(kHalfPi, 1.0f, 0.25f, 0.5f), kHalfPi + 0.75f);
  EXPECT_FLOAT_EQ(StepWindPhase(0.5f, 2.0f, 0.25f, 0.5f), 1.0f);
  // Past a whole turn it comes round again below 2 pi.
  EXPECT_NEAR(StepWindPhase(kWindTwoPi - 0.1f, 1.0f, 0.3f, 0.0f), 0.2f, 1e-6f);
  const float far = StepWindPhase(1.0f, 1e6f, 1.0f, 0.0f);
  EXPECT_GE(far, 0.0f);
  EXPECT_LT(far, kWindTwoPi);
  // A broken frame time neither hangs the wrap nor poisons the phase.
  EXPECT_EQ(StepWindPhase(1.0f, std::numeric_limits<float>::infinity(), 1.0f, 1.0f), 0.0f);
  EXPECT_EQ(StepWindPhase(1.0f, std::nanf(""), 1.0f, 1.0f), 0.0f);
  EXPECT_FLOAT_EQ(GustAmplitude(kHalfPi), 5.0f);
  EXPECT_FLOAT_EQ(GustAmplitude(3.0f * kHalfPi), 7.0f);
}

TEST(RaceRenderGrass, NoTicksFreezeThePhaseKindsWhileTheClockKindsMoveOn) {
  GrassWindPhase1 = 0.3f;
  GrassWindPhase2 = 2.0f;
  GrassWindPhase3 = 4.0f;
  GrassWindPhase4 = 5.0f;
  const GrassSway a = AdvanceGrassWind(0.0f, 10.0f);
  const GrassSway b = AdvanceGrassWind(0.0f, 10.5f);
  EXPECT_EQ(GrassWindPhase1, 0.3f);
  EXPECT_EQ(GrassWindPhase4, 5.0f);
  for (int k : {0, 2, 3, 7}) {
    EXPECT_EQ(a.x[k], b.x[k]) << "kind " << k;
    EXPECT_EQ(a.z[k], b.z[k]) << "kind " << k;
  }
  for (int k : {1, 4, 5, 6}) EXPECT_NE(a.x[k], b.x[k]) << "kind " << k << " follows the clock";
  // The same clock with ticks: the phase kinds move, the clock kinds do not.
  const GrassSway c = AdvanceGrassWind(10.0f, 10.5f);
  for (int k : {0, 2, 3, 7}) EXPECT_NE(b.x[k], c.x[k]) << "kind " << k;
  for (int k : {1, 4, 5, 6}) EXPECT_EQ(b.x[k], c.x[k]) << "kind " << k;
  // The phases step in their own rates: phase 2 is in its lower half, phase 1 not.
  EXPECT_FLOAT_EQ(GrassWindPhase1, 0.3f + 10.0f * 0.0125f);
  EXPECT_FLOAT_EQ(GrassWindPhase2, 2.0f + 10.0f * (0.014f + 0.012f));
  // Kinds 0, 2 and 3 lean along the diagonal; kind 7 round a circle of its phase.
  EXPECT_EQ(c.x[0], c.z[0]);
  EXPECT_NEAR(c.x[7] / c.z[7], std::tan(GrassWindPhase4), 1e-3f);
  for (int k = 0; k < kGrassKindCount; ++k) EXPECT_TRUE(std::isfinite(c.x[k]) && std::isfinite(c.z[k])) << k;
}

TEST(RaceRenderTrees, TheWindHoldsWithoutTicksAndTheBatchesStandUp) {
  EXPECT_EQ(StepTreeWind(1.2f, 0.0f), 1.2f);
  EXPECT_FLOAT_EQ(StepTreeWind(1.0f, 2.0f), 1.0f + 2.0f * (std::sin(0.28f) * 0.007f + 0.01f));
  // In the lower half the phase runs faster.
  EXPECT_FLOAT_EQ(StepTreeWind(2.0f, 2.0f), 2.0f + 2.0f * (std::sin(0.56f) * 0.007f + 0.01f + 0.0065f));
  // No lean: Up is the world's up, Right across the flat view, both 2.9 long.
  TreeBatchVectors b = TreeBatch(Vector3(0.6f, -0.8f, 0.0f), 0.0f);
  EXPECT_NEAR(b.up.x, 0.0f, 1e-6f);
  EXPECT_NEAR(b.up.y, 2.9f, 1e-5f);
  EXPECT_NEAR(b.right.Length(), 2.9f, 1e-5f);
  EXPECT_NEAR(b.right.x, 0.0f, 1e-6f);
  EXPECT_NEAR(std::fabs(b.right.z), 2.9f, 1e-5f);
  // Looking along x the lean turns Up about the x axis: it tips sideways, not along x.
  b = TreeBatch(Vector3(1.0f, 0.0f, 0.0f), 0.1f);
  EXPECT_NEAR(b.up.x, 0.0f, 1e-6f);
  EXPECT_NEAR(b.up.z, 2.9f * std::sin(0.1f), 1e-4f);
  EXPECT_NEAR(b.up.Length(), 2.9f, 1e-5f);
  // Straight down there is no flat view; the batch still has finite, upright vectors.
  b = TreeBatch(Vector3(0.0f, -1.0f, 0.0f), 0.05f);
  EXPECT_TRUE(std::isfinite(b.right.x) && std::isfinite(b.right.z) && b.right.Length() > 2.8f);
  EXPECT_GT(b.up.y, 2.8f);
}

TEST(RaceRenderSunGlare, TheLevelBuildsInHalfASecondAndFadesInOne) {
  // Thirty frames of a sixtieth of a second, as the race tool steps them.
  const float ticks = 100.0f / 60.0f;
  float g = 0.0f;
  for (int f = 0; f < 30; ++f) g = AdvanceSunGlare(g, true, ticks);
  EXPECT_EQ(g, 1.0f) << "50 ticks seen";
  for (int f = 0; f < 60; ++f) g = AdvanceSunGlare(g, false, ticks);
  EXPECT_EQ(g, 0.0f) << "100 ticks hidden";
  EXPECT_EQ(AdvanceSunGlare(0.4f, true, 0.0f), 0.4f) << "a frame of no ticks";
  EXPECT_EQ(AdvanceSunGlare(0.4f, false, 0.0f), 0.4f);
  EXPECT_FLOAT_EQ(AdvanceSunGlare(0.4f, true, 10.0f), 0.6f);
  EXPECT_FLOAT_EQ(AdvanceSunGlare(0.4f, false, 10.0f), 0.3f);
  EXPECT_EQ(AdvanceSunGlare(0.9f, true, 100.0f), 1.0f);
  EXPECT_EQ(AdvanceSunGlare(0.1f, false, 100.0f), 0.0f);
  EXPECT_EQ(AdvanceSunGlare(std::nanf(""), true, 1.0f), 0.0f);
}

}  // namespace
