#include "platform/msgbox.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
std::atomic<int> g_dialogs{-1};  // -1: decide from the environment on first use

bool DialogsWanted() {
  int d = g_dialogs.load();
  if (d < 0) {
    // Xvfb sessions from xvfb-run set no desktop session; dialogs there would block forever.
    const char* session = std::getenv("XDG_CURRENT_DESKTOP");
    d = (std::getenv("KELVAMOR_NO_DIALOGS") == nullptr && session && *session) ? 1 : 0;
    g_dialogs.store(d);
  }
  return d == 1;
}
}  // namespace

void SetDialogsEnabled(bool enabled) { g_dialogs.store(enabled ? 1 : 0); }

void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
  if (!DialogsWanted()) return;
  const Uint32 flags = icon == MessageIcon::kStop      ? SDL_MESSAGEBOX_ERROR
                       : icon == MessageIcon::kWarning ? SDL_MESSAGEBOX_WARNING
                                                       : SDL_MESSAGEBOX_INFORMATION;
  SDL_ShowSimpleMessageBox(flags, caption, text, nullptr);
}

}  // namespace platform
