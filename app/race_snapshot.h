// What one race update hands to the race render. It exists three times: the update's
// working copy, the copy it publishes when done, and the main thread's render copy,
// so the next update never writes what the current frame draws from.
#pragma once

#include <cstdint>

#include "gfx/math3d.h"
#include "render/camera_state.h"

constexpr int kMaxVisibleLeaves = 1024;
constexpr int kSliceCount = 6;

struct LeafList {
  int count = 0;
  int leaf[kMaxVisibleLeaves];
  // The main list only: each leaf's squared horizontal distance from the camera that
  // drew up the list, the passes' cut-off against the view distance. It travels with
  // the list rather than in the shared leaf record, which the next update would
  // rewrite while this frame is still being drawn.
  float distanceSq[kMaxVisibleLeaves];
};

struct RaceFrameResults {
  LeafList mainLeaves;
  LeafList sunLeaves;
  LeafList sliceLeaves[kSliceCount];
  Matrix4 sunProjection;  // the shadow texture matrices
  Matrix4 sunView;
  CameraStateRecord camera;
  float bonusHeadTime = 0.0f;
  int bonusHeadKind = 0;
  Matrix4 cityCarMatrices[4];  // the race cars' matrices travel in their rows (race/car.h)
  int levelOfDetail[4] = {-1, -1, -1, -1};  // -1 hidden, 2, 1, 0 (nearest)
  float ticks = 0.0f;
  float fps = 0.0f;  // the update's frame rate, for the FPS text of the frame drawn
  uint32_t updateNumber = 0;  // counts updates: each drawn frame shows the next one
};

extern RaceFrameResults WorkingResults;    // written by the race update
extern RaceFrameResults PublishedResults;  // complete after each update
extern RaceFrameResults RenderSnapshot;    // what the main thread draws this frame

// The point sound's gain ramp and the eased speed factor, kept between updates.
struct RaceUpdateClocks {
  float pointGainLevel = -1.5f;
  int sliceCursor = 0;
};
extern RaceUpdateClocks RaceClocks;
