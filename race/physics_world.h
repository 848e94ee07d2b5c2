// The race physics world: the one simulator of a loaded race, built once per track
// load and stepped once per race frame on the worker. It owns the simulator's sizing,
// gravity and materials, places the four cars on the start grid, turns the track's
// physics layer into the terrain mesh, makes the roadside objects' bodies, installs
// the collision callback that plays the knock and crash sounds and raises score
// bonuses, and advances the simulation with a smoothed frame time in 4 to 9 substeps.
#pragma once

#include <cstdint>

#include "physics/ne.h"

class MilkshapeModel;

// Materials: 0 ground, 1 car boxes (and grass), 2 roadside objects (and water), 3 a
// frictionless ground. The controller hears 0 and 3 as ground, 1 grass, 2 water.
enum RaceMaterial : int32_t {
  kMaterialGround = 0,
  kMaterialCar = 1,
  kMaterialObject = 2,
  kMaterialSlick = 3,
};
constexpr int kRaceMaterialCount = 4;
constexpr int kCollisionId = 0;  // every car and roadside object body
// The simulator advances this many times the frame time: the game runs its lorries
// faster than the clock so they feel heavy but lively.
constexpr float kWorldTimeScale = 0.21f;  // times 10
// The longest step the world takes in one frame, and the ticks of such a step. A slower
// frame rate runs the race slower than real time rather than letting one step grow
// past what the substeps hold together.
constexpr float kLongestStep = 0.1f;
constexpr float kLongestStepTicks = kLongestStep * 100.0f;
constexpr int kBaseSubsteps = 4;
constexpr int kMaxSubsteps = 9;
// The extra bodies and geometries beyond the traffic cars: four cars and a thousand
// roadside objects of up to five boxes each.
constexpr int32_t kRaceBodyReserve = 5005;

// The ticks a race frame of `frameTicks` runs the cars and the race's clocks with at a
// steady frame rate: its own, or the longest step's when the frames are longer than
// the world may step.
inline float RaceStepTicks(float frameTicks) {
  return frameTicks < kLongestStepTicks ? frameTicks : kLongestStepTicks;
}

// What StepSimulation makes of one frame.
struct RaceStepTime {
  float smoothed;  // the frame time held near the last step's, stored as PreviousStepDt
  float step;      // the world's step: the smoothed time, at most the longest step
  float ticks;     // the cars' and the race clocks' ticks for the frame
};
// The frame handed as `physicsDt` and `frameTicks` after a step of `previous`:
// smoothed (SmoothFrameSeconds), then lowered to the longest step unless `previous` is
// 0. The frame keeps its own ticks, so the race and lap clocks keep real time while the
// world takes its smoothed step; only when the longest step cut the smoothed time do
// they count the longest step's ticks, as the world does (a slow rate runs the whole
// race slower than real time, never the lorry's engine and clocks ahead of its body).
RaceStepTime RaceStepFor(float physicsDt, float frameTicks, float previous);

extern neSimulation* RaceSimulator;  // null outside a race
extern float PreviousStepDt;         // smoothed frame time of the last step; 0 at start
extern int32_t SubstepCount;         // 4..9, read by the vehicle controller
extern int32_t TrafficCarCount;      // twice settings field 10, set at start-up
extern float RaceBonusTotals[10];    // 0 object hits, 1 opponent hits

// A crash sound that belongs to a roadside object: set and variant 0-3 each.
struct CrashSoundSlot {
  uint8_t playing = 0;
  neRigidBody* body = nullptr;
};
extern CrashSoundSlot CrashSoundSlots[4][4];

// The simulator's size record: the traffic cars plus 5005 bodies and geometries,
// 1225 overlap pairs, a terrain tree starting at 100 nodes, the rest the defaults.
neSimulationSizes RaceSimulationSizes();

// The start grid: car i stands at waypoint 0 - (10 - 5 i) d - l s, 0.45 higher, with
// d the horizontal direction from waypoint 0 to 1, s = up x d and l = +3 for cars 0
// and 2, -3 for 1 and 3. Needs a usable path (RacePathUsable).
neVector3 GridPosition(int car, const neVector3& direction);
neVector3 StartDirection();

// Builds the simulator of a loaded race from the path, the physics layer, the cars'
// points and the roadside object list (whose bodies it makes after the terrain):
// false, and no simulator and no objects, when the engine refuses to create it.
bool InitPhysicsWorld();
// The physics layer into the simulator's terrain mesh; releases the model.
void BuildTerrainMesh(neSimulation* simulator);
// Destroys the simulator, clears every body reference into it and empties the
// roadside object list.
void DestroyPhysicsWorld();

// Substeps for a smoothed frame time: 4, or trunc((t - 1/17) x 100 + 5) above 1/17 s.
int32_t SubstepsFor(float dt);
// One race frame (RaceStepFor): updates the player and the opponents on the frame's
// ticks and advances the simulator by 2.1 times the smoothed step, at most 0.1 s. A
// frame that the longest step cut counts as that step's ticks in FrameTicks for the
// rest of the race update. Without a simulator nothing happens.
void StepSimulation();
// The collision callback of the race.
void OnCollision(neContactRecord* contact);
