#version 120
// Opaque world layers and garage models seen from the environment cube map's faces: normal,
// first texture coordinates and position per corner.

varying vec3 eyePosition;
varying vec3 eyeNormal;

void main() {
  vec4 eye = gl_ModelViewMatrix * gl_Vertex;
  eyePosition = eye.xyz;
  eyeNormal = gl_NormalMatrix * gl_Normal;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
