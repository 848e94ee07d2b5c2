// The generated tables, lorries, object parts and numbered textures, read back with
// the game's own readers from the base/ tree the build wrote, plus two fresh runs of
// the generator compared byte for byte and a damaged copy the checker must refuse.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "app/career.h"
#include "gfx/image_tga.h"
#include "gfx/milkshape.h"
#include "race/car_control.h"
#include "race/car_setup.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

class PropsContent : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ReadFile("base/cars.ini").empty()) GTEST_SKIP() << "base/ has not been generated in the working folder";
  }
};

TEST_F(PropsContent, CarsIniRoundTripsThroughTheGameReaderAndSeedsTheCareer) {
  const std::vector<uint8_t> bytes = ReadFile("base/cars.ini");
  ASSERT_EQ(bytes.size(), static_cast<size_t>(kCarModels * kCarsIniRecordWords * 4));
  InitCarSetupDefaults();
  LoadCarsTable();
  for (int k = 0; k < kCarModels; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(CarPresets[k].modelIndex, k);
    uint8_t again[kCarsIniRecordWords * 4];
    EncodeCarsIniRecord(CarPresets[k], again);
    EXPECT_EQ(std::memcmp(again, bytes.data() + k * sizeof again, sizeof again), 0);
    // Field 5 is the seventh stored word.
    int32_t seventh;
    std::memcpy(&seventh, bytes.data() + k * sizeof again + 6 * 4, 4);
    EXPECT_EQ(seventh, CarPresets[k].partChoiceA[2]);
    for (int z = 0; z < 7; ++z)
      for (int c = 0; c < 3; ++c) {
        EXPECT_GE(CarPresets[k].paint[z][c], 0.0f);
        EXPECT_LE(CarPresets[k].paint[z][c], 1.0f);
      }
  }
  // Lorries of one family are told apart by their cab colour.
  for (int f = 0; f < 3; ++f)
    for (int a = 0; a < 6; ++a)
      for (int b = a + 1; b < 6; ++b)
        EXPECT_NE(std::memcmp(CarPresets[6 * f + a].paint[0], CarPresets[6 * f + b].paint[0], 12), 0);

  // The shipped career holds preset 0 as a new career applies it.
  const std::vector<uint8_t> career = ReadFile("base/career.inf");
  ASSERT_GE(career.size(), 160u);
  ApplyCarPreset(0);
  const uint8_t* live = reinterpret_cast<const uint8_t*>(&LiveCarSetup);
  EXPECT_EQ(std::memcmp(career.data(), live, 40), 0) << "fields 0-9";
  EXPECT_EQ(std::memcmp(career.data() + 44, live + 44, 112), 0) << "fields 11-38";
}

TEST_F(PropsContent, LampTableAndGripCurvesHaveTheirStoredForms) {
  const std::vector<uint8_t> optica = ReadFile("base/optica.ini");
  ASSERT_EQ(optica.size(), 1152u);
  for (size_t i = 0; i < optica.size(); i += 12) {
    float p[3];
    std::memcpy(p, optica.data() + i, 12);
    for (float v : p) ASSERT_TRUE(std::isfinite(v));
    EXPECT_NEAR(std::fabs(p[0]), 3.73f, 0.02f) << "lamp points lie on the front or rear face";
    EXPECT_LT(std::fabs(p[2]), 1.6f);
  }

  const std::vector<uint8_t> raw = ReadFile("base/fpoints.ini");
  const std::string text(raw.begin(), raw.end());
  // The game's reading: a seven-character number starting one before every '.'.
  std::vector<float> values;
  for (size_t i = 1; i < text.size() && i < 3000; ++i)
    if (text[i] == '.') values.push_back(static_cast<float>(std::atof(text.substr(i - 1, 7).c_str())));
  size_t dots = 0;
  for (char c : text) dots += c == '.';
  ASSERT_EQ(values.size(), 200u);
  EXPECT_EQ(dots, 200u);
  for (size_t i = 1; i < text.size(); ++i)
    if (text[i] == '.') {
      ASSERT_TRUE(i + 5 < text.size());
      for (size_t k = i + 1; k <= i + 5; ++k) EXPECT_TRUE(text[k] >= '0' && text[k] <= '9');
      EXPECT_TRUE(text[i - 1] >= '0' && text[i - 1] <= '9');
    }
  const float* drive = values.data();
  const float* lateral = values.data() + 100;
  EXPECT_FLOAT_EQ(drive[0], 0.0f);
  EXPECT_FLOAT_EQ(lateral[0], 0.0f);
  float drivePeak = 0, lateralPeak = 0;
  int drivePeakAt = 0;
  for (int i = 0; i < 100; ++i) {
    if (drive[i] > drivePeak) drivePeak = drive[i], drivePeakAt = i;
    lateralPeak = std::fmax(lateralPeak, lateral[i]);
  }
  EXPECT_GT(drivePeak, 0.9f);
  EXPECT_LT(drivePeakAt, 20) << "grip peaks at small slip";
  EXPECT_GT(drive[99], 0.5f) << "a spinning tyre still pulls";
  // The sideways pull the tyres hold stays under what the lorry's track (half 1.6)
  // and centre of mass (1.0 up) stand, 1.6 g: past its peak a tyre slides.
  EXPECT_GT(lateralPeak, 0.25f);
  EXPECT_LT(lateralPeak * LateralPullPerGrip(), 0.8f * 1.6f / 1.0f);
  EXPECT_GT(lateral[99], 0.3f) << "a sliding tyre still holds";
}

struct P3 {
  float x, y, z;
};
P3 Corner(const MilkshapeModel& m, int tri, int k) {
  const ModelVertex& v = m.vertices[m.triangles[tri].vertexIndices[k]];
  return {v.x, v.y, v.z};
}

TEST_F(PropsContent, EveryLorryHasItsGroupsMarkersAndWheelsWhereTheCarPassPutsThem) {
  for (int k = 0; k < kCarModels; ++k) {
    SCOPED_TRACE(k);
    const std::string dir = "base/cars/" + std::to_string(k) + "/";
    for (int level = 0; level < 3; ++level) {
      MilkshapeModel body;
      ASSERT_TRUE(body.Load((dir + "lod" + std::to_string(level) + "_car.sbm").c_str()));
      ASSERT_GE(body.groupCount, 5);
      for (int g = 0; g < 5; ++g) EXPECT_GT(body.groups[g].triangleCount, 0) << "group " << g;
      body.ComputeTangentFrames();
      for (int t = 0; t < body.triangleCount; ++t)
        for (int c = 0; c < 3; ++c)
          for (int a = 0; a < 3; ++a) ASSERT_TRUE(std::isfinite(body.triangles[t].tangents[c][a]));
    }
    MilkshapeModel points;
    ASSERT_TRUE(points.Load((dir + "points.sbm").c_str()));
    ASSERT_GE(points.groupCount, 3);
    // Wheels: half wheelbase 2.65, half track 1.6 (the box's half width) once the
    // loader adds 0.125.
    const ModelGroup& wheels = points.groups[0];
    ASSERT_GT(wheels.triangleCount, 0);
    const P3 w = Corner(points, wheels.triangleIndices[wheels.triangleCount - 1], 1);
    EXPECT_NEAR(w.x, 2.65f, 1e-4f);
    EXPECT_NEAR(w.z + 0.125f, 1.6f, 1e-4f);
    // Exhaust at the pipe's top behind the cab.
    const P3 e = Corner(points, points.groups[1].triangleIndices[0], 1);
    EXPECT_GT(e.y, 1.5f);
    EXPECT_LT(std::fabs(e.x), 3.75f);
    // Beacon frames: x forward, y up, on the roof; one or two of them.
    const ModelGroup& beacons = points.groups[2];
    EXPECT_EQ(beacons.triangleCount, k % 6 < 3 ? 1 : 2);
    for (int i = 0; i < beacons.triangleCount; ++i) {
      const P3 c0 = Corner(points, beacons.triangleIndices[i], 0), c1 = Corner(points, beacons.triangleIndices[i], 1),
               c2 = Corner(points, beacons.triangleIndices[i], 2);
      EXPECT_GT(c0.x - c1.x, 0.0f);
      EXPECT_NEAR(c0.y, c1.y, 1e-5f);
      EXPECT_GT(c2.y - c1.y, 0.0f);
      EXPECT_NEAR(c2.x, c1.x, 1e-5f);
      EXPECT_GT(c1.y, 1.6f);
    }
    // Wheels are round, of radius 0.63, turning about z.
    for (const char* name : {"lod0_wheel_f.sbm", "lod0_wheel_r.sbm"}) {
      MilkshapeModel wheel;
      ASSERT_TRUE(wheel.Load((dir + name).c_str()));
      float r = 0;
      for (int v = 0; v < wheel.vertexCount; ++v)
        r = std::fmax(r, std::hypot(wheel.vertices[v].x, wheel.vertices[v].y));
      EXPECT_NEAR(r, 0.63f, 0.005f) << name;
    }
  }
}

TEST_F(PropsContent, GaugeNeedlesPivotWhereTheHudTurnsThem) {
  TgaImage needles, dial;
  ASSERT_EQ(ReadTGAFile("base/textures/tex32.tga", &needles), TgaResult::kOk);
  ASSERT_EQ(ReadTGAFile("base/textures/tex36.tga", &dial), TgaResult::kOk);
  ASSERT_EQ(needles.components, 4);
  ASSERT_EQ(dial.components, 4);
  auto alpha = [](const TgaImage& im, float s, float t) {
    const int x = static_cast<int>(s * im.width), y = static_cast<int>(t * im.height);
    return im.pixels[4 * (static_cast<size_t>(y) * im.width + x) + 3];
  };
  // The quad spans y -12.39..61.97: the pivot is at t = 12.39 / 74.36 of each half.
  const float pivotT = 12.39f / 74.36f;
  EXPECT_GT(alpha(needles, 0.25f, pivotT), 200) << "load needle pivot";
  EXPECT_GT(alpha(needles, 0.75f, pivotT), 200) << "rev needle pivot";
  EXPECT_GT(alpha(needles, 0.75f, 0.8f), 200) << "the rev needle points up its half";
  EXPECT_EQ(alpha(needles, 0.05f, 0.5f), 0) << "beside the needle is clear";
  // Face half (t 0.5..1): opaque at both pivots (rev (34.56, 1.12), load (-67.54, -24.49)
  // in the 210 x 140 dial), clear in the corners; front half clear at the dial's centre.
  auto faceT = [](float y) { return 0.5f + 0.5f * (y + 70.0f) / 140.0f; };
  auto faceS = [](float x) { return (x + 105.0f) / 210.0f; };
  EXPECT_GT(alpha(dial, faceS(34.56f), faceT(1.12f)), 200);
  EXPECT_GT(alpha(dial, faceS(-67.54f), faceT(-24.49f)), 200);
  EXPECT_EQ(alpha(dial, 0.01f, 0.99f), 0);
  EXPECT_EQ(alpha(dial, faceS(34.56f + 30.0f), 0.5f * (1.12f + 70.0f) / 140.0f), 0);
}

TEST_F(PropsContent, TwoRunsAreIdenticalAndTheCheckerRefusesADamagedModel) {
  if (ReadFile("tools/basegen").empty()) GTEST_SKIP() << "tools/basegen not built in this folder";
  const std::string data = KELVAMOR_DATA_DIR;
  ASSERT_FALSE(ReadFile(data + "/shaders/BlurVS.glsl").empty()) << data;
  const char* tmp = std::getenv("TMPDIR");
  const std::string root = std::string(tmp && *tmp ? tmp : "/tmp") + "/props_content_" + std::to_string(::getpid());
  const std::string a = root + "/a", b = root + "/b";
  ASSERT_EQ(std::system(("tools/basegen --out " + a + " --data \"" + data + "\" > /dev/null 2>&1").c_str()), 0);
  ASSERT_EQ(std::system(("tools/basegen --out " + b + " --data \"" + data + "\" > /dev/null 2>&1").c_str()), 0);
  std::vector<std::string> files = {"cars.ini", "optica.ini", "fpoints.ini", "garage/garage.sbm", "garage/special.sbm",
                                    "garage/ground.sbm", "garage/transparency.sbm", "garage/world00.tga",
                                    "objects/object17part0.sbm", "cars/parts/lod0_part1.sbm"};
  for (int k = 0; k < kCarModels; ++k)
    for (const char* f : {"lod0_car.sbm", "lod2_wheel_r.sbm", "points.sbm", "car.tga", "car_dirt_mask.tga"})
      files.push_back("cars/" + std::to_string(k) + "/" + f);
  for (int n = 9; n <= 70; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "textures/tex%02d.tga", n);
    files.push_back(name);
  }
  for (const std::string& f : files) {
    const std::vector<uint8_t> x = ReadFile(a + "/" + f), y = ReadFile(b + "/" + f);
    EXPECT_FALSE(x.empty()) << f;
    EXPECT_TRUE(x == y) << f << " differs between two runs";
  }
  // A body cut short must be named by the checker.
  std::vector<uint8_t> body = ReadFile(a + "/cars/5/lod1_car.sbm");
  ASSERT_GT(body.size(), 100u);
  body.resize(body.size() / 2);
  std::ofstream(a + "/cars/5/lod1_car.sbm", std::ios::binary).write(reinterpret_cast<const char*>(body.data()), body.size());
  // Values the model reader takes but nothing can draw: a vertex and a texture
  // coordinate that are not numbers (the bounds and texture-area rules compare them
  // false and so never saw them).
  auto poke = [](const std::string& file, std::streamoff at, float value) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(at);
    f.write(reinterpret_cast<const char*>(&value), 4);
  };
  poke(a + "/cars/3/lod0_car.sbm", 16 + 15 * 3 + 1, std::nanf(""));
  {
    const std::vector<uint8_t> special = ReadFile(a + "/garage/special.sbm");
    ASSERT_GT(special.size(), 16u);
    const int vertices = special[14] | special[15] << 8;
    // First triangle: flags, three indices, nine normal floats, then s of corner 0.
    poke(a + "/garage/special.sbm", 16 + 15 * vertices + 2 + 8 + 36, std::nanf(""));
  }
  // Grip numbers the reader would still convert, but not in the written form: an
  // exponent beyond float and a sign in place of the leading digit.
  {
    std::vector<uint8_t> grip = ReadFile(a + "/fpoints.ini");
    std::string text(grip.begin(), grip.end());
    const size_t first = text.find('.');
    const size_t second = text.find('.', first + 1);
    ASSERT_NE(second, std::string::npos);
    text.replace(first - 1, 7, "9.9e999");
    text.replace(second - 1, 7, "-.12345");
    // And a lateral grip that would hold a lorry past its tipping pull (3.1 g).
    size_t at = second;
    for (int n = 2; n <= 110; ++n) at = text.find('.', at + 1);
    ASSERT_NE(at, std::string::npos);
    text.replace(at - 1, 7, "1.50000");
    std::ofstream(a + "/fpoints.ini", std::ios::binary) << text;
  }
  // A width that is not a number for a code without a glyph.
  {
    std::vector<uint8_t> widths = ReadFile(a + "/font1.ini");
    std::string text(widths.begin(), widths.end());
    const size_t at = text.find("code 5\n");
    ASSERT_NE(at, std::string::npos);
    const size_t value = at + 7, end = text.find('\n', value);
    text.replace(value, end - value, "nan");
    std::ofstream(a + "/font1.ini", std::ios::binary) << text;
  }
  // A sample rate far beyond an int in a sound's header.
  {
    const std::string wav = a + "/sound/Varn130/1052.wav";
    std::vector<uint8_t> bytes = ReadFile(wav);
    const std::string header(bytes.begin(), bytes.end());
    const size_t fmt = header.find("fmt ");
    ASSERT_NE(fmt, std::string::npos) << wav;
    const uint32_t rate = 0xFFFFFFFFu;
    std::memcpy(&bytes[fmt + 12], &rate, 4);
    std::ofstream(wav, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  const std::string log = root + "/check.txt";
  EXPECT_NE(std::system(("tools/basegen --check " + a + " > " + log + " 2>&1").c_str()), 0);
  const std::vector<uint8_t> out = ReadFile(log);
  const std::string report(out.begin(), out.end());
  EXPECT_NE(report.find("cars/5/lod1_car.sbm"), std::string::npos) << report;
  EXPECT_NE(report.find("cars/3/lod0_car.sbm holds a position, normal or texture coordinate that is not a number"), std::string::npos) << report;
  EXPECT_NE(report.find("garage/special.sbm holds a position, normal or texture coordinate that is not a number"), std::string::npos)
      << report;
  EXPECT_NE(report.find("fpoints.ini holds a number not written"), std::string::npos) << report;
  EXPECT_NE(report.find("fpoints.ini lateral grip holds a lorry past its tipping pull"), std::string::npos) << report;
  EXPECT_NE(report.find("font1.ini: width of code 5 differs"), std::string::npos) << report;
  EXPECT_NE(report.find("sound/Varn130/1052.wav is empty or not at 22050 Hz"), std::string::npos) << report;
  std::system(("rm -rf '" + root + "'").c_str());
}

}  // namespace
