// Small meshes for the model tests, built with the content generator's .sbm writer
// and read back through the game's reader.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/milkshape.h"
#include "tools/sbm/sbm_writer.h"

namespace meshtest {

// A unit quad in the XY plane facing +Z, two triangles, texture coordinates running
// with x and y (GL convention, t up). Optionally offset and scaled.
inline void AddQuad(sbm::Mesh* mesh, int group, float x0, float y0, float x1, float y1,
                    float z = 0.0f) {
  const uint16_t a = mesh->AddVertex(x0, y0, z);
  const uint16_t b = mesh->AddVertex(x1, y0, z);
  const uint16_t c = mesh->AddVertex(x1, y1, z);
  const uint16_t d = mesh->AddVertex(x0, y1, z);
  const float uvA[2] = {0, 0}, uvB[2] = {1, 0}, uvC[2] = {1, 1}, uvD[2] = {0, 1};
  mesh->AddFlatTriangle(group, a, b, c, uvA, uvB, uvC);
  mesh->AddFlatTriangle(group, a, c, d, uvA, uvC, uvD);
}

inline sbm::Material NamedMaterial(const std::string& texture, const std::string& alpha = "") {
  sbm::Material m;
  m.name = "mat_" + texture;
  m.texture = texture;
  m.alphaMap = alpha;
  return m;
}

// Two groups of one quad each: group 0 on the left with material 0, group 1 on the
// right with material 1.
inline sbm::Mesh TwoQuadMesh() {
  sbm::Mesh mesh;
  const int m0 = mesh.AddMaterial(NamedMaterial("left.tga"));
  const int m1 = mesh.AddMaterial(NamedMaterial("right.tga", "right_alpha.tga"));
  const int g0 = mesh.AddGroup("left", m0);
  const int g1 = mesh.AddGroup("right", m1);
  AddQuad(&mesh, g0, -1.0f, -0.5f, 0.0f, 0.5f);
  AddQuad(&mesh, g1, 0.0f, -0.5f, 1.0f, 0.5f);
  return mesh;
}

inline SbmResult LoadMesh(const sbm::Mesh& mesh, MilkshapeModel* model) {
  const std::vector<uint8_t> bytes = sbm::Encode(mesh);
  return model->LoadFromMemory(bytes.data(), bytes.size());
}

}  // namespace meshtest
