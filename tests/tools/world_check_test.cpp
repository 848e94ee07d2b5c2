// basegen --check on the worlds: a fresh tree passes, and each broken cross-file rule
// is reported against the file that breaks it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class WorldCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists("tools/basegen")) GTEST_SKIP() << "tools/basegen not built in this folder";
    dir_ = fs::temp_directory_path() / ("world_check_" + std::to_string(::getpid()));
    const std::string data = std::string(" --data \"") + KELVAMOR_DATA_DIR + "\"";
    ASSERT_EQ(std::system(("tools/basegen --out " + (dir_ / "base").string() + data + " > /dev/null").c_str()), 0);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  // Runs the check; returns its exit status and leaves its complaints in *report.
  int Check(std::string* report) {
    const fs::path log = dir_ / "check.log";
    const int rc = std::system(("tools/basegen --check " + (dir_ / "base").string() + " > /dev/null 2> " +
                                log.string()).c_str());
    *report = ReadText(log);
    return rc;
  }
  fs::path dir_;
};

// Overwrites 4 bytes of a file in place.
template <typename T>
void Poke(const fs::path& file, std::streamoff at, T value) {
  static_assert(sizeof(T) == 4, "one stored word");
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(at);
  f.write(reinterpret_cast<const char*>(&value), 4);
}

// Offsets in an .sbm file: 10 magic bytes, the version, the vertex count, then
// 15-byte vertex records (flags, x, y, z, bone, count), the triangle count and
// triangle records that begin with a flag word and three vertex indices.
std::streamoff SbmVertexX(int vertex) { return 16 + 15 * vertex + 1; }
std::streamoff SbmVertexY(int vertex) { return SbmVertexX(vertex) + 4; }
std::streamoff SbmVertexZ(int vertex) { return SbmVertexX(vertex) + 8; }
std::streamoff SbmFirstTriangle(const fs::path& file) {
  std::ifstream f(file, std::ios::binary);
  uint16_t vertices = 0;
  f.seekg(14);
  f.read(reinterpret_cast<char*>(&vertices), 2);
  return 16 + 15 * static_cast<std::streamoff>(vertices) + 2;
}
void SbmFirstTriangleCorners(const fs::path& file, uint16_t corners[3]) {
  std::ifstream f(file, std::ios::binary);
  f.seekg(SbmFirstTriangle(file) + 2);
  f.read(reinterpret_cast<char*>(corners), 6);
}

// Rewrites the first group's triangle list of an .sbm file to name triangle 0 count
// times (a list the reader accepts: every index is below the triangle count).
void SbmRepeatFirstTriangle(const fs::path& file, uint16_t count) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  auto u16 = [&](size_t at) { return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8); };
  const size_t triangles = 16 + 15 * static_cast<size_t>(u16(14));
  const size_t groups = triangles + 2 + 70 * static_cast<size_t>(u16(triangles));
  ASSERT_GE(u16(groups), 1) << file;
  const size_t listAt = groups + 2 + 1 + 32;  // count, then flags and the name
  const size_t oldCount = u16(listAt);
  std::vector<char> list(2 + 2 * static_cast<size_t>(count), 0);
  list[0] = static_cast<char>(count & 0xFF);
  list[1] = static_cast<char>(count >> 8);
  bytes.erase(bytes.begin() + listAt, bytes.begin() + listAt + 2 + 2 * oldCount);
  bytes.insert(bytes.begin() + listAt, list.begin(), list.end());
  std::ofstream(file, std::ios::binary).write(bytes.data(), bytes.size());
}

TEST_F(WorldCheck, FreshTreePassesAndEachBrokenRuleIsNamed) {
  std::string report;
  ASSERT_EQ(Check(&report), 0) << report;
  const fs::path world = dir_ / "base" / "world";

  // A quadtree file one byte longer than its leaves.
  { std::ofstream(world / "0/models/qt.qt", std::ios::app | std::ios::binary) << '\0'; }
  // A companion holding other triangles than its layer.
  fs::copy_file(world / "1/models/main_landscape_linear.sbm", world / "1/models/main_road_linear.sbm",
                fs::copy_options::overwrite_existing);
  // A material texture gone.
  fs::remove(world / "2/textures/road.tga");
  // A waypoint pushed 40 units off the road (x of record 10 of race 5).
  {
    std::fstream f(world / "races/5.ai", std::ios::in | std::ios::out | std::ios::binary);
    float x;
    f.seekg(4 + 16 * 10);
    f.read(reinterpret_cast<char*>(&x), 4);
    x += 40.0f;
    f.seekp(4 + 16 * 10);
    f.write(reinterpret_cast<const char*>(&x), 4);
  }
  // A race path one record short of its count.
  fs::resize_file(world / "races/7.ai", fs::file_size(world / "races/7.ai") - 4);
  // The physics ramps beside the road's first stretch in world 1 (the 12 corners after
  // the ribbon's first 6) dropped by the ribbon's lift: a step at the road's edge.
  for (int v = 6; v < 18; ++v) {
    std::fstream f(world / "1/models/physic.sbm", std::ios::in | std::ios::out | std::ios::binary);
    float y;
    f.seekg(SbmVertexY(v));
    f.read(reinterpret_cast<char*>(&y), 4);
    y -= 0.2f;
    f.seekp(SbmVertexY(v));
    f.write(reinterpret_cast<const char*>(&y), 4);
  }

  EXPECT_NE(Check(&report), 0);
  EXPECT_NE(report.find("world/0/models/qt.qt"), std::string::npos) << report;
  EXPECT_NE(report.find("world/1/models/main_road: the linear companion"), std::string::npos) << report;
  EXPECT_NE(report.find("world/2/models/../textures/road.tga: missing"), std::string::npos) << report;
  EXPECT_NE(report.find("races/5.ai"), std::string::npos) << report;
  EXPECT_NE(report.find("races/7.ai: missing or unreadable"), std::string::npos) << report;
  EXPECT_NE(report.find("world/1/models/physic: the ground meets the road's edge with a step"), std::string::npos)
      << report;
  EXPECT_EQ(report.find("world/0/models/physic: the ground meets"), std::string::npos) << report;
}

TEST_F(WorldCheck, DamagedValuesAndCountsAreNamedWithoutStallingTheCheck) {
  const fs::path world = dir_ / "base" / "world";
  // A physics vertex that is not a number: the game's reader refuses the model.
  Poke(world / "1/models/physic.sbm", SbmVertexX(3), std::nanf(""));
  // A normal that is not a number, in a layer the leaf builder does not read.
  Poke(world / "1/models/water.sbm", SbmFirstTriangle(world / "1/models/water.sbm") + 8 + 4, std::nanf(""));
  // A grass triangle spread far beyond the world: rebuilding the quadtree from it
  // would sample it hundreds of millions of times in every leaf.
  uint16_t corners[3];
  SbmFirstTriangleCorners(world / "2/models/grass.sbm", corners);
  const float spread[3][2] = {{-2.0e4f, -2.0e4f}, {2.0e4f, -2.0e4f}, {0.0f, 2.0e4f}};
  for (int k = 0; k < 3; ++k) {
    Poke(world / "2/models/grass.sbm", SbmVertexX(corners[k]), spread[k][0]);
    Poke(world / "2/models/grass.sbm", SbmVertexZ(corners[k]), spread[k][1]);
  }
  // Race 9's objects: few triangles, but one of them listed 1001 times, which makes
  // 1001 objects for a table of 1000.
  SbmRepeatFirstTriangle(world / "0/models/objects9.sbm", 1001);
  // Waypoints 0 and 1 of race 4 on one spot: the grid has no direction, and the loop
  // is still measured whole.
  {
    std::fstream f(world / "races/4.ai", std::ios::in | std::ios::out | std::ios::binary);
    char first[12];
    f.seekg(4);
    f.read(first, 12);
    f.seekp(4 + 16);
    f.write(first, 12);
  }

  std::string report;
  EXPECT_NE(Check(&report), 0);
  const char* notANumber = ".sbm: holds a position, normal or texture coordinate that is not a number";
  EXPECT_NE(report.find(std::string("world/1/models/physic") + notANumber), std::string::npos) << report;
  EXPECT_NE(report.find(std::string("world/1/models/water") + notANumber), std::string::npos) << report;
  EXPECT_NE(report.find("world/2/models/grass: vertex"), std::string::npos) << report;
  EXPECT_NE(report.find("world/2/models/qt.qt: not compared"), std::string::npos) << report;
  EXPECT_NE(report.find("races/4.ai: waypoints 0 and the next are not 7 units apart"), std::string::npos)
      << report;
  EXPECT_EQ(report.find("races/4.ai: loop length"), std::string::npos) << report;
  EXPECT_NE(report.find("world/0/models/objects9.sbm: more than 1000 objects"), std::string::npos) << report;
  EXPECT_EQ(report.find("objects9.sbm: the game's reader refuses it"), std::string::npos) << report;
  // The untouched worlds' quadtrees still match their builder.
  EXPECT_EQ(report.find("world/0/models/qt.qt"), std::string::npos) << report;
  EXPECT_EQ(report.find("world/1/models/qt.qt"), std::string::npos) << report;
}

}  // namespace
