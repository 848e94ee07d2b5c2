// The pause over a race (resume, restart, leave) and the quit confirmation.
#include <gtest/gtest.h>

#include "app/career.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/settings.h"
#include "app/sound.h"
#include "frontend/screens.h"
#include "gfx/renderer.h"
#include "platform/vk.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;
using platform::kVkEscape;
using platform::kVkReturn;

class PauseQuitPause : public FrontendGlTest {
 protected:
  PauseQuitPause() : FrontendGlTest(kScreenPause) {}
  void SetUp() override {
    FrontendGlTest::SetUp();
    if (IsSkipped()) return;
    Career.RaceMode = 3;
    Handshake.UpdateToggle.store(1);
    Handshake.RenderToggle.store(0);
  }
  void Tap(int vk) {
    Press(vk);
    Frame();
    Release(vk);
    ReleaseLatchWhenIdle();
  }
};

TEST_F(PauseQuitPause, TheButtonsDoNothingWhileARestartOrAnExitIsUnderWay) {
  Handshake.LoaderStage.store(kStageLoadTrack);
  for (int vk : {int(kVkEscape), int('1'), int('2')}) Tap(vk);
  EXPECT_EQ(TargetScreen.load(), kScreenPause);
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageLoadTrack);
  EXPECT_EQ(Plays(MenuClickSound), 0u);
  Frames(7);
  EXPECT_NEAR(LoadingBoxAlpha, 0.2f, 1e-4f) << "the box shows while the loader works";
  Handshake.LoaderStage.store(kStageUnloadTrack);
  Tap('1');
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageUnloadTrack);
  Handshake.LoaderStage.store(kStageMenuLoaded);
  Frame();
  EXPECT_EQ(LoadingBoxAlpha, 0.0f);
}

TEST_F(PauseQuitPause, EscapeResumesTheRace) {
  Settings.music = 1;
  const unsigned music = MusicSource.playCount;
  Tap(kVkEscape);
  EXPECT_EQ(TargetScreen.load(), kScreenRace);
  EXPECT_EQ(MusicSource.playCount, music + 1) << "the race music again";
  EXPECT_EQ(Plays(MenuClickSound), 1u);
  EXPECT_EQ(Plays(MenuChangeSound), 1u);
  EXPECT_TRUE(FramesUntilCurrent(kScreenRace, 80));
}

TEST_F(PauseQuitPause, ARestartReturnsToTheRaceWithoutTheLoadingScreenOrAFade) {
  Tap('1');
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageLoadTrack);
  EXPECT_EQ(Plays(MenuClickSound), 1u);
  EXPECT_EQ(TargetScreen.load(), kScreenPause);
  Frames(5);
  Handshake.LoaderStage.store(kStageTrackLoaded);
  Frame();
  EXPECT_EQ(CurrentScreen.load(), kScreenRace);
  EXPECT_EQ(TargetScreen.load(), kScreenRace);
  EXPECT_EQ(ScreenFade, 0.0f);
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);
  EXPECT_EQ(Handshake.UpdateToggle.load(), Handshake.RenderToggle.load()) << "the first update in step";
  EXPECT_EQ(Plays(RaceLoadSound), 0u);
}

TEST_F(PauseQuitPause, ExitReturnsToTheMenuOfTheRaceModeOnTheNextFrame) {
  const struct {
    int mode, screen;
  } cases[] = {{3, kScreenQuickStart}, {1, kScreenCareerHub}, {2, kScreenMainMenu}};
  for (const auto& c : cases) {
    Career.RaceMode = c.mode;
    SettleOn(kScreenPause);
    EntrySelection = 3;
    Tap('2');
    ASSERT_EQ(Handshake.LoaderStage.load(), kStageUnloadTrack);
    SCOPED_TRACE(testing::Message() << "mode " << c.mode);
    LoaderAnswersUnload(c.screen);
  }
}

TEST_F(PauseQuitPause, ThePauseHidesTheRacePicture) {
  FillRectTexture(Renderer.targets.SceneTextures[0], kScreenW, kScreenH, 250, 0, 0);
  Frame();
  const FramePicture frame = LastFrame();
  const uint8_t* p = frame.At(-150.0f, 60.0f);
  EXPECT_NEAR(p[0], 133, 3);
  EXPECT_NEAR(p[1], 128, 3);
  EXPECT_NEAR(p[2], 122, 3);
  const DrawnText* pause = FindLastText("PAUSE");
  ASSERT_NE(pause, nullptr);
  EXPECT_FLOAT_EQ(pause->y, 0.0f);
}

class PauseQuitConfirm : public FrontendGlTest {
 protected:
  void SetUp() override {
    FrontendGlTest::SetUp();
    if (IsSkipped()) return;
    SettleOn(kScreenQuitConfirm);
  }
};

TEST_F(PauseQuitConfirm, EscapeAnswersNo) {
  EntrySelection = 2;
  Press(kVkEscape);
  Frame();
  EXPECT_EQ(TargetScreen.load(), kScreenMainMenu);
  EXPECT_EQ(EntrySelection, 0);
  EXPECT_EQ(Handshake.QuitRequest.load(), 0);
  const DrawnText* question = FindLastText("You are really want to quit?");
  ASSERT_NE(question, nullptr);
  EXPECT_FLOAT_EQ(question->y, 40.0f);
  EXPECT_EQ(question->colour, 0);
  EXPECT_NE(FindLastText("EXIT"), nullptr);
}

TEST_F(PauseQuitConfirm, EnterAnswersYesWithoutASound) {
  Press(kVkReturn);
  Frame();
  EXPECT_EQ(Handshake.QuitRequest.load(), 1);
  EXPECT_EQ(Plays(MenuClickSound), 0u);
  EXPECT_EQ(Plays(MenuChangeSound), 0u);
}

}  // namespace
