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

// The game reads keys and buttons as states, once a frame. A press that begins and ends
// between two frames (a tap on a slow machine, a short click) would leave no trace, so
// the release of a key or button that went down since the last frame waits until that
// frame has seen it down. Indexed by virtual-key code; the buttons keep their own.
constexpr int kButtons = 2;  // left, right
bool g_keyWentDown[256];
bool g_buttonWentDown[kButtons];
// The held-back releases, in the order they came; at most one per key and button.
Message g_heldReleases[256 + kButtons];
int g_heldCount = 0;

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

void HoldRelease(const Message& m) {
  if (g_heldCount < static_cast<int>(sizeof g_heldReleases / sizeof g_heldReleases[0]))
    g_heldReleases[g_heldCount++] = m;
}

// A press again before the frame: the release held for the earlier one is void, the
// key or button stays down until its new release.
void DropHeldRelease(bool (*same)(const Message&, int), int code) {
  int kept = 0;
  for (int i = 0; i < g_heldCount; ++i)
    if (!same(g_heldReleases[i], code)) g_heldReleases[kept++] = g_heldReleases[i];
  g_heldCount = kept;
}

bool IsKeyRelease(const Message& m, int vk) {
  return (m.kind == MessageKind::kKeyUp || m.kind == MessageKind::kSysKeyUp) && m.a == vk;
}

bool IsButtonRelease(const Message& m, int button) {
  return m.kind == (button == 0 ? MessageKind::kLButtonUp : MessageKind::kRButtonUp);
}

// Key messages, with a release held back while the frame has not seen its press.
void PushKey(int vk, bool down, bool sys, bool repeat) {
  const MessageKind kind = sys ? (down ? MessageKind::kSysKeyDown : MessageKind::kSysKeyUp)
                               : (down ? MessageKind::kKeyDown : MessageKind::kKeyUp);
  if (down) {
    // A system key-down presses nothing, and an auto-repeat is no new press.
    if (!sys && !repeat) {
      DropHeldRelease(IsKeyRelease, vk);
      g_keyWentDown[vk] = true;
    }
    Push({kind, vk, 0});
    return;
  }
  if (g_keyWentDown[vk]) {
    HoldRelease({kind, vk, 0});
    return;
  }
  Push({kind, vk, 0});
}

void PushButton(int button, bool down, int x, int y) {
  const MessageKind kind = button == 0 ? (down ? MessageKind::kLButtonDown : MessageKind::kLButtonUp)
                                       : (down ? MessageKind::kRButtonDown : MessageKind::kRButtonUp);
  if (down) {
    DropHeldRelease(IsButtonRelease, button);
    g_buttonWentDown[button] = true;
  } else if (g_buttonWentDown[button]) {
    HoldRelease({kind, x, y});
    return;
  }
  Push({kind, x, y});
}

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
      PushKey(vk, down, sys, e.key.repeat != 0);
      if (sys) break;
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
        PushButton(0, down, e.button.x, e.button.y);
      else if (e.button.button == SDL_BUTTON_RIGHT)
        PushButton(1, down, e.button.x, e.button.y);
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

void EndInputFrame() {
  for (bool& d : g_keyWentDown) d = false;
  for (bool& d : g_buttonWentDown) d = false;
  for (int i = 0; i < g_heldCount; ++i) Push(g_heldReleases[i]);
  g_heldCount = 0;
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
