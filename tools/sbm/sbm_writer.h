// Writes meshes in the .sbm layout the game reads (the MS3D binary layout: magic,
// version, vertices, triangles, groups, materials, then an empty animation block).
// Every model of the generated base/ tree goes through this writer, and the game's
// own reader checks what it wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sbm {

// Widths of the fixed text fields of the layout, terminating zero included.
constexpr size_t kNameBytes = 32;
constexpr size_t kTextureNameBytes = 128;
// Counts are stored as 16-bit words.
constexpr size_t kMaxCount = 0xFFFF;

struct Vertex {
  float x = 0, y = 0, z = 0;
  int8_t bone = -1;  // -1: no joint, which is all the game ever stores
};

struct Triangle {
  uint16_t vertex[3] = {0, 0, 0};
  float normal[3][3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};  // per corner
  // Texture coordinates as the file holds them: t grows downwards from the top of
  // the image (the reader flips it to 1 - t).
  float s[3] = {0, 0, 0};
  float t[3] = {0, 0, 0};
  uint8_t smoothingGroup = 1;
};

struct Group {
  std::string name;                // at most 31 bytes
  std::vector<uint16_t> triangles;  // indices into Mesh::triangles
  int material = -1;               // index into Mesh::materials, -1 for none
};

struct Material {
  std::string name;  // at most 31 bytes
  float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
  float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float emissive[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float shininess = 0.0f;
  float transparency = 1.0f;
  std::string texture;   // file name relative to the model's texture folder, at most 127 bytes
  std::string alphaMap;  // same; empty for none
};

struct Mesh {
  int32_t version = 4;  // the game reads 3 and 4 alike
  std::vector<Vertex> vertices;
  std::vector<Triangle> triangles;
  std::vector<Group> groups;
  std::vector<Material> materials;

  uint16_t AddVertex(float x, float y, float z);
  // A triangle whose three corners share the face normal (from the winding, counter-
  // clockwise seen from the front); uv pairs are given with t measured from the
  // bottom of the image, as GL sees it, and stored flipped. Returns the index.
  uint16_t AddFlatTriangle(int group, uint16_t a, uint16_t b, uint16_t c,
                           const float uvA[2], const float uvB[2], const float uvC[2]);
  // Appends a triangle record as given and lists it in the group.
  uint16_t AddTriangle(int group, const Triangle& triangle);
  int AddGroup(const std::string& name, int material);
  int AddMaterial(const Material& material);
};

// Why a mesh cannot be written, or empty when it can: counts beyond 16 bits, an index
// out of range, a name too long for its field, a version other than 3 or 4.
std::string Validate(const Mesh& mesh);

// The file's bytes; empty when Validate finds a problem.
std::vector<uint8_t> Encode(const Mesh& mesh);

// Writes the file; false (with the reason in *error when given) on an invalid mesh
// or a failed write.
bool Write(const std::string& path, const Mesh& mesh, std::string* error = nullptr);

}  // namespace sbm
