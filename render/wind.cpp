#include "render/wind.h"

#include <cmath>

float StepWindPhase(float phase, float ticks, float base, float extra) {
  phase += ticks * base;
  if (phase > 0.5f * kWindPi && phase < 1.5f * kWindPi) phase += ticks * extra;
  if (!std::isfinite(phase)) return 0.0f;
  // One fmod instead of a subtraction loop: a huge frame would otherwise take as many
  // turns as it has windings. For a phase under 4 pi both give the same float.
  if (phase > kWindTwoPi) phase = std::fmod(phase, kWindTwoPi);
  return phase;
}

float GustAmplitude(float phase) { return 6.0f - std::sin(phase); }
