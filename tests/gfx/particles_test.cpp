// Particle emitters on the CPU: the .eff format, refusal of files the emitter cannot
// run, the step count per update and the order in which respawns draw random numbers
// (which fixes every effect's look for a given seed).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/scratch_dir.h"
#include "gfx/particles.h"
#include "gfx/particles_eff.h"
#include "platform/crt_rand.h"

namespace {

// The runtime's generator, written out independently of platform::Rand.
struct ReferenceRand {
  uint32_t state;
  int Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
  }
};

EffectParameters Simple() {
  EffectParameters p;
  std::memset(&p, 0, sizeof p);
  p.count = 3;
  p.maxSize = 2.0f;
  p.axisScale[0] = p.axisScale[1] = p.axisScale[2] = 1.0f;
  p.lifeRate = 1.0f;
  p.spreadRange[0] = p.spreadRange[1] = p.spreadRange[2] = 1;
  p.decayModulus = 1;  // rand % 1 is 0: decay is exactly the base
  p.decayDivisor = 1.0f;
  p.decayBase = 0.01f;
  p.startSize = 1.0f;
  p.startLife = 0.5f;
  return p;
}

std::string WriteEffect(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = testscratch::ScratchPath(name);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

std::vector<uint8_t> Encoded(const EffectParameters& p) {
  std::vector<uint8_t> b(kEffectFileBytes);
  EncodeEffect(p, b.data());
  return b;
}

// Steps run by one Update, seen through life: a non-emitting emitter loses exactly
// the decay base per step.
int StepsFor(float dt) {
  ParticleEmitter e;
  EXPECT_TRUE(e.Init(Simple()));
  e.emitting = false;
  e.Update(dt, 0, 0, 0);
  return static_cast<int>(std::lround(-e.Life(0) / 0.01f));
}

TEST(EffectFile, FieldsSitAtTheirOffsets) {
  EffectParameters p = Simple();
  p.storedBlendMode = 0;
  p.blendMode = 1;
  p.spreadRange[2] = 7;
  p.startLife = 0.75f;
  const std::vector<uint8_t> b = Encoded(p);
  int32_t i;
  float f;
  std::memcpy(&i, &b[0], 4);
  EXPECT_EQ(3, i);
  std::memcpy(&i, &b[48], 4);
  EXPECT_EQ(7, i);
  std::memcpy(&f, &b[88], 4);
  EXPECT_EQ(0.75f, f);
  std::memcpy(&i, &b[92], 4);
  EXPECT_EQ(1, i);
  EffectParameters back;
  ASSERT_TRUE(DecodeEffect(b.data(), b.size(), &back));
  EXPECT_EQ(0, std::memcmp(&p, &back, sizeof p));
  EXPECT_FALSE(DecodeEffect(b.data(), 95, &back));
}

TEST(EffectFile, SaveWritesWhatLoadRead) {
  EffectParameters p = Simple();
  p.storedBlendMode = 0;
  p.blendMode = 1;  // the second field counts
  const std::string path = WriteEffect("gfx_a.eff", Encoded(p));
  ParticleEmitter e;
  ASSERT_TRUE(e.Load(path.c_str()));
  EXPECT_EQ(1, e.Parameters().blendMode);
  e.startLife = 0.25f;  // as the race world sets it
  const std::string copy = testscratch::ScratchPath("gfx_b.eff");
  ASSERT_TRUE(e.Save(copy.c_str()));
  p.startLife = 0.25f;
  FILE* f = std::fopen(copy.c_str(), "rb");
  uint8_t saved[kEffectFileBytes + 4];
  const size_t n = std::fread(saved, 1, sizeof saved, f);
  std::fclose(f);
  ASSERT_EQ(kEffectFileBytes, n);
  EXPECT_EQ(0, std::memcmp(saved, Encoded(p).data(), kEffectFileBytes));
}

TEST(EffectFile, UnusableFilesLeaveASafeEmptyEmitter) {
  std::vector<std::vector<uint8_t>> bad;
  bad.push_back({});                                    // empty
  bad.push_back(std::vector<uint8_t>(95, 0));           // short
  std::vector<uint8_t> longer = Encoded(Simple());
  longer.push_back(0);
  bad.push_back(longer);                                // not the format either
  auto with = [](void (*change)(EffectParameters*)) {
    EffectParameters p = Simple();
    change(&p);
    return Encoded(p);
  };
  bad.push_back(with([](EffectParameters* p) { p->decayModulus = 0; }));
  bad.push_back(with([](EffectParameters* p) { p->decayModulus = -3; }));
  bad.push_back(with([](EffectParameters* p) { p->spreadRange[1] = 0; }));
  bad.push_back(with([](EffectParameters* p) { p->decayDivisor = 0.0f; }));
  bad.push_back(with([](EffectParameters* p) { p->count = 0; }));
  bad.push_back(with([](EffectParameters* p) { p->count = -5; }));
  bad.push_back(with([](EffectParameters* p) { p->count = 0x7FFFFFFF; }));
  bad.push_back(with([](EffectParameters* p) { p->growth = std::numeric_limits<float>::quiet_NaN(); }));
  // Finite fields whose decay per step is not: the largest draw over a divisor this
  // small, or the base times the life rate, overflows to infinity.
  bad.push_back(with([](EffectParameters* p) {
    p->decayModulus = 1000;
    p->decayDivisor = 1e-40f;
  }));
  bad.push_back(with([](EffectParameters* p) {
    p->decayBase = 3e38f;
    p->lifeRate = 10.0f;
  }));
  for (size_t i = 0; i < bad.size(); ++i) {
    ParticleEmitter e;
    ASSERT_TRUE(e.Init(Simple()));  // a loaded emitter first: the failure must empty it
    EXPECT_FALSE(e.Load(WriteEffect("gfx_bad.eff", bad[i]).c_str())) << "file " << i;
    EXPECT_EQ(0, e.Count()) << "file " << i;
    e.Update(5.0f, 1, 2, 3);  // runs nothing, draws no rand
    e.Draw(0, 0, 0, 0, 0, 10, 0, 1.0f);
  }
  ParticleEmitter missing;
  EXPECT_FALSE(missing.Load("no/such/effect.eff"));
  EXPECT_FALSE(missing.Load(nullptr));
  EXPECT_EQ(0, missing.Count());
}

TEST(EffectFile, GeneratedEffectsLoad) {
  const char* files[] = {"base/effects/dust.eff", "base/effects/smokepipe.eff",
                         "base/effects/firepipe.eff", "base/effects/checkpointlight.eff"};
  FILE* probe = std::fopen(files[0], "rb");
  if (!probe) GTEST_SKIP() << "base/ not generated here (build the base target)";
  std::fclose(probe);
  for (const char* f : files) {
    ParticleEmitter e;
    EXPECT_TRUE(e.Load(f)) << f;
    EXPECT_GT(e.Count(), 0) << f;
    EXPECT_LE(e.Parameters().startLife, 1.0f) << f;
  }
  EXPECT_TRUE(LoadParticleEmitters());
  EXPECT_GT(DustEmitters[7].Count(), 0);
  EXPECT_EQ(1, FirePipeEmitters[0].Parameters().blendMode);
  EXPECT_NE(1, SmokePipeEmitters[3].Parameters().blendMode);
}

TEST(ParticleUpdate, StepCountFollowsTheFrameTime) {
  EXPECT_EQ(1, StepsFor(0.0f));
  EXPECT_EQ(1, StepsFor(2.4f));  // 0.96 truncates to 0
  EXPECT_EQ(2, StepsFor(2.5f));
  EXPECT_EQ(5, StepsFor(10.0f));
  EXPECT_EQ(6, StepsFor(12.5f));
  EXPECT_EQ(6, StepsFor(1000.0f));
  EXPECT_EQ(0, StepsFor(-0.1f));
  EXPECT_EQ(0, StepsFor(-100.0f));
  EXPECT_EQ(0, StepsFor(std::numeric_limits<float>::quiet_NaN()));
  // A stall long enough that 0.4 dt passes the int range still runs the six steps.
  EXPECT_EQ(6, StepsFor(1e10f));
  EXPECT_EQ(6, StepsFor(std::numeric_limits<float>::max()));
  EXPECT_EQ(6, StepsFor(std::numeric_limits<float>::infinity()));
}

TEST(ParticleUpdate, RespawnsDrawRandomNumbersInParticleOrder) {
  EffectParameters p = Simple();
  p.spreadRange[0] = 100;
  p.spreadRange[1] = 50;
  p.spreadRange[2] = 30;
  p.spreadOffset[0] = 50.0f;
  p.spreadOffset[1] = 0.0f;
  p.spreadOffset[2] = 15.0f;
  p.decayModulus = 100;
  p.decayDivisor = 10000.0f;
  p.decayBase = 0.005f;
  p.axisScale[0] = p.axisScale[1] = p.axisScale[2] = 0.0f;  // keep offsets at 0
  const uint32_t seed = 12345;
  platform::SeedRand(seed);
  ParticleEmitter e;
  ASSERT_TRUE(e.Init(p));
  e.Update(0.0f, 2.0f, 0.0f, -1.0f);  // one step: every particle dies and respawns

  ReferenceRand r{seed};
  float initDecay[3];
  for (float& d : initDecay) d = static_cast<float>(r.Next() % 100) / 10000.0f + 0.005f;
  for (int i = 0; i < 3; ++i) {
    const float decay = static_cast<float>(r.Next() % 100) / 10000.0f + 0.005f;
    const float vx = static_cast<float>(r.Next() % 100) - 50.0f + 2.0f;
    const float vy = static_cast<float>(r.Next() % 50) - 0.0f + 0.0f;
    const float vz = static_cast<float>(r.Next() % 30) - 15.0f - 1.0f;
    (void)vy;
    (void)vz;
    EXPECT_EQ(decay, e.DecayRate(i)) << "particle " << i;
    EXPECT_EQ(vx, e.VelocityX(i)) << "particle " << i;
    EXPECT_EQ(0.5f, e.Life(i));
    EXPECT_EQ(1.0f, e.SpeedFactor(i));
  }
  // The emitter drew exactly 3 + 3 x 4 numbers.
  EXPECT_EQ(r.Next(), platform::Rand());
}

TEST(ParticleUpdate, MotionGrowthAndDeath) {
  EffectParameters p = Simple();
  p.acceleration[1] = 0.5f;
  p.axisScale[1] = 2.0f;
  p.speedDecay = 0.25f;
  p.growth = 0.75f;
  p.maxSize = 2.0f;
  p.decayBase = 0.1f;
  p.lifeRate = 2.0f;
  ParticleEmitter e;
  ASSERT_TRUE(e.Init(p));
  EXPECT_EQ(0.5f, e.SpeedFactor(0));  // starts at the start life
  e.emitting = false;
  e.Update(2.5f, 0, 0, 0);  // two steps
  // Step 1: v = 0.5, speed 0.25, y += 0.5 x 2 x 0.25; step 2: v = 1, speed 0, y += 0.
  EXPECT_FLOAT_EQ(0.25f, e.OffsetY(0));
  EXPECT_FLOAT_EQ(-0.4f, e.Life(0));
  EXPECT_FLOAT_EQ(2.5f, e.Size(0));  // 1 -> 1.75 -> 2.5, then no further growth
  e.Update(0.0f, 0, 0, 0);
  EXPECT_FLOAT_EQ(2.5f, e.Size(0));
  EXPECT_FLOAT_EQ(-0.6f, e.Life(0));  // dead particles stay dead while not emitting
  e.emitting = true;
  e.Update(0.0f, 0, 0, 0);
  EXPECT_EQ(0.5f, e.Life(0));
  EXPECT_EQ(1.0f, e.Size(0));
  EXPECT_EQ(0.0f, e.OffsetY(0));
}

}  // namespace
