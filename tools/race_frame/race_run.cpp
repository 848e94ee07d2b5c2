#include "tools/race_frame/race_run.h"

#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <thread>

#include "app/career.h"
#include "app/frame.h"
#include "app/game.h"
#include "app/handshake.h"
#include "app/loader.h"
#include "app/settings.h"
#include "app/window.h"
#include "frontend/screens.h"
#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "platform/crt_rand.h"
#include "platform/messages.h"
#include "platform/timer.h"
#include "platform/window.h"
#include "race/car_setup.h"
#include "race/physics_world.h"
#include "race/track_loader.h"
#include "render/dirt_paint.h"
#include "render/ground_maps.h"
#include "render/pass_control.h"

namespace {

// The player's lorry in every run: a mid-range model, the one the race tests drive.
constexpr int kPlayerModel = 5;
constexpr unsigned kTrackSeed = 20240611u;
constexpr unsigned kRendererSeed = 7u;
// The intro's clock once a key has skipped it: past the 10 at which the loader takes
// the menu content.
constexpr float kIntroSkipped = 10.5f;
// Wall-clock bound on each loader stage. The race load ends with the dirt pre-paint's 600
// steps on the main thread: seconds on a quiet host, minutes on one that runs several
// checks at once.
constexpr uint32_t kStageTimeoutMs = 600000;

std::thread g_loader;
void (*g_beforeRace)() = nullptr;
bool g_windowOpen = false;
double g_prePaintMs = -1.0;
double g_raceLoadMs = -1.0;

bool Fail(std::string* why, const std::string& reason) {
  *why = reason;
  return false;
}

// A run takes no input and ends on its own count: the window's messages are drained,
// not handled (an activation would set the display mode as the game's window does).
void TakeMessages() {
  platform::Message m;
  while (platform::PeekMessage(&m)) {
  }
}

// One front-end frame. The one that finds the world loader waiting answers it with the
// cars' dirt pre-paint, and is timed.
void FrontEndFrame() {
  // The loader may ask for the hand-over while the frame runs: the frame that painted
  // is known by the painter's steps, not by the hand-over's value before it.
  const unsigned stepsBefore = RaceDirtSteps;
  glFinish();
  const uint32_t start = platform::TimeMs();
  DrawFrame();
  if (RaceDirtSteps != stepsBefore) {
    glFinish();
    g_prePaintMs = static_cast<double>(platform::TimeMs() - start);
  }
  ShowRaceFrame();
}

// The front end's frames while the loader works: the screen machine's step answers the
// world hand-over. True once the stage is one of the two awaited.
bool FramesUntilStage(int wanted, int refused) {
  const uint32_t start = platform::TimeMs();
  while (platform::TimeMs() - start < kStageTimeoutMs) {
    const int stage = Handshake.LoaderStage.load();
    if (stage == wanted) return true;
    if (stage == refused) return false;
    FrontEndFrame();
  }
  return false;
}

// The loading screen's frames until it starts the race (true) or leaves for the menus.
bool FramesUntilRace() {
  const uint32_t start = platform::TimeMs();
  while (platform::TimeMs() - start < kStageTimeoutMs) {
    if (CurrentScreen.load() == kScreenRace) return true;
    if (TargetScreen.load() != kScreenRaceLoading) return false;
    FrontEndFrame();
  }
  return false;
}

void SetScreen(int screen) {
  TargetScreen.store(screen);
  CurrentScreen.store(screen);
}

void ApplyOptions(const RaceFrameOptions& o) {
  Settings = DefaultSettings();
  // A tool run is silent and never reads or writes the player's files.
  Settings.sound = 0;
  Settings.music = 0;
  Settings.eax = 0;
  Settings.screenWidth = o.width;
  Settings.screenHeight = o.height;
  if (o.antiAliasing >= 0) Settings.antiAliasing = o.antiAliasing;
  if (o.textureFiltering >= 0) Settings.textureFiltering = o.textureFiltering;
  if (o.shadows >= 0) Settings.shadowDetail = o.shadows;
  if (o.reflections >= 0) Settings.reflectionQuality = o.reflections;
  if (o.postEffect >= 0) Settings.postEffect = o.postEffect;
  if (o.sight >= 0) Settings.sightRange = o.sight == 300 ? 0 : (o.sight == 450 ? 1 : 2);
  ApplyDerivedValues(Settings);
  ShadowMapSize = ShadowMapSizeFor(Settings.shadowDetail, ShadowMapSize);
  TrafficCarCount = 0;

  PassControl = PassControlState();
  std::snprintf(PassControl.only, sizeof PassControl.only, "%s", o.only.c_str());
  int n = 0;
  // One layer alone is looked at against nothing: the sky would fill what it leaves.
  if (!o.only.empty()) std::snprintf(PassControl.skip[n++], sizeof PassControl.skip[0], "sky");
  for (const std::string& s : o.skip)
    if (n < kMaxSkippedPasses) std::snprintf(PassControl.skip[n++], sizeof PassControl.skip[0], "%s", s.c_str());
}

}  // namespace

void SetBeforeRaceHook(void (*hook)()) { g_beforeRace = hook; }
double PrePaintMilliseconds() { return g_prePaintMs; }
double RaceLoadMilliseconds() { return g_raceLoadMs; }

const char* GlErrorName(GLenum e) {
  switch (e) {
    case GL_NO_ERROR: return "GL_NO_ERROR";
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    case GL_INVALID_FRAMEBUFFER_OPERATION_EXT: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    default: return "an unknown GL error";
  }
}

bool OpenRaceRun(const RaceFrameOptions& o, std::string* why) {
  FixedFrameSeconds = kRaceFrameSeconds;
  FixedTrackSeed = kTrackSeed;
  // The renderer's start seeds the main thread's draws: the noise, then the smoke.
  FixedRendererSeed = kRendererSeed;
  ApplyOptions(o);
  LinkRendererToGame();
  if (!CreateMainWindow("Kelvamor race frame", o.width, o.height, 32, false, 24))
    return Fail(why, "no window with GL contexts (is DISPLAY set?)");
  g_windowOpen = true;
  // Frames as fast as the driver draws them; the step is fixed anyway.
  platform::SetSwapInterval(0);
  // The quick race as its menu leaves it: the race, and the lorry in the career, which
  // the menu content loads. Set before the loader starts: a car reload asked for later
  // could meet the loader still reading the intro's screen and load the menu again.
  InitCarSetupDefaults();
  LoadCarsTable();
  ApplyCarPreset(kPlayerModel);
  SaveCarSetupToCareer();
  Career.RaceMode = 3;
  Career.QuickRaceNumber = o.race;
  Career.QuickRaceCar = kPlayerModel;
  SetScreen(kScreenIntro);
  Handshake.AppDone.store(0);
  Handshake.LoaderStage.store(kStageNothing);
  g_loader = std::thread(LoaderThread);
  const uint32_t start = platform::TimeMs();
  while (!Handshake.LoaderRunning.load() && platform::TimeMs() - start < 1000) platform::SleepMs(1);
  glFinish();
  if (!StartRendererFromSettings()) return Fail(why, "the renderer did not start");
  glFinish();

  IntroClock.store(kIntroSkipped);
  if (!FramesUntilStage(kStageMenuLoaded, -1)) return Fail(why, "the loader did not load the menu content");
  if (g_beforeRace) g_beforeRace();

  // The first update takes these: handed over before the loading screen starts the race.
  DriverControlState controls{};
  controls.clutch = 1.0f;  // pedal up
  PublishControls(controls);
  const uint32_t raceStart = platform::TimeMs();
  Handshake.LoaderStage.store(kStageLoadTrack);
  SetScreen(kScreenRaceLoading);
  // The loading screen itself draws the race's map and starts the race once loaded, or
  // goes back to the menus when the loader refuses it.
  if (!FramesUntilRace()) return Fail(why, "the race did not load");
  g_raceLoadMs = static_cast<double>(platform::TimeMs() - raceStart);
  // The load packed what it could; the race's first frame is drawn after this.
  if (o.unpackedGround) BuildGroundMaps(GroundPacking::kNone);
  // The menus advanced the scene clock once per frame of their own, and how many frames
  // the loads took is the wall clock's business: the race's clock starts at 0 so that
  // the wind of the grass and the trees is the same in every run.
  FrameTiming.SceneClock = 0.0f;
  // The race's smoke draws from the main thread's generator, which the load's dirt
  // pre-paint has drawn from tens of thousands of times: seeded again here, the frames
  // stay the same whatever the load drew.
  platform::SeedRand(kRendererSeed);
  return true;
}

void CloseRaceRun() {
  Handshake.AppDone.store(1);
  if (g_loader.joinable()) g_loader.join();
  if (g_windowOpen) DestroyMainWindow();
  g_windowOpen = false;
  platform::QuitVideo();
}

void WaitForRaceUpdate() {
  while (Handshake.UpdateToggle.load() == Handshake.RenderToggle.load() && !Handshake.AppDone.load()) {
  }
}

void PublishControls(const DriverControlState& controls) {
  DriverControls = controls;
  PublishDriverControls();
}

void DrawRaceFrame() { DrawFrame(); }

void ShowRaceFrame() {
  platform::SwapMainBuffers();
  TakeMessages();
}

Picture ReadBoundFramebuffer() {
  Picture p;
  p.width = Settings.screenWidth;
  p.height = Settings.screenHeight;
  p.rgba.resize(static_cast<size_t>(p.width) * p.height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, p.width, p.height, GL_RGBA, GL_UNSIGNED_BYTE, p.rgba.data());
  return p;
}

Picture ReadScreen() {
  GLint bound = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
  if (GlExt.glBindFramebufferEXT) GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glReadBuffer(GL_BACK);
  Picture p = ReadBoundFramebuffer();
  if (GlExt.glBindFramebufferEXT) GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(bound));
  return p;
}

Picture ReadScreenTexture(GLuint texture) {
  Picture p;
  p.width = Settings.screenWidth;
  p.height = Settings.screenHeight;
  p.rgba.resize(static_cast<size_t>(p.width) * p.height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_UNSIGNED_BYTE, p.rgba.data());
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
  return p;
}

void FillScreenTexture(GLuint texture, const uint8_t rgba[4]) {
  std::vector<uint8_t> texels(static_cast<size_t>(Settings.screenWidth) * Settings.screenHeight * 4);
  for (size_t i = 0; i < texels.size(); i += 4) std::memcpy(&texels[i], rgba, 4);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  glTexSubImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, 0, 0, Settings.screenWidth, Settings.screenHeight, GL_RGBA,
                  GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
}
