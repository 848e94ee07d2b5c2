#version 120
// Cut-out geometry into the sun's shadow map and into the water reflection: first texture
// coordinates and position only.

void main() {
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
