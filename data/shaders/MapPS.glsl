#version 120
// Opaque world layers: the material texture lit by the sun through the shadow map, with a soft
// highlight, fogged. LightNow 1 lights by the sun; 0 gives a flat light with no shadow.
// Alpha runs from the texture's own at T0 to 0 at T1, so the far world fades into the
// sky the layers are composed over.

uniform float LightNow;
#include "lit.glsl"
uniform float matSpecular;
uniform sampler2D decal;         // unit 0: material texture
uniform sampler2DShadow decal2;  // unit 1: sun shadow map
uniform sampler3D decal3;        // unit 2: smooth noise, jitters the shadow taps
uniform sampler2D decal4;        // unit 3: not bound by the world passes, unused

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
  float sun = max(dot(n, l), 0.0) * ShadowTerm(decal2, decal3, shadowCoord);
  float lit = mix(0.5, sun, LightNow);
  float spec = pow(max(dot(n, normalize(l + v)), 0.0), 16.0 + shininess) * matSpecular * sun * LightNow;

  vec3 colour = base.rgb * (matAmbient + matDiffuse * lit) + matDiffuse * spec + base.rgb * emissive;
  colour = Fogged(colour);
  gl_FragColor = vec4(colour, base.a * DistanceFade(length(eyePosition)));
}
