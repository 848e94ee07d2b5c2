// Scenes for the solver tests: a simulator with gravity, flat or sloped
// terrain, boxes and spheres, stepping and energy measures, built with the
// scene support the physics_scene tool and the bench use.
#ifndef KELVAMOR_TESTS_PHYSICS_SOLVE_SCENE_H
#define KELVAMOR_TESTS_PHYSICS_SOLVE_SCENE_H

#include <vector>

#include "physics/ne.h"
#include "physics/solver.h"
#include "tools/physics_scene/scene_world.h"

namespace solve_test {

constexpr float kGravity = kSceneGravity;
constexpr float kStep = kGameSubStep;

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
  // A box body of the given full size and mass (the textbook box inertia:
  // the tests measure physics, not the game's simplified tensor), at pos.
  neRigidBody* AddBox(const neVector3& size, float mass, const neVector3& pos, int material = 0) {
    return AddSceneBox(sim_, size, mass, pos, material);
  }
  neRigidBody* AddSphere(float diameter, float mass, const neVector3& pos, int material = 0) {
    return AddSceneBall(sim_, diameter, mass, pos, material);
  }
  // A fixed animated box (a floor, a table) of the given full size.
  neAnimatedBody* AddStaticBox(const neVector3& size, const neVector3& pos, int material = 0) {
    return ::AddStaticBox(sim_, size, pos, material);
  }

  // n sub-steps of kStep each.
  void Run(int subSteps) { RunSubSteps(sim_, subSteps, kStep); }

  // Kinetic plus potential energy (zero height at y = 0) of every body given.
  static float Energy(const std::vector<neRigidBody*>& bodies) { return TotalEnergy(bodies); }

 private:
  neSimulation* sim_ = nullptr;
  SceneTerrain ground_;
};

// A solver row of the given kind between two bodies: arms from their centres, the
// contact normal as the frame's third column, everything else zero.
neSolverRecord SolverRow(int kind, neBody* a, neBody* b, const neVector3& armA, const neVector3& armB,
                         const neVector3& normal);

// The body's orientation as a rotation about z by angle (radians).
neQuaternion RotationZ(float angle);

}  // namespace solve_test

#endif  // KELVAMOR_TESTS_PHYSICS_SOLVE_SCENE_H
