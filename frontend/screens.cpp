#include "frontend/screens.h"

std::atomic<int> TargetScreen{kScreenIntro};
std::atomic<int> CurrentScreen{kScreenIntro};
float ScreenFade = 0.0f;
std::atomic<float> IntroClock{3.0f};
PendingGraphicsState PendingGraphics;
uint8_t CaptureWaiting = 0;
int CaptureRow = 0;
int CaptureColumn = 0;
int32_t BindingEditCopy[30] = {};
