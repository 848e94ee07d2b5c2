// Typed characters reach the game as code-page-1251 bytes (the name entry draws them
// with fonts laid out in that code page).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The code-page-1251 byte of a Unicode code point, or -1 when the page has none.
int Cp1251FromCodepoint(uint32_t cp);

// Decodes the next UTF-8 sequence of text (at most len bytes) into *cp and returns
// the number of bytes used; a malformed sequence yields U+FFFD and consumes one byte.
size_t DecodeUtf8(const char* text, size_t len, uint32_t* cp);

}  // namespace platform
