#include <cstdio>
#include <cstring>

#include "gfx/model.h"
#include "gfx/texture.h"

namespace {

// The longest folder-plus-name path a material may form.
constexpr size_t kMaxMaterialPath = 259;

// -1 for an empty name, a path too long to form, or a file that does not load.
int LoadMaterialMap(const char* folder, const char* file, bool compress) {
  if (file == nullptr || file[0] == '\0') return -1;
  char path[kMaxMaterialPath + 1];
  const int n = std::snprintf(path, sizeof path, "%s%s", folder ? folder : "", file);
  if (n < 0 || static_cast<size_t>(n) > kMaxMaterialPath) return -1;
  // Case matters: "A.TGA" goes the BMP way, as the content has always been named.
  if (std::strstr(file, ".tga") != nullptr) return LoadTGATexture(path, compress);
  return LoadBMPTexture(path, compress);
}

}  // namespace

void Model::LoadMaterialTextures(const char* folder, bool compress) {
  for (int m = 0; m < materialCount; ++m) {
    ModelMaterial& mat = materials[m];
    mat.texture = LoadMaterialMap(folder, mat.textureFile, compress);
    mat.alphaMap = LoadMaterialMap(folder, mat.alphaMapFile, compress);
  }
}
