// The roadside objects of each race: marker triangles beside the road whose group is
// the object type and whose second corner stands on the physics surface.
#include <algorithm>
#include <cmath>

#include "tools/basegen/gen_world.h"

namespace basegen {
namespace world {

namespace {

constexpr int kObjectTypes = 18;
constexpr int kMaxObjects = 1000;
constexpr float kStartClear = 45.0f;  // keep the grid and its run-up free

// Barrier-like types stand along the road; the rest at a random turn.
bool AlongRoad(int type) { return type >= 7 && type <= 13; }

// A marker for an object at p turned by yaw about y: corners a = p + x axis, b = p,
// c = p + up, so the rotation's columns are (x, up, x cross up).
void Marker(sbm::Mesh* m, int type, float x, float y, float z, float yaw) {
  const uint16_t a = m->AddVertex(x + std::cos(yaw), y, z - std::sin(yaw));
  const uint16_t b = m->AddVertex(x, y, z);
  const uint16_t c = m->AddVertex(x, y + 1.0f, z);
  const float uv[2] = {0, 0};
  m->AddFlatTriangle(type, a, b, c, uv, uv, uv);
}

}  // namespace

int WorldOfRace(int race) { return (race - 1) % kWorldCount; }

sbm::Mesh MakeRaceObjects(const WorldPlan& plan, const SurfaceIndex& surface, int race) {
  sbm::Mesh m;
  for (int t = 0; t < kObjectTypes; ++t) m.AddGroup("object" + std::to_string(t), -1);
  Rng rng(0x0B1EC700ull + 977ull * static_cast<uint64_t>(race));
  // Each race favours a few families of objects, so races on one world differ.
  const int families[6][3] = {{0, 1, 2}, {3, 4, 5}, {7, 8, 9}, {10, 11, 12}, {14, 15, 16}, {6, 13, 17}};
  const int favourite = static_cast<int>(rng.Next() % 6);
  const int n = static_cast<int>(plan.road.size());
  float next = kStartClear;
  int placed = 0;
  for (int i = 0; i < n && placed < kMaxObjects; ++i) {
    const RoadSample& s = plan.road[i];
    if (s.s < next || s.s > plan.length - kStartClear) continue;
    next = s.s + rng.Range(14.0f, 40.0f);
    // Sharper bends get a row of barriers on the outside.
    const RoadSample& ahead = plan.road[(i + 6) % n];
    const float turn = s.dx * ahead.dz - s.dz * ahead.dx;
    int type;
    float side;
    if (std::fabs(turn) > 0.12f) {
      type = 10 + static_cast<int>(rng.Next() % 4);
      side = turn > 0 ? 1.0f : -1.0f;
    } else {
      const bool fav = rng.Unit() < 0.6f;
      type = fav ? families[favourite][rng.Next() % 3] : static_cast<int>(rng.Next() % kObjectTypes);
      side = (rng.Next() & 1) ? 1.0f : -1.0f;
    }
    const float lateral = side * rng.Range(10.0f, 13.5f);
    const float x = s.x + s.dz * lateral, z = s.z - s.dx * lateral;
    float y;
    if (!surface.HeightAt(x, z, &y)) continue;
    const float roadYaw = std::atan2(-s.dz, s.dx);
    const float yaw = AlongRoad(type) ? roadYaw : rng.Range(0.0f, 6.2831853f);
    Marker(&m, type, x, y, z, yaw);
    ++placed;
  }
  return m;
}

}  // namespace world
}  // namespace basegen
