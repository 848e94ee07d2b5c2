#include "scene_world.h"

#include <algorithm>
#include <cmath>

neSimulationSizes SceneSizes(int rigidBodies, int animatedBodies, int overlapPairs) {
  neSimulationSizes s;
  s.rigidBodiesCount = rigidBodies;
  s.animatedBodiesCount = animatedBodies;
  s.rigidParticleCount = 0;
  s.geometriesCount = rigidBodies + animatedBodies;
  s.overlapPairsCount = overlapPairs;
  return s;
}

neSimulation* MakeSimulation(const neSimulationSizes& sizes, bool gravity) {
  const neVector3 g = neV3(0.0f, gravity ? -kSceneGravity : 0.0f, 0.0f);
  return neSimulation::Create(&sizes, nullptr, &g);
}

void RunSubSteps(neSimulation* sim, int count, float subStep) {
  for (int i = 0; i < count; ++i) sim->Step(subStep, 1);
}

namespace {

// A rigid body of the given mass and inertia at a position, or null when the
// pool is spent; the caller shapes its geometry and updates its bounds.
neRigidBody* AddRigid(neSimulation* sim, float mass, const neVector3& inertia,
                      const neVector3& position) {
  neRigidBody* b = sim->CreateRigidBody();
  if (!b) return nullptr;
  b->SetMass(mass);
  b->SetInertiaTensor(inertia);
  b->SetPosition(position);
  return b;
}

neVector3 SolidBoxInertia(const neVector3& size, float mass) {
  const float m12 = mass / 12.0f;
  return neV3(m12 * (size.y * size.y + size.z * size.z), m12 * (size.x * size.x + size.z * size.z),
              m12 * (size.x * size.x + size.y * size.y));
}

// A body's one geometry on a material; null when the pool is spent, and the
// body then keeps its mass and place without a shape. (The two body handles
// share no base class.)
neGeometry* AddGeometryOn(neRigidBody* b, int material) {
  neGeometry* g = b->AddGeometry();
  if (g) g->SetMaterialIndex(material);
  return g;
}
neGeometry* AddGeometryOn(neAnimatedBody* b, int material) {
  neGeometry* g = b->AddGeometry();
  if (g) g->SetMaterialIndex(material);
  return g;
}

}  // namespace

neRigidBody* AddSceneBox(neSimulation* sim, const neVector3& size, float mass,
                         const neVector3& position, int material, BoxInertia inertia) {
  neRigidBody* b = AddRigid(sim, mass,
                            inertia == BoxInertia::kEngine ? neComputeBoxInertia(size, mass)
                                                           : SolidBoxInertia(size, mass),
                            position);
  if (!b) return nullptr;
  if (neGeometry* g = AddGeometryOn(b, material)) g->SetBoxSize(size);
  b->UpdateBoundingInfo();
  return b;
}

neRigidBody* AddSceneBall(neSimulation* sim, float diameter, float mass,
                          const neVector3& position, int material) {
  neRigidBody* b = AddRigid(sim, mass, neComputeSphereInertia(diameter, mass), position);
  if (!b) return nullptr;
  if (neGeometry* g = AddGeometryOn(b, material)) g->SetSphereDiameter(diameter);
  b->UpdateBoundingInfo();
  return b;
}

neAnimatedBody* AddStaticBox(neSimulation* sim, const neVector3& size, const neVector3& position,
                             int material) {
  neAnimatedBody* a = sim->CreateAnimatedBody();
  if (!a) return nullptr;
  if (neGeometry* g = AddGeometryOn(a, material)) g->SetBoxSize(size);
  a->UpdateBoundingInfo();
  a->SetPosition(position);
  return a;
}

float HillHeight(float x, float z) { return 1.5f * std::sin(0.05f * x) * std::cos(0.07f * z); }

float RippledHillHeight(float x, float z) {
  return HillHeight(x, z) + 0.3f * std::sin(0.31f * x + 0.17f * z);
}

SceneHeight SlopeHeight(float y, float slope) {
  return [y, slope](float x, float) { return y + slope * x; };
}

void SceneTerrain::Build(float half, int cells, const SceneHeight& height, int material,
                         int userWord, const neVector3& origin) {
  half_ = half;
  cells_ = cells;
  origin_ = origin;
  heights_.clear();
  vertices_.clear();
  triangles_.clear();
  const float step = 2.0f * half / static_cast<float>(cells);
  for (int j = 0; j <= cells; ++j) {
    for (int i = 0; i <= cells; ++i) {
      const float x = -half + step * static_cast<float>(i);
      const float z = -half + step * static_cast<float>(j);
      const float y = height(x, z);
      heights_.push_back(y);
      vertices_.push_back(origin + neV3(x, y, z));
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
      t1.userData = t2.userData = userWord;
      triangles_.push_back(t1);
      triangles_.push_back(t2);
    }
  }
}

neTerrainMesh SceneTerrain::Mesh() {
  neTerrainMesh mesh;
  mesh.vertices = vertices_.data();
  mesh.vertexCount = static_cast<int32_t>(vertices_.size());
  mesh.triangles = triangles_.data();
  mesh.triangleCount = static_cast<int32_t>(triangles_.size());
  return mesh;
}

void SceneTerrain::Apply(neSimulation* sim) {
  const neTerrainMesh mesh = Mesh();
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

void SetSingleTriangleTerrain(neSimulation* sim, const neVector3& a, const neVector3& b,
                              const neVector3& c) {
  neVector3 v[3] = {a, b, c};
  neTerrainTriangle t;
  t.indices[0] = 0;
  t.indices[1] = 2;
  t.indices[2] = 1;
  neTerrainMesh mesh;
  mesh.vertices = v;
  mesh.vertexCount = 3;
  mesh.triangles = &t;
  mesh.triangleCount = 1;
  sim->SetTerrain(&mesh);  // the simulator keeps its own copy
}

neTransform FrameAlongZ(const neVector3& pos) {
  neTransform f;
  f.SetIdentity();
  f.rot.col[0] = neV3(1, 0, 0);
  f.rot.col[1] = neV3(0, 0, 1);
  f.rot.col[2] = neV3(0, -1, 0);
  f.pos = pos;
  return f;
}

neConstraint* AddHingeAlongZ(neSimulation* sim, neRigidBody* a, const neVector3& pos,
                             neRigidBody* b) {
  neConstraint* c = b ? sim->CreateConstraint(a, b) : sim->CreateConstraint(a);
  if (!c) return nullptr;
  c->SetType(neConstraint::kHinge);
  c->SetFrameWorld(FrameAlongZ(pos));
  return c;
}

void SetJointLimits(neConstraint* c, float lower, float upper) {
  c->SetLowerLimit(lower);
  c->SetUpperLimit(upper);
  c->EnableLimit(1);
}

float TurnAboutZ(const neRigidBody* b) {
  const neMatrix3x3 r = b->GetRotationMatrix();
  return std::atan2(r.col[0].y, r.col[0].x);
}

neMatrix3x3 RotationAboutZ(float angle) {
  neMatrix3x3 m;
  m.col[0] = neV3(std::cos(angle), std::sin(angle), 0.0f);
  m.col[1] = neV3(-std::sin(angle), std::cos(angle), 0.0f);
  m.col[2] = neV3(0.0f, 0.0f, 1.0f);
  return m;
}

float BodyEnergy(const neRigidBody* b) {
  const neVector3 v = b->GetVelocity();
  const float rotation = 0.5f * b->GetAngularVelocity().Dot(b->GetAngularMomentum());
  return 0.5f * b->GetMass() * v.Dot(v) + rotation + b->GetMass() * kSceneGravity * b->GetPosition().y;
}

float TotalEnergy(const std::vector<neRigidBody*>& bodies) {
  float e = 0.0f;
  for (const neRigidBody* b : bodies) e += BodyEnergy(b);
  return e;
}

int CountIdle(const std::vector<neRigidBody*>& bodies) {
  int idle = 0;
  for (const neRigidBody* b : bodies) idle += b->IsIdle() ? 1 : 0;
  return idle;
}

bool BodyFinite(const neRigidBody* b) {
  return b->GetPosition().IsFinite() && b->GetVelocity().IsFinite() &&
         b->GetAngularVelocity().IsFinite();
}

float Distance(const neVector3& a, const neVector3& b) {
  const neVector3 d = a - b;
  return std::sqrt(d.Dot(d));
}

void BoxCorners(const neRigidBody* b, const neVector3& size, neVector3 corners[8]) {
  const neTransform tr = b->GetTransform();
  for (int k = 0; k < 8; ++k) {
    const neVector3 c = neV3((k & 1) ? 0.5f * size.x : -0.5f * size.x,
                             (k & 2) ? 0.5f * size.y : -0.5f * size.y,
                             (k & 4) ? 0.5f * size.z : -0.5f * size.z);
    corners[k] = tr.TransformPoint(c);
  }
}

float BoxDepthBelow(const neRigidBody* b, const neVector3& size, const SceneTerrain& t) {
  neVector3 corners[8];
  BoxCorners(b, size, corners);
  float deepest = 0.0f;
  for (const neVector3& corner : corners) {
    const neVector3 p = corner - t.Origin();
    float h;
    if (t.HeightAt(p.x, p.z, h)) deepest = std::fmax(deepest, h - p.y);
  }
  return deepest;
}
