// The scene's two fixed-function lights and the sun's place in the sky.
#pragma once

#include "gfx/math3d.h"

// Where the sun stands for the glare (only x and z are read there).
extern Vector3 SunPosition;

// SEAM: what PlaceLights reads and writes of the subsystems above the graphics
// foundation, which gfx links below and cannot name. The shell points these at the
// owners' records; every entry may stay null (the tests run that way).
struct LightLinks {
  // Front end: CurrentScreen (0 is the race). Null reads as the intro, 100.
  int (*currentScreen)() = nullptr;
  // Race update: the sun camera's position and the point it looks at, three floats
  // each; outside the race PlaceLights puts the sun camera over the origin. Null:
  // nothing to move.
  float* sunCameraPosition = nullptr;
  float* sunCameraPoint = nullptr;
  // Race render / garage: the render-side camera position, three floats, the
  // direction of light 1. Null reads as the origin.
  const float* renderCameraPosition = nullptr;
};

extern LightLinks GfxLightLinks;

// Light 0 at the sun (positional), light 1 along the camera position (directional),
// both through the modelview matrix current at the call; sets SunPosition, and outside
// the race the sun camera too.
void PlaceLights();
