// The 15 shader programs' sources: data/shaders/<Name>VS.glsl and <Name>PS.glsl, written
// into "shaders/" with every line `#include "name.glsl"` replaced by the text of
// data/shaders/common/name.glsl. GLSL 1.20 has no include of its own and the game hands
// the driver one whole file per stage, so the lighting, fog, shadow and interface code
// the programs share is kept once in those chunks and pasted here. A chunk may include
// the chunks it builds on; each is pasted once per file, at its first include, so two
// chunks that need the same one do not declare its uniforms twice. The program names
// come from the game's own build table, so a program added there without its files
// fails here rather than at start-up.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "gfx/shaders.h"
#include "tools/basegen/basegen.h"

namespace basegen {

namespace {

// The reader hands whole lines to the driver; the format promises no more than this.
constexpr size_t kMaxLineLength = 127;
constexpr const char kInclude[] = "#include";

std::vector<std::string> ShaderFiles() {
  std::vector<std::string> files;
  for (int i = 0; i < kShaderProgramCount; ++i) {
    const std::string name = ShaderProgramName(static_cast<ShaderProgramId>(i));
    files.push_back(name + "VS.glsl");
    files.push_back(name + "PS.glsl");
  }
  return files;
}

bool ReadText(const std::string& path, std::string* text) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes)) return false;
  text->assign(bytes.begin(), bytes.end());
  return true;
}

// The chunk a line `#include "name.glsl"` names, or "" when the line is no include.
// *bad is set for an include whose name is not a plain file name in the chunk folder.
std::string IncludedName(const std::string& line, bool* bad) {
  *bad = false;
  const size_t start = line.find_first_not_of(" \t");
  if (start == std::string::npos || line.compare(start, std::strlen(kInclude), kInclude) != 0) return "";
  const size_t open = line.find('"', start);
  const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
  const std::string name =
      close == std::string::npos ? "" : line.substr(open + 1, close - open - 1);
  const bool plain = !name.empty() && name.find('/') == std::string::npos &&
                     name.find('\\') == std::string::npos && name[0] != '.' &&
                     line.find_first_not_of(" \t\r\n", close + 1) == std::string::npos;
  *bad = !plain;
  return plain ? name : "";
}

// One program file's expansion under way.
struct Expansion {
  std::string dataRoot;
  std::string* out;
  std::vector<std::string> open;  // the chunks being expanded around the current text
  std::set<std::string> pasted;   // every chunk already in *out
};

// text with its includes replaced, appended to *e->out; `where` names it in messages. An
// include of a chunk that is still open is a cycle; one of a chunk already pasted adds
// nothing.
bool ExpandText(Expansion* e, const std::string& where, const std::string& text) {
  size_t lineNo = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    const size_t next = end == std::string::npos ? text.size() : end + 1;
    std::string line = text.substr(at, next - at);
    at = next;
    ++lineNo;
    bool bad = false;
    const std::string name = IncludedName(line, &bad);
    if (bad) {
      std::fprintf(stderr, "basegen: %s:%zu: malformed #include\n", where.c_str(), lineNo);
      return false;
    }
    if (name.empty()) {
      if (line.back() != '\n') line += '\n';  // a chunk's last line stays a line of its own
      *e->out += line;
      continue;
    }
    for (const std::string& outer : e->open)
      if (outer == name) {
        std::fprintf(stderr, "basegen: %s:%zu: shaders/common/%s includes itself\n", where.c_str(), lineNo,
                     name.c_str());
        return false;
      }
    if (e->pasted.count(name)) continue;
    std::string chunk;
    if (!ReadText(e->dataRoot + "/shaders/common/" + name, &chunk)) {
      std::fprintf(stderr, "basegen: %s:%zu: missing chunk shaders/common/%s\n", where.c_str(), lineNo,
                   name.c_str());
      return false;
    }
    e->open.push_back(name);
    if (!ExpandText(e, "shaders/common/" + name, chunk)) return false;
    e->open.pop_back();
    e->pasted.insert(name);
  }
  return true;
}

// The program file with its includes replaced; false (and a message) on an include that
// is malformed, names a missing chunk or closes a cycle of chunks.
bool Expand(const std::string& dataRoot, const std::string& file, std::string* out) {
  std::string text;
  if (!ReadText(dataRoot + "/shaders/" + file, &text)) {
    std::fprintf(stderr, "basegen: missing data file shaders/%s\n", file.c_str());
    return false;
  }
  out->clear();
  Expansion e{dataRoot, out, {}, {}};
  return ExpandText(&e, "shaders/" + file, text);
}

}  // namespace

void GenerateShaders(Output& out) {
  for (const std::string& file : ShaderFiles()) {
    std::string text;
    if (!Expand(out.dataRoot, file, &text)) {
      out.ok = false;
      continue;
    }
    out.WriteText("shaders/" + file, text);
  }
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
    if (std::strstr(text, kInclude))
      problems->push_back(path + ": still holds an #include the driver cannot read");
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
