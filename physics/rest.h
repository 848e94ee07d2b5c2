// Resting and stacking: each rigid body's memory of up to three supporting
// contacts, the stacks of bodies that support one another, their resting-
// contact solve, and when a body may go to rest or must wake.
#ifndef KELVAMOR_PHYSICS_REST_H
#define KELVAMOR_PHYSICS_REST_H

#include <cstdint>

#include "physics/ne.h"

struct neBody;
struct neRigidBodyRecord;
struct neSimulationRecord;
struct neStackHeader;

// Thresholds of the rest tests.
constexpr float kNeSupportDrift2 = 0.002f;        // squared distance of a held support
constexpr float kNeTangentialDrift2 = 0.025f;     // squared slide of a collected support
constexpr float kNeSupportSlide2 = 0.001f;        // squared slide of a counted support
constexpr float kNeSupportGap = 0.01f;            // separation a support may open
constexpr float kNeCalmLinearChange2 = 2.0f;      // mean velocity change, gravity removed
constexpr float kNeCalmAngularChange2 = 1.0f;     // mean angular velocity change
constexpr int32_t kNeSnapshotSteps = 60;
constexpr float kNeSnapshotAcceleration = 5.0f;
constexpr float kNeSnapshotTurnRate = 10.0f;      // radians per second
constexpr float kNeSnapshotAngularAcceleration = 10.5f;
constexpr float kNeBalanceGrowth = 1.1f;
constexpr float kNeBalanceDistance = 0.005f;
constexpr int32_t kNeCalmSteps = 10;
constexpr int32_t kNeCalmStepsOnEdge = 100;

// Balance answers.
enum neBalance : int32_t {
  kNeUnbalanced = 0, kNeOnPoint = 1, kNeOnEdge = 2, kNeOnTriangle = 3
};

// A contact whose normal points against gravity offered as a support of body
// by support (null: the terrain). Points and normal in world space; the
// normal points from the support towards the body.
void neRecordSupport(neSimulationRecord& sim, neRigidBodyRecord& body, neBody* support,
                     const neVector3& pointOnBody, const neVector3& pointOnSupport,
                     const neVector3& normal, float depth, int32_t materialBody,
                     int32_t materialSupport);

// Once a step: all-resting marks, supports that no longer hold, wake-ups of
// unsupported bodies, and the re-split of moving stacks in turns of five.
void neUpdateStacks(neSimulationRecord& sim);
// Once a step: the resting-contact solve of loose moving bodies and of every
// moving stack that no constraint set took in hand.
void neSolveStacks(neSimulationRecord& sim);
// Balanced on a triangle of supports, or on an edge after more calm steps.
bool neBalancedForRest(neRigidBodyRecord& body);
// Counts calm steps of a moving body and puts it to rest.
void neCheckRest(neRigidBodyRecord& body);
// For a resting body in the velocity update: true while it stays at rest.
bool neKeepResting(neRigidBodyRecord& body);
// True when every sub-step would leave the body exactly as it is: resting,
// still, unpushed, without force, sensors or set, its world box current and
// its supports steady (the test its quiet shortcut stands on).
bool neMayGoQuiet(neRigidBodyRecord& body);
// A body being freed leaves its stack (or the loose list) and loses its node.
void neLeaveStack(neRigidBodyRecord& body);

// The support slots that still hold; drops the others.
int32_t neCountSupports(neRigidBodyRecord& body);
// True while the recorded support points still touch (2 or 3 supports).
bool neSupportsHold(neRigidBodyRecord& body);
// The 60-step snapshot test; a failing body takes a new snapshot.
bool neMotionAtRest(neRigidBodyRecord& body);
// One of neBalance for the body on its supports under this step's force.
int32_t neBalance(neRigidBodyRecord& body);
// Turns the valid support slots into resting-contact rows of the contact
// record array; bypass skips the contact filter.
void neCollectRestingContacts(neSimulationRecord& sim, neRigidBodyRecord& body, bool bypass);

// The stack a jointed body lies in goes to the constraint-set pass: a stack
// header joins the stacks in hand, a loose body's contacts are collected now.
void neHandStackToSets(neSimulationRecord& sim, neRigidBodyRecord& body);
// Every body of the stack without a constraint set joins the built-in set;
// the resting contacts of its supported bodies are collected, supports first.
void neGatherStack(neSimulationRecord& sim, neStackHeader& stack, bool bypass);
// The built-in set lends loose bodies a set while a stack is solved.
void neJoinBuiltInSet(neSimulationRecord& sim, neBody& body);
void neEmptyBuiltInSet(neSimulationRecord& sim);

#endif  // KELVAMOR_PHYSICS_REST_H
