// The runtime library's rand as the game was tuned with it: one generator per thread,
// state * 214013 + 2531011, results 0..32767. glibc's rand is process-wide and differs.
#pragma once

namespace platform {

constexpr int kRandMax = 0x7FFF;

int Rand();
void SeedRand(unsigned seed);

}  // namespace platform
