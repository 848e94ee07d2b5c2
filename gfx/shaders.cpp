#include "gfx/shaders.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/data_files.h"
#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "gfx/links.h"
#include "platform/msgbox.h"

namespace {

using U = Uniform;

const char* const kProgramNames[kShaderProgramCount] = {
    "Objects", "Blur", "DirtTex", "DirtTexWater", "Transparency", "Map", "RoadBump", "ReflMap",
    "BlurSmoke", "Grass", "TransparencyForShadowMap", "Trees", "Water", "DirtTrace", "Landscape"};

const char* const kUniformNames[kUniformCount] = {
    "decal", "decal0", "decal1", "decal2", "decal3", "decal4", "decal5", "decal6", "decal7", "decal8",
    "decal9", "matAmbient", "matDiffuse", "matSpecular", "emissive", "shininess", "MinFogFactor",
    "DistortShadowTexel", "texOffset", "intensity", "DirtHar", "WaterHar", "RefInt", "T0", "T1",
    "LightNow", "Time", "Right", "Up", "CamPos", "GlassNow", "GlassAlpha"};

// Each program's uniforms in the order they are looked up.
const U kObjects[] = {U::matAmbient, U::matDiffuse, U::matSpecular, U::emissive, U::shininess,
                      U::MinFogFactor, U::decal0, U::decal1, U::decal2, U::decal3, U::decal4,
                      U::DistortShadowTexel};
const U kBlur[] = {U::texOffset, U::intensity, U::decal};
const U kDirtTex[] = {U::decal0, U::decal1, U::decal2, U::DirtHar};
const U kDirtTexWater[] = {U::decal0, U::decal1, U::WaterHar};
const U kTransparency[] = {U::T0, U::T1, U::matAmbient, U::matDiffuse, U::emissive, U::shininess,
                           U::MinFogFactor, U::decal, U::decal2, U::decal3, U::DistortShadowTexel};
const U kMap[] = {U::LightNow, U::T0, U::T1, U::matAmbient, U::matDiffuse, U::matSpecular,
                  U::emissive, U::shininess, U::MinFogFactor, U::decal, U::decal2, U::decal3,
                  U::decal4, U::DistortShadowTexel};
const U kRoadBump[] = {U::LightNow, U::T0, U::T1, U::matAmbient, U::matDiffuse, U::matSpecular,
                       U::emissive, U::shininess, U::MinFogFactor, U::decal, U::decal2, U::decal3,
                       U::decal4, U::decal5, U::decal6, U::decal7, U::decal8, U::decal9,
                       U::DistortShadowTexel};
const U kReflMap[] = {U::LightNow, U::decal};
const U kBlurSmoke[] = {U::texOffset, U::intensity, U::decal};
const U kGrass[] = {U::Time, U::Right, U::Up, U::T0, U::T1, U::matAmbient, U::matDiffuse,
                    U::emissive, U::shininess, U::MinFogFactor, U::decal, U::decal2,
                    U::DistortShadowTexel};
const U kTransparencyForShadowMap[] = {U::decal};
const U kTrees[] = {U::Time, U::Right, U::Up, U::CamPos, U::T0, U::T1, U::matAmbient, U::matDiffuse,
                    U::emissive, U::shininess, U::MinFogFactor, U::decal, U::decal2, U::decal3,
                    U::DistortShadowTexel};
const U kWater[] = {U::LightNow, U::T0, U::T1, U::Time, U::matAmbient, U::matDiffuse, U::matSpecular,
                    U::emissive, U::shininess, U::MinFogFactor, U::decal, U::decal2, U::decal3,
                    U::decal4, U::decal5, U::decal6, U::decal7, U::decal8, U::decal9,
                    U::DistortShadowTexel};
const U kDirtTrace[] = {U::matAmbient, U::matDiffuse, U::matSpecular, U::emissive, U::shininess,
                        U::MinFogFactor, U::decal, U::decal2, U::decal3, U::decal4, U::decal5,
                        U::RefInt, U::GlassNow, U::GlassAlpha, U::LightNow, U::DistortShadowTexel};
const U kLandscape[] = {U::LightNow, U::T0, U::T1, U::matAmbient, U::matDiffuse, U::matSpecular,
                        U::emissive, U::shininess, U::MinFogFactor, U::decal, U::decal2, U::decal3,
                        U::decal4, U::decal5, U::decal6, U::DistortShadowTexel};

struct UniformList {
  const U* names;
  int count;
};
template <size_t N>
constexpr UniformList List(const U (&a)[N]) {
  return {a, static_cast<int>(N)};
}
const UniformList kLists[kShaderProgramCount] = {
    List(kObjects),  List(kBlur),      List(kDirtTex),   List(kDirtTexWater), List(kTransparency),
    List(kMap),      List(kRoadBump),  List(kReflMap),   List(kBlurSmoke),    List(kGrass),
    List(kTransparencyForShadowMap),   List(kTrees),     List(kWater),        List(kDirtTrace),
    List(kLandscape)};

constexpr int kInfoLogCapacity = 4096;

// Compile errors are not fatal by themselves (they surface as a link failure), but the
// compiler's own words name the file and line, which the link log often does not.
bool ReportCompileLog(GLhandleARB shader, const std::string& path) {
  GLint compiled = 0;
  GlExt.glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &compiled);
  if (compiled) return true;
  std::vector<char> log(kInfoLogCapacity, '\0');
  GLsizei length = 0;
  GlExt.glGetInfoLogARB(shader, kInfoLogCapacity, &length, log.data());
  std::fprintf(stderr, "%s: %s\n", path.c_str(), log.data());
  ReportUnusableFile(path.c_str(), "does not compile");
  return false;
}

// With the shadows off the map is a 16-texel stand-in that is never drawn, and the
// programs would read a sun term of 1 from it. They still test that at run time, and a
// software rasteriser runs both sides of a branch, the four map taps and the noise
// included, for every fragment of the world: a program built for the run without
// shadows leaves the taps out. The test is the programs' own (a texel wider than 0.03).
bool SunShadowsOff() {
  return RenderSetup.shadowMapSize > 0 && 1.0f / static_cast<float>(RenderSetup.shadowMapSize) > 0.03f;
}

// The #version line must stay first: what a build adds goes after it, and a #line puts
// the compiler's line numbers back on the file's own.
constexpr const char* kShadowsOffLine = "#define SUN_SHADOWS_OFF\n";
constexpr const char* kBackOnFileLines = "#line 2\n";

// Reads, compiles and attaches one stage; false when the file does not open. A stage
// that does not compile clears *compiled (its failure surfaces at the link too).
// `defines` (lines of "#define NAME") go after the #version line.
bool AttachStage(GLhandleARB program, GLenum type, const std::string& path, const char* defines,
                 GLhandleARB* shader, bool* compiled) {
  char* text = ReadTextFile(path.c_str());
  if (!text) {
    ReportUnusableFile(path.c_str(), OpenFailureReason());
    return false;
  }
  *shader = GlExt.glCreateShaderObjectARB(type);
  const char* firstLineEnd = std::strchr(text, '\n');
  const bool versioned = firstLineEnd && std::strncmp(text, "#version", 8) == 0;
  std::string added = defines;
  if (type == GL_FRAGMENT_SHADER_ARB && SunShadowsOff()) added += kShadowsOffLine;
  if (versioned && !added.empty()) {
    const std::string version(text, static_cast<size_t>(firstLineEnd + 1 - text));
    added += kBackOnFileLines;
    const GLcharARB* sources[3] = {version.c_str(), added.c_str(), firstLineEnd + 1};
    GlExt.glShaderSourceARB(*shader, 3, sources, nullptr);
  } else {
    const GLcharARB* source = text;
    GlExt.glShaderSourceARB(*shader, 1, &source, nullptr);
  }
  GlExt.glCompileShaderARB(*shader);
  if (!ReportCompileLog(*shader, path)) *compiled = false;
  GlExt.glAttachObjectARB(program, *shader);
  delete[] text;
  return true;
}

bool BuildProgram(const std::string& folder, int index, const char* defines, ShaderProgram* p) {
  const std::string base = folder + kProgramNames[index];
  p->program = GlExt.glCreateProgramObjectARB();
  bool compiled = true;
  if (!AttachStage(p->program, GL_VERTEX_SHADER_ARB, base + "VS.glsl", defines, &p->vertexShader, &compiled))
    return false;
  if (!AttachStage(p->program, GL_FRAGMENT_SHADER_ARB, base + "PS.glsl", defines, &p->fragmentShader, &compiled))
    return false;
  GlExt.glLinkProgramARB(p->program);
  GLint linked = 0;
  GlExt.glGetObjectParameterivARB(p->program, GL_OBJECT_LINK_STATUS_ARB, &linked);
  if (!linked) {
    std::vector<char> log(kInfoLogCapacity, '\0');
    GLsizei length = 0;
    GlExt.glGetInfoLogARB(p->program, kInfoLogCapacity, &length, log.data());
    if (compiled) {
      // The log names the stage at fault in its own words; both files are named here.
      const std::string pair = base + "VS.glsl and " + base + "PS.glsl";
      ReportUnusableFile(pair.c_str(), ("do not link: " + std::string(log.data())).c_str());
    }
    platform::ShowMessageBox(log.data(), "Error linking shaders...", platform::MessageIcon::kInformation);
    return false;
  }
  // A driver that links a stage that did not compile would draw its surfaces black.
  if (!compiled) return false;
  const UniformList& list = kLists[index];
  for (int i = 0; i < list.count; ++i) {
    const int u = static_cast<int>(list.names[i]);
    p->locations[u] = GlExt.glGetUniformLocationARB(p->program, kUniformNames[u]);
  }
  return true;
}

// The scene-wide constants, gathered once per call.
struct Constants {
  float light[3];        // L
  float minFog;          // F
  float distortShadow[4];  // D = (W / 64, H / 64, 1 / S, 1 / S)
  float clock;           // K
};

Constants Gather() {
  Constants c;
  for (int i = 0; i < 3; ++i) c.light[i] = Lighting.lightColour[i];
  c.minFog = Lighting.minFogFactor;
  const float s = static_cast<float>(RenderSetup.shadowMapSize);
  c.distortShadow[0] = static_cast<float>(RenderSetup.screenWidth) / 64.0f;
  c.distortShadow[1] = static_cast<float>(RenderSetup.screenHeight) / 64.0f;
  c.distortShadow[2] = 1.0f / s;
  c.distortShadow[3] = 1.0f / s;
  c.clock = LinkedSceneClock();
  return c;
}

// The material constants of the lit programs: ambient, the diffuse scale of the light
// colour, specular where the program has one; emissive and shininess are 0 for all, and
// each also gets the fog floor and the shadow texel.
struct LitMaterial {
  ShaderProgramId program;
  float ambient;
  float diffuseScale;
  bool hasSpecular;
  float specular;
};
const LitMaterial kLitMaterials[] = {
    {ShaderProgramId::Objects, 0.63f, 0.75f, true, 0.25f},
    {ShaderProgramId::Map, 0.65f, 1.0f, true, 0.35f},
    {ShaderProgramId::RoadBump, 0.65f, 1.0f, true, 0.65f},
    {ShaderProgramId::Transparency, 0.65f, 1.0f, false, 0.0f},
    {ShaderProgramId::Grass, 1.0f, 1.0f, false, 0.0f},
    {ShaderProgramId::Trees, 0.65f, 1.0f, false, 0.0f},
    {ShaderProgramId::Water, 1.0f, 0.5f, true, 0.35f},
    {ShaderProgramId::DirtTrace, 0.65f, 1.0f, true, 0.35f},
    {ShaderProgramId::Landscape, 0.65f, 1.0f, true, 0.65f},
};

class Setter {
 public:
  explicit Setter(ShaderProgramId id) : id_(id), p_(Renderer.Program(id)) {}
  void Int(U u, int v) const { GlExt.glUniform1iARB(p_.Location(u), v); }
  void Float(U u, float v) const { GlExt.glUniform1fARB(p_.Location(u), v); }
  // decal, then first..last on units 1, 2, ...
  void DecalRange(U first, U last) const {
    Int(U::decal, 0);
    for (int u = static_cast<int>(first), unit = 1; u <= static_cast<int>(last); ++u, ++unit)
      GlExt.glUniform1iARB(p_.locations[u], unit);
  }
  // The program's row of kLitMaterials, with the scene's light, fog and shadow constants.
  void Lit(const Constants& c) const {
    for (const LitMaterial& m : kLitMaterials) {
      if (m.program != id_) continue;
      Float(U::matAmbient, m.ambient);
      GlExt.glUniform3fARB(p_.Location(U::matDiffuse), m.diffuseScale * c.light[0],
                           m.diffuseScale * c.light[1], m.diffuseScale * c.light[2]);
      if (m.hasSpecular) Float(U::matSpecular, m.specular);
      Float(U::emissive, 0.0f);
      Float(U::shininess, 0.0f);
      Float(U::MinFogFactor, c.minFog);
      const float* d = c.distortShadow;
      GlExt.glUniform4fARB(p_.Location(U::DistortShadowTexel), d[0], d[1], d[2], d[3]);
      return;
    }
  }

 private:
  ShaderProgramId id_;
  const ShaderProgram& p_;
};

}  // namespace

const char* ShaderProgramName(ShaderProgramId id) { return kProgramNames[static_cast<int>(id)]; }
const char* UniformName(Uniform u) { return kUniformNames[static_cast<int>(u)]; }

int ProgramUniforms(ShaderProgramId id, const Uniform** list) {
  const UniformList& l = kLists[static_cast<int>(id)];
  *list = l.names;
  return l.count;
}

char* ReadTextFile(const char* path) {
  if (!path) return nullptr;
  FILE* f = std::fopen(path, "r");
  if (!f) return nullptr;
  std::vector<char> text;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.insert(text.end(), buf, buf + n);
  std::fclose(f);
  // Sized from what was read, plus the terminator: an empty file gives "".
  char* out = new char[text.size() + 1];
  if (!text.empty()) std::copy(text.begin(), text.end(), out);
  out[text.size()] = '\0';
  return out;
}

bool BuildShaderPrograms(const char* shaderFolder, ShaderProgram programs[kShaderProgramCount]) {
  const char* extensions = GlExtensionString();
  if (!ExtensionSubstring(extensions, "GL_ARB_shading_language_100")) return false;
  if (!ExtensionSubstring(extensions, "GL_ARB_shader_objects")) return false;
  if (!FetchShaderEntryPoints()) return false;
  const std::string folder = shaderFolder;
  for (int i = 0; i < kShaderProgramCount; ++i)
    if (!BuildProgram(folder, i, "", &programs[i])) return false;
  return true;
}

bool BuildShaderProgramVariant(const char* shaderFolder, ShaderProgramId id, const char* defines,
                               ShaderProgram* out) {
  *out = ShaderProgram();
  if (!GlExt.glCreateProgramObjectARB) return false;  // no shader support: nothing was built
  return BuildProgram(shaderFolder, static_cast<int>(id), defines, out);
}

void SetShaderUniforms(int kind) {
  if (!GlExt.glUniform1iARB) return;  // no shader support: nothing was built
  const Constants c = Gather();
  using P = ShaderProgramId;
  switch (kind) {
    case 0: {
      const Setter s(P::Objects);
      for (int i = 0; i < 5; ++i) s.Int(static_cast<U>(static_cast<int>(U::decal0) + i), i);
      s.Lit(c);
      break;
    }
    case 6: {
      const Setter s(P::Map);
      s.DecalRange(U::decal2, U::decal4);
      s.Float(U::LightNow, 1.0f);
      s.Lit(c);
      break;
    }
    case 7: {
      const Setter s(P::RoadBump);
      s.DecalRange(U::decal2, U::decal9);
      s.Float(U::LightNow, 1.0f);
      s.Lit(c);
      break;
    }
    case 8: {
      const Setter s(P::ReflMap);
      s.Int(U::decal, 0);
      s.Float(U::LightNow, 1.0f);
      break;
    }
    case 5: {
      const Setter s(P::Transparency);
      s.DecalRange(U::decal2, U::decal3);
      s.Lit(c);
      break;
    }
    case 10: {
      const Setter s(P::Grass);
      s.DecalRange(U::decal2, U::decal2);
      s.Float(U::Time, c.clock * 1.25f);
      s.Lit(c);
      break;
    }
    case 12: {
      const Setter s(P::Trees);
      s.DecalRange(U::decal2, U::decal3);
      s.Float(U::Time, c.clock * 1.25f);
      s.Lit(c);
      break;
    }
    case 11: {
      const Setter s(P::TransparencyForShadowMap);
      s.Int(U::decal, 0);
      break;
    }
    case 13: {
      const Setter s(P::Water);
      s.Float(U::Time, c.clock * 0.15f);  // the waves' clock goes first
      s.DecalRange(U::decal2, U::decal9);
      s.Float(U::LightNow, 1.0f);
      s.Lit(c);
      break;
    }
    case 14: {
      const Setter s(P::DirtTrace);
      s.DecalRange(U::decal2, U::decal5);
      s.Float(U::RefInt, 1.0f);
      s.Lit(c);
      break;
    }
    case 15: {
      const Setter s(P::Landscape);
      s.DecalRange(U::decal2, U::decal6);
      s.Float(U::LightNow, 1.0f);
      s.Lit(c);
      break;
    }
    default:
      break;  // Blur, BlurSmoke, DirtTex and DirtTexWater are set by their passes
  }
}
