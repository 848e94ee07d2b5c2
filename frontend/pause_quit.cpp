// The pause (101) over a running race, from which the player resumes, restarts the race
// or leaves it, and the quit confirmation (44).
#include <GL/gl.h>

#include "app/controls.h"
#include "app/handshake.h"
#include "frontend/screen_blocks.h"
#include "frontend/screen_draw.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "frontend/widgets.h"
#include "gfx/text.h"

namespace {
constexpr float kPauseGrey[3] = {0.52f, 0.5f, 0.48f};
}  // namespace

void PauseScreen() {
  // Opaque: the race picture of the backdrop stays hidden while paused.
  glDisable(GL_BLEND);
  glColor3f(kPauseGrey[0], kPauseGrey[1], kPauseGrey[2]);
  FlatFrame();
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  BindMenuTexture(kTitlePictureTexture);
  TexturedBox(0.0f, 140.0f, 300.0f, 150.0f, 0.0f, 0.0f, 1.0f, 1.0f);
  TextBackdrop = true;
  PrintText(0.0f, 0.0f, 1, ListTextAlpha, 1, 1.0f, false, 1, "PAUSE");
  TextBackdrop = false;

  // The buttons act only with the loader idle (stage 1): a restart or an exit under
  // way cannot be asked for twice.
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "EXIT", 2, 0);
  DrawMenuButton(400.0f, -225.0f, 0.0f, "RESTART", 1, 2);
  DrawMenuButton(400.0f, -200.0f, 0.0f, "RACE", 0, 3);

  const int stage = Handshake.LoaderStage.load();
  if (stage == kStageMenuLoaded)
    LoadingBoxAlpha = 0.0f;
  else
    LoadingBoxAlpha = StepLoadingAlpha(LoadingBoxAlpha, stage == kStageLoadTrack || stage == kStageUnloadTrack);
  DrawLoading(0.0f, -200.0f, 0.0f, LoadingBoxAlpha);

  if (stage == kStageTrackLoaded) {
    // The restarted race starts at once, without the loading screen or a fade.
    Handshake.LoaderStage.store(kStageMenuLoaded);
    TargetScreen.store(kScreenRace);
    CurrentScreen.store(kScreenRace);
    ScreenFade = 0.0f;
    Handshake.UpdateToggle.store(Handshake.RenderToggle.load());
    CheckDrivingControlsAtRaceStart();
  } else if (stage == kStageUnloaded) {
    // An abandoned race books nothing; a restart the loader refused ends the same way.
    ReturnFromRace();
  }
}

void QuitConfirmScreen() {
  BeginDialogPanel();
  DrawPanelTitle("EXIT", -246.0f);
  PrintText(0.0f, 40.0f, 0, ListTextAlpha, 1, 1.0f, false, 1, "You are really want to quit?");
  EndDialogPanel();
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "YES", 4, 0);
  DrawMenuButton(400.0f, -225.0f, 0.0f, "NO", 0, 2);
  FadeTextsAfterButtons();
}
