// The input state the window procedure keeps and the front end and control mapping
// read. Written only on the main thread.
#pragma once

#include <cstdint>

struct ScreenPoint {
  int x = 0, y = 0;
};

struct InputState {
  uint8_t KeyStates[256] = {};   // 1 while the key with that virtual-key code is down
  uint8_t MouseButtons[2] = {};  // left, right
  uint8_t ClickLatch = 0;        // set on every button press; the front end clears it
  uint8_t MouseMoved = 0;        // set on every mouse move
  ScreenPoint CursorPoint;       // screen pixels
  // The VirtualScreen mouse position at the last button message, twice: the front end
  // consumes one copy and compares against the other.
  ScreenPoint PressPoint[2];
  uint8_t PendingChar = 0;  // 1 from a character message until the next message
  uint16_t TypedChar = 0;   // code-page-1251 byte of the last character message
  // The one latch of all single-press keys: a press counts only while it is clear.
  uint8_t KeyLatch = 0;
  // Set while the garage camera orbits with the mouse; any hovered widget clears it.
  uint8_t CameraFree = 0;
};

extern InputState Input;

// Bounds-safe key query; codes outside 0..255 are never down.
inline bool KeyDown(int vk) { return vk >= 0 && vk < 256 && Input.KeyStates[vk] != 0; }

// Key and button states cleared (deactivation: no stuck accelerator after Alt-Tab).
void ClearKeyAndButtonStates();
