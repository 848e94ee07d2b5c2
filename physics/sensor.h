// Line sensors against bodies and the terrain: the geometric tests behind the
// car's wheels. Every sub-step the core clears each sensor's hit
// (neBody::ClearSensorHits); the contact passes then run neSensorTestBodies
// for every pair and for the terrain, and the deepest hit of the sub-step
// survives.
#ifndef KELVAMOR_PHYSICS_SENSOR_H
#define KELVAMOR_PHYSICS_SENSOR_H

#include <cstdint>

#include "physics/geometry.h"
#include "physics/ne.h"

struct neBody;

// One hit of a line in a geometry's frame.
struct neSensorHit {
  float depth;       // how far the line's end lies beyond the surface; 0 = none
  neVector3 normal;  // geometry frame, against the line
  neVector3 point;   // geometry frame
  int32_t material;
};

// Every sensor of body A against every geometry of body B (a body with one
// geometry through its collision box, or its triangle list for the terrain).
// A hit deeper than a sensor's present one replaces it, with hitBody as the
// body hit (null for the terrain).
void neSensorTestBodies(neBody& a, const neTransform& ta, neBody& b, const neTransform& tb,
                        neBody* hitBody);

// The line start + t line, t in [0, 1], against one geometry given in the
// geometry's own frame; length is the line's length. False for no hit.
bool neSensorTestGeometry(const neVector3& start, const neVector3& line, float length,
                          const neGeometryRecord& g, neSensorHit& hit);

#endif  // KELVAMOR_PHYSICS_SENSOR_H
