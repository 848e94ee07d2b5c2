#include "platform/cp1251.h"

namespace platform {

namespace {

// Code points of bytes 0x80..0xBF; 0 marks the one unused byte (0x98).
const uint16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

}  // namespace

int Cp1251FromCodepoint(uint32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  // The Russian alphabet without Yo sits in one block: U+0410..U+044F -> 0xC0..0xFF.
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(cp - 0x0410 + 0xC0);
  for (int i = 0; i < 64; ++i)
    if (kHigh[i] != 0 && kHigh[i] == cp) return 0x80 + i;
  return -1;
}

size_t DecodeUtf8(const char* text, size_t len, uint32_t* cp) {
  if (len == 0) {
    *cp = 0;
    return 0;
  }
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  const unsigned char c = s[0];
  size_t need;
  uint32_t v;
  if (c < 0x80) {
    *cp = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    need = 2;
    v = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    need = 3;
    v = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    need = 4;
    v = c & 0x07;
  } else {
    *cp = 0xFFFD;
    return 1;
  }
  if (need > len) {
    *cp = 0xFFFD;
    return 1;
  }
  for (size_t i = 1; i < need; ++i) {
    if ((s[i] & 0xC0) != 0x80) {
      *cp = 0xFFFD;
      return 1;
    }
    v = (v << 6) | (s[i] & 0x3F);
  }
  *cp = v;
  return need;
}

}  // namespace platform
