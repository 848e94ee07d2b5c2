// The draw variants of a model: immediate mode straight from the triangle records,
// each sending its own set of per-corner attributes and binding textures on up to
// three units. The calling pass has set the program, matrices and other state.
#include <GL/gl.h>
#include <GL/glext.h>

#include "gfx/gl_ext.h"
#include "gfx/milkshape.h"
#include "gfx/renderer.h"

namespace {

// What a corner sends, in the order N, F, T2, V.
enum CornerParts : unsigned {
  kNormal = 1u << 0,
  kFrame = 1u << 1,      // bitangent on unit 2, tangent on unit 1
  kTexCoord = 1u << 2,   // first set on unit 0
  kPosition = 1u << 3,
};
constexpr unsigned kFull = kNormal | kFrame | kTexCoord | kPosition;

// A driver without multitexture leaves the entry points null; the draws then send
// what the first unit can take instead of calling through a null pointer.
void ActiveUnit(GLenum unit) {
  if (GlExt.glActiveTextureARB) GlExt.glActiveTextureARB(unit);
}
void UnitCoord(GLenum unit, const float v[3]) {
  if (GlExt.glMultiTexCoord3fvARB) GlExt.glMultiTexCoord3fvARB(unit, v);
}

GLuint NameOrNone(int name) { return name > 0 ? static_cast<GLuint>(name) : 0; }

void BindOnUnit(GLenum unit, int name) {
  ActiveUnit(unit);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, NameOrNone(name));
}

// What every unit-binding variant leaves behind: unit 2 off, unit 0 on and active.
void RestoreUnits() {
  ActiveUnit(GL_TEXTURE2_ARB);
  glDisable(GL_TEXTURE_2D);
  ActiveUnit(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
}

void SendCorner(const Model& m, const ModelTriangle& t, int k, unsigned parts) {
  if (parts & kNormal) glNormal3fv(t.normals[k]);
  if (parts & kFrame) {
    UnitCoord(GL_TEXTURE2_ARB, t.bitangents[k]);
    UnitCoord(GL_TEXTURE1_ARB, t.tangents[k]);
  }
  if (parts & kTexCoord) glTexCoord2fv(t.texCoords[k]);
  if (parts & kPosition) {
    const ModelVertex& v = m.vertices[t.vertexIndices[k]];
    glVertex3f(v.x, v.y, v.z);
  }
}

void SendGroup(const Model& m, const ModelGroup& g, unsigned parts) {
  for (int i = 0; i < g.triangleCount; ++i) {
    const ModelTriangle& t = m.triangles[g.triangleIndices[i]];
    for (int k = 0; k < 3; ++k) SendCorner(m, t, k, parts);
  }
}

// The group's material texture; none for a group without a material.
int GroupTexture(const Model& m, const ModelGroup& g) {
  return g.materialIndex >= 0 ? m.materials[g.materialIndex].texture : 0;
}

void DrawGroupsEach(const Model& m, unsigned parts) {
  for (int g = 0; g < m.groupCount; ++g) {
    glBegin(GL_TRIANGLES);
    SendGroup(m, m.groups[g], parts);
    glEnd();
  }
}

void DrawGroupsOneRun(const Model& m, unsigned parts) {
  glBegin(GL_TRIANGLES);
  for (int g = 0; g < m.groupCount; ++g) SendGroup(m, m.groups[g], parts);
  glEnd();
}

void SetEmissive(float value) {
  const GLint location = Renderer.Program(ShaderProgramId::Objects).Location(Uniform::emissive);
  if (GlExt.glUniform1fARB && location != -1) GlExt.glUniform1fARB(location, value);
}

}  // namespace

void MilkshapeModel::DrawTextured() {
  for (int g = 0; g < groupCount; ++g) {
    glBindTexture(GL_TEXTURE_2D, NameOrNone(GroupTexture(*this, groups[g])));
    glBegin(GL_TRIANGLES);
    SendGroup(*this, groups[g], kNormal | kTexCoord | kPosition);
    glEnd();
  }
}

void MilkshapeModel::DrawPositionsOnly() { DrawGroupsOneRun(*this, kPosition); }

void MilkshapeModel::DrawWithoutTexCoords() {
  for (int g = 0; g < groupCount; ++g) {
    const ModelGroup& group = groups[g];
    glBindTexture(GL_TEXTURE_2D, NameOrNone(GroupTexture(*this, group)));
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < group.triangleCount; ++i) {
      const ModelTriangle& t = triangles[group.triangleIndices[i]];
      for (int k = 0; k < 3; ++k) {
        const ModelVertex& v = vertices[t.vertexIndices[k]];
        const float position[3] = {v.x, v.y, v.z};
        // Three components from a two-component pair: the third is sent as 0 rather
        // than read from whatever follows the pair.
        const float st[3] = {t.texCoords[k][0], t.texCoords[k][1], 0.0f};
        glNormal3fv(t.normals[k]);
        UnitCoord(GL_TEXTURE1_ARB, position);
        if (GlExt.glMultiTexCoord3fvARB)
          UnitCoord(GL_TEXTURE0_ARB, st);
        else
          glTexCoord2fv(t.texCoords[k]);
        glVertex3fv(position);
      }
    }
    glEnd();
  }
}

void MilkshapeModel::DrawWithAlphaMaps(int overrideTexture) {
  for (int g = 0; g < groupCount; ++g) {
    const ModelGroup& group = groups[g];
    if (group.materialIndex >= 0) {
      const ModelMaterial& mat = materials[group.materialIndex];
      // -1 passes this test as the content expects; it binds as no texture.
      if (mat.texture != 0 && mat.alphaMap != 0) {
        BindOnUnit(GL_TEXTURE2_ARB, mat.alphaMap);
        BindOnUnit(GL_TEXTURE0_ARB, overrideTexture != -1 ? overrideTexture : mat.texture);
      }
    }
    glBegin(GL_TRIANGLES);
    SendGroup(*this, group, kFull);
    glEnd();
  }
  RestoreUnits();
}

void MilkshapeModel::DrawTwoTextures(int textureA, int textureB) {
  BindOnUnit(GL_TEXTURE2_ARB, textureB);
  BindOnUnit(GL_TEXTURE0_ARB, textureA);
  DrawGroupsOneRun(*this, kFull);
  RestoreUnits();
}

void MilkshapeModel::DrawWithGroupSamplers(int textureA, int textureB, float c, float d,
                                           float e) {
  BindOnUnit(GL_TEXTURE2_ARB, textureB);
  BindOnUnit(GL_TEXTURE0_ARB, textureA);
  // Group 0 draws with the value the pass set; groups past 4 keep group 4's.
  for (int g = 0; g < groupCount; ++g) {
    if (g == 1) SetEmissive(5.0f);
    if (g == 2) SetEmissive(5.0f * c);
    if (g == 3) SetEmissive(5.0f * d);
    if (g == 4) SetEmissive(5.0f * e);
    glBegin(GL_TRIANGLES);
    SendGroup(*this, groups[g], kFull);
    glEnd();
  }
  SetEmissive(0.0f);
  RestoreUnits();
}

void MilkshapeModel::DrawPlain() { DrawGroupsEach(*this, kFull); }
