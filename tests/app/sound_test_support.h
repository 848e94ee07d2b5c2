// Shared by the sound tests: reading 16-bit or float WAV files (the game's files and the
// output of OpenAL's wave backend), measuring a tone, and the null-output device.
#pragma once

#include <cstdint>
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

// A WAV image built field by field, for files whose sizes lie.
struct WavImage {
  std::vector<uint8_t> b;
  void Bytes(const char* t) { b.insert(b.end(), t, t + 4); }
  void U16(uint32_t v) { for (int i = 0; i < 2; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i))); }
  void U32(uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i))); }
  void Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t chunkSize = 16) {
    Bytes("fmt ");
    U32(chunkSize);
    U16(tag);
    U16(channels);
    U32(rate);
    U32(rate * channels * bits / 8);
    U16(channels * bits / 8);
    U16(bits);
  }
  static WavImage Start() {
    WavImage w;
    w.Bytes("RIFF");
    w.U32(0);  // the RIFF size is never trusted
    w.Bytes("WAVE");
    return w;
  }
};
