#include "tools/race_frame/png_file.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// A 1920 x 1080 screen is 6 MB of rows: a sanity limit well above any screen.
constexpr uint32_t kMaxSide = 16384;

uint32_t Crc(const uint8_t* data, size_t n) {
  return static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(n)));
}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out->push_back(static_cast<uint8_t>(v >> s));
}

uint32_t Get32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

void Chunk(std::vector<uint8_t>* png, const char* type, const std::vector<uint8_t>& data) {
  Put32(png, static_cast<uint32_t>(data.size()));
  const size_t start = png->size();
  png->insert(png->end(), type, type + 4);
  png->insert(png->end(), data.begin(), data.end());
  Put32(png, Crc(png->data() + start, png->size() - start));
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out->insert(out->end(), buffer, buffer + n);
  std::fclose(f);
  return true;
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Undoes the five row filters in place; prior is the row above (zeros for the first).
bool Unfilter(int filter, uint8_t* row, const uint8_t* prior, size_t bytes, int bpp) {
  for (size_t i = 0; i < bytes; ++i) {
    const int a = i >= static_cast<size_t>(bpp) ? row[i - bpp] : 0;
    const int b = prior[i];
    const int c = i >= static_cast<size_t>(bpp) ? prior[i - bpp] : 0;
    int add;
    switch (filter) {
      case 0: add = 0; break;
      case 1: add = a; break;
      case 2: add = b; break;
      case 3: add = (a + b) / 2; break;
      case 4: add = Paeth(a, b, c); break;
      default: return false;
    }
    row[i] = static_cast<uint8_t>(row[i] + add);
  }
  return true;
}

bool Refuse(std::string* why, const std::string& reason) {
  if (why) *why = reason;
  return false;
}

}  // namespace

bool WritePng(const std::string& path, const Picture& picture) {
  const int w = picture.width, h = picture.height;
  if (w <= 0 || h <= 0 || picture.rgba.size() < static_cast<size_t>(w) * h * 4) return false;
  // Filter byte 0 per row, rows top first, RGB.
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(h) * (1 + 3 * static_cast<size_t>(w)));
  for (int y = h - 1; y >= 0; --y) {
    raw.push_back(0);
    for (int x = 0; x < w; ++x) raw.insert(raw.end(), picture.At(x, y), picture.At(x, y) + 3);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  // The fastest level: the tools write a dozen screens per run and read them once.
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 1) != Z_OK) return false;
  packed.resize(packedSize);

  std::vector<uint8_t> png(kSignature, kSignature + 8);
  std::vector<uint8_t> header;
  Put32(&header, static_cast<uint32_t>(w));
  Put32(&header, static_cast<uint32_t>(h));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
  Chunk(&png, "IHDR", header);
  Chunk(&png, "IDAT", packed);
  Chunk(&png, "IEND", {});
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return std::fclose(f) == 0 && written;
}

bool ReadPng(const std::string& path, Picture* picture, std::string* why) {
  std::vector<uint8_t> file;
  if (!ReadWholeFile(path, &file)) return Refuse(why, "cannot read " + path);
  if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) return Refuse(why, "not a PNG file");
  uint32_t w = 0, h = 0;
  int channels = 0;
  std::vector<uint8_t> packed;
  bool ended = false;
  for (size_t at = 8; at + 12 <= file.size() && !ended;) {
    const uint32_t length = Get32(&file[at]);
    if (length > file.size() - at - 12) return Refuse(why, "a chunk runs past the file's end");
    const uint8_t* type = &file[at + 4];
    const uint8_t* data = &file[at + 8];
    if (Crc(type, length + 4) != Get32(data + length)) return Refuse(why, "a chunk's checksum does not match");
    if (std::memcmp(type, "IHDR", 4) == 0) {
      if (length != 13) return Refuse(why, "a short header");
      w = Get32(data);
      h = Get32(data + 4);
      const uint8_t depth = data[8], colour = data[9], interlace = data[12];
      if (depth != 8 || (colour != 2 && colour != 6) || interlace != 0)
        return Refuse(why, "only 8-bit RGB or RGBA pictures without interlace are read");
      channels = colour == 2 ? 3 : 4;
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      packed.insert(packed.end(), data, data + length);
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      ended = true;
    }
    at += 12 + length;
  }
  if (channels == 0 || w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) return Refuse(why, "no usable header");
  if (!ended) return Refuse(why, "no end chunk");
  const size_t rowBytes = static_cast<size_t>(w) * channels;
  std::vector<uint8_t> raw(static_cast<size_t>(h) * (rowBytes + 1));
  uLongf rawSize = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &rawSize, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
      rawSize != raw.size())
    return Refuse(why, "the picture data does not unpack to its rows");

  picture->width = static_cast<int>(w);
  picture->height = static_cast<int>(h);
  picture->rgba.assign(static_cast<size_t>(w) * h * 4, 255);
  const std::vector<uint8_t> zeros(rowBytes, 0);
  for (uint32_t r = 0; r < h; ++r) {
    uint8_t* row = &raw[r * (rowBytes + 1)];
    const uint8_t* prior = r == 0 ? zeros.data() : &raw[(r - 1) * (rowBytes + 1) + 1];
    if (!Unfilter(row[0], row + 1, prior, rowBytes, channels)) return Refuse(why, "an unknown row filter");
    // File rows run top first; the picture keeps the bottom row first.
    uint8_t* out = &picture->rgba[4 * static_cast<size_t>(h - 1 - r) * w];
    for (uint32_t x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c) out[4 * x + c] = row[1 + x * channels + c];
  }
  return true;
}
