#version 120
// Alpha-tested foliage layers (main and add-on transparency) and the garage's see-through
// models: normal, first texture coordinates and position per corner. The shadow map's texture
// matrix sits on unit 1 and takes eye-space points.

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
