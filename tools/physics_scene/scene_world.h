// Building and measuring small physics worlds over the engine's public
// interface: simulators of given sizes, floors, boxes and balls, terrain
// grids with their exact surface height, hinges, stepping, and the energy,
// rest and depth measures the checks read. Shared by the physics_scene tool,
// the physics tests and the physics bench (library physics_scene_support),
// so a scene, its test and its benchmark are built the same way.
#ifndef KELVAMOR_TOOLS_PHYSICS_SCENE_SCENE_WORLD_H
#define KELVAMOR_TOOLS_PHYSICS_SCENE_SCENE_WORLD_H

#include <functional>
#include <vector>

#include "physics/ne.h"

constexpr float kSceneGravity = 9.8f;
// The game's sub-step: 2.1 x a 60 Hz frame in 4 sub-steps.
constexpr float kGameSubStep = 2.1f / 60.0f / 4.0f;

// Sizes for rigid and animated bodies of one geometry each and the given
// pair table; no particles, the rest as the engine's defaults.
neSimulationSizes SceneSizes(int rigidBodies, int animatedBodies, int overlapPairs);
// A simulator with gravity (0, -kSceneGravity, 0), or none.
neSimulation* MakeSimulation(const neSimulationSizes& sizes, bool gravity = true);

// Runs count sub-steps, each its own Step of one sub-step.
void RunSubSteps(neSimulation* sim, int count, float subStep = kGameSubStep);

// How a box's inertia is set: the textbook solid box per axis (what the
// checks of physical outcomes want), or the engine's own rule (every axis
// from the largest side, what the game's bodies get).
enum class BoxInertia { kSolid, kEngine };

// A rigid box of full size at a world position, bounds updated. Without a
// geometry to spare the body still gets its mass and place.
neRigidBody* AddSceneBox(neSimulation* sim, const neVector3& size, float mass,
                         const neVector3& position, int material = 0,
                         BoxInertia inertia = BoxInertia::kSolid);
neRigidBody* AddSceneBall(neSimulation* sim, float diameter, float mass,
                          const neVector3& position, int material = 0);
// A fixed animated box (a floor, a table) of full size.
neAnimatedBody* AddStaticBox(neSimulation* sim, const neVector3& size, const neVector3& position,
                             int material = 0);

// Ground heights at local x, z for SceneTerrain::Build.
using SceneHeight = std::function<float(float x, float z)>;
// Long gentle hills: a race track's ground at the scale of a car.
float HillHeight(float x, float z);
// The hills with a shorter ripple on them.
float RippledHillHeight(float x, float z);
// A plane at height y rising by slope per metre of x.
SceneHeight SlopeHeight(float y, float slope);

// A square grid of 2 x cells x cells triangles of side 2 x half centred on
// origin, vertex heights from a height function of the local x, z, handed to
// the simulator as its terrain. The arrays stay here for HeightAt.
class SceneTerrain {
 public:
  void Build(float half, int cells, const SceneHeight& height, int material = 0,
             int userWord = 0, const neVector3& origin = neV3(0.0f, 0.0f, 0.0f));
  void Apply(neSimulation* sim);
  // The mesh over this terrain's arrays (valid until the next Build).
  neTerrainMesh Mesh();
  // The triangles' surface height at a local x, z; false outside the grid.
  bool HeightAt(float x, float z, float& height) const;
  int TriangleCount() const { return static_cast<int>(triangles_.size()); }
  const neVector3& Origin() const { return origin_; }

 private:
  float half_ = 0.0f;
  int cells_ = 0;
  neVector3 origin_ = neV3(0.0f, 0.0f, 0.0f);
  std::vector<float> heights_;  // (cells + 1)^2, row by row in z
  std::vector<neVector3> vertices_;
  std::vector<neTerrainTriangle> triangles_;
};

// One triangle as the whole terrain, handed over as a, c, b: it faces up
// when (c - a) x (b - a) points up, as for (-10, 0, -10), (10, 0, -10),
// (0, 0, 10).
void SetSingleTriangleTerrain(neSimulation* sim, const neVector3& a, const neVector3& b,
                              const neVector3& c);

// A world frame at pos whose second axis (a hinge's or a slider's axis) is
// world z.
neTransform FrameAlongZ(const neVector3& pos);
// A hinge on body a (alone, or against b) about world z through pos; not yet
// enabled.
neConstraint* AddHingeAlongZ(neSimulation* sim, neRigidBody* a, const neVector3& pos,
                             neRigidBody* b = nullptr);
// Limits on a joint's angle (or slide), switched on.
void SetJointLimits(neConstraint* c, float lower, float upper);
// A body's turn about the world z axis.
float TurnAboutZ(const neRigidBody* b);
// Rotation by angle about the z axis.
neMatrix3x3 RotationAboutZ(float angle);

// Kinetic, rotational and potential energy (zero height at y = 0) under
// kSceneGravity.
float BodyEnergy(const neRigidBody* b);
float TotalEnergy(const std::vector<neRigidBody*>& bodies);
int CountIdle(const std::vector<neRigidBody*>& bodies);
bool BodyFinite(const neRigidBody* b);
// Exact distance (neVector3::Length reads lengths under 1e-3 as 0).
float Distance(const neVector3& a, const neVector3& b);
// The eight corners of a box of full size on a body, in world space.
void BoxCorners(const neRigidBody* b, const neVector3& size, neVector3 corners[8]);
// The deepest point of a box below the terrain (0 when none is below).
float BoxDepthBelow(const neRigidBody* b, const neVector3& size, const SceneTerrain& t);

#endif  // KELVAMOR_TOOLS_PHYSICS_SCENE_SCENE_WORLD_H
