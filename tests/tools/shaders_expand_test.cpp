// basegen's shader expansion: chunks that include the chunks they build on are pasted
// once per file, ahead of what needs them, and a cycle, a missing chunk or a malformed
// include stops the run and names the file and line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteText(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A copy of the repository's data/ to break, and basegen run over it.
class ShaderExpansion : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists("tools/basegen")) GTEST_SKIP() << "tools/basegen not built in this folder";
    ASSERT_TRUE(fs::exists(fs::path(KELVAMOR_DATA_DIR) / "shaders" / "common")) << KELVAMOR_DATA_DIR;
    dir_ = testscratch::ScratchDir();
    ASSERT_FALSE(dir_.empty());
    fs::remove_all(dir_ / "data");
    fs::remove_all(dir_ / "base");
    fs::copy(KELVAMOR_DATA_DIR, dir_ / "data", fs::copy_options::recursive);
  }
  // basegen's exit status; its complaints land in *report.
  int Generate(std::string* report) {
    const fs::path log = dir_ / "generate.log";
    const int rc = std::system(("tools/basegen --out " + (dir_ / "base").string() + " --data " +
                                (dir_ / "data").string() + " > /dev/null 2> " + log.string())
                                   .c_str());
    *report = ReadText(log);
    return rc;
  }
  fs::path Shader(const std::string& name) const { return dir_ / "data" / "shaders" / name; }
  fs::path Generated(const std::string& name) const { return dir_ / "base" / "shaders" / name; }
  fs::path dir_;
};

TEST_F(ShaderExpansion, SharedChunksArePastedOnceAheadOfWhatNeedsThem) {
  std::string report;
  ASSERT_EQ(Generate(&report), 0) << report;
  // RoadBumpPS reaches the lighting chunk through two chunks that both build on it.
  const std::string road = ReadText(Generated("RoadBumpPS.glsl"));
  ASSERT_FALSE(road.empty());
  EXPECT_EQ(road.compare(0, 13, "#version 120\n"), 0);
  EXPECT_EQ(Count(road, "#include"), 0u);
  EXPECT_EQ(Count(road, "vec3 SafeNormalize("), 1u);
  EXPECT_EQ(Count(road, "uniform float matAmbient;"), 1u);
  EXPECT_EQ(Count(road, "float ShadowTerm("), 1u);
  EXPECT_EQ(Count(road, "vec3 Bumped("), 1u);
  // Each chunk stands before the first chunk that uses it, and all of them before main.
  const size_t lit = road.find("vec3 SafeNormalize("), shadow = road.find("float ShadowTerm(");
  const size_t sun = road.find("vec3 SunLit("), bump = road.find("vec3 Bumped("), main = road.find("void main()");
  EXPECT_LT(lit, shadow);
  EXPECT_LT(shadow, sun);
  EXPECT_LT(lit, bump);
  EXPECT_LT(sun, main);
  EXPECT_LT(bump, main);

  // A chunk's last line without a newline still ends before the file's next line.
  WriteText(Shader("common/fade.glsl"), ReadText(Shader("common/fade.glsl")) + "// last line, no newline");
  ASSERT_EQ(Generate(&report), 0) << report;
  EXPECT_NE(ReadText(Generated("MapPS.glsl")).find("// last line, no newline\n"), std::string::npos);
}

TEST_F(ShaderExpansion, CyclesMissingChunksAndMalformedIncludesStopTheRun) {
  std::string report;
  const std::string map = ReadText(Shader("MapPS.glsl"));
  ASSERT_FALSE(map.empty());

  // Two chunks that include each other.
  WriteText(Shader("common/ring_a.glsl"), "#include \"ring_b.glsl\"\nfloat A() { return 1.0; }\n");
  WriteText(Shader("common/ring_b.glsl"), "#include \"ring_a.glsl\"\nfloat B() { return 2.0; }\n");
  WriteText(Shader("MapPS.glsl"), map + "#include \"ring_a.glsl\"\n");
  EXPECT_NE(Generate(&report), 0);
  EXPECT_NE(report.find("shaders/common/ring_b.glsl:1: shaders/common/ring_a.glsl includes itself"),
            std::string::npos)
      << report;

  // A chunk that is not there, named from inside another chunk.
  WriteText(Shader("common/ring_a.glsl"), "\n#include \"nowhere.glsl\"\n");
  EXPECT_NE(Generate(&report), 0);
  EXPECT_NE(report.find("shaders/common/ring_a.glsl:2: missing chunk shaders/common/nowhere.glsl"),
            std::string::npos)
      << report;

  // Includes that reach outside the chunk folder or carry more than the name.
  for (const char* line : {"#include \"../MapVS.glsl\"", "#include <lit.glsl>", "#include \"lit.glsl\" extra"}) {
    WriteText(Shader("MapPS.glsl"), "#version 120\n" + std::string(line) + "\nvoid main() {}\n");
    EXPECT_NE(Generate(&report), 0) << line;
    EXPECT_NE(report.find("shaders/MapPS.glsl:2: malformed #include"), std::string::npos) << line << "\n" << report;
  }

  // Put back, the same data generates cleanly again.
  WriteText(Shader("MapPS.glsl"), map);
  EXPECT_EQ(Generate(&report), 0) << report;
}

}  // namespace
