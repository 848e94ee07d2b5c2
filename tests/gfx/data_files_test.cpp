// The game data readers on damaged files: a file cut short, overwritten with noise or
// gone is refused with one line naming it, and counted for the loaders that refuse a
// race or end the start over it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gfx/data_files.h"
#include "gfx/font.h"
#include "gfx/milkshape.h"
#include "gfx/particles.h"
#include "tests/scratch_dir.h"

namespace {

std::vector<uint8_t> Read(const std::string& path) {
  std::vector<uint8_t> out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return out;
}

std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = testscratch::ScratchPath(name);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f && !bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  if (f) std::fclose(f);
  return path;
}

// The three damages of a shipped file, by name: half of it, as much noise, or none.
std::vector<std::pair<std::string, std::string>> Damaged(const std::string& shipped, const std::string& stem) {
  const std::vector<uint8_t> real = Read(shipped);
  std::vector<uint8_t> noise(real.size() < 64 ? 64 : real.size());
  uint32_t seed = 777;
  for (uint8_t& b : noise) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
  return {{"truncated", Write(stem + ".cut", {real.begin(), real.begin() + real.size() / 2})},
          {"random", Write(stem + ".noise", noise)},
          {"missing", testscratch::ScratchPath(stem + ".gone")}};
}

// Runs load on each damaged copy: it must fail, print a line naming the file and
// count it.
template <typename Load>
void ExpectEachNamed(const std::string& shipped, const std::string& stem, Load load) {
  if (Read(shipped).empty()) GTEST_SKIP() << shipped << " not here: run from the build folder";
  for (const auto& [kind, path] : Damaged(shipped, stem)) {
    SCOPED_TRACE(kind);
    const uint32_t before = UnusableFileCount();
    testing::internal::CaptureStdout();
    const bool loaded = load(path);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(loaded);
    EXPECT_EQ(log.rfind(path + ": ", 0), 0u) << log;
    EXPECT_EQ(UnusableFileCount(), before + 1);
    EXPECT_EQ(LastUnusableFile(), path);
  }
  // The shipped file itself reads in silence.
  const uint32_t before = UnusableFileCount();
  testing::internal::CaptureStdout();
  EXPECT_TRUE(load(shipped));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(UnusableFileCount(), before);
}

TEST(DataFiles, ModelsFontsAndEffectsNameTheFileTheyRefuse) {
  ExpectEachNamed("base/cars/0/lod0_car.sbm", "car.sbm", [](const std::string& p) {
    MilkshapeModel m;
    return m.Load(p.c_str());
  });
  float kept[kFontGlyphs];
  std::copy(Font1.widths, Font1.widths + kFontGlyphs, kept);
  ExpectEachNamed("base/font1.ini", "font1.ini", [](const std::string& p) { return LoadFontWidths(p.c_str(), 1); });
  std::copy(kept, kept + kFontGlyphs, Font1.widths);
  // An effect no race draws is named the same way, but no race is refused over it.
  ExpectEachNamed("base/effects/firepipe.eff", "firepipe.eff", [](const std::string& p) {
    ParticleEmitter e;
    return e.Load(p.c_str(), ParticleEmitter::Use::kNoRace);
  });
  EXPECT_EQ(LastingUnusableFile(), "");
  ExpectEachNamed("base/effects/dust.eff", "dust.eff", [](const std::string& p) {
    ParticleEmitter e;
    return e.Load(p.c_str());
  });
  // An effect a race draws is read once for the whole run: every later race still
  // lacks it.
  EXPECT_NE(LastingUnusableFile().find("dust.eff.cut"), std::string::npos) << LastingUnusableFile();
}

}  // namespace
