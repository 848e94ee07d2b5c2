#include "tests/physics/solve_scene.h"

#include <cmath>

namespace solve_test {

Scene::Scene(const neSimulationSizes* sizes, bool gravity)
    : sim_(MakeSimulation(sizes ? *sizes : neSimulationSizes{}, gravity)) {}

Scene::~Scene() { neSimulation::Destroy(sim_); }

void Scene::SetGround(float half, float y, int cells, int material, float slope, int userWord) {
  ground_.Build(half, cells, SlopeHeight(y, slope), material, userWord);
  ground_.Apply(sim_);
}

neSolverRecord SolverRow(int kind, neBody* a, neBody* b, const neVector3& armA, const neVector3& armB,
                         const neVector3& normal) {
  neSolverRecord r = neSolverRecord{};
  r.kind = kind;
  r.bodyA = a;
  r.bodyB = b;
  r.armA = armA;
  r.armB = armB;
  r.frame.col[2] = normal;
  return r;
}

neQuaternion RotationZ(float angle) {
  return neQuaternion{0.0f, 0.0f, std::sin(0.5f * angle), std::cos(0.5f * angle)};
}

}  // namespace solve_test
