#include "gfx/image_bmp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // OS/2-style header with 16-bit sizes
constexpr uint32_t kInfoHeaderSize = 40;  // and every later Windows header, which extend it

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool ReadWhole(const char* path, std::vector<uint8_t>* out) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

void PutU16(std::vector<uint8_t>* o, uint32_t v) {
  o->push_back(static_cast<uint8_t>(v));
  o->push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>* o, uint32_t v) {
  PutU16(o, v & 0xFFFF);
  PutU16(o, v >> 16);
}

}  // namespace

BmpResult DecodeBMP(const uint8_t* data, size_t size, int* width, int* height,
                    std::vector<uint8_t>* rgb) {
  rgb->clear();
  *width = *height = 0;
  if (!data || size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M')
    return BmpResult::kBadHeader;
  const uint64_t pixelOffset = U32(data + 10);
  const uint32_t infoSize = U32(data + 14);
  if (infoSize != kCoreHeaderSize && infoSize < kInfoHeaderSize) return BmpResult::kBadHeader;
  if (kFileHeaderSize + static_cast<uint64_t>(infoSize) > size) return BmpResult::kBadHeader;
  const uint8_t* info = data + kFileHeaderSize;

  int64_t w, h;
  uint32_t planes, bits, compression = 0;
  if (infoSize == kCoreHeaderSize) {
    w = U16(info + 4);
    h = U16(info + 6);
    planes = U16(info + 8);
    bits = U16(info + 10);
  } else {
    w = static_cast<int32_t>(U32(info + 4));
    h = static_cast<int32_t>(U32(info + 8));  // negative: rows stored top-down
    planes = U16(info + 12);
    bits = U16(info + 14);
    compression = U32(info + 16);
  }
  if (planes != 1) return BmpResult::kBadHeader;
  if (bits != 24 || compression != 0) return BmpResult::kUnsupported;
  const bool topDown = h < 0;
  if (topDown) h = -h;
  if (w <= 0 || h == 0) return BmpResult::kEmpty;
  if (pixelOffset > size) return BmpResult::kBadHeader;

  // Stored rows are padded to four bytes; the last row's padding may be missing.
  const uint64_t packedRow = static_cast<uint64_t>(w) * 3;
  const uint64_t storedRow = (packedRow + 3) & ~static_cast<uint64_t>(3);
  const uint64_t needed = storedRow * static_cast<uint64_t>(h - 1) + packedRow;
  if (needed > size - pixelOffset) return BmpResult::kShortPixels;

  rgb->resize(static_cast<size_t>(packedRow * static_cast<uint64_t>(h)));
  for (int64_t row = 0; row < h; ++row) {
    const uint8_t* src = data + pixelOffset + storedRow * static_cast<uint64_t>(row);
    const int64_t outRow = topDown ? h - 1 - row : row;
    uint8_t* dst = rgb->data() + packedRow * static_cast<uint64_t>(outRow);
    for (int64_t x = 0; x < w; ++x, src += 3, dst += 3) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
    }
  }
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return BmpResult::kOk;
}

BmpImage* LoadBMP(const char* path) {
  if (!path) return nullptr;
  std::vector<uint8_t> file;
  if (!ReadWhole(path, &file)) return nullptr;
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
  if (DecodeBMP(file.data(), file.size(), &w, &h, &rgb) != BmpResult::kOk) return nullptr;
  BmpImage* image = static_cast<BmpImage*>(std::malloc(sizeof(BmpImage)));
  if (!image) return nullptr;
  image->pixels = static_cast<unsigned char*>(std::malloc(rgb.size()));
  if (!image->pixels) {
    std::free(image);
    return nullptr;
  }
  std::memcpy(image->pixels, rgb.data(), rgb.size());
  image->width = w;
  image->height = h;
  return image;
}

void FreeBMP(BmpImage* image) {
  if (!image) return;
  std::free(image->pixels);
  std::free(image);
}

bool EncodeBMP(int width, int height, const uint8_t* rgb, std::vector<uint8_t>* out) {
  out->clear();
  if (width <= 0 || height <= 0 || !rgb) return false;
  const uint64_t packedRow = static_cast<uint64_t>(width) * 3;
  const uint64_t storedRow = (packedRow + 3) & ~static_cast<uint64_t>(3);
  const uint64_t pixelBytes = storedRow * static_cast<uint64_t>(height);
  const uint64_t offset = kFileHeaderSize + kInfoHeaderSize;
  if (offset + pixelBytes > 0xFFFFFFFFull) return false;
  out->reserve(static_cast<size_t>(offset + pixelBytes));
  out->push_back('B');
  out->push_back('M');
  PutU32(out, static_cast<uint32_t>(offset + pixelBytes));
  PutU32(out, 0);  // reserved
  PutU32(out, static_cast<uint32_t>(offset));
  PutU32(out, kInfoHeaderSize);
  PutU32(out, static_cast<uint32_t>(width));
  PutU32(out, static_cast<uint32_t>(height));  // positive: bottom row first
  PutU16(out, 1);   // planes
  PutU16(out, 24);  // bits per pixel
  PutU32(out, 0);   // no compression
  PutU32(out, static_cast<uint32_t>(pixelBytes));
  PutU32(out, 2835);  // 72 dpi, both ways
  PutU32(out, 2835);
  PutU32(out, 0);  // no palette
  PutU32(out, 0);
  for (int row = 0; row < height; ++row) {
    const uint8_t* src = rgb + packedRow * static_cast<uint64_t>(row);
    for (int x = 0; x < width; ++x, src += 3) {
      out->push_back(src[2]);
      out->push_back(src[1]);
      out->push_back(src[0]);
    }
    for (uint64_t pad = packedRow; pad < storedRow; ++pad) out->push_back(0);
  }
  return true;
}
