#version 120
// One dirt splash stamped into a car skin. The splash's atlas cell comes on unit 0; the skin
// and the dirt mask are read where the splash lands, which is the fragment's place in the
// skin-sized target, so that position is passed on as 0..1 coordinates.

varying vec2 skinCoord;

void main() {
  gl_Position = ftransform();
  skinCoord = gl_Position.xy / gl_Position.w * 0.5 + 0.5;
  gl_TexCoord[0] = gl_MultiTexCoord0;
}
