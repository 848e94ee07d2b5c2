// The engine math that is not inline in the public header.
#include "physics/ne.h"

bool neMatrix3x3::SetInverse(const neMatrix3x3& m) {
  const neVector3& c0 = m.col[0];
  const neVector3& c1 = m.col[1];
  const neVector3& c2 = m.col[2];
  const neVector3 r0 = c1.Cross(c2);
  const neVector3 r1 = c2.Cross(c0);
  const neVector3 r2 = c0.Cross(c1);
  const float det = r2.Dot(c2);
  if (std::fabs(det) < kNeZeroDeterminant) return false;
  const float inv = 1.0f / det;
  // r0, r1, r2 are the rows of the inverse (times det); write them as columns.
  col[0].Set(r0.x * inv, r1.x * inv, r2.x * inv);
  col[1].Set(r0.y * inv, r1.y * inv, r2.y * inv);
  col[2].Set(r0.z * inv, r1.z * inv, r2.z * inv);
  return true;
}

void neMatrix3x3::SetRotationXYZ(float a, float b, float c) {
  const float ca = std::cos(a), sa = std::sin(a);
  const float cb = std::cos(b), sb = std::sin(b);
  const float cc = std::cos(c), sc = std::sin(c);
  neMatrix3x3 rx, ry, rz;
  rx.col[0] = neV3(1.0f, 0.0f, 0.0f);
  rx.col[1] = neV3(0.0f, ca, sa);
  rx.col[2] = neV3(0.0f, -sa, ca);
  ry.col[0] = neV3(cb, 0.0f, -sb);
  ry.col[1] = neV3(0.0f, 1.0f, 0.0f);
  ry.col[2] = neV3(sb, 0.0f, cb);
  rz.col[0] = neV3(cc, sc, 0.0f);
  rz.col[1] = neV3(-sc, cc, 0.0f);
  rz.col[2] = neV3(0.0f, 0.0f, 1.0f);
  *this = rz.Multiply(ry.Multiply(rx));
}

void neMatrix3x3::AddScaledOuterProduct(float s, const neVector3& a, const neVector3& b) {
  for (int c = 0; c < 3; ++c) {
    const float bc = s * b.Element(c);
    col[c].x += a.x * bc;
    col[c].y += a.y * bc;
    col[c].z += a.z * bc;
  }
}

void neQuaternion::SetupFromMatrix(const neMatrix3x3& m) {
  const float m00 = m.At(0, 0), m11 = m.At(1, 1), m22 = m.At(2, 2);
  const float w2 = (m00 + m11 + m22 + 1.0f) * 0.25f;
  const float x2 = w2 - (m11 + m22) * 0.5f;
  const float y2 = w2 - (m00 + m22) * 0.5f;
  const float z2 = w2 - (m00 + m11) * 0.5f;

  // Ties go to the later component in the order w, x, y, z.
  enum { kW, kX, kY, kZ } pick;
  if (w2 > x2) {
    if (w2 > y2) {
      pick = (w2 > z2) ? kW : kZ;
    } else {
      pick = (z2 < y2) ? kY : kZ;
    }
  } else {
    if (x2 > y2) {
      pick = (x2 > z2) ? kX : kZ;
    } else {
      pick = (z2 < y2) ? kY : kZ;
    }
  }

  const float largest = pick == kW ? w2 : (pick == kX ? x2 : (pick == kY ? y2 : z2));
  if (!(largest > 0.0f) || !neIsFinite(largest)) {
    // Not a rotation (a zero or broken matrix): no orientation to recover.
    SetIdentity();
    return;
  }
  const float m01 = m.At(0, 1), m02 = m.At(0, 2), m10 = m.At(1, 0);
  const float m12 = m.At(1, 2), m20 = m.At(2, 0), m21 = m.At(2, 1);
  switch (pick) {
    case kW: {
      w = std::sqrt(w2);
      const float s = 0.25f / w;
      x = (m21 - m12) * s;
      y = (m02 - m20) * s;
      z = (m10 - m01) * s;
      break;
    }
    case kX: {
      x = std::sqrt(x2);
      const float s = 0.25f / x;
      w = (m21 - m12) * s;
      y = (m01 + m10) * s;
      z = (m02 + m20) * s;
      break;
    }
    case kY: {
      y = std::sqrt(y2);
      const float s = 0.25f / y;
      w = (m02 - m20) * s;
      x = (m01 + m10) * s;
      z = (m12 + m21) * s;
      break;
    }
    case kZ: {
      z = std::sqrt(z2);
      const float s = 0.25f / z;
      w = (m10 - m01) * s;
      x = (m02 + m20) * s;
      y = (m12 + m21) * s;
      break;
    }
  }
  if (w < 0.0f) *this = Negated();
  Normalize();
}

void neQuaternion::GetAxisAngle(neVector3& axis, float& angle) const {
  const float l2 = x * x + y * y + z * z;
  if (neIsConsideredZero(l2)) {
    axis = neV3(1.0f, 0.0f, 0.0f);
    angle = 0.0f;
    return;
  }
  const float inv = 1.0f / std::sqrt(l2);
  axis = neV3(x * inv, y * inv, z * inv);
  if (neIsConsideredZero(w - 1.0f)) {
    angle = 0.0f;
  } else {
    // A slightly denormal quaternion may carry |w| just above 1.
    const float cw = w > 1.0f ? 1.0f : (w < -1.0f ? -1.0f : w);
    angle = 2.0f * std::acos(cw);
  }
}
