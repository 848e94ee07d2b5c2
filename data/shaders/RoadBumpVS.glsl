#version 120
// Roads: per corner the first texture coordinates (unit 0, the road's own), the second set
// (unit 1, the linear mapping of the ground around it), the tangent frames of both sets on units
// 2 to 5 (tangent, bitangent, second tangent, second bitangent), normal and position. The
// shadow map's texture matrix sits on unit 1 and takes eye-space points.

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec3 eyeTangent;
varying vec3 eyeBitangent;
varying vec3 eyeTangent2;
varying vec3 eyeBitangent2;
varying vec4 shadowCoord;
varying vec2 linearCoord;

void main() {
  vec4 eye = gl_ModelViewMatrix * gl_Vertex;
  eyePosition = eye.xyz;
  eyeNormal = gl_NormalMatrix * gl_Normal;
  eyeTangent = gl_NormalMatrix * gl_MultiTexCoord2.xyz;
  eyeBitangent = gl_NormalMatrix * gl_MultiTexCoord3.xyz;
  eyeTangent2 = gl_NormalMatrix * gl_MultiTexCoord4.xyz;
  eyeBitangent2 = gl_NormalMatrix * gl_MultiTexCoord5.xyz;
  shadowCoord = gl_TextureMatrix[1] * eye;
  linearCoord = gl_MultiTexCoord1.st;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_FogFragCoord = length(eye.xyz);
  gl_Position = ftransform();
}
