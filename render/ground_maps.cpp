#include "render/ground_maps.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

// One world has one road material; a few more leave room for content with several.
constexpr int kRoadSlots = 4;

struct PackedMap {
  int source0 = 0, source1 = 0;  // the maps it was made from; 0 when the slot is free
  GLuint name = 0;
};

PackedMap g_detail;
PackedMap g_road[kRoadSlots];
// The road's ground: its sources, and the three maps made from them.
int g_groundSources[kGroundSources] = {};
GLuint g_ground[kGroundPacks] = {};

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
  if (name <= 0 || !glIsTexture(static_cast<GLuint>(name))) return false;
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
// 0 on failure, with a line saying what is drawn instead.
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
    std::fprintf(stderr, "render: the driver refused a packed ground map; the ground is drawn without it\n");
    return 0;
  }
  return name;
}

// The luminance the landscape program weighs a detail texel by, in bytes.
uint8_t Luminance(const uint8_t* rgba) {
  const float l = 0.3f * rgba[0] + 0.59f * rgba[1] + 0.11f * rgba[2];
  return static_cast<uint8_t>(std::lround(std::fmin(l, 255.0f)));
}

bool SameSizes(const Levels& a, const Levels& b) {
  if (a.level.size() != b.level.size()) return false;
  for (size_t k = 0; k < a.level.size(); ++k)
    if (a.level[k].width != b.level[k].width || a.level[k].height != b.level[k].height) return false;
  return true;
}

GLuint MakeDetailLuminance(int detail0, int detail1) {
  Levels a, b;
  if (!ReadLevels(detail0, &a) || !ReadLevels(detail1, &b)) return 0;
  if (!SameSizes(a, b)) {
    std::fprintf(stderr, "render: the landscape's detail maps differ in size (%d x %d, %d x %d): not packed\n",
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
// reads at the same level of detail. Levels above the alpha map's base (the road's finest,
// where the alpha map is magnified) take the base level read by its linear filter.
const Level* SameSizeLevel(const Levels& alpha, const Level& road) {
  for (const Level& l : alpha.level)
    if (l.width == road.width && l.height == road.height) return &l;
  return nullptr;
}

GLuint MakeRoadWithAlpha(int texture, int alphaMap) {
  Levels road, alpha;
  if (!ReadLevels(texture, &road) || !ReadLevels(alphaMap, &alpha)) return 0;
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

// The twelve channels of the road's two ground maps and their normal maps, four to a
// map, in the order the road program unpacks them.
bool MakeGround(const int sources[kGroundSources], GLuint out[kGroundPacks]) {
  Levels in[kGroundSources];
  for (int i = 0; i < kGroundSources; ++i)
    if (!ReadLevels(sources[i], &in[i])) return false;
  for (int i = 1; i < kGroundSources; ++i)
    if (!SameSizes(in[0], in[i])) {
      std::fprintf(stderr, "render: the road's ground maps differ in size: not packed\n");
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
    out[p] = UploadLike(in[0], GL_RGBA, levels);
    if (!out[p]) return false;
  }
  return true;
}

void Forget(PackedMap* m) {
  if (m->name) glDeleteTextures(1, &m->name);
  *m = PackedMap();
}

void ForgetGround() {
  for (GLuint& name : g_ground) {
    if (name) glDeleteTextures(1, &name);
    name = 0;
  }
}

// The bound 2D texture of the active unit, put back after a map is made.
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

void InvalidateGroundMaps() {
  Forget(&g_detail);
  for (PackedMap& m : g_road) Forget(&m);
  ForgetGround();
  for (int& source : g_groundSources) source = 0;
}

bool RoadGroundMaps(const int sources[kGroundSources], unsigned out[kGroundPacks]) {
  for (int i = 0; i < kGroundSources; ++i)
    if (sources[i] <= 0) return false;
  bool same = true;
  for (int i = 0; i < kGroundSources; ++i) same = same && g_groundSources[i] == sources[i];
  if (!same) {
    ForgetGround();
    const KeepBinding keep;
    if (!MakeGround(sources, g_ground)) ForgetGround();
    for (int i = 0; i < kGroundSources; ++i) g_groundSources[i] = sources[i];
  }
  for (int p = 0; p < kGroundPacks; ++p) out[p] = g_ground[p];
  return g_ground[0] != 0;
}

unsigned DetailLuminanceMap(int detail0, int detail1) {
  if (detail0 <= 0 || detail1 <= 0) return 0;
  if (g_detail.source0 != detail0 || g_detail.source1 != detail1) {
    Forget(&g_detail);
    const KeepBinding keep;
    g_detail = {detail0, detail1, MakeDetailLuminance(detail0, detail1)};
  }
  return g_detail.name;
}

unsigned RoadMapWithAlpha(int texture, int alphaMap) {
  if (texture <= 0 || alphaMap <= 0) return 0;
  for (const PackedMap& m : g_road)
    if (m.source0 == texture && m.source1 == alphaMap) return m.name;
  PackedMap* slot = &g_road[kRoadSlots - 1];
  for (PackedMap& m : g_road)
    if (m.source0 == 0) {
      slot = &m;
      break;
    }
  Forget(slot);
  const KeepBinding keep;
  *slot = {texture, alphaMap, MakeRoadWithAlpha(texture, alphaMap)};
  return slot->name;
}
