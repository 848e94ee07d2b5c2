// The sensor record behind an neSensor handle: a line segment fixed in its
// body's frame and the deepest hit of the last sub-step. The tests that fill
// the hit fields live in sensor.* (narrow-phase side).
#ifndef KELVAMOR_PHYSICS_SENSOR_RECORD_H
#define KELVAMOR_PHYSICS_SENSOR_RECORD_H

#include <cstdint>

#include "physics/ne.h"

struct neBody;

struct neSensorRecord : neSensor {
  neVector3 start = {0, 0, 0, 0};      // body frame
  neVector3 line = {0, 0, 0, 0};       // start to end, body frame
  neVector3 direction = {0, 0, 0, 0};  // unit; 0 when the length is 0
  float length = 0.0f;
  int32_t userData = 0;
  // Deepest hit of the last sub-step, world space.
  neVector3 normal = {0, 0, 0, 0};
  neVector3 point = {0, 0, 0, 0};
  float depth = 0.0f;  // 0 = nothing hit
  int32_t material = 0;
  neBody* body = nullptr;  // the body hit; null for the terrain or no hit

  neSensorRecord* next = nullptr;
  neSensorRecord* prev = nullptr;
  uint8_t inUse = 0;

  void ClearHit() {
    depth = 0.0f;
    body = nullptr;
  }
};

inline neSensorRecord* neRecordOf(neSensor* s) { return static_cast<neSensorRecord*>(s); }
inline const neSensorRecord* neRecordOf(const neSensor* s) {
  return static_cast<const neSensorRecord*>(s);
}

#endif  // KELVAMOR_PHYSICS_SENSOR_RECORD_H
