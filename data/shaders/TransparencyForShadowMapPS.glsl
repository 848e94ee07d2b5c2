#version 120
// Leaves and fences cast the shape of their texture, not of their quads: texels below half
// coverage are discarded, so neither depth nor colour is written there. The water reflection
// draws its mirrored scene with this program, so the colour is the texture's.

uniform sampler2D decal;  // unit 0: material texture with coverage in alpha

void main() {
  vec4 base = texture2D(decal, gl_TexCoord[0].st);
  if (base.a < 0.5) discard;
  gl_FragColor = base;
}
