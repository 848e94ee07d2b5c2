#include "platform/window.h"

#include <SDL2/SDL.h>

#include <cstdio>

namespace platform {

namespace {

SDL_Window* g_window = nullptr;
SDL_GLContext g_mainContext = nullptr;
SDL_GLContext g_workerContext = nullptr;
bool g_shared = false;
int g_wantWidth = 0, g_wantHeight = 0;

bool ModeOffered(int width, int height, SDL_DisplayMode* found) {
  const int n = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, i, &m) == 0 && m.w == width && m.h == height) {
      if (found) *found = m;
      return true;
    }
  }
  return false;
}

}  // namespace

bool InitVideo() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // Keep the window fullscreen when focus moves; the game restores the desktop
  // mode itself on deactivation.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) != 0) {
    std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
    return false;
  }
  return true;
}

const char* VideoError() { return SDL_GetError(); }

const char* VideoDriverName() {
  const char* name = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
  return name ? name : "none";
}

void QuitVideo() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_Quit();
}

int DisplayModeCount() {
  const int n = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetNumDisplayModes(0) : 0;
  return n > 0 ? n : 0;
}

bool GetDisplayMode(int index, int* width, int* height) {
  SDL_DisplayMode m;
  if (index < 0 || index >= DisplayModeCount() || SDL_GetDisplayMode(0, index, &m) != 0) return false;
  *width = m.w;
  *height = m.h;
  return true;
}

bool GetDesktopMode(int* width, int* height) {
  SDL_DisplayMode m;
  if (!SDL_WasInit(SDL_INIT_VIDEO) || SDL_GetDesktopDisplayMode(0, &m) != 0) return false;
  *width = m.w;
  *height = m.h;
  return true;
}

bool ChangeDisplayMode(int width, int height, int /*bits: the window's format decides*/) {
  SDL_DisplayMode mode;
  if (!ModeOffered(width, height, &mode)) return false;
  g_wantWidth = width;
  g_wantHeight = height;
  if (!g_window) return true;
  if (SDL_SetWindowDisplayMode(g_window, &mode) != 0) return false;
  if (SDL_SetWindowFullscreen(g_window, SDL_WINDOW_FULLSCREEN) != 0) return false;
  return true;
}

void RestoreDesktopMode() {
  if (g_window) SDL_SetWindowFullscreen(g_window, 0);
}

bool CreateWindow(const char* title, int width, int height, bool fullscreen) {
  if (g_window) return true;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (fullscreen) flags |= SDL_WINDOW_FULLSCREEN;
  g_window = SDL_CreateWindow(title, 0, 0, width, height, flags);
  if (!g_window) {
    std::fprintf(stderr, "SDL_CreateWindow: %s\n", SDL_GetError());
    return false;
  }
  SDL_DisplayMode mode;
  if (fullscreen && g_wantWidth == width && g_wantHeight == height && ModeOffered(width, height, &mode))
    SDL_SetWindowDisplayMode(g_window, &mode);
  return true;
}

void DestroyWindow() {
  if (g_window) SDL_DestroyWindow(g_window);
  g_window = nullptr;
}

bool WindowExists() { return g_window != nullptr; }

void ShowWindow() {
  if (!g_window) return;
  SDL_ShowWindow(g_window);
  SDL_RaiseWindow(g_window);
}

void GetWindowSize(int* width, int* height) {
  if (g_window) {
    SDL_GetWindowSize(g_window, width, height);
  } else {
    *width = *height = 0;
  }
}

void ShowCursor(bool show) {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool CreateMainContext() {
  if (!g_window) return false;
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
  g_mainContext = SDL_GL_CreateContext(g_window);
  if (!g_mainContext) std::fprintf(stderr, "SDL_GL_CreateContext: %s\n", SDL_GetError());
  return g_mainContext != nullptr;
}

bool CreateWorkerContext() {
  if (!g_window || !g_mainContext) return false;
  if (SDL_GL_MakeCurrent(g_window, g_mainContext) != 0) return false;
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
  g_workerContext = SDL_GL_CreateContext(g_window);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
  g_shared = g_workerContext != nullptr;
  if (!g_workerContext) std::fprintf(stderr, "SDL_GL_CreateContext (loader): %s\n", SDL_GetError());
  // Creating a context makes it current; the main thread keeps the main context.
  SDL_GL_MakeCurrent(g_window, g_mainContext);
  return g_workerContext != nullptr;
}

bool ContextsShareObjects() { return g_mainContext && g_workerContext && g_shared; }

bool MakeMainContextCurrent() {
  return g_window && g_mainContext && SDL_GL_MakeCurrent(g_window, g_mainContext) == 0;
}

bool MakeWorkerContextCurrent() {
  return g_window && g_workerContext && SDL_GL_MakeCurrent(g_window, g_workerContext) == 0;
}

bool ReleaseCurrentContext() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return true;
  return SDL_GL_MakeCurrent(g_window, nullptr) == 0;
}

bool MainContextCurrent() { return g_mainContext && SDL_GL_GetCurrentContext() == g_mainContext; }

bool AnyContextCurrent() { return SDL_WasInit(SDL_INIT_VIDEO) && SDL_GL_GetCurrentContext() != nullptr; }

void DestroyMainContext() {
  if (g_mainContext) SDL_GL_DeleteContext(g_mainContext);
  g_mainContext = nullptr;
  g_shared = false;
}

void DestroyWorkerContext() {
  if (g_workerContext) SDL_GL_DeleteContext(g_workerContext);
  g_workerContext = nullptr;
  g_shared = false;
}

void SwapMainBuffers() {
  if (g_window) SDL_GL_SwapWindow(g_window);
}

bool SetSwapInterval(int interval) { return SDL_GL_SetSwapInterval(interval) == 0; }

}  // namespace platform
