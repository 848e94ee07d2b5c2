#include "gfx/math3d.h"

#include <climits>
#include <cmath>

namespace {

// Degrees to radians with the single-precision factor, applied in double: the cameras
// and shadow passes were tuned against exactly this rounding.
constexpr float kDegToRad = 0.017453292f;
constexpr float kPi = 3.1415927f;

float CosDeg(float degrees) {
  return static_cast<float>(std::cos(static_cast<double>(degrees) * kDegToRad));
}
float SinDeg(float degrees) {
  return static_cast<float>(std::sin(static_cast<double>(degrees) * kDegToRad));
}

// A rotation about one axis turns the plane of the other two, from axis `from` towards
// axis `to` (x to y about z, y to z about x, z to x about y); m is column-major.
void PlaneRotation(Matrix4* r, int from, int to, float degrees) {
  const float c = CosDeg(degrees), s = SinDeg(degrees);
  r->SetIdentity();
  r->m[from * 5] = c;
  r->m[to * 5] = c;
  r->m[from * 4 + to] = s;
  r->m[to * 4 + from] = -s;
}

}  // namespace

Vector3& Vector3::Clear() {
  x = y = z = 0.0f;
  return *this;
}

Vector3& Vector3::Set(float x_, float y_, float z_) {
  x = x_;
  y = y_;
  z = z_;
  return *this;
}

void Vector3::Assign(const Vector3& other) {
  x = other.x;
  y = other.y;
  z = other.z;
}

float Vector3::Length() const { return std::sqrt(x * x + y * y + z * z); }

Vector3& Vector3::Normalize() {
  const float len = Length();
  x /= len;
  y /= len;
  z /= len;
  return *this;
}

Vector3 Vector3::Difference(const Vector3& other) const {
  return Vector3(x - other.x, y - other.y, z - other.z);
}

Vector3 Vector3::Negated() const { return Vector3(-x, -y, -z); }

float Dot3(const Vector3& a, const Vector3& b) {
  return static_cast<float>(static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y +
                            static_cast<double>(a.z) * b.z);
}

Vector3 Cross3(const Vector3& a, const Vector3& b) {
  return Vector3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

void Matrix4::SetIdentity() {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void Matrix4::SetRows(float r0c0, float r0c1, float r0c2, float r0c3,
                      float r1c0, float r1c1, float r1c2, float r1c3,
                      float r2c0, float r2c1, float r2c2, float r2c3,
                      float r3c0, float r3c1, float r3c2, float r3c3) {
  m[0] = r0c0; m[4] = r0c1; m[8] = r0c2;  m[12] = r0c3;
  m[1] = r1c0; m[5] = r1c1; m[9] = r1c2;  m[13] = r1c3;
  m[2] = r2c0; m[6] = r2c1; m[10] = r2c2; m[14] = r2c3;
  m[3] = r3c0; m[7] = r3c1; m[11] = r3c2; m[15] = r3c3;
}

void Matrix4::SetTranslation(const Vector3& t) {
  SetIdentity();
  m[12] = t.x;
  m[13] = t.y;
  m[14] = t.z;
}

void Matrix4::SetRotationX(float degrees) { PlaneRotation(this, 1, 2, degrees); }
void Matrix4::SetRotationY(float degrees) { PlaneRotation(this, 2, 0, degrees); }
void Matrix4::SetRotationZ(float degrees) { PlaneRotation(this, 0, 1, degrees); }

void Matrix4::SetAxisRotation(float degrees, Vector3& axis) {
  axis.Normalize();
  const float c = CosDeg(degrees), s = SinDeg(degrees), t = 1.0f - c;
  const float x = axis.x, y = axis.y, z = axis.z;
  m[0] = c + t * x * x;
  m[1] = t * x * y + s * z;
  m[2] = t * x * z - s * y;
  m[3] = 0.0f;
  m[4] = t * x * y - s * z;
  m[5] = c + t * y * y;
  m[6] = t * y * z + s * x;
  m[7] = 0.0f;
  m[8] = t * x * z + s * y;
  m[9] = t * y * z - s * x;
  m[10] = c + t * z * z;
  m[11] = 0.0f;
  m[12] = m[13] = m[14] = 0.0f;
  m[15] = 1.0f;
}

void Matrix4::SetView(Vector3 eye, Vector3 target, Vector3 up) {
  Vector3 f = eye.Difference(target);
  f.Normalize();
  Vector3 s = Cross3(up, f);
  s.Normalize();
  Vector3 u = Cross3(f, s);
  u.Normalize();
  SetRows(s.x, s.y, s.z, Dot3(s.Negated(), eye),
          u.x, u.y, u.z, Dot3(u.Negated(), eye),
          f.x, f.y, f.z, Dot3(f.Negated(), eye),
          0.0f, 0.0f, 0.0f, 1.0f);
}

void Matrix4::SetProjection(float fovyDegrees, float aspect, float zNear, float zFar) {
  const float half =
      static_cast<float>(static_cast<double>(fovyDegrees) / 2.0 * static_cast<double>(kPi) / 180.0);
  const float k = 1.0f / std::tan(half);
  for (float& e : m) e = 0.0f;
  m[0] = k / aspect;
  m[5] = k;
  m[10] = (zNear + zFar) / (zNear - zFar);
  m[14] = 2.0f * zFar * zNear / (zNear - zFar);
  m[11] = -1.0f;
}

Vector3 Matrix4::TransformPoint(float x, float y, float z) const {
  return Vector3(m[0] * x + m[4] * y + m[8] * z + m[12],
                 m[1] * x + m[5] * y + m[9] * z + m[13],
                 m[2] * x + m[6] * y + m[10] * z + m[14]);
}

Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b) {
  Matrix4 r;
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) {
      float s = 0.0f;
      for (int k = 0; k < 4; ++k) s += a.m[4 * k + row] * b.m[4 * c + k];
      r.m[4 * c + row] = s;
    }
  return r;
}

Matrix4 CubeFaceRotation(int face) {
  // GL's cube faces look along +X, -X, +Y, -Y, +Z, -Z with t running down the side
  // faces: the side faces' up is -y, +Y's is +z and -Y's is -z.
  Matrix4 a, b;
  switch (face) {
    case 0: a.SetRotationY(90.0f); b.SetRotationX(180.0f); break;
    case 1: a.SetRotationY(-90.0f); b.SetRotationX(180.0f); break;
    case 2: a.SetRotationX(-90.0f); break;
    case 3: a.SetRotationX(90.0f); break;
    case 4: a.SetRotationX(180.0f); break;
    default: a.SetRotationZ(180.0f); break;
  }
  // In the order glRotatef would apply them: the first turn is the left factor.
  return MultiplyMatrices(a, b);
}

double Double3Length(double x, double y, double z) { return std::sqrt(x * x + y * y + z * z); }

double* Double3Normalize(double* out, double x, double y, double z) {
  const double len = Double3Length(x, y, z);
  out[0] = x / len;
  out[1] = y / len;
  out[2] = z / len;
  return out;
}

double* Double3Cross(double* out, const double* a, const double* b) {
  const double x = a[1] * b[2] - a[2] * b[1];
  const double y = a[2] * b[0] - a[0] * b[2];
  const double z = a[0] * b[1] - a[1] * b[0];
  out[0] = x;
  out[1] = y;
  out[2] = z;
  return out;
}

double* Double3Difference(double* out, const double* a, const double* b) {
  out[0] = a[0] - b[0];
  out[1] = a[1] - b[1];
  out[2] = a[2] - b[2];
  return out;
}

float AbsFloat(float f) { return f < 0.0f ? -f : f; }

int FloatToInt(float f) {
  // Converting NaN or a value outside int is undefined in C++; the processor's own
  // conversion gives INT_MIN for those, and so does this, on every compiler.
  if (!(f > -2147483904.0f && f < 2147483648.0f)) return INT_MIN;
  return static_cast<int>(f);
}

neVector3 VectorCross(neVector3 a, neVector3 b) {
  neVector3 r;
  r.x = a.y * b.z - a.z * b.y;
  r.y = a.z * b.x - a.x * b.z;
  r.z = a.x * b.y - a.y * b.x;
  r.w = 0.0f;
  return r;
}

float VectorLength(neVector3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

neVector3 VectorNormalized(neVector3 v) {
  const float len = VectorLength(v);
  neVector3 r;
  r.x = v.x / len;
  r.y = v.y / len;
  r.z = v.z / len;
  r.w = v.w;
  return r;
}

float VectorDistance(neVector3 a, neVector3 b) {
  const float dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

namespace {
constexpr float kTwoPi = 6.2831855f;
}  // namespace

float SignedAngleXZ(neVector3 a, neVector3 b) {
  a.Normalize();
  b.Normalize();
  float alpha = std::acos(a.x / a.Length());
  float beta = std::acos(b.x / b.Length());
  // Positive z counts as a negative angle: angles run from +X towards -Z.
  if (a.z > 0.0f) alpha = -alpha;
  if (b.z > 0.0f) beta = -beta;
  float d = beta - alpha;
  if (d > kPi) d = -std::fabs(kTwoPi - d);
  if (d < -kPi) d = std::fabs(d + kTwoPi);
  return d;
}

float SignedAngleXZChecked(neVector3 a, neVector3 b) {
  double alpha = std::acos(static_cast<double>(static_cast<float>(a.x / a.Length())));
  double beta = std::acos(static_cast<double>(static_cast<float>(b.x / b.Length())));
  if (a.z > 0.0f) alpha = -alpha;
  if (b.z > 0.0f) beta = -beta;
  double d = beta - alpha;
  if (d > kPi) d = -std::fabs(kTwoPi - d);
  if (d < -kPi) d = std::fabs(kTwoPi - std::fabs(d));
  return std::isnan(d) ? 0.0f : static_cast<float>(d);
}
