// A race run the way the game runs one: the window and its two contexts, the renderer
// started from the settings, the loader thread, the menu content and the race brought
// in through the loader's stages as the front end asks for them, then race frames in
// lock-step with the worker's updates. Every step is fixed (FixedFrameSeconds,
// FixedTrackSeed, FixedRendererSeed), so two runs with the same options draw the
// same frames.
#pragma once

#include <GL/gl.h>

#include <string>

#include "app/controls.h"
#include "tools/race_frame/frame_options.h"
#include "tools/race_frame/png_file.h"

// One frame is a sixtieth of a second, as on the display the game was tuned on.
constexpr float kRaceFrameSeconds = 1.0f / 60.0f;

// Called once the menu content is loaded and before the race load starts: a run's look
// at the front end's calls. Null (the default) runs nothing.
void SetBeforeRaceHook(void (*hook)());

// Opens the window at the options' size and loads the race. False, with the reason,
// when any step fails; CloseRaceRun must follow either way.
bool OpenRaceRun(const RaceFrameOptions& options, std::string* why);
void CloseRaceRun();

// Wall-clock milliseconds of the front-end frame that pre-painted the cars' dirt while
// the world loader waited at its hand-over; -1 before the race load.
double PrePaintMilliseconds();
// Wall-clock milliseconds of the race load, from the loading screen's start to the
// race's first frame: the world, the opponents' lorries and the dirt pre-paint (the
// loader prints the menu content's own time). -1 before the race load.
double RaceLoadMilliseconds();

// Waits until the worker has published the update the next frame draws. Until that
// frame is drawn the worker only spins, so the race state is the caller's to read.
void WaitForRaceUpdate();
// The controls the next update takes, handed over as the main loop hands over a
// player's.
void PublishControls(const DriverControlState& controls);
// The main thread's frame, as the main loop draws it; the picture stays in the back
// buffer until ShowRaceFrame.
void DrawRaceFrame();
// Swaps the frame onto the window and takes the window's messages.
void ShowRaceFrame();

// The framebuffer bound for reading, as it stands mid-frame (a pass hook's view).
Picture ReadBoundFramebuffer();
// The back buffer, and a rectangle texture of the screen's size, as pictures.
Picture ReadScreen();
Picture ReadScreenTexture(GLuint texture);
// Fills a rectangle texture of the screen's size with one colour.
void FillScreenTexture(GLuint texture, const uint8_t rgba[4]);

// The name of a GL error code.
const char* GlErrorName(GLenum error);
