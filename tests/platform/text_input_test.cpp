// Virtual-key codes and typed characters: what the bindings and the name entry see.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include "platform/cp1251.h"
#include "platform/vk.h"

namespace {

using namespace platform;

TEST(VirtualKeys, ScancodesMapToTheWindowsCodes) {
  for (int i = 0; i < 26; ++i) EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_A + i), 65 + i);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_0), 48);
  for (int d = 1; d <= 9; ++d) EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_1 + d - 1), 48 + d);
  for (int f = 1; f <= 12; ++f) EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_F1 + f - 1), 111 + f);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LEFT), 37);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_UP), 38);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RIGHT), 39);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_DOWN), 40);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RETURN), 13);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_ESCAPE), 27);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_SPACE), 32);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LSHIFT), 16);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RSHIFT), 16);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LCTRL), 17);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RCTRL), 17);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_SEMICOLON), 186);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_COMMA), 188);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_PERIOD), 190);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_SLASH), 191);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_GRAVE), 192);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LEFTBRACKET), 219);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_BACKSLASH), 220);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RIGHTBRACKET), 221);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_APOSTROPHE), 222);
  // Every code fits the key-state array; unknown keys give 0, which nothing binds.
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
    const int vk = VirtualKeyFromScancode(sc);
    EXPECT_GE(vk, 0);
    EXPECT_LT(vk, 256);
  }
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_APPLICATION), 0);
}

TEST(CodePage1251, CyrillicAndSpecialLettersMap) {
  EXPECT_EQ(Cp1251FromCodepoint('A'), 'A');
  EXPECT_EQ(Cp1251FromCodepoint(0x0410), 0xC0);  // А
  EXPECT_EQ(Cp1251FromCodepoint(0x042F), 0xDF);  // Я
  EXPECT_EQ(Cp1251FromCodepoint(0x0430), 0xE0);  // а
  EXPECT_EQ(Cp1251FromCodepoint(0x044F), 0xFF);  // я
  EXPECT_EQ(Cp1251FromCodepoint(0x0401), 0xA8);  // Ё
  EXPECT_EQ(Cp1251FromCodepoint(0x0451), 0xB8);  // ё
  EXPECT_EQ(Cp1251FromCodepoint(0x2116), 0xB9);  // №
  EXPECT_EQ(Cp1251FromCodepoint(0x20AC), 0x88);  // €
  EXPECT_EQ(Cp1251FromCodepoint(0x00E9), -1);    // é is not in the page
  EXPECT_EQ(Cp1251FromCodepoint(0x4E2D), -1);
}

TEST(CodePage1251, Utf8DecodingIsBoundedAndRejectsBrokenSequences) {
  const char* text = "K\xD0\x9C\xE2\x84\x96";  // K, М, №
  uint32_t cp = 0;
  size_t used = DecodeUtf8(text, 6, &cp);
  EXPECT_EQ(used, 1u);
  EXPECT_EQ(cp, 'K');
  used = DecodeUtf8(text + 1, 5, &cp);
  EXPECT_EQ(used, 2u);
  EXPECT_EQ(Cp1251FromCodepoint(cp), 0xCC);
  used = DecodeUtf8(text + 3, 3, &cp);
  EXPECT_EQ(used, 3u);
  EXPECT_EQ(Cp1251FromCodepoint(cp), 0xB9);
  // A sequence cut by the length, a stray continuation byte and a bad lead byte each
  // consume one byte and give the replacement character.
  EXPECT_EQ(DecodeUtf8(text + 3, 2, &cp), 1u);
  EXPECT_EQ(cp, 0xFFFDu);
  EXPECT_EQ(DecodeUtf8("\x9C", 1, &cp), 1u);
  EXPECT_EQ(cp, 0xFFFDu);
  EXPECT_EQ(DecodeUtf8("\xFF\x41", 2, &cp), 1u);
  EXPECT_EQ(cp, 0xFFFDu);
  EXPECT_EQ(DecodeUtf8("", 0, &cp), 0u);
}

}  // namespace
