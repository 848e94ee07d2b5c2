// Small in-memory models for the world tests: triangles given by corner positions,
// one group each, filled straight into the game's model record.
#pragma once

#include <cstring>
#include <vector>

#include "gfx/milkshape.h"

struct WorldTestTriangle {
  float p[3][3];
};

// A model whose group g holds groups[g]'s triangles in order; every corner its own
// vertex, normals up, texture coordinates from x and z.
inline void FillWorldTestModel(MilkshapeModel* m,
                               const std::vector<std::vector<WorldTestTriangle>>& groups) {
  int triangles = 0;
  for (const auto& g : groups) triangles += static_cast<int>(g.size());
  m->groupCount = static_cast<int>(groups.size());
  m->groups = new ModelGroup[groups.size() ? groups.size() : 1];
  m->triangleCount = triangles;
  m->triangles = new ModelTriangle[triangles ? triangles : 1];
  m->vertexCount = 3 * triangles;
  m->vertices = new ModelVertex[triangles > 0 ? 3 * triangles : 1];
  int t = 0;
  for (size_t g = 0; g < groups.size(); ++g) {
    m->groups[g].materialIndex = static_cast<int>(g);
    m->groups[g].triangleCount = static_cast<int>(groups[g].size());
    m->groups[g].triangleIndices = new int[groups[g].size() ? groups[g].size() : 1];
    for (size_t i = 0; i < groups[g].size(); ++i, ++t) {
      m->groups[g].triangleIndices[i] = t;
      ModelTriangle& tri = m->triangles[t];
      std::memset(&tri, 0, sizeof tri);
      tri.groupIndex = static_cast<int>(g);
      for (int c = 0; c < 3; ++c) {
        ModelVertex& v = m->vertices[3 * t + c];
        v.x = groups[g][i].p[c][0];
        v.y = groups[g][i].p[c][1];
        v.z = groups[g][i].p[c][2];
        tri.vertexIndices[c] = 3 * t + c;
        tri.normals[c][1] = 1.0f;
        tri.texCoords[c][0] = v.x * 0.1f;
        tri.texCoords[c][1] = v.z * 0.1f;
        tri.texCoords2[c][0] = v.x * 0.01f;
        tri.texCoords2[c][1] = v.z * 0.01f;
      }
    }
  }
}

inline WorldTestTriangle FlatTriangle(float x, float z, float size, float y = 0.0f) {
  return {{{x, y, z}, {x + size, y, z}, {x, y, z + size}}};
}
