#include "tools/basegen/basegen.h"

#include <cstdio>
#include <sys/stat.h>

#include "platform/files.h"

namespace basegen {

bool Output::Write(const std::string& relPath, const std::vector<uint8_t>& bytes) {
  const std::string path = root + "/" + relPath;
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && !platform::MakeDirectories(path.substr(0, slash))) {
    std::fprintf(stderr, "basegen: cannot create the folder of %s\n", path.c_str());
    ok = false;
    return false;
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "basegen: cannot write %s\n", path.c_str());
    ok = false;
    return false;
  }
  const bool written = bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, f) == 1;
  if (std::fclose(f) != 0 || !written) {
    std::fprintf(stderr, "basegen: short write to %s\n", path.c_str());
    ok = false;
    return false;
  }
  ++filesWritten;
  return true;
}

bool Output::WriteText(const std::string& relPath, const std::string& text) {
  return Write(relPath, std::vector<uint8_t>(text.begin(), text.end()));
}

bool Output::CopyData(const std::string& relSource, const std::string& relTarget) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(dataRoot + "/" + relSource, &bytes)) {
    std::fprintf(stderr, "basegen: missing data file %s\n", relSource.c_str());
    ok = false;
    return false;
  }
  return Write(relTarget, bytes);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out) {
  out->clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
  std::fclose(f);
  return true;
}

}  // namespace basegen
