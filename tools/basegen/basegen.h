// The content generator's shared pieces: where files go, little-endian byte writers
// and its own seeded random generator (never the runtime's rand or the clock, so two
// runs write byte-identical trees).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace basegen {

// Collects bytes in the little-endian field order the game's readers expect.
class ByteWriter {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void U16(uint16_t v) {
    bytes_.push_back(static_cast<uint8_t>(v));
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
  }
  void F32(float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    U32(u);
  }
  void Bytes(const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + n);
  }
  void Zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
  // A fixed-width text field, NUL-padded (longer text is cut).
  void FixedString(const std::string& s, size_t width) {
    for (size_t i = 0; i < width; ++i) U8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
  }
  size_t size() const { return bytes_.size(); }
  std::vector<uint8_t>& bytes() { return bytes_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// xorshift64*: small, fast and the same on every machine.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
  uint32_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32);
  }
  // Uniform in [0, 1).
  float Unit() { return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f); }
  float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }

 private:
  uint64_t state_;
};

// Where the generated tree goes and where the hand-written data comes from.
struct Output {
  std::string root;      // e.g. build/base
  std::string dataRoot;  // the repository's data/ folder
  int filesWritten = 0;
  bool ok = true;

  // Writes root/relPath, creating folders; records a failure instead of throwing.
  bool Write(const std::string& relPath, const std::vector<uint8_t>& bytes);
  bool WriteText(const std::string& relPath, const std::string& text);
  // Copies dataRoot/relSource to root/relTarget.
  bool CopyData(const std::string& relSource, const std::string& relTarget);
};

// Reads a whole file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out);

// Each generator writes one family of files; each checker re-reads it with the
// game's own readers and reports what is wrong (empty = fine).
using Generator = void (*)(Output&);
using Checker = void (*)(const std::string& root, std::vector<std::string>* problems);

}  // namespace basegen
