#include "scenes.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr float kFrame = 1.0f / 60.0f;
constexpr int kSubSteps = 4;

neVector3 gOrigin = neV3(0.0f, 0.0f, 0.0f);

neSimulation* MakeWorld(int boxes) {
  return MakeSimulation(SceneSizes(boxes, 1, (boxes + 1) * boxes / 2 + 1));
}

// A 40 x 1 x 40 static floor whose top face is y = 0.
neAnimatedBody* AddFloor(neSimulation* sim, int material) {
  return AddStaticBox(sim, neV3(40.0f, 1.0f, 40.0f), At(0.0f, -0.5f, 0.0f), material);
}

// A unit cube of unit mass with the engine's own inertia.
neRigidBody* AddCube(neSimulation* sim, const neVector3& at, int material) {
  return AddSceneBox(sim, neV3(1.0f, 1.0f, 1.0f), 1.0f, at, material, BoxInertia::kEngine);
}

}  // namespace

void SetSceneOrigin(const neVector3& origin) { gOrigin = origin; }
neVector3 SceneOrigin() { return gOrigin; }
neVector3 At(float x, float y, float z) { return gOrigin + neV3(x, y, z); }

void LaySceneGround(neSimulation* sim, SceneTerrain& ground, float half, int cells, int material,
                    float slope, bool bumpy) {
  const SceneHeight height = [slope, bumpy](float x, float z) {
    float y = slope * x;
    if (bumpy) y += RippledHillHeight(x, z);
    return y;
  };
  ground.Build(half, cells, height, material, 0, SceneOrigin());
  ground.Apply(sim);
}

std::string Figures(const char* fmt, double a, double b, double c, double d, double e) {
  char line[320];
  std::snprintf(line, sizeof line, fmt, a, b, c, d, e);
  return line;
}

SceneResult RunDrop() {
  neSimulation* sim = MakeWorld(1);
  AddFloor(sim, 0);
  neRigidBody* box = AddCube(sim, At(0.0f, 3.0f, 0.0f), 0);
  const float e0 = BodyEnergy(box);
  float worst = e0;
  for (int f = 0; f < 300; ++f) {
    sim->Step(kFrame, kSubSteps);
    if (BodyEnergy(box) > worst) worst = BodyEnergy(box);
  }
  const float y = box->GetPosition().y;
  const float speed = box->GetVelocity().Length();
  SceneResult r;
  r.pass = BodyFinite(box) && std::fabs(y - 0.5f) < 0.05f && speed < 0.05f && worst <= e0 * 1.01f;
  r.figures = Figures("y=%.4f speed=%.4f energy-peak/start=%.4f rest=%.0f", y, speed,
                     worst / e0, box->IsIdle() ? 1.0 : 0.0);
  neSimulation::Destroy(sim);
  return r;
}

SceneResult RunSlide() {
  neSimulation* sim = MakeWorld(1);
  sim->SetMaterial(1, 0.5f, 0.0f);
  AddFloor(sim, 1);
  neRigidBody* box = AddCube(sim, At(-8.0f, 0.5f, 0.0f), 1);
  // Let it settle on the floor first, then launch it.
  for (int f = 0; f < 30; ++f) sim->Step(kFrame, kSubSteps);
  const float x0 = box->GetPosition().x;
  box->SetVelocity(neV3(5.0f, 0.0f, 0.0f));
  for (int f = 0; f < 240; ++f) sim->Step(kFrame, kSubSteps);
  const float distance = box->GetPosition().x - x0;
  const float expect = 25.0f / (2.0f * 0.5f * kSceneGravity);  // v^2 / (2 mu g) = 2.55 m
  const float speed = box->GetVelocity().Length();
  SceneResult r;
  r.pass = BodyFinite(box) && std::fabs(distance - expect) <= 0.3f * expect && speed < 0.05f;
  r.figures = Figures("distance=%.3f expected=%.3f speed=%.4f y=%.4f", distance, expect, speed,
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
  neRigidBody* ball = AddSceneBall(sim, 1.0f, 1.0f, At(0.0f, 0.5f + h, 0.0f), 2);
  std::vector<float> apexes;
  float lastVy = 0.0f;
  bool finite = true;
  for (int f = 0; f < 360; ++f) {
    sim->Step(kFrame, kSubSteps);
    const float vy = ball->GetVelocity().y;
    if (lastVy > 0.0f && vy <= 0.0f) apexes.push_back(ball->GetPosition().y - 0.5f);
    lastVy = vy;
    finite = finite && BodyFinite(ball);
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
  r.figures = Figures("first-apex=%.4f expected=%.4f apexes=%.0f non-increasing=%.0f", first,
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
    boxes.push_back(AddCube(sim, At(x, 1.0f + 1.6f * layer, z), 0));
  }
  const float e0 = TotalEnergy(boxes);
  float worst = e0;
  for (int f = 0; f < 900; ++f) {
    sim->Step(kFrame, kSubSteps);
    worst = std::fmax(worst, TotalEnergy(boxes));
  }
  int finite = 0, still = 0;
  float top = -1e9f, bottom = 1e9f;
  for (neRigidBody* b : boxes) {
    if (BodyFinite(b)) ++finite;
    if (b->IsIdle() || (b->GetVelocity().Length() < 0.05f && b->GetAngularVelocity().Length() < 0.05f))
      ++still;
    top = std::fmax(top, b->GetPosition().y);
    bottom = std::fmin(bottom, b->GetPosition().y);
  }
  SceneResult r;
  r.pass = finite == kBoxes && still == kBoxes && bottom > 0.3f && worst <= e0 * 1.01f;
  r.figures = Figures("finite=%.0f still=%.0f lowest=%.3f highest=%.3f", finite, still, bottom,
                     top);
  r.figures += Figures(" energy-peak/start=%.4f", worst / e0, 0, 0, 0);
  neSimulation::Destroy(sim);
  return r;
}
