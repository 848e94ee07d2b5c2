#include "platform/display_loss.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <atomic>

namespace platform {

namespace {

std::atomic<DisplayLostHandler> g_handler{nullptr};
std::atomic<bool> g_handling{false};

int DisplayIoError(Display*) {
  // Both threads talk to the server (each through its GL context): the second to see
  // the loss waits while the first leaves.
  if (g_handling.exchange(true)) {
    for (;;) pause();
  }
  if (DisplayLostHandler handler = g_handler.load()) handler();
  _exit(1);
}

}  // namespace

void OnDisplayLost(DisplayLostHandler handler) {
  g_handler.store(handler);
  XSetIOErrorHandler(DisplayIoError);
}

}  // namespace platform
