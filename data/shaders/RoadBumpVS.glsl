#version 120
// Roads: per corner the first texture coordinates (unit 0, the road's own), the second set
// (unit 1, the linear mapping of the ground around it), the tangent frames of both sets on units
// 2 to 5 (tangent, bitangent, second tangent, second bitangent), normal and position. The
// shadow map's texture matrix sits on unit 1 and takes eye-space points.

#include "eye_vertex.glsl"
varying vec3 eyeTangent;
varying vec3 eyeBitangent;
varying vec3 eyeTangent2;
varying vec3 eyeBitangent2;
varying vec4 shadowCoord;
varying vec2 linearCoord;

void main() {
  vec4 eye = EyeVertex();
  eyeTangent = gl_NormalMatrix * gl_MultiTexCoord2.xyz;
  eyeBitangent = gl_NormalMatrix * gl_MultiTexCoord3.xyz;
  eyeTangent2 = gl_NormalMatrix * gl_MultiTexCoord4.xyz;
  eyeBitangent2 = gl_NormalMatrix * gl_MultiTexCoord5.xyz;
  shadowCoord = gl_TextureMatrix[1] * eye;
  linearCoord = gl_MultiTexCoord1.st;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
