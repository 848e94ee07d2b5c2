#version 120
// Car bodies, car glass and roadside objects: the colour skin lit by the sun through the
// shadow map, bumped by the normal skin, with the environment cube map reflected by a
// Fresnel term. Emissive lights the lamp groups. Alpha is the skin's own, raised where the
// glass reflects, so glass stays see-through while the body is opaque.

#include "tangent_fragment.glsl"
uniform sampler2D decal0;        // unit 0: colour skin
uniform samplerCube decal1;      // unit 1: environment cube map
uniform sampler2D decal2;        // unit 2: normal skin (tangent space)
uniform sampler2DShadow decal3;  // unit 3: sun shadow map
uniform sampler3D decal4;        // unit 4: smooth noise, jitters the shadow taps

void main() {
  vec4 base = texture2D(decal0, gl_TexCoord[0].st);
  vec3 n = FrameBumped(texture2D(decal2, gl_TexCoord[0].st).xyz, SafeNormalize(eyeNormal, vec3(0.0, 0.0, 1.0)));
  if (!gl_FrontFacing) n = -n;

  vec3 v = ToViewer();
  vec3 l = ToSun(eyePosition);
  float lit = max(dot(n, l), 0.0) * ShadowTerm(decal3, decal4, shadowCoord);
  float spec = pow(max(dot(n, normalize(l + v)), 0.0), 24.0 + shininess) * matSpecular * lit;
  float fresnel = Fresnel(n, v);
  vec3 reflected = textureCube(decal1, reflect(-v, n)).rgb;

  vec3 colour = base.rgb * (matAmbient + matDiffuse * lit);
  colour = mix(colour, reflected, clamp(matSpecular * fresnel, 0.0, 1.0)) + vec3(spec);
  colour += base.rgb * emissive;
  colour = Fogged(colour);
  float alpha = clamp(base.a + (1.0 - base.a) * fresnel * matSpecular, 0.0, 1.0);
  gl_FragColor = vec4(colour, alpha);
}
