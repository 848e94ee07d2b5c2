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

// What the roadside boxes did so far: all finite, none off the terrain or with its
// centre below the ground, and the deepest any box reached into it.
struct BoxWatch {
  bool finite = true, below = false, off = false;
  float deepest = 0.0f;
};

void WatchBoxes(const std::vector<neRigidBody*>& boxes, const neVector3& size,
                const SceneTerrain& ground, BoxWatch& w) {
  for (neRigidBody* b : boxes) {
    w.finite = w.finite && BodyFinite(b);
    const neVector3 q = b->GetPosition() - SceneOrigin();
    float h;
    if (!ground.HeightAt(q.x, q.z, h)) {
      w.off = true;
      continue;
    }
    w.below = w.below || q.y < h;
    w.deepest = std::fmax(w.deepest, BoxDepthBelow(b, size, ground));
  }
}

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

  BoxWatch watch;
  bool finite = true, carBelow = false;
  float carDeepest = 0.0f;
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

    carDeepest = std::fmax(carDeepest, BoxDepthBelow(car, carSize, ground));
    WatchBoxes(boxes, boxSize, ground, watch);
    finite = BodyFinite(car) && watch.finite;
    float h;
    if (ground.HeightAt(p.x, p.z, h)) carBelow = carBelow || p.y < h;
  }
  const bool below = carBelow || watch.below, off = watch.off;
  const float boxDeepest = watch.deepest;
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

namespace {

// A lorry's four wheels as the game makes them: downward sensor lines read by
// the body's controller, each a spring and damper along the ground's normal
// and a parked wheel's grip (a stiff spring to where the wheel first stood,
// slipping past the friction of its load).
struct ParkedWheels : neRigidBodyControllerCallback {
  float spring = 0.0f, damper = 0.0f, grip = 0.0f, gripDamper = 0.0f, friction = 0.0f;
  bool anchored[4] = {false, false, false, false};
  neVector3 anchor[4];
  int fullReads = 0, calls = 0;
  void Callback(neRigidBodyController* c, float) override {
    neRigidBody* body = c->GetRigidBody();
    const neVector3 centre = body->GetPosition();
    neVector3 force = neV3(0, 0, 0), torque = neV3(0, 0, 0);
    int hits = 0, k = 0;
    body->BeginSensorIteration();
    for (neSensor* s = body->GetNextSensor(); s && k < 4; s = body->GetNextSensor(), ++k) {
      const float depth = s->GetHitDepth();
      if (!(depth > 0.0f)) {
        anchored[k] = false;
        continue;
      }
      ++hits;
      neVector3 n = s->GetHitNormal();
      n.Normalize();
      const neVector3 point = s->GetHitPoint();
      const neVector3 arm = point - centre;
      const neVector3 v = body->GetVelocityAtPoint(arm);
      const float load = std::fmax(0.0f, spring * depth - damper * v.Dot(n));
      neVector3 f = n * load;
      if (!anchored[k]) {
        anchor[k] = point;
        anchored[k] = true;
      }
      neVector3 drift = point - anchor[k];
      drift.RemoveComponent(n);
      neVector3 slide = v;
      slide.RemoveComponent(n);
      neVector3 hold = drift * -grip - slide * gripDamper;
      const float most = friction * load;
      if (hold.Length() > most) {
        hold = hold * (most / hold.Length());
        // The wheel slips: its anchor follows it.
        anchor[k] = point;
      }
      f += hold;
      force += f;
      torque += arm.Cross(f);
    }
    c->SetForce(force);
    c->SetTorque(torque);
    ++calls;
    if (hits == 4) ++fullReads;
  }
};

}  // namespace

SceneResult RunLorrySlope() {
  constexpr float kSlopeDegrees = 20.0f;
  const float slope = std::tan(kSlopeDegrees * 3.14159265f / 180.0f);
  neSimulationSizes sizes = SceneSizes(1, 0, 1);
  sizes.sensorsCount = 4;
  sizes.controllersCount = 1;
  neSimulation* sim = MakeSimulation(sizes);
  sim->SetMaterial(1, 0.8f, 0.0f);
  SceneTerrain ground;
  LaySceneGround(sim, ground, 20.0f, 20, 1, slope, false);
  // The race's lorry box at the game's scale, turned to the slope, its
  // middle 1.5 m above the ground along the slope's normal.
  const neVector3 size = neV3(7.5f, 2.2f, 3.2f);
  constexpr float kMass = 100.0f;
  const float angle = std::atan(slope);
  const neVector3 up = neV3(-std::sin(angle), std::cos(angle), 0.0f);
  const neVector3 start = up * 1.5f;
  neRigidBody* lorry = AddSceneBox(sim, size, kMass, At(start.x, start.y, start.z), 1);
  lorry->SetRotation(RotationAboutZ(angle));
  for (int k = 0; k < 4; ++k) {
    lorry->AddSensor()->SetLine(neV3(k < 2 ? 3.0f : -3.0f, 0.0f, (k % 2) ? -1.4f : 1.4f),
                                neV3(0.0f, -2.0f, 0.0f));
  }
  ParkedWheels wheels;
  // Four springs carry the lorry 0.5 m into their travel; near-critical damping.
  wheels.spring = kMass * kSceneGravity / (4.0f * 0.5f);
  wheels.damper = 2.0f * std::sqrt(wheels.spring * kMass / 4.0f);
  wheels.grip = 20000.0f;
  wheels.gripDamper = 2.0f * std::sqrt(wheels.grip * kMass / 4.0f) * 0.5f;
  wheels.friction = 0.8f;
  lorry->AddController(&wheels, 0);

  bool finite = true;
  float deepest = 0.0f, worstTilt = 0.0f, creep = 0.0f;
  neVector3 settled = lorry->GetPosition();
  const int frames = static_cast<int>(10.0f / (4.0f * kGameSubStep));
  const int settleFrames = static_cast<int>(1.0f / (4.0f * kGameSubStep));
  for (int f = 0; f < frames && finite; ++f) {
    sim->Step(4.0f * kGameSubStep, 4);
    finite = BodyFinite(lorry);
    deepest = std::fmax(deepest, BoxDepthBelow(lorry, size, ground));
    const neVector3 axis = lorry->GetRotationMatrix().col[1];
    worstTilt = std::fmax(worstTilt, std::acos(std::fmin(1.0f, std::fabs(axis.Dot(up)))));
    if (f + 1 == settleFrames) settled = lorry->GetPosition();
    if (f + 1 > settleFrames) creep = std::fmax(creep, Distance(lorry->GetPosition(), settled));
  }
  const float total = Distance(lorry->GetPosition(), SceneOrigin() + start);
  SceneResult r;
  // Held: it settles on its springs within 10 cm of where it was set down and
  // then creeps at most 2 cm in 9 s; no part of the box reaches the ground
  // (it stands on its wheels), and every wheel reads the ground.
  r.pass = finite && total < 0.10f && creep < 0.02f && deepest <= 0.0f &&
           worstTilt < 5.0f * 3.14159265f / 180.0f && wheels.fullReads == wheels.calls &&
           wheels.calls > 0;
  r.figures = Figures("moved=%.4f creep-after-1s=%.4f deepest=%.4f tilt=%.2fdeg reads-of-4=%.0f",
                      total, creep, deepest, worstTilt * 180.0f / 3.14159265f, wheels.fullReads);
  r.figures += Figures(" of %.0f", wheels.calls);
  neSimulation::Destroy(sim);
  return r;
}

// The car box at 30 m/s into a wall of 20 resting boxes (two rows of ten,
// stacked two high) on flat ground: no box passes through the car or the
// ground, none leaves the world, every body stays finite.
SceneResult RunCarWall() {
  constexpr int kWall = 20;
  neSimulation* sim = MakeSimulation(SceneSizes(kWall + 1, 0, (kWall + 1) * kWall / 2));
  SceneTerrain ground;
  LaySceneGround(sim, ground, 150.0f, 75, 0, 0.0f, false);
  const neVector3 carSize = neV3(7.5f, 2.2f, 3.2f);
  const neVector3 boxSize = neV3(1.0f, 1.0f, 1.0f);
  std::vector<neRigidBody*> boxes;
  for (int k = 0; k < kWall; ++k) {
    const float z = -4.5f + static_cast<float>(k % 10);
    const float y = 0.5f + static_cast<float>(k / 10);
    boxes.push_back(AddSceneBox(sim, boxSize, 10.0f, At(10.0f, y, z)));
  }
  RunSubSteps(sim, 240);  // the wall settles and rests
  const int restingBefore = CountIdle(boxes);
  neRigidBody* car = AddSceneBox(sim, carSize, 100.0f, At(-20.0f, 1.15f, 0.0f));
  car->SetVelocity(neV3(30.0f, 0, 0));
  BoxWatch watch;
  bool finite = true, through = false;
  float carDeepest = 0.0f;
  for (int i = 0; i < 343 && finite; ++i) {  // 3 s
    sim->Step(kGameSubStep, 1);
    carDeepest = std::fmax(carDeepest, BoxDepthBelow(car, carSize, ground));
    WatchBoxes(boxes, boxSize, ground, watch);
    finite = BodyFinite(car) && watch.finite;
    // A box the car reached stays ahead of its back: none passes through it.
    const float carX = (car->GetPosition() - SceneOrigin()).x;
    for (neRigidBody* b : boxes) {
      const neVector3 q = b->GetPosition() - SceneOrigin();
      if (q.x < carX - 0.5f * carSize.x && std::fabs(q.z) < 0.5f * carSize.z && q.y < carSize.y)
        through = true;
    }
  }
  const bool below = watch.below, off = watch.off;
  const float deepest = std::fmax(carDeepest, watch.deepest);
  SceneResult r;
  r.pass = finite && !below && !off && !through && restingBefore == kWall;
  r.figures = Figures("resting-before=%.0f deepest=%.4f below=%.0f off=%.0f through=%.0f",
                      restingBefore, deepest, below ? 1.0 : 0.0, off ? 1.0 : 0.0,
                      through ? 1.0 : 0.0);
  neSimulation::Destroy(sim);
  return r;
}
