#include "app/game.h"

#include <GL/gl.h>

#include <cstdio>
#include <string>
#include <thread>
#include <unistd.h>

#include "app/career.h"
#include "app/controls.h"
#include "app/frame.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/joystick.h"
#include "app/loader.h"
#include "app/player_files.h"
#include "app/race_cameras.h"
#include "app/settings.h"
#include "app/sound.h"
#include "app/test_race.h"
#include "app/window.h"
#include "frontend/garage_scene.h"
#include "frontend/screens.h"
#include "gfx/data_files.h"
#include "gfx/renderer.h"
#include "gfx/links.h"
#include "render/camera_state.h"
#include "platform/display_loss.h"
#include "platform/messages.h"
#include "platform/msgbox.h"
#include "platform/shell.h"
#include "platform/timer.h"
#include "platform/vk.h"
#include "platform/window.h"
#include "race/car_content.h"
#include "race/lamp_table.h"
#include "race/physics_world.h"
#include "race/race_status.h"
#include "race/tyre_curves.h"

TargetSizes PostTargetSize = {400, 300};
TargetSizes RenderTextureSize = {1024, 1024};
int ShadowMapSize = 1024;

namespace {

// How long the loader gets to leave its loop at shutdown before we stop waiting.
constexpr uint32_t kLoaderExitTimeoutMs = 5000;

// The single-press keys whose release frees the latch.
const int kLatchKeys[] = {
    platform::kVkReturn, platform::kVkEscape, platform::VkDigit(1), platform::VkDigit(2),
    platform::VkDigit(3), platform::VkF(1), platform::VkF(2), platform::VkF(3), platform::VkF(5),
    platform::kVkLeft, platform::kVkRight, platform::kVkUp, platform::kVkDown, platform::kVkSpace,
    platform::VkLetter('Y'), platform::VkLetter('Q'), platform::VkLetter('R'), platform::VkLetter('F'),
    platform::VkLetter('L'), platform::VkLetter('K'), platform::VkLetter('C'), platform::VkLetter('X'),
    platform::VkLetter('Z'), platform::VkLetter('O'), platform::VkLetter('P'), platform::VkLetter('I'),
    platform::VkLetter('U'), platform::VkLetter('J')};

std::thread g_loader;
std::thread::id g_mainThread;

void EscapePause() {
  if (!KeyDown(platform::kVkEscape) || Input.KeyLatch) return;
  if (CurrentScreen.load() != kScreenRace || TargetScreen.load() != CurrentScreen.load()) return;
  if (RaceStatus.PlayerFinished.load()) return;
  Input.KeyLatch = 1;
  // An update may be in flight; pausing before it lands would let it start the engine
  // notes again. Wait for its flip, so the pause sticks.
  while (Handshake.UpdateToggle.load() == Handshake.RenderToggle.load() && !Handshake.AppDone.load() &&
         Handshake.LoaderRunning.load()) {
  }
  PauseAllSounds();
  if (Settings.music) MusicSource.Pause();
  if (Settings.sound) {
    MenuClickSound.Play();
    MenuOpenSound.Play();
  }
  TargetScreen.store(kScreenPause);
  CurrentScreen.store(kScreenPause);
  ScreenFade = 0.0f;
}

void ReleaseLatchWhenIdle() {
  if (Input.MouseButtons[0]) return;
  for (int vk : kLatchKeys)
    if (KeyDown(vk)) return;
  Input.KeyLatch = 0;
}

// The display gone: nothing more can be drawn, but the player's settings and career
// are kept as a quit keeps them, and the process ends without waiting on GL.
void LeaveOnLostDisplay() {
  Handshake.AppDone.store(1);
  // The loader may be the thread that noticed; it cannot wait for itself. One that has
  // left is joined, not abandoned finished; one still inside a load is left to the exit.
  if (std::this_thread::get_id() == g_mainThread) StopLoaderThread(g_loader, kLoaderExitTimeoutMs);
  const bool settingsSaved = SaveSettings();
  const bool careerSaved = SaveCareer();
  std::fprintf(stderr, "kelvamor: the display connection was lost; %s\n",
               settingsSaved && careerSaved ? "settings and career saved"
               : settingsSaved              ? "settings saved, the career could not be"
               : careerSaved                ? "career saved, the settings could not be"
                                            : "neither settings nor career could be saved");
  std::fflush(stdout);
  std::fflush(stderr);
  // Static destructors would tear down sound and a context on a dead display, and a
  // loader still inside GL cannot be joined: leave at once.
  _exit(1);
}

// Saves both files (each failure names itself); false when either could not be saved.
bool SavePlayerFiles() {
  const bool settingsSaved = SaveSettings();
  const bool careerSaved = SaveCareer();
  return settingsSaved && careerSaved;
}

// A quit that loses the player's files is not a clean exit.
int ExitCodeAfterSave(int exitCode, bool saved) {
  if (saved || exitCode != 0) return exitCode;
  std::printf("kelvamor: the player's files could not be saved at exit\n");
  std::fflush(stdout);
  return 1;
}

int Shutdown(int exitCode) {
  if (!StopLoaderThread(g_loader, kLoaderExitTimeoutMs)) {
    // A loader stuck in a load must not hold the exit, but it still works in the shared
    // GL context, on the content tables and on the sound sources: tearing any of them
    // down (or letting the static destructors run) would pull them from under it. The
    // player's files are kept and the process ends around it.
    std::fprintf(stderr, "shutdown: the loader thread did not stop within %u ms\n", kLoaderExitTimeoutMs);
    exitCode = ExitCodeAfterSave(exitCode, SavePlayerFiles());
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(exitCode);
  }
  ReleaseStartupSounds();
  CloseSoundDevice();
  exitCode = ExitCodeAfterSave(exitCode, SavePlayerFiles());
  if (GameJoystick) {
    if (GameJoystick->present) GameJoystick->Release();
    delete GameJoystick;
    GameJoystick = nullptr;
  }
  DestroyMainWindow();
  platform::QuitVideo();
  platform::OpenWebPage();
  return exitCode;
}

}  // namespace

void LinkRendererToGame() {
  GfxLinks.resetLoadedCars = ResetLoadedCarTypes;
  GfxLinks.loadFPoints = LoadFPoints;
  GfxLinks.pendingAntiAliasing = &PendingGraphics.antiAliasing;
  GfxLinks.targetScreen = [] { return TargetScreen.load(); };
  GfxLinks.sceneClock = [] { return FrameTiming.SceneClock; };
  GfxLinks.cameraSpeedFactor = [] { return RenderCamera.speedFactor; };
  GfxLinks.farDistance = [] { return FarDistance; };
  GfxLinks.garageZoom = [] { return GarageView.nearDistance; };
  GfxLinks.currentScreen = [] { return CurrentScreen.load(); };
  GfxLinks.sunCameraPosition = &SunCamera.sunPosition.x;
  GfxLinks.sunCameraPoint = &SunCamera.sunPoint.x;
  GfxLinks.renderCameraPosition = &RenderCamera.eye.x;
  // A link added to gfx and forgotten here would read as nothing there: say so now.
  ReportUnsetGraphicsLinks(stderr);
}

bool StartRendererFromSettings() {
  RendererSetup setup;
  setup.screenWidth = Settings.screenWidth;
  setup.screenHeight = Settings.screenHeight;
  setup.antiAliasing = Settings.antiAliasing;
  setup.textureFiltering = Settings.textureFiltering;
  setup.shadowMapSize = ShadowMapSize;
  setup.postWidth = PostTargetSize.width;
  setup.postHeight = PostTargetSize.height;
  setup.renderTextureSize = RenderTextureSize.width;
  const bool ok = InitRenderer(setup);
  // The renderer may have fitted the shadow map to the driver's limits; the passes size
  // their viewport from this one.
  ShadowMapSize = RenderSetup.shadowMapSize;
  return ok;
}

int ShadowMapSizeFor(int shadowDetail, int current) {
  switch (shadowDetail) {
    case 0: return 16;
    case 1: return 1024;
    case 2: return 4096;
    case 3: return 8192;
    default: return current;
  }
}

void RunFramePass() {
  if (WindowActive) {
    if (!DrawFrame() || Handshake.QuitRequest.load()) {
      Handshake.AppDone.store(1);
      return;
    }
  }
  platform::SwapMainBuffers();
  EscapePause();
  CaptureBinding();
  if (KeyDown(platform::VkF(1)) && !Input.KeyLatch) {
    FpsVisible = FpsVisible ? 0 : 1;
    Input.KeyLatch = 1;
  }
  ReleaseLatchWhenIdle();
  if (GameJoystick && GameJoystick->present) GameJoystick->Poll();
  MapDriverInput();
  platform::EndInputFrame();
}

int RunGame() {
  g_mainThread = std::this_thread::get_id();
  platform::InstallQuitSignals();
  ReadTestRaceSwitch();
  LinkRendererToGame();
  // Before the files are read, so that what a save cut short left beside them never
  // piles up.
  RemoveLeftoverSaves();
  LoadSettings();
  ShadowMapSize = ShadowMapSizeFor(Settings.shadowDetail, ShadowMapSize);
  // The city traffic count sizes the simulator and indexes the four city car slots.
  const int traffic = Settings.cityTraffic;
  TrafficCarCount = 2 * (traffic < 0 ? 0 : traffic > 2 ? 2 : traffic);
  LoadCareer();
  LoadOpticaTable();

  // Without a device the game runs silent rather than not at all (every sound call is
  // then inert), and the EAX setting is cleared like on a device without EAX.
  if (OpenSoundDevice()) LoadStartupSounds();
  SetupEax();

  // A game without a window has not run: the shell sees a failure, and the message
  // above names its cause.
  FitScreenModeToDisplay();
  if (!CreateMainWindow("Kelvamor", Settings.screenWidth, Settings.screenHeight, 32, true, 24)) {
    CloseSoundDevice();
    platform::QuitVideo();
    return 1;
  }
  platform::OnDisplayLost(LeaveOnLostDisplay);
  TargetScreen.store(kScreenIntro);
  CurrentScreen.store(kScreenIntro);
  glFinish();

  GameJoystick = new Joystick;
  GameJoystick->present = GameJoystick->Init() ? 1 : 0;

  g_loader = std::thread(LoaderThread);
  // Objects are shared from creation on; wait only until the loader has taken its
  // context, instead of a blind second.
  const uint32_t start = platform::TimeMs();
  while (!Handshake.LoaderRunning.load() && platform::TimeMs() - start < 1000) platform::SleepMs(1);
  glFinish();
  int exitCode = 0;
  // Without its shaders, fonts and base textures the game shows black or blank screens;
  // the start ends instead, naming the file.
  if (!StartRendererFromSettings()) {
    const std::string file = LastUnusableFile();
    std::printf("kelvamor: the game cannot start: %s\n",
                file.empty() ? "the renderer could not be set up" : (file + " cannot be used").c_str());
    std::fflush(stdout);
    platform::ShowMessageBox("Initialization Failed.", "ERROR", platform::MessageIcon::kWarning);
    exitCode = 1;
    Handshake.AppDone.store(1);
  }
  glFinish();

  while (!Handshake.AppDone.load()) {
    platform::Message m;
    if (platform::PeekMessage(&m)) {
      if (m.kind == platform::MessageKind::kQuit) {
        exitCode = m.a;
        Handshake.AppDone.store(1);
      } else {
        MainWindowProc(m);
      }
      continue;
    }
    RunFramePass();
  }
  if (StartDataMissing.load() && exitCode == 0) exitCode = 1;
  return Shutdown(exitCode);
}
