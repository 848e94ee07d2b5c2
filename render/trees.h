// The trees of the visible leaves: vegetation kinds 8-15 as camera-facing billboards in
// two batches that sway on two wind phases. Every tree is four corners at its foot; the
// Trees program spreads them along the batch's Right and Up.
#pragma once

#include "gfx/math3d.h"
#include "render/wind.h"

// The two batches' phases (radians, 0..2 pi), kept across frames and races.
extern float TreeWind1;
extern float TreeWind2;

// One frame of a tree phase: its step grows and shrinks with the phase itself.
float StepTreeWind(float phase, float ticks);

// A batch's spread: Right (across, 2.9 long) and Up (2.9 long), from the camera's view
// laid flat, Up tilted about x and then z by the view's flat x and z times `lean`.
struct TreeBatchVectors {
  Vector3 right;
  Vector3 up;
};
TreeBatchVectors TreeBatch(const Vector3& viewDirection, float lean);

// The race's tree pass ("trees"): expects the race camera loaded and the frame's
// RenderTicks set. Leaves program 0, culling on, the alpha test and alpha-to-coverage
// off, unit 0 current.
void DrawTrees();
