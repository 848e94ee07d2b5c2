// The championship of a career: the bracket (30) of three quarter-finals, two
// semi-finals and the final, four races each, and the race selection (31) that shows a
// stage's four races with their length, record and best place and starts one.
#include <GL/gl.h>

#include <cmath>

#include "app/career.h"
#include "frontend/screen_blocks.h"
#include "frontend/screen_draw.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "frontend/widgets.h"
#include "gfx/renderer.h"
#include "gfx/text.h"
#include "race/waypoints.h"
#include "render/track_map.h"

namespace {

constexpr int kStageIconTexture = 59;  // six stage icons side by side
constexpr int kMedalTexture = 26;      // gold, silver, bronze medals, then the lock
constexpr int kStages = 6;
constexpr int kRacesPerStage = 4;
constexpr int kLastSemiFinalLock = 2;  // the locks show up to this unlock level
constexpr float kBracketScale = 0.75f;
constexpr float kMapMiddle = 512.0f;
constexpr float kMapHalfSize = 135.0f;
constexpr float kCardFrameX = -531.0f;
constexpr float kCardFrameY = -316.0f;

struct StageNode {
  int position;
  float x, y;
  const char* title;
};
// Drawn in this order: the final first, the quarter-finals last.
const StageNode kNodes[kStages] = {
    {5, 320.0f, 475.0f, "FINAL"},          {3, 196.0f, 324.0f, "I SEMIFINAL"},
    {4, 445.0f, 324.0f, "II SEMIFINAL"},   {0, 71.0f, 173.0f, "I QUATERFINAL"},
    {1, 321.0f, 173.0f, "II QUATERFINAL"}, {2, 567.0f, 173.0f, "III QUATERFINAL"}};
const char* const kStageTitles[kStages] = {"I QUATERFINAL", "II QUATERFINAL", "III QUATERFINAL",
                                           "I SEMIFINAL",   "II SEMIFINAL",   "FINAL"};
const char* const kWinCounts[kRacesPerStage + 1] = {"0 / 4", "1 / 4", "2 / 4", "3 / 4", "4 / 4"};

int Stage() {
  const int p = Career.BracketPosition;
  return p < 0 ? 0 : (p >= kStages ? kStages - 1 : p);
}

int StageWins(int stage) {
  int wins = 0;
  for (int r = 0; r < kRacesPerStage; ++r)
    if (Career.RaceBestPlace[kRacesPerStage * stage + r] == 1) ++wins;
  return wins;
}

void Picture(int texture, float cx, float cy, float w, float h, float u0, float u1) {
  BindMenuTexture(texture);
  TexturedBox(cx, cy, w, h, u0, 0.0f, u1, 1.0f);
}

void DrawNode(const StageNode& n, float alpha) {
  const WidgetDrawScope scope;
  glColor4f(1.0f, 1.0f, 1.0f, alpha);
  const float u = 0.166f * static_cast<float>(n.position);
  Picture(kStageIconTexture, n.x, n.y, 50.0f, 50.0f, u, u + 0.166f);
  if (n.position >= 3 && Career.BracketUnlocked <= kLastSemiFinalLock) {
    const float s = 1.0f + LockPulse;
    glPushMatrix();
    glTranslatef(n.x + 165.0f, n.y + 20.0f, 0.0f);
    glRotatef(-25.0f, 0.0f, 0.0f, 1.0f);
    glScalef(s, s, 1.0f);
    Picture(kMedalTexture, 0.0f, 0.0f, 100.0f, 50.0f, 0.75f, 1.0f);
    glPopMatrix();
  }
  const float a = ListTextAlpha;
  PrintText(n.x + 34.0f, n.y + 12.0f, 1, a, 1, 1.0f, true, 0, "%s", n.title);
  PrintText(n.x + 34.0f, n.y - 14.0f, 1, a, 1, 1.0f, true, 0, "CHAMPIONSHIP");
  PrintText(n.x + 37.0f, n.y - 46.0f, 2, a, 2, 1.25f, false, 0, "Wins");
  TextBackdrop = true;
  PrintText(n.x + 131.0f, n.y - 42.0f, 1, a, 1, 1.0f, false, 1, "%s", kWinCounts[StageWins(n.position)]);
  TextBackdrop = false;
}

// The stage's paths: the four counts are read when the stage changes, the chosen race's
// path is drawn into the map when the choice changes (the reader allocates, and the
// files do not change while the page shows them).
struct StagePaths {
  int stage = -1;
  int shownRace = -1;
  int waypoints[kRacesPerStage] = {};  // -1 where the path was refused
  bool mapShown = false;
};
StagePaths g_paths;

int ReadCount(int race) { return LoadPreviewRacePath(race) ? PreviewWaypointLastIndex + 1 : -1; }

void FollowStage(int stage, int race) {
  if (stage != g_paths.stage) {
    g_paths.stage = stage;
    g_paths.shownRace = -1;
    for (int k = 0; k < kRacesPerStage; ++k) g_paths.waypoints[k] = ReadCount(kRacesPerStage * stage + k + 1);
  }
  if (race != g_paths.shownRace) {
    g_paths.shownRace = race;
    g_paths.mapShown = LoadPreviewRacePath(race);
    if (g_paths.mapShown) RenderTrackMapTexture(PreviewWaypointTable, PreviewWaypointLastIndex);
  }
}

void DrawMap() {
  const float scale = TrackMapScale;
  if (!g_paths.mapShown || !std::isfinite(scale) || scale <= 0.0f) return;
  const float m = kMapMiddle / scale;
  const WidgetDrawScope scope;
  glColor4f(1.0f, 1.0f, 1.0f, ScreenEases.show);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, Renderer.targets.MapTexture);
  const float side = 2.0f * kMapHalfSize * m;
  TexturedBox(TrackMapOffset[0] * m, -20.0f + TrackMapOffset[1] * m, side, side, 0.0f, 0.0f, 1.0f, 1.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void DrawCard(int stage, int k) {
  const float x = -221.0f + 250.0f * static_cast<float>((k - 1) % 2);
  const float y = -70.0f + 150.0f * static_cast<float>((k - 1) / 2);
  const int entry = kRacesPerStage * stage + k - 1;
  const CareerRecord& c = Career;
  const float a = ListTextAlpha;
  PrintText(x, y, 1, a, 1, 1.0f, true, 0, "%i RACE", k);
  const int waypoints = g_paths.waypoints[k - 1];
  if (waypoints >= 0)
    PrintText(x + 100.0f, y - 4.0f, 0, a, 2, 1.25f, false, 0, "%1.2f \xCA\xCC", TrackLengthKm(waypoints));
  PrintText(x + 5.0f, y - 28.0f, 2, a, 2, 1.0f, false, 0, "Wins/attempts:");
  PrintText(x + 5.0f, y - 49.0f, 2, a, 2, 1.0f, false, 0, "Best lap:");
  TextBackdrop = true;
  PrintText(x + 127.0f, y - 28.0f, 1, a, 1, 0.75f, false, 1, "%2i /%2i", c.RaceWins[entry], c.RaceAttempts[entry]);
  PrintText(x + 117.0f, y - 49.0f, 1, a, 1, 0.75f, false, 1, "%2i:%02i.%02i", c.RaceBestLapMinutes[entry],
            c.RaceBestLapSeconds[entry], c.RaceBestLapHundredths[entry]);
  TextBackdrop = false;
  // Only a podium place has a medal; any other stored value shows none.
  const int place = c.RaceBestPlace[entry];
  if (place < 1 || place > 3) return;
  const WidgetDrawScope scope;
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f - ScreenEases.slide);
  glPushMatrix();
  glTranslatef(x + 191.0f, y - 25.0f, 0.0f);
  glRotatef(-10.0f, 0.0f, 0.0f, 1.0f);
  const float u = 0.25f * static_cast<float>(place - 1);
  Picture(kMedalTexture, 0.0f, 0.0f, 80.0f, 40.0f, u, u + 0.25f);
  glPopMatrix();
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace

void ForgetChampionshipPaths() { g_paths = StagePaths(); }

void ChampionshipScreen() {
  BeginDialogPanel();
  DrawPanelTitle("COMPETITIONS", -209.0f);
  PrintText(0.0f, -180.0f, 1, ListTextAlpha, 1, 0.6f, false, 1, "Win all races and get access to new competitions");
  glPushMatrix();
  glScalef(kBracketScale, kBracketScale, 1.0f);
  glTranslatef(-400.0f, -315.0f, 0.0f);
  for (int i = 0; i < kStages; ++i) DrawNode(kNodes[i], i == 0 ? 1.0f - ScreenEases.slide : 1.0f);
  glPopMatrix();
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  DrawBracketCursor();
  EndDialogPanel();
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "BACK", 0, 0);
  DrawMenuButton(400.0f, -225.0f, 0.0f, "SELECT", 4, 2);
  FadeTextsAfterButtons();
}

void SelectRaceScreen() {
  const int stage = Stage();
  int race = Career.ChampionshipRace;
  race = race < 1 ? 1 : (race > kRacesPerStage ? kRacesPerStage : race);
  FollowStage(stage, kRacesPerStage * stage + race);
  BeginDialogPanel();
  DrawPanelTitle(kStageTitles[stage], -100.0f);
  PrintText(0.0f, -180.0f, 1, ListTextAlpha, 1, 0.6f, false, 1, "Select race");
  DrawMap();
  for (int k = 1; k <= kRacesPerStage; ++k) DrawCard(stage, k);
  // The cursor's cells are laid out from the lower left of the cards' row pairs.
  glPushMatrix();
  glTranslatef(kCardFrameX, kCardFrameY, 0.0f);
  DrawRaceCursor();
  glPopMatrix();
  EndDialogPanel();
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "BACK", 0, 0);
  DrawMenuButton(400.0f, -225.0f, 0.0f, "START", 4, 2);
  FadeTextsAfterButtons();
}
