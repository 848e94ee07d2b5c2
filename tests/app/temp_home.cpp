#include "tests/app/temp_home.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

TempHome::TempHome() {
  char tmpl[] = "/tmp/kelvamor-test-XXXXXX";
  path_ = mkdtemp(tmpl);
  if (const char* h = std::getenv("HOME")) {
    hadHome_ = true;
    oldHome_ = h;
  }
  setenv("HOME", path_.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
}

TempHome::~TempHome() {
  const std::string cmd = "rm -rf '" + path_ + "'";
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", path_.c_str());
  if (hadHome_) setenv("HOME", oldHome_.c_str(), 1);
}

std::vector<unsigned char> ReadAll(const std::string& path) {
  std::vector<unsigned char> out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  int c;
  while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<unsigned char>(c));
  std::fclose(f);
  return out;
}

void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  if (!bytes.empty()) std::fwrite(bytes.data(), bytes.size(), 1, f);
  std::fclose(f);
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

FileSizeLimit::FileSizeLimit(unsigned long bytes) {
  rlimit r{};
  getrlimit(RLIMIT_FSIZE, &r);
  oldSoft_ = r.rlim_cur;
  oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
  r.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &r);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit r{};
  getrlimit(RLIMIT_FSIZE, &r);
  r.rlim_cur = oldSoft_;
  setrlimit(RLIMIT_FSIZE, &r);
  std::signal(SIGXFSZ, oldHandler_);
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* d = opendir(folder.c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    const std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}
