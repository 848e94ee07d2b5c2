// Joint behaviour: enabling and set membership, the rows a set makes each
// step, damping and joint controllers.
#include "physics/joint.h"

#include <cmath>

#include "physics/body.h"
#include "physics/constraint.h"
#include "physics/contact_setup.h"
#include "physics/controller.h"
#include "physics/rest.h"
#include "physics/simulation.h"
#include "physics/solver.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 6.28318530717959f;

float ClampedAcos(float c) {
  return std::acos(c > 1.0f ? 1.0f : (c < -1.0f ? -1.0f : c));
}

bool AnyAbove(const neVector3& v) {
  return std::fabs(v.x) >= kNeZero || std::fabs(v.y) >= kNeZero || std::fabs(v.z) >= kNeZero;
}

neRigidBodyRecord* RigidB(const neConstraintRecord& c) { return neRowRigid(c.bodyB); }

void AddBodyToSet(neConstraintSet& set, neBody* b) {
  neStir(b);
  b->setPrev = set.bodyLast;
  b->setNext = nullptr;
  if (set.bodyLast) set.bodyLast->setNext = b; else set.bodyFirst = b;
  set.bodyLast = b;
  ++set.bodyCount;
  b->constraintSet = &set;
}

void AddJointToSet(neConstraintSet& set, neConstraintRecord& c) {
  set.joints.Append(&c);
  c.set = &set;
}

// Everything of from moves into into; from goes back to the pool.
void MergeSets(neSimulationRecord& sim, neConstraintSet& into, neConstraintSet& from) {
  while (neConstraintRecord* c = from.joints.first) {
    from.joints.Remove(c);
    AddJointToSet(into, *c);
  }
  for (neBody* b = from.bodyFirst; b;) {
    neBody* n = b->setNext;
    AddBodyToSet(into, b);
    b = n;
  }
  from.bodyFirst = from.bodyLast = nullptr;
  from.bodyCount = 0;
  sim.constraintSetPool.Release(&from);
}

// A's set, taking a new one for A when it has none; null when the pool is
// empty (the pool has logged it).
neConstraintSet* SetOfA(neSimulationRecord& sim, neConstraintRecord& c) {
  if (c.bodyA->constraintSet) return c.bodyA->constraintSet;
  neConstraintSet* s = sim.TakeConstraintSet();
  if (s) AddBodyToSet(*s, c.bodyA);
  return s;
}

void JoinSet(neSimulationRecord& sim, neConstraintRecord& c) {
  neConstraintSet* sa = c.bodyA->constraintSet;
  neConstraintSet* sb = c.bodyB ? c.bodyB->constraintSet : nullptr;
  neConstraintSet* joined = nullptr;
  if (!c.bodyB || !sb) {
    joined = SetOfA(sim, c);
    if (!joined) return;  // the joint stays outside any set and is never solved
    AddJointToSet(*joined, c);
    if (c.bodyB) AddBodyToSet(*joined, c.bodyB);
  } else if (sa) {
    joined = sa;
    AddJointToSet(*sa, c);
    if (sa != sb) MergeSets(sim, *sa, *sb);
  } else {
    joined = sb;
    AddBodyToSet(*sb, c.bodyA);
    AddJointToSet(*sb, c);
  }
  joined->flags |= 1;
}

void FixAnchors(neConstraintRecord& c) {
  const float h = c.jointLength * 0.5f;
  switch (c.type) {
    case neConstraint::kBall:
      c.anchors[0].pointA = c.frameA.pos;
      c.anchors[0].pointB = c.frameB.pos;
      break;
    case neConstraint::kHinge:
      // The hinge axis is each frame's second axis.
      for (int32_t i = 0; i < 2; ++i) {
        const float s = i == 0 ? h : -h;
        c.anchors[i].pointA = c.frameA.pos + c.frameA.rot.col[1] * s;
        c.anchors[i].pointB = c.frameB.pos + c.frameB.rot.col[1] * s;
      }
      break;
    case neConstraint::kSlider:
      for (int32_t i = 0; i < 2; ++i) {
        const float s = i == 0 ? h : -h;
        c.anchors[i].pointA = c.frameA.pos + c.frameA.rot.col[1] * s;
      }
      break;
    default:
      break;
  }
}

void RefreshFrames(neConstraintRecord& c) {
  c.frameAWorld = c.bodyA->Transform().Multiply(c.frameA);
  c.frameBWorld = c.bodyB ? c.bodyB->Transform().Multiply(c.frameB) : c.frameB;
}

neVector3 PositionOf(const neBody* b) { return b->Transform().pos; }

neSolverRecord* NewRow(neSimulationRecord& sim, neConstraintRecord& c, int32_t kind) {
  neSolverRecord* r = sim.constraintRecords.Append();
  if (!r) return nullptr;  // the array could not grow: the row is dropped
  *r = neSolverRecord{};
  r->kind = kind;
  r->bodyA = c.bodyA;
  r->bodyB = c.bodyB;
  return r;
}

void AddPointRows(neSimulationRecord& sim, neConstraintRecord& c) {
  const neVector3 posA = PositionOf(c.bodyA);
  for (int32_t i = 0; i < c.anchorCount && i < 2; ++i) {
    const neJointAnchor& an = c.anchors[i];
    neSolverRecord* r = NewRow(sim, c, kNeRowPoint);
    if (!r) return;
    r->armA = an.worldA - posA;
    r->armB = c.bodyB ? an.worldB - PositionOf(c.bodyB) : an.worldB;
    r->errorVector = an.worldA - an.worldB;
    r->error = r->errorVector.Length();
    neSetupRow(*r, false, false);
  }
}

void AddSliderRows(neSimulationRecord& sim, neConstraintRecord& c) {
  const neVector3 posA = PositionOf(c.bodyA);
  const neVector3& axis = c.limit.axis;
  const neVector3& origin = c.frameBWorld.pos;
  for (int32_t i = 0; i < c.anchorCount && i < 2; ++i) {
    const neVector3 p = c.anchors[i].worldA;
    const neVector3 q = origin + axis * axis.Dot(p - origin);
    neSolverRecord* r = NewRow(sim, c, kNeRowPointOnLine);
    if (!r) return;
    r->armA = p - posA;
    r->armB = c.bodyB ? q - PositionOf(c.bodyB) : q;
    r->errorVector = p - q;
    r->target = r->errorVector.Length();
    r->lineAxis = axis;
    neSetupRow(*r, false, false);
  }
}

void AddAngularLimitRow(neSimulationRecord& sim, neConstraintRecord& c) {
  neJointLimit& l = c.limit;
  const float angle = (l.lower > 0.0f || c.type == neConstraint::kBall) ? c.angle : c.signedAngle;
  if (angle < l.lower) {
    l.side = 1;
    l.error = angle - l.lower;
  } else if (angle > l.upper) {
    l.side = 0;
    l.error = angle - l.upper;
  } else {
    l.active = 0;
    return;
  }
  l.active = 1;
  neSolverRecord* r = NewRow(sim, c, kNeRowAngularLimit);
  if (!r) return;
  r->axisB = l.axis;
  r->error = l.error;
  neSetupRow(*r, false, false);
}

void AddLinearLimitRow(neSimulationRecord& sim, neConstraintRecord& c) {
  neJointLimit& l = c.limit;
  const float d = l.axis.Dot(c.frameAWorld.pos - c.frameBWorld.pos);
  float sign, a;
  if (d > l.upper) {
    l.side = 0;
    sign = 1.0f;
    a = d - l.upper;
  } else if (d < l.lower) {
    l.side = 1;
    sign = -1.0f;
    a = l.lower - d;
  } else {
    l.active = 0;
    return;
  }
  l.active = 1;
  l.error = a;
  neSolverRecord* r = NewRow(sim, c, kNeRowLinearLimit);
  if (!r) return;
  r->error = a > kNeJointCorrectionCap ? kNeJointCorrectionCap : a;
  r->armA = c.frameAWorld.pos - PositionOf(c.bodyA);
  r->armB = c.bodyB ? c.frameAWorld.pos - PositionOf(c.bodyB) : c.frameAWorld.pos;
  r->lineAxis = l.axis * sign;
  neSetupRow(*r, false, false);
}

// The twist of A against B about B's first axis, once the swing that carries
// A's first axis onto B's has been taken out.
void AddTwistLimitRow(neSimulationRecord& sim, neConstraintRecord& c) {
  const float half = -0.5f * c.angle;
  const float s = std::sin(half);
  const neVector3& n = c.limit.axis;
  const neQuaternion q{n.x * s, n.y * s, n.z * s, std::cos(half)};
  const neMatrix3x3 swing = q.BuildMatrix();
  const neVector3 a3 = swing.MultiplyVector(c.frameAWorld.rot.col[2]);
  const neVector3& b3 = c.frameBWorld.rot.col[2];
  const neVector3& b1 = c.frameBWorld.rot.col[0];
  const float cosTwist = a3.Dot(b3);
  float twist;
  if (cosTwist > 1.0f - kNeZero) {
    twist = 0.0f;
  } else if (cosTwist < -1.0f + kNeZero) {
    twist = kPi;
  } else {
    twist = ClampedAcos(cosTwist);
    neVector3 x = b3.Cross(a3);
    x.Normalize();
    if (x.Dot(b1) < 0.0f) twist = -twist;
  }
  const float limit = c.twistLimit.upper;
  float error;
  if (twist > limit) error = twist - limit;
  else if (twist < -limit) error = twist + limit;
  else {
    c.twistLimit.active = 0;
    return;
  }
  c.twistLimit.active = 1;
  c.twistLimit.error = error;
  neSolverRecord* r = NewRow(sim, c, kNeRowTwistLimit);
  if (!r) return;
  r->axisA = c.frameAWorld.rot.col[0];
  r->axisB = b1;
  r->error = error;
  // Rows of the swing's rotation matrix: it carries B's axis back onto A's.
  r->k.SetTranspose(swing);
  neSetupRow(*r, false, false);
}

void AddMotorRow(neSimulationRecord& sim, neConstraintRecord& c) {
  const neJointMotor& m = c.motor;
  if (c.limit.active) {
    if ((m.targetSpeed > 0.0f && c.limit.side == 0) || (m.targetSpeed < 0.0f && c.limit.side == 1))
      return;  // it would drive further into the limit
  }
  neSolverRecord* r =
      NewRow(sim, c, c.type == neConstraint::kHinge ? kNeRowAngularMotor : kNeRowLinearMotor);
  if (!r) return;
  r->target = m.targetSpeed;
  r->error = m.maxForce;
  r->axisA = c.frameAWorld.rot.col[1];
  r->axisB = c.frameBWorld.rot.col[1];
  neSetupRow(*r, false, false);
}

void AddRows(neSimulationRecord& sim, neConstraintRecord& c) {
  c.limit.active = 0;
  if (c.type == neConstraint::kSlider) AddSliderRows(sim, c);
  else AddPointRows(sim, c);
  if (c.limit.enabled) {
    if (c.type == neConstraint::kSlider) AddLinearLimitRow(sim, c);
    else AddAngularLimitRow(sim, c);
  }
  if (c.type == neConstraint::kBall && c.twistLimit.enabled) AddTwistLimitRow(sim, c);
  if (c.motor.enabled && (c.type == neConstraint::kHinge || c.type == neConstraint::kSlider))
    AddMotorRow(sim, c);
}

}  // namespace

void neConstraintRefresh(neConstraintRecord& c) {
  if (!c.bodyA) return;
  RefreshFrames(c);
  const neVector3& a1 = c.frameAWorld.rot.col[0];
  const neVector3& a2 = c.frameAWorld.rot.col[1];
  const neVector3& b1 = c.frameBWorld.rot.col[0];
  const neVector3& b2 = c.frameBWorld.rot.col[1];
  const float cosAngle = a1.Dot(b1);
  const bool aligned = cosAngle > 1.0f - kNeZero;
  const bool opposed = cosAngle < -1.0f + kNeZero;
  // b1 x a1 points along the axis about which A has turned away from B, so
  // the angle grows with A's angular velocity minus B's about that axis.
  neVector3 turn = b1.Cross(a1);
  turn.Normalize();
  switch (c.type) {
    case neConstraint::kBall:
      if (aligned || opposed) {
        c.angle = aligned ? 0.0f : kPi;
        c.limit.axis = a2;
      } else {
        c.angle = ClampedAcos(cosAngle);
        c.limit.axis = turn;
      }
      c.signedAngle = c.angle;
      break;
    case neConstraint::kHinge: {
      neVector3 axis = a2 + b2;
      axis.Normalize();
      c.limit.axis = axis;
      if (aligned) {
        c.angle = c.signedAngle = 0.0f;
      } else if (opposed) {
        c.angle = kPi;
        c.signedAngle = -kPi;
      } else {
        const float a = ClampedAcos(cosAngle);
        if (turn.Dot(axis) > 0.0f) {
          c.angle = c.signedAngle = a;
        } else {
          c.angle = kTwoPi - a;
          c.signedAngle = -a;
        }
      }
      break;
    }
    case neConstraint::kSlider:
      c.limit.axis = c.frameBWorld.rot.col[1];
      break;
    default:
      break;
  }
  const neTransform ta = c.bodyA->Transform();
  for (int32_t i = 0; i < c.anchorCount && i < 2; ++i) {
    neJointAnchor& an = c.anchors[i];
    an.worldA = ta.TransformPoint(an.pointA);
    if (c.type != neConstraint::kSlider) {
      an.worldB = c.bodyB ? c.bodyB->Transform().TransformPoint(an.pointB) : an.pointB;
    }
  }
}

void neConstraintEnable(neConstraintRecord& c, bool enable) {
  if (!c.bodyA) return;
  const int32_t want = enable ? 1 : 0;
  if (c.enabled == want) return;
  if (c.addedToSet) {
    c.enabled = want;
  } else {
    if (!want) {
      c.enabled = 0;
      return;
    }
    c.addedToSet = 1;
    FixAnchors(c);
    JoinSet(*c.sim, c);
    c.enabled = 1;
  }
  if (c.bodyA->restState == kNeResting) c.bodyA->Wake();
  neRigidBodyRecord* b = RigidB(c);
  if (b && b->restState == kNeResting) b->Wake();
}

void neConstraintSetPrepare(neSimulationRecord& sim, neConstraintSet& set, float& tolerance,
                            int32_t& iterations) {
  for (neConstraintRecord* c = set.joints.first; c; c = c->next) {
    if (!c->enabled || !c->bodyA) continue;
    neConstraintRefresh(*c);
    AddRows(sim, *c);
    neHandStackToSets(sim, *c->bodyA);
    if (neRigidBodyRecord* b = RigidB(*c)) neHandStackToSets(sim, *b);
    if (tolerance == -1.0f || (c->tolerance > 0.0f && c->tolerance < tolerance))
      tolerance = c->tolerance;
    if (c->iterations > iterations) iterations = c->iterations;
  }
  set.visited = 1;
}

void neConstraintApplyDamping(neConstraintRecord& c) {
  if (!c.enabled || !c.bodyA) return;
  neRigidBodyRecord* a = c.bodyA;
  neRigidBodyRecord* b = RigidB(c);
  const neVector3 zero = neV3(0.0f, 0.0f, 0.0f);
  const neVector3 wa = a->angularVelocity;
  const neVector3 wb = b ? b->angularVelocity : zero;
  neVector3 dw = zero;
  if (c.type == neConstraint::kBall) {
    dw = wa - wb;
  } else if (c.type == neConstraint::kHinge) {
    RefreshFrames(c);
    neVector3 u = c.frameAWorld.rot.col[1] + c.frameBWorld.rot.col[1];
    u.Normalize();
    dw = u * wa.Dot(u) - u * wb.Dot(u);
  }
  const neVector3 t = dw * c.damping;
  a->torqueAccumulator -= t;
  if (b) b->torqueAccumulator += t;

  // The controllers ran at the end of the previous sub-step; their forces
  // are added here, after the accumulators were cleared, so that the velocity
  // update of this sub-step feels them.
  for (neControllerRecord* k = c.controllerHead; k; k = k->next) {
    if (a->restState == kNeResting && (AnyAbove(k->force) || AnyAbove(k->torque))) a->Wake();
    a->forceAccumulator += k->force;
    a->torqueAccumulator += k->torque;
    if (b) {
      if (b->restState == kNeResting && (AnyAbove(k->forceB) || AnyAbove(k->torqueB))) b->Wake();
      b->forceAccumulator += k->forceB;
      b->torqueAccumulator += k->torqueB;
    }
  }
}

void neConstraintRunControllers(neConstraintRecord& c) {
  if (!c.enabled || !c.sim) return;
  for (neControllerRecord* k = c.controllerHead; k; k = k->next) {
    if (k->countdown > 0) {
      --k->countdown;
    } else {
      if (k->jointCallback) k->jointCallback->Callback(k, c.sim->dt);
      k->countdown = k->period;
    }
  }
}
