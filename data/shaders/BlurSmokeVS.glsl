#version 120
// Blur step of the wheel-dust layer: the source rectangle coordinates come in pixels on unit 0.

void main() {
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
