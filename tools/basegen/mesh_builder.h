// Small solid-building helpers for the generated models: boxes, cylinders, prisms
// extruded from a convex outline and single quads, appended into an .sbm mesh. Every
// face gets its own corners so flat faces keep sharp normals; cylinders share smooth
// normals around their side. Texture coordinates are given with t growing upwards
// (as GL sees them); the writer flips them into the file's convention.
#pragma once

#include <string>
#include <vector>

#include "tools/basegen/basegen.h"
#include "tools/sbm/sbm_writer.h"

namespace basegen {

struct V3 {
  float x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

// A region of the texture: (u0, v0) lower left, (u1, v1) upper right.
struct UvRect {
  float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

// Which faces of a box to emit; an open side (a garage door, a lorry bed) drops one.
enum BoxFace : unsigned {
  kFacePosX = 1,
  kFaceNegX = 2,
  kFacePosY = 4,
  kFaceNegY = 8,
  kFacePosZ = 16,
  kFaceNegZ = 32,
  kAllFaces = 63,
};

class MeshBuilder {
 public:
  explicit MeshBuilder(sbm::Mesh* mesh) : mesh_(mesh) {}

  // Everything emitted afterwards is turned by yaw (radians, about +Y, counter-
  // clockwise seen from above) and then moved by offset.
  void SetPlacement(V3 offset, float yaw);
  // When above zero, box faces repeat their texture every `metres` instead of
  // stretching the region over the face (floors, walls, terrain-like pieces).
  void SetTiling(float metres) { tile_ = metres; }

  // A quad a-b-c-d counter-clockwise seen from its front, uv in the same order.
  void Quad(int group, V3 a, V3 b, V3 c, V3 d, UvRect uv);
  // The same quad seen from both sides (signs, thin panels).
  void DoubleQuad(int group, V3 a, V3 b, V3 c, V3 d, UvRect uv);
  // An axis-aligned box around centre with full size.
  void Box(int group, V3 centre, V3 size, UvRect uv, unsigned faces = kAllFaces);
  // A box seen from the inside (rooms): faces point inwards.
  void InsideBox(int group, V3 centre, V3 size, UvRect uv, unsigned faces = kAllFaces);
  // A cylinder whose axis runs along `axis` (0 x, 1 y, 2 z) through centre; side gets
  // uv u around, v along; the caps map the cap region as a disc.
  void Cylinder(int group, int axis, V3 centre, float radius, float length, int segments,
                UvRect side, UvRect cap, bool caps = true);
  // A convex outline in the x-y plane (counter-clockwise seen from +z), extruded from
  // z0 to z1; sides and caps map the region by position inside the outline's bounds.
  void ExtrudeZ(int group, const std::vector<float>& xy, float z0, float z1, UvRect sides,
                UvRect caps);
  // A flat marker triangle (the carrier of points in points.sbm and the objects
  // models): corners as given, no texture.
  void Marker(int group, V3 a, V3 b, V3 c);

 private:
  V3 Place(V3 p) const;
  V3 Turn(V3 n) const;
  uint16_t Vertex(V3 p);
  void Tri(int group, const V3 p[3], const V3 n[3], const float uv[3][2]);
  void Face(int group, V3 a, V3 b, V3 c, V3 d, const float uv[4][2]);

  sbm::Mesh* mesh_;
  V3 offset_;
  float cosYaw_ = 1, sinYaw_ = 0;
  float tile_ = 0;
};

// Adds a material with the given colour and texture (a file name in the model's
// folder, or empty) and a group using it; returns the group index.
int AddGroupWithMaterial(sbm::Mesh* mesh, const char* name, const char* texture,
                         float r, float g, float b, float emissive = 0.0f);

// Writes root/relPath as an .sbm file; a mesh the writer's own validation refuses is
// reported and marks the run failed instead of being written.
void WriteMesh(Output& out, const std::string& relPath, const sbm::Mesh& mesh);

}  // namespace basegen
