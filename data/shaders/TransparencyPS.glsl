#version 120
// Alpha-tested foliage and see-through models, drawn with back faces: lit from either side with
// a wrapped diffuse term so that leaves against the sun do not go black, shadowed, fogged. Alpha
// is the texture's, faded from T0 to 0 at T1; the pass's alpha test then thins the far foliage
// out instead of cutting it off at one distance.

#include "lit.glsl"
uniform sampler2D decal;         // unit 0: material texture with coverage in alpha
uniform sampler2DShadow decal2;  // unit 1: sun shadow map
uniform sampler3D decal3;        // unit 2: smooth noise, jitters the shadow taps

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec4 shadowCoord;

#include "shadow.glsl"

#include "fade.glsl"

void main() {
  vec4 base = texture2D(decal, gl_TexCoord[0].st);
  vec3 n = normalize(eyeNormal);
  if (!gl_FrontFacing) n = -n;
  vec3 v = normalize(-eyePosition);
  vec3 l = ToSun(eyePosition);
  float shadow = ShadowTerm(decal2, decal3, shadowCoord);
  float wrapped = clamp(dot(n, l) * 0.6 + 0.4, 0.0, 1.0) * shadow;
  float sheen = pow(max(dot(n, normalize(l + v)), 0.0), 16.0 + shininess) * 0.15 * shadow;

  vec3 colour = base.rgb * (matAmbient + matDiffuse * wrapped) + matDiffuse * sheen + base.rgb * emissive;
  colour = Fogged(colour);
  gl_FragColor = vec4(colour, base.a * DistanceFade(length(eyePosition)));
}
