#version 120
// Trees: the atlas picture lit as a rounded crown (half towards the viewer, half upwards), darker
// at the foot, each tree a little lighter or darker by the noise at its anchor and tinted like
// the land around it; fogged. Alpha is the picture's coverage faded from T0 to 0 at T1 by the
// distance of the tree's foot from the camera, so a whole tree thins out at once.

#include "lit.glsl"
uniform sampler2D decal;         // unit 0: tree atlas, four columns
uniform sampler2D decal2;        // unit 1: large-scale tint
uniform sampler3D decal3;        // unit 2: smooth noise, per-tree variation
uniform vec4 DistortShadowTexel; // no shadow unit is bound for the trees; unused

varying vec3 eyePosition;
varying float cameraDistance;
varying float heightAlong;
varying vec3 anchorPoint;

#include "fade.glsl"

void main() {
  vec4 base = texture2D(decal, gl_TexCoord[0].st);
  vec3 v = normalize(-eyePosition);
  vec3 up = normalize(gl_NormalMatrix * vec3(0.0, 1.0, 0.0));
  vec3 n = normalize(v + up);
  vec3 l = ToSun(eyePosition);
  float sun = clamp(dot(n, l) * 0.7 + 0.3, 0.0, 1.0);
  float sheen = pow(max(dot(n, normalize(l + v)), 0.0), 8.0 + shininess) * 0.08;
  float variation = 0.85 + 0.3 * texture3D(decal3, anchorPoint * 0.013).r;
  vec3 tint = texture2D(decal2, anchorPoint.xz * 0.004).rgb;

  vec3 albedo = base.rgb * variation * (0.7 + 0.6 * tint);
  float foot = 0.7 + 0.3 * clamp(heightAlong, 0.0, 1.0);
  vec3 colour = albedo * (matAmbient * foot + matDiffuse * sun) + matDiffuse * sheen + albedo * emissive;
  colour = Fogged(colour);
  gl_FragColor = vec4(colour, base.a * DistanceFade(cameraDistance));
}
