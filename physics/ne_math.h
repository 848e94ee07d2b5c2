// The engine's value types: 3-vector, 3x3 rotation, quaternion and rigid
// transform. Public: the game compiles these inline operations too, so the
// layout (four floats per vector, columns, w last) and the epsilons are part of
// the interface. Include "physics/ne.h", which brings this in.
#ifndef KELVAMOR_PHYSICS_NE_MATH_H
#define KELVAMOR_PHYSICS_NE_MATH_H

#include <cmath>
#include <cstdint>

// A float counts as zero below this magnitude in every length, normalisation,
// axis-angle and force test of the engine.
constexpr float kNeZero = 1.0e-6f;
// A determinant counts as zero below this magnitude.
constexpr float kNeZeroDeterminant = 1.0e-17f;

inline bool neIsConsideredZero(float v) { return std::fabs(v) < kNeZero; }
inline bool neIsFinite(float v) { return std::isfinite(static_cast<double>(v)); }

// On equality the second argument is returned.
inline float neMax(float p, float q) { return p > q ? p : q; }
inline float neMin(float p, float q) { return p < q ? p : q; }
inline void neSwap(float& a, float& b) { const float t = a; a = b; b = t; }
inline void neSwap(int32_t& a, int32_t& b) { const int32_t t = a; a = b; b = t; }

// 16 bytes: x, y, z and a fourth float that in-place operations leave alone.
struct neVector3 {
  float x, y, z, w;

  void Set(float nx, float ny, float nz) { x = nx; y = ny; z = nz; }
  void SetAll(float s) { x = y = z = s; }
  void SetZero() { x = y = z = 0.0f; }
  float& Element(int i) { return i == 0 ? x : (i == 1 ? y : z); }
  float Element(int i) const { return i == 0 ? x : (i == 1 ? y : z); }
  float& operator[](int i) { return Element(i); }
  float operator[](int i) const { return Element(i); }
  float X() const { return x; }
  float Y() const { return y; }
  float Z() const { return z; }
  void Assign(const neVector3& o) { x = o.x; y = o.y; z = o.z; w = o.w; }

  float Dot(const neVector3& b) const { return x * b.x + y * b.y + z * b.z; }
  float LengthSquared() const { return Dot(*this); }
  // Squares below the zero tolerance give 0, so tiny vectors count as none.
  float Length() const {
    const float d = Dot(*this);
    return neIsConsideredZero(d) ? 0.0f : std::sqrt(d);
  }
  void Normalize() {
    const float l = Length();
    if (l == 0.0f) {
      SetZero();
      return;
    }
    const float inv = 1.0f / l;
    x *= inv; y *= inv; z *= inv;
  }
  neVector3 Cross(const neVector3& b) const {
    return neVector3{y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x, 0.0f};
  }
  neVector3 Add(const neVector3& b) const { return neVector3{x + b.x, y + b.y, z + b.z, w}; }
  neVector3 Subtract(const neVector3& b) const { return neVector3{x - b.x, y - b.y, z - b.z, w}; }
  neVector3 Negated() const { return neVector3{-x, -y, -z, w}; }
  void AddInPlace(const neVector3& b) { x += b.x; y += b.y; z += b.z; }
  void SubtractInPlace(const neVector3& b) { x -= b.x; y -= b.y; z -= b.z; }
  neVector3 Scaled(float s) const { return neVector3{x * s, y * s, z * s, w}; }
  static neVector3 ScaledBy(float s, const neVector3& v) { return v.Scaled(s); }
  void ScaleInPlace(float s) { x *= s; y *= s; z *= s; }
  // n is expected to be unit length.
  neVector3 ProjectOnto(const neVector3& n) const { return n.Scaled(Dot(n)); }
  void RemoveComponent(const neVector3& n) { SubtractInPlace(n.Scaled(Dot(n))); }
  bool IsZero() const {
    return neIsConsideredZero(x) && neIsConsideredZero(y) && neIsConsideredZero(z);
  }
  bool IsFinite() const { return neIsFinite(x) && neIsFinite(y) && neIsFinite(z); }
  // Per component; on equality the component of q is taken.
  void SetMin(const neVector3& p, const neVector3& q) {
    x = neMin(p.x, q.x); y = neMin(p.y, q.y); z = neMin(p.z, q.z);
  }
  void SetMax(const neVector3& p, const neVector3& q) {
    x = neMax(p.x, q.x); y = neMax(p.y, q.y); z = neMax(p.z, q.z);
  }
  void RotateX(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    const float ny = c * y - s * z, nz = c * z + s * y;
    y = ny; z = nz;
  }
  void RotateY(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    const float nx = c * x + s * z, nz = c * z - s * x;
    x = nx; z = nz;
  }
  void RotateZ(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    const float nx = c * x - s * y, ny = c * y + s * x;
    x = nx; y = ny;
  }

  neVector3 operator+(const neVector3& b) const { return Add(b); }
  neVector3 operator-(const neVector3& b) const { return Subtract(b); }
  neVector3 operator-() const { return Negated(); }
  neVector3 operator*(float s) const { return Scaled(s); }
  neVector3& operator+=(const neVector3& b) { AddInPlace(b); return *this; }
  neVector3& operator-=(const neVector3& b) { SubtractInPlace(b); return *this; }
  neVector3& operator*=(float s) { ScaleInPlace(s); return *this; }
};

inline neVector3 operator*(float s, const neVector3& v) { return v.Scaled(s); }
inline neVector3 neV3(float x, float y, float z) { return neVector3{x, y, z, 0.0f}; }
inline void neSwap(neVector3& a, neVector3& b) { const neVector3 t = a; a = b; b = t; }

// Three columns; element (row r, column c) is component r of column c, and a
// vector is multiplied as a column: M v = v.x c0 + v.y c1 + v.z c2.
struct neMatrix3x3 {
  neVector3 col[3];

  neVector3& Column(int i) { return col[i]; }
  const neVector3& Column(int i) const { return col[i]; }
  float& At(int r, int c) { return col[c].Element(r); }
  float At(int r, int c) const { return col[c].Element(r); }
  // The columns' fourth floats are left as they are.
  void SetColumns(const neVector3& c0, const neVector3& c1, const neVector3& c2) {
    col[0].Set(c0.x, c0.y, c0.z);
    col[1].Set(c1.x, c1.y, c1.z);
    col[2].Set(c2.x, c2.y, c2.z);
  }
  void SetIdentity() {
    col[0].Set(1.0f, 0.0f, 0.0f);
    col[1].Set(0.0f, 1.0f, 0.0f);
    col[2].Set(0.0f, 0.0f, 1.0f);
  }
  void SetZero() { col[0].SetZero(); col[1].SetZero(); col[2].SetZero(); }
  neVector3 MultiplyVector(const neVector3& v) const {
    return neVector3{col[0].x * v.x + col[1].x * v.y + col[2].x * v.z,
                     col[0].y * v.x + col[1].y * v.y + col[2].y * v.z,
                     col[0].z * v.x + col[1].z * v.y + col[2].z * v.z, 0.0f};
  }
  // M^T v: each column dotted with v.
  neVector3 TransposeMultiply(const neVector3& v) const {
    return neVector3{col[0].Dot(v), col[1].Dot(v), col[2].Dot(v), 0.0f};
  }
  // this x b; the result's fourth floats are 0.
  neMatrix3x3 Multiply(const neMatrix3x3& b) const {
    neMatrix3x3 r;
    for (int i = 0; i < 3; ++i) {
      r.col[i] = MultiplyVector(b.col[i]);
      r.col[i].w = 0.0f;
    }
    return r;
  }
  void AddInPlace(const neMatrix3x3& b) {
    col[0].AddInPlace(b.col[0]); col[1].AddInPlace(b.col[1]); col[2].AddInPlace(b.col[2]);
  }
  neMatrix3x3 Subtract(const neMatrix3x3& b) const {
    neMatrix3x3 r = *this;
    r.col[0].SubtractInPlace(b.col[0]);
    r.col[1].SubtractInPlace(b.col[1]);
    r.col[2].SubtractInPlace(b.col[2]);
    return r;
  }
  void Transpose() {
    neSwap(col[0].y, col[1].x);
    neSwap(col[0].z, col[2].x);
    neSwap(col[1].z, col[2].y);
  }
  void SetTranspose(const neMatrix3x3& m) {
    col[0].Set(m.col[0].x, m.col[1].x, m.col[2].x);
    col[1].Set(m.col[0].y, m.col[1].y, m.col[2].y);
    col[2].Set(m.col[0].z, m.col[1].z, m.col[2].z);
  }
  // False (this left unspecified) when |det m| is below 1e-17.
  bool SetInverse(const neMatrix3x3& m);
  // M [v]x.
  neMatrix3x3 MultiplyByCross(const neVector3& v) const {
    neMatrix3x3 r;
    r.col[0] = col[1].Scaled(v.z) - col[2].Scaled(v.y);
    r.col[1] = col[2].Scaled(v.x) - col[0].Scaled(v.z);
    r.col[2] = col[0].Scaled(v.y) - col[1].Scaled(v.x);
    return r;
  }
  // [v]x M: each column replaced by v x column.
  static neMatrix3x3 CrossTimes(const neVector3& v, const neMatrix3x3& m) {
    neMatrix3x3 r;
    r.col[0] = v.Cross(m.col[0]);
    r.col[1] = v.Cross(m.col[1]);
    r.col[2] = v.Cross(m.col[2]);
    return r;
  }
  // Rz(c) Ry(b) Rx(a), radians.
  void SetRotationXYZ(float a, float b, float c);
  // this += s (a b^T): the mass-weighted offset term of a parallel-axis shift.
  void AddScaledOuterProduct(float s, const neVector3& a, const neVector3& b);

  neVector3 operator*(const neVector3& v) const { return MultiplyVector(v); }
  neMatrix3x3 operator*(const neMatrix3x3& b) const { return Multiply(b); }
};

struct neQuaternion {
  float x, y, z, w;

  void Set(float nx, float ny, float nz, float nw) { x = nx; y = ny; z = nz; w = nw; }
  void SetIdentity() { x = y = z = 0.0f; w = 1.0f; }
  float Dot(const neQuaternion& q) const { return x * q.x + y * q.y + z * q.z + w * q.w; }
  // Divides by the norm. A zero or non-finite norm would turn the rotation
  // into NaN; such a quaternion is left as it is and false returned.
  bool Normalize() {
    const float n2 = Dot(*this);
    const float n = std::sqrt(n2);
    if (!(n > 0.0f) || !neIsFinite(n)) return false;
    const float inv = 1.0f / n;
    x *= inv; y *= inv; z *= inv; w *= inv;
    return true;
  }
  neQuaternion Negated() const { return neQuaternion{-x, -y, -z, -w}; }
  // Hamilton product this * q.
  neQuaternion Multiply(const neQuaternion& q) const {
    return neQuaternion{w * q.x + x * q.w + y * q.z - z * q.y,
                        w * q.y - x * q.z + y * q.w + z * q.x,
                        w * q.z + x * q.y - y * q.x + z * q.w,
                        w * q.w - x * q.x - y * q.y - z * q.z};
  }
  // Rotation matrix of a unit quaternion; the columns' fourth floats are 0.
  neMatrix3x3 BuildMatrix() const {
    const float tx = 2.0f * x, ty = 2.0f * y, tz = 2.0f * z;
    const float xx = tx * x, yy = ty * y, zz = tz * z;
    const float xy = ty * x, xz = tz * x, yz = tz * y;
    const float wx = w * tx, wy = w * ty, wz = w * tz;
    neMatrix3x3 m;
    m.col[0] = neVector3{1.0f - (yy + zz), xy + wz, xz - wy, 0.0f};
    m.col[1] = neVector3{xy - wz, 1.0f - (xx + zz), yz + wx, 0.0f};
    m.col[2] = neVector3{xz + wy, yz - wx, 1.0f - (xx + yy), 0.0f};
    return m;
  }
  // Unit quaternion with w >= 0 from a rotation matrix (largest component).
  void SetupFromMatrix(const neMatrix3x3& m);
  // Axis (1, 0, 0) and angle 0 when the vector part is zero.
  void GetAxisAngle(neVector3& axis, float& angle) const;

  neQuaternion operator*(const neQuaternion& q) const { return Multiply(q); }
};

// Rotation then position. With the columns' fourth floats 0 and the position's
// 1 the sixteen floats read as a column-major 4x4 matrix.
struct neTransform {
  neMatrix3x3 rot;
  neVector3 pos;

  void SetIdentity() {
    rot.SetIdentity();
    rot.col[0].w = rot.col[1].w = rot.col[2].w = 0.0f;
    pos = neVector3{0.0f, 0.0f, 0.0f, 1.0f};
  }
  neVector3& Position() { return pos; }
  const neVector3& Position() const { return pos; }
  // this x b: rotation Ra Rb, position Ra pb + pa.
  neTransform Multiply(const neTransform& b) const {
    neTransform r;
    r.rot = rot.Multiply(b.rot);
    r.pos = rot.MultiplyVector(b.pos) + pos;
    r.pos.w = pos.w;
    return r;
  }
  neVector3 TransformPoint(const neVector3& v) const { return rot.MultiplyVector(v) + pos; }
  // Inverse of a rigid transform by the transposed rotation.
  neTransform FastInverse() const {
    neTransform r;
    r.rot.SetTranspose(rot);
    r.rot.col[0].w = rot.col[0].w; r.rot.col[1].w = rot.col[1].w; r.rot.col[2].w = rot.col[2].w;
    r.pos = rot.TransposeMultiply(pos).Negated();
    r.pos.w = 0.0f;
    return r;
  }
  void FastInvert() { *this = FastInverse(); }

  neTransform operator*(const neTransform& b) const { return Multiply(b); }
  neVector3 operator*(const neVector3& v) const { return TransformPoint(v); }
};

#endif  // KELVAMOR_PHYSICS_NE_MATH_H
