// The world quadtree's leaf contents and the qt.qt file that stores them: per leaf
// its square, its vegetation and its share of the ten render layers as ready-to-draw
// triangles. The reader and the writer sit side by side; the leaf-data builder fills
// the leaves that the writer saves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Model;

constexpr int kWorldTreeDepth = 5;
constexpr int kWorldLeafCount = 1024;  // 4 to the power of the depth
constexpr float kWorldHalfSize = 1500.0f;
constexpr int kRenderLayerCount = 10;
constexpr int kGrassKinds = 8;
constexpr int kVegetationKinds = 16;  // 0-7 grass, 8-15 trees

// Render-layer indices, the order of the file's layer blocks.
enum RenderLayer {
  kLayerMainRoad = 0,
  kLayerMainLandscape = 1,
  kLayerMainMap = 2,
  kLayerMainTransparency = 3,
  kLayerAddMap = 4,
  kLayerAddMap2 = 5,
  kLayerAddTransparency = 6,
  kLayerAddTransparency2 = 7,
  kLayerShadows = 8,
  kLayerReflections = 9,
};

// Only the road and the landscape carry a second texture set and its frame.
inline bool LayerHasSecondSet(int layer) { return layer < 2; }

// One render triangle, 66 floats, corners 0-2.
struct LeafTriangle {
  float normal[3][3];
  float tangent[3][3];
  float bitangent[3][3];
  float tangent2[3][3];    // layers 0-1 only
  float bitangent2[3][3];  // layers 0-1 only
  float texCoord[3][2];
  float texCoord2[3][2];   // layers 0-1 only
  float position[3][3];
};
static_assert(sizeof(LeafTriangle) == 66 * 4, "a leaf triangle is 66 floats");

// 9 floats in memory; the file stores scale2 fifth, before the anchor.
struct GrassInstance {
  float x, y, z;
  float scale;
  float anchorX, anchorY, anchorZ, anchorSize;  // tree kinds only
  float scale2;                                 // grass kinds only
};

// One leaf's vegetation: kinds 0-7 grass, 8-15 trees.
struct Grass {
  std::vector<GrassInstance> instances[kVegetationKinds];
};

// One material group's triangles in one leaf.
struct Mesh {
  std::vector<LeafTriangle> triangles;
  int32_t triangleCount() const { return static_cast<int32_t>(triangles.size()); }
};

// One leaf's payload.
struct QuadTreeList {
  std::vector<int32_t> objects;  // roadside object indices standing in the leaf
  Grass vegetation;
  std::vector<Mesh> layers[kRenderLayerCount];  // one Mesh per group of layer k's model
  float x = 0, y = 0, z = 0, halfSize = 0;      // the leaf's square
  float cameraDistanceSq = 0;                   // written by the culling each frame
};

// The models a leaf set is valid for: the ten render layers in layer order and the
// race's roadside-object layer (may be null: no objects).
struct QuadTreeModels {
  const Model* layers[kRenderLayerCount] = {};
  const Model* objects = nullptr;
};

// "base/world/N/models/qt.qt" for world 0-2; empty for others.
const char* QuadTreeFilePath(int world, char* buffer, size_t size);

// Running numbers of the object layer's triangles (across all groups) whose first
// vertex lies in the closed square; y is ignored.
void CollectLeafObjects(const Model* objects, float x, float z, float half,
                        std::vector<int32_t>* out);

// Parses a whole qt.qt image into kWorldLeafCount leaves. Every count and size comes
// from the file and is checked against the bytes left and against the models' group
// counts; false (out untouched) on any mismatch, on a last leaf index other than 1023
// and on trailing bytes.
bool DecodeQuadTreeFile(const uint8_t* data, size_t size, const QuadTreeModels& models,
                        std::vector<QuadTreeList>* out);
// Reads the world's file into leaves[0..1023]; on failure the leaves stay as they were.
bool ReadQuadTreeFile(const QuadTreeModels& models, QuadTreeList* leaves, int world);
// Same from an explicit path (tools and tests).
bool ReadQuadTreeFileAt(const char* path, const QuadTreeModels& models, QuadTreeList* leaves);

// The file image of filled leaves; false when a leaf's layer does not have one Mesh
// per group of that layer's model, or a value is not a finite number (the reader
// refuses those).
bool EncodeQuadTreeFile(const QuadTreeModels& models, const QuadTreeList* leaves, int count,
                        std::vector<uint8_t>* out);
bool WriteQuadTreeFileAt(const char* path, const QuadTreeModels& models,
                         const QuadTreeList* leaves, int count);
bool WriteQuadTreeFile(const QuadTreeModels& models, const QuadTreeList* leaves, int world);
