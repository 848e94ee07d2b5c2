// Shader text as the program build reads it before handing it to the driver: the
// whole file as one zero-terminated string, whatever bytes it holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/scratch_files.h"
#include "gfx/shaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = WriteScratchFile("ShaderVS.glsl", data, size);
  char* text = ReadTextFile(path.c_str());
  if (!text) std::abort();
  // Every byte arrives, in order, and the terminator follows the last one (a zero
  // byte inside the file ends the string early for the driver, as it would anyway).
  if (std::memcmp(text, data, size) != 0 || text[size] != '\0') std::abort();
  delete[] text;
  return 0;
}
