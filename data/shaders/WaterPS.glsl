#version 120
// Water: waves from a few travelling sines plus fine noise ripple the normal; the mirrored scene
// is looked up through the reflection camera's projection, shifted by the ripple, and mixed
// over the water's own colour by a Fresnel term, with the sun's glint on top. Alpha grows with
// the Fresnel term (steep views see into the water) and fades from T0 to 0 at T1.

uniform float LightNow;
uniform float Time;
#include "lit.glsl"
uniform float matSpecular;
uniform sampler2D decal;         // unit 0: water material texture
uniform sampler2D decal2;        // unit 1: the mirrored scene, projected by the texture matrix
uniform sampler3D decal3;        // unit 2: random noise volume, the fine ripple
uniform sampler2D decal4;        // units 3 to 8 are not bound by the water pass, unused
uniform sampler2D decal5;
uniform sampler2D decal6;
uniform sampler2D decal7;
uniform sampler2D decal8;
uniform sampler2D decal9;
uniform vec4 DistortShadowTexel; // no shadow unit is bound for the water; unused

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec3 worldPosition;
varying vec4 reflectionCoord;

#include "fade.glsl"

// Slope of the surface along world x and z.
vec2 WaveSlope(vec2 p) {
  vec2 s = vec2(0.0);
  s += vec2(0.8, 0.3) * cos(dot(p, vec2(0.8, 0.3)) * 0.35 + Time * 9.0) * 0.10;
  s += vec2(-0.4, 0.9) * cos(dot(p, vec2(-0.4, 0.9)) * 0.60 + Time * 13.0) * 0.07;
  s += vec2(0.6, -0.7) * cos(dot(p, vec2(0.6, -0.7)) * 1.30 + Time * 21.0) * 0.04;
  vec3 q = vec3(p * 0.05, Time * 0.7);
  s += (texture3D(decal3, q).rg + texture3D(decal3, q * 2.03 + 0.37).rg - 1.0) * 0.03;
  return s;
}

void main() {
  vec4 base = texture2D(decal, gl_TexCoord[0].st);
  vec2 slope = WaveSlope(worldPosition.xz);
  vec3 surfaceNormal = normalize(eyeNormal);
  // Tilt the eye-space normal by the world slope (the water lies flat, so x and z map through
  // the same rotation as the normal does).
  vec3 worldNormal = normalize(vec3(-slope.x, 1.0, -slope.y));
  vec3 n = normalize(gl_NormalMatrix * worldNormal);
  if (dot(n, surfaceNormal) < 0.0) n = -n;

  vec3 v = normalize(-eyePosition);
  vec3 l = ToSun(eyePosition);
  float fresnel = 0.15 + 0.85 * pow(1.0 - max(dot(n, v), 0.0), 4.0);
  vec4 shifted = reflectionCoord + vec4(slope * 0.6 * reflectionCoord.w, 0.0, 0.0);
  vec3 reflected = texture2DProj(decal2, shifted).rgb;

  float lit = mix(0.5, max(dot(n, l), 0.0), LightNow);
  vec3 body = base.rgb * (matAmbient * 0.5 + matDiffuse * lit) + base.rgb * emissive;
  float glint = pow(max(dot(n, normalize(l + v)), 0.0), 96.0 + shininess) * matSpecular * 4.0 * LightNow;
  vec3 colour = mix(body, reflected, fresnel * 0.85) + vec3(glint);
  colour = Fogged(colour);
  float alpha = mix(0.6, 1.0, fresnel) * base.a * DistanceFade(length(eyePosition));
  gl_FragColor = vec4(colour, alpha);
}
