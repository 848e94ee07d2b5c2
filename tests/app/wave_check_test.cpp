// The .wav layout check that runs before ALUT may allocate what a chunk claims.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/wave_check.h"
#include "tests/app/sound_test_support.h"

namespace {

bool Fits(const WavImage& w, std::string* why = nullptr) {
  std::FILE* f = std::tmpfile();
  if (!f) {
    ADD_FAILURE() << "no temporary file";
    return false;
  }
  if (!w.b.empty()) std::fwrite(w.b.data(), 1, w.b.size(), f);
  std::string reason;
  const bool fit = WaveChunksFit(f, &reason);
  std::fclose(f);
  if (why) *why = reason;
  return fit;
}

WavImage Sound(uint32_t dataBytes) {
  WavImage w = WavImage::Start();
  w.Fmt(1, 1, 11025, 16);
  w.Bytes("data");
  w.U32(dataBytes);
  for (uint32_t i = 0; i < dataBytes; ++i) w.b.push_back(static_cast<uint8_t>(i));
  return w;
}

}  // namespace

TEST(WaveLayout, EveryShippedSoundFits) {
  int seen = 0;
  for (const char* folder : {"base/sound", "base/music"}) {
    if (!std::filesystem::is_directory(folder)) continue;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
      if (e.path().extension() != ".wav") continue;
      std::string why;
      EXPECT_TRUE(WaveFileChunksFit(e.path().c_str(), &why)) << e.path() << ": " << why;
      ++seen;
    }
  }
  if (seen == 0) GTEST_SKIP() << "no base/ here: run from the build folder after the generator";
  EXPECT_GT(seen, 20);
}

TEST(WaveLayout, WellFormedFilesFitWithExtraChunksAndPadding) {
  EXPECT_TRUE(Fits(Sound(4)));
  EXPECT_TRUE(Fits(Sound(0))) << "an empty data chunk is a layout the reader may refuse itself";
  WavImage odd = WavImage::Start();  // an odd chunk with its pad byte before the format
  odd.Bytes("LIST");
  odd.U32(3);
  odd.b.insert(odd.b.end(), {1, 2, 3, 0});
  odd.Fmt(1, 2, 22050, 16, 18);
  odd.U16(0);  // the format's two extra bytes
  odd.Bytes("data");
  odd.U32(3);  // the last chunk's pad byte may be missing at the end
  odd.b.insert(odd.b.end(), {1, 2, 3});
  std::string why;
  EXPECT_TRUE(Fits(odd, &why)) << why;
}

TEST(WaveLayout, ChunksThatLieAboutTheirSizeAreRefusedBeforeAnyRead) {
  struct Case {
    const char* name;
    WavImage w;
  };
  std::vector<Case> cases;
  WavImage claim = Sound(0);  // 44 bytes whose data chunk claims 4 GiB
  claim.b.resize(40);
  claim.U32(0xFFFFFFFFu);
  cases.push_back({"data claims 4 GiB", claim});
  WavImage shortData = Sound(8);
  shortData.b.resize(shortData.b.size() - 1);
  cases.push_back({"data one byte short", shortData});
  WavImage junk = WavImage::Start();
  junk.Fmt(1, 1, 11025, 16);
  junk.Bytes("junk");
  junk.U32(0xFFFFFFF0u);
  cases.push_back({"huge chunk before the data", junk});
  WavImage bigFmt = WavImage::Start();
  bigFmt.Fmt(1, 1, 11025, 16, 0xFFFFFFFFu);
  cases.push_back({"format larger than the file", bigFmt});
  WavImage smallFmt = WavImage::Start();
  smallFmt.Bytes("fmt ");
  smallFmt.U32(4);
  smallFmt.U32(0);
  smallFmt.Bytes("data");
  smallFmt.U32(0);
  cases.push_back({"format of 4 bytes", smallFmt});
  WavImage early = WavImage::Start();
  early.Bytes("data");
  early.U32(2);
  early.U16(0);
  early.Fmt(1, 1, 11025, 16);
  cases.push_back({"data before format", early});
  WavImage noData = WavImage::Start();
  noData.Fmt(1, 1, 11025, 16);
  cases.push_back({"no data", noData});
  WavImage cutHeader = noData;
  cutHeader.b.insert(cutHeader.b.end(), {'d', 'a', 't'});
  cases.push_back({"ends inside a chunk header", cutHeader});
  WavImage notWave = Sound(2);
  notWave.b[8] = 'A';
  cases.push_back({"RIFF of another kind", notWave});
  for (size_t n = 0; n < 12; ++n) {
    WavImage w = Sound(2);
    w.b.resize(n);
    cases.push_back({"cut RIFF header", w});
  }
  for (const Case& c : cases) {
    std::string why;
    EXPECT_FALSE(Fits(c.w, &why)) << c.name;
    EXPECT_FALSE(why.empty()) << c.name;
  }
  std::string why;
  EXPECT_FALSE(WaveFileChunksFit("no/such/file.wav", &why));
  EXPECT_FALSE(WaveFileChunksFit(nullptr, &why));
}

// A header's sample rate reaches OpenAL as an int: a rate of 2^31 or more has no int,
// and a rate of 0 divides the play time by zero.
TEST(WaveLayout, SampleRatesNoHardwarePlaysAreRefused) {
  for (uint32_t rate : {0u, 768001u, 0x80000000u, 0xFFFFFFFFu}) {
    WavImage w = WavImage::Start();
    w.Fmt(1, 1, rate, 16);
    w.Bytes("data");
    w.U32(16);
    for (int i = 0; i < 16; ++i) w.b.push_back(static_cast<uint8_t>(i));
    ASSERT_EQ(w.b.size(), 60u);
    std::string why;
    EXPECT_FALSE(Fits(w, &why)) << rate;
    EXPECT_EQ(why, "the sample rate is out of range") << rate;
  }
  for (uint32_t rate : {1u, 8000u, 44100u, 768000u}) {
    WavImage w = WavImage::Start();
    w.Fmt(1, 1, rate, 16);
    w.Bytes("data");
    w.U32(0);
    EXPECT_TRUE(Fits(w)) << rate;
  }
  EXPECT_EQ(SampleRateHz(44100.0f), 44100);
  EXPECT_EQ(SampleRateHz(768000.0f), 768000);
  for (float rate : {4294967295.0f, 2147483648.0f, 0.0f, 0.5f, -44100.0f, std::nanf(""), INFINITY})
    EXPECT_EQ(SampleRateHz(rate), 0) << rate;
}
