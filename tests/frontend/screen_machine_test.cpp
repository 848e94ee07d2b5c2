// The screen machine: the cross-fade and its timing, the actions on entering a screen,
// the input gate of a fading screen, the loader's hand-over, the car-swap snapshot,
// the garage behind the menus, the pointer, and every screen of the quick race drawn
// without a GL error.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <vector>

#include "app/career.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/settings.h"
#include "app/sound.h"
#include "frontend/screens.h"
#include "gfx/renderer.h"
#include "platform/vk.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;
using platform::kVkEscape;
using platform::kVkReturn;

class ScreenMachineFade : public FrontendGlTest {};

TEST_F(ScreenMachineFade, AFadeFromOneSwitchesAfterSixtySixPointSevenTicks) {
  EntrySelection = 2;
  TargetScreen.store(kScreenQuitConfirm);
  Frames(66);
  EXPECT_EQ(CurrentScreen.load(), kScreenMainMenu);
  EXPECT_NEAR(ScreenFade, 0.01f, 1e-4f);
  EXPECT_EQ(Plays(MenuOpenSound), 0u);
  Frame();
  EXPECT_EQ(CurrentScreen.load(), kScreenQuitConfirm);
  EXPECT_EQ(ScreenFade, 0.0f) << "the new screen fades in from 0";
  EXPECT_EQ(ScreenAge, 0.0f);
  EXPECT_EQ(SelectedItem, 2) << "the entry selection is copied at the switch";
  EXPECT_EQ(OpenSoundPending, 0) << "played in the switch's own frame, the screen being settled";
  EXPECT_EQ(Plays(MenuOpenSound), 1u);
  Frames(10);
  EXPECT_EQ(Plays(MenuOpenSound), 1u) << "once per opening";
  EXPECT_NEAR(ScreenFade, 0.15f, 1e-4f);
  EXPECT_NEAR(ScreenAge, 0.1f, 1e-4f);
}

TEST_F(ScreenMachineFade, AChangeDuringAFadeInFallsFromWhereTheFadeStands) {
  SettleOn(kScreenMainMenu, 0.5f);
  TargetScreen.store(kScreenQuitConfirm);
  Frames(33);
  EXPECT_EQ(CurrentScreen.load(), kScreenMainMenu) << "0.5 takes 33.3 ticks";
  Frame();
  EXPECT_EQ(CurrentScreen.load(), kScreenQuitConfirm);
}

TEST_F(ScreenMachineFade, MinusOneSwitchesOnTheNextFrameWhichThenFadesInFromZero) {
  SettleOn(kScreenPause, -1.0f);
  TargetScreen.store(kScreenQuickStart);
  Frame(0.0f);  // even a frame too long to count switches
  EXPECT_EQ(CurrentScreen.load(), kScreenQuickStart);
  EXPECT_EQ(ScreenFade, 0.0f);
  Frame();
  EXPECT_NEAR(ScreenFade, 0.015f, 1e-6f);
}

TEST_F(ScreenMachineFade, FadeStopsAtOneAndTheEasesFollowIt) {
  SettleOn(kScreenQuitConfirm, 0.99f);
  Frame(5.0f);
  EXPECT_EQ(ScreenFade, 1.0f);
  EXPECT_NEAR(ScreenEases.show, 1.0f, 1e-3f);
  EXPECT_NEAR(ScreenEases.slide, 0.0f, 1e-3f);
  EXPECT_NEAR(ScreenEases.drop, 0.0f, 1e-3f);
  EXPECT_NEAR(ScreenEases.veil, 0.0f, 1e-3f);
  SettleOn(kScreenQuitConfirm, -0.015f);
  Frame();
  EXPECT_NEAR(ScreenEases.show, 0.0f, 1e-6f);
  EXPECT_NEAR(ScreenEases.drop, 1.0f, 1e-6f);
  EXPECT_NEAR(ScreenEases.veil, 1.0f, 1e-6f);
  EXPECT_NEAR(ScreenEases.late, 1.0f, 1e-4f);
}

class ScreenMachineEntry : public FrontendGlTest {};

TEST_F(ScreenMachineEntry, BracketCursorStandsOnTheStageBeingPlayed) {
  const struct {
    int position, row, column;
  } cases[] = {{0, 0, 0}, {2, 0, 2}, {3, 1, 0}, {4, 1, 1}, {5, 2, 0}};
  for (const auto& c : cases) {
    Career.BracketPosition = c.position;
    SettleOn(kScreenCareerHub, -1.0f);
    TargetScreen.store(kScreenChampionship);
    Frame();
    EXPECT_EQ(OptionRow, c.row) << "position " << c.position;
    EXPECT_EQ(BindingColumn, c.column) << "position " << c.position;
  }
  OptionRow = BindingColumn = 1;
  SettleOn(kScreenChampionship, -1.0f);
  TargetScreen.store(kScreenSelectRace);
  Frame();
  EXPECT_EQ(OptionRow, 0);
  EXPECT_EQ(BindingColumn, 0);
}

TEST_F(ScreenMachineEntry, RaceLoadingPlaysItsSoundOnEntry) {
  SettleOn(kScreenQuickStart, -1.0f);
  TargetScreen.store(kScreenRaceLoading);
  Handshake.LoaderStage.store(kStageLoadTrack);
  Frame();
  EXPECT_EQ(Plays(RaceLoadSound), 1u);
  Frames(3);
  EXPECT_EQ(Plays(RaceLoadSound), 1u);
  Settings.sound = 0;
  SettleOn(kScreenQuickStart, -1.0f);
  TargetScreen.store(kScreenRaceLoading);
  Frame();
  EXPECT_EQ(Plays(RaceLoadSound), 1u) << "no menu sound with Sound off";
}

TEST_F(ScreenMachineEntry, LeavingForTheRaceNeverOpensASound) {
  SettleOn(kScreenPause, -1.0f);
  TargetScreen.store(kScreenRace);
  Frame();
  EXPECT_EQ(CurrentScreen.load(), kScreenRace);
  EXPECT_EQ(OpenSoundPending, 0);
  EXPECT_EQ(Plays(MenuOpenSound), 0u);
}

class ScreenMachineInput : public FrontendGlTest {};

TEST_F(ScreenMachineInput, WidgetsWaitForNinetyFivePercentOfTheFadeAndForTheTarget) {
  SettleOn(kScreenQuitConfirm, 0.93f);
  Press(kVkReturn);
  Frame();  // 0.945
  EXPECT_EQ(Handshake.QuitRequest.load(), 0);
  EXPECT_EQ(Input.KeyLatch, 0);
  TargetScreen.store(kScreenMainMenu);  // leaving: no widget takes a key
  ScreenFade = 1.0f;
  Frame();
  EXPECT_EQ(Handshake.QuitRequest.load(), 0);
  TargetScreen.store(kScreenQuitConfirm);
  ScreenFade = 0.94f;
  Frame();  // 0.955
  EXPECT_EQ(Handshake.QuitRequest.load(), 1);
}

TEST_F(ScreenMachineInput, AScreenOutsideTheTableShowsOnlyBackdropVeilAndPointer) {
  for (int id : {2, 11, 35, 60, 77}) {
    SettleOn(id);
    Press(kVkReturn);
    Press(kVkEscape);
    Frames(3);
    EXPECT_EQ(CurrentScreen.load(), id);
    EXPECT_EQ(TargetScreen.load(), id);
    EXPECT_EQ(Input.KeyLatch, 0) << "screen " << id << ": nothing took the keys";
  }
  EXPECT_TRUE(Texts().empty());
}

TEST_F(ScreenMachineInput, PointerIsTheCursorInVirtualScreenUnits) {
  CursorAt(512, 384);
  Frame();
  EXPECT_EQ(PointerX, 0);
  EXPECT_EQ(PointerY, 0);
  CursorAt(0, 0);
  Frame();
  EXPECT_EQ(PointerX, -400);
  EXPECT_EQ(PointerY, 300);
  CursorAt(1024, 768);
  Frame();
  EXPECT_EQ(PointerX, 400);
  EXPECT_EQ(PointerY, -300);
  CursorAt(256, 192);
  Frame();
  EXPECT_EQ(PointerX, -200);
  EXPECT_EQ(PointerY, 150);
}

class ScreenMachineLoader : public FrontendGlTest {};

TEST_F(ScreenMachineLoader, WorldHandoverIsAnsweredByPrePaintingEveryCarsSkinsFromTheirStart) {
  for (CarDirtState& d : CarDirt) d = CarDirtState{0, 0.0f, 0};
  // The garage's last step was a colour skin's.
  DirtPaintCounter = 0;
  SettleOn(kScreenRaceLoading);
  Handshake.LoaderStage.store(kStageLoadTrack);
  Frame();
  EXPECT_EQ(DirtPaintCounter, 0) << "no hand-over waiting: nothing to paint";
  Handshake.WorldHandover.store(100);
  Frame();
  EXPECT_EQ(Handshake.WorldHandover.load(), 0) << "the loader is released";
  // 600 steps from car 0's colour skin end on car 3's normal skin, every car restarted
  // from its own textures and dirtied: the last round's amount is left to the three
  // cars whose steps came before it, car 3 used its up.
  EXPECT_EQ(DirtPaintCounter, 7);
  for (int car = 0; car < 4; ++car) {
    const CarDirtState& d = CarDirt[car];
    EXPECT_EQ(d.resetFlag, 0) << "car " << car;
    EXPECT_EQ(d.paintFlag, 1);
    EXPECT_EQ(d.amount, car == 3 ? 0.0f : 5.0f) << "car " << car;
  }
}

TEST_F(ScreenMachineLoader, ACarSwapFreezesThePictureUntilTheCarIsInThenFadesOverASecond) {
  SettleOn(kScreenQuitConfirm);
  ApplyCarPreset(7);
  Frame();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageNothing) << "the loader is asked for the car";
  EXPECT_EQ(CarReloadPending, 1);
  EXPECT_EQ(CarSwapFade, 1.0f);
  Frames(50);
  EXPECT_EQ(CarSwapFade, 1.0f) << "held while the car loads";
  LoaderLoadsLiveCar();
  Frames(99);
  EXPECT_EQ(CarReloadPending, 1);
  EXPECT_GT(CarSwapFade, 0.0f);
  Frames(2);
  EXPECT_EQ(CarSwapFade, 0.0f);
  EXPECT_EQ(CarReloadPending, 0);
}

// The red of the frame texture's first texel: the race's picture left in place.
bool FramePictureKept() {
  std::vector<uint8_t> all(static_cast<size_t>(kScreenW) * kScreenH * 4);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, Renderer.targets.SceneTextures[0]);
  glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_UNSIGNED_BYTE, all.data());
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
  return all[0] == 250 && all[1] == 0;
}

TEST_F(ScreenMachineLoader, TheLastGoodPictureStaysOverTheFrameWhileACarLoads) {
  const RenderTargets& t = Renderer.targets;
  FillRectTexture(t.PostTextures[0], RenderSetup.postWidth, RenderSetup.postHeight, 0, 0, 0);
  SettleOn(77);  // no screen block: the backdrop alone
  ApplyCarPreset(7);
  Frame();  // the garage's picture, then the reload asked for at the end of the frame
  ASSERT_EQ(CarReloadPending, 1);
  const uint8_t garage = LastFrame().At(0.0f, 250.0f)[0];
  // While the loader works no garage is drawn: what the frame texture holds meanwhile
  // stays under the held picture.
  FillRectTexture(t.SceneTextures[0], kScreenW, kScreenH, 200, 0, 0);
  Frame();
  EXPECT_EQ(LastFrame().At(0.0f, 250.0f)[0], garage);
  LoaderLoadsLiveCar();
  Frames(101);
  ASSERT_EQ(CarReloadPending, 0);
  Handshake.LoaderStage.store(kStageNothing);
  FillRectTexture(t.SceneTextures[0], kScreenW, kScreenH, 200, 0, 0);
  Frame();
  EXPECT_GT(LastFrame().At(0.0f, 250.0f)[0], 190) << "once faded out, the frame's own picture";
}

TEST_F(ScreenMachineLoader, TheGarageShowsBehindMenusButNotOverTheRacePicture) {
  const GLuint frame = Renderer.targets.SceneTextures[0];
  const struct {
    int screen;
    bool garage;
  } cases[] = {{kScreenMainMenu, true}, {kScreenQuitConfirm, true}, {kScreenPause, false},
               {kScreenFinish, false},   {kScreenRaceLoading, false}};
  for (const auto& c : cases) {
    FillRectTexture(frame, kScreenW, kScreenH, 250, 0, 0);
    SettleOn(c.screen);
    Frame();
    EXPECT_EQ(FramePictureKept(), !c.garage) << "screen " << c.screen;
  }
  // A car being loaded: no garage either.
  FillRectTexture(frame, kScreenW, kScreenH, 250, 0, 0);
  Handshake.LoaderStage.store(kStageNothing);
  SettleOn(kScreenMainMenu);
  Frame();
  EXPECT_TRUE(FramePictureKept());
}

class ScreenMachineDraw : public FrontendGlTest {};

TEST_F(ScreenMachineDraw, TheBackdropIsThePictureWithMostOfTheGlowAdded) {
  const RenderTargets& t = Renderer.targets;
  FillRectTexture(t.SceneTextures[0], kScreenW, kScreenH, 100, 0, 200);
  FillRectTexture(t.PostTextures[0], RenderSetup.postWidth, RenderSetup.postHeight, 0, 100, 100);
  Handshake.LoaderStage.store(kStageNothing);  // no garage over the picture
  SettleOn(77);
  Frame();
  const FramePicture frame = LastFrame();
  const uint8_t* p = frame.At(0.0f, 250.0f);
  EXPECT_NEAR(p[0], 100, 2);
  EXPECT_NEAR(p[1], 85, 2);
  EXPECT_NEAR(p[2], 255, 1) << "added light saturates";
  // The pause and the finish show the soft-focus picture with the post effect on.
  Settings.postEffect = 1;
  FillRectTexture(t.SceneTextures[1], kScreenW, kScreenH, 0, 0, 50);
  SettleOn(kScreenFinish);
  Frame();
  EXPECT_NEAR(LastFrame().At(0.0f, -100.0f)[0], 0, 2);
  EXPECT_NEAR(LastFrame().At(0.0f, -100.0f)[2], 135, 2);
}

TEST_F(ScreenMachineDraw, EveryScreenOfTheQuickRaceDrawsWithoutAGlError) {
  for (int screen : {kScreenIntro, kScreenMainMenu, kScreenQuickStart, kScreenRaceLoading, kScreenFinish,
                     kScreenResults, kScreenPause, kScreenQuitConfirm}) {
    for (float fade : {0.0f, 0.5f, 1.0f}) {
      SettleOn(screen, fade);
      Frames(2);
      EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR)) << "screen " << screen << " fade " << fade;
    }
  }
}

}  // namespace
