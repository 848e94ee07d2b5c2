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

// The graphics foundation links below the game and reads the shell's state through
// these pointers; the race tools, which start the renderer without RunGame, link it too.
void LinkRendererToGame();
// InitRenderer at the settings' size, samples and filtering with ShadowMapSize and the
// post and render texture sizes; ShadowMapSize then follows what the driver allowed.
bool StartRendererFromSettings();

// Start-up, main loop and shutdown. Returns the exit code: 0 after the quit
// confirmation, the quit message's code otherwise, 0 when the window cannot be made.
int RunGame();

// One pass of the main loop without a message: frame, Escape pause, binding capture,
// F1, latch release, joystick poll and control mapping; then the key and button
// releases held back for this frame are queued.
void RunFramePass();
