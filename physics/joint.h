// Joints and constraint sets: enabling a joint puts it into the set shared
// with every joint that touches the same bodies; each step a set's enabled
// joints become solver rows (points, limits, motors); joint damping and joint
// controllers.
#ifndef KELVAMOR_PHYSICS_JOINT_H
#define KELVAMOR_PHYSICS_JOINT_H

#include <cstdint>

#include "physics/ne.h"

struct neConstraintRecord;
struct neConstraintSet;
struct neSimulationRecord;

// First enabling fixes the anchors and joins (or merges) sets; later calls
// only toggle the enabled field. Resting bodies on either side wake.
void neConstraintEnable(neConstraintRecord& joint, bool enable);
// Sub-step phase 6, after the force accumulators were cleared: joint damping
// as torque, then the joint controllers' force and torque of their last run.
void neConstraintApplyDamping(neConstraintRecord& joint);
// Sub-step end: runs the joint controllers whose countdown is due.
void neConstraintRunControllers(neConstraintRecord& joint);

// The set's enabled joints become rows of the constraint record array; the
// stacks of its bodies are handed over; tolerance takes the smallest positive
// joint tolerance and iterations the largest joint count. Marks the set
// visited.
void neConstraintSetPrepare(neSimulationRecord& sim, neConstraintSet& set, float& tolerance,
                            int32_t& iterations);

// The angles of a refreshed joint are A's rotation against B about the limit
// axis, the same sense as the rates the solver measures (A's angular velocity
// minus B's). Exposed for the tests.
void neConstraintRefresh(neConstraintRecord& joint);

#endif  // KELVAMOR_PHYSICS_JOINT_H
