#version 120
// Opaque world layers (main map, add-on maps) and the garage models: normal, first texture
// coordinates and position per corner. The shadow map's texture matrix sits on unit 1 and
// takes eye-space points.

#include "eye_vertex.glsl"
varying vec4 shadowCoord;

void main() {
  vec4 eye = EyeVertex();
  shadowCoord = gl_TextureMatrix[1] * eye;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
