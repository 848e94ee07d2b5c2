// The whole program started on player's files it cannot use as they are: a resolution
// the display does not offer, folders it cannot write, no display at all. It never
// exits 0 on a failure, and it never leaves a game that cannot start again.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "app/settings.h"
#include "tests/app/child_game.h"
#include "tests/app/temp_home.h"

namespace {

using childgame::kSlowdown;
using childgame::WaitExit;

std::string Text(const std::string& path) {
  const std::vector<unsigned char> b = ReadAll(path);
  return std::string(b.begin(), b.end());
}

class GameStart : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display: run under xvfb-run";
    if (access("./kelvamor", X_OK) != 0) GTEST_SKIP() << "run from the build folder, where kelvamor is";
    out_ = home_.path() + "/stdout.txt";
  }
  // Starts the game with stdout and stderr in out_; display "" leaves DISPLAY as it is.
  pid_t Start(const char* display = "") {
    const pid_t pid = fork();
    if (pid == 0) {
      if (!freopen(out_.c_str(), "w", stdout) || dup2(fileno(stdout), 2) < 0) _exit(126);
      setenv("HOME", home_.path().c_str(), 1);
      setenv("KELVAMOR_NO_BROWSER", "1", 1);
      setenv("KELVAMOR_NO_DIALOGS", "1", 1);
      if (*display) setenv("DISPLAY", display, 1);
      execl("./kelvamor", "kelvamor", static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  }
  // Runs the game for a while, then ends it as a window close would; its exit status.
  int RunAndTerminate() {
    const pid_t pid = Start();
    EXPECT_GT(pid, 0);
    if (WaitExit(pid, 3000 * kSlowdown) != -1) {
      ADD_FAILURE() << "the game ended by itself during start-up:\n" << Text(out_);
      return -1;
    }
    kill(pid, SIGTERM);
    const int code = WaitExit(pid, 5000 * kSlowdown);
    if (code == -1) kill(pid, SIGKILL);
    return code;
  }
  std::vector<unsigned char> Settings800x600() {
    GameSettings s = DefaultSettings();
    s.displayMode = 1;
    s.screenWidth = 800;
    s.screenHeight = 600;
    std::vector<unsigned char> b(kSettingsFileSize);
    EncodeSettings(s, b.data());
    return b;
  }
  TempHome home_;
  std::string out_;
};

// Xvfb offers only its own screen (1024 x 768), as a monitor changed since the
// resolution was chosen would.
TEST_F(GameStart, AResolutionTheDisplayDoesNotOfferStartsInTheDesktopsAndStaysChosen) {
  ASSERT_EQ(system(("mkdir -p " + home_.path() + "/Documents/Kelvamor").c_str()), 0);
  const std::vector<unsigned char> chosen = Settings800x600();
  WriteAll(home_.Kelvamor("menu.inf"), chosen);
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(RunAndTerminate(), 0) << Text(out_);
    const std::string log = Text(out_);
    EXPECT_NE(log.find("menu.inf: the display does not offer 800 x 600; this start uses the desktop's 1024 x 768"),
              std::string::npos) << log;
    EXPECT_EQ(log.find("Program Will Now Close"), std::string::npos) << log;
    EXPECT_EQ(ReadAll(home_.Kelvamor("menu.inf")), chosen) << "the player's choice stays in the file";
  }
}

// The files cannot be written anywhere: the game plays, says so, and its exit status
// tells the shell the player's files were not kept.
TEST_F(GameStart, FilesThatCannotBeSavedEndTheGameWithAFailure) {
  ASSERT_EQ(system(("echo not-a-folder > " + home_.path() + "/Documents").c_str()), 0);
  EXPECT_NE(RunAndTerminate(), 0);
  const std::string log = Text(out_);
  EXPECT_NE(log.find("menu.inf: cannot be saved to " + home_.path() + "/Documents/Kelvamor/menu.inf"),
            std::string::npos) << log;
  EXPECT_NE(log.find("career.inf: cannot be saved"), std::string::npos) << log;
  EXPECT_NE(log.find("could not be saved at exit"), std::string::npos) << log;

  // A career file that is a folder: the settings are saved, the career is not.
  ASSERT_EQ(system(("rm -f " + home_.path() + "/Documents && mkdir -p " + home_.path() +
                    "/Documents/Kelvamor/career.inf").c_str()), 0);
  EXPECT_NE(RunAndTerminate(), 0);
  EXPECT_NE(Text(out_).find("career.inf: cannot be saved"), std::string::npos) << Text(out_);
  EXPECT_EQ(ReadAll(home_.Kelvamor("menu.inf")).size(), kSettingsFileSize);
}

TEST_F(GameStart, NoDisplayEndsTheStartWithAFailureNamingIt) {
  const pid_t pid = Start(":9876");
  ASSERT_GT(pid, 0);
  const int code = WaitExit(pid, 10000 * kSlowdown);
  if (code == -1) kill(pid, SIGKILL);
  EXPECT_NE(code, -1) << "the game waited for a display that is not there";
  EXPECT_NE(code, 0);
  // Depending on the video drivers built in, none starts, or one starts with no screen.
  const std::string log = Text(out_);
  EXPECT_NE(log.find("window: no display could be opened"), std::string::npos) << log;
  EXPECT_EQ(log.find("does not offer"), std::string::npos) << "no mode to fall back on is offered" << log;
}

}  // namespace
