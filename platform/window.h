// The one game window and its two GL contexts, one for the main thread and one for the
// loader thread, sharing textures, buffers and programs. GLX can only share objects
// when a context is created, so both are made here on the main thread; the loader
// thread later makes its own current.
#pragma once

namespace platform {

// Starts the video and joystick subsystems; the stand-in for registering a window class.
bool InitVideo();
// The video layer's own words for its last failure ("" when it gave none).
const char* VideoError();
// The video driver in use (x11, wayland, ...), "none" before InitVideo.
const char* VideoDriverName();
void QuitVideo();

// Display modes of the primary display, as width and height.
int DisplayModeCount();
bool GetDisplayMode(int index, int* width, int* height);
// The desktop's own mode.
bool GetDesktopMode(int* width, int* height);

// Asks for a fullscreen mode. Before the window exists this only checks that the
// display offers the size (the window then opens in it); afterwards it switches the
// window's mode. False when the display does not offer width x height.
bool ChangeDisplayMode(int width, int height, int bits);
// Back to the desktop's mode (the window leaves fullscreen).
void RestoreDesktopMode();

// The window, with the pixel format both contexts use: double-buffered RGBA with at
// least 1 alpha bit, depth 24, no stencil, a compatibility profile.
bool CreateWindow(const char* title, int width, int height, bool fullscreen);
void DestroyWindow();
bool WindowExists();
void ShowWindow();
void GetWindowSize(int* width, int* height);
void ShowCursor(bool show);

// The main context (made current) and the loader's context created to share with it.
bool CreateMainContext();
bool CreateWorkerContext();
// True when both contexts exist and were created sharing objects.
bool ContextsShareObjects();
bool MakeMainContextCurrent();
bool MakeWorkerContextCurrent();
bool ReleaseCurrentContext();
bool MainContextCurrent();
bool AnyContextCurrent();
void DestroyMainContext();
void DestroyWorkerContext();
void SwapMainBuffers();
// Vertical sync: 0 off, 1 on; false when the driver refuses.
bool SetSwapInterval(int interval);

}  // namespace platform
