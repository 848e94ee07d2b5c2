#version 120
// Alpha-tested foliage and see-through models, drawn with back faces: lit from either side with
// a wrapped diffuse term so that leaves against the sun do not go black, shadowed, fogged. Alpha
// is the texture's, faded from T0 to 0 at T1; the pass's alpha test then thins the far foliage
// out instead of cutting it off at one distance. Unit 0 holds the material texture with its
// coverage in alpha.

#include "layer_fragment.glsl"

void main() {
  vec4 base = texture2D(decal, gl_TexCoord[0].st);
  vec3 n = FacingNormal();
  vec3 v = normalize(-eyePosition);
  vec3 l = ToSun(eyePosition);
  float shadow = ShadowTerm(decal2, decal3, shadowCoord);
  float wrapped = clamp(dot(n, l) * 0.6 + 0.4, 0.0, 1.0) * shadow;
  float sheen = pow(max(dot(n, normalize(l + v)), 0.0), 16.0 + shininess) * 0.15 * shadow;

  vec3 colour = base.rgb * (matAmbient + matDiffuse * wrapped) + matDiffuse * sheen + base.rgb * emissive;
  colour = Fogged(colour);
  gl_FragColor = vec4(colour, base.a * DistanceFade(length(eyePosition)));
}
