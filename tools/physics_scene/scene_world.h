// What the scenes share: where the world sits (every scene also runs far
// from the origin, where single precision is coarser), simulators, terrain
// grids with their exact surface height, bodies and checks.
#ifndef KELVAMOR_TOOLS_PHYSICS_SCENE_SCENE_WORLD_H
#define KELVAMOR_TOOLS_PHYSICS_SCENE_SCENE_WORLD_H

#include <string>
#include <vector>

#include "physics/ne.h"

constexpr float kSceneGravity = 9.8f;
// The game's sub-step: 2.1 x a 60 Hz frame in 4 sub-steps.
constexpr float kGameSubStep = 2.1f / 60.0f / 4.0f;

// Offset added to every position a scene places; scenes measure relative to it.
void SetSceneOrigin(const neVector3& origin);
neVector3 SceneOrigin();
// A local position moved to the scene's origin.
neVector3 At(float x, float y, float z);

neSimulation* MakeSimulation(const neSimulationSizes& sizes);

// A square grid of 2 x cells x cells triangles centred on the origin, height
// y = slope * x + bumps (x, z in the scene's local frame), handed to the
// simulator as its terrain. The arrays stay here for HeightAt.
class SceneTerrain {
 public:
  void Build(float half, int cells, int material, float slope, bool bumpy);
  void Apply(neSimulation* sim);
  // The triangles' surface height at a local x, z; false outside the grid.
  bool HeightAt(float x, float z, float& height) const;
  int TriangleCount() const { return static_cast<int>(triangles_.size()); }

 private:
  float half_ = 0.0f;
  int cells_ = 0;
  std::vector<float> heights_;  // (cells + 1)^2, row by row in z
  std::vector<neVector3> vertices_;
  std::vector<neTerrainTriangle> triangles_;
};

// A box of full size with the textbook inertia, at a local position.
neRigidBody* AddSceneBox(neSimulation* sim, const neVector3& size, float mass,
                         const neVector3& local, int material);
bool BodyFinite(const neRigidBody* b);
// Exact distance (neVector3::Length reads lengths under 1e-3 as 0).
float Distance(const neVector3& a, const neVector3& b);
// The deepest point of a box below the terrain (0 when none is below).
float BoxDepthBelow(const neRigidBody* b, const neVector3& size, const SceneTerrain& t);
// Rotation by angle about the z axis.
neMatrix3x3 RotationAboutZ(float angle);

std::string Figures(const char* fmt, double a, double b = 0, double c = 0, double d = 0,
                    double e = 0);

#endif  // KELVAMOR_TOOLS_PHYSICS_SCENE_SCENE_WORLD_H
