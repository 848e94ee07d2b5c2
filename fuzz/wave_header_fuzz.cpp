// The .wav layout check every sound file passes before the sound loader reads it.
// A file it passes must hold every chunk it walked over; the check is redone here on
// the bytes so a pass that the walk cannot justify is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/wave_check.h"
#include "fuzz/scratch_files.h"

namespace {

uint32_t Little32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The data chunk a passing file must have: its header inside the file and its size no
// more than the bytes after it.
bool DataChunkFits(const uint8_t* data, size_t size) {
  for (uint64_t at = 12; at + 8 <= size;) {
    const uint64_t chunk = Little32(data + at + 4);
    if (chunk > size - at - 8) return false;
    if (std::memcmp(data + at, "data", 4) == 0) return true;
    at += 8 + chunk + (chunk & 1);
  }
  return false;
}

// The first format chunk's sample rate, as the sound loader hands it on (ALUT reports it
// as a float); 0 when no format chunk lies inside the bytes.
float FormatRate(const uint8_t* data, size_t size) {
  for (uint64_t at = 12; at + 16 <= size;) {
    const uint64_t chunk = Little32(data + at + 4);
    if (std::memcmp(data + at, "fmt ", 4) == 0) return static_cast<float>(Little32(data + at + 12));
    at += 8 + chunk + (chunk & 1);
  }
  return 0.0f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = WriteScratchFile("sound.wav", data, size);
  std::string why;
  if (!WaveFileChunksFit(path.c_str(), &why)) {
    if (why.empty()) std::abort();  // a refusal always names its reason
    return 0;
  }
  if (size < 12 || !DataChunkFits(data, size)) std::abort();
  // A passing header's rate must become a whole hertz OpenAL can take.
  if (SampleRateHz(FormatRate(data, size)) <= 0) std::abort();
  return 0;
}
