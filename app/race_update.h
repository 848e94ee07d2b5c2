// The race half of the loader thread's lock-step: one update per rendered race frame.
#pragma once

void UpdateRaceFrame();
