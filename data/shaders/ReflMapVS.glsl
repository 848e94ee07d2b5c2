#version 120
// Opaque world layers and garage models seen from the environment cube map's faces: normal,
// first texture coordinates and position per corner.

#include "eye_vertex.glsl"

void main() {
  EyeVertex();
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
