#include "tests/physics/solve_scene.h"

#include <cmath>

namespace solve_test {

Scene::Scene(const neSimulationSizes* sizes, bool gravity) {
  const neVector3 g = neV3(0.0f, gravity ? -kGravity : 0.0f, 0.0f);
  sim_ = neSimulation::Create(sizes, nullptr, &g);
}

Scene::~Scene() { neSimulation::Destroy(sim_); }

void Scene::SetGround(float half, float y, int cells, int material, float slope, int userWord) {
  vertices_.clear();
  triangles_.clear();
  const float step = 2.0f * half / static_cast<float>(cells);
  for (int j = 0; j <= cells; ++j) {
    for (int i = 0; i <= cells; ++i) {
      const float x = -half + step * static_cast<float>(i);
      const float z = -half + step * static_cast<float>(j);
      vertices_.push_back(neV3(x, y + slope * x, z));
    }
  }
  const int row = cells + 1;
  for (int j = 0; j < cells; ++j) {
    for (int i = 0; i < cells; ++i) {
      const int a = j * row + i, b = a + 1, c = a + row, d = c + 1;
      // Counter-clockwise seen from above: normals point up.
      neTerrainTriangle t1, t2;
      t1.indices[0] = a; t1.indices[1] = c; t1.indices[2] = b;
      t2.indices[0] = b; t2.indices[1] = c; t2.indices[2] = d;
      t1.materialID = t2.materialID = material;
      t1.userData = t2.userData = userWord;
      triangles_.push_back(t1);
      triangles_.push_back(t2);
    }
  }
  neTerrainMesh mesh;
  mesh.vertices = vertices_.data();
  mesh.vertexCount = static_cast<int32_t>(vertices_.size());
  mesh.triangles = triangles_.data();
  mesh.triangleCount = static_cast<int32_t>(triangles_.size());
  sim_->SetTerrain(&mesh);
}

neRigidBody* Scene::AddBox(const neVector3& size, float mass, const neVector3& pos, int material) {
  neRigidBody* b = sim_->CreateRigidBody();
  if (!b) return nullptr;
  neGeometry* g = b->AddGeometry();
  g->SetBoxSize(size);
  g->SetMaterialIndex(material);
  b->UpdateBoundingInfo();
  b->SetMass(mass);
  // The textbook box inertia: the tests measure physics, not the game's
  // simplified tensor.
  const float m12 = mass / 12.0f;
  b->SetInertiaTensor(neV3(m12 * (size.y * size.y + size.z * size.z),
                           m12 * (size.x * size.x + size.z * size.z),
                           m12 * (size.x * size.x + size.y * size.y)));
  b->SetPosition(pos);
  return b;
}

neRigidBody* Scene::AddSphere(float diameter, float mass, const neVector3& pos, int material) {
  neRigidBody* b = sim_->CreateRigidBody();
  if (!b) return nullptr;
  neGeometry* g = b->AddGeometry();
  g->SetSphereDiameter(diameter);
  g->SetMaterialIndex(material);
  b->UpdateBoundingInfo();
  b->SetMass(mass);
  b->SetInertiaTensor(neComputeSphereInertia(diameter, mass));
  b->SetPosition(pos);
  return b;
}

neAnimatedBody* Scene::AddStaticBox(const neVector3& size, const neVector3& pos, int material) {
  neAnimatedBody* a = sim_->CreateAnimatedBody();
  if (!a) return nullptr;
  neGeometry* g = a->AddGeometry();
  g->SetBoxSize(size);
  g->SetMaterialIndex(material);
  a->UpdateBoundingInfo();
  a->SetPosition(pos);
  return a;
}

void Scene::Run(int subSteps) {
  for (int i = 0; i < subSteps; ++i) sim_->Step(kStep, 1);
}

float Scene::Energy(const std::vector<neRigidBody*>& bodies) {
  float e = 0.0f;
  for (neRigidBody* b : bodies) {
    const neVector3 v = b->GetVelocity();
    const neVector3 w = b->GetAngularVelocity();
    const neVector3 L = b->GetAngularMomentum();
    e += 0.5f * b->GetMass() * v.Dot(v) + 0.5f * w.Dot(L) + b->GetMass() * kGravity * b->GetPosition().y;
  }
  return e;
}

neQuaternion RotationZ(float angle) {
  return neQuaternion{0.0f, 0.0f, std::sin(0.5f * angle), std::cos(0.5f * angle)};
}

}  // namespace solve_test
