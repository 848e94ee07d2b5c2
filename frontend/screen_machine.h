// The front end's screen machine: once per frame outside the race, on the main thread,
// the cross-fade between screens, the answer to the world loader's hand-over, the garage
// scene and the backdrop, the current screen's block, the car-swap snapshot and the
// pointer.
#pragma once

// Runs and draws the current screen once per non-race frame, after the colour buffer was
// cleared; leaves the projection as it found it and the modelview at identity.
void UpdateScreens();

// The five eases of ScreenEases from ScreenFade; UpdateScreens runs it every frame.
void ComputeEases();
