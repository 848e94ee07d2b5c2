#include "render/countdown.h"

#include <GL/gl.h>

#include <cmath>

#include "app/frame.h"
#include "app/settings.h"
#include "app/sound.h"
#include "gfx/text.h"
#include "gfx/virtual_screen.h"
#include "race/race_status.h"
#include "render/pass_control.h"

int CountdownBeepStage = 0;

namespace {

struct CaptionWindow {
  float start, end;
  const char* text;
  int stage;
};
constexpr CaptionWindow kDigits[] = {
    {8.0f, 9.0f, "3", 2},
    {9.0f, 10.0f, "2", 3},
    {10.0f, 11.0f, "1", 4},
};
constexpr float kDigitLargest = 7.0f;
constexpr float kStartLargest = 6.5f;
constexpr float kGrowth = 5.0f;  // size gained over a caption's growing second
constexpr float kStartFadedAt = 12.0f;
constexpr int kStartStage = 5;
constexpr float kCaptionX = 0.0f;
constexpr float kCaptionY = 100.0f;
constexpr int kCaptionScheme = 1;
constexpr int kCaptionFont = 1;
constexpr int kCentred = 1;

// The start signal: the one-shot menu10 sound.
SoundSource& StartSignal() { return GameSounds.menu[9]; }

void DrawCaption(const CountdownCaption& caption) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(VirtualScreen.left, VirtualScreen.right, VirtualScreen.bottom, VirtualScreen.top, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  TextBackdrop = true;
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // The alpha starts at 2 so a caption stays solid for its first half; a colour
  // above 1 would brighten rather than cover on a float target, so it is capped.
  const float alpha = std::fmin(caption.alpha, 1.0f);
  PrintText(kCaptionX, kCaptionY, kCaptionScheme, alpha, kCaptionFont, caption.size, false, kCentred, "%s",
            caption.text);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_BLEND);
  TextBackdrop = false;
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

}  // namespace

CountdownCaption CountdownCaptionAt(float c) {
  CountdownCaption caption;
  for (const CaptionWindow& w : kDigits) {
    if (!(c > w.start && c < w.end)) continue;
    const float f = w.end - c;
    caption.text = w.text;
    caption.alpha = 2.0f * f;
    caption.size = kDigitLargest - kGrowth * f;
    caption.stage = w.stage;
    return caption;
  }
  if (c > kCountdownRelease && c < kCountdownEnd) {
    const float f = c < kStartFadedAt ? kStartFadedAt - c : 0.0f;
    caption.text = "START";
    caption.alpha = 2.0f * f;
    caption.size = kStartLargest - kGrowth * f;
    caption.stage = kStartStage;
  }
  return caption;
}

void DrawCountdown() {
  const CountdownCaption caption = CountdownCaptionAt(RaceStatus.CountdownValue.load());
  if (caption.text) {
    if (CountdownBeepStage == caption.stage) {
      CountdownBeepStage = caption.stage + 1;
      if (Settings.sound) StartSignal().Play();
    }
    if (PassWanted("countdown")) {
      PassBegin("countdown");
      DrawCaption(caption);
      PassEnd();
    }
  }
  // The clock runs whatever the race tools leave out: it is what releases the race.
  AdvanceCountdownClock(FrameTiming.RenderTicks);
}
