// Runs the named physics scenes (all when none is named) and prints one line
// of figures per scene with its verdict. Exit code 1 when any scene fails.
#include <cstdio>
#include <cstring>

#include "scenes.h"

namespace {

struct Scene {
  const char* name;
  SceneResult (*run)();
};

const Scene kScenes[] = {
    {"drop", RunDrop}, {"slide", RunSlide}, {"bounce", RunBounce}, {"pile", RunPile}};

}  // namespace

int main(int argc, char** argv) {
  int failed = 0, ran = 0;
  for (const Scene& s : kScenes) {
    bool wanted = argc < 2;
    for (int i = 1; i < argc; ++i) wanted = wanted || std::strcmp(argv[i], s.name) == 0;
    if (!wanted) continue;
    const SceneResult r = s.run();
    std::printf("%-7s %s %s\n", s.name, r.figures.c_str(), r.pass ? "pass" : "FAIL");
    ++ran;
    if (!r.pass) ++failed;
  }
  if (ran == 0) {
    std::fprintf(stderr, "no such scene; scenes: drop slide bounce pile\n");
    return 2;
  }
  return failed ? 1 : 0;
}
