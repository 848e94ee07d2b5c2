// The garage behind the menus: the lorry of car slot 0 standing at the origin inside
// the garage models, lit, shadowed and reflecting the garage's cube map, its lamps
// blinking and its beacons turning, seen from a camera the player orbits and zooms with
// the mouse and that sways slowly by itself. Main thread only.
#pragma once

#include "gfx/math3d.h"

class Model;

// The camera's own values, kept for the whole program: the garage keeps its
// orientation between screens, and the drag momentum keeps it turning after release.
extern float GarageZoom;        // distance added to the eye's 11.5, within [-0.5, 2.1]
extern float GaragePitch;       // degrees, within [-6, 14]
// GarageYaw (frontend/screens.h, degrees within [-180, 0]) is the item bar's turn too.
extern float GaragePitchSpeed;  // drag momentum, within [-1, 1]
extern float GarageYawSpeed;
extern float GarageIdlePhase;   // radians of the slow sway, kept within 0..2 pi
extern float GarageLampPhase;   // the lamps' blink clock

// What the orbit leaves for the scene and the projection.
struct GarageViewState {
  float pitch = 0.0f;         // degrees
  float yaw = 0.0f;           // degrees, the sway included
  float nearDistance = 0.0f;  // the menu projection's near plane is 1 + 0.9 x this
  // Window pixels of the cursor at the last orbit.
  int lastMouseX = 0;
  int lastMouseY = 0;
};
extern GarageViewState GarageView;

// Turns the mouse into the camera's angles and distance: either button held drags the
// camera round (with momentum), the left button zooms in and the right out while the
// pointer is over no widget and the screen is settled. Sets the camera-free flag again
// for the widgets of this frame to clear.
void GarageCameraOrbit();

// The camera's eye for GarageView's angles and GarageZoom: (0, 2.25, -11.5 - zoom)
// turned about x by the pitch, then about y by the yaw.
Vector3 GarageEye();
// The point the camera looks at from `eye`: the unit vector of (-eye.x, 2.25, -eye.z).
Vector3 GarageViewPoint(const Vector3& eye);

// The blink levels of the lorry's three lamp groups at a lamp phase p: sin(p),
// sin(0.72 p) and sin(0.87 p), each times 10 and clamped to 0..1, so each lamp is lit
// for most of its half period and dark for the other half.
void GarageLampLevels(float phase, float levels[3]);

// A rectangle of window pixels, from its lower left corner; empty when its width or
// height is 0.
struct WindowBox {
  int x = 0, y = 0, width = 0, height = 0;
};

// The window pixels a model drawn at the current modelview and projection can cover
// in a width x height viewport: its bounding box's corners projected, with a margin of
// two pixels, within the window. The whole window when a corner lies behind the eye,
// where the projection bounds nothing; empty for a model without vertices or wholly
// outside the window.
WindowBox ModelWindowBox(const Model* model, int width, int height);

// Draws the garage into the frame texture and its two-step blur into the small post
// textures (the screen machine's backdrop and glow). Leaves the framebuffer that was
// bound on entry bound again, cleared, with the menu projection over the screen, unit 0
// current with 2D on and no program.
void DrawGarageScene();
