#version 120
// Tyre marks: the mark texture bumped by its normal map, lit by the sun through the shadow map
// (LightNow 1) or flat (0), with a wet sheen from the environment cube map (RefInt x GlassNow)
// and fog. Alpha is the texture's times the corner's strength, which fades the older marks,
// times GlassAlpha.

#include "tangent_fragment.glsl"
uniform sampler2D decal;         // unit 0: mark texture
uniform samplerCube decal2;      // unit 1: environment cube map
uniform sampler2D decal3;        // unit 2: mark normal map
uniform sampler2DShadow decal4;  // unit 3: sun shadow map
uniform sampler3D decal5;        // unit 4: smooth noise, jitters the shadow taps
uniform float RefInt;
uniform float GlassNow;
uniform float GlassAlpha;
uniform float LightNow;

void main() {
  vec2 uv = gl_TexCoord[0].st;
  vec4 base = texture2D(decal, uv);
  vec3 n0 = SafeNormalize(eyeNormal, vec3(0.0, 0.0, 1.0));
  if (!gl_FrontFacing) n0 = -n0;
  vec3 n = FrameBumped(texture2D(decal3, uv).xyz, n0);

  vec3 v = ToViewer();
  vec3 l = ToSun(eyePosition);
  float sun = max(dot(n, l), 0.0) * ShadowTerm(decal4, decal5, shadowCoord);
  float lit = mix(0.5, sun, LightNow);
  float spec = pow(max(dot(n, normalize(l + v)), 0.0), 24.0 + shininess) * matSpecular * sun * LightNow;
  vec3 reflected = textureCube(decal2, reflect(-v, n)).rgb;

  vec3 colour = base.rgb * (matAmbient + matDiffuse * lit) + vec3(spec) + base.rgb * emissive;
  colour = mix(colour, reflected, clamp(RefInt * GlassNow * Fresnel(n, v), 0.0, 1.0));
  colour = Fogged(colour);
  float strength = clamp(gl_TexCoord[0].p, 0.0, 1.0);
  gl_FragColor = vec4(colour, clamp(base.a * strength * GlassAlpha, 0.0, 1.0));
}
