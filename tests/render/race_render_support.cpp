#include "tests/render/race_render_support.h"

#include <GL/glext.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "app/frame.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/links.h"
#include "gfx/renderer.h"
#include "gfx/virtual_screen.h"
#include "render/camera_state.h"
#include "render/seams.h"
#include "tests/scratch_dir.h"

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

// ---- PNG: stored (uncompressed) deflate blocks are enough for a picture to look at ----

uint32_t Crc(const uint8_t* data, size_t n, uint32_t crc = 0) {
  static std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc ^= 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out->push_back(static_cast<uint8_t>(v >> s));
}

void Chunk(std::vector<uint8_t>* png, const char* type, const std::vector<uint8_t>& data) {
  Put32(png, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png->insert(png->end(), body.begin(), body.end());
  Put32(png, Crc(body.data(), body.size()));
}

std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> z = {0x78, 0x01};
  constexpr size_t kBlock = 65535;
  size_t at = 0;
  do {
    const size_t n = raw.size() - at < kBlock ? raw.size() - at : kBlock;
    z.push_back(at + n == raw.size() ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
    at += n;
  } while (at < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  Put32(&z, (b << 16) | a);
  return z;
}

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
  // Filter byte 0 per row, rows top first, RGB.
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (1 + 3 * width));
  for (int y = height - 1; y >= 0; --y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) {
      const size_t at = 4 * (static_cast<size_t>(y) * width + x);
      raw.insert(raw.end(), rgba.begin() + static_cast<long>(at), rgba.begin() + static_cast<long>(at + 3));
    }
  }
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  Put32(&header, static_cast<uint32_t>(width));
  Put32(&header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  Chunk(&png, "IHDR", header);
  Chunk(&png, "IDAT", StoredZlib(raw));
  Chunk(&png, "IEND", {});
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return "";
  const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  std::fclose(f);
  return ok ? path : "";
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
