// One row of the impulse solver. The simulator holds the growable arrays of
// these; contact set-up (contact_setup.*) and the solver (solver.*) fill and
// solve them.
#ifndef KELVAMOR_PHYSICS_SOLVER_RECORD_H
#define KELVAMOR_PHYSICS_SOLVER_RECORD_H

#include <cstdint>

#include "physics/ne.h"

struct neBody;
struct neGeometryRecord;

enum neSolverRecordType : int32_t {
  kNeRowCollision = 1,
  kNeRowRestingContact = 2,
  kNeRowPoint = 3,
  kNeRowPointOnLine = 4,
  kNeRowLinearLimit = 5,
  kNeRowAngularLimit = 6,
  kNeRowTwistLimit = 7,
  kNeRowAngularMotor = 8,
  kNeRowLinearMotor = 10,
};

struct neSolverRecord {
  neVector3 armA;  // world axes, from A's centre
  neVector3 armB;  // from B's centre, or a world point without B
  neVector3 axisA;
  neVector3 axisB;
  neVector3 errorVector;
  neVector3 lineAxis;
  neMatrix3x3 frame;            // tangent, tangent, normal
  neMatrix3x3 frameTransposed;
  neVector3 relativeVelocity;
  neVector3 rowVelocity;
  int32_t materialA;
  int32_t materialB;
  float error;
  neBody* bodyA;
  neBody* bodyB;
  float angularRate;  // or the relative speed of a collision
  float target;
  neGeometryRecord* geometryA;
  neGeometryRecord* geometryB;
  neMatrix3x3 k;     // collision matrix (coupling matrix for a twist limit)
  neMatrix3x3 kInv;  // its inverse (first word: effective mass of a linear motor)
  int32_t kind;
};

#endif  // KELVAMOR_PHYSICS_SOLVER_RECORD_H
