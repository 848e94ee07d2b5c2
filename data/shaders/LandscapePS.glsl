#version 120
// The terrain: the material texture, broken up by two detail textures blended by a slow noise
// and tinted by a large-scale colour map over the linear mapping, then lit by the sun through
// the shadow map and fogged. Alpha fades from 1 at T0 to 0 at T1.

uniform float LightNow;
#include "lit.glsl"
uniform float matSpecular;
uniform sampler2D decal;         // unit 0: material texture
uniform sampler2DShadow decal2;  // unit 1: sun shadow map
uniform sampler3D decal3;        // unit 2: smooth noise
uniform sampler2D decal4;        // unit 3: detail texture (landscape03)
uniform sampler2D decal5;        // unit 4: detail texture (landscape04)
uniform sampler2D decal6;        // unit 5: large-scale colour (landscape02)

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec4 shadowCoord;
varying vec2 linearCoord;

#include "shadow.glsl"

#include "fade.glsl"

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
  vec3 l = ToSun(eyePosition);
  float sun = max(dot(n, l), 0.0) * ShadowTerm(decal2, decal3, shadowCoord);
  float lit = mix(0.5, sun, LightNow);
  float spec = pow(max(dot(n, normalize(l + v)), 0.0), 12.0 + shininess) * matSpecular * sun * LightNow;

  vec3 colour = ground * (matAmbient + matDiffuse * lit) + matDiffuse * spec * 0.5 + ground * emissive;
  colour = Fogged(colour);
  gl_FragColor = vec4(colour, DistanceFade(length(eyePosition)));
}
