// The tyre and torque curves: lookups at and between their points, the clamp helper,
// and the reading of fpoints.ini text, hostile text included (run under
// AddressSanitizer: a point at either end of the text must not read outside it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "race/tyre_curves.h"
#include "tests/scratch_dir.h"

namespace {

// Fills both grip tables with distinct values: entry i of drive is i / 100, of
// lateral 1 + i / 100.
void Ramps() {
  for (int i = 0; i < kGripCurvePoints; ++i) {
    DriveGripTable[i] = i / 100.0f;
    LateralGripTable[i] = 1.0f + i / 100.0f;
  }
}

std::string SevenCharacterNumber(float v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%7.5f", v);
  return buf;
}

TEST(TyreCurves, LookupsHitTheirPointsAndInterpolateBetweenThem) {
  EXPECT_FLOAT_EQ(EngineTorqueCurve(0.5f), 0.98f) << "entry 8 exactly";
  EXPECT_FLOAT_EQ(EngineTorqueCurve(1.0f), 0.65f);
  EXPECT_FLOAT_EQ(EngineTorqueCurve(0.0f), 0.55f);
  EXPECT_FLOAT_EQ(EngineTorqueCurve(6.0f / 16.0f), 1.0f);
  EXPECT_NEAR(EngineTorqueCurve(0.5f / 16.0f), 0.605f, 1e-6f) << "halfway between entries 0 and 1";
  // The torque curve is not clamped by design, but a stray input stays in the table.
  EXPECT_TRUE(std::isfinite(EngineTorqueCurve(-3.0f)));
  EXPECT_TRUE(std::isfinite(EngineTorqueCurve(7.0f)));

  Ramps();
  EXPECT_FLOAT_EQ(DriveGripCurve(-0.3f), DriveGripTable[0]);
  EXPECT_FLOAT_EQ(DriveGripCurve(2.0f), DriveGripTable[99]);
  EXPECT_FLOAT_EQ(DriveGripCurve(1.0f), DriveGripTable[99]) << "x = 1 gives the last entry";
  EXPECT_FLOAT_EQ(DriveGripCurve(0.0f), DriveGripTable[0]);
  // 0.505 x 99 = 49.995: between entries 49 and 50, 0.995 of the way.
  const float expected = LateralGripTable[49] + (LateralGripTable[50] - LateralGripTable[49]) * 0.995f;
  EXPECT_NEAR(LateralGripCurve(0.505f), expected, 1e-5f);
  EXPECT_FLOAT_EQ(LateralGripCurve(-1.0f), LateralGripTable[0]);
}

TEST(TyreCurves, ClampRaisesThenLowers) {
  EXPECT_EQ(ClampFloat(5.0f, 0.0f, 1.0f), 1.0f);
  EXPECT_EQ(ClampFloat(-5.0f, 0.0f, 1.0f), 0.0f);
  EXPECT_EQ(ClampFloat(0.5f, 1.0f, 0.0f), 0.0f) << "lo above hi: hi wins";
  EXPECT_EQ(ClampFloat(0.25f, 0.0f, 1.0f), 0.25f);
}

TEST(TyreCurves, TwoHundredNumbersFillBothCurvesAndMoreAreIgnored) {
  std::string text;
  for (int i = 0; i < 201; ++i) text += SevenCharacterNumber(i < 100 ? i * 0.01f : 2.0f + (i - 100) * 0.01f) + "\n";
  ASSERT_LT(text.size(), 3000u);
  float drive[kGripCurvePoints] = {}, lateral[kGripCurvePoints] = {};
  EXPECT_EQ(DecodeFPoints(text.data(), text.size(), drive, lateral), 201);
  for (int i = 0; i < kGripCurvePoints; ++i) {
    EXPECT_NEAR(drive[i], i * 0.01f, 1e-5f) << i;
    EXPECT_NEAR(lateral[i], 2.0f + i * 0.01f, 1e-5f) << i;
  }

  // Fewer than 200: the rest keep what they held.
  float keep[kGripCurvePoints], keepLateral[kGripCurvePoints];
  for (int i = 0; i < kGripCurvePoints; ++i) keep[i] = keepLateral[i] = -7.0f;
  const std::string few = "a 1.50000, b 0.25000 c";
  EXPECT_EQ(DecodeFPoints(few.data(), few.size(), keep, keepLateral), 2);
  EXPECT_FLOAT_EQ(keep[0], 1.5f);
  EXPECT_FLOAT_EQ(keep[1], 0.25f);
  EXPECT_FLOAT_EQ(keep[2], -7.0f);
  EXPECT_FLOAT_EQ(keepLateral[0], -7.0f);
}

TEST(TyreCurves, OnlyTheFirst3000BytesAreScanned) {
  std::string text(2995, ' ');
  text += "1.25000";  // the point sits at byte 2996: read
  text += " 9.00000"; // beyond 3000: not read
  float drive[kGripCurvePoints] = {}, lateral[kGripCurvePoints] = {};
  EXPECT_EQ(DecodeFPoints(text.data(), text.size(), drive, lateral), 1);
  EXPECT_FLOAT_EQ(drive[0], 1.25f);
}

TEST(TyreCurves, HostilePointsStayInsideTheText) {
  float drive[kGripCurvePoints] = {}, lateral[kGripCurvePoints] = {};
  // A point first: no digit before it, nothing read before the text.
  std::vector<char> first = {'.', '5', '0', '0'};
  EXPECT_EQ(DecodeFPoints(first.data(), first.size(), drive, lateral), 0);
  // A point in the last bytes: the number is cut short at the text's end. The text
  // is an exact-size buffer without a terminator, so a read past it shows under ASan.
  std::vector<char> last = {'x', '3', '.', '7'};
  EXPECT_EQ(DecodeFPoints(last.data(), last.size(), drive, lateral), 1);
  EXPECT_FLOAT_EQ(drive[0], 3.7f);
  std::vector<char> only = {'4', '.'};
  EXPECT_EQ(DecodeFPoints(only.data(), only.size(), drive, lateral), 1);
  EXPECT_FLOAT_EQ(drive[0], 4.0f);
  // Nothing numeric around the point reads as 0, as the conversion gives.
  std::vector<char> junk = {'a', '.', 'b', 'c'};
  EXPECT_EQ(DecodeFPoints(junk.data(), junk.size(), drive, lateral), 1);
  EXPECT_FLOAT_EQ(drive[0], 0.0f);
  EXPECT_EQ(DecodeFPoints(nullptr, 10, drive, lateral), 0);
}

// Seven characters hold an exponent: "9.e9999" and "1.e39xx" lie past the float range
// (infinite grip), and "3.e38" beside "-.9e38x" leaves the lookup a difference it
// cannot hold. Without one a number stays between -1 and 10.
TEST(TyreCurves, NumbersBeyondTheFormatsRangeReadAsZero) {
  float drive[kGripCurvePoints] = {}, lateral[kGripCurvePoints] = {};
  const std::string text = "9.e9999 1.e39xx 3.e38 -.9e38x 1.e1abc 9.99999 -.50000 3.e-50";
  EXPECT_EQ(DecodeFPoints(text.data(), text.size(), drive, lateral), 8);
  for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(drive[i], 0.0f) << i;
  EXPECT_FLOAT_EQ(drive[5], 9.99999f);
  EXPECT_FLOAT_EQ(drive[6], -0.5f);
  EXPECT_FLOAT_EQ(drive[7], 0.0f);
  std::copy(drive, drive + kGripCurvePoints, DriveGripTable);
  for (int i = 0; i <= 400; ++i) EXPECT_TRUE(std::isfinite(DriveGripCurve(i / 400.0f))) << i;
}

TEST(TyreCurves, FileLoadsIntoTheTablesAndAMissingFileLeavesThem) {
  Ramps();
  LoadFPoints(testscratch::ScratchPath("no-such-fpoints.ini").c_str());
  EXPECT_FLOAT_EQ(DriveGripTable[7], 0.07f) << "a missing file leaves the curves";

  const std::string path = testscratch::ScratchPath("fpoints.ini");
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  for (int i = 0; i < 200; ++i) std::fprintf(f, "%s%c", SevenCharacterNumber(0.5f).c_str(), i % 10 == 9 ? '\n' : ' ');
  std::fclose(f);
  LoadFPoints(path.c_str());
  for (int i = 0; i < kGripCurvePoints; ++i) {
    EXPECT_FLOAT_EQ(DriveGripTable[i], 0.5f);
    EXPECT_FLOAT_EQ(LateralGripTable[i], 0.5f);
  }
}

TEST(TyreCurves, TheGeneratedFileGivesGripThatRisesFromZero) {
  FILE* f = std::fopen("base/fpoints.ini", "rb");
  if (!f) GTEST_SKIP() << "base/ not generated here (build the base target)";
  std::fclose(f);
  LoadFPoints("base/fpoints.ini");
  EXPECT_EQ(DriveGripTable[0], 0.0f) << "no slip, no drive force";
  EXPECT_GT(DriveGripCurve(0.1f), 0.9f) << "the peak lies near 20 % slip";
  EXPECT_EQ(LateralGripTable[0], 0.0f) << "no sideways speed, no sideways force";
  // A lorry sliding sideways at 10 units/s still holds, below the curve's peak.
  EXPECT_GT(LateralGripCurve(0.05f), 0.3f);
  EXPECT_LT(LateralGripCurve(0.05f), LateralGripCurve(0.02f)) << "past the peak the tyre slides";
}

}  // namespace
