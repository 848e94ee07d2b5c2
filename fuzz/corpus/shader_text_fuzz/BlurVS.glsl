#version 120
// Full-screen blur step: the source rectangle texture's coordinates come in pixels on unit 0.

void main() {
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
