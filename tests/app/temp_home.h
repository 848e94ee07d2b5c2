// A throw-away HOME for tests that read and write the player's files.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

class TempHome {
 public:
  TempHome();
  ~TempHome();
  const std::string& path() const { return path_; }
  std::string Kelvamor(const char* file) const { return path_ + "/Documents/Kelvamor/" + file; }

 private:
  std::string path_;
  std::string oldHome_;
  bool hadHome_ = false;
};

// While it stands, no file may grow past `bytes`, as on a disk that has filled up: a
// write beyond fails with "File too large" (the signal it would raise is ignored).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(unsigned long bytes);
  ~FileSizeLimit();

 private:
  unsigned long oldSoft_ = 0;
  void (*oldHandler_)(int) = nullptr;
};

// The names in a folder, sorted ("." and ".." left out).
std::vector<std::string> FolderNames(const std::string& folder);

std::vector<unsigned char> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes);
bool Exists(const std::string& path);
