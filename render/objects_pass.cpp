// The roadside objects of the race frame: the resting ones standing in the visible
// leaves near the player, and every live one wherever it has rolled to. Poses come from
// the frame's published rows; the crash-sound timers are the worker's business.
#include <GL/gl.h>

#include <algorithm>
#include <cstdint>

#include "app/race_snapshot.h"
#include "gfx/milkshape.h"
#include "gfx/renderer.h"
#include "gfx/texture.h"
#include "race/car_content.h"
#include "race/city_objects.h"
#include "race/world_quadtree.h"
#include "render/car_assembly.h"
#include "render/cars_pass.h"

namespace {

// Beyond 200 units from the player's car a resting object is not worth its triangles.
constexpr float kObjectDrawDistanceSq = 40000.0f;
constexpr int kObjectTexture = 21;        // unit 0
constexpr int kObjectNormalTexture = 14;  // unit 2
constexpr int kNormalUnit = 2;

// Objects standing on a leaf edge are listed by both leaves; the frame stamp keeps them
// from being drawn twice.
uint32_t DrawnStamp[kMaxCityObjects] = {};
uint32_t CurrentStamp = 0;

GLuint TableTexture(int entry) {
  const int name = TextureTable[entry].name;
  return name > 0 ? static_cast<GLuint>(name) : 0;
}

// The objects this frame can draw: the load's list, as far as the rows reached.
int DrawableObjects() {
  return std::clamp(std::min(CityObjectCount, RenderCityObjects.objectCount), 0, kMaxCityObjects);
}

void DrawRestingObjectsInView(int objects) {
  if (!WorldLeaves) return;
  const LeafList& list = RenderSnapshot.mainLeaves;
  const int count = std::clamp(list.count, 0, kMaxVisibleLeaves);
  for (int i = 0; i < count; ++i) {
    const int leaf = list.leaf[i];
    if (leaf < 0 || leaf >= WorldLeafCount) continue;
    for (const int32_t k : WorldLeaves[leaf].objects) {
      if (k < 0 || k >= objects) continue;
      const CityObjectRow& row = RenderCityObjects.rows[k];
      // Live objects are drawn below, wherever they are.
      if (row.active) continue;
      if (!(row.playerDistance < kObjectDrawDistanceSq)) continue;
      if (DrawnStamp[k] == CurrentStamp) continue;
      DrawnStamp[k] = CurrentStamp;
      DrawObjectParts(k, &MilkshapeModel::DrawPlain);
    }
  }
}

}  // namespace

void DrawObjectParts(int object, void (MilkshapeModel::*draw)()) {
  const CityObject& o = CityObjects[object];
  if (o.type < 0 || o.type >= kObjectTypes) return;
  const int parts = std::min({o.bodyCount, kObjectPartCounts[o.type], kMaxObjectParts});
  for (int j = 0; j < parts; ++j) {
    MilkshapeModel* const model = ObjectPartModels[o.type][j];
    if (!model) continue;
    glPushMatrix();
    glMultMatrixf(CityObjectPartMatrix(RenderCityObjects, object, j).m);
    (model->*draw)();
    glPopMatrix();
  }
}

void DrawObjects() {
  if (SelectFixedUnit(kNormalUnit)) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, TableTexture(kObjectNormalTexture));
  }
  SelectFixedUnit(0);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, TableTexture(kObjectTexture));
  SetShaderUniforms(0);

  if (++CurrentStamp == 0) {
    // After four billion frames the stamps wrap: start them again from clean.
    std::fill(std::begin(DrawnStamp), std::end(DrawnStamp), 0u);
    CurrentStamp = 1;
  }
  const int objects = DrawableObjects();
  DrawRestingObjectsInView(objects);
  for (int k = 0; k < objects; ++k)
    if (RenderCityObjects.rows[k].active) DrawObjectParts(k, &MilkshapeModel::DrawPlain);

  if (SelectFixedUnit(kNormalUnit)) glDisable(GL_TEXTURE_2D);
  SelectFixedUnit(0);
  glEnable(GL_TEXTURE_2D);
  SetShaderUniforms(0);
}
