#include "gfx/data_files.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

std::atomic<uint32_t> g_count{0};
std::mutex g_lastLock;
std::string g_last;
std::string g_lasting;

}  // namespace

void ReportUnusableFile(const char* path, const char* why, bool lasting) {
  const char* name = path ? path : "(no file name)";
  {
    std::lock_guard<std::mutex> hold(g_lastLock);
    g_last = name;
    if (lasting && g_lasting.empty()) g_lasting = name;
  }
  std::printf("%s: %s\n", name, why ? why : "cannot be used");
  std::fflush(stdout);
  g_count.fetch_add(1);
}

uint32_t UnusableFileCount() { return g_count.load(); }

std::string LastUnusableFile() {
  std::lock_guard<std::mutex> hold(g_lastLock);
  return g_last;
}

std::string LastingUnusableFile() {
  std::lock_guard<std::mutex> hold(g_lastLock);
  return g_lasting;
}

const char* OpenFailureReason() {
  return errno == ENOENT ? "missing" : std::strerror(errno);
}
