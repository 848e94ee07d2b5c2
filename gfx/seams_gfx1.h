// SEAM: what the renderer's start-up, projection and shader constants need from the
// subsystems above the graphics foundation. gfx links below them and cannot name their
// records, so the shell points these at the owners' values before InitRenderer (a
// few lines in the entry function). Every entry may stay null: the renderer then
// reads the start value given beside it, which is also what the graphics tests run
// with.
#pragma once

struct RendererLinks {
  // Race world: the car type loaded in each of the four car slots; start-up sets all
  // four to -1 so the first race loads every car's models.
  int* loadedCarType = nullptr;
  // Race world: reads the drive-grip and lateral-grip tyre curves from a path.
  void (*loadFPoints)(const char* path) = nullptr;
  // Front end: the graphics page's pending anti-aliasing level, set at start-up to the
  // level in the settings.
  int* pendingAntiAliasing = nullptr;

  // Values read where they are used (some owners keep them atomic, hence functions).
  // Front end: TargetScreen (0 is the race). Null reads as the intro, 100.
  int (*targetScreen)() = nullptr;
  // Shell: SceneClock in seconds, for the Grass, Trees and Water constants. Null: 0.
  float (*sceneClock)() = nullptr;
  // Race render: the eased camera speed factor of the frame being drawn. Null: 0.
  float (*cameraSpeedFactor)() = nullptr;
  // Race render: the far plane the race passes set before SetPerspective. Null: 15000.
  float (*farDistance)() = nullptr;
  // Race render / garage: the garage zoom of the camera state. Null: 3.5.
  float (*garageZoom)() = nullptr;
};

extern RendererLinks GfxLinks;

// The linked values, or their start values when a link is null.
int LinkedTargetScreen();
float LinkedSceneClock();
float LinkedCameraSpeedFactor();
float LinkedFarDistance();
float LinkedGarageZoom();
