#include "gfx/model.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

namespace {

// Deletes a material's texture when the name is a live GL texture; true when it did.
bool DeleteTextureName(int* name) {
  bool deleted = false;
  if (*name > 0 && glIsTexture(static_cast<GLuint>(*name))) {
    const GLuint n = static_cast<GLuint>(*name);
    glDeleteTextures(1, &n);
    deleted = true;
  }
  *name = -1;
  return deleted;
}

}  // namespace

Model::Model() = default;

Model::~Model() { ReleaseAll(); }

void Model::ReleaseAll() {
  for (int g = 0; g < groupCount; ++g) delete[] groups[g].triangleIndices;
  bool deletedTextures = false;
  for (int m = 0; m < materialCount; ++m) {
    deletedTextures |= DeleteTextureName(&materials[m].texture);
    deletedTextures |= DeleteTextureName(&materials[m].alphaMap);
    delete[] materials[m].textureFile;
    delete[] materials[m].alphaMapFile;
  }
  // The other context may still be drawing with what was just deleted.
  if (deletedTextures) glFinish();

  delete[] groups;
  delete[] materials;
  delete[] triangles;
  delete[] vertices;
  groups = nullptr;
  materials = nullptr;
  triangles = nullptr;
  vertices = nullptr;
  groupCount = materialCount = triangleCount = vertexCount = 0;

  delete[] cornerPositions;
  delete[] cornerNormals;
  delete[] cornerTexCoords;
  delete[] cornerTangents;
  delete[] cornerBitangents;
  delete[] cornerTangents2;
  delete[] cornerBitangents2;
  cornerPositions = cornerNormals = nullptr;
  cornerTexCoords = nullptr;
  cornerTangents = cornerBitangents = cornerTangents2 = cornerBitangents2 = nullptr;
  cornerCount = 0;
}

void Model::Adopt(int nGroups, ModelGroup* g, int nMaterials, ModelMaterial* m,
                  int nTriangles, ModelTriangle* t, int nVertices, ModelVertex* v) {
  ReleaseAll();
  groupCount = nGroups;
  groups = g;
  materialCount = nMaterials;
  materials = m;
  triangleCount = nTriangles;
  triangles = t;
  vertexCount = nVertices;
  vertices = v;
}

void Model::AssignTriangleGroups() {
  for (int g = 0; g < groupCount; ++g)
    for (int i = 0; i < groups[g].triangleCount; ++i)
      triangles[groups[g].triangleIndices[i]].groupIndex = g;
}

int Model::CountCorners() const {
  int n = 0;
  for (int g = 0; g < groupCount; ++g) n += 3 * groups[g].triangleCount;
  return n;
}

bool Model::CopyLinearTexCoords(const Model& other) {
  // The companion is the same mesh with other coordinates; one with fewer triangles
  // is not a companion, and reading past its array is what the check prevents.
  if (other.triangleCount < triangleCount) return false;
  for (int g = 0; g < groupCount; ++g)
    for (int i = 0; i < groups[g].triangleCount; ++i) {
      const int t = groups[g].triangleIndices[i];
      std::memcpy(triangles[t].texCoords2, other.triangles[t].texCoords,
                  sizeof triangles[t].texCoords2);
    }
  return true;
}

void Model::FlattenToArrays() {
  const int n = CountCorners();
  delete[] cornerPositions;
  delete[] cornerNormals;
  delete[] cornerTexCoords;
  cornerPositions = new Vector3[n];
  cornerNormals = new Vector3[n];
  cornerTexCoords = new float[n][2];
  int c = 0;
  for (int g = 0; g < groupCount; ++g)
    for (int i = 0; i < groups[g].triangleCount; ++i) {
      const ModelTriangle& t = triangles[groups[g].triangleIndices[i]];
      for (int k = 0; k < 3; ++k, ++c) {
        const ModelVertex& v = vertices[t.vertexIndices[k]];
        cornerPositions[c].Set(v.x, v.y, v.z);
        cornerNormals[c].Set(t.normals[k][0], t.normals[k][1], t.normals[k][2]);
        cornerTexCoords[c][0] = t.texCoords[k][0];
        cornerTexCoords[c][1] = t.texCoords[k][1];
      }
    }
  cornerCount = n;

  for (int g = 0; g < groupCount; ++g) delete[] groups[g].triangleIndices;
  delete[] groups;
  delete[] triangles;
  delete[] vertices;
  groups = nullptr;
  triangles = nullptr;
  vertices = nullptr;
  groupCount = triangleCount = vertexCount = 0;
}
