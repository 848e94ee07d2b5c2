// SEAM: the race-finish bookkeeping until it is built.
#pragma once

// The race-finish bookkeeping the HUD calls every frame once the player has finished.
void FinishRace();
