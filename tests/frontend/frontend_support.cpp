#include "tests/frontend/frontend_support.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/career.h"
#include "app/controls.h"
#include "app/frame.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/settings.h"
#include "frontend/screen_machine.h"
#include "frontend/screens.h"
#include "frontend/widgets.h"
#include "gfx/renderer.h"
#include "gfx/text.h"
#include "gfx/virtual_screen.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "tests/scratch_dir.h"

namespace fetest {

namespace {

constexpr int kPictureW = 800, kPictureH = 600;

struct StartUp {
  bool tried = false;
  bool ok = false;
  std::string why;
};

bool BaseGenerated() {
  struct stat st;
  return stat("base/textures/tex35.tga", &st) == 0 && stat("base/font1.ini", &st) == 0;
}

const StartUp& RendererWithMenuTextures() {
  static StartUp s;
  if (s.tried) return s;
  s.tried = true;
  if (!BaseGenerated()) {
    s.why = "base/ not generated in the working folder (build the base target)";
    return s;
  }
  // Career and settings saves land in a private folder, never in the user's.
  setenv("HOME", testscratch::ScratchDir().c_str(), 1);
  RendererSetup setup;
  setup.shadowMapSize = 16;
  if (!InitRenderer(setup)) {
    s.why = "InitRenderer failed";
    return s;
  }
  LoadTextures();
  gltest::TakeGlError();
  s.ok = true;
  return s;
}

unsigned MenuBaseline[10];
unsigned MusicBaseline;

void Ortho() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-400.0, 400.0, -300.0, 300.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

}  // namespace

namespace {

std::vector<TracedText>& TextStore() {
  static std::vector<TracedText> texts;
  return texts;
}

}  // namespace

void CollectText(const char* text, float x, float y, int colour, float alpha, int font, float size, int align) {
  TracedText t;
  t.text = text;
  t.x = x;
  t.y = y;
  t.colour = colour;
  t.alpha = alpha;
  t.font = font;
  t.size = size;
  t.align = align;
  TextStore().push_back(t);
}

const std::vector<TracedText>& Texts() { return TextStore(); }
void ClearTexts() { TextStore().clear(); }

const TracedText* FindText(const std::string& text) {
  for (const TracedText& t : TextStore())
    if (t.text == text) return &t;
  return nullptr;
}

void FrontendGlTest::SetUp() {
  gltest::GlTest::SetUp();
  if (IsSkipped()) return;
  const StartUp& s = RendererWithMenuTextures();
  if (!s.ok) GTEST_SKIP() << s.why;

  Settings = DefaultSettings();
  Settings.sound = 1;
  Settings.music = 0;
  VirtualScreen = VirtualScreenFrame();
  InitCarSetupDefaults();
  ResetCareerFields();
  LoadCarSetupFromCareer();
  Input = InputState();
  ClearKeyStates();
  std::memset(WidgetGlow, 0, sizeof WidgetGlow);
  ScrollArrowAlpha[0] = ScrollArrowAlpha[1] = 0.0f;
  BarScroll = BarTarget = BarNudge = 0.0f;
  GarageYaw = 0.0f;
  SelectedItem = EntrySelection = 0;
  OptionRow = BindingColumn = 0;
  BindingCaptureActive = 0;
  GraphicsChanged = 0;
  PendingGraphics = PendingGraphicsState();
  Handshake.LoaderStage.store(kStageMenuLoaded);
  Handshake.QuitRequest.store(0);
  CarReloadPending = 0;
  FrameTiming.FrameTicks = 1.0f;
  FrameTiming.SceneClock = 0.0f;
  PointAt(-1000, -1000);
  SettleOn(kStartScreen);

  for (int i = 0; i < 10; ++i) MenuBaseline[i] = GameSounds.menu[i].playCount;
  MusicBaseline = MusicSource.playCount;
  ClearTexts();
  TextTrace = CollectText;
  Ortho();
  gltest::TakeGlError();
}

void FrontendGlTest::TearDown() {
  if (!IsSkipped()) {
    EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR)) << "GL error left by the case";
  }
  TextTrace = nullptr;
  Handshake.QuitRequest.store(0);
}

void SetFade(float fade) {
  ScreenFade = fade;
  ComputeEases();
}

void SettleOn(int screen, float fade) {
  CurrentScreen.store(screen);
  TargetScreen.store(screen);
  SetFade(fade);
}

void Press(int vk) { Input.KeyStates[vk] = 1; }
void Release(int vk) { Input.KeyStates[vk] = 0; }
void MouseDown() { Input.MouseButtons[0] = 1; }
void MouseUp() { Input.MouseButtons[0] = 0; }

void PointAt(int x, int y) {
  PointerX = x;
  PointerY = y;
}

void FrameLoopReleasesLatch() {
  if (Input.MouseButtons[0]) return;
  for (uint8_t k : Input.KeyStates)
    if (k) return;
  Input.KeyLatch = 0;
}

unsigned Plays(const SoundSource& sound) {
  if (&sound == &MusicSource) return MusicSource.playCount - MusicBaseline;
  for (int i = 0; i < 10; ++i)
    if (&sound == &GameSounds.menu[i]) return GameSounds.menu[i].playCount - MenuBaseline[i];
  ADD_FAILURE() << "not a menu sound";
  return 0;
}

unsigned AllMenuPlays() {
  unsigned n = 0;
  for (int i = 0; i < 10; ++i) n += GameSounds.menu[i].playCount - MenuBaseline[i];
  return n;
}

GLenum DrainGlErrors() { return gltest::TakeGlError(); }

const uint8_t* Picture::At(int vx, int vy) const {
  const int px = vx + kPictureW / 2, py = vy + kPictureH / 2;
  return &rgba[4 * (static_cast<size_t>(py) * kPictureW + px)];
}

int Picture::LitInRow(int vy, int vx0, int vx1, int level) const {
  int lit = 0;
  for (int x = vx0; x <= vx1; ++x) {
    const uint8_t* p = At(x, vy);
    if (p[0] > level || p[1] > level || p[2] > level) ++lit;
  }
  return lit;
}

Picture DrawPicture(void (*draw)()) {
  gltest::ColourTarget target(kPictureW, kPictureH);
  Picture picture;
  if (!target.complete()) {
    ADD_FAILURE() << "the picture's framebuffer is incomplete";
    return picture;
  }
  target.Clear(0.0f, 0.0f, 0.0f, 1.0f);
  Ortho();
  draw();
  picture.rgba = target.Read();
  gltest::BindWindowFramebuffer();
  return picture;
}

}  // namespace fetest
