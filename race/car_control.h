// The pieces of the vehicle dynamics that stand on their own: the gearbox rules, the
// engine, the steering geometry, the tyre slip and the rolling-noise mix. The
// controller (CSampleCar::Control) runs them once per substep; the tests run them
// alone.
#pragma once

#include <cstdint>

class CSampleCar;

// Engine model constants: speeds in engine units (rpm / 6).
constexpr float kIdleEngineSpeed = 125.0f;
constexpr float kTopEngineSpeed = 831.165f;
constexpr float kEngineInertia = 280.0f;
constexpr float kEngineScale = 1.875f;
constexpr float kFinalDrive = 24.0f;
constexpr float kDriveTorque = 15.0f;
constexpr float kEngineDrag = -5.0f;
constexpr float kWheelRadius = 0.63f;
constexpr float kFrontWheelInertia = 200.0f;
constexpr float kRpmPerEngineSpeed = 6.0f;
// The clutch couples nothing below this engine speed and everything 200 above it.
constexpr float kCouplingStart = 2.5f * kIdleEngineSpeed;

// Springs and the tyres' sideways force, both per unit of the wheel's load travel.
constexpr float kFrontSpring = 2400.0f;
constexpr float kRearSpring = 2500.0f;
constexpr float kFrontLateral = -5000.0f;
constexpr float kRearLateral = -5200.0f;
// The sideways force a wheel's tyre gives per unit of the load on it, for a lateral
// grip curve value of 1 (the larger of the front and the rear pair): the curve times
// this is the sideways pull in g the tyres can hold a lorry in.
constexpr float LateralPullPerGrip() {
  return -kRearLateral / kRearSpring > -kFrontLateral / kFrontSpring ? -kRearLateral / kRearSpring
                                                                      : -kFrontLateral / kFrontSpring;
}

// Gear ratio by gear: 1-6 forward, -1 reverse; neutral (0, or anything else) turns at
// first gear's ratio with the clutch held open.
float GearRatio(int gear);

// The automatic gearbox's choice, taken only while the shift timer is out: with the
// throttle down (and the race started) up- and downshifts by speed, with the brake at
// a standstill reverse, and opponents in first during the countdown.
int AutomaticGear(int gear, float speed, float throttle, float brake, bool countdown,
                  bool opponent);

// The target angles of wheels 0 and 1 for a steering angle a (radians, + left): the
// wheel on the inside of the turn turns further, so both roll around one centre.
// wheelbase and track are the distances between the wheels' centres.
void SteerTargets(float a, float wheelbase, float track, float* wheel0, float* wheel1);

// The tyre's slip ratio from the wheel's surface speed w and the ground speed vl
// along the wheel, 0..2. A wheel that turns against a still ground (or a still wheel
// on a moving ground) slips fully.
float WheelSlip(float w, float vl);

// The rolling-noise gains (ground, grass, water) for the wheels' surface materials
// (-1 airborne) at body speed: a quarter share per wheel on a surface.
void RollingNoiseGains(const int32_t materials[4], float speed, float gains[3]);

// Step 6 of the controller on the car's engine fields: engine load, engine speed and
// rpm for a gear ratio; returns the drive term the rear wheels receive and the
// coupling c through *coupling.
float RunEngine(CSampleCar* car, float ratio, float dt, float* coupling);
