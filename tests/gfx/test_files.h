// File helpers for the graphics tests: a scratch folder removed with its contents at
// the end of the test, and whole-file writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gfxtest {

class ScratchDir {
 public:
  ScratchDir();   // a fresh folder under $TMPDIR (or /tmp)
  ~ScratchDir();  // removes it and everything in it
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool WriteText(const std::string& path, const std::string& text);

}  // namespace gfxtest
