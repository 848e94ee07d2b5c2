// The quick race (50): a track and a car drawn at random, shown with the track's map,
// region and length and the car's ratings; the player starts, draws both again or goes
// back. The competition page (60) that shares this file's place in the machine is never
// reached (no operation selects the competition mode) and is not built.
#include <GL/gl.h>

#include <cmath>

#include "app/career.h"
#include "app/handshake.h"
#include "frontend/screen_blocks.h"
#include "frontend/screen_draw.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "frontend/widgets.h"
#include "gfx/renderer.h"
#include "gfx/text.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "race/waypoints.h"
#include "render/track_map.h"

namespace {

constexpr float kCarSwapFade = 0.999f;
constexpr float kMapMiddle = 512.0f;  // texels from the map texture's edge to its middle
constexpr float kMapHalfSize = 100.0f;

// The path the page shows: read when the race number changes (the file is the same
// every frame, and the reader allocates), drawn into the shared map texture when read
// or when the page is entered again (others draw into it meanwhile).
struct ShownPath {
  int race = -1;       // the race the preview table was read for; -1 none
  bool read = false;   // the read succeeded: the preview table holds that race
  bool drawn = false;  // the map texture holds it
  int waypoints = 0;   // of that race, 0 when the read failed
};
ShownPath g_path;

void FollowRace(int race) {
  if (race != g_path.race) {
    g_path.race = race;
    // A refused read leaves the previous race's table: that path is no longer shown.
    g_path.read = LoadPreviewRacePath(race);
    g_path.waypoints = g_path.read ? PreviewWaypointLastIndex + 1 : 0;
    g_path.drawn = false;
  }
  if (g_path.read && !g_path.drawn) {
    RenderTrackMapTexture(PreviewWaypointTable, PreviewWaypointLastIndex);
    g_path.drawn = true;
  }
}

const char* RegionName(int race) {
  switch ((race % 3 + 3) % 3) {
    case 1: return "URAL";
    case 2: return "KARELIA";
    default: return "SOUTH REGION";
  }
}

void DrawMap() {
  glPushMatrix();
  glTranslatef(150.0f, -40.0f, 0.0f);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(0.5f, 0.5f, 0.5f, 0.3f * ScreenEases.show);
  BindMenuTexture(kMapBackingTexture);
  TexturedBox(0.0f, 0.0f, 220.0f, 220.0f, 0.0f, 0.0f, 1.0f, 1.0f);
  // A path of one point (or none) has no extent to frame: no map rather than a
  // division by zero.
  const float scale = TrackMapScale;
  if (g_path.drawn && std::isfinite(scale) && scale > 0.0f) {
    const float m = kMapMiddle / scale;
    glColor4f(1.0f, 1.0f, 1.0f, ScreenEases.show);
    glBindTexture(GL_TEXTURE_2D, Renderer.targets.MapTexture);
    const float side = 2.0f * kMapHalfSize * m;
    TexturedBox(TrackMapOffset[0] * m, -23.0f + TrackMapOffset[1] * m, side, side, 0.0f, 0.0f, 1.0f, 1.0f);
  }
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glPopMatrix();
}

void DrawTexts() {
  const float a = ListTextAlpha;
  PrintText(-260.0f, 50.0f, 0, a, 1, 1.5f, false, 0, "%s", CarName(Career.QuickRaceCar));
  PrintText(-260.0f, -90.0f, 0, a, 2, 1.25f, false, 0, "Track");
  PrintText(-260.0f, -120.0f, 0, a, 1, 1.5f, false, 0, "%s", RegionName(Career.QuickRaceNumber));
  PrintText(-260.0f, -140.0f, 0, a, 2, 1.25f, false, 0, "Length %1.2f \xCA\xCC", TrackLengthKm(g_path.waypoints));
  PrintText(-260.0f, 20.0f, 0, a, 1, 0.75f, false, 0, "Power");
  PrintText(-260.0f, -10.0f, 0, a, 1, 0.75f, false, 0, "Speed");
  PrintText(-260.0f, -40.0f, 0, a, 1, 0.75f, false, 0, "Handling");
}

void DrawRatings() {
  const float ratings[3] = {LivePowerRating(), LiveSpeedRating(), LiveHandlingRating()};
  for (int k = 0; k < 3; ++k) {
    glPushMatrix();
    glTranslatef(-259.0f, 8.0f - 30.0f * static_cast<float>(k), 0.0f);
    DrawRatingBar(ratings[k], k);
    glPopMatrix();
  }
}

}  // namespace

void ForgetQuickStartMap() { g_path = ShownPath(); }

float TrackLengthKm(int32_t waypoints) {
  constexpr float kMetresPerWaypoint = 7.0f;
  return static_cast<float>(waypoints) * kMetresPerWaypoint / 1000.0f;
}

void QuickStartScreen() {
  FollowRace(Career.QuickRaceNumber);
  BeginDialogPanel();
  DrawMap();
  DrawPanelTitle("QUICK START", -209.0f);
  DrawTexts();
  DrawRatings();
  EndDialogPanel();

  DrawMenuButton(-400.0f, -225.0f, 0.0f, "BACK", 0, 0);
  DrawMenuButton(400.0f, -200.0f, 0.0f, "CHANGE", 1, 2);
  {
    // The drawn car replaces the live one only once the page has settled, while START
    // takes keys earlier: it waits until the drawn car is the one on show.
    const WithheldActivation drawnCar(!CarOnShowIs(Career.QuickRaceCar));
    DrawMenuButton(400.0f, -225.0f, 0.0f, "START", 4, 3);
  }
  FadeTextsAfterButtons();

  if (ScreenFade >= kCarSwapFade && CurrentScreen.load() == TargetScreen.load() && !CarReloadPending &&
      Handshake.LoaderStage.load() == kStageMenuLoaded && LiveCarSetup.modelIndex != Career.QuickRaceCar)
    ApplyCarPreset(Career.QuickRaceCar);

  LoadingBoxAlpha = StepLoadingAlpha(LoadingBoxAlpha, Handshake.LoaderStage.load() == kStageNothing);
  DrawLoading(225.0f, -182.0f, 0.0f, LoadingBoxAlpha);
}
