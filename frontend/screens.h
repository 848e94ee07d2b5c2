// The screen machine's shared variables: read by the shell on both threads, written by
// the front end (and the shell's Escape pause), so the ids are atomic.
#pragma once

#include <atomic>
#include <cstdint>

enum ScreenId : int {
  kScreenRace = 0,
  kScreenMainMenu = 1,
  kScreenControls = 7,
  kScreenRaceLoading = 32,
  kScreenFinish = 33,
  kScreenIntro = 100,
  kScreenPause = 101,
};

extern std::atomic<int> TargetScreen;
extern std::atomic<int> CurrentScreen;
extern float ScreenFade;

// Clock of the intro screen, 3 at its start; the loader takes the menu content once it
// passes 10.
extern std::atomic<float> IntroClock;

// The graphics page's pending display mode; SaveSettings applies it when apply is set.
struct PendingGraphicsState {
  int32_t displayMode = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t antiAliasing = 0;
  uint8_t apply = 0;
};
extern PendingGraphicsState PendingGraphics;

// Binding capture on the controls page: the row and column being bound and the
// editing copy of the 30 binding slots.
extern uint8_t CaptureWaiting;
extern int CaptureRow;     // 0-9
extern int CaptureColumn;  // 0-1
extern int32_t BindingEditCopy[30];
