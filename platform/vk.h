// Windows virtual-key codes, the key numbering the game's bindings and menu.inf use.
// Only the platform layer knows how SDL's scancodes map onto them.
#pragma once

namespace platform {

enum VirtualKey : int {
  kVkLButton = 0x01,
  kVkRButton = 0x02,
  kVkBack = 0x08,
  kVkTab = 0x09,
  kVkReturn = 0x0D,
  kVkShift = 0x10,
  kVkControl = 0x11,
  kVkMenu = 0x12,  // Alt
  kVkPause = 0x13,
  kVkCapital = 0x14,
  kVkEscape = 0x1B,
  kVkSpace = 0x20,
  kVkPrior = 0x21,
  kVkNext = 0x22,
  kVkEnd = 0x23,
  kVkHome = 0x24,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
  kVkInsert = 0x2D,
  kVkDelete = 0x2E,
  kVk0 = 0x30,  // '0'..'9' are 0x30..0x39
  kVkA = 0x41,  // 'A'..'Z' are 0x41..0x5A
  kVkNumpad0 = 0x60,
  kVkMultiply = 0x6A,
  kVkAdd = 0x6B,
  kVkSubtract = 0x6D,
  kVkDecimal = 0x6E,
  kVkDivide = 0x6F,
  kVkF1 = 0x70,  // F1..F12 are 0x70..0x7B
  kVkF10 = 0x79,
  kVkF12 = 0x7B,
  kVkNumLock = 0x90,
  kVkScroll = 0x91,
  kVkOem1 = 0xBA,       // ;:
  kVkOemPlus = 0xBB,    // =+
  kVkOemComma = 0xBC,   // ,<
  kVkOemMinus = 0xBD,   // -_
  kVkOemPeriod = 0xBE,  // .>
  kVkOem2 = 0xBF,       // /?
  kVkOem3 = 0xC0,       // `~
  kVkOem4 = 0xDB,       // [{
  kVkOem5 = 0xDC,       // backslash
  kVkOem6 = 0xDD,       // ]}
  kVkOem7 = 0xDE,       // '"
};

inline constexpr int VkLetter(char upper) { return kVkA + (upper - 'A'); }
inline constexpr int VkDigit(int d) { return kVk0 + d; }
inline constexpr int VkF(int n) { return kVkF1 + (n - 1); }

// The virtual-key code of an SDL scancode, 0 when the key has none.
int VirtualKeyFromScancode(int sdlScancode);

}  // namespace platform
