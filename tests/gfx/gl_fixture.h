// The graphics tests' real GL context: one hidden window per test program with the
// main and the loader's context sharing objects, as the game makes them, and the main
// context current. Tests derive from GlTest, which skips (saying why) when no display
// can be opened, so a headless run reports the skip instead of passing silently.
// Run under xvfb-run for the GL tests to take part.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace gltest {

constexpr int kWindowWidth = 320;
constexpr int kWindowHeight = 240;

// Opens the window and both contexts on the first call; later calls report the same
// result. On failure *why says what was missing.
bool OpenContext(std::string* why);

// Drains the GL error queue; returns the first error found (GL_NO_ERROR when clean).
GLenum TakeGlError();
const char* GlErrorName(GLenum error);

class GlTest : public ::testing::Test {
 protected:
  void SetUp() override;
};

// A framebuffer object with an RGBA8 texture and a depth renderbuffer, for drawing
// test geometry and reading it back. Needs the framebuffer entry points fetched
// (OpenContext does that).
class ColourTarget {
 public:
  ColourTarget(int width, int height);
  ~ColourTarget();
  ColourTarget(const ColourTarget&) = delete;
  ColourTarget& operator=(const ColourTarget&) = delete;

  bool complete() const { return complete_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Binds it with a viewport over the whole target.
  void Bind() const;
  // Clears colour to (r, g, b, a) and depth to 1.
  void Clear(float r, float g, float b, float a) const;
  // RGBA8 pixels, bottom row first.
  std::vector<uint8_t> Read() const;

 private:
  int width_, height_;
  GLuint framebuffer_ = 0, texture_ = 0, depth_ = 0;
  bool complete_ = false;
};

// Back to the window's framebuffer with a viewport over the window.
void BindWindowFramebuffer();

// A 2 x 2 texture of one RGBA colour, for binding on units whose content does not matter.
GLuint SolidTexture(uint8_t r, uint8_t g, uint8_t b, uint8_t a);

}  // namespace gltest
