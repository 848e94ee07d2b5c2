// Impulse arithmetic of every solver row kind, the collision impulse and the
// two-pass iteration. The solver keeps no accumulated impulse per row: each
// solve applies a fresh impulse computed from the current velocities.
#include "physics/solver.h"

#include <cmath>

#include "physics/body.h"
#include "physics/contact_setup.h"
#include "physics/joint.h"
#include "physics/rest.h"
#include "physics/simulation.h"

namespace {

const neVector3 kZero = {0.0f, 0.0f, 0.0f, 0.0f};

// A linear impulse at an arm, straight into velocity and angular momentum
// (no rings: the rows of one solve are not per-step velocity changes).
void PushLinear(neRigidBodyRecord* r, const neVector3& j, const neVector3& arm) {
  if (!r || !arm.IsFinite()) return;
  r->velocity += j * r->invMass;
  r->SetAngularMomentum(r->state.angularMomentum + arm.Cross(j));
}

// An angular impulse; its velocity change goes into this step's ring slot.
void PushAngular(neRigidBodyRecord* r, const neVector3& dL) {
  if (!r) return;
  r->SetAngularMomentum(r->state.angularMomentum + dL);
  r->angularChangeRing[r->sim->RingSlot()] += r->worldInertiaInverse.MultiplyVector(dL);
}

neVector3 AngularVelocityOf(neBody* body) {
  neRigidBodyRecord* r = neRowRigid(body);
  return r ? r->angularVelocity : kZero;
}

void RefreshRelativeVelocity(neSolverRecord& row) {
  row.relativeVelocity =
      neRowPointVelocity(row.bodyA, row.armA) - neRowPointVelocity(row.bodyB, row.armB);
}

float MaterialFriction(const neSimulationRecord& sim, int32_t index) {
  return (index >= 0 && index < kNeMaterialCount) ? sim.materials[index].friction : 0.0f;
}

float MaterialRestitution(const neSimulationRecord& sim, int32_t index) {
  return (index >= 0 && index < kNeMaterialCount) ? sim.materials[index].restitution : 0.0f;
}

// Velocity of the point at arm from a body's push alone.
neVector3 PushPointVelocity(neBody* body, const neVector3& arm) {
  neRigidBodyRecord* r = neRowRigid(body);
  if (!r || !r->pushed) return kZero;
  return r->pushVelocity + r->pushAngularVelocity.Cross(arm);
}

void Push(neRigidBodyRecord* r, const neVector3& j, const neVector3& arm) {
  if (r && arm.IsFinite()) r->ApplyPushAtOffset(j, arm);
}

// Resting contact: stop the approach, then push out what lies deeper than
// the allowance (second pass only, at most the depth cap). The push moves
// the bodies apart by half the depth in the position update and is then
// dropped (a separate push velocity), where the rule adds it to the bodies'
// momentum: kept, half the depth per sub-step (2.3 m/s at the cap) threw an
// embedded box 0.3 m into the air and toppled boxes on gentle slopes.
void SolveRestingContact(neSimulationRecord& sim, neSolverRecord& row) {
  const float vn = row.rowVelocity.z;
  if (vn < 0.0f) {
    const neVector3 j = neContactImpulse(sim, row, sim.secondPass != 0);
    row.rowVelocity.z = 0.0f;
    if (j.IsFinite()) {
      const neVector3 world = row.frame.MultiplyVector(j);
      PushLinear(neRowRigid(row.bodyA), world, row.armA);
      // The last solve leaves the lower body of a stack where it is.
      if (!sim.lastIteration) PushLinear(neRowRigid(row.bodyB), world.Negated(), row.armB);
    }
  }

  if (row.error > kNeContactDepthCap) row.error = kNeContactDepthCap;
  const float depth = row.error;
  const float d = depth - kNePenetrationAllowance * sim.gravityLength;
  if (!(depth > 0.0f && d > 0.0f && sim.secondPass)) return;
  const float target = d * sim.invDt * kNeContactCorrection;
  const neVector3& n = row.frame.col[2];
  const float pn =
      (PushPointVelocity(row.bodyA, row.armA) - PushPointVelocity(row.bodyB, row.armB)).Dot(n);
  const float normalMass = row.k.col[2].z;
  if (!(pn < target) || !(normalMass > kNeZero * kNeZero)) return;
  // The push that moves the contact point along the normal alone: a push
  // along the normal at a corner slid the corner sideways as it turned the
  // body, and a stack of five sheared by 17 cm.
  // Its sideways part is held inside the friction cone, like a contact's.
  neVector3 local = row.kInv.MultiplyVector(neV3(0.0f, 0.0f, target - pn));
  const float mu = neMin(MaterialFriction(sim, row.materialA), MaterialFriction(sim, row.materialB));
  const float side = std::sqrt(local.x * local.x + local.y * local.y);
  const float most = local.z > 0.0f ? mu * local.z : 0.0f;
  if (side > most) {
    const float keep = side > 0.0f ? most / side : 0.0f;
    local.x *= keep;
    local.y *= keep;
  }
  const neVector3 j = row.frame.MultiplyVector(local);
  if (!j.IsFinite()) return;
  Push(neRowRigid(row.bodyA), j, row.armA);
  if (!sim.lastIteration) Push(neRowRigid(row.bodyB), j.Negated(), row.armB);
}

// Point and point-on-line rows: close the anchor gap, at most the cap per
// step. The cap scales the whole error vector down to the cap's length, so the
// correction grows continuously up to the cap and then stays there.
void SolvePoint(const neSimulationRecord& sim, neSolverRecord& row) {
  const float e = (row.kind == kNeRowPoint) ? row.error : row.target;
  neVector3 v = row.rowVelocity;
  if (std::fabs(e) >= kNeZero) {
    neVector3 c = row.errorVector * kNeJointCorrection;
    if (kNeJointCorrection * e > kNeJointCorrectionCap) {
      c = row.errorVector * (kNeJointCorrectionCap / e);
    }
    v = row.rowVelocity * 0.5f + c * sim.invDt;
  }
  neVector3 j = row.kInv.MultiplyVector(v).Negated();
  if (row.kind == kNeRowPointOnLine) j.RemoveComponent(row.lineAxis);
  if (!j.IsFinite()) return;
  PushLinear(neRowRigid(row.bodyA), j, row.armA);
  PushLinear(neRowRigid(row.bodyB), j.Negated(), row.armB);
}

void SolveLinearLimit(const neSimulationRecord& sim, neSolverRecord& row) {
  const float e = row.error * sim.invDt * kNeLimitCorrection;
  if (!(row.target < e)) return;
  const neVector3 j = row.kInv.MultiplyVector(row.lineAxis * (e - 0.5f * row.target)).Negated();
  if (!j.IsFinite()) return;
  PushLinear(neRowRigid(row.bodyA), j, row.armA);
  if (!sim.lastIteration) PushLinear(neRowRigid(row.bodyB), j.Negated(), row.armB);
}

// Angular limit. error > 0: the joint is past its upper limit; the rate is
// the angle's own rate (A against B about the axis), so a positive rate
// drives further past it.
void SolveAngularLimit(const neSimulationRecord& sim, neSolverRecord& row) {
  const float e = row.error;
  const float w = row.angularRate;
  if (e == 0.0f) return;
  if ((e > 0.0f && w <= 0.0f) || (e < 0.0f && w >= 0.0f)) return;
  const float f = -kNeLimitCorrection * e * sim.invDt - 0.5f * w;
  const neVector3 dL = row.kInv.MultiplyVector(row.axisB * f);
  if (!dL.IsFinite()) return;
  PushAngular(neRowRigid(row.bodyA), dL);
  PushAngular(neRowRigid(row.bodyB), dL.Negated());
}

void SolveTwistLimit(const neSimulationRecord& sim, neSolverRecord& row) {
  const float w = AngularVelocityOf(row.bodyA).Dot(row.axisA) -
                  AngularVelocityOf(row.bodyB).Dot(row.axisB);
  const float d = 0.5f * row.error;
  float f;
  if (d > kNeTwistStepCap) {
    if (!(w > 0.0f)) return;
    f = -kNeTwistStepCap;
  } else if (d < -kNeTwistStepCap) {
    if (!(w < 0.0f)) return;
    f = kNeTwistStepCap;
  } else {
    if (d > 0.0f ? !(w > 0.0f) : !(w < 0.0f)) return;
    f = -d;
  }
  const float g = f * sim.invDt - 0.5f * w;
  const neVector3 dL = row.kInv.MultiplyVector(row.axisB * g);
  if (!dL.IsFinite()) return;
  PushAngular(neRowRigid(row.bodyA), row.k.MultiplyVector(dL));
  PushAngular(neRowRigid(row.bodyB), dL.Negated());
}

// One side of the angular motor: the impulse towards the target rate about
// axis, held to the motor's maximum torque (no limit below 1e-6).
neVector3 MotorImpulse(const neSimulationRecord& sim, const neSolverRecord& row, float f,
                       const neVector3& axis) {
  neVector3 dL = row.kInv.MultiplyVector(axis * f);
  const neVector3 torque = dL * sim.invDt;
  const float tau = torque.Length();
  const float m = row.error;
  if (std::fabs(m) >= kNeZero && m < tau) dL = dL * (m / tau);
  return dL;
}

void SolveAngularMotor(const neSimulationRecord& sim, neSolverRecord& row) {
  const float w = AngularVelocityOf(row.bodyA).Dot(row.axisA) -
                  AngularVelocityOf(row.bodyB).Dot(row.axisB);
  const float f = row.target - w;
  const neVector3 dA = MotorImpulse(sim, row, f, row.axisA);
  const neVector3 dB = MotorImpulse(sim, row, f, row.axisB);
  if (!dA.IsFinite() || !dB.IsFinite()) return;
  PushAngular(neRowRigid(row.bodyA), dA);
  PushAngular(neRowRigid(row.bodyB), dB.Negated());
}

void SolveLinearMotor(const neSimulationRecord& sim, neSolverRecord& row) {
  neRigidBodyRecord* a = neRowRigid(row.bodyA);
  neRigidBodyRecord* b = neRowRigid(row.bodyB);
  const float u = (a ? a->velocity.Dot(row.axisA) : 0.0f) - (b ? b->velocity.Dot(row.axisA) : 0.0f);
  float lambda = (row.target - u) * row.kInv.col[0].x;
  const float cap = row.error * sim.dt;
  if (lambda > cap) lambda = cap;
  if (lambda < -cap) lambda = -cap;
  if (!neIsFinite(lambda)) return;
  if (a) a->velocity += row.axisA * (lambda * a->invMass);
  if (b) b->velocity -= row.axisA * (lambda * b->invMass);
}

// The break-off test for one side, when that side's geometry may break.
void OfferBreakage(neSimulationRecord& sim, neBody* body, neGeometryRecord* g,
                   const neVector3& arm, neVector3& impulse) {
  if (!body || !g || g->breakKind == kNeBreakNever) return;
  sim.TestBreakage(body, g, body->Transform().pos + arm, impulse);
}

// The bounce of an impact: the smaller restitution times the bodies' closing
// speed along the normal (of their centres), shared by their masses.
void QueueBounce(neSimulationRecord& sim, neBody* bodyA, neBody* bodyB, const neSolverRecord& row) {
  const float e = neMin(MaterialRestitution(sim, row.materialA), MaterialRestitution(sim, row.materialB));
  if (!(e > 0.0f)) return;
  neRigidBodyRecord* a = neRowRigid(bodyA);
  neRigidBodyRecord* b = neRowRigid(bodyB);
  const neVector3& n = row.frame.col[2];
  const float closing = -((a ? a->velocity : kZero) - (b ? b->velocity : kZero)).Dot(n);
  if (!(closing > 0.0f) || !neIsFinite(closing)) return;
  const float speed = e * closing;
  const float shareA = (a && b) ? b->mass / (a->mass + b->mass) : 1.0f;
  if (a) a->QueueBounce(n * (speed * shareA), n, bodyB);
  if (b) b->QueueBounce(n * (-speed * (1.0f - (a ? shareA : 0.0f))), n.Negated(), bodyA);
}

}  // namespace

neVector3 neRowPointVelocity(neBody* body, const neVector3& arm) {
  neRigidBodyRecord* r = neRowRigid(body);
  if (!r) return kZero;
  return r->velocity + r->angularVelocity.Cross(arm);
}

neVector3 neContactImpulse(const neSimulationRecord& sim, const neSolverRecord& row,
                           bool noBounce) {
  const neVector3& v = row.rowVelocity;
  const float mu = neMin(MaterialFriction(sim, row.materialA), MaterialFriction(sim, row.materialB));
  const float e = noBounce ? 0.0f
                           : neMin(MaterialRestitution(sim, row.materialA),
                                   MaterialRestitution(sim, row.materialB));
  const float normalMass = row.k.col[2].z;
  // Nothing can move along the normal: no impulse changes anything.
  if (!(normalMass > kNeZero * kNeZero)) return kZero;
  const float jn0 = -v.z / normalMass;
  const neVector3 s = row.kInv.MultiplyVector(v).Negated();
  const float tangential2 = s.x * s.x + s.y * s.y;

  // Sticking: the impulse that stops the contact point, with the bounce added
  // along the normal; inside the friction cone only while it pushes.
  const float stickNormal = s.z + e * jn0;
  if (stickNormal >= 0.0f && tangential2 <= (mu * stickNormal) * (mu * stickNormal)) {
    return neV3(s.x, s.y, stickNormal);
  }
  // Sliding: on the cone's surface.
  const float dn = s.z - jn0;
  const float denom = std::sqrt(tangential2) - mu * dn;
  if (std::fabs(denom) <= kNeZero) return kZero;
  const float k = mu * (1.0f + e) * jn0 / denom;
  const neVector3 slide = neV3(k * s.x, k * s.y, (1.0f + e) * jn0 + k * dn);
  // A contact never pulls the bodies together.
  if (!(slide.z >= 0.0f)) return kZero;
  return slide;
}

void neApplyCollisionImpulse(neSimulationRecord& sim, neBody* bodyA, neBody* bodyB,
                             neSolverRecord& row, int32_t mode, float scale) {
  neRigidBodyRecord* a = neRowRigid(bodyA);
  neRigidBodyRecord* b = neRowRigid(bodyB);
  if (!a && !b) return;
  RefreshRelativeVelocity(row);
  row.rowVelocity = row.frameTransposed.MultiplyVector(row.relativeVelocity);
  row.angularRate = row.relativeVelocity.Length();

  // A contact measured from broken data would spread NaN into the bodies.
  if (!row.rowVelocity.IsFinite()) return;
  if (mode == kNeImpulseResting) {
    SolveRestingContact(sim, row);
    return;
  }
  if (row.rowVelocity.z >= 0.0f) return;  // separating or sliding along
  // The impact stops the contact (no bounce); the restitution is queued on
  // the bodies and given once, through their centres, when the impact is
  // over. The rule's bounce at the contact point took it at every corner a
  // flat box lands on (one contact per pair and sub-step) and set it spinning.
  QueueBounce(sim, a, b, row);
  neVector3 j = neContactImpulse(sim, row, true);
  // A landing on the terrain (closing faster than kNeLandingSpeed on a
  // contact whose normal points up) is stopped through the body's centre,
  // where the rule gives the impulse at the contact point: with one contact
  // per pair and sub-step, a box landing flat or on an edge took the whole
  // impact at one corner, turned with the spin it gave, pinned that corner
  // and vaulted up to 10 cm over it. Slower contacts (resting, sliding, a
  // stack's rows) keep the rule's impulse at the point.
  bool centred = false;
  if (a && bodyB == static_cast<neBody*>(&sim.terrainBody) && -row.rowVelocity.z > kNeLandingSpeed &&
      sim.gravityUnit.Dot(row.frame.col[2]) < 0.0f) {
    neSolverRecord c = row;
    c.armA = kZero;
    neSetupRow(c, false, false);
    RefreshRelativeVelocity(c);
    c.rowVelocity = c.frameTransposed.MultiplyVector(c.relativeVelocity);
    if (c.rowVelocity.z < 0.0f) {
      j = neContactImpulse(sim, c, true);
      centred = true;
    }
  }
  if (!j.IsFinite()) return;
  const neVector3 world = row.frame.MultiplyVector(j) * scale;

  neVector3 toA = world;
  neVector3 toB = world.Negated();
  // Each side whose geometry may break is offered the impulse, and the side offered
  // second takes the negation of what the first left. A side that does not move (an
  // animated body or the terrain) goes first: a piece breaking off it leaves the
  // moving side the rest.
  if (sim.breakOffCallback) {
    if (b) {
      OfferBreakage(sim, bodyA, row.geometryA, row.armA, toA);
      toB = toA.Negated();
      OfferBreakage(sim, bodyB, row.geometryB, row.armB, toB);
    } else {
      OfferBreakage(sim, bodyB, row.geometryB, row.armB, toB);
      toA = toB.Negated();
      OfferBreakage(sim, bodyA, row.geometryA, row.armA, toA);
    }
  }
  if (a && toA.IsFinite()) a->ApplyImpulseAtOffset(toA, centred ? kZero : row.armA);
  if (b && toB.IsFinite()) b->ApplyImpulseAtOffset(toB, row.armB);
}

void neSolveRow(neSimulationRecord& sim, neSolverRecord& row) {
  switch (row.kind) {
    case kNeRowRestingContact:
      RefreshRelativeVelocity(row);
      row.rowVelocity = row.frameTransposed.MultiplyVector(row.relativeVelocity);
      SolveRestingContact(sim, row);
      break;
    case kNeRowPoint:
      RefreshRelativeVelocity(row);
      row.rowVelocity = row.relativeVelocity;
      SolvePoint(sim, row);
      break;
    case kNeRowPointOnLine:
      RefreshRelativeVelocity(row);
      row.rowVelocity = row.relativeVelocity - row.relativeVelocity.ProjectOnto(row.lineAxis);
      SolvePoint(sim, row);
      break;
    case kNeRowLinearLimit:
      RefreshRelativeVelocity(row);
      row.target = -row.lineAxis.Dot(row.relativeVelocity);
      SolveLinearLimit(sim, row);
      break;
    case kNeRowAngularLimit:
      row.angularRate = AngularVelocityOf(row.bodyA).Dot(row.axisB) -
                        AngularVelocityOf(row.bodyB).Dot(row.axisB);
      SolveAngularLimit(sim, row);
      break;
    case kNeRowTwistLimit:
      SolveTwistLimit(sim, row);
      break;
    case kNeRowAngularMotor:
      SolveAngularMotor(sim, row);
      break;
    case kNeRowLinearMotor:
      SolveLinearMotor(sim, row);
      break;
    default:
      break;  // collisions are solved once, at once; unknown kinds never
  }
}

void neSolveRecords(neSimulationRecord& sim, float /*tolerance*/, int32_t iterations) {
  sim.secondPass = 0;
  neArray<neSolverRecord>& joints = sim.constraintRecords;
  neArray<neSolverRecord>& contacts = sim.contactRecords;
  if (joints.Count() == 0 && contacts.Count() == 0) return;
  const int32_t n = (iterations == -1) ? kNeDefaultIterations : iterations;
  sim.lastIteration = 0;
  for (int32_t pass = 0; pass < 2; ++pass) {
    if (pass == 1) sim.secondPass = 1;
    for (int32_t j = 0; j < n; ++j) {
      if (pass == 1 && j + 1 == n) sim.lastIteration = 1;
      for (int32_t i = 0; i < joints.Count(); ++i) neSolveRow(sim, joints[i]);
      for (int32_t i = contacts.Count() - 1; i >= 0; --i) neSolveRow(sim, contacts[i]);
      // From the last solve on, resting contacts treat the lower body as
      // fixed, so the stack settles onto it instead of pushing it down.
      if (pass == 1 && j + 2 == n) {
        for (int32_t i = 0; i < contacts.Count(); ++i) {
          if (contacts[i].kind == kNeRowRestingContact) neSetupRow(contacts[i], false, true);
        }
      }
    }
  }
  sim.secondPass = 0;
  joints.Clear();
  contacts.Clear();
}

namespace {

template <class F>
void ForEachRigidMember(neConstraintSet& set, F f) {
  for (neBody* b = set.bodyFirst; b; b = b->setNext) {
    if (neRigidBodyRecord* r = b->AsRigid()) f(*r);
  }
}

// Every rigid body of the island and of the built-in set; evaluated for all of
// them so each takes its own new snapshot when it fails. The snapshot test
// alone lets a body turn at up to 10 rad/s; a body that moves now (the
// engine's moving test, the one that wakes a resting body) is not at rest.
// A slow swing passes both (a pendulum 5 degrees out froze mid-swing): a
// jointed body rests only when it is nearly still and its joints cancel what
// the forces did this sub-step, so that it is held, not passing a turn.
constexpr float kIslandStill2 = 0.0025f;      // (0.05 m/s)^2, and (0.05 rad/s)^2
constexpr float kIslandNetAcceleration = 0.2f;  // m/s^2 left after the joints

bool IslandAtRest(neSimulationRecord& sim) {
  bool all = true;
  const float netChange = kIslandNetAcceleration * sim.dt;
  auto test = [&all, &sim, netChange](neRigidBodyRecord& r) {
    const bool still =
        r.velocity.LengthSquared() + r.angularVelocity.LengthSquared() < sim.movingTest;
    const bool held = r.restState == kNeResting ||
                      (r.velocity.LengthSquared() < kIslandStill2 &&
                       r.angularVelocity.LengthSquared() < kIslandStill2 &&
                       (r.velocity - r.stepStartVelocity).LengthSquared() < netChange * netChange);
    all = neMotionAtRest(r) && still && held && all;
  };
  for (int32_t i = 0; i < sim.islandList.Count(); ++i) ForEachRigidMember(*sim.islandList[i], test);
  ForEachRigidMember(sim.builtInSet, test);
  return all;
}

void SetIslandRest(neSimulationRecord& sim, bool rest) {
  auto apply = [rest](neRigidBodyRecord& r) {
    if (rest) r.Rest();
    else {
      r.StirWithSupported();
      r.restState = kNeAwake;
    }
  };
  for (int32_t i = 0; i < sim.islandList.Count(); ++i) ForEachRigidMember(*sim.islandList[i], apply);
  ForEachRigidMember(sim.builtInSet, apply);
}

void SolveIsland(neSimulationRecord& sim, neConstraintSet& set) {
  sim.constraintRecords.Clear();
  sim.contactRecords.Clear();
  sim.islandList.Clear();
  sim.stacksInHand.Clear();
  neEmptyBuiltInSet(sim);
  sim.islandList.Push(&set);

  int32_t moving = 0;
  ForEachRigidMember(set, [&moving](neRigidBodyRecord& r) {
    r.restCounter = 0;
    if (r.restState != kNeResting) ++moving;
  });
  if (moving == 0) return;

  float tolerance = -1.0f;
  int32_t iterations = -1;
  neConstraintSetPrepare(sim, set, tolerance, iterations);
  // Preparing hands over the stacks of jointed bodies; a stack may bring in
  // further sets, whose stacks join the list while it is walked.
  for (int32_t i = 0; i < sim.stacksInHand.Count(); ++i) {
    neStackHeader& stack = *sim.stacksInHand[i];
    neGatherStack(sim, stack, true);
    for (neStackNode* n = stack.first; n; n = n->next) {
      neConstraintSet* other = n->body ? n->body->constraintSet : nullptr;
      if (!other || other == &sim.builtInSet || other->visited) continue;
      neConstraintSetPrepare(sim, *other, tolerance, iterations);
      sim.islandList.Push(other);
    }
  }
  neSolveRecords(sim, tolerance, iterations);
  SetIslandRest(sim, IslandAtRest(sim));
}

}  // namespace

void neSolveConstraintSets(neSimulationRecord& sim) {
  if (sim.constraintSetPool.UsedCount() == 0) return;
  for (neConstraintSet* s = sim.constraintSetPool.UsedFirst(); s; s = s->next) s->visited = 0;
  for (neConstraintSet* s = sim.constraintSetPool.UsedFirst(); s; s = s->next) {
    if (!s->visited) SolveIsland(sim, *s);
  }
  neEmptyBuiltInSet(sim);
}
