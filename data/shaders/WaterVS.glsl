#version 120
// The water surface: normal and position, with the world position also on unit 1 (it is what
// the reflection's texture matrix projects) and the material's coordinates on unit 0.

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec3 worldPosition;
varying vec4 reflectionCoord;

void main() {
  vec4 eye = gl_ModelViewMatrix * gl_Vertex;
  eyePosition = eye.xyz;
  eyeNormal = gl_NormalMatrix * gl_Normal;
  worldPosition = gl_MultiTexCoord1.xyz;
  reflectionCoord = gl_TextureMatrix[1] * vec4(gl_MultiTexCoord1.xyz, 1.0);
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_FogFragCoord = length(eye.xyz);
  gl_Position = ftransform();
}
