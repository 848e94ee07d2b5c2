// The lit passes' view of the sun's shadow map: the camera's inverse view that maps
// their eye-space points back into the world, the texture matrix that carries them on
// into the map, and the map's clear.
//
// The shadow texture matrix on unit 1 is Bias x LightProjection x LightView x
// InverseCameraView, Bias halving x, y and z and moving them by 0.5 into the map's
// [0, 1] range. The programs feed it eye-space points (gl_TextureMatrix[1] * eye).
#pragma once

#include "gfx/math3d.h"

// The shadow map's unit and the noise volume's that jitters its taps.
constexpr int kShadowUnit = 1;
constexpr int kNoiseUnit = 2;

// The last captured camera view's inverse; identity until the first capture.
extern Matrix4 InverseCameraView;

// The inverse of a rigid transform (rotation and translation, no scale), column-major:
// the rotation transposed and the translation -(R^T p).
Matrix4 InvertRigidView(const Matrix4& view);

// Reads the current modelview matrix (the race camera's view) into InverseCameraView.
void CaptureViewMatrices();

// Empties the shadow map (depth 1 everywhere): every lookup then reads "lit". Leaves
// the default framebuffer bound, the modelview loaded with the identity and the
// viewport over the map.
void ClearShadowMap();
// The shadow framebuffer bound with its depth texture, no colour, depth cleared with
// writes on, the modelview identity and the viewport over the map. Expects the
// framebuffer to exist; leaves it bound.
void BindClearedShadowTarget();

// Unit 2: 3D noise (2D off, 3D on); unit 1: the shadow map (cube map off, 2D on) with
// the shadow texture matrix of this light; then unit 0 with 2D on and the modelview
// matrix mode current.
void ShadowSetUp(const Matrix4& lightProjection, const Matrix4& lightView);
// The shadow texture matrix above into the active unit's texture matrix, from the last
// captured view; leaves the modelview matrix mode current.
void LoadShadowTextureMatrix(const Matrix4& lightProjection, const Matrix4& lightView);
// Units 2 and 1 switched off (unit 1's texture matrix back to identity); unit 0 current
// with 2D on.
void ShadowTearDown();
