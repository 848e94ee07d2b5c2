// The font width tables (font1.ini, font2.ini) as the renderer's start-up reads them.
// A width feeds every pen step of the text drawn in that font, so each must leave a
// full 255-character line at the largest step the text code uses a finite number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/scratch_files.h"
#include "gfx/font.h"

namespace {

// The larger of the two fonts' display-list steps, and a generous text scale on top.
constexpr float kLargestStep = 60.0f * 16.0f;
constexpr float kLongestLine = 255.0f;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = WriteScratchFile("font.ini", data, size);
  LoadFontWidths(path.c_str(), 2);
  for (const float w : Font2.widths)
    if (!std::isfinite(w * kLargestStep * kLongestLine)) std::abort();
  return 0;
}
