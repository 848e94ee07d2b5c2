#include "physics/profiler.h"

#include <chrono>

namespace {

// The clock's frequency and the last mark are shared by every profiler.
constexpr int64_t kFrequency = 1000000000;  // nanoseconds
int64_t gMark = 0;

int64_t ReadClock() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Kept out of line so the calibration measures a real call.
__attribute__((noinline)) void EmptyCall() { asm volatile(""); }

}  // namespace

neStepProfiler::neStepProfiler() {
  for (float& s : slots_) s = 0.0f;
}

void neStepProfiler::Calibrate() {
  for (float& s : slots_) s = 0.0f;
  overhead_ = 200;
  for (int i = 0; i < 20; ++i) {
    const int64_t a = ReadClock();
    EmptyCall();
    const int64_t b = ReadClock();
    const int64_t d = b - a;
    if (d >= 0 && d < overhead_) overhead_ = d;
  }
  shift_ = 0;
}

void neStepProfiler::Reset() {
  for (float& s : slots_) s = 0.0f;
  gMark = ReadClock();
}

float neStepProfiler::TicksToSeconds(int64_t from, int64_t to, int64_t overhead,
                                     int64_t frequency) {
  if (frequency <= 0) return 0.0f;
  const int64_t d = to - from - overhead;
  if (d <= 0) return 0.0f;
  return static_cast<float>(static_cast<double>(d) / static_cast<double>(frequency));
}

float neStepProfiler::Elapsed() {
  const int64_t now = ReadClock();
  const int64_t from = gMark;
  gMark = now;
  return TicksToSeconds(from, now, overhead_, kFrequency);
}

float neStepProfiler::Total() const {
  return slots_[1] + slots_[0] + slots_[3] + slots_[4] + slots_[6] + slots_[5] + slots_[7] +
         slots_[8] + slots_[2];
}
