// The engine note's mix: the three ladders, the equal-power cross-fade, bracket
// selection at and between recording speeds, the load split and the drag layer, the
// hold before a silenced sample is stopped (paused for the drag layer), the opponents'
// clamp, and the inputs the mix must survive (first frame at 0 rpm, the rev limit in
// sixth and in reverse, Sound off, NaN and infinity). The mix runs against a small
// model of OpenAL's playing flags; one test drives the real sources on the null device.
#include <gtest/gtest.h>

#include <AL/al.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>

#include "app/engine_sounds.h"
#include "app/frame.h"
#include "app/settings.h"
#include "app/sound.h"
#include "race/engine_sound.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kHold = 0.05f;

// The engine speed whose stretched value is about r (inside the same interval as r
// unless r sits within a fraction of an rpm of an entry).
float RpmFor(float r) { return (r + 750.0f * 0.003f) / 1.003f; }

// What OpenAL would report after the cues: started sources play, stopped or paused
// ones do not.
void Follow(const SourceMix* mix, bool* playing, int n) {
  for (int i = 0; i < n; ++i) {
    if (mix[i].cue == SourceCue::kStart) playing[i] = true;
    if (mix[i].cue == SourceCue::kStopAndRewind || mix[i].cue == SourceCue::kPause)
      playing[i] = false;
  }
}

int CountCues(const SourceMix* mix, int n, SourceCue cue) {
  int c = 0;
  for (int i = 0; i < n; ++i) c += mix[i].cue == cue;
  return c;
}

bool SameSource(const SourceMix& a, const SourceMix& b) {
  return a.cue == b.cue && a.setPitch == b.setPitch && a.setGain == b.setGain &&
         (!a.setPitch || a.pitch == b.pitch) && (!a.setGain || a.gain == b.gain);
}

bool AllFinite(const SourceMix* mix, int n) {
  for (int i = 0; i < n; ++i)
    if ((mix[i].setPitch && !std::isfinite(mix[i].pitch)) ||
        (mix[i].setGain && !std::isfinite(mix[i].gain)))
      return false;
  return true;
}

// The player's car with its sources as OpenAL would keep them.
struct PlayerRig {
  PlayerEngineState state = InitialPlayerEngineState();
  PlayerSourcesPlaying playing{};
  PlayerEngineMix mix{};

  const PlayerEngineMix& Frame(float rpm, float load, int gear, float ticks = 1.0f,
                               bool soundOn = true) {
    MixPlayerEngine(state, {rpm, load, gear, ticks, soundOn}, playing, &mix);
    Follow(mix.notes, playing.notes, kPlayerNotes);
    Follow(mix.notesP, playing.notesP, kPlayerNotes);
    Follow(mix.drag, playing.drag, kEngineDragSamples);
    return mix;
  }
  int Starts() const {
    return CountCues(mix.notes, kPlayerNotes, SourceCue::kStart) +
           CountCues(mix.notesP, kPlayerNotes, SourceCue::kStart) +
           CountCues(mix.drag, kEngineDragSamples, SourceCue::kStart);
  }
  bool Finite() const {
    return AllFinite(mix.notes, kPlayerNotes) && AllFinite(mix.notesP, kPlayerNotes) &&
           AllFinite(mix.drag, kEngineDragSamples);
  }
};

bool SameMix(const PlayerEngineMix& a, const PlayerEngineMix& b) {
  for (int k = 0; k < kPlayerNotes; ++k)
    if (!SameSource(a.notes[k], b.notes[k]) || !SameSource(a.notesP[k], b.notesP[k])) return false;
  for (int m = 0; m < kEngineDragSamples; ++m)
    if (!SameSource(a.drag[m], b.drag[m])) return false;
  return true;
}

struct OpponentRig {
  OpponentEngineState state = InitialOpponentEngineState();
  OpponentSourcesPlaying playing{};
  OpponentEngineMix mix{};

  const OpponentEngineMix& Frame(float rpm, float load, float ticks = 1.0f) {
    MixOpponentEngine(state, {rpm, load, 3, ticks, true}, playing, &mix);
    Follow(mix.notes, playing.notes, kOpponentNotes);
    Follow(mix.notesP, playing.notesP, kOpponentNotes);
    return mix;
  }
};

// -- Ladders and the cross-fade ---------------------------------------------------

TEST(EngineSound, LaddersHoldTheRecordedSpeeds) {
  const float expected[kPlayerNotes] = {
      750,  802,  858,  918,  982,  1050, 1123, 1201, 1285, 1374, 1470, 1572,
      1682, 1799, 1924, 2058, 2202, 2356, 2520, 2696, 2884, 3085, 3300, 3531,
      3778, 4042, 4324, 4626, 4986, 4987, 4987, 4987, 4987, 4987, 4987};
  for (int k = 0; k < kPlayerNotes; ++k) EXPECT_EQ(PlayerNoteRpm(k), expected[k]) << "entry " << k;
  EXPECT_EQ(PlayerNoteRpm(-1), 0.0f);
  EXPECT_EQ(PlayerNoteRpm(kPlayerNotes), 0.0f);
  // The file names were rounded, the ladder truncated: both stay, and every ladder
  // entry is within 1 % of the file it pitches.
  EXPECT_EQ(EngineNoteRpm(1), 803);
  EXPECT_EQ(EngineNoteRpm(2), 859);
  for (int k = 0; k < kEngineLadderNotes; ++k)
    EXPECT_NEAR(PlayerNoteRpm(k), EngineNoteRpm(k), EngineNoteRpm(k) * 0.01f) << "entry " << k;

  const float drag[kEngineDragSamples] = {750.0f, 1597.4f, 2444.8f, 3292.2f, 4139.6f};
  for (int m = 0; m < kEngineDragSamples; ++m) EXPECT_NEAR(DragSampleRpm(m), drag[m], 1e-3f);
  const float opponent[kOpponentNotes] = {750, 1475, 2369, 3804, 4986};
  for (int i = 0; i < kOpponentNotes; ++i) {
    EXPECT_EQ(OpponentNoteRpm(i), opponent[i]);
    EXPECT_NEAR(OpponentNoteRpm(i), EngineNoteRpm(kOpponentNoteIndex[i]), 1.0f);
  }
}

TEST(EngineSound, CrossfadeIsEqualPowerAcrossABracket) {
  const float brackets[][2] = {{750, 802}, {1470, 1572}, {4626, 4986}, {4986, 4987}, {750, 1475}};
  for (const auto& b : brackets) {
    const float lo = b[0], hi = b[1];
    SCOPED_TRACE(testing::Message() << lo << " .. " << hi);
    EXPECT_FLOAT_EQ(EngineCrossfadeGain(lo, lo, hi / lo), 1.0f);
    EXPECT_NEAR(EngineCrossfadeGain(hi, lo, lo / hi), 0.0f, 0.02f);
    EXPECT_NEAR(EngineCrossfadeGain(lo, hi, hi / lo), 0.0f, 0.02f);
    EXPECT_FLOAT_EQ(EngineCrossfadeGain(hi, hi, lo / hi), 1.0f);
    for (float f : {0.1f, 0.25f, 0.5f, 0.9f}) {
      const float rpm = lo + (hi - lo) * f;
      const float gl = EngineCrossfadeGain(lo, rpm, hi / lo);
      const float gh = EngineCrossfadeGain(hi, rpm, lo / hi);
      EXPECT_NEAR(gl * gl + gh * gh, 1.0f, 2e-3f) << "at " << rpm;
      EXPECT_NEAR(gl, std::sqrt(1.0f - f), 2e-3f) << "at " << rpm;
    }
    // Beyond the neighbour the sample is silent, not negative or NaN.
    EXPECT_EQ(EngineCrossfadeGain(lo, hi + 100.0f, hi / lo), 0.0f);
  }
  // A pair of one sample (ratio 1) has nothing to fade to: full gain, on the sample
  // (0 / 0) and off it (x / 0) alike.
  EXPECT_EQ(EngineCrossfadeGain(4986.0f, 4986.0f, 1.0f), 1.0f);
  EXPECT_EQ(EngineCrossfadeGain(4986.0f, 4986.5f, 1.0f), 1.0f);
  EXPECT_EQ(EngineCrossfadeGain(750.0f, kNaN, 802.0f / 750.0f), 0.0f);
  // The drag layer passes its step as the ratio: across its own interval the fade
  // barely moves (the worst case is the lowest sample at the top of its interval).
  EXPECT_GT(EngineCrossfadeGain(750.0f, 1597.3f, 847.4f), 0.9993f);
  EXPECT_GT(EngineCrossfadeGain(3292.2f, 4986.99f, 847.4f), 0.9993f);
}

// -- Bracket selection ------------------------------------------------------------

TEST(EngineSound, IdleSpeedPlaysTheFirstPair) {
  PlayerRig p;
  p.Frame(750.0f, 0.0f, 1);
  EXPECT_EQ(p.state.notes.lower, 0);
  EXPECT_EQ(p.state.notes.upper, 1);
  const PlayerEngineMix& m = p.mix;
  EXPECT_FLOAT_EQ(m.notes[0].pitch, 1.0f);
  EXPECT_FLOAT_EQ(m.notes[1].pitch, 750.0f / 802.0f);
  EXPECT_FLOAT_EQ(m.notesP[1].pitch, 750.0f / 802.0f);
  EXPECT_FLOAT_EQ(m.notes[0].gain, 1.0f);
  EXPECT_NEAR(m.notes[1].gain, 0.0f, 1e-3f);
  EXPECT_EQ(m.notesP[0].gain, 0.0f) << "no load: the under-load recording is silent";
  for (const SourceMix* s : {&m.notes[0], &m.notes[1], &m.notesP[0], &m.notesP[1], &m.drag[0], &m.drag[1]})
    EXPECT_EQ(s->cue, SourceCue::kStart);
  EXPECT_EQ(p.Starts(), 6) << "nothing but the pair and its drag pair starts";
  EXPECT_FALSE(m.drag[0].setPitch) << "the drag samples keep pitch 1";
  EXPECT_EQ(p.state.noteHold[0], kHold);
  EXPECT_EQ(p.state.noteHold[1], kHold);
  EXPECT_EQ(p.state.dragHold[1], kHold);

  // A second frame at the same speed starts nothing again.
  p.Frame(750.0f, 0.0f, 1);
  EXPECT_EQ(p.Starts(), 0);
  EXPECT_FLOAT_EQ(p.mix.notes[0].gain, 1.0f);
}

TEST(EngineSound, SpeedOnALadderEntrySelectsTheIntervalStartingThere) {
  float ladder[kPlayerNotes];
  for (int k = 0; k < kPlayerNotes; ++k) ladder[k] = PlayerNoteRpm(k);
  for (int k = 0; k <= kTopLadderNote; ++k) {
    EXPECT_EQ(FindEngineInterval(ladder, kTopLadderNote + 1, ladder[k]), k);
    if (k > 0) {
      EXPECT_EQ(FindEngineInterval(ladder, kTopLadderNote + 1, std::nextafter(ladder[k], 0.0f)), k - 1);
    }
  }
  EXPECT_EQ(FindEngineInterval(ladder, kTopLadderNote + 1, 4987.0f), -1);
  float drag[kEngineDragSamples];
  for (int m = 0; m < kEngineDragSamples; ++m) drag[m] = DragSampleRpm(m);
  for (int m = 0; m < kEngineDragSamples - 1; ++m) EXPECT_EQ(FindEngineInterval(drag, 4, drag[m]), m);

  // Through the player's mix: engine speeds whose stretched value lands exactly on an
  // entry play that entry at pitch 1 and full cross-fade gain.
  int exact = 0;
  for (int k = 1; k < kTopLadderNote; ++k) {
    float rpm = RpmFor(ladder[k]);
    for (int step = 0; step < 64 && StretchedEngineRpm(rpm) != ladder[k]; ++step)
      rpm = std::nextafter(rpm, StretchedEngineRpm(rpm) < ladder[k] ? 1e6f : 0.0f);
    if (StretchedEngineRpm(rpm) != ladder[k]) continue;  // no float speed stretches onto it
    ++exact;
    PlayerRig p;
    p.Frame(rpm, 0.0f, 3);
    EXPECT_EQ(p.state.notes.lower, k);
    EXPECT_EQ(p.state.notes.upper, k + 1);
    EXPECT_EQ(p.mix.notes[k].pitch, 1.0f);
    EXPECT_EQ(p.mix.notes[k].gain, 1.0f);
  }
  EXPECT_GT(exact, 10) << "too few entries reached exactly to say anything";

  // Opponents are not stretched: 1475 is an entry as it stands.
  OpponentRig o;
  o.Frame(1475.0f, 0.0f);
  EXPECT_EQ(o.state.notes.lower, 1);
  EXPECT_EQ(o.state.notes.upper, 2);
  EXPECT_EQ(o.mix.notes[1].pitch, 1.0f);
  EXPECT_EQ(o.mix.notes[1].gain, 1.0f);
}

TEST(EngineSound, LoadSplitsTheRecordingsAndFadesTheDragLayer) {
  const float rpm = RpmFor(1470.0f + 0.3f * (1572.0f - 1470.0f));  // pair (10, 11)
  const float g10 = std::sqrt(0.7f), g11 = std::sqrt(0.3f);
  struct Case {
    float load, off, on, drag;
  };
  const Case cases[] = {{0.0f, 1.0f, 0.0f, 1.0f},
                        {0.25f, std::sqrt(0.75f), 0.5f, 0.5f},
                        {0.5f, std::sqrt(0.5f), std::sqrt(0.5f), 0.0f},
                        {0.75f, 0.5f, std::sqrt(0.75f), 0.0f},
                        {1.0f, 0.0f, 1.0f, 0.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "load " << c.load);
    PlayerRig p;
    p.Frame(rpm, c.load, 2);
    ASSERT_EQ(p.state.notes.lower, 10);
    EXPECT_NEAR(p.mix.notes[10].gain, c.off * g10, 3e-3f);
    EXPECT_NEAR(p.mix.notesP[10].gain, c.on * g10, 3e-3f);
    EXPECT_NEAR(p.mix.notes[11].gain, c.off * g11, 3e-3f);
    EXPECT_NEAR(p.mix.notesP[11].gain, c.on * g11, 3e-3f);
    // Both drag samples at about the layer's gain, whatever the bracket.
    EXPECT_EQ(p.state.drag.lower, 0);
    EXPECT_NEAR(p.mix.drag[0].gain, c.drag, 1e-3f);
    EXPECT_NEAR(p.mix.drag[1].gain, c.drag, 1e-3f);
    EXPECT_EQ(p.mix.drag[0].cue, SourceCue::kStart) << "a silent drag layer still runs";
  }
  // A load outside 0..1 is held to it rather than taking a root of a negative number.
  PlayerRig p;
  p.Frame(rpm, 1.5f, 2);
  EXPECT_TRUE(p.Finite());
  EXPECT_EQ(p.mix.notes[10].gain, 0.0f);
  p.Frame(rpm, -0.5f, 2);
  EXPECT_TRUE(p.Finite());
  EXPECT_EQ(p.mix.notesP[10].gain, 0.0f);
}

// -- Leaving a pair ---------------------------------------------------------------

TEST(EngineSound, LeftSamplesFallSilentAtOnceAndStopAfterTheHold) {
  PlayerRig p;
  p.Frame(750.0f, 0.2f, 1, 2.0f);
  // A jump to pair (12, 13) and drag pair (1, 2): notes 0 and 1 and drag 0 leave.
  const float rpm = RpmFor(1700.0f);
  p.Frame(rpm, 0.2f, 2, 2.0f);
  ASSERT_EQ(p.state.notes.lower, 12);
  ASSERT_EQ(p.state.drag.lower, 1);
  EXPECT_EQ(p.mix.notes[12].cue, SourceCue::kStart);
  EXPECT_EQ(p.mix.drag[2].cue, SourceCue::kStart);
  EXPECT_EQ(p.mix.drag[1].cue, SourceCue::kNone) << "still in the pair: plays on";

  // 20 ms frames: silent but playing while any of the 0.05 s is left (0.02 s in the
  // frame of the jump, then 0.04, 0.06), stopped on the first frame after it.
  float elapsed = 0.0f;
  for (int frame = 0; frame < 4; ++frame) {
    SCOPED_TRACE(testing::Message() << "frame " << frame);
    if (frame > 0) p.Frame(rpm, 0.2f, 2, 2.0f);
    const bool held = elapsed < kHold;
    for (const SourceMix* s : {&p.mix.notes[0], &p.mix.notesP[0], &p.mix.notes[1], &p.mix.notesP[1]}) {
      EXPECT_EQ(s->cue, held ? SourceCue::kNone : SourceCue::kStopAndRewind);
      EXPECT_EQ(s->setGain, held);
      if (held) {
        EXPECT_EQ(s->gain, 0.0f);
      }
      EXPECT_FALSE(s->setPitch);
    }
    // The drag layer is paused, not stopped: it resumes mid-loop when picked again.
    EXPECT_EQ(p.mix.drag[0].cue, held ? SourceCue::kNone : SourceCue::kPause);
    if (held) {
      EXPECT_EQ(p.mix.drag[0].gain, 0.0f);
    }
    elapsed += 0.02f;
  }
  EXPECT_FALSE(p.playing.notes[0]);
  EXPECT_FALSE(p.playing.drag[0]);
  // Once stopped, a left sample is left alone.
  p.Frame(rpm, 0.2f, 2, 2.0f);
  EXPECT_EQ(p.mix.notes[0].cue, SourceCue::kNone);
  EXPECT_FALSE(p.mix.notes[0].setGain);
  EXPECT_EQ(p.Starts(), 0);
}

TEST(EngineSound, SamplePickedAgainWithinItsHoldIsNotRestarted) {
  PlayerRig p;
  p.Frame(750.0f, 0.0f, 1);
  p.Frame(RpmFor(900.0f), 0.0f, 1);  // pair (2, 3): 0 and 1 held
  EXPECT_EQ(p.mix.notes[0].gain, 0.0f);
  p.Frame(750.0f, 0.0f, 1);
  EXPECT_EQ(p.state.notes.lower, 0);
  EXPECT_EQ(p.mix.notes[0].cue, SourceCue::kNone) << "it never stopped: no restart";
  EXPECT_FLOAT_EQ(p.mix.notes[0].gain, 1.0f);
  EXPECT_EQ(p.state.noteHold[0], kHold);
  EXPECT_LT(p.state.noteHold[2], kHold) << "now 2 and 3 count down";
}

TEST(EngineSound, OpponentClampsItsSpeedIntoTheLadder) {
  OpponentRig below, at;
  below.Frame(700.0f, 0.3f);
  at.Frame(751.0f, 0.3f);
  EXPECT_EQ(below.state.notes.lower, 0);
  EXPECT_EQ(below.state.notes.upper, 1);
  EXPECT_FLOAT_EQ(below.mix.notes[0].pitch, 751.0f / 750.0f);
  EXPECT_FLOAT_EQ(below.mix.notes[1].pitch, 751.0f / 1475.0f);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(SameSource(below.mix.notes[i], at.mix.notes[i])) << i;
    EXPECT_TRUE(SameSource(below.mix.notesP[i], at.mix.notesP[i])) << i;
  }
  const float g0 = EngineCrossfadeGain(750.0f, 751.0f, 1475.0f / 750.0f);
  const float g1 = EngineCrossfadeGain(1475.0f, 751.0f, 750.0f / 1475.0f);
  EXPECT_NEAR(g0 * g0 + g1 * g1, 1.0f, 1e-4f);
  EXPECT_NEAR(below.mix.notes[0].gain, std::sqrt(0.7f) * g0, 1e-5f);
  EXPECT_NEAR(below.mix.notesP[1].gain, std::sqrt(0.3f) * g1, 1e-5f);

  OpponentRig above;
  above.Frame(9000.0f, 0.0f);
  EXPECT_EQ(above.state.notes.lower, 3);
  EXPECT_FLOAT_EQ(above.mix.notes[4].pitch, 4985.0f / 4986.0f);
  // And it leaves samples the same way the player's car does.
  above.Frame(1000.0f, 0.0f, 3.0f);
  EXPECT_EQ(above.mix.notes[4].gain, 0.0f);
  EXPECT_EQ(above.mix.notes[4].cue, SourceCue::kNone);
  above.Frame(1000.0f, 0.0f, 3.0f);
  above.Frame(1000.0f, 0.0f, 3.0f);
  EXPECT_EQ(above.mix.notes[4].cue, SourceCue::kStopAndRewind);
}

// -- Inputs the mix must survive ------------------------------------------------

TEST(EngineSound, FirstCallAtZeroRpmPlaysTheIdlePair) {
  const PlayerEngineState fresh = InitialPlayerEngineState();
  EXPECT_EQ(fresh.notes.lower, 0);
  EXPECT_EQ(fresh.notes.upper, 1);
  EXPECT_EQ(fresh.drag.lower, 0);
  EXPECT_EQ(fresh.drag.upper, 1);
  EXPECT_EQ(InitialOpponentEngineState().notes.upper, 1);

  // 0 rpm stretches to -2.25, below every entry: played as idle.
  EXPECT_EQ(StretchedEngineRpm(0.0f), 750.0f);
  PlayerRig p, idle;
  p.Frame(0.0f, 0.5f, 0);
  idle.Frame(750.0f, 0.5f, 0);
  EXPECT_TRUE(SameMix(p.mix, idle.mix));
  EXPECT_EQ(p.state.notes.lower, 0);
  EXPECT_EQ(p.state.drag.upper, 1);
  EXPECT_TRUE(p.Finite());
  EXPECT_EQ(p.Starts(), 6);
}

TEST(EngineSound, RevLimitInSixthPlaysTheLastLimitSample) {
  const float rpm = RpmFor(4986.5f);
  const float r = StretchedEngineRpm(rpm);
  ASSERT_GE(r, 4986.0f);
  ASSERT_LT(r, 4987.0f);
  // Each forward gear has its limit sample, neutral limit0; sixth shares limit5.
  const int upper[] = {29, 30, 31, 32, 33, 34, 34};
  for (int gear = 0; gear <= 6; ++gear) {
    SCOPED_TRACE(testing::Message() << "gear " << gear);
    PlayerRig p;
    p.Frame(rpm, 0.0f, gear);
    EXPECT_EQ(p.state.notes.lower, kTopLadderNote);
    EXPECT_EQ(p.state.notes.upper, upper[gear]);
    const SourceMix& top = p.mix.notes[kTopLadderNote];
    const SourceMix& limit = p.mix.notes[upper[gear]];
    EXPECT_EQ(limit.cue, SourceCue::kStart);
    EXPECT_FLOAT_EQ(limit.pitch, r / 4987.0f);
    EXPECT_NEAR(top.gain * top.gain + limit.gain * limit.gain, 1.0f, 2e-3f);
    EXPECT_NEAR(limit.gain, std::sqrt(r - 4986.0f), 2e-3f);
    EXPECT_EQ(p.Starts(), 6);
    EXPECT_TRUE(p.Finite());
  }
  // Far past the limiter the speed is held just under 4987: still the top interval.
  PlayerRig p;
  p.Frame(6000.0f, 0.0f, 6);
  EXPECT_EQ(p.state.notes.upper, kLastLimitNote);
  EXPECT_FLOAT_EQ(p.mix.notes[kTopLadderNote].pitch, 4986.99f / 4986.0f);
  EXPECT_EQ(p.state.drag.lower, 3) << "above the top drag sample: the top drag pair";
  EXPECT_EQ(p.state.drag.upper, 4);
}

TEST(EngineSound, RevLimitInReversePlaysTheTopNoteAlone) {
  PlayerRig p;
  p.Frame(RpmFor(4986.5f), 0.0f, 5);  // limit5 playing
  const float load = 0.36f;
  p.Frame(RpmFor(4986.5f), load, -1);
  EXPECT_EQ(p.state.notes.lower, kTopLadderNote);
  EXPECT_EQ(p.state.notes.upper, kTopLadderNote);
  const SourceMix& top = p.mix.notes[kTopLadderNote];
  const SourceMix& topP = p.mix.notesP[kTopLadderNote];
  EXPECT_FLOAT_EQ(top.gain, 0.8f) << "full cross-fade gain: sqrt(1 - load) alone";
  EXPECT_FLOAT_EQ(topP.gain, 0.6f);
  EXPECT_FLOAT_EQ(top.pitch, StretchedEngineRpm(RpmFor(4986.5f)) / 4986.0f);
  EXPECT_EQ(p.mix.notes[kLastLimitNote].gain, 0.0f) << "fifth's limit sample left the pair";
  EXPECT_EQ(p.state.noteHold[kTopLadderNote], kHold);
  EXPECT_TRUE(p.Finite());
  EXPECT_EQ(p.Starts(), 0) << "28 already plays";

  // From a standing start in reverse only the one entry's two sources start, and the
  // 0 / 0 of r exactly on 4986 is full gain too.
  float rpm = RpmFor(4986.0f);
  for (int step = 0; step < 64 && StretchedEngineRpm(rpm) != 4986.0f; ++step)
    rpm = std::nextafter(rpm, StretchedEngineRpm(rpm) < 4986.0f ? 1e6f : 0.0f);
  PlayerRig fresh;
  fresh.Frame(rpm, 0.0f, -1);
  EXPECT_EQ(fresh.mix.notes[kTopLadderNote].gain, 1.0f);
  EXPECT_EQ(CountCues(fresh.mix.notes, kPlayerNotes, SourceCue::kStart), 1);
  EXPECT_EQ(CountCues(fresh.mix.notesP, kPlayerNotes, SourceCue::kStart), 1);
  EXPECT_TRUE(fresh.Finite());

  // A gear outside -1..6 stays inside the bank: below reverse plays as reverse, above
  // sixth as sixth.
  for (int gear : {-2, -100, 7, 100}) {
    PlayerRig odd;
    odd.Frame(RpmFor(4986.5f), 0.0f, gear);
    EXPECT_EQ(odd.state.notes.upper, gear < 0 ? kTopLadderNote : kLastLimitNote) << gear;
  }
}

TEST(EngineSound, SoundOffStartsNothingButKeepsTheMixCurrent) {
  PlayerRig off, on;
  off.Frame(RpmFor(1000.0f), 0.3f, 2, 1.0f, false);
  on.Frame(RpmFor(1000.0f), 0.3f, 2, 1.0f, true);
  EXPECT_EQ(off.Starts(), 0);
  EXPECT_EQ(on.Starts(), 6);
  // Pairs, holds, pitches and gains as with sound on: switched on, the next frame
  // starts the right samples at the right mix.
  EXPECT_EQ(off.state.notes.lower, on.state.notes.lower);
  EXPECT_EQ(off.state.noteHold[on.state.notes.lower], kHold);
  for (int k = 0; k < kPlayerNotes; ++k) {
    EXPECT_EQ(off.mix.notes[k].gain, on.mix.notes[k].gain) << k;
    EXPECT_EQ(off.mix.notes[k].pitch, on.mix.notes[k].pitch) << k;
  }
  off.Frame(RpmFor(1000.0f), 0.3f, 2, 1.0f, true);
  EXPECT_EQ(off.Starts(), 6);

  OpponentRig o;
  MixOpponentEngine(o.state, {1000.0f, 0.3f, 2, 1.0f, false}, o.playing, &o.mix);
  EXPECT_EQ(CountCues(o.mix.notes, kOpponentNotes, SourceCue::kStart) +
                CountCues(o.mix.notesP, kOpponentNotes, SourceCue::kStart),
            0);
}

TEST(EngineSound, NonFiniteSpeedOrLoadPlaysAsIdleOrNoLoad) {
  PlayerRig idle;
  idle.Frame(750.0f, 0.0f, 1);
  for (float rpm : {kNaN, kInf, -kInf}) {
    PlayerRig p;
    p.Frame(rpm, 0.0f, 1);
    EXPECT_TRUE(SameMix(p.mix, idle.mix)) << "rpm " << rpm;
  }
  PlayerRig noLoad;
  noLoad.Frame(RpmFor(2000.0f), 0.0f, 3);
  for (float load : {kNaN, kInf, -kInf}) {
    PlayerRig p;
    p.Frame(RpmFor(2000.0f), load, 3);
    EXPECT_TRUE(SameMix(p.mix, noLoad.mix)) << "load " << load;
  }
  OpponentRig oIdle, oNaN;
  oIdle.Frame(750.0f, 0.0f);
  oNaN.Frame(kNaN, kNaN);
  for (int i = 0; i < kOpponentNotes; ++i) {
    EXPECT_TRUE(SameSource(oNaN.mix.notes[i], oIdle.mix.notes[i])) << i;
    EXPECT_TRUE(SameSource(oNaN.mix.notesP[i], oIdle.mix.notesP[i])) << i;
  }
}

// -- The race's calls -------------------------------------------------------------

// Without a sound device every source call is inert, but the state still moves: the
// holds the updates keep in the bank show which samples they picked.
TEST(EngineSound, UpdatesKeepTheirHoldsInTheBankAndIgnoreUnknownRows) {
  if (SoundDeviceOpen()) GTEST_SKIP() << "needs the sources inert (no device open)";
  const float savedTicks = FrameTiming.FrameTicks;
  FrameTiming.FrameTicks = 1.0f;
  ResetEngineSoundState();
  UpdateEngineSound(0.0f, 0.5f, 0);
  EXPECT_EQ(EngineSounds.noteHolds[0], kHold);
  EXPECT_EQ(EngineSounds.noteHolds[1], kHold);
  EXPECT_EQ(EngineSounds.noteHolds[2], 0.0f);
  EXPECT_EQ(EngineSounds.dragHolds[1], kHold);

  UpdateOpponentEngineSound(1, 700.0f, 0.5f, 0);
  EXPECT_EQ(EngineSounds.opponentHolds[1][0], kHold);
  EXPECT_EQ(EngineSounds.opponentHolds[1][1], kHold);
  EXPECT_EQ(EngineSounds.opponentHolds[0][0], 0.0f);

  EngineSoundBank before;
  std::memcpy(&before, &EngineSounds, sizeof before);
  for (int row : {-1, 3, 1000, -1000}) UpdateOpponentEngineSound(row, 2000.0f, 0.5f, 0);
  EXPECT_EQ(std::memcmp(&before, &EngineSounds, sizeof before), 0) << "a bad row touched the bank";

  ResetEngineSoundState();
  EXPECT_EQ(EngineSounds.noteHolds[0], 0.0f);
  EXPECT_EQ(EngineSounds.opponentHolds[1][1], 0.0f);
  FrameTiming.FrameTicks = savedTicks;
}

float SourceFloat(const SoundSource& s, ALenum what) {
  ALfloat v = -1.0f;
  alGetSourcef(s.source, what, &v);
  return v;
}

int SourceState(const SoundSource& s) {
  ALint v = -1;
  alGetSourcei(s.source, AL_SOURCE_STATE, &v);
  return v;
}

// Releases the bank and closes the device whatever way the test leaves.
struct BankOnNullDevice {
  bool open = false;
  uint8_t savedSound = Settings.sound;
  float savedTicks = FrameTiming.FrameTicks;
  BankOnNullDevice() {
    setenv("ALSOFT_DRIVERS", "null", 0);
    open = OpenSoundDevice();
  }
  ~BankOnNullDevice() {
    for (SoundSource& s : EngineSounds.drag) s.Release();
    for (SoundSource& s : EngineSounds.notes) s.Release();
    for (SoundSource& s : EngineSounds.notesP) s.Release();
    for (auto& row : EngineSounds.opponent)
      for (SoundSource& s : row) s.Release();
    for (auto& row : EngineSounds.opponentP)
      for (SoundSource& s : row) s.Release();
    if (open) CloseSoundDevice();
    ResetEngineSoundState();
    Settings.sound = savedSound;
    FrameTiming.FrameTicks = savedTicks;
  }
};

TEST(EngineSound, UpdatesDriveTheSourcesOnTheNullDevice) {
  BankOnNullDevice device;
  if (!device.open) GTEST_SKIP() << "OpenAL gives no device, not even the null output";
  LoadEngineSounds();
  ASSERT_GT(EngineSounds.notes[0].size, 0) << "base/sound/Varn130/ is missing from build/";
  ASSERT_GT(EngineSounds.drag[0].size, 0);
  ASSERT_GT(EngineSounds.opponentP[0][0].size, 0);
  ResetEngineSoundState();
  Settings.sound = 1;
  FrameTiming.FrameTicks = 2.0f;
  EngineSoundBank& b = EngineSounds;

  UpdateEngineSound(750.0f, 0.25f, 1);
  for (const SoundSource* s : {&b.notes[0], &b.notesP[0], &b.notes[1], &b.notesP[1], &b.drag[0], &b.drag[1]})
    EXPECT_EQ(SourceState(*s), AL_PLAYING);
  EXPECT_EQ(SourceState(b.notes[2]), AL_INITIAL);
  EXPECT_EQ(SourceState(b.drag[2]), AL_INITIAL);
  EXPECT_FLOAT_EQ(SourceFloat(b.notes[0], AL_PITCH), 1.0f);
  EXPECT_FLOAT_EQ(SourceFloat(b.notesP[1], AL_PITCH), 750.0f / 802.0f);
  EXPECT_NEAR(SourceFloat(b.notes[0], AL_GAIN), std::sqrt(0.75f), 1e-5f);
  EXPECT_NEAR(SourceFloat(b.notesP[0], AL_GAIN), 0.5f, 1e-5f);
  EXPECT_NEAR(SourceFloat(b.notes[1], AL_GAIN), 0.0f, 1e-3f);
  EXPECT_NEAR(SourceFloat(b.drag[0], AL_GAIN), 0.5f, 1e-3f);
  EXPECT_FLOAT_EQ(SourceFloat(b.drag[0], AL_PITCH), 1.0f);

  // To pair (12, 13), drag pair (1, 2): the old samples silent but running...
  const float rpm = RpmFor(1700.0f);
  UpdateEngineSound(rpm, 0.25f, 2);
  EXPECT_EQ(SourceState(b.notes[12]), AL_PLAYING);
  EXPECT_EQ(SourceState(b.notesP[13]), AL_PLAYING);
  EXPECT_FLOAT_EQ(SourceFloat(b.notes[12], AL_PITCH), StretchedEngineRpm(rpm) / 1682.0f);
  EXPECT_EQ(SourceState(b.notes[0]), AL_PLAYING);
  EXPECT_EQ(SourceFloat(b.notes[0], AL_GAIN), 0.0f);
  EXPECT_EQ(SourceState(b.drag[0]), AL_PLAYING);
  EXPECT_EQ(SourceFloat(b.drag[0], AL_GAIN), 0.0f);
  // ...then, after the hold, stopped and rewound (the drag sample paused).
  for (int frame = 0; frame < 3; ++frame) UpdateEngineSound(rpm, 0.25f, 2);
  for (const SoundSource* s : {&b.notes[0], &b.notesP[0], &b.notes[1], &b.notesP[1]}) {
    EXPECT_EQ(SourceState(*s), AL_INITIAL);
    EXPECT_EQ(SourceFloat(*s, AL_SEC_OFFSET), 0.0f);
  }
  EXPECT_EQ(SourceState(b.drag[0]), AL_PAUSED);
  EXPECT_EQ(SourceState(b.drag[1]), AL_PLAYING);
  EXPECT_EQ(SourceState(b.notes[12]), AL_PLAYING);

  // Rows outside 0..2 reach no source (row 3 would be opponentP[0]).
  for (int row : {-1, 3}) UpdateOpponentEngineSound(row, 700.0f, 0.5f, 1);
  for (int o = 0; o < kOpponentCount; ++o)
    for (int i = 0; i < kOpponentNotes; ++i) {
      EXPECT_EQ(SourceState(b.opponent[o][i]), AL_INITIAL);
      EXPECT_EQ(SourceState(b.opponentP[o][i]), AL_INITIAL);
    }
  UpdateOpponentEngineSound(0, 700.0f, 0.5f, 1);
  EXPECT_EQ(SourceState(b.opponent[0][0]), AL_PLAYING);
  EXPECT_EQ(SourceState(b.opponentP[0][1]), AL_PLAYING);
  EXPECT_EQ(SourceState(b.opponent[1][0]), AL_INITIAL);
  EXPECT_FLOAT_EQ(SourceFloat(b.opponent[0][0], AL_PITCH), 751.0f / 750.0f);

  // Sound off: the next pair's samples (20, 21) are not started.
  Settings.sound = 0;
  UpdateEngineSound(RpmFor(3000.0f), 0.25f, 3);
  EXPECT_EQ(SourceState(b.notes[20]), AL_INITIAL);
  EXPECT_EQ(SourceState(b.notesP[21]), AL_INITIAL);
  EXPECT_EQ(SourceFloat(b.notes[12], AL_GAIN), 0.0f) << "the old pair still falls silent";
}

}  // namespace
