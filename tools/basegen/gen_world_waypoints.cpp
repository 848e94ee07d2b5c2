// The race paths "world/races/1.ai" to "30.ai": every second road sample (7 units
// apart) one unit above the road, waypoint 0 in the middle of the start straight;
// races alternate the direction of travel within a world.
#include <cstdio>

#include "race/waypoints.h"
#include "tools/basegen/gen_world.h"

namespace basegen {
namespace world {

std::vector<Waypoint> RacePath(const WorldPlan& plan, int race) {
  std::vector<Waypoint> forward;
  for (size_t i = 0; i < plan.road.size(); i += 2) {
    const RoadSample& s = plan.road[i];
    forward.push_back({s.x, s.y + kWaypointLift, s.z, kWaypointPlain});
  }
  std::vector<Waypoint> path = forward;
  const bool reversed = ((race - 1) / kWorldCount) % 2 == 1;
  if (reversed) {
    const size_t n = forward.size();
    for (size_t i = 0; i < n; ++i) path[i] = forward[(n - i) % n];
  }
  MarkCheckpoints(&path);
  return path;
}

void WriteRacePaths(Output& out, const WorldPlan plans[kWorldCount]) {
  for (int race = 1; race <= kRaceCount; ++race) {
    std::vector<uint8_t> bytes;
    if (!EncodeRacePath(RacePath(plans[WorldOfRace(race)], race), &bytes)) {
      std::fprintf(stderr, "basegen: race %d: its path does not fit a waypoint file\n", race);
      out.ok = false;
      continue;
    }
    out.Write("world/races/" + std::to_string(race) + ".ai", bytes);
  }
}

}  // namespace world
}  // namespace basegen
