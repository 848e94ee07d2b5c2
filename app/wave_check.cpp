#include "app/wave_check.h"

#include <cstdint>
#include <cstring>

namespace {

uint32_t LittleU32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

bool Refuse(std::string* why, const char* reason) {
  if (why) *why = reason;
  return false;
}

}  // namespace

bool WaveChunksFit(std::FILE* f, std::string* why) {
  if (!f || std::fseek(f, 0, SEEK_END) != 0) return Refuse(why, "cannot seek in the file");
  const long end = std::ftell(f);
  if (end < 0 || std::fseek(f, 0, SEEK_SET) != 0) return Refuse(why, "cannot seek in the file");
  const uint64_t fileSize = static_cast<uint64_t>(end);

  unsigned char head[12];
  if (fileSize < sizeof head || std::fread(head, 1, sizeof head, f) != sizeof head)
    return Refuse(why, "shorter than a RIFF header");
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
    return Refuse(why, "not a RIFF WAVE file");

  bool sawFormat = false;
  uint64_t at = sizeof head;
  // Every chunk costs at least its 8-byte header, so the walk ends within the file.
  while (at + 8 <= fileSize) {
    unsigned char chunk[8];
    if (std::fseek(f, static_cast<long>(at), SEEK_SET) != 0 || std::fread(chunk, 1, 8, f) != 8)
      return Refuse(why, "a chunk header cannot be read");
    const uint64_t size = LittleU32(chunk + 4);
    const uint64_t left = fileSize - at - 8;
    if (size > left) return Refuse(why, "a chunk claims more bytes than the file holds");
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (size < 16) return Refuse(why, "the format chunk is shorter than 16 bytes");
      unsigned char format[8];
      if (std::fread(format, 1, sizeof format, f) != sizeof format)
        return Refuse(why, "the format chunk cannot be read");
      const uint32_t rate = LittleU32(format + 4);
      if (rate == 0 || rate > kMaxWaveRate) return Refuse(why, "the sample rate is out of range");
      sawFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!sawFormat) return Refuse(why, "the data chunk comes before the format chunk");
      std::fseek(f, 0, SEEK_END);
      return true;
    }
    // Chunks are padded to even sizes; a pad byte missing at the very end is harmless.
    at += 8 + size + (size & 1);
  }
  return Refuse(why, sawFormat ? "no data chunk" : "no format chunk");
}

bool WaveFileChunksFit(const char* path, std::string* why) {
  std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (!f) return Refuse(why, "cannot open the file");
  const bool fit = WaveChunksFit(f, why);
  std::fclose(f);
  return fit;
}

int SampleRateHz(float rate) {
  // Written so that a NaN fails the test too.
  if (!(rate >= 1.0f && rate <= static_cast<float>(kMaxWaveRate))) return 0;
  return static_cast<int>(rate);
}
