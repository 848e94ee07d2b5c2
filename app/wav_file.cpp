#include "app/wav_file.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

bool Fail(PcmWav* out) {
  *out = PcmWav{};
  return false;
}

}  // namespace

bool DecodePcmWav(const uint8_t* data, size_t size, PcmWav* out) {
  *out = PcmWav{};
  if (!data || size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
    return Fail(out);
  bool haveFormat = false;
  int blockAlign = 0;
  size_t pos = 12;
  // Every chunk header is 8 bytes; sizes are compared with what is left, never added
  // to the position before that check.
  while (size - pos >= 8) {
    const uint8_t* chunk = data + pos;
    const size_t left = size - pos - 8;
    const size_t claimed = U32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (claimed < 16 || claimed > left) return Fail(out);
      const uint8_t* f = chunk + 8;
      uint16_t tag = U16(f);
      // The extensible header names the real format in its sub-format's first two bytes.
      if (tag == kFormatExtensible) tag = claimed >= 26 ? U16(f + 24) : 0;
      out->channels = U16(f + 2);
      out->rate = static_cast<int>(U32(f + 4) > 0x7FFFFFFFu ? 0 : U32(f + 4));
      out->bits = U16(f + 14);
      if (tag != kFormatPcm || (out->channels != 1 && out->channels != 2) ||
          (out->bits != 8 && out->bits != 16) || out->rate <= 0)
        return Fail(out);
      blockAlign = out->channels * out->bits / 8;
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!haveFormat) return Fail(out);
      // A file cut short (or whose size was never filled in) plays what it holds.
      size_t bytes = claimed < left ? claimed : left;
      bytes -= bytes % static_cast<size_t>(blockAlign);
      if (bytes == 0) return Fail(out);
      out->samples.assign(chunk + 8, chunk + 8 + bytes);
      return true;
    }
    if (claimed > left) break;
    // Chunks are padded to an even size.
    const size_t step = 8 + claimed + (claimed & 1);
    if (step > size - pos) break;
    pos += step;
  }
  return Fail(out);
}

bool ReadPcmWav(const char* path, PcmWav* out) {
  *out = PcmWav{};
  FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (!f) return false;
  std::vector<uint8_t> bytes;
  uint8_t buf[65536];
  size_t n;
  bool tooBig = false;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    if (bytes.size() + n > kMaxWavFileBytes) {
      tooBig = true;
      break;
    }
    bytes.insert(bytes.end(), buf, buf + n);
  }
  std::fclose(f);
  return !tooBig && DecodePcmWav(bytes.data(), bytes.size(), out);
}
