#version 120
// Tyre marks: per corner (s, t, strength) on unit 0, the mark's tangent on unit 1 and bitangent
// on unit 2, normal and position. The shadow map's texture matrix sits on unit 3 and takes
// eye-space points.

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
