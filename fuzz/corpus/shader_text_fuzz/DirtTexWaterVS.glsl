#version 120
// Washing a car skin: one quad over the whole skin, 0..1 coordinates on unit 0.

void main() {
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
