// The screens around a race: loading (32) waits for the loader to load the chosen race
// and starts it; finish (33) shows the player's place over the race's last picture
// while the race is unloaded; results (34) rank the four cars. The prize page (35) is
// never made the target by anything and is not built.
#include <GL/gl.h>

#include "app/controls.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/sound.h"
#include "frontend/race_results.h"
#include "frontend/screen_blocks.h"
#include "frontend/screen_draw.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "frontend/widgets.h"
#include "gfx/text.h"
#include "race/car.h"
#include "render/track_map.h"

namespace {

constexpr float kFinishTextSize = 2.25f;
constexpr float kFinishDrop = 500.0f;  // the finish texts fall from this far above
constexpr float kUnloadFade = 0.999f;
constexpr float kRowSpacing = 35.0f;

void PrintShownTime(float x, float y, int colour, const ShownTime& t) {
  PrintText(x, y, colour, ListTextAlpha, 1, 1.0f, false, 0, "%2i:%02i.%02i", t.minutes, t.seconds, t.hundredths);
}

// The table is laid out in a frame whose origin is the screen's lower left corner.
void DrawResultsTable(const RaceResults& r) {
  glPushMatrix();
  glTranslatef(-400.0f, -300.0f, 0.0f);
  TextBackdrop = true;
  const char* const headers[] = {"Position", "Car", "Race Time", "Best Lap"};
  const float headerX[] = {171.0f, 307.0f, 482.0f, 603.0f};
  for (int k = 0; k < 4; ++k) PrintText(headerX[k], 340.0f, 0, ListTextAlpha, 2, 1.25f, false, 1, "%s", headers[k]);
  TextBackdrop = false;
  for (int i = 0; i < kRaceCarCount; ++i) {
    const ResultsRow& row = r.rows[i];
    const float y = 305.0f - kRowSpacing * static_cast<float>(i);
    const int colour = i % 2 == 0 ? 4 : 0;
    PrintText(130.0f, y, colour, ListTextAlpha, 1, 1.25f, false, 0, "%2i Place", i + 1);
    PrintText(273.0f, y, colour, ListTextAlpha, 1, 1.25f, false, 0, "%s", CarName(row.modelIndex));
    PrintShownTime(460.0f, y, colour, row.raceTime);
    PrintShownTime(580.0f, y, colour, row.bestLap);
  }
  glPopMatrix();
}

}  // namespace

void RaceLoadingScreen() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  BindMenuTexture(kTitlePictureTexture);
  TexturedBox(-240.0f, -160.0f, 280.0f, 140.0f, 0.0f, 0.0f, 1.0f, 1.0f);

  const int stage = Handshake.LoaderStage.load();
  if (stage == kStageMenuLoaded)
    LoadingBoxAlpha = 0.0f;
  else
    LoadingBoxAlpha = StepLoadingAlpha(LoadingBoxAlpha, stage == kStageLoadTrack);
  DrawLoading(330.0f, -200.0f, 0.0f, LoadingBoxAlpha);

  if (stage == kStageTrackLoaded) {
    RenderTrackMapTexture();
    Handshake.LoaderStage.store(kStageMenuLoaded);
    // The race starts without a fade, its first update in step with the render.
    TargetScreen.store(kScreenRace);
    CurrentScreen.store(kScreenRace);
    Handshake.UpdateToggle.store(Handshake.RenderToggle.load());
    CheckDrivingControlsAtRaceStart();
  } else if (stage == kStageUnloaded) {
    // The loader refused the race (its world would not load) and put the garage back:
    // back to the menu the race was chosen from, audibly refused.
    ReturnFromRefusedRace();
    PlayMenuSound(MenuDenySound);
  }
}

void FinishScreen() {
  // Both texts drop into place as the screen fades in over the race's last picture.
  const float drop = kFinishDrop * ScreenEases.drop;
  TextBackdrop = true;
  PrintText(-300.0f, 200.0f + drop, 1, 1.0f, 1, kFinishTextSize, false, 1, "FINISH");
  PrintText(0.0f, 90.0f + drop, 1, 1.0f, 1, kFinishTextSize, false, 1, "%s", PlaceText(RaceCars[0].place));
  TextBackdrop = false;
  DrawLoading(330.0f, -200.0f, 0.0f, ScreenFade);

  const int stage = Handshake.LoaderStage.load();
  if (ScreenFade >= kUnloadFade && stage != kStageUnloaded) Handshake.LoaderStage.store(kStageUnloadTrack);
  if (stage == kStageUnloaded) {
    Handshake.LoaderStage.store(kStageMenuLoaded);
    TargetScreen.store(kScreenResults);
    ScreenFade = -1.0f;
    EntrySelection = 0;
    Input.ClickLatch = 0;
  }
}

void ResultsScreen() {
  // Read once the race is unloaded: the worker no longer writes the cars.
  const RaceResults r = RankFinishedRace();
  BeginDialogPanel();
  DrawPanelTitle("RESULTS", -218.0f);
  PrintText(0.0f, 90.0f, 1, ListTextAlpha, 1, kFinishTextSize, false, 1, "%s", PlaceText(r.playerPlace));
  DrawResultsTable(r);
  EndDialogPanel();
  DrawMenuButton(400.0f, -225.0f, 0.0f, "NEXT", 4, 2);
  FadeTextsAfterButtons();
}
