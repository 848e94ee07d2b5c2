// The generated sound set as the game needs it: engine notes that loop without a kink at
// the speed in their names, louder and richer "_P" twins, a stuttering limiter, crashes
// that die away, and loops and music that run on into their own start.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/engine_sounds.h"
#include "tests/app/sound_test_support.h"

namespace {

WavSamples Load(const std::string& rel) {
  WavSamples w;
  EXPECT_TRUE(ReadWavFile("base/" + rel, &w)) << rel;
  return w;
}

// How sharply the samples around the wrap from the last sample to the first bend
// (second difference), against the sharpest bend inside the file: a loop that does not
// run on into its start breaks there with a kink no sample inside shows.
double WrapKinkRatio(const std::vector<float>& s) {
  const size_t n = s.size();
  auto bend = [&](size_t a, size_t b, size_t c) { return std::fabs(s[a] - 2.0 * s[b] + s[c]); };
  double inside = 0.0;
  for (size_t i = 1; i + 1 < n; ++i) inside = std::max(inside, bend(i - 1, i, i + 1));
  const double wrap = std::max(bend(n - 2, n - 1, 0), bend(n - 1, 0, 1));
  return wrap / std::max(inside, 1e-6);
}

TEST(SoundFiles, EngineNotesLoopAtTheSpeedInTheirNames) {
  for (int k = 0; k < kEngineLadderNotes; ++k) {
    const int rpm = EngineNoteRpm(k);
    SCOPED_TRACE(rpm);
    const std::string stem = "sound/Varn130/" + std::to_string(rpm);
    const WavSamples plain = Load(stem + ".wav");
    const WavSamples load = Load(stem + "_P.wav");
    ASSERT_FALSE(plain.mono.empty());
    ASSERT_FALSE(load.mono.empty());
    EXPECT_EQ(plain.channels, 1);
    const double firing = rpm / 20.0;  // a straight six: three firings per turn
    const double f = DominantFrequency(plain.mono, plain.rate, 0, plain.mono.size(),
                                       firing * 0.6, firing * 1.6, 0.25);
    EXPECT_NEAR(f, firing, firing * 0.01 + 0.5);
    EXPECT_LT(WrapKinkRatio(plain.mono), 1.25);
    EXPECT_LT(WrapKinkRatio(load.mono), 1.25);
    EXPECT_GT(Rms(load.mono, 0, load.mono.size()), 1.4 * Rms(plain.mono, 0, plain.mono.size()));
    EXPECT_GT(PowerAbove(load.mono, load.rate, 4 * firing),
              PowerAbove(plain.mono, plain.rate, 4 * firing));
  }
  for (int i = 0; i < kOpponentNotes; ++i) {
    const int rpm = EngineNoteRpm(kOpponentNoteIndex[i]);
    const WavSamples w = Load("sound/Varn130/other_" + std::to_string(rpm) + "_P.wav");
    ASSERT_FALSE(w.mono.empty());
    EXPECT_NEAR(DominantFrequency(w.mono, w.rate, 0, w.mono.size(), rpm / 20.0 * 0.6,
                                  rpm / 20.0 * 1.6, 0.25),
                rpm / 20.0, rpm / 20.0 * 0.01 + 0.5);
    EXPECT_LT(WrapKinkRatio(w.mono), 1.25);
  }
}

TEST(SoundFiles, LimiterNotesStutter) {
  for (int i = 0; i < kEngineLimitNotes; ++i) {
    const WavSamples w = Load("sound/Varn130/limit" + std::to_string(i) + ".wav");
    ASSERT_GT(w.mono.size(), 4000u);
    // 5 ms windows: loud while the engine fires, near silent while the limiter cuts.
    const size_t win = w.rate / 200;
    double lo = 1e9, hi = 0.0;
    for (size_t s = 0; s + win <= w.mono.size(); s += win) {
      const double r = Rms(w.mono, s, s + win);
      lo = std::min(lo, r);
      hi = std::max(hi, r);
    }
    EXPECT_GT(hi, 4.0 * lo) << "limit" << i;
    EXPECT_LT(WrapKinkRatio(w.mono), 1.25);
  }
}

TEST(SoundFiles, LoopsRunOnIntoTheirStart) {
  for (const char* name : {"landscape_ground", "landscape_grass", "landscape_water", "wind",
                           "ambient", "st1", "st2", "en_ot0", "en_city"}) {
    const WavSamples w = Load(std::string("sound/") + name + ".wav");
    ASSERT_GT(w.mono.size(), 2000u) << name;
    EXPECT_EQ(w.channels, 1) << name;
    EXPECT_LT(WrapKinkRatio(w.mono), 1.25) << name;
    EXPECT_GT(Rms(w.mono, 0, w.mono.size()), 0.02) << name;
  }
  for (const char* name : {"menu", "1", "2", "3", "4"}) {
    const WavSamples w = Load(std::string("music/") + name + ".wav");
    EXPECT_EQ(w.channels, 2) << name;
    const double seconds = static_cast<double>(w.mono.size()) / w.rate;
    EXPECT_GT(seconds, 2.5) << name;
    EXPECT_LT(seconds, 8.0) << name;
    EXPECT_LT(WrapKinkRatio(w.mono), 1.25) << name;
    EXPECT_GT(Rms(w.mono, 0, w.mono.size()), 0.03) << name;
  }
}

TEST(SoundFiles, OneShotsEndQuietAndMenuSoundsAreShortAndStereo) {
  for (int set = 0; set < 4; ++set)
    for (int v = 0; v < 4; ++v) {
      const WavSamples w =
          Load("sound/crash" + std::to_string(set) + "_" + std::to_string(v) + ".wav");
      ASSERT_GT(w.mono.size(), 1000u);
      const size_t n = w.mono.size();
      EXPECT_LT(Rms(w.mono, n - n / 10, n), Rms(w.mono, 0, n * 3 / 10) / 4)
          << "crash" << set << "_" << v << " does not die away";
    }
  for (int i = 1; i <= 10; ++i) {
    const WavSamples w = Load("sound/menu" + std::to_string(i) + ".wav");
    EXPECT_EQ(w.channels, 2) << i;
    EXPECT_LT(w.mono.size(), static_cast<size_t>(w.rate * 1.5)) << i;
    EXPECT_GT(Rms(w.mono, 0, w.mono.size()), 0.02) << i;
  }
}

}  // namespace
