// The engine-note bank: looping samples of the engine recorded at fixed speeds, which
// the race's engine-sound code pitches and cross-fades by engine speed. All under
// "base/sound/Varn130/", loaded once by LoadEngineSounds (start-up, inside
// LoadStartupSounds) and never released.
//
//   drag[m]          "b1000.wav" .. "b5000.wav"          the drag layer
//   notes[k]         k < 29: "<N>.wav", N = EngineNoteRpm(k); k = 29..34: "limit0.wav"
//                    .. "limit5.wav"; k = 35..49 stay unloaded
//   notesP[k]        the same with "_P" (the under-load recordings); the six limit
//                    files are loaded a second time into their own sources
//   opponent[o][i]   "other_<R>.wav", R = 750, 1475, 2369, 3804, 4987 for i = 0..4
//   opponentP[o][i]  "other_<R>_P.wav"
#pragma once

#include "app/sound.h"

constexpr int kEngineNoteSlots = 50;   // entries of each player array
constexpr int kEngineLadderNotes = 29; // recorded speeds 750 .. 4987
constexpr int kEngineLimitNotes = 6;   // limit0 .. limit5 follow the ladder
constexpr int kEngineDragSamples = 5;
constexpr int kOpponentCount = 3;
constexpr int kOpponentNotes = 5;
// 5 drag + 2 x (29 + 6) player + 3 x 2 x 5 opponent sources.
constexpr int kEngineBankSources = kEngineDragSamples +
                                   2 * (kEngineLadderNotes + kEngineLimitNotes) +
                                   kOpponentCount * 2 * kOpponentNotes;

struct EngineSoundBank {
  SoundSource drag[kEngineDragSamples];
  SoundSource notes[kEngineNoteSlots];
  SoundSource notesP[kEngineNoteSlots];
  SoundSource opponent[kOpponentCount][kOpponentNotes];
  SoundSource opponentP[kOpponentCount][kOpponentNotes];
  // Per-sample values the race's engine-sound code keeps (the hold time before a
  // silenced sample is stopped); cleared by LoadEngineSounds.
  float noteHolds[60];
  float dragHolds[10];
  float opponentHolds[kOpponentCount][kOpponentNotes];
};

extern EngineSoundBank EngineSounds;

// The recorded engine speed in the file name of ladder note k (0..28): 750 x 1.07^k
// rounded half up (750, 803, 859, ... 4987); 0 outside the ladder.
int EngineNoteRpm(int k);
// The ladder notes the opponents' five files are named after: 0, 10, 17, 24, 28.
extern const int kOpponentNoteIndex[kOpponentNotes];

// Clears the hold tables, then loads: the five drag samples; for k = 0..28 note k
// plain then P; the six limit files, each plain then P; per opponent the five speeds,
// plain then P for each.
void LoadEngineSounds();
