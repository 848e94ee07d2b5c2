// The .eff effect file: exactly 96 bytes, 24 little-endian 4-byte fields, no header.
// Reader and writer side by side; the emitters load through the reader, the content
// generator writes through the writer and checks with the reader.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kEffectFileBytes = 96;
// More particles than any effect needs; a larger count is a damaged file, not a wish.
constexpr int kMaxEffectParticles = 65536;

struct EffectParameters {
  int32_t count;             // 0: number of particles
  int32_t storedBlendMode;   // 4: written, never used (offset 92 counts)
  float maxSize;             // 8: growth stops here
  float acceleration[3];     // 12: added to the velocity each step
  float axisScale[3];        // 24: per-axis factor on the velocity when moving
  float lifeRate;            // 36: factor on the decay rate
  int32_t spreadRange[3];    // 40: random start velocity 0..range-1
  float spreadOffset[3];     // 52: subtracted from it
  int32_t decayModulus;      // 64: range of the random part of the decay rate
  float decayDivisor;        // 68: divides it
  float decayBase;           // 72: added to it
  float growth;              // 76: size added per step below max size
  float startSize;           // 80
  float speedDecay;          // 84: taken off the speed factor each step
  float startLife;           // 88: life (and alpha) of a new particle
  int32_t blendMode;         // 92: 1 additive, else ordinary alpha blending
};

// Field order decoding; false for any other size than 96 bytes.
bool DecodeEffect(const uint8_t* data, size_t size, EffectParameters* out);
void EncodeEffect(const EffectParameters& p, uint8_t out[kEffectFileBytes]);

// Why the emitter cannot run these parameters, or null when it can: a count outside
// 1..kMaxEffectParticles, a spread range or decay modulus below 1 (the generator's
// value is taken modulo them), a zero decay divisor, a value that is no number, or a
// decay per step that is none: a divisor so small that the largest draw over it
// overflows would make life infinite, and with it the particle's alpha no number.
const char* EffectProblem(const EffectParameters& p);
