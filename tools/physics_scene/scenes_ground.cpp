// Scenes on terrain meshes: a ball and boxes coming to rest, a stack, slopes
// that hold and slopes that slide, and line sensors reading the ground.
#include <cmath>
#include <vector>

#include "scenes.h"

namespace {

neSimulationSizes Sizes(int bodies) {
  return SceneSizes(bodies, 0, bodies * (bodies - 1) / 2 + 1);
}

neVector3 Local(const neRigidBody* b) { return b->GetPosition() - SceneOrigin(); }

float Horizontal(const neVector3& v) { return std::sqrt(v.x * v.x + v.z * v.z); }

// A simulator of the scene's sizes and its flat or sloped ground, destroyed
// once the scene has taken its figures.
struct GroundWorld {
  explicit GroundWorld(const neSimulationSizes& sizes) : sim(MakeSimulation(sizes)) {}
  ~GroundWorld() { neSimulation::Destroy(sim); }
  GroundWorld(const GroundWorld&) = delete;
  GroundWorld& operator=(const GroundWorld&) = delete;
  void Lay(float half, int cells, int material, float slope) {
    LaySceneGround(sim, ground, half, cells, material, slope, false);
  }
  neSimulation* const sim;
  SceneTerrain ground;
};

// A unit box resting on its face on a slope rising by slope per metre of x.
neRigidBody* BoxOnSlope(GroundWorld& w, float slope, float friction) {
  neSimulation* sim = w.sim;
  sim->SetMaterial(1, friction, 0.0f);
  w.Lay(40.0f, 8, 1, slope);
  const float th = std::atan(slope);
  neRigidBody* b = AddSceneBox(sim, neV3(1, 1, 1), 1.0f,
                               At(-std::sin(th) * 0.5f, std::cos(th) * 0.5f, 0.0f), 1);
  b->SetRotation(RotationAboutZ(th));
  return b;
}

// The last sub-step's sensor hits and the pose they were taken from. The
// controller runs after the position update, so the lines were cast from the
// pose the previous call saw.
struct SensorProbe : neRigidBodyControllerCallback {
  float depths[4] = {0, 0, 0, 0};
  neVector3 normals[4];
  neTransform pose;      // where the lines were cast from
  neTransform nextPose;  // where the next sub-step casts them from
  int calls = 0;
  void Callback(neRigidBodyController* c, float) override {
    neRigidBody* body = c->GetRigidBody();
    body->BeginSensorIteration();
    int k = 0;
    while (neSensor* s = body->GetNextSensor()) {
      if (k >= 4) break;
      depths[k] = s->GetHitDepth();
      normals[k] = s->GetHitNormal();
      ++k;
    }
    pose = nextPose;
    nextPose = body->GetTransform();
    ++calls;
  }
};

}  // namespace

SceneResult RunSphereOnTriangle() {
  neSimulation* sim = MakeSimulation(Sizes(1));
  // One large flat triangle as the whole terrain.
  SetSingleTriangleTerrain(sim, At(-10, 0, -10), At(10, 0, -10), At(0, 0, 10));
  neRigidBody* ball = AddSceneBall(sim, 1.0f, 1.0f, At(0.5f, 1.5f, -1.0f));
  const int steps = static_cast<int>(4.0f / kGameSubStep);
  float restAt = -1.0f;
  neVector3 restPos = Local(ball);
  bool finite = true;
  for (int i = 0; i < steps; ++i) {
    const neVector3 before = Local(ball);
    sim->Step(kGameSubStep, 1);
    finite = finite && BodyFinite(ball);
    // Still by its pose: a ball held on the ground keeps the contact's small
    // separating velocity in its record while its position stays put.
    const float moved = Distance(Local(ball), before) / kGameSubStep;
    const bool still =
        moved < 1e-3f && ball->GetAngularVelocity().Length() < 1e-3f;
    if (still && restAt < 0.0f) {
      restAt = (i + 1) * kGameSubStep;
      restPos = Local(ball);
    }
    if (!still) restAt = -1.0f;  // rest means staying still
  }
  const float drift = Distance(Local(ball), restPos);
  const float y = Local(ball).y;
  SceneResult r;
  r.pass = finite && restAt >= 0.0f && restAt <= 2.0f && drift < 1e-3f &&
           std::fabs(y - 0.5f) < 0.02f;
  r.figures = Figures("rest-at=%.3fs drift=%.5f y=%.4f idle=%.0f velocity-record=%.4f",
                      restAt, drift, y, ball->IsIdle() ? 1.0 : 0.0,
                      ball->GetVelocity().Length());
  neSimulation::Destroy(sim);
  return r;
}

SceneResult RunBoxRest() {
  GroundWorld w(Sizes(1));
  w.Lay(10.0f, 20, 0, 0.0f);
  neSimulation* sim = w.sim;
  const neVector3 size = neV3(1.0f, 0.6f, 1.4f);
  neRigidBody* b = AddSceneBox(sim, size, 2.0f, At(0.3f, 1.5f, 0.2f));
  neQuaternion q{0.1f, 0.3f, 0.05f, 1.0f};
  q.Normalize();
  b->SetRotation(q);
  int idleAt = -1;
  for (int i = 0; i < 600 && idleAt < 0; ++i) {
    sim->Step(kGameSubStep, 1);
    if (b->IsIdle()) idleAt = i + 1;
  }
  const float depth = BoxDepthBelow(b, size, w.ground);
  SceneResult r;
  r.pass = BodyFinite(b) && idleAt > 0 && depth <= 0.015f;
  r.figures = Figures("idle-at=%.0f sub-steps penetration=%.4f", idleAt, depth);
  return r;
}

SceneResult RunStack3() {
  GroundWorld w(Sizes(3));
  w.Lay(20.0f, 4, 0, 0.0f);
  neSimulation* sim = w.sim;
  std::vector<neRigidBody*> boxes;
  for (int k = 0; k < 3; ++k) {
    boxes.push_back(AddSceneBox(sim, neV3(1, 1, 1), 1.0f, At(0.0f, 0.5f + k, 0.0f)));
  }
  bool finite = true;
  for (int i = 0; i < 10000; ++i) {
    sim->Step(kGameSubStep, 1);
    for (neRigidBody* b : boxes) finite = finite && BodyFinite(b);
  }
  const neVector3 top = Local(boxes[2]);
  const float drift = Horizontal(top);
  const int idle = CountIdle(boxes);
  SceneResult r;
  r.pass = finite && drift < 0.05f && std::fabs(top.y - 2.5f) < 0.05f &&
           std::fabs(Local(boxes[1]).y - 1.5f) < 0.05f;
  r.figures = Figures("top-drift=%.4f top-y=%.4f middle-y=%.4f idle=%.0f", drift, top.y,
                      Local(boxes[1]).y, idle);
  return r;
}

SceneResult RunSlopeHold() {
  GroundWorld w(Sizes(1));
  neSimulation* sim = w.sim;
  neRigidBody* b = BoxOnSlope(w, 0.5f, 0.8f);
  RunSubSteps(sim, 114);  // settle onto the face
  const neVector3 p0 = Local(b);
  const int steps = static_cast<int>(5.0f / kGameSubStep);
  RunSubSteps(sim, steps);
  const float moved = Distance(Local(b), p0);
  SceneResult r;
  r.pass = BodyFinite(b) && moved < 0.01f;
  r.figures = Figures("moved=%.5f in 5 s", moved);
  return r;
}

SceneResult RunSlopeSlide() {
  GroundWorld w(Sizes(1));
  neSimulation* sim = w.sim;
  neRigidBody* b = BoxOnSlope(w, 0.9f, 0.45f);
  RunSubSteps(sim, 23);
  const neVector3 v0 = b->GetVelocity();
  const int steps = 114;
  RunSubSteps(sim, steps);
  const neVector3 dv = b->GetVelocity() - v0;
  const float th = std::atan(0.9f);
  const float expect = kSceneGravity * (std::sin(th) - 0.45f * std::cos(th));
  const float measured = dv.Length() / (steps * kGameSubStep);
  SceneResult r;
  r.pass = BodyFinite(b) && std::fabs(measured - expect) <= 0.25f * expect && dv.x < 0.0f;
  r.figures = Figures("acceleration=%.3f expected=%.3f downhill=%.0f", measured, expect,
                      dv.x < 0.0f ? 1.0 : 0.0);
  return r;
}

SceneResult RunSensorGround() {
  neSimulationSizes sizes = Sizes(1);
  sizes.sensorsCount = 4;
  sizes.controllersCount = 1;
  GroundWorld w(sizes);
  neSimulation* sim = w.sim;
  const float slope = 0.2f;
  w.Lay(20.0f, 8, 0, slope);
  // The box hovers (no gravity on it) 0.6 m over the slope, turned a little
  // off the slope's own tilt, so the lines meet the ground aslant and the
  // pose the hits were taken from is the pose read back.
  const neVector3 size = neV3(4.0f, 1.0f, 2.0f);
  neRigidBody* box = AddSceneBox(sim, size, 100.0f, At(0.3f, 0.6f + 0.3f * slope, 0.2f));
  box->SetGravityEnabled(0);
  neMatrix3x3 turn;
  turn.SetRotationXYZ(0.05f, 0.3f, 0.08f);
  box->SetRotation(turn);
  neSensor* sensors[4];
  for (int k = 0; k < 4; ++k) {
    sensors[k] = box->AddSensor();
    sensors[k]->SetLine(neV3(k < 2 ? 1.5f : -1.5f, 0.0f, (k % 2) ? -0.8f : 0.8f),
                        neV3(0.0f, -1.5f, 0.0f));
  }
  // Hits hold only inside the step, so they are read where the game's car
  // reads them: in the body's controller.
  SensorProbe probe;
  probe.nextPose = box->GetTransform();
  box->AddController(&probe, 0);
  RunSubSteps(sim, 30);
  // The plane y = slope x (local): where each line crosses it, and its normal.
  const neVector3 n = neV3(-slope, 1.0f, 0.0f) * (1.0f / std::sqrt(1.0f + slope * slope));
  float worstDepth = 0.0f, worstNormal = 0.0f;
  int hits = 0;
  for (int k = 0; k < 4; ++k) {
    const neVector3 start =
        probe.pose.TransformPoint(sensors[k]->GetStartPoint()) - SceneOrigin();
    const neVector3 line = probe.pose.rot.MultiplyVector(sensors[k]->GetLineVector());
    const float above = start.y - slope * start.x;
    const float along = line.y - slope * line.x;
    const float expect = line.Length() * (1.0f + above / along);
    if (probe.depths[k] > 0.0f) ++hits;
    worstDepth = std::fmax(worstDepth, std::fabs(probe.depths[k] - expect));
    worstNormal = std::fmax(worstNormal, Distance(probe.normals[k], n));
  }
  SceneResult r;
  r.pass = BodyFinite(box) && hits == 4 && worstDepth < 2e-3f && worstNormal < 1e-3f;
  r.figures = Figures("hits=%.0f depth-error=%.5f normal-error=%.5f depth0=%.4f reads=%.0f",
                      hits, worstDepth, worstNormal, probe.depths[0], probe.calls);
  return r;
}

namespace {

// Counts, for each controller call, whether all four lines saw the ground
// at the expected depth, and how many calls came while the body rested.
struct RestingReader : neRigidBodyControllerCallback {
  float expect = 0.0f;
  int restingCalls = 0;
  int restingReads = 0;  // calls at rest with four good hits
  float worstDepth = 0.0f;
  void Callback(neRigidBodyController* c, float) override {
    neRigidBody* body = c->GetRigidBody();
    if (!body->IsIdle()) return;
    ++restingCalls;
    body->BeginSensorIteration();
    int good = 0;
    while (neSensor* s = body->GetNextSensor()) {
      const float error = std::fabs(s->GetHitDepth() - expect);
      worstDepth = std::fmax(worstDepth, error);
      if (error < 0.02f) ++good;
    }
    if (good == 4) ++restingReads;
  }
};

}  // namespace

SceneResult RunSensorRest() {
  neSimulationSizes sizes = Sizes(1);
  sizes.sensorsCount = 4;
  sizes.controllersCount = 1;
  GroundWorld w(sizes);
  neSimulation* sim = w.sim;
  w.Lay(10.0f, 10, 0, 0.0f);
  const neVector3 size = neV3(2.0f, 1.0f, 1.0f);
  neRigidBody* box = AddSceneBox(sim, size, 20.0f, At(0.3f, 0.5f, 0.2f));
  for (int k = 0; k < 4; ++k) {
    // From the body's middle plane, 1 m down: 0.5 m of each line below ground.
    box->AddSensor()->SetLine(neV3(k < 2 ? 0.8f : -0.8f, 0.0f, (k % 2) ? -0.4f : 0.4f),
                              neV3(0.0f, -1.0f, 0.0f));
  }
  RestingReader reader;
  reader.expect = 0.5f;
  box->AddController(&reader, 0);
  int restAt = -1;
  const int steps = static_cast<int>(4.0f / kGameSubStep);
  int restingSteps = 0;
  for (int i = 0; i < steps; ++i) {
    sim->Step(kGameSubStep, 1);
    if (box->IsIdle()) {
      ++restingSteps;
      if (restAt < 0) restAt = i + 1;
    }
  }
  SceneResult r;
  // Each sub-step at rest calls the controller once (bar the one it went to
  // rest in), and each call reads the ground under all four lines.
  r.pass = BodyFinite(box) && restAt > 0 && restAt * kGameSubStep <= 3.0f &&
           reader.restingCalls >= restingSteps - 1 && reader.restingReads == reader.restingCalls &&
           reader.restingCalls > 100;
  r.figures = Figures("rest-at=%.2fs resting-calls=%.0f reads-of-4=%.0f depth-error=%.4f",
                      restAt * kGameSubStep, reader.restingCalls, reader.restingReads,
                      reader.worstDepth);
  return r;
}
