#include "render/race_hud.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdio>

#include "app/settings.h"
#include "frontend/race_finish.h"
#include "gfx/gl_ext.h"
#include "gfx/text.h"
#include "gfx/virtual_screen.h"
#include "race/race_status.h"
#include "render/countdown.h"
#include "render/hud_picture.h"
#include "render/hud_textures.h"
#include "render/mini_map.h"
#include "render/pass_control.h"
#include "render/track_map.h"

void (*HudFinishRace)() = FinishRace;

namespace {

// The dial sits right of centre, 90 units above the screen's bottom edge.
constexpr float kDialX = 260.0f;
constexpr float kDialAboveBottom = 90.0f;
constexpr float kDialHalfWidth = 105.0f;
constexpr float kDialHalfHeight = 70.0f;
// The needles' quad: the pivot at its origin, the tip up.
constexpr float kNeedleHalfWidth = 9.29f;
constexpr float kNeedleBelowPivot = 12.39f;
constexpr float kNeedleAbovePivot = 61.97f;
// Rev gauge: 750 rpm (idle) at -140 degrees, 0.0544 degrees per rpm.
constexpr float kRevPivotX = 34.56f, kRevPivotY = 1.12f;
constexpr float kIdleRpm = 750.0f;
constexpr float kDegreesPerRpm = 0.0544f;
constexpr float kRevZeroAngle = -140.0f;
// Load gauge: -1 (engine braking) to +1 (full pull) over 225 degrees.
constexpr float kLoadPivotX = -67.54f, kLoadPivotY = -24.49f;
constexpr float kDegreesPerLoad = 112.5f;
constexpr float kLoadZeroAngle = -45.0f;
constexpr float kGearX = 33.0f, kGearY = -37.0f;
constexpr float kSpeedX = 72.2f, kSpeedY = -19.1f;
constexpr float kDialTextSize = 0.85f;
// The readout is not the body speed but its 1.4th power: the game's own scale for the
// number on the dial, which climbs ever faster as the lorry speeds up.
constexpr float kSpeedReadoutPower = 1.4f;

constexpr float kMiniMapX = -285.0f, kMiniMapY = -150.0f;

constexpr int kSchemeDark = 0, kSchemeLight = 1;
constexpr int kBigFont = 1, kSmallFont = 2;
constexpr int kLeft = 0, kCentred = 1, kRight = 2;

// The readouts left and right of the top edge, in the order DrawGauges lists their texts.
struct HudLine {
  float x, y;
  int scheme, font;
  float size;
  int align;
  bool panel;  // the two counters stand on a panel
};
constexpr int kHudLines = 10;
constexpr HudLine kHudLinesLayout[kHudLines] = {
    {220.0f, 175.0f, kSchemeLight, kSmallFont, 1.25f, kLeft, false},   // "PLACE"
    {310.0f, 175.0f, kSchemeDark, kBigFont, 1.75f, kCentred, true},    // place
    {220.0f, 145.0f, kSchemeDark, kSmallFont, 0.8f, kLeft, false},     // "Race"
    {343.0f, 145.0f, kSchemeDark, kBigFont, 0.8f, kRight, false},      // race time
    {-345.0f, 175.0f, kSchemeLight, kSmallFont, 1.25f, kLeft, false},  // "LAP"
    {-265.0f, 175.0f, kSchemeDark, kBigFont, 1.75f, kCentred, true},   // lap
    {-345.0f, 145.0f, kSchemeDark, kSmallFont, 0.8f, kLeft, false},    // "Time"
    {-235.0f, 145.0f, kSchemeDark, kBigFont, 0.8f, kRight, false},     // lap time
    {-345.0f, 125.0f, kSchemeDark, kSmallFont, 0.8f, kLeft, false},    // "Best"
    {-235.0f, 125.0f, kSchemeDark, kBigFont, 0.8f, kRight, false},     // best lap
};

void FormatClock(const RaceClock& clock, char* out, size_t size) {
  std::snprintf(out, size, "%2i:%02i.%02i", clock.minutes, clock.seconds, FloatToInt(clock.hundredths));
}

void DialQuad(bool face) {
  const float t0 = face ? 0.5f : 0.0f;
  TexturedQuad(-kDialHalfWidth, -kDialHalfHeight, kDialHalfWidth, kDialHalfHeight, 0.0f, t0, 1.0f, t0 + 0.5f);
}

// Pushed and popped rather than undone, so a value that is no number leaves the
// needle out without spoiling the frame's modelview.
void Needle(float pivotX, float pivotY, float degrees, float s0) {
  glPushMatrix();
  glTranslatef(pivotX, pivotY, 0.0f);
  glRotatef(-degrees, 0.0f, 0.0f, 1.0f);
  TexturedQuad(-kNeedleHalfWidth, -kNeedleBelowPivot, kNeedleHalfWidth, kNeedleAbovePivot, s0, 0.0f, s0 + 0.5f,
               1.0f);
  glPopMatrix();
}

void DrawGauges(const CarRow& row, const HudTexts& texts) {
  glLoadIdentity();
  glTranslatef(kDialX, VirtualScreen.bottom + kDialAboveBottom, 0.0f);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  BindTableTexture(kDialTexture);
  DialQuad(true);
  BindTableTexture(kNeedleTexture);
  Needle(kRevPivotX, kRevPivotY, (row.rpm - kIdleRpm) * kDegreesPerRpm + kRevZeroAngle, 0.5f);
  Needle(kLoadPivotX, kLoadPivotY, row.engineLoad * kDegreesPerLoad + kLoadZeroAngle, 0.0f);
  BindTableTexture(kDialTexture);
  DialQuad(false);
  glDisable(GL_BLEND);
  if (texts.gear[0])
    PrintText(kGearX, kGearY, kSchemeLight, 1.0f, kBigFont, kDialTextSize, false, kCentred, "%s", texts.gear);
  PrintText(kSpeedX, kSpeedY, kSchemeLight, 1.0f, kBigFont, kDialTextSize, false, kCentred, "%s", texts.speed);

  glLoadIdentity();
  const char* const lines[kHudLines] = {"PLACE", texts.place, "Race", texts.raceTime, "LAP",
                                        texts.lap,  "Time",      texts.lapTime, "Best", texts.bestLap};
  for (int i = 0; i < kHudLines; ++i) {
    const HudLine& l = kHudLinesLayout[i];
    TextBackdrop = l.panel;
    PrintText(l.x, l.y, l.scheme, 1.0f, l.font, l.size, false, l.align, "%s", lines[i]);
  }
  TextBackdrop = false;
}

void BeginScreenFrame() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(VirtualScreen.left, VirtualScreen.right, VirtualScreen.bottom, VirtualScreen.top, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void EndScreenFrame() {
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

}  // namespace

void FormatHudTexts(const CarRow& row, HudTexts* out) {
  static const char* const kGearLetters[] = {"R", "N", "1", "2", "3", "4", "5", "6"};
  const int gearIndex = row.gear + 1;
  if (gearIndex >= 0 && gearIndex < static_cast<int>(sizeof kGearLetters / sizeof kGearLetters[0]))
    std::snprintf(out->gear, sizeof out->gear, "%s", kGearLetters[gearIndex]);
  else
    out->gear[0] = '\0';
  // The body speed is a length; anything else (no number) reads as standing still.
  const float speed = row.speed > 0.0f ? row.speed : 0.0f;
  std::snprintf(out->speed, sizeof out->speed, "%03i", FloatToInt(std::pow(speed, kSpeedReadoutPower)));
  std::snprintf(out->place, sizeof out->place, "%2i/%i", row.place, kRaceCarCount);
  std::snprintf(out->lap, sizeof out->lap, "%2i/%i", row.lap > 1 ? row.lap : 1, RaceStatus.RaceLaps.load());
  FormatClock(row.raceTime, out->raceTime, sizeof out->raceTime);
  FormatClock(row.lapTime, out->lapTime, sizeof out->lapTime);
  FormatClock(row.bestLap, out->bestLap, sizeof out->bestLap);
}

void DrawRaceHud() {
  // Read once: the worker may raise the finish while this frame draws.
  const bool finished = RaceStatus.PlayerFinished.load() != 0;
  // The first frame of a race load draws its path into the map, unless the front end
  // already did when the race was chosen.
  if (!TrackMapShowsRaceLoad(RaceStatus.RaceLoadCount.load())) RenderTrackMapTexture();

  glViewport(0, 0, Settings.screenWidth, Settings.screenHeight);
  if (GlExt.glUseProgramObjectARB) GlExt.glUseProgramObjectARB(0);
  BeginScreenFrame();
  glDisable(GL_DEPTH_TEST);
  if (PassWanted("hud")) {
    PassBegin("hud");
    DrawHudPicture();
    PassEnd();
  }
  if (!finished) {
    const CarRow& player = RenderCarRows[0];
    if (PassWanted("gauges")) {
      PassBegin("gauges");
      HudTexts texts;
      FormatHudTexts(player, &texts);
      DrawGauges(player, texts);
      PassEnd();
    }
    if (PassWanted("minimap")) {
      PassBegin("minimap");
      glLoadIdentity();
      glDisable(GL_DEPTH_TEST);
      glTranslatef(kMiniMapX, kMiniMapY, 0.0f);
      DrawMiniMap(1.0f);
      glLoadIdentity();
      glDisable(GL_BLEND);
      PassEnd();
    }
  }
  EndScreenFrame();

  const float c = RaceStatus.CountdownValue.load();
  if (!finished && (RaceStatus.CountdownRunning.load() != 0 || (c > 0.0f && c < kCountdownEnd))) DrawCountdown();
  if (finished) HudFinishRace();
}
