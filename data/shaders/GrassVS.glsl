#version 120
// Grass: every instance arrives as four corners at its root. Unit 0 carries (side 0 or 1,
// height in the atlas, atlas column coordinate, size); unit 1 the wind offset of the top
// corners (zero at the roots, so the stems stay planted) and the instance's sway. The corners
// are spread along Right and Up, which face the camera.

uniform float Time;
uniform vec3 Right;
uniform vec3 Up;

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec2 tintCoord;

void main() {
  vec4 corner = gl_MultiTexCoord0;
  vec4 wind = gl_MultiTexCoord1;
  vec3 root = gl_Vertex.xyz;
  vec3 p = root + Right * ((corner.s - 0.5) * corner.q) + Up * (corner.t * corner.q);
  float flutter = 1.0 + 0.2 * sin(Time * 2.3 + root.x * 0.37 + root.z * 0.29);
  p += wind.xyz * flutter * wind.w * corner.q;

  vec4 eye = gl_ModelViewMatrix * vec4(p, 1.0);
  eyePosition = eye.xyz;
  eyeNormal = gl_NormalMatrix * vec3(0.0, 1.0, 0.0);
  tintCoord = root.xz * 0.004;
  gl_TexCoord[0] = vec4(corner.p, corner.t, 0.0, 1.0);
  gl_FogFragCoord = length(eye.xyz);
  gl_Position = gl_ProjectionMatrix * eye;
}
