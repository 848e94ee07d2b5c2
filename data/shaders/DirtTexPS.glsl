#version 120
// Dirt splash: the atlas cell's colour (or normal, for the normal skin) goes onto the skin
// where the splash covers it and the car takes dirt there. The mask says how much of a
// region may get dirty, not how fast: a fixed pattern of blotches in skin space, compared
// with the mask, decides which texels take mud at all, so a car splashed thousands of
// times over ends in patches of mud within the mask (thick where it is white, a few
// specks where it is dark) instead of one even brown. The skin's own alpha (its glass) is
// kept.

uniform sampler2D decal0;  // unit 0: splash atlas, eight cells side by side
uniform sampler2D decal1;  // unit 1: the skin as it was before this step
uniform sampler2D decal2;  // unit 2: where the car takes dirt (white) and where not (black)
uniform float DirtHar;

varying vec2 skinCoord;

const vec2 kSkinTexels = vec2(2048.0, 1024.0);
// Below the mask's own value: white takes about four fifths of its texels, the 0.8 grey
// of plain panels about half.
const float kMaskReach = 0.62;
const float kEdge = 0.035;
const float kBlack = 0.5 / 255.0;
// Each splash lays a part of its mud: overlaps build up and the patches' rims stay soft.
const float kSplashBody = 0.6;

// Multiplies and fractions only: a software rasteriser pays dearly for sin per texel.
float Hash(vec2 p) {
  vec3 q = fract(vec3(p.xyx) * 0.1031);
  q += dot(q, q.yzx + 33.33);
  return fract((q.x + q.y) * q.z);
}

float ValueNoise(vec2 p) {
  vec2 i = floor(p);
  vec2 f = fract(p);
  f = f * f * (3.0 - 2.0 * f);
  return mix(mix(Hash(i), Hash(i + vec2(1.0, 0.0)), f.x), mix(Hash(i + vec2(0.0, 1.0)), Hash(i + vec2(1.0, 1.0)), f.x),
             f.y);
}

// Splash-sized blotches with ragged rims, 0..1.
float Blotches(vec2 texel) {
  return 0.65 * ValueNoise(texel / 56.0) + 0.35 * ValueNoise(texel / 13.0 + 17.0);
}

void main() {
  vec4 splash = texture2D(decal0, gl_TexCoord[0].st);
  vec4 skin = texture2D(decal1, skinCoord);
  float mask = texture2D(decal2, skinCoord).r;
  // Black is clean whatever the pattern: lamps and glass never take mud. Outside the
  // splash or the mask the pattern is not worked out at all.
  float takes = 0.0;
  if (splash.a > 0.0 && mask >= kBlack)
    takes = smoothstep(-kEdge, kEdge, mask * kMaskReach - Blotches(skinCoord * kSkinTexels));
  float cover = clamp(splash.a * takes * kSplashBody * DirtHar, 0.0, 1.0);
  gl_FragColor = vec4(mix(skin.rgb, splash.rgb, cover), skin.a);
}
