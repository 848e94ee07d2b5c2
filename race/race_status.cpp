#include "race/race_status.h"

RaceStatusState RaceStatus;
BonusQueueState BonusQueue = {{}, 0.0f, {}, {}, {}, -1, kBonusShowSeconds};

namespace {
// A frame this long freezes the countdown's clock.
constexpr float kCountdownStallTicks = 9.5f;
}  // namespace

void ResetRaceStatus() {
  RaceStatus.RaceLaps = kRaceLaps;
  RaceStatus.CountdownValue.store(kCountdownStart);
  RaceStatus.CountdownRunning.store(1);
  RaceStatus.PlayerFinished.store(0);
  RaceStatus.FinishLatch.store(0);
}

void AdvanceCountdownClock(float ticks) {
  float c = RaceStatus.CountdownValue.load();
  if (ticks < kCountdownStallTicks) c += ticks * 0.01f;
  if (c > kCountdownRelease) RaceStatus.CountdownRunning.store(0);
  if (c > kCountdownEnd) c = 0.0f;
  RaceStatus.CountdownValue.store(c);
}

void ResetBonusQueue() {
  BonusQueueState& q = BonusQueue;
  q.head = -1;
  q.headTime = kBonusShowSeconds;
  for (int i = 0; i < 10; ++i) {
    q.kind[i] = kBonusNone;
    q.amount[i] = 0.0f;
  }
  // The six per-kind clocks, the speed clock and the three further ones: ten in all.
  for (float& c : q.cooldown) c = kBonusCooldown;
  q.speedClock = kBonusCooldown;
  for (float& c : q.clocks) c = kBonusCooldown;
}

bool QueueBonus(int kind, float amount) {
  BonusQueueState& q = BonusQueue;
  if (kind < 1 || kind > 2) return false;
  if (q.head + 1 >= kBonusQueueCapacity || !(q.cooldown[kind] > kBonusCooldown)) return false;
  ++q.head;
  q.kind[q.head] = kind;
  q.amount[q.head] = amount;
  q.cooldown[kind] = 0.0f;
  return true;
}
