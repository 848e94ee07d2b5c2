// A CPU particle effect: a fixed number of particles with per-particle arrays, driven
// by the parameters of an .eff file, updated with the frame time and an emitter
// velocity and drawn as camera-facing quads around a position the caller gives.
// Particle positions are offsets from the emitter, so the cloud moves with it.
#pragma once

#include <atomic>

#include "gfx/particles_eff.h"
#include "gfx/sprite_outline.h"

// What Draw needs to trim particles to their sprite's visible part. A particle counts as
// magnified when its texture (outline->texels across) lands at no more than `limit`
// texels per pixel anywhere on its diamond, for a projection of pixelsPerUnit pixels per
// world unit at distance 1; a limit below 1 leaves room for a rasteriser's approximate
// level-of-detail arithmetic.
struct SpriteTrim {
  const SpriteOutline* outline = nullptr;
  float pixelsPerUnit = 0.0f;
  float limit = 0.0f;
};

class ParticleEmitter {
 public:
  ParticleEmitter();
  ~ParticleEmitter();
  ParticleEmitter(const ParticleEmitter&) = delete;
  ParticleEmitter& operator=(const ParticleEmitter&) = delete;

  // Who needs the effect, for the line that names a file that cannot be used: an
  // effect a race draws is remembered for the whole run (every race is refused without
  // it); one that no race draws is named and the game runs on without it.
  enum class Use { kRaces, kNoRace };
  // Reads a 96-byte effect file and runs Init. A missing, short or invalid file (see
  // EffectProblem) leaves an empty emitter that updates and draws nothing; false then.
  bool Load(const char* path, Use use = Use::kRaces);
  // Takes the parameters and makes the particles; false (and an empty emitter) when
  // EffectProblem refuses them. Releases the particles of an earlier load first.
  bool Init(const EffectParameters& parameters);
  // dt in the caller's ticks: 1 + trunc(0.4 dt) steps, at most 6; none for dt < 0.
  // The velocity is added to the start velocity of particles born in this call.
  void Update(float dt, float vx, float vy, float vz);
  // Camera-facing diamonds at position + offset, facing the eye, sized by scale. With a
  // trim, a particle seen magnified (below) is drawn over the outline's polygon of its
  // texture square only, and with the texture's magnifying filter for minifying too: it
  // samples the base level alone either way, and the pixels left out are those its
  // texture leaves clear. Particles stay in index order.
  void Draw(float px, float py, float pz, float ex, float ey, float ez, int texture,
            float scale, const SpriteTrim* trim = nullptr);
  // Writes the 24 fields; false when the file cannot be written.
  bool Save(const char* path) const;

  int Count() const { return count_; }
  const EffectParameters& Parameters() const { return params_; }
  // Per-particle state, for the tests and tools; index below Count().
  float Life(int i) const { return life_[i]; }
  float OffsetX(int i) const { return offsetX_[i]; }
  float OffsetY(int i) const { return offsetY_[i]; }
  float OffsetZ(int i) const { return offsetZ_[i]; }
  float VelocityX(int i) const { return velocityX_[i]; }
  float Size(int i) const { return size_[i]; }
  float DecayRate(int i) const { return decayRate_[i]; }
  float SpeedFactor(int i) const { return speedFactor_[i]; }

  // Written by the race update on the loader thread while the main thread draws; each
  // is read once per Update or Draw call, so a change lands whole between frames.
  std::atomic<float> startLife{0.0f};
  std::atomic<float> colourR{1.0f};
  std::atomic<float> colourG{1.0f};
  std::atomic<float> colourB{1.0f};
  std::atomic<bool> emitting{true};  // dead particles respawn only while set

 private:
  void Release();
  float NewDecayRate() const;
  bool Magnified(int i, double toEyeX, double toEyeY, double toEyeZ, float scale, const SpriteTrim& trim) const;

  EffectParameters params_;  // startLife lives in the atomic above
  int count_ = 0;            // 0: empty emitter
  float* block_ = nullptr;   // one allocation holding the ten per-particle arrays
  float* life_ = nullptr;    // also the particle's alpha
  float* decayRate_ = nullptr;
  float* offsetX_ = nullptr;
  float* offsetY_ = nullptr;
  float* offsetZ_ = nullptr;
  float* velocityX_ = nullptr;
  float* velocityY_ = nullptr;
  float* velocityZ_ = nullptr;
  float* size_ = nullptr;
  float* speedFactor_ = nullptr;
};

// The 17 emitters of the game.
constexpr int kCarEmitters = 4;
constexpr int kDustEmitters = 8;
extern ParticleEmitter FirePipeEmitters[kCarEmitters];
extern ParticleEmitter SmokePipeEmitters[kCarEmitters];
extern ParticleEmitter DustEmitters[kDustEmitters];
extern ParticleEmitter CheckpointLightEmitter;

// Loads all 17 from "base/effects/": firepipe, smokepipe, dust, checkpointlight, in
// that order; a file that fails leaves its emitters empty. True when all loaded. No race
// draws the firepipe or the checkpoint light: their files are only named when they fail.
bool LoadParticleEmitters();
