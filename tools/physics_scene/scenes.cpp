#include "scenes.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "physics/ne.h"
#include "scene_world.h"

namespace {

constexpr float kG = 9.8f;
constexpr float kFrame = 1.0f / 60.0f;
constexpr int kSubSteps = 4;

neSimulation* MakeWorld(int boxes) {
  neSimulationSizes s;
  s.rigidBodiesCount = boxes;
  s.animatedBodiesCount = 1;
  s.rigidParticleCount = 0;
  s.geometriesCount = boxes + 1;
  s.overlapPairsCount = (boxes + 1) * boxes / 2 + 1;
  const neVector3 g = neV3(0.0f, -kG, 0.0f);
  return neSimulation::Create(&s, nullptr, &g);
}

// A 40 x 1 x 40 static floor whose top face is y = 0.
neAnimatedBody* AddFloor(neSimulation* sim, int material) {
  neAnimatedBody* floor = sim->CreateAnimatedBody();
  neGeometry* g = floor->AddGeometry();
  g->SetBoxSize(40.0f, 1.0f, 40.0f);
  g->SetMaterialIndex(material);
  floor->UpdateBoundingInfo();
  floor->SetPosition(At(0.0f, -0.5f, 0.0f));
  return floor;
}

neRigidBody* AddBox(neSimulation* sim, const neVector3& at, float size, float mass, int material) {
  neRigidBody* b = sim->CreateRigidBody();
  neGeometry* g = b->AddGeometry();
  g->SetBoxSize(size, size, size);
  g->SetMaterialIndex(material);
  b->SetMass(mass);
  b->SetInertiaTensor(neComputeBoxInertia(neV3(size, size, size), mass));
  b->UpdateBoundingInfo();
  b->SetPosition(SceneOrigin() + at);
  return b;
}

neRigidBody* AddBall(neSimulation* sim, const neVector3& at, float diameter, float mass,
                     int material) {
  neRigidBody* b = sim->CreateRigidBody();
  neGeometry* g = b->AddGeometry();
  g->SetSphereDiameter(diameter);
  g->SetMaterialIndex(material);
  b->SetMass(mass);
  b->SetInertiaTensor(neComputeSphereInertia(diameter, mass));
  b->UpdateBoundingInfo();
  b->SetPosition(SceneOrigin() + at);
  return b;
}

bool Finite(const neRigidBody* b) {
  return b->GetPosition().IsFinite() && b->GetVelocity().IsFinite() &&
         b->GetAngularVelocity().IsFinite();
}

float Energy(const neRigidBody* b) {
  const neVector3 v = b->GetVelocity();
  const float rot = 0.5f * b->GetAngularVelocity().Dot(b->GetAngularMomentum());
  return 0.5f * b->GetMass() * v.Dot(v) + rot + b->GetMass() * kG * b->GetPosition().y;
}

std::string Format(const char* fmt, double a, double b, double c, double d) {
  char line[256];
  std::snprintf(line, sizeof line, fmt, a, b, c, d);
  return line;
}

}  // namespace

SceneResult RunDrop() {
  neSimulation* sim = MakeWorld(1);
  AddFloor(sim, 0);
  neRigidBody* box = AddBox(sim, neV3(0.0f, 3.0f, 0.0f), 1.0f, 1.0f, 0);
  const float e0 = Energy(box);
  float worst = e0;
  for (int f = 0; f < 300; ++f) {
    sim->Step(kFrame, kSubSteps);
    if (Energy(box) > worst) worst = Energy(box);
  }
  const float y = box->GetPosition().y;
  const float speed = box->GetVelocity().Length();
  SceneResult r;
  r.pass = Finite(box) && std::fabs(y - 0.5f) < 0.05f && speed < 0.05f && worst <= e0 * 1.01f;
  r.figures = Format("y=%.4f speed=%.4f energy-peak/start=%.4f rest=%.0f", y, speed,
                     worst / e0, box->IsIdle() ? 1.0 : 0.0);
  neSimulation::Destroy(sim);
  return r;
}

SceneResult RunSlide() {
  neSimulation* sim = MakeWorld(1);
  sim->SetMaterial(1, 0.5f, 0.0f);
  AddFloor(sim, 1);
  neRigidBody* box = AddBox(sim, neV3(-8.0f, 0.5f, 0.0f), 1.0f, 1.0f, 1);
  // Let it settle on the floor first, then launch it.
  for (int f = 0; f < 30; ++f) sim->Step(kFrame, kSubSteps);
  const float x0 = box->GetPosition().x;
  box->SetVelocity(neV3(5.0f, 0.0f, 0.0f));
  for (int f = 0; f < 240; ++f) sim->Step(kFrame, kSubSteps);
  const float distance = box->GetPosition().x - x0;
  const float expect = 25.0f / (2.0f * 0.5f * kG);  // v^2 / (2 mu g) = 2.55 m
  const float speed = box->GetVelocity().Length();
  SceneResult r;
  r.pass = Finite(box) && std::fabs(distance - expect) <= 0.3f * expect && speed < 0.05f;
  r.figures = Format("distance=%.3f expected=%.3f speed=%.4f y=%.4f", distance, expect, speed,
                     box->GetPosition().y);
  neSimulation::Destroy(sim);
  return r;
}

SceneResult RunBounce() {
  const float e = 0.5f, h = 2.0f;
  neSimulation* sim = MakeWorld(1);
  sim->SetMaterial(2, 0.0f, e);
  AddFloor(sim, 2);
  // A ball, so each impact is one contact point. A box landing flat meets
  // the floor with a corner at a time: the engine answers one point per pair
  // and sub-step, the first corner's impulse tips the box onto the opposite
  // one, and that second impact takes the restitution again, so a flat box
  // rebounds well above e times its impact speed.
  neRigidBody* ball = AddBall(sim, neV3(0.0f, 0.5f + h, 0.0f), 1.0f, 1.0f, 2);
  std::vector<float> apexes;
  float lastVy = 0.0f;
  bool finite = true;
  for (int f = 0; f < 360; ++f) {
    sim->Step(kFrame, kSubSteps);
    const float vy = ball->GetVelocity().y;
    if (lastVy > 0.0f && vy <= 0.0f) apexes.push_back(ball->GetPosition().y - 0.5f);
    lastVy = vy;
    finite = finite && Finite(ball);
  }
  bool falling = true;
  float previous = h;
  for (float a : apexes) {
    falling = falling && a <= previous + 1e-3f;
    previous = a;
  }
  const float first = apexes.empty() ? 0.0f : apexes[0];
  const float expect = e * e * h;
  SceneResult r;
  r.pass = finite && !apexes.empty() && std::fabs(first - expect) <= 0.15f * expect && falling;
  r.figures = Format("first-apex=%.4f expected=%.4f apexes=%.0f non-increasing=%.0f", first,
                     expect, static_cast<double>(apexes.size()), falling ? 1.0 : 0.0);
  neSimulation::Destroy(sim);
  return r;
}

SceneResult RunPile() {
  constexpr int kBoxes = 30;
  neSimulation* sim = MakeWorld(kBoxes);
  AddFloor(sim, 0);
  std::vector<neRigidBody*> boxes;
  for (int i = 0; i < kBoxes; ++i) {
    // Three layers of a loose 3 x 4 heap, staggered so they tumble.
    const int layer = i / 12, cell = i % 12;
    const float x = (cell % 3) * 1.3f - 1.3f + 0.15f * layer;
    const float z = (cell / 3) * 1.3f - 2.0f + 0.1f * (i % 2);
    boxes.push_back(AddBox(sim, neV3(x, 1.0f + 1.6f * layer, z), 1.0f, 1.0f, 0));
  }
  float e0 = 0.0f;
  for (neRigidBody* b : boxes) e0 += Energy(b);
  float worst = e0;
  for (int f = 0; f < 900; ++f) {
    sim->Step(kFrame, kSubSteps);
    float e = 0.0f;
    for (neRigidBody* b : boxes) e += Energy(b);
    if (e > worst) worst = e;
  }
  int finite = 0, still = 0;
  float top = -1e9f, bottom = 1e9f;
  for (neRigidBody* b : boxes) {
    if (Finite(b)) ++finite;
    if (b->IsIdle() || (b->GetVelocity().Length() < 0.05f && b->GetAngularVelocity().Length() < 0.05f))
      ++still;
    top = std::fmax(top, b->GetPosition().y);
    bottom = std::fmin(bottom, b->GetPosition().y);
  }
  SceneResult r;
  r.pass = finite == kBoxes && still == kBoxes && bottom > 0.3f && worst <= e0 * 1.01f;
  r.figures = Format("finite=%.0f still=%.0f lowest=%.3f highest=%.3f", finite, still, bottom,
                     top);
  r.figures += Format(" energy-peak/start=%.4f", worst / e0, 0, 0, 0);
  neSimulation::Destroy(sim);
  return r;
}
