// How one lorry is put together at draw time, and the small rules the car passes share.
// Every lorry is drawn from separate models: the body of its level of detail, a front
// and a rear axle beam that roll with the difference of the two wheel drops on that
// axle, two front hubs that steer, and four wheels that steer (front) and spin.
#pragma once

#include "gfx/math3d.h"

class Model;
struct CarRow;

// The differences between the textured passes and the shadow casters.
struct CarDrawStyle {
  bool positionsOnly = false;  // shadow casters: no textures, the shadow body
  bool lampLitBody = false;    // pass 0: the body's lamp groups glow
  int colourSkin = 0;          // GL names for units 0 and 2
  int normalSkin = 0;
  float axleDrop = 0.62f;      // the beams hang this far below the wheel drop
  float frontCamber = 2.0f;    // degrees
};

// Draws car slot `car` at level of detail `lod` (0-2) with its render row's matrix,
// wheel drops, steering and spin. Missing models are left out.
void AssembleCar(int car, int lod, const CarDrawStyle& style);
// The same with a pose of the caller's instead of the render row: the garage stands the
// lorry at the origin, level and still.
void AssembleCar(int car, int lod, const CarRow& row, const CarDrawStyle& style);

// The garage stands the lorry level at the origin with both beams 0.35 below the body
// and the front wheels untilted (the rear ones tilted as on the road): the style's
// values for its pose, shared by the garage's draw and its shadow pass.
constexpr float kGarageAxleDrop = -0.35f;
constexpr float kGarageFrontCamber = 0.0f;

// The axle's roll in degrees from the two wheels' height difference d across the track:
// asin(d / |(-2 x halfTrack, d, 0)|). 0 when that length is 0 or not finite (a car
// without wheel markers has no track), so the beam is drawn level rather than with a
// matrix of non-numbers.
float AxleRollDegrees(float halfTrack, float heightDifference);

// Beacon flares of a points model: one per triangle of group 2, at most one per
// attachment frame; none without a group 2 (or without a model).
int BeaconCount(const Model* points);

// The exhaust smoke's emitter velocity: backwards along the render matrix's length axis
// (its first column), 120 units per unit of engine smoke, at most 2. A zero or broken
// length axis, or a broken smoke value, blows no smoke at all.
Vector3 SmokeVelocity(const Matrix4& matrix, float engineSmoke);

// Makes the unit current when it has fixed-function state (render/texture_units.h);
// false otherwise, as enables and texture matrices above it would only raise errors.
bool SelectFixedUnit(int unit);
// Switches every kind of texturing off on units first..last (descending is fine) that
// exist, then unit 0 current with 2D on.
void DisableUnits(int first, int last);
// Makes a program current; 0 for fixed function. Nothing without shader entry points.
void UseProgramHandle(unsigned int handle);
