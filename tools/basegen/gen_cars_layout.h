// Measures and skin layout shared by the generated lorries, their running gear, the
// lamp table and the checks. The body frame: +X forward, +Y up, +Z to the left; the
// physics box is 7.5 x 2.2 x 3.2 centred 0.6 above the body origin and the ground
// lies about 1.0 below it.
#pragma once

#include <string>
#include <vector>

#include "gfx/milkshape.h"
#include "race/car_setup.h"
#include "tools/basegen/mesh_builder.h"

namespace basegen {

constexpr float kBodyFrontX = 3.72f;
constexpr float kBodyRearX = -3.72f;
constexpr float kBodyHalfWidth = 1.6f;  // the physics box's
constexpr float kWheelRadius = 0.63f;
constexpr float kRideHeight = 1.0f;       // the body origin (centre of mass) above the ground at rest
constexpr float kWheelCentreY = -0.37f;   // wheel radius above the ground, kRideHeight below the origin
// The wheels stand near the box's ends: the body's yaw inertia is that of the whole
// box whatever the wheelbase, and the tyres' lever on it grows with the square of the
// half wheelbase. Nearer the middle, the lorry goes on turning for a long moment after
// the wheels are straight again, which a player on the keys cannot hold.
constexpr float kHalfWheelbase = 2.65f;    // points.sbm group 0, x
// The wheels stand out to the box's sides. With the centre of mass 1.0 above the
// ground and the wheels' springs holding only 0.1 of droop before a wheel unloads, a
// narrower track lets the lorry rock onto two wheels at every swing of a driver's
// weave and, a few swings on, over; at half the box's width it stays on its wheels.
constexpr float kHalfTrackMarker = 1.475f;  // points.sbm group 0, z (the loader adds 0.125)
constexpr float kHalfTrack = kHalfTrackMarker + 0.125f;
constexpr float kHubInset = 0.27f;        // the car pass moves the front wheels this far in
constexpr float kFrontWheelZ = kHalfTrack - kHubInset;  // where the front wheels sit
constexpr float kRearWheelZ = kHalfTrack;               // where the rear pair sits
constexpr float kFrontTyreWidth = 0.42f;
constexpr float kFullLock = 0.55f;        // radians, the steered wheels' widest angle
// Room the body leaves around each front tyre, swept from lock to lock.
constexpr float kArchClearance = 0.03f;
constexpr float kRearTyreWidth = 0.72f;   // twin tyres

// Regions of car.tga (u, v with v up). The running-gear region is painted the same
// in every car's skin, because the shared axle and hub models are drawn with the
// skin of whichever car they belong to.
constexpr UvRect kUvCabPaint{0.0f, 0.5f, 0.25f, 1.0f};
constexpr UvRect kUvBedPaint{0.25f, 0.5f, 0.5f, 1.0f};
constexpr UvRect kUvChassis{0.5f, 0.5f, 0.625f, 0.75f};
constexpr UvRect kUvBedFloor{0.625f, 0.5f, 0.75f, 0.75f};
constexpr UvRect kUvGrille{0.5f, 0.75f, 0.75f, 1.0f};
constexpr UvRect kUvHeadlamp{0.75f, 0.875f, 0.875f, 1.0f};
constexpr UvRect kUvTailLamp{0.875f, 0.875f, 1.0f, 1.0f};
constexpr UvRect kUvBrakeLamp{0.875f, 0.75f, 1.0f, 0.875f};
constexpr UvRect kUvReverseLamp{0.75f, 0.75f, 0.875f, 0.875f};
constexpr UvRect kUvBeacon{0.75f, 0.625f, 0.875f, 0.75f};
constexpr UvRect kUvStripe{0.875f, 0.625f, 1.0f, 0.75f};
constexpr UvRect kUvGlass{0.75f, 0.5f, 1.0f, 0.625f};
constexpr UvRect kUvTread{0.0f, 0.0f, 0.5f, 0.25f};
constexpr UvRect kUvSidewall{0.0f, 0.25f, 0.25f, 0.5f};
constexpr UvRect kUvRim{0.25f, 0.25f, 0.5f, 0.5f};
constexpr UvRect kUvSteel{0.5f, 0.0f, 0.75f, 0.5f};
constexpr UvRect kUvRunningGear{0.75f, 0.0f, 1.0f, 0.5f};

// Reads root/rel with the game's reader into *model and returns why it fails the
// loaders' assumptions (empty when it passes): triangles present, material indices in
// range, named textures loading from textureFolder (skipped when empty), finite
// normals, and texture area on every triangle when tangent frames are computed.
std::string CheckModelFile(const std::string& root, const std::string& rel, bool tangentFrames,
                           const std::string& textureFolder, MilkshapeModel* model);

// The 18 presets (tables generator), also used to paint each car's skin.
void BuildCarPresets(CarSetup out[kCarModels]);

}  // namespace basegen
