#include "gfx/image_tga.h"

#include <cstdio>
#include <cstring>

namespace {

// No image ID, no colour map, type 2 (uncompressed true colour), colour-map spec and
// origin all zero. Anything else (RLE, colour-mapped, grey, an ID field) is refused.
constexpr uint8_t kTrueColourHeader[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

struct TgaHeader {
  int width;
  int height;
  int bytesPerPixel;
  uint64_t pixelBytes;  // 64-bit: 65535 x 65535 x 4 does not fit 32 bits
};

TgaResult ParseHeader(const uint8_t* h, TgaHeader* out) {
  if (std::memcmp(h, kTrueColourHeader, sizeof kTrueColourHeader) != 0) return TgaResult::kBadHeader;
  out->width = h[12] | (h[13] << 8);
  out->height = h[14] | (h[15] << 8);
  const int bits = h[16];
  if (bits != 24 && bits != 32) return TgaResult::kBadDepth;
  if (out->width == 0 || out->height == 0) return TgaResult::kEmpty;
  out->bytesPerPixel = bits >> 3;
  out->pixelBytes = static_cast<uint64_t>(out->width) * static_cast<uint64_t>(out->height) *
                    static_cast<uint64_t>(out->bytesPerPixel);
  return TgaResult::kOk;
}

// Stored order is B, G, R (, A); the game uploads R, G, B (, A).
void SwapRedBlue(std::vector<uint8_t>& pixels, int bytesPerPixel) {
  const size_t n = pixels.size();
  for (size_t i = 0; i + 2 < n; i += static_cast<size_t>(bytesPerPixel)) {
    const uint8_t b = pixels[i];
    pixels[i] = pixels[i + 2];
    pixels[i + 2] = b;
  }
}

void Fill(const TgaHeader& h, TgaImage* out) {
  out->width = h.width;
  out->height = h.height;
  out->components = h.bytesPerPixel == 3 ? 3 : 4;
}

}  // namespace

TgaResult DecodeTGA(const uint8_t* data, size_t size, TgaImage* out) {
  *out = TgaImage();
  if (!data || size < kTgaHeaderSize) return TgaResult::kBadHeader;
  TgaHeader h;
  const TgaResult r = ParseHeader(data, &h);
  if (r != TgaResult::kOk) return r;
  if (h.pixelBytes > static_cast<uint64_t>(size - kTgaHeaderSize)) return TgaResult::kShortPixels;
  out->pixels.assign(data + kTgaHeaderSize, data + kTgaHeaderSize + h.pixelBytes);
  SwapRedBlue(out->pixels, h.bytesPerPixel);
  Fill(h, out);
  return TgaResult::kOk;
}

TgaResult ReadTGAFile(const char* path, TgaImage* out) {
  *out = TgaImage();
  if (!path) return TgaResult::kOpenFailed;
  FILE* f = std::fopen(path, "rb");
  if (!f) return TgaResult::kOpenFailed;
  uint8_t header[kTgaHeaderSize];
  TgaResult r = TgaResult::kBadHeader;
  TgaHeader h{};
  if (std::fread(header, 1, kTgaHeaderSize, f) == kTgaHeaderSize) r = ParseHeader(header, &h);
  if (r == TgaResult::kOk) {
    // Compare with what the file holds before allocating, so a hostile header cannot
    // make us reserve gigabytes.
    long here = std::ftell(f);
    r = TgaResult::kShortPixels;
    if (here >= 0 && std::fseek(f, 0, SEEK_END) == 0) {
      const long end = std::ftell(f);
      if (end >= here && static_cast<uint64_t>(end - here) >= h.pixelBytes &&
          std::fseek(f, here, SEEK_SET) == 0) {
        out->pixels.resize(static_cast<size_t>(h.pixelBytes));
        if (std::fread(out->pixels.data(), 1, out->pixels.size(), f) == out->pixels.size())
          r = TgaResult::kOk;
      }
    }
  }
  std::fclose(f);
  if (r != TgaResult::kOk) {
    *out = TgaImage();
    return r;
  }
  SwapRedBlue(out->pixels, h.bytesPerPixel);
  Fill(h, out);
  return TgaResult::kOk;
}

bool EncodeTGA(int width, int height, int components, const uint8_t* pixels,
               std::vector<uint8_t>* out) {
  out->clear();
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return false;
  if ((components != 3 && components != 4) || !pixels) return false;
  const uint64_t n = static_cast<uint64_t>(width) * height * components;
  out->reserve(kTgaHeaderSize + n);
  out->insert(out->end(), kTrueColourHeader, kTrueColourHeader + sizeof kTrueColourHeader);
  out->push_back(static_cast<uint8_t>(width));
  out->push_back(static_cast<uint8_t>(width >> 8));
  out->push_back(static_cast<uint8_t>(height));
  out->push_back(static_cast<uint8_t>(height >> 8));
  out->push_back(static_cast<uint8_t>(components * 8));
  out->push_back(components == 4 ? 8 : 0);  // alpha bits; the reader ignores it
  for (uint64_t i = 0; i < n; i += components) {
    out->push_back(pixels[i + 2]);
    out->push_back(pixels[i + 1]);
    out->push_back(pixels[i]);
    if (components == 4) out->push_back(pixels[i + 3]);
  }
  return true;
}
