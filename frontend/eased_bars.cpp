// Gauges whose shown value glides toward the caller's target, so another car or new
// points animate the bar instead of jumping it.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "app/frame.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "frontend/widgets.h"

float ShownRating[3] = {0.5f, 0.5f, 0.5f};
float ShownPoints = 0.0f;

namespace {

constexpr float kGlideRate = 0.035f;  // share of the gap per tick
constexpr float kBarLength = 162.0f;
constexpr float kRatingFloor = 0.5f;
// A rating of 1 fills the bar; the scale starts below the floor so that 0.5 still shows.
constexpr float kRatingOrigin = 0.4f;
constexpr float kRatingScale = 270.0f;

// First-order glide; a frame long enough to cover the gap lands on the target.
float Glide(float shown, float target) {
  if (!std::isfinite(target)) return shown;
  return shown + (target - shown) * std::min(1.0f, kGlideRate * FrameTiming.FrameTicks);
}

void DrawGauge(float filled, float bottom, float top, bool textured) {
  const WidgetDrawScope scope;
  const float alpha = ScreenEases.show;
  glColor4f(0.23f, 0.7f, 0.31f, alpha);
  if (textured) {
    BindMenuTexture(kRatingFillTexture);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, bottom);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(filled, bottom);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(filled, top);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.0f, top);
    glEnd();
  } else {
    FlatBox(0.0f, bottom, filled, top);
  }
  glColor4f(1.0f, 1.0f, 1.0f, alpha);
  FlatBox(filled, bottom, kBarLength, top);
}

}  // namespace

void DrawRatingBar(float target, int k) {
  if (k < 0 || k > 2) return;
  float& shown = ShownRating[k];
  if (ScreenSettled()) shown = Glide(shown, target);
  shown = std::min(1.0f, std::max(kRatingFloor, shown));
  DrawGauge((shown - kRatingOrigin) * kRatingScale, -3.0f, 6.0f, true);
}

void DrawPointsBar(float target) {
  if (CurrentScreen.load() == TargetScreen.load()) ShownPoints = Glide(ShownPoints, target);
  ShownPoints = std::min(1.0f, std::max(0.0f, ShownPoints));
  DrawGauge(kBarLength * ShownPoints, 6.0f, 20.0f, false);
}
