#include "render/ground_maps.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "gfx/milkshape.h"
#include "gfx/renderer.h"
#include "gfx/shaders.h"
#include "race/scene_content.h"
#include "race/world_layers.h"
#include "render/texture_units.h"

namespace {

// One world has one road material; a few more leave room for content with several.
// A road of more textured materials than this reads its maps unpacked.
constexpr int kRoadSlots = 4;

constexpr const char* kShaderFolder = "base/shaders/";
constexpr const char* kUnpackedDefine = "#define GROUND_MAPS_UNPACKED\n";

struct PackedMap {
  int source0 = 0, source1 = 0;  // the maps it was made from; 0 when the slot is free
  GLuint name = 0;
};

// The packs of the race loaded.
PackedMap g_road[kRoadSlots];
GLuint g_detail = 0;
GLuint g_ground[kGroundPacks] = {};
// The layout each pass draws by: that of the program in the renderer's table, which
// start-up built for the packs.
bool g_roadPacked = true;
bool g_landPacked = true;

void TakeGlErrors() {
  while (glGetError() != GL_NO_ERROR) {
  }
}

// One mipmap level as RGBA bytes.
struct Level {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;

  const uint8_t* At(int x, int y) const {
    return &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
  }
};

// A texture's levels as the sampler sees them (a compressed map decoded level by level),
// and how it is sampled.
struct Levels {
  std::vector<Level> level;
  GLint minFilter = GL_LINEAR_MIPMAP_LINEAR, magFilter = GL_LINEAR;
  GLint wrapS = GL_REPEAT, wrapT = GL_REPEAT;
  GLfloat anisotropy = 0.0f;  // 0: the driver has no anisotropic filtering
};

// The longest mipmap chain a map of up to 8192 texels a side has.
constexpr int kMaxLevels = 14;

bool ReadLevels(int name, Levels* out) {
  if (!TextureNamed(name) || !glIsTexture(static_cast<GLuint>(name))) return false;
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  out->level.clear();
  for (int k = 0; k < kMaxLevels; ++k) {
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, k, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, k, GL_TEXTURE_HEIGHT, &h);
    if (w <= 0 || h <= 0) break;
    Level l;
    l.width = w;
    l.height = h;
    l.rgba.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0);
    glGetTexImage(GL_TEXTURE_2D, k, GL_RGBA, GL_UNSIGNED_BYTE, l.rgba.data());
    out->level.push_back(std::move(l));
    if (w == 1 && h == 1) break;
  }
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &out->minFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &out->magFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &out->wrapS);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &out->wrapT);
  TakeGlErrors();
  GLfloat anisotropy = 0.0f;
  glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
  out->anisotropy = glGetError() == GL_NO_ERROR ? anisotropy : 0.0f;
  return !out->level.empty();
}

// A texture sampled as `like` is, with the given levels (each of `like`'s sizes).
// 0 when the driver refuses it, with a line saying so.
GLuint UploadLike(const Levels& like, GLenum format, const std::vector<std::vector<uint8_t>>& levels) {
  TakeGlErrors();
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, like.minFilter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, like.magFilter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, like.wrapS);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, like.wrapT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels.size()) - 1);
  if (like.anisotropy > 0.0f) glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, like.anisotropy);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (size_t k = 0; k < levels.size(); ++k)
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(k), static_cast<GLint>(format), like.level[k].width,
                 like.level[k].height, 0, format, GL_UNSIGNED_BYTE, levels[k].data());
  if (glGetError() != GL_NO_ERROR) {
    glDeleteTextures(1, &name);
    std::fprintf(stderr, "render: the driver refused a packed ground map\n");
    return 0;
  }
  return name;
}

// The luminance the landscape program weighs a detail texel by, in bytes.
uint8_t Luminance(const uint8_t* rgba) {
  const float l = 0.3f * rgba[0] + 0.59f * rgba[1] + 0.11f * rgba[2];
  return static_cast<uint8_t>(std::lround(std::fmin(l, 255.0f)));
}

// Two maps read at one place give the texels of one pack only when the sampler walks
// both alike: the same levels, filtered and wrapped the same way.
bool SampledAlike(const Levels& a, const Levels& b) {
  if (a.level.size() != b.level.size()) return false;
  for (size_t k = 0; k < a.level.size(); ++k)
    if (a.level[k].width != b.level[k].width || a.level[k].height != b.level[k].height) return false;
  return a.minFilter == b.minFilter && a.magFilter == b.magFilter && a.wrapS == b.wrapS && a.wrapT == b.wrapT &&
         a.anisotropy == b.anisotropy;
}

GLuint MakeDetailLuminance(int detail0, int detail1) {
  Levels a, b;
  if (!ReadLevels(detail0, &a) || !ReadLevels(detail1, &b)) {
    std::fprintf(stderr, "render: a landscape detail map is missing: the land reads them unpacked\n");
    return 0;
  }
  if (!SampledAlike(a, b)) {
    std::fprintf(stderr,
                 "render: the landscape's detail maps differ (%d x %d, %d x %d, or their filters): "
                 "the land reads them unpacked\n",
                 a.level[0].width, a.level[0].height, b.level[0].width, b.level[0].height);
    return 0;
  }
  // Level by level, so that each holds the luminance of the texels the two maps hold.
  std::vector<std::vector<uint8_t>> levels(a.level.size());
  for (size_t k = 0; k < levels.size(); ++k) {
    const size_t n = a.level[k].rgba.size() / 4;
    levels[k].resize(n * 2);
    for (size_t i = 0; i < n; ++i) {
      levels[k][2 * i] = Luminance(&a.level[k].rgba[4 * i]);
      levels[k][2 * i + 1] = Luminance(&b.level[k].rgba[4 * i]);
    }
  }
  return UploadLike(a, GL_LUMINANCE_ALPHA, levels);
}

// Texel index i of a side n under a wrap mode (repeat or clamped to the edge).
int Wrapped(int i, int n, GLint wrap) {
  if (wrap == GL_REPEAT) return ((i % n) + n) % n;
  return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

// A level's red channel read by a linear filter at (s, t), in 0-255.
float LinearRed(const Level& m, GLint wrapS, GLint wrapT, float s, float t) {
  const float x = s * static_cast<float>(m.width) - 0.5f, y = t * static_cast<float>(m.height) - 0.5f;
  const float fx = std::floor(x), fy = std::floor(y);
  const float ax = x - fx, ay = y - fy;
  const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
  auto red = [&](int xi, int yi) {
    return static_cast<float>(m.At(Wrapped(xi, m.width, wrapS), Wrapped(yi, m.height, wrapT))[0]);
  };
  const float top = red(x0, y0) * (1.0f - ax) + red(x0 + 1, y0) * ax;
  const float bottom = red(x0, y0 + 1) * (1.0f - ax) + red(x0 + 1, y0 + 1) * ax;
  return top * (1.0f - ay) + bottom * ay;
}

// The alpha map's level of `road`'s level k: the one of the same size, which the sampler
// reads at the same level of detail. Null for a road level finer than the alpha map's
// base, where the alpha map is magnified.
const Level* SameSizeLevel(const Levels& alpha, const Level& road) {
  for (const Level& l : alpha.level)
    if (l.width == road.width && l.height == road.height) return &l;
  return nullptr;
}

// Every road level takes the alpha map's level of its size, or, finer than the alpha
// map's base in both directions, that base magnified. An alpha map of another shape (or
// one finer than a level of the road's) has levels the sampler reaches at other levels
// of detail than the road's: no one map reads as the two did.
bool AlphaFitsRoad(const Levels& road, const Levels& alpha) {
  const Level& base = alpha.level[0];
  for (const Level& r : road.level)
    if (!SameSizeLevel(alpha, r) && (r.width < base.width || r.height < base.height)) return false;
  return true;
}

GLuint MakeRoadWithAlpha(int texture, int alphaMap) {
  Levels road, alpha;
  if (!ReadLevels(texture, &road) || !ReadLevels(alphaMap, &alpha)) {
    std::fprintf(stderr, "render: a road material has no alpha map: the road reads its maps unpacked\n");
    return 0;
  }
  if (!AlphaFitsRoad(road, alpha)) {
    std::fprintf(stderr,
                 "render: a road's alpha map (%d x %d) does not fit its texture (%d x %d): "
                 "the road reads its maps unpacked\n",
                 alpha.level[0].width, alpha.level[0].height, road.level[0].width, road.level[0].height);
    return 0;
  }
  std::vector<std::vector<uint8_t>> levels(road.level.size());
  for (size_t k = 0; k < levels.size(); ++k) {
    const Level& r = road.level[k];
    levels[k] = r.rgba;
    const Level* same = SameSizeLevel(alpha, r);
    for (int y = 0; y < r.height; ++y)
      for (int x = 0; x < r.width; ++x) {
        uint8_t a = 0;
        if (same) {
          a = same->At(x, y)[0];
        } else {
          const float s = (static_cast<float>(x) + 0.5f) / static_cast<float>(r.width);
          const float t = (static_cast<float>(y) + 0.5f) / static_cast<float>(r.height);
          const long v = std::lround(LinearRed(alpha.level[0], alpha.wrapS, alpha.wrapT, s, t));
          a = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
        levels[k][(static_cast<size_t>(y) * static_cast<size_t>(r.width) + static_cast<size_t>(x)) * 4 + 3] = a;
      }
  }
  return UploadLike(road, GL_RGBA, levels);
}

void ForgetGround() {
  for (GLuint& name : g_ground) {
    if (name) glDeleteTextures(1, &name);
    name = 0;
  }
}

// The twelve channels of the road's two ground maps and their normal maps, four to a
// map, in the order the road program unpacks them.
bool MakeGround(const int sources[kGroundSources]) {
  Levels in[kGroundSources];
  for (int i = 0; i < kGroundSources; ++i)
    if (!ReadLevels(sources[i], &in[i])) {
      std::fprintf(stderr, "render: a ground map beside the road is missing: the road reads its maps unpacked\n");
      return false;
    }
  for (int i = 1; i < kGroundSources; ++i)
    if (!SampledAlike(in[0], in[i])) {
      std::fprintf(stderr,
                   "render: the ground maps beside the road differ (%d x %d, %d x %d, or their filters): "
                   "the road reads them unpacked\n",
                   in[0].level[0].width, in[0].level[0].height, in[i].level[0].width, in[i].level[0].height);
      return false;
    }
  for (int p = 0; p < kGroundPacks; ++p) {
    std::vector<std::vector<uint8_t>> levels(in[0].level.size());
    for (size_t k = 0; k < levels.size(); ++k) {
      const size_t n = in[0].level[k].rgba.size() / 4;
      levels[k].resize(n * 4);
      for (size_t t = 0; t < n; ++t)
        for (int c = 0; c < 4; ++c) {
          const int channel = p * 4 + c;  // source channel / 3 names the map, % 3 its channel
          levels[k][t * 4 + static_cast<size_t>(c)] = in[channel / 3].level[k].rgba[t * 4 + channel % 3];
        }
    }
    g_ground[p] = UploadLike(in[0], GL_RGBA, levels);
    if (!g_ground[p]) {
      ForgetGround();
      return false;
    }
  }
  return true;
}

const ModelMaterial* Material(const Model& table, int index) {
  if (index < 0 || index >= table.materialCount || !table.materials) return nullptr;
  return &table.materials[index];
}

// A pack of each textured road material that a group binds; false when one cannot be
// made or there are more of them than slots.
bool MakeRoadMaps(const Model* road) {
  if (!road || !road->groups) return true;  // no road drawn
  for (int g = 0; g < road->groupCount; ++g) {
    const ModelMaterial* m = Material(*road, road->groups[g].materialIndex);
    if (!m || !TextureNamed(m->texture)) continue;  // binds nothing in either layout
    if (RoadMapWithAlpha(m->texture, m->alphaMap)) continue;
    PackedMap* free = nullptr;
    for (PackedMap& slot : g_road)
      if (slot.source0 == 0) {
        free = &slot;
        break;
      }
    if (!free) {
      std::fprintf(stderr, "render: the road has more than %d materials: it reads its maps unpacked\n", kRoadSlots);
      return false;
    }
    const GLuint name = MakeRoadWithAlpha(m->texture, m->alphaMap);
    if (!name) return false;
    *free = {m->texture, m->alphaMap, name};
  }
  return true;
}

// The two programs whose inputs the layout changes: as start-up built them, and built
// with GROUND_MAPS_UNPACKED the first time a race needs them (kept for the run).
struct LayoutPrograms {
  ShaderProgramId id;
  ShaderProgram packed, unpacked;
  bool unpackedTried = false, unpackedBuilt = false;
};
LayoutPrograms g_roadProgram{ShaderProgramId::RoadBump, {}, {}};
LayoutPrograms g_landProgram{ShaderProgramId::Landscape, {}, {}};

// Puts the layout's program in the renderer's table, where the pass and
// SetShaderUniforms find it. False when the unpacked one does not build: the table
// keeps the packed one.
bool InstallProgram(LayoutPrograms* p, bool packed) {
  ShaderProgram& slot = Renderer.Program(p->id);
  // A renderer started again holds programs of its own.
  if (slot.program != p->packed.program && (!p->unpackedBuilt || slot.program != p->unpacked.program)) {
    p->packed = slot;
    p->unpacked = ShaderProgram();
    p->unpackedTried = p->unpackedBuilt = false;
  }
  if (packed || !p->packed.program) {
    slot = p->packed;
    return packed;
  }
  if (!p->unpackedTried) {
    p->unpackedTried = true;
    p->unpackedBuilt = BuildShaderProgramVariant(kShaderFolder, p->id, kUnpackedDefine, &p->unpacked);
    if (!p->unpackedBuilt)
      std::fprintf(stderr, "render: %s does not build with its maps unpacked: drawn from its packs\n",
                   ShaderProgramName(p->id));
  }
  slot = p->unpackedBuilt ? p->unpacked : p->packed;
  return p->unpackedBuilt;
}

// The bound 2D texture of the active unit, put back after the maps are made.
class KeepBinding {
 public:
  KeepBinding() { glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound_); }
  ~KeepBinding() { glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound_)); }
  KeepBinding(const KeepBinding&) = delete;
  KeepBinding& operator=(const KeepBinding&) = delete;

 private:
  GLint bound_ = 0;
};

}  // namespace

void ForgetGroundMaps() {
  for (PackedMap& m : g_road) {
    if (m.name) glDeleteTextures(1, &m.name);
    m = PackedMap();
  }
  if (g_detail) glDeleteTextures(1, &g_detail);
  g_detail = 0;
  ForgetGround();
}

void BuildGroundMaps(GroundPacking packing) {
  ForgetGroundMaps();
  bool road = false, land = false;
  if (packing == GroundPacking::kWhereExact) {
    const KeepBinding keep;
    const int grounds[kGroundSources] = {LandscapeTextures[0].name, LandscapeTextures[1].name,
                                         LandscapeTextures[kLandscapeNormalOffset].name,
                                         LandscapeTextures[1 + kLandscapeNormalOffset].name};
    road = MakeGround(grounds) && MakeRoadMaps(WorldLayers.render[kLayerMainRoad]);
    g_detail = MakeDetailLuminance(LandscapeTextures[kLandDetail0Map].name, LandscapeTextures[kLandDetail1Map].name);
    land = g_detail != 0;
  }
  // A pass that cannot read its maps unpacked keeps what packs it has.
  g_roadPacked = !InstallProgram(&g_roadProgram, road) || road;
  g_landPacked = !InstallProgram(&g_landProgram, land) || land;
}

bool RoadMapsPacked() { return g_roadPacked; }
bool LandMapsPacked() { return g_landPacked; }

unsigned DetailLuminanceMap() { return g_detail; }

bool RoadGroundMaps(unsigned out[kGroundPacks]) {
  for (int p = 0; p < kGroundPacks; ++p) out[p] = g_ground[p];
  return g_ground[0] != 0;
}

unsigned RoadMapWithAlpha(int texture, int alphaMap) {
  if (!TextureNamed(texture) || !TextureNamed(alphaMap)) return 0;
  for (const PackedMap& m : g_road)
    if (m.source0 == texture && m.source1 == alphaMap) return m.name;
  return 0;
}
