// The grass of the visible leaves: vegetation kinds 0-7, four corners per instance at
// its root, spread into camera-facing quads and bent by the wind in the Grass program.
// Each kind has its own atlas column and height and its own wind: four kinds follow a
// gusting phase, the other four the scene clock.
#pragma once

#include "render/wind.h"

// The gusting phases (radians, 0..2 pi), kept across frames and races; they advance only
// while the grass is drawn.
extern float GrassWindPhase1;
extern float GrassWindPhase2;
extern float GrassWindPhase3;
extern float GrassWindPhase4;

constexpr int kGrassKindCount = 8;

// Where each kind's top corners lean this frame (y is always 0).
struct GrassSway {
  float x[kGrassKindCount];
  float z[kGrassKindCount];
};

// Advances the four phases by a frame of `ticks` (in the order 1, 2, 3, 4) and gives the
// kinds' sway at scene clock `clock` seconds. Kinds 0, 2, 3 and 7 follow the phases, so
// a frame of no ticks holds them; kinds 1, 4, 5 and 6 follow the clock.
GrassSway AdvanceGrassWind(float ticks, float clock);

// The race's grass pass ("grass"): expects the race camera loaded and the frame's
// RenderTicks and SceneClock set. Leaves unit 0 current with 2D on, units 1 off,
// program 0, culling on, the alpha test and alpha-to-coverage off.
void DrawGrass();
