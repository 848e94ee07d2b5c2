#version 120
// Roads with bumps: the road texture with its own normal map, blended by the material's alpha
// map into the ground beside it (two ground textures with their normal maps mixed by noise,
// tinted by the large-scale colour), so the road's edges run out into the terrain. Lit by the
// sun through the shadow map, fogged; alpha fades from 1 at T0 to 0 at T1.

uniform float LightNow;
uniform float T0;
uniform float T1;
uniform float matAmbient;
uniform vec3 matDiffuse;
uniform float matSpecular;
uniform float emissive;
uniform float shininess;
uniform float MinFogFactor;
uniform sampler2D decal;         // unit 0: road texture
uniform sampler2DShadow decal2;  // unit 1: sun shadow map
uniform sampler3D decal3;        // unit 2: smooth noise
uniform sampler2D decal4;        // unit 3: ground texture (landscape00)
uniform sampler2D decal5;        // unit 4: ground texture (landscape01)
uniform sampler2D decal6;        // unit 5: normal map of landscape00
uniform sampler2D decal7;        // unit 6: normal map of landscape01
uniform sampler2D decal8;        // unit 7: the material's alpha map: 1 road, 0 ground
uniform sampler2D decal9;        // unit 8: large-scale colour (landscape02)
uniform vec4 DistortShadowTexel; // (width / 64, height / 64, 1 / map size, 1 / map size)

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec3 eyeTangent;
varying vec3 eyeBitangent;
varying vec3 eyeTangent2;
varying vec3 eyeBitangent2;
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

vec3 SafeNormalize(vec3 v, vec3 fallback) {
  float l = dot(v, v);
  return l > 1.0e-12 ? v * inversesqrt(l) : fallback;
}

// A tangent-space normal map texel turned into eye space by its frame.
vec3 Bumped(vec3 texel, vec3 t, vec3 b, vec3 n) {
  vec3 m = texel * 2.0 - 1.0;
  return SafeNormalize(SafeNormalize(t, vec3(0.0)) * m.x + SafeNormalize(b, vec3(0.0)) * m.y + n * m.z, n);
}

void main() {
  vec2 uv = gl_TexCoord[0].st;
  vec2 groundUv = linearCoord * 8.0;
  vec4 road = texture2D(decal, uv);
  float onRoad = texture2D(decal8, uv).r;
  float blend = smoothstep(0.3, 0.7, texture3D(decal3, vec3(linearCoord * 6.0, 0.75)).r);
  vec3 ground = mix(texture2D(decal4, groundUv).rgb, texture2D(decal5, groundUv).rgb, blend);
  ground = mix(ground, texture2D(decal9, linearCoord).rgb, 0.25);

  vec3 n0 = SafeNormalize(eyeNormal, vec3(0.0, 0.0, 1.0));
  if (!gl_FrontFacing) n0 = -n0;
  vec3 roadNormal = Bumped(texture2D(decal6, uv).xyz, eyeTangent, eyeBitangent, n0);
  vec3 groundTexel = mix(texture2D(decal6, groundUv).xyz, texture2D(decal7, groundUv).xyz, blend);
  vec3 groundNormal = Bumped(groundTexel, eyeTangent2, eyeBitangent2, n0);
  vec3 n = normalize(mix(groundNormal, roadNormal, onRoad));
  vec3 albedo = mix(ground, road.rgb, onRoad);

  vec3 v = normalize(-eyePosition);
  vec3 l = normalize(gl_LightSource[0].position.xyz - eyePosition);
  float sun = max(dot(n, l), 0.0) * ShadowTerm(decal2, decal3, shadowCoord);
  float lit = mix(0.5, sun, LightNow);
  float spec = pow(max(dot(n, normalize(l + v)), 0.0), 20.0 + shininess) * matSpecular * sun * LightNow;

  vec3 colour = albedo * (matAmbient + matDiffuse * lit) + matDiffuse * spec * onRoad + albedo * emissive;
  float fog = clamp(exp(-pow(gl_Fog.density * gl_FogFragCoord, 2.0)), MinFogFactor, 1.0);
  colour = mix(gl_Fog.color.rgb, colour, fog);
  gl_FragColor = vec4(colour, DistanceFade(length(eyePosition)));
}
