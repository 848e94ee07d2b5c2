#include "tools/race_sim/autopilot.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "race/autopilot.h"
#include "race/car.h"
#include "race/city_objects.h"
#include "race/physics_world.h"
#include "race/race_rules.h"
#include "race/race_status.h"
#include "race/waypoints.h"

namespace {

constexpr double kRaceClockLimit = 900.0;  // seconds of race clock for the four laps
// After the player's finish the opponents drive on until each has crossed the line
// behind its last lap; this long at most.
constexpr double kOpponentsFinishLimit = 180.0;
// A lorry whose up axis leans more than 60 degrees from the world's up lies on its
// side or roof; a moment there in a tumble that rights itself is allowed, this long
// is not.
constexpr float kOverUpY = 0.5f;
constexpr double kOverLimitSeconds = 2.0;

bool Finite(const neVector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// What the previous frame left, to judge this one against.
struct Seen {
  float progress[kRaceCarCount];
  int32_t lap[kRaceCarCount];
  int32_t next[kRaceCarCount];
  bool over[kRaceCarCount] = {};
  double overSince[kRaceCarCount] = {};
};

void Remember(Seen* s) {
  for (int i = 0; i < kRaceCarCount; ++i) {
    s->progress[i] = RaceCars[i].progress;
    s->lap[i] = RaceCars[i].lap;
    s->next[i] = RaceCars[i].nextCheckpoint;
  }
}

// An object the player has left behind (15 units from it, 50 from each of its moved
// parts, horizontally) must be back at rest and out of the simulation within two
// frames. Counts the frames each object has been left but not reset.
struct ObjectWatch {
  uint8_t wasActive[kMaxCityObjects] = {};
  int lateFrames[kMaxCityObjects] = {};
  int activated = 0;
  int reset = 0;
  int late = 0;

  static float FlatSq(const neVector3& a, const neVector3& b) {
    return (a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z);
  }

  static float RestError(const CityObject& o) {
    float e = 0.0f;
    for (int j = 0; j < o.bodyCount; ++j)
      if (o.bodies[j]) e = std::fmax(e, (o.bodies[j]->GetPosition() - o.RestPosition(j)).Length());
    return e;
  }

  void Check() {
    const neVector3 p = RaceCars[0].Position();
    for (int k = 0; k < CityObjectCount; ++k) {
      const CityObject& o = CityObjects[k];
      if (o.active && !wasActive[k]) ++activated;
      if (!o.active && wasActive[k]) ++reset;
      wasActive[k] = o.active;
      bool left = FlatSq(p, o.position) > kObjectParkDistanceSq;
      for (int j = 0; j < o.bodyCount && left; ++j)
        if (o.moved[j] && o.bodies[j]) left = FlatSq(p, o.bodies[j]->GetPosition()) > kMovedPartHoldDistanceSq;
      const bool settled = !o.active && RestError(o) <= 1e-3f;
      lateFrames[k] = (left && !settled) ? lateFrames[k] + 1 : 0;
      if (lateFrames[k] > 2) ++late;
    }
  }
};

float DistanceToStart(const CSampleCar& car) {
  const neVector3 p = car.Position();
  const Waypoint& w = WaypointTable[0];
  return std::sqrt((p.x - w.x) * (p.x - w.x) + (p.y - w.y) * (p.y - w.y) + (p.z - w.z) * (p.z - w.z));
}

}  // namespace

AutopilotResult RunAutopilotRace(const RaceSessionOptions& options) {
  AutopilotResult r;
  if (!OpenRaceSession(options)) {
    r.figures = "load refused";
    return r;
  }
  Autopilot pilot;
  static ObjectWatch objects;  // a thousand objects' worth: not on the stack
  objects = ObjectWatch{};
  Seen seen;
  Remember(&seen);
  // The pilot steers on the ticks the race step runs the frame with, as the game's does.
  const float frameTicks = RaceStepTicks(options.frameSeconds * 100.0f);
  std::string broken;
  int finishes = 0;
  int rollovers = 0;
  double longestOver = 0.0;
  int longestOverCar = -1;
  double finishAt = -1.0;
  RaceClock frozen;
  // Frames longer than the world's longest step run the race slower than the frames'
  // own seconds, which the session counts: the limits stretch with it.
  const double slow = options.frameSeconds / RaceStepTicks(options.frameSeconds * 100.0f) * 100.0;
  const double clockLimit = kRaceClockLimit * slow, opponentsLimit = kOpponentsFinishLimit * slow;
  const double overLimit = kOverLimitSeconds * slow;
  const int64_t limit = static_cast<int64_t>((clockLimit + opponentsLimit + 10.0) / options.frameSeconds);
  for (int64_t f = 0; f < limit && broken.empty(); ++f) {
    const bool wasFinished = RaceStatus.PlayerFinished.load() != 0;
    pilot.Drive(frameTicks, &RaceControls);
    StepRaceFrame();
    const bool finished = RaceStatus.PlayerFinished.load() != 0;
    if (finished && !wasFinished) {
      ++finishes;
      finishAt = RaceSession.raceSeconds;
      frozen = RaceCars[0].raceTime;
    }
    for (int i = 0; i < kRaceCarCount && broken.empty(); ++i) {
      const CSampleCar& car = RaceCars[i];
      if (!car.body || !Finite(car.Position()) || !Finite(car.body->GetVelocity()))
        broken = FormatFigures("car %d has no finite body at frame %lld", i, static_cast<long long>(f));
      else if (car.progress < seen.progress[i])
        broken = FormatFigures("car %d progress fell %.3f -> %.3f", i, seen.progress[i], car.progress);
      else if (car.lap != seen.lap[i] && !(car.lap == seen.lap[i] + 1 && DistanceToStart(car) < kWaypointReach) &&
               !(i == 0 && car.lap == seen.lap[i] && finished))
        broken = FormatFigures("car %d lap %d -> %d at %.1f from the line", i, seen.lap[i], car.lap, DistanceToStart(car));
      else if (car.nextCheckpoint != seen.next[i] && car.nextCheckpoint != NextCheckpointAfter(seen.next[i]))
        broken = FormatFigures("car %d skipped from checkpoint %d to %d", i, seen.next[i], car.nextCheckpoint);
    }
    if (broken.empty() && !finished) {
      // The player is ranked before the opponents move this frame: against their
      // progress of the frame before.
      const float others[3] = {seen.progress[1], seen.progress[2], seen.progress[3]};
      if (RaceCars[0].place != PlayerPlace(RaceCars[0].progress, others))
        broken = FormatFigures("place %d does not follow the progress", RaceCars[0].place);
    }
    if (broken.empty() && finished && RaceClockKey(RaceCars[0].raceTime) != RaceClockKey(frozen))
      broken = "the race time ran on after the finish";
    for (int i = 0; i < kRaceCarCount; ++i) {
      // A lorry on its side or roof, counted once per time it goes over, and timed.
      const bool over = RaceCars[i].body->GetRotationMatrix().col[1].y < kOverUpY;
      if (over && !seen.over[i]) {
        ++rollovers;
        seen.overSince[i] = RaceSession.raceSeconds;
      }
      if (over && RaceSession.raceSeconds - seen.overSince[i] > longestOver) {
        longestOver = RaceSession.raceSeconds - seen.overSince[i];
        longestOverCar = i;
      }
      seen.over[i] = over;
    }
    if (broken.empty() && longestOver > overLimit)
      broken = FormatFigures("car %d lay on its side or roof for more than %.0f s", longestOverCar, kOverLimitSeconds);
    Remember(&seen);
    objects.Check();
    if (broken.empty() && objects.late > 0) broken = "an object the player left was not reset within two frames";
    if (RaceSession.raceSeconds > clockLimit && !finished) break;
    // Once the player is home, the opponents finish their own last lap.
    bool opponentsHome = true;
    for (int i = 1; i < kRaceCarCount; ++i) opponentsHome = opponentsHome && RaceCars[i].lap > kRaceLaps;
    if (finished && (opponentsHome || RaceSession.raceSeconds > finishAt + opponentsLimit)) break;
  }
  const CSampleCar& player = RaceCars[0];
  int slowestOpponent = RaceCars[1].lap;
  for (int i = 2; i < kRaceCarCount; ++i) slowestOpponent = std::min(slowestOpponent, RaceCars[i].lap);
  const float best = ClockSeconds(player.bestLap), total = ClockSeconds(player.raceTime);
  r.pass = broken.empty() && finishes == 1 && finishAt >= 0.0 && finishAt <= clockLimit &&
           player.lap == kRaceLaps && slowestOpponent > kRaceLaps && best > 0.0f && best <= total;
  r.figures = FormatFigures("finish_s=%.1f laps=%d best_lap=%.2f place=%d opp_laps=%d,%d,%d rollovers=%d "
                     "longest_over_s=%.2f objects_activated=%d objects_reset=%d",
                     finishAt, player.lap, best, player.place, RaceCars[1].lap, RaceCars[2].lap, RaceCars[3].lap,
                     rollovers, longestOver, objects.activated, objects.reset);
  if (!broken.empty()) r.figures += " broken: " + broken;
  r.bestLap = best;
  CloseRaceSession();
  return r;
}
