// The three landscapes under base/world/: shared plan of one world (terrain shape,
// road centre line, lakes), the queries the layer makers share, and the entry points
// of the world generator's files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/basegen/basegen.h"
#include "race/waypoints.h"
#include "tools/sbm/sbm_writer.h"

class MilkshapeModel;

namespace basegen {
namespace world {

constexpr int kWorldCount = 3;
constexpr int kRaceCount = 30;
constexpr float kWorldLimit = 1500.0f;
constexpr float kMinY = -20.0f, kMaxY = 250.0f;
constexpr float kRoadHalfWidth = 7.0f;
constexpr float kRoadLift = 0.2f;          // road ribbon above the flattened ground
constexpr float kShoulderWidth = 3.0f;     // physics ramp from the ribbon's edge to the ground
constexpr float kShoulderFoot = 0.02f;     // its edges just under the ribbon and the ground
constexpr float kWaypointLift = 1.0f;      // waypoints above the road surface
constexpr float kWaypointSpacing = 7.0f;
constexpr float kFlatVerge = 36.0f;        // ground flat at road level out to here (road half width + a fine cell diagonal)
constexpr float kBlendEnd = 66.0f;         // fine ground cells out to here (+4)
// Beside the flat verge the road's cuts and fills are banked at 1 in 3 (18.4 degrees)
// until they meet the natural ground, eased in over their first few units.
constexpr float kBankSlope = 1.0f / 3.0f;
constexpr float kBankEase = 6.0f;
constexpr int kBankSearchBuckets = 5;      // road buckets (64 units) searched round a point for banks
constexpr float kRoadSampleStep = 3.5f;    // half the waypoint spacing
constexpr float kStartFlatHalf = 90.0f;    // flat and straight either side of waypoint 0
constexpr float kMinLoop = 2800.0f, kMaxLoop = 4500.0f;

struct V3 {
  float x = 0, y = 0, z = 0;
};

struct RoadSample {
  float x, z;    // centre line
  float y;       // road surface height (ground + lift)
  float dx, dz;  // unit forward direction
  float s;       // arc length from waypoint 0
};

struct Lake {
  float x, z, radius, depth;
};

struct Bump {
  float x, z, radius, height;
};

struct Wave {
  float kx, kz, phase, amplitude;
};

struct WorldPlan {
  int index = 0;
  float baseHeight = 0;
  std::vector<Wave> waves;
  std::vector<Bump> bumps;
  std::vector<Lake> lakes;
  float rimHeight = 0;  // mountains rising toward the world's edge
  std::vector<RoadSample> road;  // closed; road[0] is waypoint 0, every kRoadSampleStep
  float length = 0;
  // Bucket grid over the road samples for nearest-point queries.
  std::vector<std::vector<int>> buckets;
};

// The plan of world w, road included (gen_world_road.cpp).
WorldPlan MakeWorldPlan(int w);

// Natural ground (before the road is cut in), and the ground with the road corridor
// flattened to road level and blended out to kBlendEnd (gen_world_terrain.cpp).
float NaturalHeight(const WorldPlan& plan, float x, float z);
float GroundHeight(const WorldPlan& plan, float x, float z);
// The rise of a road's bank at horizontal distance d from its centre line: none on the
// flat verge, then kBankSlope eased in.
float BankRise(float d);
// Lowers *upper to the lowest (road level + bank rise) and raises *lower to the highest
// (road level - bank rise) over the road samples within kBankSearchBuckets of (x, z).
void BankLimits(const WorldPlan& plan, float x, float z, float* upper, float* lower);
V3 GroundNormal(const WorldPlan& plan, float x, float z);
// Horizontal distance to the road centre line and the road level there (ground level,
// without the lift); a distance beyond the search reach (at least 64 units) comes back
// as 1e9.
float RoadDistance(const WorldPlan& plan, float x, float z, float* roadGround = nullptr);

// A triangle soup of the ground for both the physics and the render layer.
struct GroundMesh {
  std::vector<V3> vertices;
  std::vector<V3> normals;
  std::vector<uint32_t> triangles;  // 3 per triangle, counter-clockwise from above
};
// Cells of 100 units, split kFineSplit x kFineSplit near the road: 5 for the drawn
// landscape (the flat verge covers a fine cell's diagonal), 10 for the physics, whose
// lattice holds every landscape vertex.
constexpr int kRenderSplit = 5;
constexpr int kPhysicsSplit = 10;
GroundMesh MakeGroundMesh(const WorldPlan& plan, int fineSplit);

// Everything a world's folder holds as in-memory meshes, before encoding.
struct WorldMeshes {
  sbm::Mesh physic, road, roadLinear, landscape, landscapeLinear, mainMap, mainTransparency,
      addMap, addMap2, addTransparency, addTransparency2, shadows, reflections, grass, trees,
      water;
};
void MakeWorldMeshes(const WorldPlan& plan, const GroundMesh& ground, const GroundMesh& physics,
                     WorldMeshes* out);

// Height of the highest physics triangle over (x, z); false off the mesh.
class SurfaceIndex {
 public:
  explicit SurfaceIndex(const sbm::Mesh& mesh, int onlyGroup = -1);
  bool HeightAt(float x, float z, float* y) const;

 private:
  const sbm::Mesh& mesh_;
  std::vector<std::vector<int>> cells_;
};

// The world of race K (the race-number table; 25-30 follow the same rotation).
int WorldOfRace(int race);
// Race K's objects model over the world's physics surface (gen_world_objects.cpp).
sbm::Mesh MakeRaceObjects(const WorldPlan& plan, const SurfaceIndex& surface, int race);

// Textures of world w's folder "world/w/textures/" (gen_world_textures.cpp).
void WriteWorldTextures(Output& out, int w);
// Every texture file a world folder holds.
std::vector<std::string> WorldTextureNames();

// The waypoint files (gen_world_waypoints.cpp).
void WriteRacePaths(Output& out, const WorldPlan plans[kWorldCount]);

// qt.qt from the encoded layers, through the game's reader and builder (gen_world_qt.cpp).
struct LayerFileBytes {
  const std::vector<uint8_t>* layers[10] = {};  // render-layer order
  const std::vector<uint8_t>* roadLinear = nullptr;
  const std::vector<uint8_t>* landscapeLinear = nullptr;
  const std::vector<uint8_t>* grass = nullptr;
  const std::vector<uint8_t>* trees = nullptr;
};
bool MakeQuadTreeBytes(int w, const LayerFileBytes& in, std::vector<uint8_t>* out,
                       std::string* error);

// The encoded layers read back and prepared as the track loader does (tangent
// frames, second texture set from the companion, second frames).
bool PrepareWorldModels(const LayerFileBytes& in, std::unique_ptr<MilkshapeModel> layers[10],
                        MilkshapeModel* grass, MilkshapeModel* trees, std::string* error);
uint32_t QuadTreeSeed(int w);

// Race K's path, checkpoints marked (gen_world_waypoints.cpp).
std::vector<Waypoint> RacePath(const WorldPlan& plan, int race);

// The layer file names in the render-layer order of the quadtree.
extern const char* const kRenderLayerFiles[10];

void CheckWorldFiles(const std::string& root, std::vector<std::string>* problems);

}  // namespace world

void GenerateWorlds(Output& out);
void CheckWorlds(const std::string& root, std::vector<std::string>* problems);

}  // namespace basegen
