#include "lit.glsl"

// A tangent-space normal map texel turned into eye space by its frame (t, b, n); a
// zero-length tangent or bitangent drops out instead of giving NaN.
vec3 Bumped(vec3 texel, vec3 t, vec3 b, vec3 n) {
  vec3 m = texel * 2.0 - 1.0;
  return SafeNormalize(SafeNormalize(t, vec3(0.0)) * m.x + SafeNormalize(b, vec3(0.0)) * m.y + n * m.z, n);
}
