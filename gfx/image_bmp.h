// BMP files as the material maps use them: 24-bit uncompressed Windows bitmaps. The
// reader yields tightly packed RGB rows, bottom row first, which is the order
// glTexImage2D takes; a top-down file is turned over so the result is the same.
// The writer beside it serves the tests and the content generator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Allocated with malloc, pixels included, so FreeBMP is the one way to release it.
struct BmpImage {
  int width;
  int height;
  unsigned char* pixels;  // width * height * 3 bytes, R, G, B
};

enum class BmpResult {
  kOk,
  kOpenFailed,
  kBadHeader,    // not "BM", an unknown info header, or a pixel offset outside the file
  kUnsupported,  // compressed, palettised or not 24 bits per pixel
  kEmpty,        // zero width or height
  kShortPixels,  // rows run past the end of the file
};

// Decodes a file held in memory into width, height and tightly packed RGB rows.
BmpResult DecodeBMP(const uint8_t* data, size_t size, int* width, int* height,
                    std::vector<uint8_t>* rgb);

// Null for a null path or a file that does not open or decode.
BmpImage* LoadBMP(const char* path);
void FreeBMP(BmpImage* image);  // accepts null

// Writes a 24-bit bottom-up BMP with 4-byte row padding from RGB rows, bottom row first.
bool EncodeBMP(int width, int height, const uint8_t* rgb, std::vector<uint8_t>* out);
