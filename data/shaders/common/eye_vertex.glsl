varying vec3 eyePosition;
varying vec3 eyeNormal;

// The vertex in eye space, its normal there and its fog distance; returns the eye-space
// point, which the shadow map's texture matrix takes.
vec4 EyeVertex() {
  vec4 eye = gl_ModelViewMatrix * gl_Vertex;
  eyePosition = eye.xyz;
  eyeNormal = gl_NormalMatrix * gl_Normal;
  gl_FogFragCoord = length(eye.xyz);
  return eye;
}
