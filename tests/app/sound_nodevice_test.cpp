// Without any audio device the game runs silent: every sound call is inert.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/engine_sounds.h"
#include "app/settings.h"
#include "app/sound.h"

namespace {

// OpenAL reads its backend list once, at its first call in the process: a list naming
// no backend leaves it no device to open.
class NoAudioDevice : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setenv("ALSOFT_DRIVERS", "kelvamor-no-such-backend", 1); }
};

TEST_F(NoAudioDevice, EverySoundCallIsInert) {
  if (OpenSoundDevice()) {
    CloseSoundDevice();
    GTEST_SKIP() << "this OpenAL opened a device despite an empty backend list";
  }
  EXPECT_FALSE(SoundDeviceOpen());

  LoadStartupSounds();
  MusicSource.Load("base/music/menu.wav", true);
  EXPECT_EQ(GameSounds.menu[3].source, 0u);
  EXPECT_EQ(GameSounds.crash[2][1].source, 0u);
  EXPECT_EQ(EngineSounds.notesP[20].source, 0u);
  EXPECT_EQ(MusicSource.source, 0u);
  EXPECT_EQ(MusicSource.size, 0);

  // Everything the shell, the race and the front end may call. A silent game still
  // counts what it asked to play, which is how the menus' sounds are tested.
  const unsigned buysBefore = MenuBuySound.playCount;
  MenuBuySound.Play();
  EXPECT_EQ(MenuBuySound.playCount, buysBefore + 1);
  MusicSource.Pause();
  GameSounds.point.SetGain(0.5f);
  GameSounds.cr1.SetPosition(1, 2, 3, 4, 5, 6);
  EngineSounds.notes[3].SetPitch(1.5f);
  EngineSounds.notes[3].Rewind();
  GameSounds.wind.SetRelative();
  EXPECT_FALSE(GameSounds.ambient.IsPlaying());
  EXPECT_EQ(GameSounds.ambient.State(), 0);
  PauseAllSounds();
  ResumeAllSounds();
  StopAllSounds();
  SetListenerPosition(0, 0, 0);
  SetListenerOrientation(0, 0, -1, 0, 1, 0);

  Settings.eax = 1;
  SetupEax();
  EXPECT_EQ(Settings.eax, 0);
  EXPECT_EQ(EaxAvailable, 0);

  ReleaseStartupSounds();
  CloseSoundDevice();
  CloseSoundDevice();
  EXPECT_FALSE(SoundDeviceOpen());
}

}  // namespace
