#version 120
// The water surface: normal and position, with the world position also on unit 1 (it is what
// the reflection's texture matrix projects) and the material's coordinates on unit 0.

#include "eye_vertex.glsl"
varying vec3 worldPosition;
varying vec4 reflectionCoord;

void main() {
  vec4 eye = EyeVertex();
  worldPosition = gl_MultiTexCoord1.xyz;
  reflectionCoord = gl_TextureMatrix[1] * vec4(gl_MultiTexCoord1.xyz, 1.0);
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
