// The engine note of every car: the two samples of a bank whose recording speeds
// bracket the engine speed play together, each pitched to that speed and mixed by an
// equal-power cross-fade, and each sample's off-load and under-load recordings are
// mixed by the engine's load. The player's car adds a drag layer that sounds when the
// engine is dragged (low load). Samples that leave the bracket fall silent at once and
// are stopped a moment later, so a sample picked again within that moment carries on
// where it was instead of restarting with a click.
//
// The mix is worked out by MixPlayerEngine / MixOpponentEngine without touching
// OpenAL; UpdateEngineSound / UpdateOpponentEngineSound apply it to EngineSounds.
// Called once per race frame on the worker thread; the state lives for the whole run
// and carries over between races.
#pragma once

#include <cstdint>

#include "app/engine_sounds.h"

// Entries of the player's banks in use: the ladder, then the rev-limit samples.
constexpr int kPlayerNotes = kEngineLadderNotes + kEngineLimitNotes;  // 35
constexpr int kTopLadderNote = kEngineLadderNotes - 1;                // 28
constexpr int kFirstLimitNote = kEngineLadderNotes;                   // 29, "limit0"
constexpr int kLastLimitNote = kPlayerNotes - 1;                      // 34, "limit5"

// The recording speeds the mix brackets and pitches by. The player's differ from the
// file names (EngineNoteRpm): they are worked out by a truncating chain, not rounded.
// 0 outside the ladder.
float PlayerNoteRpm(int k);    // k 0..34: 750, 802, 858 ... 4626, 4986, then 4987 x 6
float DragSampleRpm(int m);    // m 0..4: 750 + m x 847.4
float OpponentNoteRpm(int i);  // i 0..4: 750, 1475, 2369, 3804, 4986

// sqrt(1 - t), t the distance of rpm from `sample` as a share of the way to the
// neighbour at sample x ratio, clamped to 0..1: 1 at the sample's own speed, 0 at the
// neighbour's, and the two gains of a bracket have squares summing to 1. A bracket of
// one speed (ratio 1) has nothing to fade towards: its sample plays at 1. A NaN speed
// gives 0, never NaN.
float EngineCrossfadeGain(float sample, float rpm, float ratio);

// The player's engine speed stretched by 0.3 % above idle (the ladder was tuned
// against it), with a NaN or infinite rpm taken as idle, and clamped into the ladder
// [750, 4986.99]: below idle there is no sample to bracket with, and at 4987 and
// above the bracket search would find nothing.
float StretchedEngineRpm(float rpm);

// The first interval i (0 <= i < intervals) with ladder[i] <= x < ladder[i + 1];
// -1 when x lies in none of them.
int FindEngineInterval(const float* ladder, int intervals, float x);

// Lower and upper entry of a bank now sounding. Equal in reverse at the rev limit,
// where one sample plays alone.
struct EnginePair {
  int32_t lower;
  int32_t upper;
};

// The player's kept state. The holds are seconds left before a silenced sample is
// stopped; UpdateEngineSound keeps them in EngineSounds (the loader clears them there).
struct PlayerEngineState {
  EnginePair notes;
  EnginePair drag;
  float noteHold[kPlayerNotes];
  float dragHold[kEngineDragSamples];
};

struct OpponentEngineState {
  EnginePair notes;
  float hold[kOpponentNotes];
};

// Both start on the idle pair (0, 1) with no holds, so the first frame never
// addresses a sample through an unset pair.
PlayerEngineState InitialPlayerEngineState();
OpponentEngineState InitialOpponentEngineState();

// One frame's inputs.
struct EngineInput {
  float rpm;
  float load;    // 0 off load .. 1 full load; NaN counts as 0, the rest is clamped
  int32_t gear;  // -1 reverse, 0 neutral, 1..6; picks the rev-limit sample
  float ticks;   // FrameTicks: 10-millisecond units
  bool soundOn;  // the "Sound" setting; off starts nothing
};

// Which sources OpenAL reports playing (AL_PLAYING: a paused source is not playing).
struct PlayerSourcesPlaying {
  bool notes[kPlayerNotes];   // off-load
  bool notesP[kPlayerNotes];  // under load
  bool drag[kEngineDragSamples];
};

struct OpponentSourcesPlaying {
  bool notes[kOpponentNotes];
  bool notesP[kOpponentNotes];
};

enum class SourceCue : uint8_t {
  kNone,
  kStart,           // Play: starts a rewound source, resumes a paused one
  kStopAndRewind,   // a note whose hold has run out
  kPause,           // a drag sample whose hold has run out: it resumes mid-loop later
};

// What one source gets this frame. Pitch and gain are set before the cue, so a
// started source never mixes a moment at its old gain.
struct SourceMix {
  SourceCue cue;
  bool setPitch;
  bool setGain;
  float pitch;
  float gain;
};

struct PlayerEngineMix {
  SourceMix notes[kPlayerNotes];
  SourceMix notesP[kPlayerNotes];
  SourceMix drag[kEngineDragSamples];  // drag samples keep pitch 1: setPitch is false
};

struct OpponentEngineMix {
  SourceMix notes[kOpponentNotes];
  SourceMix notesP[kOpponentNotes];
};

// Advances `state` by one frame and fills `mix` for every source of the bank.
void MixPlayerEngine(PlayerEngineState& state, const EngineInput& in,
                     const PlayerSourcesPlaying& playing, PlayerEngineMix* mix);
// The opponent's gear is not used: its bank has no rev-limit samples.
void MixOpponentEngine(OpponentEngineState& state, const EngineInput& in,
                       const OpponentSourcesPlaying& playing, OpponentEngineMix* mix);

// The race's calls, applying the mix to EngineSounds with FrameTiming.FrameTicks and
// Settings.sound. load is 0..1 (0.5 + 0.5 x engineLoad).
void UpdateEngineSound(float rpm, float load, int gear);
// row 0..2 (opponent index - 1); any other row does nothing.
void UpdateOpponentEngineSound(int row, float rpm, float load, int gear);
// Every pair back to (0, 1) and every hold to 0 (in EngineSounds too).
void ResetEngineSoundState();
