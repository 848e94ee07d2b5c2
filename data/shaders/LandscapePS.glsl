#version 120
// The terrain: the material texture, broken up by two detail textures blended by a slow noise
// and tinted by a large-scale colour map over the linear mapping, then lit by the sun through
// the shadow map and fogged. Alpha fades from 1 at T0 to 0 at T1.

uniform float LightNow;
uniform float T0;
uniform float T1;
uniform float matAmbient;
uniform vec3 matDiffuse;
uniform float matSpecular;
uniform float emissive;
uniform float shininess;
uniform float MinFogFactor;
uniform sampler2D decal;         // unit 0: material texture
uniform sampler2DShadow decal2;  // unit 1: sun shadow map
uniform sampler3D decal3;        // unit 2: smooth noise
uniform sampler2D decal4;        // unit 3: detail texture (landscape03)
uniform sampler2D decal5;        // unit 4: detail texture (landscape04)
uniform sampler2D decal6;        // unit 5: large-scale colour (landscape02)
uniform vec4 DistortShadowTexel; // (width / 64, height / 64, 1 / map size, 1 / map size)

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec4 shadowCoord;
varying vec2 linearCoord;

// A 16-texel map means shadows are off: it is never rendered, so it is not read.
float ShadowTerm(sampler2DShadow map, sampler3D noise, vec4 coord) {
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
}

float DistanceFade(float distance) {
  return 1.0 - clamp((distance - T0) / max(T1 - T0, 0.001), 0.0, 1.0);
}

float Luminance(vec3 c) { return dot(c, vec3(0.3, 0.59, 0.11)); }

void main() {
  vec2 uv = gl_TexCoord[0].st;
  vec4 base = texture2D(decal, uv);
  float blend = smoothstep(0.3, 0.7, texture3D(decal3, vec3(linearCoord * 6.0, 0.25)).r);
  vec3 detail = mix(texture2D(decal4, uv * 4.0).rgb, texture2D(decal5, uv * 4.0).rgb, blend);
  vec3 tint = texture2D(decal6, linearCoord).rgb;
  vec3 ground = mix(base.rgb, tint, 0.25) * (0.75 + 0.5 * Luminance(detail));

  vec3 n = normalize(eyeNormal);
  if (!gl_FrontFacing) n = -n;
  vec3 v = normalize(-eyePosition);
  vec3 l = normalize(gl_LightSource[0].position.xyz - eyePosition);
  float sun = max(dot(n, l), 0.0) * ShadowTerm(decal2, decal3, shadowCoord);
  float lit = mix(0.5, sun, LightNow);
  float spec = pow(max(dot(n, normalize(l + v)), 0.0), 12.0 + shininess) * matSpecular * sun * LightNow;

  vec3 colour = ground * (matAmbient + matDiffuse * lit) + matDiffuse * spec * 0.5 + ground * emissive;
  float fog = clamp(exp(-pow(gl_Fog.density * gl_FogFragCoord, 2.0)), MinFogFactor, 1.0);
  colour = mix(gl_Fog.color.rgb, colour, fog);
  gl_FragColor = vec4(colour, DistanceFade(length(eyePosition)));
}
