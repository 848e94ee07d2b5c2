#include "race/waypoints.h"

#include <cmath>
#include <cstdio>
#include <cstring>

Waypoint WaypointTable[kWaypointCapacity];
int32_t WaypointLastIndex = 0;
Waypoint PreviewWaypointTable[kWaypointCapacity];
int32_t PreviewWaypointLastIndex = 0;

namespace {

constexpr size_t kHeaderBytes = 4;
constexpr size_t kRecordBytes = 16;

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

float ReadF32(const uint8_t* p) {
  const uint32_t u = ReadU32(p);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

void PutU32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutF32(std::vector<uint8_t>* out, float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  PutU32(out, u);
}

bool ReadFile(const char* path, std::vector<uint8_t>* bytes) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  uint8_t buf[16384];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->insert(bytes->end(), buf, buf + n);
  std::fclose(f);
  return true;
}

}  // namespace

const char* RacePathFile(int raceNumber, char* buffer, size_t size) {
  if (size == 0) return buffer;
  buffer[0] = '\0';
  if (raceNumber == -1)
    std::snprintf(buffer, size, "base/world/races/last.ai");
  else if (raceNumber >= kFirstRaceFile && raceNumber <= kLastRaceFile)
    std::snprintf(buffer, size, "base/world/races/%d.ai", raceNumber);
  return buffer;
}

bool DecodeRacePath(const uint8_t* data, size_t size, std::vector<Waypoint>* points) {
  if (!data || size < kHeaderBytes) return false;
  const int32_t last = static_cast<int32_t>(ReadU32(data));
  // The count comes from the file; it must fit the table and the bytes that follow.
  if (last < 0 || last >= kWaypointCapacity) return false;
  const size_t count = static_cast<size_t>(last) + 1;
  if ((size - kHeaderBytes) / kRecordBytes < count) return false;
  std::vector<Waypoint> read(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = data + kHeaderBytes + kRecordBytes * i;
    read[i] = {ReadF32(p), ReadF32(p + 4), ReadF32(p + 8), static_cast<int32_t>(ReadU32(p + 12))};
    if (!std::isfinite(read[i].x) || !std::isfinite(read[i].y) || !std::isfinite(read[i].z))
      return false;
  }
  points->swap(read);
  return true;
}

bool EncodeRacePath(const std::vector<Waypoint>& points, std::vector<uint8_t>* out) {
  if (points.empty() || points.size() > static_cast<size_t>(kWaypointCapacity)) return false;
  // The reader refuses a point that is not a number; such a path is not written.
  for (const Waypoint& w : points)
    if (!std::isfinite(w.x) || !std::isfinite(w.y) || !std::isfinite(w.z)) return false;
  out->clear();
  out->reserve(kHeaderBytes + kRecordBytes * points.size());
  PutU32(out, static_cast<uint32_t>(points.size() - 1));
  for (const Waypoint& w : points) {
    PutF32(out, w.x);
    PutF32(out, w.y);
    PutF32(out, w.z);
    PutU32(out, static_cast<uint32_t>(w.kind));
  }
  return true;
}

namespace {

bool LoadRacePathInto(int raceNumber, Waypoint* table, int32_t* lastIndex) {
  char path[64];
  if (!*RacePathFile(raceNumber, path, sizeof path) || raceNumber < kFirstRaceFile) return false;
  std::vector<uint8_t> bytes;
  std::vector<Waypoint> points;
  if (!ReadFile(path, &bytes) || !DecodeRacePath(bytes.data(), bytes.size(), &points))
    return false;
  std::memcpy(table, points.data(), points.size() * sizeof(Waypoint));
  *lastIndex = static_cast<int32_t>(points.size() - 1);
  return true;
}

}  // namespace

bool LoadRacePath(int raceNumber) { return LoadRacePathInto(raceNumber, WaypointTable, &WaypointLastIndex); }

bool LoadPreviewRacePath(int raceNumber) {
  return LoadRacePathInto(raceNumber, PreviewWaypointTable, &PreviewWaypointLastIndex);
}

void MarkCheckpoints(std::vector<Waypoint>* points) {
  if (points->empty()) return;
  const Waypoint start = (*points)[0];
  bool highest = true;
  for (int i = static_cast<int>(points->size()) - 1; i >= 0; --i) {
    if (i % kCheckpointStride != 0) continue;
    Waypoint& w = (*points)[i];
    if (highest) {
      highest = false;
      const float dx = w.x - start.x, dy = w.y - start.y, dz = w.z - start.z;
      if (std::sqrt(dx * dx + dy * dy + dz * dz) <= kCheckpointStartClearance) continue;
    }
    if (w.kind == kWaypointPlain) w.kind = kWaypointCheckpoint;
    else if (w.kind == kWaypointMarkerA) w.kind = kWaypointCheckpointA;
    else if (w.kind == kWaypointMarkerB) w.kind = kWaypointCheckpointB;
  }
}

bool RecordRacePath(int raceNumber) {
  char path[64];
  if (!*RacePathFile(raceNumber, path, sizeof path)) return false;
  const int last = WaypointLastIndex;
  if (last < 0 || last >= kWaypointCapacity) return false;
  std::vector<Waypoint> points(WaypointTable, WaypointTable + last + 1);
  MarkCheckpoints(&points);
  std::memcpy(WaypointTable, points.data(), points.size() * sizeof(Waypoint));
  std::vector<uint8_t> bytes;
  if (!EncodeRacePath(points, &bytes)) return false;
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool written = std::fwrite(bytes.data(), bytes.size(), 1, f) == 1;
  return std::fclose(f) == 0 && written;
}

bool RacePathUsable(const Waypoint* points, int32_t lastIndex, const char** reason) {
  const char* why = nullptr;
  if (!points || lastIndex < 1 || lastIndex >= kWaypointCapacity) {
    why = "the path has fewer than two waypoints";
  } else {
    const float dx = points[1].x - points[0].x, dz = points[1].z - points[0].z;
    if (!(dx * dx + dz * dz >= kGridDirectionMin * kGridDirectionMin)) {
      why = "waypoints 0 and 1 lie on one spot";
    } else {
      bool checkpoint = false;
      for (int32_t i = 1; i <= lastIndex && !checkpoint; ++i) {
        if (!IsCheckpoint(points[i].kind)) continue;
        const float cx = points[i].x - points[0].x, cy = points[i].y - points[0].y,
                    cz = points[i].z - points[0].z;
        checkpoint = cx * cx + cy * cy + cz * cz >= kCheckpointMinSpacing * kCheckpointMinSpacing;
      }
      if (!checkpoint) why = "no checkpoint stands clear of the lap line";
    }
  }
  if (reason) *reason = why;
  return why == nullptr;
}
