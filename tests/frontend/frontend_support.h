// The front-end tests' world: the real renderer at 1024 x 768 with the menu textures and
// car tables of the generated base/, a settled start screen with the menu content
// loaded and the Sound setting on, the texts PrintText draws collected with their
// screen places, the menu sounds' Play calls counted from the start of each case, the
// input the window procedure would leave (keys, mouse button, pointer), whole
// front-end frames (UpdateScreens) drawn into a screen-size target, and the loader's
// answers given by hand.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/sound.h"
#include "tests/gfx/gl_fixture.h"
#include "tests/render/renderer_start.h"

namespace fetest {

constexpr int kScreenW = 1024, kScreenH = 768;

// One text PrintText drew, with its anchor in VirtualScreen units.
struct TracedText {
  std::string text;
  float x = 0.0f, y = 0.0f;
  int colour = 0;
  float alpha = 0.0f;
  int font = 0;
  float size = 0.0f;
  int align = 0;
};
using DrawnText = TracedText;

// The trace function the fixtures install: stores each text PrintText draws.
void CollectText(const char* text, float x, float y, int colour, float alpha, int font, float size, int align);
// Texts drawn since the case began (or since ClearTexts).
const std::vector<TracedText>& Texts();
void ClearTexts();
// The first text drawn with exactly this content; null when none was.
const TracedText* FindText(const std::string& text);
// The last text drawn with exactly this content (a whole frame draws some twice).
const TracedText* FindLastText(const std::string& text);

constexpr int kStartScreen = 1;

// Every case starts with a new career and its car live and loaded, the default
// settings (1024 x 768) with Sound on, music and the post effect off, the menu content
// loaded, no car reload pending, one tick per frame, no key, button or latch, the
// widgets' eases and glows at rest, the cursor in the middle of the window and the
// widget pointer far from every widget, and the start screen current, targeted and
// faded in.
class FrontendGlTest : public gltest::GlTest {
 protected:
  explicit FrontendGlTest(int startScreen = kStartScreen) : startScreen_(startScreen) {}
  void SetUp() override;
  void TearDown() override;

 private:
  int startScreen_;
};

// The current and the target screen both `screen`, faded in to `fade`.
void SettleOn(int screen, float fade = 1.0f);
// ScreenFade and the eases the screen machine derives from it.
void SetFade(float fade);

// One UpdateScreens frame of `ticks`, drawn into the screen-size target.
void Frame(float ticks = 1.0f);
void Frames(int n, float ticks = 1.0f);
// One frame as the main loop draws it outside a race (DrawFrame): timed by the frame
// timer, whose FixedFrameSeconds the case sets, into the screen-size target.
void TimedFrame();
// Frames until the current screen is `screen` (at most `limit`); true when it is.
bool FramesUntilCurrent(int screen, int limit = 400);

void Press(int vk);
void Release(int vk);
void MouseDown();
void MouseUp();
// The widget pointer in VirtualScreen units (what UpdateScreens derives from the cursor).
void PointAt(int x, int y);
// The cursor at window pixels (the game's window is 1024 x 768).
void CursorAt(int x, int y);
// What the frame loop does between frames: the latch goes once every watched key and
// the mouse button are up.
void ReleaseLatchWhenIdle();

// The loader's side of a car reload: slot 0 holds the live car and the menus are
// loaded again.
void LoaderLoadsLiveCar();
// The loader answers an unload (a race left, refused or finished) with a click still
// latched: the next frame must mark the menus loaded and target `menuScreen` from a
// fade of -1 with the entry selection and the click latch cleared, and the frame after
// must show it.
void LoaderAnswersUnload(int menuScreen);

// Play calls of a sound since the case began (menu sounds and music; others since the
// program began).
unsigned Plays(const SoundSource& sound);
// Play calls of every menu sound together.
unsigned AllMenuPlays();

// The GL error queue drained; GL_NO_ERROR when the case left none.
GLenum DrainGlErrors();

// A picture of what `draw` puts on an 800 x 600 target cleared to black, one pixel per
// VirtualScreen unit, origin at the centre.
struct Picture {
  std::vector<uint8_t> rgba;  // bottom row first
  const uint8_t* At(int vx, int vy) const;
  // Pixels of the row at vy (from vx0 to vx1) whose red, green or blue exceeds `level`.
  int LitInRow(int vy, int vx0, int vx1, int level = 8) const;
};
Picture DrawPicture(void (*draw)());

// The last frame's picture, bottom row first, and one pixel of it at VirtualScreen
// (vx, vy).
struct FramePicture {
  std::vector<uint8_t> rgba;
  const uint8_t* At(float vx, float vy) const;
};
FramePicture LastFrame();
// Fills a rectangle texture with one opaque colour.
using rendertest::FillRectTexture;

}  // namespace fetest
