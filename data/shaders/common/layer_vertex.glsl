#include "eye_vertex.glsl"

varying vec4 shadowCoord;

// World layers and garage models with one set of texture coordinates: the shadow map's
// texture matrix sits on unit 1.
void main() {
  vec4 eye = EyeVertex();
  shadowCoord = gl_TextureMatrix[1] * eye;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
