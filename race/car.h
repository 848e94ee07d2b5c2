// One race car: its physics body with four wheel sensors, the driver's inputs, the
// engine and gearbox, the wheels, the race progress and the values the render reads.
// Every race has exactly four, RaceCars: index 0 is the player, 1-3 the opponents.
//
// The body's +X axis is the car's forward direction. Wheel k is the body's k-th line
// sensor: 0 front on the +Z side, 1 front on the -Z side, 2 rear +Z, 3 rear -Z. The
// front pair steers; the rear pair is driven and carries the handbrake.
//
// Threads: everything here is written on the worker (load, race update, controller).
// The main thread reads the cars only through the rows PublishCarRows and
// TakeCarRowsForRender hand over, plus the plain race values the HUD shows.
#pragma once

#include <cstdint>

#include "gfx/math3d.h"
#include "physics/ne.h"

constexpr int kRaceCarCount = 4;
constexpr int kCarWheels = 4;
constexpr int kCarAttachmentFrames = 10;

// The car body, all cars alike.
constexpr float kCarMass = 100.0f;
constexpr float kCarRestThreshold = 0.01f;
const neVector3 kCarBoxSize = {7.5f, 2.2f, 3.2f, 0.0f};
const neVector3 kCarBoxOffset = {0.0f, 0.6f, 0.0f, 0.0f};
// The inertia is that of a box a little smaller and flatter than the collision box:
// the load sits low in a lorry.
const neVector3 kCarInertiaBox = {0.85f * 7.5f, 0.85f * 1.5f, 0.85f * 3.2f, 0.0f};
constexpr float kWheelSensorStartY = -0.35f;
// Line vectors of the front and rear sensors lean outward by these z components.
constexpr float kFrontSensorLean = 0.035f;
constexpr float kRearSensorLean = 0.01f;
// Materials of the race world (the simulator's table, see race/physics_world.h).
constexpr int kCarMaterial = 1;

// A race clock as the HUD shows it. Hundredths run 0..100, seconds 0..60.
struct RaceClock {
  int32_t minutes = 0;
  int32_t seconds = 0;
  float hundredths = 0.0f;
};

// A clock's reading in seconds.
inline float ClockSeconds(const RaceClock& c) {
  return static_cast<float>(c.minutes) * 60.0f + static_cast<float>(c.seconds) + c.hundredths * 0.01f;
}

// The opponents' driving law's own state: where it steers, where it looks for bends,
// and the backing out of a wedged lorry. The player's test-only autopilot keeps one too.
struct DriverLawState {
  int32_t targetWaypoint = 0;     // steered at; advanced within reach
  int32_t lookAheadWaypoint = 0;  // watched for bends
  float stuckTime = 0.0f;         // seconds nearly stopped while trying to drive
  float reverseTime = 0.0f;       // seconds backing out
  uint8_t reversing = 0;
};

// What the render of one frame reads of a car; copied by PublishCarRows on the worker
// at the end of each update and by TakeCarRowsForRender on the main thread.
struct CarRow {
  Matrix4 matrix;  // body transform, length axis in the first column; identity without body
  float wheelDrop[kCarWheels] = {};
  float wheelAngle[kCarWheels] = {};
  float steerAngle[2] = {};
  float reverseLamp = 0.0f, tailLamp = 0.0f, brakeLamp = 0.0f;
  float engineSmoke = 0.0f;
  float rpm = 0.0f;
  int32_t gear = 0;
  float engineLoad = 0.0f;
  float speed = 0.0f;
  // The race as the HUD and the results show it.
  int32_t lap = 0;
  int32_t place = 4;
  int32_t nextCheckpoint = 0;
  float progress = 0.0f;
  RaceClock raceTime, lapTime, bestLap;
  int32_t skidIndex[kCarWheels] = {};  // write positions of the tyre-mark rings
};

class CSampleCar {
 public:
  CSampleCar();
  virtual ~CSampleCar();
  CSampleCar(const CSampleCar&) = delete;
  CSampleCar& operator=(const CSampleCar&) = delete;

  // Makes the car's body in the simulator at position, facing the unit horizontal
  // direction, and clears the engine, wheel and driver state. Null results of the
  // engine's creation calls leave body null (the car then stands outside the race).
  void Create(neSimulation* simulator, const neVector3* position, const neVector3* direction);
  // The vehicle dynamics of one substep (race/car_control.cpp).
  void Control(neRigidBodyController* controller);
  // Per-frame drivers (race/car_driver.cpp): the player from the controls, the
  // opponents from the race path.
  void UpdatePlayerCar(float ticks);
  void UpdateAICar(float ticks);

  // Queries that hold without a race: position 0 and identity without a body.
  neVector3 Position() const;
  void DrawMatrix(Matrix4* out) const;
  // Zeroes the race fields of the start grid: lap, progress, times, AI state; place 4.
  void ClearRaceState();

  neRigidBody* body = nullptr;  // owned by the simulator; null outside a race
  float wheelDrop[kCarWheels] = {};  // suspension drop, for drawing
  int32_t carIndex = -1;             // 0 player, 1-3 opponents; -1 before the grid

  // Driver inputs, written once per frame by the player's or the opponent's driver.
  float speed = 0.0f;         // body speed, units per second
  float throttle = 0.0f;      // 0..1 (an opponent may write up to 2.25)
  float brake = 0.0f;         // 0..1
  float handbrake = 0.0f;     // 0..1
  float clutchTarget = 0.0f;  // clutch limit from the driver, 1 - pedal
  float steer = 0.0f;         // radians, -0.55..0.55
  int32_t manualGearbox = 0;  // 0 automatic

  // Engine and gearbox.
  float wheelEngineSpeed = 0.0f;  // engine speed the rear wheels imply
  float engineSpeed = 0.0f;       // 125..831.165 once the controller ran
  float engineSpeedOut = 0.0f;    // copy of engineSpeed
  float rpm = 0.0f;               // 6 x engineSpeed: HUD and engine sound
  float clutch = 0.0f;            // 0 open .. 1 closed
  float engineLoad = 0.0f;        // -1..1, eased throttle response; the HUD's second dial
  int32_t gear = 0;               // -1 reverse, 0 neutral, 1-6
  float shiftTimer = 0.0f;        // 1 after a shift, falls to 0

  // Wheels.
  float steerAngle[2] = {};             // eased angles of wheels 0 and 1, radians
  float sideSlip = 0.0f;                // sideways share of the body velocity, 0..1
  float rearWheelTorque[2] = {};        // torque sums of wheels 2 and 3
  float wheelSpin[kCarWheels] = {};     // angular speeds; surface speed 0.63 x spin
  float wheelAngle[kCarWheels] = {};    // rotation angles for drawing
  int32_t wheelMaterial[kCarWheels] = {-1, -1, -1, -1};  // surface under each wheel, -1 airborne
  neVector3 frontWheelHeading[2] = {};  // world forward axes of wheels 0 and 1
  neVector3 heading = {};               // body forward axis flattened to y = 0, unit
  neVector3 velocity = {};              // body velocity, copied once per frame

  // Lamps, 0 or 1.
  float reverseLamp = 1.0f;
  float tailLamp = 0.0f;
  float brakeLamp = 0.0f;
  float engineSmoke = 0.7f;       // exhaust smoke strength
  float crashSoundTimer = 0.0f;   // grows each substep; a knock sound resets it

  // Race progress (the player's rules and the opponents' driver).
  int32_t carNumber = 0;          // carIndex + 1
  int32_t lap = 0;                // 0 until the lap line is first reached
  int32_t nextCheckpoint = 0;     // waypoint index; 0 is the lap line
  int32_t place = 4;              // 1-4
  float progressFraction = 0.0f;  // 0..1, how close the car came to reachedWaypoint
  int32_t reachedWaypoint = 0;
  int32_t progressWaypoint = 0;   // reachedWaypoint at the last progress gain
  float progress = 0.0f;          // waypoint index + fraction + laps; never falls
  RaceClock raceTime, lapTime, bestLap;
  DriverLawState ai;          // the opponents' driver
  float driverFactor = 0.0f;  // 1..2.99, drawn at Create

  // Wheel trails: per-wheel ring positions and flags.
  int32_t skidIndex[kCarWheels] = {};
  uint8_t skidFlags[kCarWheels] = {};
  uint8_t trailFlags[kCarWheels] = {};
  float trailValues[kCarWheels] = {};

  // From the car's points.sbm (race/car_content.cpp).
  int32_t modelIndex = -1;  // which of the 18 car models; -1 none
  // x = wheelOffsetX (half wheelbase), y = x, z = wheelOffsetZ (half track), w = z.
  float wheelOffset[4] = {};
  float exhaustPoint[3] = {};
  Matrix4 attachmentFrames[kCarAttachmentFrames];
  neMatrix3x3 startRotation = {};  // the body's rotation on the grid

  float WheelOffsetX() const { return wheelOffset[0]; }
  float WheelOffsetZ() const { return wheelOffset[2]; }
};

// The engine's callback for a car body: runs CSampleCar::Control of the car named by
// the body's user data. One instance serves all four cars.
class CControllerCB : public neRigidBodyControllerCallback {
 public:
  CControllerCB() = default;
  virtual ~CControllerCB() = default;
  void Callback(neRigidBodyController* controller, float timeStep) override;
};

// Defined with the game's other global objects (app/globals.cpp), in construction order.
extern CSampleCar RaceCars[kRaceCarCount];
extern CControllerCB CarController;

// The car whose address a body's user data holds; null for anything else (a roadside
// object's index, a terrain word, a foreign pointer).
CSampleCar* CarOfUserData(uintptr_t userData);

// The rotation whose first column is the horizontal unit direction d, second the
// world up and third d x up: the car faces d with no roll or pitch.
neMatrix3x3 FacingRotation(const neVector3& direction);

// Render rows: the worker copies the cars into the published rows at the end of each
// update; the main thread copies those into the render rows before it releases the
// worker, and draws from them.
extern CarRow PublishedCarRows[kRaceCarCount];
extern CarRow RenderCarRows[kRaceCarCount];
void PublishCarRows();
void TakeCarRowsForRender();
