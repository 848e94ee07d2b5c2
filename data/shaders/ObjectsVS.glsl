#version 120
// Car bodies, car glass and roadside objects. Tangent frames arrive on texture units 1 (tangent)
// and 2 (bitangent); the shadow map's texture matrix sits on unit 3 and takes eye-space points.

#include "eye_vertex.glsl"
varying vec3 eyeTangent;
varying vec3 eyeBitangent;
varying vec4 shadowCoord;

void main() {
  vec4 eye = EyeVertex();
  eyeTangent = gl_NormalMatrix * gl_MultiTexCoord1.xyz;
  eyeBitangent = gl_NormalMatrix * gl_MultiTexCoord2.xyz;
  shadowCoord = gl_TextureMatrix[3] * eye;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
