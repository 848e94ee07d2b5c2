// qt.qt of a world: the encoded layers are read back through the game's own model
// reader, prepared as the track loader prepares them, cut into leaves by the game's
// leaf-data builder and saved by its writer, so the file always matches the layers.
#include <memory>

#include "gfx/milkshape.h"
#include "race/leaf_builder.h"
#include "tools/basegen/gen_world.h"

namespace basegen {
namespace world {

const char* const kRenderLayerFiles[10] = {
    "main_road",        "main_landscape",    "main_map", "main_transparency", "add_map",
    "add_map2",         "add_transparency",  "add_transparency2", "shadows",  "reflections"};

uint32_t QuadTreeSeed(int w) { return 0x51A70000u + static_cast<uint32_t>(w) * 7u; }

namespace {

bool Read(const std::vector<uint8_t>* bytes, MilkshapeModel* m, const char* name, std::string* error) {
  if (!bytes || m->LoadFromMemory(bytes->data(), bytes->size()) != SbmResult::kOk) {
    *error = std::string("the reader refuses ") + name;
    return false;
  }
  return true;
}

}  // namespace

bool PrepareWorldModels(const LayerFileBytes& in, std::unique_ptr<MilkshapeModel> layers[10],
                        MilkshapeModel* grass, MilkshapeModel* trees, std::string* error) {
  for (int k = 0; k < 10; ++k) {
    layers[k].reset(new MilkshapeModel());
    if (!Read(in.layers[k], layers[k].get(), kRenderLayerFiles[k], error)) return false;
  }
  const std::vector<uint8_t>* linear[2] = {in.roadLinear, in.landscapeLinear};
  for (int k = 0; k < 2; ++k) {
    MilkshapeModel companion;
    if (!Read(linear[k], &companion, "a linear companion", error)) return false;
    layers[k]->ComputeTangentFrames();
    if (!layers[k]->CopyLinearTexCoords(companion)) {
      *error = std::string(kRenderLayerFiles[k]) + "_linear has fewer triangles";
      return false;
    }
    layers[k]->ComputeTangentFramesUV2();
  }
  return Read(in.grass, grass, "grass", error) && Read(in.trees, trees, "trees", error);
}

bool MakeQuadTreeBytes(int w, const LayerFileBytes& in, std::vector<uint8_t>* out,
                       std::string* error) {
  std::unique_ptr<MilkshapeModel> layers[10];
  MilkshapeModel grass, trees;
  if (!PrepareWorldModels(in, layers, &grass, &trees, error)) return false;
  LeafBuilderModels models;
  for (int k = 0; k < 10; ++k) models.render.layers[k] = layers[k].get();
  models.grass = &grass;
  models.trees = &trees;
  std::vector<QuadTreeList> leaves(kWorldLeafCount);
  LeafRandom random(QuadTreeSeed(w));
  BuildLeafData(models, leaves.data(), &random);
  if (!EncodeQuadTreeFile(models.render, leaves.data(), kWorldLeafCount, out)) {
    *error = "the leaves do not match the layers";
    return false;
  }
  return true;
}

}  // namespace world
}  // namespace basegen
