#include "fuzz/scratch_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string MakeScratchDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string parent = tmp && *tmp ? tmp : "";
  // Memory-backed when it exists: a fuzzer writes its input tens of thousands of
  // times a second.
  if (parent.empty()) parent = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string pattern = parent + "/kelvamor-fuzz-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    std::perror("kelvamor fuzz: mkdtemp");
    std::abort();
  }
  return pattern;
}

void RemoveScratchDir() {
  std::error_code ignored;
  fs::remove_all(ScratchDir(), ignored);
}

}  // namespace

const std::string& ScratchDir() {
  static const std::string dir = MakeScratchDir();
  // Registered after the name is made, so it runs before the name is destroyed.
  static const bool removedAtExit = std::atexit(RemoveScratchDir) == 0;
  (void)removedAtExit;
  return dir;
}

std::string WriteScratchFile(const char* relativePath, const uint8_t* data, size_t size) {
  const fs::path path = fs::path(ScratchDir()) / relativePath;
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  FILE* f = std::fopen(path.c_str(), "wb");
  const bool written = f && (size == 0 || std::fwrite(data, 1, size, f) == size);
  if (!f || std::fclose(f) != 0 || !written) {
    std::fprintf(stderr, "kelvamor fuzz: cannot write %s\n", path.c_str());
    std::abort();
  }
  return path.string();
}

InScratchDir::InScratchDir() : previous_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (previous_ < 0 || chdir(ScratchDir().c_str()) != 0) {
    std::perror("kelvamor fuzz: entering the scratch folder");
    std::abort();
  }
}

InScratchDir::~InScratchDir() {
  if (fchdir(previous_) != 0) {
    std::perror("kelvamor fuzz: leaving the scratch folder");
    std::abort();
  }
  close(previous_);
}
