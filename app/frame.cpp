#include "app/frame.h"

#include <GL/gl.h>

#include <atomic>
#include <cmath>
#include <cstdio>

#include "app/handshake.h"
#include "app/race_snapshot.h"
#include "platform/timer.h"
#include "app/race_update.h"
#include "app/settings.h"
#include "frontend/screens.h"
#include "frontend/screen_machine.h"
#include "gfx/fps_text.h"

KELVAMOR_CONSTANT_INIT thread_local FrameTimingState FrameTiming;
uint8_t FpsVisible = 0;
float FixedFrameSeconds = 0.0f;
float FixedRaceFrameSeconds = 0.0f;

namespace {
// One previous time for both threads: only one of them times frames at a time, and the
// hand-over between race and menus must not jump.
std::atomic<uint32_t> g_previousMs{0};
std::atomic<bool> g_timerStarted{false};
constexpr float kTwoPi = 6.2831853f;
constexpr float kTimerStepSeconds = 0.001f;
}  // namespace

float FrameSeconds() {
  if (FixedFrameSeconds > 0.0f) return FixedFrameSeconds;
  const uint32_t now = platform::TimeMs();
  if (!g_timerStarted.exchange(true)) g_previousMs.store(now);
  const uint32_t previous = g_previousMs.exchange(now);
  // Unsigned difference: correct across the 49-day wrap, never negative.
  return static_cast<float>(now - previous) / 1000.0f;
}

float SmoothFrameSeconds(float seconds, float previous) {
  if (previous == 0.0f) return seconds;
  if (seconds < 0.8f * previous) seconds = 0.8f * previous;
  if (seconds > 1.2f * previous) seconds = 1.2f * previous;
  return seconds;
}

void CountFrame(float seconds) {
  FrameTimingState& t = FrameTiming;
  t.FrameDt = seconds;
  t.Fps = seconds > 0.0f ? 1.0f / seconds : 0.0f;
  // The timer counts whole milliseconds: frames quicker than that read 0, and a run of
  // them must not leave the history empty, or the next hitch would be taken as it is.
  t.SmoothedDt = std::fmax(SmoothFrameSeconds(seconds, t.SmoothedDt), kTimerStepSeconds);
  float counted = seconds;
  if (seconds > kLongFrameSeconds) {
    // A hitch at a slow rate still counts, but only as one more of its frames.
    counted = t.SmoothedDt > kLongFrameSeconds ? std::fmin(seconds, t.SmoothedDt) : 0.0f;
  }
  t.FrameTicks = counted * 100.0f;
  t.PhysicsDt = counted;
}

void MeasureFrame() { CountFrame(FrameSeconds()); }

void MeasureRaceFrame() {
  // The timer runs under the fixed switch too: the next measured frame does not take
  // this one's time twice.
  const float measured = FrameSeconds();
  const float fixed = FixedRaceFrameSeconds;
  CountFrame(fixed > 0.0f ? fixed : measured);
}

bool DrawFrame() {
  // One line per screen change on stdout, flushed: scripts that drive the game by keys
  // wait for these instead of guessing how long a fade or a load takes.
  static int shownScreen = -1;
  if (CurrentScreen.load() != shownScreen) {
    shownScreen = CurrentScreen.load();
    std::printf("screen %d\n", shownScreen);
    std::fflush(stdout);
  }
  float fps;
  if (CurrentScreen.load() == kScreenRace) {
    // The loader flips its toggle once the update is published; quitting ends the wait.
    while (Handshake.UpdateToggle.load() == Handshake.RenderToggle.load() && !Handshake.AppDone.load() &&
           CurrentScreen.load() == kScreenRace) {
    }
    if (Handshake.UpdateToggle.load() != Handshake.RenderToggle.load()) RenderRaceFrame();
    // The race is timed by the loader's updates: the rate of the update this frame draws.
    fps = RenderSnapshot.fps;
  } else {
    MeasureFrame();
    FrameTimingState& t = FrameTiming;
    // A hitch leaves the drawn ticks as they were; a frame of a slow machine counts.
    if (t.FrameDt <= kLongFrameSeconds || t.FrameTicks > 0.0f) t.RenderTicks = t.FrameTicks;
    // Only the sine is read: kept within one turn, the phase never grows so large that
    // a frame's step is lost in its rounding (the wave would stand still after days).
    t.WavePhase = std::fmod(t.WavePhase + t.FrameTicks * 0.05f, kTwoPi);
    t.WaveSine = std::sin(t.WavePhase);
    fps = t.Fps;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    UpdateScreens();
  }
  if (FpsVisible == 1) DrawFpsText(static_cast<int>(fps));
  glEnable(GL_DEPTH_TEST);
  return true;
}
