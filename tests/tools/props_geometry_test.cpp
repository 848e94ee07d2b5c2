// Geometry rules of the generated models that drawing with back-face culling and the
// menus' garage camera rely on: windings agree with the stored normals, convex object
// parts face outwards, the garage is open above the car and its floor is where the
// wheels stand; and the numbered textures the HUD draws are real pictures.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/image_tga.h"
#include "gfx/milkshape.h"

namespace {

struct P3 {
  float x, y, z;
};
P3 Sub(P3 a, P3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
P3 Cross(P3 a, P3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Dot(P3 a, P3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

P3 Corner(const MilkshapeModel& m, int t, int k) {
  const ModelVertex& v = m.vertices[m.triangles[t].vertexIndices[k]];
  return {v.x, v.y, v.z};
}

class PropsGeometry : public ::testing::Test {
 protected:
  void SetUp() override {
    FILE* f = std::fopen("base/garage/garage.sbm", "rb");
    if (!f) GTEST_SKIP() << "base/ has not been generated in the working folder";
    std::fclose(f);
  }
};

// Triangles whose corners wind against all three stored normals would vanish under
// culling or be lit from behind.
int WindingFaults(const MilkshapeModel& m) {
  int faults = 0;
  for (int t = 0; t < m.triangleCount; ++t) {
    const P3 a = Corner(m, t, 0), b = Corner(m, t, 1), c = Corner(m, t, 2);
    const P3 n = Cross(Sub(b, a), Sub(c, a));
    if (Dot(n, n) < 1e-12f) continue;
    for (int k = 0; k < 3; ++k) {
      const float* s = m.triangles[t].normals[k];
      if (Dot(n, {s[0], s[1], s[2]}) <= 0) {
        ++faults;
        break;
      }
    }
  }
  return faults;
}

TEST_F(PropsGeometry, WindingsAgreeWithNormalsInEveryDrawnModel) {
  std::vector<std::string> files = {"base/garage/garage.sbm", "base/garage/special.sbm", "base/garage/ground.sbm",
                                    "base/garage/transparency.sbm"};
  const int parts[18] = {1, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 3, 3, 3, 1};
  for (int i = 0; i < 18; ++i)
    for (int j = 0; j < parts[i]; ++j)
      files.push_back("base/objects/object" + std::to_string(i) + "part" + std::to_string(j) + ".sbm");
  for (int k : {0, 6, 12, 17})
    for (const char* f : {"lod0_car.sbm", "lod2_car.sbm", "lod0_glass_car.sbm", "lod1_wheel_f.sbm", "lod0_wheel_r.sbm",
                          "lod0_car_shadow.sbm"})
      files.push_back("base/cars/" + std::to_string(k) + "/" + f);
  for (int level = 0; level < 3; ++level)
    for (int p = 0; p < 5; ++p) files.push_back("base/cars/parts/lod" + std::to_string(level) + "_part" + std::to_string(p) + ".sbm");
  for (const std::string& f : files) {
    MilkshapeModel m;
    ASSERT_TRUE(m.Load(f.c_str())) << f;
    EXPECT_EQ(WindingFaults(m), 0) << f;
  }
}

TEST_F(PropsGeometry, ConvexObjectPartsFaceAwayFromTheirBodyCentre) {
  // Drums, crates, slabs, barriers and hedges: one solid each around the body origin.
  const int convex[][2] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {4, 1}, {6, 1}, {7, 0},
                           {9, 0}, {12, 0}, {13, 0}, {14, 0}, {14, 2}, {16, 1}};
  for (const auto& tp : convex) {
    const std::string f = "base/objects/object" + std::to_string(tp[0]) + "part" + std::to_string(tp[1]) + ".sbm";
    MilkshapeModel m;
    ASSERT_TRUE(m.Load(f.c_str())) << f;
    int inward = 0;
    for (int t = 0; t < m.triangleCount; ++t) {
      const P3 a = Corner(m, t, 0), b = Corner(m, t, 1), c = Corner(m, t, 2);
      const P3 centroid{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
      if (Dot(Cross(Sub(b, a), Sub(c, a)), centroid) < -1e-6f) ++inward;
    }
    EXPECT_EQ(inward, 0) << f;
  }
}

TEST_F(PropsGeometry, GarageIsOpenAboveTheCarWithItsFloorUnderTheWheels) {
  for (const char* f : {"base/garage/garage.sbm", "base/garage/special.sbm", "base/garage/transparency.sbm"}) {
    MilkshapeModel m;
    ASSERT_TRUE(m.Load(f));
    // No triangle above the car covers the vertical through points of the car's plan.
    for (const P3 probe : {P3{0, 0, 0}, P3{3.5f, 0, 1.5f}, P3{-3.5f, 0, -1.5f}, P3{0, 0, 10}, P3{10, 0, 0}}) {
      for (int t = 0; t < m.triangleCount; ++t) {
        const P3 a = Corner(m, t, 0), b = Corner(m, t, 1), c = Corner(m, t, 2);
        if (a.y < 0 && b.y < 0 && c.y < 0) continue;
        const float d1 = (b.x - a.x) * (probe.z - a.z) - (b.z - a.z) * (probe.x - a.x);
        const float d2 = (c.x - b.x) * (probe.z - b.z) - (c.z - b.z) * (probe.x - b.x);
        const float d3 = (a.x - c.x) * (probe.z - c.z) - (a.z - c.z) * (probe.x - c.x);
        const bool inside = (d1 > 1e-6f && d2 > 1e-6f && d3 > 1e-6f) || (d1 < -1e-6f && d2 < -1e-6f && d3 < -1e-6f);
        EXPECT_FALSE(inside) << f << " roofs over (" << probe.x << ", " << probe.z << ")";
      }
    }
  }
  MilkshapeModel ground;
  ASSERT_TRUE(ground.Load("base/garage/ground.sbm"));
  float top = -1e9f;
  for (int v = 0; v < ground.vertexCount; ++v) top = std::fmax(top, ground.vertices[v].y);
  // The wheels' lowest point: hub at -0.37, radius 0.63.
  EXPECT_NEAR(top, -1.0f, 0.02f);
}

TEST_F(PropsGeometry, HudAndMenuTexturesArePicturesNotPlaceholders) {
  for (int n : {12, 15, 17, 20, 22, 23, 24, 26, 27, 29, 32, 36, 58, 59}) {
    char path[48];
    std::snprintf(path, sizeof path, "base/textures/tex%02d.tga", n);
    TgaImage im;
    ASSERT_EQ(ReadTGAFile(path, &im), TgaResult::kOk) << path;
    EXPECT_EQ(im.components, 4) << path << " is blended, so it needs alpha";
    EXPECT_GE(im.width * im.height, 1024) << path;
    int clear = 0, solid = 0;
    for (int i = 0; i < im.width * im.height; ++i) {
      clear += im.pixels[4 * i + 3] == 0;
      solid += im.pixels[4 * i + 3] > 128;
    }
    EXPECT_GT(clear, 0) << path << " has no transparent surround";
    EXPECT_GT(solid, 0) << path << " has nothing drawn";
  }
  // The car markers: the player's quarter and the opponents' both hold a mark.
  TgaImage markers;
  ASSERT_EQ(ReadTGAFile("base/textures/tex58.tga", &markers), TgaResult::kOk);
  auto quarterHasMark = [&](int qx) {
    for (int y = markers.height / 2; y < markers.height; ++y)
      for (int x = qx * markers.width / 2; x < (qx + 1) * markers.width / 2; ++x)
        if (markers.pixels[4 * (y * markers.width + x) + 3] > 200) return true;
    return false;
  };
  EXPECT_TRUE(quarterHasMark(0));
  EXPECT_TRUE(quarterHasMark(1));
}

}  // namespace
