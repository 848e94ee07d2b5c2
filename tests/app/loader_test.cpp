// The loader's stage machine driven by a stand-in front end, and the race lock-step
// between the loader and the main thread.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "app/career.h"
#include "app/frame.h"
#include "app/handshake.h"
#include "app/loader.h"
#include "app/race_snapshot.h"
#include "frontend/screens.h"
#include "app/controls.h"
#include "app/input.h"
#include "app/settings.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/city_objects.h"
#include "race/waypoints.h"
#include "race/physics_world.h"
#include "race/race_load.h"
#include "race/race_status.h"
#include "race/tyre_curves.h"
#include "race/track_loader.h"
#include "platform/msgbox.h"

namespace {

void SetScreens(int id) {
  TargetScreen.store(id);
  CurrentScreen.store(id);
}

class LoaderStages : public ::testing::Test {
 protected:
  void SetUp() override {
    Handshake.AppDone.store(0);
    Handshake.LoaderStage.store(kStageNothing);
    IntroClock.store(3.0f);
    LoadedCarType[0].store(-1);
    std::memset(&Career, 0, sizeof Career);
    ResetCareerFields();
  }
};

TEST_F(LoaderStages, IntroLoadsMenuContentOnlyOnceItsClockPassesTen) {
  SetScreens(kScreenIntro);
  for (float clock : {3.0f, 9.9f, 10.0f}) {
    IntroClock.store(clock);
    LoaderPass();
    EXPECT_EQ(Handshake.LoaderStage.load(), kStageNothing) << "clock " << clock;
  }
  IntroClock.store(10.01f);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);
  EXPECT_NE(LoadedCarType[0].load(), -1) << "the player's car is loaded with the menu content";
}

// The main thread's part of a race load: it answers the world loader's hand-over.
class HandoverAnswer {
 public:
  HandoverAnswer()
      : thread_([this] {
          while (!stop_.load())
            if (Handshake.WorldHandover.load() == 100) Handshake.WorldHandover.store(0);
        }) {}
  ~HandoverAnswer() {
    stop_.store(true);
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST_F(LoaderStages, TrackLoadUnloadRestartAndCarReload) {
  struct stat st;
  if (stat("base/world/races/1.ai", &st) != 0) GTEST_SKIP() << "base/ not generated here (build the base target)";
  HandoverAnswer answer;
  // A race that cannot run (an unknown race mode, so no race number) is answered as
  // unloaded.
  Career.RaceMode = 9;
  SetScreens(kScreenRaceLoading);
  Handshake.LoaderStage.store(kStageLoadTrack);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageUnloaded);
  EXPECT_EQ(RaceSimulator, nullptr);

  Career.RaceMode = 3;
  Career.QuickRaceNumber = 1;
  Handshake.LoaderStage.store(kStageLoadTrack);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageTrackLoaded);
  EXPECT_NE(RaceSimulator, nullptr);

  SetScreens(kScreenFinish);
  Handshake.LoaderStage.store(kStageUnloadTrack);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageUnloaded);
  EXPECT_EQ(RaceSimulator, nullptr);

  // Restart from the pause screen: unload and load again in one step.
  SetScreens(kScreenPause);
  Handshake.LoaderStage.store(kStageLoadTrack);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageTrackLoaded);
  EXPECT_NE(RaceSimulator, nullptr);
  Handshake.LoaderStage.store(kStageUnloadTrack);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageUnloaded);
  EXPECT_EQ(RaceSimulator, nullptr);

  // A car change on a menu screen drops the stage to 0; the loader brings it back.
  SetScreens(kScreenMainMenu);
  Handshake.LoaderStage.store(kStageNothing);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);

  // Leaving the intro early: stage 0 on a menu screen runs the car reload instead.
  Handshake.LoaderStage.store(kStageNothing);
  SetScreens(kScreenRaceLoading);
  LoaderPass();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageNothing) << "the loading screen waits for stage 10";
}

// The way out: the main thread may tear down the GL contexts, the content and the sound
// only once the loader thread has finished its last step and been joined. A loader still
// inside a load after the wait must be reported, not given up on: it is still working.
TEST_F(LoaderStages, StopJoinsAnIdleLoaderAndReportsOneStillInsideALoad) {
  platform::SetDialogsEnabled(false);  // the loader warns that it has no context here
  SetScreens(kScreenMainMenu);
  Handshake.LoaderStage.store(kStageMenuLoaded);
  std::thread idle(LoaderThread);
  while (!Handshake.LoaderRunning.load()) std::this_thread::yield();
  EXPECT_TRUE(StopLoaderThread(idle, 10000));
  EXPECT_FALSE(idle.joinable()) << "joined, so all it did is ordered before what follows";
  EXPECT_EQ(Handshake.LoaderRunning.load(), 0);

  struct stat st;
  if (stat("base/world/races/1.ai", &st) != 0) GTEST_SKIP() << "base/ not generated here (build the base target)";
  // Held at the world hand-over, mid-load: nobody answers, so only the way out frees it,
  // and the physics world and the race music are still to come after it.
  Handshake.AppDone.store(0);
  Handshake.WorldHandover.store(0);
  Career.RaceMode = 3;
  Career.QuickRaceNumber = 1;
  SetScreens(kScreenRaceLoading);
  Handshake.LoaderStage.store(kStageLoadTrack);
  std::thread loading(LoaderThread);
  while (Handshake.WorldHandover.load() != 100) std::this_thread::yield();
  EXPECT_FALSE(StopLoaderThread(loading, 0)) << "reported stopped while inside the world load";
  ASSERT_TRUE(loading.joinable()) << "a loader still at work is neither joined nor let go";
  // It finishes the step it was in, then leaves on its own.
  EXPECT_TRUE(StopLoaderThread(loading, 120000));
  EXPECT_FALSE(loading.joinable());
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageTrackLoaded);
  EXPECT_NE(RaceSimulator, nullptr);
  // Now everything the loader made is ours to drop, on this thread.
  LoadGarage();
  EXPECT_EQ(RaceSimulator, nullptr);
}

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Between requests in the menus the loader waits without taking a core: the menus are
// drawn by the rasteriser's threads, and a loader spinning on one of the cores took it
// from them. It still answers a request at once.
TEST_F(LoaderStages, AnIdleLoaderInTheMenusLeavesTheCoresToTheRendererAndStillAnswers) {
  platform::SetDialogsEnabled(false);  // the loader warns that it has no context here
  SetScreens(kScreenMainMenu);
  Handshake.LoaderStage.store(kStageMenuLoaded);
  std::thread loader(LoaderThread);
  while (!Handshake.LoaderRunning.load()) std::this_thread::yield();
  const double cpuBefore = ProcessCpuMs();
  const auto wallBefore = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  const double cpuMs = ProcessCpuMs() - cpuBefore;
  const double wallMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallBefore).count();
  // A spinning loader takes all of a core it is given: even on a machine loaded several
  // times over, far more than a tenth of the wall time.
  EXPECT_LT(cpuMs, 0.1 * wallMs) << "the idle loader used " << cpuMs << " ms of CPU in " << wallMs << " ms";

  // A car reload asked for in the menus is still taken up.
  Handshake.LoaderStage.store(kStageNothing);
  const auto asked = std::chrono::steady_clock::now();
  while (Handshake.LoaderStage.load() != kStageMenuLoaded &&
         std::chrono::steady_clock::now() - asked < std::chrono::seconds(30))
    std::this_thread::yield();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);
  EXPECT_TRUE(StopLoaderThread(loader, 10000));
}

TEST(RaceNumbers, EachRaceModeNamesItsTrack) {
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  Career.RaceMode = 1;
  Career.ChampionshipRace = 3;
  Career.BracketPosition = 5;
  EXPECT_EQ(CurrentRaceNumber(), 23);
  Career.RaceMode = 2;
  Career.CompetitionRace = 4;
  Career.CompetitionRegion = 2;
  EXPECT_EQ(CurrentRaceNumber(), 12);
  Career.RaceMode = 3;
  Career.QuickRaceNumber = 7;
  EXPECT_EQ(CurrentRaceNumber(), 7);
  Career.RaceMode = 9;
  EXPECT_EQ(CurrentRaceNumber(), 0);
}

// Puts the player's lorry beside the first roadside object with bodies, wakes it and
// sends one of its parts flying, so the frames below publish live object poses.
void KnockAnObject() {
  for (int k = 0; k < CityObjectCount; ++k) {
    CityObject& o = CityObjects[k];
    if (o.bodyCount == 0 || !o.bodies[0]) continue;
    CSampleCar& player = RaceCars[0];
    player.body->SetPosition(o.position + neV3(5.0f, 2.0f, 0.0f));
    // As if it had driven there: the rules would put a lorry far from its progress back.
    int nearest = 0;
    float best = 1e30f;
    for (int w = 0; w <= WaypointLastIndex; ++w) {
      const float dx = WaypointTable[w].x - o.position.x, dz = WaypointTable[w].z - o.position.z;
      if (dx * dx + dz * dz < best) {
        best = dx * dx + dz * dz;
        nearest = w;
      }
    }
    player.progressWaypoint = nearest;
    WakeDisturbedObjects();
    ASSERT_EQ(o.active, 1);
    o.bodies[0]->SetVelocity(neV3(3.0f, 4.0f, 0.0f));
    return;
  }
  FAIL() << "race 1 has no roadside object with bodies";
}

// Update N runs on the loader while frame N-1 is drawn; neither may overtake the
// other. A race is loaded and the main thread maps the controls every frame, as the
// game does, while the loader steps the cars with them. Run under ThreadSanitizer too
// (build with -DKELVAMOR_SANITIZE=thread).
TEST(RaceLockStep, ThousandFramesAlternateWithoutOvertaking) {
  struct stat st;
  const bool race = stat("base/world/races/1.ai", &st) == 0;
  if (race) {
    Settings = DefaultSettings();
    Settings.sound = 0;
    LoadFPoints("base/fpoints.ini");
    for (int i = 0; i < kRaceCarCount; ++i) RaceCars[i].modelIndex = i;
    ASSERT_TRUE(LoadRacePhysics(1));
    RaceStatus.CountdownRunning.store(0);  // no countdown drawn here: released at once
    KnockAnObject();
  }
  Input.KeyStates[Settings.bindings.slot[2]] = 1;  // accelerate held
  Handshake.AppDone.store(0);
  Handshake.UpdateToggle.store(0);
  Handshake.RenderToggle.store(0);
  SetScreens(kScreenRace);
  const uint32_t first = PublishedResults.updateNumber;  // before the loader runs
  // The FPS text is drawn while the loader already runs the next update: what it shows
  // must not be read from the loader's own frame timing.
  FpsVisible = 1;
  std::thread loader(LoaderThread);
  int livePoses = 0;
  for (int frame = 1; frame <= 1000; ++frame) {
    ASSERT_TRUE(DrawFrame());
    // Every frame draws the very next update: none skipped, none drawn twice.
    ASSERT_EQ(RenderSnapshot.updateNumber, first + static_cast<uint32_t>(frame));
    ASSERT_GE(RenderSnapshot.ticks, 0.0f);
    livePoses = std::max(livePoses, RenderCityObjects.poseCount);
    MapDriverInput();
  }
  SetScreens(kScreenPause);
  Handshake.AppDone.store(1);
  loader.join();
  FpsVisible = 0;
  EXPECT_EQ(Handshake.LoaderRunning.load(), 0);
  // At most one update ran past the last drawn frame.
  EXPECT_LE(PublishedResults.updateNumber, first + 1001);
  Input.KeyStates[Settings.bindings.slot[2]] = 0;
  if (!race) GTEST_SKIP() << "base/ not generated here: the frames ran without a race";
  // The frames are short (no drawing here), so the pedal has only begun to ramp.
  EXPECT_GT(RaceControls.accelerator, 0.0f) << "the held key reached the loader";
  EXPECT_LE(RaceControls.accelerator, DriverControls.accelerator);
  EXPECT_GT(RaceCars[0].throttle, 0.0f);
  EXPECT_GT(RenderCarRows[0].rpm, 750.0f) << "the engine the render sees ran";
  // The lorry may drive off and the object go back to rest before the last frame.
  EXPECT_GT(livePoses, 0) << "the knocked object's poses reached the render";
  const neVector3 end = RaceCars[0].Position();
  EXPECT_TRUE(std::isfinite(end.x) && std::isfinite(end.y) && std::isfinite(end.z));
  DestroyPhysicsWorld();
}

}  // namespace
