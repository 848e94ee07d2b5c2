// SEAM: until the screens exist the intro only runs its clock, so the loader still
// takes the menu content once the clock passes 10, and a race load's hand-over is
// answered at once (the screens will paint the cars' dirt there first).
#include "frontend/seams.h"

#include "app/frame.h"
#include "app/handshake.h"
#include "frontend/screens.h"

void UpdateScreens() {
  if (Handshake.WorldHandover.load() == 100) Handshake.WorldHandover.store(0);
  if (CurrentScreen.load() == kScreenIntro) IntroClock.store(IntroClock.load() + FrameTiming.FrameTicks * 0.01f);
}
