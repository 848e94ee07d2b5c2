#include "eye_vertex.glsl"

varying vec3 eyeTangent;
varying vec3 eyeBitangent;
varying vec4 shadowCoord;

// Models with a tangent frame per corner (car bodies, glass, roadside objects, tyre marks):
// tangent on unit 1, bitangent on unit 2, the shadow map's texture matrix on unit 3.
void main() {
  vec4 eye = EyeVertex();
  eyeTangent = gl_NormalMatrix * gl_MultiTexCoord1.xyz;
  eyeBitangent = gl_NormalMatrix * gl_MultiTexCoord2.xyz;
  shadowCoord = gl_TextureMatrix[3] * eye;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
