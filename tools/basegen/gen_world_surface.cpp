// Height queries on a generated mesh, for standing objects on the physics surface and
// for checking waypoints against the road.
#include <algorithm>
#include <cmath>

#include "tools/basegen/gen_world.h"

namespace basegen {
namespace world {

namespace {
constexpr float kCell = 25.0f;
constexpr int kCells = 120;  // 120 x 25 = 3000

// Clamped before the conversion: a damaged model's coordinate (far off, or not a
// number) must not reach the int cast, which is undefined for it.
int CellOf(float v) {
  const float cell = std::floor((v + kWorldLimit) / kCell);
  if (!(cell > 0.0f)) return 0;
  return cell < static_cast<float>(kCells - 1) ? static_cast<int>(cell) : kCells - 1;
}
}  // namespace

SurfaceIndex::SurfaceIndex(const sbm::Mesh& mesh, int onlyGroup) : mesh_(mesh), cells_(kCells * kCells) {
  for (size_t g = 0; g < mesh.groups.size(); ++g) {
    if (onlyGroup >= 0 && static_cast<int>(g) != onlyGroup) continue;
    for (uint16_t t : mesh.groups[g].triangles) {
      const sbm::Triangle& tri = mesh.triangles[t];
      float x0 = 1e9f, x1 = -1e9f, z0 = 1e9f, z1 = -1e9f;
      for (int k = 0; k < 3; ++k) {
        const sbm::Vertex& v = mesh.vertices[tri.vertex[k]];
        x0 = std::min(x0, v.x), x1 = std::max(x1, v.x);
        z0 = std::min(z0, v.z), z1 = std::max(z1, v.z);
      }
      for (int r = CellOf(z0); r <= CellOf(z1); ++r)
        for (int c = CellOf(x0); c <= CellOf(x1); ++c) cells_[r * kCells + c].push_back(t);
    }
  }
}

bool SurfaceIndex::HeightAt(float x, float z, float* y) const {
  if (!(std::fabs(x) <= kWorldLimit && std::fabs(z) <= kWorldLimit)) return false;  // NaN too
  bool found = false;
  float best = -1e9f;
  for (int t : cells_[CellOf(z) * kCells + CellOf(x)]) {
    const sbm::Triangle& tri = mesh_.triangles[t];
    const sbm::Vertex& a = mesh_.vertices[tri.vertex[0]];
    const sbm::Vertex& b = mesh_.vertices[tri.vertex[1]];
    const sbm::Vertex& c = mesh_.vertices[tri.vertex[2]];
    const float det = (b.x - a.x) * (c.z - a.z) - (c.x - a.x) * (b.z - a.z);
    if (std::fabs(det) < 1e-9f) continue;
    const float u = ((x - a.x) * (c.z - a.z) - (c.x - a.x) * (z - a.z)) / det;
    const float v = ((b.x - a.x) * (z - a.z) - (x - a.x) * (b.z - a.z)) / det;
    const float eps = -1e-5f;
    if (u < eps || v < eps || u + v > 1 - eps) continue;
    const float h = a.y + u * (b.y - a.y) + v * (c.y - a.y);
    if (h > best) best = h, found = true;
  }
  if (found) *y = best;
  return found;
}

}  // namespace world
}  // namespace basegen
