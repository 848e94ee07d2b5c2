// A player at a keyboard: the four arrow keys, each down or up, pressed by someone who
// looks at the road ahead, the lorry's heading and its speed, decides at most every
// 0.1 s and whose fingers act 0.15 s after each decision. The keys go through the
// game's own binding path (the key-state array, the settings' bindings and the
// steering and pedal ramps); nothing here writes the controls. Like a player who has
// learnt the lorry, the driver knows how its pending presses will move the wheel and
// which speed each bend takes; it knows nothing of how the opponents drive.
#pragma once

#include <cstdint>
#include <string>

#include "physics/ne.h"
#include "tools/race_sim/race_session.h"

// A person's limits, which no style goes past: a decision comes no sooner than this
// after the one before, and is acted on no sooner than this after the view it was
// made from (seeing, judging and pressing take a person that long).
constexpr float kShortestDecisionSeconds = 0.1f;
constexpr float kShortestReactionSeconds = 0.15f;

// How quick and how foreseeing the player is. The default is the player the game is
// tuned for; the others measure how much the lorry forgives a slower or a naive one.
// Asked to be quicker than a person, the driver keeps to a person's limits.
struct KeyboardStyle {
  float decisionSeconds = 0.1f;
  float reactionSeconds = 0.15f;
  bool foresight = true;  // false: presses toward the wanted wheel from where it stands,
                          // without foreseeing the lorry's turn or the pending presses
  // How long after the fingers the race takes a key up: 0 where the keys reach the
  // step of the frame they are pressed in; a real game's keys wait for its next frame,
  // and a player who has felt that presses that much sooner.
  float lagSeconds = 0.0f;
};

// The keys one decision holds down until the next.
struct ArrowKeys {
  bool up = false, down = false, left = false, right = false;
};

// What the player sees of the own lorry in a frame: where it stands, faces and moves,
// where the steering wheel stands, and whether the start lights still hold it. Speeds
// and positions are the world's.
struct PlayerView {
  neVector3 position = neV3(0.0f, 0.0f, 0.0f);
  neVector3 heading = neV3(1.0f, 0.0f, 0.0f);
  neVector3 velocity = neV3(0.0f, 0.0f, 0.0f);
  float speed = 0.0f;
  float steer = 0.0f;  // the steering control, -1..1
  float wheelbase = 5.3f;
  bool countdown = false;
};
// The view of the race world's own player lorry (race_sim's frames).
PlayerView SeePlayerLorry();

class KeyboardDriver {
 public:
  static constexpr int kPendingCapacity = 16;

  // A new race on the path in WaypointTable at this frame time: nothing pending, no
  // keys down.
  void Start(float frameSeconds, const KeyboardStyle& style = KeyboardStyle());
  // One frame at real time `now` (seconds): sees `view`, decides from it when the
  // decision clock allows, then writes into keys[] the decisions whose time has come.
  // `view` is all the driver learns of the race: it holds the own lorry alone.
  void Frame(double now, const PlayerView& view, uint8_t keys[256]);
  // A real game's frame time and lag change with what else its machine runs: the
  // player goes by them as lately felt (the lag as KeyboardStyle::lagSeconds).
  void FeelFrame(float frameSeconds);
  void FeelLag(float seconds) { style_.lagSeconds = seconds > 0.0f ? seconds : 0.0f; }

 private:
  // A decision waiting for the fingers, or for the race to take up what they press:
  // the keys, and when what it was made from was seen. The fingers take it up no sooner
  // than the reaction time after that, the race the lag after them.
  struct Pending {
    double seenAt;
    ArrowKeys keys;
  };
  ArrowKeys Decide(double now, const PlayerView& view);
  // From a view to the race taking up the keys decided on it.
  float Acts() const { return style_.reactionSeconds + style_.lagSeconds; }
  // How far from the wanted steering the wheel stands, on average over the frames
  // from `from` to `until` when `option` is held then: the key ramp run frame by frame
  // from the wheel as it stands, over the pending key states and then the option.
  float ForeseeSteer(float steer, double now, const ArrowKeys& option, double from, double until) const;
  int32_t TrackWaypoint(const neVector3& p);

  float frameSeconds_ = 1.0f / 60.0f;
  KeyboardStyle style_;           // as asked, held to a person's limits
  double decisionPeriod_ = 0.1;  // its decision time as whole frames
  float wanted_ = 0.0f;  // the steering control the road asks for
  double lastDecision_ = -1.0;  // when the last decision was made; none yet: < 0
  Pending pending_[kPendingCapacity];
  int pendingCount_ = 0;
  ArrowKeys held_;        // the keys the fingers hold now
  ArrowKeys taken_;       // the keys the race has taken up by now, a lag behind them
  int32_t along_ = 0;     // the waypoint the lorry is by, as the player keeps track of it
  bool seen_ = false;     // a heading seen at the last decision
  float lastYaw_ = 0.0f;  // the heading's angle then
  double lastSeen_ = 0.0;
  double slowSince_ = -1.0;
  double backingUntil_ = -1.0;
  float backingSteer_ = 0.0f;
};

// The race tools' frames with the driver at the keys. Start: race K loaded, the driver
// started, no key down, the controls the keyboard's; false when the race cannot be
// loaded. Frame: the driver sees `view` at `now`, its keys go through the game's
// mapping as the main loop runs it, and the race steps. Step: that frame with the keys
// already in Input.KeyStates.
bool StartKeyboardRace(const RaceSessionOptions& options, const KeyboardStyle& style, KeyboardDriver* driver);
void DriveKeyboardFrame(KeyboardDriver* driver, double now, const PlayerView& view);
void StepKeyboardFrame();

struct KeyboardRaceResult {
  bool pass = false;
  std::string figures;
  std::string why;  // of a FAIL
};

// Four laps with the player's lorry driven by the keyboard driver. PASS: all four laps
// within the race clock's limit, never put back by the game's recovery, never over on
// its side or roof, and a best lap within 20 % of the autopilot's best lap on the
// same race, lorry and frame time (raced first, in the same process).
KeyboardRaceResult RunKeyboardRace(const RaceSessionOptions& options, const KeyboardStyle& style = KeyboardStyle());
