// The window and its two contexts under a real X server: objects made on the loader's
// context on its own thread are visible to the main context. The whole game's loading
// depends on this.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <thread>

#include "platform/window.h"

namespace {

using namespace platform;

class GameWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!std::getenv("DISPLAY")) return;
    ok_ = InitVideo() && CreateWindow("Kelvamor", 256, 256, false) && CreateMainContext() &&
          CreateWorkerContext() && MakeMainContextCurrent();
  }
  static void TearDownTestSuite() {
    ReleaseCurrentContext();
    DestroyWorkerContext();
    DestroyMainContext();
    DestroyWindow();
    QuitVideo();
  }
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display: run under xvfb-run";
    ASSERT_TRUE(ok_) << "window or contexts could not be made";
  }
  static bool ok_;
};
bool GameWindow::ok_ = false;

TEST_F(GameWindow, BothContextsExistAndShare) {
  EXPECT_TRUE(WindowExists());
  EXPECT_TRUE(ContextsShareObjects());
  EXPECT_TRUE(MainContextCurrent());
  GLint depth = 0, alpha = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depth);
  glGetIntegerv(GL_ALPHA_BITS, &alpha);
  EXPECT_GE(depth, 24);
  EXPECT_GE(alpha, 1);
  int w = 0, h = 0;
  GetWindowSize(&w, &h);
  EXPECT_EQ(w, 256);
  EXPECT_EQ(h, 256);
}

TEST_F(GameWindow, TextureMadeOnTheLoaderThreadDrawsOnTheMainContext) {
  ASSERT_TRUE(ReleaseCurrentContext());
  GLuint texture = 0;
  bool loaderOk = false;
  std::thread loader([&] {
    if (!MakeWorkerContextCurrent()) return;
    const unsigned char texel[4 * 4] = {200, 40, 90, 255, 200, 40, 90, 255, 200, 40, 90, 255, 200, 40, 90, 255};
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glFinish();
    loaderOk = glGetError() == GL_NO_ERROR && ReleaseCurrentContext();
  });
  loader.join();
  ASSERT_TRUE(loaderOk);
  ASSERT_TRUE(MakeMainContextCurrent());
  ASSERT_TRUE(glIsTexture(texture)) << "the main context sees the loader's texture";

  glViewport(0, 0, 256, 256);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  glColor4f(1, 1, 1, 1);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0); glVertex2f(-1, -1);
  glTexCoord2f(1, 0); glVertex2f(1, -1);
  glTexCoord2f(1, 1); glVertex2f(1, 1);
  glTexCoord2f(0, 1); glVertex2f(-1, 1);
  glEnd();
  glFinish();
  unsigned char px[4] = {};
  glReadPixels(128, 128, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  EXPECT_NEAR(px[0], 200, 2);
  EXPECT_NEAR(px[1], 40, 2);
  EXPECT_NEAR(px[2], 90, 2);
  glDeleteTextures(1, &texture);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GameWindow, DisplayModesAreListedAndAnUnofferedModeIsRefused) {
  const int n = DisplayModeCount();
  ASSERT_GT(n, 0);
  int w = 0, h = 0;
  ASSERT_TRUE(GetDisplayMode(0, &w, &h));
  EXPECT_GT(w, 0);
  EXPECT_GT(h, 0);
  EXPECT_FALSE(GetDisplayMode(n, &w, &h));
  EXPECT_FALSE(ChangeDisplayMode(12345, 678, 32));
}

}  // namespace
