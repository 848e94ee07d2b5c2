// Roadside objects: the posts, barrels, crates, barriers and signs beside the track
// that the lorries knock over. Each is one CityObject of up to ten box bodies, placed
// by one marker triangle of the race's objects layer (its group is the type). The
// bodies live in the race simulator only near the player's car: an object wakes
// within 10 units, turns its gravity on once something has pushed it, and goes back
// to its rest pose, out of the simulation, once the player has left it behind.
//
// Threads: the loader builds the list and the bodies, the worker's race update wakes
// and parks them and the collision callback marks hits. The main thread never reads
// a body: it draws from the rows PublishCityObjects and TakeCityObjectsForRender
// hand over, and from the fields that only a load writes (type, body count, rest
// matrices).
#pragma once

#include <cstdint>

#include "gfx/math3d.h"
#include "physics/ne.h"
#include "race/car_content.h"

class Model;

constexpr int kMaxCityObjects = 1000;
// An object wakes when the player's car comes this close (squared horizontal units)
// and is parked only beyond the second: the gap keeps it from flickering in and out.
constexpr float kObjectWakeDistanceSq = 100.0f;
constexpr float kObjectParkDistanceSq = 225.0f;
// A knocked part keeps its object awake while the player is this close to it.
constexpr float kMovedPartHoldDistanceSq = 2500.0f;
// A part pushed further than this from its rest place counts as disturbed.
constexpr float kObjectNudgeDistance = 0.1f;
// The crash-sound timer's value when an object is made or woken: long past any wait.
constexpr float kObjectCrashTimerStart = 10.0f;
// A marker edge shorter than this gives no direction (the engine's own zero length).
constexpr float kMarkerMinEdge = 1e-3f;

// One row of the part table: a box, its body's place in the object and its mass.
struct CityObjectPart {
  neVector3 boxSize;         // full size of the box geometry
  neVector3 inertiaSize;     // the box the inertia is computed for
  neVector3 bodyOffset;      // body position in the object's frame
  neVector3 geometryOffset;  // box position in its body
  float mass;
  uint8_t closesBody;  // 1: the body is complete after this part
};

struct CityObjectType {
  int32_t partCount;
  CityObjectPart parts[kMaxObjectParts];
};

// The part table of a type; null for a type outside 0..17 (no parts, no meshes).
const CityObjectType* CityObjectTypeOf(int type);

class CityObject {
 public:
  CityObject();
  // The simulator owns and frees the bodies; the record only forgets them.
  virtual ~CityObject();
  CityObject(const CityObject&) = delete;
  CityObject& operator=(const CityObject&) = delete;

  // Builds the bodies of the parts BuildCityObjects found the marker good for, each
  // inactive at its rest pose with userValue as its user data. A body or box the
  // engine has no room for stays null and is skipped wherever bodies are used.
  void Create(neSimulation* simulator, int32_t userValue);

  // Hot fields first: the per-frame pass over a thousand objects reads these.
  uint8_t active = 0;   // 1 while the bodies are live in the simulator
  uint8_t parked = 0;   // 1 once a disturbed object may go back to rest
  uint8_t hit = 0;      // set by the collision callback; cleared when woken
  float playerDistance = 0.0f;  // squared horizontal distance from the player's car
  float crashSoundTimer = kObjectCrashTimerStart;  // seconds since its last crash
  neVector3 position = {};      // rest position: the marker's second corner
  int32_t bodyCount = 0;        // bodies made, one per part; body j draws part j
  int32_t type = 0;             // the marker's group; 18 and above have no parts
  int32_t partCount = 0;        // parts to build: 0 for a bad marker or type
  int32_t userValue = 0;        // the object's index, every body's user data
  neRigidBody* bodies[kMaxObjectParts] = {};  // may be null (pool exhausted)
  uint8_t moved[kMaxObjectParts] = {};        // 1 once disturbed: gravity on
  neMatrix3x3 rotation = {};                  // rest orientation, orthonormal
  neVector3 restOffsets[kMaxObjectParts] = {};  // body j's rest place minus position
  Matrix4 restMatrices[kMaxObjectParts];  // body j at rest, as the render draws it

  // The rest place of body j.
  neVector3 RestPosition(int j) const { return position + restOffsets[j]; }
};

// Defined with the game's other global objects (app/globals.cpp), after RaceCars.
extern CityObject CityObjects[kMaxCityObjects];
extern int32_t CityObjectCount;

// One record per triangle of the objects layer, walking the groups and each group's
// triangle list in order (the running number is the object's index, as the world
// quadtree's leaves store it), at most 1000. The rotation's columns are the marker's
// directions, made orthonormal; a marker with an edge under 1e-3 or corners in a
// line, and a group beyond the part table, gets a record without parts. GL-free.
void BuildCityObjects(const Model& objects);

// Once per race frame after the race step (worker): wakes the objects near the
// player's car, turns gravity on for disturbed ones, parks and resets the ones left
// behind, and advances the crash-sound timers of live objects by FrameTicks x 0.01.
void WakeDisturbedObjects();

// The simulator is gone: every body pointer forgotten, every object at rest. The
// list itself stays (InitPhysicsWorld makes the bodies again).
void ForgetCityObjectBodies();
// The race is gone: bodies forgotten, no objects, nothing published.
void ClearCityObjects();

// What the render of one frame reads of the objects. Rows for every object; the live
// poses of active objects only, in a bounded list: a resting object draws at its rest
// matrices, which never change during a race.
struct CityObjectRow {
  float playerDistance = 0.0f;
  int16_t firstPose = -1;  // index into poses of body 0, -1: draw at rest
  uint8_t active = 0;
  uint8_t spare = 0;
};
// Enough for every active object of a crowded stretch many times over; an object
// beyond it draws at rest for that frame.
constexpr int kMaxPublishedObjectPoses = 256;

struct CityObjectFrame {
  int32_t objectCount = 0;
  int32_t poseCount = 0;
  int32_t droppedObjects = 0;  // active objects that found no room for their poses
  CityObjectRow rows[kMaxCityObjects];
  Matrix4 poses[kMaxPublishedObjectPoses];
};

extern CityObjectFrame PublishedCityObjects;  // worker, end of each update
extern CityObjectFrame RenderCityObjects;     // main thread, the frame it draws
// Worker, at the end of the update, next to PublishCarRows.
void PublishCityObjects();
// Main thread, before it releases the worker; copies only the rows and poses in use.
void TakeCityObjectsForRender();
// The matrix part j of object k is drawn with in a published frame.
const Matrix4& CityObjectPartMatrix(const CityObjectFrame& frame, int object, int part);
