// Contact and constraint set-up: folds the two bodies' masses and inertias
// into a solver row's collision matrix K (the relative velocity change per
// unit impulse) and its inverse, and builds a contact's frame.
#ifndef KELVAMOR_PHYSICS_CONTACT_SETUP_H
#define KELVAMOR_PHYSICS_CONTACT_SETUP_H

#include "physics/ne.h"
#include "physics/solver_record.h"

struct neBody;
struct neRigidBodyRecord;

// The rigid record of a row side, or null when the side takes no part (absent
// or animated). Everything the solver moves goes through this test.
neRigidBodyRecord* neRowRigid(neBody* body);

// A unit tangent t across the unit normal n and the second tangent n x t. A
// zero or non-finite normal gives zero tangents.
void neBuildContactFrame(const neVector3& n, neVector3& tangent, neVector3& tangent2);

// Builds the row's frame (contacts), K and K^-1 for its kind. A side whose
// ignore flag is set counts as immovable. A singular K leaves the row inert
// (K^-1 = 0) rather than keeping whatever inverse the record held before.
void neSetupRow(neSolverRecord& row, bool ignoreA, bool ignoreB);

#endif  // KELVAMOR_PHYSICS_CONTACT_SETUP_H
