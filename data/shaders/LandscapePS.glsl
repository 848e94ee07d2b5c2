#version 120
// The terrain: the material texture (unit 0), broken up by the luminance of two detail
// textures blended by a slow noise and tinted by a large-scale colour map over the linear
// mapping, then lit by the sun through the shadow map and fogged. Alpha fades from 1 at T0 to
// 0 at T1.
//
// Two layouts of the same inputs. Usually the two details, only ever read for their
// luminance, come in one map (landscape03's as luminance, landscape04's as alpha), and the
// noise blend from a plane of the smooth volume: fewer fetches on every land fragment. Built
// with GROUND_MAPS_UNPACKED, the program reads each detail map on its own unit and the noise
// from the volume, for a race whose detail maps cannot share one map.

#include "sunlit.glsl"
uniform sampler2D decal4;  // unit 3: detail luminance (landscape03, landscape04); unpacked:
                           // detail texture landscape03
uniform sampler2D decal5;  // unit 4: the smooth noise's planes (luminance: r = 0.25); unpacked:
                           // detail texture landscape04
uniform sampler2D decal6;  // unit 5: large-scale colour (landscape02)

varying vec2 linearCoord;

#ifdef GROUND_MAPS_UNPACKED
float Luminance(vec3 c) { return dot(c, vec3(0.3, 0.59, 0.11)); }
#endif

void main() {
  vec2 uv = gl_TexCoord[0].st;
  vec4 base = texture2D(decal, uv);
#ifdef GROUND_MAPS_UNPACKED
  float blend = smoothstep(0.3, 0.7, texture3D(decal3, vec3(linearCoord * 6.0, 0.25)).r);
  float detail = Luminance(mix(texture2D(decal4, uv * 4.0).rgb, texture2D(decal5, uv * 4.0).rgb, blend));
#else
  float blend = smoothstep(0.3, 0.7, texture2D(decal5, linearCoord * 6.0).r);
  vec2 details = texture2D(decal4, uv * 4.0).ra;
  float detail = mix(details.x, details.y, blend);
#endif
  vec3 tint = texture2D(decal6, linearCoord).rgb;
  vec3 ground = mix(base.rgb, tint, 0.25) * (0.75 + 0.5 * detail);

  vec3 colour = Fogged(SunLit(ground, FacingNormal(), 12.0, 0.5));
  gl_FragColor = vec4(colour, DistanceFade(length(eyePosition)));
}
