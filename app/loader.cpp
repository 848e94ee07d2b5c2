#include "app/loader.h"

#include <GL/gl.h>

#include <cstdio>

#include "app/career.h"
#include "app/handshake.h"
#include "app/race_update.h"
#include "app/settings.h"
#include "app/sound.h"
#include "frontend/screens.h"
#include "gfx/data_files.h"
#include "platform/msgbox.h"
#include "platform/timer.h"
#include "platform/window.h"
#include "race/car_setup.h"
#include "race/scene_content.h"
#include "race/car_content.h"
#include "race/track_loader.h"

LoaderHandshakeState Handshake;

std::atomic<bool> StartDataMissing{false};

namespace {

// The loader's context is current only inside a step, so the main thread may use the
// shared objects between steps.
template <typename Work>
void LoadingStep(Work work) {
  glFinish();
  platform::MakeWorkerContextCurrent();
  glFinish();
  work();
  glFinish();
  platform::ReleaseCurrentContext();
  glFinish();
}

bool Screen(int id) { return CurrentScreen.load() == id; }

constexpr uint32_t kIdlePollMs = 1;
int Stage() { return Handshake.LoaderStage.load(); }
void SetStage(int s) { Handshake.LoaderStage.store(s); }

}  // namespace

int CurrentRaceNumber() {
  switch (Career.RaceMode) {
    case 1: return Career.ChampionshipRace + 4 * Career.BracketPosition;
    case 2: return Career.CompetitionRace + 4 * Career.CompetitionRegion;
    case 3: return Career.QuickRaceNumber;
    default: return 0;
  }
}

bool LoadMenuContent() {
  MusicSource.Load("base/music/menu.wav", true);
  if (Settings.music) MusicSource.Play();
  const uint32_t faultsBefore = UnusableFileCount();
  LoadTextures();
  // The menus are drawn with these: without one the game ends, naming it, rather
  // than show screens with holes.
  if (UnusableFileCount() != faultsBefore) {
    std::printf("kelvamor: the menus cannot run: %s cannot be used\n", LastUnusableFile().c_str());
    std::fflush(stdout);
    StartDataMissing.store(true);
    Handshake.AppDone.store(1);
    return false;
  }
  LoadObjects();
  LoadGarageContent();
  InitCarSetupDefaults();
  LoadCarsTable();
  LoadCarSetupFromCareer();
  LoadCar(0);
  return true;
}

void LoaderPass() {
  if (Screen(kScreenRace)) {
    while (Handshake.UpdateToggle.load() != Handshake.RenderToggle.load() && Screen(kScreenRace) &&
           !Handshake.AppDone.load()) {
    }
    if (Screen(kScreenRace) && TargetScreen.load() == kScreenRace && !Handshake.AppDone.load() &&
        Handshake.UpdateToggle.load() == Handshake.RenderToggle.load()) {
      UpdateRaceFrame();
      Handshake.UpdateToggle.store(Handshake.UpdateToggle.load() ^ 1);
    }
  }
  // The stage first: while it is 0 the front end cannot leave the intro, so the screen
  // read next is still the intro. Read the other way round, a front end that had just
  // left and asked for a car reload would get the menu content loaded over its car.
  if (Stage() == kStageNothing && Screen(kScreenIntro) && IntroClock.load() > 10.0f) {
    const uint32_t start = platform::TimeMs();
    bool loaded = false;
    LoadingStep([&loaded] { loaded = LoadMenuContent(); });
    // Content that did not load has ended the game, with the line naming the file; the
    // stage stays, so the front end never leaves the intro for menus without it.
    if (loaded) {
      SetStage(kStageMenuLoaded);
      std::printf("loader: menu content loaded in %u ms\n", platform::TimeMs() - start);
      std::fflush(stdout);
    }
  }
  if (Screen(kScreenRaceLoading) && Stage() == kStageLoadTrack) {
    const int race = CurrentRaceNumber();
    bool loaded = false;
    LoadingStep([race, &loaded] { loaded = LoadWorld(race); });
    // A race that cannot run answers as an unload: the front end goes back to its menus.
    SetStage(loaded ? kStageTrackLoaded : kStageUnloaded);
  }
  if (Screen(kScreenFinish) && Stage() == kStageUnloadTrack) {
    LoadingStep(LoadGarage);
    SetStage(kStageUnloaded);
  }
  if (Screen(kScreenPause) && Stage() == kStageLoadTrack) {
    const int race = CurrentRaceNumber();
    bool loaded = false;
    LoadingStep([race, &loaded] {
      LoadGarage();
      loaded = LoadWorld(race);
    });
    SetStage(loaded ? kStageTrackLoaded : kStageUnloaded);
  }
  if (Screen(kScreenPause) && Stage() == kStageUnloadTrack) {
    LoadingStep(LoadGarage);
    SetStage(kStageUnloaded);
  }
  const int s = CurrentScreen.load();
  if (s != kScreenRace && s != kScreenIntro && s != kScreenRaceLoading && s != kScreenFinish &&
      Stage() == kStageNothing) {
    LoadingStep([] { LoadCar(0); });
    SetStage(kStageMenuLoaded);
  }
}

void LoaderThread() {
  if (!platform::ContextsShareObjects())
    platform::ShowMessageBox("Can't Create A GL Texture Loading Context.", "ERROR", platform::MessageIcon::kWarning);
  Handshake.LoaderRunning.store(1);
  while (!Handshake.AppDone.load()) {
    LoaderPass();
    // Outside the race nothing waits on this loop but the front end's next request: a
    // millisecond's sleep between polls gives the core it would spin on to the
    // rasteriser's threads that draw the menus, and answers a request that much later.
    if (!Screen(kScreenRace)) platform::SleepMs(kIdlePollMs);
  }
  Handshake.LoaderRunning.store(0);
}

bool StopLoaderThread(std::thread& loader, uint32_t timeoutMs) {
  Handshake.AppDone.store(1);
  if (!loader.joinable()) return true;
  const uint32_t start = platform::TimeMs();
  while (Handshake.LoaderRunning.load() && platform::TimeMs() - start < timeoutMs) platform::SleepMs(1);
  if (Handshake.LoaderRunning.load()) return false;
  loader.join();
  return true;
}
