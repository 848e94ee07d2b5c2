// The race path: the ordered points the opponents follow, which also mark the
// checkpoints and laps, place the start grid and draw the mini-map. One table holds
// the path of the last race read; "base/world/races/K.ai" stores race K's path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int kWaypointCapacity = 1200;
constexpr int kFirstRaceFile = 1;
constexpr int kLastRaceFile = 30;
// The path recorder looks at every hundredth waypoint, and skips the highest such one
// when it lies this close to the start (a checkpoint right before the lap line).
constexpr int kCheckpointStride = 100;
constexpr float kCheckpointStartClearance = 350.0f;
// A race path's use checks: the grid's direction needs waypoints 0 and 1 apart, and a
// checkpoint must lie beyond twice the 22.5-unit reach of the lap line.
constexpr float kGridDirectionMin = 0.5f;
constexpr float kCheckpointMinSpacing = 45.0f;

enum WaypointKind : int32_t {
  kWaypointPlain = 0,
  kWaypointCheckpoint = 1,
  kWaypointMarkerA = 2,
  kWaypointMarkerB = 3,
  kWaypointCheckpointA = 4,
  kWaypointCheckpointB = 5,
};

struct Waypoint {
  float x, y, z;  // world units, y up
  int32_t kind;   // WaypointKind
};
static_assert(sizeof(Waypoint) == 16, "a waypoint is stored as 16 bytes");

extern Waypoint WaypointTable[kWaypointCapacity];
// Index of the last valid record (count - 1).
extern int32_t WaypointLastIndex;

inline bool IsCheckpoint(int32_t kind) {
  return kind == kWaypointCheckpoint || kind == kWaypointCheckpointA ||
         kind == kWaypointCheckpointB;
}

// "base/world/races/K.ai", or "base/world/races/last.ai" for -1; empty for others.
const char* RacePathFile(int raceNumber, char* buffer, size_t size);

// Reads race K's path into the table. A number outside 1..30, a missing or short
// file, or one promising more than the table holds leaves the table as it was and
// returns false.
bool LoadRacePath(int raceNumber);

// The path the front end previews (the track map of a race being chosen) lives in a
// table of its own: a race load rewrites WaypointTable on the loader thread while the
// loading screen still draws the preview.
extern Waypoint PreviewWaypointTable[kWaypointCapacity];
extern int32_t PreviewWaypointLastIndex;
// Race K's path into the preview table; false, the table as it was, as LoadRacePath.
bool LoadPreviewRacePath(int raceNumber);

// The checked parse behind LoadRacePath: fills *points from a whole .ai file.
bool DecodeRacePath(const uint8_t* data, size_t size, std::vector<Waypoint>* points);
// The .ai bytes of a path (at least one point, at most the table's capacity, every
// coordinate finite); false, *out untouched, otherwise.
bool EncodeRacePath(const std::vector<Waypoint>& points, std::vector<uint8_t>* out);

// The recorder's checkpoint rule: of the multiples of 100, the highest becomes a
// checkpoint only when farther than 350 units from waypoint 0, every lower one always.
void MarkCheckpoints(std::vector<Waypoint>* points);

// The path recorder: marks the checkpoints of the table's path and writes it to race
// K's file (or last.ai for -1). False when the file cannot be written.
bool RecordRacePath(int raceNumber);

// Whether a path can carry a race: at least two points, waypoints 0 and 1 at least
// 0.5 apart horizontally (the grid faces from one to the other), and a checkpoint
// among 1..L at least 45 units from waypoint 0 (twice the reach, or the lap line and
// the checkpoint would count together every frame). *reason names the failure.
bool RacePathUsable(const Waypoint* points, int32_t lastIndex, const char** reason = nullptr);
