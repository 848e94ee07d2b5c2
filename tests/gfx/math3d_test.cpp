// The game's vector and matrix helpers against values worked out by hand.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "gfx/math3d.h"

namespace {

constexpr float kEps = 1e-6f;

neVector3 Ne(float x, float y, float z, float w = 0.0f) { return neVector3{x, y, z, w}; }

TEST(Vector3, BasicsAndNoZeroGuard) {
  Vector3 v;
  EXPECT_EQ(v.x, 0.0f);
  EXPECT_EQ(v.y, 0.0f);
  EXPECT_EQ(v.z, 0.0f);
  v.Set(3, 4, 12);
  EXPECT_FLOAT_EQ(v.Length(), 13.0f);
  v.Normalize();
  EXPECT_NEAR(v.x, 3.0f / 13, kEps);
  EXPECT_NEAR(v.z, 12.0f / 13, kEps);
  const Vector3 d = Vector3(1, 2, 3).Difference(Vector3(4, 6, 8));
  EXPECT_EQ(d.x, -3.0f);
  EXPECT_EQ(d.y, -4.0f);
  EXPECT_EQ(d.z, -5.0f);
  const Vector3 n = d.Negated();
  EXPECT_EQ(n.x, 3.0f);
  Vector3 a;
  a.Assign(n);
  EXPECT_EQ(a.z, 5.0f);
  EXPECT_EQ(a.Clear().y, 0.0f);

  EXPECT_FLOAT_EQ(Dot3(Vector3(1, 2, 3), Vector3(4, -5, 6)), 12.0f);
  const Vector3 c = Cross3(Vector3(1, 0, 0), Vector3(0, 1, 0));
  EXPECT_EQ(c.x, 0.0f);
  EXPECT_EQ(c.y, 0.0f);
  EXPECT_EQ(c.z, 1.0f);
  const Vector3 c2 = Cross3(Vector3(2, 3, 4), Vector3(5, 6, 7));
  EXPECT_EQ(c2.x, -3.0f);
  EXPECT_EQ(c2.y, 6.0f);
  EXPECT_EQ(c2.z, -3.0f);

  // No zero test: the zero vector normalises to non-numbers.
  Vector3 zero;
  zero.Normalize();
  EXPECT_TRUE(std::isnan(zero.x));
}

TEST(Matrix4, IdentityRowsAndTranslation) {
  Matrix4 m;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;

  m.SetRows(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(m[4 * (k % 4) + k / 4], static_cast<float>(k)) << k;

  m.SetTranslation(Vector3(1, 2, 3));
  EXPECT_EQ(m[12], 1.0f);
  EXPECT_EQ(m[13], 2.0f);
  EXPECT_EQ(m[14], 3.0f);
  const Vector3 p = m.TransformPoint(10, 20, 30);
  EXPECT_EQ(p.x, 11.0f);
  EXPECT_EQ(p.y, 22.0f);
  EXPECT_EQ(p.z, 33.0f);

  // TransformPoint never divides by w.
  m.SetRows(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 4);
  const Vector3 q = m.TransformPoint(1, 1, 1);
  EXPECT_EQ(q.x, 2.0f);
}

TEST(Matrix4, RotationsTurnCounterClockwise) {
  Matrix4 m;
  m.SetRotationZ(90);
  Vector3 p = m.TransformPoint(1, 0, 0);
  EXPECT_NEAR(p.x, 0.0f, kEps);
  EXPECT_NEAR(p.y, 1.0f, kEps);
  EXPECT_NEAR(p.z, 0.0f, kEps);

  m.SetRotationX(90);
  p = m.TransformPoint(0, 1, 0);
  EXPECT_NEAR(p.y, 0.0f, kEps);
  EXPECT_NEAR(p.z, 1.0f, kEps);

  m.SetRotationY(90);
  p = m.TransformPoint(0, 0, 1);
  EXPECT_NEAR(p.x, 1.0f, kEps);
  EXPECT_NEAR(p.z, 0.0f, kEps);

  // Exact element placement for a non-trivial angle (30 degrees).
  m.SetRotationX(30);
  EXPECT_FLOAT_EQ(m[5], std::cos(30 * 0.017453292f));
  EXPECT_FLOAT_EQ(m[6], std::sin(30 * 0.017453292f));
  EXPECT_FLOAT_EQ(m[9], -m[6]);
  EXPECT_EQ(m[0], 1.0f);
  EXPECT_EQ(m[15], 1.0f);
}

TEST(Matrix4, AxisRotationNormalisesTheCallersAxis) {
  Matrix4 z;
  z.SetRotationZ(90);
  Vector3 axis(0, 0, 2);
  Matrix4 a;
  a.SetAxisRotation(90, axis);
  EXPECT_EQ(axis.x, 0.0f);
  EXPECT_EQ(axis.y, 0.0f);
  EXPECT_EQ(axis.z, 1.0f);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], z[i], kEps) << i;

  // Each single-axis rotation is the axis rotation about that axis, element for element.
  for (float degrees : {30.0f, -75.0f, 200.0f}) {
    Matrix4 byAxis, single;
    Vector3 x(1, 0, 0), y(0, 1, 0), zAxis(0, 0, 1);
    byAxis.SetAxisRotation(degrees, x);
    single.SetRotationX(degrees);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(single[i], byAxis[i], kEps) << "x " << degrees << " " << i;
    byAxis.SetAxisRotation(degrees, y);
    single.SetRotationY(degrees);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(single[i], byAxis[i], kEps) << "y " << degrees << " " << i;
    byAxis.SetAxisRotation(degrees, zAxis);
    single.SetRotationZ(degrees);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(single[i], byAxis[i], kEps) << "z " << degrees << " " << i;
  }

  // A third of a turn about (1, 1, 1) cycles the axes: x -> y -> z.
  Vector3 diag(1, 1, 1);
  a.SetAxisRotation(120, diag);
  const Vector3 p = a.TransformPoint(1, 0, 0);
  EXPECT_NEAR(p.x, 0.0f, 1e-5f);
  EXPECT_NEAR(p.y, 1.0f, 1e-5f);
  EXPECT_NEAR(p.z, 0.0f, 1e-5f);
}

TEST(Matrix4, ViewMatrix) {
  Matrix4 m;
  m.SetView(Vector3(0, 0, 5), Vector3(0, 0, 0), Vector3(0, 1, 0));
  const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], kEps) << i;

  // A general camera: the eye goes to the origin, the target onto the -Z axis.
  const Vector3 eye(3, 4, -2), target(-1, 2, 6);
  m.SetView(eye, target, Vector3(0, 1, 0));
  const Vector3 e = m.TransformPoint(eye.x, eye.y, eye.z);
  EXPECT_NEAR(e.x, 0.0f, 1e-5f);
  EXPECT_NEAR(e.y, 0.0f, 1e-5f);
  EXPECT_NEAR(e.z, 0.0f, 1e-5f);
  const Vector3 t = m.TransformPoint(target.x, target.y, target.z);
  const float dist = eye.Difference(target).Length();
  EXPECT_NEAR(t.x, 0.0f, 1e-5f);
  EXPECT_NEAR(t.y, 0.0f, 1e-5f);
  EXPECT_NEAR(t.z, -dist, 1e-4f);
  EXPECT_EQ(m[3], 0.0f);
  EXPECT_EQ(m[15], 1.0f);
}

TEST(Matrix4, ProjectionMatrix) {
  Matrix4 m;
  m.SetProjection(90, 1, 1, 3);
  EXPECT_NEAR(m[0], 1.0f, 1e-6f);
  EXPECT_NEAR(m[5], 1.0f, 1e-6f);
  EXPECT_EQ(m[10], -2.0f);
  EXPECT_EQ(m[11], -1.0f);
  EXPECT_EQ(m[14], -3.0f);
  EXPECT_EQ(m[15], 0.0f);
  for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13}) EXPECT_EQ(m[i], 0.0f) << i;

  // The aspect divides only the x scale: 60 degrees, 2:1.
  m.SetProjection(60, 2, 0.1f, 100);
  const float k = 1.0f / std::tan(30.0f * 3.1415927f / 180.0f);
  EXPECT_NEAR(m[5], k, 1e-5f);
  EXPECT_NEAR(m[0], k / 2, 1e-5f);
}

TEST(DoubleHelpers, LengthNormalizeCrossDifference) {
  EXPECT_DOUBLE_EQ(Double3Length(2, 3, 6), 7.0);
  double out[3];
  EXPECT_EQ(Double3Normalize(out, 0, 3, 4), out);
  EXPECT_DOUBLE_EQ(out[1], 0.6);
  EXPECT_DOUBLE_EQ(out[2], 0.8);
  const double a[3] = {2, 3, 4}, b[3] = {5, 6, 7};
  EXPECT_EQ(Double3Cross(out, a, b), out);
  EXPECT_DOUBLE_EQ(out[0], -3.0);
  EXPECT_DOUBLE_EQ(out[1], 6.0);
  EXPECT_DOUBLE_EQ(out[2], -3.0);
  // The output may alias an input.
  double c[3] = {1, 0, 0};
  const double y[3] = {0, 1, 0};
  Double3Cross(c, c, y);
  EXPECT_DOUBLE_EQ(c[2], 1.0);
  Double3Difference(out, b, a);
  EXPECT_DOUBLE_EQ(out[0], 3.0);
  EXPECT_DOUBLE_EQ(out[2], 3.0);
}

TEST(ScalarHelpers, TruncationAndSign) {
  EXPECT_EQ(FloatToInt(-2.7f), -2);
  EXPECT_EQ(FloatToInt(2.7f), 2);
  EXPECT_EQ(FloatToInt(-2147483648.0f), INT_MIN);
  EXPECT_EQ(FloatToInt(2147483520.0f), 2147483520);
  EXPECT_EQ(FloatToInt(2147483648.0f), INT_MIN);
  EXPECT_EQ(FloatToInt(-3e9f), INT_MIN);
  EXPECT_EQ(FloatToInt(std::nanf("")), INT_MIN);
  EXPECT_EQ(FloatToInt(INFINITY), INT_MIN);
  EXPECT_EQ(AbsFloat(-3.5f), 3.5f);
  // The test is strictly below zero, so negative zero stays negative.
  EXPECT_TRUE(std::signbit(AbsFloat(-0.0f)));
}

TEST(EngineVectorHelpers, LengthsAndNormalisation) {
  // No engine threshold: a tiny vector keeps its length.
  EXPECT_FLOAT_EQ(VectorLength(Ne(0.0005f, 0, 0)), 0.0005f);
  EXPECT_FLOAT_EQ(VectorDistance(Ne(1, 2, 3), Ne(4, 6, 3)), 5.0f);
  const neVector3 n = VectorNormalized(Ne(0, 0, 4, 7.0f));
  EXPECT_EQ(n.z, 1.0f);
  EXPECT_EQ(n.w, 7.0f);
  EXPECT_TRUE(std::isnan(VectorNormalized(Ne(0, 0, 0)).x));
  const neVector3 c = VectorCross(Ne(0, 1, 0), Ne(0, 0, 1));
  EXPECT_EQ(c.x, 1.0f);
  EXPECT_EQ(c.y, 0.0f);
}

TEST(EngineVectorHelpers, SignedAngleXZ) {
  const float halfPi = 1.5707964f;
  EXPECT_NEAR(SignedAngleXZ(Ne(1, 0, 0), Ne(0, 0, -1)), halfPi, 1e-6f);
  EXPECT_NEAR(SignedAngleXZ(Ne(1, 0, 0), Ne(0, 0, 1)), -halfPi, 1e-6f);
  // Lengths do not matter.
  EXPECT_NEAR(SignedAngleXZ(Ne(5, 0, 0), Ne(0, 3, -0.2f)), halfPi, 1e-5f);

  // Just either side of the -X axis: the raw difference of about 6.263 wraps.
  const float across = SignedAngleXZ(Ne(-1, 0, 0.01f), Ne(-1, 0, -0.01f));
  EXPECT_NEAR(across, -0.02f, 1e-4f);
  const float back = SignedAngleXZ(Ne(-1, 0, -0.01f), Ne(-1, 0, 0.01f));
  EXPECT_NEAR(back, 0.02f, 1e-4f);

  // A zero direction gives a non-number; the checked form gives exactly 0.
  EXPECT_TRUE(std::isnan(SignedAngleXZ(Ne(0, 0, 0), Ne(1, 0, 0))));
  EXPECT_EQ(SignedAngleXZChecked(Ne(0, 0, 0), Ne(1, 0, 0)), 0.0f);

  EXPECT_NEAR(SignedAngleXZChecked(Ne(2, 0, 0), Ne(0, 0, -3)), halfPi, 1e-6f);
  EXPECT_NEAR(SignedAngleXZChecked(Ne(-1, 0, 0.01f), Ne(-1, 0, -0.01f)), -0.02f, 1e-4f);
  EXPECT_NEAR(SignedAngleXZChecked(Ne(-1, 0, -0.01f), Ne(-1, 0, 0.01f)), 0.02f, 1e-4f);
}

}  // namespace
