// The engine note through a real mixer: OpenAL's wave backend writes what it plays to a
// file, and the tone in that file must follow the source's pitch.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

#include "app/engine_sounds.h"
#include "app/sound.h"
#include "tests/app/sound_test_support.h"

namespace {

void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The louder stretches of a recording (10 ms windows above `level`), as [begin, end).
std::vector<std::pair<size_t, size_t>> Sounding(const std::vector<float>& s, int rate, double level) {
  std::vector<std::pair<size_t, size_t>> runs;
  const size_t w = static_cast<size_t>(rate / 100);
  bool on = false;
  for (size_t i = 0; i + w <= s.size(); i += w) {
    const bool loud = Rms(s, i, i + w) > level;
    if (loud && !on) runs.push_back({i, i + w});
    if (loud) runs.back().second = i + w;
    on = loud;
  }
  return runs;
}

class WaveOutput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char tmpl[] = "/tmp/kelvamor_wave_XXXXXX";
    dir_ = mkdtemp(tmpl);
    out_ = dir_ + "/mix.wav";
    const std::string conf = dir_ + "/alsoft.conf";
    FILE* f = std::fopen(conf.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f,
                 "[general]\ndrivers = wave\nchannels = mono\nsample-type = int16\n"
                 "frequency = 44100\n[wave]\nfile = %s\n",
                 out_.c_str());
    std::fclose(f);
    // Before OpenAL's first call in the process, which reads both.
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
  }
  static void TearDownTestSuite() { std::system(("rm -rf \"" + dir_ + "\"").c_str()); }
  static std::string dir_, out_;
};
std::string WaveOutput::dir_, WaveOutput::out_;

TEST_F(WaveOutput, EngineNotePitchDoublesItsFrequency) {
  if (!OpenSoundDevice()) GTEST_SKIP() << "this OpenAL has no wave backend";
  SoundSource& note = EngineSounds.notes[10];  // recorded at 1475 rpm
  note.Load("base/sound/Varn130/1475.wav", true);
  ASSERT_GT(note.size, 0);

  note.Play();
  Wait(700);
  note.Stop();
  Wait(300);
  note.SetPitch(2.0f);
  note.Play();
  Wait(700);
  note.Stop();
  Wait(200);
  note.Release();
  CloseSoundDevice();  // the writer finishes the file

  WavSamples mix;
  ASSERT_TRUE(ReadWavFile(out_, &mix)) << out_;
  const auto runs = Sounding(mix.mono, mix.rate, 0.02);
  ASSERT_EQ(runs.size(), 2u) << "expected the note twice with silence between";
  double f[2];
  for (int i = 0; i < 2; ++i) {
    const size_t mid = (runs[i].first + runs[i].second) / 2;
    const size_t half = 8192;
    ASSERT_GT(runs[i].second - runs[i].first, 2 * half);
    f[i] = DominantFrequency(mix.mono, mix.rate, mid - half, mid + half, 30.0, 400.0, 0.25);
  }
  // A straight six at 1475 rpm fires 73.75 times a second.
  std::printf("engine note: %.2f Hz at pitch 1, %.2f Hz at pitch 2\n", f[0], f[1]);
  EXPECT_NEAR(f[0], 1475.0 / 20.0, 1.5);
  EXPECT_NEAR(f[1] / f[0], 2.0, 0.03) << f[0] << " Hz, then " << f[1] << " Hz";
}

}  // namespace
