// Collision matrices of the solver rows.
#include "physics/contact_setup.h"

#include <cmath>

#include "physics/body.h"

namespace {

// What one side contributes: inverse mass and world inverse inertia, both zero
// for a side that does not move.
struct SideMass {
  float invMass;
  neMatrix3x3 invInertia;
  bool moves;  // false: the terrain, an animated body or an ignored side
};

SideMass MassOf(neBody* body, bool ignore) {
  SideMass m;
  m.invMass = 0.0f;
  m.invInertia.SetZero();
  m.moves = false;
  neRigidBodyRecord* r = ignore ? nullptr : neRowRigid(body);
  if (r) {
    m.moves = true;
    m.invMass = r->invMass;
    m.invInertia = r->worldInertiaInverse;
  }
  return m;
}

// K = (mA^-1 + mB^-1) 1 - [rA]x IA^-1 [rA]x - [rB]x IB^-1 [rB]x, world axes.
neMatrix3x3 PointMatrix(const SideMass& a, const neVector3& armA, const SideMass& b,
                        const neVector3& armB) {
  neMatrix3x3 k;
  k.SetZero();
  const float m = a.invMass + b.invMass;
  k.At(0, 0) = m;
  k.At(1, 1) = m;
  k.At(2, 2) = m;
  // A side that does not move adds only zeros; a non-finite arm still goes
  // through, so that it spoils the matrix as it always did.
  if (a.moves || !armA.IsFinite())
    k = k.Subtract(neMatrix3x3::CrossTimes(armA, a.invInertia).MultiplyByCross(armA));
  if (b.moves || !armB.IsFinite())
    k = k.Subtract(neMatrix3x3::CrossTimes(armB, b.invInertia).MultiplyByCross(armB));
  return k;
}

neMatrix3x3 Sum(const neMatrix3x3& p, const neMatrix3x3& q) {
  neMatrix3x3 s = p;
  s.AddInPlace(q);
  return s;
}

// A singular matrix has no inverse: a zero inverse makes the row apply
// nothing instead of an impulse from an earlier, unrelated set-up.
void Invert(neSolverRecord& row, const neMatrix3x3& k) {
  if (!row.kInv.SetInverse(k) || !row.kInv.col[0].IsFinite() || !row.kInv.col[1].IsFinite() ||
      !row.kInv.col[2].IsFinite()) {
    row.kInv.SetZero();
  }
}

}  // namespace

neRigidBodyRecord* neRowRigid(neBody* body) {
  return body ? body->AsRigid() : nullptr;
}

void neBuildContactFrame(const neVector3& n, neVector3& tangent, neVector3& tangent2) {
  const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  neVector3 t = neV3(0.0f, 0.0f, 0.0f);
  if (n.IsFinite() && !n.IsZero()) {
    // Two components 1, the third chosen so that t . n = 0; the divisor is
    // the largest component, never 0 for a non-zero normal.
    if (ay < ax) {
      if (ax > az) t = neV3(-(n.y + n.z) / n.x, 1.0f, 1.0f);
      else t = neV3(1.0f, 1.0f, -(n.x + n.y) / n.z);
    } else {
      if (ay > az) t = neV3(1.0f, -(n.x + n.z) / n.y, 1.0f);
      else t = neV3(1.0f, 1.0f, -(n.x + n.y) / n.z);
    }
    t.Normalize();
  }
  tangent = t;
  tangent2 = t.IsZero() ? t : n.Cross(t);
}

void neSetupRow(neSolverRecord& row, bool ignoreA, bool ignoreB) {
  const SideMass a = MassOf(row.bodyA, ignoreA);
  const SideMass b = MassOf(row.bodyB, ignoreB);
  switch (row.kind) {
    case kNeRowCollision:
    case kNeRowRestingContact: {
      neVector3 t, t2;
      const neVector3 n = row.frame.col[2];
      neBuildContactFrame(n, t, t2);
      row.frame.SetColumns(t, t2, n);
      row.frameTransposed.SetTranspose(row.frame);
      // K in contact-frame axes: F^T K F; its (2, 2) entry is the normal mass.
      const neMatrix3x3 kWorld = PointMatrix(a, row.armA, b, row.armB);
      row.k = row.frameTransposed.Multiply(kWorld.Multiply(row.frame));
      Invert(row, row.k);
      break;
    }
    case kNeRowPoint:
    case kNeRowPointOnLine:
    case kNeRowLinearLimit:
      row.k = PointMatrix(a, row.armA, b, row.armB);
      Invert(row, row.k);
      break;
    case kNeRowAngularLimit:
    case kNeRowAngularMotor:
      row.k = Sum(a.invInertia, b.invInertia);
      Invert(row, row.k);
      break;
    case kNeRowTwistLimit: {
      // The k slot holds the coupling matrix C that carries B's twist impulse
      // over to A (A receives C dL); A's share of the rate change along B's
      // axis is then C^T IA^-1 C, expressed in world axes.
      const neMatrix3x3& c = row.k;
      neMatrix3x3 ct;
      ct.SetTranspose(c);
      Invert(row, Sum(b.invInertia, ct.Multiply(a.invInertia.Multiply(c))));
      break;
    }
    case kNeRowLinearMotor: {
      const float sum = a.invMass + b.invMass;
      row.kInv.SetZero();
      row.kInv.col[0].x = sum > 0.0f ? 1.0f / sum : 0.0f;
      break;
    }
    default:
      break;
  }
}
