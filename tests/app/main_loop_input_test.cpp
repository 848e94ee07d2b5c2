// The main loop's own input, one RunFramePass at a time with the window inactive (so no
// frame is drawn and no GL is needed): Escape's pause with its conditions, once per
// press and after the update in flight; F1's toggle; the key latch's release; the sounds
// when focus leaves and comes back; and presses shorter than a frame, fed through SDL's
// real event queue. Sounds play on OpenAL's null output, so their states are real.
#include <gtest/gtest.h>

#include <AL/al.h>
#include <SDL2/SDL.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "app/controls.h"
#include "app/frame.h"
#include "app/game.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/settings.h"
#include "app/sound.h"
#include "app/window.h"
#include "frontend/screens.h"
#include "platform/messages.h"
#include "platform/vk.h"
#include "platform/window.h"
#include "race/race_status.h"
#include "tests/app/sound_test_support.h"

namespace {

using platform::Message;
using platform::MessageKind;

constexpr int kEscape = platform::kVkEscape;
constexpr int kEnter = platform::kVkReturn;
const int kF1 = platform::VkF(1);

// The keys whose release frees the latch, as the loop lists them.
const int kLatchKeys[] = {
    platform::kVkReturn, platform::kVkEscape, platform::VkDigit(1), platform::VkDigit(2),
    platform::VkDigit(3), platform::VkF(1), platform::VkF(2), platform::VkF(3), platform::VkF(5),
    platform::kVkLeft, platform::kVkRight, platform::kVkUp, platform::kVkDown, platform::kVkSpace,
    platform::VkLetter('Y'), platform::VkLetter('Q'), platform::VkLetter('R'), platform::VkLetter('F'),
    platform::VkLetter('L'), platform::VkLetter('K'), platform::VkLetter('C'), platform::VkLetter('X'),
    platform::VkLetter('Z'), platform::VkLetter('O'), platform::VkLetter('P'), platform::VkLetter('I'),
    platform::VkLetter('U'), platform::VkLetter('J')};

void Press(int vk) { Input.KeyStates[vk] = 1; }
void Release(int vk) { Input.KeyStates[vk] = 0; }

void OnScreen(int screen) {
  TargetScreen.store(screen);
  CurrentScreen.store(screen);
  ScreenFade = 1.0f;
}

bool Played(const SoundSource& s) { return s.State() != AL_INITIAL; }

void Send(MessageKind kind, int a = 0, int b = 0) {
  Message m;
  m.kind = kind;
  m.a = a;
  m.b = b;
  MainWindowProc(m);
}

class MainLoopInput : public ::testing::Test {
 protected:
  void SetUp() override {
    UseNullAudioOutput();
    if (!OpenSoundDevice()) GTEST_SKIP() << "OpenAL gives no device, not even the null output";
    LoadStartupSounds();
    MusicSource.Load("base/music/menu.wav", true);
    if (!MusicSource.source || !GameSounds.wind.source || !MenuClickSound.source)
      GTEST_SKIP() << "base/ not generated here (build the base target)";
    Input = InputState{};
    std::memset(PressLatches, 0, sizeof PressLatches);
    WindowActive = 0;
    FpsVisible = 0;
    Settings.sound = 1;
    Settings.music = 1;
    Settings.controlDevice = 0;
    Handshake.LoaderRunning.store(0);
    Handshake.AppDone.store(0);
    RaceStatus.PlayerFinished.store(0);
    OnScreen(kScreenRace);
  }
  void TearDown() override {
    ReleaseStartupSounds();
    MusicSource.Release();
    CloseSoundDevice();
    Input = InputState{};
    WindowActive = 1;
    Handshake.LoaderRunning.store(0);
    OnScreen(kScreenMainMenu);
  }
};

TEST_F(MainLoopInput, EscapePausesARaceOncePerPressWithItsSounds) {
  GameSounds.wind.Play();
  MusicSource.Play();
  Press(kEscape);
  RunFramePass();
  EXPECT_EQ(TargetScreen.load(), kScreenPause);
  EXPECT_EQ(CurrentScreen.load(), kScreenPause);
  EXPECT_EQ(ScreenFade, 0.0f) << "the pause shows at once, without a fade-out";
  EXPECT_EQ(Input.KeyLatch, 1);
  EXPECT_EQ(GameSounds.wind.State(), AL_PAUSED);
  EXPECT_EQ(MusicSource.State(), AL_PAUSED);
  EXPECT_TRUE(Played(MenuClickSound));
  EXPECT_TRUE(Played(MenuOpenSound));

  // Back in the race with Escape still held: no second pause until it is let go.
  OnScreen(kScreenRace);
  for (int i = 0; i < 3; ++i) RunFramePass();
  EXPECT_EQ(CurrentScreen.load(), kScreenRace) << "a held Escape paused again";
  Release(kEscape);
  RunFramePass();
  EXPECT_EQ(Input.KeyLatch, 0);
  Press(kEscape);
  RunFramePass();
  EXPECT_EQ(CurrentScreen.load(), kScreenPause) << "a new press pauses again";
}

TEST_F(MainLoopInput, EscapeDoesNothingAfterTheFinishOnThePauseOrDuringAScreenChange) {
  GameSounds.wind.Play();
  struct Case {
    const char* what;
    int target, current;
    uint8_t finished;
  };
  for (const Case& c : {Case{"after the finish", kScreenRace, kScreenRace, 1},
                        Case{"on the pause screen", kScreenPause, kScreenPause, 0},
                        Case{"while the screen changes", kScreenMainMenu, kScreenRace, 0},
                        Case{"on a menu", kScreenMainMenu, kScreenMainMenu, 0}}) {
    TargetScreen.store(c.target);
    CurrentScreen.store(c.current);
    ScreenFade = 0.5f;
    RaceStatus.PlayerFinished.store(c.finished);
    Input.KeyLatch = 0;
    Press(kEscape);
    RunFramePass();
    EXPECT_EQ(TargetScreen.load(), c.target) << c.what;
    EXPECT_EQ(CurrentScreen.load(), c.current) << c.what;
    EXPECT_EQ(ScreenFade, 0.5f) << c.what;
    EXPECT_EQ(Input.KeyLatch, 0) << c.what << ": the press was taken";
    Release(kEscape);
  }
  // In the race, but the latch is held by an Enter press a button took.
  RaceStatus.PlayerFinished.store(0);
  OnScreen(kScreenRace);
  Press(kEnter);
  Input.KeyLatch = 1;
  Press(kEscape);
  RunFramePass();
  EXPECT_EQ(CurrentScreen.load(), kScreenRace) << "Escape under a held latch";
  EXPECT_EQ(GameSounds.wind.State(), AL_PLAYING);
  EXPECT_FALSE(Played(MenuClickSound));
}

TEST_F(MainLoopInput, APauseWithSoundAndMusicOffPlaysNothingAndLeavesTheMusic) {
  Settings.sound = 0;
  Settings.music = 0;
  MusicSource.Play();
  GameSounds.wind.Play();
  Press(kEscape);
  RunFramePass();
  EXPECT_EQ(CurrentScreen.load(), kScreenPause);
  EXPECT_EQ(GameSounds.wind.State(), AL_PAUSED) << "race sounds pause whatever the settings";
  EXPECT_EQ(MusicSource.State(), AL_PLAYING) << "with Music off the music source is left alone";
  EXPECT_FALSE(Played(MenuClickSound));
  EXPECT_FALSE(Played(MenuOpenSound));
}

// The update running while Escape is seen may start race sounds after a pause that did
// not wait for it: the pause must come after that update's flip.
TEST_F(MainLoopInput, ThePauseWaitsForTheUpdateInFlight) {
  Handshake.LoaderRunning.store(1);
  Handshake.RenderToggle.store(Handshake.UpdateToggle.load());  // an update under way
  std::thread update([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    GameSounds.wind.Play();
    Handshake.UpdateToggle.store(Handshake.UpdateToggle.load() ^ 1);
  });
  Press(kEscape);
  RunFramePass();
  update.join();
  EXPECT_EQ(CurrentScreen.load(), kScreenPause);
  EXPECT_EQ(GameSounds.wind.State(), AL_PAUSED) << "the update's sound went on under the pause";
  Handshake.RenderToggle.store(Handshake.UpdateToggle.load());
}

TEST_F(MainLoopInput, F1TogglesOncePerPressAndNotUnderAHeldLatch) {
  OnScreen(kScreenMainMenu);
  Press(kF1);
  for (int i = 0; i < 4; ++i) RunFramePass();
  EXPECT_EQ(FpsVisible, 1) << "F1 held for several frames toggles once";
  Release(kF1);
  RunFramePass();
  Press(kF1);
  RunFramePass();
  EXPECT_EQ(FpsVisible, 0);
  Release(kF1);
  RunFramePass();

  Press(kEnter);
  Input.KeyLatch = 1;
  Press(kF1);
  RunFramePass();
  EXPECT_EQ(FpsVisible, 0) << "the latch of a held Enter blocks F1";
}

TEST_F(MainLoopInput, TheLatchIsFreedOnlyOnceEveryLatchKeyAndTheLeftButtonAreUp) {
  OnScreen(kScreenMainMenu);
  for (int vk : kLatchKeys) {
    Input.KeyLatch = 1;
    Press(vk);
    RunFramePass();
    EXPECT_EQ(Input.KeyLatch, 1) << "key " << vk << " held";
    Release(vk);
    RunFramePass();
    EXPECT_EQ(Input.KeyLatch, 0) << "key " << vk << " let go";
  }
  Input.KeyLatch = 1;
  Input.MouseButtons[0] = 1;
  RunFramePass();
  EXPECT_EQ(Input.KeyLatch, 1) << "left button held";
  Input.MouseButtons[0] = 0;
  // Keys that take no single press do not hold it.
  Input.MouseButtons[1] = 1;
  Press(platform::VkLetter('A'));
  Press(platform::kVkShift);
  RunFramePass();
  EXPECT_EQ(Input.KeyLatch, 0);
}

TEST_F(MainLoopInput, RegainingFocusResumesTheMusicAndTheAmbientLoopOnlyInARace) {
  MusicSource.Play();
  GameSounds.ambient.Play();
  Send(MessageKind::kActivate, 0, 0);
  EXPECT_EQ(WindowActive, 0);
  EXPECT_EQ(MusicSource.State(), AL_PAUSED);
  EXPECT_EQ(GameSounds.ambient.State(), AL_PAUSED);
  Send(MessageKind::kActivate, 1, 0);
  EXPECT_EQ(WindowActive, 1);
  EXPECT_EQ(MusicSource.State(), AL_PLAYING);
  EXPECT_EQ(GameSounds.ambient.State(), AL_PLAYING);

  // On a menu the ambient loop stays paused.
  OnScreen(kScreenMainMenu);
  Send(MessageKind::kActivate, 0, 0);
  Send(MessageKind::kActivate, 1, 0);
  EXPECT_EQ(MusicSource.State(), AL_PLAYING);
  EXPECT_EQ(GameSounds.ambient.State(), AL_PAUSED);

  // Minimised counts as leaving; with Music and Sound off focus starts nothing.
  OnScreen(kScreenRace);
  Settings.music = 0;
  Settings.sound = 0;
  MusicSource.Stop();
  Send(MessageKind::kActivate, 1, 1);
  EXPECT_EQ(WindowActive, 0);
  Send(MessageKind::kActivate, 1, 0);
  EXPECT_EQ(MusicSource.State(), AL_STOPPED);
  EXPECT_EQ(GameSounds.ambient.State(), AL_PAUSED);
}

// Presses shorter than a frame, through SDL's event queue as the window delivers them.
class ShortPresses : public MainLoopInput {
 protected:
  void SetUp() override {
    MainLoopInput::SetUp();
    if (IsSkipped()) return;
    if (!platform::InitVideo()) GTEST_SKIP() << "no display for SDL's event queue (run under xvfb-run)";
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    platform::EndInputFrame();
    Pump();
  }
  void TearDown() override {
    platform::QuitVideo();
    MainLoopInput::TearDown();
  }
  static void Key(SDL_Scancode sc, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = SDL_GetKeyFromScancode(sc);
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  static void Tap(SDL_Scancode sc) {
    Key(sc, true);
    Key(sc, false);
  }
  // What the loop does until no message waits: one message per pass. SDL ends one poll
  // at the mark it set when it last read the devices; two rounds take what came after.
  static void Pump() {
    Message m;
    for (int round = 0; round < 2; ++round)
      while (platform::PeekMessage(&m)) MainWindowProc(m);
  }
};

TEST_F(ShortPresses, ATapBetweenTwoFramesCountsForTheNextFrame) {
  // Escape tapped between two race frames pauses.
  Tap(SDL_SCANCODE_ESCAPE);
  Pump();
  EXPECT_EQ(Input.KeyStates[kEscape], 1) << "the release came before any frame saw the press";
  RunFramePass();
  EXPECT_EQ(CurrentScreen.load(), kScreenPause);
  Pump();
  EXPECT_EQ(Input.KeyStates[kEscape], 0) << "released once the frame has seen it";
  RunFramePass();
  EXPECT_EQ(Input.KeyLatch, 0);

  // A gear key tapped between two frames shifts once.
  OnScreen(kScreenRace);
  Settings.bindings.slot[11] = platform::VkLetter('A');
  DriverControls = DriverControlState{};
  Tap(SDL_SCANCODE_A);
  Pump();
  RunFramePass();
  EXPECT_EQ(DriverControls.gearRequest, 1);
  Pump();
  RunFramePass();
  EXPECT_EQ(DriverControls.gearRequest, 1);
  EXPECT_EQ(Input.KeyStates[platform::VkLetter('A')], 0);

  // Two taps of F1 before one frame are one press: the state is read once a frame.
  OnScreen(kScreenMainMenu);
  Tap(SDL_SCANCODE_F1);
  Tap(SDL_SCANCODE_F1);
  Pump();
  RunFramePass();
  Pump();
  RunFramePass();
  EXPECT_EQ(FpsVisible, 1);
  EXPECT_EQ(Input.KeyStates[kF1], 0);
}

TEST_F(ShortPresses, AHeldKeyIsUpAsSoonAsItIsLetGo) {
  OnScreen(kScreenMainMenu);
  Key(SDL_SCANCODE_UP, true);
  Pump();
  RunFramePass();
  RunFramePass();
  // Auto-repeat is no new press: its release is not held back.
  SDL_Event repeat{};
  repeat.type = SDL_KEYDOWN;
  repeat.key.state = SDL_PRESSED;
  repeat.key.repeat = 1;
  repeat.key.keysym.scancode = SDL_SCANCODE_UP;
  ASSERT_EQ(SDL_PushEvent(&repeat), 1);
  Key(SDL_SCANCODE_UP, false);
  Pump();
  EXPECT_EQ(Input.KeyStates[platform::kVkUp], 0);
}

}  // namespace
