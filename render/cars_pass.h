// The cars and objects passes of the race frame: the four lorries assembled from their
// body, axle beams, hubs and wheels; the roadside objects; the exhaust smoke, the
// beacon flares and the wheel trails. Main thread only: everything is drawn from the
// render rows of the frame (race/car.h, race/city_objects.h) and load-time records,
// never from a body of the simulator.
#pragma once

#include "gfx/math3d.h"

class MilkshapeModel;

// The main race pass calls DrawCars three times a frame: 0 into the opaque layer (the
// roadside objects and the lorries), 1 into the near-detail layer (glass and tyre
// marks), 2 after the foliage (exhaust smoke and beacon flares). Expects the camera's
// modelview current and the frame's shadow map rendered.
void DrawCars(int pass);
// The wheel dust; sets and restores its own state.
void DrawDust();
// Whether any wheel-dust particle lives: without one the dust layer would blur and
// compose an empty texture.
bool AnyWheelDustActive();

// The visible roadside objects with the Objects program current (DrawCars(0)).
void DrawObjects();
// Each body part of roadside object `object` (an index below the frame's drawable
// objects) at its pose in the frame's published rows, drawn by `draw`: the objects
// pass draws them plain, the shadow casters textured for their cut-outs.
void DrawObjectParts(int object, void (MilkshapeModel::*draw)());
// The near lorries as bare geometry into the sun's shadow map, with the light's
// projection and view current (RenderShadowMap).
void DrawCarShadowCasters();
// Advances and draws the four exhaust-smoke emitters (DrawCars(2)).
void DrawExhaustSmoke();
// All tyre-mark rings inside one quad batch; the caller sets program, textures and
// blending (DrawCars(1)).
void DrawSkidMarks();
// One camera-facing square of half diagonal `size` around (x, y, z), seen from the eye:
// four texture-coordinate/vertex pairs inside the caller's quad batch, nothing else.
void EmitBillboardQuad(float eyeX, float eyeY, float eyeZ, float x, float y, float z, float size);

// The units the lit lorry passes share: unit 4 the 3D noise, unit 3 the shadow map with
// the shadow texture matrix of this light, unit 2 the table texture `baseTexture` (2D
// off: the program samples it), unit 1 the environment cube map, then unit 0 with 2D
// on. End switches units 4 to 1 off again.
void BeginCarShadowState(const Matrix4& lightProjection, const Matrix4& lightView, int baseTexture);
void EndCarShadowState();
// One beacon flare: a square in the frame's x-z plane turned by BeaconAngle, on the
// texture, colour and blending the caller set.
void DrawBeacon(const Matrix4& frame);

// The common turn of every beacon flare in degrees; grows without wrapping.
extern float BeaconAngle;
// The level of detail of the lorry being drawn; the garage scene shares it.
extern int CurrentCarLod;
