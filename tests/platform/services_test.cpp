// Files, the documents folder, the runtime's rand and the message queue.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/crt_rand.h"
#include "platform/files.h"
#include "platform/gl_proc.h"
#include "platform/messages.h"
#include "platform/timer.h"
#include "platform/vk.h"
#include "platform/window.h"

namespace {

using namespace platform;

class ScratchHome : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kelvamor-platform-XXXXXX";
    dir_ = mkdtemp(tmpl);
    const char* h = std::getenv("HOME");
    oldHome_ = h ? h : "";
    setenv("HOME", dir_.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
  }
  void TearDown() override {
    setenv("HOME", oldHome_.c_str(), 1);
    EXPECT_EQ(std::system(("rm -rf '" + dir_ + "'").c_str()), 0);
  }
  static bool IsDir(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }
  std::string dir_, oldHome_;
};

TEST_F(ScratchHome, DocumentsFolderIsCreatedAndFollowsUserDirs) {
  EXPECT_EQ(DocumentsFolder(), dir_ + "/Documents");
  EXPECT_TRUE(IsDir(dir_ + "/Documents"));

  ASSERT_TRUE(MakeDirectories(dir_ + "/.config"));
  FILE* f = std::fopen((dir_ + "/.config/user-dirs.dirs").c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", f);
  std::fputs("XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n", f);
  std::fclose(f);
  EXPECT_EQ(DocumentsFolder(), dir_ + "/Dokumente");
  EXPECT_TRUE(IsDir(dir_ + "/Dokumente"));
  // A FIFO in the file's place is not waited on: the default folder stands.
  ASSERT_EQ(unlink((dir_ + "/.config/user-dirs.dirs").c_str()), 0);
  ASSERT_EQ(mkfifo((dir_ + "/.config/user-dirs.dirs").c_str(), 0644), 0);
  EXPECT_EQ(DocumentsFolder(), dir_ + "/Documents");

  unsetenv("HOME");
  EXPECT_EQ(DocumentsFolder(), "");
  setenv("HOME", dir_.c_str(), 1);
}

TEST_F(ScratchHome, MakeDirectoriesAndAtomicWrites) {
  const std::string deep = dir_ + "/a/b/c";
  EXPECT_TRUE(MakeDirectories(deep));
  EXPECT_TRUE(MakeDirectories(deep)) << "an existing folder is fine";
  EXPECT_TRUE(IsDir(deep));
  const std::string file = deep + "/x.bin";
  ASSERT_TRUE(WriteFileAtomic(file, "hello", 5));
  ASSERT_TRUE(WriteFileAtomic(file, "hi", 2));
  FILE* f = std::fopen(file.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  char buf[8] = {};
  EXPECT_EQ(std::fread(buf, 1, sizeof buf, f), 2u);
  std::fclose(f);
  EXPECT_STREQ(buf, "hi");
  EXPECT_NE(access((file + ".tmp").c_str(), F_OK), 0);
  // A file where the folder should be: the write fails and says so.
  EXPECT_FALSE(WriteFileAtomic(file + "/inside", "x", 1));
  EXPECT_FALSE(MakeDirectories(file + "/sub"));
}

TEST(RuntimeRand, FollowsTheRuntimeRecurrencePerThread) {
  SeedRand(1);
  // The first values of the classic runtime generator seeded with 1.
  EXPECT_EQ(Rand(), 41);
  EXPECT_EQ(Rand(), 18467);
  EXPECT_EQ(Rand(), 6334);
  SeedRand(12345);
  uint32_t state = 12345;
  for (int i = 0; i < 1000; ++i) {
    state = state * 214013u + 2531011u;
    const int expected = static_cast<int>((state >> 16) & 0x7FFF);
    ASSERT_EQ(Rand(), expected);
  }
}

TEST(MessageQueue, PostedMessagesComeOutInOrderOnePerCall) {
  Message m;
  while (PeekMessage(&m)) {
  }
  PostMessage({MessageKind::kKeyDown, 65, 0});
  PostMessage({MessageKind::kChar, 0xC0, 0});
  PostQuitMessage(3);
  ASSERT_TRUE(PeekMessage(&m));
  EXPECT_EQ(m.kind, MessageKind::kKeyDown);
  EXPECT_EQ(m.a, 65);
  ASSERT_TRUE(PeekMessage(&m));
  EXPECT_EQ(m.kind, MessageKind::kChar);
  EXPECT_EQ(m.a, 0xC0);
  ASSERT_TRUE(PeekMessage(&m));
  EXPECT_EQ(m.kind, MessageKind::kQuit);
  EXPECT_EQ(m.a, 3);
  EXPECT_FALSE(PeekMessage(&m));
}

// SDL's real queue: a key or button pressed and let go between two frames keeps its
// release until the frame has passed, so the frame reads it down.
class SdlQueue : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!InitVideo()) GTEST_SKIP() << "no display for SDL's event queue (run under xvfb-run)";
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    EndInputFrame();
    Waiting();
  }
  void TearDown() override { QuitVideo(); }
  static void Key(SDL_Scancode sc, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = sc;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  static void Button(bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  // Every message waiting, as the loop takes them before it draws a frame. SDL ends one
  // poll at the mark it set when it last read the devices, so what came after that
  // mark waits for the next loop pass: two rounds take it all.
  static std::vector<Message> Waiting() {
    std::vector<Message> out;
    Message m;
    for (int round = 0; round < 2; ++round)
      while (PeekMessage(&m)) out.push_back(m);
    return out;
  }
  static std::vector<int> Kinds(const std::vector<Message>& ms) {
    std::vector<int> k;
    for (const Message& m : ms) k.push_back(static_cast<int>(m.kind));
    return k;
  }
  static int K(MessageKind kind) { return static_cast<int>(kind); }
};

TEST_F(SdlQueue, AReleaseBeforeTheFrameWaitsForTheFrameEnd) {
  // A tap: the press and its character now, the release after the frame, once.
  Key(SDL_SCANCODE_ESCAPE, true);
  Key(SDL_SCANCODE_ESCAPE, false);
  std::vector<Message> ms = Waiting();
  EXPECT_EQ(Kinds(ms), (std::vector<int>{K(MessageKind::kKeyDown), K(MessageKind::kChar)}))
      << "the release came before the frame";
  EndInputFrame();
  ms = Waiting();
  ASSERT_EQ(Kinds(ms), (std::vector<int>{K(MessageKind::kKeyUp)}));
  EXPECT_EQ(ms[0].a, kVkEscape);
  EndInputFrame();
  EXPECT_TRUE(Waiting().empty()) << "a release is given once";

  // Held over a frame: the release comes at once.
  Key(SDL_SCANCODE_A, true);
  EXPECT_EQ(Kinds(Waiting()), (std::vector<int>{K(MessageKind::kKeyDown)}));
  EndInputFrame();
  Key(SDL_SCANCODE_A, false);
  EXPECT_EQ(Kinds(Waiting()), (std::vector<int>{K(MessageKind::kKeyUp)}));

  // Pressed again before the frame: one release, after it.
  for (bool down : {true, false, true, false}) Key(SDL_SCANCODE_A, down);
  EXPECT_EQ(Kinds(Waiting()), (std::vector<int>{K(MessageKind::kKeyDown), K(MessageKind::kKeyDown)}));
  EndInputFrame();
  EXPECT_EQ(Kinds(Waiting()), (std::vector<int>{K(MessageKind::kKeyUp)}));

  // A click: the release keeps its own position.
  Button(true, 10, 20);
  Button(false, 30, 40);
  EXPECT_EQ(Kinds(Waiting()), (std::vector<int>{K(MessageKind::kLButtonDown)}));
  EndInputFrame();
  ms = Waiting();
  ASSERT_EQ(Kinds(ms), (std::vector<int>{K(MessageKind::kLButtonUp)}));
  EXPECT_EQ(ms[0].a, 30);
  EXPECT_EQ(ms[0].b, 40);
}

TEST(MessageQueue, TermSignalBecomesOneQuitMessageWithCodeZero) {
  InstallQuitSignals();
  ASSERT_EQ(raise(SIGTERM), 0) << "the process must survive the signal";
  Message m;
  ASSERT_TRUE(PeekMessage(&m));
  EXPECT_EQ(m.kind, MessageKind::kQuit);
  EXPECT_EQ(m.a, 0);
  EXPECT_FALSE(PeekMessage(&m)) << "one signal, one quit";
}

TEST(Timers, MillisecondsAndCounterMoveForward) {
  const uint32_t t0 = TimeMs();
  const int64_t c0 = PerfCounter();
  SleepMs(20);
  const uint32_t dt = TimeMs() - t0;
  EXPECT_GE(dt, 19u);
  EXPECT_LT(dt, 1000u);
  EXPECT_GE((PerfCounter() - c0) * 1000 / PerfFrequency(), 19);
}

TEST(ExtensionList, WholeWordsOnly) {
  const char* ext = "GL_ARB_multitexture GL_EXT_framebuffer_object GL_EXT_framebuffer_blit";
  EXPECT_TRUE(ExtensionListed(ext, "GL_EXT_framebuffer_object"));
  EXPECT_TRUE(ExtensionListed(ext, "GL_EXT_framebuffer_blit"));
  EXPECT_TRUE(ExtensionListed(ext, "GL_ARB_multitexture"));
  EXPECT_FALSE(ExtensionListed(ext, "GL_EXT_framebuffer"));
  EXPECT_FALSE(ExtensionListed(ext, "GL_ARB_multi"));
  EXPECT_FALSE(ExtensionListed(nullptr, "GL_ARB_multitexture"));
  EXPECT_FALSE(ExtensionListed(ext, ""));
}

}  // namespace
