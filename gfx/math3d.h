// The game's own small math layer: a float 3-vector, a column-major 4x4 matrix with the
// camera, projection and rotation builders, and double-precision helpers for the
// camera-facing quads. Everything is a pure value computation; degenerate input gives
// whatever the arithmetic gives (normalising a zero vector yields non-numbers).
#pragma once

#include "physics/ne.h"

struct Vector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  Vector3() = default;
  Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

  Vector3& Clear();
  Vector3& Set(float x_, float y_, float z_);
  void Assign(const Vector3& other);
  float Length() const;
  // Divides by the length with no zero test.
  Vector3& Normalize();
  Vector3 Difference(const Vector3& other) const;  // this - other
  Vector3 Negated() const;
};

float Dot3(const Vector3& a, const Vector3& b);
Vector3 Cross3(const Vector3& a, const Vector3& b);

// 64 bytes: element (row r, column c) is m[4c + r], so the array goes to GL as is.
// Translation sits in m[12..14]; points are column vectors multiplied from the right.
struct Matrix4 {
  float m[16];

  Matrix4() { SetIdentity(); }

  void SetIdentity();
  // Sixteen values given row by row; argument k lands at m[4 (k mod 4) + k / 4].
  void SetRows(float r0c0, float r0c1, float r0c2, float r0c3,
               float r1c0, float r1c1, float r1c2, float r1c3,
               float r2c0, float r2c1, float r2c2, float r2c3,
               float r3c0, float r3c1, float r3c2, float r3c3);
  void SetTranslation(const Vector3& t);
  // Angles in degrees; positive turns counter-clockwise looking down the axis.
  void SetRotationX(float degrees);
  void SetRotationY(float degrees);
  void SetRotationZ(float degrees);
  // Normalises the caller's axis in place before building the rotation.
  void SetAxisRotation(float degrees, Vector3& axis);
  // Right-handed view: the camera looks down its -Z, which points from target to eye.
  void SetView(Vector3 eye, Vector3 target, Vector3 up);
  void SetProjection(float fovyDegrees, float aspect, float zNear, float zFar);
  // First three rows of M (x, y, z, 1); no division by w.
  Vector3 TransformPoint(float x, float y, float z) const;

  float& operator[](int i) { return m[i]; }
  float operator[](int i) const { return m[i]; }
};

// combined = a x b, both column-major.
Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b);
// The turn of cube face k (0-5, +X -X +Y -Y +Z -Z) before the view: a matrix that
// GL's cube-face convention turns into the face's direction when applied ahead of the
// view.
Matrix4 CubeFaceRotation(int face);

// Double triples of the billboard code; each writes to and returns `out`.
double Double3Length(double x, double y, double z);
double* Double3Normalize(double* out, double x, double y, double z);
double* Double3Cross(double* out, const double* a, const double* b);
double* Double3Difference(double* out, const double* a, const double* b);

float AbsFloat(float f);
// Truncates toward zero, as every float-to-int conversion of the game does; NaN and
// values outside int give INT_MIN.
int FloatToInt(float f);

// Helpers over the engine's vector for the car, AI, camera and menu code. They read
// and write x, y, z only unless noted.
neVector3 VectorCross(neVector3 a, neVector3 b);  // the fourth float is left undefined
float VectorLength(neVector3 v);                  // plain square root, no threshold
neVector3 VectorNormalized(neVector3 v);          // no zero test; fourth float copied
float VectorDistance(neVector3 a, neVector3 b);
// Signed angle in radians in the XZ plane from direction a to b, in (-pi, pi]. Each
// direction's angle is measured from +X towards -Z. Both are first normalised the
// engine's way (a tiny vector becomes zero, which gives a non-number here).
float SignedAngleXZ(neVector3 a, neVector3 b);
// The same in double precision on the raw directions; 0 when the result is not a number.
float SignedAngleXZChecked(neVector3 a, neVector3 b);
