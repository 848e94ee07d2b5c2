// The camera-facing square of the wheel dust. Double precision: the dust lies hundreds
// of units from the origin and a float cross product of near-parallel vectors there
// shakes visibly.
#include <GL/gl.h>

#include <cmath>

#include "gfx/math3d.h"
#include "render/cars_pass.h"

void EmitBillboardQuad(float eyeX, float eyeY, float eyeZ, float x, float y, float z, float size) {
  const double eye[3] = {eyeX, eyeY, eyeZ};
  const double p[3] = {x, y, z};
  const double s = size;
  double toEye[3];
  Double3Difference(toEye, eye, p);
  double v[3] = {0.0, 0.0, 0.0};
  // A point at the eye has no facing: its square shrinks to the point instead of
  // sending non-numbers down the batch (which must still get its four corners).
  const double length = Double3Length(toEye[0], toEye[1], toEye[2]);
  if (length > 0.0 && std::isfinite(length)) Double3Normalize(v, toEye[0], toEye[1], toEye[2]);
  const double up[3] = {0.0, 1.0, 0.0};
  double a[3], b[3];
  Double3Cross(a, v, up);
  // Seen from straight above, a is zero and b with it: the square shrinks to its centre.
  Double3Cross(b, v, a);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3d(p[0] + s * a[0], p[1] + s * a[1], p[2] + s * a[2]);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3d(p[0] - s * b[0], p[1] - s * b[1], p[2] - s * b[2]);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3d(p[0] - s * a[0], p[1] - s * a[1], p[2] - s * a[2]);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3d(p[0] + s * b[0], p[1] + s * b[1], p[2] + s * b[2]);
}
