// The front-end tests' world: the real renderer and the numbered menu textures from the
// generated base/, a settled screen with the menu content loaded and the Sound setting
// on, the texts PrintText draws collected with their screen places, the menu sounds'
// Play calls counted from the start of each case, and the input the window procedure
// would leave (keys, mouse button, pointer).
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/sound.h"
#include "tests/gfx/gl_fixture.h"

namespace fetest {

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

// The trace function the fixtures install: stores each text PrintText draws.
void CollectText(const char* text, float x, float y, int colour, float alpha, int font, float size, int align);
// Texts drawn since the case began (or since ClearTexts).
const std::vector<TracedText>& Texts();
void ClearTexts();
// The first text drawn with exactly this content; null when none was.
const TracedText* FindText(const std::string& text);

// Every case starts on `kStartScreen` fully faded in, the menu content loaded, no car
// reload pending, one tick per frame, the pointer far from every widget, no key or
// button down and no latch, a new career and the default settings with Sound on.
class FrontendGlTest : public gltest::GlTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};

constexpr int kStartScreen = 1;

// The current and the target screen both `screen`, faded in to `fade`.
void SettleOn(int screen, float fade = 1.0f);
// ScreenFade and the eases the screen machine derives from it.
void SetFade(float fade);

void Press(int vk);
void Release(int vk);
void MouseDown();
void MouseUp();
void PointAt(int x, int y);
// What the frame loop does between frames: the latch goes once every watched key and
// the mouse button are up.
void FrameLoopReleasesLatch();

// Play calls of a sound since the case began.
unsigned Plays(const SoundSource& sound);
// Play calls of every menu sound together.
unsigned AllMenuPlays();

// The GL error queue drained; GL_NO_ERROR when the widget left none.
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

}  // namespace fetest
