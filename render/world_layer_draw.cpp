#include "render/world_layer_draw.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "gfx/gl_ext.h"
#include "gfx/model.h"
#include "race/world_quadtree_file.h"
#include "render/ground_maps.h"
#include "render/texture_units.h"

namespace {

// The add-on layers stop this far short of the view distance, where the main layers'
// fade has begun: their detail would otherwise pop in at the fade's far end.
constexpr float kAddOnMargin = 100.0f;

const ModelMaterial* Material(const Model& table, int index) {
  if (index < 0 || index >= table.materialCount || !table.materials) return nullptr;
  return &table.materials[index];
}

void BindGroupMaterial(const WorldLayerDraw& d, int group) {
  if (!d.materials) return;
  const ModelMaterial* m = Material(*d.materials, d.groups->groups[group].materialIndex);
  if (!m || !TextureNamed(m->texture)) return;
  if (d.alphaMapUnit >= 0 && TextureNamed(m->alphaMap)) {
    UnitTexturing(d.alphaMapUnit, GL_TEXTURE_2D, true);
    BindUnitTexture(d.alphaMapUnit, GL_TEXTURE_2D, m->alphaMap);
  }
  const unsigned packed = d.alphaInTexture ? RoadMapWithAlpha(m->texture, m->alphaMap) : 0;
  BindUnitTexture(d.textureUnit, GL_TEXTURE_2D, packed ? static_cast<int>(packed) : m->texture);
}

void EmitRoad(const LeafTriangle& t) {
  const GlExtensionTable& x = GlExt;
  for (int c = 0; c < 3; ++c) {
    x.glMultiTexCoord2fvARB(GL_TEXTURE0_ARB, t.texCoord[c]);
    x.glMultiTexCoord2fvARB(GL_TEXTURE1_ARB, t.texCoord2[c]);
    x.glMultiTexCoord3fvARB(GL_TEXTURE2_ARB, t.tangent[c]);
    x.glMultiTexCoord3fvARB(GL_TEXTURE3_ARB, t.bitangent[c]);
    x.glMultiTexCoord3fvARB(GL_TEXTURE4_ARB, t.tangent2[c]);
    x.glMultiTexCoord3fvARB(GL_TEXTURE5_ARB, t.bitangent2[c]);
    glNormal3fv(t.normal[c]);
    glVertex3fv(t.position[c]);
  }
}

void EmitLandscape(const LeafTriangle& t) {
  const GlExtensionTable& x = GlExt;
  for (int c = 0; c < 3; ++c) {
    x.glMultiTexCoord2fvARB(GL_TEXTURE0_ARB, t.texCoord[c]);
    x.glMultiTexCoord2fvARB(GL_TEXTURE1_ARB, t.texCoord2[c]);
    glNormal3fv(t.normal[c]);
    glVertex3fv(t.position[c]);
  }
}

void EmitMap(const LeafTriangle& t) {
  for (int c = 0; c < 3; ++c) {
    glNormal3fv(t.normal[c]);
    glTexCoord2fv(t.texCoord[c]);
    glVertex3fv(t.position[c]);
  }
}

void EmitTextured(const LeafTriangle& t) {
  for (int c = 0; c < 3; ++c) {
    glTexCoord2fv(t.texCoord[c]);
    glVertex3fv(t.position[c]);
  }
}

template <void (*EmitTriangle)(const LeafTriangle&)>
void EmitBucket(const QuadTreeList& leaf, int layer, int group) {
  const std::vector<Mesh>& buckets = leaf.layers[layer];
  if (group >= static_cast<int>(buckets.size())) return;
  for (const LeafTriangle& t : buckets[static_cast<size_t>(group)].triangles) EmitTriangle(t);
}

template <void (*EmitTriangle)(const LeafTriangle&)>
void DrawGroups(const WorldLayerDraw& d, const LeafList& visible, const QuadTreeList* leaves, int leafCount) {
  const int secondCount = d.secondLayer >= 0 && d.secondGroups ? d.secondGroups->groupCount : 0;
  for (int g = 0; g < d.groups->groupCount; ++g) {
    BindGroupMaterial(d, g);
    glBegin(GL_TRIANGLES);
    if (leaves) {
      for (int i = 0; i < visible.count; ++i) {
        const int id = visible.leaf[i];
        if (id < 0 || id >= leafCount) continue;
        if (d.maxDistanceSq >= 0.0f && !(visible.distanceSq[i] < d.maxDistanceSq)) continue;
        EmitBucket<EmitTriangle>(leaves[id], d.layer, g);
        if (g < secondCount) EmitBucket<EmitTriangle>(leaves[id], d.secondLayer, g);
      }
    }
    glEnd();
  }
}

}  // namespace

void DrawWorldLayer(const WorldLayerDraw& d, const LeafList& visible, const QuadTreeList* leaves, int leafCount) {
  if (!d.groups || !d.groups->groups) return;
  const bool multitexture = GlExt.glMultiTexCoord2fvARB && GlExt.glMultiTexCoord3fvARB;
  switch (d.format) {
    case CornerFormat::kRoad:
      if (multitexture) DrawGroups<EmitRoad>(d, visible, leaves, leafCount);
      break;
    case CornerFormat::kLandscape:
      if (multitexture) DrawGroups<EmitLandscape>(d, visible, leaves, leafCount);
      break;
    case CornerFormat::kMap:
      DrawGroups<EmitMap>(d, visible, leaves, leafCount);
      break;
    case CornerFormat::kTextured:
      DrawGroups<EmitTextured>(d, visible, leaves, leafCount);
      break;
  }
}

float AddOnDistanceSq(float viewDistance) {
  const float d = viewDistance - kAddOnMargin;
  return d * d;
}
