// The player's two files when they cannot be used or a save is cut short: a damaged
// file is always kept (or, when it cannot be moved, never written over), and what a
// killed save leaves beside them does not pile up.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/career.h"
#include "app/player_files.h"
#include "app/settings.h"
#include "frontend/screens.h"
#include "tests/app/temp_home.h"

namespace {

std::vector<unsigned char> SettingsBytes(const GameSettings& s) {
  std::vector<unsigned char> b(kSettingsFileSize);
  EncodeSettings(s, b.data());
  return b;
}

std::vector<unsigned char> CareerBytes(const CareerRecord& c) {
  const auto* p = reinterpret_cast<const unsigned char*>(&c);
  return std::vector<unsigned char>(p, p + sizeof c);
}

std::vector<unsigned char> Text(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

size_t Count(const std::string& text, const std::string& line) {
  size_t n = 0;
  for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
  return n;
}

// The names in the folder that a save's temporary file has.
std::vector<std::string> TemporaryNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const std::string& n : FolderNames(folder))
    if (n.find(".inf.tmp-") != std::string::npos) names.push_back(n);
  return names;
}

// What a child process printed and how it ended.
struct ChildRun {
  std::string out;
  int status = -1;
};

constexpr int kCannotDropRoot = 90;
constexpr int kFolderStillWritable = 91;
constexpr uid_t kNobody = 65534;

// Runs the game code of `steps` in a child process for which `folder` is read-only.
// Modes do not hold root back, so as root the child first becomes "nobody", to whom the
// throw-away home is given. steps may make the folder writable again itself.
ChildRun RunWithReadOnlyFolder(const std::string& home, const std::string& folder,
                               const std::function<void()>& steps) {
  const bool root = geteuid() == 0;
  if (root) {
    EXPECT_EQ(system(("chown -R 65534:65534 '" + home + "'").c_str()), 0);
  }
  int pipeFds[2];
  ChildRun run;
  if (pipe(pipeFds) != 0) return run;
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipeFds[0]);
    if (root && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(kCannotDropRoot);
    if (chmod(folder.c_str(), 0555) != 0) _exit(kFolderStillWritable);
    const std::string probe = folder + "/probe";
    const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd >= 0) {
      close(fd);
      unlink(probe.c_str());
      _exit(kFolderStillWritable);
    }
    dup2(pipeFds[1], STDOUT_FILENO);
    steps();
    std::fflush(stdout);
    _exit(0);
  }
  close(pipeFds[1]);
  char buf[4096];
  ssize_t n;
  while ((n = read(pipeFds[0], buf, sizeof buf)) > 0) run.out.append(buf, static_cast<size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  chmod(folder.c_str(), 0755);
  return run;
}

// Why a read-only case cannot be made on this machine; "" when it ran.
std::string CannotMakeReadOnly(const ChildRun& run) {
  if (run.status == kCannotDropRoot) return "running as root, and the child could not become nobody (65534)";
  if (run.status == kFolderStillWritable) return "a folder of mode 0555 still takes new files here";
  return "";
}

// Runs in the throw-away home, so "./base/" is whatever the test puts there.
class PlayerFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    oldCwd_ = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(home_.path().c_str()), 0);
    ASSERT_EQ(system("mkdir -p base Documents/Kelvamor"), 0);
    PendingGraphics = PendingGraphicsState{};
    shippedSettings_ = DefaultSettings();
    shippedSettings_.screenWidth = 800;
    shippedSettings_.screenHeight = 600;
    WriteAll("base/menu.inf", SettingsBytes(shippedSettings_));
    std::memset(&Career, 0, sizeof Career);
    ResetCareerFields();
    shippedCareer_ = CareerBytes(Career);
    WriteAll("base/career.inf", shippedCareer_);
  }
  void TearDown() override {
    if (chdir(oldCwd_) != 0) ADD_FAILURE() << "cannot return to " << oldCwd_;
    free(oldCwd_);
  }
  std::string Folder() const { return home_.Kelvamor(""); }
  std::string Menu() const { return home_.Kelvamor("menu.inf"); }
  std::string CareerFile() const { return home_.Kelvamor("career.inf"); }
  // A played career the checks take as it is.
  std::vector<unsigned char> PlayedCareer() const {
    CareerRecord c;
    std::memcpy(&c, shippedCareer_.data(), sizeof c);
    c.Cash = 4321.0f;
    return CareerBytes(c);
  }
  TempHome home_;
  char* oldCwd_ = nullptr;
  GameSettings shippedSettings_;
  std::vector<unsigned char> shippedCareer_;
};

// However many damaged copies a player has collected, the next one is kept too, under
// the first free number, and none of the earlier ones is touched.
TEST_F(PlayerFiles, ADamagedFileIsSetAsideHoweverManyCopiesAreThere) {
  struct Case {
    const char* name;
    std::string path;
    int planted;  // copies already there: .damaged, .damaged.2 ... .damaged.<planted>
    std::function<bool()> load;
    std::vector<unsigned char> shipped;
  };
  const Case cases[] = {{"career.inf", CareerFile(), 99, LoadCareer, shippedCareer_},
                        {"menu.inf", Menu(), 150, LoadSettings, SettingsBytes(shippedSettings_)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto copyName = [&c](int i) { return c.path + ".damaged" + (i == 1 ? "" : "." + std::to_string(i)); };
    for (int i = 1; i <= c.planted; ++i) WriteAll(copyName(i), Text("copy " + std::to_string(i)));
    const std::vector<unsigned char> damaged = Text("seven b");
    WriteAll(c.path, damaged);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(c.load());
    const std::string log = testing::internal::GetCapturedStdout();
    SCOPED_TRACE(log);
    const std::string next = copyName(c.planted + 1);
    EXPECT_EQ(ReadAll(next), damaged) << "the player's bytes are kept as " << next;
    EXPECT_NE(log.find("kept as " + next + ", "), std::string::npos);
    EXPECT_EQ(log.find("could not be set aside"), std::string::npos);
    for (int i = 1; i <= c.planted; ++i) EXPECT_EQ(ReadAll(copyName(i)), Text("copy " + std::to_string(i))) << i;
    EXPECT_EQ(ReadAll(c.path), c.shipped) << "the shipped copy stands in its place";
  }
}

// A damaged file that cannot be moved is the only copy of the player's bytes: no save
// of the session replaces it, not the write-back at the start, not a save once the
// folder takes files again, not a new career; the lines say so. The other file saves
// as usual.
TEST_F(PlayerFiles, AFileThatCannotBeSetAsideIsNotSavedOverWhileTheGameRuns) {
  const std::vector<unsigned char> damagedMenu(100, 7);
  const std::vector<unsigned char> damagedCareer = Text("seven b");
  const std::string held = "it could not be set aside (Permission denied) and is not saved over while the game runs; ";
  auto refused = [](const std::string& name, const std::string& path) {
    return name + ": not saved to " + path +
           ": the file there could not be set aside and is kept as it is while the game runs\n";
  };
  auto report = [](const char* what, bool result) {
    std::printf("%s: %d\n", what, result ? 1 : 0);
    std::fflush(stdout);
  };

  // The settings damaged, the career whole.
  WriteAll(Menu(), damagedMenu);
  WriteAll(CareerFile(), PlayedCareer());
  const std::string folder = Folder();
  ChildRun run = RunWithReadOnlyFolder(home_.path(), folder, [&] {
    report("LoadSettings", LoadSettings());
    report("LoadCareer", LoadCareer());
    chmod(folder.c_str(), 0755);
    Settings.sound = 0;
    report("SaveSettings", SaveSettings());
    Career.Cash = 99.0f;
    report("SaveCareer", SaveCareer());
  });
  std::string skip = CannotMakeReadOnly(run);
  if (!skip.empty()) GTEST_SKIP() << skip;
  {
    SCOPED_TRACE(run.out);
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("menu.inf: " + Menu() + " holds 100 bytes, not the 196 of a settings file; " + held +
                           "the shipped settings are used\n"),
              std::string::npos);
    EXPECT_EQ(Count(run.out, refused("menu.inf", Menu())), 2u) << "the write-back and the later save";
    EXPECT_NE(run.out.find("LoadSettings: 0\n"), std::string::npos);
    EXPECT_NE(run.out.find("SaveSettings: 0\n"), std::string::npos);
    EXPECT_EQ(ReadAll(Menu()), damagedMenu) << "the player's settings were written over";
    EXPECT_NE(run.out.find("SaveCareer: 1\n"), std::string::npos) << "the career is not held with them";
    CareerRecord saved;
    const std::vector<unsigned char> career = ReadAll(CareerFile());
    ASSERT_EQ(career.size(), sizeof saved);
    std::memcpy(&saved, career.data(), sizeof saved);
    EXPECT_EQ(saved.Cash, 99.0f);
    EXPECT_EQ(TemporaryNames(folder), std::vector<std::string>{});
  }

  // The career damaged, the settings whole.
  ASSERT_EQ(system("rm -f Documents/Kelvamor/*"), 0);
  WriteAll(Menu(), SettingsBytes(shippedSettings_));
  WriteAll(CareerFile(), damagedCareer);
  run = RunWithReadOnlyFolder(home_.path(), folder, [&] {
    report("LoadSettings", LoadSettings());
    report("LoadCareer", LoadCareer());
    chmod(folder.c_str(), 0755);
    report("SaveCareer", SaveCareer());
    ResetCareer();
    Settings.sound = 0;
    report("SaveSettings", SaveSettings());
  });
  skip = CannotMakeReadOnly(run);
  if (!skip.empty()) GTEST_SKIP() << skip;
  SCOPED_TRACE(run.out);
  ASSERT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("career.inf: " + CareerFile() + " holds 7 bytes, not the 1080 of a career file; " + held),
            std::string::npos);
  EXPECT_EQ(Count(run.out, refused("career.inf", CareerFile())), 3u) << "write-back, save, new career";
  EXPECT_NE(run.out.find("LoadCareer: 0\n"), std::string::npos);
  EXPECT_NE(run.out.find("SaveCareer: 0\n"), std::string::npos);
  EXPECT_EQ(ReadAll(CareerFile()), damagedCareer) << "the player's career was written over";
  EXPECT_NE(run.out.find("SaveSettings: 1\n"), std::string::npos);
  GameSettings quiet = shippedSettings_;
  quiet.sound = 0;
  EXPECT_EQ(ReadAll(Menu()), SettingsBytes(quiet));
  EXPECT_EQ(TemporaryNames(folder), std::vector<std::string>{});
}

// Saves killed before their rename leave temporary files; the start removes them, and
// nothing else: not the file of a save still going on in another running game, not a
// link, FIFO or folder under such a name, not any other name.
TEST_F(PlayerFiles, TheStartRemovesWhatKilledSavesLeftAndNothingElse) {
  const std::string folder = Folder();
  WriteAll(Menu(), SettingsBytes(shippedSettings_));
  WriteAll(CareerFile(), PlayedCareer());
  // Saves large enough that a kill lands inside one; seeded, so the moments come again.
  const std::vector<unsigned char> large(1 << 20, 5);
  std::mt19937 moments(20240611);
  int kills = 0;
  while (TemporaryNames(folder).size() < 3 && kills < 40) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
      const char* name = kills % 2 ? "menu.inf" : "career.inf";
      for (;;) SavePlayerFile(name, large.data(), large.size());
    }
    usleep(20000 + moments() % 30000);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    ++kills;
  }
  const std::vector<std::string> leftovers = TemporaryNames(folder);
  ASSERT_GE(leftovers.size(), 1u) << "no kill of " << kills << " landed inside a save";
  for (const std::string& path : {Menu(), CareerFile()}) {
    const size_t size = ReadAll(path).size();
    EXPECT_TRUE(size == large.size() || size == (path == Menu() ? kSettingsFileSize : kCareerFileSize))
        << path << " is not whole after the kills: " << size << " bytes";
  }

  // Under the names of leftovers, what is not one; and names that only look alike.
  const std::string target = home_.path() + "/elsewhere";
  WriteAll(target, Text("keep"));
  ASSERT_EQ(symlink(target.c_str(), (folder + "career.inf.tmp-11111111").c_str()), 0);
  ASSERT_EQ(symlink((home_.path() + "/nowhere").c_str(), (folder + "menu.inf.tmp-22222222").c_str()), 0);
  ASSERT_EQ(mkfifo((folder + "career.inf.tmp-33333333").c_str(), 0644), 0);
  ASSERT_EQ(mkdir((folder + "menu.inf.tmp-44444444").c_str(), 0755), 0);
  WriteAll(folder + "menu.inf.tmp-44444444/inside", Text("x"));
  const std::vector<std::string> lookAlikes = {
      "career.inf.tmp",        "career.inf.tmp-0123abc", "career.inf.tmp-0123abcde", "career.inf.tmp-0123ABCD",
      "menu.inf.tmp-0123abc.", "xmenu.inf.tmp-0123abcd", "optica.inf.tmp-0123abcd",  "career.inf.damaged"};
  for (const std::string& n : lookAlikes) WriteAll(folder + n, Text(n));
  // A save going on in another game holds its file locked, as WriteFileAtomic does.
  const int live = open((folder + "career.inf.tmp-5555aaaa").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  ASSERT_GE(live, 0);
  ASSERT_EQ(flock(live, LOCK_EX), 0);

  testing::internal::CaptureStdout();
  RemoveLeftoverSaves();
  const std::string log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(log, "") << "nothing failed";
  close(live);
  std::vector<std::string> expected = lookAlikes;
  expected.insert(expected.end(), {"career.inf", "career.inf.tmp-11111111", "career.inf.tmp-33333333",
                                   "career.inf.tmp-5555aaaa", "menu.inf", "menu.inf.tmp-22222222",
                                   "menu.inf.tmp-44444444"});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FolderNames(folder), expected) << "the " << leftovers.size() << " leftovers go, the rest stays";
  EXPECT_EQ(ReadAll(target), Text("keep"));
  EXPECT_EQ(ReadAll(folder + "menu.inf.tmp-44444444/inside"), Text("x"));
  for (const std::string& n : lookAlikes) EXPECT_EQ(ReadAll(folder + n), Text(n)) << n;

  // A sweep while another game saves over and over never takes a file from under it.
  testing::internal::CaptureStdout();
  std::fflush(stdout);
  const pid_t saver = fork();
  if (saver == 0) {
    for (int i = 0; i < 40; ++i)
      if (!SavePlayerFile("career.inf", large.data(), large.size())) _exit(1);
    _exit(0);
  }
  int status = 0;
  while (waitpid(saver, &status, WNOHANG) == 0) RemoveLeftoverSaves();
  const std::string saves = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed while the sweep ran: " << saves;
  EXPECT_EQ(ReadAll(CareerFile()), large);
}

}  // namespace
