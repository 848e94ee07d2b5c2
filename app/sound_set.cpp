// The game's sound set: what the entry function loads and releases, and the group
// operations on the race's sound.
#include <AL/al.h>

#include <atomic>
#include <cstdio>

#include "app/engine_sounds.h"
#include "app/sound.h"

namespace {

void LoadSound(SoundSource& s, const char* name, bool looping) {
  char path[96];
  std::snprintf(path, sizeof path, "base/sound/%s.wav", name);
  s.Load(path, looping);
}

// The continuous sources that a resume may start again: the ones that both the pause
// and the resume group hold. A resume plays only those the last pause found playing,
// so a source the race had stopped (or never started) stays silent, and one still
// playing is not restarted from its beginning.
SoundSource* const kResumable[] = {
    &GameSounds.st1,
    &GameSounds.st2[0],
    &GameSounds.st2[1],
    &GameSounds.st2[2],
    &GameSounds.landscapeGround,
    &GameSounds.landscapeGrass,
    &GameSounds.landscapeWater,
    &GameSounds.enCity,
    &GameSounds.wind,
    &GameSounds.ambient,
};
constexpr int kResumableCount = sizeof kResumable / sizeof kResumable[0];
// Written by the pause and resume on the main thread and cleared by StopAllSounds,
// which the garage loader calls on the worker.
std::atomic<bool> g_pausedByGroup[kResumableCount];

void ForgetPaused() {
  for (std::atomic<bool>& p : g_pausedByGroup) p = false;
}

template <typename Fn>
void ForEachEngineNote(Fn fn) {
  for (SoundSource& s : EngineSounds.drag) fn(s);
  for (SoundSource& s : EngineSounds.notes) fn(s);
  for (SoundSource& s : EngineSounds.notesP) fn(s);
  for (int o = 0; o < kOpponentCount; ++o)
    for (int i = 0; i < kOpponentNotes; ++i) {
      fn(EngineSounds.opponent[o][i]);
      fn(EngineSounds.opponentP[o][i]);
    }
}

}  // namespace

void LoadStartupSounds() {
  GameSoundSet& g = GameSounds;
  LoadSound(g.enOt[0], "en_ot0", true);
  LoadSound(g.enOt[1], "en_ot1", true);
  LoadSound(g.enOt[2], "en_ot2", true);
  LoadSound(g.enCity, "en_city", true);
  LoadEngineSounds();
  LoadSound(g.cr0, "cr0", false);
  LoadSound(g.cr1, "cr1", false);
  LoadSound(g.landscapeGround, "landscape_ground", true);
  LoadSound(g.landscapeGrass, "landscape_grass", true);
  LoadSound(g.landscapeWater, "landscape_water", true);
  for (int set = 0; set < 4; ++set)
    for (int variant = 0; variant < 4; ++variant) {
      char name[32];
      std::snprintf(name, sizeof name, "crash%d_%d", set, variant);
      LoadSound(g.crash[set][variant], name, false);
    }
  LoadSound(g.st1, "st1", true);
  for (SoundSource& s : g.st2) LoadSound(s, "st2", true);
  LoadSound(g.point, "point", false);
  LoadSound(g.gear, "gear", false);
  LoadSound(g.nitro, "nitro", false);
  LoadSound(g.wind, "wind", true);
  for (int i = 0; i < 3; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "signal%d", i);
    LoadSound(g.signal[i], name, false);
  }
  LoadSound(g.ambient, "ambient", true);
  for (int n = 1; n <= 10; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "menu%d", n);
    LoadSound(g.menu[n - 1], name, false);
  }
}

void ReleaseStartupSounds() {
  GameSoundSet& g = GameSounds;
  for (SoundSource& s : g.enOt) s.Release();
  g.landscapeGround.Release();
  g.landscapeGrass.Release();
  g.landscapeWater.Release();
  g.enCity.Release();
  g.cr0.Release();
  g.cr1.Release();
  for (auto& set : g.crash)
    for (SoundSource& s : set) s.Release();
  g.st1.Release();
  for (SoundSource& s : g.st2) s.Release();
  g.point.Release();
  g.gear.Release();
  g.nitro.Release();
  g.wind.Release();
  g.ambient.Release();
  for (SoundSource& s : g.signal) s.Release();
  for (SoundSource& s : g.menu) s.Release();
  MusicSource.Release();
  ForgetPaused();
}

void StopAllSounds() {
  GameSoundSet& g = GameSounds;
  g.st1.Stop();
  for (SoundSource& s : g.st2) s.Stop();
  g.landscapeGround.Stop();
  g.landscapeGrass.Stop();
  g.landscapeWater.Stop();
  g.wind.Stop();
  g.ambient.Stop();
  g.nitro.Stop();
  ForEachEngineNote([](SoundSource& s) { s.Stop(); });
  ForgetPaused();
}

void PauseAllSounds() {
  for (int i = 0; i < kResumableCount; ++i) {
    // A second pause while paused keeps the first record: those sources are paused,
    // not playing, but still the ones to resume.
    if (kResumable[i]->IsPlaying()) g_pausedByGroup[i] = true;
    kResumable[i]->Pause();
  }
  ForEachEngineNote([](SoundSource& s) { s.Pause(); });
}

void ResumeAllSounds() {
  for (int i = 0; i < kResumableCount; ++i) {
    if (g_pausedByGroup[i].exchange(false) && kResumable[i]->State() == AL_PAUSED)
      kResumable[i]->Play();
  }
}
