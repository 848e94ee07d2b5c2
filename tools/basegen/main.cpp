// basegen --out DIR [--data DIR]   writes the whole base/ tree the game reads
// basegen --check DIR              re-reads a tree with the game's readers
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/basegen/basegen.h"
#include "tools/basegen/generators.h"

int main(int argc, char** argv) {
  std::string out, check, data = "data";
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--out") && hasValue) out = argv[++i];
    else if (!std::strcmp(argv[i], "--check") && hasValue) check = argv[++i];
    else if (!std::strcmp(argv[i], "--data") && hasValue) data = argv[++i];
    else {
      std::fprintf(stderr, "usage: basegen --out DIR [--data DIR] | --check DIR\n");
      return 2;
    }
  }
  if (out.empty() == check.empty()) {
    std::fprintf(stderr, "usage: basegen --out DIR [--data DIR] | --check DIR\n");
    return 2;
  }
  if (!out.empty()) {
    basegen::Output o{out, data};
    for (const basegen::NamedGenerator& g : basegen::kGenerators) g.run(o);
    std::printf("basegen: %d files written to %s\n", o.filesWritten, out.c_str());
    return o.ok ? 0 : 1;
  }
  std::vector<std::string> problems;
  for (const basegen::NamedGenerator& g : basegen::kGenerators)
    if (g.check) g.check(check, &problems);
  for (const std::string& p : problems) std::fprintf(stderr, "basegen --check: %s\n", p.c_str());
  std::printf("basegen --check %s: %zu problems\n", check.c_str(), problems.size());
  return problems.empty() ? 0 : 1;
}
