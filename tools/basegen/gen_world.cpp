// The three landscapes: plan, ground, layers, textures, objects and quadtree of each
// world folder, then the race paths of all thirty races.
#include <cstdio>
#include <thread>

#include "tools/basegen/gen_world.h"
#include "tools/basegen/generators.h"

namespace basegen {

namespace world {
namespace {

struct WorldFiles {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
  bool ok = true;
  std::string error;
};

void Add(WorldFiles* f, const std::string& rel, const sbm::Mesh& mesh) {
  std::string why = sbm::Validate(mesh);
  if (!why.empty()) {
    f->ok = false;
    f->error = rel + ": " + why;
    return;
  }
  f->files.emplace_back(rel, sbm::Encode(mesh));
}

const std::vector<uint8_t>* Find(const WorldFiles& f, const std::string& rel) {
  for (const auto& e : f.files)
    if (e.first == rel) return &e.second;
  return nullptr;
}

void MakeWorld(int w, const WorldPlan& plan, WorldFiles* f) {
  const GroundMesh ground = MakeGroundMesh(plan, kRenderSplit);
  const GroundMesh physics = MakeGroundMesh(plan, kPhysicsSplit);
  WorldMeshes m;
  MakeWorldMeshes(plan, ground, physics, &m);
  const std::string dir = "world/" + std::to_string(w) + "/models/";
  const std::pair<const char*, const sbm::Mesh*> named[] = {
      {"physic", &m.physic},           {"main_road", &m.road},
      {"main_road_linear", &m.roadLinear}, {"main_landscape", &m.landscape},
      {"main_landscape_linear", &m.landscapeLinear}, {"main_map", &m.mainMap},
      {"main_transparency", &m.mainTransparency}, {"add_map", &m.addMap},
      {"add_map2", &m.addMap2},         {"add_transparency", &m.addTransparency},
      {"add_transparency2", &m.addTransparency2}, {"shadows", &m.shadows},
      {"reflections", &m.reflections},  {"grass", &m.grass},
      {"trees", &m.trees},              {"water", &m.water}};
  for (const auto& n : named) Add(f, dir + n.first + ".sbm", *n.second);
  const SurfaceIndex surface(m.physic);
  for (int race = 1; race <= kRaceCount; ++race)
    Add(f, dir + "objects" + std::to_string(race) + ".sbm", MakeRaceObjects(plan, surface, race));
  if (!f->ok) return;
  LayerFileBytes in;
  for (int k = 0; k < 10; ++k) in.layers[k] = Find(*f, dir + kRenderLayerFiles[k] + ".sbm");
  in.roadLinear = Find(*f, dir + "main_road_linear.sbm");
  in.landscapeLinear = Find(*f, dir + "main_landscape_linear.sbm");
  in.grass = Find(*f, dir + "grass.sbm");
  in.trees = Find(*f, dir + "trees.sbm");
  std::vector<uint8_t> qt;
  if (!MakeQuadTreeBytes(w, in, &qt, &f->error)) {
    f->ok = false;
    return;
  }
  f->files.emplace_back(dir + "qt.qt", std::move(qt));
}

}  // namespace
}  // namespace world

void GenerateWorlds(Output& out) {
  using namespace world;
  WorldPlan plans[kWorldCount];
  WorldFiles files[kWorldCount];
  // The worlds share nothing, so they are made side by side; files are written in a
  // fixed order afterwards.
  std::thread threads[kWorldCount];
  for (int w = 0; w < kWorldCount; ++w)
    threads[w] = std::thread([w, &plans, &files] {
      plans[w] = MakeWorldPlan(w);
      MakeWorld(w, plans[w], &files[w]);
    });
  for (std::thread& t : threads) t.join();
  for (int w = 0; w < kWorldCount; ++w) {
    if (!files[w].ok) {
      std::fprintf(stderr, "basegen: world %d: %s\n", w, files[w].error.c_str());
      out.ok = false;
    }
    for (const auto& f : files[w].files) out.Write(f.first, f.second);
    WriteWorldTextures(out, w);
  }
  WriteRacePaths(out, plans);
}

void CheckWorlds(const std::string& root, std::vector<std::string>* problems) {
  world::CheckWorldFiles(root, problems);
}

}  // namespace basegen
