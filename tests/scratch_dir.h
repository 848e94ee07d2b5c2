// One scratch folder per test process. CTest runs every test case as its own process,
// many at once, so a fixed name under the shared temporary folder lets one case
// truncate the file another is reading; a private folder cannot collide.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace testscratch {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string tmpl = ::testing::TempDir() + "kelvamor-scratch-XXXXXX";
    if (mkdtemp(&tmpl[0]) != nullptr) path_ = tmpl + "/";
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The folder, with a trailing slash; created on first use, removed at exit.
inline const std::string& ScratchDir() {
  static ScratchFolder folder;
  return folder.path();
}

inline std::string ScratchPath(const std::string& name) { return ScratchDir() + name; }

}  // namespace testscratch
