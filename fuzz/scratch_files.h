// Scratch files for the readers that take a path rather than bytes: one folder per
// fuzzing process (in memory under /dev/shm unless TMPDIR names another place),
// removed again when the process ends normally.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The process's folder, made on first use; aborts when none can be made, since every
// run after that would test nothing.
const std::string& ScratchDir();

// Writes the bytes to <scratch>/<relativePath>, making the folders on the way, and
// returns the full path. Aborts when the file cannot be written.
std::string WriteScratchFile(const char* relativePath, const uint8_t* data, size_t size);

// Makes the scratch folder the working directory while it lives, for the readers that
// open a fixed "base/..." path relative to it as the game does; the fuzzer's own
// corpus and reproducer paths may be relative, so the old one comes back at once.
class InScratchDir {
 public:
  InScratchDir();
  ~InScratchDir();
  InScratchDir(const InScratchDir&) = delete;
  InScratchDir& operator=(const InScratchDir&) = delete;

 private:
  int previous_;  // descriptor of the working directory before
};
