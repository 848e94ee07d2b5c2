#include "tests/frontend/frontend_support.h"

#include <cmath>
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
#include "frontend/widgets.h"
#include "gfx/renderer.h"
#include "gfx/text.h"
#include "gfx/virtual_screen.h"
#include "race/car_content.h"
#include "race/car_setup.h"

namespace fetest {

namespace {

constexpr int kPictureW = 800, kPictureH = 600;

unsigned MenuBaseline[10];
unsigned MusicBaseline;

void Ortho() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-400.0, 400.0, -300.0, 300.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

std::vector<TracedText>& TextStore() {
  static std::vector<TracedText> texts;
  return texts;
}

std::unique_ptr<gltest::ColourTarget>& ScreenTarget() {
  static std::unique_ptr<gltest::ColourTarget> t;
  return t;
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

const TracedText* FindLastText(const std::string& text) {
  const TracedText* found = nullptr;
  for (const TracedText& t : TextStore())
    if (t.text == text) found = &t;
  return found;
}

void FrontendGlTest::SetUp() {
  gltest::GlTest::SetUp();
  if (IsSkipped()) return;
  std::string why;
  if (!rendertest::StartWithMenuContent(kScreenW, kScreenH, &why)) GTEST_SKIP() << why;
  if (!ScreenTarget()) ScreenTarget().reset(new gltest::ColourTarget(kScreenW, kScreenH));
  ASSERT_TRUE(ScreenTarget()->complete());

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
  Handshake.WorldHandover.store(0);
  Handshake.QuitRequest.store(0);
  LoadingBoxAlpha = 0.0f;
  IntroClock.store(3.0f);
  PromptClock = 0.0f;
  FrameTiming.FrameTicks = 1.0f;
  FrameTiming.SceneClock = 0.0f;
  CursorAt(kScreenW / 2, kScreenH / 2);
  PointAt(-1000, -1000);
  SettleOn(startScreen_);

  for (int i = 0; i < 10; ++i) MenuBaseline[i] = GameSounds.menu[i].playCount;
  MusicBaseline = MusicSource.playCount;
  ClearTexts();
  TextTrace = CollectText;
  Ortho();
  DrainGlErrors();
}

void FrontendGlTest::TearDown() {
  if (!IsSkipped()) {
    EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR)) << "GL error left by the case";
  }
  TextTrace = nullptr;
  Handshake.QuitRequest.store(0);
  gltest::BindWindowFramebuffer();
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

void Frame(float ticks) {
  FrameTiming.FrameTicks = ticks;
  ScreenTarget()->Bind();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  UpdateScreens();
}

void Frames(int n, float ticks) {
  for (int i = 0; i < n; ++i) Frame(ticks);
}

void TimedFrame() {
  ScreenTarget()->Bind();
  DrawFrame();
}

bool FramesUntilCurrent(int screen, int limit) {
  for (int i = 0; i < limit && CurrentScreen.load() != screen; ++i) Frame();
  return CurrentScreen.load() == screen;
}

void Press(int vk) { Input.KeyStates[vk] = 1; }
void Release(int vk) { Input.KeyStates[vk] = 0; }
void MouseDown() { Input.MouseButtons[0] = 1; }
void MouseUp() { Input.MouseButtons[0] = 0; }

void PointAt(int x, int y) {
  PointerX = x;
  PointerY = y;
}

void CursorAt(int x, int y) {
  Input.CursorPoint.x = x;
  Input.CursorPoint.y = y;
}

void ReleaseLatchWhenIdle() {
  if (Input.MouseButtons[0]) return;
  for (uint8_t k : Input.KeyStates)
    if (k) return;
  Input.KeyLatch = 0;
}

void LoaderLoadsLiveCar() {
  LoadedCarType[0].store(LiveCarSetup.modelIndex);
  Handshake.LoaderStage.store(kStageMenuLoaded);
}

void LoaderAnswersUnload(int menuScreen) {
  Input.ClickLatch = 1;
  Handshake.LoaderStage.store(kStageUnloaded);
  Frame();
  EXPECT_EQ(Handshake.LoaderStage.load(), kStageMenuLoaded);
  EXPECT_EQ(TargetScreen.load(), menuScreen);
  EXPECT_EQ(ScreenFade, -1.0f);
  EXPECT_EQ(EntrySelection, 0);
  EXPECT_EQ(Input.ClickLatch, 0);
  Frame();
  EXPECT_EQ(CurrentScreen.load(), menuScreen);
}

unsigned Plays(const SoundSource& sound) {
  if (&sound == &MusicSource) return MusicSource.playCount - MusicBaseline;
  for (int i = 0; i < 10; ++i)
    if (&sound == &GameSounds.menu[i]) return GameSounds.menu[i].playCount - MenuBaseline[i];
  return sound.playCount;
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

const uint8_t* FramePicture::At(float vx, float vy) const {
  int x = static_cast<int>(std::lround((vx + 400.0f) * kScreenW / 800.0f));
  int y = static_cast<int>(std::lround((vy + 300.0f) * kScreenH / 600.0f));
  x = x < 0 ? 0 : (x >= kScreenW ? kScreenW - 1 : x);
  y = y < 0 ? 0 : (y >= kScreenH ? kScreenH - 1 : y);
  return &rgba[4 * (static_cast<size_t>(y) * kScreenW + x)];
}

FramePicture LastFrame() {
  FramePicture p;
  p.rgba = ScreenTarget()->Read();
  return p;
}

}  // namespace fetest
