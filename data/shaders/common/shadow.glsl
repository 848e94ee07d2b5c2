uniform vec4 DistortShadowTexel; // (width / 64, height / 64, 1 / map size, 1 / map size)

// Four jittered taps of the sun's shadow map around the fragment's place in it.
// A 16-texel map means shadows are off: it is never rendered, so it is not read.
float ShadowTerm(sampler2DShadow map, sampler3D noise, vec4 coord) {
#ifdef SUN_SHADOWS_OFF
  // Built for a run without shadows: the full sun, and no taps to pay for.
  return 1.0;
#else
  if (DistortShadowTexel.z > 0.03) return 1.0;
  vec3 p = coord.xyz / coord.w;
  if (p.x <= 0.0 || p.x >= 1.0 || p.y <= 0.0 || p.y >= 1.0 || p.z >= 1.0) return 1.0;
  vec2 screen = gl_FragCoord.xy / (DistortShadowTexel.xy * 64.0);
  vec2 jitter = (texture3D(noise, vec3(screen * 16.0, 0.5)).rg - 0.5) * DistortShadowTexel.zw;
  vec2 d = DistortShadowTexel.zw * 0.75;
  float s = shadow2D(map, vec3(p.xy + jitter + vec2(-d.x, -d.y), p.z)).r;
  s += shadow2D(map, vec3(p.xy + jitter + vec2(d.x, -d.y), p.z)).r;
  s += shadow2D(map, vec3(p.xy + jitter + vec2(-d.x, d.y), p.z)).r;
  s += shadow2D(map, vec3(p.xy + jitter + vec2(d.x, d.y), p.z)).r;
  return s * 0.25;
#endif
}
