#include "platform/timer.h"

#include <ctime>

namespace platform {

namespace {
int64_t MonotonicNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
}  // namespace

uint32_t TimeMs() { return static_cast<uint32_t>(MonotonicNs() / 1000000); }
int64_t PerfCounter() { return MonotonicNs(); }
int64_t PerfFrequency() { return 1000000000; }

void SleepMs(uint32_t ms) {
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

}  // namespace platform
