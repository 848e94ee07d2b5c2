// The screens around a race: loading (32) waits for the loader to load the chosen race
// and starts it; finish (33) shows the player's place over the race's last picture
// while the race is unloaded; results (34) rank the four cars. The prize page (35) is
// never made the target by anything and is not built.
#include <GL/gl.h>

#include "app/handshake.h"
#include "app/sound.h"
#include "frontend/screen_blocks.h"
#include "frontend/screen_draw.h"
#include "frontend/screens.h"
#include "frontend/widgets.h"
#include "render/track_map.h"

void RaceLoadingScreen() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  BindScreenTexture(kTitlePictureTexture);
  ScreenQuad(-240.0f, -160.0f, 280.0f, 140.0f);

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
  } else if (stage == kStageUnloaded) {
    // The loader refused the race (its world would not load) and put the garage back:
    // back to the menu the race was chosen from, audibly refused.
    ReturnFromRace();
    PlayScreenSound(MenuDenySound);
  }
}
