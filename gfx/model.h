// The in-memory mesh every model of the game becomes: vertices, triangles with two
// texture-coordinate sets and per-corner tangent frames, groups of triangles sharing
// a material, and materials with their GL textures. Models are read and completed on
// the loader thread and drawn on the main thread; the loading stages order the two.
#pragma once

#include <cstdint>

#include "gfx/math3d.h"

struct ModelVertex {
  int8_t bone = -1;  // from the file; nothing animates, but it is kept
  float x = 0.0f, y = 0.0f, z = 0.0f;
};

// One triangle with everything a draw needs per corner, so the draws read it straight
// from here instead of building per-frame buffers.
struct ModelTriangle {
  float normals[3][3];       // per corner
  float texCoords[3][2];     // first set (s, t); t is stored as 1 - t of the file
  float texCoords2[3][2];    // second set, copied from the "_linear" companion model
  int vertexIndices[3];      // into Model::vertices, each below Model::vertexCount
  int groupIndex;            // written by AssignTriangleGroups; -1 until then
  float tangents[3][3];      // first set, per corner
  float bitangents[3][3];
  float tangents2[3][3];     // second set
  float bitangents2[3][3];
};

struct ModelGroup {
  int materialIndex = -1;        // into Model::materials; -1 = none
  int triangleCount = 0;
  int* triangleIndices = nullptr;  // owned; each below Model::triangleCount
};

struct ModelMaterial {
  float ambient[4];
  float diffuse[4];
  float specular[4];
  float emissive[4];
  float shininess;
  float transparency;
  int texture = -1;   // GL texture name, -1 = none
  int alphaMap = -1;  // GL texture name, -1 = none
  char* textureFile = nullptr;   // owned, zero-terminated; may be empty
  char* alphaMapFile = nullptr;  // owned, zero-terminated; may be empty
};

class Model {
 public:
  Model();
  virtual ~Model();
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;

  // Reads a model file; true when the model was filled. A failed load leaves the
  // model exactly as it was.
  virtual bool Load(const char* path) = 0;

  // Writes each triangle's group index from the group lists; a triangle listed in two
  // groups ends with the later one, one listed in none keeps -1.
  void AssignTriangleGroups();

  // Loads each material's texture and alpha map from folder + file name (TGA when the
  // name contains ".tga", else BMP); a missing file leaves -1. The settings reader
  // always turns texture compression on, hence the default.
  void LoadMaterialTextures(const char* folder, bool compress = true);

  // Copies the companion's first texture-coordinate set into this model's second
  // set, triangle for triangle; the companion must have at least as many triangles
  // (a shorter one copies nothing and returns false).
  bool CopyLinearTexCoords(const Model& other);

  // Fills the corner position, normal and texture-coordinate arrays from the groups'
  // triangles, then frees groups, triangles and vertices.
  void FlattenToArrays();

  // Corners listed group by group, triangle by triangle, corner 0-2 within a triangle:
  // 3 x the sum of the groups' triangle counts.
  int CountCorners() const;

  // Per-corner arrays; null until made.
  Vector3* cornerPositions = nullptr;     // FlattenToArrays
  Vector3* cornerNormals = nullptr;       // FlattenToArrays
  float (*cornerTexCoords)[2] = nullptr;  // FlattenToArrays
  Vector3* cornerTangents = nullptr;      // ComputeTangentFrames
  Vector3* cornerBitangents = nullptr;
  Vector3* cornerTangents2 = nullptr;     // ComputeTangentFramesUV2
  Vector3* cornerBitangents2 = nullptr;
  int cornerCount = 0;  // entries of the three FlattenToArrays arrays

  int groupCount = 0;
  ModelGroup* groups = nullptr;
  int materialCount = 0;
  ModelMaterial* materials = nullptr;
  int triangleCount = 0;
  ModelTriangle* triangles = nullptr;
  int vertexCount = 0;
  ModelVertex* vertices = nullptr;

 protected:
  // Frees groups, materials (deleting their GL textures), triangles, vertices and
  // the corner arrays; counts to zero, pointers to null. Safe on an empty model.
  void ReleaseAll();
  // Takes over the parts of a freshly read model after releasing the current ones.
  void Adopt(int nGroups, ModelGroup* g, int nMaterials, ModelMaterial* m, int nTriangles,
             ModelTriangle* t, int nVertices, ModelVertex* v);
};
