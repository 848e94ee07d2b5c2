// .eff particle effects as the game loads them, then run for a few frames with the
// particles respawning, as the exhaust and dust emitters run in a race.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/scratch_files.h"
#include "gfx/particles.h"
#include "platform/crt_rand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::SeedRand(1);  // the same draws for the same file, run after run
  const std::string path = WriteScratchFile("effect.eff", data, size);
  ParticleEmitter emitter;
  if (!emitter.Load(path.c_str())) {
    // A refused file leaves an empty emitter, which must update as a no-op.
    if (emitter.Count() != 0) std::abort();
    emitter.Update(1.0f, 0.0f, 0.0f, 0.0f);
    return 0;
  }
  // Long frames take the most steps, and a few let short-lived particles respawn.
  // What the loader accepts keeps every decay rate a number and every life (the
  // particle's alpha) a number.
  for (int frame = 0; frame < 4; ++frame) emitter.Update(100.0f, 1.0f, 2.0f, 3.0f);
  for (int i = 0; i < emitter.Count(); ++i)
    if (!std::isfinite(emitter.DecayRate(i)) || std::isnan(emitter.Life(i))) std::abort();
  return 0;
}
