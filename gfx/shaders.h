// The 15 GLSL programs, built once at start-up from "base/shaders/<Name>VS.glsl" and
// "<Name>PS.glsl", and the per-kind constants a pass sets after making one current.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

// In build order.
enum class ShaderProgramId {
  Objects,
  Blur,
  DirtTex,
  DirtTexWater,
  Transparency,
  Map,
  RoadBump,
  ReflMap,
  BlurSmoke,
  Grass,
  TransparencyForShadowMap,
  Trees,
  Water,
  DirtTrace,
  Landscape,
};
constexpr int kShaderProgramCount = 15;

// Every uniform name any program declares; each program looks up its own list.
enum class Uniform {
  decal, decal0, decal1, decal2, decal3, decal4, decal5, decal6, decal7, decal8, decal9,
  matAmbient, matDiffuse, matSpecular, emissive, shininess, MinFogFactor, DistortShadowTexel,
  texOffset, intensity, DirtHar, WaterHar, RefInt,
  T0, T1, LightNow, Time, Right, Up, CamPos, GlassNow, GlassAlpha,
};
constexpr int kUniformCount = static_cast<int>(Uniform::GlassAlpha) + 1;

const char* ShaderProgramName(ShaderProgramId id);  // "Objects", "Blur", ...
const char* UniformName(Uniform u);                 // "decal", "T0", ...
// The program's uniforms in lookup order; returns how many.
int ProgramUniforms(ShaderProgramId id, const Uniform** list);

struct ShaderProgram {
  GLhandleARB program = 0;
  GLhandleARB vertexShader = 0;
  GLhandleARB fragmentShader = 0;
  // Indexed by Uniform. -1 for names outside the program's list, for names the linked
  // program optimised away, and for every name until the build has looked them up,
  // so that setting a uniform of a program that failed to build does nothing.
  GLint locations[kUniformCount];

  ShaderProgram() {
    for (GLint& l : locations) l = -1;
  }
  GLint Location(Uniform u) const { return locations[static_cast<int>(u)]; }
};

// The whole file as one zero-terminated string (new[]; the caller deletes[] it), or
// null when the file does not open. An empty file gives "". Lines longer than the
// format's 127 characters are kept whole.
char* ReadTextFile(const char* path);

// Checks the shader extensions, fetches the entry points and builds every program in
// order from shaderFolder ("base/shaders/"). False at the first failure; programs built
// before it stay. A link failure shows the information log under "Error linking
// shaders...".
bool BuildShaderPrograms(const char* shaderFolder, ShaderProgram programs[kShaderProgramCount]);

// The program of that kind built again from the same files, with `defines` (lines of
// "#define NAME\n") after each stage's #version line and its uniforms looked up from
// the same list: a layout of the program's inputs that its files hold beside the
// usual one. False, with the files named, when it does not build.
bool BuildShaderProgramVariant(const char* shaderFolder, ShaderProgramId id, const char* defines,
                               ShaderProgram* out);

// Sets the samplers and scene-wide constants of the program of that kind, which must be
// current: 0 Objects, 5 Transparency, 6 Map, 7 RoadBump, 8 ReflMap, 10 Grass,
// 11 TransparencyForShadowMap, 12 Trees, 13 Water, 14 DirtTrace, 15 Landscape. Any
// other kind does nothing.
void SetShaderUniforms(int kind);
