// Step profiler: charges the time of each phase of a sub-step to one of nine
// slots while the host asked for timings. Reads the monotonic clock in
// nanoseconds (the counter frequency is 1e9).
#ifndef KELVAMOR_PHYSICS_PROFILER_H
#define KELVAMOR_PHYSICS_PROFILER_H

#include <cstdint>

// What each slot is charged with.
enum neProfilerSlot : int32_t {
  kNeSlotVelocity = 0,    // force clearing, damping and velocity update
  kNeSlotPosition = 1,    // position update and rest check
  kNeSlotJointPost = 2,   // joint controllers
  kNeSlotSolverA = 3,     // stack words and the first part of the solver
  kNeSlotSolverB = 4,     // the rest of the solver and stacks
  kNeSlotBroadPhase = 5,  // sensor reset, bounds refresh, broad phase
  kNeSlotBodyPairs = 6,
  kNeSlotTerrain = 7,
  kNeSlotTerrainGather = 8,
  kNeSlotCount = 9,
};

class neStepProfiler {
 public:
  neStepProfiler();
  // Clears the slots and measures the cost of two back-to-back clock reads.
  void Calibrate();
  // Clears the slots and takes a new mark; the start of a timed advance.
  void Reset();
  // Seconds since the previous mark; the reading becomes the new mark.
  float Elapsed();
  void Charge(int32_t slot) { slots_[slot] += Elapsed(); }
  // Sum in the order 1, 0, 3, 4, 6, 5, 7, 8, 2.
  float Total() const;
  float Slot(int32_t slot) const { return slots_[slot]; }
  int64_t Overhead() const { return overhead_; }

  // The difference of two clock readings less the overhead, in seconds; 64-bit
  // and clamped at 0, so a reading that does not move forward gives 0.
  static float TicksToSeconds(int64_t from, int64_t to, int64_t overhead, int64_t frequency);

 private:
  float slots_[kNeSlotCount];
  int32_t shift_ = 0;     // kept 0: 64-bit differences need no shifting
  int64_t overhead_ = 0;  // ticks
};

#endif  // KELVAMOR_PHYSICS_PROFILER_H
