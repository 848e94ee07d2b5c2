#include "platform/messages.h"

#include <SDL2/SDL.h>

#include <csignal>

#include "platform/cp1251.h"
#include "platform/vk.h"

namespace platform {

namespace {

// One SDL event can become several messages (a key and its character), so messages
// wait in a small ring; overflow drops the newest, which only happens if nobody reads.
constexpr int kQueueSize = 256;
Message g_queue[kQueueSize];
int g_head = 0;
int g_count = 0;

volatile std::sig_atomic_t g_quitSignal = 0;
bool g_quitSignalPosted = false;

void Push(const Message& m) {
  if (g_count == kQueueSize) return;
  g_queue[(g_head + g_count) % kQueueSize] = m;
  ++g_count;
}

bool Pop(Message* out) {
  if (g_count == 0) return false;
  *out = g_queue[g_head];
  g_head = (g_head + 1) % kQueueSize;
  --g_count;
  return true;
}

void OnQuitSignal(int) { g_quitSignal = 1; }

// Keys that the character translation turns into characters besides text input.
int ControlCharOfKey(int vk) {
  switch (vk) {
    case kVkBack: return 8;
    case kVkReturn: return 13;
    case kVkEscape: return 27;
    default: return -1;
  }
}

void Translate(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT:
      Push({MessageKind::kQuit, 0, 0});
      break;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: Push({MessageKind::kClose}); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: Push({MessageKind::kActivate, 1, 0}); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: Push({MessageKind::kActivate, 0, 0}); break;
        case SDL_WINDOWEVENT_MINIMIZED: Push({MessageKind::kActivate, 0, 1}); break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          Push({MessageKind::kSize, e.window.data1, e.window.data2});
          break;
        default: break;
      }
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const int vk = VirtualKeyFromScancode(e.key.keysym.scancode);
      if (vk == 0) break;
      const bool down = e.type == SDL_KEYDOWN;
      // Alt combinations and F10 arrive as system keys, which the game ignores.
      const bool sys = (e.key.keysym.mod & KMOD_ALT) != 0 || vk == kVkF10 || vk == kVkMenu;
      if (sys) {
        Push({down ? MessageKind::kSysKeyDown : MessageKind::kSysKeyUp, vk, 0});
        break;
      }
      Push({down ? MessageKind::kKeyDown : MessageKind::kKeyUp, vk, 0});
      const int ch = ControlCharOfKey(vk);
      if (down && ch >= 0) Push({MessageKind::kChar, ch, 0});
      break;
    }
    case SDL_TEXTINPUT: {
      const char* t = e.text.text;
      size_t len = SDL_strlen(t);
      while (len > 0) {
        uint32_t cp;
        const size_t used = DecodeUtf8(t, len, &cp);
        const int b = Cp1251FromCodepoint(cp);
        if (b >= 32) Push({MessageKind::kChar, b, 0});
        t += used;
        len -= used;
      }
      break;
    }
    case SDL_MOUSEMOTION:
      Push({MessageKind::kMouseMove, e.motion.x, e.motion.y});
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool down = e.type == SDL_MOUSEBUTTONDOWN;
      if (e.button.button == SDL_BUTTON_LEFT)
        Push({down ? MessageKind::kLButtonDown : MessageKind::kLButtonUp, e.button.x, e.button.y});
      else if (e.button.button == SDL_BUTTON_RIGHT)
        Push({down ? MessageKind::kRButtonDown : MessageKind::kRButtonUp, e.button.x, e.button.y});
      break;
    }
    default:
      break;  // joystick, audio and everything else are not messages
  }
}

}  // namespace

bool PeekMessage(Message* out) {
  if (g_quitSignal && !g_quitSignalPosted) {
    g_quitSignalPosted = true;
    Push({MessageKind::kQuit, 0, 0});
  }
  if (Pop(out)) return true;
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
  SDL_Event e;
  // Skip events that are not messages, so they never cost the loop a frame.
  while (SDL_PollEvent(&e)) {
    Translate(e);
    if (Pop(out)) return true;
  }
  return false;
}

void PostQuitMessage(int code) { Push({MessageKind::kQuit, code, 0}); }

void PostMessage(const Message& m) { Push(m); }

void InstallQuitSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnQuitSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  // SDL would otherwise install its own handlers over ours.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

void GetCursorPos(int* x, int* y) {
  if (SDL_WasInit(SDL_INIT_VIDEO)) {
    SDL_GetGlobalMouseState(x, y);
  } else {
    *x = *y = 0;
  }
}

}  // namespace platform
