// The wind of the grass and the trees: phase angles that run round 0..2 pi, faster
// through their lower half so that a gust builds quicker than it dies away.
#pragma once

constexpr float kWindPi = 3.14159265f;
constexpr float kWindTwoPi = 2.0f * kWindPi;

// One frame of a phase: phase + ticks x base, then ticks x extra more when that lands
// strictly between pi/2 and 3 pi/2, wrapped below 2 pi. A phase that is no number (a
// broken frame time) starts again at 0 rather than spinning the wrap for ever.
float StepWindPhase(float phase, float ticks, float base, float extra);

// How strongly a phase pushes: 5 to 7.
float GustAmplitude(float phase);
