// .bmp material maps as the texture loader reads them before the upload: the file
// reader, and what it hands over checked against the in-memory decode.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/scratch_files.h"
#include "gfx/image_bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = WriteScratchFile("image.bmp", data, size);
  BmpImage* image = LoadBMP(path.c_str());
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
  const bool decoded = DecodeBMP(data, size, &w, &h, &rgb) == BmpResult::kOk;
  if ((image != nullptr) != decoded) std::abort();
  if (image) {
    if (image->width != w || image->height != h || w <= 0 || h <= 0) std::abort();
    if (rgb.size() != static_cast<size_t>(w) * h * 3) std::abort();
    if (std::memcmp(image->pixels, rgb.data(), rgb.size()) != 0) std::abort();
  }
  FreeBMP(image);
  return 0;
}
