// The sound generators' shared pieces: 16-bit PCM WAV files and a few synthesis
// helpers. Sounds placed in the world are mono (OpenAL positions and attenuates only
// mono buffers); menu sounds and music are stereo, so they play at full level wherever
// the listener stands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/basegen/basegen.h"

namespace basegen {

constexpr int kSoundRate = 22050;

// Samples in -1..1, interleaved when channels is 2; clipped on writing.
std::vector<uint8_t> EncodeWav16(const std::vector<float>& samples, int channels, int rate);

// Makes a loop of exactly n samples from n + fade generated ones: the last fade samples
// are cross-faded into the first, so the end runs on into the start without a click.
std::vector<float> CloseLoop(const std::vector<float>& raw, size_t n, size_t fade);

// Scales so that the largest magnitude is peak.
void Normalise(std::vector<float>* samples, float peak);

// A plucked note for the music: a few harmonics under a fast attack and an exponential
// decay, added into out (interleaved stereo) from frame start with pan -1..1. A note
// that rings past the end wraps round to the start, as it would when the loop repeats.
void AddPluck(std::vector<float>* out, size_t start, float freq, float seconds, float gain,
              float pan, float brightness);

// The music files under base/music/.
void GenerateMusic(Output& out);

}  // namespace basegen
