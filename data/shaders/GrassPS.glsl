#version 120
// Grass: the atlas cell lit by the sun from above (the blades share the ground's normal, so a
// patch never shows which way its quads face), varied in colour across the land by a tint map,
// fogged. Alpha is the cell's coverage faded from T0 to 0 at T1, so the pass's alpha test thins
// the grass out with distance.

#include "lit.glsl"
uniform sampler2D decal;         // unit 0: grass atlas, eight columns
uniform sampler2D decal2;        // unit 1: large-scale tint
uniform vec4 DistortShadowTexel; // no shadow unit is bound for the grass; unused

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec2 tintCoord;

#include "fade.glsl"

void main() {
  vec4 base = texture2D(decal, gl_TexCoord[0].st);
  vec3 tint = texture2D(decal2, tintCoord).rgb;
  vec3 n = normalize(eyeNormal);
  vec3 v = normalize(-eyePosition);
  vec3 l = ToSun(eyePosition);
  float sun = max(dot(n, l), 0.0);
  float sheen = pow(max(dot(n, normalize(l + v)), 0.0), 8.0 + shininess) * 0.1;
  // Roots sit in the shade of the patch, tips in the light.
  float height = clamp(gl_TexCoord[0].t, 0.0, 1.0);

  vec3 albedo = base.rgb * (0.6 + 0.8 * tint);
  vec3 colour = albedo * (matAmbient * (0.6 + 0.4 * height) + matDiffuse * sun) + matDiffuse * sheen;
  colour += albedo * emissive;
  colour = Fogged(colour);
  gl_FragColor = vec4(colour, base.a * DistanceFade(length(eyePosition)));
}
