// Where the race camera is: written by PlaceCameraAndListener, eased by the race
// update, read by the culls, the projection and the garage.
#pragma once

#include "gfx/math3d.h"

struct CameraStateRecord {
  Vector3 eye;
  Vector3 target;
  Vector3 up{0.0f, 1.0f, 0.0f};     // eased toward rawUp: the view's up
  Vector3 rawUp{0.0f, 1.0f, 0.0f};  // the up the camera wants, rolled into bends
  Vector3 viewDirection{1.0f, 0.0f, 0.0f};  // unit, eye to target
  Vector3 fourth;             // the race code's fourth camera vector (overview camera aim)
  float speedFactor = 0.0f;   // 0..1, widens the field of view with the player's speed
  float secondFactor = 0.0f;  // a second camera float the race render takes along
  // The chase camera's wanted and eased headings (x, z); the start grid sets both.
  float chaseHeading[2] = {1.0f, 0.0f};
  float chaseDirection[2] = {1.0f, 0.0f};
  int flyoverVariant = 0;  // the start flyover's path, drawn at each race load
  // The driver's choices the update placed the camera by: camera 0-3 and the look
  // (0 ahead, 1 back, 2 left, 3 right).
  int cameraSelection = 0;
  int lookSelection = 0;
};

// The four chase cameras: distance behind the car (less half a unit at full speed
// factor), eye height above it, and the target's height; camera 0 aims at a point
// five units ahead along a fixed turn of the heading.
struct ChaseCamera {
  float back;
  float eyeHeight;
  float targetHeight;
};
extern const ChaseCamera kChaseCameras[4];

// The loader's working copy (written by the race update) ...
extern CameraStateRecord CameraState;
// ... and the copy the main thread draws the frame with.
extern CameraStateRecord RenderCamera;

// Far plane of SetPerspective while the race screen is the target: the sky pass sets it
// far out, the world passes to the view distance.
extern float FarDistance;
