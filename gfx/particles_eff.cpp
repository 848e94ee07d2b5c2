#include "gfx/particles_eff.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "platform/crt_rand.h"

namespace {

uint32_t Word(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
void PutWord(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The 24 fields in file order, as pointers to 4-byte slots of the record.
template <typename P, typename I, typename F>
void Fields(P& p, I onInt, F onFloat) {
  onInt(p.count);
  onInt(p.storedBlendMode);
  onFloat(p.maxSize);
  for (auto& f : p.acceleration) onFloat(f);
  for (auto& f : p.axisScale) onFloat(f);
  onFloat(p.lifeRate);
  for (auto& i : p.spreadRange) onInt(i);
  for (auto& f : p.spreadOffset) onFloat(f);
  onInt(p.decayModulus);
  onFloat(p.decayDivisor);
  onFloat(p.decayBase);
  onFloat(p.growth);
  onFloat(p.startSize);
  onFloat(p.speedDecay);
  onFloat(p.startLife);
  onInt(p.blendMode);
}

}  // namespace

bool DecodeEffect(const uint8_t* data, size_t size, EffectParameters* out) {
  if (data == nullptr || size != kEffectFileBytes) return false;
  size_t at = 0;
  Fields(
      *out, [&](int32_t& i) { i = static_cast<int32_t>(Word(data + at)); at += 4; },
      [&](float& f) {
        const uint32_t w = Word(data + at);
        std::memcpy(&f, &w, 4);
        at += 4;
      });
  return true;
}

void EncodeEffect(const EffectParameters& p, uint8_t out[kEffectFileBytes]) {
  size_t at = 0;
  Fields(
      p, [&](const int32_t& i) { PutWord(out + at, static_cast<uint32_t>(i)); at += 4; },
      [&](const float& f) {
        uint32_t w;
        std::memcpy(&w, &f, 4);
        PutWord(out + at, w);
        at += 4;
      });
}

const char* EffectProblem(const EffectParameters& p) {
  if (p.count < 1 || p.count > kMaxEffectParticles) return "particle count out of range";
  for (int i = 0; i < 3; ++i)
    if (p.spreadRange[i] < 1) return "spread range below 1";
  if (p.decayModulus < 1) return "decay modulus below 1";
  if (p.decayDivisor == 0.0f) return "decay divisor is zero";
  bool finite = true;
  Fields(
      p, [](const int32_t&) {}, [&](const float& f) { finite = finite && std::isfinite(f); });
  if (!finite) return "a value is not a number";
  // The decay rates at both ends of what the generator can draw, and the life each
  // takes per step.
  const int32_t drawMax = p.decayModulus - 1 < platform::kRandMax ? p.decayModulus - 1
                                                                   : platform::kRandMax;
  for (const int32_t draw : {0, drawMax}) {
    const float decay = static_cast<float>(draw) / p.decayDivisor + p.decayBase;
    if (!std::isfinite(decay) || !std::isfinite(decay * p.lifeRate))
      return "decay per step is not a number";
  }
  return nullptr;
}
