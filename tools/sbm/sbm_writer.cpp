#include "tools/sbm/sbm_writer.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace sbm {

namespace {

constexpr char kMagic[10] = {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0'};
// The group's material is one signed byte in the file, so only 0..127 can be named.
constexpr int kMaxMaterials = 128;

class Bytes {
 public:
  explicit Bytes(std::vector<uint8_t>* out) : out_(out) {}
  void U8(uint8_t v) { out_->push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void F32(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    U32(u);
  }
  void Text(const std::string& s, size_t width) {
    for (size_t i = 0; i < width; ++i) U8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
  }

 private:
  std::vector<uint8_t>* out_;
};

}  // namespace

uint16_t Mesh::AddVertex(float x, float y, float z) {
  Vertex v;
  v.x = x;
  v.y = y;
  v.z = z;
  vertices.push_back(v);
  return static_cast<uint16_t>(vertices.size() - 1);
}

uint16_t Mesh::AddTriangle(int group, const Triangle& triangle) {
  triangles.push_back(triangle);
  const uint16_t index = static_cast<uint16_t>(triangles.size() - 1);
  if (group >= 0 && group < static_cast<int>(groups.size()))
    groups[group].triangles.push_back(index);
  return index;
}

uint16_t Mesh::AddFlatTriangle(int group, uint16_t a, uint16_t b, uint16_t c,
                               const float uvA[2], const float uvB[2], const float uvC[2]) {
  Triangle tri;
  tri.vertex[0] = a;
  tri.vertex[1] = b;
  tri.vertex[2] = c;
  float n[3] = {0, 0, 1};
  if (a < vertices.size() && b < vertices.size() && c < vertices.size()) {
    const Vertex& p = vertices[a];
    const Vertex& q = vertices[b];
    const Vertex& r = vertices[c];
    const float e1[3] = {q.x - p.x, q.y - p.y, q.z - p.z};
    const float e2[3] = {r.x - p.x, r.y - p.y, r.z - p.z};
    float m[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                  e1[0] * e2[1] - e1[1] * e2[0]};
    const float len = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
    // A sliver keeps the default normal rather than writing NaN into the file.
    if (len > 1e-12f)
      for (int i = 0; i < 3; ++i) n[i] = m[i] / len;
  }
  const float* uv[3] = {uvA, uvB, uvC};
  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < 3; ++i) tri.normal[k][i] = n[i];
    tri.s[k] = uv[k][0];
    tri.t[k] = 1.0f - uv[k][1];
  }
  return AddTriangle(group, tri);
}

int Mesh::AddGroup(const std::string& name, int material) {
  Group g;
  g.name = name;
  g.material = material;
  groups.push_back(g);
  return static_cast<int>(groups.size() - 1);
}

int Mesh::AddMaterial(const Material& material) {
  materials.push_back(material);
  return static_cast<int>(materials.size() - 1);
}

std::string Validate(const Mesh& mesh) {
  char buf[160];
  if (mesh.version != 3 && mesh.version != 4) return "version must be 3 or 4";
  if (mesh.vertices.size() > kMaxCount) return "more than 65535 vertices";
  if (mesh.triangles.size() > kMaxCount) return "more than 65535 triangles";
  if (mesh.groups.size() > kMaxCount) return "more than 65535 groups";
  if (mesh.materials.size() > static_cast<size_t>(kMaxMaterials))
    return "more than 128 materials (a group names its material in one signed byte)";
  for (size_t i = 0; i < mesh.triangles.size(); ++i)
    for (int k = 0; k < 3; ++k)
      if (mesh.triangles[i].vertex[k] >= mesh.vertices.size()) {
        std::snprintf(buf, sizeof buf, "triangle %zu names vertex %u of %zu", i,
                      mesh.triangles[i].vertex[k], mesh.vertices.size());
        return buf;
      }
  for (size_t g = 0; g < mesh.groups.size(); ++g) {
    const Group& group = mesh.groups[g];
    if (group.name.size() >= kNameBytes) return "group name \"" + group.name + "\" too long";
    if (group.triangles.size() > kMaxCount) return "group \"" + group.name + "\" too large";
    for (uint16_t t : group.triangles)
      if (t >= mesh.triangles.size()) {
        std::snprintf(buf, sizeof buf, "group %zu names triangle %u of %zu", g, t,
                      mesh.triangles.size());
        return buf;
      }
    if (group.material < -1 || group.material >= static_cast<int>(mesh.materials.size())) {
      std::snprintf(buf, sizeof buf, "group %zu names material %d of %zu", g, group.material,
                    mesh.materials.size());
      return buf;
    }
  }
  for (const Material& m : mesh.materials) {
    if (m.name.size() >= kNameBytes) return "material name \"" + m.name + "\" too long";
    if (m.texture.size() >= kTextureNameBytes) return "texture name \"" + m.texture + "\" too long";
    if (m.alphaMap.size() >= kTextureNameBytes)
      return "alpha-map name \"" + m.alphaMap + "\" too long";
  }
  return std::string();
}

std::vector<uint8_t> Encode(const Mesh& mesh) {
  std::vector<uint8_t> out;
  if (!Validate(mesh).empty()) return out;
  Bytes b(&out);
  for (char c : kMagic) b.U8(static_cast<uint8_t>(c));
  b.U32(static_cast<uint32_t>(mesh.version));

  b.U16(static_cast<uint16_t>(mesh.vertices.size()));
  for (const Vertex& v : mesh.vertices) {
    b.U8(0);  // flags
    b.F32(v.x);
    b.F32(v.y);
    b.F32(v.z);
    b.U8(static_cast<uint8_t>(v.bone));
    b.U8(0);  // reference count, which nothing reads
  }

  // The triangle's own group byte: the first group that lists it (modelling tools
  // want it; the game takes groups from the group lists).
  std::vector<uint8_t> owner(mesh.triangles.size(), 0);
  std::vector<bool> owned(mesh.triangles.size(), false);
  for (size_t g = 0; g < mesh.groups.size() && g < 256; ++g)
    for (uint16_t ti : mesh.groups[g].triangles)
      if (!owned[ti]) {
        owned[ti] = true;
        owner[ti] = static_cast<uint8_t>(g);
      }

  b.U16(static_cast<uint16_t>(mesh.triangles.size()));
  for (size_t i = 0; i < mesh.triangles.size(); ++i) {
    const Triangle& t = mesh.triangles[i];
    b.U16(0);  // flags
    for (int k = 0; k < 3; ++k) b.U16(t.vertex[k]);
    for (int k = 0; k < 3; ++k)
      for (int c = 0; c < 3; ++c) b.F32(t.normal[k][c]);
    for (int k = 0; k < 3; ++k) b.F32(t.s[k]);
    for (int k = 0; k < 3; ++k) b.F32(t.t[k]);
    b.U8(t.smoothingGroup);
    b.U8(owner[i]);
  }

  b.U16(static_cast<uint16_t>(mesh.groups.size()));
  for (const Group& g : mesh.groups) {
    b.U8(0);  // flags
    b.Text(g.name, kNameBytes);
    b.U16(static_cast<uint16_t>(g.triangles.size()));
    for (uint16_t t : g.triangles) b.U16(t);
    b.U8(static_cast<uint8_t>(static_cast<int8_t>(g.material)));
  }

  b.U16(static_cast<uint16_t>(mesh.materials.size()));
  for (const Material& m : mesh.materials) {
    b.Text(m.name, kNameBytes);
    for (float f : m.ambient) b.F32(f);
    for (float f : m.diffuse) b.F32(f);
    for (float f : m.specular) b.F32(f);
    for (float f : m.emissive) b.F32(f);
    b.F32(m.shininess);
    b.F32(m.transparency);
    b.U8(0);  // mode
    b.Text(m.texture, kTextureNameBytes);
    b.Text(m.alphaMap, kTextureNameBytes);
  }

  // An empty animation block (frame rate, current time, frame count, no joints), so
  // that modelling tools open the file; the game stops reading before it.
  b.F32(24.0f);
  b.F32(0.0f);
  b.U32(30);
  b.U16(0);
  return out;
}

bool Write(const std::string& path, const Mesh& mesh, std::string* error) {
  const std::string problem = Validate(mesh);
  if (!problem.empty()) {
    if (error) *error = path + ": " + problem;
    return false;
  }
  const std::vector<uint8_t> bytes = Encode(mesh);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    if (error) *error = path + ": cannot open for writing";
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    if (error) *error = path + ": short write";
    return false;
  }
  return true;
}

}  // namespace sbm
