// SEAM: the front end's per-frame screen machine until the front end is built.
#pragma once

// Runs and draws the current screen once per non-race frame.
void UpdateScreens();
