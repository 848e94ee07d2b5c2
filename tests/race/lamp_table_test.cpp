// The lamp table: its file round trip and what a missing or short optica.ini leaves.
#include <gtest/gtest.h>

#include <unistd.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "race/lamp_table.h"
#include "tests/scratch_dir.h"

namespace {

// The lamp table of the car content. The working folder: a scratch folder with an
// empty base/ in it.
class CarContent : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = getcwd(nullptr, 0);
    const std::string root = testscratch::ScratchDir();
    ASSERT_FALSE(root.empty());
    mkdir((root + "base").c_str(), 0755);
    ASSERT_EQ(chdir(root.c_str()), 0);
    std::remove("base/optica.ini");
  }
  void TearDown() override {
    if (home_) {
      EXPECT_EQ(chdir(home_), 0);
    }
    std::free(home_);
  }
  static void Fill(float base) {
    float* v = &LampTable[0][0][0][0];
    for (int i = 0; i < 288; ++i) v[i] = base + 0.5f * i;
  }
  char* home_ = nullptr;
};

TEST_F(CarContent, OpticaTableWrittenReadsBackValueForValue) {
  Fill(-20.0f);
  ASSERT_TRUE(SaveOpticaTable());
  struct stat st;
  ASSERT_EQ(stat("base/optica.ini", &st), 0);
  EXPECT_EQ(st.st_size, 1152);
  Fill(99.0f);
  LoadOpticaTable();
  // Coordinate fastest, then corner, lamp and set.
  EXPECT_EQ(LampTable[0][0][0][0], -20.0f);
  EXPECT_EQ(LampTable[0][0][0][2], -19.0f);
  EXPECT_EQ(LampTable[0][0][1][0], -18.5f);
  EXPECT_EQ(LampTable[0][1][0][0], -20.0f + 0.5f * 12);
  EXPECT_EQ(LampTable[5][3][3][2], -20.0f + 0.5f * 287);

  uint8_t bytes[kOpticaFileSize];
  EncodeOpticaTable(LampTable, bytes);
  float back[kLampSets][kLampsPerSet][kLampCorners][3];
  ASSERT_TRUE(DecodeOpticaTable(bytes, sizeof bytes, back));
  EXPECT_EQ(std::memcmp(back, LampTable, sizeof back), 0);
}

TEST_F(CarContent, OpticaMissingOrShortFileLeavesTheTable) {
  Fill(3.0f);
  LoadOpticaTable();
  EXPECT_EQ(LampTable[2][1][3][1], 3.0f + 0.5f * (2 * 48 + 1 * 12 + 3 * 3 + 1)) << "missing: unchanged";

  FILE* f = std::fopen("base/optica.ini", "wb");
  ASSERT_NE(f, nullptr);
  const float part[10] = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
  std::fwrite(part, sizeof part, 1, f);
  std::fclose(f);
  LoadOpticaTable();
  EXPECT_EQ(LampTable[0][0][0][0], 3.0f) << "a short file changes nothing, not half the table";
  float scratch[kLampSets][kLampsPerSet][kLampCorners][3] = {};
  EXPECT_FALSE(DecodeOpticaTable(reinterpret_cast<const uint8_t*>(part), sizeof part, scratch));
  EXPECT_FALSE(DecodeOpticaTable(nullptr, kOpticaFileSize, scratch));
}

TEST(CarContentFiles, TheGeneratedOpticaTableIsWhole) {
  FILE* f = std::fopen("base/optica.ini", "rb");
  if (!f) GTEST_SKIP() << "base/ not generated here (build the base target)";
  uint8_t bytes[kOpticaFileSize + 1];
  const size_t n = std::fread(bytes, 1, sizeof bytes, f);
  std::fclose(f);
  EXPECT_EQ(n, kOpticaFileSize);
  float table[kLampSets][kLampsPerSet][kLampCorners][3];
  ASSERT_TRUE(DecodeOpticaTable(bytes, n, table));
  // Headlamps at the front, tail lamps at the back of every set.
  for (int s = 0; s < kLampSets; ++s) EXPECT_GT(table[s][0][0][0], table[s][2][0][0]);
}

}  // namespace
