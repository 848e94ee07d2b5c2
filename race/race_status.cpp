#include "race/race_status.h"

RaceStatusState RaceStatus;
BonusQueueState BonusQueue = {{}, 0.0f, {}, {}, {}, -1, kBonusShowSeconds};

namespace {
// The longest step the countdown's clock takes in one frame. Each caption shows for a
// second (100 ticks) in a window open at both ends: any step below 100 ticks lands in
// every window, and a step under 9.5 ticks keeps at least ten frames per caption, so a
// long frame shows each digit. A longer frame still moves the clock by this much:
// standing it still instead would never start the race on a machine that draws fewer
// than about 10.5 frames a second.
constexpr float kCountdownLongestStep = 9.4f;
}  // namespace

void ResetRaceStatus() {
  RaceStatus.RaceLaps.store(kRaceLaps);
  RaceStatus.CountdownValue.store(kCountdownStart);
  RaceStatus.CountdownRunning.store(1);
  RaceStatus.PlayerFinished.store(0);
  RaceStatus.FinishLatch.store(0);
  RaceStatus.PlayerRecoveries = 0;
}

void AdvanceCountdownClock(float ticks) {
  float c = RaceStatus.CountdownValue.load();
  c += (ticks < kCountdownLongestStep ? ticks : kCountdownLongestStep) * 0.01f;
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
