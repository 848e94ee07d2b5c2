// A race path (.ai) as the race loader reads it, from base/world/races/ beside the
// working directory, with the use checks the loader runs on it; the preview table of
// the race menus reads the same file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/scratch_files.h"
#include "race/waypoints.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const InScratchDir here;
  WriteScratchFile("base/world/races/7.ai", data, size);
  const bool loaded = LoadRacePath(7);
  if (LoadPreviewRacePath(7) != loaded) std::abort();
  if (!loaded) return 0;
  if (WaypointLastIndex < 0 || WaypointLastIndex >= kWaypointCapacity) std::abort();
  const char* reason = nullptr;
  RacePathUsable(WaypointTable, WaypointLastIndex, &reason);
  // What was read writes back to the same records.
  std::vector<Waypoint> points(WaypointTable, WaypointTable + WaypointLastIndex + 1);
  std::vector<uint8_t> again;
  if (!EncodeRacePath(points, &again)) std::abort();
  std::vector<Waypoint> reread;
  if (!DecodeRacePath(again.data(), again.size(), &reread) || reread.size() != points.size())
    std::abort();
  return 0;
}
