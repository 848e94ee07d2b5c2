#version 120
// The terrain: the material texture (unit 0), broken up by the luminance of two detail
// textures blended by a slow noise and tinted by a large-scale colour map over the linear
// mapping, then lit by the sun through the shadow map and fogged. Alpha fades from 1 at T0 to
// 0 at T1. The two details are only ever read for their luminance, so one map holds both
// (landscape03's as luminance, landscape04's as alpha): one fetch where two were.

#include "sunlit.glsl"
uniform sampler2D decal4;        // unit 3: detail luminance (landscape03, landscape04)
uniform sampler2D decal5;        // unit 4: the smooth noise's planes (luminance: r = 0.25)
uniform sampler2D decal6;        // unit 5: large-scale colour (landscape02)

varying vec2 linearCoord;

void main() {
  vec2 uv = gl_TexCoord[0].st;
  vec4 base = texture2D(decal, uv);
  float blend = smoothstep(0.3, 0.7, texture2D(decal5, linearCoord * 6.0).r);
  vec2 details = texture2D(decal4, uv * 4.0).ra;
  float detail = mix(details.x, details.y, blend);
  vec3 tint = texture2D(decal6, linearCoord).rgb;
  vec3 ground = mix(base.rgb, tint, 0.25) * (0.75 + 0.5 * detail);

  vec3 colour = Fogged(SunLit(ground, FacingNormal(), 12.0, 0.5));
  gl_FragColor = vec4(colour, DistanceFade(length(eyePosition)));
}
