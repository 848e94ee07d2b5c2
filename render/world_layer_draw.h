// One world layer drawn from the visible leaves: per model group, its material's
// texture bound once and one triangle batch over every visible leaf's bucket for that
// group. Immediate mode, straight from the leaves' render triangles: nothing is built
// or allocated per frame.
#pragma once

#include "app/race_snapshot.h"

class Model;
struct QuadTreeList;

// What each corner sends besides its position.
enum class CornerFormat {
  kRoad,       // unit 0 first set, unit 1 second set, units 2-5 the tangent frames, normal
  kLandscape,  // unit 0 first set, unit 1 second set, normal
  kMap,        // normal, unit 0 first set
  kTextured,   // unit 0 first set only: the shadow map and the water reflection
};

struct WorldLayerDraw {
  int layer = 0;                  // the leaves' bucket (render-layer index)
  const Model* groups = nullptr;  // the model whose groups are walked
  // The material table the groups' material indices point into: the layer's own, or
  // the main layer it borrows from (add_map from main_map, the add-on foliage from
  // main_transparency). An index of -1 or past the table binds nothing.
  const Model* materials = nullptr;
  // A second layer drawn in the same batch at the same group index (add_map2 with
  // add_map), only for groups the second model has.
  int secondLayer = -1;
  const Model* secondGroups = nullptr;
  // Leaves pass when their squared distance is below this; negative: every leaf.
  float maxDistanceSq = -1.0f;
  int textureUnit = 0;
  // The road's alpha map goes to this unit (2D on) with the texture; -1: none.
  int alphaMapUnit = -1;
  // The road's alpha map read from its texture's alpha instead: the packed map of the
  // two that the race load made (render/ground_maps.h) is bound in the texture's place.
  bool alphaInTexture = false;
  CornerFormat format = CornerFormat::kMap;
};

// Draws the layer; a null model draws nothing. Leaf ids outside [0, leafCount) and
// buckets the leaf lacks are skipped.
void DrawWorldLayer(const WorldLayerDraw& draw, const LeafList& visible, const QuadTreeList* leaves,
                    int leafCount);

// Squared distance limit of the add-on layers: leaves nearer than viewDistance - 100.
float AddOnDistanceSq(float viewDistance);
