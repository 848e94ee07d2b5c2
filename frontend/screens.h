// The screen machine's shared variables. The screen ids are read by the shell on both
// threads and written by the front end (and the shell's Escape pause), so they are
// atomic; everything else here belongs to the main thread.
#pragma once

#include <atomic>
#include <cstdint>

enum ScreenId : int {
  kScreenRace = 0,
  kScreenMainMenu = 1,
  kScreenOptions = 3,
  kScreenGraphics = 5,
  kScreenAudio = 6,
  kScreenControls = 7,
  kScreenCareerMenu = 8,
  kScreenNewCareer = 9,
  kScreenCareerHub = 10,
  kScreenEnginePackages = 12,
  kScreenCarShop = 15,
  kScreenChampionship = 30,
  kScreenSelectRace = 31,
  kScreenRaceLoading = 32,
  kScreenFinish = 33,
  kScreenResults = 34,
  kScreenQuitConfirm = 44,
  kScreenQuickStart = 50,
  kScreenCompetitionStart = 60,
  kScreenEnterName = 80,
  kScreenIntro = 100,
  kScreenPause = 101,
};

extern std::atomic<int> TargetScreen;
extern std::atomic<int> CurrentScreen;
// Opacity of the current screen, normally 0..1; -1 makes the next change immediate.
extern float ScreenFade;
// Seconds the current screen has been settled; 0 at every change.
extern float ScreenAge;

// Eases recomputed every frame from ScreenFade.
struct ScreenEaseValues {
  float drop = 1.0f;   // 1 - sin(f x pi/2)
  float slide = 1.0f;  // 1 - sin(min(f, 0.5) x pi)
  float late = 1.0f;   // 1 - sin(max(f, 0.5) x pi - pi/2)
  float veil = 1.0f;   // 1 - sin(min(f, 0.7) x 2.24296)
  float show = 0.0f;   // sin(min(f, 0.5) x pi)
};
extern ScreenEaseValues ScreenEases;

// The item the next screen highlights, copied into SelectedItem at the change.
extern int EntrySelection;
// The highlighted item of the current screen's item bar, 0..count-1.
extern int SelectedItem;
extern uint8_t OpenSoundPending;
extern float LoadingBoxAlpha;

// The mouse in VirtualScreen units, converted once per frame by the screen machine.
extern int PointerX;
extern int PointerY;

// Per-slot glow (text buttons) or scale (arrows) of the widgets; the hover bytes are
// the shell's WidgetHover (cleared with the click latch by ClearKeyStates).
extern float WidgetGlow[30];
extern float ScrollArrowAlpha[2];

// The item bar's drawn scroll, the selected item's scroll and the arrows' kick.
extern float BarScroll;
extern float BarTarget;
extern float BarNudge;
// The garage camera's turn angle, degrees; each item-bar step turns it by 90.
extern float GarageYaw;

// Clock of the intro screen, 3 at its start; the loader takes the menu content once it
// passes 10.
extern std::atomic<float> IntroClock;
extern float PromptClock;

// The graphics page's pending values. The display mode shown is the one browsed to; the
// one ACCEPT took (the saved one until then) is what SaveSettings applies when apply is
// set, so a resolution looked at and left is never saved by another row's change.
struct PendingGraphicsState {
  int32_t displayMode = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t antiAliasing = 0;
  uint8_t apply = 0;
  int32_t acceptedMode = 0;
  int32_t acceptedWidth = 0;
  int32_t acceptedHeight = 0;
};
// ACCEPT: the browsed display mode becomes the one saved.
void AcceptPendingDisplayMode();
extern PendingGraphicsState PendingGraphics;
// Set by any change on the graphics page; ACCEPT applies only then.
extern uint8_t GraphicsChanged;

// The page cursors' row and column (the options pages, the controls grid, the bracket
// and the race selection), the binding capture and the controls page's editing copy of
// the 30 binding slots.
extern uint8_t BindingCaptureActive;
extern int OptionRow;      // 0-9
extern int BindingColumn;  // 0-1
extern int32_t ShownBindings[30];

// True when car model `car` is the one on show: the live set-up holds it and the
// garage's car slot has it loaded. The car swap waits for a settled screen while keys
// are taken earlier, so the screens that start something with the car on show (START
// of the quick race, CAREER of the main menu) act only once this holds.
bool CarOnShowIs(int car);
