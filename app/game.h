// The game's entry sequence, callable from main and from tests that run it whole.
#pragma once

#include <cstdint>

// PostTargetSize: the reduced post-process textures; RenderTextureSize: the square
// colour texture made at start-up.
struct TargetSizes {
  int width;
  int height;
};
extern TargetSizes PostTargetSize;
extern TargetSizes RenderTextureSize;
extern int ShadowMapSize;

// Shadow map size for a "Shadow detail" setting (0 gives 16: shadows off); an unknown
// setting keeps current.
int ShadowMapSizeFor(int shadowDetail, int current);

// Start-up, main loop and shutdown. Returns the exit code: 0 after the quit
// confirmation, the quit message's code otherwise, 0 when the window cannot be made.
int RunGame();

// One pass of the main loop without a message: frame, Escape pause, binding capture,
// F1, latch release, joystick poll and control mapping.
void RunFramePass();
