// A world's qt.qt (the quadtree leaves: vegetation and every render layer's triangles)
// as the race loader reads it. The reader sizes each leaf from the layer models, so the
// target holds a fixed set of small ones: one group per render layer, and an object
// layer of two triangles for the leaves to collect. The seed corpus is written for
// exactly these models.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "gfx/milkshape.h"
#include "race/world_quadtree_file.h"
#include "tools/sbm/sbm_writer.h"

namespace {

std::unique_ptr<MilkshapeModel> MakeModel(int groups, int trianglesPerGroup) {
  sbm::Mesh mesh;
  const float uv[2] = {0.0f, 0.0f};
  for (int g = 0; g < groups; ++g) {
    const int group = mesh.AddGroup("g", -1);
    for (int t = 0; t < trianglesPerGroup; ++t) {
      const float x = 100.0f * static_cast<float>(g * trianglesPerGroup + t);
      const uint16_t a = mesh.AddVertex(x, 0.0f, x);
      const uint16_t b = mesh.AddVertex(x + 1.0f, 0.0f, x);
      const uint16_t c = mesh.AddVertex(x, 0.0f, x + 1.0f);
      mesh.AddFlatTriangle(group, a, b, c, uv, uv, uv);
    }
  }
  const std::vector<uint8_t> bytes = sbm::Encode(mesh);
  auto model = std::make_unique<MilkshapeModel>();
  if (model->LoadFromMemory(bytes.data(), bytes.size()) != SbmResult::kOk) std::abort();
  return model;
}

struct FuzzWorld {
  std::unique_ptr<MilkshapeModel> layers[kRenderLayerCount];
  std::unique_ptr<MilkshapeModel> objects;
  QuadTreeModels models;
  FuzzWorld() {
    for (int k = 0; k < kRenderLayerCount; ++k) {
      layers[k] = MakeModel(1, 1);
      models.layers[k] = layers[k].get();
    }
    objects = MakeModel(1, 2);
    models.objects = objects.get();
  }
};

const FuzzWorld& World() {
  static const FuzzWorld world;
  return world;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QuadTreeModels& models = World().models;
  std::vector<QuadTreeList> leaves;
  if (!DecodeQuadTreeFile(data, size, models, &leaves)) return 0;
  if (leaves.size() != static_cast<size_t>(kWorldLeafCount)) std::abort();
  // An accepted file is written back to the very same bytes.
  std::vector<uint8_t> again;
  if (!EncodeQuadTreeFile(models, leaves.data(), kWorldLeafCount, &again)) std::abort();
  if (again.size() != size || std::memcmp(again.data(), data, size) != 0) std::abort();
  return 0;
}
