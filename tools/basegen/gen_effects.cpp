// The four particle effects: "effects/dust.eff", "effects/smokepipe.eff",
// "effects/firepipe.eff" and "effects/checkpointlight.eff". Steps run about once per
// frame, velocities are in effect units scaled by the axis factors, and life is also
// the alpha, so start life sets how dense a fresh puff is.
#include <string>
#include <vector>

#include "gfx/particles.h"
#include "gfx/particles_eff.h"
#include "tools/basegen/basegen.h"

namespace basegen {

namespace {

struct NamedEffect {
  const char* path;
  EffectParameters p;
};

EffectParameters Effect(int count, int blend, float maxSize, float ax, float ay, float az,
                        float scale, float lifeRate, int rx, int ry, int rz, float ox, float oy,
                        float oz, int decayModulus, float decayDivisor, float decayBase,
                        float growth, float startSize, float speedDecay, float startLife) {
  EffectParameters p;
  p.count = count;
  p.storedBlendMode = blend;
  p.blendMode = blend;
  p.maxSize = maxSize;
  p.acceleration[0] = ax;
  p.acceleration[1] = ay;
  p.acceleration[2] = az;
  p.axisScale[0] = p.axisScale[1] = p.axisScale[2] = scale;
  p.lifeRate = lifeRate;
  p.spreadRange[0] = rx;
  p.spreadRange[1] = ry;
  p.spreadRange[2] = rz;
  p.spreadOffset[0] = ox;
  p.spreadOffset[1] = oy;
  p.spreadOffset[2] = oz;
  p.decayModulus = decayModulus;
  p.decayDivisor = decayDivisor;
  p.decayBase = decayBase;
  p.growth = growth;
  p.startSize = startSize;
  p.speedDecay = speedDecay;
  p.startLife = startLife;
  return p;
}

std::vector<NamedEffect> Effects() {
  return {
      // Wheel dust: wide, slow, low clouds that spread, hang and thin out over about
      // two seconds; the race tints and feeds them per car.
      {"effects/dust.eff", Effect(60, 0, 4.0f, 0.0f, 0.001f, 0.0f, 0.004f, 1.0f, 40, 20, 40,
                                  20.0f, 2.0f, 20.0f, 50, 10000.0f, 0.004f, 0.03f, 0.5f,
                                  0.01f, 0.5f)},
      // Exhaust smoke: small grey puffs that rise, swell and fade within a second or
      // so, trailing behind the car with the velocity the smoke pass gives.
      {"effects/smokepipe.eff", Effect(60, 0, 1.2f, 0.0f, 0.004f, 0.0f, 0.005f, 1.0f, 20, 10,
                                       20, 10.0f, 0.0f, 10.0f, 100, 20000.0f, 0.004f, 0.025f,
                                       0.2f, 0.01f, 0.5f)},
      // Exhaust flame: a few bright additive sparks that die within a few frames.
      {"effects/firepipe.eff", Effect(12, 1, 0.5f, 0.0f, 0.02f, 0.0f, 0.004f, 1.0f, 10, 10,
                                      10, 5.0f, 0.0f, 5.0f, 50, 1000.0f, 0.05f, 0.01f, 0.25f,
                                      0.05f, 0.8f)},
      // Checkpoint light: glowing additive motes drifting up around the gate.
      {"effects/checkpointlight.eff",
       Effect(30, 1, 2.0f, 0.0f, 0.002f, 0.0f, 0.01f, 1.0f, 30, 20, 30, 15.0f, 0.0f, 15.0f,
              100, 20000.0f, 0.004f, 0.005f, 0.8f, 0.002f, 1.0f)},
  };
}

}  // namespace

void GenerateEffects(Output& out) {
  for (const NamedEffect& e : Effects()) {
    std::vector<uint8_t> bytes(kEffectFileBytes);
    EncodeEffect(e.p, bytes.data());
    out.Write(e.path, bytes);
  }
}

void CheckEffects(const std::string& root, std::vector<std::string>* problems) {
  for (const NamedEffect& e : Effects()) {
    const std::string path = root + "/" + e.path;
    ParticleEmitter emitter;
    if (!emitter.Load(path.c_str())) {
      const char* why = EffectProblem(emitter.Parameters());
      problems->push_back(path + ": " + (why ? why : "missing or not 96 bytes"));
      continue;
    }
    const EffectParameters& p = emitter.Parameters();
    if (p.startLife > 1.0f || p.startLife <= 0.0f)
      problems->push_back(path + ": start life outside (0, 1]");
    if (p.maxSize < p.startSize) problems->push_back(path + ": particles start above max size");
  }
}

}  // namespace basegen
