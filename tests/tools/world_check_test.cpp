// basegen --check on the worlds: a fresh tree passes, and each broken cross-file rule
// is reported against the file that breaks it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
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
    const std::string data = fs::exists("../data") ? " --data ../data" : "";
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

  EXPECT_NE(Check(&report), 0);
  EXPECT_NE(report.find("world/0/models/qt.qt"), std::string::npos) << report;
  EXPECT_NE(report.find("world/1/models/main_road: the linear companion"), std::string::npos) << report;
  EXPECT_NE(report.find("world/2/models/../textures/road.tga: missing"), std::string::npos) << report;
  EXPECT_NE(report.find("races/5.ai"), std::string::npos) << report;
  EXPECT_NE(report.find("races/7.ai: missing or unreadable"), std::string::npos) << report;
}

}  // namespace
