#include "tests/render/race_render_support.h"

#include <GL/glext.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "app/frame.h"
#include "app/race_cameras.h"
#include "app/race_snapshot.h"
#include "app/race_update.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/links.h"
#include "gfx/renderer.h"
#include "gfx/virtual_screen.h"
#include "race/car.h"
#include "race/physics_world.h"
#include "render/camera_state.h"
#include "tests/render/renderer_start.h"
#include "tests/scratch_dir.h"
#include "tools/race_frame/png_file.h"

namespace racerender {

namespace {

// What the shell's start-up links for the race screen (app/game.cpp).
void LinkRaceScreen() {
  GfxLinks.targetScreen = [] { return 0; };
  GfxLinks.currentScreen = [] { return 0; };
  GfxLinks.farDistance = [] { return FarDistance; };
  GfxLinks.cameraSpeedFactor = [] { return RenderCamera.speedFactor; };
  GfxLinks.sceneClock = [] { return FrameTiming.SceneClock; };
  GfxLinks.renderCameraPosition = &RenderCamera.eye.x;
}

}  // namespace

bool StartRenderer(int width, int height, std::string* why) {
  static bool linked = false;
  if (!linked) {
    linked = true;
    LinkRaceScreen();
    Settings = DefaultSettings();
    Settings.sound = 0;
    Settings.music = 0;
    Settings.screenWidth = width;
    Settings.screenHeight = height;
    Settings.antiAliasing = 0;
    VirtualScreen.bottom = static_cast<int>(-0.5 * height * 800 / width);
    VirtualScreen.top = static_cast<int>(0.5 * height * 800 / width);
  }
  rendertest::RendererStart start;
  start.width = width;
  start.height = height;
  start.shadowMapSize = 1024;
  start.menuContent = false;
  return rendertest::StartRenderer(start, why);
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

void PlaceCameraOnTheGrid(float aspect) {
  const neVector3 p = RaceCars[0].Position();
  const neVector3 d = StartDirection();
  CameraState.eye = Vector3(p.x - 9.0f * d.x, p.y + 3.5f, p.z - 9.0f * d.z);
  CameraState.target = Vector3(p.x + 12.0f * d.x, p.y + 1.5f, p.z + 12.0f * d.z);
  CameraState.up = Vector3(0.0f, 1.0f, 0.0f);
  CameraState.speedFactor = 0.0f;
  CullMainCamera(aspect);
  SetupCamera(kCameraSun, 0, 1.0f, ViewDistance);
  WorkingResults.sunProjection = SunCamera.projection;
  WorkingResults.sunView = SunCamera.view;
  WorkingResults.camera = CameraState;
  PublishCarRows();
  PublishedResults = WorkingResults;
}

}  // namespace racerender
