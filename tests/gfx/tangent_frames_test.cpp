// Tangent frames: the values the normal-mapped passes were lit with on good input,
// and unit vectors across the normal (never NaN) on the degenerate input that real
// track meshes carry.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gfx/milkshape.h"
#include "gfx/tangent.h"
#include "tests/gfx/test_meshes.h"

namespace {

void ExpectVec(const Vector3& v, float x, float y, float z) {
  EXPECT_NEAR(x, v.x, 1e-6f);
  EXPECT_NEAR(y, v.y, 1e-6f);
  EXPECT_NEAR(z, v.z, 1e-6f);
}

void ExpectUnitAcross(const float n[3], const Vector3& v) {
  ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
  EXPECT_NEAR(1.0f, v.Length(), 1e-5f);
  EXPECT_NEAR(0.0f, v.x * n[0] + v.y * n[1] + v.z * n[2], 1e-5f);
}

// One triangle with the given corners, texture coordinates (as stored, t up) and
// one normal at every corner.
void OneTriangle(const float p[3][3], const float uv[3][2], const float n[3],
                 MilkshapeModel* model) {
  sbm::Mesh mesh;
  const int g = mesh.AddGroup("g", -1);
  sbm::Triangle t;
  for (int k = 0; k < 3; ++k) {
    t.vertex[k] = mesh.AddVertex(p[k][0], p[k][1], p[k][2]);
    for (int c = 0; c < 3; ++c) t.normal[k][c] = n[c];
    t.s[k] = uv[k][0];
    t.t[k] = 1.0f - uv[k][1];
  }
  mesh.AddTriangle(g, t);
  EXPECT_EQ(SbmResult::kOk, meshtest::LoadMesh(mesh, model));
}

TEST(TangentFrames, FlatQuadRunsAlongSAndT) {
  MilkshapeModel model;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(meshtest::TwoQuadMesh(), &model));
  model.ComputeTangentFrames();
  ASSERT_EQ(12, model.CountCorners());
  for (int c = 0; c < 12; ++c) {
    ExpectVec(model.cornerTangents[c], 1, 0, 0);
    ExpectVec(model.cornerBitangents[c], 0, 1, 0);
  }
  for (int i = 0; i < model.triangleCount; ++i)
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(1.0f, model.triangles[i].tangents[k][0], 1e-6f);
      EXPECT_NEAR(1.0f, model.triangles[i].bitangents[k][1], 1e-6f);
    }
}

TEST(TangentFrames, SecondSetUsesTheCompanionsCoordinates) {
  MilkshapeModel model, linear;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(meshtest::TwoQuadMesh(), &model));
  // The companion's coordinates run the other way: s along y, t along x.
  sbm::Mesh turned = meshtest::TwoQuadMesh();
  for (sbm::Triangle& t : turned.triangles)
    for (int k = 0; k < 3; ++k) {
      const float s = t.s[k], up = 1.0f - t.t[k];
      t.s[k] = up;
      t.t[k] = 1.0f - s;
    }
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(turned, &linear));
  model.ComputeTangentFrames();
  ASSERT_TRUE(model.CopyLinearTexCoords(linear));
  model.ComputeTangentFramesUV2();
  for (int c = 0; c < 12; ++c) {
    ExpectVec(model.cornerTangents[c], 1, 0, 0);
    ExpectVec(model.cornerTangents2[c], 0, 1, 0);
    ExpectVec(model.cornerBitangents2[c], 1, 0, 0);
  }
  EXPECT_NEAR(1.0f, model.triangles[3].tangents2[2][1], 1e-6f);
}

TEST(TangentFrames, CornerArraysFollowGroupOrder) {
  sbm::Mesh mesh;
  const int g0 = mesh.AddGroup("three", -1);
  const int g1 = mesh.AddGroup("five", -1);
  // Group 0: three triangles textured along x; group 1: five textured along y.
  for (int i = 0; i < 8; ++i) {
    const float x = static_cast<float>(i);
    const uint16_t a = mesh.AddVertex(x, 0, 0), b = mesh.AddVertex(x + 1, 0, 0),
                   c = mesh.AddVertex(x, 1, 0);
    const float uvA[2] = {0, 0};
    const float alongX[2][2] = {{1, 0}, {0, 1}}, alongY[2][2] = {{0, 1}, {1, 0}};
    const float (*uv)[2] = i < 3 ? alongX : alongY;
    mesh.AddFlatTriangle(i < 3 ? g0 : g1, a, b, c, uvA, uv[0], uv[1]);
  }
  MilkshapeModel model;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(mesh, &model));
  model.ComputeTangentFrames();
  ASSERT_EQ(24, model.CountCorners());
  for (int c = 0; c < 9; ++c) ExpectVec(model.cornerTangents[c], 1, 0, 0);
  for (int c = 9; c < 24; ++c) ExpectVec(model.cornerTangents[c], 0, 1, 0);
}

TEST(TangentFrames, TangentLeaningIntoTheNormalIsSquaredAgainstIt) {
  // Corner normals tilted 45 degrees towards +x: the raw tangent (1, 0, 0) leans into
  // them and the second pass removes that part.
  const float p[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  const float uv[3][2] = {{0, 0}, {1, 0}, {0, 1}};
  const float r = std::sqrt(0.5f);
  const float n[3] = {r, 0, r};
  MilkshapeModel model;
    OneTriangle(p, uv, n, &model);
  model.ComputeTangentFrames();
  for (int k = 0; k < 3; ++k) {
    ExpectUnitAcross(n, model.cornerTangents[k]);
    ExpectVec(model.cornerTangents[k], r, 0, -r);
    ExpectUnitAcross(n, model.cornerBitangents[k]);
  }
}

TEST(TangentFrames, DegenerateInputFallsBackToAUnitVectorAcrossTheNormal) {
  const float up[3] = {0, 0, 1};
  const float p[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  {
    // All three corners share one texture coordinate: no direction at all.
    const float uv[3][2] = {{0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}};
    MilkshapeModel model;
    OneTriangle(p, uv, up, &model);
    model.ComputeTangentFrames();
    for (int k = 0; k < 3; ++k) {
      ExpectUnitAcross(up, model.cornerTangents[k]);
      ExpectUnitAcross(up, model.cornerBitangents[k]);
      EXPECT_NEAR(0.0f, Dot3(model.cornerTangents[k], model.cornerBitangents[k]), 1e-5f);
    }
  }
  {
    // Collinear coordinates along a line.
    const float uv[3][2] = {{0, 0}, {0.5f, 0.5f}, {1, 1}};
    MilkshapeModel model;
    OneTriangle(p, uv, up, &model);
    model.ComputeTangentFrames();
    for (int k = 0; k < 3; ++k) {
      ExpectUnitAcross(up, model.cornerTangents[k]);
      ExpectUnitAcross(up, model.cornerBitangents[k]);
      EXPECT_TRUE(std::isfinite(model.triangles[0].tangents[k][0]));
    }
  }
  {
    // A zero normal: anything of unit length, but finite.
    const float zero[3] = {0, 0, 0};
    const float uv[3][2] = {{0, 0}, {1, 0}, {0, 1}};
    MilkshapeModel model;
    OneTriangle(p, uv, zero, &model);
    model.ComputeTangentFrames();
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(1.0f, model.cornerTangents[k].Length(), 1e-5f);
      EXPECT_NEAR(1.0f, model.cornerBitangents[k].Length(), 1e-5f);
    }
  }
  {
    // A triangle collapsed to a point, with zero normals and no texture area (a NaN
    // position never gets this far: the reader refuses the model).
    const float bad[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    const float zero[3] = {0, 0, 0};
    const float uv[3][2] = {{0, 0}, {0, 0}, {0, 0}};
    MilkshapeModel model;
    OneTriangle(bad, uv, zero, &model);
    model.ComputeTangentFrames();
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(1.0f, model.cornerTangents[k].Length(), 1e-5f);
      EXPECT_NEAR(1.0f, model.cornerBitangents[k].Length(), 1e-5f);
      for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(std::isfinite(model.triangles[0].tangents[k][c]));
        EXPECT_TRUE(std::isfinite(model.triangles[0].bitangents[k][c]));
      }
    }
  }
}

TEST(TangentHelpers, ClosestPointClampsToTheEnds) {
  const Vector3 a(0, 0, 0), b(2, 0, 0);
  ExpectVec(ClosestPointOnSegment(a, b, Vector3(1, 5, 0)), 1, 0, 0);
  ExpectVec(ClosestPointOnSegment(a, b, Vector3(-3, 1, 0)), 0, 0, 0);
  ExpectVec(ClosestPointOnSegment(a, b, Vector3(9, 1, 0)), 2, 0, 0);
  ExpectVec(ClosestPointOnSegment(a, a, Vector3(9, 1, 0)), 0, 0, 0);
  ExpectVec(OrthogonalizeToNormal(Vector3(0, 0, 1), Vector3(0.6f, 0, 0.8f)), 1, 0, 0);
  // Along the normal there is nothing left: some unit vector across it instead.
  const float n[3] = {0, 1, 0};
  ExpectUnitAcross(n, OrthogonalizeToNormal(Vector3(0, 1, 0), Vector3(0, -1, 0)));
  ExpectUnitAcross(n, AnyPerpendicular(Vector3(0, 5, 0)));
  ExpectVec(AnyPerpendicular(Vector3(0, 0, 0)), 1, 0, 0);
}

}  // namespace
