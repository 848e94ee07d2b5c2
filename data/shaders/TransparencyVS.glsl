#version 120
// Alpha-tested foliage layers (main and add-on transparency) and the garage's see-through
// models: normal, first texture coordinates and position per corner. The shadow map's texture
// matrix sits on unit 1 and takes eye-space points.

#include "eye_vertex.glsl"
varying vec4 shadowCoord;

void main() {
  vec4 eye = EyeVertex();
  shadowCoord = gl_TextureMatrix[1] * eye;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
