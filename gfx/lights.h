// The scene's two fixed-function lights and the sun's place in the sky.
#pragma once

#include "gfx/math3d.h"

// Where the sun stands for the glare (only x and z are read there).
extern Vector3 SunPosition;

// Light 0 at the sun (positional), light 1 along the camera position (directional),
// both through the modelview matrix current at the call; sets SunPosition, and outside
// the race the sun camera too (through GfxLinks).
void PlaceLights();
