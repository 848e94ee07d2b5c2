// What the graphics foundation's start-up, projection, lights and shader constants read
// from the subsystems above it. gfx links below them and cannot name their records, so
// the shell points these at the owners' values before InitRenderer (LinkRendererToGame).
// The owners keep the start values; gfx keeps none. A null link reads as "nothing
// there" (below), never as a copy of an owner's value, and the game's start-up names
// every link it left null (ReportUnsetGraphicsLinks). The graphics tests that run gfx
// alone set what they read.
#pragma once

#include <cstdio>

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
  // Front end: TargetScreen (0 is the race). Null reads as no screen, -1.
  int (*targetScreen)() = nullptr;
  // Front end: CurrentScreen (0 is the race). Null reads as no screen, -1.
  int (*currentScreen)() = nullptr;
  // Shell: SceneClock in seconds, for the Grass, Trees and Water constants. Null: 0.
  float (*sceneClock)() = nullptr;
  // Race render: the eased camera speed factor of the frame being drawn. Null: 0.
  float (*cameraSpeedFactor)() = nullptr;
  // Race render: the far plane the race passes set before SetPerspective. Null: 0.
  float (*farDistance)() = nullptr;
  // Race render / garage: the garage zoom of the camera state. Null: 0.
  float (*garageZoom)() = nullptr;
};

extern GraphicsLinks GfxLinks;

// The linked values, or the null readings above when a link is unset.
int LinkedTargetScreen();
int LinkedCurrentScreen();
float LinkedSceneClock();
float LinkedCameraSpeedFactor();
float LinkedFarDistance();
float LinkedGarageZoom();

// Writes one line to `out` naming each link still null, and returns how many there are.
int ReportUnsetGraphicsLinks(std::FILE* out);
