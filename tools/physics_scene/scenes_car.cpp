// A race-like load: a light car-sized box driven at 20 m/s back and forth
// through 50 roadside boxes over a 30,000-triangle hilly terrain, frames of
// 4 to 9 game sub-steps.
#include <cmath>
#include <vector>

#include "scenes.h"

namespace {

constexpr int kRoadside = 50;
constexpr int kFrames = 2000;
constexpr float kCruise = 20.0f;
constexpr float kTurnAt = 250.0f;  // the car turns back past this |x|

}  // namespace

SceneResult RunCarBox() {
  neSimulation* sim = MakeSimulation(SceneSizes(kRoadside + 1, 0, (kRoadside + 1) * kRoadside / 2));
  SceneTerrain ground;
  LaySceneGround(sim, ground, 320.0f, 123, 0, 0.0f, true);  // 30,258 triangles

  auto groundAt = [&](float x, float z) {
    float h = 0.0f;
    ground.HeightAt(x, z, h);
    return h;
  };
  const neVector3 carSize = neV3(7.5f, 2.2f, 3.2f);
  neRigidBody* car =
      AddSceneBox(sim, carSize, 100.0f, At(-200.0f, groundAt(-200.0f, 0.0f) + 1.3f, 0.0f));
  car->SetVelocity(neV3(kCruise, 0, 0));
  std::vector<neRigidBody*> boxes;
  std::vector<neVector3> starts;
  const neVector3 boxSize = neV3(1.0f, 1.0f, 1.0f);
  for (int k = 0; k < kRoadside; ++k) {
    // Five rows of ten across the car's path, a few metres apart.
    const float x =
        -150.0f + 6.0f * static_cast<float>(k / 10) + 0.5f * static_cast<float>(k % 3);
    const float z = -9.0f + 2.0f * static_cast<float>(k % 10);
    boxes.push_back(AddSceneBox(sim, boxSize, 10.0f, At(x, groundAt(x, z) + 0.55f, z)));
    starts.push_back(boxes.back()->GetPosition());
  }

  bool finite = true, below = false, off = false;
  float carDeepest = 0.0f, boxDeepest = 0.0f;
  float heading = 1.0f;
  unsigned seed = 12345u;
  int subSteps = 0;
  for (int f = 0; f < kFrames && finite; ++f) {
    // The game's frames vary: 4 to 9 sub-steps of the game's sub-step.
    seed = seed * 1664525u + 1013904223u;
    const int n = 4 + static_cast<int>((seed >> 16) % 6u);
    const neVector3 p = car->GetPosition() - SceneOrigin();
    if (p.x > kTurnAt) heading = -1.0f;
    if (p.x < -kTurnAt) heading = 1.0f;
    // A driving force toward cruise speed, at most 1 g.
    const float vx = car->GetVelocity().x;
    const float push = std::fmax(-1.0f, std::fmin(1.0f, (heading * kCruise - vx) * 0.5f));
    car->SetForce(neV3(push * car->GetMass() * kSceneGravity, 0, 0));
    sim->Step(static_cast<float>(n) * kGameSubStep, n);
    subSteps += n;

    finite = finite && BodyFinite(car);
    carDeepest = std::fmax(carDeepest, BoxDepthBelow(car, carSize, ground));
    for (neRigidBody* b : boxes) {
      finite = finite && BodyFinite(b);
      const neVector3 q = b->GetPosition() - SceneOrigin();
      float h;
      if (!ground.HeightAt(q.x, q.z, h)) {
        off = true;
        continue;
      }
      below = below || q.y < h;
      boxDeepest = std::fmax(boxDeepest, BoxDepthBelow(b, boxSize, ground));
    }
    float h;
    if (ground.HeightAt(p.x, p.z, h)) below = below || p.y < h;
  }
  int knocked = 0;
  for (size_t k = 0; k < boxes.size(); ++k) {
    if (Distance(boxes[k]->GetPosition(), starts[k]) > 1.0f) ++knocked;
  }
  SceneResult r;
  r.pass = finite && !below && !off;
  r.figures = Figures("triangles=%.0f sub-steps=%.0f car-deepest=%.4f box-deepest=%.4f "
                      "finite=%.0f",
                      ground.TriangleCount(), subSteps, carDeepest, boxDeepest,
                      finite ? 1.0 : 0.0);
  r.figures += Figures(" below=%.0f off-terrain=%.0f knocked=%.0f", below ? 1.0 : 0.0,
                       off ? 1.0 : 0.0, knocked);
  neSimulation::Destroy(sim);
  return r;
}
