// Engine math: conventions the game relies on and the edge cases of the
// quaternion, matrix and transform operations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "physics/ne.h"

namespace {

constexpr float kPi = 3.14159265358979f;

void ExpectMatrixNear(const neMatrix3x3& a, const neMatrix3x3& b, float tol) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(a.At(r, c), b.At(r, c), tol) << r << "," << c;
}

neMatrix3x3 Identity() {
  neMatrix3x3 m;
  m.SetIdentity();
  return m;
}

TEST(CoreMath, VectorLengthAndNormaliseTreatTinyAsZero) {
  neVector3 v = neV3(0.0005f, 0.0f, 0.0f);
  EXPECT_EQ(v.Length(), 0.0f);
  v.Normalize();
  EXPECT_EQ(v.x, 0.0f);
  EXPECT_EQ(v.y, 0.0f);
  EXPECT_EQ(v.z, 0.0f);

  neVector3 u = neV3(3.0f, 0.0f, 4.0f);
  EXPECT_FLOAT_EQ(u.Length(), 5.0f);
  u.Normalize();
  EXPECT_FLOAT_EQ(u.x, 0.6f);
  EXPECT_FLOAT_EQ(u.z, 0.8f);
}

TEST(CoreMath, FourthFloatRules) {
  neVector3 a{1.0f, 2.0f, 3.0f, 7.0f};
  a.Set(4.0f, 5.0f, 6.0f);
  EXPECT_EQ(a.w, 7.0f);
  a.AddInPlace(neV3(1.0f, 1.0f, 1.0f));
  a.ScaleInPlace(2.0f);
  EXPECT_EQ(a.w, 7.0f);
  const neVector3 b{0.0f, 1.0f, 0.0f, 9.0f};
  const neVector3 c = a.Cross(b);
  EXPECT_EQ(c.w, 0.0f);
  neVector3 d{0, 0, 0, 0};
  d.Assign(a);
  EXPECT_EQ(d.w, 7.0f);
  // x cross y = z
  const neVector3 z = neV3(1, 0, 0).Cross(neV3(0, 1, 0));
  EXPECT_EQ(z.x, 0.0f);
  EXPECT_EQ(z.y, 0.0f);
  EXPECT_EQ(z.z, 1.0f);
}

TEST(CoreMath, MinMaxTakeSecondOnEquality) {
  // +0 and -0 compare equal; the second argument's sign shows which was taken.
  EXPECT_TRUE(std::signbit(neMax(0.0f, -0.0f)));
  EXPECT_FALSE(std::signbit(neMin(-0.0f, 0.0f)));
  neVector3 m;
  m.SetMin(neV3(1.0f, 0.0f, 5.0f), neV3(2.0f, -0.0f, 4.0f));
  EXPECT_EQ(m.x, 1.0f);
  EXPECT_TRUE(std::signbit(m.y));
  EXPECT_EQ(m.z, 4.0f);
}

TEST(CoreMath, RotationsAboutAxes) {
  neVector3 v = neV3(0.0f, 1.0f, 0.0f);
  v.RotateX(kPi / 2);
  EXPECT_NEAR(v.y, 0.0f, 1e-6f);
  EXPECT_NEAR(v.z, 1.0f, 1e-6f);
  v = neV3(1.0f, 0.0f, 0.0f);
  v.RotateZ(kPi / 2);
  EXPECT_NEAR(v.x, 0.0f, 1e-6f);
  EXPECT_NEAR(v.y, 1.0f, 1e-6f);
  v = neV3(0.0f, 0.0f, 1.0f);
  v.RotateY(kPi / 2);
  EXPECT_NEAR(v.x, 1.0f, 1e-6f);
  EXPECT_NEAR(v.z, 0.0f, 1e-6f);
}

TEST(CoreMath, SetRotationXYZMatchesSingleAxes) {
  const float a = 0.7f;
  neMatrix3x3 m;
  m.SetRotationXYZ(a, 0.0f, 0.0f);
  neMatrix3x3 rx;
  rx.col[0] = neV3(1, 0, 0);
  rx.col[1] = neV3(0, std::cos(a), std::sin(a));
  rx.col[2] = neV3(0, -std::sin(a), std::cos(a));
  ExpectMatrixNear(m, rx, 1e-6f);

  m.SetRotationXYZ(0.0f, 0.0f, a);
  neMatrix3x3 rz;
  rz.col[0] = neV3(std::cos(a), std::sin(a), 0);
  rz.col[1] = neV3(-std::sin(a), std::cos(a), 0);
  rz.col[2] = neV3(0, 0, 1);
  ExpectMatrixNear(m, rz, 1e-6f);

  // Combined order: Rz Ry Rx applied to a vector rotates about x first.
  m.SetRotationXYZ(0.3f, -0.4f, 1.1f);
  neVector3 v = neV3(0.2f, 0.5f, -0.9f);
  neVector3 expect = v;
  expect.RotateX(0.3f);
  expect.RotateY(-0.4f);
  expect.RotateZ(1.1f);
  const neVector3 got = m.MultiplyVector(v);
  EXPECT_NEAR(got.x, expect.x, 1e-5f);
  EXPECT_NEAR(got.y, expect.y, 1e-5f);
  EXPECT_NEAR(got.z, expect.z, 1e-5f);
}

TEST(CoreMath, MatrixProductTransposeAndInverse) {
  neMatrix3x3 a;
  a.SetRotationXYZ(0.5f, 1.0f, -0.3f);
  a.col[0].ScaleInPlace(2.0f);  // not a pure rotation
  neMatrix3x3 inv;
  ASSERT_TRUE(inv.SetInverse(a));
  ExpectMatrixNear(a.Multiply(inv), Identity(), 1e-5f);
  const neMatrix3x3 p = a.Multiply(inv);
  EXPECT_EQ(p.col[0].w, 0.0f);
  EXPECT_EQ(p.col[2].w, 0.0f);

  neMatrix3x3 t = a;
  t.Transpose();
  neMatrix3x3 t2;
  t2.SetTranspose(a);
  ExpectMatrixNear(t, t2, 0.0f);
  const neVector3 v = neV3(1.0f, -2.0f, 0.5f);
  const neVector3 tv = a.TransposeMultiply(v);
  const neVector3 tv2 = t.MultiplyVector(v);
  EXPECT_NEAR(tv.x, tv2.x, 1e-6f);
  EXPECT_NEAR(tv.y, tv2.y, 1e-6f);
  EXPECT_NEAR(tv.z, tv2.z, 1e-6f);

  neMatrix3x3 zeroCol = Identity();
  zeroCol.col[1].SetZero();
  EXPECT_FALSE(inv.SetInverse(zeroCol));
}

TEST(CoreMath, CrossMatrixProducts) {
  neMatrix3x3 m;
  m.SetRotationXYZ(0.2f, 0.4f, 0.6f);
  const neVector3 v = neV3(0.3f, -1.0f, 2.0f);
  const neVector3 u = neV3(-0.5f, 0.25f, 1.5f);
  // M [v]x u = M (v x u)
  const neVector3 lhs = m.MultiplyByCross(v).MultiplyVector(u);
  const neVector3 rhs = m.MultiplyVector(v.Cross(u));
  EXPECT_NEAR(lhs.x, rhs.x, 1e-5f);
  EXPECT_NEAR(lhs.y, rhs.y, 1e-5f);
  EXPECT_NEAR(lhs.z, rhs.z, 1e-5f);
  // [v]x M u = v x (M u)
  const neVector3 l2 = neMatrix3x3::CrossTimes(v, m).MultiplyVector(u);
  const neVector3 r2 = v.Cross(m.MultiplyVector(u));
  EXPECT_NEAR(l2.x, r2.x, 1e-5f);
  EXPECT_NEAR(l2.y, r2.y, 1e-5f);
  EXPECT_NEAR(l2.z, r2.z, 1e-5f);
}

TEST(CoreMath, QuaternionMatrixRoundTrip) {
  const float angles[][3] = {{0.1f, 0.2f, 0.3f}, {2.5f, -1.0f, 0.4f}, {kPi, 0.0f, 0.0f},
                             {0.0f, kPi * 0.5f, 0.0f}, {-2.9f, 1.4f, 3.0f}};
  for (const auto& a : angles) {
    neMatrix3x3 m;
    m.SetRotationXYZ(a[0], a[1], a[2]);
    neQuaternion q;
    q.SetupFromMatrix(m);
    EXPECT_GE(q.w, 0.0f);
    EXPECT_NEAR(q.Dot(q), 1.0f, 1e-5f);
    const neMatrix3x3 back = q.BuildMatrix();
    ExpectMatrixNear(back, m, 2e-5f);
    EXPECT_EQ(back.col[0].w, 0.0f);
    EXPECT_EQ(back.col[1].w, 0.0f);
    EXPECT_EQ(back.col[2].w, 0.0f);
  }
}

TEST(CoreMath, QuaternionFromMatrixEdgeCases) {
  // Half turn about X: w^2 = 0, x^2 = 1.
  neMatrix3x3 half;
  half.col[0] = neV3(1, 0, 0);
  half.col[1] = neV3(0, -1, 0);
  half.col[2] = neV3(0, 0, -1);
  neQuaternion q;
  q.SetupFromMatrix(half);
  EXPECT_FLOAT_EQ(q.x, 1.0f);
  EXPECT_FLOAT_EQ(q.y, 0.0f);
  EXPECT_FLOAT_EQ(q.z, 0.0f);
  EXPECT_FLOAT_EQ(q.w, 0.0f);

  // Quarter turn about X: trace 1 gives w^2 = x^2 = 0.5; the later, x, is
  // picked, which changes nothing but the rounding path: still the same
  // rotation with w >= 0.
  neMatrix3x3 quarter;
  quarter.SetRotationXYZ(kPi / 2, 0.0f, 0.0f);
  quarter.At(1, 1) = 0.0f;
  quarter.At(2, 2) = 0.0f;
  q.SetupFromMatrix(quarter);
  EXPECT_NEAR(q.x, std::sqrt(0.5f), 1e-6f);
  EXPECT_NEAR(q.w, std::sqrt(0.5f), 1e-6f);

  // A zero matrix is no rotation: identity rather than NaN.
  neMatrix3x3 zero;
  zero.SetZero();
  q.SetupFromMatrix(zero);
  EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.w));
}

TEST(CoreMath, AxisAngle) {
  neQuaternion q;
  neVector3 axis;
  float angle = -1.0f;
  q.SetIdentity();
  q.GetAxisAngle(axis, angle);
  EXPECT_EQ(axis.x, 1.0f);
  EXPECT_EQ(angle, 0.0f);
  q.Set(0, 0, 0, -1);
  q.GetAxisAngle(axis, angle);
  EXPECT_EQ(axis.x, 1.0f);
  EXPECT_EQ(angle, 0.0f);
  // 90 degrees about y.
  q.Set(0.0f, std::sin(kPi / 4), 0.0f, std::cos(kPi / 4));
  q.GetAxisAngle(axis, angle);
  EXPECT_NEAR(axis.y, 1.0f, 1e-6f);
  EXPECT_NEAR(angle, kPi / 2, 1e-5f);
  // A w a hair above 1 must not make acos return NaN.
  q.Set(0.01f, 0.0f, 0.0f, 1.0001f);
  q.GetAxisAngle(axis, angle);
  EXPECT_TRUE(std::isfinite(angle));
}

TEST(CoreMath, QuaternionNormaliseKeepsValueWhenNormIsUnusable) {
  neQuaternion q{0, 0, 0, 0};
  EXPECT_FALSE(q.Normalize());
  EXPECT_EQ(q.w, 0.0f);
  neQuaternion n{NAN, 0, 0, 1};
  EXPECT_FALSE(n.Normalize());
  neQuaternion g{1, 1, 1, 1};
  EXPECT_TRUE(g.Normalize());
  EXPECT_FLOAT_EQ(g.x, 0.5f);
  // The product composes rotations like the matrices do.
  neMatrix3x3 ma, mb;
  ma.SetRotationXYZ(0.3f, 0.0f, 0.0f);
  mb.SetRotationXYZ(0.0f, 0.8f, 0.2f);
  neQuaternion qa, qb;
  qa.SetupFromMatrix(ma);
  qb.SetupFromMatrix(mb);
  ExpectMatrixNear(qa.Multiply(qb).BuildMatrix(), ma.Multiply(mb), 1e-5f);
}

TEST(CoreMath, TransformIdentityReadsAsColumnMajor4x4) {
  neTransform t;
  std::memset(&t, 0x7f, sizeof t);
  t.SetIdentity();
  static_assert(sizeof(neTransform) == 16 * sizeof(float), "four columns of four floats");
  float m[16];
  std::memcpy(m, &t, sizeof m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
}

TEST(CoreMath, TransformComposeApplyAndInvert) {
  neTransform a, b;
  a.rot.SetRotationXYZ(0.4f, -0.2f, 1.0f);
  a.pos = neV3(1.0f, 2.0f, 3.0f);
  b.rot.SetRotationXYZ(-1.0f, 0.5f, 0.1f);
  b.pos = neV3(-0.5f, 0.0f, 4.0f);
  const neVector3 p = neV3(0.3f, 0.6f, -0.9f);
  const neVector3 viaProduct = a.Multiply(b).TransformPoint(p);
  const neVector3 viaSteps = a.TransformPoint(b.TransformPoint(p));
  EXPECT_NEAR(viaProduct.x, viaSteps.x, 1e-5f);
  EXPECT_NEAR(viaProduct.y, viaSteps.y, 1e-5f);
  EXPECT_NEAR(viaProduct.z, viaSteps.z, 1e-5f);

  const neTransform inv = a.FastInverse();
  EXPECT_EQ(inv.pos.w, 0.0f);
  const neVector3 back = inv.TransformPoint(a.TransformPoint(p));
  EXPECT_NEAR(back.x, p.x, 1e-5f);
  EXPECT_NEAR(back.y, p.y, 1e-5f);
  EXPECT_NEAR(back.z, p.z, 1e-5f);
  neTransform inPlace = a;
  inPlace.FastInvert();
  ExpectMatrixNear(inPlace.rot, inv.rot, 0.0f);
}

TEST(CoreMath, FiniteAndZeroChecks) {
  EXPECT_TRUE(neV3(1e-7f, -1e-7f, 0.0f).IsZero());
  EXPECT_FALSE(neV3(1e-6f, 0.0f, 0.0f).IsZero());
  EXPECT_TRUE(neV3(1e30f, -1e30f, 0.0f).IsFinite());
  EXPECT_FALSE(neV3(INFINITY, 0.0f, 0.0f).IsFinite());
  EXPECT_FALSE(neV3(0.0f, 0.0f, NAN).IsFinite());
  EXPECT_FALSE(neIsFinite(NAN));
}

}  // namespace
