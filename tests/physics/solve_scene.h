// Scenes for the solver tests: a simulator with gravity, flat or sloped
// terrain, boxes and spheres, stepping and energy measures.
#ifndef KELVAMOR_TESTS_PHYSICS_SOLVE_SCENE_H
#define KELVAMOR_TESTS_PHYSICS_SOLVE_SCENE_H

#include <vector>

#include "physics/ne.h"

namespace solve_test {

constexpr float kGravity = 9.8f;
// The game's sub-step: 2.1 x a 60 Hz frame in 4 sub-steps.
constexpr float kStep = 2.1f / 60.0f / 4.0f;

// Owns a simulator (default sizes unless given) with gravity (0, -9.8, 0).
class Scene {
 public:
  explicit Scene(const neSimulationSizes* sizes = nullptr, bool gravity = true);
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  neSimulation* sim() { return sim_; }

  // A square of side 2 * half in the x-z plane at height y, tilted about the
  // z axis so that it rises by slope per metre of x, split into a grid of
  // cells x cells quads; every triangle with the given material.
  void SetGround(float half, float y, int cells, int material, float slope = 0.0f,
                 int userWord = 0);
  // A box body of the given full size and mass, at pos, on the material.
  neRigidBody* AddBox(const neVector3& size, float mass, const neVector3& pos, int material = 0);
  neRigidBody* AddSphere(float diameter, float mass, const neVector3& pos, int material = 0);
  // A fixed animated box (a floor, a table) of the given full size.
  neAnimatedBody* AddStaticBox(const neVector3& size, const neVector3& pos, int material = 0);

  // n sub-steps of kStep each.
  void Run(int subSteps);

  // Kinetic plus potential energy (zero height at y = 0) of every body given.
  static float Energy(const std::vector<neRigidBody*>& bodies);

 private:
  neSimulation* sim_ = nullptr;
  std::vector<neVector3> vertices_;
  std::vector<neTerrainTriangle> triangles_;
};

// The body's orientation as a rotation about z by angle (radians).
neQuaternion RotationZ(float angle);

}  // namespace solve_test

#endif  // KELVAMOR_TESTS_PHYSICS_SOLVE_SCENE_H
