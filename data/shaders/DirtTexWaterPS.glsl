#version 120
// Washing: the dirty skin moves back towards the car's clean texture. WaterHar is minus the
// amount of washing this step; an amount of 1 or more restores the clean texture at once.

uniform sampler2D decal0;  // unit 0: the car's own clean texture
uniform sampler2D decal1;  // unit 1: the dirty skin
uniform float WaterHar;

void main() {
  vec4 clean = texture2D(decal0, gl_TexCoord[0].st);
  vec4 dirty = texture2D(decal1, gl_TexCoord[0].st);
  float wash = clamp(-WaterHar, 0.0, 1.0);
  gl_FragColor = vec4(mix(dirty.rgb, clean.rgb, wash), clean.a);
}
