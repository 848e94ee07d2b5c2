// The engine's internal sub-step phases: the narrow-phase and solver entry points
// the simulator core calls in each sub-step. Each line names the file that defines it.
#ifndef KELVAMOR_PHYSICS_SUBSTEP_PHASES_H
#define KELVAMOR_PHYSICS_SUBSTEP_PHASES_H

#include <cstdint>

struct neBody;
struct neRigidBodyRecord;
struct neSimulationRecord;
struct neConstraintRecord;

// narrowphase.cpp: the body's box and bounding radius from its geometries
// (a single box geometry is copied; otherwise a box around all of them; a body
// without geometry keeps its box).
void neBodyComputeBox(neBody& body);

// contact_pass.cpp: sub-step phases 4 and 5.
void neCollideBodyPairs(neSimulationRecord& sim);
void neCollideTerrain(neSimulationRecord& sim);

// solver.cpp: sub-step phase 9, first part.
void neSolveConstraintSets(neSimulationRecord& sim);

// rest.cpp: sub-step phase 9 (stacks), the rest check of phase 10, the
// velocity update's keep-resting test (true: stays at rest) and the stack
// release of a freed body.
void neUpdateStacks(neSimulationRecord& sim);
void neSolveStacks(neSimulationRecord& sim);
void neCheckRest(neRigidBodyRecord& body);
bool neKeepResting(neRigidBodyRecord& body);
void neLeaveStack(neRigidBodyRecord& body);

// joint.cpp: enabling (set membership, wakes), phase 6 damping, phase 11
// joint controllers.
void neConstraintEnable(neConstraintRecord& joint, bool enable);
void neConstraintApplyDamping(neConstraintRecord& joint);
void neConstraintRunControllers(neConstraintRecord& joint);

#endif  // KELVAMOR_PHYSICS_SUBSTEP_PHASES_H
