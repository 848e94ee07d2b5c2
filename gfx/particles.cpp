#include "gfx/particles.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "gfx/data_files.h"
#include "platform/crt_rand.h"


namespace {

constexpr int kArrays = 10;
constexpr int kMaxStepsMinusOne = 5;

}  // namespace

ParticleEmitter::ParticleEmitter() { std::memset(&params_, 0, sizeof params_); }

ParticleEmitter::~ParticleEmitter() { Release(); }

void ParticleEmitter::Release() {
  delete[] block_;
  block_ = nullptr;
  life_ = decayRate_ = offsetX_ = offsetY_ = offsetZ_ = nullptr;
  velocityX_ = velocityY_ = velocityZ_ = size_ = speedFactor_ = nullptr;
  count_ = 0;
}

float ParticleEmitter::NewDecayRate() const {
  return static_cast<float>(platform::Rand() % params_.decayModulus) / params_.decayDivisor +
         params_.decayBase;
}

bool ParticleEmitter::Load(const char* path, Use use) {
  EffectParameters p;
  std::memset(&p, 0, sizeof p);
  uint8_t bytes[kEffectFileBytes + 1] = {};
  size_t n = 0;
  if (path != nullptr) {
    if (FILE* f = std::fopen(path, "rb")) {
      n = std::fread(bytes, 1, sizeof bytes, f);
      std::fclose(f);
    }
  }
  const bool lasting = use == Use::kRaces;
  const char* const runsOn = lasting ? "" : "; no race draws it, the game runs on without it";
  if (!DecodeEffect(bytes, n, &p)) {
    const std::string why = std::string(n == 0 ? "is missing or empty" : "is not a usable effect file") + runsOn;
    ReportUnusableFile(path, why.c_str(), lasting);
    // Nothing to run with: an empty emitter rather than undefined parameters.
    Release();
    std::memset(&params_, 0, sizeof params_);
    return false;
  }
  if (const char* problem = EffectProblem(p)) {
    const std::string why = std::string("is no usable effect: ") + problem + runsOn;
    ReportUnusableFile(path, why.c_str(), lasting);
  }
  return Init(p);
}

bool ParticleEmitter::Init(const EffectParameters& parameters) {
  Release();
  params_ = parameters;
  startLife = parameters.startLife;
  if (EffectProblem(parameters) != nullptr) return false;
  float* block = new (std::nothrow) float[static_cast<size_t>(parameters.count) * kArrays];
  if (block == nullptr) return false;
  const int n = parameters.count;
  block_ = block;
  life_ = block;
  decayRate_ = block + n;
  offsetX_ = block + 2 * n;
  offsetY_ = block + 3 * n;
  offsetZ_ = block + 4 * n;
  velocityX_ = block + 5 * n;
  velocityY_ = block + 6 * n;
  velocityZ_ = block + 7 * n;
  size_ = block + 8 * n;
  speedFactor_ = block + 9 * n;
  count_ = n;
  const float life0 = startLife;
  for (int i = 0; i < n; ++i) {
    life_[i] = 0.0f;
    decayRate_[i] = NewDecayRate();
    offsetX_[i] = offsetY_[i] = offsetZ_[i] = 0.0f;
    velocityX_[i] = velocityY_[i] = velocityZ_[i] = 0.0f;
    size_[i] = params_.startSize;
    speedFactor_[i] = life0;
  }
  colourR = 1.0f;
  colourG = 1.0f;
  colourB = 1.0f;
  return true;
}

void ParticleEmitter::Update(float dt, float vx, float vy, float vz) {
  // A negative (or non-numeric) frame time moves nothing.
  if (!(dt >= 0.0f)) return;
  // Capped before the conversion: a frame time past the int range (a long stall, or
  // infinity) would not convert to a step count at all.
  const float extra = dt * 0.4f;
  const int n = extra >= static_cast<float>(kMaxStepsMinusOne) ? kMaxStepsMinusOne
                                                               : static_cast<int>(extra);
  const int steps = n + 1;
  const float life0 = startLife;
  const bool respawn = emitting;
  const EffectParameters& p = params_;
  for (int i = 0; i < count_; ++i) {
    for (int s = 0; s < steps; ++s) {
      velocityX_[i] += p.acceleration[0];
      velocityY_[i] += p.acceleration[1];
      velocityZ_[i] += p.acceleration[2];
      if (speedFactor_[i] > 0.0f) speedFactor_[i] -= p.speedDecay;
      offsetX_[i] += velocityX_[i] * p.axisScale[0] * speedFactor_[i];
      offsetY_[i] += velocityY_[i] * p.axisScale[1] * speedFactor_[i];
      offsetZ_[i] += velocityZ_[i] * p.axisScale[2] * speedFactor_[i];
      life_[i] -= decayRate_[i] * p.lifeRate;
      if (p.maxSize > size_[i]) size_[i] += p.growth;
      if (life_[i] < 0.0f && respawn) {
        life_[i] = life0;
        decayRate_[i] = NewDecayRate();
        offsetX_[i] = offsetY_[i] = offsetZ_[i] = 0.0f;
        // The three draws go x, y, z in that order, which fixes the sequence per seed.
        velocityX_[i] = static_cast<float>(platform::Rand() % p.spreadRange[0]) -
                        p.spreadOffset[0] + vx;
        velocityY_[i] = static_cast<float>(platform::Rand() % p.spreadRange[1]) -
                        p.spreadOffset[1] + vy;
        velocityZ_[i] = static_cast<float>(platform::Rand() % p.spreadRange[2]) -
                        p.spreadOffset[2] + vz;
        size_[i] = p.startSize;
        speedFactor_[i] = 1.0f;
      }
    }
  }
}

void ParticleEmitter::Draw(float px, float py, float pz, float ex, float ey, float ez,
                           int texture, float scale, const SpriteTrim* trim) {
  if (count_ == 0) return;
  glDepthMask(GL_FALSE);
  glDisable(GL_CULL_FACE);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, params_.blendMode == 1 ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
  glBindTexture(GL_TEXTURE_2D, texture > 0 ? static_cast<GLuint>(texture) : 0);
  const float r = colourR, g = colourG, b = colourB;
  // One batch for the whole emitter: a software driver pays for every begin and end,
  // and each particle is one quad (the strip's corners in quad order). A trim splits it
  // where the filter changes.
  GLint minifying = GL_LINEAR_MIPMAP_LINEAR, magnifying = GL_LINEAR;
  if (trim) {
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minifying);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magnifying);
  }
  bool baseLevel = false;
  glBegin(GL_QUADS);
  for (int i = 0; i < count_; ++i) {
    // Life is the alpha, and both blend modes weigh the source by it: a spent particle
    // adds nothing to the picture but still costs its whole square in fill.
    if (!(life_[i] > 0.0f)) continue;
    glColor4f(r, g, b, life_[i]);
    const double P[3] = {static_cast<double>(px) + offsetX_[i],
                         static_cast<double>(py) + offsetY_[i],
                         static_cast<double>(pz) + offsetZ_[i]};
    const double toEye[3] = {ex - P[0], ey - P[1], ez - P[2]};
    const double len = std::sqrt(toEye[0] * toEye[0] + toEye[1] * toEye[1] + toEye[2] * toEye[2]);
    // A particle at the eye has no facing; it would only draw NaN.
    if (!(len > 0.0)) continue;
    const double N[3] = {toEye[0] / len, toEye[1] / len, toEye[2] / len};
    // R = N x (0, 1, 0), U = N x R; neither is normalised again, so a particle seen
    // from straight above shrinks to nothing, as the effects were tuned.
    const double R[3] = {-N[2], 0.0, N[0]};
    const double U[3] = {N[1] * R[2] - N[2] * R[1], N[2] * R[0] - N[0] * R[2],
                         N[0] * R[1] - N[1] * R[0]};
    const double k = static_cast<double>(scale) * size_[i];
    const float Rs[3] = {static_cast<float>(k * R[0]), static_cast<float>(k * R[1]),
                         static_cast<float>(k * R[2])};
    const float Us[3] = {static_cast<float>(k * U[0]), static_cast<float>(k * U[1]),
                         static_cast<float>(k * U[2])};
    const bool magnified = trim && trim->outline && Magnified(i, toEye[0], toEye[1], toEye[2], scale, *trim);
    if (trim && magnified != baseLevel) {
      // Sampled from the base level alone, the particle skips the level-of-detail work
      // that a software sampler does per pixel for a mipmapped filter.
      glEnd();
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, magnified ? magnifying : minifying);
      baseLevel = magnified;
      glBegin(GL_QUADS);
    }
    const SpriteOutline* outline = magnified ? trim->outline : nullptr;
    if (!outline) {
      glTexCoord2f(1.0f, 0.0f);
      glVertex3d(P[0] - Us[0], P[1] - Us[1], P[2] - Us[2]);
      glTexCoord2f(0.0f, 0.0f);
      glVertex3d(P[0] + Rs[0], P[1] + Rs[1], P[2] + Rs[2]);
      glTexCoord2f(0.0f, 1.0f);
      glVertex3d(P[0] + Us[0], P[1] + Us[1], P[2] + Us[2]);
      glTexCoord2f(1.0f, 1.0f);
      glVertex3d(P[0] - Rs[0], P[1] - Rs[1], P[2] - Rs[2]);
      continue;
    }
    // The diamond maps texture (s, t) to P + (1 - s - t) R' + (t - s) U' (its corners
    // above); the outline's corners go through the same map, so every pixel it covers
    // samples where the diamond's would. Each corner is worked out once: the quads of
    // the fan share bit-identical edges, and no pixel is blended twice.
    double corner[kMaxOutlineCorners][3];
    for (int c = 0; c < outline->corners; ++c) {
      const double a = 1.0 - outline->s[c] - outline->t[c], b = outline->t[c] - outline->s[c];
      for (int axis = 0; axis < 3; ++axis) corner[c][axis] = P[axis] + a * Rs[axis] + b * Us[axis];
    }
    // A fan of quads from corner 0; an odd corner count ends on a triangle.
    const int last = outline->corners - 1;
    for (int c = 1; c < last; c += 2) {
      const int fan[4] = {0, c, c + 1, c + 2 <= last ? c + 2 : last};
      for (int v : fan) {
        glTexCoord2f(outline->s[v], outline->t[v]);
        glVertex3dv(corner[v]);
      }
    }
  }
  glEnd();
  if (baseLevel) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minifying);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  glDepthMask(GL_TRUE);
}

bool ParticleEmitter::Magnified(int i, double dx, double dy, double dz, float scale,
                                const SpriteTrim& trim) const {
  const double texels = trim.outline ? trim.outline->texels : 0;
  if (!(trim.pixelsPerUnit > 0.0f) || !(texels > 0.0)) return false;
  const double lenSq = dx * dx + dy * dy + dz * dz;
  if (!(lenSq > 0.0)) return false;
  const double len = std::sqrt(lenSq);
  // The diamond's half diagonal: the facing vectors' length times the size.
  const double reach = std::fabs(static_cast<double>(scale) * size_[i]) * std::sqrt(dx * dx + dz * dz) / len;
  if (!(reach > 0.0)) return false;
  // The texture spans the square's side, sqrt(2) times the half diagonal. A point of the
  // square at distance r from the eye, on a plane that faces the eye at distance len, is
  // magnified at least pixelsPerUnit len / r^2 times in every direction, and r^2 is at
  // most len^2 + reach^2.
  const double texelsPerUnit = texels / (std::sqrt(2.0) * reach);
  const double leastPixelsPerUnit = trim.pixelsPerUnit * len / (lenSq + reach * reach);
  return texelsPerUnit <= trim.limit * leastPixelsPerUnit;
}

bool ParticleEmitter::Save(const char* path) const {
  if (path == nullptr) return false;
  EffectParameters p = params_;
  p.startLife = startLife;
  uint8_t bytes[kEffectFileBytes];
  EncodeEffect(p, bytes);
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool written = std::fwrite(bytes, 1, sizeof bytes, f) == sizeof bytes;
  return std::fclose(f) == 0 && written;
}

bool LoadParticleEmitters() {
  bool ok = true;
  using Use = ParticleEmitter::Use;
  for (ParticleEmitter& e : FirePipeEmitters) ok &= e.Load("base/effects/firepipe.eff", Use::kNoRace);
  for (ParticleEmitter& e : SmokePipeEmitters) ok &= e.Load("base/effects/smokepipe.eff");
  for (ParticleEmitter& e : DustEmitters) ok &= e.Load("base/effects/dust.eff");
  ok &= CheckpointLightEmitter.Load("base/effects/checkpointlight.eff", Use::kNoRace);
  return ok;
}
