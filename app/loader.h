// The loader thread: loads content in the stages the front end asks for, and runs the
// race update in lock-step with the main thread's race render.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

// The thread body; leaves once Handshake.AppDone is set.
void LoaderThread();

// One pass of the loader's loop (the tests drive the stage machine with it).
void LoaderPass();

// Set when the menu content could not be loaded: the game ends with a failure.
extern std::atomic<bool> StartDataMissing;

// The race number LoadWorld gets for the career's race mode; 0 for an unknown mode.
int CurrentRaceNumber();

// The menu content the intro loads once its clock passes 10. False when a menu texture
// could not be used: the line naming it is printed, StartDataMissing and
// Handshake.AppDone are set, and nothing after the textures is loaded.
bool LoadMenuContent();

// Sets Handshake.AppDone and gives the loader thread up to timeoutMs to leave its loop,
// then joins it: true once joined, and everything it did in the shared GL context, the
// content tables and the sound sources is then done. False while it is still inside a
// step, left running and joinable: the caller must destroy nothing the loader may touch.
bool StopLoaderThread(std::thread& loader, uint32_t timeoutMs);
