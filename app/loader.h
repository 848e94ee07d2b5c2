// The loader thread: loads content in the stages the front end asks for, and runs the
// race update in lock-step with the main thread's race render.
#pragma once

// The thread body; leaves once Handshake.AppDone is set.
void LoaderThread();

// One pass of the loader's loop (the tests drive the stage machine with it).
void LoaderPass();

// The race number LoadWorld gets for the career's race mode; 0 for an unknown mode.
int CurrentRaceNumber();

// The menu content the intro loads once its clock passes 10.
void LoadMenuContent();
