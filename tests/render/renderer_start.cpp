#include "tests/render/renderer_start.h"

#include <GL/glext.h>
#include <sys/stat.h>

#include <cstdlib>
#include <vector>

#include "frontend/menu_start.h"
#include "gfx/renderer.h"
#include "tests/gfx/gl_fixture.h"
#include "tests/scratch_dir.h"

namespace rendertest {

namespace {

// A few files from each part of the generator's output: shaders, the menu and HUD
// textures, the fonts and the car table.
bool BaseGenerated() {
  struct stat st;
  for (const char* path : {"base/shaders/RoadBumpPS.glsl", "base/textures/tex05.tga", "base/textures/tex35.tga",
                           "base/textures/tex36.tga", "base/textures/tex40.tga", "base/font1.ini", "base/cars.ini"})
    if (stat(path, &st) != 0) return false;
  return true;
}

bool SameStart(const RendererStart& a, const RendererStart& b) {
  return a.width == b.width && a.height == b.height && a.shadowMapSize == b.shadowMapSize &&
         a.menuContent == b.menuContent;
}

struct Started {
  bool tried = false;
  bool ok = false;
  std::string why;
  RendererStart start;
};

void Start(Started* s) {
  if (!gltest::OpenContext(&s->why)) return;
  if (!BaseGenerated()) {
    s->why = "base/ not generated in the working folder (build the base target)";
    return;
  }
  // Career and settings saves land in a private folder, never in the user's.
  setenv("HOME", testscratch::ScratchDir().c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  MenuStart menu;
  menu.width = s->start.width;
  menu.height = s->start.height;
  menu.shadowMapSize = s->start.shadowMapSize;
  menu.menuContent = s->start.menuContent;
  if (!StartMenuRenderer(menu, &s->why)) return;
  if (Renderer.Program(ShaderProgramId::RoadBump).program == 0) {
    s->why = "the world programs were not built";
    return;
  }
  s->ok = true;
}

}  // namespace

bool StartRenderer(const RendererStart& start, std::string* why) {
  static Started s;
  if (!s.tried) {
    s.tried = true;
    s.start = start;
    Start(&s);
  }
  if (why) *why = s.why;
  if (s.ok && !SameStart(start, s.start)) {
    if (why) *why = "the renderer was started otherwise in this program";
    return false;
  }
  return s.ok;
}

bool StartWithMenuContent(int width, int height, std::string* why) {
  RendererStart start;
  start.width = width;
  start.height = height;
  return StartRenderer(start, why);
}

void FillRectTexture(GLuint texture, int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  std::vector<uint8_t> texels(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < texels.size(); i += 4) {
    texels[i] = r;
    texels[i + 1] = g;
    texels[i + 2] = b;
    texels[i + 3] = a;
  }
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
}

}  // namespace rendertest
