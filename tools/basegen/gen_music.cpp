// The music under base/music/: "menu.wav" for the garage and menus, "1.wav" to "4.wav"
// for the races. Each is a two-bar stereo loop: a bass line, plucked chords, a short
// melody, and drums in the race tracks. Notes that ring past the end wrap round to the
// start, so the loop repeats without a click.
#include <cmath>

#include "tools/basegen/gen_sounds.h"

namespace basegen {

namespace {

constexpr double kTau = 6.283185307179586;
constexpr float kRate = static_cast<float>(kSoundRate);

struct Track {
  const char* file;
  float bpm;
  int rootMidi;      // key note of the bass octave
  bool minor;
  int chords[4];     // scale degrees (0-based), two beats each
  bool drums;
  uint64_t seed;
};

constexpr Track kTracks[] = {
    {"music/menu.wav", 96.0f, 48, false, {0, 5, 3, 4}, false, 11},
    {"music/1.wav", 140.0f, 45, true, {0, 5, 2, 6}, true, 12},
    {"music/2.wav", 128.0f, 50, false, {0, 4, 5, 3}, true, 13},
    {"music/3.wav", 120.0f, 52, true, {0, 3, 6, 2}, true, 14},
    {"music/4.wav", 150.0f, 43, false, {0, 3, 4, 3}, true, 15},
};

constexpr int kMajor[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr int kMinor[7] = {0, 2, 3, 5, 7, 8, 10};

float MidiHz(int midi) { return 440.0f * std::pow(2.0f, (midi - 69) / 12.0f); }

// The midi note of scale degree d (any integer) above root.
int Degree(const Track& t, int d) {
  const int* scale = t.minor ? kMinor : kMajor;
  const int octave = d >= 0 ? d / 7 : -((6 - d) / 7);
  return t.rootMidi + 12 * octave + scale[d - 7 * octave];
}

void Mix(std::vector<float>* out, size_t frame, float l, float r) {
  const size_t frames = out->size() / 2;
  const size_t f = frame % frames;
  (*out)[2 * f] += l;
  (*out)[2 * f + 1] += r;
}

void AddKick(std::vector<float>* out, size_t start) {
  double phase = 0.0;
  const size_t n = static_cast<size_t>(0.18f * kRate);
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    phase += (45.0f + 75.0f * std::exp(-t / 0.03f)) / kRate;
    const float y = 0.9f * static_cast<float>(std::sin(kTau * phase)) * std::exp(-t / 0.07f);
    Mix(out, start + i, y, y);
  }
}

void AddSnare(std::vector<float>* out, size_t start, Rng& rng) {
  const size_t n = static_cast<size_t>(0.15f * kRate);
  float lp = 0.0f;
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float w = rng.Range(-1.0f, 1.0f);
    lp += 0.5f * (w - lp);
    const float y = (0.35f * lp + 0.2f * std::sin(static_cast<float>(kTau) * 185.0f * t)) *
                    std::exp(-t / 0.05f);
    Mix(out, start + i, y * 0.9f, y);
  }
}

void AddHat(std::vector<float>* out, size_t start, Rng& rng, float gain) {
  const size_t n = static_cast<size_t>(0.05f * kRate);
  float prev = 0.0f;
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float w = rng.Range(-1.0f, 1.0f);
    const float high = w - prev;  // a first difference: only the hiss is left
    prev = w;
    const float y = gain * high * std::exp(-t / 0.012f);
    Mix(out, start + i, y, y * 0.8f);
  }
}

std::vector<float> RenderTrack(const Track& t) {
  const float beat = 60.0f / t.bpm;
  const size_t frames = static_cast<size_t>(std::lround(8.0f * beat * kRate));
  std::vector<float> out(frames * 2, 0.0f);
  auto at = [&](float beats) { return static_cast<size_t>(std::lround(beats * beat * kRate)); };
  Rng rng(t.seed);

  for (int c = 0; c < 4; ++c) {
    const int root = t.chords[c];
    const float b0 = 2.0f * c;
    // Bass: the chord's root on each beat, the fifth on the off-beat of the second.
    AddPluck(&out, at(b0), MidiHz(Degree(t, root)), beat * 0.9f, 0.5f, 0.0f, 0.35f);
    AddPluck(&out, at(b0 + 1.0f), MidiHz(Degree(t, root)), beat * 0.5f, 0.4f, 0.0f, 0.35f);
    AddPluck(&out, at(b0 + 1.5f), MidiHz(Degree(t, root + 4)), beat * 0.5f, 0.35f, 0.0f, 0.35f);
    // Chord: the triad an octave up, slightly spread and panned apart.
    for (int k = 0; k < 3; ++k) {
      const float pan = -0.5f + 0.5f * k;
      const float hz = MidiHz(Degree(t, root + 2 * k) + 12);
      AddPluck(&out, at(b0) + 90 * k, hz, beat * 1.8f, 0.22f, pan, 0.5f);
      AddPluck(&out, at(b0 + 1.0f) + 90 * k, hz, beat * 0.9f, 0.14f, pan, 0.5f);
    }
    // Melody: four eighths per chord from its tones, now and then a passing step.
    for (int e = 0; e < 4; ++e) {
      if (rng.Unit() < 0.2f) continue;  // a rest
      const int pick[4] = {0, 2, 4, 7};
      int d = root + pick[rng.Next() % 4];
      if (rng.Unit() < 0.25f) d += 1;
      const float len = beat * (rng.Unit() < 0.3f ? 0.9f : 0.45f);
      AddPluck(&out, at(b0 + 0.5f * e), MidiHz(Degree(t, d) + 24), len, 0.2f, 0.3f, 0.7f);
    }
  }
  if (t.drums) {
    for (int b = 0; b < 8; ++b) {
      AddKick(&out, at(static_cast<float>(b)));
      if (b % 2 == 1) AddSnare(&out, at(static_cast<float>(b)), rng);
      AddHat(&out, at(b + 0.5f), rng, 0.18f);
      AddHat(&out, at(static_cast<float>(b)), rng, 0.1f);
    }
  }
  Normalise(&out, 0.7f);
  return out;
}

}  // namespace

void AddPluck(std::vector<float>* out, size_t start, float freq, float seconds, float gain,
              float pan, float brightness) {
  const float left = gain * std::cos((pan + 1.0f) * 0.25f * static_cast<float>(kTau) * 0.5f);
  const float right = gain * std::sin((pan + 1.0f) * 0.25f * static_cast<float>(kTau) * 0.5f);
  const size_t n = static_cast<size_t>(seconds * kRate);
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    float x = 0.0f, amp = 1.0f;
    for (int h = 1; h <= 5; ++h) {
      x += amp / h * std::sin(static_cast<float>(kTau) * freq * h * t);
      amp *= brightness;
    }
    const float env = std::min(1.0f, t / 0.005f) * std::exp(-4.0f * t / seconds) *
                      std::min(1.0f, (seconds - t) / 0.01f);
    Mix(out, start + i, x * env * left, x * env * right);
  }
}

void GenerateMusic(Output& out) {
  for (const Track& t : kTracks) out.Write(t.file, EncodeWav16(RenderTrack(t), 2, kSoundRate));
}

}  // namespace basegen
