#include "race/engine_sound.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/frame.h"
#include "app/settings.h"
#include "app/sound.h"

namespace {

constexpr float kIdleRpm = 750.0f;
// The player's speed is read 0.3 % high above idle before it meets the ladder.
constexpr float kRpmStretch = 0.003f;
// Just under the rev-limit samples' 4987: the stretched speed always finds the top
// interval, whose upper entry is the engaged gear's limit sample.
constexpr float kTopStretchedRpm = 4986.99f;
constexpr float kNoteStep = 1.07f;
// The chain of truncations ends at 4949; the top ladder sample was recorded at 4986.
constexpr float kTopNoteRpm = 4986.0f;
constexpr float kLimitNoteRpm = 4987.0f;
constexpr float kDragStep = 847.4f;  // 4237 / 5
constexpr float kOpponentLadder[kOpponentNotes] = {750.0f, 1475.0f, 2369.0f, 3804.0f, 4986.0f};
// Opponents are not stretched; the clamp keeps them inside the four intervals.
constexpr float kOpponentMinRpm = 751.0f;
constexpr float kOpponentMaxRpm = 4985.0f;

// A silenced sample plays on at gain 0 this long: picked again meanwhile it carries
// on mid-loop, and only a sample that stays out is stopped.
constexpr float kHoldSeconds = 0.05f;
constexpr float kSecondsPerTick = 0.01f;

constexpr int kPlayerIntervals = kTopLadderNote + 1;  // the last runs 4986 .. 4987
constexpr int kDragIntervals = kEngineDragSamples - 1;
constexpr int kOpponentIntervals = kOpponentNotes - 1;

struct PlayerLadder {
  float rpm[kPlayerNotes];
};

constexpr PlayerLadder MakePlayerLadder() {
  PlayerLadder l{};
  l.rpm[0] = kIdleRpm;
  // Single-precision product, truncated: 802, 858 ..., not the rounded file names.
  for (int k = 1; k < kTopLadderNote; ++k)
    l.rpm[k] = static_cast<float>(static_cast<int>(l.rpm[k - 1] * kNoteStep));
  l.rpm[kTopLadderNote] = kTopNoteRpm;
  for (int k = kFirstLimitNote; k < kPlayerNotes; ++k) l.rpm[k] = kLimitNoteRpm;
  return l;
}

constexpr PlayerLadder kPlayerLadder = MakePlayerLadder();

struct DragLadder {
  float rpm[kEngineDragSamples];
};

constexpr DragLadder MakeDragLadder() {
  DragLadder l{};
  for (int m = 0; m < kEngineDragSamples; ++m) l.rpm[m] = kIdleRpm + m * kDragStep;
  return l;
}

constexpr DragLadder kDragLadder = MakeDragLadder();

// Non-finite loads would turn every gain into NaN; out-of-range ones into a square
// root of a negative number.
float SafeLoad(float load) {
  if (!std::isfinite(load) || load <= 0.0f) return 0.0f;
  return load < 1.0f ? load : 1.0f;
}

// The upper entry of the top interval: the engaged gear's rev-limit sample. Sixth has
// none of its own (limit5 is the last) and takes fifth's; in reverse the top note
// plays alone, since a pair of one speed has nothing to fade towards.
int TopIntervalUpper(int gear) {
  if (gear < 0) return kTopLadderNote;
  return kFirstLimitNote + std::min(gear, kLastLimitNote - kFirstLimitNote);
}

// The off-load and under-load banks of one car's ladder, as the shared note mixing
// sees them.
struct NoteBanks {
  int count;
  const float* ladder;
  float* hold;
  const bool* playingOff;
  const bool* playingOn;
  SourceMix* off;
  SourceMix* on;
};

// Gain and pitch for a sample of the pair, and a start when it is not playing.
void Sound(SourceMix& m, bool playing, bool soundOn, bool setPitch, float pitch, float gain) {
  m.setPitch = setPitch;
  m.pitch = pitch;
  m.setGain = true;
  m.gain = gain;
  if (!playing && soundOn) m.cue = SourceCue::kStart;
}

void Silence(SourceMix& m) {
  m.setGain = true;
  m.gain = 0.0f;
}

// Counts down a silenced sample's hold; false once it has run out.
bool HoldRunning(float& hold, float ticks) {
  if (hold <= 0.0f) return false;
  hold -= ticks * kSecondsPerTick;
  return true;
}

void MixNoteEntry(const NoteBanks& b, int e, int other, float speed, float offShare,
                  float onShare, bool soundOn) {
  const float sample = b.ladder[e];
  const float g = EngineCrossfadeGain(sample, speed, b.ladder[other] / sample);
  const float pitch = speed / sample;
  Sound(b.off[e], b.playingOff[e], soundOn, true, pitch, offShare * g);
  Sound(b.on[e], b.playingOn[e], soundOn, true, pitch, onShare * g);
}

void MixNotes(const NoteBanks& b, EnginePair pair, float speed, float load, float ticks,
              bool soundOn) {
  for (int j = 0; j < b.count; ++j) {
    if (j == pair.lower || j == pair.upper) continue;
    if (HoldRunning(b.hold[j], ticks)) {
      Silence(b.off[j]);
      Silence(b.on[j]);
    } else {
      if (b.playingOff[j]) b.off[j].cue = SourceCue::kStopAndRewind;
      if (b.playingOn[j]) b.on[j].cue = SourceCue::kStopAndRewind;
    }
  }
  b.hold[pair.lower] = kHoldSeconds;
  b.hold[pair.upper] = kHoldSeconds;
  const float offShare = std::sqrt(1.0f - load);
  const float onShare = std::sqrt(load);
  MixNoteEntry(b, pair.lower, pair.upper, speed, offShare, onShare, soundOn);
  if (pair.upper != pair.lower)
    MixNoteEntry(b, pair.upper, pair.lower, speed, offShare, onShare, soundOn);
}

void MixDrag(PlayerEngineState& state, float r, float load, float ticks,
             const PlayerSourcesPlaying& playing, PlayerEngineMix* mix, bool soundOn) {
  int m = FindEngineInterval(kDragLadder.rpm, kDragIntervals, r);
  // Above the top drag sample there is no interval: the top pair plays on, the same
  // pair the engine passed on its way up (also after a jump past it in one frame).
  if (m < 0 && r >= kDragLadder.rpm[kEngineDragSamples - 1]) m = kDragIntervals - 1;
  if (m >= 0) state.drag = {m, m + 1};

  for (int j = 0; j < kEngineDragSamples; ++j) {
    if (j == state.drag.lower || j == state.drag.upper) continue;
    if (HoldRunning(state.dragHold[j], ticks)) Silence(mix->drag[j]);
    else if (playing.drag[j]) mix->drag[j].cue = SourceCue::kPause;
  }
  // Full with no load, gone from half load upwards.
  const float layer = std::max(0.0f, 1.0f - 2.0f * load);
  for (int e : {state.drag.lower, state.drag.upper}) {
    state.dragHold[e] = kHoldSeconds;
    // The bank's step as the ratio keeps the fade within 0.9993 .. 1: both drag
    // samples play at about the layer's gain. Their pitch stays 1.
    const float g = EngineCrossfadeGain(kDragLadder.rpm[e], r, kDragStep);
    Sound(mix->drag[e], playing.drag[e], soundOn, false, 1.0f, layer * g);
  }
}

void Apply(SoundSource& s, const SourceMix& m) {
  if (m.setPitch) s.SetPitch(m.pitch);
  if (m.setGain) s.SetGain(m.gain);
  switch (m.cue) {
    case SourceCue::kStart:
      s.Play();
      break;
    case SourceCue::kStopAndRewind:
      s.Stop();
      s.Rewind();
      break;
    case SourceCue::kPause:
      s.Pause();
      break;
    case SourceCue::kNone:
      break;
  }
}

// Worker thread only. The player's holds are kept in EngineSounds, where the loader
// clears them; these copies are refreshed from there every frame.
PlayerEngineState g_player = {{0, 1}, {0, 1}, {}, {}};
OpponentEngineState g_opponents[kOpponentCount] = {
    {{0, 1}, {}}, {{0, 1}, {}}, {{0, 1}, {}}};

}  // namespace

float PlayerNoteRpm(int k) { return k >= 0 && k < kPlayerNotes ? kPlayerLadder.rpm[k] : 0.0f; }

float DragSampleRpm(int m) {
  return m >= 0 && m < kEngineDragSamples ? kDragLadder.rpm[m] : 0.0f;
}

float OpponentNoteRpm(int i) { return i >= 0 && i < kOpponentNotes ? kOpponentLadder[i] : 0.0f; }

float EngineCrossfadeGain(float sample, float rpm, float ratio) {
  const float neighbour = sample * ratio;
  if (neighbour == sample) return 1.0f;  // a pair of one sample: it plays alone
  const float t = sample <= rpm ? (rpm - sample) / (neighbour - sample)
                                : (sample - rpm) / (sample - neighbour);
  if (!(t < 1.0f)) return 0.0f;  // at or past the neighbour; NaN input is silence
  if (t <= 0.0f) return 1.0f;
  return std::sqrt(1.0f - t);
}

float StretchedEngineRpm(float rpm) {
  if (!std::isfinite(rpm)) rpm = kIdleRpm;
  const float r = rpm + (rpm - kIdleRpm) * kRpmStretch;
  return std::min(std::max(r, kIdleRpm), kTopStretchedRpm);
}

int FindEngineInterval(const float* ladder, int intervals, float x) {
  for (int i = 0; i < intervals; ++i)
    if (ladder[i] <= x && x < ladder[i + 1]) return i;
  return -1;
}

PlayerEngineState InitialPlayerEngineState() { return {{0, 1}, {0, 1}, {}, {}}; }

OpponentEngineState InitialOpponentEngineState() { return {{0, 1}, {}}; }

void MixPlayerEngine(PlayerEngineState& state, const EngineInput& in,
                     const PlayerSourcesPlaying& playing, PlayerEngineMix* mix) {
  *mix = PlayerEngineMix{};
  const float r = StretchedEngineRpm(in.rpm);
  const float load = SafeLoad(in.load);
  const int k = FindEngineInterval(kPlayerLadder.rpm, kPlayerIntervals, r);
  // The clamp puts r inside the ladder, so an interval is always found; should it not
  // be, the pair of the last frame plays on.
  if (k >= 0) state.notes = {k, k == kTopLadderNote ? TopIntervalUpper(in.gear) : k + 1};

  const NoteBanks banks = {kPlayerNotes,   kPlayerLadder.rpm, state.noteHold, playing.notes,
                           playing.notesP, mix->notes,        mix->notesP};
  MixNotes(banks, state.notes, r, load, in.ticks, in.soundOn);
  MixDrag(state, r, load, in.ticks, playing, mix, in.soundOn);
}

void MixOpponentEngine(OpponentEngineState& state, const EngineInput& in,
                       const OpponentSourcesPlaying& playing, OpponentEngineMix* mix) {
  *mix = OpponentEngineMix{};
  const float rpm = std::isfinite(in.rpm) ? in.rpm : kIdleRpm;
  const float x = std::min(std::max(rpm, kOpponentMinRpm), kOpponentMaxRpm);
  const int m = FindEngineInterval(kOpponentLadder, kOpponentIntervals, x);
  if (m >= 0) state.notes = {m, m + 1};

  const NoteBanks banks = {kOpponentNotes, kOpponentLadder, state.hold, playing.notes,
                           playing.notesP, mix->notes,      mix->notesP};
  MixNotes(banks, state.notes, x, SafeLoad(in.load), in.ticks, in.soundOn);
}

void UpdateEngineSound(float rpm, float load, int gear) {
  EngineSoundBank& bank = EngineSounds;
  PlayerSourcesPlaying playing;
  for (int k = 0; k < kPlayerNotes; ++k) {
    playing.notes[k] = bank.notes[k].IsPlaying();
    playing.notesP[k] = bank.notesP[k].IsPlaying();
  }
  for (int m = 0; m < kEngineDragSamples; ++m) playing.drag[m] = bank.drag[m].IsPlaying();
  std::copy(bank.noteHolds, bank.noteHolds + kPlayerNotes, g_player.noteHold);
  std::copy(bank.dragHolds, bank.dragHolds + kEngineDragSamples, g_player.dragHold);

  const EngineInput in = {rpm, load, gear, FrameTiming.FrameTicks, Settings.sound != 0};
  PlayerEngineMix mix;
  MixPlayerEngine(g_player, in, playing, &mix);

  std::copy(g_player.noteHold, g_player.noteHold + kPlayerNotes, bank.noteHolds);
  std::copy(g_player.dragHold, g_player.dragHold + kEngineDragSamples, bank.dragHolds);
  for (int k = 0; k < kPlayerNotes; ++k) {
    Apply(bank.notes[k], mix.notes[k]);
    Apply(bank.notesP[k], mix.notesP[k]);
  }
  for (int m = 0; m < kEngineDragSamples; ++m) Apply(bank.drag[m], mix.drag[m]);
}

void UpdateOpponentEngineSound(int row, float rpm, float load, int gear) {
  if (row < 0 || row >= kOpponentCount) return;
  EngineSoundBank& bank = EngineSounds;
  OpponentEngineState& state = g_opponents[row];
  OpponentSourcesPlaying playing;
  for (int i = 0; i < kOpponentNotes; ++i) {
    playing.notes[i] = bank.opponent[row][i].IsPlaying();
    playing.notesP[i] = bank.opponentP[row][i].IsPlaying();
  }
  std::copy(bank.opponentHolds[row], bank.opponentHolds[row] + kOpponentNotes, state.hold);

  const EngineInput in = {rpm, load, gear, FrameTiming.FrameTicks, Settings.sound != 0};
  OpponentEngineMix mix;
  MixOpponentEngine(state, in, playing, &mix);

  std::copy(state.hold, state.hold + kOpponentNotes, bank.opponentHolds[row]);
  for (int i = 0; i < kOpponentNotes; ++i) {
    Apply(bank.opponent[row][i], mix.notes[i]);
    Apply(bank.opponentP[row][i], mix.notesP[i]);
  }
}

void ResetEngineSoundState() {
  g_player = InitialPlayerEngineState();
  for (OpponentEngineState& o : g_opponents) o = InitialOpponentEngineState();
  EngineSoundBank& bank = EngineSounds;
  std::memset(bank.noteHolds, 0, sizeof bank.noteHolds);
  std::memset(bank.dragHolds, 0, sizeof bank.dragHolds);
  std::memset(bank.opponentHolds, 0, sizeof bank.opponentHolds);
}
