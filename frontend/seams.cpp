// SEAM: until the screens exist the intro only runs its clock, so the loader still
// takes the menu content once the clock passes 10.
#include "frontend/seams.h"

#include "app/frame.h"
#include "frontend/screens.h"

void UpdateScreens() {
  if (CurrentScreen.load() == kScreenIntro) IntroClock.store(IntroClock.load() + FrameTiming.FrameTicks * 0.01f);
}
