#include "scene_world.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

neVector3 gOrigin = neV3(0.0f, 0.0f, 0.0f);

}  // namespace

void SetSceneOrigin(const neVector3& origin) { gOrigin = origin; }
neVector3 SceneOrigin() { return gOrigin; }
neVector3 At(float x, float y, float z) { return gOrigin + neV3(x, y, z); }

neSimulation* MakeSimulation(const neSimulationSizes& sizes) {
  const neVector3 g = neV3(0.0f, -kSceneGravity, 0.0f);
  return neSimulation::Create(&sizes, nullptr, &g);
}

void SceneTerrain::Build(float half, int cells, int material, float slope, bool bumpy) {
  half_ = half;
  cells_ = cells;
  heights_.clear();
  vertices_.clear();
  triangles_.clear();
  const float step = 2.0f * half / static_cast<float>(cells);
  for (int j = 0; j <= cells; ++j) {
    for (int i = 0; i <= cells; ++i) {
      const float x = -half + step * static_cast<float>(i);
      const float z = -half + step * static_cast<float>(j);
      float y = slope * x;
      // Long gentle hills with a shorter ripple: what a race track's ground
      // looks like at the scale of a car.
      if (bumpy) y += 1.5f * std::sin(0.05f * x) * std::cos(0.07f * z) +
                      0.3f * std::sin(0.31f * x + 0.17f * z);
      heights_.push_back(y);
      vertices_.push_back(At(x, y, z));
    }
  }
  const int row = cells + 1;
  for (int j = 0; j < cells; ++j) {
    for (int i = 0; i < cells; ++i) {
      const int a = j * row + i, b = a + 1, c = a + row, d = c + 1;
      // Counter-clockwise seen from above: normals point up.
      neTerrainTriangle t1, t2;
      t1.indices[0] = a;
      t1.indices[1] = c;
      t1.indices[2] = b;
      t2.indices[0] = b;
      t2.indices[1] = c;
      t2.indices[2] = d;
      t1.materialID = t2.materialID = material;
      triangles_.push_back(t1);
      triangles_.push_back(t2);
    }
  }
}

void SceneTerrain::Apply(neSimulation* sim) {
  neTerrainMesh mesh;
  mesh.vertices = vertices_.data();
  mesh.vertexCount = static_cast<int32_t>(vertices_.size());
  mesh.triangles = triangles_.data();
  mesh.triangleCount = static_cast<int32_t>(triangles_.size());
  sim->SetTerrain(&mesh);
}

bool SceneTerrain::HeightAt(float x, float z, float& height) const {
  if (cells_ <= 0) return false;
  const float step = 2.0f * half_ / static_cast<float>(cells_);
  const float gx = (x + half_) / step, gz = (z + half_) / step;
  if (!(gx >= 0.0f && gz >= 0.0f && gx <= cells_ && gz <= cells_)) return false;
  const int i = std::min(static_cast<int>(gx), cells_ - 1);
  const int j = std::min(static_cast<int>(gz), cells_ - 1);
  const float u = gx - static_cast<float>(i), v = gz - static_cast<float>(j);
  const int row = cells_ + 1;
  const float ha = heights_[j * row + i], hb = heights_[j * row + i + 1];
  const float hc = heights_[(j + 1) * row + i], hd = heights_[(j + 1) * row + i + 1];
  // The cell is split along its b-c diagonal.
  if (u + v <= 1.0f) {
    height = ha + u * (hb - ha) + v * (hc - ha);
  } else {
    height = hd + (1.0f - u) * (hc - hd) + (1.0f - v) * (hb - hd);
  }
  return true;
}

neRigidBody* AddSceneBox(neSimulation* sim, const neVector3& size, float mass,
                         const neVector3& local, int material) {
  neRigidBody* b = sim->CreateRigidBody();
  if (!b) return nullptr;
  neGeometry* g = b->AddGeometry();
  g->SetBoxSize(size);
  g->SetMaterialIndex(material);
  b->UpdateBoundingInfo();
  b->SetMass(mass);
  const float m12 = mass / 12.0f;
  b->SetInertiaTensor(neV3(m12 * (size.y * size.y + size.z * size.z),
                           m12 * (size.x * size.x + size.z * size.z),
                           m12 * (size.x * size.x + size.y * size.y)));
  b->SetPosition(gOrigin + local);
  return b;
}

bool BodyFinite(const neRigidBody* b) {
  return b->GetPosition().IsFinite() && b->GetVelocity().IsFinite() &&
         b->GetAngularVelocity().IsFinite();
}

float Distance(const neVector3& a, const neVector3& b) {
  const neVector3 d = a - b;
  return std::sqrt(d.Dot(d));
}

float BoxDepthBelow(const neRigidBody* b, const neVector3& size, const SceneTerrain& t) {
  const neTransform tr = b->GetTransform();
  float deepest = 0.0f;
  for (int k = 0; k < 8; ++k) {
    const neVector3 c = neV3((k & 1) ? 0.5f * size.x : -0.5f * size.x,
                             (k & 2) ? 0.5f * size.y : -0.5f * size.y,
                             (k & 4) ? 0.5f * size.z : -0.5f * size.z);
    const neVector3 p = tr.TransformPoint(c) - gOrigin;
    float h;
    if (t.HeightAt(p.x, p.z, h)) deepest = std::fmax(deepest, h - p.y);
  }
  return deepest;
}

neMatrix3x3 RotationAboutZ(float angle) {
  neMatrix3x3 m;
  m.col[0] = neV3(std::cos(angle), std::sin(angle), 0.0f);
  m.col[1] = neV3(-std::sin(angle), std::cos(angle), 0.0f);
  m.col[2] = neV3(0.0f, 0.0f, 1.0f);
  return m;
}

std::string Figures(const char* fmt, double a, double b, double c, double d, double e) {
  char line[320];
  std::snprintf(line, sizeof line, fmt, a, b, c, d, e);
  return line;
}
