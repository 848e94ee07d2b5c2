#include "tests/gfx/test_files.h"

#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <unistd.h>

namespace gfxtest {

namespace {
int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }
}  // namespace

ScratchDir::ScratchDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelvamor-gfx-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data())) path_ = buf.data();
}

ScratchDir::~ScratchDir() {
  if (!path_.empty()) nftw(path_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, f) == 1;
  return std::fclose(f) == 0 && ok;
}

bool WriteText(const std::string& path, const std::string& text) {
  return WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace gfxtest
