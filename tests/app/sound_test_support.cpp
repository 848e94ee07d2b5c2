#include "tests/app/sound_test_support.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

uint32_t U32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

bool ReadWavFile(const std::string& path, WavSamples* out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::vector<unsigned char> b;
  unsigned char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) b.insert(b.end(), buf, buf + n);
  std::fclose(f);
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVE", 4))
    return false;
  int format = 0, channels = 0, rate = 0, bits = 0;
  size_t pos = 12;
  while (pos + 8 <= b.size()) {
    const unsigned char* c = b.data() + pos;
    size_t size = U32(c + 4);
    const size_t body = pos + 8;
    if (!std::memcmp(c, "fmt ", 4) && body + 16 <= b.size()) {
      format = U16(b.data() + body);
      channels = U16(b.data() + body + 2);
      rate = static_cast<int>(U32(b.data() + body + 4));
      bits = U16(b.data() + body + 14);
      if (format == 0xFFFE && size >= 40) format = U16(b.data() + body + 24);  // sub-format
    } else if (!std::memcmp(c, "data", 4)) {
      if (size == 0 || body + size > b.size()) size = b.size() - body;
      if (channels <= 0 || rate <= 0) return false;
      const int bytes = bits / 8;
      if (!(format == 1 && (bits == 8 || bits == 16)) && !(format == 3 && bits == 32)) return false;
      const size_t frames = size / (static_cast<size_t>(bytes) * channels);
      out->channels = channels;
      out->rate = rate;
      out->mono.assign(frames, 0.0f);
      for (size_t i = 0; i < frames; ++i) {
        float sum = 0.0f;
        for (int ch = 0; ch < channels; ++ch) {
          const unsigned char* p = b.data() + body + (i * channels + ch) * bytes;
          float v;
          if (format == 3) std::memcpy(&v, p, 4);
          else if (bits == 16) v = static_cast<int16_t>(U16(p)) / 32768.0f;
          else v = (p[0] - 128) / 128.0f;
          sum += v;
        }
        out->mono[i] = sum / channels;
      }
      return true;
    }
    pos = body + size + (size & 1);
  }
  return false;
}

double DominantFrequency(const std::vector<float>& s, int rate, size_t begin, size_t end,
                         double lo, double hi, double step) {
  double best = 0.0, bestPower = -1.0;
  for (double f = lo; f <= hi; f += step) {
    // Goertzel: the power of one DFT bin at f.
    const double w = 2.0 * M_PI * f / rate;
    const double k = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0;
    for (size_t i = begin; i < end; ++i) {
      const double s0 = s[i] + k * s1 - s2;
      s2 = s1;
      s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
    if (power > bestPower) {
      bestPower = power;
      best = f;
    }
  }
  return best;
}

double PowerAbove(const std::vector<float>& s, int rate, double hz) {
  // Split with a one-pole low-pass: what it removes is the part above hz.
  const double a = 1.0 - std::exp(-2.0 * M_PI * hz / rate);
  double z = 0.0, low = 0.0, total = 0.0;
  for (float x : s) {
    z += a * (x - z);
    low += z * z;
    total += static_cast<double>(x) * x;
  }
  return total > 0.0 ? std::max(0.0, 1.0 - low / total) : 0.0;
}

double Rms(const std::vector<float>& s, size_t begin, size_t end) {
  double sum = 0.0;
  for (size_t i = begin; i < end; ++i) sum += static_cast<double>(s[i]) * s[i];
  return end > begin ? std::sqrt(sum / static_cast<double>(end - begin)) : 0.0;
}

void UseNullAudioOutput() { setenv("ALSOFT_DRIVERS", "null", 0); }
