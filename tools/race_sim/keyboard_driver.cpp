#include "tools/race_sim/keyboard_driver.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/controls.h"
#include "app/frame.h"
#include "app/input.h"
#include "app/settings.h"
#include "gfx/math3d.h"
#include "platform/vk.h"
#include "race/car.h"
#include "race/physics_world.h"
#include "race/race_rules.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "tools/race_sim/autopilot.h"

namespace {

// What the player has learnt of the lorry and of seeing the road. Speeds and
// distances are the world's (units, and units per second of the world's clock, which
// runs kWorldSpeedUp times as fast as the player's).
constexpr float kWorldSpeedUp = 10.0f * kWorldTimeScale;
constexpr float kWheelLimit = 0.55f;       // radians at full lock
constexpr float kSightDistance = 160.0f;   // how far down the road bends are judged
constexpr float kAimBase = 9.0f;           // the point on the road steered at: this far
constexpr float kAimPerSpeed = 0.9f;       // plus this many units per unit of speed
constexpr float kBendSpan = 7.0f;          // a bend's turn is measured over twice this
constexpr float kSideAccel = 5.0f;         // sideways pull the lorry holds in a bend
constexpr float kBrakeAccel = 6.0f;        // what the brakes take off
constexpr float kTopSpeed = 40.0f;
constexpr float kLowestBendSpeed = 6.0f;
constexpr float kSteerSlack = 0.08f;       // near enough on the wheel: hands off
constexpr float kNaiveDeadBand = 0.1f;     // the same for a player who does not foresee
constexpr float kNoBrakeBelow = 3.0f;      // Down near a standstill backs up instead
constexpr float kStuckSpeed = 1.0f;
constexpr float kStuckSeconds = 2.0f;
constexpr float kBackingSeconds = 1.5f;
// Facing more than this away from the point steered at, the lorry is turned back to
// the road at full lock and at no more than this speed.
constexpr float kTurnBackAngle = 0.6f;
constexpr float kTurnBackSpeed = 9.0f;

// The path as the road ahead shows it: distance along it and how sharply it turns.
float g_pathAt[kWaypointCapacity];
float g_pathTurn[kWaypointCapacity];  // radians per unit, + the way the wheel's + turns
float g_pathLength = 0.0f;

neVector3 WaypointPoint(int32_t i) {
  const Waypoint& w = WaypointTable[i];
  return neV3(w.x, w.y, w.z);
}

int32_t Wrap(int32_t i) {
  const int32_t n = WaypointLastIndex + 1;
  return ((i % n) + n) % n;
}

float FlatDistance(const neVector3& a, const neVector3& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z));
}

neVector3 Flat(const neVector3& from, const neVector3& to) {
  neVector3 d = neV3(to.x - from.x, 0.0f, to.z - from.z);
  d.Normalize();
  return d;
}

// The waypoint whose distance along the path from i is at least `ahead` (negative:
// behind).
int32_t WaypointAlong(int32_t i, float ahead) {
  const int32_t n = WaypointLastIndex + 1;
  float gone = 0.0f;
  int32_t j = i;
  for (int32_t step = 0; step < n && gone < std::fabs(ahead); ++step) {
    const int32_t k = Wrap(ahead >= 0.0f ? j + 1 : j - 1);
    gone += FlatDistance(WaypointPoint(j), WaypointPoint(k));
    j = k;
  }
  return j;
}

void LearnPath() {
  const int32_t n = WaypointLastIndex + 1;
  g_pathLength = 0.0f;
  for (int32_t i = 0; i < n; ++i) {
    g_pathAt[i] = g_pathLength;
    g_pathLength += FlatDistance(WaypointPoint(i), WaypointPoint(Wrap(i + 1)));
  }
  for (int32_t i = 0; i < n; ++i) {
    const int32_t a = WaypointAlong(i, -kBendSpan), b = WaypointAlong(i, kBendSpan);
    const neVector3 p = WaypointPoint(i);
    const float turn = SignedAngleXZChecked(Flat(WaypointPoint(a), p), Flat(p, WaypointPoint(b)));
    const float span = FlatDistance(WaypointPoint(a), p) + FlatDistance(p, WaypointPoint(b));
    g_pathTurn[i] = span > 0.5f ? turn / span : 0.0f;
  }
}

float AheadOf(int32_t from, int32_t to) {
  float d = g_pathAt[to] - g_pathAt[from];
  if (d < 0.0f) d += g_pathLength;
  return d;
}

// The steering control whose shaping (as the race rules shape it) gives this wheel.
float ControlFor(float wheel) {
  const float w = std::clamp(wheel / kWheelLimit, -1.0f, 1.0f);
  return (w >= 0.0f ? 1.0f : -1.0f) * std::pow(std::fabs(w), 2.0f / 3.0f);
}

// One frame of the keyboard's steering ramp, as the game's mapping runs it.
float RampSteer(float s, const ArrowKeys& k, float ticks) {
  if (k.left) s = std::min(s + kSteerRate * ticks, 1.0f);
  if (k.right) s = std::max(s - kSteerRate * ticks, -1.0f);
  if (!k.left && !k.right) s -= s * kSteerCentring * ticks;
  return s;
}

}  // namespace

void KeyboardDriver::Start(float frameSeconds, const KeyboardStyle& style) {
  *this = KeyboardDriver();
  style_ = style;
  style_.decisionSeconds = std::max(style.decisionSeconds, kShortestDecisionSeconds);
  style_.reactionSeconds = std::max(style.reactionSeconds, kShortestReactionSeconds);
  style_.lagSeconds = std::max(style.lagSeconds, 0.0f);
  FeelFrame(frameSeconds);
  LearnPath();
}

void KeyboardDriver::FeelFrame(float frameSeconds) {
  if (!(frameSeconds > 0.0f)) return;
  frameSeconds_ = frameSeconds;
  // Decisions fall on frames: the first frame a decision period or more after the last.
  decisionPeriod_ = std::ceil(style_.decisionSeconds / frameSeconds - 1e-4) * frameSeconds;
}

PlayerView SeePlayerLorry() {
  const CSampleCar& car = RaceCars[0];
  PlayerView v;
  v.position = car.Position();
  v.heading = car.heading;
  v.velocity = car.velocity;
  v.speed = car.speed;
  v.steer = DriverControls.steer;
  v.wheelbase = 2.0f * car.WheelOffsetX();
  v.countdown = RaceStatus.CountdownRunning.load() != 0;
  return v;
}

int32_t KeyboardDriver::TrackWaypoint(const neVector3& p) {
  const int32_t n = WaypointLastIndex + 1;
  int32_t best = along_;
  float bestD = FlatDistance(p, WaypointPoint(Wrap(along_)));
  for (int32_t k = -20; k <= 40; ++k) {
    const int32_t i = Wrap(along_ + k);
    const float d = FlatDistance(p, WaypointPoint(i));
    if (d < bestD) bestD = d, best = i;
  }
  if (bestD > 30.0f) {
    // Lost the thread (put back on the road, or far off it): look over the whole path.
    for (int32_t i = 0; i < n; ++i) {
      const float d = FlatDistance(p, WaypointPoint(i));
      if (d < bestD) bestD = d, best = i;
    }
  }
  along_ = Wrap(best);
  return along_;
}

float KeyboardDriver::ForeseeSteer(float steer, double now, const ArrowKeys& option, double from,
                                   double until) const {
  float s = steer;
  const float ticks = frameSeconds_ * 100.0f;
  ArrowKeys k = taken_;
  int next = 0;
  float error = 0.0f;
  int counted = 0;
  // Frame by frame as the game runs them: the keys that hold in a frame are those of
  // the last press time reached by its start.
  for (double t = now; t < until - 1e-6; t += frameSeconds_) {
    while (next < pendingCount_ && pending_[next].seenAt + Acts() <= t + 1e-6) k = pending_[next++].keys;
    if (t >= from - 1e-6) k = option;
    s = RampSteer(s, k, ticks);
    if (t >= from - 1e-6) {
      error += std::fabs(s - wanted_);
      ++counted;
    }
  }
  return counted ? error / static_cast<float>(counted) : std::fabs(s - wanted_);
}

ArrowKeys KeyboardDriver::Decide(double now, const PlayerView& car) {
  ArrowKeys keys;
  const neVector3 p = car.position;
  const float speed = car.speed;
  const float yaw = std::atan2(car.heading.z, car.heading.x);
  float yawRate = 0.0f;  // of the view turning, per second of the player's clock
  if (seen_ && now > lastSeen_) {
    float dy = yaw - lastYaw_;
    if (dy > 3.14159265f) dy -= 6.2831853f;
    if (dy < -3.14159265f) dy += 6.2831853f;
    yawRate = dy / static_cast<float>(now - lastSeen_);
  }
  seen_ = true;
  lastYaw_ = yaw;
  lastSeen_ = now;
  if (car.countdown) {
    keys.up = true;  // the engine roars on the grid; the lorry is held anyway
    return keys;
  }
  const int32_t at = TrackWaypoint(p);

  // Backing out of a wedge: Down, the wheel the other way.
  if (now < backingUntil_) {
    keys.down = true;
    keys.left = backingSteer_ > 0.0f;
    keys.right = backingSteer_ < 0.0f;
    return keys;
  }
  if (speed < kStuckSpeed && taken_.up) {
    if (slowSince_ < 0.0) slowSince_ = now;
    if (now - slowSince_ > kStuckSeconds) {
      slowSince_ = -1.0;
      backingUntil_ = now + kBackingSeconds;
      const int32_t aim = WaypointAlong(at, kAimBase);
      backingSteer_ = SignedAngleXZChecked(car.heading, Flat(p, WaypointPoint(aim))) > 0.0f ? -1.0f : 1.0f;
      keys.down = true;
      return keys;
    }
  } else {
    slowSince_ = -1.0;
  }

  // Where the lorry will be when these keys act: still turning as the view turns now.
  const float lead = style_.foresight ? Acts() + 0.5f * style_.decisionSeconds : 0.0f;
  const float yawThen = yaw + yawRate * lead;
  const neVector3 headingThen = neV3(std::cos(yawThen), 0.0f, std::sin(yawThen));
  const neVector3 v = car.velocity;
  const neVector3 pThen = neV3(p.x + v.x * lead * kWorldSpeedUp, p.y, p.z + v.z * lead * kWorldSpeedUp);

  // Steering: the wheel that carries the lorry through a point on the road ahead.
  const float reach = kAimBase + kAimPerSpeed * speed;
  const int32_t aim = WaypointAlong(at, reach + lead * kWorldSpeedUp * speed);
  const neVector3 target = WaypointPoint(aim);
  const float alpha = SignedAngleXZChecked(headingThen, Flat(pThen, target));
  const float dist = std::max(FlatDistance(pThen, target), 1.0f);
  const float wheelbase = car.wheelbase;
  const float wheel = std::atan(2.0f * wheelbase * std::sin(alpha) / dist);
  // Facing well away from the road (spun, or knocked round): full lock toward it.
  const bool turningBack = std::fabs(alpha) > kTurnBackAngle;
  wanted_ = turningBack ? (alpha > 0.0f ? 1.0f : -1.0f) : ControlFor(wheel);
  // How far the wheel will stand from the wanted one over the frames these keys hold,
  // for each way of holding the arrows.
  const double from = now + Acts(), until = from + decisionPeriod_;
  ArrowKeys options[3];
  options[1].left = true;
  options[2].right = true;
  int pick = 0;
  if (style_.foresight) {
    float error[3];
    for (int i = 0; i < 3; ++i) error[i] = ForeseeSteer(car.steer, now, options[i], from, until);
    if (error[1] < error[0] - kSteerSlack && error[1] <= error[2]) pick = 1;
    if (error[2] < error[0] - kSteerSlack && error[2] < error[1]) pick = 2;
  } else {
    const float off = wanted_ - car.steer;
    if (off > kNaiveDeadBand) pick = 1;
    if (off < -kNaiveDeadBand) pick = 2;
  }
  keys.left = options[pick].left;
  keys.right = options[pick].right;

  // Pace: no faster than the sharpest bend in sight can be braked for.
  const float react = speed * (Acts() + style_.decisionSeconds) * kWorldSpeedUp;
  float allowed = kTopSpeed;
  for (int32_t k = 0; k <= WaypointLastIndex; ++k) {
    const int32_t i = Wrap(at + k);
    const float d = AheadOf(at, i);
    if (d > kSightDistance) break;
    const float turn = std::fabs(g_pathTurn[i]);
    if (turn < 1e-4f) continue;
    const float bend = std::max(std::sqrt(kSideAccel / turn), kLowestBendSpeed);
    const float room = std::max(d - react, 0.0f);
    allowed = std::min(allowed, std::sqrt(bend * bend + 2.0f * kBrakeAccel * room));
  }
  if (turningBack) allowed = std::min(allowed, kTurnBackSpeed);
  if (speed > allowed + 1.0f && speed > kNoBrakeBelow) keys.down = true;
  else if (speed < allowed - 0.5f) keys.up = true;
  return keys;
}

void KeyboardDriver::Frame(double now, const PlayerView& view, uint8_t keys[256]) {
  // The decision clock: what is seen between decisions goes unjudged. The view is
  // judged the frame it is seen, so a decision is as old as what it was made from.
  if (lastDecision_ < 0.0 || now - lastDecision_ >= style_.decisionSeconds - 1e-6) {
    const ArrowKeys k = Decide(now, view);
    if (pendingCount_ < kPendingCapacity) pending_[pendingCount_++] = {now, k};
    lastDecision_ = now;
  }
  // The fingers: nothing but a decision a reaction time old moves a key. It waits on
  // until the race has taken it up, the lag later.
  for (int i = 0; i < pendingCount_ && pending_[i].seenAt + style_.reactionSeconds <= now + 1e-6; ++i)
    held_ = pending_[i].keys;
  int done = 0;
  while (done < pendingCount_ && pending_[done].seenAt + Acts() <= now + 1e-6) taken_ = pending_[done++].keys;
  if (done) {
    std::memmove(pending_, pending_ + done, sizeof(Pending) * (pendingCount_ - done));
    pendingCount_ -= done;
  }
  keys[platform::kVkUp] = held_.up;
  keys[platform::kVkDown] = held_.down;
  keys[platform::kVkLeft] = held_.left;
  keys[platform::kVkRight] = held_.right;
}

namespace {

constexpr double kRaceClockLimit = 900.0;
constexpr float kOverUpY = 0.5f;  // the autopilot's measure of a lorry on its side
constexpr float kBestLapMargin = 1.2f;

}  // namespace

bool StartKeyboardRace(const RaceSessionOptions& options, const KeyboardStyle& style, KeyboardDriver* driver) {
  if (!OpenRaceSession(options)) return false;
  driver->Start(options.frameSeconds, style);
  std::memset(Input.KeyStates, 0, sizeof Input.KeyStates);
  std::memset(PressLatches, 0, sizeof PressLatches);
  DriverControls = DriverControlState{};
  DriverControls.clutch = 1.0f;
  Settings.controlDevice = kControlDeviceKeyboard;
  return true;
}

void DriveKeyboardFrame(KeyboardDriver* driver, double now, const PlayerView& view) {
  driver->Frame(now, view, Input.KeyStates);
  StepKeyboardFrame();
}

void StepKeyboardFrame() {
  // The main loop's last step, then the worker's first.
  FrameTiming.RenderTicks = RaceSession.options.frameSeconds * 100.0f;
  MapDriverInput();
  TakeDriverControls();
  StepRaceFrame();
}

KeyboardRaceResult RunKeyboardRace(const RaceSessionOptions& options, const KeyboardStyle& style) {
  KeyboardRaceResult r;
  // The mark: the opponents' law at the player's own wheel, on the same race, lorry
  // and frame time, which no gap to the player moves. It races first: a race leaves
  // the cars' engines, gears and wheels as they ended for the next load of the
  // process, and the mark is then the one `race_sim --autopilot` gives.
  const float autopilotBest = RunAutopilotRace(options).bestLap;
  static KeyboardDriver driver;
  if (!StartKeyboardRace(options, style, &driver)) {
    r.figures = "load refused";
    return r;
  }
  int rollovers = 0;
  bool over = false;
  double finishAt = -1.0;
  const int64_t limit = static_cast<int64_t>((kRaceClockLimit + 20.0) / options.frameSeconds);
  for (int64_t f = 0; f < limit; ++f) {
    DriveKeyboardFrame(&driver, static_cast<double>(f) * options.frameSeconds, SeePlayerLorry());
    const bool nowOver = RaceCars[0].body->GetRotationMatrix().col[1].y < kOverUpY;
    if (nowOver && !over) ++rollovers;
    over = nowOver;
    if (RaceStatus.PlayerFinished.load()) {
      finishAt = RaceSession.raceSeconds;
      break;
    }
    if (RaceSession.raceSeconds > kRaceClockLimit) break;
  }
  const CSampleCar& player = RaceCars[0];
  // The opponents' laps are a figure, not the mark: their law eases off and closes
  // up with the gap to the player, so a slower player makes slower opponents.
  float opponentsBest = 0.0f;
  for (int i = 1; i < kRaceCarCount; ++i) {
    const float b = ClockSeconds(RaceCars[i].bestLap);
    if (RaceCars[i].lap >= 2 && b > 0.0f && (opponentsBest == 0.0f || b < opponentsBest)) opponentsBest = b;
  }
  const float best = ClockSeconds(player.bestLap);
  const int laps = finishAt < 0.0 ? player.lap - 1 : player.lap;
  const int recoveries = RaceStatus.PlayerRecoveries;
  CloseRaceSession();
  std::string why;
  if (finishAt < 0.0) why = "no finish within the race clock's limit";
  else if (recoveries > 0) why = "put back on the road";
  else if (rollovers > 0) why = "over on its side or roof";
  else if (!(autopilotBest > 0.0f)) why = "no autopilot lap to compare";
  else if (best > kBestLapMargin * autopilotBest) why = "best lap more than 20% behind the autopilot's";
  r.pass = why.empty();
  r.figures = FormatFigures("finish_s=%.1f laps=%d best_lap=%.2f autopilot_best_lap=%.2f opponents_best_lap=%.2f "
                            "recoveries=%d rollovers=%d",
                            finishAt, laps, best, autopilotBest, opponentsBest, recoveries, rollovers);
  r.why = why;
  return r;
}
