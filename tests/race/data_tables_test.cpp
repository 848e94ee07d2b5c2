// The tables read once at start (cars.ini, optica.ini, fpoints.ini) on damaged files:
// each is named in a line; those a race needs stay remembered, so every race refuses to
// run on them, while the lamp table, which no race reads, refuses nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/data_files.h"
#include "race/car_setup.h"
#include "race/lamp_table.h"
#include "race/tyre_curves.h"
#include "tests/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Read(const std::string& path) {
  std::vector<uint8_t> out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return out;
}

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

TEST(DataTables, DamagedTablesAreNamedAndRemembered) {
  const fs::path build = fs::current_path();
  struct Table {
    const char* file;
    void (*load)();
  };
  // The lamp table first: nothing is remembered yet, so its rounds show whether it is.
  const Table tables[] = {{"base/optica.ini", [] { LoadOpticaTable(); }},
                          {"base/cars.ini", [] { LoadCarsTable(); }},
                          {"base/fpoints.ini", [] { LoadFPoints("base/fpoints.ini"); }}};
  ASSERT_EQ(LastingUnusableFile(), "");
  for (const Table& t : tables)
    if (Read((build / t.file).string()).empty()) GTEST_SKIP() << t.file << " not here: run from the build folder";
  const std::string root = testscratch::ScratchPath("tables");
  fs::create_directories(root + "/base");
  fs::current_path(root);
  for (const Table& t : tables) {
    const std::vector<uint8_t> real = Read((build / t.file).string());
    std::vector<uint8_t> noise(real.size());
    uint32_t seed = 99;
    for (uint8_t& b : noise) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    // Noise that happens to hold digits and points is still no table: no '.' at all.
    for (uint8_t& b : noise) b = b == '.' ? ',' : b;
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> damage = {
        {"truncated", {real.begin(), real.begin() + real.size() / 2}}, {"random", noise}, {"missing", {}}};
    for (const auto& [kind, bytes] : damage) {
      SCOPED_TRACE(std::string(t.file) + " " + kind);
      fs::remove(t.file);
      if (*kind != 'm') Write(t.file, bytes);
      const uint32_t before = UnusableFileCount();
      for (CarSetup& preset : CarPresets) preset.modelIndex = -1;
      testing::internal::CaptureStdout();
      t.load();
      const std::string log = testing::internal::GetCapturedStdout();
      EXPECT_EQ(log.rfind(std::string(t.file) + ": ", 0), 0u) << log;
      EXPECT_EQ(UnusableFileCount(), before + 1);
      // Preset k is lorry k however much of the table was refused, the refused record's
      // own preset too.
      if (t.load == tables[1].load) {
        for (int k = 0; k < kCarModels; ++k) EXPECT_EQ(CarPresets[k].modelIndex, k) << "preset " << k;
      }
    }
    if (t.file == tables[0].file) {
      EXPECT_EQ(LastingUnusableFile(), "") << "no race needs the lamp table";
    }
    // The whole table reads in silence.
    Write(t.file, real);
    const uint32_t before = UnusableFileCount();
    testing::internal::CaptureStdout();
    t.load();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << t.file;
    EXPECT_EQ(UnusableFileCount(), before);
  }
  EXPECT_EQ(LastingUnusableFile(), "base/cars.ini") << "the first table that failed";
  fs::current_path(build);
}

}  // namespace
