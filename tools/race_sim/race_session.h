// A loaded race without a window, a GL context or a sound device: the race physics
// world of race K stepped frame by frame on the calling thread, with the start
// countdown's clock kept as the race render would keep it. The race tools build on
// this: race_sim runs driving scenarios, later tools draw or time the same frames.
#pragma once

#include <cstdint>
#include <string>

struct RaceSessionOptions {
  int race = 1;                  // 1..30
  int car = 0;                   // the player's car model, 0..17
  uint32_t seed = 1;             // the load's random draws (opponents' models)
  float frameSeconds = 1.0f / 60.0f;
};

struct RaceSessionState {
  RaceSessionOptions options;
  bool loaded = false;
  int64_t frames = 0;       // frames stepped since the load
  double raceSeconds = 0.0; // frame seconds since the countdown released the cars (more
                            // than the race clock's when frames run over 0.1 s)
};
extern RaceSessionState RaceSession;

// Loads the race (the base/ folder under the working directory): tyre curves, the car
// table, the opponents drawn from the seed, the physics of race K. Sound stays off.
// False, with the reason on stderr, when the race cannot be run.
bool OpenRaceSession(const RaceSessionOptions& options);
// One race frame as the race update runs it: the physics step with the session's
// frame time, the roadside objects woken and parked, the countdown's and the bonuses'
// clocks, the render rows of the cars and objects published.
void StepRaceFrame();
// Frames until the countdown has released the cars (at most the countdown's length).
void RunCountdown();
void CloseRaceSession();

// printf into a string: the tools' one line of figures.
std::string FormatFigures(const char* fmt, ...);
