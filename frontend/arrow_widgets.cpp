// The small arrows of the menus and the stamp. The arrows keep their slot's glow as a
// scale: 1 at rest, growing while the pointer is over them.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "app/controls.h"
#include "app/frame.h"
#include "app/input.h"
#include "frontend/option_steps.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "frontend/widgets.h"
#include "platform/vk.h"

namespace {

constexpr int kWidgetSlots = 30;
constexpr float kPi = 3.14159265f;

constexpr float kArrowHalfWidth = 16.0f;
constexpr float kArrowBelow = 15.0f;  // the hit box sits a little high on its arrow
constexpr float kArrowAbove = 17.0f;
constexpr float kArrowSize = 30.0f;
constexpr float kArrowGrowth = 0.015f;  // per tick while hovered
constexpr float kArrowShrink = 0.007f;
constexpr float kArrowLargest = 1.2f;

constexpr float kScrollGrowth = 0.01f;
constexpr float kScrollShrink = 0.003f;
constexpr float kScrollLargest = 1.08f;
constexpr float kScrollFade = 0.015f;
// An arrow at the end of the bar dims only to about this, so the bar's ends still read.
constexpr float kScrollDimmest = 0.2f;
constexpr float kKickReach = 25.0f;

constexpr float kStampWidth = 320.0f;
constexpr float kStampHeight = 106.6f;

// The option row an arrow slot works on, two slots per row from slot 5; -1 off the pages.
int ArrowRow(int screen, int slot) {
  const int lastSlot = screen == kScreenGraphics ? 14 : screen == kScreenAudio ? 10 : -1;
  if (slot < 5 || slot > lastSlot) return -1;
  return (slot - 5) / 2;
}

// The arrow half of the sheet, its point to the left; the right arrow reads it mirrored.
void ArrowHalf(float size, bool right) {
  TexturedBox(0.0f, 0.0f, size, size, right ? 0.5f : 0.0f, 0.0f, right ? 0.0f : 0.5f, 1.0f);
}

void StampCell(float x, float y, int col, int row, float scale, float alpha) {
  if (alpha <= 0.0f) return;
  const float u = 0.5f * static_cast<float>(col), v = 0.25f * static_cast<float>(row);
  glColor4f(1.0f, 1.0f, 1.0f, alpha);
  glPushMatrix();
  glTranslatef(x, y, 0.0f);
  glScalef(scale, scale, 1.0f);
  TexturedBox(0.0f, 0.0f, kStampWidth, kStampHeight, u, v, u + 0.5f, v + 0.25f);
  glPopMatrix();
}

}  // namespace

void DrawArrowButton(float x, float y, int slot, int side) {
  if (slot < 0 || slot >= kWidgetSlots) return;
  const bool right = side != 0;
  const float px = static_cast<float>(PointerX), py = static_cast<float>(PointerY);
  const bool hovered = px > x - kArrowHalfWidth && px < x + kArrowHalfWidth && py > y - kArrowBelow &&
                       py < y + kArrowAbove;
  if (hovered) {
    if (!WidgetHover[slot]) PlayMenuSound(MenuHoverSound);
    WidgetHover[slot] = 1;
    Input.CameraFree = 0;
  } else {
    WidgetHover[slot] = 0;
  }

  const int key = right ? platform::kVkRight : platform::kVkLeft;
  if ((KeyDown(key) || (Input.MouseButtons[0] && hovered)) && !Input.KeyLatch) {
    // The click is heard whether or not this arrow's row is the selected one.
    PlayMenuSound(MenuClickSound);
    const int screen = CurrentScreen.load();
    const int row = ArrowRow(screen, slot);
    if (screen == TargetScreen.load() && row >= 0 && row == OptionRow) {
      StepOptionRow(screen, row, right ? 1 : 0);
      // The press is used up: a held mouse button changes the value once.
      Input.KeyLatch = 1;
      Input.MouseButtons[0] = 0;
    }
  }

  float& scale = WidgetGlow[slot];
  const float ticks = FrameTiming.FrameTicks;
  scale = std::max(scale, 1.0f);
  scale = hovered ? std::min(kArrowLargest, scale + ticks * kArrowGrowth) : std::max(1.0f, scale - ticks * kArrowShrink);

  const WidgetDrawScope scope;
  glColor4f(1.0f, 1.0f, 1.0f, ScreenEases.show);
  glPushMatrix();
  glTranslatef(x, y, 0.0f);
  glScalef(scale, scale, 1.0f);
  BindMenuTexture(kArrowSheetTexture);
  ArrowHalf(kArrowSize, right);
  glPopMatrix();
}

void DrawScrollArrow(bool hovered, int slot, int side) {
  if (slot < 0 || slot >= kWidgetSlots) return;
  const bool right = side != 0;
  const float ticks = FrameTiming.FrameTicks;

  float& scale = WidgetGlow[slot];
  scale = std::max(scale, 1.0f);
  scale = hovered ? std::min(kScrollLargest, scale + ticks * kScrollGrowth)
                  : std::max(1.0f, scale - ticks * kScrollShrink);

  // A step kicks the arrow of its direction out and back over the nudge's decay.
  const float n = BarNudge;
  float offset = 0.0f, kick = 1.0f;
  if ((right && n > 0.0f) || (!right && n < 0.0f)) {
    const float phase = std::fabs(n) * 2.0f * kPi / 180.0f;
    offset = std::sin(phase) * kKickReach * (right ? 1.0f : -1.0f);
    kick = 1.0f + 0.15f * std::sin(phase);
  }

  float& alpha = ScrollArrowAlpha[right ? 1 : 0];
  const bool atEnd = right ? SelectedItem >= BarItemCount - 1 : SelectedItem <= 0;
  if (atEnd) {
    if (alpha > kScrollDimmest) alpha = std::max(0.0f, alpha - ticks * kScrollFade);
  } else {
    alpha = std::min(1.0f, alpha + ticks * kScrollFade);
  }

  const WidgetDrawScope scope;
  glColor4f(1.0f, 1.0f, 1.0f, alpha * ScreenEases.show * (1.0f - ScreenEases.slide));
  BindMenuTexture(kArrowSheetTexture);
  glPushMatrix();
  glScalef(scale, scale, 1.0f);
  glPushMatrix();
  glTranslatef(1.25f * offset, 0.0f, 0.0f);
  glScalef(kick, kick, 1.0f);
  ArrowHalf(right ? 25.4f : 24.0f, right);
  glPopMatrix();
  glPushMatrix();
  glTranslatef(0.3f * offset, 0.0f, 0.0f);
  TexturedBox(0.0f, 0.0f, 25.4f, 25.4f, 0.5f, 0.0f, 1.0f, 1.0f);
  glPopMatrix();
  glPopMatrix();
}

StampFrame StampFrameAt(float t) {
  // The first cell drops in from two and a half times its size, then stays; the second
  // pulses in over it during the second half.
  StampFrame f;
  const float s = t * kPi;
  if (t < 0.5f) {
    f.firstScale = 2.5f - 1.5f * std::sin(s);
    f.firstAlpha = std::sin(s);
  }
  if (t >= 0.0f && t < 0.5f) {
    f.secondAlpha = 0.0f;
  } else if (t >= 0.5f && t <= 1.0f) {
    f.secondAlpha = std::sin((t - 0.5f) * kPi);
    f.secondScale = 1.0f + 0.15f * std::sin((t - 0.5f) * 2.0f * kPi);
  }
  return f;
}

void DrawStamp(float x, float y, int col1, int row1, int col2, int row2, float t) {
  const StampFrame f = StampFrameAt(t);
  const WidgetDrawScope scope;
  BindMenuTexture(kStampSheetTexture);
  StampCell(x, y, col1, row1, f.firstScale, f.firstAlpha);
  StampCell(x, y, col2, row2, f.secondScale, f.secondAlpha);
}
