// SEAM: what the graphics foundation's start-up, projection, lights and shader constants
// need from the subsystems above it. gfx links below them and cannot name their records,
// so the shell points these at the owners' values before InitRenderer (a few lines in
// the entry function). Every entry may stay null: gfx then reads the start value given
// beside it, which is also what the graphics tests run with.
#pragma once

struct GraphicsLinks {
  // Race world: forgets the car model loaded in each of the four car slots, so the
  // first race loads every car's models.
  void (*resetLoadedCars)() = nullptr;
  // Race world: reads the drive-grip and lateral-grip tyre curves from a path.
  void (*loadFPoints)(const char* path) = nullptr;
  // Front end: the graphics page's pending anti-aliasing level, set at start-up to the
  // level in the settings.
  int* pendingAntiAliasing = nullptr;
  // Race update: the sun camera's position and the point it looks at, three floats
  // each; outside the race PlaceLights puts the sun camera over the origin. Null:
  // nothing to move.
  float* sunCameraPosition = nullptr;
  float* sunCameraPoint = nullptr;
  // Race render / garage: the render-side camera position, three floats, the
  // direction of light 1. Null reads as the origin.
  const float* renderCameraPosition = nullptr;

  // Values read where they are used (some owners keep them atomic, hence functions).
  // Front end: TargetScreen (0 is the race). Null reads as the intro, 100.
  int (*targetScreen)() = nullptr;
  // Front end: CurrentScreen (0 is the race). Null reads as the intro, 100.
  int (*currentScreen)() = nullptr;
  // Shell: SceneClock in seconds, for the Grass, Trees and Water constants. Null: 0.
  float (*sceneClock)() = nullptr;
  // Race render: the eased camera speed factor of the frame being drawn. Null: 0.
  float (*cameraSpeedFactor)() = nullptr;
  // Race render: the far plane the race passes set before SetPerspective. Null: 15000.
  float (*farDistance)() = nullptr;
  // Race render / garage: the garage zoom of the camera state. Null: 3.5.
  float (*garageZoom)() = nullptr;
};

extern GraphicsLinks GfxLinks;

// The linked values, or their start values when a link is null.
int LinkedTargetScreen();
int LinkedCurrentScreen();
float LinkedSceneClock();
float LinkedCameraSpeedFactor();
float LinkedFarDistance();
float LinkedGarageZoom();
