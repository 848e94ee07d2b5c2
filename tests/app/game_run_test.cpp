// The whole program under a real X server: it starts, keeps drawing, and a SIGTERM at
// any moment ends it with code 0 after it has rewritten the player's files.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/app/child_game.h"
#include "tests/app/temp_home.h"

namespace {

using childgame::kSlowdown;
using childgame::WaitExit;

// Waits until the child catches SIGTERM (its mask of caught signals in /proc): before
// that the program is still being linked and loaded, and no code of ours runs yet.
bool WaitTermHandler(pid_t pid, int timeoutMs) {
  const std::string path = "/proc/" + std::to_string(pid) + "/status";
  for (int t = 0; t < timeoutMs; t += 1) {
    if (FILE* f = std::fopen(path.c_str(), "r")) {
      char line[256];
      unsigned long long caught = 0;
      while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "SigCgt: %llx", &caught) == 1) break;
      std::fclose(f);
      if (caught & (1ull << (SIGTERM - 1))) return true;
    }
    usleep(1000);
  }
  return false;
}

pid_t StartGame(const std::string& home, const char* stdoutPath = nullptr, const char* stderrPath = nullptr) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (stdoutPath && !freopen(stdoutPath, "w", stdout)) _exit(126);
    if (stderrPath && !freopen(stderrPath, "w", stderr)) _exit(126);
    setenv("HOME", home.c_str(), 1);
    setenv("KELVAMOR_NO_BROWSER", "1", 1);
    execl("./kelvamor", "kelvamor", static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// Waits up to 15 s (stretched under a sanitizer) for the loader's line that the menu
// content is in, on the game's standard output.
bool MenuContentLoaded(const std::string& stdoutPath) {
  for (int t = 0; t < 150 * kSlowdown; ++t) {
    usleep(100000);
    const std::vector<unsigned char> text = ReadAll(stdoutPath);
    if (std::string(text.begin(), text.end()).find("menu content loaded") != std::string::npos) return true;
  }
  return false;
}

class WholeGame : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display: run under xvfb-run";
    if (access("./kelvamor", X_OK) != 0) GTEST_SKIP() << "run from the build folder, where kelvamor is";
  }
  TempHome home_;
};

TEST_F(WholeGame, TermSignalAfterStartUpExitsZeroAndRewritesBothFiles) {
  const pid_t pid = StartGame(home_.path());
  ASSERT_GT(pid, 0);
  ASSERT_EQ(WaitExit(pid, 2500 * kSlowdown), -1) << "the game ended by itself during start-up";
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  const int code = WaitExit(pid, 3000 * kSlowdown);
  if (code == -1) kill(pid, SIGKILL);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadAll(home_.Kelvamor("menu.inf")).size(), 196u);
  EXPECT_EQ(ReadAll(home_.Kelvamor("career.inf")).size(), 1080u);
}

TEST_F(WholeGame, TermSignalAtAnyMomentOfStartUpExitsZero) {
  for (int delayMs : {0, 50, 150, 600, 1200}) {
    const pid_t pid = StartGame(home_.path());
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitTermHandler(pid, 5000 * kSlowdown)) << "the game never took over SIGTERM";
    usleep(delayMs * 1000);
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    const int code = WaitExit(pid, 4000 * kSlowdown);
    if (code == -1) kill(pid, SIGKILL);
    EXPECT_EQ(code, 0) << "signal after " << delayMs << " ms";
  }
}

// No audio device (a backend list OpenAL cannot open) is not a reason to stop: the
// game says so in one line and plays on in silence until it is asked to end.
TEST_F(WholeGame, WithoutAnAudioDeviceTheGameSaysSoAndRunsSilent) {
  const std::string out = home_.path() + "/stdout.txt", err = home_.path() + "/stderr.txt";
  const char* drivers = std::getenv("ALSOFT_DRIVERS");
  const std::string savedDrivers = drivers ? drivers : "";
  setenv("ALSOFT_DRIVERS", "kelvamor-no-such-backend", 1);
  const pid_t pid = StartGame(home_.path(), out.c_str(), err.c_str());
  if (drivers) setenv("ALSOFT_DRIVERS", savedDrivers.c_str(), 1);
  else unsetenv("ALSOFT_DRIVERS");
  ASSERT_GT(pid, 0);
  const bool loaded = MenuContentLoaded(out);
  const bool running = WaitExit(pid, 0) == -1;
  kill(pid, SIGTERM);
  const int code = WaitExit(pid, 4000 * kSlowdown);
  if (code == -1) kill(pid, SIGKILL);
  EXPECT_TRUE(running) << "the game ended without a sound device";
  EXPECT_TRUE(loaded) << "the game stopped before its menus";
  EXPECT_EQ(code, 0);
  const std::vector<unsigned char> text = ReadAll(err);
  EXPECT_NE(std::string(text.begin(), text.end()).find("no audio device could be opened; the game runs silent"),
            std::string::npos);
}

TEST_F(WholeGame, LoaderTakesTheMenuContentOnceTheIntroClockPassesTen) {
  const std::string out = home_.path() + "/stdout.txt";
  const pid_t pid = StartGame(home_.path(), out.c_str());
  ASSERT_GT(pid, 0);
  // The intro clock starts at 3 and runs in seconds: the load comes after about 7 s.
  const bool loaded = MenuContentLoaded(out);
  kill(pid, SIGTERM);
  const int code = WaitExit(pid, 4000 * kSlowdown);
  if (code == -1) kill(pid, SIGKILL);
  EXPECT_TRUE(loaded) << "stage 1 was never reached";
  EXPECT_EQ(code, 0);
}

// Menu content that cannot be used ends the start with a failure, the line naming the
// file, and never the loader's line that the menu content is in (scripts wait on it).
TEST_F(WholeGame, AMenuTextureThatCannotBeUsedEndsTheStartWithoutTheLoadedLine) {
  namespace fs = std::filesystem;
  // base/ of links to the build's, but for the first menu texture.
  const fs::path build = fs::current_path();
  const fs::path run = fs::path(home_.path()) / "run";
  std::error_code error;
  fs::create_directories(run / "base" / "textures", error);
  ASSERT_FALSE(error) << error.message();
  for (const fs::directory_entry& e : fs::directory_iterator(build / "base"))
    if (e.path().filename() != "textures") fs::create_symlink(e.path(), run / "base" / e.path().filename());
  for (const fs::directory_entry& e : fs::directory_iterator(build / "base" / "textures"))
    if (e.path().filename() != "tex09.tga")
      fs::create_symlink(e.path(), run / "base" / "textures" / e.path().filename());
  const std::string out = home_.path() + "/stdout.txt";
  const std::string game = (build / "kelvamor").string();
  const pid_t pid = fork();
  if (pid == 0) {
    if (!freopen(out.c_str(), "w", stdout) || chdir(run.c_str()) != 0) _exit(126);
    setenv("HOME", home_.path().c_str(), 1);
    setenv("KELVAMOR_NO_BROWSER", "1", 1);
    setenv("KELVAMOR_NO_DIALOGS", "1", 1);
    execl(game.c_str(), "kelvamor", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  // The intro loads the menus after about 7 s.
  const int code = WaitExit(pid, 30000 * kSlowdown);
  if (code == -1) kill(pid, SIGKILL);
  const std::vector<unsigned char> bytes = ReadAll(out);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(code, -1) << "the game did not end by itself:\n" << text;
  EXPECT_NE(code, 0) << text;
  EXPECT_NE(text.find("kelvamor: the menus cannot run: base/textures/tex09.tga cannot be used"), std::string::npos)
      << text;
  EXPECT_EQ(text.find("menu content loaded"), std::string::npos) << text;
}

}  // namespace
