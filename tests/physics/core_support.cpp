#include "core_support.h"

#include <cmath>

#include "tools/physics_scene/scene_world.h"

std::vector<std::string>& CoreLogLines() {
  static std::vector<std::string> lines;
  return lines;
}

void CoreLogClear() { CoreLogLines().clear(); }
void CoreLogCapture(char* text) { CoreLogLines().emplace_back(text); }

neSimulation* CoreMakeSimulation(const neSimulationSizes& sizes, const neVector3* gravity) {
  neSimulation* sim = neSimulation::Create(&sizes, nullptr, gravity);
  if (sim) {
    sim->SetLogCallback(CoreLogCapture);
    sim->SetLogLevel(1);
  }
  return sim;
}

neRigidBody* CoreAddBox(neSimulation* sim, const neVector3& size, float mass,
                        const neVector3& position) {
  return AddSceneBox(sim, size, mass, position, 0, BoxInertia::kEngine);
}

bool CoreBodyIsFinite(const neRigidBody* body) {
  const neVector3 v[] = {body->GetPosition(), body->GetVelocity(), body->GetAngularVelocity(),
                         body->GetAngularMomentum()};
  for (const neVector3& x : v) {
    if (!x.IsFinite()) return false;
  }
  const neQuaternion q = body->GetQuaternion();
  if (!std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.z) || !std::isfinite(q.w))
    return false;
  const neMatrix3x3 m = body->GetRotationMatrix();
  return m.col[0].IsFinite() && m.col[1].IsFinite() && m.col[2].IsFinite();
}
