#version 120
// Opaque world layers: the material texture lit by the sun through the shadow map, with a soft
// highlight, fogged. LightNow 1 lights by the sun; 0 gives a flat light with no shadow.
// Alpha runs from the texture's own at T0 to 0 at T1, so the far world fades into the
// sky the layers are composed over.

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
uniform sampler3D decal3;        // unit 2: smooth noise, jitters the shadow taps
uniform sampler2D decal4;        // unit 3: not bound by the world passes, unused
uniform vec4 DistortShadowTexel; // (width / 64, height / 64, 1 / map size, 1 / map size)

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec4 shadowCoord;

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

void main() {
  vec4 base = texture2D(decal, gl_TexCoord[0].st);
  vec3 n = normalize(eyeNormal);
  if (!gl_FrontFacing) n = -n;
  vec3 v = normalize(-eyePosition);
  vec3 l = normalize(gl_LightSource[0].position.xyz - eyePosition);
  float sun = max(dot(n, l), 0.0) * ShadowTerm(decal2, decal3, shadowCoord);
  float lit = mix(0.5, sun, LightNow);
  float spec = pow(max(dot(n, normalize(l + v)), 0.0), 16.0 + shininess) * matSpecular * sun * LightNow;

  vec3 colour = base.rgb * (matAmbient + matDiffuse * lit) + matDiffuse * spec + base.rgb * emissive;
  float fog = clamp(exp(-pow(gl_Fog.density * gl_FogFragCoord, 2.0)), MinFogFactor, 1.0);
  colour = mix(gl_Fog.color.rgb, colour, fog);
  gl_FragColor = vec4(colour, base.a * DistanceFade(length(eyePosition)));
}
