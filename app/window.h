// The one fullscreen game window with its two GL contexts, and the window procedure
// that turns messages into the input state and follows activation.
#pragma once

#include "platform/messages.h"

extern uint8_t WindowActive;  // 1 while the window is active and not minimised

// Every failure shows its message (caption "ERROR") and returns false; from the
// window's creation on, DestroyMainWindow has already run by then.
bool CreateMainWindow(const char* title, int width, int height, int colourBits, bool fullscreen, int depth);
// Releases the GL objects (main context current), the contexts, the display mode and
// the window; safe after a partial creation and when called twice.
void DestroyMainWindow();
bool IsDisplayModeAvailable(int width, int height);
// Before the window: when the display does not offer the settings' resolution (a
// monitor changed since it was chosen), this run uses the desktop's, with a line naming
// menu.inf, and the file keeps the player's choice until another is accepted.
void FitScreenModeToDisplay();
// Returns 0 for every message the game handles.
int MainWindowProc(const platform::Message& m);
