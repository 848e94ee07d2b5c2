#include "layer_fragment.glsl"

uniform float LightNow;
uniform float matSpecular;

// An opaque layer's colour before fog: albedo under the sun through the shadow map (LightNow
// 1) or a flat half light (0), with a highlight of the given sharpness on top, weighted by
// highlight.
vec3 SunLit(vec3 albedo, vec3 n, float sharpness, float highlight) {
  vec3 v = normalize(-eyePosition);
  vec3 l = ToSun(eyePosition);
  float sun = max(dot(n, l), 0.0) * ShadowTerm(decal2, decal3, shadowCoord);
  float lit = mix(0.5, sun, LightNow);
  float spec = pow(max(dot(n, normalize(l + v)), 0.0), sharpness + shininess) * matSpecular * sun * LightNow;
  return albedo * (matAmbient + matDiffuse * lit) + matDiffuse * spec * highlight + albedo * emissive;
}
