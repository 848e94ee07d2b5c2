// The TGA format as the game stores it: uncompressed true colour, 24 or 32 bits, no
// image ID and no colour map. The reader and the writer sit side by side; the writer
// serves the content generator and the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kTgaHeaderSize = 18;

enum class TgaResult {
  kOk,
  kOpenFailed,
  kBadHeader,      // not exactly the uncompressed true-colour header
  kBadDepth,       // bits per pixel other than 24 or 32
  kEmpty,          // zero width or height
  kShortPixels,    // the file ends before the pixels its header promises
};

// Pixels in stored row order (the descriptor's origin bit is not applied), converted to
// R, G, B (, A): exactly width * height * components bytes.
struct TgaImage {
  int width = 0;
  int height = 0;
  int components = 0;  // 3 or 4
  std::vector<uint8_t> pixels;
};

// Decodes a whole file held in memory. Trailing bytes after the pixels are allowed
// (TGA 2.0 footers); a short pixel block is refused.
TgaResult DecodeTGA(const uint8_t* data, size_t size, TgaImage* out);
// Reads a file, checking the header before any pixel memory is allocated.
TgaResult ReadTGAFile(const char* path, TgaImage* out);

// Writes the uncompressed true-colour layout from RGB or RGBA rows (components 3 or 4),
// rows in the order given. Returns false for sizes the format cannot hold.
bool EncodeTGA(int width, int height, int components, const uint8_t* pixels,
               std::vector<uint8_t>* out);
