#include "tests/frontend/screen_support.h"

#include <GL/glext.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/career.h"
#include "app/controls.h"
#include "app/frame.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/settings.h"
#include "frontend/screen_machine.h"
#include "frontend/screens.h"
#include "gfx/renderer.h"
#include "gfx/text.h"
#include "gfx/virtual_screen.h"
#include "platform/vk.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "tests/scratch_dir.h"

namespace screentest {

namespace {

struct StartUp {
  bool tried = false;
  bool ok = false;
  std::string why;
};

bool BaseGenerated() {
  struct stat st;
  return stat("base/textures/tex40.tga", &st) == 0 && stat("base/font1.ini", &st) == 0 &&
         stat("base/cars.ini", &st) == 0;
}

const StartUp& Renderer1024() {
  static StartUp s;
  if (s.tried) return s;
  s.tried = true;
  if (!BaseGenerated()) {
    s.why = "base/ not generated in the working folder (build the base target)";
    return s;
  }
  // A new career is saved: into a private folder, never the user's.
  setenv("HOME", testscratch::ScratchDir().c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  RendererSetup setup;
  setup.screenWidth = kScreenW;
  setup.screenHeight = kScreenH;
  setup.shadowMapSize = 16;
  if (!InitRenderer(setup)) {
    s.why = "InitRenderer failed";
    return s;
  }
  LoadTextures();
  InitCarSetupDefaults();
  LoadCarsTable();
  gltest::TakeGlError();
  s.ok = true;
  return s;
}

std::unique_ptr<gltest::ColourTarget>& Target() {
  static std::unique_ptr<gltest::ColourTarget> t;
  return t;
}

unsigned g_baseline[10];

}  // namespace

const DrawnText* FindText(const std::string& text) {
  const DrawnText* found = nullptr;
  for (const DrawnText& t : Texts())
    if (t.text == text) found = &t;
  return found;
}

void ScreenGlTest::SetUp() {
  gltest::GlTest::SetUp();
  if (IsSkipped()) return;
  const StartUp& s = Renderer1024();
  if (!s.ok) GTEST_SKIP() << s.why;
  if (!Target()) Target().reset(new gltest::ColourTarget(kScreenW, kScreenH));
  ASSERT_TRUE(Target()->complete());

  Settings = DefaultSettings();
  Settings.screenWidth = kScreenW;
  Settings.screenHeight = kScreenH;
  Settings.sound = 1;
  Settings.music = 0;
  Settings.postEffect = 0;
  VirtualScreen = VirtualScreenFrame();
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  LoadCarSetupFromCareer();
  LoadedCarType[0].store(LiveCarSetup.modelIndex);
  CarReloadPending = 0;
  CarSwapFade = 0.0f;
  Input = InputState();
  ClearKeyStates();
  Handshake.LoaderStage.store(kStageMenuLoaded);
  Handshake.WorldHandover.store(0);
  Handshake.QuitRequest.store(0);
  EntrySelection = SelectedItem = 0;
  LoadingBoxAlpha = 0.0f;
  IntroClock.store(3.0f);
  PromptClock = 0.0f;
  FrameTiming.FrameTicks = 1.0f;
  CursorAt(kScreenW / 2, kScreenH / 2);
  SettleOn(1);

  for (int i = 0; i < 10; ++i) g_baseline[i] = GameSounds.menu[i].playCount;
  ClearTexts();
  TextTrace = fetest::CollectText;
  DrainGlErrors();
}

void ScreenGlTest::TearDown() {
  if (!IsSkipped()) {
    EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR)) << "GL error left by the case";
  }
  TextTrace = nullptr;
  Handshake.QuitRequest.store(0);
  gltest::BindWindowFramebuffer();
}

void SettleOn(int screen, float fade) {
  TargetScreen.store(screen);
  CurrentScreen.store(screen);
  ScreenFade = fade;
}

void Frame(float ticks) {
  FrameTiming.FrameTicks = ticks;
  Target()->Bind();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  UpdateScreens();
}

void Frames(int n, float ticks) {
  for (int i = 0; i < n; ++i) Frame(ticks);
}

bool FramesUntilCurrent(int screen, int limit) {
  for (int i = 0; i < limit && CurrentScreen.load() != screen; ++i) Frame();
  return CurrentScreen.load() == screen;
}

void Press(int vk) { Input.KeyStates[vk] = 1; }
void Release(int vk) { Input.KeyStates[vk] = 0; }

void ReleaseLatchWhenIdle() {
  if (Input.MouseButtons[0]) return;
  for (int vk = 0; vk < 256; ++vk)
    if (Input.KeyStates[vk]) return;
  Input.KeyLatch = 0;
}

void CursorAt(int x, int y) {
  Input.CursorPoint.x = x;
  Input.CursorPoint.y = y;
}

void LoaderLoadsLiveCar() {
  LoadedCarType[0].store(LiveCarSetup.modelIndex);
  Handshake.LoaderStage.store(kStageMenuLoaded);
}

unsigned Plays(const SoundSource& sound) {
  for (int i = 0; i < 10; ++i)
    if (&sound == &GameSounds.menu[i]) return sound.playCount - g_baseline[i];
  return sound.playCount;
}

const uint8_t* Picture::At(float vx, float vy) const {
  int x = static_cast<int>(std::lround((vx + 400.0f) * kScreenW / 800.0f));
  int y = static_cast<int>(std::lround((vy + 300.0f) * kScreenH / 600.0f));
  x = x < 0 ? 0 : (x >= kScreenW ? kScreenW - 1 : x);
  y = y < 0 ? 0 : (y >= kScreenH ? kScreenH - 1 : y);
  return &rgba[4 * (static_cast<size_t>(y) * kScreenW + x)];
}

Picture LastFrame() {
  Picture p;
  p.rgba = Target()->Read();
  return p;
}

void FillRect(GLuint texture, int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> texels(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < texels.size(); i += 4) {
    texels[i] = r;
    texels[i + 1] = g;
    texels[i + 2] = b;
    texels[i + 3] = 255;
  }
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
}

GLenum DrainGlErrors() { return gltest::TakeGlError(); }

}  // namespace screentest
