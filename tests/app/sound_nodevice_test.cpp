// Without any audio device the game runs silent: every sound call is inert. And the
// WAV reader, which needs no device: what it takes, and sizes in a file that lie.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <vector>

#include "app/engine_sounds.h"
#include "app/settings.h"
#include "app/sound.h"
#include "app/wav_file.h"

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

  // Everything the shell, the race and the front end may call.
  MenuBuySound.Play();
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

// A WAV image built field by field.
struct WavImage {
  std::vector<uint8_t> b;
  void Bytes(const char* t) { b.insert(b.end(), t, t + 4); }
  void U16(uint32_t v) { for (int i = 0; i < 2; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i))); }
  void U32(uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i))); }
  void Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t chunkSize = 16) {
    Bytes("fmt ");
    U32(chunkSize);
    U16(tag);
    U16(channels);
    U32(rate);
    U32(rate * channels * bits / 8);
    U16(channels * bits / 8);
    U16(bits);
  }
  static WavImage Start() {
    WavImage w;
    w.Bytes("RIFF");
    w.U32(0);  // the RIFF size is never trusted
    w.Bytes("WAVE");
    return w;
  }
};

TEST(WavReader, TakesPcmMonoAndStereoPastOtherChunks) {
  WavImage w = WavImage::Start();
  w.Fmt(1, 2, 22050, 16);
  w.Bytes("LIST");
  w.U32(3);  // odd: one pad byte follows
  for (int i = 0; i < 4; ++i) w.b.push_back('x');
  w.Bytes("data");
  w.U32(8);
  for (int i = 0; i < 8; ++i) w.b.push_back(static_cast<uint8_t>(i + 1));
  PcmWav wav;
  ASSERT_TRUE(DecodePcmWav(w.b.data(), w.b.size(), &wav));
  EXPECT_EQ(wav.channels, 2);
  EXPECT_EQ(wav.bits, 16);
  EXPECT_EQ(wav.rate, 22050);
  ASSERT_EQ(wav.samples.size(), 8u);
  EXPECT_EQ(wav.samples[0], 1);
  EXPECT_EQ(wav.samples[7], 8);

  // The extensible header with a PCM sub-format, 8-bit mono.
  WavImage e = WavImage::Start();
  e.Fmt(0xFFFE, 1, 8000, 8, 40);
  e.U16(22);
  e.U16(8);
  e.U32(4);
  e.U16(1);  // sub-format: PCM
  for (int i = 0; i < 14; ++i) e.b.push_back(0);
  e.Bytes("data");
  e.U32(3);
  e.b.insert(e.b.end(), {10, 20, 30});
  ASSERT_TRUE(DecodePcmWav(e.b.data(), e.b.size(), &wav));
  EXPECT_EQ(wav.channels, 1);
  EXPECT_EQ(wav.bits, 8);
  EXPECT_EQ(wav.samples.size(), 3u);

  // Every file the game ships reads.
  int files = 0;
  for (const char* folder : {"base/sound/", "base/sound/Varn130/", "base/music/"}) {
    DIR* d = opendir(folder);
    if (!d) continue;
    while (dirent* entry = readdir(d)) {
      const std::string name = entry->d_name;
      if (name.size() < 4 || name.compare(name.size() - 4, 4, ".wav") != 0) continue;
      ++files;
      EXPECT_TRUE(ReadPcmWav((folder + name).c_str(), &wav)) << folder << name;
      EXPECT_GT(wav.samples.size(), 0u) << folder << name;
    }
    closedir(d);
  }
  EXPECT_GT(files, 100);
}

TEST(WavReader, SizesThatLieNeverReadPastTheFile) {
  // A data chunk claiming more than the file holds plays what is there, whole frames.
  WavImage cut = WavImage::Start();
  cut.Fmt(1, 1, 11025, 16);
  cut.Bytes("data");
  cut.U32(0xFFFFFFF0u);
  cut.b.insert(cut.b.end(), {1, 2, 3, 4, 5});
  PcmWav wav;
  ASSERT_TRUE(DecodePcmWav(cut.b.data(), cut.b.size(), &wav));
  EXPECT_EQ(wav.samples.size(), 4u);

  // A huge chunk before the data, a format chunk larger than the file, and a file that
  // ends inside a chunk header: refused, nothing read beyond the image.
  WavImage skip = WavImage::Start();
  skip.Fmt(1, 1, 11025, 16);
  skip.Bytes("junk");
  skip.U32(0xFFFFFFFFu);
  skip.Bytes("data");
  skip.U32(2);
  skip.U16(7);
  EXPECT_FALSE(DecodePcmWav(skip.b.data(), skip.b.size(), &wav));
  EXPECT_TRUE(wav.samples.empty());

  WavImage bigFmt = WavImage::Start();
  bigFmt.Fmt(1, 1, 11025, 16, 0xFFFFFFFFu);
  EXPECT_FALSE(DecodePcmWav(bigFmt.b.data(), bigFmt.b.size(), &wav));
  WavImage shortFmt = WavImage::Start();
  shortFmt.Fmt(1, 1, 11025, 16, 12);
  EXPECT_FALSE(DecodePcmWav(shortFmt.b.data(), shortFmt.b.size(), &wav));

  WavImage header = WavImage::Start();
  header.Fmt(1, 1, 11025, 16);
  header.b.insert(header.b.end(), {'d', 'a'});
  EXPECT_FALSE(DecodePcmWav(header.b.data(), header.b.size(), &wav));
  for (size_t n = 0; n < 12; ++n) EXPECT_FALSE(DecodePcmWav(header.b.data(), n, &wav)) << n;
  EXPECT_FALSE(DecodePcmWav(nullptr, 100, &wav));

  // Formats the game has no buffer format for, and no frames at all.
  struct Bad {
    uint16_t tag, channels;
    uint32_t rate;
    uint16_t bits;
    uint32_t dataBytes;
  };
  for (const Bad& bad : {Bad{3, 1, 11025, 32, 8}, Bad{1, 1, 11025, 24, 6}, Bad{1, 3, 11025, 16, 6},
                         Bad{1, 0, 11025, 16, 2}, Bad{1, 1, 0, 16, 2}, Bad{1, 2, 11025, 16, 3},
                         Bad{0xFFFE, 1, 11025, 16, 2}}) {
    WavImage w = WavImage::Start();
    w.Fmt(bad.tag, bad.channels, bad.rate, bad.bits);
    w.Bytes("data");
    w.U32(bad.dataBytes);
    for (uint32_t i = 0; i < bad.dataBytes; ++i) w.b.push_back(0);
    EXPECT_FALSE(DecodePcmWav(w.b.data(), w.b.size(), &wav))
        << "tag " << bad.tag << " channels " << bad.channels << " bits " << bad.bits;
  }
  // Data before its format.
  WavImage early = WavImage::Start();
  early.Bytes("data");
  early.U32(2);
  early.U16(0);
  early.Fmt(1, 1, 11025, 16);
  EXPECT_FALSE(DecodePcmWav(early.b.data(), early.b.size(), &wav));
  EXPECT_FALSE(ReadPcmWav("base/sound/no_such_sound.wav", &wav));
  EXPECT_FALSE(ReadPcmWav(nullptr, &wav));
}

}  // namespace
