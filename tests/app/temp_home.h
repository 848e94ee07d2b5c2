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

std::vector<unsigned char> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes);
bool Exists(const std::string& path);
