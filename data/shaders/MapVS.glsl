#version 120
// Opaque world layers (main map, add-on maps) and the garage models: normal, first texture
// coordinates and position per corner. The shadow map's texture matrix sits on unit 1 and
// takes eye-space points.

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec4 shadowCoord;

void main() {
  vec4 eye = gl_ModelViewMatrix * gl_Vertex;
  eyePosition = eye.xyz;
  eyeNormal = gl_NormalMatrix * gl_Normal;
  shadowCoord = gl_TextureMatrix[1] * eye;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_FogFragCoord = length(eye.xyz);
  gl_Position = ftransform();
}
