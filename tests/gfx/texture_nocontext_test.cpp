// A loader thread whose context could not be made still runs its loading steps; the
// texture loaders must then refuse quietly instead of crashing inside the GL libraries.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdio>
#include <vector>

#include "tests/scratch_dir.h"
#include "gfx/image_tga.h"
#include "gfx/texture.h"

namespace {

TEST(TexturesWithoutContext, LoadersRefuseAndRecordsStayEmpty) {
  ASSERT_EQ(glGetString(GL_VERSION), nullptr) << "this program must run without a current context";
  const uint8_t pixels[2 * 2 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(EncodeTGA(2, 2, 3, pixels, &bytes));
  const std::string pathName = testscratch::ScratchPath("nocontext.tga");
  const char* path = pathName.c_str();
  FILE* f = std::fopen(path, "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(bytes.data(), bytes.size(), 1, f), 1u);
  std::fclose(f);

  EXPECT_EQ(LoadTGATexture(path, true), -1);
  EXPECT_EQ(LoadTGATexture(path, false), -1);
  Texture t;
  for (int mode = 0; mode <= 6; ++mode) {
    EXPECT_FALSE(t.LoadTGA(path, mode)) << "mode " << mode;
    EXPECT_EQ(t.name, -1);
  }
  t.Release();  // harmless without a context
  EXPECT_EQ(t.name, -1);
  std::remove(path);
}

}  // namespace
