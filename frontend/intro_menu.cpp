// The intro (100), which shows the logo and the title while the loader takes the menu
// content and waits for Enter, and the main menu (1), the root of every BACK chain.
#include <GL/gl.h>

#include <cmath>
#include <cstddef>
#include <cstring>

#include "app/career.h"
#include "app/controls.h"
#include "app/frame.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/sound.h"
#include "frontend/screen_blocks.h"
#include "frontend/screen_draw.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "frontend/widgets.h"
#include "gfx/text.h"
#include "gfx/virtual_screen.h"
#include "platform/vk.h"
#include "race/car_content.h"
#include "race/car_setup.h"

namespace {

constexpr float kLogoEnd = 7.0f;  // seconds of IntroClock: the logo gives way to the title
constexpr float kPromptPulse = 7.5f;
constexpr float kCarSwapFade = 0.999f;
constexpr int kMainMenuItems = 3;

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

void DrawLogo(float clock) {
  const float a = Clamp01(clock < 2.0f ? 0.5f * clock : (clock > 5.0f ? 3.5f - 0.5f * clock : 1.0f));
  glColor4f(1.0f, 1.0f, 1.0f, a);
  BindMenuTexture(kIntroLogoTexture);
  TexturedBox(0.0f, 0.0f, 800.0f, 600.0f, 0.0f, 0.0f, 1.0f, 1.0f);
}

void DrawTitle(float clock) {
  const float b = Clamp01(clock * 0.5f - 3.5f);
  const VirtualScreenFrame& v = VirtualScreen;
  const float l = static_cast<float>(v.left), r = static_cast<float>(v.right);
  glDisable(GL_BLEND);
  glColor3f(kPanelLight[0], kPanelLight[1], kPanelLight[2]);
  FlatBox(l, -150.0f, r, static_cast<float>(v.top));
  glColor3f(kPanelDark, kPanelDark, kPanelDark);
  FlatBox(l, static_cast<float>(v.bottom), r, -150.0f);

  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(b, b, b, b);
  BindMenuTexture(kTitlePictureTexture);
  TexturedBox(0.0f, 100.0f, 600.0f, 300.0f, 0.0f, 0.0f, 1.0f, 1.0f);
  glColor4f(1.0f, 1.0f, 1.0f, b);
  BindMenuTexture(kIntroBadgeTexture);
  TexturedBox(-350.0f, -195.0f, 80.0f, 80.0f, 0.0f, 0.0f, 0.5f, 1.0f);
  DrawSidePillars(b);

  LoadingBoxAlpha = StepLoadingAlpha(LoadingBoxAlpha, Handshake.LoaderStage.load() != kStageMenuLoaded);
  DrawLoading(330.0f, -200.0f, 0.0f, LoadingBoxAlpha);
}

void DrawPrompt() {
  TextBackdrop = true;
  PrintText(0.0f, -220.0f, 0, 1.0f, 2, 1.0f, false, 1, "press");
  TextBackdrop = false;
  PrintText(0.0f, -203.0f, 1, 0.5f + 0.5f * std::sin(kPromptPulse * PromptClock), 1, 1.05f, true, 1, "ENTER");
}

// The owned car as LoadCarSetupFromCareer gives it (a model index out of range reads
// as 0).
int OwnedCar() { return Career.CareerCar >= 0 && Career.CareerCar < kCarModels ? Career.CareerCar : 0; }

// The live set-up is the owned car as the career holds it, packages and all.
bool LiveSetupIsCareers() {
  CarSetup career;
  std::memcpy(&career, Career.carSetup, sizeof career);
  const CarSetup& live = LiveCarSetup;
  return live.modelIndex == OwnedCar() && std::memcmp(&live, &career, offsetof(CarSetup, reserved10)) == 0 &&
         std::memcmp(&live.partChoiceB, &career.partChoiceB,
                     offsetof(CarSetup, modelIndex) - offsetof(CarSetup, partChoiceB)) == 0;
}

}  // namespace

void RunIntro() {
  const float ticks = FrameTiming.FrameTicks;
  const float clock = IntroClock.load() + 0.01f * ticks;
  IntroClock.store(clock);
  PushVirtualScreenProjection();
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  if (clock < kLogoEnd) DrawLogo(clock);
  if (clock > kLogoEnd) DrawTitle(clock);
  // The prompt waits for the title: over the logo it would ask for a key the picture
  // does not yet explain.
  const bool prompt = Handshake.LoaderStage.load() == kStageMenuLoaded && clock > kLogoEnd;
  if (prompt) {
    PromptClock += 0.01f * ticks;
    DrawPrompt();
  }
  if (prompt && KeyDown(platform::kVkReturn) && !Input.KeyLatch) {
    Input.KeyLatch = 1;
    TargetScreen.store(kScreenMainMenu);
    CurrentScreen.store(kScreenMainMenu);
    ScreenFade = 0.0f;
    ClearKeyStates();
    PlayMenuSound(MenuStepSound);
    OpenSoundPending = 1;
  }

  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glFinish();
}

void MainMenuScreen() {
  // The owned car comes back on show from the career's own copy, bought packages
  // included. This departs from applying the owned car's preset
  // (ApplyCarPreset(CareerCar)), which zeroed the packages; and it also runs when only
  // the packages differ (after a quick race in a car of the same model).
  if (ScreenFade >= kCarSwapFade && CurrentScreen.load() == TargetScreen.load() && !CarReloadPending &&
      Handshake.LoaderStage.load() == kStageMenuLoaded && !LiveSetupIsCareers())
    LoadCarSetupFromCareer();

  LoadingBoxAlpha = StepLoadingAlpha(LoadingBoxAlpha, Handshake.LoaderStage.load() == kStageNothing);
  DrawLoading(0.0f, 35.0f, 0.0f, LoadingBoxAlpha);
  {
    // CAREER would take whatever car is live into the championships: the bar acts only
    // once the owned car is on show.
    const WithheldActivation careerCar(!(LiveSetupIsCareers() && CarOnShowIs(OwnedCar())));
    DrawScreenTitles(kMainMenuItems, 0);
  }
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "QUIT", 0, 0);
}
