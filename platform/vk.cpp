#include "platform/vk.h"

#include <SDL2/SDL_scancode.h>

namespace platform {

int VirtualKeyFromScancode(int sc) {
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return kVkA + (sc - SDL_SCANCODE_A);
  // SDL orders the digit row 1..9, 0.
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return kVk0 + 1 + (sc - SDL_SCANCODE_1);
  if (sc == SDL_SCANCODE_0) return kVk0;
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return kVkF1 + (sc - SDL_SCANCODE_F1);
  if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return kVkNumpad0 + 1 + (sc - SDL_SCANCODE_KP_1);
  switch (sc) {
    case SDL_SCANCODE_KP_0: return kVkNumpad0;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER: return kVkReturn;
    case SDL_SCANCODE_ESCAPE: return kVkEscape;
    case SDL_SCANCODE_BACKSPACE: return kVkBack;
    case SDL_SCANCODE_TAB: return kVkTab;
    case SDL_SCANCODE_SPACE: return kVkSpace;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return kVkShift;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return kVkControl;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return kVkMenu;
    case SDL_SCANCODE_PAUSE: return kVkPause;
    case SDL_SCANCODE_CAPSLOCK: return kVkCapital;
    case SDL_SCANCODE_PAGEUP: return kVkPrior;
    case SDL_SCANCODE_PAGEDOWN: return kVkNext;
    case SDL_SCANCODE_END: return kVkEnd;
    case SDL_SCANCODE_HOME: return kVkHome;
    case SDL_SCANCODE_LEFT: return kVkLeft;
    case SDL_SCANCODE_UP: return kVkUp;
    case SDL_SCANCODE_RIGHT: return kVkRight;
    case SDL_SCANCODE_DOWN: return kVkDown;
    case SDL_SCANCODE_INSERT: return kVkInsert;
    case SDL_SCANCODE_DELETE: return kVkDelete;
    case SDL_SCANCODE_KP_MULTIPLY: return kVkMultiply;
    case SDL_SCANCODE_KP_PLUS: return kVkAdd;
    case SDL_SCANCODE_KP_MINUS: return kVkSubtract;
    case SDL_SCANCODE_KP_PERIOD: return kVkDecimal;
    case SDL_SCANCODE_KP_DIVIDE: return kVkDivide;
    case SDL_SCANCODE_NUMLOCKCLEAR: return kVkNumLock;
    case SDL_SCANCODE_SCROLLLOCK: return kVkScroll;
    case SDL_SCANCODE_SEMICOLON: return kVkOem1;
    case SDL_SCANCODE_EQUALS: return kVkOemPlus;
    case SDL_SCANCODE_COMMA: return kVkOemComma;
    case SDL_SCANCODE_MINUS: return kVkOemMinus;
    case SDL_SCANCODE_PERIOD: return kVkOemPeriod;
    case SDL_SCANCODE_SLASH: return kVkOem2;
    case SDL_SCANCODE_GRAVE: return kVkOem3;
    case SDL_SCANCODE_LEFTBRACKET: return kVkOem4;
    case SDL_SCANCODE_BACKSLASH: return kVkOem5;
    case SDL_SCANCODE_RIGHTBRACKET: return kVkOem6;
    case SDL_SCANCODE_APOSTROPHE: return kVkOem7;
    default: return 0;
  }
}

}  // namespace platform
