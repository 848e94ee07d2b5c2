#include "platform/crt_rand.h"

#include <cstdint>

namespace platform {

namespace {
// The runtime starts every thread's generator as if seeded with 1.
thread_local uint32_t g_randState = 1;
}  // namespace

int Rand() {
  g_randState = g_randState * 214013u + 2531011u;
  return static_cast<int>((g_randState >> 16) & 0x7FFF);
}

void SeedRand(unsigned seed) { g_randState = seed; }

}  // namespace platform
