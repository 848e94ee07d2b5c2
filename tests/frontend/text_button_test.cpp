// The corner button: its slanted hit band to the unit, the fade and loader gates, one
// activation per press, the action of every (screen, id) row with its sounds, and the
// label as drawn.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <algorithm>

#include "app/career.h"
#include "app/controls.h"
#include "app/frame.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/joystick.h"
#include "app/settings.h"
#include "app/sound.h"
#include "app/window.h"
#include "frontend/screens.h"
#include "frontend/widgets.h"
#include "gfx/text.h"
#include "platform/crt_rand.h"
#include "platform/messages.h"
#include "platform/vk.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;

constexpr float kLeftX = -400.0f, kLeftY = -225.0f;
constexpr float kRightX = 400.0f, kRightY = -225.0f;
constexpr int kEnter = platform::kVkReturn;
constexpr int kEscape = platform::kVkEscape;

void LeftButton(int id = 0) { DrawMenuButton(kLeftX, kLeftY, 0.0f, "BACK", id, 0); }
void RightButton(int id = 4) { DrawMenuButton(kRightX, kRightY, 0.0f, "START", id, 2); }

bool LeftHovers(int x, int y) {
  PointAt(x, y);
  LeftButton();
  return WidgetHover[0] != 0;
}

bool RightHovers(int x, int y) {
  PointAt(x, y);
  RightButton();
  return WidgetHover[2] != 0;
}

// One press of the id's key on the screen, drawn once with the button on the hand the
// id normally sits on; the latch is free again afterwards.
void PressButton(int screen, int id) {
  SettleOn(screen);
  const int key = id == 0 ? kEscape : id == 4 ? kEnter : platform::VkDigit(id);
  Press(key);
  DrawMenuButton(id == 0 ? kLeftX : kRightX, kLeftY, 0.0f, "X", id, id == 0 ? 0 : 2);
  Release(key);
  ReleaseLatchWhenIdle();
}

using TextButtonHover = FrontendGlTest;

TEST_F(TextButtonHover, TheLeftBandTakesItsAnchorButNotItsFarEndAndNeitherEdgeOfItsHeight) {
  // At the anchor the band runs strictly between y + 2 and y + 20.
  EXPECT_FALSE(LeftHovers(-400, -223));
  EXPECT_TRUE(LeftHovers(-400, -222));
  EXPECT_TRUE(LeftHovers(-400, -206));
  EXPECT_FALSE(LeftHovers(-400, -205));
  EXPECT_FALSE(LeftHovers(-401, -214));
  // The band climbs with the label: 113 units along it starts 46.3 higher.
  EXPECT_TRUE(LeftHovers(-287, -170));
  EXPECT_FALSE(LeftHovers(-287, -214));
  EXPECT_FALSE(LeftHovers(-286, -170));
}

TEST_F(TextButtonHover, TheRightBandTakesBothEndsAndIsTwentyFourHigh) {
  EXPECT_TRUE(RightHovers(400, -222));
  EXPECT_FALSE(RightHovers(400, -223));
  EXPECT_TRUE(RightHovers(400, -200));
  EXPECT_FALSE(RightHovers(400, -199));
  EXPECT_FALSE(RightHovers(401, -214));
  // 114 units in: lo = -225 + 2 + 46.74.
  EXPECT_TRUE(RightHovers(286, -170));
  EXPECT_FALSE(RightHovers(286, -177));
  EXPECT_FALSE(RightHovers(285, -170));
}

TEST_F(TextButtonHover, EnteringPlaysTheHoverSoundOnceAndFreesNoOrbitingCamera) {
  Input.CameraFree = 1;
  PointAt(-390, -210);
  for (int frame = 0; frame < 4; ++frame) LeftButton();
  EXPECT_EQ(Plays(MenuHoverSound), 1u);
  EXPECT_EQ(Input.CameraFree, 0);
  EXPECT_EQ(WidgetGlow[0], 1.0f);
  PointAt(0, 0);
  LeftButton();
  EXPECT_EQ(WidgetHover[0], 0);
  PointAt(-390, -210);
  LeftButton();
  EXPECT_EQ(Plays(MenuHoverSound), 2u);
}

TEST_F(TextButtonHover, DuringTheFadeInNothingHoversSoundsOrActivates) {
  SetFade(0.94f);
  PointAt(-390, -210);
  MouseDown();
  Press(kEscape);
  LeftButton();
  EXPECT_EQ(WidgetHover[0], 0);
  EXPECT_EQ(AllMenuPlays(), 0u);
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu);
  EXPECT_EQ(Input.KeyLatch, 0);

  // Nor while the screen is on its way to another.
  SetFade(1.0f);
  TargetScreen.store(kScreenOptions);
  LeftButton();
  EXPECT_EQ(WidgetHover[0], 0);
  EXPECT_EQ(TargetScreen.load(), kScreenOptions);

  SettleOn(kScreenMainMenu, 0.95f);
  LeftButton();
  EXPECT_EQ(TargetScreen.load(), kScreenQuitConfirm);
}

TEST_F(TextButtonHover, TheGlowHoldsWhileHoveredThenDecaysByTheTicksToZero) {
  PointAt(-390, -210);
  LeftButton();
  PointAt(0, 0);
  FrameTiming.FrameTicks = 10.0f;
  LeftButton();
  EXPECT_NEAR(WidgetGlow[0], 0.8f, 1e-5f);
  FrameTiming.FrameTicks = 100.0f;
  LeftButton();
  EXPECT_EQ(WidgetGlow[0], 0.0f);
}

using TextButtonActivation = FrontendGlTest;

TEST_F(TextButtonActivation, HeldEscapeActsOnceUntilEveryKeyAndTheMouseAreUp) {
  Press(kEscape);
  for (int frame = 0; frame < 5; ++frame) {
    SettleOn(kScreenMainMenu);
    LeftButton();
    ReleaseLatchWhenIdle();
  }
  EXPECT_EQ(Plays(MenuClickSound), 1u);

  // The mouse button still down holds the latch after the key is up.
  Release(kEscape);
  MouseDown();
  ReleaseLatchWhenIdle();
  MouseUp();
  Press(kEscape);
  SettleOn(kScreenMainMenu);
  LeftButton();
  EXPECT_EQ(Plays(MenuClickSound), 1u);

  Release(kEscape);
  ReleaseLatchWhenIdle();
  Press(kEscape);
  LeftButton();
  EXPECT_EQ(Plays(MenuClickSound), 2u);
  EXPECT_EQ(TargetScreen.load(), kScreenQuitConfirm);
}

TEST_F(TextButtonActivation, OnePressActivatesOnlyTheFirstButtonThatTakesIt) {
  SettleOn(kScreenNewCareer);
  Career.Cash = 5.0f;
  Press(kEscape);
  Press(kEnter);
  DrawMenuButton(kLeftX, kLeftY, 0.0f, "NO", 0, 0);
  DrawMenuButton(kRightX, kRightY, 0.0f, "YES", 4, 2);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerMenu);
  EXPECT_EQ(Career.Cash, 5.0f) << "YES must not have reset the career";
  // Activation lights the glow, which starts decaying in the same frame.
  EXPECT_NEAR(WidgetGlow[0], 0.98f, 1e-6f);
  EXPECT_EQ(WidgetGlow[2], 0.0f);
  EXPECT_EQ(Plays(MenuClickSound), 1u);
}

TEST_F(TextButtonActivation, AClickNeedsTheButtonHoveredAndTheMouseDown) {
  PointAt(0, 0);
  MouseDown();
  LeftButton();
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu);
  PointAt(-390, -210);
  LeftButton();
  EXPECT_EQ(TargetScreen.load(), kScreenQuitConfirm);
  EXPECT_EQ(Input.KeyLatch, 1);
}

// A click shorter than a frame, through SDL's event queue as the window delivers it:
// the press and the release both come before the frame, which must still see the
// button down.
TEST_F(TextButtonActivation, AClickEndedBeforeTheFrameStillPressesTheButton) {
  // Until no message waits; two rounds, as SDL ends a poll at the mark of its last read.
  auto pump = [] {
    platform::Message m;
    for (int round = 0; round < 2; ++round)
      while (platform::PeekMessage(&m))
        if (m.kind == platform::MessageKind::kLButtonDown || m.kind == platform::MessageKind::kLButtonUp)
          MainWindowProc(m);
  };
  SDL_PumpEvents();
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  platform::EndInputFrame();
  pump();
  for (bool down : {true, false}) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  pump();
  PointAt(-390, -210);
  LeftButton();
  EXPECT_EQ(TargetScreen.load(), kScreenQuitConfirm) << "the click was lost";
  EXPECT_EQ(Plays(MenuClickSound), 1u);
  platform::EndInputFrame();
  pump();
  EXPECT_EQ(Input.MouseButtons[0], 0) << "the button is up after the frame";
}

TEST_F(TextButtonActivation, NothingActsWhileTheLoaderIsBusyOrACarIsReloading) {
  Press(kEscape);
  PointAt(-390, -210);
  Handshake.LoaderStage.store(kStageNothing);
  LeftButton();
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu);
  EXPECT_EQ(WidgetHover[0], 1) << "hovering still shows";
  Handshake.LoaderStage.store(kStageMenuLoaded);
  CarReloadPending = 1;
  LeftButton();
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu);
  EXPECT_EQ(Input.KeyLatch, 0);
  EXPECT_EQ(Plays(MenuClickSound), 0u);
  CarReloadPending = 0;
  Input.KeyLatch = 1;
  LeftButton();
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu);
}

TEST_F(TextButtonActivation, SoundOffSilencesEveryButtonSound) {
  Settings.sound = 0;
  PointAt(-390, -210);
  MouseDown();
  LeftButton();
  EXPECT_EQ(TargetScreen.load(), kScreenQuitConfirm);
  EXPECT_EQ(AllMenuPlays(), 0u);
}

using TextButtonActions = FrontendGlTest;

TEST_F(TextButtonActions, ScreenChangesTargetTheirScreenAndEntryWithTheConfirmSounds) {
  struct Row {
    int screen, id, target, entry;
  };
  const int kKeep = 99;
  const Row rows[] = {
      {kScreenMainMenu, 0, kScreenQuitConfirm, kKeep}, {kScreenCompetitionStart, 0, kScreenMainMenu, 2},
      {kScreenQuickStart, 0, kScreenMainMenu, 1},      {kScreenCareerMenu, 0, kScreenMainMenu, 0},
      {kScreenNewCareer, 0, kScreenCareerMenu, 1},     {kScreenEnterName, 4, kScreenCareerHub, 0},
      {kScreenCareerHub, 0, kScreenMainMenu, 0},       {kScreenChampionship, 0, kScreenCareerHub, 0},
      {kScreenChampionship, 4, kScreenSelectRace, 0},  {kScreenSelectRace, 0, kScreenChampionship, 0},
      {kScreenQuitConfirm, 0, kScreenMainMenu, 0},     {kScreenOptions, 0, kScreenMainMenu, 2},
      {kScreenGraphics, 0, kScreenOptions, 0},         {kScreenAudio, 0, kScreenOptions, 1},
      {kScreenControls, 0, kScreenOptions, 2},
  };
  unsigned n = 0;
  for (const Row& r : rows) {
    EntrySelection = kKeep;
    PressButton(r.screen, r.id);
    ++n;
    EXPECT_EQ(TargetScreen.load(), r.target) << "screen " << r.screen << " id " << r.id;
    EXPECT_EQ(EntrySelection, r.entry) << "screen " << r.screen << " id " << r.id;
    EXPECT_EQ(Plays(MenuClickSound), n);
    EXPECT_EQ(Plays(MenuChangeSound), n);
  }
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);
}

TEST_F(TextButtonActions, IdsWithoutARowOnTheirScreenDoNothingButGlow) {
  PressButton(kScreenMainMenu, 4);
  PressButton(kScreenCareerHub, 1);
  PressButton(kScreenEnterName, 0);
  EXPECT_EQ(TargetScreen.load(), kScreenEnterName);
  EXPECT_EQ(AllMenuPlays(), 0u);
  EXPECT_NEAR(WidgetGlow[0], 0.98f, 1e-6f);
}

TEST_F(TextButtonActions, RaceStartsRequestTheTrackAndGoToTheLoadingScreen) {
  for (int screen : {kScreenQuickStart, kScreenSelectRace, kScreenCompetitionStart}) {
    Handshake.LoaderStage.store(kStageMenuLoaded);
    EntrySelection = 5;
    PressButton(screen, 4);
    EXPECT_EQ(TargetScreen.load(), kScreenRaceLoading) << screen;
    EXPECT_EQ(Handshake.LoaderStage.load(), kStageLoadTrack) << screen;
    EXPECT_EQ(EntrySelection, 0) << screen;
  }
  EXPECT_EQ(Plays(MenuChangeSound), 3u);
}

TEST_F(TextButtonActions, CompetitionStartBeyondTheRegionsProgressIsRefusedAudibly) {
  Career.CompetitionRegion = 1;
  Career.CompetitionProgress[1] = 2;
  Career.CompetitionRace = 3;
  PressButton(kScreenCompetitionStart, 4);
  EXPECT_EQ(TargetScreen.load(), kScreenCompetitionStart);
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);
  EXPECT_EQ(Plays(MenuDenySound), 1u);
  EXPECT_EQ(Plays(MenuClickSound), 0u);

  Career.CompetitionRace = 2;
  PressButton(kScreenCompetitionStart, 4);
  EXPECT_EQ(TargetScreen.load(), kScreenRaceLoading);

  // A region no table holds refuses rather than reading past the progress counters.
  Handshake.LoaderStage.store(kStageMenuLoaded);
  Career.CompetitionRegion = 7;
  PressButton(kScreenCompetitionStart, 4);
  EXPECT_EQ(TargetScreen.load(), kScreenCompetitionStart);
  EXPECT_EQ(Plays(MenuDenySound), 2u);
}

TEST_F(TextButtonActions, QuickStartChangeDrawsTrackAndCarFromTheGameGenerator) {
  for (unsigned seed : {1u, 7u, 12345u}) {
    platform::SeedRand(seed);
    const int track = platform::Rand() % 24 + 1;
    const int car = platform::Rand() % 18;
    platform::SeedRand(seed);
    PressButton(kScreenQuickStart, 1);
    EXPECT_EQ(Career.QuickRaceNumber, track);
    EXPECT_EQ(Career.QuickRaceCar, car);
    EXPECT_GE(Career.QuickRaceNumber, 1);
    EXPECT_LE(Career.QuickRaceNumber, 24);
  }
  EXPECT_EQ(TargetScreen.load(), kScreenQuickStart);
  EXPECT_EQ(Plays(MenuClickSound), 3u);
  EXPECT_EQ(Plays(MenuChangeSound), 0u);
}

TEST_F(TextButtonActions, ResultsNextReturnsWhereTheRaceModeCameFrom) {
  Career.RaceMode = 1;
  PressButton(kScreenResults, 4);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
  // A competition (mode 2) has no start page to go back to, and a mode no race has
  // must not leave the player on the results: both go where the pause's EXIT goes.
  for (int mode : {2, 0, 9}) {
    Career.RaceMode = mode;
    PressButton(kScreenResults, 4);
    EXPECT_EQ(TargetScreen.load(), kScreenMainMenu) << "mode " << mode;
  }

  Career.RaceMode = 3;
  platform::SeedRand(99);
  const int track = platform::Rand() % 10 + 1;
  const int car = platform::Rand() % 18;
  platform::SeedRand(99);
  EntrySelection = 4;
  PressButton(kScreenResults, 4);
  EXPECT_EQ(TargetScreen.load(), kScreenQuickStart);
  EXPECT_EQ(Career.QuickRaceNumber, track);
  EXPECT_EQ(Career.QuickRaceCar, car);
  EXPECT_EQ(EntrySelection, 0);
}

TEST_F(TextButtonActions, PauseResumesTheRaceOrAsksTheLoaderToRestartOrLeave) {
  Settings.music = 1;
  PressButton(kScreenPause, 0);
  EXPECT_EQ(TargetScreen.load(), kScreenRace);
  EXPECT_EQ(Plays(MusicSource), 1u);
  EXPECT_EQ(Plays(MenuChangeSound), 1u);

  Settings.music = 0;
  Settings.sound = 0;
  PressButton(kScreenPause, 0);
  EXPECT_EQ(Plays(MusicSource), 1u);
  EXPECT_EQ(Plays(MenuClickSound), 1u);
  Settings.sound = 1;

  PressButton(kScreenPause, 1);
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageLoadTrack);
  EXPECT_EQ(TargetScreen.load(), kScreenPause);
  Handshake.LoaderStage.store(kStageMenuLoaded);
  PressButton(kScreenPause, 2);
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageUnloadTrack);
  EXPECT_EQ(Plays(MenuClickSound), 3u);
  EXPECT_EQ(Plays(MenuChangeSound), 1u);
}

TEST_F(TextButtonActions, APackageCostingAllTheCashIsBoughtAndKeptInTheCareer) {
  SelectedItem = 3;
  // The level the page previews, on all three packages.
  LiveCarSetup.engineLevel = LiveCarSetup.suspensionLevel = LiveCarSetup.turboLevel = 3;
  Career.Cash = static_cast<float>(PackagePrices[0][3]);
  PressButton(kScreenEnginePackages, 4);
  EXPECT_EQ(Career.Cash, 0.0f);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
  EXPECT_EQ(EntrySelection, 1);
  LiveCarSetup.engineLevel = 0;
  LoadCarSetupFromCareer();
  EXPECT_EQ(LiveCarSetup.engineLevel, 3);
  EXPECT_EQ(Plays(MenuBuySound), 1u);
  EXPECT_EQ(Plays(MenuChangeSound), 1u);
  EXPECT_EQ(Plays(MenuClickSound), 0u);
}

TEST_F(TextButtonActions, APackageBeyondTheCashIsRefusedAndBackDropsThePreview) {
  SelectedItem = 5;
  LiveCarSetup.engineLevel = 5;
  Career.Cash = static_cast<float>(PackagePrices[0][5]) - 1.0f;
  PressButton(kScreenEnginePackages, 4);
  EXPECT_EQ(TargetScreen.load(), kScreenEnginePackages);
  EXPECT_EQ(Plays(MenuDenySound), 1u);
  EXPECT_EQ(Plays(MenuBuySound), 0u);

  PressButton(kScreenEnginePackages, 0);
  EXPECT_EQ(LiveCarSetup.engineLevel, 0);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
  EXPECT_EQ(EntrySelection, 1);
}

TEST_F(TextButtonActions, TheCarShopSellsForExactlyTheCashAndRefusesInSilence) {
  ApplyCarPreset(6);
  LoadedCarType[0].store(6);  // the car browsed to is on show
  SelectedItem = 6;
  Career.Cash = static_cast<float>(CarPrices[6]) - 0.5f;
  PressButton(kScreenCarShop, 4);
  EXPECT_EQ(TargetScreen.load(), kScreenCarShop);
  EXPECT_EQ(AllMenuPlays(), 0u);
  EXPECT_EQ(Career.CareerCar, 0);

  Career.Cash = static_cast<float>(CarPrices[6]);
  PressButton(kScreenCarShop, 4);
  EXPECT_EQ(Career.Cash, 0.0f);
  EXPECT_EQ(Career.CareerCar, 6);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
  EXPECT_EQ(EntrySelection, 2);
  EXPECT_EQ(Plays(MenuBuySound), 1u);

  // A selection past the price table buys nothing.
  Career.Cash = 1e9f;
  SelectedItem = 40;
  PressButton(kScreenCarShop, 4);
  EXPECT_EQ(Career.Cash, 1e9f);
  EXPECT_EQ(TargetScreen.load(), kScreenCarShop);

  ApplyCarPreset(9);
  PressButton(kScreenCarShop, 0);
  EXPECT_EQ(LiveCarSetup.modelIndex, 6);
}

TEST_F(TextButtonActions, NewCareerYesStartsAFreshCareerAndGoesToNameEntry) {
  Career.Cash = 3.0f;
  Career.BracketPosition = 4;
  PressButton(kScreenNewCareer, 4);
  EXPECT_EQ(Career.Cash, 10000.0f);
  EXPECT_EQ(Career.BracketPosition, 0);
  EXPECT_EQ(TargetScreen.load(), kScreenEnterName);
  EXPECT_EQ(EntrySelection, 0);
}

TEST_F(TextButtonActions, QuitYesAsksTheProgramToEndWithoutASound) {
  PressButton(kScreenQuitConfirm, 4);
  EXPECT_EQ(Handshake.QuitRequest.load(), 1);
  EXPECT_EQ(AllMenuPlays(), 0u);
}

TEST_F(TextButtonActions, AcceptAppliesTheGraphicsOnlyAfterAChange) {
  PressButton(kScreenGraphics, 4);
  EXPECT_EQ(PendingGraphics.apply, 0);
  GraphicsChanged = 1;
  PressButton(kScreenGraphics, 4);
  EXPECT_EQ(PendingGraphics.apply, 1);
  EXPECT_EQ(TargetScreen.load(), kScreenGraphics);
  EXPECT_EQ(Plays(MenuClickSound), 2u);
  EXPECT_EQ(Plays(MenuChangeSound), 0u);
}

TEST_F(TextButtonActions, TheDeviceButtonsSwitchOnlyToTheOtherDeviceAndUnbindEverything) {
  Settings.controlDevice = kControlDeviceJoystick;
  BindingCaptureActive = 1;
  PressButton(kScreenControls, 1);
  EXPECT_EQ(Settings.controlDevice, kControlDeviceJoystick) << "not during a capture";
  EXPECT_EQ(BindingCaptureActive, 0);
  EXPECT_EQ(Plays(MenuDenySound), 1u);

  std::fill(ShownBindings, ShownBindings + 30, 65);
  PressButton(kScreenControls, 1);
  EXPECT_EQ(Settings.controlDevice, kControlDeviceKeyboard);
  EXPECT_TRUE(std::all_of(Settings.bindings.slot, Settings.bindings.slot + 30, [](int v) { return v == -1; }));
  EXPECT_TRUE(std::all_of(ShownBindings, ShownBindings + 30, [](int v) { return v == -1; }));
  EXPECT_EQ(Plays(MenuChangeSound), 1u);

  PressButton(kScreenControls, 1);
  EXPECT_EQ(Plays(MenuDenySound), 2u) << "already the keyboard";

  GameJoystick = nullptr;
  PressButton(kScreenControls, 2);
  EXPECT_EQ(Settings.controlDevice, kControlDeviceKeyboard) << "no joystick";
  EXPECT_EQ(Plays(MenuDenySound), 3u);

  Joystick pad;
  pad.present = 1;
  GameJoystick = &pad;
  Settings.bindings.slot[2] = 38;
  PressButton(kScreenControls, 2);
  GameJoystick = nullptr;
  EXPECT_EQ(Settings.controlDevice, kControlDeviceJoystick);
  EXPECT_EQ(Settings.bindings.slot[2], -1);
  EXPECT_EQ(Plays(MenuChangeSound), 2u);
}

TEST_F(TextButtonActions, ChangeTogglesTheGearboxOnItsCellAndStartsACaptureElsewhere) {
  OptionRow = 0;
  BindingColumn = 1;
  Settings.transmission = 0;
  PressButton(kScreenControls, 4);
  EXPECT_EQ(Settings.transmission, 1);
  EXPECT_EQ(BindingCaptureActive, 0);
  PressButton(kScreenControls, 4);
  EXPECT_EQ(Settings.transmission, 0);

  OptionRow = 3;
  PressButton(kScreenControls, 4);
  EXPECT_EQ(BindingCaptureActive, 1);
  EXPECT_EQ(Settings.transmission, 0);
  EXPECT_EQ(Plays(MenuClickSound), 3u);

  // Back ends the capture on the way out.
  PressButton(kScreenControls, 0);
  EXPECT_EQ(BindingCaptureActive, 0);
}

using TextButtonDrawing = FrontendGlTest;

TEST_F(TextButtonDrawing, TheLabelSitsBesideTheAnchorInItsHandsAlignment) {
  PointAt(-390, -210);
  LeftButton();
  RightButton();
  ASSERT_EQ(Texts().size(), 2u);
  const TracedText& left = Texts()[0];
  EXPECT_EQ(left.text, "BACK");
  EXPECT_NEAR(left.x, -362.0f, 1e-3f);
  EXPECT_NEAR(left.y, -202.0f, 1e-3f);
  EXPECT_EQ(left.align, 0);
  EXPECT_EQ(left.font, 1);
  EXPECT_FLOAT_EQ(left.size, 0.65f);
  EXPECT_EQ(left.colour, 2) << "hovered";
  EXPECT_NEAR(left.alpha, 1.0f, 1e-4f);
  const TracedText& right = Texts()[1];
  EXPECT_NEAR(right.x, 362.0f, 1e-3f);
  EXPECT_NEAR(right.y, -202.0f, 1e-3f);
  EXPECT_EQ(right.align, 2);
  EXPECT_EQ(right.colour, 0);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextButtonDrawing, AFadingButtonSlidesTowardItsCornerAndFadesItsLabel) {
  SetFade(0.25f);
  LeftButton();
  RightButton();
  const float e = ScreenEases.slide;
  ASSERT_EQ(Texts().size(), 2u);
  EXPECT_NEAR(Texts()[0].x, -362.0f - 200.0f * e, 1e-3f);
  EXPECT_NEAR(Texts()[0].y, -202.0f - 82.0f * e, 1e-3f);
  EXPECT_NEAR(Texts()[1].x, 362.0f + 200.0f * e, 1e-3f);
  EXPECT_NEAR(Texts()[0].alpha, (1.0f - e) * ScreenEases.show, 1e-5f);
  EXPECT_LT(Texts()[0].alpha, 0.6f);
  // The shared text scheme is handed back cleared, blending off.
  EXPECT_EQ(ListTextAlpha, 0.0f);
  EXPECT_EQ(ListTextColour, 0);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(TextButtonDrawing, ALabelIsDrawnAsItIsEvenWithFormatCharacters) {
  DrawMenuButton(kLeftX, kLeftY, 18.0f, "100%s %d", 0, 1);
  DrawMenuButton(kRightX, kRightY, 0.0f, nullptr, 4, 3);
  ASSERT_NE(FindText("100%s %d"), nullptr);
  EXPECT_EQ(Texts().size(), 2u);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextButtonDrawing, SlotsOutsideTheSharedArraysAreIgnored) {
  Press(kEscape);
  DrawMenuButton(kLeftX, kLeftY, 0.0f, "BACK", 0, 30);
  DrawMenuButton(kLeftX, kLeftY, 0.0f, "BACK", 0, -1);
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu);
  EXPECT_TRUE(Texts().empty());
}

}  // namespace
