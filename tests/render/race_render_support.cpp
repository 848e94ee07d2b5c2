#include "tests/render/race_render_support.h"

#include <GL/glext.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "app/frame.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/links.h"
#include "gfx/renderer.h"
#include "gfx/virtual_screen.h"
#include "render/camera_state.h"
#include "tests/scratch_dir.h"
#include "tools/race_frame/png_file.h"

namespace racerender {

namespace {

bool BaseGenerated() {
  struct stat st;
  return stat("base/shaders/RoadBumpPS.glsl", &st) == 0 && stat("base/textures/tex05.tga", &st) == 0;
}

// What the shell's start-up links for the race screen (app/game.cpp).
void LinkRaceScreen() {
  GfxLinks.targetScreen = [] { return 0; };
  GfxLinks.currentScreen = [] { return 0; };
  GfxLinks.farDistance = [] { return FarDistance; };
  GfxLinks.cameraSpeedFactor = [] { return RenderCamera.speedFactor; };
  GfxLinks.sceneClock = [] { return FrameTiming.SceneClock; };
  GfxLinks.renderCameraPosition = &RenderCamera.eye.x;
}

struct Started {
  bool tried = false;
  bool ok = false;
  std::string why;
  int width = 0, height = 0;
};

}  // namespace

bool StartRenderer(int width, int height, std::string* why) {
  static Started s;
  if (!s.tried) {
    s.tried = true;
    s.width = width;
    s.height = height;
    if (!gltest::OpenContext(&s.why)) {
    } else if (!BaseGenerated()) {
      s.why = "base/ not generated in the working folder (build the base target)";
    } else {
      LinkRaceScreen();
      Settings = DefaultSettings();
      Settings.sound = 0;
      Settings.music = 0;
      Settings.screenWidth = width;
      Settings.screenHeight = height;
      Settings.antiAliasing = 0;
      VirtualScreen.bottom = static_cast<int>(-0.5 * height * 800 / width);
      VirtualScreen.top = static_cast<int>(0.5 * height * 800 / width);
      RendererSetup setup;
      setup.screenWidth = width;
      setup.screenHeight = height;
      setup.antiAliasing = 0;
      setup.shadowMapSize = 1024;
      gltest::TakeGlError();
      s.ok = InitRenderer(setup);
      if (!s.ok) s.why = "InitRenderer failed";
      const GLenum e = gltest::TakeGlError();
      if (s.ok && e != GL_NO_ERROR) {
        s.ok = false;
        s.why = std::string("InitRenderer left ") + gltest::GlErrorName(e);
      }
      if (s.ok && Renderer.Program(ShaderProgramId::RoadBump).program == 0) {
        s.ok = false;
        s.why = "the world programs were not built";
      }
    }
  }
  if (why) *why = s.why;
  if (s.ok && (width != s.width || height != s.height)) {
    if (why) *why = "the renderer was started at another size in this program";
    return false;
  }
  return s.ok;
}

std::vector<uint8_t> ReadRectangle(GLuint texture, int width, int height) {
  std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
  return px;
}

Rgb PixelAt(const std::vector<uint8_t>& rgba, int width, int x, int y) {
  const size_t at = 4 * (static_cast<size_t>(y) * width + x);
  return {rgba[at], rgba[at + 1], rgba[at + 2]};
}

Rgb MeanColour(const std::vector<uint8_t>& rgba, int width, int x0, int y0, int x1, int y1) {
  long r = 0, g = 0, b = 0, n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const Rgb p = PixelAt(rgba, width, x, y);
      r += p.r;
      g += p.g;
      b += p.b;
      ++n;
    }
  if (n == 0) return {};
  return {static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n)};
}

std::string SavePng(const std::string& stem, int width, int height, const std::vector<uint8_t>& rgba) {
  const char* dir = std::getenv("KELVAMOR_RENDER_SHOTS");
  const std::string path = (dir && *dir ? std::string(dir) + "/" : testscratch::ScratchDir()) + stem + ".png";
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.rgba = rgba;
  return WritePng(path, picture) ? path : "";
}

GLuint TextureFromTexels(int width, int height, const std::vector<uint8_t>& rgba) {
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return tex;
}

}  // namespace racerender
