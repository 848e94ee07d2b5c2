// The impulse solver: the collision impulse a touching pair gets at once, the
// rule of every solver row kind, and the two-pass iteration over the rows of
// one group of bodies (a constraint-set island or a stack).
#ifndef KELVAMOR_PHYSICS_SOLVER_H
#define KELVAMOR_PHYSICS_SOLVER_H

#include <cstdint>

#include "physics/ne.h"
#include "physics/solver_record.h"

struct neBody;
struct neSimulationRecord;

// How neApplyCollisionImpulse treats the contact.
enum neImpulseMode : int32_t { kNeImpulseCollision = 1, kNeImpulseResting = 2 };

// Constants of the solver.
constexpr float kNePenetrationAllowance = 0.001f;  // times |g|
constexpr float kNeContactCorrection = 0.5f;
constexpr float kNeJointCorrection = 0.5f;
constexpr float kNeLimitCorrection = 0.5f;
constexpr float kNeContactDepthCap = 0.05f;
// Closing speed above which a landing is stopped through the body's centre.
constexpr float kNeLandingSpeed = 0.4f;
constexpr float kNeJointCorrectionCap = 0.05f;
constexpr float kNeTwistStepCap = 0.1f;
// Iterations per pass when a group asks for the default (-1).
constexpr int32_t kNeDefaultIterations = 4;

// Runs both passes over the constraint and contact record arrays, then
// empties them. tolerance is not used by the iteration; iterations -1 = 4.
void neSolveRecords(neSimulationRecord& sim, float tolerance, int32_t iterations);

// Refreshes the row's velocity terms from the bodies and applies its impulse.
void neSolveRow(neSimulationRecord& sim, neSolverRecord& row);

// The contact impulse of a set-up contact row: mode 1 applies the collision
// impulse (with break-off) once, mode 2 the resting-contact rule.
void neApplyCollisionImpulse(neSimulationRecord& sim, neBody* bodyA, neBody* bodyB,
                             neSolverRecord& row, int32_t mode, float scale);

// The impulse in contact-frame components (tangent, tangent, normal) for the
// row's current row velocity. Its normal part is never negative: a contact
// only pushes.
neVector3 neContactImpulse(const neSimulationRecord& sim, const neSolverRecord& row,
                           bool noBounce);

// Velocity of the point at arm on the body; zero for a side that does not move.
neVector3 neRowPointVelocity(neBody* body, const neVector3& arm);

#endif  // KELVAMOR_PHYSICS_SOLVER_H
