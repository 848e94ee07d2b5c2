// The ground of a world: its natural shape, the road corridor flattened into it, and
// the one ground mesh that both the physics layer and the landscape layer are cut
// from: fine cells along the road, coarse fans elsewhere, joined without cracks.
#include <algorithm>
#include <cmath>

#include "tools/basegen/gen_world.h"

namespace basegen {
namespace world {

namespace {

constexpr int kCoarseCells = 30;  // 100-unit cells over the world square
constexpr float kCoarseSize = 2 * kWorldLimit / kCoarseCells;
// Coarse cells within this distance of the road are cut fine, so the whole blend
// from road level to the natural ground is drawn at the fine step.
constexpr float kFineReach = kBlendEnd + 4.0f;

float SmoothStep(float t) {
  t = std::min(1.0f, std::max(0.0f, t));
  return t * t * (3 - 2 * t);
}

}  // namespace

float NaturalHeight(const WorldPlan& plan, float x, float z) {
  float h = plan.baseHeight;
  for (const Wave& w : plan.waves) h += w.amplitude * std::sin(w.kx * x + w.kz * z + w.phase);
  for (const Bump& b : plan.bumps) {
    const float d2 = ((x - b.x) * (x - b.x) + (z - b.z) * (z - b.z)) / (b.radius * b.radius);
    h += b.height * std::exp(-d2);
  }
  for (const Lake& l : plan.lakes) {
    const float d = std::hypot(x - l.x, z - l.z) / l.radius;
    h -= l.depth * SmoothStep(1.2f - d);
  }
  const float edge = std::max(std::fabs(x), std::fabs(z));
  h += plan.rimHeight * SmoothStep((edge - 950.0f) / 550.0f);
  return std::min(kMaxY - 10.0f, std::max(kMinY + 4.0f, h));
}

float BankRise(float d) {
  const float u = std::max(0.0f, d - kFlatVerge);
  return kBankSlope * (u < kBankEase ? u * u / (2 * kBankEase) : u - kBankEase / 2);
}

float GroundHeight(const WorldPlan& plan, float x, float z) {
  float level = 0;
  const float d = RoadDistance(plan, x, z, &level);
  if (d <= kFlatVerge) return level;
  // Beyond the verge the natural ground, held within the banks of every stretch of
  // road in reach: no higher than a bank rising from the road, no lower than one
  // falling from it. Taking all of them, not only the nearest, keeps the ground whole
  // where the nearest stretch changes to one at another level.
  float upper = 1e9f, lower = -1e9f;
  BankLimits(plan, x, z, &upper, &lower);
  const float natural = NaturalHeight(plan, x, z);
  // Stretches closer than their banks allow (a steep road, or two at different
  // levels): halfway between the two banks, which meets the clamp where they cross.
  if (lower > upper) return 0.5f * (lower + upper);
  return std::min(upper, std::max(lower, natural));
}

V3 GroundNormal(const WorldPlan& plan, float x, float z) {
  const float e = 1.5f;
  const float gx = (GroundHeight(plan, x + e, z) - GroundHeight(plan, x - e, z)) / (2 * e);
  const float gz = (GroundHeight(plan, x, z + e) - GroundHeight(plan, x, z - e)) / (2 * e);
  const float len = std::sqrt(gx * gx + 1 + gz * gz);
  return {-gx / len, 1 / len, -gz / len};
}

GroundMesh MakeGroundMesh(const WorldPlan& plan, int kFineSplit) {
  const int kLattice = kCoarseCells * kFineSplit;  // lattice steps per side
  const float kLatticeStep = 2 * kWorldLimit / kLattice;
  std::vector<uint8_t> fine(kCoarseCells * kCoarseCells, 0);
  for (const RoadSample& s : plan.road) {
    const int c0 = std::max(0, static_cast<int>((s.x - kFineReach + kWorldLimit) / kCoarseSize));
    const int c1 = std::min(kCoarseCells - 1, static_cast<int>((s.x + kFineReach + kWorldLimit) / kCoarseSize));
    const int r0 = std::max(0, static_cast<int>((s.z - kFineReach + kWorldLimit) / kCoarseSize));
    const int r1 = std::min(kCoarseCells - 1, static_cast<int>((s.z + kFineReach + kWorldLimit) / kCoarseSize));
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) {
        // Distance from the sample to the cell's square.
        const float x0 = -kWorldLimit + c * kCoarseSize, z0 = -kWorldLimit + r * kCoarseSize;
        const float ex = std::max({x0 - s.x, 0.0f, s.x - (x0 + kCoarseSize)});
        const float ez = std::max({z0 - s.z, 0.0f, s.z - (z0 + kCoarseSize)});
        if (ex * ex + ez * ez < kFineReach * kFineReach) fine[r * kCoarseCells + c] = 1;
      }
  }
  auto isFine = [&](int c, int r) {
    return c >= 0 && r >= 0 && c < kCoarseCells && r < kCoarseCells && fine[r * kCoarseCells + c];
  };

  GroundMesh mesh;
  std::vector<int> index((kLattice + 1) * (kLattice + 1), -1);
  auto vertexAt = [&](float x, float z) {
    mesh.vertices.push_back({x, GroundHeight(plan, x, z), z});
    mesh.normals.push_back(GroundNormal(plan, x, z));
    return static_cast<uint32_t>(mesh.vertices.size() - 1);
  };
  auto lattice = [&](int i, int j) {
    int& slot = index[j * (kLattice + 1) + i];
    if (slot < 0)
      slot = static_cast<int>(vertexAt(-kWorldLimit + i * kLatticeStep, -kWorldLimit + j * kLatticeStep));
    return static_cast<uint32_t>(slot);
  };
  auto triangle = [&](uint32_t a, uint32_t b, uint32_t c) {
    const V3 &p = mesh.vertices[a], &q = mesh.vertices[b], &r = mesh.vertices[c];
    // Counter-clockwise seen from above: the face normal points up.
    const float ny = (q.z - p.z) * (r.x - p.x) - (q.x - p.x) * (r.z - p.z);
    if (ny < 0) std::swap(b, c);
    mesh.triangles.insert(mesh.triangles.end(), {a, b, c});
  };

  for (int r = 0; r < kCoarseCells; ++r)
    for (int c = 0; c < kCoarseCells; ++c) {
      const int i0 = c * kFineSplit, j0 = r * kFineSplit;
      if (isFine(c, r)) {
        for (int j = j0; j < j0 + kFineSplit; ++j)
          for (int i = i0; i < i0 + kFineSplit; ++i) {
            const uint32_t a = lattice(i, j), b = lattice(i + 1, j), d = lattice(i, j + 1),
                           e = lattice(i + 1, j + 1);
            if ((i + j) % 2 == 0) {
              triangle(a, b, e);
              triangle(a, e, d);
            } else {
              triangle(a, b, d);
              triangle(b, e, d);
            }
          }
        continue;
      }
      const int k = kFineSplit;
      if (!isFine(c, r - 1) && !isFine(c + 1, r) && !isFine(c, r + 1) && !isFine(c - 1, r)) {
        // Far from the road: one quad, the fewest triangles for the quadtree to copy.
        const uint32_t a = lattice(i0, j0), b = lattice(i0 + k, j0), d = lattice(i0, j0 + k),
                       e = lattice(i0 + k, j0 + k);
        triangle(a, b, e);
        triangle(a, e, d);
        continue;
      }
      // A fan round the cell centre through every lattice point its fine neighbours
      // put on the shared edges, so no crack opens between the two.
      std::vector<uint32_t> ring;
      const int stepS = isFine(c, r - 1) ? 1 : k;  // edge j0, i rising
      for (int i = i0; i < i0 + k; i += stepS) ring.push_back(lattice(i, j0));
      const int stepE = isFine(c + 1, r) ? 1 : k;  // edge i0 + k, j rising
      for (int j = j0; j < j0 + k; j += stepE) ring.push_back(lattice(i0 + k, j));
      const int stepN = isFine(c, r + 1) ? 1 : k;  // edge j0 + k, i falling
      for (int i = i0 + k; i > i0; i -= stepN) ring.push_back(lattice(i, j0 + k));
      const int stepW = isFine(c - 1, r) ? 1 : k;  // edge i0, j falling
      for (int j = j0 + k; j > j0; j -= stepW) ring.push_back(lattice(i0, j));
      const uint32_t centre = vertexAt(-kWorldLimit + (c + 0.5f) * kCoarseSize,
                                       -kWorldLimit + (r + 0.5f) * kCoarseSize);
      for (size_t m = 0; m < ring.size(); ++m) triangle(centre, ring[m], ring[(m + 1) % ring.size()]);
    }
  return mesh;
}

}  // namespace world
}  // namespace basegen
