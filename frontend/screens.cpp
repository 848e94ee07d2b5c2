#include "frontend/screens.h"

std::atomic<int> TargetScreen{kScreenIntro};
std::atomic<int> CurrentScreen{kScreenIntro};
float ScreenFade = 0.0f;
float ScreenAge = 0.0f;
ScreenEaseValues ScreenEases;
int EntrySelection = 0;
int SelectedItem = 0;
uint8_t OpenSoundPending = 0;
float LoadingBoxAlpha = 0.0f;
int PointerX = 0;
int PointerY = 0;
float WidgetGlow[30] = {};
float ScrollArrowAlpha[2] = {};
float BarScroll = 0.0f;
float BarTarget = 0.0f;
float BarNudge = 0.0f;
float GarageYaw = 0.0f;
std::atomic<float> IntroClock{3.0f};
float PromptClock = 0.0f;
PendingGraphicsState PendingGraphics;
uint8_t GraphicsChanged = 0;
uint8_t BindingCaptureActive = 0;
int OptionRow = 0;
int BindingColumn = 0;
int32_t ShownBindings[30] = {};

void AcceptPendingDisplayMode() {
  PendingGraphics.acceptedMode = PendingGraphics.displayMode;
  PendingGraphics.acceptedWidth = PendingGraphics.width;
  PendingGraphics.acceptedHeight = PendingGraphics.height;
}
