#include "app/engine_sounds.h"

#include <cstdio>
#include <cstring>

EngineSoundBank EngineSounds;

namespace {

// 750 x 1.07^k rounded half up; kept as written in the file names rather than
// recomputed, since a half (802.5) rounds either way in floating point.
constexpr int kLadderRpm[kEngineLadderNotes] = {
    750,  803,  859,  919,  983,  1052, 1126, 1204, 1289, 1379, 1475, 1579, 1689, 1807, 1934,
    2069, 2214, 2369, 2535, 2712, 2902, 3105, 3323, 3555, 3804, 4071, 4356, 4660, 4987};

constexpr const char* kBankFolder = "base/sound/Varn130/";

void LoadNote(SoundSource& s, const char* stem, bool underLoad) {
  char path[96];
  std::snprintf(path, sizeof path, "%s%s%s.wav", kBankFolder, stem, underLoad ? "_P" : "");
  s.Load(path, true);
}

}  // namespace

const int kOpponentNoteIndex[kOpponentNotes] = {0, 10, 17, 24, 28};

int EngineNoteRpm(int k) { return k >= 0 && k < kEngineLadderNotes ? kLadderRpm[k] : 0; }

void LoadEngineSounds() {
  EngineSoundBank& bank = EngineSounds;
  std::memset(bank.noteHolds, 0, sizeof bank.noteHolds);
  std::memset(bank.dragHolds, 0, sizeof bank.dragHolds);
  std::memset(bank.opponentHolds, 0, sizeof bank.opponentHolds);

  char stem[32];
  for (int m = 0; m < kEngineDragSamples; ++m) {
    std::snprintf(stem, sizeof stem, "b%d", (m + 1) * 1000);
    LoadNote(bank.drag[m], stem, false);
  }
  for (int k = 0; k < kEngineLadderNotes; ++k) {
    std::snprintf(stem, sizeof stem, "%d", kLadderRpm[k]);
    LoadNote(bank.notes[k], stem, false);
    LoadNote(bank.notesP[k], stem, true);
  }
  // The rev-limit stutters have no under-load twin: the same file fills both arrays.
  for (int i = 0; i < kEngineLimitNotes; ++i) {
    std::snprintf(stem, sizeof stem, "limit%d", i);
    LoadNote(bank.notes[kEngineLadderNotes + i], stem, false);
    LoadNote(bank.notesP[kEngineLadderNotes + i], stem, false);
  }
  for (int o = 0; o < kOpponentCount; ++o)
    for (int i = 0; i < kOpponentNotes; ++i) {
      std::snprintf(stem, sizeof stem, "other_%d", kLadderRpm[kOpponentNoteIndex[i]]);
      LoadNote(bank.opponent[o][i], stem, false);
      LoadNote(bank.opponentP[o][i], stem, true);
    }
}
