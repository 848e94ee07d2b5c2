// basegen's check of the shipped menu.inf: the generated file holds the defaults a first
// start without a graphics card needs, and a file that strays from them in any field is
// named by the check. The check runs over a folder that links the generated base/ and
// holds its own menu.inf.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "tests/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int32_t Field(const std::vector<uint8_t>& b, int i) {
  return static_cast<int32_t>(static_cast<uint32_t>(b[4 * i]) | static_cast<uint32_t>(b[4 * i + 1]) << 8 |
                              static_cast<uint32_t>(b[4 * i + 2]) << 16 | static_cast<uint32_t>(b[4 * i + 3]) << 24);
}

class ShippedSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists("tools/basegen") || !fs::exists("base/menu.inf"))
      GTEST_SKIP() << "basegen or the generated base/ is missing in this folder";
    dir_ = fs::path(testscratch::ScratchDir()) / "base";
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const auto& entry : fs::directory_iterator("base"))
      if (entry.path().filename() != "menu.inf")
        fs::create_directory_symlink(fs::absolute(entry.path()), dir_ / entry.path().filename());
  }
  // basegen --check's exit status over the folder with `menu` as its menu.inf; what it
  // printed lands in *report.
  int Check(const std::vector<uint8_t>& menu, std::string* report) {
    std::ofstream(dir_ / "menu.inf", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(menu.data()), static_cast<std::streamsize>(menu.size()));
    const fs::path log = dir_.parent_path() / "check.log";
    const int rc = std::system(("tools/basegen --check " + dir_.string() + " > " + log.string() + " 2>&1").c_str());
    std::ifstream in(log);
    std::stringstream s;
    s << in.rdbuf();
    *report = s.str();
    return rc;
  }
  fs::path dir_;
};

TEST_F(ShippedSettings, TheGeneratedFileStartsASoftwareRasteriserOnItsCheapestLookAndTheCheckHoldsItThere) {
  const std::vector<uint8_t> shipped = ReadBytes("base/menu.inf");
  ASSERT_EQ(shipped.size(), kSettingsFileSize);
  EXPECT_EQ(Field(shipped, 1), 1024);
  EXPECT_EQ(Field(shipped, 2), 768);
  EXPECT_EQ(Field(shipped, 13), 0) << "trilinear filtering";
  EXPECT_EQ(Field(shipped, 14), 0) << "no shadows";
  EXPECT_EQ(Field(shipped, 15), 0) << "sight 300";
  EXPECT_EQ(Field(shipped, 16), 0) << "no anti-aliasing";
  std::string report;
  EXPECT_EQ(Check(shipped, &report), 0) << report;

  // A usable file with anisotropic filtering and shadows is still a settings file, but
  // not the one to ship.
  std::vector<uint8_t> strayed = shipped;
  strayed[4 * 13] = 1;
  strayed[4 * 14] = 1;
  EXPECT_NE(Check(strayed, &report), 0);
  EXPECT_NE(report.find("menu.inf field 14 "), std::string::npos) << report;
  EXPECT_NE(report.find("menu.inf field 15 "), std::string::npos) << report;
  EXPECT_EQ(report.find("menu.inf field 16 "), std::string::npos) << report;
}

}  // namespace
