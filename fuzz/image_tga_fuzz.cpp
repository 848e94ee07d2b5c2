// .tga images as the texture loaders read them before the upload: the file reader
// (which checks the header before it allocates) and the in-memory decode must agree
// on every file, result and pixels alike.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/scratch_files.h"
#include "gfx/image_tga.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = WriteScratchFile("image.tga", data, size);
  TgaImage fromFile;
  const TgaResult fileResult = ReadTGAFile(path.c_str(), &fromFile);
  TgaImage fromMemory;
  const TgaResult memoryResult = DecodeTGA(data, size, &fromMemory);
  if (fileResult != memoryResult) std::abort();
  if (fileResult != TgaResult::kOk) return 0;
  if (fromFile.width != fromMemory.width || fromFile.height != fromMemory.height ||
      fromFile.components != fromMemory.components || fromFile.pixels != fromMemory.pixels)
    std::abort();
  const size_t expected = static_cast<size_t>(fromFile.width) * fromFile.height * fromFile.components;
  if (fromFile.pixels.size() != expected) std::abort();
  return 0;
}
