#version 120
// Grass: every instance arrives as four corners at its root. Unit 0 carries (side 0 or 1,
// height in the atlas, atlas column coordinate, size); unit 1 the wind offset of the top
// corners (zero at the roots, so the stems stay planted) and the instance's sway. The corners
// are spread along Right and Up, which face the camera.

#include "billboard_vertex.glsl"
varying vec3 eyeNormal;
varying vec2 tintCoord;

void main() {
  vec4 corner = gl_MultiTexCoord0;
  vec4 wind = gl_MultiTexCoord1;
  vec3 root = gl_Vertex.xyz;
  vec3 p = root + Right * ((corner.s - 0.5) * corner.q) + Up * (corner.t * corner.q);
  float flutter = 1.0 + 0.2 * sin(Time * 2.3 + root.x * 0.37 + root.z * 0.29);
  p += wind.xyz * flutter * wind.w * corner.q;

  eyeNormal = gl_NormalMatrix * vec3(0.0, 1.0, 0.0);
  tintCoord = root.xz * 0.004;
  PlaceBillboardCorner(p, corner);
}
