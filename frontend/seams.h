// SEAM: the front end's per-frame screen machine until the front end is built.
#pragma once

// Runs and draws the current screen once per non-race frame.
void UpdateScreens();

// The race-finish bookkeeping the HUD calls every frame once the player has finished.
void FinishRace();
