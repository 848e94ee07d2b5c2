// Shared by the sound tests: reading 16-bit or float WAV files (the game's files and the
// output of OpenAL's wave backend), measuring a tone, and the null-output device.
#pragma once

#include <string>
#include <vector>

struct WavSamples {
  int channels = 0;
  int rate = 0;
  std::vector<float> mono;  // channels averaged, -1..1
};

// RIFF/WAVE with PCM 8/16-bit or 32-bit float data, plain or extensible header. A data
// chunk whose size field was never filled in (a file still being written) reads to the
// end of the file. False when the file is not such a WAV.
bool ReadWavFile(const std::string& path, WavSamples* out);

// The frequency between lo and hi Hz with the most power in samples [begin, end), by a
// scan of single-frequency DFTs in steps of `step` Hz.
double DominantFrequency(const std::vector<float>& s, int rate, size_t begin, size_t end,
                         double lo, double hi, double step);

// The share of power above `hz` (a measure of how rich in harmonics a tone is).
double PowerAbove(const std::vector<float>& s, int rate, double hz);

double Rms(const std::vector<float>& s, size_t begin, size_t end);

// Sends OpenAL to its silent output unless the run already chose one; call before the
// first OpenAL call of the process.
void UseNullAudioOutput();
