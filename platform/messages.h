// A window-message queue in the shape the game's loop expects: one message taken per
// loop pass, key presses as virtual-key codes, typed characters as code-page-1251
// bytes, a quit message that ends the loop. Joystick and audio events never count as
// messages (the joystick is polled).
#pragma once

#include <cstdint>

namespace platform {

enum class MessageKind : uint8_t {
  kQuit,         // a = exit code
  kClose,        // the window's close button
  kActivate,     // a = 1 active / 0 inactive, b = 1 when minimised
  kSize,         // a = width, b = height
  kKeyDown,      // a = virtual-key code
  kKeyUp,        // a = virtual-key code
  kSysKeyDown,   // Alt combinations and F10: a = virtual-key code
  kSysKeyUp,     // a = virtual-key code
  kChar,         // a = code-page-1251 byte
  kMouseMove,    // a = x, b = y in window pixels
  kLButtonDown,  // a, b = position
  kLButtonUp,
  kRButtonDown,
  kRButtonUp,
};

struct Message {
  MessageKind kind;
  int32_t a = 0;
  int32_t b = 0;
};

// Takes the next message, if any, without waiting.
bool PeekMessage(Message* out);

// The frame has read the input. A key or button pressed and let go since the previous
// frame has its release held back until this call, so the frame saw it down; the held
// releases are queued now, to be taken before the next frame. Call once per frame,
// after everything that reads keys and buttons.
void EndInputFrame();

// Queues a quit message with the given exit code (what the window procedure does on
// close); also used by the SIGINT/SIGTERM handler.
void PostQuitMessage(int code);

// Queues any message; the tests feed the window procedure this way.
void PostMessage(const Message& m);

// SIGINT and SIGTERM become a quit message with code 0 instead of killing the process,
// so the settings and career are still written. Call first thing in main.
void InstallQuitSignals();

// Cursor position in screen pixels.
void GetCursorPos(int* x, int* y);

}  // namespace platform
