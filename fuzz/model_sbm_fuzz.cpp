// .sbm models as the game reads and completes them: the read (the file reader hands
// its bytes to this same call), the group of each triangle, both tangent-frame sets with
// the second texture set copied in between, and the flattening into corner arrays.
// The GL half (material textures) is left out: it needs a context.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "gfx/milkshape.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MilkshapeModel model;
  if (model.LoadFromMemory(data, size) != SbmResult::kOk) return 0;
  model.AssignTriangleGroups();
  model.ComputeTangentFrames();
  // A model is its own "_linear" companion: same triangle count, so the copy runs.
  if (!model.CopyLinearTexCoords(model)) std::abort();
  model.ComputeTangentFramesUV2();
  const int corners = model.CountCorners();
  model.FlattenToArrays();
  if (model.cornerCount != corners) std::abort();
  return 0;
}
