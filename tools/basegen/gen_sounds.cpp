// Every sound the game loads from base/sound/: the engine-note bank under Varn130/,
// the race's loops and one-shots, and the menu blips. All synthesised, 22050 Hz 16-bit.
#include "tools/basegen/gen_sounds.h"

#include <AL/alc.h>
#include <AL/alut.h>

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <functional>

#include "tools/basegen/generators.h"

namespace basegen {

namespace {

constexpr double kTau = 6.283185307179586;
constexpr float kRate = static_cast<float>(kSoundRate);

size_t Samples(float seconds) { return static_cast<size_t>(seconds * kRate + 0.5f); }

// One-pole low-pass.
struct LowPass {
  float a, z = 0.0f;
  explicit LowPass(float hz) : a(1.0f - std::exp(static_cast<float>(-kTau) * hz / kRate)) {}
  float Run(float x) { return z += a * (x - z); }
};

// Band-pass biquad with 0 dB peak gain.
struct BandPass {
  float b0, b2, a1, a2, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  BandPass(float hz, float q) { Tune(hz, q); }
  void Tune(float hz, float q) {
    const float w0 = static_cast<float>(kTau) * hz / kRate;
    const float alpha = std::sin(w0) / (2.0f * q);
    const float a0 = 1.0f + alpha;
    b0 = alpha / a0;
    b2 = -alpha / a0;
    a1 = -2.0f * std::cos(w0) / a0;
    a2 = (1.0f - alpha) / a0;
  }
  float Run(float x) {
    const float y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

float White(Rng& rng) { return rng.Range(-1.0f, 1.0f); }

// 0 -> 1 -> 0 over a cycle position t in [0, 1): on for the first `on` share, with soft
// edges, so a gate sampled at whole cycles is periodic.
float Gate(float t, float on, float edge) {
  if (t >= on) return 0.0f;
  return std::clamp(std::min(t / edge, (on - t) / edge), 0.0f, 1.0f);
}

bool WriteSound(Output& out, const std::string& rel, const std::vector<float>& samples,
                int channels) {
  return out.Write(rel, EncodeWav16(samples, channels, kSoundRate));
}

// ---- engine tones ------------------------------------------------------------------

struct EngineVoice {
  float firingsPerRev;  // 3 for the lorries' straight six, 2 for the city car's four
  int harmonics;
  float tilt;           // amplitude of harmonic h is h^-tilt
  float oddBoost;       // extra weight of the odd harmonics (a hollow, throaty note)
  float roughness;      // per-firing level jitter
  float rms;            // loudness; the peak is held below 0.95 whatever the shape
};

// Plain (off-load) and under-load recordings of the player's lorry: the "_P" twin is
// louder and richer in harmonics. The fundamental stays the strongest partial.
constexpr EngineVoice kPlayerVoice = {3.0f, 7, 1.0f, 0.0f, 0.06f, 0.17f};
constexpr EngineVoice kPlayerLoadVoice = {3.0f, 14, 0.6f, 0.25f, 0.14f, 0.3f};
constexpr EngineVoice kOpponentVoice = {3.0f, 8, 0.9f, 0.1f, 0.08f, 0.17f};
constexpr EngineVoice kOpponentLoadVoice = {3.0f, 13, 0.65f, 0.3f, 0.15f, 0.28f};
constexpr EngineVoice kDragVoice = {3.0f, 9, 0.8f, 0.8f, 0.25f, 0.15f};
constexpr EngineVoice kIdleVoice = {3.0f, 9, 0.8f, 0.2f, 0.3f, 0.18f};
constexpr EngineVoice kCityVoice = {2.0f, 6, 1.1f, 0.0f, 0.05f, 0.15f};

// A loop of a whole number of firing periods of an engine turning at rpm, about
// `seconds` long. The tone is rounded to fit the loop exactly (well under 0.5 %).
// gate, when set, multiplies the level at each loop position 0..1.
std::vector<float> EngineLoop(float rpm, const EngineVoice& v, uint64_t seed, float seconds,
                              const std::function<float(float)>& gate = nullptr) {
  const double f = rpm / 60.0 * v.firingsPerRev;
  const int periods = std::max(1, static_cast<int>(std::lround(f * seconds)));
  const size_t n = static_cast<size_t>(std::lround(periods * kSoundRate / f));
  const double fLoop = periods * static_cast<double>(kSoundRate) / static_cast<double>(n);

  Rng rng(seed);
  std::vector<float> level(periods);
  for (float& l : level) l = 1.0f + v.roughness * rng.Range(-1.0f, 1.0f);
  std::vector<float> amp(v.harmonics + 1, 0.0f);
  for (int h = 1; h <= v.harmonics; ++h)
    amp[h] = std::pow(static_cast<float>(h), -v.tilt) * ((h % 2) ? 1.0f + v.oddBoost : 1.0f);
  amp[1] = std::max(amp[1], 1.0f);
  for (int h = 2; h <= v.harmonics; ++h) amp[h] = std::min(amp[h], 0.85f);

  std::vector<float> s(n);
  for (size_t i = 0; i < n; ++i) {
    const double phase = fLoop * static_cast<double>(i) / kSoundRate;  // in periods
    const int p = static_cast<int>(phase) % periods;
    const float frac = static_cast<float>(phase - std::floor(phase));
    const float w = frac * frac * (3.0f - 2.0f * frac);
    const float lv = level[p] * (1.0f - w) + level[(p + 1) % periods] * w;
    double x = 0.0;
    for (int h = 1; h <= v.harmonics; ++h) x += amp[h] * std::sin(kTau * h * phase);
    float y = static_cast<float>(x) * lv;
    if (gate) y *= gate(static_cast<float>(i) / static_cast<float>(n));
    s[i] = y;
  }
  double power = 0.0;
  float top = 0.0f;
  for (float x : s) {
    power += static_cast<double>(x) * x;
    top = std::max(top, std::fabs(x));
  }
  const float rms = static_cast<float>(std::sqrt(power / static_cast<double>(n)));
  if (rms > 0.0f) {
    const float k = std::min(v.rms / rms, 0.95f / top);
    for (float& x : s) x *= k;
  }
  return s;
}

// ---- noise loops and bursts ------------------------------------------------------------

// An unbroken loop of `seconds` from a per-sample generator (called with the sample
// index modulo the loop length, so anything periodic in it stays periodic).
std::vector<float> NoiseLoop(float seconds, float peak,
                             const std::function<float(size_t, size_t)>& gen) {
  const size_t n = Samples(seconds);
  const size_t fade = Samples(0.08f);
  std::vector<float> raw(n + fade);
  for (size_t i = 0; i < raw.size(); ++i) raw[i] = gen(i % n, n);
  std::vector<float> s = CloseLoop(raw, n, fade);
  Normalise(&s, peak);
  return s;
}

float Decay(float t, float tau) { return std::exp(-t / tau); }

// A crash: a noise burst through a band, with metallic or woody partials ringing on.
struct CrashVoice {
  float seconds, noiseBand, noiseQ, noiseTau;
  float partials[3];  // Hz, 0 = none
  float partialTau, thudHz, rattles;
};

std::vector<float> Crash(const CrashVoice& c, uint64_t seed, float detune) {
  Rng rng(seed);
  const size_t n = Samples(c.seconds);
  std::vector<float> s(n);
  BandPass band(c.noiseBand * detune, c.noiseQ);
  LowPass body(900.0f);
  float rattleEnv = 0.0f;
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    if (c.rattles > 0 && rng.Unit() < c.rattles / kRate) rattleEnv = 0.6f + 0.4f * rng.Unit();
    rattleEnv *= 0.9985f;
    const float noise = White(rng);
    float y = band.Run(noise) * 3.0f * (Decay(t, c.noiseTau) + rattleEnv * Decay(t, 0.4f));
    y += body.Run(noise) * 1.5f * Decay(t, 0.03f);
    for (float p : c.partials)
      if (p > 0) y += 0.35f * std::sin(static_cast<float>(kTau) * p * detune * t) *
                      Decay(t, c.partialTau);
    if (c.thudHz > 0)
      y += 0.8f * std::sin(static_cast<float>(kTau) * c.thudHz * t) * Decay(t, 0.06f);
    s[i] = y * std::min(1.0f, t / 0.002f);
  }
  Normalise(&s, 0.9f);
  return s;
}

// A short tone of odd harmonics under an attack-decay envelope.
std::vector<float> Beep(float hz, float seconds, int oddHarmonics, float tau) {
  const size_t n = Samples(seconds);
  std::vector<float> s(n);
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    float x = 0.0f;
    for (int k = 0; k < oddHarmonics; ++k) {
      const float h = static_cast<float>(2 * k + 1);
      x += std::sin(static_cast<float>(kTau) * hz * h * t) / h;
    }
    const float env = std::min(1.0f, t / 0.004f) * Decay(t, tau) *
                      std::min(1.0f, (seconds - t) / 0.01f);
    s[i] = x * env;
  }
  Normalise(&s, 0.8f);
  return s;
}

// A tone gliding from hz0 to hz1.
std::vector<float> Glide(float hz0, float hz1, float seconds, float tau) {
  const size_t n = Samples(seconds);
  std::vector<float> s(n);
  double phase = 0.0;
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float hz = hz0 + (hz1 - hz0) * t / seconds;
    phase += hz / kRate;
    const float env = std::min(1.0f, t / 0.004f) * Decay(t, tau) *
                      std::min(1.0f, (seconds - t) / 0.01f);
    s[i] = static_cast<float>(std::sin(kTau * phase) + 0.3 * std::sin(2 * kTau * phase)) * env;
  }
  Normalise(&s, 0.8f);
  return s;
}

// Mono into stereo with the right channel a few samples late: a little width, no pan.
std::vector<float> Widen(const std::vector<float>& mono, int delay) {
  std::vector<float> s(mono.size() * 2);
  for (size_t i = 0; i < mono.size(); ++i) {
    s[2 * i] = mono[i];
    s[2 * i + 1] = i >= static_cast<size_t>(delay) ? mono[i - delay] : 0.0f;
  }
  return s;
}

std::vector<float> Concat(std::vector<float> a, const std::vector<float>& b, float gap) {
  a.insert(a.end(), Samples(gap), 0.0f);
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// ---- the families ------------------------------------------------------------------------

constexpr int kLadderRpm[29] = {750,  803,  859,  919,  983,  1052, 1126, 1204, 1289, 1379,
                                1475, 1579, 1689, 1807, 1934, 2069, 2214, 2369, 2535, 2712,
                                2902, 3105, 3323, 3555, 3804, 4071, 4356, 4660, 4987};
constexpr int kOpponentRpm[5] = {750, 1475, 2369, 3804, 4987};
constexpr float kNoteSeconds = 0.4f;

void GenerateEngineBank(Output& out) {
  const std::string dir = "sound/Varn130/";
  for (int k = 0; k < 29; ++k) {
    const float rpm = static_cast<float>(kLadderRpm[k]);
    const std::string stem = dir + std::to_string(kLadderRpm[k]);
    WriteSound(out, stem + ".wav", EngineLoop(rpm, kPlayerVoice, 100 + k, kNoteSeconds), 1);
    WriteSound(out, stem + "_P.wav", EngineLoop(rpm, kPlayerLoadVoice, 200 + k, kNoteSeconds), 1);
  }
  // The limiter cutting in and out at the top of the ladder; a faster stutter in the
  // higher gears.
  for (int i = 0; i < 6; ++i) {
    const int cuts = 5 + i;
    auto gate = [cuts](float pos) {
      const float t = pos * cuts - std::floor(pos * cuts);
      return 0.12f + 0.88f * Gate(t, 0.62f, 0.05f);
    };
    WriteSound(out, dir + "limit" + std::to_string(i) + ".wav",
               EngineLoop(4987.0f, kPlayerLoadVoice, 300 + i, 0.5f, gate), 1);
  }
  for (int m = 0; m < 5; ++m) {
    const int rpm = (m + 1) * 1000;
    WriteSound(out, dir + "b" + std::to_string(rpm) + ".wav",
               EngineLoop(static_cast<float>(rpm), kDragVoice, 400 + m, kNoteSeconds), 1);
  }
  for (int i = 0; i < 5; ++i) {
    const float rpm = static_cast<float>(kOpponentRpm[i]);
    const std::string stem = dir + "other_" + std::to_string(kOpponentRpm[i]);
    WriteSound(out, stem + ".wav", EngineLoop(rpm, kOpponentVoice, 500 + i, kNoteSeconds), 1);
    WriteSound(out, stem + "_P.wav", EngineLoop(rpm, kOpponentLoadVoice, 600 + i, kNoteSeconds),
               1);
  }
}

void GenerateRaceLoops(Output& out) {
  for (int i = 0; i < 3; ++i)
    WriteSound(out, "sound/en_ot" + std::to_string(i) + ".wav",
               EngineLoop(900.0f + 100.0f * i, kOpponentVoice, 700 + i, 0.5f), 1);
  WriteSound(out, "sound/en_city.wav", EngineLoop(1800.0f, kCityVoice, 710, 0.5f), 1);
  WriteSound(out, "sound/st1.wav", EngineLoop(600.0f, kIdleVoice, 720, 0.5f), 1);
  WriteSound(out, "sound/st2.wav", EngineLoop(640.0f, kIdleVoice, 721, 0.5f), 1);

  {  // gravel: dull rumble with crunches
    Rng rng(730);
    LowPass rumble(500.0f);
    BandPass crunchBand(2200.0f, 1.2f);
    float crunch = 0.0f;
    WriteSound(out, "sound/landscape_ground.wav", NoiseLoop(1.0f, 0.7f, [&](size_t, size_t) {
                 if (rng.Unit() < 45.0f / kRate) crunch = 0.5f + 0.5f * rng.Unit();
                 crunch *= 0.994f;
                 const float w = White(rng);
                 return rumble.Run(w) * 2.0f + crunchBand.Run(w) * crunch * 1.5f;
               }), 1);
  }
  {  // grass: a soft swish rising and falling three times a loop
    Rng rng(731);
    BandPass swish(2600.0f, 0.7f);
    WriteSound(out, "sound/landscape_grass.wav", NoiseLoop(1.0f, 0.6f, [&](size_t i, size_t n) {
                 const float am = 0.65f + 0.35f * std::cos(static_cast<float>(kTau) * 3.0f * i / n);
                 return swish.Run(White(rng)) * am;
               }), 1);
  }
  {  // water: a wash of mid noise with bubbles
    Rng rng(732);
    BandPass wash(800.0f, 1.5f);
    float bubblePhase = 0.0f, bubbleHz = 0.0f, bubbleEnv = 0.0f;
    WriteSound(out, "sound/landscape_water.wav", NoiseLoop(1.0f, 0.7f, [&](size_t, size_t) {
                 if (rng.Unit() < 25.0f / kRate) {
                   bubbleHz = rng.Range(350.0f, 600.0f);
                   bubbleEnv = 0.6f;
                 }
                 bubbleHz *= 1.0003f;  // a bubble's pitch rises as it closes
                 bubbleEnv *= 0.9975f;
                 bubblePhase += bubbleHz / kRate;
                 return wash.Run(White(rng)) * 1.2f +
                        bubbleEnv * std::sin(static_cast<float>(kTau) * bubblePhase);
               }), 1);
  }
  {  // wind: low roar with two gusts a loop
    Rng rng(733);
    LowPass roar(350.0f);
    BandPass whistle(900.0f, 3.0f);
    WriteSound(out, "sound/wind.wav", NoiseLoop(2.0f, 0.7f, [&](size_t i, size_t n) {
                 const float gust = 0.6f + 0.4f * std::sin(static_cast<float>(kTau) * 2.0f * i / n);
                 const float w = White(rng);
                 return (roar.Run(w) * 2.5f + whistle.Run(w) * 0.8f * gust) * gust;
               }), 1);
  }
  {  // ambient: a quiet countryside bed with a few distant birds
    Rng rng(734);
    LowPass bed(250.0f);
    const float chirpAt[3] = {0.6f, 1.45f, 2.3f};
    WriteSound(out, "sound/ambient.wav", NoiseLoop(3.0f, 0.5f, [&](size_t i, size_t) {
                 const float t = static_cast<float>(i) / kRate;
                 float y = bed.Run(White(rng)) * 1.5f;
                 for (float at : chirpAt) {
                   const float u = t - at;
                   if (u < 0.0f || u > 0.09f) continue;
                   const float hz = 3200.0f + 1400.0f * u / 0.09f;
                   y += 0.25f * std::sin(static_cast<float>(kTau) * hz * u) *
                        std::sin(static_cast<float>(kTau) * 0.5f * u / 0.09f);
                 }
                 return y;
               }), 1);
  }
}

void GenerateRaceOneShots(Output& out) {
  // Crash sets: 0 the cars' metal, 1 wooden roadside objects, 2 fences and boards,
  // 3 heavy stone. Each variant is another hit of the same kind.
  const CrashVoice sets[4] = {
      {0.7f, 1800.0f, 0.8f, 0.12f, {310.0f, 770.0f, 1290.0f}, 0.25f, 70.0f, 0.0f},
      {0.45f, 700.0f, 1.2f, 0.07f, {180.0f, 420.0f, 0.0f}, 0.06f, 110.0f, 0.0f},
      {0.6f, 1300.0f, 1.0f, 0.05f, {520.0f, 0.0f, 0.0f}, 0.05f, 0.0f, 30.0f},
      {0.8f, 400.0f, 0.7f, 0.18f, {95.0f, 0.0f, 0.0f}, 0.12f, 55.0f, 8.0f},
  };
  for (int set = 0; set < 4; ++set)
    for (int v = 0; v < 4; ++v) {
      char name[40];
      std::snprintf(name, sizeof name, "sound/crash%d_%d.wav", set, v);
      WriteSound(out, name, Crash(sets[set], 800 + 10 * set + v, 0.88f + 0.08f * v), 1);
    }
  const CrashVoice knock = {0.25f, 300.0f, 0.9f, 0.03f, {0.0f, 0.0f, 0.0f}, 0.05f, 90.0f, 0.0f};
  const CrashVoice hit = {0.7f, 2500.0f, 0.7f, 0.15f, {290.0f, 720.0f, 1210.0f}, 0.3f, 60.0f, 12.0f};
  WriteSound(out, "sound/cr0.wav", Crash(knock, 840, 1.0f), 1);
  WriteSound(out, "sound/cr1.wav", Crash(hit, 841, 1.0f), 1);

  {  // the lap line: a two-note chime
    std::vector<float> a = Beep(1046.5f, 0.45f, 1, 0.15f);
    std::vector<float> b = Beep(1568.0f, 0.6f, 1, 0.2f);
    std::vector<float> s(Samples(0.12f) + b.size(), 0.0f);
    for (size_t i = 0; i < a.size(); ++i) s[i] += a[i];
    for (size_t i = 0; i < b.size(); ++i) s[Samples(0.12f) + i] += b[i];
    Normalise(&s, 0.8f);
    WriteSound(out, "sound/point.wav", s, 1);
  }
  {  // gear: a click and a clunk
    Rng rng(850);
    BandPass click(2000.0f, 2.0f);
    std::vector<float> s(Samples(0.15f));
    for (size_t i = 0; i < s.size(); ++i) {
      const float t = static_cast<float>(i) / kRate;
      s[i] = click.Run(White(rng)) * 4.0f * Decay(t, 0.008f) +
             std::sin(static_cast<float>(kTau) * 150.0f * t) * Decay(t, 0.03f);
    }
    Normalise(&s, 0.8f);
    WriteSound(out, "sound/gear.wav", s, 1);
  }
  {  // nitro: a rising rush of air
    Rng rng(851);
    BandPass rush(400.0f, 1.0f);
    const float seconds = 1.5f;
    std::vector<float> s(Samples(seconds));
    for (size_t i = 0; i < s.size(); ++i) {
      const float t = static_cast<float>(i) / kRate;
      if (i % 64 == 0) rush.Tune(400.0f + 2100.0f * t / seconds, 1.0f);
      const float env = std::min(1.0f, t / 0.1f) * std::min(1.0f, (seconds - t) / 0.4f);
      s[i] = rush.Run(White(rng)) * env;
    }
    Normalise(&s, 0.85f);
    WriteSound(out, "sound/nitro.wav", s, 1);
  }
  const float signalHz[3] = {660.0f, 660.0f, 1320.0f};
  for (int i = 0; i < 3; ++i)
    WriteSound(out, "sound/signal" + std::to_string(i) + ".wav",
               Beep(signalHz[i], 0.3f, 3, 0.2f), 1);
}

void GenerateMenuSounds(Output& out) {
  constexpr int kWidth = 7;  // samples of inter-channel delay
  std::vector<float> m[10];
  m[0] = Beep(1200.0f, 0.06f, 2, 0.02f);                                     // click
  m[1] = Beep(1800.0f, 0.04f, 1, 0.015f);                                    // hover
  m[2] = Beep(900.0f, 0.08f, 2, 0.03f);                                      // step
  m[3] = Concat(Beep(880.0f, 0.1f, 2, 0.06f), Beep(1320.0f, 0.15f, 2, 0.08f), 0.02f);  // buy
  m[4] = Beep(180.0f, 0.25f, 6, 0.2f);                                       // deny
  m[5] = Glide(600.0f, 1400.0f, 0.15f, 0.1f);                                // change
  m[6] = Glide(300.0f, 900.0f, 0.3f, 0.15f);                                 // open
  m[7] = Concat(Concat(Beep(523.0f, 0.12f, 2, 0.08f), Beep(659.0f, 0.12f, 2, 0.08f), 0.03f),
                Beep(784.0f, 0.25f, 2, 0.12f), 0.03f);                       // race load
  m[8] = Glide(200.0f, 80.0f, 1.0f, 0.5f);                                   // fly-over
  m[9] = Beep(880.0f, 0.35f, 3, 0.25f);                                      // countdown
  for (int i = 0; i < 10; ++i)
    WriteSound(out, "sound/menu" + std::to_string(i + 1) + ".wav", Widen(m[i], kWidth), 2);
}

struct ExpectedSound {
  std::string path;
  int channels;
};

std::vector<ExpectedSound> ExpectedSounds() {
  std::vector<ExpectedSound> list;
  const char* mono[] = {"en_ot0", "en_ot1", "en_ot2", "en_city", "cr0", "cr1",
                        "landscape_ground", "landscape_grass", "landscape_water", "st1", "st2",
                        "point", "gear", "nitro", "wind", "signal0", "signal1", "signal2",
                        "ambient"};
  for (const char* n : mono) list.push_back({std::string("sound/") + n + ".wav", 1});
  for (int s = 0; s < 4; ++s)
    for (int v = 0; v < 4; ++v)
      list.push_back({"sound/crash" + std::to_string(s) + "_" + std::to_string(v) + ".wav", 1});
  for (int i = 1; i <= 10; ++i) list.push_back({"sound/menu" + std::to_string(i) + ".wav", 2});
  for (int rpm : kLadderRpm) {
    list.push_back({"sound/Varn130/" + std::to_string(rpm) + ".wav", 1});
    list.push_back({"sound/Varn130/" + std::to_string(rpm) + "_P.wav", 1});
  }
  for (int i = 0; i < 6; ++i) list.push_back({"sound/Varn130/limit" + std::to_string(i) + ".wav", 1});
  for (int m = 1; m <= 5; ++m)
    list.push_back({"sound/Varn130/b" + std::to_string(m * 1000) + ".wav", 1});
  for (int rpm : kOpponentRpm) {
    list.push_back({"sound/Varn130/other_" + std::to_string(rpm) + ".wav", 1});
    list.push_back({"sound/Varn130/other_" + std::to_string(rpm) + "_P.wav", 1});
  }
  for (const char* n : {"menu", "1", "2", "3", "4"})
    list.push_back({std::string("music/") + n + ".wav", 2});
  return list;
}

}  // namespace

std::vector<uint8_t> EncodeWav16(const std::vector<float>& samples, int channels, int rate) {
  ByteWriter w;
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  w.Bytes("RIFF", 4);
  w.U32(36 + dataBytes);
  w.Bytes("WAVE", 4);
  w.Bytes("fmt ", 4);
  w.U32(16);
  w.U16(1);  // PCM
  w.U16(static_cast<uint16_t>(channels));
  w.U32(static_cast<uint32_t>(rate));
  w.U32(static_cast<uint32_t>(rate * channels * 2));
  w.U16(static_cast<uint16_t>(channels * 2));
  w.U16(16);
  w.Bytes("data", 4);
  w.U32(dataBytes);
  for (float s : samples) {
    const float c = std::clamp(s, -1.0f, 1.0f);
    w.U16(static_cast<uint16_t>(static_cast<int16_t>(std::lround(c * 32767.0f))));
  }
  return std::move(w.bytes());
}

std::vector<float> CloseLoop(const std::vector<float>& raw, size_t n, size_t fade) {
  fade = std::min(fade, raw.size() > n ? raw.size() - n : 0);
  std::vector<float> s(raw.begin(), raw.begin() + std::min(n, raw.size()));
  for (size_t i = 0; i < fade && i < s.size(); ++i) {
    // Equal power: the noise halves are uncorrelated.
    const float w = static_cast<float>(i) / static_cast<float>(fade);
    s[i] = raw[i] * std::sqrt(w) + raw[n + i] * std::sqrt(1.0f - w);
  }
  return s;
}

void Normalise(std::vector<float>* samples, float peak) {
  float m = 0.0f;
  for (float s : *samples) m = std::max(m, std::fabs(s));
  if (m <= 0.0f) return;
  const float k = peak / m;
  for (float& s : *samples) s *= k;
}

void GenerateSounds(Output& out) {
  GenerateEngineBank(out);
  GenerateRaceLoops(out);
  GenerateRaceOneShots(out);
  GenerateMenuSounds(out);
  GenerateMusic(out);
}

// Re-reads every file with the game's own WAV reader (ALUT) and checks that the world's
// sounds are mono, menu sounds and music stereo, all 16-bit with samples in them.
void CheckSounds(const std::string& root, std::vector<std::string>* problems) {
  // ALUT reads files only under a current context; the silent backend gives one on any
  // machine, sound card or not.
  setenv("ALSOFT_DRIVERS", "null", 1);
  ALCdevice* device = alcOpenDevice(nullptr);
  ALCcontext* context = device ? alcCreateContext(device, nullptr) : nullptr;
  if (!context || !alcMakeContextCurrent(context) ||
      alutInitWithoutContext(nullptr, nullptr) != AL_TRUE) {
    problems->push_back("sounds: no OpenAL context to read the files with");
    if (context) alcDestroyContext(context);
    if (device) alcCloseDevice(device);
    return;
  }
  for (const ExpectedSound& e : ExpectedSounds()) {
    const std::string path = root + "/" + e.path;
    ALenum format = 0;
    ALsizei size = 0;
    ALfloat rate = 0.0f;
    void* data = alutLoadMemoryFromFile(path.c_str(), &format, &size, &rate);
    if (!data) {
      problems->push_back("sounds: " + e.path + " does not load");
      continue;
    }
    std::free(data);
    const ALenum want = e.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    if (format != want)
      problems->push_back("sounds: " + e.path + (e.channels == 1 ? " is not mono 16-bit"
                                                                 : " is not stereo 16-bit"));
    // Compared as a float: a damaged header's rate need not fit an int.
    if (size <= 0 || rate != static_cast<ALfloat>(kSoundRate))
      problems->push_back("sounds: " + e.path + " is empty or not at 22050 Hz");
  }
  alutExit();
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(context);
  alcCloseDevice(device);
}

}  // namespace basegen
