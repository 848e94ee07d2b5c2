// UpdateScreens: the order of work of one front-end frame. The screens 2, 11, 13, 14,
// 16-24, 29, 35 and 60 are never made current by anything (no operation leads to them,
// or to the competition mode that 60 needs), so their blocks are not built; nor is the
// bonus payout that leaving 35 would run.
#include "frontend/screen_machine.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include <algorithm>

#include "app/career.h"
#include "app/controls.h"
#include "app/frame.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/settings.h"
#include "app/sound.h"
#include "frontend/garage_scene.h"
#include "frontend/screen_blocks.h"
#include "frontend/screen_draw.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "gfx/text.h"
#include "gfx/virtual_screen.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "render/dirt_paint.h"

namespace {

constexpr float kFadeRate = 0.015f;       // per tick: a full fade takes 66.7 ticks
constexpr float kAgeRate = 0.01f;         // seconds per tick
constexpr float kCarSwapFadeRate = 0.01f;
constexpr float kPointerSize = 20.0f;
constexpr int kHandoverWaiting = 100;
constexpr int kPrePaintRounds = 300;
constexpr float kPrePaintDirt = 5.0f;
constexpr float kHalfPi = 1.5707f;
constexpr float kPi = 3.1415f;
// Half a step of an 8-bit channel.
constexpr float kInvisibleAlpha = 0.5f / 255.0f;

bool Settled() { return CurrentScreen.load() == TargetScreen.load(); }
int Stage() { return Handshake.LoaderStage.load(); }

void EnterScreen(int screen) {
  switch (screen) {
    case kScreenChampionship: {
      // The bracket cursor stands on the stage being played.
      const int p = std::min(std::max(Career.BracketPosition, 0), 5);
      OptionRow = p < 3 ? 0 : (p < 5 ? 1 : 2);
      BindingColumn = p < 3 ? p : (p < 5 ? p - 3 : 0);
      break;
    }
    case kScreenSelectRace:
      OptionRow = 0;
      BindingColumn = 0;
      // The map texture was drawn into by others meanwhile.
      ForgetChampionshipPaths();
      break;
    case kScreenQuickStart: ForgetQuickStartMap(); break;
    case kScreenRaceLoading: PlayMenuSound(RaceLoadSound); break;
    default: break;
  }
}

void CrossFade(float ticks) {
  if (Settled()) {
    ScreenFade = std::fmin(ScreenFade + kFadeRate * ticks, 1.0f);
    ScreenAge += kAgeRate * ticks;
    return;
  }
  ScreenFade -= kFadeRate * ticks;
  OpenSoundPending = 0;
  if (ScreenFade > 0.0f) return;
  const int next = TargetScreen.load();
  ScreenFade = 0.0f;
  ScreenAge = 0.0f;
  CurrentScreen.store(next);
  SelectedItem = EntrySelection;
  ClearKeyStates();
  OpenSoundPending = next != kScreenRace ? 1 : 0;
  EnterScreen(next);
}

// The world loader waits with its cars loaded: their skins get their dirt here, on the
// main thread, before the race shows them.
void AnswerWorldHandover() {
  if (Handshake.WorldHandover.load() != kHandoverWaiting) return;
  for (CarDirtState& d : CarDirt) d.resetFlag = 1;
  // From car 0's colour skin: after an odd number of garage steps the schedule would
  // start on a normal skin, end that car's restart before its colour skin had one, and
  // send the race off with the player's normal skin a step behind.
  DirtPaintCounter = -1;
  for (int round = 0; round < kPrePaintRounds; ++round) {
    for (CarDirtState& d : CarDirt) {
      d.paintFlag = 1;
      d.amount = kPrePaintDirt;
    }
    PaintCarDirt();
    PaintCarDirt();
  }
  Handshake.WorldHandover.store(0);
}

bool GarageShown(int screen) {
  return Stage() == kStageMenuLoaded && screen != kScreenIntro && screen != kScreenPause && screen != kScreenRace &&
         screen != kScreenRaceLoading && screen != kScreenFinish;
}

void DrawBackdrop(int screen) {
  const RenderTargets& t = Renderer.targets;
  const bool racePicture = (screen == kScreenPause || screen == kScreenFinish) && Settings.postEffect == 1;
  DrawPictureWithGlow(racePicture ? t.SceneTextures[1] : t.SceneTextures[0], t.PostTextures[0]);
}

// While a car is reloaded behind the menus the last good picture stays over it, fading
// out once the new car is in.
void Snapshot() {
  const GLuint copy = Renderer.targets.ScreenCopyTexture;
  if (copy == 0 || !(CarSwapFade > 0.0f)) return;
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, copy);
  const VirtualScreenFrame& v = VirtualScreen;
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, CarSwapFade);
  const float w = static_cast<float>(v.right - v.left), h = static_cast<float>(v.top - v.bottom);
  TexturedBox(0.0f, 0.5f * static_cast<float>(v.bottom + v.top), w, h, 0.0f, 0.0f, 1.0f, 1.0f);
  glDisable(GL_BLEND);
  glBindTexture(GL_TEXTURE_2D, 0);
}

// The picture a reload holds is the backdrop of the last frame before it: the frame
// that asks for the car draws its backdrop once more, into the snapshot texture, instead
// of every frame copying its backdrop there on the chance that a reload follows. The
// backdrop's textures are as the backdrop found them: the screens draw into neither.
void TakeSnapshot(int screen) {
  const GLuint copy = Renderer.targets.ScreenCopyTexture;
  if (copy == 0 || !GlExt.glBindFramebufferEXT) return;
  GLint previous = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, Renderer.targets.PassFramebuffer);
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, copy, 0);
  GlExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, 0);
  glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  DrawBackdrop(screen);
  glPopMatrix();
  glPopAttrib();
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, 0, 0);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(previous));
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void DrawVeil() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // A settled screen's veil is clear: a whole-frame blend of nothing is not drawn. Nor
  // is one whose alpha rounds to 0 in the frame's 8-bit channels (the ease's sine stops
  // a hair short of 1), which leaves every pixel as it was.
  if (ScreenEases.veil >= kInvisibleAlpha) {
    glColor4f(kPanelDark, kPanelDark, kPanelDark, ScreenEases.veil);
    FlatFrame();
  }
  DrawSidePillars();
  glDisable(GL_BLEND);
}

// The blocks in the machine's fixed order. A block that makes another screen current
// (32 and 101 switch to the race) leaves the later blocks idle: each checks the current
// screen when its turn comes.
struct ScreenBlock {
  int screen;
  void (*run)();
};
const ScreenBlock kBlocks[] = {
    {kScreenMainMenu, MainMenuScreen},
    {kScreenQuickStart, QuickStartScreen},
    {kScreenCareerMenu, CareerMenuScreen},
    {kScreenNewCareer, NewCareerScreen},
    {kScreenEnterName, EnterNameScreen},
    {kScreenCareerHub, CareerHubScreen},
    {kScreenChampionship, ChampionshipScreen},
    {kScreenSelectRace, SelectRaceScreen},
    {kScreenRaceLoading, RaceLoadingScreen},
    {kScreenFinish, FinishScreen},
    {kScreenResults, ResultsScreen},
    {kScreenPause, PauseScreen},
    {kScreenEnginePackages, EnginePackagesScreen},
    {kScreenCarShop, CarShopScreen},
    {kScreenQuitConfirm, QuitConfirmScreen},
    {kScreenOptions, OptionsScreen},
    {kScreenGraphics, GraphicsScreen},
    {kScreenAudio, AudioScreen},
    {kScreenControls, ControlsScreen},
};

void RunScreenBlocks() {
  for (const ScreenBlock& b : kBlocks)
    if (CurrentScreen.load() == b.screen) b.run();
}

void UpdatePointer() {
  const VirtualScreenFrame& v = VirtualScreen;
  const float w = static_cast<float>(Settings.screenWidth > 0 ? Settings.screenWidth : 1);
  const float h = static_cast<float>(Settings.screenHeight > 0 ? Settings.screenHeight : 1);
  const float half = static_cast<float>(v.top);
  PointerX = static_cast<int>(Input.CursorPoint.x / (w / 800.0f) - 400.0f);
  PointerY = static_cast<int>(-(Input.CursorPoint.y / (h / (2.0f * half)) - half));
}

void DrawPointer() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  BindMenuTexture(kPointerTexture);
  const float x = static_cast<float>(PointerX), y = static_cast<float>(PointerY);
  TexturedBox(x + 0.5f * kPointerSize, y - 0.5f * kPointerSize, kPointerSize, kPointerSize, 0.0f, 0.0f, 1.0f, 1.0f);
  glDisable(GL_BLEND);
}

void Tail(float ticks, int screen) {
  const bool reloading = CarReloadPending != 0;
  RequestCarReload();
  if (!reloading && CarReloadPending) TakeSnapshot(screen);
  if (CarSwapFade > 0.0f && Stage() == kStageMenuLoaded) CarSwapFade -= kCarSwapFadeRate * ticks;
  if (CarSwapFade <= 0.0f) {
    CarSwapFade = 0.0f;
    CarReloadPending = 0;
  }
  ListTextAlpha = 1.0f;
  UpdatePointer();
  DrawPointer();
}

}  // namespace

void ComputeEases() {
  const float f = ScreenFade;
  ScreenEaseValues& e = ScreenEases;
  e.drop = 1.0f - std::sin(f * kHalfPi);
  e.slide = 1.0f - std::sin(std::fmin(f, 0.5f) * kPi);
  e.late = 1.0f - std::sin(std::fmax(f, 0.5f) * kPi - kHalfPi);
  e.veil = 1.0f - std::sin(std::fmin(f, 0.7f) * 2.24296f);
  e.show = std::sin(std::fmin(f, 0.5f) * kPi);
}

bool CarOnShowIs(int car) { return LiveCarSetup.modelIndex == car && LoadedCarType[0].load() == car; }

void UpdateScreens() {
  const float ticks = FrameTiming.FrameTicks;
  FrameTiming.SceneClock += 0.01f * ticks;
  if (CurrentScreen.load() == kScreenIntro) {
    RunIntro();
    return;
  }
  CrossFade(ticks);
  ComputeEases();
  ListTextAlpha = ScreenEases.show;
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  AnswerWorldHandover();
  if (OpenSoundPending && Settled()) {
    OpenSoundPending = 0;
    PlayMenuSound(MenuOpenSound);
  }
  const int screen = CurrentScreen.load();
  if (GarageShown(screen)) DrawGarageScene();

  PushVirtualScreenProjection();
  glDisable(GL_DEPTH_TEST);
  DrawBackdrop(screen);
  Snapshot();
  DrawVeil();
  glEnable(GL_DEPTH_TEST);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

  RunScreenBlocks();
  Tail(ticks, screen);

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}
