// Clocks: milliseconds for frame times, a high-resolution counter for profiling.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds on a monotonic clock; wraps like the 32-bit system timer it replaces.
uint32_t TimeMs();
// A monotonic counter and its ticks per second.
int64_t PerfCounter();
int64_t PerfFrequency();
void SleepMs(uint32_t ms);

}  // namespace platform
