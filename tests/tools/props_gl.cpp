#include "tests/tools/props_gl.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstdlib>

#include "gfx/gl_ext.h"

namespace propstest {

bool OpenGl(std::string* why) {
  if (!gltest::OpenContext(why)) return false;
  LoadMultitextureExtension();
  return true;
}

bool SavePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
  const std::string ppm = path + ".ppm";
  FILE* f = std::fopen(ppm.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", width, height);
  for (int y = height - 1; y >= 0; --y)
    for (int x = 0; x < width; ++x) std::fwrite(&rgba[4 * (static_cast<size_t>(y) * width + x)], 1, 3, f);
  std::fclose(f);
  const std::string cmd = "convert '" + ppm + "' '" + path + "' 2>/dev/null";
  const bool ok = std::system(cmd.c_str()) == 0;
  std::remove(ppm.c_str());
  return ok;
}

}  // namespace propstest
