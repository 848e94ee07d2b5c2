// The 15 shader programs' sources: data/shaders/<Name>VS.glsl and <Name>PS.glsl, copied
// as written into "shaders/". The program names come from the game's own build table,
// so a program added there without its files fails here rather than at start-up.
#include <cstring>
#include <string>
#include <vector>

#include "gfx/shaders.h"
#include "tools/basegen/basegen.h"

namespace basegen {

namespace {

// The reader hands whole lines to the driver; the format promises no more than this.
constexpr size_t kMaxLineLength = 127;

std::vector<std::string> ShaderFiles() {
  std::vector<std::string> files;
  for (int i = 0; i < kShaderProgramCount; ++i) {
    const std::string name = ShaderProgramName(static_cast<ShaderProgramId>(i));
    files.push_back(name + "VS.glsl");
    files.push_back(name + "PS.glsl");
  }
  return files;
}

}  // namespace

void GenerateShaders(Output& out) {
  for (const std::string& file : ShaderFiles()) out.CopyData("shaders/" + file, "shaders/" + file);
}

void CheckShaders(const std::string& root, std::vector<std::string>* problems) {
  for (const std::string& file : ShaderFiles()) {
    const std::string path = root + "/shaders/" + file;
    char* text = ReadTextFile(path.c_str());
    if (!text) {
      problems->push_back(path + ": missing");
      continue;
    }
    if (std::strncmp(text, "#version 120", 12) != 0)
      problems->push_back(path + ": does not begin with #version 120");
    size_t line = 1, length = 0;
    for (const char* p = text; *p; ++p) {
      if (*p == '\n') {
        ++line;
        length = 0;
      } else if (++length == kMaxLineLength + 1) {
        problems->push_back(path + ": line " + std::to_string(line) + " is longer than 127 characters");
      }
    }
    delete[] text;
  }
}

}  // namespace basegen
