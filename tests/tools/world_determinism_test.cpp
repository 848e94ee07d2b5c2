// The generator writes the same worlds byte for byte on every run: two runs into
// fresh folders give equal hashes for every file under world/.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

uint64_t HashFile(const fs::path& p) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  FILE* f = std::fopen(p.c_str(), "rb");
  if (!f) return 0;
  unsigned char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
    for (size_t i = 0; i < n; ++i) h = (h ^ buf[i]) * 1099511628211ull;
  std::fclose(f);
  return h;
}

std::map<std::string, uint64_t> HashTree(const fs::path& root) {
  std::map<std::string, uint64_t> out;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) out[fs::relative(e.path(), root).string()] = HashFile(e.path());
  return out;
}

TEST(WorldDeterminism, TwoRunsWriteIdenticalWorlds) {
  if (!fs::exists("tools/basegen")) GTEST_SKIP() << "tools/basegen not built in this folder";
  const fs::path base = fs::temp_directory_path() / ("world_det_" + std::to_string(::getpid()));
  const fs::path a = base / "a", b = base / "b";
  const std::string data = std::string(" --data \"") + KELVAMOR_DATA_DIR + "\"";
  ASSERT_EQ(std::system(("tools/basegen --out " + a.string() + data + " > /dev/null").c_str()), 0);
  ASSERT_EQ(std::system(("tools/basegen --out " + b.string() + data + " > /dev/null").c_str()), 0);
  const auto ha = HashTree(a / "world"), hb = HashTree(b / "world");
  fs::remove_all(base);
  // Three worlds of 16 layers, 30 object layers and qt.qt, 29 textures each, 30 paths.
  EXPECT_EQ(ha.size(), 3u * (16 + 30 + 1 + 29) + 30u);
  ASSERT_EQ(ha.size(), hb.size());
  for (const auto& [name, hash] : ha) {
    ASSERT_TRUE(hb.count(name)) << name;
    EXPECT_EQ(hash, hb.at(name)) << name;
  }
}

}  // namespace
