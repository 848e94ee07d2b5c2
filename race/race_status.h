// The running race's shared state and the queue of score bonuses on show.
//
// RaceStatus is written by both threads: the worker's race rules set PlayerFinished
// and CountdownValue at the finish, the main thread's countdown and finish
// bookkeeping count CountdownValue and clear CountdownRunning. Each value is atomic;
// at the finish CountdownValue is zeroed before PlayerFinished is raised, so whoever
// sees the finish also sees the finish timer start at 0.
#pragma once

#include <atomic>
#include <cstdint>

constexpr float kCountdownStart = 7.0f;
// The countdown's clock releases the cars past 11 and rests at 0 past 13.
constexpr float kCountdownRelease = 11.0f;
constexpr float kCountdownEnd = 13.0f;
constexpr int kRaceLaps = 4;

struct RaceStatusState {
  std::atomic<uint8_t> CountdownRunning{0};  // 1 from the load until the countdown ends
  std::atomic<uint8_t> PlayerFinished{0};
  // Seconds: 7 at the load, the countdown's clock, 0 at the player's finish and from
  // there the finish timer of the race-finish bookkeeping.
  std::atomic<float> CountdownValue{0.0f};
  std::atomic<int32_t> RaceLaps{kRaceLaps};  // set at the load (the race tests' hook: in its first update)
  std::atomic<uint8_t> FinishLatch{0};  // the race is booked
  float UpsideDownTime = 0.0f;          // the player's car lying tilted, seconds (worker)
  // Times the player's lorry was put back on the path since the load (worker); the
  // race tools judge a driver by it.
  int32_t PlayerRecoveries = 0;
  // Counts the races LoadWorld has loaded (the loader thread bumps it last), so the
  // main thread can tell the first frame of a new race from the next frame of the
  // same one. Never reset.
  std::atomic<int32_t> RaceLoadCount{0};
};
extern RaceStatusState RaceStatus;

// The race state a track load starts from: countdown running at 7, nobody finished.
void ResetRaceStatus();
// One frame of the start countdown's clock: it advances by ticks x 0.01, by at most
// 9.4 ticks' worth (a long frame must not skip a digit, nor stall the countdown),
// releases the race past 11 and rests at 0 past 13.
void AdvanceCountdownClock(float ticks);

// Score bonuses: per-kind cool-down clocks and the queue of messages on show.
enum BonusKind : int { kBonusNone = 0, kBonusObjectHit = 1, kBonusOpponentHit = 2 };
constexpr float kObjectHitBonus = 100.0f;
constexpr float kOpponentHitBonus = 350.0f;
constexpr int kBonusQueueCapacity = 9;
// A kind is queued again only once its cool-down clock has passed this.
constexpr float kBonusCooldown = 5.0f;
constexpr float kBonusShowSeconds = 2.0f;

struct BonusQueueState {
  float cooldown[6];  // per kind, seconds since the last bonus of that kind
  float speedClock;   // advances only while the player is faster than 10
  float clocks[3];
  int kind[10];       // the queue; the tenth slot is the one the shift writes
  float amount[10];
  int head;           // index of the last queued entry, -1 when none is shown
  float headTime;     // seconds the shown entry has left
};
extern BonusQueueState BonusQueue;

// What a track load leaves: an empty queue, display clocks at 2 s, every cool-down 5 s.
void ResetBonusQueue();
// Appends a bonus of kind 1 or 2 when the queue has room and the kind's cool-down has
// passed 5 s; then restarts that cool-down. False when it was dropped.
bool QueueBonus(int kind, float amount);
