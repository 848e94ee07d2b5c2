// The race camera and the audio listener. The update mode runs in the worker's race
// update: it places the chase camera behind the player's lorry and the listener and
// every race sound at the cars that make them. It is the one render file that asks the
// physics engine anything. The apply mode runs on the main thread and only loads the
// view of the frame being drawn.
#pragma once

#include "physics/ne.h"
#include "render/camera_state.h"

// What the chase camera follows this update.
struct ChaseInputs {
  neVector3 position;    // the body's position
  neVector3 lengthAxis;  // the first column of the lorry's draw matrix
  float speed = 0.0f;
  float steer = 0.0f;    // the lorry's steering angle, radians
  bool finished = false;
  int camera = 0;        // 0-3
  int look = 0;          // 0 ahead, 1 back, 2 left, 3 right
  float ticks = 0.0f;    // FrameTicks of the update
};

// One update of the chase camera: heading, look, the eased chase direction (a frame
// over 10 ticks eases it as one of 10), eye and target from the camera's row, view
// direction, the roll into bends and the eased up vector.
void UpdateChaseCamera(const ChaseInputs& in, CameraStateRecord* camera);

// apply 0: the update (worker thread) for race car `car`; apply 1: the view of the
// frame being drawn (main thread) through gluLookAt, then the lights.
void PlaceCameraAndListener(int car, int apply);
