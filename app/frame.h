// The frame timer and the main thread's frame: either the race (waiting for the
// loader's update) or the front end.
#pragma once

#include <cstdint>

struct FrameTimingState {
  float FrameDt = 0.0f;      // seconds of the last frame
  float Fps = 0.0f;          // 1 / FrameDt, 0 before the first measured frame
  float FrameTicks = 0.0f;   // 10-millisecond units, 0 after a frame over 0.2 s
  float PhysicsDt = 0.0f;    // seconds handed to the race step, 0 after a long frame
  float RenderTicks = 0.0f;  // the ticks of the frame the main thread draws
  float SceneClock = 0.0f;   // seconds advanced by the race render
  float WavePhase = 0.0f;    // front-end wave, advanced by FrameTicks x 0.05, within 0..2 pi
  float WaveSine = 0.0f;
  float WorkerTicks = 0.0f;  // the loader's: the FrameTicks of its last race update
  // This thread's frame time smoothed as the race step smooths it (SmoothFrameSeconds),
  // but never capped: it tells a machine that is slow from a frame that was (a hitch).
  // 0 until this thread's first counted frame.
  float SmoothedDt = 0.0f;
};

// One record per thread, each written only by the thread that owns it: the main
// thread times its menu frames and draws the race with it, the loader times its race
// updates with its own. The two meet only through the published race results (their
// ticks and rate), never in one record: around the finish and the switch to the
// results both threads measure frames at the same time.
//
// Declared constant-initialised, so other files reach their thread's record directly:
// the on-demand initialisation call they would otherwise make is what GCC 12's null
// check under -fsanitize=undefined misreads as a null record.
#if defined(__clang__)
#define KELVAMOR_CONSTANT_INIT __attribute__((require_constant_initialization))
#else
#define KELVAMOR_CONSTANT_INIT __constinit
#endif
extern KELVAMOR_CONSTANT_INIT thread_local FrameTimingState FrameTiming;
extern uint8_t FpsVisible;  // 1 shows the FPS text; any other value shows nothing

// A frame longer than this advances nothing, unless the frames are that long at a
// steady rate (CountFrame).
constexpr float kLongFrameSeconds = 0.2f;

// A frame's time held near the last smoothed one: raised to 0.8 and lowered to 1.2
// times `previous`; taken as it is while `previous` is 0.
float SmoothFrameSeconds(float seconds, float previous);

// The race tools' fixed step: when above 0, every frame of either thread lasts this
// many seconds whatever the wall clock says, so two runs step the same race. 0 in the
// game. Set it before the loader thread starts: the worker reads it unguarded.
extern float FixedFrameSeconds;

// Seconds since the previous call from either thread (about 0 on the first); never
// negative. FixedFrameSeconds instead when that is set.
float FrameSeconds();
// One frame that lasted `seconds` into this thread's FrameDt, Fps, SmoothedDt,
// FrameTicks and PhysicsDt. A frame over 0.2 s among shorter ones (a hitch) counts for
// nothing. When the smoothed time is over 0.2 s too, the machine is that slow: the
// frame counts, for no more than the smoothed time (the race step runs it as its
// longest step), so the menus and the race go on slower than real time instead of
// standing still.
void CountFrame(float seconds);
// Measures one menu frame (CountFrame).
void MeasureFrame();

// A test switch of the game: above 0, every race frame counts as this many seconds,
// whatever it took, so a slow renderer still runs the countdown and the physics at
// their pace; the menus keep their measured frames. 0 in the game.
extern float FixedRaceFrameSeconds;
// MeasureFrame for a race update, with FixedRaceFrameSeconds in place of the measured
// time when it is set.
void MeasureRaceFrame();

// The main thread's frame; always true.
bool DrawFrame();
void RenderRaceFrame();
