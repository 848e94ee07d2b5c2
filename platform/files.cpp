#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Reads XDG_DOCUMENTS_DIR="$HOME/Docs" style lines; "" when absent.
std::string XdgDocumentsDir(const std::string& home) {
  const char* cfg = std::getenv("XDG_CONFIG_HOME");
  const std::string file = (cfg && *cfg ? std::string(cfg) : home + "/.config") + "/user-dirs.dirs";
  FILE* f = std::fopen(file.c_str(), "r");
  if (!f) return "";
  char line[1024];
  std::string result;
  while (std::fgets(line, sizeof line, f)) {
    const char* key = "XDG_DOCUMENTS_DIR=";
    if (std::strncmp(line, key, std::strlen(key)) != 0) continue;
    std::string v = line + std::strlen(key);
    while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.pop_back();
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.compare(0, 5, "$HOME") == 0) v = home + v.substr(5);
    // A relative or empty entry is not a usable folder.
    if (!v.empty() && v[0] == '/') result = v;
  }
  std::fclose(f);
  return result;
}

}  // namespace

std::string DocumentsFolder() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return "";
  std::string dir = XdgDocumentsDir(home);
  if (dir.empty()) dir = std::string(home) + "/Documents";
  MakeDirectories(dir);
  return dir;
}

bool MakeDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    partial = path.substr(0, pos);
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteFileAtomic(const std::string& path, const void* data, size_t size) {
  const std::string tmp = path + ".tmp";
  const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const char* p = static_cast<const char*>(data);
  size_t left = size;
  bool ok = true;
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (ok) ok = rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) unlink(tmp.c_str());
  return ok;
}

}  // namespace platform
