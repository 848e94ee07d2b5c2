// The screen tests' world: the real renderer at 1024 x 768 with the menu textures of
// the generated base/, whole front-end frames (UpdateScreens) drawn into a screen-size
// target, the texts PrintText draws with their places, the menu sounds' Play calls
// counted from the start of each case, and the loader's answers given by hand.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/sound.h"
#include "tests/frontend/frontend_support.h"
#include "tests/gfx/gl_fixture.h"

namespace screentest {

constexpr int kScreenW = 1024, kScreenH = 768;

// The texts PrintText drew, collected as the widget tests collect them.
using DrawnText = fetest::TracedText;
using fetest::ClearTexts;
using fetest::Texts;

// The last text drawn with exactly this content; null when none was.
const DrawnText* FindText(const std::string& text);

// Every case starts with a new career and its car live and loaded, the default
// settings with Sound on and music off, the menu content loaded, no key, button or
// latch, the pointer in the middle of the screen, one tick per frame, and `settle`'s
// screen current, targeted and faded in.
class ScreenGlTest : public gltest::GlTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// The current and the target screen both `screen`, faded to `fade`.
void SettleOn(int screen, float fade = 1.0f);
// One UpdateScreens frame of `ticks`, drawn into the screen-size target.
void Frame(float ticks = 1.0f);
void Frames(int n, float ticks = 1.0f);
// Frames until the current screen is `screen` (at most `limit`); true when it is.
bool FramesUntilCurrent(int screen, int limit = 400);

void Press(int vk);
void Release(int vk);
// What the frame loop does between frames: the latch goes once every key and the
// mouse button are up.
void ReleaseLatchWhenIdle();
// The cursor at window pixels (the game's window is 1024 x 768).
void CursorAt(int x, int y);

// The loader's side of a car reload: slot 0 holds the live car and the menus are
// loaded again.
void LoaderLoadsLiveCar();

// Play calls of a sound since the case began.
unsigned Plays(const SoundSource& sound);

// The last frame's picture, bottom row first, and one pixel of it at VirtualScreen
// (vx, vy).
struct Picture {
  std::vector<uint8_t> rgba;
  const uint8_t* At(float vx, float vy) const;
};
Picture LastFrame();
// Fills a screen-size rectangle texture with one colour.
void FillRect(GLuint texture, int width, int height, uint8_t r, uint8_t g, uint8_t b);

GLenum DrainGlErrors();

}  // namespace screentest
