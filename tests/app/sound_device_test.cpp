// The game's sound set on a real OpenAL device (the null output): every source loaded
// with its file and properties, the group operations' source states, a missing file,
// reloading and releasing, and EAX on a device without it.
#include <gtest/gtest.h>

#include <AL/al.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/engine_sounds.h"
#include "app/settings.h"
#include "app/sound.h"
#include "tests/app/sound_test_support.h"

namespace {

struct Named {
  const SoundSource* s;
  std::string what;
};

// Every source of the game, 153 with the music: the entry function's 47, the bank's
// 105 loaded entries and the music.
std::vector<Named> AllLoadedSources() {
  std::vector<Named> v;
  const GameSoundSet& g = GameSounds;
  const SoundSource* first = reinterpret_cast<const SoundSource*>(&g);
  for (int i = 0; i < kGameSoundCount; ++i) v.push_back({first + i, "set #" + std::to_string(i)});
  for (int m = 0; m < kEngineDragSamples; ++m) v.push_back({&EngineSounds.drag[m], "drag"});
  for (int k = 0; k < kEngineLadderNotes + kEngineLimitNotes; ++k) {
    v.push_back({&EngineSounds.notes[k], "note " + std::to_string(k)});
    v.push_back({&EngineSounds.notesP[k], "noteP " + std::to_string(k)});
  }
  for (int o = 0; o < kOpponentCount; ++o)
    for (int i = 0; i < kOpponentNotes; ++i) {
      v.push_back({&EngineSounds.opponent[o][i], "opponent"});
      v.push_back({&EngineSounds.opponentP[o][i], "opponentP"});
    }
  v.push_back({&MusicSource, "music"});
  return v;
}

int BufferInt(const SoundSource& s, ALenum what) {
  ALint v = -1;
  alGetBufferi(s.buffer, what, &v);
  return v;
}

float SourceFloat(const SoundSource& s, ALenum what) {
  ALfloat v = -1.0f;
  alGetSourcef(s.source, what, &v);
  return v;
}

int SourceInt(const SoundSource& s, ALenum what) {
  ALint v = -1;
  alGetSourcei(s.source, what, &v);
  return v;
}

class SoundDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    UseNullAudioOutput();
    if (!OpenSoundDevice()) GTEST_SKIP() << "OpenAL gives no device, not even the null output";
  }
  void TearDown() override {
    ReleaseStartupSounds();
    ReleaseBank();
    CloseSoundDevice();
  }
  static void ReleaseBank() {
    for (SoundSource& s : EngineSounds.drag) s.Release();
    for (SoundSource& s : EngineSounds.notes) s.Release();
    for (SoundSource& s : EngineSounds.notesP) s.Release();
    for (auto& row : EngineSounds.opponent)
      for (SoundSource& s : row) s.Release();
    for (auto& row : EngineSounds.opponentP)
      for (SoundSource& s : row) s.Release();
  }
  static void LoadEverything() {
    LoadStartupSounds();
    MusicSource.Load("base/music/menu.wav", true);
  }
};

TEST_F(SoundDevice, EverySourceExistsWithItsFileAndProperties) {
  static_assert(sizeof(GameSoundSet) == kGameSoundCount * sizeof(SoundSource), "47 sources");
  static_assert(kEngineBankSources == 105, "the bank's loaded entries");
  EngineSounds.noteHolds[3] = 7.0f;
  EngineSounds.opponentHolds[2][4] = 7.0f;
  LoadEverything();
  EXPECT_EQ(EngineSounds.noteHolds[3], 0.0f);
  EXPECT_EQ(EngineSounds.opponentHolds[2][4], 0.0f);

  const std::vector<Named> all = AllLoadedSources();
  ASSERT_EQ(all.size(), 153u);
  std::vector<unsigned> names;
  for (const Named& n : all) {
    SCOPED_TRACE(n.what);
    ASSERT_NE(n.s->source, 0u);
    EXPECT_TRUE(alIsSource(n.s->source));
    EXPECT_EQ(n.s->sourceCopy, n.s->source);
    EXPECT_EQ(n.s->sampleData, nullptr);
    EXPECT_GT(BufferInt(*n.s, AL_SIZE), 0) << "the file was not read";
    EXPECT_EQ(BufferInt(*n.s, AL_FREQUENCY), 22050);
    EXPECT_EQ(SourceFloat(*n.s, AL_PITCH), 1.0f);
    EXPECT_EQ(SourceFloat(*n.s, AL_GAIN), 1.0f);
    EXPECT_EQ(SourceFloat(*n.s, AL_REFERENCE_DISTANCE), 12.0f);
    EXPECT_EQ(SourceFloat(*n.s, AL_ROLLOFF_FACTOR), 1.0f);
    EXPECT_EQ(SourceInt(*n.s, AL_BUFFER), static_cast<int>(n.s->buffer));
    names.push_back(n.s->source);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::unique(names.begin(), names.end()), names.end()) << "two records share a source";
  for (int k = kEngineLadderNotes + kEngineLimitNotes; k < kEngineNoteSlots; ++k) {
    EXPECT_EQ(EngineSounds.notes[k].source, 0u);
    EXPECT_EQ(EngineSounds.notesP[k].source, 0u);
  }

  // Looping exactly where the caller asked for it.
  const GameSoundSet& g = GameSounds;
  const SoundSource* loops[] = {&g.enOt[0], &g.enOt[1], &g.enOt[2], &g.enCity,
                                &g.landscapeGround, &g.landscapeGrass, &g.landscapeWater,
                                &g.st1, &g.st2[0], &g.st2[1], &g.st2[2], &g.wind, &g.ambient,
                                &MusicSource, &EngineSounds.drag[0], &EngineSounds.notes[28],
                                &EngineSounds.notesP[34], &EngineSounds.opponentP[2][4]};
  for (const SoundSource* s : loops) EXPECT_EQ(SourceInt(*s, AL_LOOPING), AL_TRUE);
  const SoundSource* once[] = {&g.cr0, &g.cr1, &g.crash[0][0], &g.crash[3][3], &g.point,
                               &g.gear, &g.nitro, &g.signal[2], &g.menu[0], &g.menu[9]};
  for (const SoundSource* s : once) EXPECT_EQ(SourceInt(*s, AL_LOOPING), AL_FALSE);

  // Placed sounds are mono (OpenAL attenuates nothing else); menus and music stereo.
  for (const Named& n : all) {
    const bool stereo = n.s == &MusicSource || (n.s >= &g.menu[0] && n.s <= &g.menu[9]);
    EXPECT_EQ(BufferInt(*n.s, AL_CHANNELS), stereo ? 2 : 1) << n.what;
  }
  // One file behind several sources.
  EXPECT_EQ(BufferInt(g.st2[0], AL_SIZE), BufferInt(g.st2[2], AL_SIZE));
  EXPECT_EQ(BufferInt(EngineSounds.notes[31], AL_SIZE), BufferInt(EngineSounds.notesP[31], AL_SIZE));
  EXPECT_EQ(BufferInt(EngineSounds.opponent[0][3], AL_SIZE),
            BufferInt(EngineSounds.opponent[2][3], AL_SIZE));
}

TEST_F(SoundDevice, GroupOperationsLeaveTheDocumentedStates) {
  LoadEverything();
  GameSoundSet& g = GameSounds;
  // A race under way: every continuous source started, the engine pair playing, a long
  // one-shot (nitro) sounding, and the ground loop already stopped by the race code.
  for (SoundSource* s : {&g.enOt[0], &g.enOt[1], &g.enOt[2], &g.enCity, &g.landscapeGround,
                         &g.landscapeGrass, &g.landscapeWater, &g.st1, &g.st2[0], &g.st2[1],
                         &g.st2[2], &g.wind, &g.ambient, &g.nitro, &EngineSounds.notes[4],
                         &EngineSounds.notes[5], &EngineSounds.drag[1],
                         &EngineSounds.opponent[1][2]})
    s->Play();
  g.landscapeGround.Stop();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ALint ambientOffset = 0;

  PauseAllSounds();
  alGetSourcei(g.ambient.source, AL_SAMPLE_OFFSET, &ambientOffset);
  for (SoundSource* s : {&g.landscapeGrass, &g.landscapeWater, &g.st1, &g.st2[1], &g.enCity,
                         &g.wind, &g.ambient, &EngineSounds.notes[4], &EngineSounds.drag[1],
                         &EngineSounds.opponent[1][2]})
    EXPECT_EQ(s->State(), AL_PAUSED);
  EXPECT_EQ(g.landscapeGround.State(), AL_STOPPED);
  EXPECT_EQ(g.enOt[0].State(), AL_PLAYING);  // the opponents' loops go on
  EXPECT_EQ(g.nitro.State(), AL_PLAYING);    // not part of the pause
  EXPECT_EQ(EngineSounds.notes[40].State(), 0);  // an unloaded slot stays without a source

  ResumeAllSounds();
  for (SoundSource* s : {&g.landscapeGrass, &g.landscapeWater, &g.st1, &g.st2[0], &g.enCity,
                         &g.wind, &g.ambient})
    EXPECT_EQ(s->State(), AL_PLAYING);
  EXPECT_EQ(g.landscapeGround.State(), AL_STOPPED) << "a stopped loop was started again";
  EXPECT_EQ(EngineSounds.notes[4].State(), AL_PAUSED) << "engine notes wait for the race code";
  EXPECT_EQ(EngineSounds.opponent[1][2].State(), AL_PAUSED);
  ALint resumedOffset = 0;
  alGetSourcei(g.ambient.source, AL_SAMPLE_OFFSET, &resumedOffset);
  EXPECT_GE(resumedOffset, ambientOffset) << "the ambient loop lost its place";
  EXPECT_GT(ambientOffset, 2000) << "the ambient loop should have been playing a while";

  StopAllSounds();
  for (SoundSource* s : {&g.landscapeGrass, &g.st1, &g.st2[2], &g.wind, &g.ambient, &g.nitro,
                         &EngineSounds.notes[4], &EngineSounds.drag[1],
                         &EngineSounds.opponent[1][2]})
    EXPECT_EQ(s->State(), AL_STOPPED);
  EXPECT_EQ(g.enCity.State(), AL_PLAYING);   // not part of the stop
  EXPECT_EQ(g.enOt[1].State(), AL_PLAYING);

  // After a stop nothing is left to resume.
  g.wind.Play();
  PauseAllSounds();
  StopAllSounds();
  ResumeAllSounds();
  EXPECT_EQ(g.wind.State(), AL_STOPPED);
  EXPECT_EQ(g.st1.State(), AL_STOPPED);

  // Two pauses in a row (Escape, then focus lost) still resume what was playing.
  g.st1.Play();
  PauseAllSounds();
  PauseAllSounds();
  ResumeAllSounds();
  EXPECT_EQ(g.st1.State(), AL_PLAYING);
  // A resume without a pause starts nothing.
  g.st1.Stop();
  ResumeAllSounds();
  EXPECT_EQ(g.st1.State(), AL_STOPPED);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

// A copy of base/ with one sound file left out: real folders, each file a link to the
// original. Leaving the file out removes only its link, so base/ being a link itself
// (or holding linked folders) never exposes a real file to the removal.
class BaseWithoutOneFile {
 public:
  explicit BaseWithoutOneFile(const std::string& missing) {
    namespace fs = std::filesystem;
    char tmpl[] = "/tmp/kelvamor_sound_XXXXXX";
    if (!mkdtemp(tmpl)) return;
    dir_ = tmpl;
    old_ = getcwd(nullptr, 0);
    std::error_code e;
    const fs::path from = fs::canonical(fs::path(old_) / "base", e);
    if (e) return;
    const fs::path to = fs::path(dir_) / "base";
    fs::create_directory(to, e);
    for (fs::recursive_directory_iterator it(from, fs::directory_options::follow_directory_symlink, e), end;
         !e && it != end; it.increment(e)) {
      const fs::path copy = to / fs::relative(it->path(), from);
      if (it->is_directory(e)) fs::create_directory(copy, e);
      else fs::create_symlink(fs::canonical(it->path(), e), copy, e);
    }
    if (e) return;
    const fs::path left = to / missing;
    if (!fs::is_symlink(left) || !fs::remove(left, e)) return;
    ok_ = chdir(dir_.c_str()) == 0;
  }
  ~BaseWithoutOneFile() {
    if (old_ && chdir(old_) != 0) ADD_FAILURE() << "cannot return to " << old_;
    std::free(old_);
    std::error_code e;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, e);
  }
  bool ok() const { return ok_; }

 private:
  std::string dir_;
  char* old_ = nullptr;
  bool ok_ = false;
};

// Run where base/ is a link to the real folder: the copy leaves the file out and the
// real one is still there afterwards.
TEST(SoundBaseCopy, LeavingOutAFileNeverRemovesTheRealOne) {
  namespace fs = std::filesystem;
  char tmpl[] = "/tmp/kelvamor_linked_base_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path root = tmpl;
  const fs::path real = root / "real_base";
  fs::create_directories(real / "sound" / "Varn130");
  for (const char* name : {"sound/Varn130/2369_P.wav", "sound/menu1.wav"}) {
    std::FILE* f = std::fopen((real / name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("RIFF", f);
    std::fclose(f);
  }
  const fs::path game = root / "game";
  fs::create_directory(game);
  fs::create_directory_symlink(real, game / "base");
  char* back = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(game.c_str()), 0);
  {
    BaseWithoutOneFile copy("sound/Varn130/2369_P.wav");
    EXPECT_TRUE(copy.ok());
    EXPECT_FALSE(fs::exists("base/sound/Varn130/2369_P.wav")) << "the copy lacks the file";
    EXPECT_TRUE(fs::exists("base/sound/menu1.wav")) << "and has the others";
  }
  EXPECT_EQ(chdir(back), 0);
  std::free(back);
  EXPECT_TRUE(fs::is_regular_file(real / "sound/Varn130/2369_P.wav")) << "the real file is kept";
  EXPECT_TRUE(fs::is_regular_file(real / "sound/menu1.wav"));
  fs::remove_all(root);
}

TEST_F(SoundDevice, AMissingFileLeavesOneSilentSourceAndNothingElse) {
  LoadEverything();
  std::vector<int> sizes;
  for (const Named& n : AllLoadedSources()) sizes.push_back(BufferInt(*n.s, AL_SIZE));
  ReleaseStartupSounds();
  ReleaseBank();

  BaseWithoutOneFile base("sound/Varn130/2369_P.wav");
  ASSERT_TRUE(base.ok());
  LoadEverything();
  const std::vector<Named> all = AllLoadedSources();
  int silent = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    const SoundSource& s = *all[i].s;
    ASSERT_NE(s.source, 0u) << all[i].what << ": every source still exists";
    if (&s == &EngineSounds.notesP[17]) {
      ++silent;
      EXPECT_EQ(BufferInt(s, AL_SIZE), 0);
      EXPECT_EQ(s.size, 0);
      EXPECT_EQ(s.format, 0);
      EXPECT_EQ(SourceInt(s, AL_LOOPING), AL_TRUE);
    } else {
      EXPECT_EQ(BufferInt(s, AL_SIZE), sizes[i]) << all[i].what;
    }
  }
  EXPECT_EQ(silent, 1);
  const_cast<SoundSource&>(EngineSounds.notesP[17]).Play();
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

// Sound files are read through ALUT; files whose sizes lie or that end early must give a
// source that plays silence or what the file holds, never more, and leave no error.
TEST_F(SoundDevice, HostileWavFilesGiveASilentSourceOrWhatTheFileHolds) {
  char tmpl[] = "/tmp/kelvamor_wav_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  std::vector<WavImage> files;
  WavImage cut = WavImage::Start();  // a data chunk claiming more than the file holds
  cut.Fmt(1, 1, 11025, 16);
  cut.Bytes("data");
  cut.U32(0xFFFFFFF0u);
  cut.b.insert(cut.b.end(), {1, 2, 3, 4, 5});
  files.push_back(cut);
  WavImage skip = WavImage::Start();  // a huge chunk before the data
  skip.Fmt(1, 1, 11025, 16);
  skip.Bytes("junk");
  skip.U32(0xFFFFFFFFu);
  skip.Bytes("data");
  skip.U32(2);
  skip.U16(7);
  files.push_back(skip);
  WavImage bigFmt = WavImage::Start();  // a format chunk larger than the file
  bigFmt.Fmt(1, 1, 11025, 16, 0xFFFFFFFFu);
  files.push_back(bigFmt);
  WavImage header = WavImage::Start();  // ends inside a chunk header
  header.Fmt(1, 1, 11025, 16);
  header.b.insert(header.b.end(), {'d', 'a'});
  files.push_back(header);
  WavImage early = WavImage::Start();  // data before its format
  early.Bytes("data");
  early.U32(2);
  early.U16(0);
  early.Fmt(1, 1, 11025, 16);
  files.push_back(early);
  for (size_t n = 0; n < 12; ++n) {  // every cut of the RIFF header
    WavImage w = header;
    w.b.resize(n);
    files.push_back(w);
  }
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string path = dir + "/" + std::to_string(i) + ".wav";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!files[i].b.empty()) std::fwrite(files[i].b.data(), 1, files[i].b.size(), f);
    std::fclose(f);
    SoundSource s{};
    s.Load(path.c_str(), false);
    ASSERT_NE(s.source, 0u) << "file " << i;
    EXPECT_GE(s.size, 0) << "file " << i;
    EXPECT_LE(static_cast<size_t>(s.size), files[i].b.size()) << "file " << i;
    EXPECT_EQ(BufferInt(s, AL_SIZE), s.size) << "file " << i;
    s.Play();
    EXPECT_EQ(alGetError(), AL_NO_ERROR) << "file " << i;
    s.Release();
  }
  std::system(("rm -rf \"" + dir + "\"").c_str());
}

// A 44-byte file whose data chunk claims 4 GiB: refused before ALUT allocates the claim
// (a machine without overcommit would fail that allocation; a sanitizer run took 8.7 s).
TEST_F(SoundDevice, AFileClaimingGigabytesIsRefusedAtOnce) {
  char tmpl[] = "/tmp/kelvamor_wav_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string path = std::string(tmpl) + "/claim.wav";
  WavImage w = WavImage::Start();
  w.Fmt(1, 1, 11025, 16);
  w.Bytes("data");
  w.U32(0xFFFFFFFFu);
  ASSERT_EQ(w.b.size(), 44u);
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(w.b.data(), 1, w.b.size(), f);
  std::fclose(f);
  SoundSource s{};
  testing::internal::CaptureStderr();
  const auto start = std::chrono::steady_clock::now();
  s.Load(path.c_str(), false);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_LT(ms, 50.0);
  EXPECT_NE(log.find("claims more bytes than the file holds"), std::string::npos) << log;
  ASSERT_NE(s.source, 0u) << "the sample keeps a silent source";
  EXPECT_EQ(s.size, 0);
  EXPECT_EQ(BufferInt(s, AL_SIZE), 0);
  s.Release();
  std::system(("rm -rf \"" + std::string(tmpl) + "\"").c_str());
}

TEST_F(SoundDevice, ReloadingNeverKeepsTheLastFilesSizeOrSource) {
  SoundSource s{};
  s.Load("base/sound/menu4.wav", false);
  ASSERT_NE(s.source, 0u);
  const unsigned firstSource = s.source;
  EXPECT_GT(s.size, 0);
  EXPECT_NE(s.format, 0);

  // The same record loaded again gives its old source back: OpenAL Soft hands out at
  // most 256 sources, so 300 reloads that leaked would end without one.
  for (int i = 0; i < 300; ++i) s.Load("base/sound/menu4.wav", false);
  ASSERT_NE(s.source, 0u) << "reloading leaked sources (first was " << firstSource << ")";
  s.Load("base/sound/no_such_sound.wav", false);
  ASSERT_NE(s.source, 0u);
  EXPECT_EQ(s.size, 0) << "a failed read kept the previous size";
  EXPECT_EQ(s.format, 0);
  EXPECT_EQ(s.frequency, 0);
  EXPECT_EQ(BufferInt(s, AL_SIZE), 0);
  s.Play();
  EXPECT_EQ(alGetError(), AL_NO_ERROR);

  s.Load("base/music/2.wav", true);
  EXPECT_EQ(BufferInt(s, AL_CHANNELS), 2);
  EXPECT_EQ(BufferInt(s, AL_SIZE), s.size);
  s.Release();
  EXPECT_EQ(s.source, 0u);
  EXPECT_EQ(s.buffer, 0u);
}

// The race's fades and engine pitches are computed: one that overshoots below zero or
// goes NaN must not leave the source at its last, loud value (OpenAL refuses such a
// value and keeps the old one), nor leave an error behind in the shared context.
TEST_F(SoundDevice, GainAndPitchOutsideTheirRangesNeverKeepTheLastValue) {
  SoundSource s{};
  s.Load("base/sound/menu1.wav", false);
  ASSERT_NE(s.source, 0u);
  for (float bad : {-0.25f, -1e30f, NAN}) {
    s.SetGain(0.8f);
    s.SetGain(bad);
    EXPECT_FLOAT_EQ(SourceFloat(s, AL_GAIN), 0.0f) << "gain " << bad;
    EXPECT_EQ(alGetError(), AL_NO_ERROR) << "gain " << bad;
  }
  s.SetGain(INFINITY);
  EXPECT_TRUE(std::isfinite(SourceFloat(s, AL_GAIN)));
  s.SetGain(0.35f);
  EXPECT_FLOAT_EQ(SourceFloat(s, AL_GAIN), 0.35f) << "a usable gain is kept as given";

  // A stalled or back-spinning engine: the note slows to a crawl instead of keeping the
  // last pitch; a NaN pitch changes nothing.
  for (float low : {0.0f, -0.5f}) {
    s.SetPitch(1.5f);
    s.SetPitch(low);
    EXPECT_GT(SourceFloat(s, AL_PITCH), 0.0f) << "pitch " << low;
    EXPECT_LT(SourceFloat(s, AL_PITCH), 0.05f) << "pitch " << low;
    EXPECT_EQ(alGetError(), AL_NO_ERROR) << "pitch " << low;
  }
  s.SetPitch(1.5f);
  s.SetPitch(NAN);
  s.SetPitch(INFINITY);
  EXPECT_FLOAT_EQ(SourceFloat(s, AL_PITCH), 1.5f);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
  s.SetPitch(2.0f);
  EXPECT_FLOAT_EQ(SourceFloat(s, AL_PITCH), 2.0f);
  s.Release();
}

// OpenAL keeps one error code per context, shared by both threads. The loader loads the
// music while the main thread plays and pauses sources: an error raised by the main
// thread in the middle of a load must not make the load throw its source away.
TEST_F(SoundDevice, AnotherThreadsErrorNeverFailsALoad) {
  // The other thread raises errors through the game's own calls: OpenAL refuses a
  // non-finite position and records AL_INVALID_VALUE in the shared context.
  SoundSource noisy{};
  noisy.Load("base/sound/menu4.wav", false);
  ASSERT_NE(noisy.source, 0u);
  std::atomic<bool> stop{false};
  std::thread other([&stop, &noisy] {
    while (!stop.load()) noisy.SetPosition(NAN, 0, 0, 0, 0, 0);
  });
  std::vector<SoundSource> loaded(60);
  for (SoundSource& s : loaded) s.Load("base/sound/menu2.wav", false);
  stop.store(true);
  other.join();
  int missing = 0, silent = 0;
  for (SoundSource& s : loaded) {
    if (s.source == 0 || !alIsSource(s.source)) ++missing;
    if (s.size == 0 || BufferInt(s, AL_SIZE) == 0) ++silent;
    s.Release();
  }
  EXPECT_EQ(missing, 0) << "loads dropped because of the other thread's error";
  EXPECT_EQ(silent, 0) << "files not read because of the other thread's error";
  noisy.Release();
  alGetError();
}

// The loader loads the music (menu content, a track, the garage) while the window's
// focus changes pause and play it on the main thread: the source name is read by one
// thread while the other replaces it. Run under ThreadSanitizer too.
TEST_F(SoundDevice, MusicPlayedAndPausedWhileTheLoaderReloadsIt) {
  std::atomic<bool> done{false};
  std::thread loader([&done] {
    for (int i = 0; i < 40; ++i) MusicSource.Load(i % 2 ? "base/music/2.wav" : "base/music/menu.wav", true);
    done.store(true);
  });
  int calls = 0;
  while (!done.load()) {
    MusicSource.Pause();
    MusicSource.Play();
    MusicSource.SetGain(0.5f);
    ++calls;
  }
  loader.join();
  EXPECT_GT(calls, 0);
  ASSERT_TRUE(alIsSource(MusicSource.source));
  MusicSource.Play();
  EXPECT_EQ(MusicSource.State(), AL_PLAYING);
  MusicSource.Release();
  alGetError();
}

TEST_F(SoundDevice, ReleasingTwiceOrNeverLoadedTouchesNoOtherSource) {
  SoundSource a{}, b{}, never{};
  a.Load("base/sound/menu1.wav", false);
  const unsigned aName = a.source;
  a.Release();
  b.Load("base/sound/menu2.wav", false);
  a.Release();       // a second time: nothing left to delete
  never.Release();   // never loaded
  never.Play();
  never.SetGain(0.5f);
  never.SetPosition(1, 2, 3, 4, 5, 6);
  EXPECT_FALSE(never.IsPlaying());
  EXPECT_EQ(never.State(), 0);
  ASSERT_TRUE(alIsSource(b.source)) << "releasing a again deleted b (name " << aName << ")";
  b.Play();
  EXPECT_EQ(b.State(), AL_PLAYING);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
  b.Release();
}

TEST_F(SoundDevice, EaxSettingIsClearedWhenTheDeviceHasNoEax) {
  if (alIsExtensionPresent("EAX2.0") || alIsExtensionPresent("EAX2.0EMULATED"))
    GTEST_SKIP() << "this OpenAL offers EAX 2.0";
  Settings.eax = 1;
  EaxAvailable = 1;
  SetupEax();
  EXPECT_EQ(Settings.eax, 0) << "would be saved on";
  EXPECT_EQ(EaxAvailable, 0);
  SetupEax();
  EXPECT_EQ(Settings.eax, 0);
}

TEST_F(SoundDevice, TheSoundSetStaysSmall) {
  // The whole generated set (sound and music) in a few megabytes.
  const std::string cmd = "du -sb base/sound base/music | awk '{s+=$1} END {print s}'";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  long long bytes = 0;
  ASSERT_EQ(fscanf(p, "%lld", &bytes), 1);
  pclose(p);
  EXPECT_GT(bytes, 1000000);
  EXPECT_LT(bytes, 8 * 1024 * 1024);
}

}  // namespace
