#version 120
// The terrain: first texture coordinates on unit 0 (the material's own tiling), second set on
// unit 1 (the linear mapping across the whole landscape), normal and position. The shadow map's
// texture matrix sits on unit 1 and takes eye-space points; the second set is read raw.

#include "eye_vertex.glsl"
varying vec4 shadowCoord;
varying vec2 linearCoord;

void main() {
  vec4 eye = EyeVertex();
  shadowCoord = gl_TextureMatrix[1] * eye;
  linearCoord = gl_MultiTexCoord1.st;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
