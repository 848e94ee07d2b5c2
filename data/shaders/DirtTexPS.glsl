#version 120
// Dirt splash: the atlas cell's colour (or normal, for the normal skin) replaces the skin as far
// as the cell's alpha, the car's dirt mask and the hardness allow. The skin's own alpha (its
// glass) is kept.

uniform sampler2D decal0;  // unit 0: splash atlas, eight cells side by side
uniform sampler2D decal1;  // unit 1: the skin as it was before this step
uniform sampler2D decal2;  // unit 2: where the car takes dirt (white) and where not (black)
uniform float DirtHar;

varying vec2 skinCoord;

void main() {
  vec4 splash = texture2D(decal0, gl_TexCoord[0].st);
  vec4 skin = texture2D(decal1, skinCoord);
  float mask = texture2D(decal2, skinCoord).r;
  float cover = clamp(splash.a * mask * DirtHar, 0.0, 1.0);
  gl_FragColor = vec4(mix(skin.rgb, splash.rgb, cover), skin.a);
}
