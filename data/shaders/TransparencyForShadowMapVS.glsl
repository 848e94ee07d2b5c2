#version 120
// Cut-out geometry into the sun's shadow map and into the water reflection: first texture
// coordinates and position only. The reflection clips at the water plane with user clip
// plane 0, which a vertex program only honours through the eye-space point it writes.

void main() {
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_ClipVertex = gl_ModelViewMatrix * gl_Vertex;
  gl_Position = ftransform();
}
